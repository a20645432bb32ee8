// TSoftwareDevice: scan conversion of fans and line strips, texel sampling and the blend modes.
//
// [SECTION] Drawing rules
// [SECTION] Triangle setup, guard band and edge walking
// [SECTION] Lines
// [SECTION] TSoftwareDevice
//
// Drawing rules:
// - Coverage. Positions are snapped to 1/256 pixel. Pixel (x, y) belongs to a triangle when its
//   centre (x + 0.5, y + 0.5) lies inside; a centre exactly on an edge counts only for a top edge
//   (horizontal, interior below) or a left edge (interior to its right). So two triangles that
//   share an edge never both draw a pixel of it, and a quad from 10 to 42.5 covers x = 10..41.
//   Both windings draw (no culling); a triangle of zero area draws nothing.
// - Attributes are affine (rhw is always 1 and ignored), evaluated at the pixel centre.
//   Colour channels are interpolated in 16.16 fixed point and rounded to the nearest level.
// - Sampling is nearest-texel: texel (floor(u × TextureWidth), floor(v × TextureHeight)),
//   clamped into the texture (no wrapping).
// - Combining: with a texture each channel, alpha included, is round(texel × vertex / 255);
//   without one the vertex colour is the source.
// - Blending is always on: each channel (alpha too) becomes
//   min(255, round(src × SrcFactor / 255) + round(dst × DstFactor / 255)), each product rounded
//   on its own. "Colour" factors are taken per channel, so on the alpha channel they are the
//   alphas; the back buffer's alpha is therefore blended by the same formula.
// - Lines: see [SECTION] Lines.
// The blend arithmetic and the shading of each row of pixels are in SpanDrawing.cpp.

#include "engine/SoftwareDevice.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

#include "engine/SpanDrawing.h"

namespace lr {
namespace {

using namespace raster;

// =====================================================================================
// [SECTION] Triangle setup, guard band and edge walking
// =====================================================================================

constexpr int SubBits = 8;
constexpr int64_t SubUnit = int64_t{1} << SubBits;
constexpr int64_t HalfSub = SubUnit / 2;
// Triangles reaching further than this are cut down to it before snapping, which keeps every
// edge-function product within 64 bits. The cut points lie on the triangle's own edges, so on
// screen an edge moves by rounding only.
constexpr double GuardBand = 1 << 20;

// A vertex ready for rasterising: pixels, texels and colour channels 0..255.
struct TRasterVertex {
  double X, Y, U, V, A, R, G, B;
};

TRasterVertex Lerp(const TRasterVertex& p, const TRasterVertex& q, double t) {
  auto mix = [t](double a, double b) { return a + (b - a) * t; };
  return {mix(p.X, q.X), mix(p.Y, q.Y), mix(p.U, q.U), mix(p.V, q.V),
          mix(p.A, q.A), mix(p.R, q.R), mix(p.G, q.G), mix(p.B, q.B)};
}

int64_t FloorDiv(int64_t n, int64_t d) {  // d > 0
  const int64_t q = n / d;
  return (n % d != 0 && n < 0) ? q - 1 : q;
}

// One edge of the triangle turned into a bound on x for each row: the pixels of a row that
// are on the inner side satisfy x >= -Q (left bound) or x <= Q (right bound). Q is
// floor(N / D) with N growing by a constant per row, kept exactly as quotient and remainder.
struct TEdge {
  int Kind;  // +1: left bound, -1: right bound, 0: horizontal (the row is in when Q = N >= 0)
  int64_t Q, R, D, DQ, DR;

