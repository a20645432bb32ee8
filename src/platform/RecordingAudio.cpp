// The recording device: file checks, voice bookkeeping on the injected clock, the record.
#include "platform/RecordingAudio.h"

#include <utility>

#include "platform/WaveFile.h"

namespace lr {

int TRecordingAudio::AllocateChannels(int count) {
  Voices.resize(count < 0 ? 0 : static_cast<size_t>(count));
  return ChannelCount();
}

TWaveHandle TRecordingAudio::LoadWave(const std::string& path, std::string& error) {
  TWaveInfo info;
  if (!ProbeWave(path, info, error)) return 0;
  const TWaveHandle handle = NextHandle++;
  Waves[handle] = TWave{path, info.DurationMs};
  LoadedFiles.push_back(path);
  return handle;
}

void TRecordingAudio::FreeWave(TWaveHandle wave) {
  if (Waves.erase(wave) == 0) return;
  for (TVoice& v : Voices)
    if (v.Wave == wave) v = TVoice{};
}

bool TRecordingAudio::Sounding(const TVoice& voice) {
  const auto it = Waves.find(voice.Wave);
  if (it == Waves.end()) return false;
  if (voice.Loops < 0) return true;
  const double length = it->second.DurationMs * (static_cast<double>(voice.Loops) + 1.0);
  return static_cast<double>(Clock.Milliseconds() - voice.StartMs) < length;
}

int TRecordingAudio::Play(TWaveHandle wave, int firstChannel, int channelCount, int volume, uint8_t left,
                          uint8_t right, int loops) {
  const auto it = Waves.find(wave);
  if (it == Waves.end() || firstChannel < 0 || channelCount < 1 || int64_t(firstChannel) + channelCount > ChannelCount())
    return kNoChannel;
  int channel = kNoChannel;
  for (int c = firstChannel; c < firstChannel + channelCount && channel == kNoChannel; ++c)
    if (!Sounding(Voices[static_cast<size_t>(c)])) channel = c;
  if (channel == kNoChannel) {
    channel = firstChannel;
    for (int c = firstChannel + 1; c < firstChannel + channelCount; ++c)
      if (Voices[static_cast<size_t>(c)].Order < Voices[static_cast<size_t>(channel)].Order) channel = c;
  }
  const int64_t now = Clock.Milliseconds();
  Voices[static_cast<size_t>(channel)] = TVoice{wave, NextOrder++, now, loops};
  Recorded.push_back(TRecordedPlay{it->second.File, channel, volume, left, right, loops, now});
  return channel;
}

bool TRecordingAudio::IsChannelPlaying(int channel) {
  if (channel < 0 || channel >= ChannelCount()) return false;
  return Sounding(Voices[static_cast<size_t>(channel)]);
}

bool TRecordingAudio::IsPlaying(TWaveHandle wave) {
  for (const TVoice& v : Voices)
    if (v.Wave == wave && Sounding(v)) return true;
  return false;
}

void TRecordingAudio::Stop(TWaveHandle wave) {
  for (TVoice& v : Voices)
    if (v.Wave == wave) v = TVoice{};
}

std::vector<TRecordedPlay> TRecordingAudio::TakePlays() { return std::exchange(Recorded, {}); }

TWaveHandle TRecordingAudio::ChannelWave(int channel) const {
  if (channel < 0 || channel >= ChannelCount()) return 0;
  return Voices[static_cast<size_t>(channel)].Wave;
}

}  // namespace lr
