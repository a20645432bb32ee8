// TSoftwareDevice: coverage, sampling, colour products, blend modes, lines and clipping.
#include "engine/SoftwareDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

namespace lr {
namespace {

// Four corners top-left, top-right, bottom-right, bottom-left, as the quad renderer submits them.
struct TQuad {
  TVertex V[4];
};

TQuad Quad(float x1, float y1, float x2, float y2, uint32_t colour = 0xFFFFFFFF, float u1 = 0, float v1 = 0,
           float u2 = 1, float v2 = 1) {
  TQuad q;
  q.V[0] = {x1, y1, 0, 1, colour, u1, v1};
  q.V[1] = {x2, y1, 0, 1, colour, u2, v1};
  q.V[2] = {x2, y2, 0, 1, colour, u2, v2};
  q.V[3] = {x1, y2, 0, 1, colour, u1, v2};
  return q;
}

// An image tile at (x, y) the way the image list places it: right and bottom edges + 0.5.
TQuad ImageQuad(int x, int y, int w, int h, float u1 = 0, float v1 = 0, float u2 = 1, float v2 = 1) {
  return Quad(static_cast<float>(x), static_cast<float>(y), x + w + 0.5f, y + h + 0.5f, 0xFFFFFFFF, u1, v1, u2, v2);
}

void Draw(TSoftwareDevice& device, const TQuad& q) { device.DrawTriangleFan(q.V, 4); }

uint32_t Pixel(const TSoftwareDevice& device, int x, int y) { return device.BackBuffer()[y * device.Width() + x]; }

TTexture MakeTexture(int w, int h, uint32_t (*texel)(int x, int y)) {
  TTexture t;
  t.Width = w;
  t.Height = h;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) t.Texels.push_back(texel(x, y));
  return t;
}

// Opaque and different for every (x, y) below 256 × 256.
uint32_t UniqueTexel(int x, int y) { return 0xFF000000u | (static_cast<uint32_t>(x) << 8) | static_cast<uint32_t>(y); }

int Channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

// The blend rule written out independently: each product rounded on its own, sum clamped.
uint32_t ReferenceBlend(int mode, uint32_t src, uint32_t dst) {
  uint32_t out = 0;
  const int sa = Channel(src, 24);
  for (int shift = 0; shift < 32; shift += 8) {
    const int s = Channel(src, shift), d = Channel(dst, shift);
    int sf = sa, df = 255 - sa;
    switch (mode) {
      case 1: sf = 255; df = 255; break;
      case 2: sf = sa; df = 255; break;
      case 3: sf = s; df = 255 - s; break;
      case 4: sf = s; df = 255; break;
      case 5: sf = 0; df = s; break;
      case 6: sf = 0; df = sa; break;
      case 7: sf = 0; df = 255 - s; break;
      case 8: sf = 0; df = 255 - sa; break;
      case 9: sf = 255 - d; df = 0; break;
      case 10: sf = s; df = s; break;
      case 11: sf = d; df = d; break;
      case 12: sf = 255 - s; df = 255 - s; break;
      case 13: sf = 255 - d; df = 255 - d; break;
      default: break;
    }
    const int v = static_cast<int>(std::lround(s * sf / 255.0)) + static_cast<int>(std::lround(d * df / 255.0));
    out |= static_cast<uint32_t>(std::min(v, 255)) << shift;
  }
  return out;
}

// ---- Coverage -------------------------------------------------------------------------

TEST(SoftwareDeviceFillTest, ImageQuadCoversExactlyItsTile) {
  TSoftwareDevice device(64, 64);
  device.Clear(0);
  Draw(device, ImageQuad(10, 20, 32, 32));
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const bool inside = x >= 10 && x <= 41 && y >= 20 && y <= 51;
      ASSERT_EQ(Pixel(device, x, y) != 0, inside) << x << "," << y;
    }
}

