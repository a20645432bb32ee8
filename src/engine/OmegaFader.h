// TOmegaFader: a full-screen colour quad fading from a start to an end colour, drawn over the
// arena every frame of a match (the new round emerges from black).
#pragma once

#include "engine/Types.h"

namespace lr {

class TOmegaScreen;

struct TFadeColor {
  Byte Red = 0, Green = 0, Blue = 0, Alpha = 0;
  bool operator==(const TFadeColor&) const = default;
};

class TOmegaFader {
 public:
  TOmegaScreen* OmegaScreen = nullptr;
  bool MirrorFade = false;
  bool LoopFade = false;
  TFadeColor StartColor{0, 0, 0, 0};
  TFadeColor EndColor{0, 0, 0, 255};
  TFadeColor CurrentColor{0, 0, 0, 0};
  Single Progress = 0;  // 0..100
  bool Done = false;
  Integer MirrorCount = 0;
  Integer BlendMode = 0;

  Single FadeSpeed() const { return FFadeSpeed; }
  // Clamped to 0..100.
  void SetFadeSpeed(Single value);

  // Draws the quad in the current colour, then advances the fade one step.
  void Update();
  void FadeIn(Byte red, Byte green, Byte blue, Single speed);
  void SetStartColor(Byte red, Byte green, Byte blue, Byte alpha);
  void SetEndColor(Byte red, Byte green, Byte blue, Byte alpha);
  void SetEndColorARGB(uint32_t color);
  void Restart();

 private:
  Single FFadeSpeed = 1;
};

}  // namespace lr
