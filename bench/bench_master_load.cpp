// The master server under load: the real server in a child process, driven over loopback by
// N scripted lobby clients (log in, chat at a steady rate, host, refresh, join, answer pings),
// optionally beside slowloris connections and flooders; or a run with the default limit of
// connections from one address. Reports login time, chat fan-out latency from send to
// arrival at every other client, and the server's CPU time and resident memory.
// Every loop is bounded in count and time; traffic goes to 127.0.0.1 only.
// Usage: bench_master_load [--clients N] [--seconds S] [--chat-rate R]
//                          [--attack [--slowloris N] [--flooders N] [--flood both|garbage|chat]]
//        bench_master_load --limit-check
//
// [SECTION] Arguments and figures
// [SECTION] The server in a child process
// [SECTION] Clients and the event loop
// [SECTION] Runs
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "master/FileLimit.h"
#include "master/MasterServer.h"
#include "net/WireCodec.h"
#include "net/WireFramer.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// [SECTION] Arguments and figures

struct TArgs {
  int Clients = 1000;
  int Seconds = 10;      // the chat phase
  int ChatRate = 20;     // lobby lines a second, all clients together
  bool Attack = false;
  int Slowloris = 200;   // a byte every few seconds, never a whole login
  int Flooders = 50;     // half garbage, half chat at the highest rate
  std::string Flood = "both";  // or only "garbage", or only "chat"
  bool LimitCheck = false;
};

bool ParseArgs(int argc, char** argv, TArgs& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto number = [&](int& out, int min, int max) {
      if (i + 1 >= argc) return false;
      out = std::atoi(argv[++i]);
      return out >= min && out <= max;
    };
    if (arg == "--clients" && number(args.Clients, 2, 20000)) continue;
    if (arg == "--seconds" && number(args.Seconds, 1, 300)) continue;
    if (arg == "--chat-rate" && number(args.ChatRate, 1, 1000)) continue;
    if (arg == "--slowloris" && number(args.Slowloris, 0, 5000)) continue;
    if (arg == "--flooders" && number(args.Flooders, 0, 1000)) continue;
    if (arg == "--attack") { args.Attack = true; continue; }
    if (arg == "--flood" && i + 1 < argc) { args.Flood = argv[++i]; continue; }
    if (arg == "--limit-check") { args.LimitCheck = true; continue; }
    std::fprintf(stderr, "bench_master_load: bad argument '%s'\n", arg.c_str());
    return false;
  }
  return true;
}

double Percentile(std::vector<int64_t>& values, double p) {
  if (values.empty()) return 0;
  const size_t at = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
  return static_cast<double>(values[at]) / 1e6;
}

double Max(const std::vector<int64_t>& values) {
  return values.empty() ? 0 : static_cast<double>(*std::max_element(values.begin(), values.end())) / 1e6;
}

// [SECTION] The server in a child process

volatile sig_atomic_t ChildStop = 0;
void ChildOnTerm(int) { ChildStop = 1; }

class TServerProcess {
 public:
  explicit TServerProcess(const lr::TMasterOptions& options) {
    int portPipe[2], statsPipe[2];
    if (::pipe(portPipe) != 0 || ::pipe(statsPipe) != 0) return;
    Pid = ::fork();
    if (Pid == 0) {
      ::close(portPipe[0]);
      ::close(statsPipe[0]);
      struct sigaction action {};
      action.sa_handler = ChildOnTerm;
      ::sigaction(SIGTERM, &action, nullptr);
      lr::TNetService net;
      lr::TMasterServer server(net, options);
      std::string error;
      uint16_t port = 0;
      if (server.Start(error)) port = server.Port();
      (void)!::write(portPipe[1], &port, sizeof port);
      // Bounded: the parent stops it; a parent that died leaves it at most 15 minutes.
      const auto end = Clock::now() + std::chrono::minutes(15);
      while (!ChildStop && port != 0 && Clock::now() < end) server.Step(100);
      const lr::TMasterStats s = server.Stats();
      server.Stop();
      std::ostringstream text;
      text << "accepted " << s.Accepted << ", turned away " << s.Refused << ", logins refused " << s.LoginsRefused
           << ", protocol errors " << s.ProtocolErrors << ", timed out " << s.TimedOut << ", slow readers "
           << s.SlowReaders << ", flooders " << s.Flooders << ", chat lines dropped " << s.ChatDropped;
      const std::string out = text.str();
      (void)!::write(statsPipe[1], out.data(), out.size());
      ::_exit(0);
    }
    ::close(portPipe[1]);
    ::close(statsPipe[1]);
    StatsFd = statsPipe[0];
    (void)!::read(portPipe[0], &Port, sizeof Port);
    ::close(portPipe[0]);
  }

