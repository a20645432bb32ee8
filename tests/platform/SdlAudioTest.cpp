// The SDL_mixer device on SDL's dummy output (the real mixer, no speaker), and the silent
// device it becomes when no output can be opened.
#include "platform/SdlAudio.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "support/TestWave.h"

namespace lr {
namespace {

using test_support::MakeWave;
using test_support::ScratchDir;
using test_support::WriteFile;

constexpr int kEndless = -1;  // so that no voice can end while a test looks at it

// Sets SDL_AUDIODRIVER for the test's lifetime; SDL reads it when the audio subsystem starts.
class AudioDriver {
 public:
  explicit AudioDriver(const char* name) {
    if (const char* old = std::getenv("SDL_AUDIODRIVER")) Previous = old;
    setenv("SDL_AUDIODRIVER", name, 1);
  }
  ~AudioDriver() {
    if (Previous)
      setenv("SDL_AUDIODRIVER", Previous->c_str(), 1);
    else
      unsetenv("SDL_AUDIODRIVER");
  }

 private:
  std::optional<std::string> Previous;
};

class SdlAudioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir.Path / "tone.wav", MakeWave(200));
    WriteFile(dir.Path / "garbage.wav", {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0, 0, 'J', 'U', 'N', 'K'});
  }
  std::string File(const char* name) const { return (dir.Path / name).string(); }

  ScratchDir dir{"lr_sdl_audio"};
};

TEST_F(SdlAudioTest, DummyOutputPlaysAWaveInsideItsGroup) {
  AudioDriver driver("dummy");
  TSdlAudio device;
  ASSERT_TRUE(device.Ok());
  ASSERT_EQ(device.AllocateChannels(8), 8);
  std::string error;
  const TWaveHandle wave = device.LoadWave(File("tone.wav"), error);
  ASSERT_NE(wave, 0) << error;

  const int first = device.Play(wave, 2, 3, 128, 255, 255, kEndless);
  EXPECT_EQ(first, 2);
  EXPECT_TRUE(device.IsChannelPlaying(first));
  EXPECT_TRUE(device.IsPlaying(wave));
  // A second start overlaps the first on the next voice of the group.
  const int second = device.Play(wave, 2, 3, 64, 255, 81, kEndless);
  EXPECT_EQ(second, 3);
  EXPECT_TRUE(device.IsChannelPlaying(first));
  EXPECT_TRUE(device.IsChannelPlaying(second));
  EXPECT_FALSE(device.IsChannelPlaying(0));

  device.Stop(wave);
  EXPECT_FALSE(device.IsPlaying(wave));
  EXPECT_FALSE(device.IsChannelPlaying(first));
  EXPECT_FALSE(device.IsChannelPlaying(second));
  device.FreeWave(wave);
  EXPECT_EQ(device.Play(wave, 2, 3, 128, 255, 255, kEndless), kNoChannel);
}

TEST_F(SdlAudioTest, AFullGroupGivesUpItsOldestVoice) {
  AudioDriver driver("dummy");
  TSdlAudio device;
  ASSERT_TRUE(device.Ok());
  ASSERT_EQ(device.AllocateChannels(3), 3);
  std::string error;
  const TWaveHandle a = device.LoadWave(File("tone.wav"), error);
  const TWaveHandle b = device.LoadWave(File("tone.wav"), error);
  const TWaveHandle c = device.LoadWave(File("tone.wav"), error);
  ASSERT_TRUE(a != 0 && b != 0 && c != 0) << error;

  EXPECT_EQ(device.Play(a, 1, 2, 128, 255, 255, kEndless), 1);
  EXPECT_EQ(device.Play(b, 1, 2, 128, 255, 255, kEndless), 2);
  EXPECT_EQ(device.Play(c, 1, 2, 128, 255, 255, kEndless), 1);
  EXPECT_FALSE(device.IsPlaying(a));
  EXPECT_TRUE(device.IsPlaying(b));
  EXPECT_TRUE(device.IsPlaying(c));
  // A group reaching past the channels made is refused.
  EXPECT_EQ(device.Play(a, 2, 2, 128, 255, 255, kEndless), kNoChannel);
}

TEST_F(SdlAudioTest, BadFilesGiveALoadErrorNotACrash) {
  AudioDriver driver("dummy");
  TSdlAudio device;
  ASSERT_TRUE(device.Ok());
  device.AllocateChannels(4);
  for (const char* bad : {"missing.wav", "garbage.wav"}) {
    std::string error;
    EXPECT_EQ(device.LoadWave(File(bad), error), 0) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  EXPECT_EQ(device.Play(0, 0, 4, 128, 255, 255, 0), kNoChannel);
  EXPECT_FALSE(device.IsPlaying(0));
  device.Stop(0);
  device.FreeWave(0);
}

TEST_F(SdlAudioTest, WithoutAnOutputItSaysSoOnceAndStaysSilent) {
  AudioDriver driver("no-such-driver");
  ::testing::internal::CaptureStderr();
  std::optional<TSdlAudio> device;
  device.emplace();
  const std::string said = ::testing::internal::GetCapturedStderr();
  ASSERT_FALSE(device->Ok());
  EXPECT_EQ(said.rfind("lavarumble: no audio device (", 0), 0u) << said;
  EXPECT_NE(said.find("); playing silently\n"), std::string::npos) << said;
  EXPECT_EQ(said.find("lavarumble:", 1), std::string::npos) << "said more than once: " << said;

  // Files are still checked, so a missing sound fails as it would with a speaker.
  std::string error;
  EXPECT_EQ(device->LoadWave(File("missing.wav"), error), 0);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(device->LoadWave(File("garbage.wav"), error), 0);
  const TWaveHandle wave = device->LoadWave(File("tone.wav"), error);
  ASSERT_NE(wave, 0) << error;

  EXPECT_EQ(device->AllocateChannels(16), 16);
  EXPECT_EQ(device->Play(wave, 0, 16, 128, 255, 255, kEndless), 0);
  EXPECT_EQ(device->Play(wave, 8, 16, 128, 255, 255, kEndless), kNoChannel);
  EXPECT_FALSE(device->IsPlaying(wave));
  EXPECT_FALSE(device->IsChannelPlaying(0));
  device->Stop(wave);
  device->FreeWave(wave);

  ::testing::internal::CaptureStderr();
  device.reset();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace lr
