// The heavy frame of bench/HeavyFrame.h drawn through the engine with the real font engine and
// stand-in sheets made here: the same frame gives the same pixels every time, whether its
// strings come from the fonts' caches or are rendered anew, and its full-screen quads reach
// every pixel of the back buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "../../bench/HeavyFrame.h"
#include "engine/OmegaFont.h"
#include "engine/OmegaImageList.h"
#include "engine/OmegaPrimitives.h"
#include "engine/OmegaScreen.h"
#include "platform/FontRasterizer.h"

namespace lr {
namespace {

using heavy::Hash;
using heavy::ScreenHeight;
using heavy::ScreenWidth;
using heavy::TCallKind;
using heavy::TDrawCall;

constexpr size_t PixelCount = static_cast<size_t>(ScreenWidth) * ScreenHeight;
constexpr uint32_t Fuchsia = 0xFF00FF;

void AddSheet(TOmegaImageList& list, const std::string& name, int width, int height, int tileWidth, int tileHeight,
              uint32_t key, bool transparent, const std::function<uint32_t(int, int)>& pixel) {
  TImageListItem& item = list.Add(name);
  item.TransparentColor = key;
  item.Transparent = transparent;
  TPicture picture;
  picture.Width = width;
  picture.Height = height;
  picture.BitsPerPixel = 24;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) picture.Pixels.push_back(0xFF000000u | pixel(x, y));
  item.SetPicture(picture);
  item.SetTileHeight(tileHeight);
  item.SetTileWidth(tileWidth);
}

uint32_t Noise(int x, int y) { return Hash(static_cast<uint32_t>(x * 7919 + y)) & 0xFFFFFF; }

// A screen with sheets shaped like the game's (keyed borders, a 13-frame player strip, a soft
// puff keyed on black), the game's two fonts and the frame's calls.
struct TFrameRig {
  TFontRasterizer Fonts;
  TOmegaScreen Screen;
  TOmegaImageList Sheets;
  TOmegaPrimitives Prim;
  TOmegaFont Small, Large;
  std::vector<TDrawCall> Calls;
  std::string Error;

  TFrameRig() {
    Screen.Width = ScreenWidth;
    Screen.Height = ScreenHeight;
    Sheets.OmegaScreen = &Screen;
    AddSheet(Sheets, "BG", ScreenWidth, ScreenHeight, ScreenWidth, ScreenHeight, 0, false,
             [](int, int) { return 0xFFFFFFu; });
    AddSheet(Sheets, "Lava", 640, 60, 640, 60, 0, false,
             [](int x, int y) { return (Noise(x, y) & 0xFF7F1F) | 0x800000; });
    AddSheet(Sheets, "Platform", 32, 32, 32, 32, Fuchsia, true,
             [](int x, int y) { return (y < 4 || y > 27) ? Fuchsia : Noise(x, y); });
    AddSheet(Sheets, "Sticky", 416, 64, 32, 64, Fuchsia, true, [](int x, int y) {
      const int dx = x % 32 - 16;
      return (dx * dx < 36 || (y > 8 && y < 14)) ? Noise(x, y) : Fuchsia;
    });
    AddSheet(Sheets, "PSmoke", 32, 32, 32, 32, 0, true, [](int x, int y) {
      const int d2 = (x - 16) * (x - 16) + (y - 16) * (y - 16);
      const uint32_t level = d2 >= 256 ? 0u : static_cast<uint32_t>(255 - d2);
      return level * 0x010101u;
    });
    for (const char* name : {"Bubble", "Powerup_Mine", "Powerup_TNT"})
      AddSheet(Sheets, name, 32, 32, 32, 32, Fuchsia, true, [](int x, int y) {
        const int d2 = (x - 16) * (x - 16) + (y - 16) * (y - 16);
        return d2 < 196 ? Noise(x, y) : Fuchsia;
      });
    if (!Screen.Initialize()) {
      Error = "no screen";
      return;
    }
    Sheets.DeviceInit();
    Prim.OmegaScreen = &Screen;
    for (TOmegaFont* font : {&Small, &Large}) {
      font->OmegaScreen = &Screen;
      font->Rasterizer = &Fonts;
    }
    Small.SetFont("Impact", 11, {});
    Large.SetFont("Showcard Gothic", 20, {});
    if (Sheets.FatalError || !Small.HasDeviceFont() || !Large.HasDeviceFont()) {
      Error = "no texture or no font";
      return;
    }
    Calls = heavy::MakeHeavyFrame(Sheets, Small, Large, Error);
  }

  std::vector<uint32_t> Pixels() {
    const uint32_t* p = Screen.GetDevice()->BackBuffer();
    return std::vector<uint32_t>(p, p + PixelCount);
  }

  // The frame over a back buffer cleared to one colour.
  std::vector<uint32_t> DrawOver(Byte red, Byte green, Byte blue, Byte alpha) {
    Screen.Clear(red, green, blue, alpha);
    heavy::DrawHeavyFrame(Screen, Prim, Calls);
    return Pixels();
  }

