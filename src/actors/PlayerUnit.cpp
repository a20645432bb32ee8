// TPlayer: the stick figure's body (steering, gravity, jumping, crouching and rolling,
// climbing, landing, walls, lava, animation) and its contacts with other players, bubbles, shots
// and gloves, and death, with the accounting of kills, deaths and round wins. The item uses are
// in PlayerItems.cpp.
//
// [SECTION] Construction and small queries
// [SECTION] Movement commands
// [SECTION] The body's tick
// [SECTION] Contacts
// [SECTION] Deaths
// [SECTION] Free procedures
#include "actors/PlayerUnit.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

#include "actors/ItemUnit.h"
#include "actors/Particles.h"
#include "game/LevelUnit.h"
#include "game/MainForm.h"
#include "net/WireCodec.h"

namespace lr {

namespace {

constexpr std::array<const char*, 9> kStateNames = {
    "psStand", "psWalk", "psJump", "psTumble", "psCrouch", "psRoll", "psClimb", "psAttack", "psCrouchShoot",
};

// Player rectangle: 32 wide, 64 high; the middle of the figure is 16 right of X.
constexpr Single kHalfWidth = 16;

bool Divides(Integer n, Integer tick) { return tick % n == 0; }

bool HoldsCharge(const TPlayer& player) { return player.Item && player.Item->Kind == pkElectricity; }

bool InList(const std::vector<TPlayer*>& list, const TPlayer* player) {
  return std::find(list.begin(), list.end(), player) != list.end();
}

// A position on the wire: rounded, halves to even, and cut to its low 16 bits, so -1 travels
// as 0xFFFF. Whatever is beyond any int32 travels as its nearest end.
uint16_t WirePosition(Single value) {
  const double rounded = Round(value);
  if (!(rounded >= INT32_MIN)) return static_cast<uint16_t>(rounded > 0 ? INT32_MAX : INT32_MIN);
  if (rounded > INT32_MAX) return static_cast<uint16_t>(INT32_MAX);
  return static_cast<uint16_t>(static_cast<int32_t>(rounded));
}

}  // namespace

const char* PlayerStateName(TPlayerState state) {
  return state < kStateNames.size() ? kStateNames[state] : "psStand";
}

// [SECTION] Construction and small queries

TPlayer::TPlayer(TOmegaSprite& engine) : TSprite(engine) {
  SetImage(Form().Spr.Find("Sticky"));
  Collide = true;
  SetZ(3);
  PixelCheck = true;
  Item = nullptr;
  UseDelay = 0;
  StunTime = 0;
  SetRed(128);
  SetGreen(128);
  SetBlue(128);
}

TGForm& TPlayer::Form() const { return TGForm::Of(*this); }

bool TPlayer::IsUpright() const { return State == psStand || State == psWalk || State == psAttack; }

bool TPlayer::IsDucking() const { return State == psCrouch || State == psRoll || State == psCrouchShoot; }

void TPlayer::ClearInput() {
  KeyRight = false;
  KeyLeft = false;
  KeyDown = false;
  KeyUp = false;
}

void TPlayer::SendAction(Byte action) {
  const TGForm& form = Form();
  if (form.OnlineGame != 1 || form.Player1 != this || !form.RoomLink.SendAction) return;
  // The room sends it on: the host to every client, a client to the host.
  form.RoomLink.SendAction(
      TAction{.Seat = NetIndex, .Code = action, .X = WirePosition(X), .Y = WirePosition(Y)});
}

// [SECTION] Movement commands
//
// A speed taken from a setting is multiplied by TimeFactor when it is set, and DoMove
// multiplies by it once more when it moves; at the normal rate both factors are 1.

void TPlayer::WalkRight() {
  const TGForm& form = Form();
  if (State == psStand || State == psClimb) SendAction(1);
  State = State == psClimb ? psJump : psWalk;
  VelX = form.GameSettings.MovePower * form.TimeFactor;
}

void TPlayer::WalkLeft() {
  const TGForm& form = Form();
  // Unlike walking right, stepping off a rope to the left is not announced.
  if (State == psStand) SendAction(2);
  State = State == psClimb ? psJump : psWalk;
  VelX = -form.GameSettings.MovePower * form.TimeFactor;
}

void TPlayer::Jump(Single power) {
  const TGForm& form = Form();
  if (State == psStand || State == psWalk) {
    if (KeyLeft)
      SendAction(3);
    else if (KeyRight)
      SendAction(5);
    else
      SendAction(4);
  }
  SetPatternIndex(3);
  State = psJump;
  VelY = power * form.TimeFactor;
  const Single move = form.GameSettings.MovePower * form.TimeFactor;
  if (KeyLeft)
    VelX = -move;
  else if (KeyRight)
    VelX = move;
  else
    VelX = 0;
  ClearInput();
}

void TPlayer::Duck() {
  const TGForm& form = Form();
  if (State != psRoll && State != psCrouch) {
    if (KeyLeft)
      SendAction(6);
    else if (KeyRight)
      SendAction(7);
    else
      SendAction(8);
  }
  State = psRoll;
  const Single move = form.GameSettings.MovePower * form.TimeFactor;
  if (KeyLeft)
    VelX = -move;
  else if (KeyRight)
    VelX = move;
  else
    State = psCrouch;  // a crouch keeps whatever sideways speed there was
}

void TPlayer::Knock(Single vx, Single vy) {
  if (Eliminated) return;
  const Single timeFactor = Form().TimeFactor;
  // The first step is taken at once, without the mover's factor.
  VelX = vx * timeFactor;
  SetX(X + VelX);
  VelY = vy * timeFactor;
  SetY(Y + VelY);
  OnGround = false;
  State = psTumble;
  SetPatternIndex(5);
}

void TPlayer::Climb() {
  if (!Rope) return;
  const TGForm& form = Form();
  if (State != psClimb) {
    if (KeyUp)
      SendAction(11);
    else if (KeyDown)
      SendAction(12);
  }
  State = psClimb;
  if (PatternIndex < 9) SetPatternIndex(9);

  const Single step = form.GameSettings.ClimbPower * form.TimeFactor;
  if (KeyUp) {
    // At the top of the rope the climber simply hangs there.
    if (Rope->Piece == 0 && Y <= Rope->Y) return;
    SetY(Y - step);
  } else if (KeyDown) {
    // Past the bottom segment the climber lets go and falls.
    if (Rope->Piece == 2 && Y + 32 >= Rope->Y) {
      State = psStand;
      return;
    }
    SetY(Y + step);
  }

  // Two frames, the figure mirrored every other step.
  if (Divides(6, form.TickCount)) {
    if (PatternIndex == 10)
      SetPatternIndex(9);
    else if (PatternIndex == 9)
      SetPatternIndex(10);
    if (PatternIndex == 9) ScaleX = ScaleX == -1.0f ? 1.0f : -1.0f;
  }
}

// [SECTION] The body's tick

void TPlayer::UpdateAnimation() {
  TGForm& form = Form();
  const Integer tick = form.TickCount;
  const Integer p = PatternIndex;
  switch (State) {
    case psStand:
      SetPatternIndex(0);
      break;
    case psWalk:
      if (Divides(10, tick)) {
        if (p == 1 || p == 2)
          SetPatternIndex(8);
        else if (p == 8)
          SetPatternIndex(1 + form.Random(2));
        else
          SetPatternIndex(1);
      }
      break;
    case psJump: {
      const Integer next = Divides(8, tick) ? p + 1 : p;
      SetPatternIndex(next > 4 ? 3 : next);
      break;
    }
    case psTumble: {
      const Integer next = Divides(5, tick) ? p + 1 : p;
      SetPatternIndex(next > 6 ? 5 : next);
      break;
    }
    case psCrouch:
    case psRoll:
      SetPatternIndex(7);
      break;
    case psClimb:
      break;  // Climb animates
    case psAttack:
      SetPatternIndex(11);
      break;
    case psCrouchShoot:
      SetPatternIndex(12);
      break;
  }

  if (State == psRoll) {
    // The figure turns about a point low in its body; the pivot stays there from now on.
    PivotY = 0.75f;
    if (Divides(3, tick)) {
      const Single turn = 40 * form.TimeFactor;
      if (VelX > 0)
        Angle += turn;
      else if (VelX < 0)
        Angle -= turn;
    }
    if (std::abs(Angle) >= 360) {
      State = psCrouch;
      Angle = 0;
    }
  }
}

void TPlayer::DoMove(Single timeFactor) {
  TGForm& form = Form();
  const TGameSettings& settings = form.GameSettings;
  if (form.GameMode != 1) {
    Visible = false;
    return;
  }
  // A body flung off the top is parked out of sight for the rest of the round.
  if (Eliminated && Y < 0) {
    Visible = false;
    SetY(-500);
  }
  UseDelay = std::max(UseDelay - timeFactor, 0.0f);
  StunTime = std::max(StunTime - timeFactor, 0.0f);

  if (StunTime == 0) {
    // No steering in the air or while rolling.
    if (State == psJump || State == psTumble || State == psRoll) ClearInput();

    // Landing: with sideways speed the fall turns into a roll.
    if (OnGround && State == psTumble && VelX != 0) {
      State = psRoll;
      VelX = VelX * 0.75f;
      ClearInput();
      if (!Eliminated) form.PlaySound("Ouff");
    } else if (OnGround && State == psTumble) {
      State = psStand;
    }

    if ((KeyUp || KeyDown) && OnRope && !KeyRight && !KeyLeft)
      Climb();
    else if (KeyDown)
      Duck();
    else if (KeyUp && OnGround)
      Jump(settings.JumpPower);
    else if (KeyRight)
      WalkRight();
    else if (KeyLeft)
      WalkLeft();
    else if (OnGround && VelX == 0)
      State = psStand;
    // Otherwise nothing: a player hanging on a rope without keys keeps climbing state.

    if (!OnGround && State != psJump && State != psClimb) State = psTumble;
  }

  UpdateAnimation();

  if (VelX > 0)
    ScaleX = 1.0f;
  else if (VelX < 0)
    ScaleX = -1.0f;

  SetX(X + VelX * timeFactor);
  SetY(Y + VelY * timeFactor);

  // Falling speed is capped; rising speed is not.
  VelY = VelY + settings.Gravity * timeFactor;
  if (VelY > 10) VelY = 10;

  // The side walls act only on an airborne player; one on a platform may walk partly off.
  if (X + 32 >= 640 && !OnGround && !Eliminated) {
    if (State == psJump)
      Knock(-settings.MovePower, -5);
    else if (State == psTumble && std::abs(VelX) > settings.MovePower)
      Knock(-0.8f * VelX, 0);
    else
      Knock(-settings.MovePower, -0.7f);
    form.PlaySound("Ouff");
  }
  if (X <= 0 && !OnGround && !Eliminated) {
    if (State == psJump)
      Knock(settings.MovePower, -5);
    else if (State == psTumble && std::abs(VelX) > settings.MovePower)
      Knock(-0.8f * VelX, 0);
    else
      Knock(settings.MovePower, -0.7f);
    form.PlaySound("Ouff");
  }

  if (Y + 32 > 480) Die(dkLava);

  // The contacts are found afresh by the collision pass that follows.
  OnGround = false;
  OnRope = false;
  Bumped = false;
  Rope = nullptr;
  if (State != psRoll) Angle = 0;

  if (HoldsCharge(*this) && Divides(2, form.TickCount)) {
    // A charged player crackles.
    const auto left = static_cast<Integer>(Round(X));
    const auto top = static_cast<Integer>(Round(Y));
    EmitSparks(form, TRect{left, top, left + 32, top + 64}, 1, 0);
  }

  // Local steering flags are set afresh every tick; online they last until a release or a
  // network action clears them.
  if (form.OnlineGame != 1) ClearInput();
}

void TPlayer::DoCollision(TSprite& other, Integer /*x*/, Integer /*y*/) {
  if (Form().GameMode != 1) return;
  if (auto* platform = dynamic_cast<TPlatform*>(&other)) {
    // Lands when the feet were no more than a pixel below the platform's top before this
    // tick's fall, and the centres are at most 24 pixels apart.
    const bool fromAbove = platform->Y + 1 >= Y + 64 - VelY;
    const bool centred = std::abs((X + kHalfWidth) - (platform->X + kHalfWidth)) <= 24;
    if (fromAbove && centred) {
      // The feet sink one pixel in, so the rectangles still touch next tick.
      SetY(platform->Y - 63);
      // A tumbling player keeps its speeds so that the next tick turns the landing into a roll.
      if (State != psTumble) VelY = 0;
      if (State != psRoll && State != psTumble) VelX = 0;
      OnGround = true;
    }
    return;
  }
  if (auto* rope = dynamic_cast<TRope*>(&other)) {
    if (std::abs((X + kHalfWidth) - (rope->X + kHalfWidth)) <= 12) {
      // A top segment, once chosen, keeps its place for the rest of the pass.
      if (!Rope || Rope->Piece != 0) Rope = rope;
      OnRope = true;
      if (State == psClimb) VelY = 0;
    }
    return;
  }
  if (auto* player = dynamic_cast<TPlayer*>(&other)) {
    Bump(*player);
    return;
  }
  if (auto* item = dynamic_cast<TItem*>(&other)) {
    TouchItem(*item);
    return;
  }
  if (auto* bullet = dynamic_cast<TBullet*>(&other)) {
    HitByBullet(*bullet);
    return;
  }
  if (auto* glove = dynamic_cast<TGlove*>(&other)) HitByGlove(*glove);
}

// [SECTION] Contacts

void TPlayer::Bump(TPlayer& other) {
  // One reaction per tick: the first contact of the collision pass.
  if (Bumped) return;
  Bumped = true;
  TGForm& form = Form();
  const Single movePower = form.GameSettings.MovePower;
  const Single away = other.X + kHalfWidth > X + kHalfWidth ? -1.0f : 1.0f;

  if (HoldsCharge(*this) && HoldsCharge(other)) {
    // Two charges cancel where the players meet.
    const Integer left = static_cast<Integer>(Round(X + other.X)) / 2;
    const Integer top = static_cast<Integer>(Round(Y + other.Y)) / 2;
    EmitSparks(form, TRect{left, top, left + 32, top + 64}, 30, 6);
    Item = nullptr;
    other.Item = nullptr;
    form.PlaySound("Bzzt");
    Killer = &other;
    other.Killer = this;
  }
  if (HoldsCharge(*this)) {
    // The charge is kept.
    other.DeathCause = "Electricity";
    other.Killer = this;
    other.Die(dkFling);
    form.PlaySound("Bzzt");
  }

  const TSoundListItem* ouff = form.Sound.SoundList.Find("Ouff");
  if (!(ouff && ouff->IsPlaying()) && !Eliminated) form.PlaySound("Ouff");

  if (State == psTumble || other.State == psTumble) return;

  // Trip over a ducking player (thrown towards it), or be shoved away while standing.
  if (other.IsDucking() && IsUpright()) {
    Knock(-away * movePower, -4.3f);
    Killer = &other;
  } else if (other.IsUpright() && State == psStand) {
    Knock(away * movePower, -4.3f);
    Killer = &other;
  }

  const TPlayerState mine = State;
  const TPlayerState theirs = other.State;
  const bool sameMoving =
      mine == theirs && (mine == psWalk || mine == psJump || mine == psRoll || mine == psClimb);
  const bool clash = sameMoving || (mine == psJump && other.OnGround) || (mine == psClimb && theirs == psJump) ||
                     (mine == psCrouch && theirs == psRoll);
  if (clash) {
    Knock(away * movePower, -4.3f);
    other.Knock(-away * movePower, -4.3f);
    Killer = &other;
    other.Killer = this;
  }

  if (State == psClimb && other.State != psTumble) {
    Knock(away * movePower, -4.3f);
    Killer = &other;
  }
}

void TPlayer::TouchItem(TItem& bubble) {
  TGForm& form = Form();
  switch (bubble.Kind) {
    case pkElectricity:
      // The bubble collects itself.
      form.PlaySound("Bzzt");
      break;
    case pkSwitchPlaces: {
      std::vector<TPlayer*> candidates;
      for (TPlayer* player : form.Players)
        if (player != this && !InList(form.DeadPlayers, player)) candidates.push_back(player);
      if (candidates.empty()) break;
      TPlayer& partner = *candidates[static_cast<size_t>(form.Random(static_cast<Integer>(candidates.size())))];
      form.PlaySound("Bzzt");
      const Single oldX = X;
      const Single oldY = Y;
      EmitSparks(form, CollisionRect, 25, 3);
      EmitSparks(form, partner.CollisionRect, 25, 3);
      SetX(partner.X);
      SetY(partner.Y);
      partner.SetX(oldX);
      partner.SetY(oldY);
      // A fall that follows is credited to the switcher.
      partner.Killer = this;
      partner.DeathCause = "Switch Places";
      break;
    }
    case pkDeath:
      // The death bubble is not used up and floats on.
      DeathCause = "Floating Death";
      Killer = nullptr;
      Die(dkBlast);
      break;
    default:
      break;
  }
}

void TPlayer::HitByBullet(TBullet& bullet) {
  // A shot fired standing passes over a ducking player.
  if (bullet.High && IsDucking()) return;
  Killer = bullet.Owner;
  DeathCause = "Handgun";
  Die(dkBlast);
  bullet.Kill();
}

void TPlayer::HitByGlove(TGlove& glove) {
  if (IsDucking() || glove.Direction == -1 || glove.Owner == this) return;
  TGForm& form = Form();
  EmitPuff(form, PointRect(static_cast<Integer>(Round(X)) + 16, static_cast<Integer>(Round(Y)) + 32), 30);
  form.PlaySound("Ouff");
  Killer = glove.Owner;
  DeathCause = "Spring Glove";
  // Turned back at once, so one glove hits once. The punch throws; it does not kill.
  glove.Direction = -1;
  const Single g = glove.ScaleX;
  Knock(VelX * g + g * 4.5f, -4.5f);
  if (glove.Owner) {
    glove.Owner->UseDelay = 10;
    glove.Owner->StunTime = 10;
  }
  StunTime = 25;
}

// [SECTION] Deaths

void TPlayer::Die(TDeathKind how) {
  if (Eliminated) return;
  TGForm& form = Form();
  switch (how) {
    case dkFling:
      // The body flies up off the screen and is parked above it.
      VelY = -18;
      State = psTumble;
      break;
    case dkLava:
      if (DeathCause.empty()) DeathCause = "Lava";
      form.PlaySound("Splash");
      EmitSplash(form, static_cast<Integer>(Round(X)), 30);
      break;
    case dkBlast:
      EmitBlast(form, PointRect(static_cast<Integer>(Round(X)) + 16, static_cast<Integer>(Round(Y)) + 32), 150);
      form.PlaySound("Boom");
      SetY(480);  // the body drops out of sight below the screen
      VelY = 10;
      break;
  }

  if (Killer && Killer != this) {
    Killer->RoundKills += 1;
    Killer->Kills += 1;
  }
  Deaths += 1;
  form.DeadPlayers.push_back(this);
  // The last one standing wins the round; the countdown starts once, even when two die in
  // the same tick.
  if (form.RoundTimer == -1 && form.DeadPlayers.size() + 1 == form.Players.size()) {
    form.RoundTimer = 240;
    for (TPlayer* player : form.Players)
      if (!InList(form.DeadPlayers, player)) player->Wins += 1;
  }
  Eliminated = true;
}

// [SECTION] Free procedures

void PlaceOnPlatform(TPlayer& player) {
  TGForm& form = TGForm::Of(player);
  // Both draws of an attempt come from the shared generator, x first.
  do {
    player.SetX(static_cast<Single>((form.Random(18) + 1) * 32));
    player.SetY(static_cast<Single>((form.Random(13) + 2) * 32));
  } while (!form.LevelGrid.At(static_cast<Integer>(Round(player.X / 32)),
                              static_cast<Integer>(Round(player.Y / 32)) + 2));
}

void FavouriteItemName(const TPlayer& player, std::string& s) {
  size_t best = 0;
  for (size_t kind = 1; kind < player.Pickups.size(); ++kind)
    if (player.Pickups[kind] > player.Pickups[best]) best = kind;
  if (player.Pickups[best] == 0)
    s = "None";
  else
    s = std::string(kPowerups[best].PrintedName);
}

}  // namespace lr
