// Particles: sparks, smoke puffs and lava droplets that only exist to be seen, and the six
// emitters that make them in bursts from the form's shared random generator.
#pragma once

#include "engine/OmegaSprite.h"
#include "engine/Types.h"

namespace lr {

class TGForm;

// A spark: flies straight, steps through its five frames every fifth tick and dies when
// stepped past the last one.
class TParticle_Elec : public TSprite {
 public:
  explicit TParticle_Elec(TOmegaSprite& engine) : TSprite(engine) {}
  const char* ClassName() const override { return "TParticle_Elec"; }
  void DoMove(Single timeFactor) override;

  Single VelX = 0, VelY = 0;
};

// A soft puff, added to the background, that fades by Fade every tick and dies after Life
// ticks.
class TParticle_Smoke : public TSprite {
 public:
  explicit TParticle_Smoke(TOmegaSprite& engine);
  const char* ClassName() const override { return "TParticle_Smoke"; }
  void DoMove(Single timeFactor) override;
  // Puts the screen back to plain blending, so the sprites drawn after a puff are not added.
  void DoDraw() override;

  Single VelX = 0, VelY = 0;
  Integer Life = 0;  // ticks left
  Integer Fade = 0;  // alpha lost per tick
};

// A lava droplet: a puff that falls back under gravity.
class TParticle_Lava : public TParticle_Smoke {
 public:
  explicit TParticle_Lava(TOmegaSprite& engine) : TParticle_Smoke(engine) {}
  const char* ClassName() const override { return "TParticle_Lava"; }
  void DoMove(Single timeFactor) override;
};

// The emitters. Each makes Count particles (none for Count <= 0) on the form's sprite
// manager. Their random draws, in number and order, are part of what online peers share.
void EmitSparks(TGForm& form, const TRect& r, Integer count, Single speed);
void EmitFire(TGForm& form, const TRect& r, Integer count);
// Only the rectangle's top-left corner is used; dir is the bullet's direction, +1 or -1.
void EmitTrail(TGForm& form, const TRect& r, Integer count, Integer dir);
// Only the rectangle's top-left corner is used: every particle starts at one point.
void EmitBlast(TGForm& form, const TRect& r, Integer count);
void EmitPuff(TGForm& form, const TRect& r, Integer count);
// Droplets thrown up from just below the screen's bottom edge around x.
void EmitSplash(TGForm& form, Integer x, Integer count);

// The rectangle of a single point, for the emitters that start everything at one place.
inline TRect PointRect(Integer x, Integer y) { return TRect{x, y, x, y}; }

}  // namespace lr
