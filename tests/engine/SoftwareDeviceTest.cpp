// TSoftwareDevice: coverage, sampling, colour products, blend modes, lines and clipping.
#include "engine/SoftwareDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace lr {
namespace {

// Corners top-left, top-right, bottom-right, bottom-left, as the quad renderer submits them.
struct TQuad {
  TVertex V[4];
};

TQuad Quad(float x1, float y1, float x2, float y2, uint32_t colour = 0xFFFFFFFF, float u1 = 0, float v1 = 0,
           float u2 = 1, float v2 = 1) {
  return {{{x1, y1, 0, 1, colour, u1, v1}, {x2, y1, 0, 1, colour, u2, v1},
           {x2, y2, 0, 1, colour, u2, v2}, {x1, y2, 0, 1, colour, u1, v2}}};
}

// An image tile at (x, y) as the image list places it: right and bottom edges + 0.5.
TQuad ImageQuad(int x, int y, int w, int h, float u1 = 0, float v1 = 0, float u2 = 1, float v2 = 1) {
  return Quad(static_cast<float>(x), static_cast<float>(y), x + w + 0.5f, y + h + 0.5f, 0xFFFFFFFF, u1, v1, u2, v2);
}

void Draw(TSoftwareDevice& device, const TQuad& q) { device.DrawTriangleFan(q.V, 4); }

// The two triangles of the quad's fan drawn one by one: the general triangle path.
void DrawAsTriangles(TSoftwareDevice& device, const TQuad& q) {
  const TVertex first[3] = {q.V[0], q.V[1], q.V[2]}, second[3] = {q.V[0], q.V[2], q.V[3]};
  device.DrawTriangleFan(first, 3);
  device.DrawTriangleFan(second, 3);
}

uint32_t Pixel(const TSoftwareDevice& device, int x, int y) { return device.BackBuffer()[y * device.Width() + x]; }

TTexture MakeTexture(int w, int h, uint32_t (*texel)(int x, int y)) {
  TTexture t{w, h, {}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) t.Texels.push_back(texel(x, y));
  return t;
}

// Opaque and different for every (x, y) below 256 × 256.
uint32_t UniqueTexel(int x, int y) { return 0xFF000000u | static_cast<uint32_t>(x) << 8 | static_cast<uint32_t>(y); }

int Channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

// The rules written out independently, per channel in floating point.
uint32_t ReferenceModulate(uint32_t t, uint32_t c) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8)
    out |= static_cast<uint32_t>(std::lround(Channel(t, shift) * Channel(c, shift) / 255.0)) << shift;
  return out;
}

uint32_t ReferenceBlend(int mode, uint32_t src, uint32_t dst) {
  uint32_t out = 0;
  const int sa = Channel(src, 24);
  for (int shift = 0; shift < 32; shift += 8) {
    const int s = Channel(src, shift), d = Channel(dst, shift);
    // {source factor, destination factor} of modes 0..13
    const int factors[14][2] = {{sa, 255 - sa}, {255, 255}, {sa, 255},          {s, 255 - s},       {s, 255},
                                {0, s},         {0, sa},    {0, 255 - s},       {0, 255 - sa},      {255 - d, 0},
                                {s, s},         {d, d},     {255 - s, 255 - s}, {255 - d, 255 - d}};
    const int* f = factors[mode >= 0 && mode < 14 ? mode : 0];
    const long sum = std::lround(s * f[0] / 255.0) + std::lround(d * f[1] / 255.0);
    out |= static_cast<uint32_t>(std::min(sum, 255L)) << shift;
  }
  return out;
}

// ---- Coverage ------------------------------------------------------------------------------

TEST(SoftwareDeviceFillTest, ImageQuadCoversExactlyItsTile) {
  TSoftwareDevice device(64, 64);
  Draw(device, ImageQuad(10, 20, 32, 32));  // pixel 42's centre lies on the right edge
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      ASSERT_EQ(Pixel(device, x, y) != 0, x >= 10 && x <= 41 && y >= 20 && y <= 51) << x << "," << y;
}

