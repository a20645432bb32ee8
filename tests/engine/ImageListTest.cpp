// TOmegaImageList and TImageListItem: tiles and pattern counts, textures with their colour key,
// load and release, look-up by name, and the quads the draw calls put on screen, checked pixel
// by pixel through the real device.
#include "engine/OmegaImageList.h"

#include "engine/OmegaScreen.h"
#include "support/RecordingPresenter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace lr {
namespace {

constexpr uint32_t kFuchsia = 0xFF00FF;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBackground = 0xFF000000;

TPicture MakePicture(int w, int h, const std::function<uint32_t(int, int)>& texel, int bits = 24) {
  TPicture p;
  p.Width = w;
  p.Height = h;
  p.BitsPerPixel = bits;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.Pixels.push_back(texel(x, y));
  return p;
}

// Opaque, different at every texel of a sheet up to 128 × 128, and every channel at most 127,
// so that the screen's white (which makes 255 into 254) leaves its colour unchanged on black.
// (The back buffer's alpha is blended too and ends at 254 under such a texel; the window shows
// the colour only, so the checks below compare colours.)
uint32_t Unique(int x, int y) { return 0xFF400000u | static_cast<uint32_t>(x) << 8 | static_cast<uint32_t>(y); }

uint32_t RgbOf(uint32_t argb) { return argb & 0xFFFFFF; }

// A 160 × 120 screen with the list as its component. Start() creates the device (which loads
// the list) and opens a frame over opaque black.
class ImageListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    screen.Width = 160;
    screen.Height = 120;
    screen.ErrorReporter = &reporter;
    list.OmegaScreen = &screen;
    list.ErrorReporter = &reporter;
    screen.AddComponent(&list);
  }

  // Adds an item; the list is loaded by Start().
  TImageListItem& AddSheet(const std::string& name, const TPicture& picture, int tileW, int tileH,
                           bool transparent = true) {
    TImageListItem& item = list.Add(name);
    item.SetPicture(picture);
    item.SetTileWidth(tileW);
    item.SetTileHeight(tileH);
    item.Transparent = transparent;
    item.TransparentColor = kFuchsia;
    return item;
  }

  void Start() {
    ASSERT_TRUE(screen.Initialize());
    screen.BeginScene();
    screen.Clear(0, 0, 0, 255);
  }

  uint32_t Pixel(int x, int y) { return screen.GetDevice()->BackBuffer()[y * screen.GetDevice()->Width() + x]; }
  uint32_t Rgb(int x, int y) { return RgbOf(Pixel(x, y)); }

  // Draws the item plainly: white, no turn, scale 1, default pivot, blend mode 0.
  static void Plain(TImageListItem& item, int x, int y, int pattern, bool mirrorY = false, bool mirrorX = false) {
    item.DrawEx(x, y, 0, 0.5f, 0.5f, 1, 1, kWhite, kWhite, kWhite, kWhite, mirrorY, mirrorX, pattern, 0);
  }

  // Every pixel of the w × h block at (x, y) against expected(i, j); everything in the
  // surrounding one-pixel ring is still background.
  void ExpectBlock(int x, int y, int w, int h, const std::function<uint32_t(int, int)>& expected) {
    for (int j = -1; j <= h; ++j)
      for (int i = -1; i <= w; ++i) {
        const bool inside = i >= 0 && j >= 0 && i < w && j < h;
        ASSERT_EQ(Rgb(x + i, y + j), RgbOf(inside ? expected(i, j) : kBackground)) << "at " << i << "," << j;
      }
  }

  test::TRecordingReporter reporter;
  TOmegaImageList list;
  TOmegaScreen screen;  // last: released first, while the list still exists
};

// [SECTION] Tiles and pictures

