// The lobby's model: connecting and logging in, reading the master server's messages, the
// paced game list, chat, hosting and joining.
#include "online/LobbyForm.h"

#include <algorithm>
#include <stdexcept>

#include "actors/PlayerUnit.h"
#include "game/MainForm.h"
#include "net/SocketAddress.h"
#include "net/SocketErrors.h"
#include "online/GameRoom.h"
#include "settings/SettingsTable.h"

namespace lr {

namespace {

// The most a read takes from the socket; what is left comes with the next data event.
constexpr int kReadSize = 512;
constexpr Integer kFewestPlayers = 2;
constexpr Integer kMostPlayers = 8;

}  // namespace

// [SECTION] Window.

TLForm::TLForm(TGForm& main, TGmForm& room) : LClient(main.Net), Main(main), Room(room) {
  // Every socket event may change what the window shows.
  LClient.OnConnect = [this](TCustomWSocket&, int) {
    LClientConnect();
    ++Revision;
  };
  LClient.OnData = [this](TCustomWSocket&, int) {
    LClientData();
    ++Revision;
  };
  LClient.OnClose = [this](TCustomWSocket&, int) {
    LClientClose();
    ++Revision;
  };
  LClient.OnError = [this](TCustomWSocket&, int error, const std::string& text) {
    LClientError(error, text);
    ++Revision;
  };
  Grid.assign(1, TGridRow{});
}

int64_t TLForm::Now() const { return Main.Clock().Milliseconds(); }

template <class T>
bool TLForm::SendMessage(const T& message) {
  const std::vector<uint8_t> bytes = Encode(message);
  return LClient.Send(bytes.data(), static_cast<int>(bytes.size())) == static_cast<int>(bytes.size());
}

void TLForm::Show() {
  if (!Visible) {
    Visible = true;
    FormShow();
  }
  FormActivate();
  ++Revision;
}

void TLForm::FormShow() {
  // A new connection starts with an empty receive buffer; a host coming back from its room
  // still has its connection, and the bytes on their way in it.
  if (LClient.SocketState() == wsClosed || LClient.SocketState() == wsNotStarted) {
    Buffer = TStreamFramer(kMasterToGame);
    LClient.Host = Main.Machine().MasterHost;
    LClient.Port = Main.Machine().MasterPort;
    try {
      LClient.Open();
    } catch (const std::invalid_argument&) {
      LClientError(kWsaInvalidArgument, TCustomWSocket::ErrorText(kWsaInvalidArgument));
    }
  }
  Online.clear();
  Input.clear();
  Chat.Clear();
  EmptyGameList();
}

void TLForm::FormActivate() {
  // Only while an attempt is pending: coming back to the window must not hide that it is
  // connected, nor the error that ended an attempt.
  if (LClient.SocketState() == wsConnecting) Status = "Connecting..";
}

void TLForm::FormClose() {
  LClient.Close();
  ConnectionGone();
  Message.clear();
  Visible = false;
}

void TLForm::ConnectionGone() {
  JoinEnabled = HostEnabled = RefreshEnabled = false;
  JoinComesBackAt = -1;
  // Game entries still waiting for their turn go too: the end of a pause would otherwise say
  // "Received all games." over the reason the connection ended.
  Arriving.clear();
  PauseEndsAt = -1;
  // Hosting needs the master server: questions still open are dropped with it.
  Ask.Open = false;
  HostStep = THostStep::None;
}

// [SECTION] Master server connection.

void TLForm::LClientConnect() {
  Status = "Connected to master server!";
  if (SendMessage(TLobbyLogin{.PlayerName = Main.Player1 ? Main.Player1->Name : std::string()}))
    JoinEnabled = HostEnabled = RefreshEnabled = true;
}

void TLForm::LClientData() {
  uint8_t data[kReadSize];
  const int count = LClient.Receive(data, kReadSize);
  if (count <= 0) return;
  Buffer.Append(data, static_cast<size_t>(count));
  // Joining closes the connection: what came after the answer is not for this lobby.
  while (LClient.SocketState() == wsConnected) {
    const std::optional<TWireFrame> frame = Buffer.Next();
    if (!frame) break;
    HandleData(*frame);
  }
}

void TLForm::LClientError(int, const std::string& text) {
  Status = "Error: " + text;
  // A failed attempt is over: the client is closed, and closing says nothing more.
  if (LClient.SocketState() == wsConnecting) {
    const std::string said = Status;
    LClient.Close();
    Status = said;
  }
  if (LClient.SocketState() != wsConnected) ConnectionGone();
}

void TLForm::LClientClose() {
  Status = "Connection closed.";
  ConnectionGone();
}

void TLForm::HandleData(const TWireFrame& frame) {
  const std::span<const uint8_t> bytes = frame.Bytes();
  switch (frame.Code()) {
    case 1:
    case 9:
      if (const auto m = Decode<TLobbyPlayerOnline>(bytes)) {
        if (std::find(Online.begin(), Online.end(), m->PlayerName) != Online.end()) break;
        if (Online.size() < kMaxListed) Online.push_back(m->PlayerName);
        if (m->Quiet != 1) Chat.Add(m->PlayerName + " has joined the Lobby");
      }
      break;
    case 2:
    case 8:
      if (const auto m = Decode<TLobbyPlayerGone>(bytes)) {
        if (const auto it = std::find(Online.begin(), Online.end(), m->PlayerName); it != Online.end())
          Online.erase(it);
        Chat.Add(m->PlayerName + " has left the Lobby");
      }
      break;
    case 3:
      if (const auto m = Decode<TLobbyChatLine>(bytes)) Chat.Add(m->Text);
      break;
    case 5:
      if (const auto m = Decode<TLobbyGameEntry>(bytes)) {
        if (Games.size() + Arriving.size() < kMaxListed)
          Arriving.push_back(TGame{.HostName = {},
                                   .GameId = m->GameId,
                                   .GameName = m->GameName,
                                   .PlayerCount = m->PlayerCount,
                                   .MaxPlayers = m->MaxPlayers,
                                   .Ping = m->Ping,
                                   .Closed = false});
        ShowArrivingGames();
      }
      break;
    case 7:
      if (const auto m = Decode<TLobbyJoinAnswer>(bytes)) JoinGame(*m);
      break;
    case 10:
      EmptyGameList();
      Status = "Refreshing game list..";
      // A new list answers a join request as well as anything: the player may choose again.
      if (JoinComesBackAt >= 0) {
        JoinComesBackAt = -1;
        JoinEnabled = true;
      }
      break;
    case 12:
      if (const auto m = Decode<TLobbyPing>(bytes)) SendMessage(TLobbyPong{.Opaque = m->Opaque});
      break;
    default:
      break;
  }
}

// [SECTION] Game list.

void TLForm::EmptyGameList() {
  Games.clear();
  Arriving.clear();
  PauseEndsAt = -1;
  Grid.assign(1, TGridRow{});
  // A grid always has a row selected: the first below the header.
  Row = 1;
}

void TLForm::AddGame(const TGame& game) {
  Games.push_back(game);
  // One row per game, so the selected row always names the game it shows (a game whose name
  // is empty keeps its row too).
  if (Games.size() > Grid.size()) Grid.emplace_back();
  Grid[Games.size() - 1] = {game.GameName,
                            std::to_string(game.PlayerCount) + " \\ " + std::to_string(game.MaxPlayers),
                            std::to_string(game.Ping), game.Closed ? "Closed" : "Open"};
}

void TLForm::ShowArrivingGames() {
  const int64_t now = Now();
  for (;;) {
    if (PauseEndsAt >= 0) {
      if (now < PauseEndsAt) return;
      PauseEndsAt = -1;
      Status = "Received all games.";
    }
    if (Arriving.empty()) return;
    AddGame(Arriving.front());
    Arriving.pop_front();
    PauseEndsAt = now + kGameEntryPauseMs;
  }
}

void TLForm::Idle() {
  const std::string status = Status;
  const size_t shown = Games.size();
  ShowArrivingGames();
  bool changed = status != Status || shown != Games.size();
  if (JoinComesBackAt >= 0 && Now() >= JoinComesBackAt) {
    JoinComesBackAt = -1;
    JoinEnabled = true;
    changed = true;
  }
  if (changed) ++Revision;
}

// [SECTION] Chat, buttons and questions.

void TLForm::InputKeyDown(Integer key) {
  if (key != kVirtualKeyReturn || Input.size() <= 1) return;
  const std::string name = Main.Player1 ? Main.Player1->Name : std::string();
  SendMessage(TLobbySay{.Text = (name + "> " + Input).substr(0, kLobbyChatCapacity)});
  Input.clear();
}

void TLForm::Button1Click() {
  if (!JoinEnabled || Row < 1 || static_cast<size_t>(Row) > Games.size()) return;
  SendMessage(TLobbyJoinRequest{.GameId = Games[static_cast<size_t>(Row - 1)].GameId});
  JoinEnabled = false;
  JoinComesBackAt = Now() + kJoinAnswerWaitMs;
}

void TLForm::Button2Click() {
  if (!HostEnabled) return;
  HostEnabled = false;
  HostStep = THostStep::GameName;
  AskNext("Game Name", "What will you name this game?", "Generic Game");
}

void TLForm::Button3Click() {
  if (RefreshEnabled) SendMessage(TLobbyRefresh{});
}

void TLForm::Button4Click() { FormClose(); }

void TLForm::AskNext(const char* caption, const char* prompt, const char* fallback) {
  Ask = TInputBox{.Open = true, .Caption = caption, .Prompt = prompt, .Default = fallback, .Text = fallback};
}

void TLForm::AskAnswered(bool ok) {
  if (!Ask.Open) return;
  Ask.Open = false;
  const std::string answer = ok ? Ask.Text : Ask.Default;
  if (HostStep == THostStep::GameName) {
    HostGameName = answer.substr(0, kGameNameCapacity);
    HostStep = THostStep::Players;
    AskNext("2-8 Players", "How many players may join?", "4");
  } else if (HostStep == THostStep::Players) {
    HostStep = THostStep::None;
    FinishHosting(answer);
  }
}

void TLForm::MessageClosed() { Message.clear(); }

void TLForm::FinishHosting(const std::string& playersAnswer) {
  const std::optional<Integer> number = ParseWholeNumber(playersAnswer);
  if (!number) {
    // "Host Game" stays disabled.
    Message = "Invalid. Please enter a value between 2 and 8.";
    return;
  }
  // The answer goes into a byte (modulo 256), then into 2..8.
  const Byte players = static_cast<Byte>(std::clamp<Integer>(*number & 0xFF, kFewestPlayers, kMostPlayers));
  SendMessage(TLobbyHostGame{.GameName = HostGameName, .MaxPlayers = players});
  Room.PrepareHosting(HostGameName, players);
  Room.Show();
  // Hidden, not closed: a host keeps its master connection.
  Visible = false;
}

// [SECTION] Joining.

void TLForm::JoinGame(const TLobbyJoinAnswer& answer) {
  JoinComesBackAt = -1;
  // The host's address is text from the network: only a dotted IPv4 address is tried, never
  // a name to look up.
  if (!ParseDottedAddress(answer.HostAddress)) {
    JoinEnabled = LClient.SocketState() == wsConnected;
    return;
  }
  // A joining player leaves the master server while in a room. The lobby closes first: a
  // room that cannot even start to connect comes straight back to it.
  LClient.Close();
  FormClose();
  Room.PrepareJoining(answer.HostAddress, answer.Seat);
  Room.Show();
}

}  // namespace lr
