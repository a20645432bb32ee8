// TOmegaSound3D: the named sound effects (SoundList), the audio paths they play on
// (AudioPathList), and the rules for choosing a path, starting a sound and telling whether it
// still plays. An audio path is a group of mixer channels of the audio device sharing one
// volume and one pan; a sound started twice overlaps itself on two channels of its path.
//
// [SECTION] Path types, errors and level conversions
// [SECTION] Audio paths
// [SECTION] Sounds
// [SECTION] The component
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Types.h"
#include "platform/AudioDevice.h"
#include "platform/Clock.h"

namespace lr {

class TOmegaSound3D;
class TSoundListItem;

// [SECTION] Path types, errors and level conversions

enum TAudioPathType : Byte { apt3D, aptMono, aptStereo };
enum TAudioPathPool : Byte { appUseIndex, app3D, appMono, appStereo };

enum class TSoundError : Byte {
  InitCom,
  InitAudio,
  InitMusic,
  SoundListOwner,
  ModListOwner,
  CreateAudioPath,
  GetObjectInPath,
  Loading,
  Downloading,
  Looping,
  RepeatCount,
  Playing,
  Stopping,
  SoundPosition,
  ListenerPosition,
};

// The message the player sees for each error ("Error loading sound: " is followed by the
// stored file name).
std::string_view SoundErrorText(TSoundError error);

// Every failure of the sound engine. what() is the player's message exactly; Detail keeps
// the device's own reason when it gave one.
class ESoundError : public std::runtime_error {
 public:
  explicit ESoundError(TSoundError kind, const std::string& suffix = {}, std::string detail = {});
  TSoundError Kind;
  std::string Detail;
};

// A sound's Volume (clamped to 0..100) as attenuation in hundredths of a decibel:
// 100 → 0 (full level), 0 → -10000 (-100 dB).
Integer VolumeToAttenuation(Integer volume);
// A sound's Pan (clamped to -100..100) in hundredths of a decibel, -10000 left .. 10000 right.
Integer PanToHundredths(Integer pan);
// Attenuation in hundredths of a decibel as the mixer's linear volume 0..128:
// round(10^(hundredths / 2000) × 128).
int AttenuationToMixerVolume(Integer hundredths);

// Left and right channel gains for the mixer, 0..255 (255 untouched).
struct TStereoGains {
  uint8_t Left = 255;
  uint8_t Right = 255;
};
// Pan in hundredths of a decibel as stereo gains. The side the sound moves towards stays at
// full level; the other side is attenuated by |pan| hundredths of a decibel, so a pan of
// 10000 leaves the left side at -100 dB (silent) and 0 leaves both untouched.
TStereoGains PanToMixerPanning(Integer hundredths);

// [SECTION] Audio paths

class TAudioPathListItem {
 public:
  // Stored properties.
  std::string Name;
  TAudioPathType AudioPathType = apt3D;
  bool Pool = false;    // may be picked from a pool of paths of its type
  Integer Channels = 16;  // voices; takes effect when the paths are created
  Integer Frequency() const { return FFrequency; }
  // Kept at 0 or more. The mixer resamples every wave to its own output rate, so the path's
  // rate has nothing to change in the sound; the value is kept for the form.
  void SetFrequency(Integer value);

  // State of the created path.
  bool Created() const { return FCreated; }
  int FirstChannel() const { return FFirstChannel; }  // its channels: FirstChannel .. + ChannelCount - 1
  int ChannelCount() const { return FChannelCount; }
  Integer Volume() const { return FVolume; }  // hundredths of a decibel, 0 = full level
  Integer Pan() const { return FPan; }        // hundredths of a decibel
  // The 3D position of the last sound started on a 3D path.
  Single PositionX() const { return FPosition[0]; }
  Single PositionY() const { return FPosition[1]; }
  Single PositionZ() const { return FPosition[2]; }
  // The sound that last started here (nullptr when none, or when it was stopped).
  TSoundListItem* CurrentSound() const { return FCurrentSound; }
  int64_t StartTime() const { return FStartTime; }  // milliseconds of the sound engine's clock
  // Busy while the sound it last started still reports IsPlaying.
  bool Busy() const;

 private:
  friend class TSoundListItem;
  friend class TOmegaSound3D;
  Integer FFrequency = 22050;
  bool FCreated = false;
  int FFirstChannel = 0;
  int FChannelCount = 0;
  Integer FVolume = 0;
  Integer FPan = 0;
  std::array<Single, 3> FPosition{};
  TSoundListItem* FCurrentSound = nullptr;
  int64_t FStartTime = 0;
};

class TAudioPathListCollection {
 public:
  TAudioPathListItem& Add();
  TAudioPathListItem* Items(Integer index) const;  // nullptr outside 0..Count-1
  Integer Count() const { return static_cast<Integer>(List.size()); }