  // The server's user + system CPU seconds so far.
  double CpuSeconds() const {
    std::ifstream in("/proc/" + std::to_string(Pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
      if (i == 14 || i == 15) ticks += std::atol(field.c_str());
    return static_cast<double>(ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
  }
  // A "VmRSS" or "VmHWM" line of the server's status, in KiB.
  long MemoryKb(const char* key) const {
    std::ifstream in("/proc/" + std::to_string(Pid) + "/status");
    for (std::string line; std::getline(in, line);)
      if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key) + 1);
    return 0;
  }

  // SIGTERM, then waits (at most 10 s) for the end: its seconds and the server's counts.
  std::string Stop(double& seconds) {
    const int64_t start = NowNs();
    ::kill(Pid, SIGTERM);
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 1000 && !ended; ++i) {
      ended = ::waitpid(Pid, &status, WNOHANG) == Pid;
      if (!ended) ::usleep(10'000);
    }
    seconds = static_cast<double>(NowNs() - start) / 1e9;
    if (!ended) {
      ::kill(Pid, SIGKILL);
      ::waitpid(Pid, &status, 0);
      return "did not end within 10 s";
    }
    char buffer[1024] = {};
    const ssize_t count = ::read(StatsFd, buffer, sizeof buffer - 1);
    ::close(StatsFd);
    return count > 0 ? std::string(buffer, static_cast<size_t>(count)) : "no counts";
  }

  pid_t Pid = -1;
  uint16_t Port = 0;

 private:
  int StatsFd = -1;
};

// [SECTION] Clients and the event loop

enum class TKind { Player, Slowloris, Garbage, ChatFlood };

struct TClient {
  TKind Kind = TKind::Player;
  int Index = 0;
  std::string Name;
  int Fd = -1;
  bool Connecting = false;
  bool LoggedIn = false;
  bool TurnedAway = false;  // told "Too many connections..." and closed
  int64_t StartNs = 0, LoginNs = 0;
  int64_t NextNs = 0;  // an attacker's next move
  size_t SlowByte = 0;
  int Sessions = 0;
  lr::TStreamFramer Framer{lr::kMasterToGame};
};

struct TCounts {
  uint64_t Messages = 0, Joins = 0, Lists = 0, Pings = 0, ChatSent = 0, Closed = 0, Sessions = 0;
};

class TLoad {
 public:
  TLoad(uint16_t port, int expectedSamples) : Port(port), Epoll(::epoll_create1(0)) {
    Latencies.reserve(static_cast<size_t>(expectedSamples));
  }
  ~TLoad() {
    for (TClient& client : Clients) Close(client);
    ::close(Epoll);
  }

  std::vector<TClient> Clients;
  std::vector<int64_t> Latencies;  // chat send to arrival, ns, at every client but the sender
  std::map<int64_t, int64_t> FirstArrival;  // per line (by its send time): the earliest arrival
  std::vector<int64_t> LoginTimes;
  std::vector<uint16_t> GameIds;
  TCounts Counts;

