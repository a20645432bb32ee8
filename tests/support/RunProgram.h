// Running the game's binary from a test: arguments in, exit code, output and files out.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace lr::test {

struct TRunResult {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
};

// Runs the lavarumble binary with these arguments (each passed as one word), in `workDir`
// (by default a fresh empty folder, so no settings file is read or left behind).
TRunResult RunGame(const std::vector<std::string>& args, const std::string& env = "",
                   const std::string& workDir = "");

// A program running beside the test (a master server, games paced in real time), its output
// in files; killed, if still running, with the object.
class TBackgroundProgram {
 public:
  // Starts `binary` with `args` in `workDir`, stdout and stderr to `outFile` and `errFile`.
  TBackgroundProgram(const std::string& binary, const std::vector<std::string>& args, const std::string& workDir,
                     const std::string& outFile, const std::string& errFile);
  ~TBackgroundProgram();
  TBackgroundProgram(const TBackgroundProgram&) = delete;
  TBackgroundProgram& operator=(const TBackgroundProgram&) = delete;
  bool Started() const { return Pid > 0; }
  // Waits for the end at most `seconds`; the exit code, or -1 (a signal, or still running).
  int Wait(double seconds);
  void Signal(int signal);

 private:
  int Pid = -1;
};

// Reads `path` again and again, at most `seconds`, until `text` is in it; what was read last.
std::string WaitForText(const std::string& path, const std::string& text, double seconds);

// A fresh directory under the system's temporary folder, removed with the object.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  const std::filesystem::path& Path() const { return Dir; }
  std::string File(const std::string& name) const { return (Dir / name).string(); }

 private:
  std::filesystem::path Dir;
};

std::string ReadText(const std::string& path);
void WriteText(const std::string& path, const std::string& text);
std::vector<std::string> ReadLines(const std::string& path);

}  // namespace lr::test
