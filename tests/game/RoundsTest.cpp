// The match and its rounds: starting, the player reset, local and online placement, closing a
// round with its ordering, the new-round banner, and going back to the menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "actors/ItemUnit.h"
#include "actors/PlayerUnit.h"
#include "support/TestGame.h"
#include "game/Lava.h"
#include "game/LevelUnit.h"
#include "game/TitleScreen.h"

namespace lr {
namespace {

using testing::TTestGame;

// The value of Random(n) after `skip` earlier draws.
Integer DrawAfter(TRandomGenerator rng, int skip, Integer n) {
  for (int i = 0; i < skip; ++i) rng.Random(2);
  return rng.Random(n);
}

TEST(Rounds, ALocalMatchOpensRoundOneWithThePlayersOnTheLowerLedges) {
  TTestGame game(123456);
  TGForm& form = *game;
  ASSERT_TRUE(form.Player1 && form.Player2);
  form.OForm->RoundSpin.Text = "4";
  form.Player1->Kills = form.Player1->Deaths = form.Player1->Wins = 3;
  const TRandomGenerator before = form.Rng;

  form.StartGame();

  EXPECT_EQ(form.GameMode, 3);
  EXPECT_EQ(form.RoundState, 0);
  EXPECT_EQ(form.RoundNumber, 1);
  EXPECT_EQ(form.GameSettings.RoundCount, 4);
  EXPECT_EQ(form.RoundTimer, -1);
  EXPECT_EQ(form.BannerCounter, 0);
  EXPECT_EQ(form.Player1->Kills + form.Player1->Deaths + form.Player1->Wins, 0);
  EXPECT_EQ(form.Fader.StartColor, (TFadeColor{0, 0, 0, 0}));
  EXPECT_EQ(form.Fader.EndColor, (TFadeColor{0, 0, 0, 0}));
  EXPECT_EQ(form.LastLevel.Seed, DrawAfter(before, 0, 1000) + 1);

  EXPECT_EQ(form.Player1->X, 544);
  EXPECT_EQ(form.Player1->Y, 320);
  EXPECT_EQ(form.Player1->ScaleX, -1.0f);
  EXPECT_EQ(form.Player2->X, 64);
  EXPECT_EQ(form.Player2->Y, 320);
  EXPECT_EQ(form.Player2->ScaleX, 1.0f);
  // Feet (64 pixels down) on row 12, over the fixed platforms of columns 17 and 2.
  EXPECT_TRUE(form.LevelGrid.At(17, 12) && form.LevelGrid.At(2, 12));

  // Each further round draws its own seed from the running generator.
  for (int round = 2; round <= 3; ++round) {
    const TRandomGenerator now = form.Rng;
    const Integer previous = form.LastLevel.Seed;
    form.StartRound();
    EXPECT_EQ(form.LastLevel.Seed, DrawAfter(now, 0, 1000) + 1);
    EXPECT_NE(form.LastLevel.Seed, previous);
  }
}

TEST(Rounds, EveryRoundResetsThePlayers) {
  TTestGame game;
  TGForm& form = *game;
  form.StartGame();
  auto* bubble = new TItem(form.SE);
  auto* rope = new TRope(form.SE);
  for (TPlayer* p : form.Players) {
    p->Item = bubble;
    p->Rope = rope;
    p->OnRope = true;
    p->UseDelay = 9;
    p->StunTime = 30;
    p->KeyLeft = p->KeyRight = p->KeyUp = p->KeyDown = true;
    p->VelX = 2;
    p->VelY = -3;
    p->State = psTumble;
    p->Eliminated = true;
    p->Visible = false;
    p->DeathCause = "Lava";
    p->Killer = form.Player2;
    p->RoundKills = 2;
    p->Ready = true;
    p->Kills = 5;
  }
  form.DeadPlayers = {form.Player2};

  form.StartRound();

  EXPECT_TRUE(bubble->Dead && rope->Dead);
  EXPECT_TRUE(form.DeadPlayers.empty());
  EXPECT_EQ(form.RoundNumber, 2);
  for (const TPlayer* p : form.Players) {
    EXPECT_EQ(p->Item, nullptr);
    EXPECT_EQ(p->Rope, nullptr);  // the rope dies with the level
    EXPECT_FALSE(p->OnRope);
    EXPECT_EQ(p->UseDelay + p->StunTime + p->VelX + p->VelY, 0);
    EXPECT_FALSE(p->KeyLeft || p->KeyRight || p->KeyUp || p->KeyDown);
    EXPECT_EQ(p->State, psStand);
    EXPECT_FALSE(p->Eliminated);
    EXPECT_TRUE(p->Visible);
    EXPECT_EQ(p->DeathCause, "");
    EXPECT_EQ(p->Killer, nullptr);
    EXPECT_EQ(p->RoundKills, 0);
    EXPECT_FALSE(p->Ready);
    EXPECT_EQ(p->Kills, 5);  // match totals stay until the next match
  }
}

TEST(Rounds, OnlineRoundsShareTheLaunchSeedAndFaceByTheSharedGenerator) {
  int left = 0, right = 0;
  for (Word seed = 1; seed <= 8; ++seed) {
    TTestGame game;
    TGForm& form = *game;
    form.OnlineGame = 1;
    form.LevelSeed = seed;
    form.GameSettings.RoundCount = 5;
    form.GameSettings.PlatformDensity = 0;
    form.StartGame();
    EXPECT_EQ(form.GameSettings.RoundCount, 5);  // not the round spin's
    EXPECT_EQ(form.LastLevel.Seed, seed);
    // The first player's facing is the draw right after the level's 36.
    TRandomGenerator reference;
    reference.RandomState = seed;
    const bool facesRight = DrawAfter(reference, 36, 2) == 1;
    EXPECT_EQ(form.Players.front()->ScaleX, facesRight ? 1.0f : -1.0f) << "seed " << seed;
    ++(facesRight ? right : left);

    const auto level = form.LastLevel.Platforms;
    for (TPlayer* p : form.Players) p->Ready = true;
    form.StartRound();
    EXPECT_EQ(form.LastLevel.Seed, seed);
    EXPECT_EQ(form.LastLevel.Platforms, level);
  }
  EXPECT_GT(left, 0);
  EXPECT_GT(right, 0);
}

TEST(Rounds, OnlinePlayersNotReadyAreDroppedFromTheSecondRound) {
  TTestGame game;
  TGForm& form = *game;
  form.OnlineGame = 1;
  form.LevelSeed = 17;
  form.GameSettings.RoundCount = 5;
  form.Players.push_back(new TPlayer(form.SE));
  for (TPlayer* p : form.Players) p->Ready = false;
  form.StartGame();
  ASSERT_EQ(form.Players.size(), 3u);  // nobody leaves before the first round

  TPlayer* leaver = form.Players[1];
  form.Players[0]->Ready = form.Players[2]->Ready = true;
  form.StartRound();

  ASSERT_EQ(form.Players.size(), 2u);
  EXPECT_EQ(std::count(form.Players.begin(), form.Players.end(), leaver), 0);
  EXPECT_EQ(std::count(form.SE.SpriteList.begin(), form.SE.SpriteList.end(), leaver), 0);
  // Taken out, not freed.
  ASSERT_EQ(form.DroppedPlayers.size(), 1u);
  EXPECT_EQ(form.DroppedPlayers.front().get(), leaver);
  EXPECT_FALSE(leaver->Dead);
  for (const TPlayer* p : form.Players) EXPECT_FALSE(p->Ready);
}

// [SECTION] Closing a round

TEST(Rounds, EndRoundOrdersByRoundKillsAndOpensTheRightBoard) {
  TTestGame game;
  TGForm& form = *game;
  form.OForm->RoundSpin.Text = "2";
  form.GameSettings.RoundDelay = 7;
  form.StartGame();
  form.Players.clear();
  for (const auto& [name, kills] : std::vector<std::pair<std::string, Word>>{
           {"A", 1}, {"B", 3}, {"C", 1}, {"D", 3}, {"E", 0}}) {
    auto* p = new TPlayer(form.SE);
    p->Name = name;
    p->RoundKills = kills;
    form.Players.push_back(p);
  }
  form.TimeFactor = 1;
  form.RoundTimer = 180;
  form.EndRound();
  std::string order;
  for (const TPlayer* p : form.Players) order += p->Name;
  EXPECT_EQ(order, "BDACE");  // ties keep their order
  EXPECT_EQ(form.RoundState, 1);
  EXPECT_EQ(form.RoundTimer, 179);
  EXPECT_EQ(form.ScoreFade, 200);
  EXPECT_EQ(form.ScoreCountdown, 420);

  form.StartRound();
  form.EndRound();
  EXPECT_EQ(form.RoundState, 2);  // round 2 of 2
}

TEST(Rounds, TheFrameEndsTheRoundOnceAt180) {
  TTestGame game;
  TGForm& form = *game;
  form.StartGame();
  form.GameMode = 1;
  form.RoundTimer = 181;
  game.Frames(1);
  EXPECT_EQ(form.RoundState, 1);
  EXPECT_EQ(form.RoundTimer, 179);
  game.Frames(1);
  EXPECT_EQ(form.RoundTimer, 179);
}

// [SECTION] The new-round banner

// Every string measures 101 × 31 and renders as a solid block; measured strings are kept.
class TBlockFonts final : public IFontRasterizer {
  class TFace final : public IFontFace {
   public:
    explicit TFace(std::vector<std::string>& measured) : Measured(measured) {}
    std::string Family() const override { return "Block"; }
    TTextExtent Measure(const std::string& text) const override {
      Measured.push_back(text);
      return {101, 31};
    }
    TTextBitmap Render(const std::string&) const override { return {101, 31, std::vector<uint32_t>(101 * 31, ~0u)}; }
    std::vector<std::string>& Measured;
  };

