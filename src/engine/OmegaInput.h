// TOmegaInput and its keyboard part: each poll reduces the keyboard to a 32-bit set, bit i
// being the key assigned to slot i. The game tests slot bits, never keys.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/OmegaScreen.h"
#include "engine/Types.h"
#include "platform/KeyboardDevice.h"

namespace lr {

class TOmegaInput;

using TSlotSet = uint32_t;  // bit i: slot i

class TCustomInput {
 public:
  explicit TCustomInput(TOmegaInput& owner) : Owner(&owner) {}
  virtual ~TCustomInput() = default;

  TSlotSet Down = 0;     // slots whose key was down at the last poll
  TSlotSet Pressed = 0;  // slots whose key went down at the last poll
  TSlotSet Held = 0;     // slots seen down at the previous poll
  bool Initialized = false;
  TOmegaInput* Owner;
  IKeyboardDevice* Device = nullptr;  // set up: the device delivers input

  bool Enabled() const { return FEnabled; }
  bool ForegroundOnly() const { return FForegroundOnly; }
  bool Exclusive() const { return FExclusive; }
  void SetEnabled(bool value);
  void SetForegroundOnly(bool value);
  void SetExclusive(bool value);

  // Asks the device to start delivering input (ignored without a device).
  void Acquire();
  virtual void SetupDevice() = 0;
  void ReleaseDevice();

 protected:
  bool FEnabled = false;
  bool FForegroundOnly = true;
  bool FExclusive = false;
  bool Acquired = false;
};

class TKeyboard final : public TCustomInput {
 public:
  explicit TKeyboard(TOmegaInput& owner);

  // The key code (DirectInput scan code) of each slot; 0 names no key.
  std::array<Integer, 32> Assigns{};

  void Poll();
  void SetupDevice() override;

  // The 128-byte stored form of Assigns: 32 little-endian 32-bit integers.
  std::vector<uint8_t> SaveAssigns() const;
  // Reads a stored block ("Assigns", or the older "Assigns2"); false if it is not 128 bytes.
  bool LoadAssigns(const std::vector<uint8_t>& block);

  static const std::array<Integer, 32> kDefaultAssigns;
};

class TOmegaInput final : public TDeviceComponent {
 public:
  // The keyboard the component reads; the window's keyboard, or a scripted one.
  explicit TOmegaInput(IKeyboardDevice* device);

  TKeyboard Keyboard;
  bool Initialized = false;
  IKeyboardDevice* System;  // nullptr: no keyboard could be created

  void Init();
  void UnInit();
  // The window was activated: every part acquires its device again.
  void Activated();

  TKind DeviceKind() const override { return TKind::Input; }
  void DeviceInit() override { Init(); }
  void DeviceUnInit() override {}
};

}  // namespace lr
