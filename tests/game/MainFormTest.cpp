// The main form's frame: counters in their order, independence of games, and the generator.
#include <gtest/gtest.h>

#include <memory>

#include "game/MainForm.h"
#include "settings/SettingsTable.h"
#include "support/TestGame.h"
#include "platform/RecordingAudio.h"

namespace lr {
namespace {

using TestGame = testing::TTestGame;

TEST(RandomGenerator, FollowsTheWorkedSequence) {
  TRandomGenerator rng;
  rng.RandomState = 1;
  EXPECT_EQ(rng.Random(100), 3);
  EXPECT_EQ(rng.RandomState, 134775814u);
  EXPECT_EQ(rng.Random(100), 86);
  EXPECT_EQ(rng.RandomState, 3698175007u);
  EXPECT_EQ(rng.Random(100), 20);
  EXPECT_EQ(rng.RandomState, 870078620u);
  // Random(1) always answers 0 but still steps the state.
  EXPECT_EQ(rng.Random(1), 0);
  EXPECT_NE(rng.RandomState, 870078620u);
}

TEST(MainForm, StartUpSeedsFromTheTimeOfDayAndFillsTheTables) {
  TestGame game(((13 * 60 + 45) * 60 + 7) * 1000 + 250);
  EXPECT_EQ(game.Form->Rng.RandomState, 49507250u);
  EXPECT_EQ(game.Form->GameMode, 0);
  EXPECT_FLOAT_EQ(game.Form->SinTable[90], 1.0f);
  EXPECT_FLOAT_EQ(game.Form->CosTable[180], -1.0f);
  EXPECT_FLOAT_EQ(game.Form->SinTable[30], 0.5f);
  EXPECT_TRUE(game.Form->Timer.Enabled());
  ASSERT_NE(game.Form->Spr.Find("BG"), nullptr);
  EXPECT_EQ(game.Form->Spr.Find("BG")->TileWidth, 640);
}

TEST(MainForm, BeforeAnySettingsFileTheStartValuesAreInEffect) {
  TestGame game;
  ASSERT_TRUE(game.Form->OForm);
  const TSettingValues inEffect = game.Form->OForm->InEffect();
  for (const TSetting& setting : kSettings)
    EXPECT_EQ(inEffect[static_cast<size_t>(setting.Id)], ParseTableValue(setting, setting.StartValue)) << setting.Name;
  EXPECT_FALSE(game.Form->OForm->Visible);
}

TEST(MainForm, OneFrameIsOneStepOfEveryCounter) {
  TestGame game(0);
  game.Frames(1);
  EXPECT_EQ(game.Form->TimeFactor, 1.0f);
  EXPECT_EQ(game.Form->TickCount, 1);
  EXPECT_EQ(game.Form->TitleCounter, 1.0f);
  EXPECT_EQ(game.Form->LavaScroll, 1.0f);
  game.Frames(639);
  EXPECT_EQ(game.Form->LavaScroll, 640.0f);
  // The scroll wraps to 0 once it passes 640.
  game.Frames(1);
  EXPECT_EQ(game.Form->LavaScroll, 0.0f);
  EXPECT_EQ(game.Form->Caption, "FPS = 60");
}

TEST(MainForm, ALateFrameStillAdvancesOneStep) {
  TestGame game(0);
  // A quarter-second stall fires one frame with Delta near 15, clamped at MinFPS to about 6;
  // the game still moves by exactly one step.
  game.Clock.Advance(game.Form->Timer.Frequency() / 4);
  game.Form->Timer.Tick();
  EXPECT_GT(game.Form->Timer.Delta, 5.9f);
  EXPECT_EQ(game.Form->TimeFactor, 1.0f);
  EXPECT_EQ(game.Form->TitleCounter, 1.0f);
}

TEST(MainForm, EscapeOnTheTitleCloses) {
  TestGame game(0);
  TInputEvent escape;
  escape.Kind = TInputEventKind::KeyDown;
  escape.VirtualKey = 27;
  TInputEvent other = escape;
  other.VirtualKey = 13;
  game.Form->HandleEvent(other);
  EXPECT_FALSE(game.Form->Closed);
  game.Form->HandleEvent(escape);
  EXPECT_TRUE(game.Form->Closed);
  // A closed window runs no more frames.
  game.Frames(3);
  EXPECT_EQ(game.Form->TickCount, 0);
}

TEST(MainForm, PlaySoundPlaysFromTheTableAndRecordsTheName) {
  TestGame game(0);
  game.Form->PlaySound("Boom");
  game.Form->PlaySound("boom");  // names are case-sensitive: plays nothing
  EXPECT_EQ(game.Form->SoundsThisFrame, (std::vector<std::string>{"Boom", "boom"}));
  ASSERT_EQ(game.Audio.Plays().size(), 1u);
  EXPECT_NE(game.Audio.Plays()[0].File.find("Boom.wav"), std::string::npos);
}

TEST(MainForm, GamesSideBySideShareNothing) {
  TestGame a(1000);
  TestGame b(2000);
  // No bubble comes in these frames: a bubble reseeds the generator from its own game's clock.
  a.Form->PowerupCountdown = 100;
  b.Form->PowerupCountdown = 100;
  a.Frames(10);
  b.Frames(3);
  EXPECT_EQ(a.Form->TickCount, 10);
  EXPECT_EQ(b.Form->TickCount, 3);
  EXPECT_EQ(a.Form->Rng.RandomState, 1000u);
  EXPECT_EQ(b.Form->Rng.RandomState, 2000u);
  EXPECT_NE(&a.Form->SE, &b.Form->SE);
}

}  // namespace
}  // namespace lr
