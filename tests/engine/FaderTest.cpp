// TOmegaFader (the full-screen fade drawn over the arena) and TOmegaPrimitives (the untextured
// rectangles of the scoreboards): what they put on screen frame by frame.
#include "engine/OmegaFader.h"

#include "engine/OmegaPrimitives.h"
#include "engine/OmegaScreen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace lr {
namespace {

class ScreenFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    screen.Width = 20;
    screen.Height = 12;
    ASSERT_TRUE(screen.Initialize());
    screen.BeginScene();
  }

  uint32_t Pixel(int x, int y) { return screen.GetDevice()->BackBuffer()[y * screen.GetDevice()->Width() + x]; }
  int CountPixels(uint32_t argb) {
    const uint32_t* p = screen.GetDevice()->BackBuffer();
    return static_cast<int>(std::count(p, p + screen.Width * screen.Height, argb));
  }

  TOmegaScreen screen;
};

// [SECTION] Fader

class FaderTest : public ScreenFixture {
 protected:
  void SetUp() override {
    ScreenFixture::SetUp();
    fader.OmegaScreen = &screen;
  }

  // One frame over a white arena; returns the colour the fade left on a pixel.
  uint32_t Frame() {
    screen.Clear(255, 255, 255, 255);
    fader.Update();
    return Pixel(7, 5);
  }

  TOmegaFader fader;
};

TEST_F(FaderTest, FadeInFromBlackOverAHundredFrames) {
  fader.FadeIn(0, 0, 0, 1.0f);
  // The alpha drawn on each call, read before the call: 255 twice, then round(255 × (1 - c))
  // with c = 0.01, 0.02, ... (ties to even), and 0 from call 102 on.
  std::vector<int> drawn;
  for (int call = 1; call <= 150; ++call) {
    drawn.push_back(fader.CurrentColor.Alpha);
    const uint32_t pixel = Frame();
    // Black at alpha a over white leaves 255 - a', a' = a × 255 div 256 (the screen's white).
    const int a = drawn.back();
    ASSERT_EQ(pixel & 0xFFFFFF, ColorARGB(255 - a * 255 / 256, 255 - a * 255 / 256, 255 - a * 255 / 256, 0))
        << "call " << call;
    ASSERT_EQ(fader.CurrentColor.Red, 0);
  }
  EXPECT_EQ(drawn[0], 255);
  EXPECT_EQ(drawn[1], 255);
  EXPECT_EQ(drawn[2], 252);   // 252.45
  EXPECT_EQ(drawn[3], 250);   // 249.9
  EXPECT_EQ(drawn[51], 128);  // 127.5, a tie: to even
  EXPECT_EQ(drawn[52], 125);  // 124.95
  EXPECT_EQ(drawn[100], 3);   // 2.55
  for (int call = 102; call <= 150; ++call) ASSERT_EQ(drawn[call - 1], 0) << "call " << call;
  for (size_t i = 1; i < drawn.size(); ++i) ASSERT_LE(drawn[i], drawn[i - 1]);
  EXPECT_TRUE(fader.Done);
  EXPECT_EQ(fader.Progress, 100.0f);
  // Opaque black (less the screen's one level) on the first calls; the arena untouched at the end.
  screen.Clear(255, 255, 255, 255);
  fader.FadeIn(0, 0, 0, 1.0f);
  EXPECT_EQ(Frame() & 0xFFFFFF, 0x010101u);
  fader.SetStartColor(0, 0, 0, 0);
  fader.SetEndColor(0, 0, 0, 0);
  EXPECT_EQ(Frame(), 0xFFFFFFFFu);
}

TEST_F(FaderTest, DoneIsSetWhenProgressReachesTheEnd) {
  fader.FadeIn(10, 20, 30, 1.0f);
  EXPECT_EQ(fader.CurrentColor, (TFadeColor{10, 20, 30, 255}));
  EXPECT_EQ(fader.EndColor, (TFadeColor{10, 20, 30, 0}));
  for (int call = 1; call <= 99; ++call) {
    Frame();
    ASSERT_FALSE(fader.Done) << "call " << call;
  }
  Frame();
  EXPECT_TRUE(fader.Done);
  EXPECT_EQ(fader.CurrentColor.Alpha, 3);
  Frame();
  EXPECT_EQ(fader.CurrentColor, (TFadeColor{10, 20, 30, 0}));
  EXPECT_TRUE(fader.Done);
}

TEST_F(FaderTest, EndedFadeKeepsDrawingItsEndColour) {
  EXPECT_EQ(fader.FadeSpeed(), 1.0f);
  fader.SetFadeSpeed(100);  // default colours: transparent to opaque black
  EXPECT_EQ(Frame(), 0xFFFFFFFFu);
  for (int call = 2; call <= 6; ++call) {
    const uint32_t pixel = Frame();
    ASSERT_TRUE(fader.Done) << "call " << call;
    if (call >= 3) {
      ASSERT_EQ(pixel & 0xFFFFFF, 0x010101u) << "call " << call;
    }
  }
}

