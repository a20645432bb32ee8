// The master server's rules: who may connect, the login, the lobby chat, the hosted games,
// pings, and every budget a connection has. The socket layer carries the bytes.
//
// [SECTION] Texts and fixed numbers
// [SECTION] The server's state
// [SECTION] Connections: accept, read, close
// [SECTION] Messages, one handler per code
// [SECTION] Games
// [SECTION] The clock's rules
// [SECTION] Sending: outboxes flushed once a round
// [SECTION] The public face
#include "master/MasterServer.h"

#include <algorithm>
#include <array>
#include <deque>
#include <map>
#include <optional>
#include <queue>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "net/WSockets.h"
#include "net/WireCodec.h"
#include "net/WireFramer.h"
#include "text/Codepage.h"

namespace lr {

// [SECTION] Texts and fixed numbers

namespace {

// What a player is told, as a lobby chat line, when the server will not do what it asked.
// "{}" stands for the player's name, or for a number of the options.
enum TNotice : uint8_t {
  ntNameTaken, ntNameLength, ntNameControl, ntLobbyFull, ntAddressFull,
  ntTooManyGames, ntNoSuchGame, ntGameFull, ntChatTooFast,
};
constexpr std::string_view kNotices[] = {
    "The name {} is already in the lobby. Choose another in Options.",
    "A name has 1 to 15 characters. Choose another in Options.",
    "A name may not hold control characters. Choose another in Options.",
    "The lobby is full. Try again later.",
    "Too many connections come from your address.",
    "No more games can be hosted now. Try again later.",
    "That game is no longer hosted. Refresh the list.",
    "That game is full.",
    "You are chatting too fast: lines beyond {} in {} seconds are dropped.",
};

// One read per connection and round: a peer that sends without pause gets its share of the
// server and no more.
constexpr size_t kReadPiece = 4096;
// Pings remembered per player, so a late answer still counts; older ones are forgotten.
constexpr size_t kPingsKept = 64;
// An outbox keeps at most this much room after it has been sent, so a burst that once filled
// it does not stay with the connection.
constexpr size_t kOutboxKept = 16 * 1024;
constexpr uint16_t kMaxPing = 65535;
constexpr uint8_t kMinPlayers = 2;
constexpr uint8_t kMaxPlayers = 8;

std::string Fill(std::string_view text, std::initializer_list<std::string> values) {
  std::string out;
  auto value = values.begin();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "{}") == 0 && value != values.end()) {
      out += *value++;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A character below space, DEL, or one of the C1 controls the code page leaves undefined.
bool HasControl(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const char32_t code = Cp1252CodePoint(static_cast<uint8_t>(c));
    return code < 0x20 || (code >= 0x7F && code < 0xA0);
  });
}

