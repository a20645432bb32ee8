// TSoftwareDevice: scan conversion of fans and line strips, texel sampling and the blend modes.
//
// [SECTION] Drawing rules
// [SECTION] Blend factors and per-pixel arithmetic
// [SECTION] Span kernels
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

#include "engine/SoftwareDevice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#define LR_RASTER_SSE2 1
#else
#define LR_RASTER_SSE2 0
#endif

namespace lr {
namespace {

// =====================================================================================
// [SECTION] Blend factors and per-pixel arithmetic
// =====================================================================================

enum class EFactor : uint8_t { Zero, One, SrcAlpha, InvSrcAlpha, SrcColor, InvSrcColor, DestColor, InvDestColor };

struct TBlendFactors {
  EFactor Src;
  EFactor Dst;
};

constexpr int BlendModeCount = 14;
constexpr TBlendFactors BlendTable[BlendModeCount] = {
    {EFactor::SrcAlpha, EFactor::InvSrcAlpha},      // 0: normal
    {EFactor::One, EFactor::One},                   // 1
    {EFactor::SrcAlpha, EFactor::One},              // 2: additive with alpha
    {EFactor::SrcColor, EFactor::InvSrcColor},      // 3
    {EFactor::SrcColor, EFactor::One},              // 4: additive by colour
    {EFactor::Zero, EFactor::SrcColor},             // 5
    {EFactor::Zero, EFactor::SrcAlpha},             // 6
    {EFactor::Zero, EFactor::InvSrcColor},          // 7
    {EFactor::Zero, EFactor::InvSrcAlpha},          // 8
    {EFactor::InvDestColor, EFactor::Zero},         // 9
    {EFactor::SrcColor, EFactor::SrcColor},         // 10
    {EFactor::DestColor, EFactor::DestColor},       // 11
    {EFactor::InvSrcColor, EFactor::InvSrcColor},   // 12
    {EFactor::InvDestColor, EFactor::InvDestColor}, // 13
};

int ModeIndex(Integer mode) { return (mode >= 0 && mode < BlendModeCount) ? mode : 0; }

// Shortcuts that are exact consequences of the formula, used to skip work per group of pixels.
// A source of alpha 0 leaves the destination as it was:
constexpr bool KeepsDstOnZeroAlpha(TBlendFactors f) {
  return (f.Src == EFactor::SrcAlpha || f.Src == EFactor::Zero) &&
         (f.Dst == EFactor::One || f.Dst == EFactor::InvSrcAlpha);
}
// A source of all zero bits (a colour-keyed texel) leaves the destination as it was:
constexpr bool KeepsDstOnZeroSrc(TBlendFactors f) {
  return f.Dst == EFactor::One || f.Dst == EFactor::InvSrcAlpha || f.Dst == EFactor::InvSrcColor;
}
// A source of alpha 255 replaces the destination:
constexpr bool ReplacesOnOpaque(TBlendFactors f) {
  return f.Src == EFactor::SrcAlpha && f.Dst == EFactor::InvSrcAlpha;
}

// round(x / 255) for 0 <= x <= 65407, which covers every product of two bytes.
constexpr uint32_t Div255(uint32_t x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

template <EFactor F>
inline uint32_t FactorOf(uint32_t s, uint32_t sAlpha, uint32_t d) {
  if constexpr (F == EFactor::SrcAlpha) return sAlpha;
  if constexpr (F == EFactor::InvSrcAlpha) return 255 - sAlpha;
  if constexpr (F == EFactor::SrcColor) return s;
  if constexpr (F == EFactor::InvSrcColor) return 255 - s;
  if constexpr (F == EFactor::DestColor) return d;
  if constexpr (F == EFactor::InvDestColor) return 255 - d;
  return 0;
}

// value × factor / 255, rounded; "one" and "zero" are exact without a product.
template <EFactor F>
inline uint32_t Term(uint32_t value, uint32_t s, uint32_t sAlpha, uint32_t d) {
  if constexpr (F == EFactor::Zero) {
    return 0;
  } else if constexpr (F == EFactor::One) {
    return value;
  } else {
    return Div255(value * FactorOf<F>(s, sAlpha, d));
  }
}

template <EFactor SF, EFactor DF>
inline uint32_t BlendChannel(uint32_t s, uint32_t sAlpha, uint32_t d) {
  const uint32_t sum = Term<SF>(s, s, sAlpha, d) + Term<DF>(d, s, sAlpha, d);
  return sum > 255 ? 255 : sum;
}

template <EFactor SF, EFactor DF>
inline uint32_t BlendPixel(uint32_t src, uint32_t dst) {
  const uint32_t sa = src >> 24, sr = (src >> 16) & 0xFF, sg = (src >> 8) & 0xFF, sb = src & 0xFF;
  const uint32_t da = dst >> 24, dr = (dst >> 16) & 0xFF, dg = (dst >> 8) & 0xFF, db = dst & 0xFF;
  const uint32_t oa = BlendChannel<SF, DF>(sa, sa, da);
  const uint32_t orr = BlendChannel<SF, DF>(sr, sa, dr);
  const uint32_t og = BlendChannel<SF, DF>(sg, sa, dg);
  const uint32_t ob = BlendChannel<SF, DF>(sb, sa, db);
  return (oa << 24) | (orr << 16) | (og << 8) | ob;
}

inline uint32_t ModulatePixel(uint32_t texel, uint32_t colour) {
  const uint32_t a = Div255((texel >> 24) * (colour >> 24));
  const uint32_t r = Div255(((texel >> 16) & 0xFF) * ((colour >> 16) & 0xFF));
  const uint32_t g = Div255(((texel >> 8) & 0xFF) * ((colour >> 8) & 0xFF));
  const uint32_t b = Div255((texel & 0xFF) * (colour & 0xFF));
  return (a << 24) | (r << 16) | (g << 8) | b;
}

// =====================================================================================
// [SECTION] Span kernels
// =====================================================================================
// A span is shaded into a small buffer (texels, then the vertex colour multiplied in) and then
// blended into the row. The SSE2 paths work four pixels at a time on 16-bit lanes and compute
// exactly what the scalar functions above compute; the scalar ones finish each span's tail.

constexpr int ChunkSize = 64;

#if LR_RASTER_SSE2
inline __m128i Div255V(__m128i x) {
  return _mm_mulhi_epu16(_mm_add_epi16(x, _mm_set1_epi16(128)), _mm_set1_epi16(257));
}

inline __m128i BroadcastAlpha(__m128i x) {
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, 0xFF), 0xFF);
}

template <EFactor F>
inline __m128i FactorV(__m128i s, __m128i sAlpha, __m128i d) {
  const __m128i full = _mm_set1_epi16(255);
  if constexpr (F == EFactor::SrcAlpha) return sAlpha;
  if constexpr (F == EFactor::InvSrcAlpha) return _mm_sub_epi16(full, sAlpha);
  if constexpr (F == EFactor::SrcColor) return s;
  if constexpr (F == EFactor::InvSrcColor) return _mm_sub_epi16(full, s);
  if constexpr (F == EFactor::DestColor) return d;
  if constexpr (F == EFactor::InvDestColor) return _mm_sub_epi16(full, d);
  return _mm_setzero_si128();
}

template <EFactor F>
inline __m128i TermV(__m128i value, __m128i s, __m128i sAlpha, __m128i d) {
  if constexpr (F == EFactor::Zero) {
    return _mm_setzero_si128();
  } else if constexpr (F == EFactor::One) {
    return value;
  } else {
    return Div255V(_mm_mullo_epi16(value, FactorV<F>(s, sAlpha, d)));
  }
}

// Two pixels as eight 16-bit lanes; the sums stay below 511 and the final pack saturates at 255.
template <EFactor SF, EFactor DF>
inline __m128i BlendHalf(__m128i s, __m128i d) {
  const __m128i sAlpha = BroadcastAlpha(s);
  return _mm_add_epi16(TermV<SF>(s, s, sAlpha, d), TermV<DF>(d, s, sAlpha, d));
}
#endif

using TBlendSpanFn = void (*)(uint32_t* dst, const uint32_t* src, uint32_t constSrc, int n);

template <EFactor SF, EFactor DF, bool ConstSrc>
void BlendSpan(uint32_t* dst, const uint32_t* src, uint32_t constSrc, int n) {
  constexpr TBlendFactors Factors{SF, DF};
  int i = 0;
#if LR_RASTER_SSE2
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 4 <= n; i += 4) {
    __m128i s;
    if constexpr (ConstSrc) {
      s = _mm_set1_epi32(static_cast<int>(constSrc));
    } else {
      s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
      if constexpr (KeepsDstOnZeroAlpha(Factors) || ReplacesOnOpaque(Factors)) {
        const __m128i alpha = _mm_and_si128(s, alphaMask);
        if (KeepsDstOnZeroAlpha(Factors) && _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF) continue;
        if (ReplacesOnOpaque(Factors) && _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, alphaMask)) == 0xFFFF) {
          _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), s);
          continue;
        }
      } else if constexpr (KeepsDstOnZeroSrc(Factors)) {
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(s, zero)) == 0xFFFF) continue;
      }
    }
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    const __m128i lo = BlendHalf<SF, DF>(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
    const __m128i hi = BlendHalf<SF, DF>(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < n; ++i) dst[i] = BlendPixel<SF, DF>(ConstSrc ? constSrc : src[i], dst[i]);
}

