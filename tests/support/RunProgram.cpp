// Process and file helpers for end-to-end tests.
#include "support/RunProgram.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace lr::test {

namespace {

std::string Quote(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

}  // namespace

TTempDir::TTempDir() {
  std::random_device rd;
  Dir = std::filesystem::temp_directory_path() /
        ("lavarumble-test-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
  std::filesystem::create_directories(Dir);
}

TTempDir::~TTempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(Dir, ignored);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TRunResult RunGame(const std::vector<std::string>& args, const std::string& env, const std::string& workDir) {
  TTempDir dir;
  std::ostringstream command;
  command << "cd " << Quote(workDir.empty() ? dir.Path().string() : workDir) << " && ";
  if (!env.empty()) command << env << " ";
  command << Quote(LR_BINARY);
  for (const std::string& arg : args) command << " " << Quote(arg);
  command << " >" << Quote(dir.File("out")) << " 2>" << Quote(dir.File("err")) << " </dev/null";
  const int status = std::system(command.str().c_str());
  TRunResult result;
  result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.Out = ReadText(dir.File("out"));
  result.Err = ReadText(dir.File("err"));
  return result;
}

}  // namespace lr::test