  // Branch-free: the carry of a sloped edge follows no pattern a predictor could learn.
  void Step() {
    R += DR;
    const int64_t carry = R >= D ? 1 : 0;
    Q += DQ + carry;
    R -= D & -carry;
  }
};

// Edge a -> b of a triangle whose interior lies where (b - a) × (p - a) >= 0, in 1/256 pixel.
// The edge function at pixel (x, row) is A·Sub·x + N with A = ay - by, B = bx - ax.
TEdge MakeEdge(int64_t ax, int64_t ay, int64_t bx, int64_t by, int64_t row) {
  const int64_t a = ay - by, b = bx - ax;
  // A left edge has the interior to its right (A > 0); a top edge is horizontal with the
  // interior below (B > 0). Centres exactly on any other edge are left to the neighbour.
  const bool topLeft = a > 0 || (a == 0 && b > 0);
  const int64_t n = a * (HalfSub - ax) + b * (row * SubUnit + HalfSub - ay) - (topLeft ? 0 : 1);
  const int64_t dn = b * SubUnit;
  TEdge e{};
  if (a == 0) {
    e.Kind = 0;
    e.Q = n;
    e.DQ = dn;
    e.D = 1;  // R and DR stay 0: no carry
    return e;
  }
  e.Kind = a > 0 ? 1 : -1;
  e.D = (a > 0 ? a : -a) * SubUnit;
  // With A < 0 the bound is x <= floor(N / -A·Sub); with A > 0 it is x >= -floor(N / A·Sub).
  e.Q = FloorDiv(n, e.D);
  e.R = n - e.Q * e.D;
  e.DQ = FloorDiv(dn, e.D);
  e.DR = dn - e.DQ * e.D;
  return e;
}

int32_t ColourStep(double perPixel) {
  return static_cast<int32_t>(std::nearbyint(std::clamp(perPixel, -256.0, 256.0) * 65536.0));
}

bool InsideGuardBand(const TRasterVertex& v) {
  return std::fabs(v.X) <= GuardBand && std::fabs(v.Y) <= GuardBand;
}

int64_t Snap(double c) { return static_cast<int64_t>(std::nearbyint(c * SubUnit)); }

// Shading of a triangle (or of a rectangle through three of its corners): colour, texture
// planes and blend kernels. Returns false when the drawing cannot change any pixel.
bool SetupShade(const TTarget& target, const TRasterVertex* v0, const TRasterVertex* v1, const TRasterVertex* v2,
                const int64_t (&x)[3], const int64_t (&y)[3], TTriangleShade& t) {
  t.Target = &target;
  t.Textured = target.Texture != nullptr;
  t.Flat = v0->A == v1->A && v0->A == v2->A && v0->R == v1->R && v0->R == v2->R && v0->G == v1->G &&
           v0->G == v2->G && v0->B == v1->B && v0->B == v2->B;
  const TBlendFactors factors = BlendTable[target.Mode];
  if (t.Flat) {
    t.FlatColour = (static_cast<uint32_t>(v0->A) << 24) | (static_cast<uint32_t>(v0->R) << 16) |
                   (static_cast<uint32_t>(v0->G) << 8) | static_cast<uint32_t>(v0->B);
    // A source of alpha 0 (or all zero) everywhere changes nothing.
    if ((KeepsDstOnZeroAlpha(factors) && (t.FlatColour >> 24) == 0) ||
        (KeepsDstOnZeroSrc(factors) && t.FlatColour == 0))
      return false;
    t.FillOpaque = !t.Textured && ReplacesOnOpaque(factors) && (t.FlatColour >> 24) == 255;
  }
  t.BlendVarying = VaryingBlendSpan(target.Mode);
  t.BlendConst = ConstBlendSpan(target.Mode);

  const double px0 = static_cast<double>(x[0]) / SubUnit, py0 = static_cast<double>(y[0]) / SubUnit;
  const double dx1 = static_cast<double>(x[1] - x[0]) / SubUnit, dy1 = static_cast<double>(y[1] - y[0]) / SubUnit;
  const double dx2 = static_cast<double>(x[2] - x[0]) / SubUnit, dy2 = static_cast<double>(y[2] - y[0]) / SubUnit;
  const double area = static_cast<double>((x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0])) /
                      static_cast<double>(SubUnit * SubUnit);
  auto plane = [&](double a0, double a1, double a2) {
    TPlane p;
    p.Dx = ((a1 - a0) * dy2 - (a2 - a0) * dy1) / area;
    p.Dy = ((a2 - a0) * dx1 - (a1 - a0) * dx2) / area;
    p.K = a0 - p.Dx * px0 - p.Dy * py0;
    return p;
  };
  if (t.Textured) {
    t.U = plane(v0->U, v1->U, v2->U);
    t.V = plane(v0->V, v1->V, v2->V);
    t.TexStepsFixed = std::fabs(t.U.Dx) <= TexelSafe && std::fabs(t.V.Dx) <= TexelSafe;
    if (t.TexStepsFixed) {
      t.DU = static_cast<int64_t>(std::floor(t.U.Dx * Fixed32));
      t.DV = static_cast<int64_t>(std::floor(t.V.Dx * Fixed32));
    }
  }
  if (!t.Flat) {
    t.A = plane(v0->A, v1->A, v2->A);
    t.R = plane(v0->R, v1->R, v2->R);
    t.G = plane(v0->G, v1->G, v2->G);
    t.B = plane(v0->B, v1->B, v2->B);
    t.DA = ColourStep(t.A.Dx);
    t.DR = ColourStep(t.R.Dx);
    t.DG = ColourStep(t.G.Dx);
    t.DB = ColourStep(t.B.Dx);
  }
  return true;
}

// The first row (or column) whose pixel centre is at or after c, and the last one at or before
// c, in 1/256 pixel.
int64_t FirstCentreFrom(int64_t c) { return -FloorDiv(HalfSub - c, SubUnit); }
int64_t LastCentreUpTo(int64_t c) { return FloorDiv(c - HalfSub, SubUnit); }

// Rasterises one triangle whose vertices all lie inside the guard band.
void RasterTriangle(const TTarget& target, const TRasterVertex* v0, const TRasterVertex* v1,
                    const TRasterVertex* v2) {
  int64_t x[3] = {Snap(v0->X), Snap(v1->X), Snap(v2->X)};
  int64_t y[3] = {Snap(v0->Y), Snap(v1->Y), Snap(v2->Y)};
  const int64_t area = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
  if (area == 0) return;
  if (area < 0) {  // no culling: turn the other winding round
    std::swap(v1, v2);
    std::swap(x[1], x[2]);
    std::swap(y[1], y[2]);
  }
  // Rows and columns whose pixel centres fall within the bounding box, on screen.
  const int64_t rowFirst = std::max<int64_t>(0, FirstCentreFrom(std::min({y[0], y[1], y[2]})));
  const int64_t rowLast = std::min<int64_t>(target.Height - 1, LastCentreUpTo(std::max({y[0], y[1], y[2]})));
  const int64_t colFirst = std::max<int64_t>(0, FirstCentreFrom(std::min({x[0], x[1], x[2]})));
  const int64_t colLast = std::min<int64_t>(target.Width - 1, LastCentreUpTo(std::max({x[0], x[1], x[2]})));
  if (rowFirst > rowLast || colFirst > colLast) return;

  TTriangleShade t{};
  if (!SetupShade(target, v0, v1, v2, x, y, t)) return;

  TEdge e0 = MakeEdge(x[0], y[0], x[1], y[1], rowFirst);
  TEdge e1 = MakeEdge(x[1], y[1], x[2], y[2], rowFirst);
  TEdge e2 = MakeEdge(x[2], y[2], x[0], y[0], rowFirst);
  auto bound = [](const TEdge& e, int64_t& left, int64_t& right) {
    if (e.Kind > 0) {
      left = std::max(left, -e.Q);
    } else if (e.Kind < 0) {
      right = std::min(right, e.Q);
    } else if (e.Q < 0) {
      right = left - 1;
    }
  };
  for (int64_t row = rowFirst; row <= rowLast; ++row) {
    int64_t left = colFirst, right = colLast;
    bound(e0, left, right);
    bound(e1, left, right);
    bound(e2, left, right);
    if (left <= right) {
      uint32_t* pixels = target.Pixels + static_cast<size_t>(row) * target.Width;
      if (row < rowLast) {  // the next row's pixels lie a row further down: ask for them now
        __builtin_prefetch(pixels + target.Width + left, 1);
        __builtin_prefetch(pixels + target.Width + right, 1);
      }
      DrawSpan(t, pixels + left, static_cast<int>(left), static_cast<int>(right - left + 1), row + 0.5);
    }
    e0.Step();
    e1.Step();
    e2.Step();
  }
}

// Most quads are unrotated images: a fan around an axis-aligned rectangle. Its two triangles
// then cover exactly the centres with left <= x < right and top <= y < bottom (the left and top
// sides are the left and top edges; the shared diagonal gives each centre on it to one of the
// two), so whole rows are drawn at once. This needs attributes that are one plane over the
// rectangle (a0 + a2 == a1 + a3); corner colours that bend the shading go through the triangles.
bool DrawRectangleFan(const TTarget& target, const TRasterVertex (&v)[4]) {
  int64_t x[4], y[4];
  for (int i = 0; i < 4; ++i) {
    if (!InsideGuardBand(v[i])) return false;
    x[i] = Snap(v[i].X);
    y[i] = Snap(v[i].Y);
  }
  // v0 and v2 opposite corners, v1 and v3 the other two, in either order.
  if (x[0] == x[2] || y[0] == y[2]) return false;
  const bool aroundRows = x[1] == x[2] && y[1] == y[0] && x[3] == x[0] && y[3] == y[2];
  const bool aroundColumns = x[1] == x[0] && y[1] == y[2] && x[3] == x[2] && y[3] == y[0];
  if (!aroundRows && !aroundColumns) return false;
  auto planar = [&v](double TRasterVertex::*a) { return v[0].*a + v[2].*a == v[1].*a + v[3].*a; };
  if (!planar(&TRasterVertex::U) || !planar(&TRasterVertex::V) || !planar(&TRasterVertex::A) ||
      !planar(&TRasterVertex::R) || !planar(&TRasterVertex::G) || !planar(&TRasterVertex::B))
    return false;

  const int64_t rowFirst = std::max<int64_t>(0, FirstCentreFrom(std::min(y[0], y[2])));
  const int64_t rowLast = std::min<int64_t>(target.Height - 1, FirstCentreFrom(std::max(y[0], y[2])) - 1);
  const int64_t colFirst = std::max<int64_t>(0, FirstCentreFrom(std::min(x[0], x[2])));
  const int64_t colLast = std::min<int64_t>(target.Width - 1, FirstCentreFrom(std::max(x[0], x[2])) - 1);
  if (rowFirst > rowLast || colFirst > colLast) return true;
  TTriangleShade t{};
  const int64_t tx[3] = {x[0], x[1], x[2]}, ty[3] = {y[0], y[1], y[2]};
  if (!SetupShade(target, &v[0], &v[1], &v[2], tx, ty, t)) return true;
  const int n = static_cast<int>(colLast - colFirst + 1);
  for (int64_t row = rowFirst; row <= rowLast; ++row) {
    uint32_t* pixels = target.Pixels + static_cast<size_t>(row) * target.Width;
    if (row < rowLast) {
      __builtin_prefetch(pixels + target.Width + colFirst, 1);
      __builtin_prefetch(pixels + target.Width + colLast, 1);
    }
    DrawSpan(t, pixels + colFirst, static_cast<int>(colFirst), n, row + 0.5);
  }
  return true;
}

// Cuts the triangle to the guard band square (Sutherland-Hodgman) and draws the pieces.
void DrawTriangle(const TTarget& target, const TRasterVertex& a, const TRasterVertex& b, const TRasterVertex& c) {
  if (!std::isfinite(a.X) || !std::isfinite(a.Y) || !std::isfinite(b.X) || !std::isfinite(b.Y) ||
      !std::isfinite(c.X) || !std::isfinite(c.Y))
    return;
  if (InsideGuardBand(a) && InsideGuardBand(b) && InsideGuardBand(c)) {
    RasterTriangle(target, &a, &b, &c);
    return;
  }
  // Each of the four cuts adds at most one vertex to a convex polygon.
  TRasterVertex buffers[2][8];
  int count = 3;
  buffers[0][0] = a;
  buffers[0][1] = b;
  buffers[0][2] = c;
  int from = 0;
  for (int side = 0; side < 4 && count > 0; ++side) {
    // Signed distance inside the cut: x >= -G, x <= G, y >= -G, y <= G.
    auto inside = [side](const TRasterVertex& v) {
      switch (side) {
        case 0: return v.X + GuardBand;
        case 1: return GuardBand - v.X;
        case 2: return v.Y + GuardBand;
        default: return GuardBand - v.Y;
      }
    };
    const TRasterVertex* in = buffers[from];
    TRasterVertex* out = buffers[1 - from];
    int outCount = 0;
    for (int i = 0; i < count; ++i) {
      const TRasterVertex& p = in[i];
      const TRasterVertex& q = in[(i + 1) % count];
      const double dp = inside(p), dq = inside(q);
      if (dp >= 0) out[outCount++] = p;
      if ((dp >= 0) != (dq >= 0)) out[outCount++] = Lerp(p, q, dp / (dp - dq));
    }
    count = outCount;
    from = 1 - from;
  }
  for (int i = 1; i + 1 < count; ++i) {
    RasterTriangle(target, &buffers[from][0], &buffers[from][i], &buffers[from][i + 1]);
  }
}

// =====================================================================================
// [SECTION] Lines
// =====================================================================================
// A line runs from the pixel holding its start point to the pixel holding its end point
// (floor of each coordinate). Along the axis on which those pixels lie further apart it takes
// one pixel per column (or row), the other coordinate being where the exact line crosses that
// column's (row's) centre, kept between the two end pixels. Each line of a strip leaves out its
// end pixel, which the next line starts on; the strip's own last point is drawn once at the end
// (the device draws last pixels) unless the strip closes on the pixel it started from. So a
// closed outline touches every pixel of it exactly once. Colour and texture coordinates go
// linearly from the start pixel (the start vertex's values) to the end pixel; a set texture is
// sampled nearest and clamped, as for triangles. The pixel set does not depend on what is
// visible, so clipping to the screen changes nothing on it.

uint32_t LineSource(const TTarget& target, const TRasterVertex& a, const TRasterVertex& b, double t) {
  auto level = [t](double p, double q) {
    return static_cast<uint32_t>(std::clamp(std::floor(p + (q - p) * t + 0.5), 0.0, 255.0));
  };
  const uint32_t colour = (level(a.A, b.A) << 24) | (level(a.R, b.R) << 16) | (level(a.G, b.G) << 8) | level(a.B, b.B);
  if (target.Texture == nullptr) return colour;
  const TTexture& tex = *target.Texture;
  const int64_t tx = ClampTexel(a.U + (b.U - a.U) * t, tex.Width);
  const int64_t ty = ClampTexel(a.V + (b.V - a.V) * t, tex.Height);
  return ModulatePixel(tex.Texels[static_cast<size_t>(ty * tex.Width + tx)], colour);
}

void PlotPixel(const TTarget& target, int64_t x, int64_t y, uint32_t src) {
  if (x < 0 || y < 0 || x >= target.Width || y >= target.Height) return;
  ConstBlendSpan(target.Mode)(target.Pixels + static_cast<size_t>(y) * target.Width + x, nullptr, src, 1);
}

// Draws the line a -> b without its end pixel; returns whether it has any pixel at all.
bool DrawLine(const TTarget& target, const TRasterVertex& a, const TRasterVertex& b) {
  const double c0 = std::floor(a.X), r0 = std::floor(a.Y), c1 = std::floor(b.X), r1 = std::floor(b.Y);
  if (!std::isfinite(c0) || !std::isfinite(r0) || !std::isfinite(c1) || !std::isfinite(r1)) return false;
  const bool xMajor = std::fabs(c1 - c0) >= std::fabs(r1 - r0);
  const double m0 = xMajor ? c0 : r0, m1 = xMajor ? c1 : r1;
  if (m0 == m1) return false;
  const double n0 = xMajor ? r0 : c0, n1 = xMajor ? r1 : c1;
  const double along0 = xMajor ? a.X : a.Y, along1 = xMajor ? b.X : b.Y;
  const double across0 = xMajor ? a.Y : a.X, across1 = xMajor ? b.Y : b.X;
  const double slope = (across1 - across0) / (along1 - along0);  // along differs: m0 != m1
  const int64_t majorLimit = xMajor ? target.Width : target.Height;
  const int64_t minorLimit = xMajor ? target.Height : target.Width;
  // The major pixels from m0 up to m1 (exclusive), or down, cut to the screen.
  const double lo = std::max(m1 > m0 ? m0 : m1 + 1, 0.0);
  const double hi = std::min(m1 > m0 ? m1 - 1 : m0, static_cast<double>(majorLimit - 1));
  if (lo > hi) return true;
  const double minorLo = std::min(n0, n1), minorHi = std::max(n0, n1);
  for (int64_t m = static_cast<int64_t>(lo); m <= static_cast<int64_t>(hi); ++m) {
    const double md = static_cast<double>(m);
    double minor = std::floor(across0 + (md + 0.5 - along0) * slope);
    if (!(minor >= minorLo)) minor = minorLo;  // also catches NaN
    if (minor > minorHi) minor = minorHi;
    if (minor < 0 || minor >= static_cast<double>(minorLimit)) continue;
    const uint32_t src = LineSource(target, a, b, (md - m0) / (m1 - m0));
    const int64_t mi = static_cast<int64_t>(minor);
    PlotPixel(target, xMajor ? m : mi, xMajor ? mi : m, src);
  }
  return true;
}

// =====================================================================================
// [SECTION] TSoftwareDevice
// =====================================================================================

// A texture whose texels do not match its size reads as fully transparent black.
const TTexture* UsableTexture(const TTexture* texture) {
  static const TTexture Transparent{1, 1, {0u}};
  if (texture == nullptr || texture->OpaqueWhite) return nullptr;
  if (texture->Width <= 0 || texture->Height <= 0 ||
      texture->Texels.size() < static_cast<size_t>(texture->Width) * static_cast<size_t>(texture->Height))
    return &Transparent;
  return texture;
}

TRasterVertex ToRaster(const TVertex& v, const TTexture* texture) {
  TRasterVertex r{};
  r.X = v.X;
  r.Y = v.Y;
  if (texture != nullptr) {
    r.U = std::isfinite(v.U) ? static_cast<double>(v.U) * texture->Width : 0.0;
    r.V = std::isfinite(v.V) ? static_cast<double>(v.V) * texture->Height : 0.0;
  }
  r.A = (v.Color >> 24) & 0xFF;
  r.R = (v.Color >> 16) & 0xFF;
  r.G = (v.Color >> 8) & 0xFF;
  r.B = v.Color & 0xFF;
  return r;
}

}  // namespace