TEST_F(ImageListTest, SetPictureMakesOneTileAndSizesTheTextureInPowersOfTwo) {
  TImageListItem item;
  item.SetPicture(MakePicture(40, 8, Unique));
  EXPECT_EQ(item.ImageWidth, 40);
  EXPECT_EQ(item.ImageHeight, 8);
  EXPECT_EQ(item.TileWidth, 40);
  EXPECT_EQ(item.TileHeight, 8);
  EXPECT_EQ(item.PatternCount(), 1);
  EXPECT_EQ(item.TextureWidth, 64);
  EXPECT_EQ(item.TextureHeight, 8);

  item.SetTileWidth(8);
  EXPECT_EQ(item.Columns, 5);
  EXPECT_EQ(item.Rows, 1);
  EXPECT_EQ(item.PatternCount(), 5);
  item.SetTileWidth(0);  // 0 means the picture's width
  EXPECT_EQ(item.TileWidth, 40);
  EXPECT_EQ(item.Columns, 1);
  item.SetTileHeight(3);  // 8 div 3
  EXPECT_EQ(item.Rows, 2);

  // The texture size is only guessed once, from the first picture.
  item.SetPicture(MakePicture(300, 1, Unique));
  EXPECT_EQ(item.TextureWidth, 64);
  EXPECT_EQ(item.TileWidth, 300);

  TImageListItem tiny;
  tiny.SetPicture(MakePicture(1, 3, Unique));
  EXPECT_EQ(tiny.TextureWidth, 2);
  EXPECT_EQ(tiny.TextureHeight, 4);
}

TEST_F(ImageListTest, LoadKeysTheTransparentColourToAllZeroTexels) {
  // Magenta, near-magenta, a half-transparent magenta (from a PNG), black and blue; twice.
  const uint32_t row[5] = {0xFFFF00FF, 0xFFFE00FF, 0x80FF00FF, 0xFF000000, 0xFF0000FF};
  const TPicture picture = MakePicture(5, 2, [&](int x, int) { return row[x]; });
  TImageListItem& keyed = AddSheet("Keyed", picture, 0, 0);
  TImageListItem& plain = AddSheet("Plain", picture, 0, 0, false);
  TImageListItem& black = AddSheet("Smoke", picture, 0, 0);
  black.TransparentColor = 0x000000;
  Start();
  ASSERT_NE(keyed.Texture, nullptr);
  const std::vector<uint32_t> keyedRow = {0, 0xFFFE00FF, 0x80FF00FF, 0xFF000000, 0xFF0000FF};
  const std::vector<uint32_t> blackRow = {0xFFFF00FF, 0xFFFE00FF, 0x80FF00FF, 0, 0xFF0000FF};
  auto twice = [](std::vector<uint32_t> r) {
    r.insert(r.end(), r.begin(), r.end());
    return r;
  };
  EXPECT_EQ(keyed.Texture->Texels, twice(keyedRow));
  EXPECT_EQ(plain.Texture->Texels, picture.Pixels);
  EXPECT_EQ(black.Texture->Texels, twice(blackRow));
  // The stored picture is kept, so the texture can be made again.
  EXPECT_EQ(keyed.Picture.Pixels[0], 0xFFFF00FFu);
}

TEST_F(ImageListTest, TextureSizeDescribesTheTextureUsed) {
  TImageListItem& item = AddSheet("Item", MakePicture(40, 8, Unique), 8, 8);
  TImageListItem& thin = AddSheet("Thin", MakePicture(1, 6, Unique), 1, 3);
  Start();
  ASSERT_TRUE(item.Loaded());
  EXPECT_EQ(item.TextureWidth, item.Texture->Width);
  EXPECT_EQ(item.TextureHeight, item.Texture->Height);
  EXPECT_EQ(item.PatternCount(), 5);
  // At least 2 × 2; the picture sits in the top-left corner.
  EXPECT_GE(thin.TextureWidth, 2);
  EXPECT_EQ(thin.TextureWidth, thin.Texture->Width);
  EXPECT_EQ(thin.TextureHeight, thin.Texture->Height);
  EXPECT_EQ(thin.Texture->At(0, 4), Unique(0, 4));
  EXPECT_EQ(thin.Texture->At(1, 4), 0u);
  EXPECT_EQ(thin.PatternCount(), 2);
}

TEST_F(ImageListTest, TileSizesBelowOneAtLoadMeanThePictureSize) {
  TImageListItem& item = AddSheet("Item", MakePicture(12, 6, Unique), 4, 2);
  item.TileWidth = -3;
  item.TileHeight = 0;
  Start();
  EXPECT_EQ(item.TileWidth, 12);
  EXPECT_EQ(item.TileHeight, 6);
  EXPECT_EQ(item.PatternCount(), 1);
}