  // Only the calls that pass keep, over a back buffer cleared to argb.
  std::vector<uint32_t> DrawOnly(const std::function<bool(const TDrawCall&)>& keep, uint32_t argb) {
    Screen.GetDevice()->Clear(argb);
    std::vector<TDrawCall> some;
    std::copy_if(Calls.begin(), Calls.end(), std::back_inserter(some), keep);
    heavy::DrawHeavyFrame(Screen, Prim, some);
    return Pixels();
  }
};

size_t CountDifferent(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  size_t n = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
  return n + (a.size() > b.size() ? a.size() - b.size() : b.size() - a.size());
}

TEST(HeavyFrameTest, HoldsTheAdvertisedCallsOfEachKind) {
  TFrameRig rig;
  ASSERT_EQ(rig.Error, "");
  auto count = [&](TCallKind kind, Integer mode) {
    return std::count_if(rig.Calls.begin(), rig.Calls.end(),
                         [&](const TDrawCall& c) { return c.Kind == kind && c.BlendMode == mode; });
  };
  EXPECT_EQ(count(TCallKind::Colors, 0), 1);  // the background
  EXPECT_EQ(count(TCallKind::Ex, 0), heavy::TileCount + heavy::PlayerCount);
  EXPECT_EQ(count(TCallKind::Colors, 2), heavy::ParticleCount);
  EXPECT_EQ(count(TCallKind::Ex, 4), heavy::LavaCount);
  EXPECT_EQ(count(TCallKind::RGBA, 0), heavy::RotatedCount);
  EXPECT_EQ(count(TCallKind::Rect, 0), 1);
  EXPECT_EQ(count(TCallKind::Text, 0), heavy::LargeTextLines + heavy::SmallTextLines);
}

TEST(HeavyFrameTest, MissingSheetIsReportedInsteadOfDrawn) {
  TOmegaScreen screen;
  TOmegaImageList list;
  list.OmegaScreen = &screen;
  TOmegaFont small, large;
  std::string error;
  EXPECT_TRUE(heavy::MakeHeavyFrame(list, small, large, error).empty());
  EXPECT_NE(error.find("BG"), std::string::npos) << error;
}

TEST(HeavyFrameTest, DrawnTwiceGivesIdenticalPixels) {
  TFrameRig rig;
  ASSERT_EQ(rig.Error, "");
  const std::vector<uint32_t> first = rig.DrawOver(0, 0, 0, 255);
  // Every string is in its font's cache now; the second frame draws from there.
  EXPECT_EQ(rig.Small.CachedStrings(), static_cast<size_t>(heavy::SmallTextLines));
  EXPECT_EQ(rig.Large.CachedStrings(), static_cast<size_t>(heavy::LargeTextLines));
  const std::vector<uint32_t> second = rig.DrawOver(0, 0, 0, 255);
  EXPECT_EQ(CountDifferent(first, second), 0u);
  // The frame is not trivially uniform: it would hide nothing if it were.
  EXPECT_GT(std::count_if(first.begin(), first.end(), [&](uint32_t p) { return p != first[0]; }), 100000);
}

TEST(HeavyFrameTest, AFreshScreenAndFreshFontsDrawTheSamePixels) {
  auto a = std::make_unique<TFrameRig>();
  ASSERT_EQ(a->Error, "");
  a->DrawOver(10, 20, 30, 255);
  const std::vector<uint32_t> cached = a->DrawOver(10, 20, 30, 255);
  a.reset();
  TFrameRig b;
  ASSERT_EQ(b.Error, "");
  EXPECT_EQ(CountDifferent(cached, b.DrawOver(10, 20, 30, 255)), 0u);
}

TEST(HeavyFrameTest, FastPathsDrawTheGeneralPipelinesPixels) {
  TFrameRig rig;
  ASSERT_EQ(rig.Error, "");
  const std::vector<uint32_t> fast = rig.DrawOver(10, 20, 30, 255);
  rig.Screen.GetDevice()->SetPlainSpans(true);
  const std::vector<uint32_t> plain = rig.DrawOver(10, 20, 30, 255);
  EXPECT_EQ(CountDifferent(fast, plain), 0u);
}

TEST(HeavyFrameTest, TextDrawsSomethingOfItsOwn) {
  TFrameRig rig;
  ASSERT_EQ(rig.Error, "");
  const std::vector<uint32_t> withText = rig.DrawOver(0, 0, 0, 255);
  std::erase_if(rig.Calls, [](const TDrawCall& c) { return c.Kind == TCallKind::Text; });
  const std::vector<uint32_t> withoutText = rig.DrawOver(0, 0, 0, 255);
  // 40 lines of 11- and 20-point text cover thousands of pixels.
  EXPECT_GT(CountDifferent(withText, withoutText), 5000u);
}

TEST(HeavyFrameTest, BackgroundReachesEveryPixel) {
  TFrameRig rig;
  ASSERT_EQ(rig.Error, "");
  // Alpha 0: the background's source alpha of 254 can never leave a pixel at it.
  constexpr uint32_t Sentinel = 0x00ABCDEFu;
  const TImageListItem* background = rig.Sheets.Find("BG");
  const std::vector<uint32_t> pixels =
      rig.DrawOnly([&](const TDrawCall& c) { return c.Item == background; }, Sentinel);
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), Sentinel), 0);
}

TEST(HeavyFrameTest, FullScreenRectangleReachesEveryPixel) {
  TFrameRig rig;
  ASSERT_EQ(rig.Error, "");
  constexpr uint32_t Sentinel = 0xFFFFFFFFu;
  const std::vector<uint32_t> pixels = rig.DrawOnly([](const TDrawCall& c) { return c.Kind == TCallKind::Rect; }, Sentinel);
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), Sentinel), 0);
  // Black at alpha 127 over white halves it, everywhere alike.
  EXPECT_EQ(std::count(pixels.begin(), pixels.end(), pixels[0]), static_cast<std::ptrdiff_t>(PixelCount));
}

}  // namespace
}  // namespace lr