TEST(SoftwareDeviceFillTest, SharedEdgesDrawEachPixelOnce) {
  // Additive quarter intensity: a pixel drawn twice would read 0x80 per channel.
  constexpr uint32_t Quarter = 0x40404040;
  auto coveredOnce = [](const TSoftwareDevice& device) {  // -1 when a pixel was drawn twice
    int covered = 0;
    for (int i = 0; i < device.Width() * device.Height(); ++i) {
      if (device.BackBuffer()[i] != 0 && device.BackBuffer()[i] != Quarter) return -1;
      covered += device.BackBuffer()[i] == Quarter;
    }
    return covered;
  };
  TSoftwareDevice device(80, 80);
  device.SetBlendMode(1);
  DrawAsTriangles(device, Quad(3.3f, 4.7f, 60.2f, 41.9f, Quarter));
  EXPECT_EQ(coveredOnce(device), 57 * 37);

  device.Clear(0);  // a rotated square: the shared diagonal runs at an angle
  TQuad rotated;
  const float corners[4][2] = {{-25, -25}, {25, -25}, {25, 25}, {-25, 25}};
  for (int i = 0; i < 4; ++i)
    rotated.V[i] = {40 + std::cos(0.5f) * corners[i][0] - std::sin(0.5f) * corners[i][1],
                    40 + std::sin(0.5f) * corners[i][0] + std::cos(0.5f) * corners[i][1], 0, 1, Quarter, 0, 0};
  Draw(device, rotated);
  EXPECT_GE(coveredOnce(device), 2400);

  device.Clear(0);  // image tiles side by side: no gap, no overlap
  const TTexture tex = MakeTexture(2, 2, [](int, int) { return Quarter; });
  device.SetTexture(&tex);
  for (int ty = 0; ty < 2; ++ty)
    for (int tx = 0; tx < 3; ++tx) Draw(device, ImageQuad(5 + tx * 16, 7 + ty * 16, 16, 16));
  EXPECT_EQ(coveredOnce(device), 48 * 32);
  EXPECT_EQ(Pixel(device, 5, 7), Quarter);
  EXPECT_EQ(Pixel(device, 52, 38), Quarter);
}

TEST(SoftwareDeviceFillTest, CoverageMatchesAPointInTriangleTestAtEveryPixelCentre) {
  // Random triangles on a quarter-pixel grid, in both windings, against the rule itself: a
  // centre strictly on the inner side of every edge, or exactly on a top or left edge.
  struct TPoint {
    int64_t X, Y;  // quarter pixels
  };
  auto cross = [](TPoint a, TPoint b, TPoint p) { return (b.X - a.X) * (p.Y - a.Y) - (b.Y - a.Y) * (p.X - a.X); };
  auto inside = [&](const TPoint (&t)[3], TPoint p) {
    for (int i = 0; i < 3; ++i) {
      const TPoint a = t[i], b = t[(i + 1) % 3], c = t[(i + 2) % 3];
      // Top edge: horizontal with c below. Left edge: c right of the line at c's height.
      const bool topOrLeft = a.Y == b.Y ? c.Y > a.Y : (cross(a, b, c) < 0) == (b.Y > a.Y);
      const int64_t sp = cross(a, b, p), sc = cross(a, b, c);
      if (sp == 0 ? !topOrLeft : (sp > 0) != (sc > 0)) return false;
    }
    return true;
  };
  TSoftwareDevice device(48, 40);
  uint32_t seed = 7;
  auto coordinate = [&seed](int range) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int64_t>((seed >> 8) % static_cast<uint32_t>(range * 4)) - 40;
  };
  for (int n = 0; n < 400; ++n) {
    TPoint t[3];
    TVertex v[3];
    for (int i = 0; i < 3; ++i) {
      t[i] = {coordinate(68), coordinate(60)};
      v[i] = {t[i].X / 4.0f, t[i].Y / 4.0f, 0, 1, 0xFFFFFFFF, 0, 0};
    }
    if (n % 2) std::swap(v[1], v[2]);
    device.Clear(0);
    device.DrawTriangleFan(v, 3);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 48; ++x)
        ASSERT_EQ(Pixel(device, x, y) != 0, cross(t[0], t[1], t[2]) != 0 && inside(t, {4 * x + 2, 4 * y + 2}))
            << "triangle " << n << " pixel " << x << "," << y;
  }
}

