// The real audio device: SDL_mixer, one mixer channel per voice, a run of channels per path.
// When no output can be opened the device stays usable and silent, and says so once.
#pragma once

#include <map>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/AudioDevice.h"

struct Mix_Chunk;

namespace lr {

class TSdlAudio final : public IAudioDevice {
 public:
  // Opens the output (SDL's audio subsystem, then the mixer at 44100 Hz, 16-bit stereo).
  // On failure prints "lavarumble: no audio device (<reason>); playing silently" on stderr.
  TSdlAudio();
  ~TSdlAudio() override;
  TSdlAudio(const TSdlAudio&) = delete;
  TSdlAudio& operator=(const TSdlAudio&) = delete;

  bool Ok() const override { return Opened; }
  int AllocateChannels(int count) override;
  TWaveHandle LoadWave(const std::string& path, std::string& error) override;
  void FreeWave(TWaveHandle wave) override;
  int Play(TWaveHandle wave, int firstChannel, int channelCount, int volume, uint8_t left, uint8_t right,
           int loops) override;
  bool IsChannelPlaying(int channel) override;
  bool IsPlaying(TWaveHandle wave) override;
  void Stop(TWaveHandle wave) override;

 private:
  bool SubsystemStarted = false;
  bool Opened = false;
  int SilentChannels = 0;  // the channel count a silent device pretends to have
  // Loaded waves by handle; a silent device keeps a null chunk for each checked file.
  std::map<TWaveHandle, Mix_Chunk*> Waves;
  TWaveHandle NextHandle = 1;
  // Per channel, when its current sound started, counted in starts.
  std::vector<uint64_t> StartOrder;
  uint64_t NextOrder = 1;
};

}  // namespace lr