TEST(SoftwareDeviceFillTest, SharedEdgesDrawEachPixelOnce) {
  // Additive quarter intensity: a pixel drawn twice would read 0x80 per channel.
  constexpr uint32_t Quarter = 0x40404040;
  // The number of pixels drawn, or -1 when some pixel was drawn more than once.
  auto coveredOnce = [](const TSoftwareDevice& device) {
    int covered = 0;
    for (int i = 0; i < device.Width() * device.Height(); ++i) {
      const uint32_t p = device.BackBuffer()[i];
      if (p != 0 && p != Quarter) return -1;
      covered += p == Quarter;
    }
    return covered;
  };
  TSoftwareDevice device(80, 80);
  device.SetBlendMode(1);

  device.Clear(0);
  Draw(device, Quad(3.3f, 4.7f, 60.2f, 41.9f, Quarter));
  EXPECT_EQ(coveredOnce(device), 57 * 37);

  // A rotated square: the shared diagonal runs at an angle.
  device.Clear(0);
  const double c = std::cos(0.5), s = std::sin(0.5);
  TVertex rotated[4];
  const double corners[4][2] = {{-25, -25}, {25, -25}, {25, 25}, {-25, 25}};
  for (int i = 0; i < 4; ++i)
    rotated[i] = {static_cast<float>(40 + c * corners[i][0] - s * corners[i][1]),
                  static_cast<float>(40 + s * corners[i][0] + c * corners[i][1]), 0, 1, Quarter, 0, 0};
  device.DrawTriangleFan(rotated, 4);
  EXPECT_GE(coveredOnce(device), 2400);

  // A fan of many thin triangles around a centre on a pixel centre.
  device.Clear(0);
  TVertex fan[34];
  fan[0] = {40.5f, 40.5f, 0, 1, Quarter, 0, 0};
  for (int i = 0; i <= 32; ++i)
    fan[i + 1] = {static_cast<float>(40.5 + 30 * std::cos(i * 2 * std::numbers::pi / 32)),
                  static_cast<float>(40.5 + 30 * std::sin(i * 2 * std::numbers::pi / 32)), 0, 1, Quarter, 0, 0};
  device.DrawTriangleFan(fan, 34);
  EXPECT_GE(coveredOnce(device), 2700);

  // Image tiles side by side tile the plane without gaps or overlaps.
  device.Clear(0);
  TTexture white = MakeTexture(2, 2, [](int, int) { return 0x40404040u; });
  device.SetTexture(&white);
  for (int ty = 0; ty < 2; ++ty)
    for (int tx = 0; tx < 3; ++tx) Draw(device, ImageQuad(5 + tx * 16, 7 + ty * 16, 16, 16));
  for (int y = 7; y < 39; ++y)
    for (int x = 5; x < 53; ++x) ASSERT_EQ(Pixel(device, x, y), Quarter) << x << "," << y;
  EXPECT_EQ(coveredOnce(device), 48 * 32);
}

TEST(SoftwareDeviceFillTest, CoverageMatchesAPointInTriangleTestAtEveryPixelCentre) {
  // Random triangles on a quarter-pixel grid, checked pixel by pixel against the rule itself:
  // a centre strictly on the inner side of every edge, or exactly on a top or left edge.
  struct TPoint {
    int64_t X, Y;  // quarter pixels
  };
  auto cross = [](TPoint a, TPoint b, TPoint p) { return (b.X - a.X) * (p.Y - a.Y) - (b.Y - a.Y) * (p.X - a.X); };
  auto topOrLeft = [&](TPoint a, TPoint b, TPoint c) {
    if (a.Y == b.Y) return c.Y > a.Y;  // horizontal: a top edge has the triangle below
    // c lies right of the edge's line at its own height: cr / (b.y - a.y) > 0
    const int64_t cr = (c.X - a.X) * (b.Y - a.Y) - (c.Y - a.Y) * (b.X - a.X);
    return (cr > 0) == (b.Y - a.Y > 0);
  };
  auto inside = [&](const TPoint (&t)[3], TPoint p) {
    for (int i = 0; i < 3; ++i) {
      const TPoint a = t[i], b = t[(i + 1) % 3], c = t[(i + 2) % 3];
      const int64_t sp = cross(a, b, p), sc = cross(a, b, c);
      if (sp == 0 ? !topOrLeft(a, b, c) : (sp > 0) != (sc > 0)) return false;
    }
    return true;
  };
  TSoftwareDevice device(48, 40);
  uint32_t seed = 7;
  auto coordinate = [&seed](int range) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int64_t>((seed >> 8) % static_cast<uint32_t>(range * 4)) - 40;
  };
  int checked = 0;
  for (int n = 0; n < 400; ++n) {
    TPoint t[3];
    TVertex v[3];
    for (int i = 0; i < 3; ++i) {
      t[i] = {coordinate(68), coordinate(60)};
      v[i] = {t[i].X / 4.0f, t[i].Y / 4.0f, 0, 1, 0xFFFFFFFF, 0, 0};
    }
    if (cross(t[0], t[1], t[2]) == 0) continue;
    device.Clear(0);
    device.DrawTriangleFan(v, 3);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 48; ++x)
        ASSERT_EQ(Pixel(device, x, y) != 0, inside(t, TPoint{4 * x + 2, 4 * y + 2}))
            << "triangle " << n << " pixel " << x << "," << y;
    ++checked;
  }
  EXPECT_GT(checked, 390);
}

