// Span drawing: blend kernels, texel fetching, colour ramps and the shading of one row of a
// triangle, with fused kernels for the common cases that give the general pipeline's pixels.
#include "engine/SpanDrawing.h"

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

namespace lr::raster {
namespace {

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

}  // namespace

TBlendSpanFn VaryingBlendSpan(int mode) { return VaryingBlendSpans[static_cast<size_t>(mode)]; }
TBlendSpanFn ConstBlendSpan(int mode) { return ConstBlendSpans[static_cast<size_t>(mode)]; }

namespace {

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

// For coordinates too large for fixed point: evaluated per pixel in double.
void FetchSpanSlow(uint32_t* out, const TTexture& tex, double u, double v, double du, double dv, int n) {
  for (int i = 0; i < n; ++i) {
    const int64_t tx = ClampTexel(u + du * i, tex.Width);
    const int64_t ty = ClampTexel(v + dv * i, tex.Height);
    out[i] = tex.Texels[static_cast<size_t>(ty * tex.Width + tx)];
  }
}

// floor(x) for |x| < 2^62, exactly as std::floor but without leaving the loop for the library.
inline int64_t FloorToInt(double x) {
  const int64_t i = static_cast<int64_t>(x);  // towards zero
  return i - (static_cast<double>(i) > x ? 1 : 0);
}

// Starts a ramp at the span's first pixel. A rounding overshoot past 0 or 255 at an end of the
// span is clamped there and the step recomputed, so the ramp stays in range everywhere.
[[gnu::always_inline]] inline void StartChannel(double first, int32_t step, int n, int32_t& value, int32_t& delta) {
  const double bounded = first > -1e6 ? std::min(first, 1e6) : -1e6;  // NaN included
  int64_t start = FloorToInt(bounded * 65536.0 + 32768.0);
  int64_t end = start + static_cast<int64_t>(n - 1) * step;
  delta = step;
  if (start < 0 || start > ColourFixedMax || end < 0 || end > ColourFixedMax) {
    start = std::clamp<int64_t>(start, 0, ColourFixedMax);
    end = std::clamp<int64_t>(end, 0, ColourFixedMax);
    delta = n > 1 ? static_cast<int32_t>((end - start) / (n - 1)) : 0;
  }
  value = static_cast<int32_t>(start);
}

// ---- Fused textured spans ---------------------------------------------------------------------
// Fetch, colour product and blend in one pass for the common blend modes, four pixels at a time
// in registers: the same arithmetic as FetchSpan, GouraudSpan, ModulateSpan and BlendSpan one
// after the other, without the buffers between them.

enum class EShading : uint8_t { White, Flat, Gouraud };  // how the vertex colour enters
enum class EFetch : uint8_t { Row, Free, Clamped };       // one texel row, any texel, clamped

// Texel position in 32.32 fixed point; for EFetch::Row, Texels is the row itself.
struct TTexelWalk {
  const uint32_t* Texels;
  int64_t Width, MaxX, MaxY;
  int64_t U, V, DU, DV;
};

template <EFetch F>
inline uint32_t NextTexel(TTexelWalk& w) {
  uint32_t texel;
  if constexpr (F == EFetch::Row) {
    texel = w.Texels[w.U >> 32];
  } else if constexpr (F == EFetch::Free) {
    texel = w.Texels[(w.V >> 32) * w.Width + (w.U >> 32)];
  } else {
    texel = w.Texels[std::clamp<int64_t>(w.V >> 32, 0, w.MaxY) * w.Width + std::clamp<int64_t>(w.U >> 32, 0, w.MaxX)];
  }
  w.U += w.DU;
  if constexpr (F != EFetch::Row) w.V += w.DV;
  return texel;
}

using TTexturedSpanFn = void (*)(uint32_t* dst, const TTexelWalk& walk, uint32_t flat, const TColourRamp& ramp, int n);

#if LR_RASTER_SSE2
// Four texels all of alpha 0 (or all zero) stay so under any colour product: for the modes that
// keep the destination then, the group needs neither shading nor blending.
template <TBlendFactors Factors>
inline bool KeepsDstOnTexels(__m128i t) {
  const __m128i zero = _mm_setzero_si128();
  if constexpr (KeepsDstOnZeroAlpha(Factors)) {
    const __m128i alpha = _mm_and_si128(t, _mm_set1_epi32(static_cast<int>(0xFF000000u)));
    return _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF;
  } else if constexpr (KeepsDstOnZeroSrc(Factors)) {
    return _mm_movemask_epi8(_mm_cmpeq_epi32(t, zero)) == 0xFFFF;
  } else {
    return false;
  }
}

// Four texels times their colours (16-bit lanes, two pixels each half), blended into out[0..3].
template <EFactor SF, EFactor DF, EShading S>
inline void ShadeGroup(uint32_t* out, __m128i t, __m128i colourLo, __m128i colourHi) {
  constexpr TBlendFactors Factors{SF, DF};
  const __m128i zero = _mm_setzero_si128();
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  if (KeepsDstOnTexels<Factors>(t)) return;
  __m128i sLo = _mm_unpacklo_epi8(t, zero), sHi = _mm_unpackhi_epi8(t, zero), s = t;
  if constexpr (S != EShading::White) {
    sLo = Div255V(_mm_mullo_epi16(sLo, colourLo));
    sHi = Div255V(_mm_mullo_epi16(sHi, colourHi));
    s = _mm_packus_epi16(sLo, sHi);
    if constexpr (KeepsDstOnZeroAlpha(Factors)) {
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, alphaMask), zero)) == 0xFFFF) return;
    } else if constexpr (KeepsDstOnZeroSrc(Factors)) {
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(s, zero)) == 0xFFFF) return;
    }
  }
  if constexpr (ReplacesOnOpaque(Factors)) {
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, alphaMask), alphaMask)) == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), s);
      return;
    }
  }
  const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
  const __m128i lo = BlendHalf<SF, DF>(sLo, _mm_unpacklo_epi8(d, zero));
  const __m128i hi = BlendHalf<SF, DF>(sHi, _mm_unpackhi_epi8(d, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(lo, hi));
}

