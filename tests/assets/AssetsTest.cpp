// The generated game data: runs make_assets twice into scratch folders and reads every file
// back with readers of its own (and libpng for the PNG), checking each sheet against the
// image list's table and each sound against the rules for the game's effects.
#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

enum class Key { Magenta, Black, None };

struct SheetEntry {
  const char* file;
  int width, height, tileW, tileH, bits;
  Key key;
};

// The image list, in list order ("BG" has no file).
const SheetEntry kSheets[] = {
    {"Sticky.bmp", 416, 64, 32, 64, 8, Key::Magenta},
    {"Platform.bmp", 32, 32, 32, 32, 24, Key::Magenta},
    {"Rope.bmp", 64, 32, 32, 32, 24, Key::Magenta},
    {"Bubble.bmp", 32, 32, 32, 32, 24, Key::Magenta},
    {"Powerup_Mine.bmp", 32, 32, 32, 32, 24, Key::Magenta},
    {"Powerup_Elec.bmp", 32, 32, 32, 32, 24, Key::Magenta},
    {"Powerup_Boots.bmp", 32, 32, 32, 32, 24, Key::Magenta},
    {"Powerup_Switch.bmp", 32, 32, 32, 32, 24, Key::Magenta},
    {"Powerup_Death.bmp", 32, 32, 32, 32, 24, Key::Magenta},
    {"Powerup_TNT.bmp", 32, 32, 32, 32, 24, Key::Magenta},
    {"Powerup_Tele.bmp", 32, 32, 32, 32, 24, Key::Magenta},
    {"Powerup_Gun.bmp", 32, 32, 32, 32, 24, Key::Magenta},
    {"Powerup_Glove.bmp", 32, 32, 32, 32, 24, Key::Magenta},
    {"PElec.bmp", 40, 8, 8, 8, 24, Key::Magenta},
    {"PSmoke.png", 32, 32, 32, 32, 8, Key::Black},
    {"Title.bmp", 400, 200, 400, 200, 24, Key::Black},
    {"O_Start.bmp", 251, 48, 251, 48, 32, Key::Black},
    {"O_Options.bmp", 178, 40, 178, 40, 24, Key::Black},
    {"O_Online.bmp", 245, 51, 245, 51, 32, Key::Black},
    {"O_Quit.bmp", 106, 39, 106, 39, 24, Key::Black},
    {"Coil.bmp", 500, 16, 500, 16, 24, Key::Magenta},
    {"Lava.bmp", 640, 60, 640, 60, 24, Key::None},
    {"L_PRR.bmp", 450, 80, 450, 80, 24, Key::Black},
    {"L_PGR.bmp", 450, 80, 450, 80, 24, Key::Black},
};

const char* const kSounds[] = {"Scream.wav", "Mine.wav",    "Boom.wav",    "Bzzt.wav",  "Ouff.wav",  "Loadup.wav",
                               "Spring.wav", "pistol.wav",  "spring2.wav", "Plink.wav", "splash.wav"};

using Bytes = std::vector<uint8_t>;
using Rgb = std::array<uint8_t, 3>;
const Rgb kMagenta = {255, 0, 255};
const Rgb kBlack = {0, 0, 0};

Bytes ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint32_t Le16(const Bytes& b, size_t o) { return b[o] | uint32_t(b[o + 1]) << 8; }
uint32_t Le32(const Bytes& b, size_t o) { return Le16(b, o) | Le16(b, o + 2) << 16; }
uint32_t Be32(const Bytes& b, size_t o) {
  return uint32_t(b[o]) << 24 | uint32_t(b[o + 1]) << 16 | uint32_t(b[o + 2]) << 8 | b[o + 3];
}

// A decoded picture, top row first.
struct Picture {
  int width = 0, height = 0, bits = 0;
  std::vector<Rgb> palette;
  std::vector<Rgb> px;
  std::vector<uint8_t> index;  // 8-bit pictures only
  std::vector<uint8_t> extra;  // the fourth byte of 32-bit pixels
  Rgb At(int x, int y) const { return px[size_t(y) * width + x]; }
};

