#include "Canvas.h"

namespace assets {

Rgba Ramp(const std::vector<Rgba>& stops, double t) {
  if (stops.empty()) return {};
  if (stops.size() == 1) return stops[0];
  t = Clamp01(t) * double(stops.size() - 1);
  size_t i = size_t(std::floor(t));
  if (i >= stops.size() - 1) return stops.back();
  return Mix(stops[i], stops[i + 1], t - double(i));
}

double SdPolygon(Vec2 p, const std::vector<Vec2>& pts) {
  double d = 1e30;
  bool inside = false;
  for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
    Vec2 a = pts[j], b = pts[i];
    d = std::min(d, DistSegment(p, a, b));
    if ((b.y > p.y) != (a.y > p.y) && p.x < (a.x - b.x) * (p.y - b.y) / (a.y - b.y) + b.x) inside = !inside;
  }
  return inside ? -d : d;
}

double DistPolyline(Vec2 p, const std::vector<Vec2>& pts) {
  double d = 1e30;
  for (size_t i = 1; i < pts.size(); ++i) d = std::min(d, DistSegment(p, pts[i - 1], pts[i]));
  if (pts.size() == 1) d = Length(p - pts[0]);
  return d;
}

Image FlattenKeyed(const Canvas& c, Rgba key, Rgba matte, double solid) {
  Image img(c.Width(), c.Height());
  uint8_t k[3] = {To8(key.r), To8(key.g), To8(key.b)};
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) {
      Rgba s = c.At(x, y);
      uint8_t* o = img.At(x, y);
      if (s.a < solid) {
        o[0] = k[0], o[1] = k[1], o[2] = k[2];
        continue;
      }
      double rest = 1.0 - Clamp01(s.a);
      o[0] = To8(s.r + matte.r * rest);
      o[1] = To8(s.g + matte.g * rest);
      o[2] = To8(s.b + matte.b * rest);
      if (o[0] == k[0] && o[1] == k[1] && o[2] == k[2]) o[1] = uint8_t(o[1] == 255 ? 254 : o[1] + 1);
    }
  return img;
}

Image FlattenOverBlack(const Canvas& c, double solid) {
  Image img(c.Width(), c.Height());
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) {
      Rgba s = c.At(x, y);
      uint8_t* o = img.At(x, y);
      o[0] = To8(s.r), o[1] = To8(s.g), o[2] = To8(s.b);
      if (s.a >= solid && o[0] == 0 && o[1] == 0 && o[2] == 0) o[0] = 1;
    }
  return img;
}

void Blit(Image& dst, const Image& src, int ox, int oy) {
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x) {
      int dx = ox + x, dy = oy + y;
      if (dx < 0 || dy < 0 || dx >= dst.width || dy >= dst.height) continue;
      const uint8_t* s = src.At(x, y);
      uint8_t* d = dst.At(dx, dy);
      d[0] = s[0], d[1] = s[1], d[2] = s[2];
    }
}

}  // namespace assets