// [SECTION] Load, release and look-up

TEST_F(ImageListTest, InitNeedsAScreenWithADevice) {
  TImageListItem& item = AddSheet("Item", MakePicture(4, 4, Unique), 4, 4);
  list.Init();  // the screen has no device yet
  EXPECT_FALSE(item.Loaded());
  TOmegaImageList orphan;
  orphan.Add("Item").SetPicture(MakePicture(4, 4, Unique));
  orphan.Init();
  EXPECT_FALSE(orphan.Items(0)->Loaded());
  Start();
  EXPECT_TRUE(item.Loaded());
  EXPECT_EQ(item.Device, &screen);
  EXPECT_EQ(item.Renderer, &list);
}

TEST_F(ImageListTest, ItemWithoutPictureStaysUnloadedAndDrawsNothing) {
  TImageListItem& empty = list.Add("Empty");
  Start();
  EXPECT_FALSE(empty.Loaded());
  EXPECT_EQ(empty.Texture, nullptr);
  Plain(empty, 10, 10, 0);
  EXPECT_EQ(Pixel(10, 10), kBackground);
  EXPECT_FALSE(list.FatalError);
  EXPECT_TRUE(reporter.Boxes.empty());
}

TEST_F(ImageListTest, UnInitKeepsTheTextureAndInitReusesIt) {
  TImageListItem& item = AddSheet("Item", MakePicture(4, 4, Unique), 4, 4);
  Start();
  const TTexture* texture = item.Texture.get();
  list.UnInit();
  EXPECT_FALSE(item.Loaded());
  EXPECT_EQ(item.Texture.get(), texture);
  Plain(item, 10, 10, 0);  // unloaded: nothing is drawn
  EXPECT_EQ(Pixel(11, 11), kBackground);
  list.Init();
  EXPECT_TRUE(item.Loaded());
  EXPECT_EQ(item.Texture.get(), texture);
  item.Release(true);
  EXPECT_EQ(item.Texture, nullptr);
}

TEST_F(ImageListTest, TextureThatCannotBeMadeIsReportedByName) {
  AddSheet("Good", MakePicture(4, 4, Unique), 4, 4);
  TImageListItem& broken = AddSheet("Broken", MakePicture(4, 4, Unique), 4, 4);
  broken.Picture.Pixels.resize(5);  // fewer pixels than its size
  ASSERT_TRUE(screen.Initialize());
  EXPECT_TRUE(list.FatalError);
  EXPECT_EQ(reporter.Boxes, std::vector<std::string>{"Error: Error creating texture Broken"});
}

TEST_F(ImageListTest, FindIsExactAndCaseSensitive) {
  for (const char* name : {"Sticky", "Platform", "Rope", "Bubble", "Bubble"}) list.Add(name);
  EXPECT_EQ(list.Find("Bubble"), list.Items(3));  // the first of two
  EXPECT_EQ(list.Find("bubble"), nullptr);
  EXPECT_EQ(list.Find("BUBBLE"), nullptr);
  EXPECT_EQ(list.Find("Bubble "), nullptr);
  EXPECT_EQ(list.Find(""), nullptr);
  EXPECT_EQ(list.Find("Sticky"), list.Items(0));
  EXPECT_EQ(list.Items(5), nullptr);
  EXPECT_EQ(list.Items(-1), nullptr);
  EXPECT_EQ(list.Count(), 5);
}

// [SECTION] Tiles on screen

TEST_F(ImageListTest, UnscaledTileReproducesItsTexelsExactly) {
  TImageListItem& item = AddSheet("Sheet", MakePicture(24, 16, Unique), 8, 8);
  Start();
  Plain(item, 30, 40, 4);  // column 1, row 1
  ExpectBlock(30, 40, 8, 8, [](int i, int j) { return Unique(8 + i, 8 + j); });
  item.DrawColors(60, 20, 0, 0.5f, 0.5f, 1, 1, kWhite, kWhite, kWhite, kWhite, 0, -1);
  ExpectBlock(60, 20, 8, 8, [](int i, int j) { return Unique(i, j); });
}

