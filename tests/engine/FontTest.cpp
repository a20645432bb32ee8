// TOmegaFont against a made-up font engine: the font's life cycle, where and in which colour
// text lands on the back buffer, and the screen state text drawing must leave alone.
#include "engine/OmegaFont.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/OmegaScreen.h"

namespace lr {
namespace {

// Every character is a glyph three pixels wide and four high whose columns have the coverages
// 255, 128 and 0, so each texel of a rendered string can be told apart on screen.
constexpr int GlyphWidth = 3;
constexpr int GlyphHeight = 4;
constexpr uint32_t GlyphCoverage[GlyphWidth] = {255, 128, 0};

struct TOpenCall {
  std::string Family;
  int PointSize;
  unsigned Style;
};

class TFakeFace final : public IFontFace {
 public:
  explicit TFakeFace(int* renders) : Renders(renders) {}
  std::string Family() const override { return "Fake Sans"; }
  TTextExtent Measure(const std::string& text) const override {
    return {static_cast<int>(text.size()) * GlyphWidth, GlyphHeight};
  }
  TTextBitmap Render(const std::string& text) const override {
    ++*Renders;
    TTextBitmap bitmap;
    bitmap.Width = static_cast<int>(text.size()) * GlyphWidth;
    bitmap.Height = GlyphHeight;
    for (int y = 0; y < bitmap.Height; ++y)
      for (int x = 0; x < bitmap.Width; ++x) bitmap.Pixels.push_back(GlyphCoverage[x % GlyphWidth] << 24 | 0xFFFFFF);
    return bitmap;
  }

 private:
  int* Renders;
};

class TFakeRasterizer final : public IFontRasterizer {
 public:
  std::vector<TOpenCall> Opened;
  int Renders = 0;
  std::unique_ptr<IFontFace> Open(const std::string& family, int pointSize, unsigned style) override {
    Opened.push_back({family, pointSize, style});
    return std::make_unique<TFakeFace>(&Renders);
  }
};

constexpr uint32_t Background = 0xFF204060;

class FontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Screen.Width = 64;
    Screen.Height = 32;
    Screen.Initialize();
    Screen.Clear(0x20, 0x40, 0x60, 0xFF);
    Screen.BeginScene();
    Font.OmegaScreen = &Screen;
    Font.Rasterizer = &Fonts;
    Font.SetFont("Impact", 11, {});
  }

  uint32_t Pixel(int x, int y) { return Screen.GetDevice()->BackBuffer()[y * Screen.Width + x]; }
  std::vector<uint32_t> Frame() {
    const uint32_t* buffer = Screen.GetDevice()->BackBuffer();
    return {buffer, buffer + Screen.Width * Screen.Height};
  }
  static Byte Channel(uint32_t argb, int shift) { return static_cast<Byte>(argb >> shift); }

  TFakeRasterizer Fonts;
  TOmegaScreen Screen;
  TOmegaFont Font;
};

// [SECTION] Life cycle

TEST_F(FontTest, SetFontStoresTheFontResetsTheColourAndReopens) {
  Font.SetColor(0x80E65A01);
  EXPECT_EQ(Font.Alpha, 0x80);
  EXPECT_EQ(Font.Red, 0xE6);
  EXPECT_EQ(Font.Blue, 0x01);
  Font.SetFont("Showcard Gothic", 20, fsBold | fsUnderline);
  EXPECT_EQ(Font.FontName, "Showcard Gothic");
  EXPECT_EQ(Font.FontSize, 20);
  EXPECT_TRUE(Font.FontStyle.Contains(fsUnderline));
  EXPECT_FALSE(Font.FontStyle.Contains(fsItalic));
  EXPECT_EQ(Font.Color(), 0xFFFFFFFFu);
  ASSERT_EQ(Fonts.Opened.size(), 2u);
  EXPECT_EQ(Fonts.Opened[1].Family, "Showcard Gothic");
  EXPECT_EQ(Fonts.Opened[1].PointSize, 20);
  EXPECT_EQ(Fonts.Opened[1].Style, kFontBold | kFontUnderline);
  EXPECT_EQ(Font.DeviceFamily(), "Fake Sans");
  EXPECT_EQ(Font.TextWidth("Red Man"), 7 * GlyphWidth);
  EXPECT_EQ(Font.TextHeight("Red Man"), GlyphHeight);
}

