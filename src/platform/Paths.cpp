// Executable, data and settings folder lookup, and stored-name translation.
#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>

#ifndef LR_DATA_FROM_BIN
#define LR_DATA_FROM_BIN "../share/lavarumble"
#endif

namespace lr {

std::string ExecutableDirectory() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || !exe.has_parent_path()) return ".";
  return exe.parent_path().string();
}

std::string GameDataDirectoryFor(const std::string& exeDir) {
  // The installed layout is only taken when it holds the sheets, so a build folder that happens
  // to sit in a tree with a share/lavarumble of another version still uses its own data.
  const std::filesystem::path installed = std::filesystem::path(exeDir) / LR_DATA_FROM_BIN;
  std::error_code ec;
  if (std::filesystem::is_directory(installed / "data", ec)) return installed.lexically_normal().string();
  return exeDir;
}

std::string GameDataDirectory() { return GameDataDirectoryFor(ExecutableDirectory()); }

std::string UserConfigDirectory() {
  // A relative XDG_CONFIG_HOME is invalid and ignored, as is an empty one.
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return (std::filesystem::path(xdg) / "lavarumble").string();
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return (std::filesystem::path(home) / ".config" / "lavarumble").string();
  return "";
}

std::string NativePath(const std::string& storedName) {
  std::string path = storedName;
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

std::string FindGameFile(const std::string& storedName) {
  const std::string name = NativePath(storedName);
  std::error_code ec;
  const std::string inData = GameDataDirectory() + "/" + name;
  if (std::filesystem::exists(inData, ec)) return inData;
  return name;
}

}  // namespace lr
