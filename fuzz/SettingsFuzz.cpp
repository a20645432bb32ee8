// Fuzz target: the settings loaders. The input is an Options.dat (its first byte gives the
// file's length) and a lavarumble.ini (the rest), written beside each other and read as the
// game reads them at start; then saved by "Apply" and read again.
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "FuzzSupport.h"
#include "settings/IniFile.h"
#include "settings/OptionsForm.h"

namespace {

using namespace lr;
using namespace lr::fuzz;

// A folder of this process's own, removed when it ends.
struct TScratch {
  TScratch() {
    // In memory where the system has it: "Apply" replaces its files with a sync each time.
    std::error_code ec;
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
    Folder = base / ("lavarumble-fuzz-settings-" + std::to_string(getpid()));
    std::filesystem::create_directories(Folder);
  }
  ~TScratch() {
    std::error_code ec;
    std::filesystem::remove_all(Folder, ec);
  }
  std::filesystem::path Folder;
};

void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The rules in effect and the dialog's controls after a load.
void CheckLoaded(const TGameSettings& settings, const TOForm& form, const std::string& name1, const std::string& name2) {
  LR_FUZZ_CHECK(settings.PowerupDelay >= kPowerupDelayMin && settings.PowerupDelay <= kPowerupDelayMax);
  for (Single value : {settings.MovePower, settings.JumpPower, settings.ClimbPower, settings.Gravity})
    LR_FUZZ_CHECK(std::isfinite(value));
  for (TPlayedBy who : settings.PlayedBy) LR_FUZZ_CHECK(static_cast<uint8_t>(who) <= static_cast<uint8_t>(TPlayedBy::Hard));
  LR_FUZZ_CHECK(settings.PlayedBy == form.PlayedBy);
  LR_FUZZ_CHECK(name1.size() <= TNameEdit::MaxLength && name2.size() <= TNameEdit::MaxLength);
  LR_FUZZ_CHECK(form.P1E.Text.size() <= TNameEdit::MaxLength && form.P2E.Text.size() <= TNameEdit::MaxLength);
  for (const TTrackBar* bar : {&form.TB1R, &form.TB1G, &form.TB1B, &form.TB2R, &form.TB2G, &form.TB2B})
    LR_FUZZ_CHECK(bar->Position >= TTrackBar::MinValue && bar->Position <= TTrackBar::MaxValue);
  LR_FUZZ_CHECK(form.S == settings.PowerupEnabled);
}

std::string WithoutBlankLines(const std::string& text) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    if (text.find_first_not_of(" \t\r", at) < end) out += text.substr(at, end - at) + "\n";
    at = end + 1;
  }
  return out;
}

bool SameRules(const TGameSettings& a, const TGameSettings& b) {
  return a.PlatformDensity == b.PlatformDensity && a.RopeDensity == b.RopeDensity && a.MovePower == b.MovePower &&
         a.JumpPower == b.JumpPower && a.ClimbPower == b.ClimbPower && a.Gravity == b.Gravity &&
         a.PowerupEnabled == b.PowerupEnabled && a.PowerupDelay == b.PowerupDelay && a.RoundCount == b.RoundCount &&
         a.RoundDelay == b.RoundDelay && a.Fullscreen == b.Fullscreen && a.PlayedBy == b.PlayedBy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TScratch scratch;
  TFuzzBytes in(data, size);
  const std::string options = in.Take(in.Byte());
  const std::string ini = in.Take(size);
  const std::string optionsPath = (scratch.Folder / "Options.dat").string();
  Write(optionsPath, options);
  Write(IniPathBeside(optionsPath), ini);

  // The ini file alone: what it holds reads back the same from what it would save, and saving
  // again changes nothing but the blank lines around a comment (the library's way of keeping
  // a comment before a section takes a few saves to settle; no line of text is lost or made).
  TIniFile file;
  std::string error;
  if (file.LoadText(ini, error)) {
    TIniFile again, third;
    LR_FUZZ_CHECK(again.LoadText(file.Text(), error));
    LR_FUZZ_CHECK(third.LoadText(again.Text(), error));
    LR_FUZZ_CHECK(WithoutBlankLines(third.Text()) == WithoutBlankLines(again.Text()));
    for (const char* section : {"Player1", "Player2"})
      LR_FUZZ_CHECK(again.Get(section, "PlayedBy", "?") == file.Get(section, "PlayedBy", "?"));
  }

  // The game's start: Options.dat, then lavarumble.ini.
  TGameSettings settings;
  std::string name1 = "Red Man", name2 = "Green Man";
  TOForm form(settings, {.Name = &name1, .Sprite = nullptr}, {.Name = &name2, .Sprite = nullptr}, optionsPath);
  form.LoadOptions();
  CheckLoaded(settings, form, name1, name2);

  // "Apply" writes what is in effect; reading it back at the next start gives the same rules.
  if (!form.SaveOptions()) return 0;
  TGameSettings reread;
  std::string reread1, reread2;
  TOForm next(reread, {.Name = &reread1, .Sprite = nullptr}, {.Name = &reread2, .Sprite = nullptr}, optionsPath);
  LR_FUZZ_CHECK(next.LoadOptions().empty());
  CheckLoaded(reread, next, reread1, reread2);
  LR_FUZZ_CHECK(SameRules(settings, reread));
  LR_FUZZ_CHECK(name1 == reread1 && name2 == reread2);
  return 0;
}