TEST(SoftwareDeviceFillTest, RectangleFansCoverWhatTheirTwoTrianglesCover) {
  // Unrotated quads take a whole-row path; it must agree with drawing the two triangles one by
  // one, for every corner order and with corners on pixel centres and edges.
  TSoftwareDevice asFan(40, 30), asTriangles(40, 30);
  uint32_t seed = 99;
  auto quarter = [&seed](int range) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<float>(static_cast<int>((seed >> 8) % static_cast<uint32_t>(range * 4)) - 20) / 4;
  };
  for (int n = 0; n < 300; ++n) {
    const float x1 = quarter(45), y1 = quarter(35), x2 = quarter(45), y2 = quarter(35);
    TQuad q = Quad(x1, y1, x2, y2, 0xFF00FF00);
    if (n % 2 == 1) std::swap(q.V[1], q.V[3]);  // the other way round
    asFan.Clear(0);
    asTriangles.Clear(0);
    asFan.DrawTriangleFan(q.V, 4);
    const TVertex first[3] = {q.V[0], q.V[1], q.V[2]}, second[3] = {q.V[0], q.V[2], q.V[3]};
    asTriangles.DrawTriangleFan(first, 3);
    asTriangles.DrawTriangleFan(second, 3);
    ASSERT_TRUE(std::equal(asFan.BackBuffer(), asFan.BackBuffer() + 1200, asTriangles.BackBuffer()))
        << "rectangle " << x1 << "," << y1 << " - " << x2 << "," << y2;
  }
}

TEST(SoftwareDeviceFillTest, BothWindingsCoverTheSamePixels) {
  TSoftwareDevice clockwise(40, 40), counter(40, 40);
  const TVertex a{2.3f, 3.1f, 0, 1, 0xFFFF0000, 0, 0}, b{35.7f, 9.5f, 0, 1, 0xFFFF0000, 0, 0},
      c{12.5f, 30.5f, 0, 1, 0xFFFF0000, 0, 0};
  const TVertex cw[3] = {a, b, c}, ccw[3] = {a, c, b};
  clockwise.DrawTriangleFan(cw, 3);
  counter.DrawTriangleFan(ccw, 3);
  EXPECT_TRUE(std::equal(clockwise.BackBuffer(), clockwise.BackBuffer() + 1600, counter.BackBuffer()));
  EXPECT_NE(Pixel(clockwise, 15, 12), 0u);
}

// ---- Texture sampling ------------------------------------------------------------------

