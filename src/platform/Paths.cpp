// Executable folder lookup and stored-name translation.
#include "platform/Paths.h"

#include <filesystem>

namespace lr {

std::string ExecutableDirectory() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || !exe.has_parent_path()) return ".";
  return exe.parent_path().string();
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
  const std::string besideExe = ExecutableDirectory() + "/" + name;
  if (std::filesystem::exists(besideExe, ec)) return besideExe;
  return name;
}

}  // namespace lr
