// The headless twin of the audio device: it checks every wave file like the real one, plays
// nothing, and keeps a record of every start. A channel sounds for as long as its wave lasts
// (times its plays) on an injected millisecond clock.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/AudioDevice.h"
#include "platform/Clock.h"

namespace lr {

// One started wave, as the device was asked to play it.
struct TRecordedPlay {
  std::string File;  // the path the wave was loaded from
  int Channel = kNoChannel;
  int Volume = 0;   // 0..128
  uint8_t Left = 255;
  uint8_t Right = 255;
  int Loops = 0;
  int64_t Milliseconds = 0;  // the clock when it started
};

class TRecordingAudio final : public IAudioDevice {
 public:
  explicit TRecordingAudio(IClock& clock) : Clock(clock) {}

  bool Ok() const override { return true; }
  int AllocateChannels(int count) override;
  TWaveHandle LoadWave(const std::string& path, std::string& error) override;
  void FreeWave(TWaveHandle wave) override;
  int Play(TWaveHandle wave, int firstChannel, int channelCount, int volume, uint8_t left, uint8_t right,
           int loops) override;
  bool IsChannelPlaying(int channel) override;
  bool IsPlaying(TWaveHandle wave) override;
  void Stop(TWaveHandle wave) override;

  // Every start since the last TakePlays, oldest first.
  const std::vector<TRecordedPlay>& Plays() const { return Recorded; }
  // Hands over the record and starts a new one (the headless runner does this per frame).
  std::vector<TRecordedPlay> TakePlays();
  // Files read successfully, in order (a file read twice appears twice).
  const std::vector<std::string>& Loads() const { return LoadedFiles; }
  // Waves currently held.
  size_t WaveCount() const { return Waves.size(); }
  int ChannelCount() const { return static_cast<int>(Voices.size()); }
  // The wave a channel was last started with; 0 if none, or stopped or freed since.
  TWaveHandle ChannelWave(int channel) const;

 private:
  struct TWave {
    std::string File;
    double DurationMs = 0;
  };
  struct TVoice {
    TWaveHandle Wave = 0;
    uint64_t Order = 0;  // start order, for the oldest voice of a group
    int64_t StartMs = 0;
    int Loops = 0;
  };
  bool Sounding(const TVoice& voice);

  IClock& Clock;
  std::map<TWaveHandle, TWave> Waves;
  std::vector<TVoice> Voices;
  std::vector<TRecordedPlay> Recorded;
  std::vector<std::string> LoadedFiles;
  TWaveHandle NextHandle = 1;
  uint64_t NextOrder = 1;
};

}  // namespace lr
