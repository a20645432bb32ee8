// TGmForm: the game room ("Game Lobby") as a model without any window: the seat table, the
// hosted-game record, the room's server (host) or client (joiner) with their receive buffers,
// the controls' values, every handler of the room, the launch of an online match, and the
// actions that travel during it. The view in ui/ draws these fields and calls these handlers;
// the tests drive them directly.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/Types.h"
#include "net/WSockets.h"
#include "net/WireCodec.h"
#include "net/WireFramer.h"
#include "online/GameRecord.h"
#include "online/Memo.h"
#include "settings/GameSettings.h"

namespace lr {

class TGForm;
class TLForm;
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

// An action message as the trace shows it: which way it went on this machine.
struct TActionNote {
  enum class TWay : uint8_t { Sent, Received, Relayed };
  TWay Way = TWay::Sent;
  TAction Action;
};

class TGmForm {
 public:
  static constexpr const char* kCaption = "Game Lobby";
  static constexpr const char* kReadyCaption = "Ready (check in order to play)";
  static constexpr Integer kVirtualKeyReturn = 13;
  // A leaving host closes its server this long after its farewell; the program runs on.
  static constexpr int64_t kServerCloseDelayMs = 500;
  // The most one read takes from a room socket; the rest comes with the next data event.
  static constexpr int kReadSize = 256;
  // Action notes kept for a trace that has not taken them.
  static constexpr size_t kMaxActionNotes = 1000;

  enum class TRole : uint8_t { None, Host, Client };

  // The room's sockets run on the main form's service; its port is the form's room port. The
  // room takes the form's hooks for an online match (TGForm::RoomLink).
  explicit TGmForm(TGForm& main);
  // Gives the two local players back to the form if an online match has them.
  ~TGmForm();
  TGmForm(const TGmForm&) = delete;
  TGmForm& operator=(const TGmForm&) = delete;

  // [SECTION] State.
  std::array<TSeat, kSeatCount> Seats;  // seat n is Seats[n - 1]
  // Exists only while this program hosts a game.
  std::optional<TGame> HostedGame;
  TTCPServer UServ;   // the host's
  TTCPClient UClient;  // a joiner's, to the host
  // The lobby a room goes back to; set by whoever makes both.
  TLForm* Lobby = nullptr;

  // [SECTION] Controls.
  TMemo Chat;                        // 8-bit lines
  std::vector<std::string> Players;  // the list box: "* " before a ready player's name
  std::string Input;                 // 8-bit
  bool ReadyBox = false;
  bool LaunchEnabled = false;  // "Launch Game", the host's only
  bool Visible = false;
  // Counts every change a view should redraw for.
  uint64_t Revision = 0;

  // [SECTION] Queries.
  // Seat 1..8; nullptr for any other number.
  TSeat* Seat(int number);
  // The program hosts: the record exists and names the local player as its host.
  bool IsHost() const;
  TRole Role() const { return RoomRole; }
  // The local player's seat number (NetIndex of Player1), 0 when there is none.
  int OwnSeat() const;
  // A client has been given its seat by the host (a host always has seat 1).
  bool Seated() const { return HasOwnSeat; }

  // [SECTION] Opening the room (from the lobby).
  // Hosting after the master server was told: the room's server listens, the hosted-game
  // record is made, the room is emptied for a host and seat 1 is the local player's.
  void PrepareHosting(const std::string& gameName, Byte maxPlayers);
  // Joining the game at `hostAddress` (dotted IPv4) in the seat the master server gave: the
  // room's client connects there and the room is emptied for a guest.
  void PrepareJoining(const std::string& hostAddress, Byte seat);
  // Shows the window of a room that is open.
  void Show();

