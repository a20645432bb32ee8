// The ini file on Debian's SimpleIni (8-bit text as it stands, no conversion).
#include "settings/IniFile.h"

// Debian's SimpleIni.h keeps its template bodies behind SI_IMPLEMENTATION; this is the only
// file that uses it, so the header serves alone and no library is linked.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/AtomicFile.h"

namespace lr {

namespace {
// A settings file of more than this is not ours.
constexpr size_t kLargestFile = 64 * 1024;
}  // namespace

struct TIniFile::TImpl {
  CSimpleIniA Ini{/*isUtf8=*/false, /*multiKey=*/false, /*multiLine=*/false};
};

std::string IniPathBeside(const std::string& optionsPath) {
  return (std::filesystem::path(optionsPath).parent_path() / "lavarumble.ini").string();
}

TIniFile::TIniFile() : Impl(std::make_unique<TImpl>()) {}
TIniFile::~TIniFile() = default;

bool TIniFile::Load(const std::string& path, std::string& error) {
  Impl->Ini.Reset();
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return true;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) {
    error = path + ": cannot be read";
    return false;
  }
  if (size > kLargestFile) {
    error = path + ": larger than 64 KiB, not read";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in && !in.eof()) {
    error = path + ": cannot be read";
    return false;
  }
  if (!LoadText(text.str(), error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

bool TIniFile::LoadText(std::string_view text, std::string& error) {
  Impl->Ini.Reset();
  // A NUL byte never belongs in a text file: this is something else, and saving over it would
  // lose it.
  if (text.find('\0') != std::string_view::npos) {
    error = "not a text file, not read";
    return false;
  }
  // The parser drops a byte-order mark only at the very start, so a name beginning with one
  // would lose it at every save and load; a mark anywhere else is no text either. All go.
  // (Taking one out can join the bytes around it into another, which begins up to two back.)
  std::string plain(text);
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  for (size_t at = plain.find(kByteOrderMark); at != std::string::npos;
       at = plain.find(kByteOrderMark, at >= 2 ? at - 2 : 0))
    plain.erase(at, kByteOrderMark.size());
  if (Impl->Ini.LoadData(plain.data(), plain.size()) < 0) {
    Impl->Ini.Reset();
    error = "cannot be read";
    return false;
  }
  // A '[' whose ']' comes lines later reads as one section name across those lines; saved,
  // it would come back as other sections and keys. Such a file is damaged, and left as it is.
  const auto spansLines = [](const char* name) { return std::string_view(name).find_first_of("\r\n") != std::string_view::npos; };
  CSimpleIniA::TNamesDepend sections;
  Impl->Ini.GetAllSections(sections);
  for (const auto& section : sections) {
    CSimpleIniA::TNamesDepend keys;
    Impl->Ini.GetAllKeys(section.pItem, keys);
    bool broken = spansLines(section.pItem);
    for (const auto& key : keys) broken = broken || spansLines(key.pItem);
    if (broken) {
      Impl->Ini.Reset();
      error = "a section name spans lines, not read";
      return false;
    }
  }
  return true;
}

std::string TIniFile::Get(const std::string& section, const std::string& key, const std::string& fallback) const {
  const char* value = Impl->Ini.GetValue(section.c_str(), key.c_str(), nullptr);
  return value ? value : fallback;
}

void TIniFile::Set(const std::string& section, const std::string& key, const std::string& value) {
  Impl->Ini.SetValue(section.c_str(), key.c_str(), value.c_str());
}

std::string TIniFile::Text() const {
  std::string text;
  Impl->Ini.Save(text);
  return text;
}

std::string TIniFile::Save(const std::string& path) const { return ReplaceFileAtomically(path, Text()); }

}  // namespace lr
