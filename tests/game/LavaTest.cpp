// The lava pool: its four sprites, their scroll, the seams of each layer, and its survival of
// every arena clearing.
#include <gtest/gtest.h>

#include <set>

#include "support/TestGame.h"
#include "game/Lava.h"
#include "game/LevelUnit.h"

namespace lr {
namespace {

using testing::TTestGame;

TEST(Lava, StartUpLaysFourSpritesInTwoLayersDrawnInBlendModeFour) {
  TTestGame game;
  const auto lava = game.Live<TLava>();
  ASSERT_EQ(lava.size(), 4u);
  std::multiset<std::pair<Integer, Single>> pieces;
  for (const TLava* l : lava) {
    pieces.insert({l->ScrollDir, l->HomeX});
    EXPECT_EQ(l->X, l->HomeX);
    EXPECT_EQ(l->Y, 420);
    EXPECT_EQ(l->Z, 5);
    EXPECT_EQ(l->Width, 640);
    EXPECT_EQ(l->Height, 60);
    EXPECT_FALSE(l->Collide);
  }
  const std::multiset<std::pair<Integer, Single>> expected = {{1, 0}, {1, -641}, {-1, 0}, {-1, 641}};
  EXPECT_EQ(pieces, expected);

  // Drawn additively over whatever lies beneath.
  EXPECT_EQ(lava[0]->BlendMode, 0);
  lava[0]->DoDraw();
  EXPECT_EQ(lava[0]->BlendMode, 4);
}

// The one screen column a layer leaves bare, or -1 when it covers all of them.
Integer BareColumn(const std::vector<TLava*>& lava, Integer dir) {
  Integer bare = -1;
  for (Integer x = 0; x < 640; ++x) {
    bool covered = false;
    for (const TLava* l : lava)
      if (l->ScrollDir == dir && x >= l->CollisionRect.Left && x < l->CollisionRect.Right) covered = true;
    if (!covered) {
      EXPECT_EQ(bare, -1) << "more than one bare column";
      bare = x;
    }
  }
  return bare;
}

TEST(Lava, FollowsTheScrollAndLeavesOneSeamPerLayer) {
  TTestGame game;
  const auto lava = game.Live<TLava>();
  for (Single scroll : {0.0f, 1.0f, 100.0f, 639.0f, 640.0f}) {
    game->LavaScroll = scroll;
    // The speed comes from the scroll alone, not from the time factor.
    for (TLava* l : lava) l->DoMove(0.5f);
    for (const TLava* l : lava) EXPECT_EQ(l->X, l->ScrollDir * scroll + l->HomeX);
    const auto s = static_cast<Integer>(scroll);
    // The right-moving seam is at scroll - 1 (off screen at 0), the left-moving one at
    // 640 - scroll (off screen at 0).
    EXPECT_EQ(BareColumn(lava, +1), s == 0 ? -1 : s - 1) << "scroll " << scroll;
    EXPECT_EQ(BareColumn(lava, -1), s == 0 ? -1 : 640 - s) << "scroll " << scroll;
  }
}

TEST(Lava, MovesWithTheFramesAndComesHomeAfterAPeriod) {
  TTestGame game;
  const auto lava = game.Live<TLava>();
  game.Frames(100);
  for (const TLava* l : lava) EXPECT_EQ(l->X, l->HomeX + 100 * l->ScrollDir);
  game.Frames(541);
  EXPECT_EQ(game->LavaScroll, 0);
  for (const TLava* l : lava) EXPECT_EQ(l->X, l->HomeX);
}

TEST(Lava, SurvivesEveryClearingOfTheArena) {
  TTestGame game;
  game->BuildLevel(5);
  game->RemoveArena();
  game->SE.FreeDead();
  EXPECT_TRUE(game.Live<TPlatform>().empty());
  EXPECT_TRUE(game.Live<TRope>().empty());
  EXPECT_EQ(game.Live<TLava>().size(), 4u);

  game->StartGame();
  game->StartMenu();
  game->SE.FreeDead();
  EXPECT_EQ(game.Live<TLava>().size(), 4u);
}

}  // namespace
}  // namespace lr
