// The real font engine on the fonts installed here: finding families and their stand-ins,
// measuring, rendering coverage bitmaps, and text that is not clean UTF-8.
#include "platform/FontRasterizer.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace lr {
namespace {

long long TotalCoverage(const TTextBitmap& bitmap) {
  long long sum = 0;
  for (const uint32_t pixel : bitmap.Pixels) sum += pixel >> 24;
  return sum;
}

class FontRasterizerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Fonts.Ready()); }
  std::unique_ptr<IFontFace> Open(const std::string& family, int points, unsigned style = 0) {
    auto face = Fonts.Open(family, points, style);
    if (!face) ADD_FAILURE() << "cannot open " << family;
    return face;
  }
  TFontRasterizer Fonts;
};

// [SECTION] Finding families

TEST_F(FontRasterizerTest, InstalledFamiliesAreFoundAndMissingOnesFallBack) {
  const TFontMatch installed = Fonts.Find("dejavu sans", 0);
  EXPECT_FALSE(installed.Fallback);
  EXPECT_EQ(installed.Family, "DejaVu Sans");
  EXPECT_NE(Fonts.Find("DejaVu Sans", kFontBold).Path, installed.Path);  // its own bold file
  for (const std::string family : {"Impact", "Showcard Gothic", "No Such Family Anywhere"}) {
    const TFontMatch match = Fonts.Find(family, 0);
    EXPECT_TRUE(match.Fallback) << family;
    EXPECT_FALSE(match.Family.empty()) << family;
    EXPECT_NE(match.Family, family);
    EXPECT_TRUE(std::filesystem::exists(match.Path)) << family << ": " << match.Path;
  }
  // Bold on a stand-in that is heavy already still comes out bolder.
  auto plain = Open("Impact", 11);
  auto bold = Open("Impact", 11, kFontBold);
  ASSERT_TRUE(plain && bold);
  EXPECT_GT(TotalCoverage(bold->Render("Round 1")), TotalCoverage(plain->Render("Round 1")));
}

TEST_F(FontRasterizerTest, EachStandInIsLoggedOnce) {
  ::testing::internal::CaptureStderr();
  auto first = Fonts.Open("Impact", 11, 0);
  auto second = Fonts.Open("Impact", 20, kFontItalic);
  auto installed = Fonts.Open("DejaVu Sans", 11, 0);
  const std::string log = ::testing::internal::GetCapturedStderr();
  ASSERT_TRUE(first && second && installed);
  const size_t at = log.find("font: 'Impact' not installed, using '" + first->Family() + "'");
  EXPECT_NE(at, std::string::npos) << log;
  EXPECT_EQ(log.find("font: 'Impact'", at + 1), std::string::npos) << log;
  EXPECT_EQ(log.find("font: 'DejaVu Sans'"), std::string::npos) << log;
}

TEST_F(FontRasterizerTest, PointsBecomePixelsAtNinetySixDotsPerInch) {
  EXPECT_EQ(PointsToPixels(11), 15);  // 14.67
  EXPECT_EQ(PointsToPixels(20), 27);  // 26.67
  EXPECT_EQ(PointsToPixels(3), 4);    // exactly 4
  EXPECT_EQ(PointsToPixels(1), 1);    // 1.33
  EXPECT_EQ(PointsToPixels(-11), -15);
  EXPECT_EQ(Fonts.Open("DejaVu Sans", 0, 0), nullptr);
}

// [SECTION] Measuring and rendering

TEST_F(FontRasterizerTest, WidthGrowsWithTheTextAndHeightWithTheSize) {
  auto small = Open("Impact", 11);
  auto large = Open("Showcard Gothic", 20);
  ASSERT_TRUE(small && large);
  const int round = small->Measure("Round").Width;
  EXPECT_GT(round, 0);
  EXPECT_GT(small->Measure("Round 1").Width, round);
  EXPECT_GT(small->Measure("Final Round 1").Width, small->Measure("Round 1").Width);
  EXPECT_EQ(small->Measure("").Width, 0);
  EXPECT_GT(small->Measure("").Height, 0);
  EXPECT_GT(large->Measure("Round 1").Height, small->Measure("Round 1").Height);
  EXPECT_GT(large->Measure("Round 1").Width, small->Measure("Round 1").Width);
}