TEST(SoftwareDeviceTextureTest, ImageQuadReproducesTheTextureOneToOne) {
  const TTexture tex = MakeTexture(32, 32, UniqueTexel);
  TSoftwareDevice device(64, 64);
  device.SetTexture(&tex);
  Draw(device, ImageQuad(10, 20, 32, 32));
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(Pixel(device, 10 + x, 20 + y), tex.At(x, y)) << x << "," << y;

  // The same through the general triangle path: the two triangles drawn one by one.
  device.Clear(0);
  const TQuad q = ImageQuad(10, 20, 32, 32);
  const TVertex first[3] = {q.V[0], q.V[1], q.V[2]}, second[3] = {q.V[0], q.V[2], q.V[3]};
  device.DrawTriangleFan(first, 3);
  device.DrawTriangleFan(second, 3);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(Pixel(device, 10 + x, 20 + y), tex.At(x, y)) << x << "," << y;

  // Mirrored on both axes (u and v running backwards) it is the half turn, still 1:1.
  device.Clear(0);
  Draw(device, ImageQuad(10, 20, 32, 32, 1, 1, 0, 0));
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(Pixel(device, 10 + x, 20 + y), tex.At(31 - x, 31 - y)) << x << "," << y;
}

TEST(SoftwareDeviceTextureTest, WideImageInALargerTextureStaysOneToOne) {
  // A 640×60 picture in a 1024×64 texture: the margin to the next texel shrinks to 1/1280.
  const TTexture tex = MakeTexture(1024, 64, UniqueTexel);
  TSoftwareDevice device(660, 80);
  device.SetTexture(&tex);
  Draw(device, ImageQuad(7, 9, 640, 60, 0, 0, 640.0f / 1024, 60.0f / 64));
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 640; ++x) ASSERT_EQ(Pixel(device, 7 + x, 9 + y), tex.At(x, y)) << x << "," << y;
  EXPECT_EQ(Pixel(device, 647, 9), 0u);
}

TEST(SoftwareDeviceTextureTest, TileOfASheetSamplesOnlyItsOwnTexels) {
  // Tile 4 of a 40×8 sheet of 8×8 tiles in a 64×8 texture: texels 32..39.
  const TTexture tex = MakeTexture(64, 8, UniqueTexel);
  TSoftwareDevice device(32, 32);
  device.SetTexture(&tex);
  Draw(device, ImageQuad(3, 4, 8, 8, 32.0f / 64, 0, 40.0f / 64, 1));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(Pixel(device, 3 + x, 4 + y), tex.At(32 + x, y));
}

TEST(SoftwareDeviceTextureTest, ScalingPicksTheNearestTexelAndClampsAtTheEdge) {
  const TTexture tex = MakeTexture(4, 4, UniqueTexel);
  TSoftwareDevice device(32, 32);
  device.SetTexture(&tex);
  // Twice the size: every texel twice.
  Draw(device, Quad(0, 0, 8, 8));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(Pixel(device, x, y), tex.At(x / 2, y / 2));
  // u and v running to 2 and beyond 0: clamped to the border texels, never wrapped.
  device.Clear(0);
  Draw(device, Quad(0, 0, 16, 16, 0xFFFFFFFF, -1, 0, 3, 2));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const int tx = std::clamp(static_cast<int>(std::floor((x + 0.5) / 16 * 16 - 4)), 0, 3);
      const int ty = std::min(static_cast<int>(std::floor((y + 0.5) / 16 * 8)), 3);
      ASSERT_EQ(Pixel(device, x, y), tex.At(tx, ty)) << x << "," << y;
    }
}

// ---- Colour combining ------------------------------------------------------------------

TEST(SoftwareDeviceColourTest, TextureIsMultipliedByTheVertexColourPerChannel) {
  const TTexture tex = MakeTexture(2, 2, [](int, int) { return 0xFF804020u; });
  TSoftwareDevice device(16, 16);
  device.SetBlendMode(1);  // one, one onto zero: the source itself
  device.SetTexture(&tex);
  Draw(device, Quad(0, 0, 8, 8, 0x80FF8040));
  // a 255·128 → 128, r 128·255 → 128, g 64·128/255 = 32.1 → 32, b 32·64/255 = 8.03 → 8
  EXPECT_EQ(Pixel(device, 3, 3), 0x80802008u);
  // Without a texture the vertex colour alone.
  device.SetTexture(nullptr);
  Draw(device, Quad(8, 8, 16, 16, 0x12345678));
  EXPECT_EQ(Pixel(device, 12, 12), 0x12345678u);
}