TEST(SoftwareDeviceFillTest, RectangleFansCoverWhatTheirTwoTrianglesCover) {
  // Unrotated quads take a whole-row path; it must agree with the triangles, in both corner
  // orders and with corners on pixel centres and pixel edges.
  TSoftwareDevice asFan(40, 30), asTriangles(40, 30);
  uint32_t seed = 99;
  auto quarter = [&seed](int range) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<float>(static_cast<int>((seed >> 8) % static_cast<uint32_t>(range * 4)) - 20) / 4;
  };
  for (int n = 0; n < 300; ++n) {
    TQuad q = Quad(quarter(45), quarter(35), quarter(45), quarter(35), 0xFF00FF00);
    if (n % 2) std::swap(q.V[1], q.V[3]);
    asFan.Clear(0);
    asTriangles.Clear(0);
    Draw(asFan, q);
    DrawAsTriangles(asTriangles, q);
    ASSERT_TRUE(std::equal(asFan.BackBuffer(), asFan.BackBuffer() + 1200, asTriangles.BackBuffer())) << n;
  }
}

// ---- Texture sampling ----------------------------------------------------------------------

TEST(SoftwareDeviceTextureTest, ImageQuadsReproduceTheirTexelsOneToOne) {
  auto expectTexels = [](const TSoftwareDevice& device, int x0, int y0, int w, int h, auto texelAt) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(Pixel(device, x0 + x, y0 + y), texelAt(x, y)) << x << "," << y;
  };
  const TTexture tile = MakeTexture(32, 32, UniqueTexel);
  TSoftwareDevice device(660, 80);
  device.SetTexture(&tile);
  Draw(device, ImageQuad(10, 20, 32, 32));
  expectTexels(device, 10, 20, 32, 32, [&](int x, int y) { return tile.At(x, y); });
  DrawAsTriangles(device, ImageQuad(50, 20, 32, 32));
  expectTexels(device, 50, 20, 32, 32, [&](int x, int y) { return tile.At(x, y); });
  // u and v running backwards (both mirror flags): the half turn, still 1:1.
  Draw(device, ImageQuad(90, 20, 32, 32, 1, 1, 0, 0));
  expectTexels(device, 90, 20, 32, 32, [&](int x, int y) { return tile.At(31 - x, 31 - y); });

  // Tile 4 of a 40×8 sheet in a 64×8 texture takes texels 32..39.
  const TTexture sheet = MakeTexture(64, 8, UniqueTexel);
  device.SetTexture(&sheet);
  Draw(device, ImageQuad(130, 20, 8, 8, 32.0f / 64, 0, 40.0f / 64, 1));
  expectTexels(device, 130, 20, 8, 8, [&](int x, int y) { return sheet.At(32 + x, y); });

  // A 640×60 picture in a 1024×64 texture: the margin to the next texel shrinks to 1/1280.
  const TTexture wide = MakeTexture(1024, 64, UniqueTexel);
  device.Clear(0);
  device.SetTexture(&wide);
  Draw(device, ImageQuad(7, 9, 640, 60, 0, 0, 640.0f / 1024, 60.0f / 64));
  expectTexels(device, 7, 9, 640, 60, [&](int x, int y) { return wide.At(x, y); });
  EXPECT_EQ(Pixel(device, 647, 9), 0u);
}

TEST(SoftwareDeviceTextureTest, ScalingPicksTheNearestTexelAndClampsAtTheEdges) {
  const TTexture tex = MakeTexture(4, 4, UniqueTexel);
  TSoftwareDevice device(32, 32);
  device.SetTexture(&tex);
  Draw(device, Quad(0, 0, 8, 8));  // twice the size: every texel twice
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(Pixel(device, x, y), tex.At(x / 2, y / 2));
  // u from -1 to 3 and v from 0 to 2: the border texels repeat, nothing wraps round.
  Draw(device, Quad(0, 0, 16, 16, 0xFFFFFFFF, -1, 0, 3, 2));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(Pixel(device, x, y), tex.At(std::clamp(x - 4, 0, 3), std::min(y / 2, 3)));
}

// ---- Colour ----------------------------------------------------------------------------------

