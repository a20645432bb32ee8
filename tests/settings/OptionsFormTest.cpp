// The options dialog: its start, "Defaults", "Apply", the spin edits, the colour bars and the
// errors that keep it open.
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/Dialog.h"

namespace lr::testing {
namespace {

using lr::test::WriteText;

TEST(OptionsDialog, WithoutAFileTheGameKeepsItsValuesAndTheDialogShowsItsOwnButThePowerupsInEffect) {
  TDialog d;
  const TSettingValues before = d->InEffect();
  EXPECT_EQ(d->LoadOptions(), "");
  EXPECT_EQ(d->InEffect(), before);
  EXPECT_EQ(d.Settings.PlatformDensity, 80);
  EXPECT_EQ(d.Settings.RopeDensity, 10);
  EXPECT_EQ(d.Settings.PowerupDelay, 6);
  EXPECT_FALSE(d->Visible);
  EXPECT_EQ(d->PDensity.Text, "80");
  EXPECT_EQ(d->RDensity.Text, "10");
  EXPECT_EQ(d->Phys, (std::array<std::string, 4>{"1.6", "-5", "1.7", "0.22"}));
  // Every powerup is on in the game, and the boxes say so.
  EXPECT_EQ(d->S, (std::array<bool, 9>{true, true, true, true, true, true, true, true, true}));
  EXPECT_EQ(d->SpSpin.Text, "4");
  EXPECT_EQ(d->RoundSpin.Text, "10");
  EXPECT_EQ(d->RDSpin.Text, "10");
  EXPECT_FALSE(d->Fullscr);
  EXPECT_EQ(d->P1E.Text, "Lava Newbie #1");
  EXPECT_EQ(d->P2E.Text, "Lava Newbie #2");
  for (const TTrackBar* bar : {&d->TB1R, &d->TB1G, &d->TB1B, &d->TB2R, &d->TB2G, &d->TB2B})
    EXPECT_EQ(bar->Position, 128);
  EXPECT_FALSE(std::filesystem::exists(d.Path));

  // Opening "Options" only to type a name and applying leaves the powerups as they were.
  d->Show();
  d->P1E.Text = "Ann";
  d->Button1Click();
  EXPECT_EQ(d.Name1, "Ann");
  EXPECT_EQ(d.Settings.PowerupEnabled, (std::array<bool, 9>{true, true, true, true, true, true, true, true, true}));
  EXPECT_EQ(d.Bytes().substr(24, 9), std::string(9, '\x01'));
  // The boxes follow the switches in effect, whatever they are.
  TDialog e;
  e.Settings.PowerupEnabled[4] = false;
  e->LoadOptions();
  EXPECT_EQ(e->S, (std::array<bool, 9>{true, true, true, true, false, true, true, true, true}));
}

TEST(OptionsDialog, DefaultsReachOnlyTheControlsAndTheRedBarsUntilApply) {
  TDialog d;
  d->Show();
  d->PDensity.Text = "33";
  d.Settings.PlatformDensity = 33;
  d->Button2Click();
  EXPECT_EQ(d->PDensity.Text, "80");
  EXPECT_EQ(d->S, (std::array<bool, 9>{true, true, true, true, true, true, true, true, true}));
  EXPECT_EQ(d.Settings.PlatformDensity, 33);
  EXPECT_FALSE(std::filesystem::exists(d.Path));
  // The bars already stood at 128: only the two red handlers ran.
  EXPECT_EQ(d.Colour1(), (std::array<Integer, 3>{128, 50, 50}));
  EXPECT_EQ(d.Colour2(), (std::array<Integer, 3>{128, 200, 50}));
  EXPECT_EQ(d->P2E.FontColor, (TRgb{128, 200, 50}));

  d->Button1Click();
  EXPECT_FALSE(d->Visible);
  EXPECT_EQ(d.Settings.PlatformDensity, 80);
  EXPECT_EQ(d.Settings.PowerupDelay, 6);
  EXPECT_EQ(d.Name1, "Lava Newbie #1");
  TSettingValues stored;
  ASSERT_EQ(DecodeOptions(d.Bytes(), stored), kSettings.size());
  EXPECT_EQ(d.Bytes().size(), kOptionsFileSize);
  EXPECT_EQ(stored[Row(TSettingId::PowerupDelay)].Int, 6);
  EXPECT_EQ(stored[Row(TSettingId::Player1Red)].Int, 128);
  EXPECT_EQ(stored[Row(TSettingId::Player1Green)].Int, 50);
  EXPECT_EQ(stored[Row(TSettingId::Player2Green)].Int, 200);
}

TEST(OptionsDialog, SpinEditsReadBadTextAsTheMinimumAndPullInWhenLeft) {
  struct TCase {
    const char* Typed;
    Integer Value;
    const char* AfterExit;
  };
  // RoundSpin: 1..50.
  for (const TCase& c : {TCase{"abc", 1, "abc"}, TCase{"", 1, ""}, TCase{" 7 ", 7, " 7 "}, TCase{"99", 99, "50"},
                         TCase{"-3", -3, "1"}, TCase{"2147483648", 1, "2147483648"}, TCase{"1.5", 1, "1.5"}}) {
    TSpinEdit spin = TDialog()->RoundSpin;
    spin.Text = c.Typed;
    EXPECT_EQ(spin.Value(), c.Value) << c.Typed;
    spin.Exit();
    EXPECT_EQ(spin.Text, c.AfterExit) << c.Typed;
  }
  TSpinEdit spin = TDialog()->RDSpin;
  spin.SetValue(30);
  spin.Up();
  EXPECT_EQ(spin.Text, "30");
  spin.SetValue(-8);
  EXPECT_EQ(spin.Text, "5");
  spin.Down();
  EXPECT_EQ(spin.Value(), 5);

  // "Apply" leaves the field; the powerup delay in effect is never below 6.
  for (const auto& [typed, stored] : {std::pair{"1", 6}, std::pair{"60", 60}, std::pair{"75", 60}}) {
    TDialog d;
    d->SpSpin.Text = typed;
    d->RoundSpin.Text = "99";
    ASSERT_TRUE(d->SaveOptions());
    EXPECT_EQ(d.Settings.PowerupDelay, stored) << typed;
    EXPECT_EQ(static_cast<uint8_t>(d.Bytes()[33]), stored) << typed;
    EXPECT_EQ(d->RoundSpin.Text, "50");
    EXPECT_EQ(d.Settings.RoundCount, 50);
  }
}

TEST(OptionsDialog, ALongNameIsStoredAsItsFirstFifteenCharacters) {
  TDialog d;
  d->P1E.Text = "ABCDEFGHIJKLMNOPQRST";
  ASSERT_TRUE(d->SaveOptions());
  EXPECT_EQ(d.Name1, "ABCDEFGHIJKLMNO");
  EXPECT_EQ(d.Bytes()[46], 15);
  EXPECT_EQ(d.Bytes().substr(47, 15), "ABCDEFGHIJKLMNO");
}

TEST(OptionsDialog, ColourBarsChangeThePlayersAtOnceAndClosingKeepsThem) {
  TDialog d;
  ASSERT_TRUE(d->SaveOptions());
  const std::string saved = d.Bytes();
  d->Show();
  d->P1E.Text = "typed, not applied";
  d->TB2G.SetPosition(300);
  EXPECT_EQ(d->TB2G.Position, 255);
  EXPECT_EQ(d.Colour2(), (std::array<Integer, 3>{50, 255, 50}));
  EXPECT_EQ(d->P2E.FontColor, (TRgb{50, 255, 50}));
  d->CloseByFrame();
  EXPECT_FALSE(d->Visible);
  EXPECT_EQ(d.Colour2(), (std::array<Integer, 3>{50, 255, 50}));
  EXPECT_EQ(d.Name1, "Lava Newbie #1");
  EXPECT_EQ(d.Bytes(), saved);
  // Shown again with what the controls last held.
  d->Show();
  EXPECT_EQ(d->P1E.Text, "typed, not applied");
  EXPECT_EQ(d->TB2G.Position, 255);
  // A position that does not change runs no handler.
  d.Sprite2->SetGreen(7);
  d->TB2G.SetPosition(255);
  EXPECT_EQ(d.Sprite2->Green, 7);
}

TEST(OptionsDialog, ABadPhysicsTextShowsAnErrorAndKeepsTheWindowAndTheFile) {
  for (const char* bad : {"abc", "1,6", "", "nan", "inf", "1e39", "0x10", "1.6.1"}) {
    TDialog d;
    ASSERT_TRUE(d->SaveOptions());
    const std::string saved = d.Bytes();
    d->Show();
    d->PDensity.Text = "55";
    d->S[0] = true;
    d->Phys[0] = "2.5";
    d->Phys[1] = bad;
    d->Button1Click();
    ASSERT_EQ(d.Errors, std::vector<std::string>{"'" + std::string(bad) + "' is not a valid floating point value"});
    EXPECT_TRUE(d->Visible);
    EXPECT_EQ(d.Bytes(), saved);
    // What was converted before the bad text is in effect, nothing after it.
    EXPECT_EQ(d.Settings.PlatformDensity, 55);
    EXPECT_EQ(d.Settings.MovePower, 2.5f);
    EXPECT_EQ(d.Settings.JumpPower, -5.0f);
    EXPECT_FALSE(d.Settings.PowerupEnabled[0]);
  }
  for (const auto& [good, value] : {std::pair{" 2.5 ", 2.5f}, std::pair{"+3", 3.0f}, std::pair{"-1e-3", -0.001f}}) {
    TDialog d;
    d->Phys[3] = good;
    EXPECT_TRUE(d->SaveOptions()) << good;
    EXPECT_EQ(d.Settings.Gravity, value) << good;
  }
}

TEST(OptionsDialog, AFileThatCannotBeCreatedShowsAnErrorAndKeepsTheWindow) {
  // A missing folder is made only when the dialog is told to (the game's settings folder); a
  // file where a folder should be stops the save either way.
  const struct {
    const char* Name;
    bool MakeFolder, Saved;
  } cases[] = {
      {"folder/Options.dat", false, false},
      {"missing/Options.dat", false, false},
      {"folder/Options.dat", true, false},
      {"missing/deeper/Options.dat", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Name) + (c.MakeFolder ? ", making folders" : ""));
    TDialog d(c.Name);
    d->MakeFolder = c.MakeFolder;
    WriteText(d.Dir.File("folder"), "a file where a folder should be");
    d->Show();
    d->PDensity.Text = "20";
    d->Button1Click();
    EXPECT_EQ(d.Errors, c.Saved ? std::vector<std::string>{} : std::vector<std::string>{"Cannot create file " + d.Path});
    EXPECT_EQ(d->Visible, !c.Saved);
    EXPECT_EQ(d.Settings.PlatformDensity, c.Saved ? 20 : 80);
    EXPECT_EQ(d.Bytes().size(), c.Saved ? kOptionsFileSize : 0u);
    EXPECT_EQ(std::filesystem::exists(d->IniPath()), c.Saved);
  }
}

}  // namespace
}  // namespace lr::testing
