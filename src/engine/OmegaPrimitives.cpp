// Filled and outlined quads through the screen, in whatever blend mode is current.
#include "engine/OmegaPrimitives.h"

#include "engine/OmegaScreen.h"

namespace lr {

void TOmegaPrimitives::DrawQuad(Single x1, Single y1, Single x2, Single y2, Single x3, Single y3, Single x4,
                                Single y4, uint32_t color1, uint32_t color2, uint32_t color3, uint32_t color4) {
  if (!OmegaScreen) return;
  TVertex v[5];
  v[0].X = x1, v[0].Y = y1, v[0].Color = color1;
  v[1].X = x2, v[1].Y = y2, v[1].Color = color2;
  v[2].X = x3, v[2].Y = y3, v[2].Color = color3;
  v[3].X = x4, v[3].Y = y4, v[3].Color = color4;
  v[4] = v[0];
  OmegaScreen->SetTexture(nullptr);
  if (Filled) {
    OmegaScreen->SubmitVertices(v, 4);
    OmegaScreen->DrawPrimitive(TPrimitiveKind::TriangleFan, v, 4);
  } else {
    OmegaScreen->SubmitVertices(v, 5);
    OmegaScreen->DrawPrimitive(TPrimitiveKind::LineStrip, v, 5);
  }
}

void TOmegaPrimitives::DrawRect(uint32_t color, Single x, Single y, Single width, Single height) {
  DrawQuad(x, y, x + width, y, x + width, y + height, x, y + height, color, color, color, color);
}

}  // namespace lr
