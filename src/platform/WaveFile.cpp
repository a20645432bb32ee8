// Wave checking through SDL's own wave reader, which needs no open audio device.
#include "platform/WaveFile.h"

#include <SDL.h>

namespace lr {

bool ProbeWave(const std::string& path, TWaveInfo& info, std::string& error) {
  SDL_AudioSpec format{};
  Uint8* buffer = nullptr;
  Uint32 length = 0;
  if (SDL_LoadWAV(path.c_str(), &format, &buffer, &length) == nullptr) {
    error = SDL_GetError();
    if (error.empty()) error = "not a readable wave file";
    return false;
  }
  SDL_FreeWAV(buffer);
  info.Frequency = format.freq;
  info.Channels = format.channels;
  info.BitsPerSample = SDL_AUDIO_BITSIZE(format.format);
  const double bytesPerSecond = double(format.freq) * format.channels * (info.BitsPerSample / 8);
  if (bytesPerSecond <= 0) {
    error = "wave file without a sample rate";
    return false;
  }
  info.DurationMs = length * 1000.0 / bytesPerSecond;
  return true;
}

}  // namespace lr