// 8-bit text for a log line: UTF-8, quoted, with control characters as \xNN so that one
// event stays one line.
std::string Shown(std::string_view text) {
  std::string out = "\"";
  for (const char c : Cp1252ToUtf8(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '"' || c == '\\') {
      static constexpr char kHex[] = "0123456789ABCDEF";
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Seconds(std::chrono::milliseconds time) {
  const auto ms = time.count();
  return ms % 1000 == 0 ? std::to_string(ms / 1000) : std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 + 1000).substr(1);
}

void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

}  // namespace

// [SECTION] The server's state

namespace {

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

}  // namespace

struct TMasterServer::TImpl {
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

  void Note(const TPeer& peer, const std::string& what) { Note(peer.Id, peer.Address, what); }
  void Note(uint64_t id, const std::string& address, const std::string& what) {
    if (Log) Log("#" + std::to_string(id) + " " + (address.empty() ? "?" : address) + " " + what);
  }
  std::string Who(const TPeer& peer) const { return peer.LoggedIn ? Shown(peer.Name) + " " : std::string(); }

  void Bind() {
    Server.BindAddress = Options.BindAddress;
    Server.Port = std::to_string(Options.Port);
    Server.ListenBacklog = 1024;
    Server.SendQueueLimit = Options.SendQueueBytes;
    // Each round's messages to one connection already go out in one send.
    Server.NoDelay = true;
    Server.OnAccept = [this](TCustomWSocket&, int socket) { Accepted(socket); };
    Server.OnData = [this](TCustomWSocket&, int socket) { Readable(socket); };
    Server.OnClose = [this](TCustomWSocket&, int socket) { PeerClosed(socket); };
    Server.OnError = [this](TCustomWSocket&, int error, const std::string& text) { SocketError(error, text); };
  }

  void Accepted(int socket) {
    const uint64_t id = ++NextPeerId;
    const std::string address = Server.PeerAddress(socket);
    ++Counts.Accepted;
    if (static_cast<int>(Peers.size()) >= Options.MaxConnections) {
      TurnAway(socket, id, address, ntLobbyFull,
               "limit hit: " + std::to_string(Options.MaxConnections) + " connections; closed");
      return;
    }
    auto [count, fresh] = PerAddress.try_emplace(address, 0);
    if (count->second >= Options.MaxPerAddress) {
      TurnAway(socket, id, address, ntAddressFull,
               "limit hit: " + std::to_string(Options.MaxPerAddress) + " connections from this address; closed");
      if (fresh) PerAddress.erase(count);
      return;
    }
    ++count->second;
    auto peer = std::make_unique<TPeer>();
    peer->Socket = socket;
    peer->Id = id;
    peer->Address = address;
    peer->ConnectedAt = peer->RateWindow = Clock();
    Note(*peer, "connect");
    Reschedule(*peer);
    Peers[socket] = std::move(peer);
  }

  // A connection beyond a limit hears why and is closed before it is anyone.
  void TurnAway(int socket, uint64_t id, const std::string& address, TNotice notice, const std::string& why) {
    ++Counts.Refused;
    Note(id, address, why);
    const std::vector<uint8_t> line = Encode(TLobbyChatLine{.Text = Notice(notice)});
    InSend = true;
    Server.Send(socket, line.data(), static_cast<int>(line.size()));
    InSend = false;
    Server.Disconnect(socket);
  }

  void Readable(int socket) {
    uint8_t buffer[kReadPiece];
    const auto it = Peers.find(socket);
    if (it == Peers.end() || it->second->Doomed) {
      Server.Receive(socket, buffer, sizeof buffer);  // on its way out: what it sends is not read
      return;
    }
    TPeer& peer = *it->second;
    const int count = Server.Receive(socket, buffer, sizeof buffer);
    if (count > 0) {
      peer.Framer.Append(buffer, static_cast<size_t>(count));
      while (!peer.Doomed) {
        const std::optional<uint8_t> code = peer.Framer.PeekCode();
        std::optional<TWireFrame> frame = peer.Framer.Next();
        if (frame) {
          Dispatch(peer, *frame);
        } else {
          if (code && !kGameToMaster.Find(*code)) {
            ++Counts.ProtocolErrors;
            Doom(peer, "closed: unknown code " + std::to_string(*code));
          }
          break;
        }
      }
    }
    Reap();
  }

  void PeerClosed(int socket) {
    const auto it = Peers.find(socket);
    if (it != Peers.end()) Doom(*it->second, "closed by the peer");
    Reap();
  }

  void SocketError(int error, const std::string& text) {
    // A failed send is told with the connection it closes; the rest (a failed accept when
    // the system has no descriptor left, say) at most once a second.
    if (InSend) return;
    const TMasterTime now = Clock();
    if (LastErrorLog != TMasterTime{} && now - LastErrorLog < std::chrono::seconds(1)) return;
    LastErrorLog = now;
    if (Log) Log("socket error " + std::to_string(error) + ": " + text);
  }

  // Marks a connection for closing at the end of the event that found it out: sending to
  // everyone never has the list it walks change under it.
  void Doom(TPeer& peer, std::string why, bool flushFirst = false) {
    if (peer.Doomed) return;
    peer.Doomed = true;
    peer.FlushFirst = flushFirst;
    peer.Why = std::move(why);
    DoomedPeers.push_back(&peer);
  }

  void Reap() {
    while (!DoomedPeers.empty()) {
      TPeer* peer = DoomedPeers.back();
      DoomedPeers.pop_back();
      if (peer->FlushFirst) Send(*peer);
      Note(*peer, Who(*peer) + peer->Why);
      if (auto count = PerAddress.find(peer->Address); count != PerAddress.end() && --count->second <= 0)
        PerAddress.erase(count);
      if (peer->GameId != 0) RemoveGame(*peer);
      if (peer->LoggedIn) {
        Players.erase(peer->LoginOrder);
        Names.erase(peer->Name);
        Broadcast(Encode(TLobbyPlayerGone{.WireCode = 2, .PlayerName = peer->Name}), nullptr);
      }
      const int socket = peer->Socket;
      Peers.erase(socket);
      Server.Disconnect(socket);
    }
  }

  std::string Notice(TNotice notice, const std::string& value = {}) const {
    if (notice == ntChatTooFast)
      return Fill(kNotices[notice], {std::to_string(Options.ChatLines), Seconds(Options.ChatWindow)});
    return Fill(kNotices[notice], {value});
  }

  void Tell(TPeer& peer, TNotice notice, const std::string& value = {}) {
    Queue(peer, Encode(TLobbyChatLine{.Text = Notice(notice, value)}));
  }

  // [SECTION] Messages, one handler per code

  void Dispatch(TPeer& peer, const TWireFrame& frame) {
    const TMasterTime now = Clock();
    if (now - peer.RateWindow >= std::chrono::seconds(1)) {
      peer.RateWindow = now;
      peer.RateCount = 0;
    }
    if (++peer.RateCount > Options.MessagesPerSecond) {
      ++Counts.Flooders;
      Doom(peer, "limit hit: more than " + std::to_string(Options.MessagesPerSecond) + " messages in a second; closed");
      return;
    }
    const TRoute* route = nullptr;
    for (const TRoute& candidate : kRoutes)
      if (candidate.Code == frame.Code()) route = &candidate;
    if (!route) return;  // the framer knows only the table's codes, and every one has a route
    if (route->BeforeLogin == peer.LoggedIn) {
      ++Counts.ProtocolErrors;
      Doom(peer, "closed: message " + std::to_string(frame.Code()) +
                     (peer.LoggedIn ? " after the login" : " before the login"));
      return;
    }
    // A short string's length byte never goes past its field (the login's name is a
    // refusal of its own, told to the player).
    if (frame.Code() != TLobbyLogin::Codes[0])
      for (const TWireField& field : kGameToMaster.Find(frame.Code())->Fields)
        if (field.Kind == TWireKind::Text && frame.Bytes()[field.Offset] > field.Size - 1u) {
          Malformed(peer, frame, std::string(field.Name) + " longer than its field");
          return;
        }
    (this->*route->Handle)(peer, frame);
  }

  void Malformed(TPeer& peer, const TWireFrame& frame, const std::string& what) {
    ++Counts.ProtocolErrors;
    Doom(peer, "closed: message " + std::to_string(frame.Code()) + " malformed: " + what);
  }

  void Login(TPeer& peer, const TWireFrame& frame) {
    const TLobbyLogin login = *Decode<TLobbyLogin>(frame.Bytes());
    const uint8_t length = frame.Bytes()[kGameToMaster.Find(1)->Fields[0].Offset];
    std::optional<TNotice> refusal;
    std::string why;
    if (length == 0 || length > kNameCapacity) {
      refusal = ntNameLength;
      why = "a name of " + std::to_string(length) + " characters";
    } else if (HasControl(login.PlayerName)) {
      refusal = ntNameControl;
      why = "a control character in the name";
    } else if (Names.contains(login.PlayerName)) {
      refusal = ntNameTaken;
      why = "the name is in the lobby already";
    }
    if (refusal) {
      // Told why, and closed once that is sent.
      ++Counts.LoginsRefused;
      Tell(peer, *refusal, login.PlayerName);
      Doom(peer, "login refused for " + Shown(login.PlayerName) + ": " + why, true);
      return;
    }
    const TMasterTime now = Clock();
    peer.LoggedIn = true;
    peer.Name = login.PlayerName;
    peer.LoginOrder = ++NextLoginOrder;
    peer.LastAnswer = now;
    peer.NextPing = now + Options.PingInterval;
    Reschedule(peer);
    // The newcomer hears of everyone online, itself last, quietly; then the game list.
    Players[peer.LoginOrder] = &peer;
    Names[peer.Name] = &peer;
    std::vector<uint8_t> welcome;
    for (const auto& [order, player] : Players)
      Append(welcome, Encode(TLobbyPlayerOnline{.WireCode = 9, .Quiet = 1, .PlayerName = player->Name}));
    Append(welcome, ListBytes());
    Queue(peer, welcome);
    Broadcast(Encode(TLobbyPlayerOnline{.WireCode = 1, .Quiet = 0, .PlayerName = peer.Name}), &peer);
    Note(peer, "login " + Shown(peer.Name));
  }

  void Say(TPeer& peer, const TWireFrame& frame) {
    const TLobbySay say = *Decode<TLobbySay>(frame.Bytes());
    // Our game writes every line as the name, "> ", then what was typed: nobody speaks for another.
    if (!say.Text.starts_with(peer.Name + "> ")) {
      Malformed(peer, frame, "a chat line not in the sender's name");
      return;
    }
    const TMasterTime now = Clock();
    while (!peer.ChatTimes.empty() && now - peer.ChatTimes.front() >= Options.ChatWindow) peer.ChatTimes.pop_front();
    if (static_cast<int>(peer.ChatTimes.size()) >= Options.ChatLines) {
      ++Counts.ChatDropped;
      if (!peer.ToldChatLimit) {
        peer.ToldChatLimit = true;
        Tell(peer, ntChatTooFast);
        Note(peer, Who(peer) + "limit hit: more than " + std::to_string(Options.ChatLines) + " chat lines in " +
                       Seconds(Options.ChatWindow) + " s; lines dropped");
      }
      return;
    }
    peer.ChatTimes.push_back(now);
    peer.ToldChatLimit = false;
    // The sender too: its lobby shows its own line only when it comes back.
    Broadcast(Encode(TLobbyChatLine{.Text = say.Text}), nullptr);
  }

  void Host(TPeer& peer, const TWireFrame& frame) {
    const TLobbyHostGame host = *Decode<TLobbyHostGame>(frame.Bytes());
    if (host.MaxPlayers < kMinPlayers || host.MaxPlayers > kMaxPlayers) {
      Malformed(peer, frame, "maximum players " + std::to_string(host.MaxPlayers));
      return;
    }
    // Hosting again replaces the game this connection hosts.
    if (peer.GameId != 0) RemoveGame(peer);
    if (static_cast<int>(Games.size()) >= Options.MaxGames) {
      Tell(peer, ntTooManyGames);
      Note(peer, Who(peer) + "limit hit: " + std::to_string(Options.MaxGames) + " games; not hosted");
      return;
    }
    THostedGame game{.GameId = FreeGameId(), .GameName = host.GameName, .PlayerCount = 1,
                     .MaxPlayers = host.MaxPlayers, .Closed = false, .Host = &peer};
    peer.GameId = game.GameId;
    Games.push_back(std::move(game));
    ListChanged = true;
    Note(peer, Who(peer) + "hosts game " + std::to_string(peer.GameId) + " " + Shown(host.GameName) + " for " +
                   std::to_string(host.MaxPlayers));
  }

  void Join(TPeer& peer, const TWireFrame& frame) {
    const TLobbyJoinRequest join = *Decode<TLobbyJoinRequest>(frame.Bytes());
    const THostedGame* game = FindGame(join.GameId);
    const std::string what = Who(peer) + "joins game " + std::to_string(join.GameId);
    if (!game) {
      Tell(peer, ntNoSuchGame);
      Note(peer, what + ": refused, no such game");
    } else if (game->PlayerCount >= game->MaxPlayers) {
      Tell(peer, ntGameFull);
      Note(peer, what + ": refused, full");
    } else {
      // The seat is provisional: the host gives the final one.
      Queue(peer, Encode(TLobbyJoinAnswer{.Seat = static_cast<uint8_t>(game->PlayerCount + 1),
                                          .HostAddress = game->Host->Address}));
      Note(peer, what + " at " + game->Host->Address);
    }
  }

  void GameClosed(TPeer& peer, const TWireFrame& frame) {
    const TLobbyGameClosed closed = *Decode<TLobbyGameClosed>(frame.Bytes());
    if (closed.HostName != peer.Name) {
      Malformed(peer, frame, "a room closed in another's name " + Shown(closed.HostName));
      return;
    }
    // A host whose game was never listed (the games were too many) closes nothing.
    if (peer.GameId == 0) return;
    Note(peer, Who(peer) + "closes game " + std::to_string(peer.GameId));
    RemoveGame(peer);
  }

  void Refresh(TPeer& peer, const TWireFrame&) { Queue(peer, ListBytes()); }

  void GameStatus(TPeer& peer, const TWireFrame& frame) {
    const TLobbyGameStatus status = *Decode<TLobbyGameStatus>(frame.Bytes());
    // The host is always in its room, and a room has 8 seats whatever the game's maximum.
    if (status.PlayerCount < 1 || status.PlayerCount > kMaxPlayers || status.Closed > 1) {
      Malformed(peer, frame,
                std::to_string(status.PlayerCount) + " players, closed flag " + std::to_string(status.Closed));
      return;
    }
    THostedGame* game = FindGame(peer.GameId);
    if (!game) return;
    game->PlayerCount = status.PlayerCount;
    game->Closed = status.Closed != 0;
    ListChanged = true;
  }

  void Pong(TPeer& peer, const TWireFrame& frame) {
    const TLobbyPong pong = *Decode<TLobbyPong>(frame.Bytes());
    const uint32_t seq = pong.Opaque[0] | pong.Opaque[1] << 8 | pong.Opaque[2] << 16;
    const auto sent = std::find_if(peer.Pings.begin(), peer.Pings.end(), [seq](const auto& ping) { return ping.first == seq; });
    if (sent == peer.Pings.end()) {
      Malformed(peer, frame, "an answer to no ping");
      return;
    }
    const TMasterTime now = Clock();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - sent->second).count();
    peer.RoundTrip = static_cast<uint16_t>(std::clamp<int64_t>(ms, 0, kMaxPing));
    peer.LastAnswer = now;
    Reschedule(peer);
    // The answers come in order: the pings before this one have had theirs, or never will.
    peer.Pings.erase(peer.Pings.begin(), sent + 1);
    // A host's new round trip shows in the next list sent, not in one of its own: every
    // lobby would otherwise get the whole list every few seconds per game.
  }

  // [SECTION] Games

  THostedGame* FindGame(uint16_t id) {
    if (id == 0) return nullptr;
    const auto it = std::find_if(Games.begin(), Games.end(), [id](const THostedGame& game) { return game.GameId == id; });
    return it == Games.end() ? nullptr : &*it;
  }

  // The next identifier after the last one given that no game holds (1..65535, round and round):
  // a player with an old list never joins a newer game by mistake.
  uint16_t FreeGameId() {
    for (;;) {
      const uint16_t id = NextGameId;
      NextGameId = NextGameId == 65535 ? 1 : static_cast<uint16_t>(NextGameId + 1);
      if (!FindGame(id)) return id;
    }
  }

  void RemoveGame(TPeer& host) {
    std::erase_if(Games, [&](const THostedGame& game) { return game.GameId == host.GameId; });
    host.GameId = 0;
    ListChanged = true;
  }

  // Message 10, then one message 5 per game in the order they were hosted.
  std::vector<uint8_t> ListBytes() const {
    std::vector<uint8_t> bytes = Encode(TLobbyListCleared{});
    for (const THostedGame& game : Games)
      Append(bytes, Encode(TLobbyGameEntry{.GameId = game.GameId, .GameName = game.GameName,
                                           .PlayerCount = game.PlayerCount, .MaxPlayers = game.MaxPlayers,
                                           .Ping = game.Host->RoundTrip}));
    return bytes;
  }

  // [SECTION] The clock's rules

  TMasterTime DueOf(const TPeer& peer) const {
    if (!peer.LoggedIn) return peer.ConnectedAt + Options.LoginTime;
    return std::min(peer.NextPing, peer.LastAnswer + Options.PingTimeout);
  }

  void Reschedule(TPeer& peer) {
    const TMasterTime due = DueOf(peer);
    if (due == peer.Due) return;
    peer.Due = due;
    Deadlines.push({due, peer.Socket, peer.Id});
  }

  // Every connection whose moment has come: exact to the clock, and only those. Each is
  // looked at once per round, whatever its next moment turns out to be.
  void RunDeadlines(TMasterTime now) {
    std::vector<TPeer*> again;
    while (!Deadlines.empty() && Deadlines.top().At <= now) {
      const TDeadline deadline = Deadlines.top();
      Deadlines.pop();
      const auto it = Peers.find(deadline.Socket);
      if (it == Peers.end() || it->second->Id != deadline.Id) continue;
      TPeer& peer = *it->second;
      if (peer.Doomed || peer.Due != deadline.At) continue;
      if (!peer.LoggedIn) {
        ++Counts.TimedOut;
        Doom(peer, "closed: no login within " + Seconds(Options.LoginTime) + " s");
        continue;
      }
      if (now - peer.LastAnswer >= Options.PingTimeout) {
        ++Counts.TimedOut;
        Doom(peer, "closed: no answer to pings for " + Seconds(Options.PingTimeout) + " s");
        continue;
      }
      if (now >= peer.NextPing) SendPing(peer, now);
      peer.Due = {};  // this entry is spent: the next one goes in whatever its moment
      again.push_back(&peer);
    }
    for (TPeer* peer : again) Reschedule(*peer);
  }

  void SendPing(TPeer& peer, TMasterTime now) {
    const uint32_t seq = peer.NextPingSeq;
    peer.NextPingSeq = (seq + 1) & 0xFFFFFF;
    if (peer.NextPingSeq == 0) peer.NextPingSeq = 1;
    if (peer.Pings.size() >= kPingsKept) peer.Pings.pop_front();
    peer.Pings.emplace_back(seq, now);
    peer.NextPing = now + Options.PingInterval;
    Queue(peer, Encode(TLobbyPing{.Opaque = {static_cast<uint8_t>(seq), static_cast<uint8_t>(seq >> 8),
                                             static_cast<uint8_t>(seq >> 16)}}));
  }

  void Tick() {
    const TMasterTime now = Clock();
    RunDeadlines(now);
    Reap();
    if (ListChanged) {
      // Every change to the list of one round goes out as one list to every lobby.
      ListChanged = false;
      Broadcast(ListBytes(), nullptr);
    }
    Flush();
    Reap();
  }

  // [SECTION] Sending: outboxes flushed once a round

  // Adds a message for the peer, to go out with the rest of this round's. A peer that would
  // hold more than its bound unread is a slow reader and is let go.
  void Queue(TPeer& peer, const std::vector<uint8_t>& bytes) {
    if (peer.Doomed) return;
    if (Server.QueuedBytes(peer.Socket) + peer.Outbox.size() + bytes.size() > Options.SendQueueBytes) {
      ++Counts.SlowReaders;
      Doom(peer, "limit hit: more than " + std::to_string(Options.SendQueueBytes) + " bytes unread; closed");
      return;
    }
    Append(peer.Outbox, bytes);
    if (!peer.InDirtyList) {
      peer.InDirtyList = true;
      Dirty.emplace_back(peer.Socket, peer.Id);
    }
  }

  // To every player online but `except`.
  void Broadcast(const std::vector<uint8_t>& bytes, const TPeer* except) {
    for (const auto& [order, player] : Players)
      if (player != except) Queue(*player, bytes);
  }

  void Send(TPeer& peer) {
    peer.InDirtyList = false;
    if (peer.Outbox.empty()) return;
    InSend = true;
    const int sent = Server.Send(peer.Socket, peer.Outbox.data(), static_cast<int>(peer.Outbox.size()));
    InSend = false;
    if (sent == 0) Doom(peer, "closed: sending failed: " + TCustomWSocket::ErrorText(Server.LastError()));
    peer.Outbox.clear();
    if (peer.Outbox.capacity() > kOutboxKept) std::vector<uint8_t>().swap(peer.Outbox);
  }

  void Flush() {
    std::vector<std::pair<int, uint64_t>> dirty;
    dirty.swap(Dirty);
    for (const auto& [socket, id] : dirty) {
      const auto it = Peers.find(socket);
      if (it != Peers.end() && it->second->Id == id && !it->second->Doomed) Send(*it->second);
    }
  }

  TMasterStats Stats() const {
    TMasterStats stats = Counts;
    stats.Connections = Peers.size();
    stats.Players = Players.size();
    stats.Games = Games.size();
    return stats;
  }
};

