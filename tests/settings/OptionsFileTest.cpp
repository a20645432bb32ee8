// Options.dat: its byte layout, reading damaged and foreign files, and saves killed midway.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "settings/Dialog.h"

namespace lr::testing {
namespace {

TEST(OptionsFile, TheLayoutByteByByte) {
  TDialog d;
  d->PDensity.Text = "75";
  d->RDensity.Text = "100";
  d->S = {true, false, true, false, false, false, false, false, true};
  d->SpSpin.Text = "7";
  d->RoundSpin.Text = "12";
  d->RDSpin.Text = "5";
  d->Fullscr = true;
  d->P1E.Text = "Ann";
  d->P2E.Text = "Bo";
  ASSERT_TRUE(d->SaveOptions());
  const std::string expected = {
      75, 0, 0, 0,                                         // 0: PlatformDensity
      100, 0, 0, 0,                                        // 4: RopeDensity
      '\xCD', '\xCC', '\xCC', '\x3F',                      // 8: MovePower 1.6
      0, 0, '\xA0', '\xC0',                                // 12: JumpPower -5
      '\x9A', '\x99', '\xD9', '\x3F',                      // 16: ClimbPower 1.7
      '\xAE', '\x47', '\x61', '\x3E',                      // 20: Gravity 0.22
      1, 0, 1, 0, 0, 0, 0, 0, 1,                           // 24: PowerupEnabled[1..9]
      7, 0, 0, 0,                                          // 33: PowerupDelay
      12, 0, 0, 0,                                         // 37: RoundCount and three zeros
      5, 0, 0, 0,                                          // 41: RoundDelay and three zeros
      1,                                                   // 45: Fullscreen
      3, 'A', 'n', 'n', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 46: player 1 name
      '\xC8', 0, 0, 0,                                     // 62: player 1 red 200
      50, 0, 0, 0,                                         // 66: player 1 green
      50, 0, 0, 0,                                         // 70: player 1 blue
      2, 'B', 'o', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,    // 74: player 2 name
      50, 0, 0, 0,                                         // 90: player 2 red
      '\xC8', 0, 0, 0,                                     // 94: player 2 green 200
      50, 0, 0, 0,                                         // 98: player 2 blue
  };
  ASSERT_EQ(expected.size(), kOptionsFileSize);
  EXPECT_EQ(d.Bytes(), expected);
}

TEST(OptionsFile, RowsTileTheFileAndAShortFileYieldsOnlyItsWholeRows) {
  size_t end = 0;
  for (const TSetting& setting : kSettings) {
    EXPECT_EQ(setting.Offset, end) << setting.Name;
    end = setting.Offset + setting.Size;
  }
  EXPECT_EQ(end, kOptionsFileSize);
  const std::string whole = FileOf({});
  for (size_t length = 0; length <= kOptionsFileSize; ++length) {
    size_t whole_rows = 0;
    for (const TSetting& setting : kSettings) whole_rows += setting.Offset + setting.Size <= length ? 1 : 0;
    TSettingValues values;
    EXPECT_EQ(DecodeOptions(std::string_view(whole).substr(0, length), values), whole_rows) << length;
  }
}

// A file of its own, the state it leaves in the game and the dialog.
struct TLoaded {
  explicit TLoaded(const std::string& bytes) {
    d.WriteFile(bytes);
    Problem = d->LoadOptions();
  }
  TDialog d;
  std::string Problem;
};

const std::string kFile = FileOf({{TSettingId::PlatformDensity, Int(55)},
                                  {TSettingId::MovePower, Float(2.0f)},
                                  {TSettingId::PowerupEnabled, Switches({true, false, false, false, false, false, false, false, true})},
                                  {TSettingId::PowerupDelay, Int(12)},
                                  {TSettingId::RoundCount, Int(7)},
                                  {TSettingId::Player1Name, Text("Ann")},
                                  {TSettingId::Player1Red, Int(100)},
                                  {TSettingId::Player2Name, Text("Bo")},
                                  {TSettingId::Player2Blue, Int(90)}});

TEST(OptionsFile, AWholeFileIsInEffectAndShownInTheDialog) {
  TLoaded l(kFile);
  EXPECT_EQ(l.Problem, "");
  EXPECT_EQ(l.d.Settings.PlatformDensity, 55);
  EXPECT_EQ(l.d->PDensity.Text, "55");
  EXPECT_EQ(l.d.Settings.MovePower, 2.0f);
  EXPECT_EQ(l.d->Phys, (std::array<std::string, 4>{"2", "-5", "1.7", "0.22"}));
  EXPECT_EQ(l.d->S, (std::array<bool, 9>{true, false, false, false, false, false, false, false, true}));
  EXPECT_EQ(l.d.Settings.PowerupDelay, 12);
  EXPECT_EQ(l.d->RoundSpin.Text, "7");
  EXPECT_EQ(l.d.Name1, "Ann");
  EXPECT_EQ(l.d->P2E.Text, "Bo");
  // Colours come through the bars: 50 and 200 reach them as 64 and 200.
  EXPECT_EQ(l.d.Colour1(), (std::array<Integer, 3>{100, 64, 64}));
  EXPECT_EQ(l.d.Colour2(), (std::array<Integer, 3>{64, 200, 90}));
  EXPECT_EQ(l.d->TB1R.Position, 100);
  EXPECT_EQ(l.d->P1E.FontColor, (TRgb{100, 64, 64}));
}

TEST(OptionsFile, ShortAndLongFilesKeepWhatTheyCouldRead) {
  const TLoaded whole(kFile);
  for (const size_t size : {0, 1, 101, 103, 4096}) {
    std::string bytes = kFile;
    bytes.resize(size, '\x5A');
    const TLoaded l(bytes);
    if (size < kOptionsFileSize) {
      EXPECT_NE(l.Problem.find(l.d.Path), std::string::npos) << size << ": " << l.Problem;
      EXPECT_EQ(l.Problem.find('\n'), std::string::npos);
    } else {
      EXPECT_EQ(l.Problem, "") << size;
    }
    const TSettingValues inEffect = l.d->InEffect(), expected = whole.d->InEffect();
    for (const TSetting& setting : kSettings) {
      // Rows the file could not fill keep their start values; a player's colour is read whole.
      const bool read = size >= kOptionsFileSize || (size == 101 && setting.Group != kSettings.back().Group);
      EXPECT_EQ(inEffect[Row(setting.Id)], read ? expected[Row(setting.Id)] : ParseTableValue(setting, setting.StartValue))
          << size << " " << setting.Name;
    }
    EXPECT_EQ(l.d->PDensity.Text, size >= 8 ? "55" : "80") << size;
    EXPECT_EQ(l.d->TB2B.Position, size >= kOptionsFileSize ? 90 : 128) << size;
  }
}

TEST(OptionsFile, FilesOfAllZerosOrAllOnesStartTheGameSafely) {
  const TLoaded zeros(std::string(kOptionsFileSize, '\0'));
  EXPECT_EQ(zeros.Problem, "");
  EXPECT_EQ(zeros.d.Settings.PlatformDensity, 0);
  EXPECT_EQ(zeros.d.Settings.Gravity, 0.0f);
  EXPECT_EQ(zeros.d->Phys[3], "0");
  EXPECT_EQ(zeros.d.Settings.PowerupEnabled, (std::array<bool, 9>{}));
  EXPECT_EQ(zeros.d.Settings.PowerupDelay, 6);
  EXPECT_EQ(zeros.d->SpSpin.Text, "6");
  EXPECT_EQ(zeros.d->RoundSpin.Text, "1");
  EXPECT_EQ(zeros.d->RDSpin.Text, "5");
  EXPECT_EQ(zeros.d.Name1, "");
  EXPECT_EQ(zeros.d.Colour1(), (std::array<Integer, 3>{64, 64, 64}));

  const TLoaded ones(std::string(kOptionsFileSize, '\xFF'));
  EXPECT_EQ(ones.Problem, "");
  EXPECT_EQ(ones.d.Settings.PlatformDensity, -1);
  EXPECT_EQ(ones.d->PDensity.Text, "0");
  // Stored physics that are not numbers leave the values in effect as they were.
  EXPECT_EQ(ones.d.Settings.MovePower, 1.6f);
  EXPECT_EQ(ones.d->Phys[0], "1.6");
  EXPECT_EQ(ones.d.Settings.PowerupDelay, 6);
  EXPECT_EQ(ones.d->RoundSpin.Text, "50");
  EXPECT_EQ(ones.d->RDSpin.Text, "30");
  EXPECT_TRUE(ones.d.Settings.Fullscreen);
  EXPECT_EQ(ones.d.Name2, std::string(15, '\xFF'));
  EXPECT_EQ(ones.d.Colour2(), (std::array<Integer, 3>{64, 64, 64}));
  EXPECT_EQ(ones.d->P2E.FontColor, (TRgb{64, 64, 64}));
}

TEST(OptionsFile, NamesHoldEveryByteValueAsItIs) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  // Fifteen bytes at a time, 0x00 too: the length byte makes it part of the name.
  for (size_t at = 0; at < all.size(); at += kStoredNameLength) {
    const std::string name = all.substr(at, kStoredNameLength);
    std::string reversed(name.rbegin(), name.rend());
    TDialog d;
    d->P1E.Text = name;
    d->P2E.Text = reversed;
    ASSERT_TRUE(d->SaveOptions());
    EXPECT_EQ(d.Bytes().substr(46, 1 + name.size()), static_cast<char>(name.size()) + name) << at;
    const TLoaded l(d.Bytes());
    EXPECT_EQ(l.d.Name1, name) << at;
    EXPECT_EQ(l.d->P1E.Text, name) << at;
    EXPECT_EQ(l.d.Name2, reversed) << at;
  }
}

TEST(OptionsFile, NameLengthsAboveFifteenReadAsFifteen) {
  for (const char length : {'\x10', '\xFF'}) {
    std::string bytes = FileOf({{TSettingId::Player1Name, Text("ABCDEFGHIJKLMNO")}});
    bytes[46] = length;
    const TLoaded l(bytes);
    EXPECT_EQ(l.d.Name1, "ABCDEFGHIJKLMNO");
    EXPECT_EQ(l.d->P1E.Text, "ABCDEFGHIJKLMNO");
  }
}

TEST(OptionsFile, StoredColoursOutsideTheBarsComeBackClampedUnlessTheBarStoodThere) {
  TDialog d;
  d->TB1B.SetPosition(64);
  d.WriteFile(FileOf({{TSettingId::Player1Red, Int(300)}, {TSettingId::Player1Green, Int(30)},
                      {TSettingId::Player1Blue, Int(30)}}));
  EXPECT_EQ(d->LoadOptions(), "");
  EXPECT_EQ(d.Colour1(), (std::array<Integer, 3>{255, 64, 30}));
  EXPECT_EQ(d->TB1G.Position, 64);
  EXPECT_EQ(d->P1E.FontColor, (TRgb{255, 64, 30}));
}

TEST(OptionsFile, ASaveKilledAtAnyMomentLeavesOneWholeVersion) {
  TDialog d;
  d->P1E.Text = "Version A";
  ASSERT_TRUE(d->SaveOptions());
  const std::string a = d.Bytes();
  d->P1E.Text = "Version B";
  d->PDensity.Text = "3";
  const std::string b = EncodeOptions([&] {
    TDialog other;
    other->P1E.Text = "Version B";
    other->PDensity.Text = "3";
    EXPECT_TRUE(other->SaveOptions());
    TSettingValues values;
    DecodeOptions(other.Bytes(), values);
    return values;
  }());
  std::mt19937 rng(12345);
  for (int round = 0; round < 40; ++round) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Saves the two versions in turn until killed; says so after the first.
      close(ready[0]);
      for (int i = 0;; ++i) {
        d->P1E.Text = i % 2 == 0 ? "Version B" : "Version A";
        d->PDensity.Text = i % 2 == 0 ? "3" : "80";
        if (!d->SaveOptions()) _exit(1);
        if (i == 0 && write(ready[1], "!", 1) != 1) _exit(1);
      }
    }
    close(ready[1]);
    char signal = 0;
    ASSERT_EQ(read(ready[0], &signal, 1), 1);
    close(ready[0]);
    usleep(std::uniform_int_distribution<useconds_t>(0, 3000)(rng));
    ::kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child stopped by itself";
    const std::string now = d.Bytes();
    ASSERT_TRUE(now == a || now == b) << "after kill " << round << ": " << now.size() << " bytes";
  }
}

}  // namespace
}  // namespace lr::testing
