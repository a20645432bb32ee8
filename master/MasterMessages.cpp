// The master server's handling of each message a game sends: the budget and the state it
// may come in, the checks of its fields, and what it does; and the list of hosted games.
//
// [SECTION] Messages, one handler per code
// [SECTION] Games
#include <algorithm>
#include <optional>

#include "master/MasterState.h"
#include "net/WireCodec.h"

namespace lr {

using namespace master_detail;

namespace {
constexpr uint16_t kMaxPing = 65535;
}  // namespace

// [SECTION] Messages, one handler per code

// Every code a game sends: whether it is the one allowed before the login, and its handler.
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

void TMasterServer::TImpl::Dispatch(TPeer& peer, const TWireFrame& frame) {
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

void TMasterServer::TImpl::Malformed(TPeer& peer, const TWireFrame& frame, const std::string& what) {
  ++Counts.ProtocolErrors;
  Doom(peer, "closed: message " + std::to_string(frame.Code()) + " malformed: " + what);
}

void TMasterServer::TImpl::Login(TPeer& peer, const TWireFrame& frame) {
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

void TMasterServer::TImpl::Say(TPeer& peer, const TWireFrame& frame) {
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

void TMasterServer::TImpl::Host(TPeer& peer, const TWireFrame& frame) {
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

void TMasterServer::TImpl::Join(TPeer& peer, const TWireFrame& frame) {
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

void TMasterServer::TImpl::GameClosed(TPeer& peer, const TWireFrame& frame) {
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

void TMasterServer::TImpl::Refresh(TPeer& peer, const TWireFrame&) { Queue(peer, ListBytes()); }

void TMasterServer::TImpl::GameStatus(TPeer& peer, const TWireFrame& frame) {
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

void TMasterServer::TImpl::Pong(TPeer& peer, const TWireFrame& frame) {
  const TLobbyPong pong = *Decode<TLobbyPong>(frame.Bytes());
  const uint32_t seq = pong.Opaque[0] | pong.Opaque[1] << 8 | pong.Opaque[2] << 16;
  const auto sent =
      std::find_if(peer.Pings.begin(), peer.Pings.end(), [seq](const auto& ping) { return ping.first == seq; });
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

THostedGame* TMasterServer::TImpl::FindGame(uint16_t id) {
  if (id == 0) return nullptr;
  const auto it = std::find_if(Games.begin(), Games.end(), [id](const THostedGame& game) { return game.GameId == id; });
  return it == Games.end() ? nullptr : &*it;
}

uint16_t TMasterServer::TImpl::FreeGameId() {
  for (;;) {
    const uint16_t id = NextGameId;
    NextGameId = NextGameId == 65535 ? 1 : static_cast<uint16_t>(NextGameId + 1);
    if (!FindGame(id)) return id;
  }
}

void TMasterServer::TImpl::RemoveGame(TPeer& host) {
  std::erase_if(Games, [&](const THostedGame& game) { return game.GameId == host.GameId; });
  host.GameId = 0;
  ListChanged = true;
}

std::vector<uint8_t> TMasterServer::TImpl::ListBytes() const {
  std::vector<uint8_t> bytes = Encode(TLobbyListCleared{});
  for (const THostedGame& game : Games)
    Append(bytes, Encode(TLobbyGameEntry{.GameId = game.GameId, .GameName = game.GameName,
                                         .PlayerCount = game.PlayerCount, .MaxPlayers = game.MaxPlayers,
                                         .Ping = game.Host->RoundTrip}));
  return bytes;
}

}  // namespace lr
