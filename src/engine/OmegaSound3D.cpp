// The sound engine: lazy loading, path choice, starting, stopping and the playing test.
#include "engine/OmegaSound3D.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

#include "platform/Paths.h"

namespace lr {

namespace {

constexpr std::array<std::string_view, 15> kSoundErrorTexts = {
    "Failed to initialise COM",
    "Failed to initialise DirectX Audio. DirectX 8 may not be installed",
    "Failed to initialise DirectMusic. DirectX 8 may not be installed",
    "TSoundListCollection may only be created with TOmegaSound3D as owner",
    "TModListCollection may only be created with TOmegaSound3D as owner",
    "Failed to create standard audio path. DirectX 8 may not be installed",
    "Failed GetObjectInPath. DirectX 8 may not be installed",
    "Error loading sound: ",
    "Error downloading sound",
    "Error looping sound",
    "Error setting number of repeat counts",
    "Error playing sound",
    "Error stopping sound",
    "Error setting sound position",
    "Error setting listener position",
};
static_assert(kSoundErrorTexts.size() == static_cast<size_t>(TSoundError::ListenerPosition) + 1);

// A sound counts as playing for this long after it starts, whatever the device says, so
// that a sound asked about in the frame it started is never taken for finished.
constexpr int64_t kStartGraceMs = 250;

// More voices than any path set needs; beyond it the paths are refused, not allocated.
constexpr int64_t kMaxChannels = 4096;

constexpr int kMixerMaxVolume = 128;
constexpr int kMixerMaxGain = 255;

// Linear gain of an attenuation in hundredths of a decibel.
double Gain(Integer hundredths) { return std::pow(10.0, hundredths / 2000.0); }

}  // namespace

// [SECTION] Path types, errors and level conversions

std::string_view SoundErrorText(TSoundError error) { return kSoundErrorTexts[static_cast<size_t>(error)]; }

ESoundError::ESoundError(TSoundError kind, const std::string& suffix, std::string detail)
    : std::runtime_error(std::string(SoundErrorText(kind)) + suffix), Kind(kind), Detail(std::move(detail)) {}

Integer VolumeToAttenuation(Integer volume) { return std::clamp(volume, 0, 100) * 100 - 10000; }

Integer PanToHundredths(Integer pan) { return std::clamp(pan, -100, 100) * 100; }

int AttenuationToMixerVolume(Integer hundredths) {
  if (hundredths >= 0) return kMixerMaxVolume;
  return static_cast<int>(Round(Gain(hundredths) * kMixerMaxVolume));
}

TStereoGains PanToMixerPanning(Integer hundredths) {
  const Integer cut = std::clamp(hundredths, -10000, 10000);
  const auto side = static_cast<uint8_t>(Round(Gain(-std::abs(cut)) * kMixerMaxGain));
  TStereoGains gains;
  if (cut > 0) gains.Left = side;
  if (cut < 0) gains.Right = side;
  return gains;
}

// [SECTION] Audio paths

void TAudioPathListItem::SetFrequency(Integer value) { FFrequency = std::max(value, 0); }

bool TAudioPathListItem::Busy() const { return FCurrentSound != nullptr && FCurrentSound->IsPlaying(); }

TAudioPathListItem& TAudioPathListCollection::Add() {
  List.push_back(std::make_unique<TAudioPathListItem>());
  return *List.back();
}

TAudioPathListItem* TAudioPathListCollection::Items(Integer index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return List[static_cast<size_t>(index)].get();
}

// [SECTION] Sounds

TSoundListItem::~TSoundListItem() { Unload(); }

void TSoundListItem::SetFileName(const std::string& value) {
  if (value != FFileName) FFileName = value;
}

// The repeats are handed to the device with every start, so a change applies from the next
// play on; copies already sounding keep theirs.
void TSoundListItem::SetLoop(bool value) { FLoop = value; }

void TSoundListItem::SetRepeatCount(Cardinal value) { FRepeatCount = value; }

void TSoundListItem::Load() {
  std::string reason;
  const std::string file = Owner.ResolveFile ? Owner.ResolveFile(FFileName) : NativePath(FFileName);
  const TWaveHandle wave = Owner.Device().LoadWave(file, reason);
  if (wave == 0) throw ESoundError(TSoundError::Loading, FFileName, reason);
  Wave = wave;
  FLoaded = true;
}

TAudioPathListItem* TSoundListItem::Play() {
  if (!FLoaded) Load();
  TAudioPathListItem* path = Owner.ChoosePath(*this);
  if (path != nullptr) {
    path->FVolume = VolumeToAttenuation(Volume);
    path->FPan = PanToHundredths(Pan);
    if (path->AudioPathType == apt3D) path->FPosition = {SoundPositionX, SoundPositionY, SoundPositionZ};
    if (!path->FCreated) throw ESoundError(TSoundError::Playing, {}, "the audio paths have not been created");
    const int loops = FLoop ? -1 : static_cast<int>(std::min<Cardinal>(FRepeatCount, INT_MAX));
    const TStereoGains pan = PanToMixerPanning(path->FPan);
    const int channel = Owner.Device().Play(Wave, path->FFirstChannel, path->FChannelCount,
                                            AttenuationToMixerVolume(path->FVolume), pan.Left, pan.Right, loops);
    if (channel == kNoChannel) throw ESoundError(TSoundError::Playing);
    path->FCurrentSound = this;
    path->FStartTime = Owner.Clock().Milliseconds();
  }
  Path = path;
  return path;
}

void TSoundListItem::Stop() {
  if (FLoaded) Owner.Device().Stop(Wave);
  for (Integer i = 0; i < Owner.AudioPathList.Count(); ++i) {
    TAudioPathListItem* path = Owner.AudioPathList.Items(i);
    if (path->FCurrentSound == this) path->FCurrentSound = nullptr;
  }
}

void TSoundListItem::Unload() {
  Stop();
  if (!FLoaded) return;
  Owner.Device().FreeWave(Wave);
  Wave = 0;
  FLoaded = false;
}

bool TSoundListItem::IsPlaying() const {
  if (!FLoaded || Path == nullptr || Path->FCurrentSound != this) return false;
  if (Owner.Clock().Milliseconds() - Path->FStartTime < kStartGraceMs) return true;
  return Owner.Device().IsPlaying(Wave);
}

TSoundListItem& TSoundListCollection::Add() {
  List.push_back(std::make_unique<TSoundListItem>(Owner));
  return *List.back();
}

TSoundListItem* TSoundListCollection::Items(Integer index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return List[static_cast<size_t>(index)].get();
}

TSoundListItem* TSoundListCollection::Find(const std::string& name) const {
  for (const auto& item : List)
    if (item->Name == name) return item.get();
  return nullptr;
}

// [SECTION] The component

TOmegaSound3D::TOmegaSound3D(IAudioDevice* device, IClock& clock)
    : ResolveFile(FindGameFile), FDevice(device), FClock(clock) {
  if (device == nullptr) throw std::invalid_argument("TOmegaSound3D needs an audio device");
}

TOmegaSound3D::~TOmegaSound3D() { SoundList.Clear(); }

void TOmegaSound3D::CreateAudioPaths() {
  int64_t total = 0;
  for (Integer i = 0; i < AudioPathList.Count(); ++i) {
    TAudioPathListItem& path = *AudioPathList.Items(i);
    const int64_t wanted = total + path.Channels;
    if (path.Channels < 1 || wanted > kMaxChannels)
      throw ESoundError(TSoundError::CreateAudioPath, {}, "a path needs 1 to 4096 voices in all");
    if (FDevice->AllocateChannels(static_cast<int>(wanted)) < wanted)
      throw ESoundError(TSoundError::CreateAudioPath, {}, "the mixer could not make the channels");
    path.FFirstChannel = static_cast<int>(total);
    path.FChannelCount = path.Channels;
    path.FCreated = true;
    total = wanted;
  }
}

TAudioPathListItem* TOmegaSound3D::ChoosePath(const TSoundListItem& sound) {
  if (sound.AudioPathPool == appUseIndex) return AudioPathList.Items(sound.AudioPathIndex);
  const auto type = static_cast<TAudioPathType>(sound.AudioPathPool - app3D);
  const Integer count = AudioPathList.Count();
  Integer& last = SearchPosition[type];
  TAudioPathListItem* lastBusy = nullptr;
  for (Integer step = 1; step <= count; ++step) {
    const Integer position = (last % count + step) % count;
    TAudioPathListItem* path = AudioPathList.Items(position);
    if (!path->Pool || path->AudioPathType != type) continue;
    if (!path->Busy()) {
      last = position;
      return path;
    }
    lastBusy = path;
  }
  // Every pool path of the type is busy: the last one looked at is taken, cutting its sound.
  return lastBusy;
}

}  // namespace lr