TEST(SoftwareDeviceColourTest, CornerColoursInterpolateAcrossTheQuad) {
  TSoftwareDevice device(64, 64);
  TQuad q = Quad(0, 0, 64, 64);
  q.V[0].Color = 0xFF000000;  // black
  q.V[1].Color = 0xFFFF0000;  // red
  q.V[2].Color = 0xFFFFFFFF;  // white
  q.V[3].Color = 0xFF0000FF;  // blue
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
  // The diagonal both triangles share runs from black to white: grey half way.
  EXPECT_PRED2(near, Pixel(device, 32, 32), 0xFF808080u);
  // Red rises steadily along the top row, a level of about 4 per pixel.
  for (int x = 1; x < 63; ++x) {
    const int step = Channel(Pixel(device, x, 0), 16) - Channel(Pixel(device, x - 1, 0), 16);
    ASSERT_GE(step, 3) << x;
    ASSERT_LE(step, 5) << x;
  }
}

TEST(SoftwareDeviceColourTest, InterpolatedLevelsRoundToTheNearest) {
  // Red runs 0 → 25 over ten pixels: centres get 1.25, 3.75, 6.25, ... levels.
  TSoftwareDevice device(10, 2);
  TQuad q = Quad(0, 0, 10, 2);
  q.V[1].Color = q.V[2].Color = 0xFF190000;
  q.V[0].Color = q.V[3].Color = 0xFF000000;
  Draw(device, q);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 10; ++x) {
      const int exact4 = 10 * x + 5;  // four times 2.5 × (x + 0.5)
      const int nearest = (exact4 + 2) / 4;
      ASSERT_EQ(Pixel(device, x, y), 0xFF000000u | static_cast<uint32_t>(nearest) << 16) << x << "," << y;
    }
}

// ---- Blending --------------------------------------------------------------------------

TEST(SoftwareDeviceBlendTest, EachModeAppliesItsFactorsToAKnownPair) {
  constexpr uint32_t Src = 0xA0C04020, Dst = 0x40306090;
  struct TCase {
    Integer Mode;
    uint32_t Expected;
  };
  const TCase cases[] = {
      {0, 0x7C8A4C4A},   // src alpha, 1 - src alpha
      {1, 0xE0F0A0B0},   // one, one
      {2, 0xA4A888A4},   // src alpha, one
      {3, 0x7C9D5882},   // src colour, 1 - src colour
      {4, 0xA4C17094},   // src colour, one
      {5, 0x28241812},   // zero, src colour
      {6, 0x281E3C5A},   // zero, src alpha
      {7, 0x180C487E},   // zero, 1 - src colour
      {8, 0x18122436},   // zero, 1 - src alpha
      {9, 0x789C280E},   // 1 - dest colour, zero
      {10, 0x8CB52816},  // src colour, src colour
      {11, 0x382D3C63},  // dest colour, dest colour
      {12, 0x543B789A},  // 1 - src colour, 1 - src colour
      {13, 0xA8C3644D},  // 1 - dest colour, 1 - dest colour
      {14, 0x7C8A4C4A},  // unknown modes act as mode 0
      {-1, 0x7C8A4C4A},
  };
  for (const TCase& c : cases) {
    TSoftwareDevice device(8, 8);
    device.Clear(Dst);
    device.SetBlendMode(c.Mode);
    Draw(device, Quad(0, 0, 7, 8, Src));  // a 7-pixel span: groups of four and a tail
    for (int x = 0; x < 7; ++x) EXPECT_EQ(Pixel(device, x, 4), c.Expected) << "mode " << c.Mode << " x " << x;
    EXPECT_EQ(Pixel(device, 7, 4), Dst);
  }
}

