// The game's own lettering: heavy capitals drawn as thick strokes along centre lines, so the
// words need no font files. A glyph's centre lines sit in a box one unit high (0 = top of the
// capitals, 1 = baseline); the stroke is drawn round it, so the ink reaches half a stroke
// beyond that box on every side.
#pragma once

#include <string>
#include <vector>

#include "Canvas.h"

namespace assets {

struct Glyph {
  double width = 0;                          // width of the centre lines
  std::vector<std::vector<Vec2>> strokes;    // polylines in glyph units
};

// The capitals A-Z and space (lower case letters are drawn as capitals). Throws for others.
Glyph GlyphFor(char ch);

// A line of lettering placed on a canvas.
class TextShape {
 public:
  // Lays out `text` with the given stroke width and gap between letters (both in glyph
  // units), then scales it so its ink fits inside `box` (x, y, w, h in pixels), centred.
  // `slant` leans the letters forward (x grows by slant per unit of height above the baseline).
  TextShape(const std::string& text, double stroke, double gap, Vec2 boxPos, Vec2 boxSize, double slant = 0);

  // Distance in pixels from p to the nearest centre line.
  double CentreDistance(Vec2 p) const;
  // Signed distance in pixels to the edge of the ink.
  double Distance(Vec2 p) const { return CentreDistance(p) - HalfStroke(); }
  double HalfStroke() const { return half_; }
  // Ink extent in pixels.
  double Top() const { return top_; }
  double Bottom() const { return bottom_; }
  double Left() const { return left_; }
  double Right() const { return right_; }

 private:
  struct Segment {
    Vec2 a, b;
  };
  std::vector<Segment> segs_;
  double half_ = 0, top_ = 0, bottom_ = 0, left_ = 0, right_ = 0;
  double minX_ = 0, minY_ = 0, cellW_ = 0, cellH_ = 0;
  int gridW_ = 0, gridH_ = 0;
  std::vector<std::vector<int>> grid_;  // segments near each cell, for speed
};

}  // namespace assets