TEST_F(FaderTest, QuadCoversTheWholeScreenEveryCall) {
  fader.SetStartColor(0, 0, 255, 255);
  fader.SetEndColor(0, 0, 255, 255);
  screen.SetBlendMode(2);  // the fader draws in its own mode 0
  for (int call = 0; call < 3; ++call) {
    screen.Clear(255, 0, 0, 255);
    fader.Update();
    // Blue 254 at alpha 254 over red: 254 × 254 / 255 of blue, 1 / 255 of the red left.
    ASSERT_EQ(CountPixels(0xFE0100FD), 20 * 12) << "call " << call;
  }
  EXPECT_EQ(screen.BlendMode(), 0);
}

TEST_F(FaderTest, FadeSpeedIsClampedAndZeroNeverAdvances) {
  fader.SetFadeSpeed(250);
  EXPECT_EQ(fader.FadeSpeed(), 100.0f);
  fader.SetFadeSpeed(-1);
  EXPECT_EQ(fader.FadeSpeed(), 0.0f);
  fader.FadeIn(0, 0, 0, -5);
  EXPECT_EQ(fader.FadeSpeed(), 0.0f);
  for (int call = 0; call < 10; ++call) {
    ASSERT_EQ(Frame() & 0xFFFFFF, 0x010101u) << "call " << call;  // still drawn, never changing
  }
  EXPECT_EQ(fader.Progress, 0.0f);
  EXPECT_EQ(fader.CurrentColor.Alpha, 255);
  EXPECT_FALSE(fader.Done);

  // The largest speed: start colour twice, end colour from the third call.
  fader.FadeIn(0, 0, 0, 1000);
  std::vector<int> drawn;
  for (int call = 0; call < 4; ++call) {
    drawn.push_back(fader.CurrentColor.Alpha);
    Frame();
  }
  EXPECT_EQ(drawn, (std::vector<int>{255, 255, 0, 0}));
}

TEST_F(FaderTest, HalfwayColoursRoundHalvesToEven) {
  fader.SetStartColor(1, 3, 5, 0);
  fader.SetEndColor(0, 0, 0, 7);
  fader.SetFadeSpeed(50);
  fader.Update();
  EXPECT_EQ(fader.CurrentColor, (TFadeColor{1, 3, 5, 0}));
  fader.Update();  // c = 0.5: 0.5, 1.5, 2.5 and 3.5
  EXPECT_EQ(fader.CurrentColor, (TFadeColor{0, 2, 2, 4}));
}

TEST_F(FaderTest, MirrorFadeTurnsBackOnceThenStops) {
  fader.MirrorFade = true;
  fader.SetFadeSpeed(50);
  std::vector<int> alphas;
  std::vector<bool> done;
  for (int call = 0; call < 6; ++call) {
    fader.Update();
    alphas.push_back(fader.CurrentColor.Alpha);
    done.push_back(fader.Done);
  }
  // 0 → 255 by halves, turned at the colour reached (128), back towards the old start.
  EXPECT_EQ(alphas, (std::vector<int>{0, 128, 128, 64, 0, 0}));
  EXPECT_EQ(done, (std::vector<bool>{false, false, false, true, true, true}));
  EXPECT_EQ(fader.MirrorCount, 4);  // counted at every end reached
  EXPECT_EQ(fader.StartColor.Alpha, 128);
  EXPECT_EQ(fader.EndColor.Alpha, 0);
}

TEST_F(FaderTest, LoopFadeRepeatsTheSameFade) {
  fader.LoopFade = true;
  fader.SetFadeSpeed(50);
  std::vector<int> alphas;
  for (int call = 0; call < 6; ++call) {
    fader.Update();
    alphas.push_back(fader.CurrentColor.Alpha);
    ASSERT_FALSE(fader.Done);
  }
  EXPECT_EQ(alphas, (std::vector<int>{0, 128, 0, 128, 0, 128}));
  EXPECT_EQ(fader.StartColor.Alpha, 0);
  EXPECT_EQ(fader.EndColor.Alpha, 255);
}

TEST_F(FaderTest, MirrorAndLoopKeepTurning) {
  fader.MirrorFade = true;
  fader.LoopFade = true;
  fader.SetFadeSpeed(50);
  std::vector<int> alphas;
  for (int call = 0; call < 8; ++call) {
    fader.Update();
    alphas.push_back(fader.CurrentColor.Alpha);
    ASSERT_FALSE(fader.Done);
  }
  // Each turn starts from the colour just computed and heads back to the previous start.
  EXPECT_EQ(alphas, (std::vector<int>{0, 128, 128, 64, 64, 96, 96, 80}));
  EXPECT_EQ(fader.MirrorCount, 4);

  fader.Restart();
  EXPECT_EQ(fader.MirrorCount, 0);
  EXPECT_EQ(fader.Progress, 0.0f);
  EXPECT_FALSE(fader.Done);
}

