// The sound engine on the recording device and a virtual clock: the game's table, lookup,
// lazy loading and its errors, levels and pan, the 250 ms playing rule, pool paths and the
// channel groups of the paths.
#include "engine/OmegaSound3D.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>

#include "engine/GameSounds.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/RecordingAudio.h"
#include "support/TestWave.h"

namespace lr {
namespace {

using test_support::MakeWave;
using test_support::ScratchDir;
using test_support::WriteFile;

// Runs `action` and answers the ESoundError it raised; when nothing was raised, an error
// whose text says so.
template <typename Action>
ESoundError Raised(Action action) {
  try {
    action();
  } catch (const ESoundError& e) {
    return e;
  }
  return ESoundError(TSoundError::InitCom, " (nothing was raised)");
}

// Lengths of the test waves: "Ouff" is shorter than the 250 ms rule, "Boom" longer.
int LengthMs(std::string_view name) {
  if (name == "Ouff") return 100;
  if (name == "Boom") return 1000;
  return 500;
}

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const TGameSound& s : kGameSounds) WriteFile(Where(s.FileName), MakeWave(LengthMs(s.Name)));
    sound.ResolveFile = [this](const std::string& stored) { return Where(stored).string(); };
  }
  std::filesystem::path Where(std::string_view stored) const { return dir.Path / NativePath(std::string(stored)); }
  void AdvanceMs(int64_t ms) { clock.Advance(ms * (clock.Frequency() / 1000)); }
  TSoundListItem& Item(const char* name) {
    TSoundListItem* item = sound.SoundList.Find(name);
    EXPECT_NE(item, nullptr) << name;
    return *item;
  }
  // A sound of its own, not from the game's table, with a wave of `ms`.
  TSoundListItem& AddSound(const std::string& name, int ms = 1000) {
    WriteFile(dir.Path / (name + ".wav"), MakeWave(ms));
    TSoundListItem& item = sound.SoundList.Add();
    item.Name = name;
    item.SetFileName(name + ".wav");
    return item;
  }
  TAudioPathListItem& AddPath(TAudioPathType type, bool pool, Integer channels) {
    TAudioPathListItem& path = sound.AudioPathList.Add();
    path.AudioPathType = type;
    path.Pool = pool;
    path.Channels = channels;
    return path;
  }

  ScratchDir dir{"lr_sound"};
  VirtualClock clock;
  TRecordingAudio device{clock};
  TOmegaSound3D sound{&device, clock};
};

// The component as the game sets it up.
class GameSoundTest : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    FillGameSounds(sound);
    sound.CreateAudioPaths();
  }
};

// [SECTION] The game's table and its path

TEST_F(GameSoundTest, OnePathOfSixteenVoicesAndElevenSoundsOnIt) {
  ASSERT_EQ(sound.AudioPathList.Count(), 1);
  const TAudioPathListItem& path = *sound.AudioPathList.Items(0);
  EXPECT_EQ(path.AudioPathType, apt3D);
  EXPECT_FALSE(path.Pool);
  EXPECT_TRUE(path.Created());
  EXPECT_EQ(path.FirstChannel(), 0);
  EXPECT_EQ(path.ChannelCount(), 16);
  EXPECT_EQ(device.ChannelCount(), 16);
  EXPECT_TRUE(sound.ModList.empty());

  ASSERT_EQ(sound.SoundList.Count(), 11);
  EXPECT_EQ(sound.SoundList.Items(0)->Name, "Scream");
  EXPECT_EQ(sound.SoundList.Items(10)->Name, "Splash");
  EXPECT_EQ(Item("Gun").FileName(), "Sounds\\pistol.wav");
  for (Integer i = 0; i < sound.SoundList.Count(); ++i) {
    const TSoundListItem& s = *sound.SoundList.Items(i);
    SCOPED_TRACE(s.Name);
    EXPECT_EQ(s.FileName().rfind("Sounds\\", 0), 0u);
    EXPECT_EQ(s.Volume, s.Name == "Plink" ? 175 : 100);
    EXPECT_FALSE(s.Loop());
    EXPECT_EQ(s.RepeatCount(), 0u);
    EXPECT_EQ(s.Pan, 0);
    EXPECT_EQ(s.AudioPathIndex, 0);
    EXPECT_EQ(s.AudioPathPool, appUseIndex);
    EXPECT_FALSE(s.Loaded());
  }
}

