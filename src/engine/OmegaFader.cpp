// The fade: colour computed before the progress advances, drawn on the next call.
#include "engine/OmegaFader.h"

#include <algorithm>

#include "engine/OmegaScreen.h"

namespace lr {

void TOmegaFader::SetFadeSpeed(Single value) { FFadeSpeed = std::clamp(value, 0.0f, 100.0f); }

void TOmegaFader::SetStartColor(Byte red, Byte green, Byte blue, Byte alpha) {
  StartColor = {red, green, blue, alpha};
  CurrentColor = StartColor;
}

void TOmegaFader::SetEndColor(Byte red, Byte green, Byte blue, Byte alpha) { EndColor = {red, green, blue, alpha}; }

void TOmegaFader::SetEndColorARGB(uint32_t color) {
  SetEndColor(static_cast<Byte>(color >> 16), static_cast<Byte>(color >> 8), static_cast<Byte>(color),
              static_cast<Byte>(color >> 24));
}

void TOmegaFader::Restart() {
  Progress = 0;
  MirrorCount = 0;
  Done = false;
}

void TOmegaFader::FadeIn(Byte red, Byte green, Byte blue, Single speed) {
  SetStartColor(red, green, blue, 255);
  SetEndColor(red, green, blue, 0);
  SetFadeSpeed(speed);
  Restart();
}

void TOmegaFader::Update() {
  if (OmegaScreen) {
    const uint32_t color = ColorARGB(CurrentColor.Red, CurrentColor.Green, CurrentColor.Blue, CurrentColor.Alpha);
    const Single w = static_cast<Single>(OmegaScreen->Width);
    const Single h = static_cast<Single>(OmegaScreen->Height);
    TVertex quad[4];
    quad[0].X = 0, quad[0].Y = 0;
    quad[1].X = w, quad[1].Y = 0;
    quad[2].X = w, quad[2].Y = h;
    quad[3].X = 0, quad[3].Y = h;
    for (TVertex& v : quad) v.Color = color;
    OmegaScreen->SubmitVertices(quad, 4);
    OmegaScreen->SetTexture(nullptr);
    OmegaScreen->SetBlendMode(BlendMode);
    OmegaScreen->DrawPrimitive(TPrimitiveKind::TriangleFan, quad, 4);
  }
  if (FFadeSpeed <= 0) return;
  Done = false;
  const double c = Progress * 0.01;
  auto mix = [c](Byte start, Byte end) {
    return static_cast<Byte>(Round(start * (1 - c) + end * c));
  };
  CurrentColor = {mix(StartColor.Red, EndColor.Red), mix(StartColor.Green, EndColor.Green),
                  mix(StartColor.Blue, EndColor.Blue), mix(StartColor.Alpha, EndColor.Alpha)};
  Progress += FFadeSpeed;
  if (Progress >= 100) {
    if (MirrorFade) {
      MirrorCount += 1;
      if (MirrorCount < 2 || LoopFade) {
        Progress = 0;
        const TFadeColor oldStart = StartColor;
        StartColor = CurrentColor;
        EndColor = oldStart;
        return;
      }
    } else if (LoopFade) {
      Progress = 0;
      return;
    }
    Progress = 100;
    Done = true;
  }
}

}  // namespace lr
