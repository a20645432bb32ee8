// lavarumble-master: the command line, the open-file limit, the log on stderr, and the loop
// that runs the master server until SIGINT or SIGTERM.
#include <CLI/CLI.hpp>

#include <charconv>
#include <csignal>
#include <cstdint>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "master/FileLimit.h"
#include "master/MasterServer.h"
#include "net/WireTable.h"

#ifndef LR_VERSION
#define LR_VERSION "unknown"
#endif

namespace {

using lr::TMasterOptions;

constexpr int kExitCannotListen = 1;
constexpr int kExitBadArguments = 2;
// How long the loop sleeps at most: a stop request is seen within this.
constexpr int kLoopWaitMs = 100;

// The one thing a signal handler may touch: set by SIGINT and SIGTERM, read by the loop.
volatile std::sig_atomic_t StopRequested = 0;

void RequestStop(int) { StopRequested = 1; }

// Every numeric limit of the command line, with its range; the defaults are the options'.
struct TLimitOption {
  const char* Name;
  const char* Help;
  int64_t Min, Max;
  int64_t (*Get)(const TMasterOptions&);
  void (*Set)(TMasterOptions&, int64_t);
};

int64_t Secs(std::chrono::milliseconds ms) { return ms.count() / 1000; }

const TLimitOption kLimits[] = {
    {"--port", "TCP port to listen on (0: one the system picks)", 0, 65535,
     [](const TMasterOptions& o) -> int64_t { return o.Port; },
     [](TMasterOptions& o, int64_t v) { o.Port = static_cast<uint16_t>(v); }},
    {"--max-connections", "Most connections at once; the open-file limit is raised to fit", 1, 1'000'000,
     [](const TMasterOptions& o) -> int64_t { return o.MaxConnections; },
     [](TMasterOptions& o, int64_t v) { o.MaxConnections = static_cast<int>(v); }},
    {"--max-per-address", "Most connections from one IPv4 address", 1, 1'000'000,
     [](const TMasterOptions& o) -> int64_t { return o.MaxPerAddress; },
     [](TMasterOptions& o, int64_t v) { o.MaxPerAddress = static_cast<int>(v); }},
    {"--max-games", "Most games hosted at once", 1, 65535,
     [](const TMasterOptions& o) -> int64_t { return o.MaxGames; },
     [](TMasterOptions& o, int64_t v) { o.MaxGames = static_cast<int>(v); }},
    {"--login-time", "Seconds from connecting to a good login", 1, 3600,
     [](const TMasterOptions& o) { return Secs(o.LoginTime); },
     [](TMasterOptions& o, int64_t v) { o.LoginTime = std::chrono::seconds(v); }},
    {"--ping-interval", "Seconds between two pings of a player", 1, 3600,
     [](const TMasterOptions& o) { return Secs(o.PingInterval); },
     [](TMasterOptions& o, int64_t v) { o.PingInterval = std::chrono::seconds(v); }},
    {"--ping-timeout", "Seconds without an answer to any ping before the connection is closed", 1, 86400,
     [](const TMasterOptions& o) { return Secs(o.PingTimeout); },
     [](TMasterOptions& o, int64_t v) { o.PingTimeout = std::chrono::seconds(v); }},
    {"--chat-lines", "Lobby chat lines a player may send within --chat-seconds; more are dropped", 1, 1000,
     [](const TMasterOptions& o) -> int64_t { return o.ChatLines; },
     [](TMasterOptions& o, int64_t v) { o.ChatLines = static_cast<int>(v); }},
    {"--chat-seconds", "The window of --chat-lines, in seconds", 1, 3600,
     [](const TMasterOptions& o) { return Secs(o.ChatWindow); },
     [](TMasterOptions& o, int64_t v) { o.ChatWindow = std::chrono::seconds(v); }},
    {"--max-messages", "Messages of any kind a connection may send in a second; more closes it", 1, 1'000'000,
     [](const TMasterOptions& o) -> int64_t { return o.MessagesPerSecond; },
     [](TMasterOptions& o, int64_t v) { o.MessagesPerSecond = static_cast<int>(v); }},
    {"--send-queue", "Bytes waiting for a slow reader before its connection is closed", 4096, 64 << 20,
     [](const TMasterOptions& o) -> int64_t { return static_cast<int64_t>(o.SendQueueBytes); },
     [](TMasterOptions& o, int64_t v) { o.SendQueueBytes = static_cast<size_t>(v); }},
};

bool ParseWhole(const std::string& text, int64_t min, int64_t max, int64_t& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc() && ptr == end && value >= min && value <= max;
}

std::string Timestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%SZ", &utc);
  return text;
}

