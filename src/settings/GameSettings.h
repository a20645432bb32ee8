// The match rules every game object reads: densities, physics, powerups, rounds, delays.
#pragma once

#include <array>

#include "engine/Types.h"
#include "settings/Controls.h"
#include "settings/PlayedBy.h"

namespace lr {

struct TGameSettings {
  Integer PlatformDensity = 80;  // percent
  Integer RopeDensity = 10;      // percent
  Single MovePower = 1.6f;
  Single JumpPower = -5.0f;  // negative is upwards
  Single ClimbPower = 1.7f;
  Single Gravity = 0.22f;
  std::array<bool, 9> PowerupEnabled{true, true, true, true, true, true, true, true, true};
  Integer PowerupDelay = 6;  // seconds, 6..60
  Byte RoundCount = 3;
  Byte RoundDelay = 10;  // seconds
  bool Fullscreen = false;
  // Who steers each local player (lavarumble.ini and --cpu; not part of Options.dat).
  std::array<TPlayedBy, 2> PlayedBy{TPlayedBy::Person, TPlayedBy::Person};
  // Keys and pads of the actions, and the pads' players (lavarumble.ini; not in Options.dat).
  TControls Controls;
};

}  // namespace lr