TEST(SoftwareDeviceColourTest, TexelsAreMultipliedByTheVertexColourPerChannel) {
  TSoftwareDevice device(16, 16);
  device.SetBlendMode(1);  // one, one onto zero: the source itself
  const TTexture plain = MakeTexture(2, 2, [](int, int) { return 0xFF804020u; });
  device.SetTexture(&plain);
  Draw(device, Quad(0, 0, 8, 8, 0x80FF8040));
  // a 255·128 → 128, r 128·255 → 128, g 64·128/255 = 32.1 → 32, b 32·64/255 = 8.03 → 8
  EXPECT_EQ(Pixel(device, 3, 3), 0x80802008u);

  device.Clear(0);
  const TTexture tex = MakeTexture(13, 3, [](int x, int y) { return x * 0x9E3779B9u + y * 0x85EBCA6Bu; });
  device.SetTexture(&tex);
  constexpr uint32_t Tint = 0xC87F31FE;
  Draw(device, Quad(0, 0, 13, 3, Tint));  // 13 wide: groups of four and a tail
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(Pixel(device, x, y), ReferenceModulate(tex.At(x, y), Tint)) << x;
  const TVertex line[2] = {{0, 5, 0, 1, Tint, 0, 0}, {13, 5, 0, 1, Tint, 1, 0}};  // lines sample too
  device.DrawLineStrip(line, 2);
  for (int x = 0; x < 13; ++x) ASSERT_EQ(Pixel(device, x, 5), ReferenceModulate(tex.At(x, 0), Tint)) << x;

  device.SetTexture(nullptr);  // untextured: the vertex colour alone
  Draw(device, Quad(8, 8, 16, 16, 0x12345678));
  EXPECT_EQ(Pixel(device, 12, 12), 0x12345678u);
}

TEST(SoftwareDeviceColourTest, CornerColoursInterpolateAndRoundToTheNearestLevel) {
  TSoftwareDevice device(64, 64);
  TQuad q = Quad(0, 0, 64, 64);
  q.V[0].Color = 0xFF000000;  // black, red, white, blue
  q.V[1].Color = 0xFFFF0000;
  q.V[2].Color = 0xFFFFFFFF;
  q.V[3].Color = 0xFF0000FF;
  Draw(device, q);
  auto near = [](uint32_t got, uint32_t want) {
    for (int shift = 0; shift < 32; shift += 8)
      if (std::abs(Channel(got, shift) - Channel(want, shift)) > 8) return false;
    return true;
  };
  EXPECT_PRED2(near, Pixel(device, 0, 0), 0xFF000000u);
  EXPECT_PRED2(near, Pixel(device, 63, 0), 0xFFFF0000u);
  EXPECT_PRED2(near, Pixel(device, 63, 63), 0xFFFFFFFFu);
  EXPECT_PRED2(near, Pixel(device, 0, 63), 0xFF0000FFu);
  EXPECT_PRED2(near, Pixel(device, 32, 32), 0xFF808080u);  // on the shared diagonal
  EXPECT_PRED2(near, Pixel(device, 32, 0), 0xFF800000u);
  // Red 0 → 25 over ten pixels: centres get 1.25, 3.75, 6.25, ... and round to the nearest.
  device.Clear(0);
  q = Quad(0, 0, 10, 2, 0xFF000000);
  q.V[1].Color = q.V[2].Color = 0xFF190000;
  Draw(device, q);
  for (int x = 0; x < 10; ++x)
    ASSERT_EQ(Pixel(device, x, 1), 0xFF000000u | static_cast<uint32_t>((10 * x + 7) / 4) << 16) << x;
}

TEST(SoftwareDeviceColourTest, AnOpaqueWhiteTextureDrawsLikeTheVertexColoursAlone) {
  // The background is a blank white picture tinted by its corners; flagged, it skips sampling
  // and must give the same pixels as sampling it, rotated or not, in any blend mode.
  TTexture white = MakeTexture(64, 64, [](int, int) { return 0xFFFFFFFFu; });
  TTexture flagged = white;
  flagged.OpaqueWhite = true;
  for (int mode : {0, 2, 4}) {
    TSoftwareDevice a(80, 80), b(80, 80);
    for (TSoftwareDevice* d : {&a, &b}) {
      d->Clear(0xFF203040);
      d->SetBlendMode(mode);
      d->SetTexture(d == &a ? &white : &flagged);
    }
    TQuad q = ImageQuad(3, 5, 64, 64);
    q.V[0].Color = q.V[1].Color = 0x80102030;
    q.V[2].Color = q.V[3].Color = 0xFF960000;
    Draw(a, q);
    Draw(b, q);
    q.V[1].X += 7.25f;  // no longer a rectangle: the general path
    Draw(a, q);
    Draw(b, q);
    ASSERT_TRUE(std::equal(a.BackBuffer(), a.BackBuffer() + 80 * 80, b.BackBuffer())) << "mode " << mode;
  }
}