TEST_F(FontTest, NoDeviceFontWithoutNameSizeOrFontEngine) {
  TOmegaFont unnamed;
  unnamed.Rasterizer = &Fonts;
  unnamed.FontSize = 11;
  unnamed.Init();  // the game initialises its fonts once before naming them
  TOmegaFont sizeless;
  sizeless.Rasterizer = &Fonts;
  sizeless.SetFont("Impact", 0, {});
  TOmegaFont detached;
  detached.SetFont("Impact", 11, {});
  for (TOmegaFont* font : {&unnamed, &sizeless, &detached}) {
    EXPECT_FALSE(font->HasDeviceFont());
    EXPECT_EQ(font->TextWidth("Round 1"), 0);
    EXPECT_EQ(font->TextHeight("Round 1"), 0);
  }
  Font.UnInit();
  EXPECT_FALSE(Font.HasDeviceFont());
}

TEST_F(FontTest, TheScreenRecreatesTheDeviceFontAroundAReset) {
  Screen.AddComponent(&Font);
  Font.TextOut(0, 0, "NAME", 255, 255, 255, 255);
  Screen.ReleaseAll();
  EXPECT_FALSE(Font.HasDeviceFont());
  EXPECT_EQ(Font.CachedStrings(), 0u);
  Screen.RestoreAll();
  EXPECT_TRUE(Font.HasDeviceFont());
  EXPECT_EQ(Fonts.Opened.size(), 2u);
  EXPECT_EQ(Fonts.Opened[1].Family, "Impact");
}

// [SECTION] Where text lands

TEST_F(FontTest, TexelsMapOneToOneFromTheTopLeftCorner) {
  Font.TextOut(5, 7, "ab", 200, 100, 50, 255);
  const uint32_t full = ColorARGB(200, 100, 50, 255);
  for (int y = 7; y < 7 + GlyphHeight; ++y)
    for (const int x : {5, 5 + GlyphWidth}) {
      EXPECT_EQ(Pixel(x, y), full) << x << "," << y;
      EXPECT_NE(Pixel(x + 1, y), full);
      EXPECT_NE(Pixel(x + 1, y), Background);
      EXPECT_EQ(Pixel(x + 2, y), Background) << x + 2 << "," << y;
    }
  // Nothing outside the string's rectangle.
  for (int y = 6; y <= 7 + GlyphHeight; ++y) EXPECT_EQ(Pixel(4, y), Background);
  for (int x = 4; x <= 5 + 2 * GlyphWidth; ++x) {
    EXPECT_EQ(Pixel(x, 6), Background);
    EXPECT_EQ(Pixel(x, 7 + GlyphHeight), Background);
  }
}

