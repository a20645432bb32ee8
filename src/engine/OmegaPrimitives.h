// TOmegaPrimitives: untextured quads and rectangles, filled or as outlines.
#pragma once

#include "engine/Types.h"

namespace lr {

class TOmegaScreen;

class TOmegaPrimitives {
 public:
  TOmegaScreen* OmegaScreen = nullptr;
  bool Filled = true;

  // Corners in the order drawn (top-left, top-right, bottom-right, bottom-left in the usual
  // use), each with its colour. Outlines close back at the first corner.
  void DrawQuad(Single x1, Single y1, Single x2, Single y2, Single x3, Single y3, Single x4, Single y4,
                uint32_t color1, uint32_t color2, uint32_t color3, uint32_t color4);
  void DrawRect(uint32_t color, Single x, Single y, Single width, Single height);
};

}  // namespace lr