 private:
  std::vector<std::unique_ptr<TAudioPathListItem>> List;
};

// [SECTION] Sounds

class TSoundListItem {
 public:
  explicit TSoundListItem(TOmegaSound3D& owner) : Owner(owner) {}
  // Unloads the sound.
  ~TSoundListItem();
  TSoundListItem(const TSoundListItem&) = delete;
  TSoundListItem& operator=(const TSoundListItem&) = delete;

  // Stored properties.
  std::string Name;      // the lookup key, compared exactly
  Integer Volume = 100;  // 0..100; clamped when played
  Integer Pan = 0;       // -100 left .. 100 right; clamped when played
  Single SoundPositionX = 0;
  Single SoundPositionY = 0;
  Single SoundPositionZ = 0;
  Integer AudioPathIndex = 0;  // the path used with appUseIndex
  TAudioPathPool AudioPathPool = appUseIndex;

  // The wave file as the game's table stores it, e.g. "Sounds\Boom.wav".
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& value);
  bool Loop() const { return FLoop; }
  void SetLoop(bool value);
  // Plays after the first, when not looping.
  Cardinal RepeatCount() const { return FRepeatCount; }
  void SetRepeatCount(Cardinal value);
  bool Loaded() const { return FLoaded; }

  // Loads the file on first use, chooses the path and starts the sound there. Answers the
  // path, or nullptr when none could be chosen (then nothing plays).
  TAudioPathListItem* Play();
  // Stops every copy of the sound; the paths it was playing on become free.
  void Stop();
  // Stops the sound and lets go of the loaded wave; the next Play loads it again.
  void Unload();
  // False unless loaded and still its path's current sound; True for the first 250 ms after
  // it started there; after that, whether the device still sounds it.
  bool IsPlaying() const;
  // The path chosen by the last Play (nullptr when none was found).
  TAudioPathListItem* AudioPath() const { return Path; }

 private:
  void Load();

  TOmegaSound3D& Owner;
  std::string FFileName;
  bool FLoop = false;
  Cardinal FRepeatCount = 0;
  bool FLoaded = false;
  TWaveHandle Wave = 0;
  TAudioPathListItem* Path = nullptr;
};

class TSoundListCollection {
 public:
  explicit TSoundListCollection(TOmegaSound3D& owner) : Owner(owner) {}
  TSoundListItem& Add();
  TSoundListItem* Items(Integer index) const;  // nullptr outside 0..Count-1
  Integer Count() const { return static_cast<Integer>(List.size()); }
  // The first item whose Name equals name exactly (case-sensitive), or nullptr.
  TSoundListItem* Find(const std::string& name) const;
  // Unloads and frees every item.
  void Clear() { List.clear(); }

 private:
  TOmegaSound3D& Owner;
  std::vector<std::unique_ptr<TSoundListItem>> List;
};

// A tracker-music entry. The game has none; the list is kept so the component has its shape.
struct TModListItem {
  std::string Name;
  std::string FileName;
};

// [SECTION] The component

class TOmegaSound3D {
 public:
  // `device` plays the sounds (the SDL mixer, or the headless recorder) and must outlive the
  // component; `clock` gives the milliseconds of the 250 ms rule.
  TOmegaSound3D(IAudioDevice* device, IClock& clock);
  // Unloads every sound.
  ~TOmegaSound3D();
  TOmegaSound3D(const TOmegaSound3D&) = delete;
  TOmegaSound3D& operator=(const TOmegaSound3D&) = delete;

  // Paths are declared before the sounds so that the sounds, which point at paths, go first.
  TAudioPathListCollection AudioPathList;
  TSoundListCollection SoundList{*this};
  std::vector<TModListItem> ModList;

  Single ListenerPositionX() const { return FListener[0]; }
  Single ListenerPositionY() const { return FListener[1]; }
  Single ListenerPositionZ() const { return FListener[2]; }
  // The listener is not heard by the game (every position stays 0); it is kept for the form.
  void SetListenerPositionX(Single value) { FListener[0] = value; }
  void SetListenerPositionY(Single value) { FListener[1] = value; }
  void SetListenerPositionZ(Single value) { FListener[2] = value; }

  // Gives every path, in order, its own group of Channels mixer channels. Raises
  // "Failed to create standard audio path..." for a path without voices or when the device
  // cannot make the channels.
  void CreateAudioPaths();

  // Turns a stored file name into the file to open: lr::FindGameFile (in the game's data
  // folder, then in the working directory) unless replaced.
  std::function<std::string(const std::string&)> ResolveFile;

  IAudioDevice& Device() const { return *FDevice; }
  IClock& Clock() const { return FClock; }

 private:
  friend class TSoundListItem;
  TAudioPathListItem* ChoosePath(const TSoundListItem& sound);

  IAudioDevice* FDevice;
  IClock& FClock;
  std::array<Single, 3> FListener{};
  // Per path type, the position where the last pool search ended.
  std::array<Integer, 3> SearchPosition{};
};

}  // namespace lr
