// SDL_mixer behind IAudioDevice. A path's group is a run of mixer channels; a start takes the
// group's first silent channel, else the one started longest ago. The start order is counted
// here rather than read from the mixer's millisecond start times, which tie for sounds
// started in the same frame.
#include "platform/SdlAudio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>

#include "platform/WaveFile.h"

namespace lr {

namespace {

constexpr int kOutputFrequency = 44100;
constexpr int kOutputChannels = 2;     // stereo, so that pan can be heard
constexpr int kChunkSamples = 1024;    // about 23 ms of latency

}  // namespace

TSdlAudio::TSdlAudio() {
  std::string reason;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    reason = SDL_GetError();
  } else {
    SubsystemStarted = true;
    if (Mix_OpenAudio(kOutputFrequency, MIX_DEFAULT_FORMAT, kOutputChannels, kChunkSamples) != 0)
      reason = Mix_GetError();
    else
      Opened = true;
  }
  if (!Opened) std::fprintf(stderr, "lavarumble: no audio device (%s); playing silently\n", reason.c_str());
}

TSdlAudio::~TSdlAudio() {
  if (Opened) {
    Mix_HaltChannel(-1);
    for (auto& [handle, chunk] : Waves) Mix_FreeChunk(chunk);
    Mix_CloseAudio();
  }
  if (SubsystemStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

int TSdlAudio::AllocateChannels(int count) {
  if (count < 0) count = 0;
  if (!Opened) return SilentChannels = count;
  const int made = Mix_AllocateChannels(count);
  StartOrder.resize(size_t(made));
  return made;
}

TWaveHandle TSdlAudio::LoadWave(const std::string& path, std::string& error) {
  Mix_Chunk* chunk = nullptr;
  if (Opened) {
    chunk = Mix_LoadWAV(path.c_str());
    if (chunk == nullptr) {
      error = Mix_GetError();
      return 0;
    }
  } else {
    TWaveInfo info;
    if (!ProbeWave(path, info, error)) return 0;
  }
  const TWaveHandle handle = NextHandle++;
  Waves[handle] = chunk;
  return handle;
}

void TSdlAudio::FreeWave(TWaveHandle wave) {
  const auto it = Waves.find(wave);
  if (it == Waves.end()) return;
  if (Opened) {
    Stop(wave);
    Mix_FreeChunk(it->second);
  }
  Waves.erase(it);
}

int TSdlAudio::Play(TWaveHandle wave, int firstChannel, int channelCount, int volume, uint8_t left, uint8_t right,
                    int loops) {
  const auto it = Waves.find(wave);
  if (it == Waves.end() || firstChannel < 0 || channelCount < 1) return kNoChannel;
  const int64_t end = int64_t(firstChannel) + channelCount;
  if (!Opened) return end <= SilentChannels ? firstChannel : kNoChannel;
  if (end > int64_t(StartOrder.size()) || end > Mix_AllocateChannels(-1)) return kNoChannel;
  const int lastChannel = int(end - 1);

  int channel = kNoChannel;
  for (int c = firstChannel; c <= lastChannel && channel == kNoChannel; ++c)
    if (!Mix_Playing(c)) channel = c;
  if (channel == kNoChannel) {
    channel = firstChannel;
    for (int c = firstChannel + 1; c <= lastChannel; ++c)
      if (StartOrder[size_t(c)] < StartOrder[size_t(channel)]) channel = c;
  }

  // Halting first: a channel's effects are dropped when its sound ends, and the panning set
  // below must survive the cut.
  Mix_HaltChannel(channel);
  for (int c = firstChannel; c <= lastChannel; ++c) {
    Mix_Volume(c, volume);
    Mix_SetPanning(c, left, right);  // a failure only loses the pan
  }
  if (Mix_PlayChannel(channel, it->second, loops) != channel) return kNoChannel;
  StartOrder[size_t(channel)] = NextOrder++;
  return channel;
}

bool TSdlAudio::IsChannelPlaying(int channel) {
  if (!Opened || channel < 0 || channel >= Mix_AllocateChannels(-1)) return false;
  return Mix_Playing(channel) != 0;
}

bool TSdlAudio::IsPlaying(TWaveHandle wave) {
  const auto it = Waves.find(wave);
  if (!Opened || it == Waves.end()) return false;
  const int channels = Mix_AllocateChannels(-1);
  for (int c = 0; c < channels; ++c)
    if (Mix_Playing(c) && Mix_GetChunk(c) == it->second) return true;
  return false;
}

void TSdlAudio::Stop(TWaveHandle wave) {
  const auto it = Waves.find(wave);
  if (!Opened || it == Waves.end()) return;
  const int channels = Mix_AllocateChannels(-1);
  for (int c = 0; c < channels; ++c)
    if (Mix_Playing(c) && Mix_GetChunk(c) == it->second) Mix_HaltChannel(c);
}

}  // namespace lr
