// Keyboard set-up, acquisition and polling through the slot table.
#include "engine/OmegaInput.h"

namespace lr {

// A new keyboard's table: arrows, space, left Ctrl, Enter, Esc and left Alt.
const std::array<Integer, 32> TKeyboard::kDefaultAssigns = {200, 208, 203, 205, 57, 29, 28, 0, 0, 0, 0,
                                                             0,   0,   0,   0,   0,  0,  0,  0, 0, 0, 0,
                                                             0,   0,   0,   0,   0,  0,  0,  0, 1, 56};

// [SECTION] TCustomInput

void TCustomInput::SetEnabled(bool value) {
  if (value) {
    FEnabled = true;
    if (!Initialized && Owner->Initialized) {
      SetupDevice();
      Acquire();
    }
  } else {
    if (Initialized) ReleaseDevice();
    FEnabled = false;
  }
}

void TCustomInput::SetForegroundOnly(bool value) {
  if (value == FForegroundOnly) return;
  FForegroundOnly = value;
  if (Initialized) {
    SetupDevice();
    Acquire();
  }
}

void TCustomInput::SetExclusive(bool value) {
  if (value == FExclusive) return;
  FExclusive = value;
  if (Initialized) {
    SetupDevice();
    Acquire();
  }
}

void TCustomInput::Acquire() {
  if (Device) Acquired = true;
}

void TCustomInput::ReleaseDevice() {
  Acquired = false;
  Device = nullptr;
  Initialized = false;
}

// [SECTION] TKeyboard

TKeyboard::TKeyboard(TOmegaInput& owner) : TCustomInput(owner) {
  Assigns = kDefaultAssigns;
  FEnabled = true;
}

void TKeyboard::SetupDevice() {
  ReleaseDevice();
  if (!FEnabled || !Owner->System) return;
  Device = Owner->System;
  Initialized = true;
}

void TKeyboard::Poll() {
  Down = 0;
  Pressed = 0;
  if (!Initialized || !Device) return;
  // A foreground-only keyboard delivers nothing while the window lacks the focus; the window
  // acquires it again as soon as the focus returns, so input resumes at once.
  if (FForegroundOnly && !Device->HasFocus()) {
    Acquired = false;
    return;
  }
  if (!Acquired) Acquire();
  TKeyboardState state;
  if (!Device->ReadState(state)) return;
  for (int slot = 0; slot < 32; ++slot) {
    const Integer key = Assigns[static_cast<size_t>(slot)];
    const TSlotSet bit = TSlotSet{1} << slot;
    const bool down = key > 0 && key < 256 && (state[static_cast<size_t>(key)] & 0x80) != 0;
    if (down) {
      Down |= bit;
      if (!(Held & bit)) {
        Pressed |= bit;
        Held |= bit;
      }
    } else {
      Held &= ~bit;
    }
  }
}

std::vector<uint8_t> TKeyboard::SaveAssigns() const {
  std::vector<uint8_t> block;
  block.reserve(128);
  for (Integer code : Assigns)
    for (int b = 0; b < 4; ++b) block.push_back(static_cast<uint8_t>(static_cast<uint32_t>(code) >> (8 * b)));
  return block;
}

bool TKeyboard::LoadAssigns(const std::vector<uint8_t>& block) {
  if (block.size() != 128) return false;
  for (size_t slot = 0; slot < 32; ++slot) {
    uint32_t code = 0;
    for (size_t b = 0; b < 4; ++b) code |= static_cast<uint32_t>(block[slot * 4 + b]) << (8 * b);
    Assigns[slot] = static_cast<Integer>(code);
  }
  return true;
}

// [SECTION] TOmegaInput

TOmegaInput::TOmegaInput(IKeyboardDevice* device) : Keyboard(*this), System(device) {}

void TOmegaInput::Init() {
  UnInit();
  Initialized = true;
  Keyboard.SetupDevice();
  Keyboard.Acquire();
}

void TOmegaInput::UnInit() {
  Initialized = false;
  Keyboard.ReleaseDevice();
}

void TOmegaInput::Activated() { Keyboard.Acquire(); }

}  // namespace lr
