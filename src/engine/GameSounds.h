// The game's sound table: the one audio path and the eleven named effects, as the main form
// stores them.
#pragma once

#include <array>
#include <string_view>

#include "engine/OmegaSound3D.h"

namespace lr {

struct TGameSound {
  std::string_view Name;
  std::string_view FileName;  // as stored, with a backslash
  Integer Volume;
};

// In stored order. "Plink" stores 175, which the volume clamp turns into full level.
inline constexpr std::array<TGameSound, 11> kGameSounds = {{
    {"Scream", "Sounds\\Scream.wav", 100},
    {"Mine", "Sounds\\Mine.wav", 100},
    {"Boom", "Sounds\\Boom.wav", 100},
    {"Bzzt", "Sounds\\Bzzt.wav", 100},
    {"Ouff", "Sounds\\Ouff.wav", 100},
    {"Loadup", "Sounds\\Loadup.wav", 100},
    {"Spring", "Sounds\\Spring.wav", 100},
    {"Gun", "Sounds\\pistol.wav", 100},
    {"Spring2", "Sounds\\spring2.wav", 100},
    {"Plink", "Sounds\\Plink.wav", 175},
    {"Splash", "Sounds\\splash.wav", 100},
}};

// The game's single path: 3D, not pooled, 16 voices. Every sound plays on it.
inline constexpr Integer kGamePathChannels = 16;

// Appends the game's path and sounds to the component's lists (every sound: no loop, no
// repeats, centred, path 0 by index). The paths still have to be created.
void FillGameSounds(TOmegaSound3D& sound);

}  // namespace lr