  void Open(TClient& client) {
    client.Fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (client.Fd < 0) return;
    const int one = 1;
    ::setsockopt(client.Fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(Port);
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    client.StartNs = NowNs();
    client.Connecting = true;
    client.LoggedIn = false;
    client.SlowByte = 0;
    client.Framer = lr::TStreamFramer(lr::kMasterToGame);
    ++client.Sessions;
    ++Counts.Sessions;
    ::connect(client.Fd, reinterpret_cast<sockaddr*>(&server), sizeof server);
    epoll_event event{};
    event.events = EPOLLIN | EPOLLOUT;
    event.data.u32 = static_cast<uint32_t>(&client - Clients.data());
    ::epoll_ctl(Epoll, EPOLL_CTL_ADD, client.Fd, &event);
  }

  void Close(TClient& client) {
    if (client.Fd < 0) return;
    ::close(client.Fd);
    client.Fd = -1;
    client.LoggedIn = false;
    ++Counts.Closed;
  }

  // All or nothing: a player's messages are small, and a flooder's are worth nothing whole.
  bool Send(TClient& client, const std::vector<uint8_t>& bytes) {
    if (client.Fd < 0) return false;
    const ssize_t sent = ::send(client.Fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    return sent == static_cast<ssize_t>(bytes.size());
  }

  // One round of the event loop: waits up to `ms`.
  void Poll(int ms) {
    epoll_event events[512];
    const int count = ::epoll_wait(Epoll, events, 512, ms);
    for (int i = 0; i < count; ++i) {
      TClient& client = Clients[events[i].data.u32];
      if (client.Fd < 0) continue;
      if (client.Connecting && (events[i].events & (EPOLLOUT | EPOLLERR | EPOLLHUP))) Connected(client);
      if (client.Fd >= 0 && (events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR))) Readable(client);
    }
  }

 private:
  void Connected(TClient& client) {
    client.Connecting = false;
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u32 = static_cast<uint32_t>(&client - Clients.data());
    ::epoll_ctl(Epoll, EPOLL_CTL_MOD, client.Fd, &event);
    switch (client.Kind) {
      case TKind::Player:
      case TKind::ChatFlood:
        Send(client, lr::Encode(lr::TLobbyLogin{.PlayerName = client.Name}));
        break;
      case TKind::Garbage: {
        std::vector<uint8_t> junk(4096);
        for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<uint8_t>(0xF0 | (i * 7));
        Send(client, junk);
        break;
      }
      case TKind::Slowloris:
        break;
    }
  }

  void Readable(TClient& client) {
    uint8_t buffer[16384];
    for (int piece = 0; piece < 64; ++piece) {
      const ssize_t count = ::recv(client.Fd, buffer, sizeof buffer, 0);
      if (count == 0 || (count < 0 && errno != EAGAIN && errno != EINTR)) {
        Close(client);
        return;
      }
      if (count < 0) return;
      const int64_t now = NowNs();
      client.Framer.Append(buffer, static_cast<size_t>(count));
      while (const auto frame = client.Framer.Next()) Message(client, *frame, now);
      if (count < static_cast<ssize_t>(sizeof buffer)) return;
    }
  }

  void Message(TClient& client, const lr::TWireFrame& frame, int64_t now) {
    ++Counts.Messages;
    switch (frame.Code()) {
      case 3: {
        const auto line = lr::Decode<lr::TLobbyChatLine>(frame.Bytes());
        if (!client.LoggedIn && line->Text.rfind("Too many connections", 0) == 0) client.TurnedAway = true;
        // "B12> 123456789": the sender's index and the moment it sent, in ns.
        const size_t mark = line->Text.find("> ");
        if (client.Kind == TKind::Player && line->Text.rfind("B", 0) == 0 && mark != std::string::npos &&
            line->Text.compare(0, mark, client.Name) != 0)
        {
          const int64_t sent = std::atoll(line->Text.c_str() + mark + 2);
          Latencies.push_back(now - sent);
          auto [first, fresh] = FirstArrival.try_emplace(sent, now - sent);
          if (!fresh) first->second = std::min(first->second, now - sent);
        }
        break;
      }
      case 5:
        if (client.Index == 0) GameIds.push_back(lr::Decode<lr::TLobbyGameEntry>(frame.Bytes())->GameId);
        break;
      case 7:
        ++Counts.Joins;
        break;
      case 10:
        ++Counts.Lists;
        if (client.Index == 0) GameIds.clear();
        if (!client.LoggedIn && client.Kind == TKind::Player) {
          client.LoggedIn = true;
          client.LoginNs = now;
          LoginTimes.push_back(now - client.StartNs);
        }
        client.LoggedIn = true;
        break;
      case 12:
        ++Counts.Pings;
        Send(client, lr::Encode(lr::TLobbyPong{.Opaque = lr::Decode<lr::TLobbyPing>(frame.Bytes())->Opaque}));
        break;
      default:
        break;
    }
  }

  uint16_t Port;
  int Epoll;
};

// [SECTION] Runs

void Print(const char* what, const std::string& value) { std::printf("  %-44s %s\n", what, value.c_str()); }
std::string Fmt(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// Logs in `count` players (at most 256 connecting at once), bounded by `seconds`.
bool LogInAll(TLoad& load, int count, int seconds) {
  const int64_t deadline = NowNs() + int64_t{seconds} * 1'000'000'000;
  int opened = 0;
  for (int round = 0; round < 10'000'000 && NowNs() < deadline; ++round) {
    int pending = 0, done = 0;
    for (int i = 0; i < opened; ++i) {
      if (load.Clients[static_cast<size_t>(i)].LoggedIn) ++done;
      else if (load.Clients[static_cast<size_t>(i)].Fd >= 0) ++pending;
    }
    if (done == count) return true;
    while (opened < count && pending < 256) {
      load.Open(load.Clients[static_cast<size_t>(opened++)]);
      ++pending;
    }
    load.Poll(5);
  }
  return false;
}

// The attackers, in a process of their own so that their work never delays the players'
// reads. Each comes back when the server closes it, at a random phase so they do not all
// come at once: garbage after 0.2 s, slowloris after 1 s, chat flooders after 5 s. Ends after
// `seconds`; returns the number of connections made through `out`.
pid_t StartAttackers(const TArgs& args, uint16_t port, int seconds, int& out) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid != 0) {
    ::close(pipeFds[1]);
    out = pipeFds[0];
    return pid;
  }
  ::close(pipeFds[0]);
  const int count = args.Slowloris + args.Flooders;
  TLoad load(port, 0);
  load.Clients.resize(static_cast<size_t>(count));
  std::mt19937 random(777);
  const int64_t start = NowNs();
  for (int a = 0; a < count; ++a) {
    TClient& attacker = load.Clients[static_cast<size_t>(a)];
    attacker.Index = -1;
    attacker.Name = "F" + std::to_string(a);
    const bool garbage = args.Flood == "garbage" || (args.Flood == "both" && (a - args.Slowloris) % 2 == 0);
    attacker.Kind = a < args.Slowloris ? TKind::Slowloris : garbage ? TKind::Garbage : TKind::ChatFlood;
    attacker.NextNs = start + static_cast<int64_t>(random() % 5'000'000'000ULL);
  }
  const int64_t end = start + int64_t{seconds} * 1'000'000'000;
  for (int round = 0; round < 100'000'000 && NowNs() < end; ++round) {
    const int64_t now = NowNs();
    for (TClient& attacker : load.Clients) {
      if (attacker.NextNs > now) continue;
      if (attacker.Fd < 0) {  // closed by the server (or not yet opened): come back
        if (attacker.Sessions < 1000) load.Open(attacker);
        const int64_t pause = attacker.Kind == TKind::ChatFlood   ? 5'000'000'000
                              : attacker.Kind == TKind::Slowloris ? 1'000'000'000
                                                                  : 200'000'000;
        attacker.NextNs = now + pause / 2 + static_cast<int64_t>(random() % static_cast<uint64_t>(pause));
        continue;
      }
      if (attacker.Connecting) continue;
      if (attacker.Kind == TKind::Slowloris) {
        const std::vector<uint8_t> login = lr::Encode(lr::TLobbyLogin{.PlayerName = attacker.Name});
        if (attacker.SlowByte < login.size() - 1) load.Send(attacker, {login[attacker.SlowByte++]});
        attacker.NextNs = now + 3'000'000'000;
      } else if (attacker.Kind == TKind::ChatFlood && attacker.LoggedIn) {
        // As fast as the socket takes them, 200 lines a round at most.
        const std::vector<uint8_t> line = lr::Encode(lr::TLobbySay{.Text = attacker.Name + "> flood"});
        for (int i = 0; i < 200 && load.Send(attacker, line); ++i) {
        }
      }
    }
    load.Poll(1);
  }
  const uint64_t sessions = load.Counts.Sessions;
  (void)!::write(pipeFds[1], &sessions, sizeof sessions);
  ::_exit(0);
}

int RunLoad(const TArgs& args) {
  const int attackers = args.Attack ? args.Slowloris + args.Flooders : 0;
  lr::TMasterOptions options;
  options.BindAddress = "127.0.0.1";
  options.Port = 0;
  options.MaxConnections = std::max(options.MaxConnections, args.Clients + attackers + 64);
  // Every generated client comes from 127.0.0.1: the per-address limit is lifted for this run.
  options.MaxPerAddress = options.MaxConnections;
  lr::RaiseOpenFileLimit(static_cast<uint64_t>(options.MaxConnections) * 2 + 256);
  TServerProcess server(options);
  if (server.Port == 0) {
    std::fprintf(stderr, "bench_master_load: the server did not start\n");
    return 1;
  }
  const long baseKb = server.MemoryKb("VmRSS:");
  const size_t samples = static_cast<size_t>(args.ChatRate) * static_cast<size_t>(args.Seconds) *
                         static_cast<size_t>(args.Clients);
  TLoad load(server.Port, static_cast<int>(std::min<size_t>(samples + 1024, 50'000'000)));
  load.Clients.resize(static_cast<size_t>(args.Clients));
  for (int i = 0; i < args.Clients; ++i) {
    load.Clients[static_cast<size_t>(i)].Index = i;
    load.Clients[static_cast<size_t>(i)].Name = "B" + std::to_string(i);
  }

  std::printf("master server load: %d clients over loopback%s\n", args.Clients,
              args.Attack ? (", with " + std::to_string(args.Slowloris) + " slowloris connections and " +
                             std::to_string(args.Flooders) + " flooders (" + args.Flood + ")")
                                .c_str()
                          : "");
  // Login.
  const double cpu0 = server.CpuSeconds();
  const int64_t loginStart = NowNs();
  const bool all = LogInAll(load, args.Clients, 180);
  const double loginSeconds = static_cast<double>(NowNs() - loginStart) / 1e9;
  const double cpuLogin = server.CpuSeconds() - cpu0;
  const long loggedKb = server.MemoryKb("VmRSS:");
  Print("logged in", std::to_string(load.LoginTimes.size()) + " of " + std::to_string(args.Clients) +
                         (all ? "" : " (gave up after 180 s)"));
  Print("login time for all", Fmt("%.2f s", loginSeconds));
  Print("one login, connect to list: p50 / p99 / max", Fmt("%.1f", Percentile(load.LoginTimes, 0.5)) + " / " +
                                                            Fmt("%.1f", Percentile(load.LoginTimes, 0.99)) + " / " +
                                                            Fmt("%.1f ms", Max(load.LoginTimes)));
  Print("server CPU during the logins", Fmt("%.2f s", cpuLogin));
  Print("server memory: at start, all logged in",
        std::to_string(baseKb) + " KiB, " + std::to_string(loggedKb) + " KiB");
  Print("server memory per connection",
        Fmt("%.1f KiB", static_cast<double>(loggedKb - baseKb) / std::max(1, args.Clients)));

  // The steady phase: chat, hosting, refreshes, joins; the attackers beside.
  std::mt19937 random(12345);
  const int hosts = std::max(1, args.Clients / 100);
  for (int h = 0; h < hosts; ++h)
    load.Send(load.Clients[static_cast<size_t>(1 + h % (args.Clients - 1))],
              lr::Encode(lr::TLobbyHostGame{.GameName = "Bench game " + std::to_string(h), .MaxPlayers = 8}));
  int attackPipe = -1;
  const pid_t attackPid = args.Attack ? StartAttackers(args, server.Port, args.Seconds, attackPipe) : -1;
  load.Latencies.clear();
  load.FirstArrival.clear();
  const double cpu1 = server.CpuSeconds();
  const int64_t start = NowNs();
  const int64_t end = start + int64_t{args.Seconds} * 1'000'000'000;
  const int64_t chatEvery = 1'000'000'000 / args.ChatRate;
  const int64_t otherEvery = 200'000'000;  // a refresh and a join five times a second
  int64_t nextChat = start, nextOther = start;
  long peakKb = 0;
  int64_t nextMemory = start;
  for (int round = 0; round < 100'000'000 && NowNs() < end; ++round) {
    const int64_t now = NowNs();
    while (nextChat <= now) {
      TClient& sender = load.Clients[random() % static_cast<size_t>(args.Clients)];
      if (sender.LoggedIn &&
          load.Send(sender, lr::Encode(lr::TLobbySay{.Text = sender.Name + "> " + std::to_string(NowNs())})))
        ++load.Counts.ChatSent;
      nextChat += chatEvery;
    }
    while (nextOther <= now) {
      load.Send(load.Clients[random() % static_cast<size_t>(args.Clients)], lr::Encode(lr::TLobbyRefresh{}));
      const uint16_t id = load.GameIds.empty() ? 1 : load.GameIds[random() % load.GameIds.size()];
      load.Send(load.Clients[random() % static_cast<size_t>(args.Clients)],
                lr::Encode(lr::TLobbyJoinRequest{.GameId = id}));
      nextOther += otherEvery;
    }
    load.Poll(1);
    if (now >= nextMemory) {
      peakKb = std::max(peakKb, server.MemoryKb("VmRSS:"));
      nextMemory = now + 250'000'000;
    }
  }
  // The last lines in flight arrive (3 s at most).
  const size_t expected = load.Counts.ChatSent * static_cast<uint64_t>(args.Clients - 1);
  for (int round = 0; round < 3000 && load.Latencies.size() < expected; ++round) load.Poll(1);
  const double seconds = static_cast<double>(NowNs() - start) / 1e9;
  const double cpuChat = server.CpuSeconds() - cpu1;
  const size_t latencySamples = load.Latencies.size();
  const double p50 = Percentile(load.Latencies, 0.5), p99 = Percentile(load.Latencies, 0.99);
  int stillLoggedIn = 0;
  for (const TClient& client : load.Clients) stillLoggedIn += client.LoggedIn ? 1 : 0;

  Print("steady phase", Fmt("%.1f s", seconds) + ", " + std::to_string(hosts) + " games hosted, " +
                            std::to_string(load.Counts.ChatSent) + " lines sent");
  Print("chat fan-out samples (line x other client)",
        std::to_string(latencySamples) + " (expected " + std::to_string(expected) + ")");
  Print("chat latency p50 / p99 / max",
        Fmt("%.2f", p50) + " / " + Fmt("%.2f", p99) + " / " + Fmt("%.2f ms", Max(load.Latencies)) +
            (p99 < 20 ? "  (p99 under 20 ms)" : "  (p99 NOT under 20 ms)"));
  std::vector<int64_t> first;
  for (const auto& [sent, latency] : load.FirstArrival) first.push_back(latency);
  Print("first arrival of each line p50 / p99",
        Fmt("%.2f", Percentile(first, 0.5)) + " / " + Fmt("%.2f ms", Percentile(first, 0.99)));
  Print("join answers, lists, pings answered", std::to_string(load.Counts.Joins) + ", " +
                                                    std::to_string(load.Counts.Lists) + ", " +
                                                    std::to_string(load.Counts.Pings));
  Print("players still logged in", std::to_string(stillLoggedIn) + " of " + std::to_string(args.Clients));
  Print("server CPU in the steady phase",
        Fmt("%.2f s", cpuChat) + Fmt(" (%.0f %% of a core)", 100 * cpuChat / seconds));
  Print("server memory: peak sampled, high-water",
        std::to_string(peakKb) + " KiB, " + std::to_string(server.MemoryKb("VmHWM:")) + " KiB");
  if (attackPid > 0) {
    uint64_t sessions = 0;
    (void)!::read(attackPipe, &sessions, sizeof sessions);
    ::close(attackPipe);
    ::waitpid(attackPid, nullptr, 0);
    Print("attacker connections made", std::to_string(sessions));
  }
  double stopSeconds = 0;
  const std::string counts = server.Stop(stopSeconds);
  Print("SIGTERM to exit", Fmt("%.3f s", stopSeconds));
  Print("server counts", counts);
  return 0;
}

// The default limit of connections from one address, with every client on 127.0.0.1.
int RunLimitCheck(int clients) {
  lr::TMasterOptions options;
  options.BindAddress = "127.0.0.1";
  options.Port = 0;
  TServerProcess server(options);
  if (server.Port == 0) return 1;
  TLoad load(server.Port, 0);
  load.Clients.resize(static_cast<size_t>(clients));
  for (int i = 0; i < clients; ++i) load.Clients[static_cast<size_t>(i)].Name = "B" + std::to_string(i);
  for (TClient& client : load.Clients) load.Open(client);
  const int64_t deadline = NowNs() + 20'000'000'000;
  auto settled = [&] {
    int done = 0;
    for (const TClient& client : load.Clients) done += client.LoggedIn || client.Fd < 0 ? 1 : 0;
    return done == clients;
  };
  for (int round = 0; round < 1'000'000 && NowNs() < deadline && !settled(); ++round) load.Poll(5);
  int in = 0, away = 0;
  for (const TClient& client : load.Clients) {
    in += client.LoggedIn ? 1 : 0;
    away += client.TurnedAway ? 1 : 0;
  }
  std::printf("default limit of connections from one address (%d), %d clients from 127.0.0.1:\n",
              options.MaxPerAddress, clients);
  Print("logged in", std::to_string(in));
  Print("told \"Too many connections...\" and closed", std::to_string(away));
  double stopSeconds = 0;
  Print("server counts", server.Stop(stopSeconds));
  return in == options.MaxPerAddress && away == clients - in ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  TArgs args;
  if (!ParseArgs(argc, argv, args)) return 2;
  std::signal(SIGPIPE, SIG_IGN);
  return args.LimitCheck ? RunLimitCheck(100) : RunLoad(args);
}
