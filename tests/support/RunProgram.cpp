// Process and file helpers for end-to-end tests.
#include "support/RunProgram.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

extern "C" char** environ;

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

TBackgroundProgram::TBackgroundProgram(const std::string& binary, const std::vector<std::string>& args,
                                       const std::string& workDir, const std::string& outFile,
                                       const std::string& errFile) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
  std::vector<char*> argv{const_cast<char*>(binary.c_str())};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ) == 0) Pid = pid;
  posix_spawn_file_actions_destroy(&actions);
}

TBackgroundProgram::~TBackgroundProgram() {
  if (Pid <= 0) return;
  ::kill(Pid, SIGKILL);
  int status = 0;
  waitpid(Pid, &status, 0);
}

int TBackgroundProgram::Wait(double seconds) {
  if (Pid <= 0) return -1;
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  int status = 0;
  while (true) {
    const pid_t done = waitpid(Pid, &status, WNOHANG);
    if (done == Pid) {
      Pid = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    if (std::chrono::steady_clock::now() >= end) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void TBackgroundProgram::Signal(int signal) {
  if (Pid > 0) ::kill(Pid, signal);
}

std::string WaitForText(const std::string& path, const std::string& text, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  std::string read;
  while (true) {
    read = ReadText(path);
    if (read.find(text) != std::string::npos || std::chrono::steady_clock::now() >= end) return read;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace lr::test