TSoftwareDevice::TSoftwareDevice(Integer width, Integer height)
    : FWidth(std::max<Integer>(width, 0)),
      FHeight(std::max<Integer>(height, 0)),
      Buffer(static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight), 0u) {}

void TSoftwareDevice::Clear(uint32_t argb) { std::fill(Buffer.begin(), Buffer.end(), argb); }

void TSoftwareDevice::SetBlendMode(Integer mode) { FBlendMode = mode; }

void TSoftwareDevice::SetTexture(const TTexture* texture) { FTexture = texture; }

// There is no depth buffer. Every vertex has z = 0, the depth buffer would be cleared to 1.0
// and compared with "less or equal": every fragment (0 <= 1.0, and 0 <= 0 once written) passes,
// so the test never rejects a pixel and drawing order alone decides, later over earlier.
void TSoftwareDevice::DrawTriangleFan(const TVertex* vertices, int count) {
  if (vertices == nullptr || count < 3 || Buffer.empty()) return;
  const TTarget target{Buffer.data(), FWidth, FHeight, ModeIndex(FBlendMode), UsableTexture(FTexture), FPlainSpans};
  if (count == 4) {
    const TRasterVertex quad[4] = {ToRaster(vertices[0], target.Texture), ToRaster(vertices[1], target.Texture),
                                   ToRaster(vertices[2], target.Texture), ToRaster(vertices[3], target.Texture)};
    if (DrawRectangleFan(target, quad)) return;
  }
  const TRasterVertex first = ToRaster(vertices[0], target.Texture);
  TRasterVertex previous = ToRaster(vertices[1], target.Texture);
  for (int i = 2; i < count; ++i) {
    const TRasterVertex next = ToRaster(vertices[i], target.Texture);
    DrawTriangle(target, first, previous, next);
    previous = next;
  }
}

void TSoftwareDevice::DrawLineStrip(const TVertex* vertices, int count) {
  if (vertices == nullptr || count < 2 || Buffer.empty()) return;
  const TTarget target{Buffer.data(), FWidth, FHeight, ModeIndex(FBlendMode), UsableTexture(FTexture), FPlainSpans};
  const TRasterVertex first = ToRaster(vertices[0], target.Texture);
  TRasterVertex from = first;
  bool firstLineHasPixels = false;
  for (int i = 1; i < count; ++i) {
    const TRasterVertex to = ToRaster(vertices[i], target.Texture);
    const bool hasPixels = DrawLine(target, from, to);
    if (i == 1) firstLineHasPixels = hasPixels;
    from = to;
  }
  const double lastX = std::floor(from.X), lastY = std::floor(from.Y);
  if (!std::isfinite(lastX) || !std::isfinite(lastY)) return;
  if (firstLineHasPixels && lastX == std::floor(first.X) && lastY == std::floor(first.Y)) return;
  if (lastX < 0 || lastY < 0 || lastX >= FWidth || lastY >= FHeight) return;
  PlotPixel(target, static_cast<int64_t>(lastX), static_cast<int64_t>(lastY), LineSource(target, from, from, 0.0));
}

}  // namespace lr