// ---- Blending --------------------------------------------------------------------------------

TEST(SoftwareDeviceBlendTest, EachModeAppliesItsFactorsToAKnownPair) {
  constexpr uint32_t Src = 0xA0C04020, Dst = 0x40306090;
  const uint32_t expected[16] = {
      0x7C8A4C4A, 0xE0F0A0B0, 0xA4A888A4, 0x7C9D5882, 0xA4C17094, 0x28241812, 0x281E3C5A, 0x180C487E,
      0x18122436, 0x789C280E, 0x8CB52816, 0x382D3C63, 0x543B789A, 0xA8C3644D,
      0x7C8A4C4A, 0x7C8A4C4A,  // modes 14 and -1 act as mode 0
  };
  for (int i = 0; i < 16; ++i) {
    const Integer mode = i < 15 ? i : -1;
    TSoftwareDevice device(8, 8);
    device.Clear(Dst);
    device.SetBlendMode(mode);
    Draw(device, Quad(0, 0, 7, 8, Src));  // 7 pixels: a group of four and a tail
    for (int x = 0; x < 7; ++x) EXPECT_EQ(Pixel(device, x, 4), expected[i]) << "mode " << mode << " x " << x;
    EXPECT_EQ(Pixel(device, 7, 4), Dst);
  }
}

TEST(SoftwareDeviceBlendTest, EveryPixelOfLongSpansFollowsTheFormula) {
  // Varied sources, with runs of opaque, alpha-0 and all-zero texels that the kernels may
  // copy or skip, over a varied destination, in every mode.
  const TTexture tex = MakeTexture(37, 6, [](int x, int y) -> uint32_t {
    if (x < 8) return 0xFF000000u | static_cast<uint32_t>(x * 30 + y) << 8;
    if (x < 16) return static_cast<uint32_t>(x * 7 + y * 3);
    if (x < 24) return 0;
    return (x * 2654435761u ^ y * 40503u) * 2246822519u;
  });
  for (int mode = 0; mode < 14; ++mode) {
    TSoftwareDevice device(40, 8);
    for (int i = 0; i < 40 * 8; ++i) device.BackBuffer()[i] = static_cast<uint32_t>(i) * 0x9E3779B9u;
    const std::vector<uint32_t> before(device.BackBuffer(), device.BackBuffer() + 40 * 8);
    device.SetBlendMode(mode);
    device.SetTexture(&tex);
    Draw(device, ImageQuad(1, 1, 37, 3, 0, 0, 1, 0.5f));
    DrawAsTriangles(device, ImageQuad(1, 4, 37, 3, 0, 0.5f, 1, 1));  // spans cut at the diagonal
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 37; ++x) {
        const size_t i = static_cast<size_t>(1 + y) * 40 + 1 + x;
        ASSERT_EQ(device.BackBuffer()[i], ReferenceBlend(mode, tex.At(x, y), before[i])) << mode << ": " << x << "," << y;
      }
  }
}

TEST(SoftwareDeviceBlendTest, EveryByteProductRoundsToTheNearest) {
  // Mode 0 over transparent black: each channel becomes round(value × alpha / 255), for every
  // value (column) and alpha (row); rows of 255 end in a tail of three pixels.
  const TTexture tex = MakeTexture(255, 256, [](int x, int y) { return static_cast<uint32_t>(y) << 24 | x * 0x010101u; });
  TSoftwareDevice device(256, 256);
  device.SetTexture(&tex);
  Draw(device, ImageQuad(0, 0, 255, 256));
  for (int a = 0; a < 256; ++a)
    for (int v = 0; v < 255; ++v) {
      const uint32_t level = static_cast<uint32_t>(std::lround(v * a / 255.0)), alpha = std::lround(a * a / 255.0);
      ASSERT_EQ(Pixel(device, v, a), alpha << 24 | level * 0x010101u) << v << " × " << a;
    }
}