  // [SECTION] Handlers.
  void UClientConnect();
  void UClientData();
  void UClientClose();
  void UClientError(const std::string& text);
  void UServData(int socket);
  void UServClose(int socket);
  // Enter sends the input line when it holds more than two characters.
  void InputKeyDown(Integer key);
  void ReadyBoxClick();
  void Button1Click();  // "Launch Game"
  void Button2Click();  // "Leave Game"
  // Leaving the room, by "Leave Game" or the window's close box; the close is always allowed.
  void FormCloseQuery();
  // Between frames: the leaving host's server closes once its pause is over.
  void Idle();

  // [SECTION] The room protocol.
  // One message from a client's socket; false for a code the host does not take from
  // clients (the rest of that read is then discarded).
  bool HandleDataServer(const TWireFrame& frame, int socket);
  void HandleDataClient(const TWireFrame& frame);
  // Sends to every seat 2..8 in use but the seat numbered `except` (-1: none).
  void SendDataAll(std::span<const uint8_t> bytes, int except);
  void UpdatePlayerList();

  // [SECTION] The match.
  // The ready seats' players replace the local ones and the match starts with the fixed
  // online rules. Runs only when this player's own seat is ready.
  void LaunchGame();
  // Applies a received action to a player that has already been moved to its position.
  void HandleAction(TPlayer& player, Byte code);
  // The action notes since the last call, oldest first.
  std::vector<TActionNote> TakeActionNotes();

  // Room messages this room has sent (one per socket) and taken from its buffers: a test
  // that sees both sums agree across all its rooms knows nothing is under way.
  uint64_t MessagesSent() const { return SentCount; }
  uint64_t MessagesReceived() const { return ReceivedCount; }
  // The most bytes one of the room's receive buffers holds unhandled.
  size_t LargestBuffer() const {
    size_t largest = HostBuffer.Buffered();
    for (const auto& [socket, buffer] : ClientBuffers) largest = std::max(largest, buffer.Buffered());
    return largest;
  }

 private:
  int64_t Now() const;
  // The seat among 2..8 in use whose connection is `socket`, or nullptr.
  TSeat* SeatOfSocket(int socket);
  int NumberOf(const TSeat& seat) const;
  void SendTo(int socket, std::span<const uint8_t> bytes);
  void SendToHost(std::span<const uint8_t> bytes);
  template <class T>
  void SendToMaster(const T& message);
  // Empties the room for a new role; a server still closing after leaving closes now.
  void ResetRoom(TRole role);
  void PlayerArrives(const TRoomSeat& message, int socket);
  // Tells the connection why it gets no seat, then closes it.
  void Refuse(int socket, const std::string& why);
  // Closes the room and shows the lobby (both roles).
  void CloseRoom();
  // A client leaves on its own: the host is gone or refused it. The lobby says why.
  void LeaveByItself(const std::string& why);
  // Online actions and readiness.
  void SendAction(const TAction& action);
  void SendRoundReady();
  // A received action for an existing seat: the seat's player moves there and acts.
  void TakeAction(const TAction& action);
  void TakeRoundReady(int seat);
  void Note(TActionNote::TWay way, const TAction& action);
  // The match on this machine went back to the title screen.
  void MatchOver();
  void StashLocalPlayers();
  void RestoreLocalPlayers();

  TGForm& Main;
  TRole RoomRole = TRole::None;
  bool HasOwnSeat = false;
  bool HostConnected = false;  // a client's connection is made
  // A client's last chat line from the host before it was seated: why it is refused.
  std::string RefusedWhy;
  // The host's receive buffers, one per client connection; a client's one.
  std::map<int, TStreamFramer> ClientBuffers;
  TStreamFramer HostBuffer{kRoomProtocol};
  int64_t CloseServerAt = -1;  // ms; -1 while no server waits to close
  uint64_t SentCount = 0;
  uint64_t ReceivedCount = 0;
  std::vector<TActionNote> ActionNotes;
  // The two local players while an online match's players stand in for them, and the rules
  // they played by.
  std::vector<std::unique_ptr<TPlayer>> LocalPlayers;
  TGameSettings LocalRules;
};

}  // namespace lr