TEST_F(ImageListTest, PatternIndexPastTheLastTileDrawsTheLastTile) {
  // "PElec": 40 × 8 in five 8 × 8 tiles.
  TImageListItem& elec = AddSheet("PElec", MakePicture(40, 8, Unique), 8, 8);
  Start();
  Plain(elec, 10, 10, 4);
  ExpectBlock(10, 10, 8, 8, [](int i, int j) { return Unique(32 + i, j); });
  Plain(elec, 30, 10, 5);
  ExpectBlock(30, 10, 8, 8, [](int i, int j) { return Unique(32 + i, j); });
  Plain(elec, 50, 10, 1000);
  ExpectBlock(50, 10, 8, 8, [](int i, int j) { return Unique(32 + i, j); });
  Plain(elec, 70, 10, 0);
  ExpectBlock(70, 10, 8, 8, [](int i, int j) { return Unique(i, j); });
}

TEST_F(ImageListTest, WholePictureIsSqueezedIntoOneTileAndTurnsAboutThePictureCentre) {
  // "Rope": 64 × 32, left half red, right half blue, two 32 × 32 tiles.
  const uint32_t red = 0xFF700000, blue = 0xFF000070;
  TImageListItem& rope = AddSheet("Rope", MakePicture(64, 32, [&](int x, int) { return x < 32 ? red : blue; }), 32, 32);
  Start();
  Plain(rope, 10, 10, -1);
  ExpectBlock(10, 10, 32, 32, [&](int i, int) { return i < 16 ? red : blue; });

  // A quarter turn about (0.5, 0.5) of the 64 × 32 picture: the pivot is (x + 32, y + 16),
  // not the tile's centre (x + 16, y + 16).
  screen.Clear(0, 0, 0, 255);
  rope.DrawEx(60, 50, 90, 0.5f, 0.5f, 1, 1, kWhite, kWhite, kWhite, kWhite, false, false, -1, 0);
  // Turned clockwise: the picture's top (red then blue, left to right) now runs down the
  // right-hand side, from y - 16 to y + 16, across x + 15.5 .. x + 48.
  EXPECT_EQ(Rgb(60 + 40, 50 - 14), RgbOf(red));
  EXPECT_EQ(Rgb(60 + 40, 50 + 14), RgbOf(blue));
  EXPECT_EQ(Rgb(60 + 20, 50 - 14), RgbOf(red));
  EXPECT_EQ(Rgb(60 + 5, 50 + 20), RgbOf(kBackground));   // where a turn about the tile centre would draw
  EXPECT_EQ(Rgb(60 + 47, 50 - 16), RgbOf(red));
  EXPECT_EQ(Rgb(60 + 48, 50), RgbOf(kBackground));
  EXPECT_EQ(Rgb(60 + 30, 50 + 16), RgbOf(kBackground));
}

TEST_F(ImageListTest, MirrorFlagsSwapTextureCoordinates) {
  TImageListItem& item = AddSheet("Item", MakePicture(6, 5, Unique), 6, 5);
  Start();
  Plain(item, 10, 10, 0, false, true);  // MirrorX
  ExpectBlock(10, 10, 6, 5, [](int i, int j) { return Unique(5 - i, j); });
  Plain(item, 30, 10, 0, true, false);  // MirrorY
  ExpectBlock(30, 10, 6, 5, [](int i, int j) { return Unique(i, 4 - j); });
  Plain(item, 50, 10, 0, true, true);  // both: a half turn
  ExpectBlock(50, 10, 6, 5, [](int i, int j) { return Unique(5 - i, 4 - j); });
  item.DrawColor(70, 10, 0, 0.5f, 0.5f, 1, 1, kWhite, true, true, 0, -1);
  ExpectBlock(70, 10, 6, 5, [](int i, int j) { return Unique(5 - i, 4 - j); });
}

TEST_F(ImageListTest, MirroringOneTileOfASheetStaysWithinThatTile) {
  TImageListItem& elec = AddSheet("PElec", MakePicture(40, 8, Unique), 8, 8);
  Start();
  Plain(elec, 10, 10, 2, true, true);
  ExpectBlock(10, 10, 8, 8, [](int i, int j) { return Unique(16 + 7 - i, 7 - j); });
}

