// RoundPixel and ColorARGB: every sprite position and vertex colour goes through these two.
#include "engine/Types.h"

#include <gtest/gtest.h>

namespace lr {
namespace {

TEST(RoundPixelTest, HalvesRoundAwayFromZero) {
  EXPECT_EQ(RoundPixel(2.5f), 3);
  EXPECT_EQ(RoundPixel(-2.5f), -3);
  EXPECT_EQ(RoundPixel(0.5f), 1);
  EXPECT_EQ(RoundPixel(-0.5f), -1);
  // Plain banker's rounding would give 2 and 4 here.
  EXPECT_EQ(RoundPixel(1.5f), 2);
  EXPECT_EQ(RoundPixel(3.5f), 4);
}

TEST(RoundPixelTest, JustBelowAHalfRoundsUpOnlyWithinFourDecimals) {
  EXPECT_EQ(RoundPixel(2.49996f), 3);
  EXPECT_EQ(RoundPixel(2.4999f), 2);
  EXPECT_EQ(RoundPixel(-2.49996f), -3);
  EXPECT_EQ(RoundPixel(-2.4999f), -2);
  EXPECT_EQ(RoundPixel(0.4999f), 0);
}

TEST(RoundPixelTest, ZeroWholeAndFractionalValues) {
  EXPECT_EQ(RoundPixel(0.0f), 0);
  EXPECT_EQ(RoundPixel(-0.0f), 0);
  EXPECT_EQ(RoundPixel(7.0f), 7);
  EXPECT_EQ(RoundPixel(7.2f), 7);
  EXPECT_EQ(RoundPixel(7.7f), 8);
  EXPECT_EQ(RoundPixel(0.3f), 0);
}

TEST(RoundPixelTest, NegativeValuesMirrorPositiveOnes) {
  EXPECT_EQ(RoundPixel(-0.3f), 0);
  EXPECT_EQ(RoundPixel(-1.2f), -1);
  EXPECT_EQ(RoundPixel(-1.7f), -2);
  EXPECT_EQ(RoundPixel(-7.0f), -7);
  EXPECT_EQ(RoundPixel(-100.5f), -101);
}

TEST(RoundPixelTest, LargeValuesStayExact) {
  EXPECT_EQ(RoundPixel(16777216.0f), 16777216);
  EXPECT_EQ(RoundPixel(-16777216.0f), -16777216);
  EXPECT_EQ(RoundPixel(1.0e9f), 1000000000);
  EXPECT_EQ(RoundPixel(-1.0e9f), -1000000000);
  EXPECT_EQ(RoundPixel(4095.5f), 4096);
  EXPECT_EQ(RoundPixel(-4095.5f), -4096);
}

TEST(ColorARGBTest, PacksComponentsAlphaRedGreenBlue) {
  EXPECT_EQ(ColorARGB(255, 255, 255, 255), 0xFFFFFFFFu);
  EXPECT_EQ(ColorARGB(0, 0, 0, 0), 0u);
  EXPECT_EQ(ColorARGB(0x12, 0x34, 0x56, 0x78), 0x78123456u);
  EXPECT_EQ(ColorARGB(128, 50, 50, 255), 0xFF803232u);
}

TEST(ColorARGBTest, UsesOnlyTheLowByteOfEachComponent) {
  EXPECT_EQ(ColorARGB(0x1FF, 0x100, 0x2AB, 0x3CD), 0xCDFF00ABu);
  EXPECT_EQ(ColorARGB(256, 257, 258, 259), 0x03000102u);
  EXPECT_EQ(ColorARGB(-1, 0, 0, 0), 0x00FF0000u);
  EXPECT_EQ(ColorARGB(0, 0, 0, -256), 0x00000000u);
}

}  // namespace
}  // namespace lr
