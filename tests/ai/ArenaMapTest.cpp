// The computer's map of the level built a slice at a time: the same moves as a build at once,
// and no slice flies much more than it was given.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "ai/ArenaMap.h"

namespace lr {
namespace {

// The frame every level shares, a full row 6 and row 9 but for a few gaps, and a mine.
void FillLevel(TArenaMap& map) {
  map.Clear();
  for (int c = 2; c <= 5; ++c) map.AddPlatform(c, 12);
  for (int c = 14; c <= 17; ++c) map.AddPlatform(c, 12);
  for (int c = 1; c <= 5; ++c) map.AddPlatform(c, 3);
  for (int c = 14; c <= 18; ++c) map.AddPlatform(c, 3);
  for (int c = 1; c <= 18; ++c) {
    if (c % 5 != 0) map.AddPlatform(c, 6);
    if (c % 4 != 1) map.AddPlatform(c, 9);
  }
  for (int r = 1; r <= 11; ++r) {
    map.AddRope(4, r);
    map.AddRope(15, r);
  }
  for (int r = 4; r <= 8; ++r) map.AddRope(7, r);
  map.AddMine(300, 9 * 32 - 16);
}

TEST(ArenaMap, SlicesBuildTheSameMovesAsABuildAtOnceWithinTheirBudget) {
  const TBodyRules rules;
  TArenaMap whole, sliced;
  FillLevel(whole);
  FillLevel(sliced);
  whole.Build(rules);

  constexpr int64_t kBudget = 1000;
  // One slice ends with the flights from one place, at most five flights of the model's 300
  // frames beyond its budget.
  constexpr int64_t kLongestTask = 5 * 300;
  sliced.Start(rules);
  int slices = 0;
  for (bool done = false; !done;) {
    const int64_t before = sliced.Flown();
    done = sliced.Continue(kBudget);
    EXPECT_LE(sliced.Flown() - before, kBudget + kLongestTask);
    ASSERT_LT(++slices, 10000);
  }
  EXPECT_GT(slices, 5);
  EXPECT_TRUE(sliced.Ready());
  EXPECT_EQ(sliced.Flown(), whole.Flown());

  ASSERT_EQ(sliced.Ledges().size(), whole.Ledges().size());
  ASSERT_EQ(sliced.Moves().size(), whole.Moves().size());
  ASSERT_GT(whole.Moves().size(), 100u);
  for (size_t i = 0; i < whole.Moves().size(); ++i) {
    const TMove &a = whole.Moves()[i], &b = sliced.Moves()[i];
    EXPECT_TRUE(a.Kind == b.Kind && a.From == b.From && a.StartX == b.StartX && a.Dir == b.Dir && a.ExitY == b.ExitY &&
                a.To == b.To && a.LandX == b.LandX && a.Frames == b.Frames)
        << "move " << i;
  }
  // The same fastest ways from the left-hand lower ledge.
  std::vector<TReach> fromWhole, fromSliced;
  const int start = whole.LedgeAt(100, TArenaMap::StandY(12));
  ASSERT_GE(start, 0);
  whole.Reach(start, 100, false, fromWhole);
  sliced.Reach(start, 100, false, fromSliced);
  for (size_t l = 0; l < fromWhole.size(); ++l) EXPECT_EQ(fromWhole[l].Time, fromSliced[l].Time) << "ledge " << l;

  // A build started afresh starts over.
  sliced.Start(rules);
  EXPECT_FALSE(sliced.Ready());
  EXPECT_TRUE(sliced.Moves().empty());
  EXPECT_TRUE(sliced.Continue(std::numeric_limits<int64_t>::max()));
  EXPECT_EQ(sliced.Moves().size(), whole.Moves().size());
}

}  // namespace
}  // namespace lr
