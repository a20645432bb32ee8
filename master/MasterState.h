// The master server's inner state, shared by its two halves: a connection (TPeer), a hosted
// game, and TMasterServer::TImpl. MasterServer.cpp keeps the connections, the clock and the
// sending; MasterMessages.cpp has one handler per message and the game list.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <queue>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "master/MasterServer.h"
#include "net/WSockets.h"
#include "net/WireFramer.h"

namespace lr {

namespace master_detail {

// What a player is told, as a lobby chat line, when the server will not do what it asked
// (the texts are in MasterServer.cpp).
enum TNotice : uint8_t {
  ntNameTaken, ntNameLength, ntNameControl, ntLobbyFull, ntAddressFull,
  ntTooManyGames, ntNoSuchGame, ntGameFull, ntChatTooFast,
};

constexpr uint8_t kMinPlayers = 2;
constexpr uint8_t kMaxPlayers = 8;

// A character below space, DEL, or one of the C1 controls the code page leaves undefined.
bool HasControl(std::string_view text);
// 8-bit text for a log line: UTF-8, quoted, with control characters as \xNN so that one
// event stays one line.
std::string Shown(std::string_view text);
// "10", or "1.500".
std::string Seconds(std::chrono::milliseconds time);
void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes);

struct TPeer {
  int Socket = -1;
  uint64_t Id = 0;  // for the log: sockets' numbers come back, these do not
  std::string Address;
  TStreamFramer Framer{kGameToMaster};
  TMasterTime ConnectedAt;

  bool LoggedIn = false;
  std::string Name;
  uint64_t LoginOrder = 0;
  uint16_t GameId = 0;  // the game it hosts, 0 for none

  uint32_t NextPingSeq = 1;
  std::deque<std::pair<uint32_t, TMasterTime>> Pings;  // sent and not yet answered, oldest first
  TMasterTime NextPing;
  TMasterTime LastAnswer;
  TMasterTime Due;  // the earliest moment a rule of the clock has something to do with it
  uint16_t RoundTrip = 0;  // milliseconds, of the last answered ping

  std::deque<TMasterTime> ChatTimes;  // lines taken within the chat window
  bool ToldChatLimit = false;         // told since its last line taken
  TMasterTime RateWindow;
  int RateCount = 0;

  std::vector<uint8_t> Outbox;
  bool InDirtyList = false;

  bool Doomed = false;      // closed at the end of the event; nothing more is sent or read
  bool FlushFirst = false;  // its outbox goes out before the close
  std::string Why;
};

struct THostedGame {
  uint16_t GameId = 0;
  std::string GameName;
  uint8_t PlayerCount = 1;
  uint8_t MaxPlayers = kMinPlayers;
  bool Closed = false;
  TPeer* Host = nullptr;
};

}  // namespace master_detail

struct TMasterServer::TImpl {
  using TPeer = master_detail::TPeer;
  using THostedGame = master_detail::THostedGame;
  using TNotice = master_detail::TNotice;

  TImpl(TNetService& net, TMasterOptions options, TMasterLog log, TMasterClock clock)
      : Net(net),
        Options(std::move(options)),
        Log(std::move(log)),
        Clock(clock ? std::move(clock) : TMasterClock([] { return std::chrono::steady_clock::now(); })),
        // One place more than allowed, so the connection beyond the limit is seen and told.
        Server(net, std::max(Options.MaxConnections, 0) + 1) {}

  using THandler = void (TImpl::*)(TPeer&, const TWireFrame&);
  struct TRoute {
    uint8_t Code;
    bool BeforeLogin;  // the only message allowed before it: the login itself
    THandler Handle;
  };
  static const std::array<TRoute, 8> kRoutes;

  TNetService& Net;
  TMasterOptions Options;
  TMasterLog Log;
  TMasterClock Clock;
  TTCPServer Server;