// Reads a Windows bitmap, checking its headers on the way; failures are reported with the name.
Picture ReadBmp(const Bytes& b, const std::string& name) {
  Picture pic;
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') {
    ADD_FAILURE() << name << ": not a bitmap";
    return pic;
  }
  EXPECT_EQ(Le32(b, 2), b.size()) << name << ": bfSize";
  EXPECT_EQ(Le32(b, 14), 40u) << name << ": BITMAPINFOHEADER expected";
  int32_t w = int32_t(Le32(b, 18)), h = int32_t(Le32(b, 22));
  EXPECT_GT(h, 0) << name << ": rows must be stored bottom-up";
  EXPECT_EQ(Le16(b, 26), 1u) << name << ": planes";
  pic.bits = int(Le16(b, 28));
  EXPECT_EQ(Le32(b, 30), 0u) << name << ": must be uncompressed BI_RGB";
  uint32_t colours = Le32(b, 46);
  if (pic.bits == 8) {
    if (colours == 0) colours = 256;
    for (uint32_t i = 0; i < colours; ++i) {
      size_t o = 54 + i * 4;
      pic.palette.push_back({b[o + 2], b[o + 1], b[o]});
    }
  }
  uint32_t offset = Le32(b, 10);
  EXPECT_EQ(offset, 54 + (pic.bits == 8 ? colours * 4 : 0)) << name << ": pixel data offset";
  if (w <= 0 || h <= 0 || (pic.bits != 8 && pic.bits != 24 && pic.bits != 32)) {
    ADD_FAILURE() << name << ": unexpected size or depth " << w << "x" << h << "x" << pic.bits;
    return pic;
  }
  size_t row = ((size_t(w) * pic.bits + 31) / 32) * 4;
  EXPECT_EQ(b.size(), offset + row * size_t(h)) << name << ": file length";
  if (b.size() < offset + row * size_t(h)) return pic;
  pic.width = w, pic.height = h;
  for (int y = 0; y < h; ++y) {
    size_t r = offset + size_t(h - 1 - y) * row;
    for (int x = 0; x < w; ++x) {
      if (pic.bits == 8) {
        uint8_t i = b[r + x];
        pic.index.push_back(i);
        pic.px.push_back(i < pic.palette.size() ? pic.palette[i] : kBlack);
      } else {
        size_t o = r + size_t(x) * (pic.bits / 8);
        pic.px.push_back({b[o + 2], b[o + 1], b[o]});
        if (pic.bits == 32) pic.extra.push_back(b[o + 3]);
      }
    }
  }
  return pic;
}

// Reads the PNG's header chunk by hand and its pixels through libpng.
Picture ReadPng(const Bytes& b, const std::string& name, int* colourType, int* bitDepth) {
  Picture pic;
  static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (b.size() < 33 || !std::equal(sig, sig + 8, b.begin()) || std::string(b.begin() + 12, b.begin() + 16) != "IHDR") {
    ADD_FAILURE() << name << ": not a PNG";
    return pic;
  }
  *bitDepth = b[24];
  *colourType = b[25];
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, b.data(), b.size())) {
    ADD_FAILURE() << name << ": libpng: " << image.message;
    return pic;
  }
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> buf(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, buf.data(), 0, nullptr)) {
    ADD_FAILURE() << name << ": libpng: " << image.message;
    return pic;
  }
  pic.width = int(image.width), pic.height = int(image.height), pic.bits = *bitDepth;
  for (size_t i = 0; i + 2 < buf.size(); i += 3) pic.px.push_back({buf[i], buf[i + 1], buf[i + 2]});
  return pic;
}

Rgb KeyColour(Key k) { return k == Key::Magenta ? kMagenta : kBlack; }

// A colour an edge would take if it had been blended toward magenta.
bool MagentaTinged(Rgb c) { return c[0] > 200 && c[2] > 200 && c[1] < 60 && c != kMagenta; }

std::string Tmp(const std::string& leaf) {
  return (fs::temp_directory_path() / ("lr_assets_" + std::to_string(getpid()) + "_" + leaf)).string();
}

