// Atomic file replacement with a temporary sibling, fsync and rename.
#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace lr {

namespace {

std::string ErrorText(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// Writes everything, resuming after interrupted or partial writes.
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace

std::string ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  const std::filesystem::path target(path);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  // A hidden sibling: the rename stays within one file system.
  std::string pattern = folder.string();
  pattern += "/.";
  pattern += target.filename().string();
  pattern += ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return ErrorText("cannot create a temporary file");
  // mkstemp makes the file for its owner only: keep the old file's permissions, or make a
  // new one readable by all like any other settings file.
  struct stat old {};
  ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);

  std::string error;
  if (!WriteAll(fd, bytes))
    error = ErrorText("cannot write");
  else if (::fsync(fd) != 0)
    error = ErrorText("cannot flush to disk");
  if (::close(fd) != 0 && error.empty()) error = ErrorText("cannot close");
  if (error.empty() && ::rename(name.data(), path.c_str()) != 0) error = ErrorText("cannot rename");
  if (!error.empty()) {
    ::unlink(name.data());
    return error;
  }
  // The rename itself reaches the disk with the folder.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return "";
}

}  // namespace lr
