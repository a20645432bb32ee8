// The game room's state as hosting and joining leave it.
#include "online/GameRoom.h"

#include <stdexcept>

#include "actors/PlayerUnit.h"
#include "game/MainForm.h"
#include "net/SocketErrors.h"

namespace lr {

namespace {

constexpr const char* kHostingLine =
    "Your game is how being hosted. Press the 'Launch Game' button to play Lava Rumble once 2+ players have "
    "clicked 'Ready' (indicated by a star beside their name).";
constexpr const char* kJoiningLine =
    "Make sure you've clicked 'Ready' so you join the game when the host launches Lava Rumble.";

// Opens a room socket. A port that is no number cannot come from the command line, which
// checks it; should one come all the same, it is reported like any socket error.
template <class TSocket>
void OpenReporting(TSocket& socket, TMemo& chat) {
  try {
    socket.Open();
  } catch (const std::invalid_argument&) {
    chat.Add("Error: " + TCustomWSocket::ErrorText(kWsaInvalidArgument));
  }
}

}  // namespace

TGmForm::TGmForm(TGForm& main) : UServ(main.Net), UClient(main.Net), Main(main) {
  // Nothing else would tell the player why a room cannot listen or reach its host.
  UServ.OnError = [this](TCustomWSocket&, int, const std::string& text) { Chat.Add("Error: " + text); };
  UClient.OnError = [this](TCustomWSocket&, int, const std::string& text) { Chat.Add("Error: " + text); };
}

TSeat* TGmForm::Seat(int number) {
  if (number < 1 || number > kSeatCount) return nullptr;
  return &Seats[static_cast<size_t>(number - 1)];
}

bool TGmForm::IsHost() const { return HostedGame && Main.Player1 && HostedGame->HostName == Main.Player1->Name; }

void TGmForm::UpdatePlayerList() {
  Players.clear();
  for (const TSeat& seat : Seats)
    if (seat.InUse) Players.push_back(seat.IsReady ? "* " + seat.PlayerName : seat.PlayerName);
}

void TGmForm::FreeAllSeats() {
  for (TSeat& seat : Seats) seat = TSeat{};
}

void TGmForm::PrepareHosting(const std::string& gameName, Byte maxPlayers) {
  TPlayer& me = *Main.Player1;
  HostedGame = TGame{.HostName = me.Name, .GameName = gameName, .PlayerCount = 1, .MaxPlayers = maxPlayers};
  Chat.Clear();
  Players.clear();
  ReadyBox = false;
  LaunchEnabled = true;
  Players.push_back(me.Name);
  Chat.Add(kHostingLine);
  // The server opens once the chat is emptied, so a port already taken is said in it.
  UServ.Port = Main.Machine().RoomPort;
  OpenReporting(UServ, Chat);
  FreeAllSeats();
  TSeat& host = Seats[0];
  host.PlayerName = me.Name;
  host.Red = static_cast<Byte>(me.Red & 0xFF);
  host.Green = static_cast<Byte>(me.Green & 0xFF);
  host.Blue = static_cast<Byte>(me.Blue & 0xFF);
  host.InUse = true;
  host.Socket = UServ.SocketHandle();
  host.Player = &me;
  me.NetIndex = 1;
}

void TGmForm::PrepareJoining(const std::string& hostAddress, Byte seat) {
  Main.Player1->NetIndex = seat;
  Chat.Clear();
  Players.clear();
  ReadyBox = false;
  LaunchEnabled = false;
  Chat.Add(kJoiningLine);
  Input.clear();
  FreeAllSeats();
  // The client connects once the chat is emptied, so a failure is said in it.
  UClient.Host = hostAddress;
  UClient.Port = Main.Machine().RoomPort;
  OpenReporting(UClient, Chat);
}

}  // namespace lr