template <bool ConstSrc, size_t... Mode>
constexpr std::array<TBlendSpanFn, BlendModeCount> MakeBlendSpans(std::index_sequence<Mode...>) {
  return {&BlendSpan<BlendTable[Mode].Src, BlendTable[Mode].Dst, ConstSrc>...};
}
constexpr auto VaryingBlendSpans = MakeBlendSpans<false>(std::make_index_sequence<BlendModeCount>{});
constexpr auto ConstBlendSpans = MakeBlendSpans<true>(std::make_index_sequence<BlendModeCount>{});

// texels[i] := texels[i] × colour, the colour being colours[i] or one constant.
template <bool ConstColour>
void ModulateSpan(uint32_t* texels, const uint32_t* colours, uint32_t constColour, int n) {
  int i = 0;
#if LR_RASTER_SSE2
  const __m128i zero = _mm_setzero_si128();
  for (; i + 4 <= n; i += 4) {
    const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + i));
    const __m128i c = ConstColour ? _mm_set1_epi32(static_cast<int>(constColour))
                                  : _mm_loadu_si128(reinterpret_cast<const __m128i*>(colours + i));
    const __m128i lo = Div255V(_mm_mullo_epi16(_mm_unpacklo_epi8(t, zero), _mm_unpacklo_epi8(c, zero)));
    const __m128i hi = Div255V(_mm_mullo_epi16(_mm_unpackhi_epi8(t, zero), _mm_unpackhi_epi8(c, zero)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(texels + i), _mm_packus_epi16(lo, hi));
  }