const std::array<TMasterServer::TImpl::TRoute, 8> TMasterServer::TImpl::kRoutes = {{
    {1, true, &TImpl::Login},
    {3, false, &TImpl::Say},
    {4, false, &TImpl::Host},
    {6, false, &TImpl::Join},
    {9, false, &TImpl::GameClosed},
    {10, false, &TImpl::Refresh},
    {11, false, &TImpl::GameStatus},
    {12, false, &TImpl::Pong},
}};

// [SECTION] The public face

TMasterServer::TMasterServer(TNetService& net, TMasterOptions options, TMasterLog log, TMasterClock clock)
    : Impl(std::make_unique<TImpl>(net, std::move(options), std::move(log), std::move(clock))) {
  Impl->Bind();
}

TMasterServer::~TMasterServer() { Stop(); }

bool TMasterServer::Start(std::string& error) {
  TImpl& impl = *Impl;
  int failure = 0;
  const TCustomWSocket::TOnError report = impl.Server.OnError;
  impl.Server.OnError = [&failure](TCustomWSocket&, int code, const std::string&) { failure = code; };
  impl.Server.Open();
  impl.Server.OnError = report;
  if (impl.Server.SocketState() != wsListening) {
    error = "cannot listen on " + impl.Options.BindAddress + ":" + std::to_string(impl.Options.Port) + ": " +
            TCustomWSocket::ErrorText(failure);
    return false;
  }
  return true;
}

void TMasterServer::Stop() {
  TImpl& impl = *Impl;
  impl.Server.Close();
  impl.Peers.clear();
  impl.Players.clear();
  impl.Names.clear();
  impl.PerAddress.clear();
  impl.Games.clear();
  impl.Dirty.clear();
  impl.DoomedPeers.clear();
  impl.Deadlines = {};
  impl.ListChanged = false;
}

void TMasterServer::Step(int waitMs) {
  Impl->Net.Wait(waitMs);
  Impl->Tick();
}

void TMasterServer::Tick() { Impl->Tick(); }

uint16_t TMasterServer::Port() const { return Impl->Server.LocalPort(); }

const TMasterOptions& TMasterServer::Options() const { return Impl->Options; }

TMasterStats TMasterServer::Stats() const { return Impl->Stats(); }

}  // namespace lr