TEST(SoftwareDeviceBlendTest, LaterDrawsCoverEarlierOnesAtTheSameDepth) {
  TSoftwareDevice device(32, 32);
  for (uint32_t colour : {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu}) Draw(device, Quad(0, 0, 20, 20, colour));
  Draw(device, Quad(10, 10, 30, 30, 0xFFFFFF00u));
  EXPECT_EQ(Pixel(device, 5, 5), 0xFF0000FFu);
  EXPECT_EQ(Pixel(device, 15, 15), 0xFFFFFF00u);
}

// ---- Clipping and bad input --------------------------------------------------------------------

TEST(SoftwareDeviceClipTest, QuadsPartlyOffScreenDrawOnlyTheirVisiblePart) {
  TSoftwareDevice device(20, 10);
  Draw(device, Quad(-10, -10, 5, 5));
  Draw(device, Quad(15, 5, 40, 30));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) EXPECT_EQ(Pixel(device, x, y) != 0, (x < 5 && y < 5) || (x >= 15 && y >= 5));
}

TEST(SoftwareDeviceClipTest, ExtremeValuesNeverFault) {
  constexpr float Nan = std::numeric_limits<float>::quiet_NaN(), Inf = std::numeric_limits<float>::infinity();
  constexpr float Huge = 1e30f;
  TSoftwareDevice device(48, 32);
  // A triangle reaching far beyond the guard band still covers the whole screen.
  const TVertex giant[3] = {{-Huge, -Huge, 0, 1, 0xFF112233, 0, 0}, {Huge, -Huge, 0, 1, 0xFF112233, 0, 0},
                            {0, Huge, 0, 1, 0xFF112233, 0, 0}};
  device.DrawTriangleFan(giant, 3);
  EXPECT_EQ(std::count(device.BackBuffer(), device.BackBuffer() + 48 * 32, 0xFF112233u), 48 * 32);

  device.Clear(0);  // non-finite positions draw nothing
  for (float bad : {Nan, Inf, -Inf}) {
    TQuad q = Quad(2, 2, 30, 30);
    q.V[2].X = bad;
    Draw(device, q);
  }
  EXPECT_EQ(std::count(device.BackBuffer(), device.BackBuffer() + 48 * 32, 0u), 48 * 32);

  // Slivers with enormous gradients; texture coordinates far outside [0, 1] or not finite.
  const TTexture tex = MakeTexture(8, 8, UniqueTexel);
  device.SetTexture(&tex);
  const TVertex sliver[3] = {{0, 0, 0, 1, 0xFF000000, 0, 0}, {47.9f, 31.9f, 0, 1, 0xFFFFFFFF, Huge, -Huge},
                             {47.9f, 31.95f, 0, 1, 0x00FF00FF, Nan, Inf}};
  device.DrawTriangleFan(sliver, 3);
  Draw(device, Quad(4, 4, 20, 20, 0xFFFFFFFF, -Huge, Nan, Huge, Inf));
  EXPECT_NE(std::find(tex.Texels.begin(), tex.Texels.end(), Pixel(device, 10, 10)), tex.Texels.end());

  device.SetTexture(nullptr);  // lines to far away, through NaN and off screen
  device.Clear(0);
  const TVertex strip[5] = {{-Huge, 5, 0, 1, 0xFFFFFFFF, 0, 0}, {Huge, 6, 0, 1, 0xFFFFFFFF, 0, 0},
                            {Nan, 3, 0, 1, 0xFFFFFFFF, 0, 0},   {10, 1e20f, 0, 1, 0xFFFFFFFF, 0, 0},
                            {-5, -5, 0, 1, 0xFFFFFFFF, 0, 0}};
  device.DrawLineStrip(strip, 5);
  for (int x = 0; x < 48; ++x) EXPECT_TRUE(Pixel(device, x, 5) != 0 || Pixel(device, x, 6) != 0) << x;

  // Nothing to draw on, or not enough to draw; a texture missing its texels reads as zero.
  TSoftwareDevice empty(0, -5);
  EXPECT_EQ(empty.Height(), 0);
  empty.Clear(0xFFFFFFFF);
  Draw(empty, Quad(0, 0, 10, 10));
  empty.DrawLineStrip(strip, 2);
  device.Clear(0);
  device.DrawTriangleFan(nullptr, 4);
  device.DrawTriangleFan(giant, 2);
  device.DrawLineStrip(giant, 1);
  TTexture broken{32, 32, {}};
  device.SetBlendMode(1);
  device.SetTexture(&broken);
  Draw(device, Quad(0, 0, 48, 32));
  EXPECT_EQ(std::count(device.BackBuffer(), device.BackBuffer() + 48 * 32, 0u), 48 * 32);
}

