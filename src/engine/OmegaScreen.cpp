// The screen: frame bracket, blend-mode cache and the global vertex adjustment.
#include "engine/OmegaScreen.h"

#include <cmath>

namespace lr {

TOmegaScreen::TOmegaScreen() = default;

void TOmegaScreen::Initialize() {
  Device = std::make_unique<TSoftwareDevice>(Width, Height);
  Device->SetBlendMode(FBlendMode);
  Initialized = true;
  Active = true;
}

void TOmegaScreen::BeginScene() {
  if (Device && Initialized && Active) FInScene = true;
}

void TOmegaScreen::EndScene() {
  if (!FInScene) return;
  FInScene = false;
  if (Presenter) Presenter->Present(Device->BackBuffer(), Device->Width(), Device->Height());
}

void TOmegaScreen::Clear(Byte red, Byte green, Byte blue, Byte alpha) {
  if (Device) Device->Clear(ColorARGB(red, green, blue, alpha));
}

void TOmegaScreen::SetBlendMode(Integer mode) {
  if (mode == FBlendMode) return;
  FBlendMode = mode;
  if (Device) Device->SetBlendMode(mode);
}

void TOmegaScreen::SetTexture(const TTexture* texture) {
  if (Device) Device->SetTexture(texture);
}

void TOmegaScreen::SubmitVertices(TVertex* vertices, int count) const {
  const uint32_t k[4] = {Alpha, Red, Green, Blue};
  const double phi = Rotation * M_PI / 180.0;
  const double c = std::cos(phi);
  const double s = std::sin(phi);
  for (int i = 0; i < count; ++i) {
    TVertex& v = vertices[i];
    uint32_t color = 0;
    for (int ch = 0; ch < 4; ++ch) {
      const int shift = 24 - 8 * ch;
      const uint32_t value = (v.Color >> shift) & 0xFF;
      color |= ((value * k[ch]) / 256) << shift;
    }
    v.Color = color;
    const double dx = v.X - CenterX;
    const double dy = v.Y - CenterY;
    v.X = static_cast<Single>(OffsetX + CenterX + ScaleX * c * dx - ScaleY * s * dy);
    v.Y = static_cast<Single>(OffsetY + CenterY + ScaleX * s * dx + ScaleY * c * dy);
  }
}

void TOmegaScreen::DrawPrimitive(TPrimitiveKind kind, const TVertex* vertices, int count) {
  if (!Device || !FInScene) return;
  if (kind == TPrimitiveKind::TriangleFan)
    Device->DrawTriangleFan(vertices, count);
  else
    Device->DrawLineStrip(vertices, count);
}

}  // namespace lr
