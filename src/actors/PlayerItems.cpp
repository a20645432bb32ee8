// TPlayer's item uses: placing a mine, the spring-boot jump, teleporting, firing the handgun
// and punching with the spring glove, and the charge each use costs.
#include <cmath>

#include "actors/ItemUnit.h"
#include "actors/Particles.h"
#include "actors/PlayerUnit.h"
#include "game/MainForm.h"

namespace lr {

namespace {

bool Facing(const TPlayer& player, Single side) { return player.ScaleX == side; }

}  // namespace

bool TPlayer::PlaceMine() {
  if (!OnGround) return false;
  TGForm& form = Form();
  form.PlaySound("Mine");
  State = psCrouch;
  StunTime = 10;
  auto* mine = new TMine(form.SE);  // owned by SE
  mine->Owner = this;
  mine->SetImage(form.Spr.Find("Powerup_Mine"));
  mine->SetAlpha(0);  // hidden
  mine->PixelCheck = true;
  mine->ScaleX = 0.5f;
  mine->ScaleY = 0.5f;
  mine->Collide = true;
  // Half sunk into the platform, just in front of the placer.
  mine->SetX(ScaleX >= 0 ? X + 21 : X - 20);
  mine->SetY(Y + 48);
  return true;
}

bool TPlayer::SpringJump() {
  if (State != psStand && State != psWalk) return false;
  Jump(static_cast<Single>(1.35 * Form().GameSettings.JumpPower));
  Form().PlaySound("Spring");
  return true;
}

bool TPlayer::Teleport() {
  TGForm& form = Form();
  form.PlaySound("Bzzt");
  EmitSparks(form, CollisionRect, 25, 3);
  SetX(static_cast<Single>(32 + form.Random(576)));
  SetY(static_cast<Single>(form.Random(320)));
  const auto left = static_cast<Integer>(Round(X));
  const auto top = static_cast<Integer>(Round(Y));
  EmitSparks(form, TRect{left, top, left + 32, top + 64}, 25, 3);
  // State and speeds are kept: the player may fall from the new place.
  return true;
}

bool TPlayer::FireHandgun() {
  if ((State != psStand && State != psCrouch) || !OnGround) return false;
  TGForm& form = Form();
  const bool standing = State != psCrouch;
  State = standing ? psAttack : psCrouchShoot;
  StunTime = 40;
  UseDelay = 40;
  form.PlaySound("Gun");
  auto* bullet = new TBullet(form.SE);  // owned by SE
  bullet->Owner = this;
  bullet->SetImage(form.Spr.Find("PSmoke"));
  bullet->BlendMode = 4;
  bullet->SetX(Facing(*this, -1) ? X - 21 : X + 21);
  if (standing) {
    bullet->SetY(Y);
    bullet->High = true;
  } else {
    bullet->SetY(Y + 24);
    bullet->High = false;
  }
  bullet->SetRed(255);
  bullet->SetGreen(255);
  bullet->SetBlue(0);
  bullet->ArmDelay = 10;
  bullet->ScaleX = ScaleX;  // the direction of flight
  return true;
}

bool TPlayer::PunchGlove() {
  if (State != psStand && State != psWalk) return false;
  TGForm& form = Form();
  UseDelay = 60;
  StunTime = 55;  // covers the whole punch
  form.PlaySound("Spring");
  State = psAttack;
  auto* glove = new TGlove(form.SE);  // owned by SE
  glove->SetImage(form.Spr.Find("Powerup_Glove"));
  glove->SetY(Y + 8);
  glove->Direction = 1;
  glove->ScaleX = ScaleX;
  glove->SetX(Facing(*this, -1) ? X - 5 : X + 16);
  glove->BaseX = Facing(*this, 1) ? glove->X + 16 : glove->X - 500 + 8;
  glove->BaseY = glove->Y;
  glove->Speed = 4.0f;
  glove->Collide = true;
  glove->Owner = this;
  return true;
}

void TPlayer::UseItem() {
  if (!Item || UseDelay > 0) return;
  // A use whose requirement fails is silent and keeps its charge.
  bool used = false;
  switch (Item->Kind) {
    case pkLandmine:
      used = PlaceMine();
      break;
    case pkSpringBoots:
      used = SpringJump();
      break;
    case pkTeleport:
      used = Teleport();
      break;
    case pkHandgun:
      used = FireHandgun();
      break;
    case pkSpringGlove:
      used = PunchGlove();
      break;
    default:
      break;  // electricity acts on contact; the other kinds are never held
  }
  if (!used || !Item || Item->Charges == -1) return;
  Item->Charges -= 1;
  if (Item->Charges < 1) Item = nullptr;
}

}  // namespace lr
