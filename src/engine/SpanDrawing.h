// Span drawing for TSoftwareDevice: the blend factors, the per-pixel arithmetic and the shading
// of one row of a triangle. Internal to the engine's rasteriser (SoftwareDevice.cpp, SpanDrawing.cpp).
#pragma once

#include <cstdint>

#include "engine/Vertex.h"

namespace lr::raster {


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

inline int ModeIndex(Integer mode) { return (mode >= 0 && mode < BlendModeCount) ? mode : 0; }

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

// Texel coordinates up to 2^28 texels stay exact in 32.32 fixed point over any span.
constexpr double Fixed32 = 4294967296.0;
constexpr double TexelSafe = 268435456.0;

// A texel coordinate in texels to an index inside the texture; NaN goes to 0.
inline int64_t ClampTexel(double t, int64_t size) {
  if (!(t >= 0)) return 0;
  if (t >= static_cast<double>(size)) return size - 1;
  return static_cast<int64_t>(t);
}

// dst[i] := blend(src[i], dst[i]), or blend(constSrc, dst[i]) for the constant kind.
using TBlendSpanFn = void (*)(uint32_t* dst, const uint32_t* src, uint32_t constSrc, int n);
TBlendSpanFn VaryingBlendSpan(int mode);
TBlendSpanFn ConstBlendSpan(int mode);

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
  bool Plain;               // every span through the general pipeline, no shortcuts
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

// Shades pixels x .. x + n - 1 of the row whose centres lie at py and blends them into dst.
void DrawSpan(const TTriangleShade& t, uint32_t* dst, int x, int n, double py);

}  // namespace lr::raster