TEST_F(GameSoundTest, FindComparesNamesExactly) {
  EXPECT_EQ(sound.SoundList.Find("Boom"), sound.SoundList.Items(2));
  EXPECT_EQ(sound.SoundList.Find("boom"), nullptr);
  EXPECT_EQ(sound.SoundList.Find("BOOM"), nullptr);
  EXPECT_EQ(sound.SoundList.Find("Boom "), nullptr);
  EXPECT_EQ(sound.SoundList.Find(""), nullptr);
  // A second item of the same name is never found.
  sound.SoundList.Add().Name = "Boom";
  EXPECT_EQ(sound.SoundList.Find("Boom"), sound.SoundList.Items(2));
}

// [SECTION] Loading

TEST_F(GameSoundTest, LoadsOnFirstPlayAndKeepsTheWave) {
  TSoundListItem& boom = Item("Boom");
  EXPECT_TRUE(device.Loads().empty());
  boom.Play();
  EXPECT_TRUE(boom.Loaded());
  boom.Play();
  boom.Play();
  EXPECT_EQ(device.Loads(), (std::vector<std::string>{Where("Sounds\\Boom.wav").string()}));
  EXPECT_EQ(device.Plays().size(), 3u);

  boom.Unload();
  EXPECT_FALSE(boom.Loaded());
  EXPECT_FALSE(boom.IsPlaying());
  EXPECT_EQ(device.WaveCount(), 0u);
  EXPECT_FALSE(device.IsChannelPlaying(0));
  boom.Play();
  EXPECT_EQ(device.Loads().size(), 2u);
}

TEST_F(GameSoundTest, AMissingFileFailsEveryPlayWhileOthersKeepWorking) {
  TSoundListItem& missing = sound.SoundList.Add();
  missing.Name = "Missing";
  missing.SetFileName("Sounds\\Missing.wav");
  Item("Boom").Play();

  for (int attempt = 0; attempt < 2; ++attempt) {
    const ESoundError e = Raised([&] { missing.Play(); });
    EXPECT_STREQ(e.what(), "Error loading sound: Sounds\\Missing.wav");
    EXPECT_EQ(e.Kind, TSoundError::Loading);
    EXPECT_FALSE(e.Detail.empty());
    EXPECT_FALSE(missing.Loaded());
    EXPECT_EQ(sound.AudioPathList.Items(0)->CurrentSound(), &Item("Boom"));
  }
  EXPECT_EQ(Item("Splash").Play(), sound.AudioPathList.Items(0));
  EXPECT_EQ(device.Plays().size(), 2u);

  // The item stays unloaded, so the file is looked for again once it is there.
  WriteFile(Where("Sounds\\Missing.wav"), MakeWave(100));
  EXPECT_EQ(missing.Play(), sound.AudioPathList.Items(0));
  EXPECT_TRUE(missing.Loaded());
}

TEST_F(GameSoundTest, AFileThatIsNoWaveFailsLikeAMissingOne) {
  WriteFile(Where("Sounds\\Scream.wav"), {'R', 'I', 'F', 'F', 1, 2, 3});
  EXPECT_STREQ(Raised([&] { Item("Scream").Play(); }).what(), "Error loading sound: Sounds\\Scream.wav");
  EXPECT_FALSE(Item("Scream").Loaded());
}

TEST_F(SoundTest, StoredNamesAreFoundBelowTheWorkingDirectory) {
  // The default lookup: beside the executable first (no such folder there), then here.
  struct InDirectory {
    explicit InDirectory(const std::filesystem::path& p) : Old(std::filesystem::current_path()) {
      std::filesystem::current_path(p);
    }
    ~InDirectory() { std::filesystem::current_path(Old); }
    std::filesystem::path Old;
  } here(dir.Path);
  WriteFile(dir.Path / "lr_sound_lookup" / "Tone.wav", MakeWave(100));
  TOmegaSound3D plain(&device, clock);
  plain.AudioPathList.Add().Channels = 2;
  plain.CreateAudioPaths();
  TSoundListItem& tone = plain.SoundList.Add();
  tone.SetFileName("lr_sound_lookup\\Tone.wav");
  ASSERT_NE(tone.Play(), nullptr);
  EXPECT_EQ(device.Loads().back(), "lr_sound_lookup/Tone.wav");
}

