// A floating-point drawing surface with signed-distance shapes. Every shape is a function that
// gives the signed distance in pixels from a point to its edge (negative inside); a pixel's
// coverage is read from the distance at its centre, which antialiases every edge by the same
// rule. Colours are straight RGBA in [0, 1]; the canvas stores them premultiplied.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "DetMath.h"

namespace assets {

struct Vec2 {
  double x = 0, y = 0;
};
inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, double s) { return {a.x * s, a.y * s}; }
inline double Dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline double Length(Vec2 a) { return std::sqrt(Dot(a, a)); }
inline Vec2 LerpV(Vec2 a, Vec2 b, double t) { return {Lerp(a.x, b.x, t), Lerp(a.y, b.y, t)}; }

struct Rgba {
  double r = 0, g = 0, b = 0, a = 1;
};
// A colour from 0..255 components.
inline Rgba C8(int r, int g, int b, double a = 1.0) { return {r / 255.0, g / 255.0, b / 255.0, a}; }
inline Rgba Mix(Rgba p, Rgba q, double t) {
  return {Lerp(p.r, q.r, t), Lerp(p.g, q.g, t), Lerp(p.b, q.b, t), Lerp(p.a, q.a, t)};
}
inline Rgba Scale(Rgba c, double k) { return {c.r * k, c.g * k, c.b * k, c.a}; }
// A colour ramp through evenly spaced stops, t in [0, 1].
Rgba Ramp(const std::vector<Rgba>& stops, double t);

// Distance helpers.
inline double SdCircle(Vec2 p, Vec2 c, double r) { return Length(p - c) - r; }
// Unsigned distance from p to the segment ab.
inline double DistSegment(Vec2 p, Vec2 a, Vec2 b) {
  Vec2 pa = p - a, ba = b - a;
  double l2 = Dot(ba, ba);
  double h = l2 > 0 ? Clamp01(Dot(pa, ba) / l2) : 0.0;
  return Length(pa - ba * h);
}
// Position along ab (0..1) of the point nearest to p.
inline double SegmentParam(Vec2 p, Vec2 a, Vec2 b) {
  Vec2 ba = b - a;
  double l2 = Dot(ba, ba);
  return l2 > 0 ? Clamp01(Dot(p - a, ba) / l2) : 0.0;
}
inline double SdCapsule(Vec2 p, Vec2 a, Vec2 b, double r) { return DistSegment(p, a, b) - r; }
// Axis-aligned box with centre c, half size h and corner radius r.
inline double SdBox(Vec2 p, Vec2 c, Vec2 h, double r = 0) {
  double dx = std::fabs(p.x - c.x) - h.x + r, dy = std::fabs(p.y - c.y) - h.y + r;
  double ox = std::max(dx, 0.0), oy = std::max(dy, 0.0);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(dx, dy), 0.0) - r;
}
// Ellipse, approximated by a scaled circle (exact on the axes, close enough for edges).
inline double SdEllipse(Vec2 p, Vec2 c, Vec2 r) {
  Vec2 q{(p.x - c.x) / r.x, (p.y - c.y) / r.y};
  double k = Length(q);
  if (k == 0) return -std::min(r.x, r.y);
  // first-order correction: distance = (k - 1) / |grad k|
  Vec2 g{q.x / (k * r.x), q.y / (k * r.y)};
  return (k - 1.0) / Length(g);
}
// Signed distance to a closed polygon (even-odd rule).
double SdPolygon(Vec2 p, const std::vector<Vec2>& pts);
// Unsigned distance to an open polyline.
double DistPolyline(Vec2 p, const std::vector<Vec2>& pts);

inline double Union(double a, double b) { return std::min(a, b); }
inline double Intersect(double a, double b) { return std::max(a, b); }
inline double Subtract(double a, double b) { return std::max(a, -b); }

// Coverage of a pixel whose centre lies at signed distance d from an edge.
inline double Coverage(double d) { return Clamp01(0.5 - d); }

class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h), px_(size_t(w) * h * 4, 0.0) {}
  int Width() const { return w_; }
  int Height() const { return h_; }

  // Premultiplied colour of a pixel.
  Rgba At(int x, int y) const {
    const double* p = &px_[(size_t(y) * w_ + x) * 4];
    return {p[0], p[1], p[2], p[3]};
  }
  void SetPremul(int x, int y, Rgba c) {
    double* p = &px_[(size_t(y) * w_ + x) * 4];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = c.a;
  }
  // Source-over of a straight colour with extra coverage k.
  void Over(int x, int y, Rgba c, double k) {
    double a = Clamp01(c.a * k);
    if (a <= 0) return;
    double* p = &px_[(size_t(y) * w_ + x) * 4];
    p[0] = c.r * a + p[0] * (1 - a);
    p[1] = c.g * a + p[1] * (1 - a);
    p[2] = c.b * a + p[2] * (1 - a);
    p[3] = a + p[3] * (1 - a);
  }

  // Paints shape `dist` (signed distance in pixels) with colour `paint(p)`.
  template <class Dist, class Paint>
  void Fill(Dist dist, Paint paint) {
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) {
        Vec2 p{x + 0.5, y + 0.5};
        double k = Coverage(dist(p));
        if (k > 0) Over(x, y, paint(p), k);
      }
  }
  template <class Dist>
  void FillSolid(Dist dist, Rgba c) {
    Fill(dist, [&](Vec2) { return c; });
  }
  // A shape with a dark rim: the rim is the shape grown by `width`, painted first.
  template <class Dist, class Paint>
  void FillOutlined(Dist dist, Paint paint, Rgba rim, double width) {
    FillSolid([&](Vec2 p) { return dist(p) - width; }, rim);
    Fill(dist, paint);
  }
  // Paints every pixel by a function of its centre that returns a straight colour with alpha.
  template <class Shader>
  void Shade(Shader shader) {
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) Over(x, y, shader(Vec2{x + 0.5, y + 0.5}), 1.0);
  }

 private:
  int w_, h_;
  std::vector<double> px_;
};

// An 8-bit RGB picture.
struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;  // top row first, 3 bytes a pixel
  Image() = default;
  Image(int w, int h) : width(w), height(h), rgb(size_t(w) * h * 3, 0) {}
  uint8_t* At(int x, int y) { return &rgb[(size_t(y) * width + x) * 3]; }
  const uint8_t* At(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

inline uint8_t To8(double v) { return uint8_t(std::floor(Clamp01(v) * 255.0 + 0.5)); }

// Flattens a canvas for a colour-keyed sheet. A pixel less than `solid` covered becomes the key
// colour exactly; any other pixel is composited over `matte`, a colour of the figure itself
// (its dark rim), so edges never take on any of the key colour. A figure pixel that would
// round to the key colour is nudged off it.
Image FlattenKeyed(const Canvas& c, Rgba key, Rgba matte, double solid = 0.5);
// Flattens over black, for sheets keyed by black: faint pixels fade into the key. Pixels at
// least `solid` covered never become pure black, so a figure keeps no holes.
Image FlattenOverBlack(const Canvas& c, double solid = 0.5);
// Copies a canvas into a region of an image at (ox, oy).
void Blit(Image& dst, const Image& src, int ox, int oy);

}  // namespace assets