// Descriptors beside the connections: the listener, the standard streams, and connections
// still handing their last bytes to a peer after they were closed.
uint64_t SpareFiles(int connections) { return 64 + static_cast<uint64_t>(connections) / 16; }

}  // namespace

int main(int argc, char** argv) {
  TMasterOptions options;
  const TMasterOptions defaults;
  CLI::App app{"The master server of Lava Rumble's online lobby: players online, the lobby chat, the hosted "
               "games and their pings.",
               "lavarumble-master"};
  bool quiet = false;
  app.add_option("--bind", options.BindAddress,
                 "IPv4 address to listen on (default " + defaults.BindAddress + ": all)");
  std::vector<std::string> words(std::size(kLimits));
  for (size_t i = 0; i < std::size(kLimits); ++i)
    app.add_option(kLimits[i].Name, words[i],
                   std::string(kLimits[i].Help) + " (default " + std::to_string(kLimits[i].Get(defaults)) + ")");
  app.add_flag("--quiet", quiet, "No log line per connection event; only start, stop and problems");
  app.set_version_flag("--version", std::string("lavarumble-master ") + LR_VERSION, "Print the version and exit");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "lavarumble-master: " << e.what() << " (see --help)\n";
    return kExitBadArguments;
  }
  for (size_t i = 0; i < std::size(kLimits); ++i) {
    if (!app.count(kLimits[i].Name)) continue;
    int64_t value = 0;
    if (!ParseWhole(words[i], kLimits[i].Min, kLimits[i].Max, value)) {
      std::cerr << "lavarumble-master: " << kLimits[i].Name << ": expected a whole number from " << kLimits[i].Min
                << " to " << kLimits[i].Max << ", got '" << words[i] << "'\n";
      return kExitBadArguments;
    }
    kLimits[i].Set(options, value);
  }

  // A newcomer's welcome (everyone online, then the whole game list) goes out in one piece.
  const uint64_t welcome = static_cast<uint64_t>(options.MaxConnections) * lr::kMasterToGame.Find(9)->Length +
                           lr::kMasterToGame.Find(10)->Length +
                           static_cast<uint64_t>(options.MaxGames) * lr::kMasterToGame.Find(5)->Length;
  if (options.SendQueueBytes < welcome) {
    std::cerr << "lavarumble-master: --send-queue " << options.SendQueueBytes << " cannot hold a newcomer's welcome of "
              << welcome << " bytes (" << options.MaxConnections << " players and " << options.MaxGames
              << " games): give at least that\n";
    return kExitBadArguments;
  }

  // Every connection is a descriptor: ask for enough, or say what the system allows.
  const uint64_t wanted = static_cast<uint64_t>(options.MaxConnections) + SpareFiles(options.MaxConnections);
  const lr::TFileLimit files = lr::RaiseOpenFileLimit(wanted);
  if (files.Now > 0 && files.Now < wanted) {  // 0: the system would not say
    const uint64_t spare = SpareFiles(options.MaxConnections);
    const int fit = files.Now > spare + 1 ? static_cast<int>(files.Now - spare) : 1;
    std::cerr << "lavarumble-master: the system allows " << files.Now << " open files (hard limit " << files.Hard
              << "), so at most " << fit << " connections instead of " << options.MaxConnections
              << " (raise it with LimitNOFILE= in a service, ulimit -Hn in a shell)\n";
    options.MaxConnections = fit;
  }

  const lr::TMasterLog log = [quiet](const std::string& line) {
    if (!quiet) std::cerr << Timestamp() << " " << line << "\n";
  };
  lr::TNetService net;
  lr::TMasterServer server(net, options, log);
  std::string error;
  if (!server.Start(error)) {
    std::cerr << "lavarumble-master: " << error << "\n";
    return kExitCannotListen;
  }
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);  // a peer gone mid-send is a closed connection, not the end

  std::cerr << Timestamp() << " lavarumble-master: listening on " << options.BindAddress << ":" << server.Port()
            << " (at most " << options.MaxConnections << " connections, " << options.MaxPerAddress
            << " from one address, " << options.MaxGames << " games)" << std::endl;
  while (!StopRequested) server.Step(kLoopWaitMs);
  const lr::TMasterStats stats = server.Stats();
  server.Stop();
  std::cerr << Timestamp() << " lavarumble-master: stopped (open connections closed: " << stats.Connections
            << ", players: " << stats.Players << ", games: " << stats.Games << ")" << std::endl;
  return 0;
}