// UnitStep: one texel per pixel along a row (text drawn at its size), four neighbours load at once.
template <EFactor SF, EFactor DF, EShading S, EFetch F, bool UnitStep>
void TexturedSpanLoop(uint32_t* dst, const TTexelWalk& walk, uint32_t flat, const TColourRamp& c, int n) {
  TTexelWalk w = walk;  // in registers: the stores to dst cannot alias it
  const __m128i flatWide = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(flat)), _mm_setzero_si128());
  const __m128i step = _mm_set_epi32(c.DA, c.DR, c.DG, c.DB);
  const __m128i step4 = _mm_slli_epi32(step, 2);
  __m128i acc0 = _mm_set_epi32(c.A, c.R, c.G, c.B);
  __m128i acc1 = _mm_add_epi32(acc0, step);
  __m128i acc2 = _mm_add_epi32(acc1, step);
  __m128i acc3 = _mm_add_epi32(acc2, step);
  for (int i = 0; i < n; i += 4) {
    __m128i colourLo = flatWide, colourHi = flatWide;
    if constexpr (S == EShading::Gouraud) {
      colourLo = _mm_packs_epi32(_mm_srli_epi32(acc0, 16), _mm_srli_epi32(acc1, 16));
      colourHi = _mm_packs_epi32(_mm_srli_epi32(acc2, 16), _mm_srli_epi32(acc3, 16));
      acc0 = _mm_add_epi32(acc0, step4);
      acc1 = _mm_add_epi32(acc1, step4);
      acc2 = _mm_add_epi32(acc2, step4);
      acc3 = _mm_add_epi32(acc3, step4);
    }
    if (UnitStep && i + 4 <= n) {
      ShadeGroup<SF, DF, S>(dst + i, _mm_loadu_si128(reinterpret_cast<const __m128i*>(w.Texels + (w.U >> 32))),
                            colourLo, colourHi);
      w.U += w.DU * 4;
    } else if (i + 4 <= n) {
      const uint32_t t0 = NextTexel<F>(w), t1 = NextTexel<F>(w), t2 = NextTexel<F>(w), t3 = NextTexel<F>(w);
      const __m128i t = _mm_set_epi32(static_cast<int>(t3), static_cast<int>(t2), static_cast<int>(t1), static_cast<int>(t0));
      ShadeGroup<SF, DF, S>(dst + i, t, colourLo, colourHi);
    } else {
      // The last one to three pixels go through a group of four whose extra lanes hold zero
      // texels over zero pixels and are not written back.
      const int m = n - i;
      alignas(16) uint32_t texels[4] = {NextTexel<F>(w), 0, 0, 0}, pixels[4] = {dst[i], 0, 0, 0};
      if (m > 1) texels[1] = NextTexel<F>(w), pixels[1] = dst[i + 1];
      if (m > 2) texels[2] = NextTexel<F>(w), pixels[2] = dst[i + 2];
      ShadeGroup<SF, DF, S>(pixels, _mm_load_si128(reinterpret_cast<const __m128i*>(texels)), colourLo, colourHi);
      dst[i] = pixels[0];
      if (m > 1) dst[i + 1] = pixels[1];
      if (m > 2) dst[i + 2] = pixels[2];
    }
  }
}

