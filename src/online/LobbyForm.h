// TLForm: the "Lava Lobby" window's controls and handlers, without any window: the master
// server connection with its receive buffer, the players online, the chat, the game list and
// its grid, hosting with its two input boxes, and joining. The view in ui/ draws these fields
// and calls these handlers; the tests drive them directly.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "engine/Types.h"
#include "net/WSockets.h"
#include "net/WireCodec.h"
#include "net/WireFramer.h"
#include "online/GameRecord.h"
#include "online/Memo.h"

namespace lr {

class TGForm;
class TGmForm;

// A modal input box inside the lobby: a caption, a prompt and a line of 8-bit text that
// starts as the default. OK takes the text, Cancel the default.
struct TInputBox {
  bool Open = false;
  std::string Caption;
  std::string Prompt;
  std::string Default;
  std::string Text;
};

class TLForm {
 public:
  static constexpr const char* kCaption = "Lava Lobby";
  // The grid's columns: caption and width in pixels.
  struct TColumn {
    const char* Caption;
    int Width;
  };
  static constexpr std::array<TColumn, 4> kColumns = {
      {{"Game Name", 160}, {"Players", 63}, {"Ping (ms)", 64}, {"Status", 70}}};
  using TGridRow = std::array<std::string, kColumns.size()>;
  // What a hostile or broken master server can make the lobby hold: more names or games
  // than these are not listed.
  static constexpr size_t kMaxListed = 1000;
  // Each game entry stays alone on show this long before the next one comes (and the status
  // says all have been received).
  static constexpr int64_t kGameEntryPauseMs = 750;
  // "Join Game" comes back this long after a join request that the master server has not
  // answered.
  static constexpr int64_t kJoinAnswerWaitMs = 5000;
  static constexpr Integer kVirtualKeyReturn = 13;

  // The lobby's client runs on the main form's service and connects to the form's master
  // server address; hosting and joining prepare `room`.
  TLForm(TGForm& main, TGmForm& room);

  // [SECTION] Connection.
  TTCPClient LClient;

  // [SECTION] Controls.
  std::string Status;
  std::vector<TGame> Games;     // one per grid row below the header, in arrival order
  std::vector<TGridRow> Grid;   // the rows below the header, as shown; at least one
  Integer Row = 1;              // the selected grid row: 1 is the first game, 0 the header
  bool JoinEnabled = false;     // Button1, "Join Game"
  bool HostEnabled = false;     // Button2, "Host Game"
  bool RefreshEnabled = false;  // Button3, "Refresh"
  TMemo Chat;                   // 8-bit lines
  std::string Input;            // 8-bit
  std::vector<std::string> Online;  // names, 8-bit
  bool Visible = false;
  // The hosting questions, one at a time, and the message box; each is modal in the lobby.
  TInputBox Ask;
  std::string Message;  // shown while not empty
  // Counts every change a view should redraw for.
  uint64_t Revision = 0;

  // [SECTION] Handlers.
  // The menu's online entry: shows the window (connecting) or brings it forward.
  void Show();
  void FormShow();
  void FormActivate();
  void FormClose();
  void LClientConnect();
  void LClientData();
  void LClientError(int error, const std::string& text);
  void LClientClose();
  void InputKeyDown(Integer key);
  // The buttons; a disabled one does not click.
  void Button1Click();  // "Join Game"
  void Button2Click();  // "Host Game"
  void Button3Click();  // "Refresh"
  void Button4Click();  // "Exit"
  // OK (true) or Cancel (false) on the input box that is open.
  void AskAnswered(bool ok);
  // OK on the message box.
  void MessageClosed();
  // Between frames: the timed steps of the game list and of "Join Game".
  void Idle();

  void HandleData(const TWireFrame& frame);
  void AddGame(const TGame& game);
  void JoinGame(const TLobbyJoinAnswer& answer);

  // Game entries received and waiting for their turn on show.
  size_t PendingGames() const { return Arriving.size(); }
  // Bytes of the master server's stream received and not yet handled.
  size_t BufferedBytes() const { return Buffer.Buffered(); }

 private:
  enum class THostStep : uint8_t { None, GameName, Players };

  int64_t Now() const;
  template <class T>
  bool SendMessage(const T& message);
  void EmptyGameList();
  // The master connection is closed or failed: nothing that needs it can be clicked, and game
  // entries waiting to be shown are dropped.
  void ConnectionGone();
  void AskNext(const char* caption, const char* prompt, const char* fallback);
  void FinishHosting(const std::string& playersAnswer);
  // Shows the next waiting game entry when the one before has had its pause.
  void ShowArrivingGames();

  TGForm& Main;
  TGmForm& Room;
  TStreamFramer Buffer{kMasterToGame};
  std::deque<TGame> Arriving;
  int64_t PauseEndsAt = -1;      // ms; -1 while no entry is pausing
  int64_t JoinComesBackAt = -1;  // ms; -1 while no join request waits
  THostStep HostStep = THostStep::None;
  std::string HostGameName;
};

}  // namespace lr