TEST_F(FaderTest, EndColourFromPackedArgbAndStoppingTheFade) {
  fader.SetEndColorARGB(0x80112233);
  EXPECT_EQ(fader.EndColor, (TFadeColor{0x11, 0x22, 0x33, 0x80}));
  // The game stops a fade by making both colours transparent black.
  fader.FadeIn(0, 0, 0, 1);
  Frame();
  fader.SetStartColor(0, 0, 0, 0);
  fader.SetEndColor(0, 0, 0, 0);
  for (int call = 0; call < 5; ++call) ASSERT_EQ(Frame(), 0xFFFFFFFFu) << "call " << call;
}

TEST(FaderWithoutScreenTest, StillAdvances) {
  TOmegaFader fader;
  fader.FadeIn(0, 0, 0, 10);
  for (int call = 0; call < 3; ++call) fader.Update();
  EXPECT_EQ(fader.CurrentColor.Alpha, 204);  // 255 × 0.8 = 204
}

// [SECTION] Primitives

class PrimitivesTest : public ScreenFixture {
 protected:
  void SetUp() override {
    ScreenFixture::SetUp();
    prim.OmegaScreen = &screen;
    screen.Clear(0, 0, 0, 255);
  }
  TOmegaPrimitives prim;
};

TEST_F(PrimitivesTest, FilledRectangleCoversItsPixelsWithoutHalfPixelEdges) {
  EXPECT_TRUE(prim.Filled);
  prim.DrawRect(0xFF405060, 2, 3, 5, 4);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool inside = x >= 2 && x < 7 && y >= 3 && y < 7;
      // Each channel × 255 div 256: 0x40, 0x50, 0x60 become 0x3F, 0x4F, 0x5F.
      ASSERT_EQ(Pixel(x, y) & 0xFFFFFF, inside ? 0x3F4F5Fu : 0u) << x << "," << y;
    }
}

TEST_F(PrimitivesTest, UnfilledRectangleIsFourOnePixelLinesBackToTheStart) {
  prim.Filled = false;
  screen.SetBlendMode(1);  // additive: a pixel drawn twice would show
  prim.DrawRect(0xFF101010, 2, 3, 5, 4);
  int onFrame = 0;
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool frame = x >= 2 && x <= 7 && y >= 3 && y <= 7 && (x == 2 || x == 7 || y == 3 || y == 7);
      onFrame += frame;
      // 0x10 × 255 div 256 = 0x0F.
      ASSERT_EQ(Pixel(x, y) & 0xFFFFFF, frame ? 0x0F0F0Fu : 0u) << x << "," << y;
    }
  EXPECT_EQ(onFrame, 18);
}

TEST_F(PrimitivesTest, QuadCornersCarryTheirOwnColours) {
  prim.DrawQuad(0, 0, 20, 0, 20, 12, 0, 12, 0xFF7F0000, 0xFF007F00, 0xFF00007F, 0xFF7F7F00);
  EXPECT_GT(Pixel(0, 0) >> 16 & 0xFF, 0x70u);
  EXPECT_GT(Pixel(19, 0) >> 8 & 0xFF, 0x60u);
  EXPECT_GT(Pixel(19, 11) & 0xFF, 0x60u);
  EXPECT_GT(Pixel(0, 11) >> 8 & 0xFF, 0x60u);
  // Every pixel is covered: a drawn pixel's alpha ends at 254, so none is left 0xFF000000.
  EXPECT_EQ(CountPixels(0xFF000000), 0);
}

TEST_F(PrimitivesTest, UseTheCurrentBlendModeAndTheGlobalTransform) {
  screen.Clear(0x20, 0x20, 0x20, 255);
  screen.SetBlendMode(1);
  screen.OffsetX = 10;
  prim.DrawRect(0xFF101010, 0, 0, 2, 2);
  EXPECT_EQ(Pixel(10, 0) & 0xFFFFFF, 0x2F2F2Fu);  // added, moved by the screen's offset
  EXPECT_EQ(Pixel(0, 0) & 0xFFFFFF, 0x202020u);
  EXPECT_EQ(screen.BlendMode(), 1);

  TOmegaPrimitives unattached;
  unattached.DrawRect(0xFFFFFFFF, 0, 0, 20, 12);  // no screen: nothing happens
  EXPECT_EQ(Pixel(5, 5) & 0xFFFFFF, 0x202020u);
}

}  // namespace
}  // namespace lr
