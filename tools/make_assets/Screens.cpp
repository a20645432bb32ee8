// The lava band, the title picture and the lettered menu entries and board headings.
#include <functional>

#include "Lettering.h"
#include "Sheets.h"

namespace assets {
namespace {

// A piece of hot lettering at one point: signed distance to its edge (pixels) and how far up
// the rounded stroke the point sits (1 on the centre line, 0 at the edge).
struct InkSample {
  double d = 1e9;
  double h = 0;
};

InkSample TextSample(const TextShape& t, Vec2 p) {
  double c = t.CentreDistance(p);
  double u = c / t.HalfStroke();
  return {c - t.HalfStroke(), std::sqrt(Clamp01(1.0 - u * u))};
}

InkSample Closer(InkSample a, InkSample b) { return a.d <= b.d ? a : b; }

struct HotStyle {
  std::vector<Rgba> ramp;  // top of the letters to their foot
  double rim = 2.0;        // width of the dark rim, pixels
  Rgba rimColour = C8(84, 12, 2);
  Rgba shadow = C8(40, 4, 0);  // a drop shadow under the rim
  Vec2 shadowOffset{2.0, 2.5};
};

// Paints molten lettering: a drop shadow, a dark rim, then the rounded strokes shaded like hot
// metal, white-hot along the top of each stroke. `lineOf` tells which line's top and foot a
// point belongs to (for the colour ramp).
void PaintHot(Canvas& c, const std::function<InkSample(Vec2)>& ink, const std::function<Vec2(Vec2)>& lineSpan,
              const HotStyle& style, uint32_t seed) {
  c.FillSolid([&](Vec2 p) { return ink(p - style.shadowOffset).d - style.rim; }, style.shadow);
  c.FillSolid([&](Vec2 p) { return ink(p).d - style.rim; }, style.rimColour);
  c.Fill([&](Vec2 p) { return ink(p).d; }, [&](Vec2 p) {
    InkSample s = ink(p);
    Vec2 span = lineSpan(p);
    double t = Clamp01((p.y - span.x) / (span.y - span.x));
    // a little flicker so the surface looks molten rather than painted
    double n = Fbm(p.x, p.y, 10, 3, 0, seed);
    Rgba col = Ramp(style.ramp, Clamp01(t + (n - 0.5) * 0.22));
    // rounded stroke: lighter on the crown, darker at the sides
    col = Mix(Scale(col, 0.62), col, SmoothStep(0.0, 0.75, s.h));
    // a hot glint on the upper side of the stroke
    InkSample up = ink(p + Vec2{0.0, 1.6});
    double glint = SmoothStep(0.55, 0.95, s.h) * Clamp01((s.h - up.h) * 3.0 + 0.3);
    return Mix(col, C8(255, 252, 230), glint * 0.55);
  });
}

HotStyle FireStyle(double rim) {
  HotStyle s;
  s.ramp = {C8(255, 250, 205), C8(255, 226, 70), C8(255, 160, 16), C8(240, 84, 6), C8(178, 24, 4)};
  s.rim = rim;
  return s;
}

}  // namespace

Image MakeLava() {
  // The game adds this picture to the screen by its own colour (colour x colour + screen), so
  // black lets the background through and each value shows as its square. Colours are chosen
  // by how they should look and stored as square roots. Everything that varies along x repeats
  // every 640 pixels, so the band tiles seamlessly.
  const int W = 640, H = 60;
  Image img(W, H);
  auto surfaceAt = [&](double x) {
    double t = x / W * kTwoPi;
    double y = 13.0 + 2.6 * Sin(t * 4 + 0.4) + 1.6 * Sin(t * 9 + 2.2) + 0.8 * Sin(t * 23 + 1.1);
    // a few molten humps swelling up through the surface
    for (int k = 0; k < 7; ++k) {
      double cx = 40.0 + k * 91.0 + 17.0 * Sin(k * 2.3);
      double dx = x - cx;
      dx -= W * std::floor(dx / W + 0.5);  // nearest copy, so humps wrap round the seam
      double w = 9.0 + 4.0 * Sin(k * 1.7);
      y -= (3.0 + 1.5 * Sin(k * 3.1)) * Exp(-dx * dx / (w * w));
    }
    return y;
  };
  const std::vector<Rgba> ramp = {C8(36, 2, 0), C8(120, 14, 0), C8(214, 58, 0), C8(255, 132, 10), C8(255, 210, 86)};
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      double fx = x + 0.5, fy = y + 0.5;
      double depth = fy - surfaceAt(fx);
      Rgba look{0, 0, 0, 1};
      if (depth < 0) {
        // heat shimmer just above the surface
        look = Scale(C8(255, 96, 10), Exp(depth / 1.8) * 0.6);
      } else {
        // slowly churning molten rock: warped noise for the flow, dark crust where it cools,
        // glowing seams between the crust plates
        double warp = Fbm(fx, fy * 1.6, 80, 2, W, 3) * 60.0;
        double flow = Fbm(fx + warp, fy * 1.8, 40, 4, W, 5);
        double heat = SmoothStep(0.34, 0.84, flow);
        double seam = 1.0 - std::fabs(Fbm(fx - warp * 0.5, fy * 2.2, 32, 3, W, 7) * 2.0 - 1.0);
        heat = std::max(heat, SmoothStep(0.86, 0.97, seam) * 0.95);
        // hottest right under the skin
        heat = std::max(heat, Exp(-depth / 1.4));
        heat = Clamp01(heat + 0.12 * Exp(-depth / 6.0));
        look = Ramp(ramp, heat);
        // two layers of this band add up on screen, so each shows at a little over half strength
        look = Scale(look, 0.62);
      }
      uint8_t* o = img.At(x, y);
      o[0] = To8(std::sqrt(Clamp01(look.r)));
      o[1] = To8(std::sqrt(Clamp01(look.g)));
      o[2] = To8(std::sqrt(Clamp01(look.b)));
    }
  return img;
}

Image MakeTitle() {
  Canvas c(400, 200);
  // The title comes to rest with its top 42 rows above the screen, and the first menu entry
  // sits just under it, so the words use rows 46 to 188.
  TextShape lava("LAVA", 0.30, 0.10, {40, 46}, {320, 80}, 0.16);
  TextShape rumble("RUMBLE", 0.27, 0.08, {52, 132}, {296, 56}, 0.16);
  auto ink = [&](Vec2 p) { return Closer(TextSample(lava, p), TextSample(rumble, p)); };
  auto span = [&](Vec2 p) {
    return p.y < (lava.Bottom() + rumble.Top()) * 0.5 ? Vec2{lava.Top(), lava.Bottom()} : Vec2{rumble.Top(), rumble.Bottom()};
  };
  HotStyle style = FireStyle(3.0);
  PaintHot(c, ink, span, style, 31);
  return FlattenOverBlack(c);
}

Image MakeLabel(const std::string& text, int width, int height) {
  Canvas c(width, height);
  double margin = 4.0;
  TextShape t(text, 0.28, 0.09, {margin, margin}, {width - 2 * margin - 1.5, height - 2 * margin - 1.5}, 0.12);
  HotStyle style = FireStyle(2.0);
  style.shadowOffset = {1.5, 1.5};
  PaintHot(c, [&](Vec2 p) { return TextSample(t, p); }, [&](Vec2) { return Vec2{t.Top(), t.Bottom()}; }, style,
           uint32_t(text.size() * 7 + width));
  return FlattenOverBlack(c);
}

}  // namespace assets
