// The audio device as the sound engine sees it: loaded waves, numbered mixing channels, and
// groups of channels that play like one output path with one volume and one pan.
#pragma once

#include <cstdint>
#include <string>

namespace lr {

// A loaded wave; 0 names none.
using TWaveHandle = int32_t;

// What Play answers when the wave could not be started.
constexpr int kNoChannel = -1;

class IAudioDevice {
 public:
  virtual ~IAudioDevice() = default;

  // True when what is played reaches an output (a speaker, or a recorder); false for a device
  // that could not be opened and plays silently.
  virtual bool Ok() const = 0;

  // Makes `count` mixing channels, numbered from 0; answers how many there are now.
  virtual int AllocateChannels(int count) = 0;

  // Reads a wave file. A missing file or one that is not a readable wave answers 0 and the
  // reason in `error`; a silent device checks the file all the same.
  virtual TWaveHandle LoadWave(const std::string& path, std::string& error) = 0;

  // Stops the wave wherever it plays and forgets it. Unknown handles are ignored.
  virtual void FreeWave(TWaveHandle wave) = 0;

  // Starts the wave on a free channel of the group [firstChannel, firstChannel + channelCount),
  // or on the group's oldest channel when all are busy (cutting what played there).
  // `volume` (0..128) and `left`/`right` (0..255, 255 untouched) belong to the group: they are
  // set on every channel of it, as a path's buffer acts on everything it carries.
  // `loops` is the number of plays after the first; -1 repeats without end.
  // Answers the channel, or kNoChannel. A silent device answers the group's first channel.
  virtual int Play(TWaveHandle wave, int firstChannel, int channelCount, int volume, uint8_t left, uint8_t right,
                   int loops) = 0;

  // True while the channel is sounding.
  virtual bool IsChannelPlaying(int channel) = 0;

  // True while any channel sounds the wave.
  virtual bool IsPlaying(TWaveHandle wave) = 0;

  // Stops every channel that sounds the wave.
  virtual void Stop(TWaveHandle wave) = 0;
};

}  // namespace lr
