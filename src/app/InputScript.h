// Scripted input for headless runs: one event per line, applied just before its frame.
//   FRAME key NAME down|up     FRAME mouse X Y     FRAME click      # comment
//   FRAME lobby chat TEXT...   FRAME lobby host PLAYERS NAME...   FRAME lobby join ROW
//   FRAME lobby refresh        FRAME lobby exit
//   FRAME room chat TEXT...    FRAME room ready    FRAME room launch    FRAME room leave
//   FRAME pad N plug|unplug    FRAME pad N BUTTON down|up    FRAME pad N axis AXIS VALUE
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Gamepad.h"
#include "platform/InputEvent.h"

namespace lr {

class TLForm;
class TGmForm;

// What the player does in the lobby window. Texts are UTF-8, as typed.
struct TLobbyAction {
  enum class TKind : uint8_t { Chat, Host, Join, Refresh, Exit };
  TKind Kind = TKind::Chat;
  std::string Text;     // chat: the line typed; host: the game name
  std::string Players;  // host: the answer to "How many players may join?"
  int32_t Row = 0;      // join: the grid row, 1 for the first game
};

// What the player does in the game room window. The chat text is UTF-8, as typed.
struct TRoomAction {
  enum class TKind : uint8_t { Chat, Ready, Launch, Leave };
  TKind Kind = TKind::Chat;
  std::string Text;
};

// What a pad does: plugged in or out, a button, a stick or trigger moved.
struct TPadEvent {
  enum class TKind : uint8_t { Plug, Unplug, Button, Axis };
  TKind Kind = TKind::Plug;
  int32_t Pad = 0;  // place 0..3 (the script counts pads from 1)
  TPadButton Button = TPadButton::South;
  bool Down = false;
  TPadAxis Axis = TPadAxis::LeftX;
  int32_t Value = 0;  // -32768..32767
};

// One line of a script: an event of the game window, an action in the lobby or the room, or
// a pad's event.
struct TScriptEvent {
  TInputEvent Input;
  std::optional<TLobbyAction> Lobby;
  std::optional<TRoomAction> Room = std::nullopt;
  std::optional<TPadEvent> Pad = std::nullopt;
};

struct TInputScript {
  // Events by the frame (counted from 1) before which they are applied, in file order.
  std::map<int64_t, std::vector<TScriptEvent>> Events;
};

// Parses a script; returns false with "line N: problem" in error.
bool ParseInputScript(const std::string& text, TInputScript& script, std::string& error);

// Does what the player would in the lobby: types and presses Enter; clicks "Host Game" and
// answers both boxes; selects a row and clicks "Join Game"; clicks "Refresh" or "Exit". A
// hidden lobby takes nothing; a message box in the way is closed first.
void ApplyLobbyAction(TLForm& lobby, const TLobbyAction& action);

// Passes a pad's event into the pads.
void ApplyPadEvent(TGamepads& pads, const TPadEvent& event);

// Does what the player would in the room: types and presses Enter; clicks the ready box,
// "Launch Game" or "Leave Game". A hidden room takes nothing.
void ApplyRoomAction(TGmForm& room, const TRoomAction& action);

}  // namespace lr
