// The powerup bubble (TItem), whose sprite a player holds as its item. Bubbles drift through
// the arena; placed and fired objects (mines, bullets, gloves) live here too.
#pragma once

#include "actors/PowerupKinds.h"
#include "engine/OmegaSprite.h"

namespace lr {

class TPlayer;

// No kind chosen: every kind was switched off (or 101 draws missed them all).
constexpr TPowerupKind kNoPowerup = static_cast<TPowerupKind>(kPowerupKindCount);

// A bubble chooses its kind, entry point and drift as it is made, reseeding the form's
// generator from the time of day first. Once collected it stays alive, invisible and still,
// as the item its player holds, until the round's sprites are cleared.
class TItem : public TSprite {
 public:
  explicit TItem(TOmegaSprite& engine);
  // A bubble put down by hand (the runner's sandbox): the given kind, place and drift, the
  // most bounces a bubble can have, and no draw from the shared generator.
  TItem(TOmegaSprite& engine, TPowerupKind kind, Single x, Single y, Single velX, Single velY);
  const char* ClassName() const override { return "TItem"; }
  void DoMove(Single timeFactor) override;
  void DoCollision(TSprite& other, Integer x, Integer y) override;
  void DoDraw() override;

  TPowerupKind Kind = kNoPowerup;
  Single VelX = 0;
  Single VelY = 0;
  Integer Bounces = 0;  // edge bounces left; below 0 the bubble vanishes
  Integer Charges = 0;  // -1: unlimited; 0: acts on touch
  // Collected bubbles sit out the edge test, so a held item is never killed under its holder.
  bool Collected = false;
};

// A hidden landmine: blows up whoever touches it, its placer included.
class TMine : public TSprite {
 public:
  explicit TMine(TOmegaSprite& engine) : TSprite(engine) {}
  const char* ClassName() const override { return "TMine"; }
  void DoCollision(TSprite& other, Integer x, Integer y) override;

  TPlayer* Owner = nullptr;  // not owned
};

// A handgun shot: flies straight along ScaleX, inert until armed, gone at a screen edge.
class TBullet : public TSprite {
 public:
  explicit TBullet(TOmegaSprite& engine) : TSprite(engine) {}
  const char* ClassName() const override { return "TBullet"; }
  void DoMove(Single timeFactor) override;
  void DoDraw() override;

  TPlayer* Owner = nullptr;  // not owned
  Integer ArmDelay = 0;
  bool High = false;  // fired standing: passes over a ducking player
};

// A boxing glove on a spring: shoots out from its puncher, turns at full reach or on a hit,
// and is gone when retracted or as soon as the puncher leaves psAttack.
class TGlove : public TSprite {
 public:
  explicit TGlove(TOmegaSprite& engine) : TSprite(engine) {}
  const char* ClassName() const override { return "TGlove"; }
  void DoMove(Single timeFactor) override;
  void DoDraw() override;

  Single Reach = 0;
  Integer Direction = 1;  // +1 out, -1 back
  Single BaseX = 0;       // where the coil is drawn from
  Single BaseY = 0;
  Single Speed = 0;
  TPlayer* Owner = nullptr;  // not owned
};

}  // namespace lr
