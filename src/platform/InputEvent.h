// Everything the player does reaches the game as one of these events, through one entry
// point of the main form: real window events and scripted ones alike.
#pragma once

#include <cstdint>

namespace lr {

enum class TInputEventKind : uint8_t {
  KeyDown,      // Key: keyboard scan code (DirectInput numbering); VirtualKey: the window's key code
  KeyUp,        // Key as for KeyDown
  MouseMove,    // X, Y: pointer on the 640 × 480 screen
  Click,        // at the last pointer position
  FocusGained,  // the game window got the keyboard focus
  FocusLost,    // ... or lost it
  Close,        // the window's close button
};

struct TInputEvent {
  TInputEventKind Kind = TInputEventKind::KeyDown;
  int32_t Key = 0;
  int32_t VirtualKey = 0;
  int32_t X = 0;
  int32_t Y = 0;
};

}  // namespace lr