int RunTool(const std::string& args) {
  std::string cmd = std::string("\"") + LR_MAKE_ASSETS + "\" " + args + " >/dev/null 2>&1";
  int rc = std::system(cmd.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

std::map<std::string, Bytes> ReadFolder(const fs::path& dir) {
  std::map<std::string, Bytes> files;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) files[fs::relative(e.path(), dir).generic_string()] = ReadAll(e.path());
  return files;
}

class AssetsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    first_ = new std::string(Tmp("a"));
    second_ = new std::string(Tmp("b"));
    fs::remove_all(*first_);
    fs::remove_all(*second_);
    rc_ = RunTool("\"" + *first_ + "\"");
  }
  static void TearDownTestSuite() {
    fs::remove_all(*first_);
    fs::remove_all(*second_);
    delete first_;
    delete second_;
  }
  void SetUp() override { ASSERT_EQ(rc_, 0) << "make_assets failed"; }
  static fs::path Out() { return *first_; }
  static Picture Sheet(const std::string& file) { return ReadBmp(ReadAll(Out() / file), file); }

  static std::string* first_;
  static std::string* second_;
  static int rc_;
};
std::string* AssetsTest::first_ = nullptr;
std::string* AssetsTest::second_ = nullptr;
int AssetsTest::rc_ = -1;

TEST_F(AssetsTest, WritesExactlyTheSheetsAndSoundsAndTheSameBytesEveryRun) {
  ASSERT_EQ(RunTool("\"" + *second_ + "\""), 0) << "make_assets failed on the second run";
  auto a = ReadFolder(Out()), b = ReadFolder(*second_);
  std::set<std::string> expected;
  for (const auto& s : kSheets) expected.insert(s.file);
  for (const char* s : kSounds) expected.insert(std::string("Sounds/") + s);
  std::set<std::string> got;
  for (const auto& [name, bytes] : a) got.insert(name);
  EXPECT_EQ(got, expected);
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [name, bytes] : a) {
    ASSERT_TRUE(b.count(name)) << name;
    EXPECT_TRUE(bytes == b[name]) << name << " differs between two runs";
  }
}

TEST_F(AssetsTest, SheetsHaveTheListedSizeDepthAndTiles) {
  for (const auto& s : kSheets) {
    SCOPED_TRACE(s.file);
    Bytes bytes = ReadAll(Out() / s.file);
    ASSERT_FALSE(bytes.empty());
    Picture pic;
    if (std::string(s.file).ends_with(".png")) {
      int colourType = -1, bitDepth = -1;
      pic = ReadPng(bytes, s.file, &colourType, &bitDepth);
      EXPECT_EQ(colourType, 3) << "palette PNG expected";
      EXPECT_EQ(bitDepth, 8);
      EXPECT_EQ(Be32(bytes, 16), uint32_t(s.width));
      EXPECT_EQ(Be32(bytes, 20), uint32_t(s.height));
    } else {
      pic = ReadBmp(bytes, s.file);
      EXPECT_EQ(pic.bits, s.bits);
    }
    EXPECT_EQ(pic.width, s.width);
    EXPECT_EQ(pic.height, s.height);
    EXPECT_EQ(s.width % s.tileW, 0);
    EXPECT_EQ(s.height % s.tileH, 0);
    // 32-bit sheets are keyed by colour like the others: every pixel stored opaque.
    for (uint8_t a : pic.extra) ASSERT_EQ(a, 255);
  }
}

TEST_F(AssetsTest, StickyIsAGreyFigureOnAFullMagentaPalette) {
  Picture pic = Sheet("Sticky.bmp");
  ASSERT_EQ(pic.palette.size(), 256u);
  ASSERT_EQ(pic.width, 416);
  bool hasKey = false;
  for (const Rgb& c : pic.palette) hasKey = hasKey || c == kMagenta;
  EXPECT_TRUE(hasKey);
  // The player's colour multiplies the figure, so every drawn pixel must be a grey, and the
  // figure must be light overall (white limbs inside a thin dark rim) for the colour to show.
  long sum = 0, drawn = 0;
  int brightest = 0;
  for (const Rgb& c : pic.px) {
    if (c == kMagenta) continue;
    ++drawn;
    ASSERT_TRUE(c[0] == c[1] && c[1] == c[2]) << int(c[0]) << "," << int(c[1]) << "," << int(c[2]);
    sum += c[0];
    brightest = std::max(brightest, int(c[0]));
  }
  ASSERT_GT(drawn, 0);
  EXPECT_EQ(brightest, 255);
  EXPECT_GE(sum / drawn, 140);
}

