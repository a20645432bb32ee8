// The lava pool: two layers of two sprites scrolling in opposite directions, drawn additively
// over everything but the menu.
#pragma once

#include "engine/OmegaSprite.h"

namespace lr {

class TLava : public TSprite {
 public:
  explicit TLava(TOmegaSprite& engine) : TSprite(engine) {}
  const char* ClassName() const override { return "TLava"; }
  void DoMove(Single timeFactor) override;
  void DoDraw() override;

  Integer ScrollDir = 1;  // +1 scrolls right, -1 left
  Single HomeX = 0;       // X when LavaScroll is 0
};

}  // namespace lr
