// The game pads as the game reads them: for each of four pad places, whether a pad is plugged
// in, which buttons it holds and where its sticks stand. SDL's game controllers feed it in a
// window, the input script headless; unplugging a pad drops everything it held.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace lr {

// Buttons by their place on the pad, in SDL's game controller order (south is "A" on one
// maker's pads and a cross on another's).
enum class TPadButton : uint8_t {
  South, East, West, North, Back, Guide, Start, LeftStick, RightStick, LeftShoulder, RightShoulder,
  DpadUp, DpadDown, DpadLeft, DpadRight,
};
inline constexpr int kPadButtonCount = 15;

enum class TPadAxis : uint8_t { LeftX, LeftY, RightX, RightY, LeftTrigger, RightTrigger };
inline constexpr int kPadAxisCount = 6;

// A set of buttons: bit b is button b.
using TPadButtons = uint32_t;
inline constexpr TPadButtons PadBit(TPadButton button) { return TPadButtons{1} << static_cast<int>(button); }

struct TPadButtonName {
  TPadButton Button;
  std::string_view Word;     // in scripts and lavarumble.ini
  std::string_view Caption;  // in the Controls window
};

inline constexpr std::array<TPadButtonName, kPadButtonCount> kPadButtonNames = {{
    {TPadButton::South, "south", "South"},
    {TPadButton::East, "east", "East"},
    {TPadButton::West, "west", "West"},
    {TPadButton::North, "north", "North"},
    {TPadButton::Back, "back", "Back"},
    {TPadButton::Guide, "guide", "Guide"},
    {TPadButton::Start, "start", "Start"},
    {TPadButton::LeftStick, "leftstick", "Left stick"},
    {TPadButton::RightStick, "rightstick", "Right stick"},
    {TPadButton::LeftShoulder, "leftshoulder", "Left shoulder"},
    {TPadButton::RightShoulder, "rightshoulder", "Right shoulder"},
    {TPadButton::DpadUp, "dpup", "D-pad up"},
    {TPadButton::DpadDown, "dpdown", "D-pad down"},
    {TPadButton::DpadLeft, "dpleft", "D-pad left"},
    {TPadButton::DpadRight, "dpright", "D-pad right"},
}};

inline constexpr std::array<std::string_view, kPadAxisCount> kPadAxisWords = {
    "leftx", "lefty", "rightx", "righty", "lefttrigger", "righttrigger"};

std::optional<TPadButton> PadButtonFromWord(std::string_view word);
std::optional<TPadAxis> PadAxisFromWord(std::string_view word);

// Pad places 0..3; SDL's pads take the lowest free place when they are plugged in.
inline constexpr int kMaxPads = 4;
// A stick moved no further than this from its centre (of 32767) counts as at rest: worn
// sticks never quite return to 0.
inline constexpr int kStickDeadZone = 8000;

struct TPadState {
  bool Plugged = false;
  TPadButtons Buttons = 0;
  std::array<int16_t, kPadAxisCount> Axes{};
  int16_t Axis(TPadAxis axis) const { return Axes[static_cast<size_t>(axis)]; }
};

class TGamepads {
 public:
  // A button that went down, for binding it to an action.
  struct TPress {
    int Pad = 0;
    TPadButton Button = TPadButton::South;
  };

  // Out-of-range places are ignored; so are buttons and axes of a place with no pad.
  void Plug(int pad);
  // Releases every button and centres every axis: the player it played lets go at once.
  void Unplug(int pad);
  void SetButton(int pad, TPadButton button, bool down);
  // Clamped into -32768..32767.
  void SetAxis(int pad, TPadAxis axis, int32_t value);
  const TPadState& State(int pad) const;
  bool AnyPlugged() const;
  // The buttons pressed since the last call, oldest first (at most kMaxPresses are kept).
  std::vector<TPress> TakePresses();

 private:
  static constexpr size_t kMaxPresses = 64;
  std::array<TPadState, kMaxPads> Pads{};
  std::vector<TPress> Presses;
};

}  // namespace lr