template <EFactor SF, EFactor DF, EShading S, EFetch F>
void TexturedSpan(uint32_t* dst, const TTexelWalk& walk, uint32_t flat, const TColourRamp& c, int n) {
  if (F == EFetch::Row && walk.DU == (int64_t{1} << 32))
    TexturedSpanLoop<SF, DF, S, F, F == EFetch::Row>(dst, walk, flat, c, n);
  else
    TexturedSpanLoop<SF, DF, S, F, false>(dst, walk, flat, c, n);
}
#else
template <EFactor SF, EFactor DF, EShading S, EFetch F>
void TexturedSpan(uint32_t* dst, const TTexelWalk& walk, uint32_t flat, const TColourRamp& c, int n) {
  TTexelWalk w = walk;
  int32_t a = c.A, r = c.R, g = c.G, b = c.B;
  for (int i = 0; i < n; ++i) {
    uint32_t src = NextTexel<F>(w);
    if constexpr (S == EShading::Flat) {
      src = ModulatePixel(src, flat);
    } else if constexpr (S == EShading::Gouraud) {
      src = ModulatePixel(src, (static_cast<uint32_t>(a >> 16) << 24) | (static_cast<uint32_t>(r >> 16) << 16) |
                                   (static_cast<uint32_t>(g >> 16) << 8) | static_cast<uint32_t>(b >> 16));
      a += c.DA;
      r += c.DR;
      g += c.DG;
      b += c.DB;
    }
    dst[i] = BlendPixel<SF, DF>(src, dst[i]);
  }
}
#endif

constexpr int FusedKinds = 9;  // EShading × EFetch
using TTexturedSpans = std::array<TTexturedSpanFn, FusedKinds>;

template <EFactor SF, EFactor DF>
constexpr TTexturedSpans TexturedSpansOf() {
  using S = EShading;
  using F = EFetch;
  return {&TexturedSpan<SF, DF, S::White, F::Row>,   &TexturedSpan<SF, DF, S::White, F::Free>,
          &TexturedSpan<SF, DF, S::White, F::Clamped>, &TexturedSpan<SF, DF, S::Flat, F::Row>,
          &TexturedSpan<SF, DF, S::Flat, F::Free>,     &TexturedSpan<SF, DF, S::Flat, F::Clamped>,
          &TexturedSpan<SF, DF, S::Gouraud, F::Row>,   &TexturedSpan<SF, DF, S::Gouraud, F::Free>,
          &TexturedSpan<SF, DF, S::Gouraud, F::Clamped>};
}