TEST_F(AssetsTest, StickyFramesStandOnTheBottomRowAndStayInTheirTiles) {
  Picture pic = Sheet("Sticky.bmp");
  ASSERT_EQ(pic.height, 64);
  auto solid = [&](int x, int y) { return pic.At(x, y) != kMagenta; };
  for (int f = 0; f < 13; ++f) {
    SCOPED_TRACE("frame " + std::to_string(f));
    int count = 0, top = 64;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 32; ++x)
        if (solid(f * 32 + x, y)) ++count, top = std::min(top, y);
    EXPECT_GT(count, 150) << "frame looks empty";
    // Nothing touches the tile's side edges, so no frame bleeds into its neighbour.
    for (int y = 0; y < 64; ++y) {
      EXPECT_FALSE(solid(f * 32, y));
      EXPECT_FALSE(solid(f * 32 + 31, y));
    }
    // Frames of a figure on its feet reach the bottom row; standing ones also reach up high.
    bool grounded = f == 0 || f == 1 || f == 2 || f == 7 || f == 8 || f == 11 || f == 12;
    if (grounded) {
      bool feet = false;
      for (int x = 0; x < 32; ++x) feet = feet || solid(f * 32 + x, 63);
      EXPECT_TRUE(feet) << "feet must rest on the bottom row";
    }
    bool upright = f == 0 || f == 1 || f == 2 || f == 8 || f == 11;
    if (upright) {
      EXPECT_LE(top, 4) << "head should be near the top";
    }
    if (f == 7) {
      EXPECT_GE(top, 24) << "crouching figure should be low";
    }
  }
  // The walking frames differ from each other and from standing.
  auto frame = [&](int f) {
    std::vector<Rgb> v;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 32; ++x) v.push_back(pic.At(f * 32 + x, y));
    return v;
  };
  std::set<std::vector<Rgb>> distinct;
  for (int f = 0; f < 13; ++f) distinct.insert(frame(f));
  EXPECT_EQ(distinct.size(), 13u);
}

TEST_F(AssetsTest, KeyColourFillsTheCornersOfEveryKeyedTile) {
  for (const auto& s : kSheets) {
    if (s.key == Key::None || std::string(s.file) == "Platform.bmp") continue;  // the slab fills its top
    SCOPED_TRACE(s.file);
    Picture pic;
    if (std::string(s.file).ends_with(".png")) {
      int ct, bd;
      pic = ReadPng(ReadAll(Out() / s.file), s.file, &ct, &bd);
    } else {
      pic = Sheet(s.file);
    }
    ASSERT_EQ(pic.width, s.width);
    Rgb key = KeyColour(s.key);
    int keyed = 0;
    for (const Rgb& c : pic.px) keyed += c == key;
    EXPECT_GT(keyed, 0);
    EXPECT_LT(keyed, int(pic.px.size())) << "sheet is empty";
    for (int ty = 0; ty < s.height; ty += s.tileH)
      for (int tx = 0; tx < s.width; tx += s.tileW) {
        EXPECT_EQ(pic.At(tx, ty), key);
        EXPECT_EQ(pic.At(tx + s.tileW - 1, ty), key);
        EXPECT_EQ(pic.At(tx, ty + s.tileH - 1), key);
        EXPECT_EQ(pic.At(tx + s.tileW - 1, ty + s.tileH - 1), key);
      }
  }
}

TEST_F(AssetsTest, NoEdgePixelIsBlendedTowardMagenta) {
  for (const auto& s : kSheets) {
    if (s.key != Key::Magenta) continue;
    SCOPED_TRACE(s.file);
    Picture pic = Sheet(s.file);
    ASSERT_EQ(pic.width, s.width);
    int fringes = 0;
    for (int y = 0; y < pic.height; ++y)
      for (int x = 0; x < pic.width; ++x) {
        Rgb c = pic.At(x, y);
        if (c == kMagenta) continue;
        bool edge = false;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            int nx = x + dx, ny = y + dy;
            if (nx >= 0 && ny >= 0 && nx < pic.width && ny < pic.height && pic.At(nx, ny) == kMagenta) edge = true;
          }
        if (edge && MagentaTinged(c)) ++fringes;
      }
    EXPECT_EQ(fringes, 0);
  }
}

