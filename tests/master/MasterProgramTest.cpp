// The lavarumble-master program: its command line, its log on stderr, and a clean end on
// SIGTERM and SIGINT with a player online.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "master/ScriptedClient.h"
#include "net/WSockets.h"
#include "support/RunProgram.h"

namespace lr {
namespace {

// The program running with its stderr on a pipe the test reads line by line.
class TRunningMaster {
 public:
  // `files.rlim_cur` > 0: the program starts with this limit on open files.
  explicit TRunningMaster(const std::vector<std::string>& args, rlimit files = {0, 0}) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return;
    Pid = ::fork();
    if (Pid == 0) {
      if (files.rlim_cur > 0) ::setrlimit(RLIMIT_NOFILE, &files);
      ::dup2(pipeFds[1], STDERR_FILENO);
      ::close(pipeFds[0]);
      ::close(pipeFds[1]);
      std::vector<char*> argv{const_cast<char*>("lavarumble-master")};
      for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      ::execv(LR_MASTER_BINARY, argv.data());
      ::_exit(127);
    }
    ::close(pipeFds[1]);
    Err = pipeFds[0];
  }
  ~TRunningMaster() {
    if (Pid > 0 && !Ended) {
      ::kill(Pid, SIGKILL);
      ::waitpid(Pid, nullptr, 0);
    }
    if (Err >= 0) ::close(Err);
  }

  // Reads stderr until a line holds `part` (up to about 20 s); the whole text so far.
  bool WaitFor(const std::string& part) {
    for (int round = 0; round < 2000; ++round) {
      if (Text.find(part) != std::string::npos) return true;
      pollfd fd{Err, POLLIN, 0};
      if (::poll(&fd, 1, 10) > 0) {
        char buffer[4096];
        const ssize_t count = ::read(Err, buffer, sizeof buffer);
        if (count <= 0) return Text.find(part) != std::string::npos;
        Text.append(buffer, static_cast<size_t>(count));
      }
    }
    return Text.find(part) != std::string::npos;
  }

