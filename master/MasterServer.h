// TMasterServer: the lobby's master server (players online, lobby chat, hosted games, pings)
// on the socket layer, and TMasterOptions, every limit it keeps with its default.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "net/NetService.h"

namespace lr {

using TMasterTime = std::chrono::steady_clock::time_point;
using TMasterClock = std::function<TMasterTime()>;
// One line per connection event, without a line break.
using TMasterLog = std::function<void(const std::string& line)>;

struct TMasterOptions {
  std::string BindAddress = "0.0.0.0";
  uint16_t Port = 8888;  // 0: one the system picks
  int MaxConnections = 4096;
  int MaxPerAddress = 16;  // connections from one IPv4 address
  int MaxGames = 1024;
  std::chrono::milliseconds LoginTime{10'000};     // from connecting to a good login
  std::chrono::milliseconds PingInterval{5'000};   // between two pings of one player
  std::chrono::milliseconds PingTimeout{30'000};   // without an answer to any ping
  int ChatLines = 5;                               // lobby chat lines a player may send ...
  std::chrono::milliseconds ChatWindow{2'000};     // ... within this long; more are dropped
  int MessagesPerSecond = 40;                      // of any kind; more closes the connection
  size_t SendQueueBytes = 256 * 1024;              // waiting for a slow reader; more closes it
};

// What the server has seen since it started, and what it holds now.
struct TMasterStats {
  size_t Connections = 0;
  size_t Players = 0;
  size_t Games = 0;
  uint64_t Accepted = 0;      // connections taken in
  uint64_t Refused = 0;       // connections closed at once: too many, or too many from one address
  uint64_t LoginsRefused = 0; // a bad or taken name
  uint64_t ProtocolErrors = 0;
  uint64_t TimedOut = 0;      // no login in time, or no answer to pings
  uint64_t SlowReaders = 0;   // the send queue bound
  uint64_t Flooders = 0;      // the message rate
  uint64_t ChatDropped = 0;   // lines beyond the chat rate
};

// The server speaks the lobby protocol to every connection of one listening socket. Every
// event runs on the thread that calls Step (or the service's Poll or Wait followed by Tick).
// Rules that depend on time read the clock given, so tests can drive them without waiting.
class TMasterServer {
 public:
  // `net` must outlive the server. Without a clock, the steady clock; without a log, silence.
  TMasterServer(TNetService& net, TMasterOptions options, TMasterLog log = {}, TMasterClock clock = {});
  ~TMasterServer();
  TMasterServer(const TMasterServer&) = delete;
  TMasterServer& operator=(const TMasterServer&) = delete;

  // Listens on the options' address and port; false with `error` in words when it cannot.
  bool Start(std::string& error);
  // Closes every connection and the listening socket.
  void Stop();
  // One pass of the server's loop: wait up to `waitMs` for socket events, deliver them, Tick.
  void Step(int waitMs);
  // The clock's rules (login time, pings, silence) and sending what the delivered events
  // produced: to run after every delivery round of the service.
  void Tick();

  // The port listened on (the one the system chose for Port "0"); 0 when not listening.
  uint16_t Port() const;
  const TMasterOptions& Options() const;
  TMasterStats Stats() const;

  struct TImpl;
  // The inner state, for checks of its tables against each other (MasterState.h).
  const TImpl& Internals() const { return *Impl; }

 private:
  std::unique_ptr<TImpl> Impl;
};

}  // namespace lr
