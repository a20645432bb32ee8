// lavarumble.ini: the game's readable settings file beside Options.dat, in sections of
// "key = value" lines, for what Options.dat has no room for (who plays each player; the
// keys and pads of the actions). Read and written whole; sections, keys and comments this
// version does not know are kept as they were when it saves.
#pragma once

#include <memory>
#include <string>
#include <string_view>


namespace lr {

// The ini file's name, in the folder of the given Options.dat.
std::string IniPathBeside(const std::string& optionsPath);

class TIniFile {
 public:
  TIniFile();
  ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  // Reads the file over whatever was held. A missing file is no error (nothing is held); a file
  // that cannot be read, is larger than 64 KiB or is not text leaves nothing held and gives a
  // short reason.
  bool Load(const std::string& path, std::string& error);
  bool LoadText(std::string_view text, std::string& error);
  // The value of the key, or `fallback` when the section or the key is missing.
  std::string Get(const std::string& section, const std::string& key, const std::string& fallback = "") const;
  void Set(const std::string& section, const std::string& key, const std::string& value);
  // The contents as they would be saved.
  std::string Text() const;
  // Replaces the file as a whole; empty on success, else what went wrong.
  std::string Save(const std::string& path) const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl;
};

}  // namespace lr