  // Waits (up to about 20 s) for the program to end; its exit code, or -1.
  int WaitForExit() {
    for (int round = 0; round < 2000; ++round) {
      int status = 0;
      if (::waitpid(Pid, &status, WNOHANG) == Pid) {
        Ended = true;
        WaitFor("\x01");  // the rest of stderr, to its end
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

  pid_t Pid = -1;
  int Err = -1;
  bool Ended = false;
  std::string Text;
};

uint16_t PortIn(const std::string& text) {
  const std::string mark = "listening on 127.0.0.1:";
  const size_t at = text.find(mark);
  return at == std::string::npos ? 0 : static_cast<uint16_t>(std::atoi(text.c_str() + at + mark.size()));
}

bool ReadUntil(test::TScriptedClient& client, const std::function<bool()>& done) {
  for (int round = 0; round < 2000 && !done(); ++round) {
    client.Read();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

TEST(MasterProgram, EndsCleanlyOnEitherSignalWithAPlayerOnline) {
  struct TCase {
    int Signal;
    bool Quiet;
  };
  for (const TCase c : {TCase{SIGTERM, false}, TCase{SIGINT, true}}) {
    SCOPED_TRACE(c.Signal);
    std::vector<std::string> args{"--bind", "127.0.0.1", "--port", "0", "--max-connections", "64"};
    if (c.Quiet) args.push_back("--quiet");
    TRunningMaster master(args);
    ASSERT_TRUE(master.WaitFor("(at most 64 connections, 16 from one address, 1024 games)\n")) << master.Text;
    const uint16_t port = PortIn(master.Text);
    ASSERT_NE(port, 0);
    test::TScriptedClient client(port);
    client.Send(TLobbyLogin{.PlayerName = "Ann"});
    ASSERT_TRUE(ReadUntil(client, [&] { return client.Got("10"); }));
    if (!c.Quiet) {
      EXPECT_TRUE(master.WaitFor("127.0.0.1 login \"Ann\"\n")) << master.Text;
    }
    ::kill(master.Pid, c.Signal);
    EXPECT_EQ(master.WaitForExit(), 0);
    EXPECT_NE(master.Text.find("lavarumble-master: stopped (open connections closed: 1, players: 1, games: 0)"),
              std::string::npos)
        << master.Text;
    EXPECT_EQ(master.Text.find("connect\n") == std::string::npos, c.Quiet) << master.Text;
    EXPECT_TRUE(ReadUntil(client, [&] { return client.Closed; }));
  }
}

TEST(MasterProgram, RaisesItsOpenFileLimitOrSaysWhatTheSystemAllows) {
  rlimit own{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &own), 0);
  // Room for 64 connections needs 64 + 68 descriptors: from a soft limit of 100 it is raised
  // when the hard limit allows; with 100 as the hard limit too, 32 connections fit.
  if (own.rlim_max == RLIM_INFINITY || own.rlim_max >= 200) {
    TRunningMaster raised({"--bind", "127.0.0.1", "--port", "0", "--max-connections", "64"}, {100, own.rlim_max});
    ASSERT_TRUE(raised.WaitFor("(at most 64 connections,")) << raised.Text;
    EXPECT_EQ(raised.Text.find("the system allows"), std::string::npos) << raised.Text;
  }
  TRunningMaster capped({"--bind", "127.0.0.1", "--port", "0", "--max-connections", "64"}, {100, 100});
  ASSERT_TRUE(capped.WaitFor("(at most 32 connections,")) << capped.Text;
  EXPECT_NE(capped.Text.find("lavarumble-master: the system allows 100 open files (hard limit 100), so at most 32 "
                             "connections instead of 64 (raise it with LimitNOFILE= in a service, ulimit -Hn in a "
                             "shell)\n"),
            std::string::npos)
      << capped.Text;
  ::kill(capped.Pid, SIGTERM);
  EXPECT_EQ(capped.WaitForExit(), 0);
}

TEST(MasterProgram, HelpGivesEveryLimitsDefaultAndABadNumberOneLine) {
  test::TTempDir dir;
  const std::string out = dir.File("out");
  const auto run = [&](const std::string& args) {
    const int status = std::system((std::string(LR_MASTER_BINARY) + " " + args + " >" + out + " 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  ASSERT_EQ(run("--help"), 0);
  const std::string help = test::ReadText(out);
  for (const char* option :
       {"--bind", "--port", "--max-connections", "--max-per-address", "--max-games", "--login-time", "--ping-interval",
        "--ping-timeout", "--chat-lines", "--chat-seconds", "--max-messages", "--send-queue", "--quiet"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
  for (const char* value : {"(default 0.0.0.0: all)", "(default 8888)", "(default 4096)", "(default 16)",
                            "(default 1024)", "(default 10)", "(default 5)", "(default 30)", "(default 2)",
                            "(default 40)", "(default 262144)"})
    EXPECT_NE(help.find(value), std::string::npos) << value;

  EXPECT_EQ(run("--max-games 0"), 2);
  EXPECT_EQ(test::ReadText(out), "lavarumble-master: --max-games: expected a whole number from 1 to 65535, got '0'\n");
  EXPECT_EQ(run("--port 65536"), 2);
  EXPECT_EQ(run("--send-queue 100000"), 2);
  EXPECT_EQ(test::ReadText(out), "lavarumble-master: --send-queue 100000 cannot hold a newcomer's welcome of 155649 "
                                 "bytes (4096 players and 1024 games): give at least that\n");
  // A port another listener holds.
  TNetService net;
  TTCPServer holder(net);
  holder.BindAddress = "127.0.0.1";
  holder.Port = "0";
  holder.Open();
  const std::string taken = std::to_string(holder.LocalPort());
  EXPECT_EQ(run("--bind 127.0.0.1 --port " + taken + " --max-connections 8"), 1);
  EXPECT_EQ(test::ReadText(out),
            "lavarumble-master: cannot listen on 127.0.0.1:" + taken + ": Address already in use\n");
}

}  // namespace
}  // namespace lr