TEST_F(ImageListTest, QuarterTurnAboutTheDefaultPivotIsClockwise) {
  TImageListItem& item = AddSheet("Item", MakePicture(8, 8, Unique), 8, 8);
  Start();
  item.DrawEx(20, 20, 90, 0.5f, 0.5f, 1, 1, kWhite, kWhite, kWhite, kWhite, false, false, 0, 0);
  // Screen column x shows texel row 7 - (x - 20); screen row y shows texel column y - 20:
  // the tile's top-left texel is now at the top right.
  for (int y = 20; y < 28; ++y)
    for (int x = 20; x < 28; ++x) ASSERT_EQ(Rgb(x, y), RgbOf(Unique(y - 20, 27 - x))) << x << "," << y;
  EXPECT_EQ(Rgb(27, 20), RgbOf(Unique(0, 0)));
  EXPECT_EQ(Rgb(28, 20), RgbOf(kBackground));
  EXPECT_EQ(Rgb(24, 28), RgbOf(kBackground));
  EXPECT_EQ(Rgb(24, 19), RgbOf(kBackground));
}

TEST_F(ImageListTest, RightAndBottomEdgesGetHalfAPixel) {
  TImageListItem& item = AddSheet("Item", MakePicture(4, 4, [](int, int) { return 0xFF606060u; }), 4, 4);
  Start();
  // Doubled about the top-left corner: 4.5 pixels become 9, so the quad covers 9 × 9 pixels.
  item.DrawEx(10, 10, 0, 0, 0, 2, 2, kWhite, kWhite, kWhite, kWhite, false, false, 0, 0);
  ExpectBlock(10, 10, 9, 9, [](int, int) { return 0xFF606060u; });
}

TEST_F(ImageListTest, ZeroScaleDrawsAtScaleOne) {
  TImageListItem& item = AddSheet("Item", MakePicture(6, 5, Unique), 6, 5);
  Start();
  item.DrawEx(10, 10, 0, 0.5f, 0.5f, 0, 0, kWhite, kWhite, kWhite, kWhite, false, false, 0, 0);
  ExpectBlock(10, 10, 6, 5, [](int i, int j) { return Unique(i, j); });
  item.DrawEx(30, 10, 0, 0.5f, 0.5f, 0, 2, kWhite, kWhite, kWhite, kWhite, false, false, 0, 0);
  // Only y is doubled, about the centre (y = 12.5): rows 10 .. 15.5 become 7.5 .. 18.5.
  EXPECT_EQ(Rgb(30, 6), RgbOf(kBackground));
  EXPECT_EQ(Rgb(30, 7), RgbOf(Unique(0, 0)));
  EXPECT_EQ(Rgb(35, 17), RgbOf(Unique(5, 4)));
  EXPECT_EQ(Rgb(30, 18), RgbOf(kBackground));
  EXPECT_EQ(Rgb(36, 12), RgbOf(kBackground));
}

TEST_F(ImageListTest, NegativeScaleMirrorsAboutThePivot) {
  TImageListItem& item = AddSheet("Item", MakePicture(6, 5, Unique), 6, 5);
  Start();
  // Pivot at the left edge: the mirrored tile lies to the left of x.
  item.DrawEx(40, 10, 0, 0, 0, -1, 1, kWhite, kWhite, kWhite, kWhite, false, false, 0, 0);
  for (int j = 0; j < 5; ++j) {
    for (int i = 0; i < 6; ++i) ASSERT_EQ(Rgb(40 - 6 + i, 10 + j), RgbOf(Unique(5 - i, j))) << i << "," << j;
    ASSERT_EQ(Rgb(40, 10 + j), RgbOf(kBackground));
  }
  // Pivot in the middle: the tile stays in place, mirrored like MirrorX.
  item.DrawEx(80, 10, 0, 0.5f, 0.5f, -1, 1, kWhite, kWhite, kWhite, kWhite, false, false, 0, 0);
  for (int j = 0; j < 5; ++j) {
    for (int i = 0; i < 6; ++i) ASSERT_EQ(Rgb(80 + i, 10 + j), RgbOf(Unique(5 - i, j))) << i << "," << j;
    ASSERT_EQ(Rgb(86, 10 + j), RgbOf(kBackground));
  }
}