TEST(SoftwareDeviceBlendTest, EveryPixelOfLongSpansFollowsTheFormula) {
  // Varied sources, including aligned runs of opaque, alpha-0 and all-zero texels that the
  // kernels skip or copy, over a varied destination, in every mode.
  const TTexture tex = MakeTexture(37, 6, [](int x, int y) -> uint32_t {
    if (x < 8) return 0xFF000000u | static_cast<uint32_t>(x * 30 + y) << 8;
    if (x < 16) return static_cast<uint32_t>(x * 7 + y * 3);
    if (x < 24) return 0;
    const uint32_t h = static_cast<uint32_t>(x * 2654435761u) ^ static_cast<uint32_t>(y * 40503u);
    return h * 2246822519u;
  });
  for (int mode = 0; mode < 14; ++mode) {
    TSoftwareDevice device(40, 8);
    for (int i = 0; i < 40 * 8; ++i) device.BackBuffer()[i] = static_cast<uint32_t>(i) * 0x9E3779B9u;
    const std::vector<uint32_t> before(device.BackBuffer(), device.BackBuffer() + 40 * 8);
    device.SetBlendMode(mode);
    device.SetTexture(&tex);
    Draw(device, ImageQuad(1, 1, 37, 6));
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 37; ++x) {
        const size_t i = static_cast<size_t>(1 + y) * 40 + 1 + x;
        ASSERT_EQ(device.BackBuffer()[i], ReferenceBlend(mode, tex.At(x, y), before[i]))
            << "mode " << mode << " at " << x << "," << y;
      }
  }
}

TEST(SoftwareDeviceBlendTest, LaterDrawsCoverEarlierOnesAtTheSameDepth) {
  TSoftwareDevice device(32, 32);
  Draw(device, Quad(0, 0, 20, 20, 0xFFFF0000));
  Draw(device, Quad(10, 10, 30, 30, 0xFF00FF00));
  EXPECT_EQ(Pixel(device, 5, 5), 0xFFFF0000u);
  EXPECT_EQ(Pixel(device, 15, 15), 0xFF00FF00u);
  EXPECT_EQ(Pixel(device, 25, 25), 0xFF00FF00u);
  Draw(device, Quad(0, 0, 20, 20, 0xFF0000FF));
  EXPECT_EQ(Pixel(device, 15, 15), 0xFF0000FFu);
}

// ---- Clipping and bad input --------------------------------------------------------------

TEST(SoftwareDeviceClipTest, QuadsPartlyOffScreenDrawOnlyTheirVisiblePart) {
  TSoftwareDevice device(20, 10);
  Draw(device, Quad(-10, -10, 5, 5, 0xFFFFFFFF));
  Draw(device, Quad(15, 5, 40, 30, 0xFFFFFFFF));
  int covered = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool inside = (x < 5 && y < 5) || (x >= 15 && y >= 5);
      EXPECT_EQ(Pixel(device, x, y) != 0, inside) << x << "," << y;
      covered += inside;
    }
  EXPECT_EQ(covered, 50);
}

TEST(SoftwareDeviceClipTest, ExtremeCoordinatesNeverFaultAndStayConsistent) {
  constexpr float Nan = std::numeric_limits<float>::quiet_NaN();
  constexpr float Inf = std::numeric_limits<float>::infinity();
  constexpr float Huge = 1e30f;
  const TTexture tex = MakeTexture(8, 8, UniqueTexel);
  TSoftwareDevice device(48, 32);

  // A triangle reaching far beyond the guard band still covers the whole screen.
  const TVertex giant[3] = {{-Huge, -Huge, 0, 1, 0xFF112233, 0, 0},
                            {Huge, -Huge, 0, 1, 0xFF112233, 0, 0},
                            {0, Huge, 0, 1, 0xFF112233, 0, 0}};
  device.DrawTriangleFan(giant, 3);
  for (int i = 0; i < 48 * 32; ++i) ASSERT_EQ(device.BackBuffer()[i], 0xFF112233u) << i;

  // Non-finite positions draw nothing.
  device.Clear(0);
  for (float bad : {Nan, Inf, -Inf}) {
    TQuad q = Quad(2, 2, 30, 30);
    q.V[2].X = bad;
    Draw(device, q);
    q = Quad(2, 2, 30, 30);
    q.V[0].Y = bad;
    Draw(device, q);
  }
  // Sliver triangles with enormous attribute gradients.
  const TVertex sliver[3] = {{0, 0, 0, 1, 0xFF000000, 0, 0},
                             {47.9f, 31.9f, 0, 1, 0xFFFFFFFF, Huge, -Huge},
                             {47.9f, 31.95f, 0, 1, 0x00FF00FF, Nan, Inf}};
  device.SetTexture(&tex);
  device.DrawTriangleFan(sliver, 3);
  // Texture coordinates far outside [0, 1] and non-finite ones still sample texels of the texture.
  Draw(device, Quad(4, 4, 20, 20, 0xFFFFFFFF, -Huge, Nan, Huge, Inf));
  const uint32_t sampled = Pixel(device, 10, 10);
  EXPECT_TRUE(std::find(tex.Texels.begin(), tex.Texels.end(), sampled) != tex.Texels.end()) << std::hex << sampled;
  // Lines to far away, through NaN and off screen.
  const TVertex strip[5] = {{-Huge, 5, 0, 1, 0xFFFFFFFF, 0, 0}, {Huge, 6, 0, 1, 0xFFFFFFFF, 0, 0},
                            {Nan, 3, 0, 1, 0xFFFFFFFF, 0, 0},   {10, 1e20f, 0, 1, 0xFFFFFFFF, 0, 0},
                            {-5, -5, 0, 1, 0xFFFFFFFF, 0, 0}};
  device.SetTexture(nullptr);
  device.Clear(0);
  device.DrawLineStrip(strip, 5);
  // The first line is horizontal-ish and crosses the whole screen on row 5 or 6.
  for (int x = 0; x < 48; ++x) EXPECT_TRUE(Pixel(device, x, 5) != 0 || Pixel(device, x, 6) != 0) << x;
}