TEST_F(FontTest, TextIsNotClippedToItsRectangleOnlyToTheScreen) {
  // One column off the left edge: the screen's first column shows the glyph's second texel.
  Font.TextOut(-1, -2, "abc", 255, 255, 255, 255);
  const uint32_t secondColumn = Pixel(0, 0);
  EXPECT_NE(secondColumn, Background);
  EXPECT_NE(secondColumn, 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(1, 0), Background);
  EXPECT_EQ(Pixel(2, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(2, 1), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(2, 2), Background);  // rows -2 .. 1 only
  // Running off the right and bottom edges draws what fits.
  Font.TextOut(62, 30, "abcdef", 255, 255, 255, 255);
  EXPECT_EQ(Pixel(62, 30), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(62, 31), 0xFFFFFFFFu);
}

// [SECTION] Colour

TEST_F(FontTest, ColourAndAlphaMultiplyIntoTheCoverage) {
  Font.TextOut(0, 0, "a", 200, 100, 50, 255);
  Font.TextOut(0, 10, "a", 200, 100, 50, 128);
  Font.TextOut(0, 20, "a", 200, 100, 50, 0);
  const uint32_t opaque = Pixel(0, 0);
  const uint32_t halfAlpha = Pixel(0, 10);
  const uint32_t halfCoverage = Pixel(1, 0);
  EXPECT_EQ(opaque, ColorARGB(200, 100, 50, 255));
  EXPECT_EQ(Pixel(0, 20), Background);
  // The screen's global colour is for quads; text keeps its own.
  Screen.SetRed(128);
  Screen.SetAlpha(100);
  Font.TextOut(0, 0, "a", 255, 255, 255, 255);
  EXPECT_EQ(Pixel(0, 0), 0xFFFFFFFFu);
  // Half the alpha and half the coverage both land about halfway between text and background.
  for (const int shift : {16, 8, 0}) {
    const int text = Channel(opaque, shift);
    const int back = Channel(Background, shift);
    for (const uint32_t blended : {halfAlpha, halfCoverage}) {
      const int mid = (text + back) / 2;
      EXPECT_NEAR(Channel(blended, shift), mid, 2) << "channel at bit " << shift;
    }
  }
}

TEST_F(FontTest, WriteUsesTheFontsOwnColour) {
  Font.SetColor(ColorARGB(230, 90, 0, 170));
  Font.Write(3, 3, "abc");
  const std::vector<uint32_t> written = Frame();
  Screen.Clear(0x20, 0x40, 0x60, 0xFF);
  Font.TextOut(3, 3, "abc", 230, 90, 0, 170);
  EXPECT_EQ(Frame(), written);
  Screen.Clear(0x20, 0x40, 0x60, 0xFF);
  Font.TextOut(3, 3, "abc", 230, 90, 0, 255);
  EXPECT_NE(Frame(), written);
}

// [SECTION] What drawing text must not do

TEST_F(FontTest, NothingIsDrawnWithoutADeviceFontOrDevice) {
  const std::vector<uint32_t> before = Frame();
  TOmegaFont unnamed;
  unnamed.OmegaScreen = &Screen;
  unnamed.Rasterizer = &Fonts;
  unnamed.TextOut(0, 0, "abc", 255, 255, 255, 255);
  unnamed.Write(0, 0, "abc");
  EXPECT_EQ(Frame(), before);

  TOmegaScreen deviceless;
  Font.OmegaScreen = &deviceless;
  Font.TextOut(0, 0, "abc", 255, 255, 255, 255);
  Font.OmegaScreen = nullptr;
  Font.Write(0, 0, "abc");
  EXPECT_EQ(Fonts.Renders, 0);
  EXPECT_EQ(Font.TextWidth("abc"), 3 * GlyphWidth);  // measuring needs no device
}

TEST_F(FontTest, BlendModeAndTextureAreRestoredAndTextBlendsNormally) {
  // The same string drawn while the screen is in additive mode must look as in mode 0.
  Font.TextOut(0, 0, "abc", 200, 100, 50, 160);
  const std::vector<uint32_t> normal = Frame();

  Screen.Clear(0x20, 0x40, 0x60, 0xFF);
  TTexture sheet;
  sheet.Width = sheet.Height = 1;
  sheet.Texels = {0xFFFFFFFF};
  Screen.SetBlendMode(2);
  Screen.SetTexture(&sheet);
  Font.TextOut(0, 0, "abc", 200, 100, 50, 160);
  EXPECT_EQ(Frame(), normal);
  EXPECT_EQ(Screen.BlendMode(), 2);
  EXPECT_EQ(Screen.GetDevice()->BlendMode(), 2);
  EXPECT_EQ(Screen.GetDevice()->Texture(), &sheet);
}

// [SECTION] Rendered strings are kept

TEST_F(FontTest, StringsAreRenderedOnceAndTheOldestMakesRoom) {
  for (int frame = 0; frame < 3; ++frame) Font.TextOut(0, 0, "NAME", 255, 255, 255, 255);
  EXPECT_EQ(Fonts.Renders, 1);
  for (size_t i = 1; i < TOmegaFont::CacheCapacity; ++i) {
    Font.TextOut(0, 0, "s" + std::to_string(i), 255, 255, 255, 255);
    if (i == 1) Font.TextOut(0, 0, "NAME", 255, 255, 255, 255);  // "s1" is now the oldest
  }
  EXPECT_EQ(Fonts.Renders, static_cast<int>(TOmegaFont::CacheCapacity));
  Font.TextOut(0, 0, "new", 255, 255, 255, 255);  // full: "s1" goes
  Font.TextOut(0, 0, "NAME", 255, 255, 255, 255);
  EXPECT_EQ(Fonts.Renders, static_cast<int>(TOmegaFont::CacheCapacity) + 1);
  Font.TextOut(0, 0, "s1", 255, 255, 255, 255);
  EXPECT_EQ(Fonts.Renders, static_cast<int>(TOmegaFont::CacheCapacity) + 2);
  EXPECT_EQ(Font.CachedStrings(), TOmegaFont::CacheCapacity);

  // A font change throws the rendered strings away.
  Font.SetFont("Impact", 12, {});
  EXPECT_EQ(Font.CachedStrings(), 0u);
}

}  // namespace
}  // namespace lr