TEST_F(FontRasterizerTest, RenderingIsRepeatableWhiteCoverageOfTheMeasuredSize) {
  auto face = Open("Impact", 11);
  auto again = Open("Impact", 11);
  ASSERT_TRUE(face && again);
  const TTextBitmap bitmap = face->Render("Red Man 3");
  EXPECT_EQ(bitmap.Width, face->Measure("Red Man 3").Width);
  EXPECT_EQ(bitmap.Height, face->Measure("Red Man 3").Height);
  ASSERT_EQ(bitmap.Pixels.size(), static_cast<size_t>(bitmap.Width) * bitmap.Height);
  int solid = 0, clear = 0, partial = 0;
  for (const uint32_t pixel : bitmap.Pixels) {
    EXPECT_EQ(pixel & 0xFFFFFF, 0xFFFFFFu);
    const uint32_t alpha = pixel >> 24;
    (alpha == 255 ? solid : alpha == 0 ? clear : partial)++;
  }
  EXPECT_GT(solid, 0);
  EXPECT_GT(clear, 0);
  EXPECT_GT(partial, 0);  // smooth edges
  EXPECT_EQ(face->Render("Red Man 3").Pixels, bitmap.Pixels);
  EXPECT_EQ(again->Render("Red Man 3").Pixels, bitmap.Pixels);
  EXPECT_NE(face->Render("Red Man 8").Pixels, bitmap.Pixels);
  EXPECT_TRUE(face->Render("").Pixels.empty());
}

TEST_F(FontRasterizerTest, UnderlineAndStrikeOutAddInkAndItalicSlants) {
  auto plain = Open("DejaVu Sans", 11);
  auto underline = Open("DejaVu Sans", 11, kFontUnderline);
  auto strikeOut = Open("DejaVu Sans", 11, kFontStrikeOut);
  auto italic = Open("DejaVu Sans", 11, kFontItalic);
  ASSERT_TRUE(plain && underline && strikeOut && italic);
  const std::string text = "Kills Deaths Wins";
  const long long ink = TotalCoverage(plain->Render(text));
  EXPECT_GT(TotalCoverage(underline->Render(text)), ink);
  EXPECT_GT(TotalCoverage(strikeOut->Render(text)), ink);
  EXPECT_NE(italic->Render(text).Pixels, plain->Render(text).Pixels);
}

// [SECTION] Text that is not clean UTF-8

TEST(TextToUtf8Test, ValidUtf8IsKeptAndAnythingElseIsReadAsLatin1) {
  EXPECT_EQ(TextToUtf8("Zo\xC3\xAB \xE2\x82\xAC \xF0\x9F\x94\xA5"), "Zo\xC3\xAB \xE2\x82\xAC \xF0\x9F\x94\xA5");
  EXPECT_EQ(TextToUtf8("Zo\xEB"), "Zo\xC3\xAB");                          // e with diaeresis
  EXPECT_EQ(TextToUtf8("\xC0\xAF"), "\xC3\x80\xC2\xAF");                  // overlong slash
  EXPECT_EQ(TextToUtf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");      // surrogate
  EXPECT_EQ(TextToUtf8("a\xE2\x82"), "a\xC3\xA2\xC2\x82");                // cut short
  EXPECT_EQ(TextToUtf8("\xF4\x90\x80\x80"), "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80");  // past U+10FFFF
}

TEST_F(FontRasterizerTest, OddBytesRenderWithoutHarm) {
  auto face = Open("Impact", 11);
  ASSERT_TRUE(face);
  for (const std::string text : {"\xFF\xFE\x80", "\xC3", "\x01\x02\x7F", "\xF0\x9F\x94\xA5"}) {
    const TTextBitmap bitmap = face->Render(text);
    EXPECT_EQ(bitmap.Pixels.size(), static_cast<size_t>(bitmap.Width) * bitmap.Height) << text;
    EXPECT_GE(face->Measure(text).Width, 0) << text;
  }
  // Latin-1 bytes draw the characters they stand for.
  EXPECT_EQ(face->Render("Zo\xEB").Pixels, face->Render("Zo\xC3\xAB").Pixels);
  EXPECT_FALSE(face->Render("Zo\xEB").Pixels.empty());
}

}  // namespace
}  // namespace lr