template <int Mode>
constexpr TTexturedSpans TexturedSpansOfMode() {
  return TexturedSpansOf<BlendTable[Mode].Src, BlendTable[Mode].Dst>();
}

// The modes the game draws most with; the others take the general pipeline.
TTexturedSpanFn FusedTexturedSpan(int mode, EShading shading, EFetch fetch) {
  static constexpr TTexturedSpans Normal = TexturedSpansOfMode<0>(), Add = TexturedSpansOfMode<1>(),
                                  AddAlpha = TexturedSpansOfMode<2>(), AddColour = TexturedSpansOfMode<4>();
  const size_t kind = static_cast<size_t>(shading) * 3 + static_cast<size_t>(fetch);
  switch (mode) {
    case 0: return Normal[kind];
    case 1: return Add[kind];
    case 2: return AddAlpha[kind];
    case 4: return AddColour[kind];
    default: return nullptr;
  }
}

}  // namespace

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
  bool flat = t.Flat;
  uint32_t flatColour = t.FlatColour;
  if (!flat) {
    StartChannel(t.A.At(px, py), t.DA, n, ramp.A, ramp.DA);
    StartChannel(t.R.At(px, py), t.DR, n, ramp.R, ramp.DR);
    StartChannel(t.G.At(px, py), t.DG, n, ramp.G, ramp.DG);
    StartChannel(t.B.At(px, py), t.DB, n, ramp.B, ramp.DB);
    // Colours that change only from row to row (a vertical gradient) are one colour per row.
    if (!t.Target->Plain && (ramp.DA | ramp.DR | ramp.DG | ramp.DB) == 0) {
      flat = true;
      flatColour = (static_cast<uint32_t>(ramp.A >> 16) << 24) | (static_cast<uint32_t>(ramp.R >> 16) << 16) |
                   (static_cast<uint32_t>(ramp.G >> 16) << 8) | static_cast<uint32_t>(ramp.B >> 16);
      if (!t.Textured) {
        if (ReplacesOnOpaque(BlendTable[t.Target->Mode]) && (flatColour >> 24) == 255)
          std::fill_n(dst, n, flatColour);
        else
          t.BlendConst(dst, nullptr, flatColour, n);
        return;
      }
    }
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
      u = FloorToInt(us * Fixed32);
      v = FloorToInt(vs * Fixed32);
      const int64_t uEnd = u + (n - 1) * t.DU, vEnd = v + (n - 1) * t.DV;
      const int64_t uLimit = static_cast<int64_t>(tex->Width) << 32, vLimit = static_cast<int64_t>(tex->Height) << 32;
      clamp = std::min(u, uEnd) < 0 || std::max(u, uEnd) >= uLimit || std::min(v, vEnd) < 0 ||
              std::max(v, vEnd) >= vLimit;
    }
    if (!slow && !t.Target->Plain) {
      const EShading shading = !flat ? EShading::Gouraud : flatColour == 0xFFFFFFFFu ? EShading::White : EShading::Flat;
      const EFetch fetch = clamp ? EFetch::Clamped : t.DV == 0 ? EFetch::Row : EFetch::Free;
      if (const TTexturedSpanFn fused = FusedTexturedSpan(t.Target->Mode, shading, fetch)) {
        const int64_t width = tex->Width;
        const uint32_t* texels = tex->Texels.data();
        if (fetch == EFetch::Row) texels += (v >> 32) * width;
        TTexelWalk walk{texels, width, width - 1, tex->Height - 1, u, v, t.DU, t.DV};
        fused(dst, walk, flatColour, ramp, n);
        return;
      }
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
      if (!flat) {
        GouraudSpan(colours, ramp, m);
        ModulateSpan<false>(source, colours, 0, m);
      } else if (flatColour != 0xFFFFFFFFu) {  // white modulates nothing
        ModulateSpan<true>(source, nullptr, flatColour, m);
      }
    } else {
      GouraudSpan(source, ramp, m);
    }
    t.BlendVarying(dst + done, source, 0, m);
    done += m;
  }
}

}  // namespace lr::raster
