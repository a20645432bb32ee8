// Checking a wave file without an audio device: its format and how long it sounds. The
// silent device and the recording device use it so that a bad file fails the same way
// everywhere.
#pragma once

#include <string>

namespace lr {

struct TWaveInfo {
  int Frequency = 0;      // samples per second
  int Channels = 0;       // 1 mono, 2 stereo
  int BitsPerSample = 0;  // 8, 16 or 32
  double DurationMs = 0;  // one play, in milliseconds
};

// Reads the whole file as a wave. False, with the reason in `error`, when the file is
// missing or not a wave the mixer can decode.
bool ProbeWave(const std::string& path, TWaveInfo& info, std::string& error);

}  // namespace lr
