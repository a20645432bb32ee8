// TGmForm: the game room ("Game Lobby") as hosting and joining from the lobby prepare it: the
// seat table, the hosted-game record, the room's server and client, and its controls' values.
// The room's own messages and its window build on this.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "engine/Types.h"
#include "net/WSockets.h"
#include "online/GameRecord.h"
#include "online/Memo.h"

namespace lr {

class TGForm;
class TPlayer;

// One place in a game room; seat 1 is always the host.
struct TSeat {
  std::string PlayerName;  // 8-bit
  Byte Red = 0, Green = 0, Blue = 0;
  bool InUse = false;
  Integer Socket = -1;  // host only: the accepted socket of this player (seat 1: the listening one)
  TPlayer* Player = nullptr;  // the seat's player in the running match, set at launch
  bool IsReady = false;
};

constexpr int kSeatCount = 8;

class TGmForm {
 public:
  static constexpr const char* kCaption = "Game Lobby";

  // The room's sockets run on the main form's service; its port is the form's room port.
  explicit TGmForm(TGForm& main);

  // [SECTION] State.
  std::array<TSeat, kSeatCount> Seats;  // seat n is Seats[n - 1]
  // Exists only while this program hosts a game.
  std::optional<TGame> HostedGame;
  TTCPServer UServ;   // the host's
  TTCPClient UClient;  // a joiner's, to the host

  // [SECTION] Controls.
  TMemo Chat;                        // 8-bit lines
  std::vector<std::string> Players;  // the list box: "* " before a ready player's name
  std::string Input;
  bool ReadyBox = false;
  bool LaunchEnabled = false;  // "Launch Game", the host's only
  bool Visible = false;

  // [SECTION] Operations.
  // Seat 1..8; nullptr for any other number.
  TSeat* Seat(int number);
  // The program hosts: the record exists and names the local player as its host.
  bool IsHost() const;
  void UpdatePlayerList();
  // Hosting after the master server was told: the room's server listens, the hosted-game
  // record is made, the room is emptied for a host and seat 1 is the local player's.
  void PrepareHosting(const std::string& gameName, Byte maxPlayers);
  // Joining the game at `hostAddress` (dotted IPv4) in the seat the master server gave: the
  // room's client connects there and the room is emptied for a guest.
  void PrepareJoining(const std::string& hostAddress, Byte seat);
  void Show() { Visible = true; }

 private:
  void FreeAllSeats();
  TGForm& Main;
};

}  // namespace lr