 public:
  std::unique_ptr<IFontFace> Open(const std::string&, int, unsigned) override {
    return std::make_unique<TFace>(Measured);
  }
  std::vector<std::string> Measured;
};

struct TBannerGame {
  TBannerGame() : Game(0, &Fonts) {
    Game->OForm->RoundSpin.Text = "3";
    Game->StartGame();
    Game->TimeFactor = 1;
  }
  // One banner frame as the main loop draws it, inside a scene.
  void Draw() {
    Game->OS.BeginScene();
    Game->DrawNewRound();
    Game->OS.EndScene();
  }
  uint32_t& Pixel(int x, int y) { return Game->OS.GetDevice()->BackBuffer()[y * 640 + x]; }
  TBlockFonts Fonts;
  TTestGame Game;
};

TEST(NewRoundBanner, ReadsRoundNOrFinalRoundCentredInOrangeOverBlack) {
  TBannerGame b;
  TGForm& form = *b.Game;
  b.Draw();
  EXPECT_EQ(b.Fonts.Measured.back(), "Round 1");
  form.RoundNumber = 3;
  b.Draw();
  EXPECT_EQ(b.Fonts.Measured.back(), "Final Round");

  form.BannerCounter = 100;  // fully faded in
  b.Pixel(10, 10) = ~0u;
  b.Draw();
  EXPECT_EQ(b.Pixel(10, 10), 0xFF000000u);  // what was drawn before is covered
  // 101 × 31 centred: x = 320 - 50, y = 240 - 15.
  const uint32_t orange = ColorARGB(230, 90, 0, 255);
  EXPECT_EQ(b.Pixel(270, 225), orange);
  EXPECT_EQ(b.Pixel(370, 255), orange);
  for (auto [x, y] : {std::pair{269, 225}, {371, 225}, {270, 224}, {270, 256}})
    EXPECT_EQ(b.Pixel(x, y), 0xFF000000u) << x << "," << y;
}

TEST(NewRoundBanner, FadesInHoldsAndFadesOut) {
  TBannerGame b;
  std::vector<Integer> alpha;
  while (b.Game->GameMode == 3 && alpha.size() < 300) {
    b.Draw();
    alpha.push_back(b.Game->Font2.Alpha);
  }
  ASSERT_EQ(alpha.size(), 196u);
  EXPECT_EQ(alpha[0], 0);
  EXPECT_EQ(alpha[1], 3);     // 3.4
  EXPECT_EQ(alpha[74], 252);  // 251.6
  EXPECT_EQ(alpha[75], 255);
  for (int c = 150; c <= 180; ++c) EXPECT_EQ(alpha[c], 255) << c;
  EXPECT_EQ(alpha[181], 246);  // 246.5, half to even
  EXPECT_EQ(alpha[182], 238);
  EXPECT_EQ(alpha[183], 230);  // 229.5, half to even
  EXPECT_EQ(alpha[195], 128);  // 127.5
}

TEST(NewRoundBanner, EndingOpensTheRoundWithADrawnBackground) {
  TBannerGame b;
  TGForm& form = *b.Game;
  for (TPlayer* p : form.Players) p->Visible = false;
  form.BannerCounter = 195;
  TRandomGenerator reference = form.Rng;
  const Integer blue = reference.Random(128);
  const Integer green = reference.Random(128);
  const Integer red = reference.Random(128);

  b.Draw();

  EXPECT_EQ(form.GameMode, 1);
  EXPECT_EQ(form.BackColor, ColorARGB(red, green, blue, 255));
  EXPECT_EQ(form.Rng.RandomState, reference.RandomState);
  EXPECT_EQ(form.Fader.StartColor, (TFadeColor{0, 0, 0, 255}));
  EXPECT_EQ(form.Fader.EndColor, (TFadeColor{0, 0, 0, 0}));
  EXPECT_EQ(form.Fader.FadeSpeed(), 1.0f);
  for (const TPlayer* p : form.Players) EXPECT_TRUE(p->Visible);
}

TEST(NewRoundBanner, LastsOneHundredAndNinetySixFramesAndIgnoresEscape) {
  TTestGame game;
  TGForm& form = *game;
  form.StartGame();
  TInputEvent escape;
  escape.Kind = TInputEventKind::KeyDown;
  escape.VirtualKey = 27;
  form.HandleEvent(escape);
  game.Frames(195);
  EXPECT_EQ(form.GameMode, 3);
  EXPECT_FALSE(form.Closed);
  game.Frames(1);
  EXPECT_EQ(form.GameMode, 1);
  // With the round on, Escape goes back to the title.
  form.HandleEvent(escape);
  EXPECT_EQ(form.GameMode, 0);
}

// [SECTION] Back to the menu

TEST(Rounds, StartMenuRestartsTheTitleAndClearsTheArena) {
  TTestGame game;
  TGForm& form = *game;
  form.GameSettings.Fullscreen = true;
  form.StartGame();
  EXPECT_TRUE(form.OS.FullScreen);
  form.GameMode = 1;
  form.RoundState = 2;
  form.TitleCounter = 900;
  ASSERT_FALSE(game.Live<TPlatform>().empty());

  form.StartMenu();

  EXPECT_FALSE(form.OS.FullScreen);
  EXPECT_EQ(form.GameMode, 0);
  EXPECT_EQ(form.RoundState, 0);
  EXPECT_EQ(form.TitleCounter, 0);
  EXPECT_TRUE(game.Live<TPlatform>().empty() && game.Live<TRope>().empty());
  EXPECT_EQ(game.Live<TLava>().size(), 4u);
  EXPECT_EQ(game.Live<TPlayer>().size(), form.Players.size());
}

TEST(Rounds, AMatchPastItsLastRoundGoesBackToTheMenu) {
  TTestGame game;
  TGForm& form = *game;
  // No rounds at all: the first round start finds the match over.
  form.GameSettings.RoundCount = 0;
  form.OnlineGame = 1;
  form.TitleCounter = 50;
  form.StartGame();
  EXPECT_EQ(form.GameMode, 0);
  EXPECT_EQ(form.TitleCounter, 0);
  EXPECT_TRUE(game.Live<TPlatform>().empty());
  form.OnlineGame = 0;

  form.OForm->RoundSpin.Text = "2";
  form.StartGame();
  form.StartRound();
  EXPECT_EQ(form.GameMode, 3);
  form.StartRound();
  EXPECT_EQ(form.RoundNumber, 3);
  EXPECT_EQ(form.GameMode, 0);
}

TEST(Rounds, RoundsTypedOutsideTheFieldsRangeArePulledIn) {
  TTestGame game;
  TGForm& form = *game;
  for (const auto& [typed, rounds] : {std::pair{"0", 1}, {"300", 50}, {"seven", 1}, {"12", 12}}) {
    form.OForm->RoundSpin.Text = typed;
    form.StartGame();
    EXPECT_EQ(form.GameSettings.RoundCount, rounds) << typed;
    form.StartMenu();
  }
}

TEST(Rounds, ClearingTheArenaSparesOnlyPlayersAndLava) {
  TTestGame game;
  TGForm& form = *game;
  form.BuildLevel(8);
  auto* bubble = new TItem(form.SE);
  auto* entry = new TBounceText(form.SE);
  form.MenuTexts.push_back(entry);
  auto* rope = new TRope(form.SE);
  for (TPlayer* p : form.Players) {
    p->Item = bubble;
    p->Rope = rope;
    p->OnRope = true;
  }
  form.RemoveArena();
  EXPECT_TRUE(bubble->Dead && entry->Dead && rope->Dead);
  // Nobody holds what the next FreeDead frees, the menu's return included.
  for (const TPlayer* p : form.Players) EXPECT_TRUE(!p->Item && !p->Rope && !p->OnRope);
  EXPECT_TRUE(form.MenuTexts.empty());  // no entry outlives the next FreeDead in the list
  for (const TSprite* s : form.SE.SpriteList)
    EXPECT_EQ(s->Dead, !dynamic_cast<const TPlayer*>(s) && !dynamic_cast<const TLava*>(s)) << s->ClassName();
  form.SE.FreeDead();
  EXPECT_EQ(form.SE.Count(), 4 + static_cast<Integer>(form.Players.size()));
}

}  // namespace
}  // namespace lr
