// Level building: the fixed frame, the seeded random pass and its exact draws, the grid, and
// platforms falling into the lava.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/TestGame.h"
#include "game/LevelUnit.h"

namespace lr {
namespace {

using testing::TTestGame;
using Tile = std::array<Integer, 2>;

constexpr size_t kFixedPlatforms = 18;
constexpr size_t kFixedRopeSegments = 22;

void BuildWith(TGForm& form, Integer seed, Integer platformDensity, Integer ropeDensity) {
  form.RemoveArena();
  form.GameSettings.PlatformDensity = platformDensity;
  form.GameSettings.RopeDensity = ropeDensity;
  form.BuildLevel(seed);
}

// The generator's state after `draws` steps from `seed`.
uint32_t StateAfter(uint32_t seed, int draws) {
  TRandomGenerator rng;
  rng.RandomState = seed;
  for (int i = 0; i < draws; ++i) rng.Random(100);
  return rng.RandomState;
}

TEST(LevelBuild, WorkedExampleSeedOne) {
  TTestGame game;
  BuildWith(*game, 1, 80, 10);
  const TGForm& form = *game;
  EXPECT_EQ(form.Rng.RandomState, 2462401990u);
  EXPECT_EQ(form.LastLevel.Seed, 1);
  EXPECT_TRUE(form.LevelBuiltThisFrame);

  const std::set<Tile> empty = {{5, 6}, {18, 6}, {6, 9}, {8, 9}, {10, 9}, {11, 9}};
  for (Integer row : {6, 9})
    for (Integer col = 1; col <= 18; ++col)
      EXPECT_EQ(form.LevelGrid.At(col, row), !empty.count({col, row})) << col << "," << row;

  // One random rope, in column 3, bottom segment first.
  const std::vector<std::array<Integer, 3>> rope(form.LastLevel.Ropes.begin() + kFixedRopeSegments,
                                                 form.LastLevel.Ropes.end());
  EXPECT_EQ(rope, (std::vector<std::array<Integer, 3>>{{3, 8, 2}, {3, 7, 1}, {3, 6, 1}, {3, 5, 1}, {3, 4, 0}}));
  // Its side platforms: (3, 6) stood already and is not doubled; (4, 6) follows (3, 9).
  const auto& tiles = form.LastLevel.Platforms;
  EXPECT_EQ(std::count(tiles.begin(), tiles.end(), Tile{3, 6}), 1);
  const auto under = std::find(tiles.begin(), tiles.end(), Tile{3, 9});
  ASSERT_NE(under, tiles.end());
  EXPECT_EQ(*(under + 1), (Tile{4, 6}));
  EXPECT_EQ(std::count(tiles.begin(), tiles.end(), Tile{4, 6}), 1);

  // The record is the sprites.
  EXPECT_EQ(game.Live<TPlatform>().size(), tiles.size());
  EXPECT_EQ(game.Live<TRope>().size(), form.LastLevel.Ropes.size());
}

TEST(LevelBuild, DensityZeroDrawsOncePerCellAndKeepsTheFixedFrame) {
  TTestGame game;
  BuildWith(*game, 4, 100, 0);  // a full level first: the next build starts from an empty grid
  BuildWith(*game, 555, 0, 100);
  EXPECT_EQ(game->Rng.RandomState, StateAfter(555, 36));
  for (Integer col = 1; col <= 18; ++col) EXPECT_FALSE(game->LevelGrid.At(col, 6) || game->LevelGrid.At(col, 9));

  std::set<Tile> tiles, expected;
  for (const TPlatform* p : game.Live<TPlatform>()) {
    EXPECT_TRUE(p->Z == 0 && p->Collide && p->Width == 32);
    tiles.insert({static_cast<Integer>(p->X) / 32, static_cast<Integer>(p->Y) / 32});
  }
  for (Integer c = 2; c <= 5; ++c) {
    expected.insert(Tile{c, 12});
    expected.insert(Tile{c + 12, 12});
  }
  for (Integer c = 1; c <= 5; ++c) {
    expected.insert(Tile{c, 3});
    expected.insert(Tile{c + 13, 3});
  }
  EXPECT_EQ(game.Live<TPlatform>().size(), kFixedPlatforms);
  EXPECT_EQ(tiles, expected);

  // Two ropes of eleven: bottom piece 2 in row 11, top piece 0 (second tile) in row 1.
  const auto ropes = game.Live<TRope>();
  ASSERT_EQ(ropes.size(), kFixedRopeSegments);
  for (const TRope* r : ropes) {
    const auto row = static_cast<Integer>(r->Y) / 32;
    EXPECT_TRUE(r->X == 4 * 32 || r->X == 15 * 32);
    EXPECT_TRUE(r->Z == 1 && r->Collide);
    EXPECT_EQ(r->Piece, row == 11 ? 2 : row == 1 ? 0 : 1) << "row " << row;
    EXPECT_EQ(r->PatternIndex, row == 1 ? 1 : 0) << "row " << row;
  }
}

TEST(LevelBuild, FullDensityFillsEveryCellAndColumnEighteenReachesNineteen) {
  TTestGame game;
  BuildWith(*game, 3, 100, 100);
  // Every cell draws twice; the rope draw is taken for row 6 as well.
  EXPECT_EQ(game->Rng.RandomState, StateAfter(3, 72));
  for (Integer col = 1; col <= 18; ++col) EXPECT_TRUE(game->LevelGrid.At(col, 6) && game->LevelGrid.At(col, 9));
  // 36 random tiles, one rope in each column but 4 and 15, and the tile at (19, 6).
  EXPECT_EQ(game.Live<TPlatform>().size(), kFixedPlatforms + 37);
  EXPECT_EQ(game.Live<TRope>().size(), kFixedRopeSegments + 16 * 5);

  auto tilesAt19 = [&] {
    const auto tiles = game.Live<TPlatform>();
    return std::count_if(tiles.begin(), tiles.end(), [](const TPlatform* p) { return p->X == 608 && p->Y == 192; });
  };
  EXPECT_EQ(tilesAt19(), 1);
  // Column 19 is outside the grid: never recorded, so each call lays another tile there.
  EXPECT_FALSE(game->LevelGrid.At(19, 6));
  game->AddPlatforms(18, 6, 1);
  EXPECT_EQ(tilesAt19(), 2);
  EXPECT_EQ(game.Live<TPlatform>().size(), kFixedPlatforms + 38);
}

TEST(LevelBuild, RandomRopesAvoidTheLongRopesAndHangOverRowNine) {
  TTestGame game;
  for (Integer seed = 1; seed <= 60; ++seed) {
    BuildWith(*game, seed, 50, 100);
    const auto& ropes = game->LastLevel.Ropes;
    ASSERT_EQ((ropes.size() - kFixedRopeSegments) % 5, 0u);
    for (size_t i = kFixedRopeSegments; i < ropes.size(); i += 5) {
      const Integer col = ropes[i][0];
      EXPECT_TRUE(col != 4 && col != 15) << "seed " << seed;
      EXPECT_TRUE(game->LevelGrid.At(col, 9) && game->LevelGrid.At(col, 6)) << "seed " << seed;
      EXPECT_TRUE(ropes[i][1] == 8 && ropes[i + 4][1] == 4);
    }
  }
}

TEST(LevelBuild, EqualSeedsGiveEqualLevels) {
  TTestGame a(1000), b(2000);
  BuildWith(*a, 321, 80, 10);
  BuildWith(*b, 321, 80, 10);
  EXPECT_EQ(a->LastLevel.Platforms, b->LastLevel.Platforms);
  EXPECT_EQ(a->LastLevel.Ropes, b->LastLevel.Ropes);
  EXPECT_EQ(a->Rng.RandomState, b->Rng.RandomState);
  BuildWith(*a, 2, 80, 10);
  EXPECT_NE(a->LastLevel.Platforms, b->LastLevel.Platforms);
}

// [SECTION] Falling platforms

// The right-hand end of the upper ledge, cell (18, 3).
TPlatform& LedgeEnd(TTestGame& game) {
  BuildWith(*game, 1, 0, 0);
  for (TPlatform* p : game.Live<TPlatform>())
    if (p->X == 18 * 32 && p->Y == 3 * 32) return *p;
  ADD_FAILURE() << "no platform at (18, 3)";
  return *game.Live<TPlatform>().front();
}

TEST(FallingPlatform, GainsGravityEachFrameWhateverTheTimeFactor) {
  TTestGame game;
  TPlatform& p = LedgeEnd(game);
  p.DoMove(1);
  EXPECT_EQ(p.Y, 96);  // not falling: stands still

  p.Falling = true;
  const Single g = game->GameSettings.Gravity;
  p.DoMove(1);
  EXPECT_EQ(p.FallSpeed, g);
  EXPECT_EQ(p.Y, 96 + g);
  p.DoMove(0.25f);
  EXPECT_EQ(p.FallSpeed, g + g);
  EXPECT_EQ(p.Y, (96 + g) + (g + g));
  EXPECT_EQ(p.CollisionRect.Top, RoundPixel(p.Y));
}

TEST(FallingPlatform, SplashesAndDiesOnlyBelowTheScreen) {
  TTestGame game;
  TPlatform& p = LedgeEnd(game);
  game->GameSettings.Gravity = 1;
  p.Falling = true;
  p.SetY(479);
  p.DoMove(1);  // exactly 480: still there
  EXPECT_FALSE(p.Dead);
  EXPECT_TRUE(game->SoundsThisFrame.empty());
  p.DoMove(1);  // 482
  EXPECT_TRUE(p.Dead);
  EXPECT_EQ(game->SoundsThisFrame, std::vector<std::string>{"Splash"});
  ASSERT_EQ(game.Audio.Plays().size(), 1u);
  EXPECT_NE(game.Audio.Plays()[0].File.find("splash.wav"), std::string::npos);
}

TEST(FallingPlatform, TheFramesDropItIntoTheLavaAndFreeIt) {
  TTestGame game;
  LedgeEnd(game).Falling = true;
  const size_t before = game.Live<TPlatform>().size();
  // From y = 96 it has fallen 0.11 × n × (n + 1) after n frames: past 480 at n = 59.
  game.Frames(58);
  EXPECT_EQ(game.Live<TPlatform>().size(), before);
  game.Frames(1);
  EXPECT_EQ(game.Live<TPlatform>().size(), before - 1);
  // Its cell stays taken until the next level.
  EXPECT_TRUE(game->LevelGrid.At(18, 3));
}

}  // namespace
}  // namespace lr