TEST_F(AssetsTest, LevelPiecesJoinSeamlessly) {
  // Platforms sit side by side and the lava band scrolls round: the last column must carry on
  // into the first about as smoothly as any two neighbouring columns do.
  auto seam = [](const Picture& p, int rowFrom, int rowTo) {
    double across = 0, inside = 0;
    for (int y = rowFrom; y < rowTo; ++y)
      for (int c = 0; c < 3; ++c) {
        across += std::abs(int(p.At(p.width - 1, y)[c]) - int(p.At(0, y)[c]));
        for (int x = 1; x < p.width; ++x) inside += std::abs(int(p.At(x, y)[c]) - int(p.At(x - 1, y)[c]));
      }
    return std::make_pair(across, inside / (p.width - 1));
  };
  Picture lava = Sheet("Lava.bmp");
  ASSERT_EQ(lava.width, 640);
  auto [la, li] = seam(lava, 0, lava.height);
  EXPECT_LT(la, li * 2.5) << "lava seam " << la << " vs typical column step " << li;
  Picture plat = Sheet("Platform.bmp");
  ASSERT_EQ(plat.width, 32);
  for (int y = 0; y < 32; ++y) EXPECT_EQ(plat.At(0, y) == kMagenta, plat.At(31, y) == kMagenta) << y;
  for (int x = 0; x < 32; ++x) EXPECT_NE(plat.At(x, 0), kMagenta) << "the walking surface is solid";
  // The ordinary rope segment hangs one under another: its bottom row continues its top row.
  Picture rope = Sheet("Rope.bmp");
  ASSERT_EQ(rope.width, 64);
  int mismatched = 0;
  for (int x = 0; x < 32; ++x) mismatched += (rope.At(x, 0) == kMagenta) != (rope.At(x, 31) == kMagenta);
  EXPECT_EQ(mismatched, 0);
  // Both rope tiles hang from the same column, so the top segment joins the one below.
  for (int x = 0; x < 32; ++x)
    EXPECT_EQ(rope.At(x, 31) == kMagenta, rope.At(32 + x, 31) == kMagenta) << x;
}

TEST_F(AssetsTest, IconsAreDistinctAndFillTheirTiles) {
  std::set<std::vector<Rgb>> seen;
  for (const auto& s : kSheets) {
    std::string f = s.file;
    if (!f.starts_with("Powerup_")) continue;
    SCOPED_TRACE(f);
    Picture pic = Sheet(f);
    ASSERT_EQ(pic.px.size(), 32u * 32u);
    int solid = 0;
    for (const Rgb& c : pic.px) solid += c != kMagenta;
    // recognisable at bubble size: a good part of the tile is drawn, but it leaves a margin
    EXPECT_GT(solid, 200);
    EXPECT_LT(solid, 32 * 32 - 100);
    seen.insert(pic.px);
  }
  EXPECT_EQ(seen.size(), 9u);
}

TEST_F(AssetsTest, SparkFramesShrinkAndSmokeFadesOutward) {
  Picture sparks = Sheet("PElec.bmp");
  ASSERT_EQ(sparks.width, 40);
  int previousCount = 1 << 30, previousLight = 1 << 30;
  for (int f = 0; f < 5; ++f) {
    int solid = 0, light = 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        Rgb c = sparks.At(f * 8 + x, y);
        if (c == kMagenta) continue;
        ++solid;
        light += c[0] + c[1] + c[2];
      }
    EXPECT_GT(solid, 0) << "frame " << f;
    EXPECT_LT(solid, previousCount) << "frame " << f;
    EXPECT_LT(light, previousLight) << "frame " << f;
    previousCount = solid, previousLight = light;
  }
  int ct, bd;
  Picture smoke = ReadPng(ReadAll(Out() / "PSmoke.png"), "PSmoke.png", &ct, &bd);
  ASSERT_EQ(smoke.width, 32);
  EXPECT_GT(smoke.At(16, 16)[0], 200);
  // brightness falls off from the middle toward the rim
  EXPECT_GT(smoke.At(16, 16)[0], smoke.At(16, 8)[0]);
  EXPECT_GT(smoke.At(16, 8)[0], smoke.At(16, 2)[0]);
}

