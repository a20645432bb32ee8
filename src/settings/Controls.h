// The controls: which key and which pad buttons do each of the eleven actions of the game
// (each player's up, down, left, right and use, and ready), which player each pad plays, and
// how a pad's buttons and sticks become the slot bits the keyboard sets. Action i is slot i of
// the keyboard's table, so the rules read rebound keys and pads unchanged.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "engine/OmegaInput.h"
#include "engine/Types.h"
#include "platform/Gamepad.h"

namespace lr {

class TIniFile;

inline constexpr size_t kControlActionCount = 11;
inline constexpr size_t kReadyAction = 10;

struct TControlAction {
  std::string_view IniKey;   // in lavarumble.ini's [Keys] and [Pads]
  std::string_view Caption;  // in the Controls window and its refusals
  Integer DefaultKey;        // the game's table (scan code)
  TPadButtons DefaultPad;    // a pad's buttons for it, besides the left stick
};

inline constexpr std::array<TControlAction, kControlActionCount> kControlActions = {{
    {"Player1Up", "Player 1 up", 200, PadBit(TPadButton::DpadUp) | PadBit(TPadButton::South)},
    {"Player1Down", "Player 1 down", 208, PadBit(TPadButton::DpadDown)},
    {"Player1Left", "Player 1 left", 203, PadBit(TPadButton::DpadLeft)},
    {"Player1Right", "Player 1 right", 205, PadBit(TPadButton::DpadRight)},
    {"Player1Use", "Player 1 use", 28, PadBit(TPadButton::East) | PadBit(TPadButton::West)},
    {"Player2Up", "Player 2 up", 17, PadBit(TPadButton::DpadUp) | PadBit(TPadButton::South)},
    {"Player2Down", "Player 2 down", 31, PadBit(TPadButton::DpadDown)},
    {"Player2Left", "Player 2 left", 30, PadBit(TPadButton::DpadLeft)},
    {"Player2Right", "Player 2 right", 32, PadBit(TPadButton::DpadRight)},
    {"Player2Use", "Player 2 use", 16, PadBit(TPadButton::East) | PadBit(TPadButton::West)},
    {"Ready", "Ready", 57, PadBit(TPadButton::Start)},
}};

// The player (1 or 2) whose action this is; 0 for ready, which is both players'.
inline int PlayerOfAction(size_t action) { return action < 5 ? 1 : action < 10 ? 2 : 0; }

struct TControls {
  std::array<Integer, kControlActionCount> Keys{};
  std::array<TPadButtons, kControlActionCount> PadButtons{};
  // The player each pad place plays: 1, 2, or 0 for nobody. The first pad plays player 2, so a
  // lone pad frees the keyboard's crowded left side.
  std::array<uint8_t, kMaxPads> PadPlayer{2, 1, 0, 0};

  TControls();  // the game's table
  bool operator==(const TControls&) const = default;

  // The action other than `action` that already has this key, or -1.
  int KeyOwner(Integer key, size_t action) const;
  // The action other than `action` whose pad shares this button with `action`'s (the same
  // player's actions and ready), or -1.
  int PadOwner(TPadButton button, size_t action) const;
};

// The slot bits the plugged pads hold: each pad for the player it plays (online, the local
// player whatever it is set to), the left stick beyond the dead zone walking, jumping and
// crouching besides the buttons; any pad's ready button is ready.
TSlotSet PadSlots(const TControls& controls, const TGamepads& pads, bool online);

// A pad button set as lavarumble.ini writes it ("dpup south"; "none" for no button) and back.
std::string PadButtonsText(TPadButtons buttons);
// False for a word that names no button.
bool ParsePadButtons(std::string_view text, TPadButtons& buttons);
// The Controls window's words for a key and a pad button set.
std::string KeyCaption(Integer key);
std::string PadCaption(TPadButtons buttons);

// Reads [Keys] and [Pads] from an ini file already loaded; a missing entry keeps its default.
// An entry that cannot be read, or keys or pad buttons given to two actions, fall back to the
// defaults of that part; the first such problem is returned for one line on stderr.
std::string ReadControls(const TIniFile& ini, TControls& controls);
void WriteControls(TIniFile& ini, const TControls& controls);

}  // namespace lr
