// The desktop icon: a stick figure leaping over a lava band, on a dark rounded square. Drawn in
// a 64-unit box and scaled, so every size is the same drawing with its own antialiased edges.
#include "Sheets.h"

namespace assets {

namespace {

constexpr double kBox = 64.0;
constexpr double kCorner = 12.0;
// The lava's surface: a gentle swell about this height, in units.
double LavaSurface(double x) { return 45.0 + 1.8 * Sin(x * 0.21 + 0.7) + 0.9 * Sin(x * 0.53 + 2.1); }

// The figure in mid-leap, knees drawn up and arms thrown high: head, spine, then each limb from
// the body outwards (root, joint, end).
struct Stroke {
  Vec2 a, b;
};
constexpr Vec2 kHead{35.0, 11.5};
constexpr double kHeadR = 5.0, kLimbR = 2.1, kRim = 1.3;
const Stroke kStrokes[] = {
    {{33.6, 17.0}, {30.4, 31.0}},  // spine
    {{33.0, 19.5}, {40.0, 15.5}},  // near arm, upper
    {{40.0, 15.5}, {44.5, 8.0}},   // near arm, lower
    {{33.0, 19.5}, {26.0, 17.5}},  // far arm, upper
    {{26.0, 17.5}, {21.5, 10.5}},  // far arm, lower
    {{30.4, 31.0}, {38.5, 34.5}},  // near thigh
    {{38.5, 34.5}, {35.5, 41.5}},  // near shin
    {{30.4, 31.0}, {24.5, 37.5}},  // far thigh
    {{24.5, 37.5}, {18.5, 36.5}},  // far shin
};

double FigureDistance(Vec2 p) {
  double d = SdCircle(p, kHead, kHeadR);
  for (const Stroke& s : kStrokes) d = Union(d, SdCapsule(p, s.a, s.b, kLimbR));
  return d;
}

}  // namespace

Canvas MakeIcon(int size) {
  Canvas c(size, size);
  const double s = size / kBox;
  auto unit = [s](Vec2 p) { return p * (1.0 / s); };
  auto square = [&](Vec2 p) { return SdBox(unit(p), {kBox / 2, kBox / 2}, {kBox / 2, kBox / 2}, kCorner) * s; };
  const std::vector<Rgba> sky = {C8(22, 8, 24), C8(46, 12, 20), C8(120, 30, 8)};
  const std::vector<Rgba> lava = {C8(255, 226, 120), C8(255, 150, 20), C8(214, 58, 0), C8(120, 14, 0)};
  // The night above, reddening towards the lava, then the molten band with a crust of noise.
  c.Fill(square, [&](Vec2 p) {
    const Vec2 u = unit(p);
    const double depth = u.y - LavaSurface(u.x);
    if (depth < 0) return Ramp(sky, Clamp01(u.y / LavaSurface(u.x)) * Clamp01(u.y / LavaSurface(u.x)));
    const double flow = Fbm(u.x, u.y * 1.6, 9, 3, 0, 11);
    const double heat = Clamp01(Exp(-depth / 2.5) + SmoothStep(0.55, 0.85, flow) * 0.7);
    return Ramp(lava, 1.0 - heat);
  });
  // The glow of the lava on the figure's underside comes from its rim colour; the figure itself
  // is the game's light grey inside a dark rim.
  c.FillOutlined([&](Vec2 p) { return FigureDistance(unit(p)) * s; },
                 [&](Vec2 p) { return Mix(C8(255, 255, 255), C8(255, 190, 120), Clamp01((unit(p).y - 10.0) / 34.0)); },
                 C8(40, 10, 6), kRim * s);
  return c;
}

}  // namespace assets
