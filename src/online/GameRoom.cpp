// The game room's handlers: opening the room for a host or a guest, the room protocol in both
// roles with its relays, chat, ready toggles, launch, and leaving. The match itself is in
// RoomMatch.cpp.
//
// [SECTION] Construction and queries
// [SECTION] Opening and leaving
// [SECTION] Controls
// [SECTION] Host: receiving
// [SECTION] Client: receiving
// [SECTION] Sending
#include "online/GameRoom.h"

#include <algorithm>
#include <stdexcept>

#include "actors/PlayerUnit.h"
#include "game/MainForm.h"
#include "net/SocketErrors.h"
#include "online/LobbyForm.h"

namespace lr {

namespace {

constexpr const char* kHostingLine =
    "Your game is how being hosted. Press the 'Launch Game' button to play Lava Rumble once 2+ players have "
    "clicked 'Ready' (indicated by a star beside their name).";
constexpr const char* kJoiningLine =
    "Make sure you've clicked 'Ready' so you join the game when the host launches Lava Rumble.";
constexpr const char* kNotEnoughReady = "Not enough ready players.";
constexpr const char* kEntered = " has entered the game.";
constexpr const char* kLeft = " has left the game.";
// What a refused player is told before the host closes its connection.
constexpr const char* kGameFull = "This game is full.";
// What a client that leaves on its own says in the lobby, before the reason.
constexpr const char* kLeftRoom = "Left the game room: ";
// A level seed the host can draw: 1..5000.
constexpr Word kMostSeed = 5000;

// Opens a room socket. A port that is no number cannot come from the command line, which
// checks it; should one come all the same, it is reported like any socket error.
template <class TSocket>
void OpenReporting(TSocket& socket) {
  try {
    socket.Open();
  } catch (const std::invalid_argument&) {
    if (socket.OnError) socket.OnError(socket, kWsaInvalidArgument, TCustomWSocket::ErrorText(kWsaInvalidArgument));
  }
}

}  // namespace

// [SECTION] Construction and queries

TGmForm::TGmForm(TGForm& main) : UServ(main.Net), UClient(main.Net), Main(main) {
  // An action passed on must not wait for the next one to fill a packet.
  UServ.NoDelay = true;
  // Every socket event may change what the window shows.
  UServ.OnData = [this](TCustomWSocket&, int socket) {
    UServData(socket);
    ++Revision;
  };
  UServ.OnClose = [this](TCustomWSocket&, int socket) {
    UServClose(socket);
    ++Revision;
  };
  // Nothing else would tell the host why its room cannot listen.
  UServ.OnError = [this](TCustomWSocket&, int, const std::string& text) {
    Chat.Add("Error: " + text);
    ++Revision;
  };
  UClient.OnConnect = [this](TCustomWSocket&, int) {
    UClientConnect();
    ++Revision;
  };
  UClient.OnData = [this](TCustomWSocket&, int) {
    UClientData();
    ++Revision;
  };
  UClient.OnClose = [this](TCustomWSocket&, int) {
    UClientClose();
    ++Revision;
  };
  UClient.OnError = [this](TCustomWSocket&, int, const std::string& text) {
    UClientError(text);
    ++Revision;
  };
  Main.RoomLink = {.SendAction = [this](const TAction& action) { SendAction(action); },
                   .SendReady = [this] { SendRoundReady(); },
                   .MatchOver = [this] { MatchOver(); }};
}

TGmForm::~TGmForm() {
  Main.RoomLink = {};
  RestoreLocalPlayers();
}

int64_t TGmForm::Now() const { return Main.Clock().Milliseconds(); }

TSeat* TGmForm::Seat(int number) {
  if (number < 1 || number > kSeatCount) return nullptr;
  return &Seats[static_cast<size_t>(number - 1)];
}

int TGmForm::NumberOf(const TSeat& seat) const { return static_cast<int>(&seat - Seats.data()) + 1; }

TSeat* TGmForm::SeatOfSocket(int socket) {
  for (int number = 2; number <= kSeatCount; ++number) {
    TSeat& seat = *Seat(number);
    if (seat.InUse && seat.Socket == socket) return &seat;
  }
  return nullptr;
}

bool TGmForm::IsHost() const { return HostedGame && Main.Player1 && HostedGame->HostName == Main.Player1->Name; }

int TGmForm::OwnSeat() const { return Main.Player1 ? Main.Player1->NetIndex : 0; }

void TGmForm::UpdatePlayerList() {
  Players.clear();
  for (const TSeat& seat : Seats)
    if (seat.InUse) Players.push_back(seat.IsReady ? "* " + seat.PlayerName : seat.PlayerName);
}

// [SECTION] Opening and leaving

void TGmForm::ResetRoom(TRole role) {
  // A server still waiting out a leaving host's pause closes before anything new opens.
  if (CloseServerAt >= 0) {
    CloseServerAt = -1;
    UServ.Close();
  }
  ClientBuffers.clear();
  HostBuffer = TStreamFramer(kRoomProtocol);
  for (TSeat& seat : Seats) seat = TSeat{};
  RoomRole = role;
  HasOwnSeat = false;
  HostConnected = false;
  RefusedWhy.clear();
  Chat.Clear();
  Players.clear();
  Input.clear();
  ReadyBox = false;
  LaunchEnabled = role == TRole::Host;
  ++Revision;
}

void TGmForm::PrepareHosting(const std::string& gameName, Byte maxPlayers) {
  TPlayer& me = *Main.Player1;
  ResetRoom(TRole::Host);
  HostedGame = TGame{.HostName = me.Name, .GameName = gameName, .PlayerCount = 1, .MaxPlayers = maxPlayers};
  Players.push_back(me.Name);
  Chat.Add(kHostingLine);
  // The server opens once the chat is emptied, so a port already taken is said in it.
  UServ.Port = Main.Machine().RoomPort;
  OpenReporting(UServ);
  TSeat& host = Seats[0];
  host.PlayerName = me.Name;
  host.Red = static_cast<Byte>(me.Red & 0xFF);
  host.Green = static_cast<Byte>(me.Green & 0xFF);
  host.Blue = static_cast<Byte>(me.Blue & 0xFF);
  host.InUse = true;
  host.Socket = UServ.SocketHandle();
  host.Player = &me;
  me.NetIndex = 1;
  HasOwnSeat = true;
}

void TGmForm::PrepareJoining(const std::string& hostAddress, Byte seat) {
  ResetRoom(TRole::Client);
  HostedGame.reset();
  Main.Player1->NetIndex = seat;
  Chat.Add(kJoiningLine);
  // The client connects once the chat is emptied; a failure to even start sends the player
  // back to the lobby with the reason.
  UClient.Host = hostAddress;
  UClient.Port = Main.Machine().RoomPort;
  OpenReporting(UClient);
}

void TGmForm::Show() {
  if (RoomRole == TRole::None) return;
  Visible = true;
  ++Revision;
}

void TGmForm::FormCloseQuery() {
  if (RoomRole == TRole::Host) {
    SendDataAll(Encode(TRoomSeatFreed{.Seat = 1}), -1);
    if (HostedGame) SendToMaster(TLobbyGameClosed{.HostName = HostedGame->HostName});
    // The farewells go out in full (a closing connection sends what it holds first), and the
    // program runs on while the clients read them.
    CloseServerAt = Now() + kServerCloseDelayMs;
    HostedGame.reset();
  } else if (RoomRole == TRole::Client) {
    if (const int own = OwnSeat(); Seat(own)) SendToHost(Encode(TRoomSeatFreed{.Seat = static_cast<uint8_t>(own)}));
    UClient.Close();
  }
  CloseRoom();
}

void TGmForm::CloseRoom() {
  const bool wasOpen = RoomRole != TRole::None;
  RoomRole = TRole::None;
  Visible = false;
  HasOwnSeat = false;
  HostConnected = false;
  // The seats go with the room; a match still running keeps its players and hears no more.
  for (TSeat& seat : Seats) seat = TSeat{};
  Players.clear();
  ClientBuffers.clear();
  ++Revision;
  if (wasOpen && Lobby) {
    Lobby->Show();
    // A lobby that is connecting again (a guest's, or a host's whose master server went
    // away) enables them once it is logged in.
    if (Lobby->LClient.SocketState() == wsConnected) {
      Lobby->JoinEnabled = true;
      Lobby->HostEnabled = true;
    }
  }
  // The two local players come back now, or when this machine's match ends.
  if (Main.GameMode == 0) RestoreLocalPlayers();
}

void TGmForm::LeaveByItself(const std::string& why) {
  if (RoomRole != TRole::Client) return;
  UClient.Close();
  CloseRoom();
  if (Lobby) Lobby->Chat.Add(kLeftRoom + why);
}

void TGmForm::Idle() {
  if (CloseServerAt >= 0 && Now() >= CloseServerAt) {
    CloseServerAt = -1;
    UServ.Close();
    ClientBuffers.clear();
    ++Revision;
  }
}

// [SECTION] Controls

void TGmForm::InputKeyDown(Integer key) {
  if (key != kVirtualKeyReturn || Input.size() <= 2 || RoomRole == TRole::None) return;
  const std::string name = Main.Player1 ? Main.Player1->Name : std::string();
  const TRoomChat line{.Text = (name + "> " + Input).substr(0, kRoomChatCapacity)};
  if (RoomRole == TRole::Host) {
    SendDataAll(Encode(line), -1);
    Chat.Add(line.Text);
  } else {
    // A client sees its line when the host sends it back.
    SendToHost(Encode(line));
  }
  Input.clear();
  ++Revision;
}

void TGmForm::ReadyBoxClick() {
  const int own = OwnSeat();
  TSeat* seat = Seat(own);
  // Before the host has seated this player there is no seat to toggle.
  if (RoomRole == TRole::None || !HasOwnSeat || !seat) return;
  ReadyBox = !ReadyBox;
  const std::vector<uint8_t> toggle = Encode(TRoomReady{.Seat = static_cast<uint8_t>(own)});
  if (RoomRole == TRole::Host) {
    seat->IsReady = !seat->IsReady;
    SendDataAll(toggle, -1);
    UpdatePlayerList();
  } else {
    // The client's own seat changes when the host sends the toggle back.
    SendToHost(toggle);
  }
  ++Revision;
}

void TGmForm::Button1Click() {
  if (RoomRole != TRole::Host || !LaunchEnabled) return;
  const auto ready = std::count_if(Seats.begin(), Seats.end(), [](const TSeat& s) { return s.InUse && s.IsReady; });
  if (ready < 2) {
    Chat.Add(kNotEnoughReady);
    ++Revision;
    return;
  }
  if (HostedGame) SendToMaster(TLobbyGameStatus{.PlayerCount = HostedGame->PlayerCount, .Closed = HostedGame->Closed});
  Main.LevelSeed = static_cast<Word>(Main.Random(kMostSeed) + 1);
  SendDataAll(Encode(TRoomLaunch{.LevelSeed = Main.LevelSeed}), -1);
  // A host that is not ready itself launches the others' match and stays in the room,
  // passing their actions on, as a client that is not ready stays.
  LaunchGame();
  ++Revision;
}

void TGmForm::Button2Click() { FormCloseQuery(); }

// [SECTION] Host: receiving

void TGmForm::UServData(int socket) {
  uint8_t data[kReadSize];
  const int count = UServ.Receive(socket, data, kReadSize);
  // A room that has been left reads on, so the socket does not keep calling, but hears nothing.
  if (count <= 0 || RoomRole != TRole::Host) return;
  ClientBuffers.try_emplace(socket, kRoomProtocol).first->second.Append(data, static_cast<size_t>(count));
  for (;;) {
    // A refused connection loses its buffer on the way.
    const auto buffer = ClientBuffers.find(socket);
    if (buffer == ClientBuffers.end() || RoomRole != TRole::Host) return;
    const std::optional<TWireFrame> frame = buffer->second.Next();
    if (!frame) return;
    ++ReceivedCount;
    if (!HandleDataServer(*frame, socket)) {
      // A code the host does not take from clients: the rest of the read goes with it.
      if (const auto again = ClientBuffers.find(socket); again != ClientBuffers.end())
        again->second = TStreamFramer(kRoomProtocol);
      return;
    }
  }
}

bool TGmForm::HandleDataServer(const TWireFrame& frame, int socket) {
  const std::span<const uint8_t> bytes = frame.Bytes();
  // A seated client speaks only for its own seat; one without a seat may only arrive.
  TSeat* from = SeatOfSocket(socket);
  const int fromNumber = from ? NumberOf(*from) : 0;
  switch (frame.Code()) {
    case 1:
      if (const auto m = Decode<TRoomSeat>(bytes)) PlayerArrives(*m, socket);
      return true;
    case 3:
      if (const auto m = Decode<TRoomChat>(bytes); m && from) {
        Chat.Add(m->Text);
        SendDataAll(bytes, -1);
      }
      return true;
    case 4:
      if (const auto m = Decode<TRoomReady>(bytes); m && from && m->Seat == fromNumber) {
        from->IsReady = !from->IsReady;
        UpdatePlayerList();
        SendDataAll(bytes, -1);
      }
      return true;
    case 6:
      if (const auto m = Decode<TAction>(bytes); m && from && m->Seat == fromNumber && m->Code <= naSync) {
        TakeAction(*m);
        // The sender has it already.
        SendDataAll(bytes, fromNumber);
        Note(TActionNote::TWay::Relayed, *m);
      }
      return true;
    case 7:
      if (const auto m = Decode<TRoomRoundReady>(bytes); m && from && m->Seat == fromNumber) {
        TakeRoundReady(fromNumber);
        SendDataAll(bytes, fromNumber);
      }
      return true;
    default:
      return false;
  }
}

void TGmForm::PlayerArrives(const TRoomSeat& message, int socket) {
  // One seat per connection.
  if (SeatOfSocket(socket)) return;
  // Clients find their own seat by name: two seats of one name would confuse them.
  const bool nameTaken = std::any_of(Seats.begin(), Seats.end(), [&](const TSeat& s) {
    return s.InUse && s.PlayerName == message.PlayerName;
  });
  if (nameTaken) {
    Refuse(socket, "The name " + message.PlayerName + " is taken in this game.");
    return;
  }
  const auto inUse = std::count_if(Seats.begin(), Seats.end(), [](const TSeat& s) { return s.InUse; });
  const auto free = std::find_if(Seats.begin() + 1, Seats.end(), [](const TSeat& s) { return !s.InUse; });
  if (free == Seats.end() || (HostedGame && inUse >= HostedGame->MaxPlayers)) {
    Refuse(socket, kGameFull);
    return;
  }
  if (HostedGame) ++HostedGame->PlayerCount;
  TSeat& seat = *free;
  seat = TSeat{.PlayerName = message.PlayerName,
               .Red = message.Red,
               .Green = message.Green,
               .Blue = message.Blue,
               .InUse = true,
               .Socket = socket,
               .Player = nullptr,
               .IsReady = message.Ready == 1};
  // Everyone, the newcomer included, learns the new seat; then the newcomer learns every
  // seat in use, its own again among them, in seat order.
  TRoomSeat filled = message;
  filled.Seat = static_cast<uint8_t>(NumberOf(seat));
  filled.Ready = seat.IsReady ? 1 : 0;
  SendDataAll(Encode(filled), -1);
  UpdatePlayerList();
  Chat.Add(seat.PlayerName + kEntered);
  for (const TSeat& each : Seats) {
    if (!each.InUse) continue;
    SendTo(socket, Encode(TRoomSeat{.Seat = static_cast<uint8_t>(NumberOf(each)),
                                    .PlayerName = each.PlayerName,
                                    .Red = each.Red,
                                    .Green = each.Green,
                                    .Blue = each.Blue,
                                    .Ready = static_cast<uint8_t>(each.IsReady ? 1 : 0)}));
  }
}

void TGmForm::Refuse(int socket, const std::string& why) {
  SendTo(socket, Encode(TRoomChat{.Text = why.substr(0, kRoomChatCapacity)}));
  ClientBuffers.erase(socket);
  // A closing connection sends what it holds first.
  UServ.Disconnect(socket);
}

void TGmForm::UServClose(int socket) {
  ClientBuffers.erase(socket);
  if (RoomRole != TRole::Host) return;
  TSeat* seat = SeatOfSocket(socket);
  if (!seat) return;
  const int number = NumberOf(*seat);
  const std::string name = seat->PlayerName;
  // Its player, if it is in a match, stays there and gets no more actions.
  *seat = TSeat{};
  UpdatePlayerList();
  Chat.Add(name + kLeft);
  SendDataAll(Encode(TRoomSeatFreed{.Seat = static_cast<uint8_t>(number)}), -1);
  if (HostedGame) {
    if (HostedGame->PlayerCount > 0) --HostedGame->PlayerCount;
    SendToMaster(TLobbyGameStatus{.PlayerCount = HostedGame->PlayerCount, .Closed = HostedGame->Closed});
  }
}

// [SECTION] Client: receiving

void TGmForm::UClientConnect() {
  if (RoomRole != TRole::Client || !Main.Player1) return;
  HostConnected = true;
  const TPlayer& me = *Main.Player1;
  SendToHost(Encode(TRoomSeat{.Seat = 0,
                              .PlayerName = me.Name,
                              .Red = static_cast<uint8_t>(me.Red & 0xFF),
                              .Green = static_cast<uint8_t>(me.Green & 0xFF),
                              .Blue = static_cast<uint8_t>(me.Blue & 0xFF),
                              .Ready = 0}));
}

void TGmForm::UClientData() {
  uint8_t data[kReadSize];
  const int count = UClient.Receive(data, kReadSize);
  if (count <= 0 || RoomRole != TRole::Client) return;
  HostBuffer.Append(data, static_cast<size_t>(count));
  // A client takes every code of the room; the buffer itself discards what it does not know.
  // Leaving the room (the host's farewell) ends the reading.
  while (RoomRole == TRole::Client) {
    const std::optional<TWireFrame> frame = HostBuffer.Next();
    if (!frame) break;
    ++ReceivedCount;
    HandleDataClient(*frame);
  }
}

void TGmForm::UClientClose() {
  LeaveByItself(RefusedWhy.empty() ? std::string("the host closed the connection.") : RefusedWhy);
}

void TGmForm::UClientError(const std::string& text) { LeaveByItself("Error: " + text); }

void TGmForm::HandleDataClient(const TWireFrame& frame) {
  const std::span<const uint8_t> bytes = frame.Bytes();
  switch (frame.Code()) {
    case 1:
      if (const auto m = Decode<TRoomSeat>(bytes)) {
        TSeat* seat = Seat(m->Seat);
        if (!seat) break;
        if (!seat->InUse) seat->Player = nullptr;
        seat->PlayerName = m->PlayerName;
        seat->Red = m->Red;
        seat->Green = m->Green;
        seat->Blue = m->Blue;
        seat->IsReady = m->Ready == 1;
        seat->InUse = true;
        if (Main.Player1 && m->PlayerName == Main.Player1->Name) {
          Main.Player1->NetIndex = m->Seat;
          HasOwnSeat = true;
        }
        UpdatePlayerList();
      }
      break;
    case 2:
      if (const auto m = Decode<TRoomSeatFreed>(bytes)) {
        TSeat* seat = Seat(m->Seat);
        if (!seat || !seat->InUse) break;
        const std::string name = seat->PlayerName;
        *seat = TSeat{};
        Chat.Add(name + kLeft);
        if (m->Seat == 1) {
          LeaveByItself("the host closed the game.");
          return;
        }
        UpdatePlayerList();
      }
      break;
    case 3:
      if (const auto m = Decode<TRoomChat>(bytes)) {
        Chat.Add(m->Text);
        // Before this player has a seat only the host speaks to it, to say why not.
        if (!HasOwnSeat) RefusedWhy = m->Text;
      }
      break;
    case 4:
      if (const auto m = Decode<TRoomReady>(bytes)) {
        TSeat* seat = Seat(m->Seat);
        if (!seat || !seat->InUse) break;
        seat->IsReady = !seat->IsReady;
        UpdatePlayerList();
      }
      break;
    case 5:
      if (const auto m = Decode<TRoomLaunch>(bytes); m && m->LevelSeed >= 1 && m->LevelSeed <= kMostSeed) {
        Main.LevelSeed = m->LevelSeed;
        const TSeat* own = Seat(OwnSeat());
        if (HasOwnSeat && own && own->InUse && own->IsReady) LaunchGame();
      }
      break;
    case 6:
      if (const auto m = Decode<TAction>(bytes); m && m->Code <= naSync) TakeAction(*m);
      break;
    case 7:
      if (const auto m = Decode<TRoomRoundReady>(bytes)) TakeRoundReady(m->Seat);
      break;
    default:
      break;
  }
}

// [SECTION] Sending

void TGmForm::SendTo(int socket, std::span<const uint8_t> bytes) {
  if (UServ.Send(socket, bytes.data(), static_cast<int>(bytes.size())) == static_cast<int>(bytes.size()))
    ++SentCount;
}

void TGmForm::SendDataAll(std::span<const uint8_t> bytes, int except) {
  for (int number = 2; number <= kSeatCount; ++number) {
    const TSeat& seat = *Seat(number);
    if (seat.InUse && number != except) SendTo(seat.Socket, bytes);
  }
}

void TGmForm::SendToHost(std::span<const uint8_t> bytes) {
  // Until the connection is made there is nobody to tell.
  if (!HostConnected) return;
  if (UClient.Send(bytes.data(), static_cast<int>(bytes.size())) == static_cast<int>(bytes.size())) ++SentCount;
}

template <class T>
void TGmForm::SendToMaster(const T& message) {
  if (!Lobby || Lobby->LClient.SocketState() != wsConnected) return;
  const std::vector<uint8_t> bytes = Encode(message);
  Lobby->LClient.Send(bytes.data(), static_cast<int>(bytes.size()));
}

}  // namespace lr
