// Filling the sound component from the game's table.
#include "engine/GameSounds.h"

#include <string>

namespace lr {

void FillGameSounds(TOmegaSound3D& sound) {
  TAudioPathListItem& path = sound.AudioPathList.Add();
  path.AudioPathType = apt3D;
  path.Pool = false;
  path.Channels = kGamePathChannels;
  for (const TGameSound& entry : kGameSounds) {
    TSoundListItem& item = sound.SoundList.Add();
    item.Name = std::string(entry.Name);
    item.SetFileName(std::string(entry.FileName));
    item.Volume = entry.Volume;
    item.AudioPathIndex = 0;
    item.AudioPathPool = appUseIndex;
  }
}

}  // namespace lr
