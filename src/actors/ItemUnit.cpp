// Powerup bubbles and the objects the held powerups put into the arena: mines, bullets and
// spring gloves.
//
// [SECTION] Bubbles
// [SECTION] Mines
// [SECTION] Bullets
// [SECTION] Gloves
#include "actors/ItemUnit.h"

#include "actors/Particles.h"
#include "actors/PlayerUnit.h"
#include "game/LevelUnit.h"
#include "game/MainForm.h"

namespace lr {

namespace {

constexpr Integer kBubbleZ = 4;
constexpr Integer kKindAttempts = 101;
constexpr Integer kMostBounces = 7;
// The icons follow the bubble in the image list, in kind order.
constexpr Integer kFirstIcon = 4;

Integer RoundToInt(Single value) { return static_cast<Integer>(Round(value)); }

TRect Box(Integer left, Integer top, Integer width, Integer height) {
  return TRect{left, top, left + width, top + height};
}

bool IsDangerous(TPowerupKind kind) { return kind == pkDynamite || kind == pkDeath; }

}  // namespace

// [SECTION] Bubbles

TItem::TItem(TOmegaSprite& engine) : TSprite(engine) {
  TGForm& form = TGForm::Of(*this);
  // Every bubble starts the shared sequence afresh.
  form.SeedRandomFromClock();

  Kind = kNoPowerup;
  for (Integer attempt = 0; attempt < kKindAttempts; ++attempt) {
    const Integer k = form.Random(kPowerupKindCount);
    if (form.GameSettings.PowerupEnabled[static_cast<size_t>(k)]) {
      Kind = static_cast<TPowerupKind>(k);
      break;
    }
  }
  // Without a kind the bubble is freed at the end of the tick, unseen; it still makes every
  // draw below, so the sequence does not depend on the switches beyond the attempts.
  if (Kind == kNoPowerup) Kill();

  Charges = Kind < kPowerupKindCount ? kPowerups[Kind].Charges : 1;

  SetImage(form.Spr.Find("Bubble"));
  SetAlpha(128);
  ScaleX = 1.2f;
  ScaleY = 1.2f;

  Integer direction = 1;
  switch (form.Random(3)) {
    case 0:  // the left edge
      SetX(5);
      SetY(256);
      direction = 1;
      break;
    case 1:  // the top, in the middle
      SetX(304);
      SetY(5);
      direction = form.Random(2) == 0 ? -1 : 1;
      break;
    default:  // the right edge
      SetX(603);
      SetY(256);
      direction = -1;
      break;
  }
  VelX = static_cast<Single>(form.Random(300) / 100.0 * direction);
  VelY = static_cast<Single>(form.Random(300) / 100.0);
  Bounces = form.Random(6) + 2;

  Collide = true;
  PixelCheck = true;
  SetZ(kBubbleZ);

  // The dangerous bubbles are slower and shorter-lived.
  if (IsDangerous(Kind)) {
    VelX = VelX / 2;
    VelY = VelY / 2;
    Bounces = form.Random(3) + 1;
  }
}

TItem::TItem(TOmegaSprite& engine, TPowerupKind kind, Single x, Single y, Single velX, Single velY)
    : TSprite(engine) {
  const TGForm& form = TGForm::Of(*this);
  Kind = kind;
  Charges = kPowerups[kind].Charges;
  SetImage(form.Spr.Find("Bubble"));
  SetAlpha(128);
  ScaleX = 1.2f;
  ScaleY = 1.2f;
  SetX(x);
  SetY(y);
  VelX = velX;
  VelY = velY;
  Bounces = kMostBounces;
  Collide = true;
  PixelCheck = true;
  SetZ(kBubbleZ);
}

void TItem::DoMove(Single timeFactor) {
  const TGForm& form = TGForm::Of(*this);
  // A bubble made on the title screen waits there, hidden and still.
  if (form.GameMode != 1) {
    Visible = false;
    return;
  }
  Visible = true;
  if (Kind == pkTeleport) Angle = Angle + timeFactor;
  if (Collected) return;

  // The drift is per tick; the bottom edge bounces like the others, above the lava.
  if (X <= 0 || X + 32 >= 640) {
    VelX = -VelX;
    Bounces -= 1;
  }
  SetX(X + VelX);
  if (Y <= 0 || Y + 32 >= 480) {
    VelY = -VelY;
    Bounces -= 1;
  }
  SetY(Y + VelY);
  if (Bounces < 0) Kill();
}

void TItem::DoCollision(TSprite& other, Integer /*x*/, Integer /*y*/) {
  TGForm& form = TGForm::Of(*this);
  if (auto* player = dynamic_cast<TPlayer*>(&other)) {
    // Death and dynamite are never collected; the player's touch handler has already acted.
    if (IsDangerous(Kind)) return;
    // A kind without charges (Switch Places) acted on touch and is not held.
    if (Charges != 0) player->Item = this;
    SetAlpha(0);
    Collide = false;
    VelX = 0;
    VelY = 0;
    Collected = true;
    form.PlaySound("Loadup");
    player->Pickups[Kind] += 1;
    return;
  }
  if (auto* platform = dynamic_cast<TPlatform*>(&other)) {
    if (Kind != pkDynamite) return;
    EmitFire(form, Box(RoundToInt(X), RoundToInt(Y), 32, 32), 50);
    platform->Falling = true;
    Kill();
    form.PlaySound("Boom");
  }
}

void TItem::DoDraw() {
  if (Kind >= kPowerupKindCount) return;  // killed at birth: never seen
  TSprite::DoDraw();
  if (Alpha <= 0 || !Visible) return;
  // The icon stays opaque, unscaled and upright inside the larger, turning bubble.
  TImageListItem* icon = TGForm::Of(*this).Spr.Items(kFirstIcon + Kind);
  if (icon && icon->Loaded())
    icon->DrawRGBA(RoundToInt(X), RoundToInt(Y), 0, 0.5f, 0.5f, 1, 1, 255, 255, 255, 255, 0, 0);
}

// [SECTION] Mines

void TMine::DoCollision(TSprite& other, Integer /*x*/, Integer /*y*/) {
  auto* player = dynamic_cast<TPlayer*>(&other);
  if (!player) return;
  TGForm& form = TGForm::Of(*this);
  // Any player sets it off, its placer and the dead included.
  EmitFire(form, Box(RoundToInt(X) - 8, RoundToInt(Y) - 8, 16, 16), 75);
  Kill();
  player->Killer = Owner;
  player->DeathCause = "Landmine";
  player->Die(dkFling);
  form.PlaySound("Boom");
}

// [SECTION] Bullets

void TBullet::DoMove(Single timeFactor) {
  TGForm& form = TGForm::Of(*this);
  // Inert for its first ticks, so it leaves its shooter before it can hit anything.
  ArmDelay -= 1;
  if (ArmDelay < 1) {
    Collide = true;
    PixelCheck = true;
  }
  SetX(static_cast<Single>(X + 5.1 * ScaleX * timeFactor));
  if (X + 32 > 640 || X < 0) Kill();
  if (form.TickCount % 3 == 0)
    EmitTrail(form, PointRect(RoundToInt(X), RoundToInt(Y)), 1, RoundToInt(ScaleX));
}

void TBullet::DoDraw() {
  TSprite::DoDraw();
  // The yellow puff is added; whatever is drawn next blends plainly again.
  TGForm::Of(*this).OS.SetBlendMode(0);
}

// [SECTION] Gloves

void TGlove::DoMove(Single timeFactor) {
  // The punch ends as soon as the puncher is knocked, dies or regains control.
  if (!Owner || Owner->State != psAttack) Kill();
  Reach = Reach + static_cast<Single>(Direction * 6) * Speed * timeFactor;
  if (Reach > 600)
    Direction = -1;
  else if (Reach < 0)
    Kill();
  // Faster on the way out, slower on the way back.
  Speed = static_cast<Single>(Speed + 0.09 * timeFactor * Direction);
  SetX((Reach - 8) * ScaleX + BaseX);
  if (ScaleX == -1) SetX(X + 500 - 64);
}

void TGlove::DoDraw() {
  TSprite::DoDraw();
  // The coil hangs from its fixed end: the left one punching right, the right one punching
  // left. The pivot stays with the glove from now on.
  PivotX = ScaleX == -1 ? 1.0f : 0.0f;
  if (Reach <= 0) return;
  TImageListItem* coil = TGForm::Of(*this).Spr.Find("Coil");
  if (coil && coil->Loaded())
    coil->DrawRGBA(RoundToInt(BaseX), RoundToInt(BaseY) + 8, 0, PivotX, PivotY, Reach / 500, 1, 255, 255, 255,
                   255, 0, 0);
}

}  // namespace lr
