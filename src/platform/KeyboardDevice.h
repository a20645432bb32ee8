// The keyboard as the input component reads it: the up/down state of every key by scan code
// (bit 7 of byte k set while key k is down), and whether the game window has the focus.
#pragma once

#include <array>
#include <cstdint>

namespace lr {

using TKeyboardState = std::array<uint8_t, 256>;

class IKeyboardDevice {
 public:
  virtual ~IKeyboardDevice() = default;
  // Returns false when the state cannot be read (the device was lost).
  virtual bool ReadState(TKeyboardState& state) = 0;
  virtual bool HasFocus() const = 0;
};

// The headless twin: keys go down and up when a script says so; the window has the focus
// unless told otherwise.
class TScriptedKeyboard final : public IKeyboardDevice {
 public:
  bool ReadState(TKeyboardState& state) override {
    state = Keys;
    return true;
  }
  bool HasFocus() const override { return Focus; }
  void SetKey(int32_t dik, bool down) {
    if (dik > 0 && dik < 256) Keys[static_cast<size_t>(dik)] = down ? 0x80 : 0;
  }
  void SetFocus(bool focus) { Focus = focus; }

 private:
  TKeyboardState Keys{};
  bool Focus = true;
};

class TSdlWindow;

// The real keyboard, read from SDL's key state through the key table; the focus is the game
// window's own (the dialogs' windows do not count).
class TSdlKeyboard final : public IKeyboardDevice {
 public:
  explicit TSdlKeyboard(const TSdlWindow& window) : Window(window) {}
  bool ReadState(TKeyboardState& state) override;
  bool HasFocus() const override;

 private:
  const TSdlWindow& Window;
};

}  // namespace lr