TEST_F(AssetsTest, LetteredSheetsHaveInkOnBlack) {
  for (const char* f : {"Title.bmp", "O_Start.bmp", "O_Options.bmp", "O_Online.bmp", "O_Quit.bmp", "L_PRR.bmp", "L_PGR.bmp"}) {
    SCOPED_TRACE(f);
    Picture pic = Sheet(f);
    ASSERT_GT(pic.width, 0);
    int ink = 0, hot = 0;
    for (const Rgb& c : pic.px) {
      ink += c != kBlack;
      hot += c[0] > 200 && c[1] > 80 && c[2] < 160;  // the lettering glows yellow to orange
    }
    EXPECT_GT(ink, int(pic.px.size()) / 8);
    EXPECT_LT(ink, int(pic.px.size()) * 3 / 4);
    EXPECT_GT(hot, ink / 4);
  }
  // The title rests with its top 42 rows above the screen: the words must lie below them.
  Picture title = Sheet("Title.bmp");
  ASSERT_EQ(title.height, 200);
  for (int y = 0; y < 42; ++y)
    for (int x = 0; x < 400; ++x) ASSERT_EQ(title.At(x, y), kBlack) << x << "," << y;
}

struct Wave {
  uint32_t rate = 0, byteRate = 0;
  uint16_t format = 0, channels = 0, blockAlign = 0, bits = 0;
  std::vector<int16_t> samples;
};

Wave ReadWav(const Bytes& b, const std::string& name) {
  Wave w;
  if (b.size() < 44 || std::string(b.begin(), b.begin() + 4) != "RIFF" || std::string(b.begin() + 8, b.begin() + 12) != "WAVE") {
    ADD_FAILURE() << name << ": not a RIFF/WAVE file";
    return w;
  }
  EXPECT_EQ(Le32(b, 4), b.size() - 8) << name << ": RIFF size";
  size_t pos = 12;
  bool fmt = false;
  while (pos + 8 <= b.size()) {
    std::string id(b.begin() + ptrdiff_t(pos), b.begin() + ptrdiff_t(pos + 4));
    uint32_t len = Le32(b, pos + 4);
    size_t body = pos + 8;
    if (body + len > b.size()) {
      ADD_FAILURE() << name << ": chunk " << id << " runs past the end";
      return w;
    }
    if (id == "fmt ") {
      w.format = uint16_t(Le16(b, body));
      w.channels = uint16_t(Le16(b, body + 2));
      w.rate = Le32(b, body + 4);
      w.byteRate = Le32(b, body + 8);
      w.blockAlign = uint16_t(Le16(b, body + 12));
      w.bits = uint16_t(Le16(b, body + 14));
      fmt = true;
    } else if (id == "data") {
      EXPECT_TRUE(fmt) << name << ": data before fmt";
      for (size_t i = 0; i + 1 < len; i += 2) w.samples.push_back(int16_t(Le16(b, body + i)));
    }
    pos = body + len + (len & 1);
  }
  return w;
}

TEST_F(AssetsTest, SoundsAreShortCleanMono16BitAtTheRightLevel) {
  for (const char* f : kSounds) {
    SCOPED_TRACE(f);
    Wave w = ReadWav(ReadAll(Out() / "Sounds" / f), f);
    EXPECT_EQ(w.format, 1) << "PCM";
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.rate, 22050u);
    EXPECT_EQ(w.bits, 16);
    EXPECT_EQ(w.blockAlign, 2);
    EXPECT_EQ(w.byteRate, 44100u);
    ASSERT_GT(w.samples.size(), 22050u / 10) << "too short to hear";
    EXPECT_LT(double(w.samples.size()) / 22050.0, 1.5);
    int peak = 0;
    for (int16_t s : w.samples) peak = std::max(peak, std::abs(int(s)));
    double dbfs = 20.0 * std::log10(peak / 32768.0);
    EXPECT_GT(dbfs, -4.0);
    EXPECT_LT(dbfs, -2.0);
    // starts and ends on silence, without a click: the first and last milliseconds are quiet
    EXPECT_LE(std::abs(int(w.samples.front())), 16);
    EXPECT_LE(std::abs(int(w.samples.back())), 16);
    const size_t ms = 22;
    for (size_t i = 0; i < ms; ++i) {
      EXPECT_LT(std::abs(int(w.samples[i])), peak / 4) << "sample " << i;
      EXPECT_LT(std::abs(int(w.samples[w.samples.size() - 1 - i])), peak / 4) << "sample -" << i;
    }
  }
  // Each effect is its own sound.
  std::set<Bytes> distinct;
  for (const char* f : kSounds) distinct.insert(ReadAll(Out() / "Sounds" / f));
  EXPECT_EQ(distinct.size(), std::size(kSounds));
}

