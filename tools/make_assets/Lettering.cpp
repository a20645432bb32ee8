#include "Lettering.h"

#include <stdexcept>

namespace assets {
namespace {

// Points along an elliptic arc, angles in degrees (screen axes: 90 is straight down).
std::vector<Vec2> Arc(double cx, double cy, double rx, double ry, double a0, double a1) {
  int n = std::max(4, int(std::fabs(a1 - a0) / 7.5));
  std::vector<Vec2> pts;
  for (int i = 0; i <= n; ++i) {
    double a = Lerp(a0, a1, double(i) / n);
    pts.push_back({cx + rx * CosDeg(a), cy + ry * SinDeg(a)});
  }
  return pts;
}

std::vector<Vec2> Join(std::vector<Vec2> a, const std::vector<Vec2>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

using Stroke = std::vector<Vec2>;

}  // namespace

Glyph GlyphFor(char ch) {
  if (ch >= 'a' && ch <= 'z') ch = char(ch - 'a' + 'A');
  switch (ch) {
    case ' ': return {0.30, {}};
    case 'A': return {0.84, {{{0, 1}, {0.42, 0}, {0.84, 1}}, {{0.18, 0.64}, {0.66, 0.64}}}};
    case 'B':
      return {0.70,
              {{{0, 0}, {0, 1}},
               Join(Join({{0, 0}, {0.36, 0}}, Arc(0.36, 0.235, 0.27, 0.235, -90, 90)), {{0, 0.47}}),
               Join(Join({{0, 0.47}, {0.40, 0.47}}, Arc(0.40, 0.735, 0.30, 0.265, -90, 90)), {{0, 1}})}};
    case 'C': return {0.80, {Arc(0.42, 0.5, 0.42, 0.5, -38, -322)}};
    case 'D': return {0.76, {{{0, 0}, {0, 1}}, Join(Join({{0, 0}, {0.30, 0}}, Arc(0.30, 0.5, 0.46, 0.5, -90, 90)), {{0, 1}})}};
    case 'E': return {0.60, {{{0.60, 0}, {0, 0}, {0, 1}, {0.60, 1}}, {{0, 0.5}, {0.50, 0.5}}}};
    case 'F': return {0.60, {{{0.60, 0}, {0, 0}, {0, 1}}, {{0, 0.5}, {0.48, 0.5}}}};
    case 'G':
      return {0.86, {Join(Arc(0.43, 0.5, 0.43, 0.5, -38, -360), {{0.86, 0.56}, {0.50, 0.56}})}};
    case 'H': return {0.72, {{{0, 0}, {0, 1}}, {{0.72, 0}, {0.72, 1}}, {{0, 0.5}, {0.72, 0.5}}}};
    case 'I': return {0.0, {{{0, 0}, {0, 1}}}};
    case 'J': return {0.52, {Join({{0.52, 0}, {0.52, 0.68}}, Arc(0.26, 0.68, 0.26, 0.32, 0, 180))}};
    case 'K': return {0.70, {{{0, 0}, {0, 1}}, {{0.66, 0}, {0, 0.62}}, {{0.24, 0.44}, {0.70, 1}}}};
    case 'L': return {0.56, {{{0, 0}, {0, 1}, {0.56, 1}}}};
    case 'M': return {0.94, {{{0, 1}, {0, 0}, {0.47, 0.62}, {0.94, 0}, {0.94, 1}}}};
    case 'N': return {0.74, {{{0, 1}, {0, 0}, {0.74, 1}, {0.74, 0}}}};
    case 'O': return {0.88, {Arc(0.44, 0.5, 0.44, 0.5, 0, 360)}};
    case 'P':
      return {0.66, {Join(Join({{0, 1}, {0, 0}, {0.38, 0}}, Arc(0.38, 0.27, 0.28, 0.27, -90, 90)), {{0, 0.54}})}};
    case 'Q': return {0.92, {Arc(0.44, 0.5, 0.44, 0.5, 0, 360), {{0.54, 0.72}, {0.92, 1.04}}}};
    case 'R':
      return {0.70,
              {Join(Join({{0, 1}, {0, 0}, {0.38, 0}}, Arc(0.38, 0.27, 0.28, 0.27, -90, 90)), {{0, 0.54}}),
               {{0.30, 0.54}, {0.70, 1}}}};
    case 'S':
      return {0.72, {Join(Arc(0.36, 0.25, 0.34, 0.25, -24, -270), Arc(0.36, 0.75, 0.36, 0.25, -90, 156))}};
    case 'T': return {0.72, {{{0, 0}, {0.72, 0}}, {{0.36, 0}, {0.36, 1}}}};
    case 'U': return {0.74, {Join(Join({{0, 0}, {0, 0.6}}, Arc(0.37, 0.6, 0.37, 0.4, 180, 0)), {{0.74, 0}})}};
    case 'V': return {0.82, {{{0, 0}, {0.41, 1}, {0.82, 0}}}};
    case 'W': return {1.12, {{{0, 0}, {0.27, 1}, {0.56, 0.32}, {0.85, 1}, {1.12, 0}}}};
    case 'X': return {0.76, {{{0, 0}, {0.76, 1}}, {{0.76, 0}, {0, 1}}}};
    case 'Y': return {0.80, {{{0, 0}, {0.40, 0.52}, {0.80, 0}}, {{0.40, 0.52}, {0.40, 1}}}};
    case 'Z': return {0.70, {{{0, 0}, {0.70, 0}, {0, 1}, {0.70, 1}}}};
    default: break;
  }
  throw std::runtime_error(std::string("no glyph for '") + ch + "'");
}

TextShape::TextShape(const std::string& text, double stroke, double gap, Vec2 boxPos, Vec2 boxSize, double slant) {
  // Lay out in glyph units.
  std::vector<Stroke> lines;
  double cursor = 0;
  for (char ch : text) {
    Glyph g = GlyphFor(ch);
    if (ch == ' ') {
      cursor += g.width + gap;
      continue;
    }
    for (const Stroke& s : g.strokes) {
      Stroke moved;
      for (Vec2 p : s) moved.push_back({p.x + cursor, p.y});
      lines.push_back(moved);
    }
    cursor += g.width + stroke + gap;
  }
  // Lean, then find the ink box.
  double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
  for (Stroke& s : lines)
    for (Vec2& p : s) {
      p.x += slant * (1.0 - p.y);
      minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
      minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
  double inkW = maxX - minX + stroke, inkH = maxY - minY + stroke;
  double scale = std::min(boxSize.x / inkW, boxSize.y / inkH);
  half_ = stroke * 0.5 * scale;
  double ox = boxPos.x + (boxSize.x - inkW * scale) * 0.5 + half_ - minX * scale;
  double oy = boxPos.y + (boxSize.y - inkH * scale) * 0.5 + half_ - minY * scale;
  left_ = ox + minX * scale - half_;
  right_ = ox + maxX * scale + half_;
  top_ = oy + minY * scale - half_;
  bottom_ = oy + maxY * scale + half_;
  for (const Stroke& s : lines)
    for (size_t i = 1; i < s.size(); ++i)
      segs_.push_back({{ox + s[i - 1].x * scale, oy + s[i - 1].y * scale}, {ox + s[i].x * scale, oy + s[i].y * scale}});
  if (segs_.empty()) return;

  // A coarse grid of the segments near each cell: queries farther than `reach` from every
  // centre line only learn that they are at least that far.
  const double reach = half_ + 24.0;
  cellW_ = cellH_ = 8.0;
  minX_ = left_ - reach;
  minY_ = top_ - reach;
  gridW_ = int((right_ + reach - minX_) / cellW_) + 1;
  gridH_ = int((bottom_ + reach - minY_) / cellH_) + 1;
  grid_.assign(size_t(gridW_) * gridH_, {});
  for (int gy = 0; gy < gridH_; ++gy)
    for (int gx = 0; gx < gridW_; ++gx) {
      Vec2 centre{minX_ + (gx + 0.5) * cellW_, minY_ + (gy + 0.5) * cellH_};
      double cellReach = reach + 0.5 * std::sqrt(cellW_ * cellW_ + cellH_ * cellH_) + 1e-6;
      for (size_t i = 0; i < segs_.size(); ++i)
        if (DistSegment(centre, segs_[i].a, segs_[i].b) <= cellReach) grid_[size_t(gy) * gridW_ + gx].push_back(int(i));
    }
}

double TextShape::CentreDistance(Vec2 p) const {
  const double far = half_ + 24.0;
  if (segs_.empty()) return far;
  int gx = int(std::floor((p.x - minX_) / cellW_)), gy = int(std::floor((p.y - minY_) / cellH_));
  if (gx < 0 || gy < 0 || gx >= gridW_ || gy >= gridH_) return far;
  double d = far;
  for (int i : grid_[size_t(gy) * gridW_ + gx]) d = std::min(d, DistSegment(p, segs_[size_t(i)].a, segs_[size_t(i)].b));
  return d;
}

}  // namespace assets