// [SECTION] Playing: overlap, level, pan, position, repeats

TEST_F(GameSoundTest, BoomTwiceOverlapsOnPathZero) {
  TAudioPathListItem* path = sound.AudioPathList.Items(0);
  EXPECT_EQ(Item("Boom").Play(), path);
  AdvanceMs(16);
  EXPECT_EQ(Item("Boom").Play(), path);
  ASSERT_EQ(device.Plays().size(), 2u);
  EXPECT_EQ(device.Plays()[0].Channel, 0);
  EXPECT_EQ(device.Plays()[1].Channel, 1);
  EXPECT_TRUE(device.IsChannelPlaying(0));
  EXPECT_TRUE(device.IsChannelPlaying(1));
  EXPECT_EQ(Item("Boom").AudioPath(), path);
  EXPECT_EQ(path->CurrentSound(), &Item("Boom"));
  EXPECT_EQ(path->StartTime(), 16);
}

TEST_F(GameSoundTest, PlinkPlaysAtTheLevelOfAHundred) {
  TAudioPathListItem& path = *sound.AudioPathList.Items(0);
  Item("Plink").Play();
  EXPECT_EQ(path.Volume(), 0);
  Item("Boom").Play();
  EXPECT_EQ(path.Volume(), 0);
  ASSERT_EQ(device.Plays().size(), 2u);
  for (const TRecordedPlay& p : device.Plays()) {
    EXPECT_EQ(p.Volume, 128) << p.File;
    EXPECT_EQ(p.Left, 255) << p.File;
    EXPECT_EQ(p.Right, 255) << p.File;
    EXPECT_EQ(p.Loops, 0) << p.File;
  }
}

TEST(SoundLevelTest, VolumeAndPanBecomeHundredthsOfADecibel) {
  EXPECT_EQ(VolumeToAttenuation(100), 0);
  EXPECT_EQ(VolumeToAttenuation(175), 0);
  EXPECT_EQ(VolumeToAttenuation(37), -6300);
  EXPECT_EQ(VolumeToAttenuation(0), -10000);
  EXPECT_EQ(VolumeToAttenuation(-5), -10000);
  EXPECT_EQ(PanToHundredths(0), 0);
  EXPECT_EQ(PanToHundredths(-42), -4200);
  EXPECT_EQ(PanToHundredths(250), 10000);
  EXPECT_EQ(PanToHundredths(-101), -10000);
}

TEST(SoundLevelTest, HundredthsOfADecibelBecomeMixerLevels) {
  EXPECT_EQ(AttenuationToMixerVolume(0), 128);
  EXPECT_EQ(AttenuationToMixerVolume(-602), 64);   // -6.02 dB halves the level
  EXPECT_EQ(AttenuationToMixerVolume(-1000), 40);  // 0.316 × 128 = 40.5
  EXPECT_EQ(AttenuationToMixerVolume(-2000), 13);  // 12.8
  EXPECT_EQ(AttenuationToMixerVolume(-5000), 0);
  EXPECT_EQ(AttenuationToMixerVolume(-10000), 0);

  const TStereoGains centre = PanToMixerPanning(0);
  EXPECT_EQ(centre.Left, 255);
  EXPECT_EQ(centre.Right, 255);
  const TStereoGains left = PanToMixerPanning(-1000);  // the right side loses 10 dB
  EXPECT_EQ(left.Left, 255);
  EXPECT_EQ(left.Right, 81);
  const TStereoGains right = PanToMixerPanning(602);
  EXPECT_EQ(right.Left, 128);
  EXPECT_EQ(right.Right, 255);
  const TStereoGains hardRight = PanToMixerPanning(10000);
  EXPECT_EQ(hardRight.Left, 0);
  EXPECT_EQ(hardRight.Right, 255);
}