// ---- Fast paths ------------------------------------------------------------------------------

TEST(SoftwareDeviceFastPathTest, EveryDrawMatchesTheGeneralPipelinePixelForPixel) {
  // Random quads and triangles in every mode: unrotated and turned, white, tinted, vertical
  // gradients and free corner colours, untextured or sampling inside, across (clamped),
  // backwards or one texel per pixel over a texture with keyed, transparent and opaque runs.
  const TTexture tex = MakeTexture(13, 7, [](int x, int y) -> uint32_t {
    const uint32_t h = (static_cast<uint32_t>(x) * 2654435761u ^ static_cast<uint32_t>(y) * 40503u) * 2246822519u;
    if (x < 3) return 0;
    if (x < 6) return h & 0x00FFFFFFu;
    if (x < 9) return h | 0xFF000000u;
    return h;
  });
  uint32_t seed = 2024;
  auto next = [&seed](uint32_t range) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % range;
  };
  auto coordinate = [&](int range) { return static_cast<float>(static_cast<int>(next(range * 8)) - 40) / 8; };
  auto colour = [&] { return (next(4) == 0 ? 0xFF000000u : next(256) << 24) | next(0x1000000); };
  for (int mode = 0; mode < 14; ++mode) {
    TSoftwareDevice fast(64, 48), plain(64, 48);
    plain.SetPlainSpans(true);
    for (int i = 0; i < 64 * 48; ++i) fast.BackBuffer()[i] = plain.BackBuffer()[i] = static_cast<uint32_t>(i) * 0x9E3779B9u;
    for (int n = 0; n < 120; ++n) {
      TQuad q = Quad(coordinate(70), coordinate(50), coordinate(70), coordinate(50));
      if (next(6) == 0) {  // one texel per pixel, as text is drawn
        const float x = std::floor(coordinate(60)), y = std::floor(coordinate(40));
        q = Quad(x, y, x + 13, y + 7);
      }
      const uint32_t top = colour(), bottom = colour();
      switch (next(4)) {
        case 0: for (TVertex& v : q.V) v.Color = 0xFFFFFFFF; break;
        case 1: for (TVertex& v : q.V) v.Color = top; break;
        case 2: q.V[0].Color = q.V[1].Color = top, q.V[2].Color = q.V[3].Color = bottom; break;
        default: for (TVertex& v : q.V) v.Color = colour(); break;
      }
      const float uvs[4][4] = {{0, 0, 1, 1}, {-0.4f, 0.2f, 1.3f, 0.2f}, {1, 1, 0, 0}, {0.1f, -0.2f, 0.9f, 1.5f}};
      const float* uv = uvs[next(4)];
      for (int i = 0; i < 4; ++i) {
        q.V[i].U = (i == 0 || i == 3) ? uv[0] : uv[2];
        q.V[i].V = i < 2 ? uv[1] : uv[3];
      }
      if (next(3) == 0) {  // turned about its first corner
        const float angle = static_cast<float>(next(628)) / 100;
        for (int i = 1; i < 4; ++i) {
          const float dx = q.V[i].X - q.V[0].X, dy = q.V[i].Y - q.V[0].Y;
          q.V[i].X = q.V[0].X + std::cos(angle) * dx - std::sin(angle) * dy;
          q.V[i].Y = q.V[0].Y + std::sin(angle) * dx + std::cos(angle) * dy;
        }
      }
      const bool triangle = next(5) == 0;
      const TTexture* texture = next(4) == 0 ? nullptr : &tex;
      for (TSoftwareDevice* device : {&fast, &plain}) {
        device->SetBlendMode(mode);
        device->SetTexture(texture);
        device->DrawTriangleFan(q.V, triangle ? 3 : 4);
      }
      ASSERT_TRUE(std::equal(fast.BackBuffer(), fast.BackBuffer() + 64 * 48, plain.BackBuffer())) << mode << ": " << n;
    }
    // The draws did reach the buffer: most pixels have changed.
    int changed = 0;
    for (int i = 0; i < 64 * 48; ++i) changed += fast.BackBuffer()[i] != static_cast<uint32_t>(i) * 0x9E3779B9u;
    EXPECT_GT(changed, 64 * 48 / 2) << mode;
  }
}