  std::unordered_map<int, std::unique_ptr<TPeer>> Peers;  // by socket
  std::map<uint64_t, TPeer*> Players;                     // logged in, by login order
  std::unordered_map<std::string, TPeer*> Names;
  std::unordered_map<std::string, int> PerAddress;
  std::vector<THostedGame> Games;  // in the order they were hosted
  uint16_t NextGameId = 1;
  bool ListChanged = false;

  std::vector<std::pair<int, uint64_t>> Dirty;  // socket and id of each peer with an outbox to send
  std::vector<TPeer*> DoomedPeers;
  uint64_t NextPeerId = 0;
  uint64_t NextLoginOrder = 0;
  // Each connection's next moment for the clock's rules, earliest on top. An entry whose
  // connection has gone or has moved its moment is passed over when it comes up.
  struct TDeadline {
    TMasterTime At;
    int Socket;
    uint64_t Id;
    bool operator>(const TDeadline& other) const { return At > other.At; }
  };
  std::priority_queue<TDeadline, std::vector<TDeadline>, std::greater<>> Deadlines;
  bool InSend = false;
  TMasterTime LastErrorLog{};
  TMasterStats Counts;

  // [SECTION] Connections: accept, read, close

  void Note(const TPeer& peer, const std::string& what);
  void Note(uint64_t id, const std::string& address, const std::string& what);
  std::string Who(const TPeer& peer) const;
  void Bind();
  void Accepted(int socket);

  // A connection beyond a limit hears why and is closed before it is anyone.
  void TurnAway(int socket, uint64_t id, const std::string& address, TNotice notice, const std::string& why);
  void Readable(int socket);
  void PeerClosed(int socket);
  void SocketError(int error, const std::string& text);

  // Marks a connection for closing at the end of the event that found it out: sending to
  // everyone never has the list it walks change under it.
  void Doom(TPeer& peer, std::string why, bool flushFirst = false);
  void Reap();
  std::string Notice(TNotice notice, const std::string& value = {}) const;
  void Tell(TPeer& peer, TNotice notice, const std::string& value = {});

  // [SECTION] Messages, one handler per code

  void Dispatch(TPeer& peer, const TWireFrame& frame);
  void Malformed(TPeer& peer, const TWireFrame& frame, const std::string& what);
  void Login(TPeer& peer, const TWireFrame& frame);
  void Say(TPeer& peer, const TWireFrame& frame);
  void Host(TPeer& peer, const TWireFrame& frame);
  void Join(TPeer& peer, const TWireFrame& frame);
  void GameClosed(TPeer& peer, const TWireFrame& frame);
  void Refresh(TPeer& peer, const TWireFrame&);
  void GameStatus(TPeer& peer, const TWireFrame& frame);
  void Pong(TPeer& peer, const TWireFrame& frame);

  // [SECTION] Games

  THostedGame* FindGame(uint16_t id);

  // The next identifier after the last one given that no game holds (1..65535, round and round):
  // a player with an old list never joins a newer game by mistake.
  uint16_t FreeGameId();
  void RemoveGame(TPeer& host);

  // Message 10, then one message 5 per game in the order they were hosted.
  std::vector<uint8_t> ListBytes() const;

  // [SECTION] The clock's rules

  TMasterTime DueOf(const TPeer& peer) const;
  void Reschedule(TPeer& peer);

  // Every connection whose moment has come: exact to the clock, and only those. Each is
  // looked at once per round, whatever its next moment turns out to be.
  void RunDeadlines(TMasterTime now);
  void SendPing(TPeer& peer, TMasterTime now);
  void Tick();

  // [SECTION] Sending: outboxes flushed once a round

  // Adds a message for the peer, to go out with the rest of this round's. A peer that would
  // hold more than its bound unread is a slow reader and is let go.
  void Queue(TPeer& peer, const std::vector<uint8_t>& bytes);

  // To every player online but `except`.
  void Broadcast(const std::vector<uint8_t>& bytes, const TPeer* except);
  void Send(TPeer& peer);
  void Flush();
  TMasterStats Stats() const;
};

}  // namespace lr