// [SECTION] Colours and blending

TEST_F(ImageListTest, GlobalWhiteMakesAFullChannelInto254) {
  TImageListItem& item = AddSheet("White", MakePicture(4, 4, [](int, int) { return 0xFFFFFFFFu; }), 4, 4);
  Start();
  item.DrawEx(10, 10, 0, 0.5f, 0.5f, 1, 1, kWhite, kWhite, kWhite, kWhite, false, false, 0, 1);
  EXPECT_EQ(Pixel(11, 11), 0xFFFEFEFEu);  // one, one over opaque black: alpha saturates
  screen.SetRed(128);
  item.DrawEx(20, 10, 0, 0.5f, 0.5f, 1, 1, kWhite, kWhite, kWhite, kWhite, false, false, 0, -1);
  EXPECT_EQ(Pixel(21, 11), 0xFF7FFEFEu);
}

TEST_F(ImageListTest, ColourArgumentsTintTheTextureChannelByChannel) {
  TImageListItem& item = AddSheet("White", MakePicture(4, 4, [](int, int) { return 0xFFFFFFFFu; }), 4, 4);
  Start();
  screen.SetBlendMode(1);
  // Red, green, blue, alpha; each lowered by the screen's 255 (c × 255 div 256).
  item.DrawRGBA(10, 10, 0, 0.5f, 0.5f, 1, 1, 100, 50, 25, 255, 0, -1);
  EXPECT_EQ(Pixel(11, 11), ColorARGB(99, 49, 24, 255));
  item.DrawColor(20, 10, 0, 0.5f, 0.5f, 1, 1, ColorARGB(10, 20, 30, 255), false, false, 0, -1);
  EXPECT_EQ(Pixel(21, 11), ColorARGB(9, 19, 29, 255));
  // Corner colours: top-left, top-right, bottom-right, bottom-left.
  item.DrawColors(40, 40, 0, 0.5f, 0.5f, 10, 10, 0xFF800000, 0xFF008000, 0xFF000080, 0xFF808000, 0, -1);
  // The tile is scaled ten times about its centre (42, 42) to cover 22 .. 67.
  EXPECT_GT(Pixel(22, 22) >> 16 & 0xFF, 0x60u);  // near the top-left corner: red
  EXPECT_GT(Pixel(62, 23) >> 8 & 0xFF, 0x60u);   // near the top-right: green
  EXPECT_LT(Pixel(62, 23) >> 16 & 0xFF, 0x20u);
  EXPECT_GT(Pixel(65, 65) & 0xFF, 0x60u);        // near the bottom-right: blue
  EXPECT_LT(Pixel(65, 65) >> 16 & 0xFF, 0x10u);
  EXPECT_GT(Pixel(23, 62) >> 8 & 0xFF, 0x60u);   // near the bottom-left: red and green
  EXPECT_GT(Pixel(23, 62) >> 16 & 0xFF, 0x60u);
}

TEST_F(ImageListTest, BlendModeOfOneDrawStaysForTheNextThatPassesMinusOne) {
  const uint32_t grey = 0xFF202020;
  TImageListItem& spark = AddSheet("Spark", MakePicture(4, 4, [&](int, int) { return grey; }), 4, 4);
  TImageListItem& bubble = AddSheet("Bubble", MakePicture(4, 4, [&](int, int) { return grey; }), 4, 4);
  Start();
  screen.Clear(0x40, 0x40, 0x40, 255);
  bubble.DrawEx(10, 10, 0, 0.5f, 0.5f, 1, 1, kWhite, kWhite, kWhite, kWhite, false, false, 0, -1);
  EXPECT_EQ(Pixel(11, 11) & 0xFFFFFF, 0x202020u);  // mode 0 from the start: covers
  spark.DrawEx(20, 10, 0, 0.5f, 0.5f, 1, 1, kWhite, kWhite, kWhite, kWhite, false, false, 0, 2);
  EXPECT_EQ(Pixel(21, 11) & 0xFFFFFF, 0x606060u);  // mode 2: adds
  bubble.DrawEx(30, 10, 0, 0.5f, 0.5f, 1, 1, kWhite, kWhite, kWhite, kWhite, false, false, 0, -1);
  EXPECT_EQ(Pixel(31, 11) & 0xFFFFFF, 0x606060u);  // still mode 2
  EXPECT_EQ(screen.BlendMode(), 2);
  bubble.DrawEx(40, 10, 0, 0.5f, 0.5f, 1, 1, kWhite, kWhite, kWhite, kWhite, false, false, 0, 0);
  EXPECT_EQ(Pixel(41, 11) & 0xFFFFFF, 0x202020u);
}

