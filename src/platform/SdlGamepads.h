// The real pads: SDL's game controllers through its built-in mapping database, opened as they
// are plugged in and closed as they go, their buttons and sticks fed into the pad model.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/Gamepad.h"

union SDL_Event;
struct _SDL_GameController;

namespace lr {

class TSdlGamepads {
 public:
  explicit TSdlGamepads(TGamepads& pads) : Pads(pads) {}
  ~TSdlGamepads();
  TSdlGamepads(const TSdlGamepads&) = delete;
  TSdlGamepads& operator=(const TSdlGamepads&) = delete;

  // Starts SDL's game controller part; the pads already plugged in arrive as events. Mappings
  // of `mappingFile` (SDL's gamecontrollerdb.txt format) are added when the file exists.
  // False with a reason: the game then plays without pads.
  bool Open(const std::string& mappingFile, std::string& error);
  // A pad's event (plugged in, unplugged, a button, an axis) goes into the model; true when
  // the event was a pad's.
  bool HandleEvent(const SDL_Event& event);

 private:
  void Added(int deviceIndex);
  void Removed(int32_t instanceId);
  int PlaceOf(int32_t instanceId) const;

  TGamepads& Pads;
  bool Started = false;
  std::array<_SDL_GameController*, kMaxPads> Controllers{};
  std::array<int32_t, kMaxPads> InstanceIds{-1, -1, -1, -1};
};

}  // namespace lr