TEST(AssetsToolTest, PutsSoundsWhereAskedAndRejectsBadArguments) {
  std::string out = Tmp("args"), snd = Tmp("args_sounds");
  fs::remove_all(out);
  fs::remove_all(snd);
  ASSERT_EQ(RunTool("\"" + out + "\" --sounds \"" + snd + "\""), 0);
  EXPECT_TRUE(fs::exists(fs::path(out) / "Sticky.bmp"));
  EXPECT_TRUE(fs::exists(fs::path(snd) / "Boom.wav"));
  EXPECT_FALSE(fs::exists(fs::path(out) / "Sounds"));
  fs::remove_all(out);
  fs::remove_all(snd);
  EXPECT_EQ(RunTool(""), 2);
  EXPECT_EQ(RunTool("a b"), 2);
  EXPECT_EQ(RunTool("a --sounds"), 2);
  EXPECT_EQ(RunTool("--bogus a"), 2);
}

// The desktop icon at each size: transparent rounded corners, an opaque square, a light figure
// in the upper part and glowing lava along the bottom; the same bytes on every run.
TEST(AssetsToolTest, DrawsTheDesktopIconAtEachSize) {
  const std::string out = Tmp("icon"), icons = Tmp("icon_icons"), again = Tmp("icon_again");
  for (const std::string& dir : {out, icons, again}) fs::remove_all(dir);
  ASSERT_EQ(RunTool("\"" + out + "\" --icons \"" + icons + "\""), 0);
  ASSERT_EQ(RunTool("\"" + out + "\" --icons \"" + again + "\""), 0);
  EXPECT_EQ(RunTool("\"" + out + "\" --icons"), 2);
  for (int size : {64, 256}) {
    const std::string name = "lavarumble-" + std::to_string(size) + ".png";
    SCOPED_TRACE(name);
    const Bytes bytes = ReadAll(fs::path(icons) / name);
    EXPECT_TRUE(bytes == ReadAll(fs::path(again) / name)) << "differs between two runs";
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) << image.message;
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> px(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, px.data(), 0, nullptr)) << image.message;
    ASSERT_EQ(int(image.width), size);
    ASSERT_EQ(int(image.height), size);
    auto at = [&](int x, int y) { return &px[(size_t(y) * size + x) * 4]; };
    for (int corner : {0, size - 1}) {
      EXPECT_EQ(at(corner, 0)[3], 0);
      EXPECT_EQ(at(corner, size - 1)[3], 0);
    }
    int light = 0, lava = 0, opaque = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const uint8_t* p = at(x, y);
        opaque += p[3] == 255;
        if (y < size * 6 / 10 && p[0] > 220 && p[1] > 200 && p[2] > 150) ++light;
        if (y > size * 3 / 4 && p[3] == 255 && p[0] > 110 && p[0] > p[1] + 40 && p[2] < 80) ++lava;
      }
    EXPECT_GT(opaque, size * size * 9 / 10);
    EXPECT_GT(light, size * size / 50) << "no figure";
    EXPECT_GT(lava, size * size / 6) << "no lava";
  }
  for (const std::string& dir : {out, icons, again}) fs::remove_all(dir);
}

#if defined(LR_ASSETS_DATA) && defined(LR_ASSETS_SOUNDS)
TEST_F(AssetsTest, BuildFoldersHoldTheCurrentOutput) {
  fs::path data = LR_ASSETS_DATA, sounds = LR_ASSETS_SOUNDS;
  if (!fs::exists(data)) GTEST_SKIP() << "the build has not made " << data;
  for (const auto& s : kSheets) EXPECT_TRUE(ReadAll(data / s.file) == ReadAll(Out() / s.file)) << s.file << " is stale";
  for (const char* f : kSounds) EXPECT_TRUE(ReadAll(sounds / f) == ReadAll(Out() / "Sounds" / f)) << f << " is stale";
}
#endif

}  // namespace