// ---- Lines -------------------------------------------------------------------------------------

TEST(SoftwareDeviceLineTest, UnfilledRectangleIsAClosedOnePixelFrame) {
  // DrawRect(10, 10, 20, 10) unfilled: five vertices, the last closing on the first; drawn
  // additively so that a corner drawn twice would show.
  constexpr uint32_t Quarter = 0x40404040;
  const TVertex rect[5] = {{10, 10, 0, 1, Quarter, 0, 0}, {30, 10, 0, 1, Quarter, 0, 0}, {30, 20, 0, 1, Quarter, 0, 0},
                           {10, 20, 0, 1, Quarter, 0, 0}, {10, 10, 0, 1, Quarter, 0, 0}};
  TSoftwareDevice device(40, 30);
  device.SetBlendMode(1);
  device.DrawLineStrip(rect, 5);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool onFrame = x >= 10 && x <= 30 && y >= 10 && y <= 20 && (x == 10 || x == 30 || y == 10 || y == 20);
      ASSERT_EQ(Pixel(device, x, y), onFrame ? Quarter : 0u) << x << "," << y;
    }
}

TEST(SoftwareDeviceLineTest, SlopedLinesAreConnectedAndEndOnTheirLastPixel) {
  const TVertex line[2] = {{0.5f, 0.5f, 0, 1, 0xFF000000, 0, 0}, {30.5f, 12.5f, 0, 1, 0xFFFFFFFF, 0, 0}};
  TSoftwareDevice device(40, 20);
  device.DrawLineStrip(line, 2);
  int previousRow = 0, previousGrey = -1;
  for (int x = 0; x <= 30; ++x) {  // one pixel per column, one row down at most, ever lighter
    std::vector<int> rows;
    for (int y = 0; y < 20; ++y)
      if (Pixel(device, x, y) != 0) rows.push_back(y);
    ASSERT_EQ(rows.size(), 1u) << "column " << x;
    ASSERT_TRUE(rows[0] == previousRow || rows[0] == previousRow + 1) << "column " << x;
    ASSERT_GT(Channel(Pixel(device, x, rows[0]), 0), previousGrey) << "column " << x;
    previousRow = rows[0];
    previousGrey = Channel(Pixel(device, x, rows[0]), 0);
  }
  EXPECT_EQ(Pixel(device, 0, 0), 0xFF000000u);
  EXPECT_EQ(Pixel(device, 30, 12), 0xFFFFFFFFu);

  device.Clear(0);  // a strip within one pixel still draws that pixel, once
  device.SetBlendMode(1);
  const TVertex dot[3] = {{5.2f, 5.2f, 0, 1, 0x40404040, 0, 0}, {5.7f, 5.9f, 0, 1, 0x40404040, 0, 0},
                          {5.1f, 5.3f, 0, 1, 0x40404040, 0, 0}};
  device.DrawLineStrip(dot, 3);
  EXPECT_EQ(Pixel(device, 5, 5), 0x40404040u);
  EXPECT_EQ(std::count(device.BackBuffer(), device.BackBuffer() + 800, 0u), 799);
}

// ---- Device state ------------------------------------------------------------------------------

TEST(SoftwareDeviceTest, StartsInModeZeroUntexturedAndClearFillsEveryPixel) {
  TSoftwareDevice device(7, 5);
  EXPECT_EQ(device.Width(), 7);
  EXPECT_EQ(device.BlendMode(), 0);
  EXPECT_EQ(device.Texture(), nullptr);
  device.Clear(0xFF102030);
  EXPECT_EQ(std::count(device.BackBuffer(), device.BackBuffer() + 35, 0xFF102030u), 35);
}

}  // namespace
}  // namespace lr
