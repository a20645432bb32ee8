// The generator's own maths: it stands in for the C library so the output never depends on a
// library version, so it has to agree with the library to well within one 8-bit step.
#include <gtest/gtest.h>

#include <cmath>

#include "DetMath.h"

namespace {

using namespace assets;

TEST(DetMathTest, TrigonometryMatchesTheLibrary) {
  for (double x = -40.0; x <= 40.0; x += 0.0137) {
    ASSERT_NEAR(Sin(x), std::sin(x), 1e-12) << x;
    ASSERT_NEAR(Cos(x), std::cos(x), 1e-12) << x;
  }
  for (double y = -3.0; y <= 3.0; y += 0.173)
    for (double x = -3.0; x <= 3.0; x += 0.191) ASSERT_NEAR(Atan2(y, x), std::atan2(y, x), 1e-12) << y << "," << x;
  EXPECT_DOUBLE_EQ(Atan2(1.0, 0.0), kPi / 2);
  EXPECT_DOUBLE_EQ(Atan2(-1.0, 0.0), -kPi / 2);
  EXPECT_NEAR(Atan2(0.0, -1.0), kPi, 1e-15);
}

TEST(DetMathTest, ExponentialAndLogarithmMatchTheLibrary) {
  for (double x = -30.0; x <= 30.0; x += 0.0331) ASSERT_NEAR(Exp(x) / std::exp(x), 1.0, 1e-13) << x;
  EXPECT_EQ(Exp(-800.0), 0.0);
  for (double x = 1e-6; x < 1e6; x *= 1.37) ASSERT_NEAR(Log(x), std::log(x), 1e-12) << x;
  EXPECT_NEAR(Pow(2.0, 10.0), 1024.0, 1e-9);
  EXPECT_NEAR(Pow(7.0, 0.9), std::pow(7.0, 0.9), 1e-12);
  EXPECT_EQ(Pow(0.0, 2.0), 0.0);
}

TEST(DetMathTest, GeneratorIsSeededAndStaysInRange) {
  Rng a(42), b(42), c(43);
  bool differs = false;
  for (int i = 0; i < 1000; ++i) {
    double u = a.Uniform();
    ASSERT_EQ(u, b.Uniform());
    differs = differs || u != c.Uniform();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
  }
  EXPECT_TRUE(differs);
  Rng zero(0);  // a zero seed must not stick at zero
  EXPECT_NE(zero.Next(), zero.Next());
}

TEST(DetMathTest, NoiseRepeatsAcrossItsPeriodSoTilesJoin) {
  for (double y = 0.5; y < 60; y += 7.3)
    for (double x = 0.5; x < 640; x += 13.1) {
      double n = Fbm(x, y, 40, 4, 640, 5);
      ASSERT_GE(n, 0.0);
      ASSERT_LE(n, 1.0);
      ASSERT_NEAR(n, Fbm(x + 640, y, 40, 4, 640, 5), 1e-12) << x << "," << y;
    }
  // and it does vary: not a constant
  EXPECT_NE(Fbm(10, 10, 40, 4, 640, 5), Fbm(300, 10, 40, 4, 640, 5));
  EXPECT_EQ(Wrap(-1, 16), 15);
  EXPECT_EQ(Wrap(16, 16), 0);
}

}  // namespace