TEST_F(GameSoundTest, ASoundsVolumeAndPanAreSetOnItsPath) {
  TAudioPathListItem& path = *sound.AudioPathList.Items(0);
  TSoundListItem& bzzt = Item("Bzzt");
  bzzt.Volume = 90;
  bzzt.Pan = -10;
  bzzt.Play();
  EXPECT_EQ(path.Volume(), -1000);
  EXPECT_EQ(path.Pan(), -1000);
  bzzt.Volume = -20;
  bzzt.Pan = 250;
  bzzt.Play();
  EXPECT_EQ(path.Volume(), -10000);
  EXPECT_EQ(path.Pan(), 10000);
  // The stored values are left as they were; only what the path gets is clamped.
  EXPECT_EQ(bzzt.Volume, -20);
  EXPECT_EQ(bzzt.Pan, 250);

  ASSERT_EQ(device.Plays().size(), 2u);
  EXPECT_EQ(device.Plays()[0].Volume, 40);
  EXPECT_EQ(device.Plays()[0].Left, 255);
  EXPECT_EQ(device.Plays()[0].Right, 81);
  EXPECT_EQ(device.Plays()[1].Volume, 0);
  EXPECT_EQ(device.Plays()[1].Left, 0);
  EXPECT_EQ(device.Plays()[1].Right, 255);
}

TEST_F(SoundTest, APositionReachesOnlyA3DPath) {
  TAudioPathListItem& space = AddPath(apt3D, false, 2);
  TAudioPathListItem& mono = AddPath(aptMono, false, 2);
  sound.CreateAudioPaths();
  TSoundListItem& s = AddSound("Hum");
  s.SoundPositionX = 1;
  s.SoundPositionY = 2;
  s.SoundPositionZ = -3;
  s.Play();
  EXPECT_EQ(space.PositionX(), 1);
  EXPECT_EQ(space.PositionY(), 2);
  EXPECT_EQ(space.PositionZ(), -3);
  s.AudioPathIndex = 1;
  ASSERT_EQ(s.Play(), &mono);
  EXPECT_EQ(mono.PositionX(), 0);
  EXPECT_EQ(mono.PositionZ(), 0);
}

TEST_F(GameSoundTest, LoopAndRepeatsApplyFromTheNextPlay) {
  TSoundListItem& gun = Item("Gun");
  gun.SetRepeatCount(2);
  gun.Play();
  gun.SetLoop(true);
  gun.Play();
  gun.SetLoop(false);
  gun.SetRepeatCount(UINT32_MAX);
  gun.Play();
  ASSERT_EQ(device.Plays().size(), 3u);
  EXPECT_EQ(device.Plays()[0].Loops, 2);
  EXPECT_EQ(device.Plays()[1].Loops, -1);
  EXPECT_EQ(device.Plays()[2].Loops, INT_MAX);
  // The looping copy keeps sounding; the first one ended after its three plays.
  AdvanceMs(1500);
  EXPECT_FALSE(device.IsChannelPlaying(0));
  EXPECT_TRUE(device.IsChannelPlaying(1));
}

TEST_F(SoundTest, PlayingBeforeThePathsAreCreatedFails) {
  FillGameSounds(sound);
  TSoundListItem& boom = Item("Boom");
  EXPECT_STREQ(Raised([&] { boom.Play(); }).what(), "Error playing sound");
  EXPECT_TRUE(boom.Loaded());  // the file was read before the path was needed
  EXPECT_EQ(boom.AudioPath(), nullptr);
  EXPECT_TRUE(device.Plays().empty());
}

TEST_F(GameSoundTest, AnIndexOutsideThePathsPlaysNothing) {
  TSoundListItem& mine = Item("Mine");
  mine.AudioPathIndex = 1;
  EXPECT_EQ(mine.Play(), nullptr);
  mine.AudioPathIndex = -1;
  EXPECT_EQ(mine.Play(), nullptr);
  EXPECT_EQ(mine.AudioPath(), nullptr);
  EXPECT_FALSE(mine.IsPlaying());
  EXPECT_TRUE(device.Plays().empty());
}

// [SECTION] IsPlaying

TEST_F(GameSoundTest, OuffCountsAsPlayingForItsFirst250Ms) {
  TSoundListItem& ouff = Item("Ouff");  // its wave lasts 100 ms
  EXPECT_FALSE(ouff.IsPlaying());
  ouff.Play();
  AdvanceMs(150);
  ASSERT_FALSE(device.IsChannelPlaying(0));
  EXPECT_TRUE(ouff.IsPlaying());
  AdvanceMs(99);
  EXPECT_TRUE(ouff.IsPlaying());
  AdvanceMs(1);
  EXPECT_FALSE(ouff.IsPlaying());
}