TEST_F(ImageListTest, KeyedTexelsLeaveTheBackgroundInEveryModeTheGameUses) {
  TImageListItem& item =
      AddSheet("Item", MakePicture(4, 1, [](int x, int) { return x % 2 ? 0xFFFF00FFu : 0xFF404040u; }), 4, 1);
  Start();
  for (int mode : {0, 2, 4}) {
    screen.Clear(0x11, 0x22, 0x33, 255);
    item.DrawEx(10, 10, 0, 0.5f, 0.5f, 1, 1, kWhite, kWhite, kWhite, kWhite, false, false, 0, mode);
    EXPECT_EQ(Pixel(11, 10), 0xFF112233u) << "mode " << mode;
    EXPECT_EQ(Pixel(13, 10), 0xFF112233u) << "mode " << mode;
    EXPECT_NE(Pixel(10, 10), 0xFF112233u) << "mode " << mode;
  }
}

}  // namespace
}  // namespace lr

namespace lr {
namespace {

// A 2 × 1 24-bit bitmap: a red pixel, then a green one.
std::vector<uint8_t> TwoPixelBitmap() {
  std::vector<uint8_t> bmp(54 + 8, 0);
  auto le32 = [&](size_t at, uint32_t v) {
    for (int b = 0; b < 4; ++b) bmp[at + b] = static_cast<uint8_t>(v >> (8 * b));
  };
  bmp[0] = 'B', bmp[1] = 'M';
  le32(2, static_cast<uint32_t>(bmp.size()));
  le32(10, 54);
  le32(14, 40);
  le32(18, 2);
  le32(22, 1);
  bmp[26] = 1;
  bmp[28] = 24;
  const uint8_t pixels[] = {0, 0, 255, 0, 255, 0, 0, 0};  // blue, green, red per pixel; padding
  std::copy(std::begin(pixels), std::end(pixels), bmp.begin() + 54);
  return bmp;
}

TEST_F(ImageListTest, APictureFileReplacesTheStoredPictureAndIsDroppedAfterLoading) {
  const std::string dir = ::testing::TempDir();
  const std::string path = dir + "/lavarumble-filepath.bmp";
  {
    const std::vector<uint8_t> bmp = TwoPixelBitmap();
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bmp.data(), 1, bmp.size(), f);
    std::fclose(f);
  }
  TImageListItem& fromFile = AddSheet("FromFile", MakePicture(4, 4, Unique), 0, 0, false);
  fromFile.Filepath = "  " + path + "  ";
  TImageListItem& missing = AddSheet("Missing", MakePicture(4, 4, Unique), 0, 0, false);
  missing.Filepath = "/no/such/folder/picture.bmp";
  Start();
  EXPECT_EQ(fromFile.Filepath, path);
  ASSERT_TRUE(fromFile.Texture);
  EXPECT_EQ(fromFile.ImageWidth, 2);
  EXPECT_EQ(fromFile.ImageHeight, 1);
  EXPECT_EQ(fromFile.Texture->At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(fromFile.Texture->At(1, 0), 0xFF00FF00u);
  // The file's picture is not kept; the texture is.
  EXPECT_TRUE(fromFile.Picture.Empty());
  EXPECT_TRUE(fromFile.Loaded());
  // A file that is not there is ignored: the stored picture is used and kept.
  EXPECT_TRUE(missing.Loaded());
  EXPECT_EQ(missing.ImageWidth, 4);
  EXPECT_FALSE(missing.Picture.Empty());
  std::remove(path.c_str());
}

}  // namespace
}  // namespace lr