TEST(SoftwareDeviceClipTest, EmptyDevicesAndIncompleteInputDrawNothing) {
  TSoftwareDevice empty(0, -5);
  EXPECT_EQ(empty.Width(), 0);
  EXPECT_EQ(empty.Height(), 0);
  empty.Clear(0xFFFFFFFF);
  Draw(empty, Quad(0, 0, 10, 10));
  const TVertex line[2] = {{0, 0, 0, 1, 0xFFFFFFFF, 0, 0}, {5, 5, 0, 1, 0xFFFFFFFF, 0, 0}};
  empty.DrawLineStrip(line, 2);

  TSoftwareDevice device(16, 16);
  const TQuad q = Quad(0, 0, 16, 16);
  device.DrawTriangleFan(nullptr, 4);
  device.DrawTriangleFan(q.V, 2);
  device.DrawLineStrip(q.V, 1);
  EXPECT_TRUE(std::all_of(device.BackBuffer(), device.BackBuffer() + 256, [](uint32_t p) { return p == 0; }));
  // A texture missing its texels reads as transparent black.
  TTexture broken;
  broken.Width = 32;
  broken.Height = 32;
  device.SetBlendMode(1);
  device.SetTexture(&broken);
  Draw(device, q);
  EXPECT_EQ(Pixel(device, 8, 8), 0u);
}

// ---- Lines ---------------------------------------------------------------------------------

TEST(SoftwareDeviceLineTest, UnfilledRectangleIsAClosedOnePixelFrame) {
  // DrawRect(10, 10, 20, 10) unfilled: five vertices, the last closing on the first.
  constexpr uint32_t Quarter = 0x40404040;
  const TVertex rect[5] = {{10, 10, 0, 1, Quarter, 0, 0}, {30, 10, 0, 1, Quarter, 0, 0}, {30, 20, 0, 1, Quarter, 0, 0},
                           {10, 20, 0, 1, Quarter, 0, 0}, {10, 10, 0, 1, Quarter, 0, 0}};
  TSoftwareDevice device(40, 30);
  device.SetBlendMode(1);  // additive: a corner drawn twice would show
  device.DrawLineStrip(rect, 5);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool inBox = x >= 10 && x <= 30 && y >= 10 && y <= 20;
      const bool onFrame = inBox && (x == 10 || x == 30 || y == 10 || y == 20);
      ASSERT_EQ(Pixel(device, x, y), onFrame ? Quarter : 0u) << x << "," << y;
    }
}