TEST_F(GameSoundTest, AfterTheFirst250MsTheDeviceDecides) {
  TSoundListItem& boom = Item("Boom");  // its wave lasts 1000 ms
  boom.Play();
  AdvanceMs(999);
  EXPECT_TRUE(boom.IsPlaying());
  AdvanceMs(1);
  EXPECT_FALSE(boom.IsPlaying());
  // Any copy still sounding counts: a second start 500 ms later keeps it going.
  boom.Play();
  AdvanceMs(500);
  boom.Play();
  AdvanceMs(800);
  EXPECT_TRUE(boom.IsPlaying());
  AdvanceMs(200);
  EXPECT_FALSE(boom.IsPlaying());
}

TEST_F(GameSoundTest, AnotherSoundOnThePathEndsIsPlayingAtOnce) {
  TSoundListItem& ouff = Item("Ouff");
  TSoundListItem& boom = Item("Boom");
  ouff.Play();
  AdvanceMs(10);
  boom.Play();
  EXPECT_FALSE(ouff.IsPlaying());
  EXPECT_TRUE(device.IsChannelPlaying(0)) << "Ouff still sounds";
  EXPECT_TRUE(boom.IsPlaying());
  ouff.Play();
  EXPECT_TRUE(ouff.IsPlaying());
  EXPECT_FALSE(boom.IsPlaying());
}

TEST_F(GameSoundTest, StopSilencesTheSoundAndFreesOnlyPathsItHolds) {
  TSoundListItem& ouff = Item("Ouff");
  TSoundListItem& boom = Item("Boom");
  TAudioPathListItem& path = *sound.AudioPathList.Items(0);
  boom.Play();
  boom.Stop();
  EXPECT_FALSE(boom.IsPlaying());
  EXPECT_FALSE(device.IsChannelPlaying(0));
  EXPECT_EQ(path.CurrentSound(), nullptr);
  EXPECT_FALSE(path.Busy());

  // Stopping a sound the path no longer names leaves the path with its current sound.
  ouff.Play();
  boom.Play();
  ouff.Stop();
  EXPECT_EQ(path.CurrentSound(), &boom);
  EXPECT_TRUE(boom.IsPlaying());
  EXPECT_FALSE(device.IsChannelPlaying(0)) << "Ouff's voice";
  EXPECT_TRUE(device.IsChannelPlaying(1)) << "Boom's voice";
  // Stopping a sound that never loaded is harmless.
  Item("Scream").Stop();
  EXPECT_EQ(path.CurrentSound(), &boom);
}

// [SECTION] Pool paths

class PoolSoundTest : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    AddPath(apt3D, true, 2);      // 0
    AddPath(aptMono, true, 2);    // 1
    AddPath(apt3D, true, 2);      // 2
    AddPath(apt3D, false, 2);     // 3: never from the pool
    AddPath(aptStereo, false, 2); // 4: never from the pool
    sound.CreateAudioPaths();
  }
  TAudioPathListItem* Path(Integer i) { return sound.AudioPathList.Items(i); }
  TSoundListItem& Pooled(const std::string& name, TAudioPathPool pool) {
    TSoundListItem& s = AddSound(name);
    s.AudioPathPool = pool;
    s.AudioPathIndex = 3;  // not used by a pool
    return s;
  }
};

TEST_F(PoolSoundTest, TheSearchGoesRoundFromWhereItLastEnded) {
  TSoundListItem& a = Pooled("A", app3D);
  TSoundListItem& b = Pooled("B", app3D);
  TSoundListItem& c = Pooled("C", app3D);
  // Nothing searched yet: the search starts after position 0.
  EXPECT_EQ(a.Play(), Path(2));
  EXPECT_EQ(b.Play(), Path(0));
  // Both 3D pool paths busy: the last busy one looked at (0) is taken and B is cut.
  EXPECT_EQ(c.Play(), Path(0));
  EXPECT_FALSE(b.IsPlaying());
  EXPECT_TRUE(a.IsPlaying());
  // A cut does not move the search on: still from after 0, and path 0 is busy with C.
  EXPECT_EQ(b.Play(), Path(0));
  AdvanceMs(1000);
  EXPECT_EQ(c.Play(), Path(2));
  // All quiet again: the search goes on from after 2, so path 0 comes before path 2.
  AdvanceMs(1000);
  EXPECT_EQ(a.Play(), Path(0));
  EXPECT_EQ(b.Play(), Path(2));
}

