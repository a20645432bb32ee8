// The title screen's sprites: the title picture sliding in and the menu entries that swell
// under the mouse.
#pragma once

#include <array>
#include <string_view>

#include "engine/OmegaSprite.h"

namespace lr {

// The credits under the menu, drawn in Font at their top-left corners; the graphics name runs
// on below its heading. Each has to end inside the 640-pixel screen.
struct TCreditLine {
  Integer X, Y;
  std::string_view Text;
};
inline constexpr std::array<TCreditLine, 3> kTitleCredits = {{
    {5, 450, "Programming: the Lava Rumble team"},
    {490, 420, "Graphics: drawn by"},
    {570, 442, "the team"},
}};

class TTitleText : public TSprite {
 public:
  explicit TTitleText(TOmegaSprite& engine) : TSprite(engine) {}
  const char* ClassName() const override { return "TTitleText"; }
  void DoMove(Single timeFactor) override;
};

class TBounceText : public TSprite {
 public:
  explicit TBounceText(TOmegaSprite& engine) : TSprite(engine) {}
  const char* ClassName() const override { return "TBounceText"; }
  void DoMove(Single timeFactor) override;

  Single ScaleSpeed = 0;
  Byte Option = 0;  // 1 start, 2 online, 3 options, 4 quit
};

}  // namespace lr