#endif
  for (; i < n; ++i) texels[i] = ModulatePixel(texels[i], ConstColour ? constColour : colours[i]);
}

// Interpolated colour in 16.16 fixed point, a half already added so that >> 16 rounds.
// Every value the span reaches lies in [0, ColourFixedMax].
constexpr int64_t ColourFixedMax = (int64_t{255} << 16) | 0xFFFF;

struct TColourRamp {
  int32_t A, R, G, B;
  int32_t DA, DR, DG, DB;
};

void GouraudSpan(uint32_t* out, TColourRamp& c, int n) {
  int i = 0;
#if LR_RASTER_SSE2
  // Lanes B, G, R, A of four neighbouring pixels; the packs put them back as ARGB words.
  const __m128i step = _mm_set_epi32(c.DA, c.DR, c.DG, c.DB);
  const __m128i step4 = _mm_slli_epi32(step, 2);
  __m128i acc0 = _mm_set_epi32(c.A, c.R, c.G, c.B);
  __m128i acc1 = _mm_add_epi32(acc0, step);
  __m128i acc2 = _mm_add_epi32(acc1, step);
  __m128i acc3 = _mm_add_epi32(acc2, step);
  for (; i + 4 <= n; i += 4) {
    const __m128i first = _mm_packs_epi32(_mm_srli_epi32(acc0, 16), _mm_srli_epi32(acc1, 16));
    const __m128i second = _mm_packs_epi32(_mm_srli_epi32(acc2, 16), _mm_srli_epi32(acc3, 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(first, second));
    acc0 = _mm_add_epi32(acc0, step4);
    acc1 = _mm_add_epi32(acc1, step4);
    acc2 = _mm_add_epi32(acc2, step4);
    acc3 = _mm_add_epi32(acc3, step4);
  }
#endif
  int32_t a = c.A + c.DA * i, r = c.R + c.DR * i, g = c.G + c.DG * i, b = c.B + c.DB * i;
  for (; i < n; ++i) {
    out[i] = (static_cast<uint32_t>(a >> 16) << 24) | (static_cast<uint32_t>(r >> 16) << 16) |
             (static_cast<uint32_t>(g >> 16) << 8) | static_cast<uint32_t>(b >> 16);
    a += c.DA;
    r += c.DR;
    g += c.DG;
    b += c.DB;
  }
  c.A = a;
  c.R = r;
  c.G = g;
  c.B = b;
}

// Texel coordinates in 32.32 fixed point; >> 32 is the floor.
void FetchSpan(uint32_t* out, const TTexture& tex, int64_t u, int64_t v, int64_t du, int64_t dv, int n,
               bool clamp) {
  const uint32_t* texels = tex.Texels.data();
  const int64_t width = tex.Width;
  if (!clamp) {
    if (dv == 0) {
      const uint32_t* row = texels + (v >> 32) * width;
      for (int i = 0; i < n; ++i, u += du) out[i] = row[u >> 32];
    } else {
      for (int i = 0; i < n; ++i, u += du, v += dv) out[i] = texels[(v >> 32) * width + (u >> 32)];
    }
    return;
  }
  const int64_t maxX = width - 1, maxY = tex.Height - 1;
  for (int i = 0; i < n; ++i, u += du, v += dv) {
    const int64_t tx = std::clamp<int64_t>(u >> 32, 0, maxX);
    const int64_t ty = std::clamp<int64_t>(v >> 32, 0, maxY);
    out[i] = texels[ty * width + tx];
  }
}

// A texel coordinate in texels to an index inside the texture; NaN goes to 0.
int64_t ClampTexel(double t, int64_t size) {
  if (!(t >= 0)) return 0;
  if (t >= static_cast<double>(size)) return size - 1;
  return static_cast<int64_t>(t);
}

// For coordinates too large for fixed point: evaluated per pixel in double.
void FetchSpanSlow(uint32_t* out, const TTexture& tex, double u, double v, double du, double dv, int n) {
  for (int i = 0; i < n; ++i) {
    const int64_t tx = ClampTexel(u + du * i, tex.Width);
    const int64_t ty = ClampTexel(v + dv * i, tex.Height);
    out[i] = tex.Texels[static_cast<size_t>(ty * tex.Width + tx)];
  }
}

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
constexpr double Fixed32 = 4294967296.0;
// Texel coordinates up to 2^28 texels stay exact in 32.32 fixed point over any span.
constexpr double TexelSafe = 268435456.0;

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

// An attribute as a plane over the screen: value(px, py) = K + Dx·px + Dy·py.
struct TPlane {
  double K = 0, Dx = 0, Dy = 0;
  double At(double px, double py) const { return K + Dx * px + Dy * py; }
};

struct TTarget {
  uint32_t* Pixels;
  int Width, Height;
  int Mode;
  const TTexture* Texture;  // nullptr: untextured
};

// Everything a span of one triangle (or unrotated rectangle) needs.
struct TTriangleShade {
  const TTarget* Target;
  bool Textured, Flat, FillOpaque;
  uint32_t FlatColour;
  TPlane U, V, A, R, G, B;
  bool TexStepsFixed;   // the per-pixel texel steps fit 32.32 fixed point
  int64_t DU, DV;       // 32.32 texels per pixel
  int32_t DA, DR, DG, DB;  // 16.16 levels per pixel
  TBlendSpanFn BlendVarying, BlendConst;
};

int32_t ColourStep(double perPixel) {
  return static_cast<int32_t>(std::nearbyint(std::clamp(perPixel, -256.0, 256.0) * 65536.0));
}

// Starts a ramp at the span's first pixel. A rounding overshoot past 0 or 255 at an end of the
// span is clamped there and the step recomputed, so the ramp stays in range everywhere.
void StartChannel(double first, int32_t step, int n, int32_t& value, int32_t& delta) {
  const double bounded = first > -1e6 ? std::min(first, 1e6) : -1e6;  // NaN included
  int64_t start = static_cast<int64_t>(std::floor(bounded * 65536.0 + 32768.0));
  int64_t end = start + static_cast<int64_t>(n - 1) * step;
  delta = step;
  if (start < 0 || start > ColourFixedMax || end < 0 || end > ColourFixedMax) {
    start = std::clamp<int64_t>(start, 0, ColourFixedMax);
    end = std::clamp<int64_t>(end, 0, ColourFixedMax);
    delta = n > 1 ? static_cast<int32_t>((end - start) / (n - 1)) : 0;
  }
  value = static_cast<int32_t>(start);
}

void DrawSpan(const TTriangleShade& t, uint32_t* dst, int x, int n, double py) {
  if (t.FillOpaque) {
    std::fill_n(dst, n, t.FlatColour);
    return;
  }
  if (!t.Textured && t.Flat) {
    t.BlendConst(dst, nullptr, t.FlatColour, n);
    return;
  }
  const double px = x + 0.5;
  TColourRamp ramp{};
  if (!t.Flat) {
    StartChannel(t.A.At(px, py), t.DA, n, ramp.A, ramp.DA);
    StartChannel(t.R.At(px, py), t.DR, n, ramp.R, ramp.DR);
    StartChannel(t.G.At(px, py), t.DG, n, ramp.G, ramp.DG);
    StartChannel(t.B.At(px, py), t.DB, n, ramp.B, ramp.DB);
  }
  const TTexture* tex = t.Target->Texture;
  double us = 0, vs = 0;
  int64_t u = 0, v = 0;
  bool slow = false, clamp = false;
  if (t.Textured) {
    us = t.U.At(px, py);
    vs = t.V.At(px, py);
    const double ue = us + t.U.Dx * (n - 1), ve = vs + t.V.Dx * (n - 1);
    const bool fits = t.TexStepsFixed && std::fabs(us) <= TexelSafe && std::fabs(ue) <= TexelSafe &&
                      std::fabs(vs) <= TexelSafe && std::fabs(ve) <= TexelSafe;
    if (!fits) {
      slow = true;
    } else {
      u = static_cast<int64_t>(std::floor(us * Fixed32));
      v = static_cast<int64_t>(std::floor(vs * Fixed32));
      const int64_t uEnd = u + (n - 1) * t.DU, vEnd = v + (n - 1) * t.DV;
      const int64_t uLimit = static_cast<int64_t>(tex->Width) << 32, vLimit = static_cast<int64_t>(tex->Height) << 32;
      clamp = std::min(u, uEnd) < 0 || std::max(u, uEnd) >= uLimit || std::min(v, vEnd) < 0 ||
              std::max(v, vEnd) >= vLimit;
    }
  }

  alignas(16) uint32_t source[ChunkSize];
  alignas(16) uint32_t colours[ChunkSize];
  for (int done = 0; done < n;) {
    const int m = std::min(ChunkSize, n - done);
    if (t.Textured) {
      if (slow) {
        FetchSpanSlow(source, *tex, us + t.U.Dx * done, vs + t.V.Dx * done, t.U.Dx, t.V.Dx, m);
      } else {
        FetchSpan(source, *tex, u, v, t.DU, t.DV, m, clamp);
        u += m * t.DU;
        v += m * t.DV;
      }
      if (!t.Flat) {
        GouraudSpan(colours, ramp, m);
        ModulateSpan<false>(source, colours, 0, m);
      } else if (t.FlatColour != 0xFFFFFFFFu) {  // white modulates nothing
        ModulateSpan<true>(source, nullptr, t.FlatColour, m);
      }
    } else {
      GouraudSpan(source, ramp, m);
    }
    t.BlendVarying(dst + done, source, 0, m);
    done += m;
  }
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
  t.BlendVarying = VaryingBlendSpans[target.Mode];
  t.BlendConst = ConstBlendSpans[target.Mode];

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
  ConstBlendSpans[target.Mode](target.Pixels + static_cast<size_t>(y) * target.Width + x, nullptr, src, 1);
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
  const TTarget target{Buffer.data(), FWidth, FHeight, ModeIndex(FBlendMode), UsableTexture(FTexture)};
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
  const TTarget target{Buffer.data(), FWidth, FHeight, ModeIndex(FBlendMode), UsableTexture(FTexture)};
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