TEST_F(PoolSoundTest, EachTypeKeepsItsOwnSearchAndPoolsOnlyItsType) {
  TSoundListItem& mono = Pooled("M", appMono);
  TSoundListItem& stereo = Pooled("S", appStereo);
  TSoundListItem& space = Pooled("D", app3D);
  EXPECT_EQ(space.Play(), Path(2));
  EXPECT_EQ(mono.Play(), Path(1));
  EXPECT_EQ(mono.Play(), Path(1));  // the only mono pool path, busy: taken all the same
  AdvanceMs(1000);
  // The 3D search goes on from after its own last place (2), not from the mono one's (1).
  EXPECT_EQ(space.Play(), Path(0));
  // No stereo path is in a pool: nothing plays, though the file was loaded.
  EXPECT_EQ(stereo.Play(), nullptr);
  EXPECT_TRUE(stereo.Loaded());
  EXPECT_EQ(stereo.AudioPath(), nullptr);
  EXPECT_EQ(device.Plays().size(), 4u);
  // A component without paths has no pool at all.
  TOmegaSound3D bare(&device, clock);
  bare.ResolveFile = sound.ResolveFile;
  TSoundListItem& lonely = bare.SoundList.Add();
  lonely.SetFileName("M.wav");
  lonely.AudioPathPool = app3D;
  EXPECT_EQ(lonely.Play(), nullptr);
  EXPECT_EQ(device.Plays().size(), 4u);
}

// [SECTION] Creating the paths

TEST_F(SoundTest, EachPathGetsItsOwnRunOfChannels) {
  AddPath(apt3D, false, 16);
  TAudioPathListItem& small = AddPath(aptMono, false, 3);
  AddPath(aptStereo, false, 8);
  sound.CreateAudioPaths();
  EXPECT_EQ(device.ChannelCount(), 27);
  EXPECT_EQ(small.FirstChannel(), 16);
  EXPECT_EQ(sound.AudioPathList.Items(2)->FirstChannel(), 19);

  TSoundListItem& s = AddSound("Tick");
  s.AudioPathIndex = 1;
  for (int i = 0; i < 5; ++i) {
    s.Play();
    AdvanceMs(1);
  }
  std::vector<int> channels;
  for (const TRecordedPlay& p : device.Plays()) channels.push_back(p.Channel);
  // Three voices, then the oldest of them again; never a channel of another path.
  EXPECT_EQ(channels, (std::vector<int>{16, 17, 18, 16, 17}));
}

TEST_F(SoundTest, APathWithoutVoicesIsRefused) {
  for (Integer channels : {0, -3, 5000}) {
    TOmegaSound3D other(&device, clock);
    other.AudioPathList.Add().Channels = 4;
    other.AudioPathList.Add().Channels = channels;
    const ESoundError e = Raised([&] { other.CreateAudioPaths(); });
    EXPECT_STREQ(e.what(), "Failed to create standard audio path. DirectX 8 may not be installed") << channels;
    EXPECT_EQ(e.Kind, TSoundError::CreateAudioPath);
    EXPECT_TRUE(other.AudioPathList.Items(0)->Created());
    EXPECT_FALSE(other.AudioPathList.Items(1)->Created());
  }
}

TEST_F(SoundTest, FrequencyNeverGoesBelowZero) {
  TAudioPathListItem& path = AddPath(apt3D, false, 1);
  EXPECT_EQ(path.Frequency(), 22050);
  path.SetFrequency(-5);
  EXPECT_EQ(path.Frequency(), 0);
  path.SetFrequency(44100);
  EXPECT_EQ(path.Frequency(), 44100);
}

// [SECTION] Lifetime

TEST_F(SoundTest, TheComponentUnloadsEverySoundWhenItGoes) {
  {
    TOmegaSound3D other(&device, clock);
    FillGameSounds(other);
    other.ResolveFile = sound.ResolveFile;
    other.CreateAudioPaths();
    other.SoundList.Find("Boom")->SetLoop(true);
    other.SoundList.Find("Boom")->Play();
    other.SoundList.Find("Splash")->Play();
    EXPECT_EQ(device.WaveCount(), 2u);
  }
  EXPECT_EQ(device.WaveCount(), 0u);
  EXPECT_FALSE(device.IsChannelPlaying(0));
  EXPECT_THROW(TOmegaSound3D(nullptr, clock), std::invalid_argument);
}

}  // namespace
}  // namespace lr
