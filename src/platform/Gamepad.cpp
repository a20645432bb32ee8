// The pads' buttons and axes as the last events left them.
#include "platform/Gamepad.h"

#include <algorithm>

namespace lr {

std::optional<TPadButton> PadButtonFromWord(std::string_view word) {
  for (const TPadButtonName& name : kPadButtonNames)
    if (name.Word == word) return name.Button;
  return std::nullopt;
}

std::optional<TPadAxis> PadAxisFromWord(std::string_view word) {
  for (size_t i = 0; i < kPadAxisWords.size(); ++i)
    if (kPadAxisWords[i] == word) return static_cast<TPadAxis>(i);
  return std::nullopt;
}

namespace {
bool ValidPad(int pad) { return pad >= 0 && pad < kMaxPads; }
}  // namespace

void TGamepads::Plug(int pad) {
  if (!ValidPad(pad)) return;
  Pads[static_cast<size_t>(pad)] = TPadState{.Plugged = true};
}

void TGamepads::Unplug(int pad) {
  if (!ValidPad(pad)) return;
  Pads[static_cast<size_t>(pad)] = TPadState{};
}

void TGamepads::SetButton(int pad, TPadButton button, bool down) {
  if (!ValidPad(pad) || static_cast<int>(button) >= kPadButtonCount) return;
  TPadState& state = Pads[static_cast<size_t>(pad)];
  if (!state.Plugged) return;
  const TPadButtons bit = PadBit(button);
  if (down && !(state.Buttons & bit) && Presses.size() < kMaxPresses) Presses.push_back({pad, button});
  state.Buttons = down ? state.Buttons | bit : state.Buttons & ~bit;
}

void TGamepads::SetAxis(int pad, TPadAxis axis, int32_t value) {
  if (!ValidPad(pad) || static_cast<int>(axis) >= kPadAxisCount) return;
  TPadState& state = Pads[static_cast<size_t>(pad)];
  if (!state.Plugged) return;
  state.Axes[static_cast<size_t>(axis)] = static_cast<int16_t>(std::clamp<int32_t>(value, -32768, 32767));
}

const TPadState& TGamepads::State(int pad) const {
  static const TPadState kNone{};
  return ValidPad(pad) ? Pads[static_cast<size_t>(pad)] : kNone;
}

bool TGamepads::AnyPlugged() const {
  return std::any_of(Pads.begin(), Pads.end(), [](const TPadState& pad) { return pad.Plugged; });
}

std::vector<TGamepads::TPress> TGamepads::TakePresses() {
  std::vector<TPress> taken;
  taken.swap(Presses);
  return taken;
}

}  // namespace lr
