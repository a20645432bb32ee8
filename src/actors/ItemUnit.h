// The powerup bubble (TItem), whose sprite a player holds as its item. Bubbles drift through
// the arena; placed and fired objects (mines, bullets, gloves) live here too.
#pragma once

#include "actors/PowerupKinds.h"
#include "engine/OmegaSprite.h"

namespace lr {

class TPlayer;

class TItem : public TSprite {
 public:
  explicit TItem(TOmegaSprite& engine) : TSprite(engine) {}
  const char* ClassName() const override { return "TItem"; }

  TPowerupKind Kind = pkLandmine;
  Integer Charges = 0;  // -1: unlimited
};

}  // namespace lr
