// The headless audio device: file checks, the record of starts, voice choice inside a channel
// group, and how long a voice sounds on the virtual clock.
#include "platform/RecordingAudio.h"

#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "support/TestWave.h"

namespace lr {
namespace {

using test_support::MakeWave;
using test_support::ScratchDir;
using test_support::WriteFile;

class RecordingAudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir.Path / "short.wav", MakeWave(100));
    WriteFile(dir.Path / "long.wav", MakeWave(1000));
  }
  std::string File(const char* name) const { return (dir.Path / name).string(); }
  TWaveHandle Load(const char* name) {
    std::string error;
    const TWaveHandle wave = device.LoadWave(File(name), error);
    EXPECT_NE(wave, 0) << error;
    return wave;
  }
  void AdvanceMs(int64_t ms) { clock.Advance(ms * (clock.Frequency() / 1000)); }

  ScratchDir dir{"lr_recording_audio"};
  VirtualClock clock;
  TRecordingAudio device{clock};
};

TEST_F(RecordingAudioTest, LoadAcceptsOnlyReadableWaves) {
  WriteFile(dir.Path / "garbage.wav", {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e'});
  std::vector<uint8_t> cut = MakeWave(100);
  cut.resize(20);  // the header stops inside the format chunk
  WriteFile(dir.Path / "cut.wav", cut);

  for (const char* bad : {"missing.wav", "garbage.wav", "cut.wav"}) {
    std::string error;
    EXPECT_EQ(device.LoadWave(File(bad), error), 0) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  EXPECT_EQ(device.WaveCount(), 0u);
  EXPECT_TRUE(device.Loads().empty());

  const TWaveHandle first = Load("short.wav");
  const TWaveHandle second = Load("short.wav");
  EXPECT_NE(first, second);
  EXPECT_EQ(device.WaveCount(), 2u);
  EXPECT_EQ(device.Loads(), (std::vector<std::string>{File("short.wav"), File("short.wav")}));
}

TEST_F(RecordingAudioTest, RecordsEveryStartAsAsked) {
  ASSERT_EQ(device.AllocateChannels(4), 4);
  const TWaveHandle wave = Load("short.wav");
  AdvanceMs(1234);
  ASSERT_EQ(device.Play(wave, 2, 2, 40, 255, 81, 3), 2);
  AdvanceMs(5);
  ASSERT_EQ(device.Play(wave, 0, 2, 128, 0, 255, -1), 0);

  ASSERT_EQ(device.Plays().size(), 2u);
  const TRecordedPlay& p = device.Plays()[0];
  EXPECT_EQ(p.File, File("short.wav"));
  EXPECT_EQ(p.Channel, 2);
  EXPECT_EQ(p.Volume, 40);
  EXPECT_EQ(p.Left, 255);
  EXPECT_EQ(p.Right, 81);
  EXPECT_EQ(p.Loops, 3);
  EXPECT_EQ(p.Milliseconds, 1234);
  EXPECT_EQ(device.Plays()[1].Milliseconds, 1239);
  EXPECT_EQ(device.Plays()[1].Left, 0);

  EXPECT_EQ(device.TakePlays().size(), 2u);
  EXPECT_TRUE(device.Plays().empty());
}

TEST_F(RecordingAudioTest, TakesAFreeVoiceOfTheGroupElseItsOldest) {
  ASSERT_EQ(device.AllocateChannels(4), 4);
  const TWaveHandle a = Load("long.wav"), b = Load("long.wav"), c = Load("long.wav"), d = Load("long.wav");
  EXPECT_EQ(device.Play(a, 1, 2, 128, 255, 255, 0), 1);
  EXPECT_EQ(device.Play(b, 1, 2, 128, 255, 255, 0), 2);
  // Both voices of the group busy: the oldest (a's) is cut.
  EXPECT_EQ(device.Play(c, 1, 2, 128, 255, 255, 0), 1);
  EXPECT_FALSE(device.IsPlaying(a));
  EXPECT_TRUE(device.IsPlaying(b));
  EXPECT_EQ(device.ChannelWave(1), c);
  // Now b's voice is the oldest.
  EXPECT_EQ(device.Play(d, 1, 2, 128, 255, 255, 0), 2);
  EXPECT_FALSE(device.IsPlaying(b));
  // Channels outside the group were never touched.
  EXPECT_FALSE(device.IsChannelPlaying(0));
  EXPECT_FALSE(device.IsChannelPlaying(3));
}

TEST_F(RecordingAudioTest, RefusesWhatCannotStart) {
  ASSERT_EQ(device.AllocateChannels(4), 4);
  const TWaveHandle wave = Load("short.wav");
  EXPECT_EQ(device.Play(wave, 3, 2, 128, 255, 255, 0), kNoChannel);  // past the last channel
  EXPECT_EQ(device.Play(wave, -1, 2, 128, 255, 255, 0), kNoChannel);
  EXPECT_EQ(device.Play(wave, 0, 0, 128, 255, 255, 0), kNoChannel);
  EXPECT_EQ(device.Play(wave + 100, 0, 4, 128, 255, 255, 0), kNoChannel);
  EXPECT_TRUE(device.Plays().empty());
  EXPECT_FALSE(device.IsChannelPlaying(-1));
  EXPECT_FALSE(device.IsChannelPlaying(4));
}

TEST_F(RecordingAudioTest, AVoiceSoundsForTheWaveTimesItsPlays) {
  ASSERT_EQ(device.AllocateChannels(3), 3);
  const TWaveHandle wave = Load("short.wav");  // 100 ms
  ASSERT_EQ(device.Play(wave, 0, 1, 128, 255, 255, 0), 0);
  ASSERT_EQ(device.Play(wave, 1, 1, 128, 255, 255, 2), 1);
  ASSERT_EQ(device.Play(wave, 2, 1, 128, 255, 255, -1), 2);
  AdvanceMs(99);
  EXPECT_TRUE(device.IsChannelPlaying(0));
  AdvanceMs(1);
  EXPECT_FALSE(device.IsChannelPlaying(0));
  EXPECT_TRUE(device.IsChannelPlaying(1));
  AdvanceMs(199);
  EXPECT_TRUE(device.IsChannelPlaying(1));
  AdvanceMs(1);
  EXPECT_FALSE(device.IsChannelPlaying(1));
  AdvanceMs(3'600'000);
  EXPECT_TRUE(device.IsChannelPlaying(2));  // endless
  EXPECT_TRUE(device.IsPlaying(wave));
}

TEST_F(RecordingAudioTest, AFinishedVoiceIsFreeAgain) {
  ASSERT_EQ(device.AllocateChannels(2), 2);
  const TWaveHandle shortWave = Load("short.wav"), longWave = Load("long.wav");
  ASSERT_EQ(device.Play(longWave, 0, 2, 128, 255, 255, 0), 0);
  ASSERT_EQ(device.Play(shortWave, 0, 2, 128, 255, 255, 0), 1);
  AdvanceMs(150);
  // Channel 1 finished and is taken, although channel 0 holds the oldest start.
  EXPECT_EQ(device.Play(longWave, 0, 2, 128, 255, 255, 0), 1);
  EXPECT_TRUE(device.IsChannelPlaying(0));
}

TEST_F(RecordingAudioTest, StopAndFreeSilenceOnlyTheirWave) {
  ASSERT_EQ(device.AllocateChannels(3), 3);
  const TWaveHandle a = Load("long.wav"), b = Load("long.wav");
  device.Play(a, 0, 3, 128, 255, 255, 0);
  device.Play(a, 0, 3, 128, 255, 255, 0);
  device.Play(b, 0, 3, 128, 255, 255, 0);
  device.Stop(a);
  EXPECT_FALSE(device.IsPlaying(a));
  EXPECT_FALSE(device.IsChannelPlaying(0));
  EXPECT_FALSE(device.IsChannelPlaying(1));
  EXPECT_TRUE(device.IsChannelPlaying(2));

  device.FreeWave(b);
  device.FreeWave(b + 100);  // unknown: ignored
  EXPECT_FALSE(device.IsChannelPlaying(2));
  EXPECT_EQ(device.WaveCount(), 1u);
  EXPECT_EQ(device.Play(b, 0, 3, 128, 255, 255, 0), kNoChannel);
  EXPECT_EQ(device.Play(a, 0, 3, 128, 255, 255, 0), 0);
}

}  // namespace
}  // namespace lr
