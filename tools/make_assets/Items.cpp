// The level pieces and the powerup pictures: platform tile, rope, bubble, the nine icons,
// spark frames, smoke puff and the glove's coil.
#include <functional>

#include "Sheets.h"

namespace assets {
namespace {

const Rgba kInk = C8(26, 18, 30);  // the dark rim of every icon

// Lit colour: k < 0 darkens toward a shadow of the base, k > 0 lightens toward white.
Rgba Lit(Rgba base, double k) {
  if (k < 0) return Mix(base, Scale(base, 0.42), Clamp01(-k));
  return Mix(base, C8(255, 255, 255), Clamp01(k) * 0.75);
}

// Light from the upper left, for a round part centred at c with radius r.
double RoundLight(Vec2 p, Vec2 c, double r) {
  Vec2 d = (p - c) * (1.0 / r);
  return Clamp(-(d.x * 0.55 + d.y * 0.8), -1.0, 1.0);
}

// A small four-pointed twinkle.
double SdTwinkle(Vec2 p, Vec2 c, double size) {
  Vec2 d = p - c;
  double ax = std::fabs(d.x), ay = std::fabs(d.y);
  double star = std::min(std::max(ax * 3.2, ay), std::max(ay * 3.2, ax)) - size;
  return std::min(star, Length(d) - size * 0.32);
}

Image Icon(const std::function<void(Canvas&)>& draw) {
  Canvas c(32, 32);
  draw(c);
  return FlattenKeyed(c, Magenta(), kInk);
}

template <class Dist, class Paint>
void Inked(Canvas& c, Dist dist, Paint paint, double width = 1.15) {
  c.FillOutlined(dist, paint, kInk, width);
}

// --- icons ---------------------------------------------------------------------------------

void DrawMine(Canvas& c) {
  Vec2 dc{16, 20.5};
  auto dome = [&](Vec2 p) { return Intersect(SdEllipse(p, dc, {11, 10}), p.y - dc.y); };
  auto base = [&](Vec2 p) { return SdBox(p, {16, 23.4}, {13.2, 3.0}, 1.4); };
  auto pin = [&](Vec2 p) { return SdBox(p, {16, 9.6}, {2.2, 2.0}, 0.6); };
  auto light = [&](Vec2 p) { return SdCircle(p, {16, 8.6}, 2.6); };
  Inked(c, [&](Vec2 p) { return std::min({dome(p), base(p), pin(p), light(p)}); },
        [&](Vec2) { return kInk; }, 1.2);
  Rgba steel = C8(108, 118, 104);
  c.Fill(dome, [&](Vec2 p) { return Lit(steel, RoundLight(p, {13, 16}, 11) * 0.9); });
  // a rim line between dome and base, and rivets on the dome
  c.FillSolid([&](Vec2 p) { return SdCapsule(p, {6, 20.6}, {26, 20.6}, 0.55); }, C8(40, 42, 40));
  for (double x : {9.5, 16.0, 22.5})
    c.FillSolid([&](Vec2 p) { return SdCircle(p, {x, 17.8}, 0.9); }, C8(190, 196, 184));
  // hazard stripes on the base plate
  c.Fill(base, [&](Vec2 p) {
    double s = std::floor((p.x + p.y) / 3.2);
    bool yellow = int(s) % 2 == 0;
    Rgba col = yellow ? C8(250, 200, 30) : C8(40, 34, 30);
    return Lit(col, (21.8 - p.y) * 0.12);
  });
  c.FillSolid(pin, C8(80, 80, 86));
  c.Fill(light, [&](Vec2 p) { return Lit(C8(255, 50, 30), RoundLight(p, {16, 8.6}, 2.6)); });
  c.FillSolid([&](Vec2 p) { return SdCircle(p, {15.1, 7.7}, 0.8); }, C8(255, 230, 220));
}

void DrawElec(Canvas& c) {
  std::vector<Vec2> bolt = {{17.5, 1.8}, {7.6, 17.6}, {14.2, 17.6}, {9.6, 30.2}, {24.6, 12.4}, {18.0, 12.4}, {25.4, 1.8}};
  auto d = [&](Vec2 p) { return SdPolygon(p, bolt); };
  Inked(c, d, [&](Vec2 p) {
    Rgba col = Ramp({C8(255, 255, 210), C8(255, 238, 60), C8(255, 190, 0), C8(255, 120, 0)}, (p.y - 2) / 28);
    // brighter along the bolt's core
    double inner = Clamp01(-d(p) / 2.5);
    return Lit(col, inner * 0.45);
  }, 1.25);
}

void DrawBoots(Canvas& c) {
  // the spring under the sole
  std::vector<Vec2> zig = {{11.5, 21.0}, {24.5, 22.6}, {11.5, 24.6}, {24.5, 26.4}, {11.5, 28.2}};
  auto spring = [&](Vec2 p) { return DistPolyline(p, zig) - 1.2; };
  auto plate = [&](Vec2 p) { return SdBox(p, {18, 29.6}, {8.5, 1.3}, 0.6); };
  Inked(c, [&](Vec2 p) { return std::min(spring(p), plate(p)); }, [&](Vec2) { return kInk; });
  c.Fill(spring, [&](Vec2 p) { return Lit(C8(190, 198, 212), (23 - p.y) * 0.05 + 0.2); });
  c.Fill(plate, [&](Vec2) { return C8(120, 126, 138); });
  // the boot: shaft, foot and sole
  auto shaft = [&](Vec2 p) { return SdBox(p, {13.8, 9.8}, {5.2, 7.6}, 1.6); };
  auto foot = [&](Vec2 p) { return SdBox(p, {18.6, 15.8}, {9.6, 3.6}, 3.4); };
  auto sole = [&](Vec2 p) { return SdBox(p, {18.4, 19.2}, {10.2, 1.5}, 1.0); };
  auto boot = [&](Vec2 p) { return std::min({shaft(p), foot(p), sole(p)}); };
  Inked(c, boot, [&](Vec2) { return kInk; });
  Rgba leather = C8(200, 62, 34);
  c.Fill([&](Vec2 p) { return std::min(shaft(p), foot(p)); }, [&](Vec2 p) {
    double k = (13.0 - p.x) * 0.05 + (10 - p.y) * 0.03;
    return Lit(leather, k);
  });
  c.FillSolid(sole, C8(58, 40, 34));
  // cuff band and laces
  c.FillSolid([&](Vec2 p) { return SdBox(p, {13.8, 3.6}, {5.0, 1.3}, 0.6); }, C8(250, 220, 140));
  for (double y : {8.0, 11.0, 14.0})
    c.FillSolid([&](Vec2 p) { return SdCapsule(p, {16.8, y}, {19.4, y + 0.8}, 0.55); }, C8(255, 236, 200));
}

void DrawSwitch(Canvas& c) {
  auto arrow = [](Vec2 tail, double dir) {
    return [=](Vec2 p) {
      Vec2 tip{tail.x + dir * 22.5, tail.y};
      Vec2 headBase{tip.x - dir * 9.0, tail.y};
      double shaft = SdCapsule(p, tail, headBase, 2.3);
      std::vector<Vec2> head = {{headBase.x, tail.y - 6.8}, tip, {headBase.x, tail.y + 6.8}};
      return std::min(shaft, SdPolygon(p, head));
    };
  };
  auto top = arrow({5.5, 10.5}, +1);
  auto bottom = arrow({26.5, 21.5}, -1);
  Inked(c, top, [&](Vec2 p) { return Lit(C8(70, 190, 255), (10.5 - p.y) * 0.12); });
  Inked(c, bottom, [&](Vec2 p) { return Lit(C8(255, 150, 30), (21.5 - p.y) * 0.12); });
}

void DrawDeath(Canvas& c) {
  auto cranium = [&](Vec2 p) { return SdEllipse(p, {16, 13.0}, {10.6, 10.2}); };
  auto jaw = [&](Vec2 p) { return SdBox(p, {16, 23.0}, {6.6, 5.0}, 2.4); };
  auto skull = [&](Vec2 p) { return std::min(cranium(p), jaw(p)); };
  Inked(c, skull, [&](Vec2 p) { return Lit(C8(236, 230, 208), RoundLight(p, {14, 11}, 12) * 0.8); }, 1.2);
  Rgba hole = C8(34, 18, 30);
  for (double x : {11.6, 20.4})
    c.FillSolid([&](Vec2 p) { return SdEllipse(p, {x, 14.2}, {3.3, 3.7}); }, hole);
  // glowing pupils
  for (double x : {11.9, 20.1})
    c.Fill([&](Vec2 p) { return SdCircle(p, {x, 14.6}, 1.3); },
           [&](Vec2 p) { return Mix(C8(255, 230, 120), C8(255, 40, 20), Clamp01(Length(p - Vec2{x, 14.6}) / 1.3)); });
  c.FillSolid([&](Vec2 p) { return SdPolygon(p, {{16, 17.6}, {17.8, 20.6}, {14.2, 20.6}}); }, hole);
  // teeth
  for (double x : {12.6, 15.0, 17.4, 19.8})
    c.FillSolid([&](Vec2 p) { return SdCapsule(p, {x + 0.6, 23.2}, {x + 0.6, 27.2}, 0.45); }, C8(120, 110, 100));
  c.FillSolid([&](Vec2 p) { return SdCapsule(p, {10.8, 24.6}, {21.2, 24.6}, 0.4); }, C8(120, 110, 100));
}

void DrawTnt(Canvas& c) {
  const double xs[3] = {9.8, 16.0, 22.2};
  auto stick = [&](int i) { return [&, i](Vec2 p) { return SdBox(p, {xs[i], 19.2}, {3.0, 9.6}, 1.4); }; };
  auto fuse = [&](Vec2 p) {
    return DistPolyline(p, {{16.0, 9.8}, {16.4, 6.6}, {18.2, 4.4}, {21.0, 3.6}, {23.2, 4.6}}) - 0.8;
  };
  Inked(c, fuse, [&](Vec2) { return C8(180, 150, 110); }, 0.9);
  for (int i : {0, 2, 1}) {
    Inked(c, stick(i), [&, i](Vec2 p) {
      double u = (p.x - xs[i]) / 3.0;  // across the stick
      double k = 0.55 - std::fabs(u + 0.35) * 1.1;
      Rgba col = Lit(C8(214, 40, 30), k);
      if (std::fabs(p.y - 10.2) < 0.9 || std::fabs(p.y - 28.2) < 0.9) col = Scale(col, 0.7);
      return col;
    }, 1.0);
  }
  // the band that ties them
  c.Fill([&](Vec2 p) { return SdBox(p, {16, 19.0}, {10.0, 2.2}, 0.6); },
         [&](Vec2 p) { return Lit(C8(70, 56, 44), (19.0 - p.y) * 0.25); });
  c.FillSolid([&](Vec2 p) { return SdCapsule(p, {7.4, 19.0}, {24.6, 19.0}, 0.35); }, C8(150, 130, 100));
  // the spark at the end of the fuse
  c.FillSolid([&](Vec2 p) { return SdTwinkle(p, {24.4, 4.6}, 4.6) - 0.9; }, C8(120, 40, 0));
  c.FillSolid([&](Vec2 p) { return SdTwinkle(p, {24.4, 4.6}, 4.6); }, C8(255, 210, 60));
  c.FillSolid([&](Vec2 p) { return SdCircle(p, {24.4, 4.6}, 1.3); }, C8(255, 255, 230));
}

void DrawTele(Canvas& c) {
  Vec2 ctr{16, 16};
  auto ring = [&](Vec2 p) { return std::fabs(SdCircle(p, ctr, 10.4)) - 2.4; };
  auto disc = [&](Vec2 p) { return SdCircle(p, ctr, 9.0); };
  // swirl inside the ring
  c.Fill(disc, [&](Vec2 p) {
    Vec2 d = p - ctr;
    double r = Length(d) / 9.0;
    double a = Atan2(d.y, d.x);
    double swirl = 0.5 + 0.5 * Sin(a * 3.0 + r * 7.0);
    Rgba deep = C8(40, 16, 96), glow = C8(150, 110, 255);
    return Mix(Mix(deep, glow, swirl * (1.0 - r) * 0.9), C8(230, 220, 255), Clamp01(1.0 - r * 3.2));
  });
  Inked(c, ring, [&](Vec2 p) {
    Vec2 d = p - ctr;
    double a = Atan2(d.y, d.x);
    double t = 0.5 + 0.5 * Sin(a * 2.0 - 0.6);
    Rgba col = Mix(C8(110, 70, 250), C8(70, 230, 255), t);
    double across = (Length(d) - 10.4) / 2.4;  // -1 inner .. 1 outer
    return Lit(col, 0.45 - across * across * 0.9);
  }, 1.1);
  for (auto s : {Vec2{26.2, 5.4}, Vec2{5.0, 25.8}, Vec2{27.4, 25.0}})
    c.FillSolid([&](Vec2 p) { return SdTwinkle(p, s, 3.4); }, C8(235, 250, 255));
}

void DrawGun(Canvas& c) {
  auto slide = [&](Vec2 p) { return SdBox(p, {17.2, 10.8}, {11.0, 3.4}, 1.2); };
  auto grip = [&](Vec2 p) { return SdPolygon(p, {{7.4, 12.0}, {15.2, 12.0}, {13.4, 27.4}, {5.0, 26.2}}); };
  auto gripR = [&](Vec2 p) { return grip(p) - 0.8; };
  auto guard = [&](Vec2 p) { return Intersect(std::fabs(SdCircle(p, {17.6, 14.4}, 3.6)) - 0.9, 14.2 - p.y); };
  auto trigger = [&](Vec2 p) { return SdCapsule(p, {17.0, 14.2}, {16.4, 16.6}, 0.6); };
  Inked(c, [&](Vec2 p) { return std::min({slide(p), gripR(p), guard(p)}); }, [&](Vec2) { return kInk; }, 1.15);
  c.Fill(gripR, [&](Vec2 p) {
    double grain = 0.5 + 0.5 * Sin((p.x * 0.6 - p.y * 1.7));
    return Lit(C8(128, 74, 40), (10.0 - p.x) * 0.06 + grain * 0.15 - 0.1);
  });
  c.FillSolid(guard, C8(60, 62, 70));
  c.FillSolid(trigger, C8(40, 40, 46));
  c.Fill(slide, [&](Vec2 p) { return Lit(C8(160, 166, 178), (10.8 - p.y) * 0.22 + 0.05); });
  // serrations, sight and muzzle
  for (double x : {8.4, 10.0, 11.6})
    c.FillSolid([&](Vec2 p) { return SdCapsule(p, {x, 8.6}, {x, 12.4}, 0.4); }, C8(80, 84, 96));
  c.FillSolid([&](Vec2 p) { return SdBox(p, {26.0, 6.9}, {0.9, 0.8}, 0.2); }, kInk);
  c.FillSolid([&](Vec2 p) { return SdCircle(p, {27.6, 10.8}, 1.0); }, C8(30, 30, 36));
}

void DrawGlove(Canvas& c) {
  // a short length of spring leading into the cuff, level with the middle
  std::vector<Vec2> zig;
  for (int i = 0; i <= 6; ++i) zig.push_back({0.9 + i * 1.35, i % 2 ? 12.4 : 19.6});
  auto spring = [&](Vec2 p) { return DistPolyline(p, zig) - 0.8; };
  Inked(c, spring, [&](Vec2 p) { return Lit(C8(186, 194, 208), (16 - p.y) * 0.06); }, 0.9);
  auto cuff = [&](Vec2 p) { return SdBox(p, {10.6, 16.0}, {3.2, 6.8}, 1.8); };
  auto fist = [&](Vec2 p) { return SdEllipse(p, {20.0, 14.6}, {9.6, 10.2}); };
  auto thumb = [&](Vec2 p) { return SdEllipse(p, {19.0, 21.6}, {6.4, 4.0}); };
  auto glove = [&](Vec2 p) { return std::min({cuff(p), fist(p), thumb(p)}); };
  Inked(c, glove, [&](Vec2) { return kInk; }, 1.2);
  Rgba red = C8(222, 30, 30);
  c.Fill(fist, [&](Vec2 p) { return Lit(red, RoundLight(p, {18.0, 12.0}, 11.0) * 0.95); });
  // the thumb, with a crease
  c.FillSolid([&](Vec2 p) { return thumb(p) - 0.7; }, C8(110, 10, 14));
  c.Fill(thumb, [&](Vec2 p) { return Lit(red, RoundLight(p, {17.0, 20.0}, 6.0) * 0.7 - 0.1); });
  c.Fill(cuff, [&](Vec2 p) { return Lit(C8(236, 236, 240), (10.6 - p.x) * 0.06 - 0.1); });
  c.FillSolid([&](Vec2 p) { return SdBox(p, {11.0, 16.0}, {0.9, 6.2}, 0.4); }, C8(220, 40, 40));
  // shine
  c.FillSolid([&](Vec2 p) { return SdEllipse(p, {17.0, 8.2}, {3.2, 1.6}); }, C8(255, 200, 190, 0.85));
}

}  // namespace

// --- level pieces --------------------------------------------------------------------------

Image MakePlatform() {
  // A slab of dark volcanic stone: a worn, lighter walking surface, fine cracks, and a rough
  // underside lit red by the lava below. Everything repeats every 32 pixels so the tiles join
  // seamlessly side by side.
  Canvas c(32, 32);
  const Rgba rim = C8(30, 20, 20);
  auto under = [](double x) {
    double t = x / 32.0 * kTwoPi;
    return 27.0 + 1.6 * Sin(t * 2 + 0.7) + 1.1 * Sin(t * 3 + 2.1) + 0.7 * Sin(t * 5 + 0.3);
  };
  auto slab = [&](Vec2 p) { return p.y - under(p.x); };
  c.FillSolid([&](Vec2 p) { return slab(p) - 1.0; }, rim);
  c.Fill(slab, [&](Vec2 p) {
    double n = Fbm(p.x, p.y, 16, 3, 32, 11);
    Rgba stone = Mix(C8(58, 52, 56), C8(96, 88, 88), n);
    // fine cracks: the thin valleys of a ridged noise
    double ridge = std::fabs(Fbm(p.x, p.y * 1.4, 16, 3, 32, 23) * 2.0 - 1.0);
    if (p.y > 6.5) stone = Mix(Scale(stone, 0.5), stone, SmoothStep(0.02, 0.09, ridge));
    // the walking surface: a lit edge over a lighter, worn face with a shadowed lip
    if (p.y < 5.5) stone = Mix(C8(150, 140, 132), C8(176, 166, 154), Fbm(p.x, p.y, 8, 2, 32, 31));
    if (p.y < 1.2) stone = C8(226, 216, 200);
    if (p.y >= 5.5 && p.y < 7.0) stone = Scale(stone, 0.6);
    // lava glow from below
    double glow = SmoothStep(13.0, 29.0, p.y);
    return Mix(stone, C8(176, 56, 18), glow * 0.6);
  });
  return FlattenKeyed(c, Magenta(), rim);
}

Image MakeRope() {
  // Tile 0 is an ordinary segment, tile 1 the top one with its iron ring and knot. The strands
  // depend on y modulo 32, so segments join seamlessly one under another.
  Canvas c(64, 32);
  const Rgba rim = C8(62, 40, 20);
  auto ropeColour = [](Vec2 p, double cx, double halfW) {
    double u = (p.x - cx) / halfW;  // -1 .. 1 across
    double round = std::sqrt(Clamp01(1.0 - u * u));
    double twist = p.y + u * 2.6;
    double f = twist / 8.0 - std::floor(twist / 8.0);
    double strand = 0.55 + 0.45 * Sin(f * kTwoPi);
    Rgba col = Mix(C8(150, 108, 56), C8(222, 184, 120), strand);
    if (f < 0.12) col = Scale(col, 0.6);  // the groove between strands
    return Lit(col, round * 0.35 - 0.25 + (u < 0 ? 0.1 : 0.0));
  };
  const double halfW = 3.2;
  // tile 0
  auto plain = [&](Vec2 p) { return std::fabs(p.x - 16.0) - halfW; };
  c.FillSolid([&](Vec2 p) { return plain(p) - 1.0; }, rim);
  c.Fill(plain, [&](Vec2 p) { return ropeColour(p, 16.0, halfW); });
  // tile 1: ring at the top, a knot under it, rope below
  Vec2 ring{48, 6.2};
  auto ringD = [&](Vec2 p) { return std::fabs(SdCircle(p, ring, 4.4)) - 1.3; };
  auto lower = [&](Vec2 p) { return Intersect(std::fabs(p.x - 48.0) - halfW, 11.0 - p.y); };
  auto knot = [&](Vec2 p) { return SdEllipse(p, {48, 14.4}, {5.2, 4.2}); };
  c.FillSolid([&](Vec2 p) { return std::min({ringD(p), lower(p), knot(p)}) - 1.0; }, rim);
  c.Fill(ringD, [&](Vec2 p) { return Lit(C8(150, 150, 160), RoundLight(p, ring, 5.7) * 0.8); });
  c.Fill(lower, [&](Vec2 p) { return ropeColour(p, 48.0, halfW); });
  c.FillSolid([&](Vec2 p) { return knot(p) - 0.8; }, rim);
  c.Fill(knot, [&](Vec2 p) {
    Vec2 d = p - Vec2{48, 14.4};
    double band = 0.5 + 0.5 * Sin(Atan2(d.y, d.x) * 3.0 + Length(d) * 0.9);
    return Lit(Mix(C8(160, 116, 62), C8(226, 188, 124), band), RoundLight(p, {48, 14.4}, 5.2) * 0.6);
  });
  return FlattenKeyed(c, Magenta(), rim);
}

Image MakeBubble() {
  // A filled disc (its pixels are what touches a player), drawn half transparent by the
  // game: a pale inside, a bright rim and a window highlight.
  Canvas c(32, 32);
  Vec2 ctr{16, 16};
  const double r = 15.6;
  const Rgba rim = C8(150, 220, 255);
  auto disc = [&](Vec2 p) { return SdCircle(p, ctr, r); };
  c.Fill(disc, [&](Vec2 p) {
    double k = Length(p - ctr) / r;
    Rgba inside = Mix(C8(36, 70, 130), C8(90, 170, 235), k * k);
    double rimBand = SmoothStep(0.80, 0.96, k);
    return Mix(inside, rim, rimBand);
  });
  c.FillSolid([&](Vec2 p) { return std::fabs(SdCircle(p, ctr, r - 1.1)) - 0.6; }, C8(220, 245, 255));
  // highlight arc at the upper left and a small glint lower right
  c.FillSolid([&](Vec2 p) {
    double arc = std::fabs(SdCircle(p, ctr, 11.2)) - 1.4;
    Vec2 d = p - ctr;
    return Intersect(arc, Intersect(d.x + 2.5, d.y + 2.5));
  }, C8(245, 252, 255));
  c.FillSolid([&](Vec2 p) { return SdCircle(p, {8.6, 10.4}, 1.7); }, C8(255, 255, 255));
  c.FillSolid([&](Vec2 p) { return SdEllipse(p, {22.8, 23.2}, {2.2, 1.3}); }, C8(210, 240, 255));
  return FlattenKeyed(c, Magenta(), rim);
}

Image MakePowerupIcon(int kind) {
  static const std::function<void(Canvas&)> draw[9] = {DrawMine, DrawElec,  DrawBoots, DrawSwitch, DrawDeath,
                                                       DrawTnt,  DrawTele, DrawGun,   DrawGlove};
  return Icon(draw[kind]);
}

Image MakeSparks() {
  // Five 8x8 frames of an electric spark, each smaller and dimmer than the one before: a hot
  // core with one-pixel rays, the diagonal rays going first.
  Canvas c(40, 8);
  struct Frame {
    double ray, diagonal, core, fade;
  };
  const Frame frames[5] = {{3.6, 2.6, 1.3, 1.0}, {2.8, 1.7, 1.0, 0.85}, {2.0, 0.0, 0.85, 0.7}, {1.1, 0.0, 0.75, 0.55},
                           {0.0, 0.0, 0.5, 0.42}};
  for (int f = 0; f < 5; ++f) {
    const Frame& fr = frames[f];
    Vec2 ctr{f * 8 + 3.5, 3.5};
    auto star = [&](Vec2 p) {
      double d = SdCircle(p, ctr, fr.core);
      if (fr.ray > 0) {
        d = std::min(d, SdCapsule(p, ctr - Vec2{fr.ray, 0}, ctr + Vec2{fr.ray, 0}, 0.5));
        d = std::min(d, SdCapsule(p, ctr - Vec2{0, fr.ray}, ctr + Vec2{0, fr.ray}, 0.5));
      }
      if (fr.diagonal > 0) {
        double k = fr.diagonal * 0.7071;
        d = std::min(d, SdCapsule(p, ctr - Vec2{k, k}, ctr + Vec2{k, k}, 0.45));
        d = std::min(d, SdCapsule(p, ctr - Vec2{k, -k}, ctr + Vec2{k, -k}, 0.45));
      }
      return d;
    };
    Rgba core = Mix(C8(110, 170, 255), C8(255, 255, 255), fr.fade);
    Rgba edge = Scale(C8(60, 120, 255), 0.45 + 0.55 * fr.fade);
    double reach = std::max(fr.ray, fr.core) + 0.5;
    c.Fill(star, [&](Vec2 p) { return Mix(core, edge, Clamp01((Length(p - ctr) - 0.6) / reach)); });
  }
  return FlattenKeyed(c, Magenta(), C8(30, 60, 190));
}

IndexedImage MakeSmoke() {
  // A soft grey puff on black, brightest in the middle; the game adds it to the screen, so
  // black is nothing and the brightness is the puff's strength.
  IndexedImage img;
  img.width = img.height = 32;
  for (int i = 0; i < 256; ++i) img.palette.push_back({uint8_t(i), uint8_t(i), uint8_t(i)});
  img.index.resize(32 * 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      Vec2 d{x + 0.5 - 16.0, y + 0.5 - 16.0};
      double r = Length(d) / 15.5;
      double lumps = Fbm(x + 0.5, y + 0.5, 8, 3, 0, 77);
      double edge = r * (0.86 + 0.28 * lumps);
      double v = Clamp01(1.0 - edge * edge);
      v = v * v;
      img.index[size_t(y) * 32 + x] = To8(v);
    }
  return img;
}

Image MakeCoil() {
  // A long steel spring seen from the side and a little from one end, so each turn shows as a
  // loop: the back half of every turn darker, the front half bright. One turn every 10 pixels.
  Canvas c(500, 16);
  const Rgba rim = C8(34, 36, 44);
  const double pitch = 10.0, radiusY = 5.2, radiusX = 2.8, wire = 1.0, midY = 8.0;
  auto at = [&](double th) { return Vec2{pitch * th / kTwoPi + radiusX * Cos(th), midY + radiusY * Sin(th)}; };
  // Distance to the front (cos > 0) or back half of the wire near p.
  auto wireDist = [&](Vec2 p, bool front) {
    const double step = kTwoPi / 32.0;
    double th0 = std::floor((p.x - radiusX - 3.0) / pitch * 32.0) * step;
    double th1 = (p.x + radiusX + 3.0) / pitch * kTwoPi;
    double best = 1e9;
    for (double th = th0; th < th1; th += step) {
      double mid = th + step * 0.5;
      if ((Cos(mid) > 0) != front) continue;
      best = std::min(best, DistSegment(p, at(th), at(th + step)));
    }
    return best - wire;
  };
  auto inside = [&](Vec2 p) { return Intersect(p.x - 499.0, 0.5 - p.x); };
  c.FillSolid([&](Vec2 p) { return Intersect(std::min(wireDist(p, true), wireDist(p, false)) - 0.9, inside(p)); },
              rim);
  c.Fill([&](Vec2 p) { return Intersect(wireDist(p, false), inside(p)); },
         [&](Vec2 p) { return Lit(C8(92, 98, 112), (midY - p.y) * 0.04); });
  c.FillSolid([&](Vec2 p) { return Intersect(wireDist(p, true) - 0.7, inside(p)); }, rim);
  c.Fill([&](Vec2 p) { return Intersect(wireDist(p, true), inside(p)); },
         [&](Vec2 p) { return Lit(C8(178, 186, 200), (midY - p.y) * 0.09 + 0.1); });
  return FlattenKeyed(c, Magenta(), rim);
}

}  // namespace assets