TEST(SoftwareDeviceLineTest, SlopedLineTakesOnePixelPerColumnAndItsEndColours) {
  const TVertex line[2] = {{0.5f, 0.5f, 0, 1, 0xFF000000, 0, 0}, {30.5f, 12.5f, 0, 1, 0xFFFFFFFF, 0, 0}};
  TSoftwareDevice device(40, 20);
  device.DrawLineStrip(line, 2);
  int previousRow = 0, previousGrey = -1;
  for (int x = 0; x <= 30; ++x) {
    int row = -1, count = 0;
    for (int y = 0; y < 20; ++y)
      if (Pixel(device, x, y) != 0) {
        row = y;
        ++count;
      }
    ASSERT_EQ(count, 1) << "column " << x;
    ASSERT_LE(row - previousRow, 1) << "column " << x;  // connected
    ASSERT_GE(row, previousRow) << "column " << x;
    const int grey = Channel(Pixel(device, x, row), 0);
    ASSERT_GT(grey, previousGrey) << "column " << x;
    previousRow = row;
    previousGrey = grey;
  }
  EXPECT_EQ(Pixel(device, 0, 0), 0xFF000000u);
  EXPECT_EQ(Pixel(device, 30, 12), 0xFFFFFFFFu);  // the strip's last pixel is drawn
  for (int y = 0; y < 20; ++y) EXPECT_EQ(Pixel(device, 31, y), 0u);

  // A line within one pixel still draws that pixel, once.
  device.Clear(0);
  device.SetBlendMode(1);
  const TVertex dot[3] = {{5.2f, 5.2f, 0, 1, 0x40404040, 0, 0}, {5.7f, 5.9f, 0, 1, 0x40404040, 0, 0},
                          {5.1f, 5.3f, 0, 1, 0x40404040, 0, 0}};
  device.DrawLineStrip(dot, 3);
  EXPECT_EQ(Pixel(device, 5, 5), 0x40404040u);
  EXPECT_EQ(std::count(device.BackBuffer(), device.BackBuffer() + 800, 0u), 799);
}

// ---- Device state --------------------------------------------------------------------------

TEST(SoftwareDeviceTest, StartsEmptyAndClearFillsEveryPixel) {
  TSoftwareDevice device(7, 5);
  EXPECT_EQ(device.Width(), 7);
  EXPECT_EQ(device.Height(), 5);
  EXPECT_EQ(device.BlendMode(), 0);
  EXPECT_EQ(device.Texture(), nullptr);
  device.Clear(0xFF102030);
  EXPECT_TRUE(std::all_of(device.BackBuffer(), device.BackBuffer() + 35, [](uint32_t p) { return p == 0xFF102030u; }));
  device.Clear(0);
  EXPECT_TRUE(std::all_of(device.BackBuffer(), device.BackBuffer() + 35, [](uint32_t p) { return p == 0; }));
}

TEST(SoftwareDeviceTest, SameDrawingGivesTheSameBytes) {
  const TTexture tex = MakeTexture(16, 16, [](int x, int y) { return static_cast<uint32_t>((x * 17 + y * 31) * 0x01030507u); });
  auto render = [&tex]() {
    TSoftwareDevice device(97, 61);
    device.Clear(0xFF203040);
    uint32_t seed = 12345;
    auto next = [&seed]() {
      seed = seed * 1664525u + 1013904223u;
      return seed;
    };
    for (int i = 0; i < 60; ++i) {
      device.SetBlendMode(static_cast<Integer>(next() % 15));
      device.SetTexture(next() % 3 == 0 ? nullptr : &tex);
      TVertex v[4];
      for (TVertex& p : v)
        p = {static_cast<float>(next() % 1300) / 10 - 15, static_cast<float>(next() % 900) / 10 - 15, 0, 1, next(),
             static_cast<float>(next() % 300) / 100 - 1, static_cast<float>(next() % 300) / 100 - 1};
      if (i % 5 == 4) {
        device.DrawLineStrip(v, 4);
      } else {
        device.DrawTriangleFan(v, 4);
      }
    }
    return std::vector<uint32_t>(device.BackBuffer(), device.BackBuffer() + 97 * 61);
  };
  const std::vector<uint32_t> first = render();
  EXPECT_EQ(first, render());
  EXPECT_GT(std::count_if(first.begin(), first.end(), [](uint32_t p) { return p != 0xFF203040u; }), 1000);
}

}  // namespace
}  // namespace lr
