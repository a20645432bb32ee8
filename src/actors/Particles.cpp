// Particles and their emitters. [SECTION]s: arithmetic, particle motion, emitters.
#include "actors/Particles.h"

#include <cmath>

#include "game/MainForm.h"

namespace lr {

// [SECTION] Arithmetic
//
// Speeds are worked out as "trig × magnitude / divisor" with the trig value a Single. The
// product is taken in double, where a Single times an integer below 2^29 is exact, so the
// division is the only rounding before the result is stored as a Single. Every peer therefore
// gets the same bits whatever its compiler does with float temporaries. The same rule (double
// working, Single storage) serves the droplets' gravity constant and the spark speed scale.

namespace {

constexpr Integer kParticleZ = 4;
// Just below the visible screen: droplets rise into view.
constexpr Integer kSplashY = 486;

// Whole degrees 0..359 come from the form's tables; any other angle (the negative ones of
// trails and splashes) is computed the way the tables were filled.
double DirectSin(Integer degree) { return std::sin(degree * M_PI / 180.0); }
double DirectCos(Integer degree) { return std::cos(degree * M_PI / 180.0); }

Single SinDeg(const TGForm& form, Integer degree) {
  if (degree >= 0 && degree < 360) return form.SinTable[static_cast<size_t>(degree)];
  return static_cast<Single>(DirectSin(degree));
}

Single CosDeg(const TGForm& form, Integer degree) {
  if (degree >= 0 && degree < 360) return form.CosTable[static_cast<size_t>(degree)];
  return static_cast<Single>(DirectCos(degree));
}

Single Scaled(Single trig, Integer magnitude, double divisor) {
  return static_cast<Single>(static_cast<double>(trig) * magnitude / divisor);
}

template <class T>
T& Spawn(TGForm& form, const char* sheet) {
  auto* particle = new T(form.SE);  // owned by SE
  particle->SetImage(form.Spr.Find(sheet));
  return *particle;
}

// A spot anywhere in the rectangle, moved up and left by half the particle's size. An empty
// range still uses up its draw.
void PlaceInRect(TGForm& form, TSprite& particle, const TRect& r, Integer half) {
  const Integer x = r.Left + form.Random(r.Right - r.Left) - half;
  const Integer y = r.Top + form.Random(r.Bottom - r.Top) - half;
  particle.SetX(static_cast<Single>(x));
  particle.SetY(static_cast<Single>(y));
}

struct TSmokeStyle {
  Integer Red, Green, Blue;
  Integer Life, Fade;
  // The speed is SpeedBase + Random(SpeedRange) hundredths of a pixel per tick.
  Integer SpeedBase, SpeedRange;
};

// Life × Fade stays at or below 256, so a puff's alpha never goes below 0 while it lives.
constexpr TSmokeStyle kFire{255, 120, 0, 32, 8, 80, 120};
constexpr TSmokeStyle kTrail{255, 0, 0, 16, 16, 80, 70};
constexpr TSmokeStyle kBlast{0, 200, 200, 128, 2, 90, 80};
constexpr TSmokeStyle kPuff{255, 255, 0, 32, 8, 150, 100};
constexpr TSmokeStyle kSplash{255, 0, 0, 128, 2, 150, 100};

void Dress(TParticle_Smoke& particle, const TSmokeStyle& style) {
  particle.SetRed(style.Red);
  particle.SetGreen(style.Green);
  particle.SetBlue(style.Blue);
  particle.Life = style.Life;
  particle.Fade = style.Fade;
}

// Two independent angles, one for each axis: the cloud spreads square-ish, not round.
void ScatterSpeeds(TGForm& form, Single& velX, Single& velY, Integer base, Integer range) {
  const Integer angleX = form.Random(359);
  const Integer speedX = base + form.Random(range);
  velX = Scaled(CosDeg(form, angleX), speedX, 100.0);
  const Integer angleY = form.Random(359);
  const Integer speedY = base + form.Random(range);
  velY = Scaled(SinDeg(form, angleY), speedY, 100.0);
}

// Fire, blasts and puffs: a cloud of puffs from the rectangle (or from its corner).
void EmitCloud(TGForm& form, const TRect& r, Integer count, const TSmokeStyle& style, bool spread) {
  for (Integer i = 0; i < count; ++i) {
    auto& puff = Spawn<TParticle_Smoke>(form, "PSmoke");
    if (spread) {
      PlaceInRect(form, puff, r, 8);
    } else {
      puff.SetX(static_cast<Single>(r.Left));
      puff.SetY(static_cast<Single>(r.Top));
    }
    ScatterSpeeds(form, puff.VelX, puff.VelY, style.SpeedBase, style.SpeedRange);
    Dress(puff, style);
    puff.SetZ(kParticleZ);
  }
}

}  // namespace

// [SECTION] Particle motion

void TParticle_Elec::DoMove(Single) {
  SetX(X + VelX);
  SetY(Y + VelY);
  if (TGForm::Of(*this).TickCount % 5 == 0) SetPatternIndex(PatternIndex + 1);
  // The sheet keeps the index one past its last frame, which is where the spark ends.
  if (PatternIndex > 4) Kill();
}

TParticle_Smoke::TParticle_Smoke(TOmegaSprite& engine) : TSprite(engine) {
  // Source alpha added to the background: puffs glow where they overlap.
  BlendMode = 2;
}

void TParticle_Smoke::DoMove(Single) {
  SetX(X + VelX);
  SetY(Y + VelY);
  Life -= 1;
  SetAlpha(Alpha - Fade);
  if (Life < 1) Kill();
}

void TParticle_Smoke::DoDraw() {
  TSprite::DoDraw();
  TGForm::Of(*this).OS.SetBlendMode(0);
}

void TParticle_Lava::DoMove(Single timeFactor) {
  VelY = static_cast<Single>(static_cast<double>(VelY) + 0.1 * static_cast<double>(timeFactor));
  TParticle_Smoke::DoMove(timeFactor);
}

// [SECTION] Emitters

void EmitSparks(TGForm& form, const TRect& r, Integer count, Single speed) {
  // Speed in hundredths of a pixel per tick; 0 leaves every spark standing still.
  const auto maxSpeed = static_cast<Integer>(Round(static_cast<double>(speed) * 100));
  for (Integer i = 0; i < count; ++i) {
    auto& spark = Spawn<TParticle_Elec>(form, "PElec");
    PlaceInRect(form, spark, r, 4);
    ScatterSpeeds(form, spark.VelX, spark.VelY, 0, maxSpeed);
    spark.SetZ(kParticleZ);
  }
}

void EmitFire(TGForm& form, const TRect& r, Integer count) { EmitCloud(form, r, count, kFire, true); }

void EmitBlast(TGForm& form, const TRect& r, Integer count) { EmitCloud(form, r, count, kBlast, false); }

void EmitPuff(TGForm& form, const TRect& r, Integer count) { EmitCloud(form, r, count, kPuff, true); }

void EmitTrail(TGForm& form, const TRect& r, Integer count, Integer dir) {
  // Drifts along the shot, up to 45 degrees either side of it.
  for (Integer i = 0; i < count; ++i) {
    auto& puff = Spawn<TParticle_Smoke>(form, "PSmoke");
    puff.SetX(static_cast<Single>(r.Left));
    puff.SetY(static_cast<Single>(r.Top));
    const Integer angleX = -45 + form.Random(90);
    const Integer speedX = kTrail.SpeedBase + form.Random(kTrail.SpeedRange);
    puff.VelX = Scaled(CosDeg(form, angleX), dir * speedX, 100.0);
    const Integer angleY = -45 + form.Random(90);
    const Integer speedY = kTrail.SpeedBase + form.Random(kTrail.SpeedRange);
    puff.VelY = Scaled(SinDeg(form, angleY), dir * speedY, 100.0);
    Dress(puff, kTrail);
    puff.SetZ(kParticleZ);
  }
}

void EmitSplash(TGForm& form, Integer x, Integer count) {
  for (Integer i = 0; i < count; ++i) {
    auto& drop = Spawn<TParticle_Lava>(form, "PSmoke");
    drop.SetX(static_cast<Single>(x - 10 + form.Random(20)));
    drop.SetY(static_cast<Single>(kSplashY));
    // One angle for both axes, up and to either side (-125..-36 degrees); the puff is drawn
    // turned by it.
    const Integer angle = -125 + form.Random(90);
    drop.Angle = static_cast<Single>(angle);
    const Integer speedX = kSplash.SpeedBase + form.Random(kSplash.SpeedRange);
    drop.VelX = Scaled(CosDeg(form, angle), speedX, 50.0);
    const Integer speedY = kSplash.SpeedBase + form.Random(kSplash.SpeedRange);
    drop.VelY = Scaled(SinDeg(form, angle), speedY, 50.0);
    Dress(drop, kSplash);
    drop.SetZ(kParticleZ);
  }
}

}  // namespace lr
