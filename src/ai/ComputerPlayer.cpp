// The computer player's frame: what it sees, then the first of these that applies: riding
// out a flight, working a rope, getting out of harm's way, using the item, the scuffle at
// close range, and travelling towards a bubble or the other player.
//
// [SECTION] Strengths and set-up
// [SECTION] Seeing
// [SECTION] Deciding
// [SECTION] Helpers
#include "ai/ComputerPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "actors/ItemUnit.h"
#include "game/LevelUnit.h"
#include "game/MainForm.h"

namespace lr {

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr float kBulletSpeed = 5.1f;
// How far ahead a bubble's drift is followed, and in what steps.
constexpr int kBubbleHorizon = 240, kBubbleStep = 3;
// A scuffle of this many frames is a standoff, broken off for the next so many.
constexpr int kStandOffFrames = 120, kBreakOffFrames = 150;
// How far ahead a climb is checked for a deadly bubble on its way.
constexpr int kDeathHorizon = 40;
// Whether the clever moves' windows are watched is settled this often.
constexpr int kAlertFrames = 20;
// The aim's misjudgement changes this often.
constexpr int kAimFrames = 40;
// How near a mine laid since the map in use was built is kept from (the map's ledges stop 30
// pixels short of a known one).
constexpr float kNewMineReach = 32;

// How much a powerup is worth having (by kind); the two that cannot be held are worth nothing.
constexpr std::array<int, kPowerupKindCount> kWorth = {5, 6, 3, 2, 0, 0, 3, 8, 7};

bool Ducking(TPlayerState s) { return s == psCrouch || s == psRoll || s == psCrouchShoot; }
bool Upright(TPlayerState s) { return s == psStand || s == psWalk || s == psAttack; }
int Sign(float v) { return v >= 0 ? 1 : -1; }

// A bubble's place `frames` from now, bouncing off the screen edges as bubbles do.
std::array<float, 2> Drift(float x, float y, float vx, float vy, int frames) {
  for (int i = 0; i < frames; ++i) {
    if (x <= 0 || x + 32 >= 640) vx = -vx;
    x += vx;
    if (y <= 0 || y + 32 >= 480) vy = -vy;
    y += vy;
  }
  return {x, y};
}

}  // namespace

// [SECTION] Strengths and set-up

const TStrength& StrengthOf(TPlayedBy level) {
  static_assert(kStrengths[0].ReactionFrames < TComputerPlayer::kHistory &&
                    kStrengths[1].ReactionFrames < TComputerPlayer::kHistory &&
                    kStrengths[2].ReactionFrames < TComputerPlayer::kHistory,
                "the history must reach back past every strength's reaction");
  for (const TStrength& s : kStrengths)
    if (s.Level == level) return s;
  return kStrengths[1];
}

TComputerPlayer::TComputerPlayer(TGForm& form, int seat, TPlayedBy level)
    : Form(form), Seat(seat), Strength(StrengthOf(level)) {}

TPlayer* TComputerPlayer::Me() const { return Seat == 0 ? Form.Player1 : Form.Player2; }

void TComputerPlayer::StartRound() {
  // Seeded from the match, so a run with the same seed plays the same.
  Dice.RandomState = static_cast<uint32_t>(Form.LastLevel.Seed) * 2654435761u ^
                     (static_cast<uint32_t>(Form.RoundNumber) << 16) ^ static_cast<uint32_t>(Seat + 1) * 0x9E3779B9u;
  Frame = 0;
  Observed = 0;
  MapBuilt = false;
  Building = false;
  Goal = {};
  Climb = {};
  AimOffset = 0;
  AimUntil = 0;
  Waited = 0;
  Scuffling = 0;
  BreakOffUntil = 0;
  Alert = true;
  Idle = false;
  HeldSince = 0;
  HeldKindBefore = -1;
}

TPad TComputerPlayer::Think() {
  TPlayer* me = Me();
  if (!me || Form.GameMode != 1 || Form.RoundState != 0) {
    InPlay = false;
    return {};
  }
  // Every round is preceded by its banner: the first frame of play starts afresh.
  if (!InPlay) StartRound();
  InPlay = true;
  ++Frame;
  Observe(*me);
  if (me->Eliminated) return {};
  UpdateMap();
  // The first map of a round takes a few frames: until it is there, stand still but for
  // stepping out of a mine's reach.
  if (!MapBuilt) {
    TPad pad;
    if (!me->OnGround) return pad;
    const int row = static_cast<int>(std::lround((me->Y + 63) / 32));
    for (const auto& m : View.MinePlaces())
      if (std::abs(m[0] - me->X) < kNewMineReach && std::abs(m[1] - (me->Y + 48)) < 40) {
        const int dir = me->X >= m[0] ? 1 : -1;
        if (View.Supported(me->X + static_cast<float>(dir) * 2 * Form.GameSettings.MovePower, row))
          (dir > 0 ? pad.Right : pad.Left) = true;
        break;
      }
    return pad;
  }
  if (Frame % kAlertFrames == 1) {
    Alert = Strength.Knack >= 100 || Dice.Random(100) < Strength.Knack;
    Idle = Strength.Idle > 0 && Dice.Random(100) < Strength.Idle;
  }
  const int kind = HeldKind(*me);
  if (kind != HeldKindBefore) {
    HeldKindBefore = kind;
    HeldSince = Frame;
  }
  return Decide(*me);
}

// [SECTION] Seeing

void TComputerPlayer::Observe(const TPlayer& me) {
  TSeen& seen = History[static_cast<size_t>(Observed) % History.size()];
  ++Observed;
  seen.Other = {};
  seen.Shots.clear();
  seen.Gloves.clear();
  seen.Bubbles.clear();

  // The nearest other player still in the round.
  float nearest = kInfinity;
  for (const TPlayer* p : Form.Players) {
    if (p == &me || p->Eliminated) continue;
    const float d = std::abs(p->X - me.X) + std::abs(p->Y - me.Y);
    if (d >= nearest) continue;
    nearest = d;
    TSeenPlayer& o = seen.Other;
    o.Present = true;
    o.X = p->X;
    o.Y = p->Y;
    o.VelX = p->VelX;
    o.VelY = p->VelY;
    o.Facing = p->ScaleX;
    o.State = p->State;
    o.OnGround = p->OnGround;
    // Everyone saw which bubble it collected.
    o.Item = p->Item ? static_cast<int>(p->Item->Kind) : -1;
  }

  for (const TSprite* sprite : Form.SE.SpriteList) {
    if (sprite->Dead) continue;
    const char* name = sprite->ClassName();
    if (std::strcmp(name, "TBullet") == 0) {
      const auto* b = static_cast<const TBullet*>(sprite);
      if (b->Owner != &me) seen.Shots.push_back({b->X, b->Y, b->ScaleX, b->High});
    } else if (std::strcmp(name, "TGlove") == 0) {
      const auto* g = static_cast<const TGlove*>(sprite);
      if (g->Owner != &me && g->Direction == 1) seen.Gloves.push_back({g->X, g->Y, g->ScaleX, false});
    } else if (std::strcmp(name, "TItem") == 0) {
      const auto* b = static_cast<const TItem*>(sprite);
      if (!b->Collected && b->Collide && b->Kind < kPowerupKindCount)
        seen.Bubbles.push_back({b->X, b->Y, b->VelX, b->VelY, static_cast<int>(b->Kind)});
    }
  }
}

const TComputerPlayer::TSeen& TComputerPlayer::Seen() const {
  const int late = std::min(Strength.ReactionFrames, Observed - 1);
  return History[static_cast<size_t>(Observed - 1 - late) % History.size()];
}

void TComputerPlayer::UpdateMap() {
  View.Clear();
  for (const TSprite* sprite : Form.SE.SpriteList) {
    if (sprite->Dead) continue;
    const char* name = sprite->ClassName();
    if (std::strcmp(name, "TPlatform") == 0) {
      // A platform on its way down holds nobody.
      if (!static_cast<const TPlatform*>(sprite)->Falling)
        View.AddPlatform(static_cast<int>(std::lround(sprite->X / 32)), static_cast<int>(std::lround(sprite->Y / 32)));
    } else if (std::strcmp(name, "TRope") == 0) {
      View.AddRope(static_cast<int>(std::lround(sprite->X / 32)), static_cast<int>(std::lround(sprite->Y / 32)));
    }
  }
  // Mines are hidden, but everyone saw where they were laid; they never move.
  for (const TSprite* sprite : Form.SE.SpriteList)
    if (!sprite->Dead && std::strcmp(sprite->ClassName(), "TMine") == 0) View.AddMine(sprite->X, sprite->Y);
  const uint64_t seen = View.Signature();
  if (MapBuilt && seen == BuiltSignature) {
    Building = false;
  } else if (!Building || seen != NextSignature) {
    // The level changed: find its moves afresh, a slice a frame.
    Next = View;
    const TGameSettings& rules = Form.GameSettings;
    Next.Start({rules.MovePower, rules.JumpPower, rules.ClimbPower, rules.Gravity});
    NextSignature = seen;
    Building = true;
  }
  if (Building && Next.Continue(kFlightStepsPerFrame)) {
    std::swap(Map, Next);
    BuiltSignature = NextSignature;
    MapBuilt = true;
    Building = false;
    Goal = {};
  }
}

bool TComputerPlayer::NearNewMine(float x, float y) const {
  if (!Building) return false;
  for (const auto& m : View.MinePlaces()) {
    if (std::abs(m[0] - x) >= kNewMineReach || std::abs(m[1] - (y + 48)) >= 40) continue;
    const auto& known = Map.MinePlaces();
    if (std::find(known.begin(), known.end(), m) == known.end()) return true;
  }
  return false;
}

// [SECTION] Deciding

TPad TComputerPlayer::Decide(TPlayer& me) {
  TPad pad = Choose(me);
  // Whatever was chosen, no step or roll into a mine the map in use does not know yet (a roll
  // carries the player about 40 pixels).
  if (me.OnGround && (pad.Left || pad.Right) && !pad.Up) {
    const float reach = pad.Down ? 40 : Map.Rules().Move;
    if (NearNewMine(me.X + (pad.Right ? reach : -reach), me.Y) && !NearNewMine(me.X, me.Y)) pad.Left = pad.Right = false;
  }
  return pad;
}

TPad TComputerPlayer::Choose(TPlayer& me) {
  TPad pad;
  if (InTheAir(me, pad)) return pad;
  if (OnTheRope(me, pad)) return pad;
  // Standing about on a ledge, it presses nothing (a flight or a climb under way goes on).
  if (Idle && me.OnGround) return pad;
  const int ledge = Map.LedgeAt(me.X, me.Y);
  Map.Reach(ledge, me.X, HeldKind(me) == pkSpringBoots, Reach);
  if (Dodge(me, ledge, pad)) return pad;
  if (ledge < 0) return pad;
  if (Attack(me, ledge, pad)) return pad;
  // A scuffle that has gone on a while without a fall is a standoff: break off for a while to
  // fetch a bubble or, with a ranged item, to get to where it works.
  if (Frame >= BreakOffUntil && Scuffle(me, ledge, pad)) {
    if (++Scuffling > kStandOffFrames) {
      Scuffling = 0;
      BreakOffUntil = Frame + kBreakOffFrames;
      Goal.Until = 0;
    }
    return pad;
  }
  if (Frame >= BreakOffUntil) Scuffling = std::max(0, Scuffling - 1);
  Travel(me, ledge, pad);
  return pad;
}

bool TComputerPlayer::InTheAir(const TPlayer& me, TPad& pad) {
  const bool steerable = (me.OnGround || me.OnRope) && me.StunTime == 0 && me.State != psJump &&
                         me.State != psTumble && me.State != psRoll;
  if (steerable) return false;
  // Nothing steers in the air, but a teleport still works: use it rather than land in the lava.
  if (HeldKind(me) == pkTeleport && me.UseDelay == 0 && !me.OnGround && !me.OnRope &&
      !Map.Fly(me.X, me.Y, me.VelX, me.VelY, me.State != psJump).Lands)
    pad.Use = true;
  return true;
}

bool TComputerPlayer::OnTheRope(const TPlayer& me, TPad& pad) {
  if (me.State != psClimb || !me.OnRope) {
    // A climb begun last frame shows on this one.
    if (Climb.Active && Frame - Climb.StartFrame > 2) Climb = {};
    return false;
  }
  if (!Climb.Active) {
    // On a rope with no plan: step off where a ledge lies below, else climb down and let go.
    Climb = {true, me.Y, 0, false, Frame, me.Y, 0};
    const float move = Map.Rules().Move;
    for (int dir : {Sign(Seen().Other.X - me.X), -Sign(Seen().Other.X - me.X)}) {
      const TFlight f = Map.Fly(me.X, me.Y, static_cast<float>(dir) * move, 0, false);
      if (f.Lands) {
        Climb.Dir = dir;
        break;
      }
    }
    if (Climb.Dir == 0) Climb.ExitY = 480;
  }
  const bool still = std::abs(me.Y - Climb.LastY) < 0.01f;
  Climb.Still = still ? Climb.Still + 1 : 0;
  Climb.LastY = me.Y;
  const bool there = Climb.Up ? me.Y <= Climb.ExitY : me.Y >= Climb.ExitY;
  if (Climb.Dir != 0 && (there || Climb.Still > 2)) {
    (Climb.Dir > 0 ? pad.Right : pad.Left) = true;
    Climb = {};
    return true;
  }
  // A deadly bubble on the way: climb the other way while that way is clear.
  const float climb = Map.Rules().Climb;
  if (PathMeetsDeath(me.X, me.Y, 0, Climb.Up ? -climb : climb, 0, kDeathHorizon) &&
      !PathMeetsDeath(me.X, me.Y, 0, Climb.Up ? climb : -climb, 0, kDeathHorizon))
    Climb.Up = !Climb.Up;
  (Climb.Up ? pad.Up : pad.Down) = true;
  return true;
}

bool TComputerPlayer::PathMeetsDeath(float x, float y, float vx, float vy, float gravity, int frames) const {
  const bool otherSafe = OtherSafe();
  for (const TSeenBubble& b : Seen().Bubbles) {
    if (b.Kind != pkDeath && !(b.Kind == pkSwitchPlaces && !otherSafe)) continue;
    float px = x, py = y, pvy = vy;
    float bx = b.X, by = b.Y, bvx = b.VelX, bvy = b.VelY;
    for (int t = 1; t <= frames; ++t) {
      px += vx;
      py += pvy;
      pvy = std::min(pvy + gravity, 10.0f);
      if (bx <= 0 || bx + 32 >= 640) bvx = -bvx;
      bx += bvx;
      if (by <= 0 || by + 32 >= 480) bvy = -bvy;
      by += bvy;
      if (bx + 30 > px && bx + 2 < px + 32 && by + 30 > py && by + 2 < py + 64) return true;
    }
  }
  return false;
}

bool TComputerPlayer::Dodge(const TPlayer& me, int ledge, TPad& pad) {
  const TSeen& seen = Seen();
  const int row = static_cast<int>(std::lround((me.Y + 63) / 32));

  // Off the known ledges while standing: within a mine's reach, on a platform that is
  // falling, or not yet settled at the start of a round (a step then would tumble).
  if (ledge < 0) {
    if (!me.OnGround) return false;
    for (const auto& m : Map.MinePlaces())
      if (std::abs(m[0] - me.X) < 48 && std::abs(m[1] - (me.Y + 48)) < 40) {
        WalkAway(me, ledge, m[0], pad);
        return true;
      }
    if (me.Y < TArenaMap::StandY(row) - 0.5f) return true;
    float best = kInfinity, to = me.X;
    for (const TLedge& l : Map.Ledges()) {
      if (l.Row != row) continue;
      const float x = std::clamp(me.X, l.Lo + 2, l.Hi - 2);
      if (std::abs(x - me.X) < best) {
        best = std::abs(x - me.X);
        to = x;
      }
    }
    if (best < 64) WalkTo(me, -1, to, pad);
    return true;
  }

  // A mine laid since the map in use was built: away from it along this ledge.
  if (me.OnGround && NearNewMine(me.X, me.Y)) {
    for (const auto& m : View.MinePlaces())
      if (std::abs(m[0] - me.X) < kNewMineReach && std::abs(m[1] - (me.Y + 48)) < 40) {
        WalkAway(me, ledge, m[0], pad);
        return true;
      }
  }

  // Shots: a standing shot passes over a crouch; a low one is jumped.
  for (const TSeenShot& shot : seen.Shots) {
    if (!Alert) break;
    const float gap = shot.Dir > 0 ? me.X - (shot.X + 32) : shot.X - (me.X + 32);
    if (gap < -40 || gap / kBulletSpeed > 22) continue;
    if (!(shot.Y + 26 > me.Y && shot.Y + 8 < me.Y + 64)) continue;
    const float frames = std::max(gap, 0.0f) / kBulletSpeed;
    if (shot.High) {
      if (frames > 14) continue;
      pad.Down = !me.OnRope;
      return pad.Down;
    }
    if (HeldKind(me) == pkTeleport && me.UseDelay == 0 && frames < 8) {
      pad.Use = true;
      return true;
    }
    // A jump clears the low shot's height from its 8th frame to its 37th: leave the ground 8
    // to 22 frames before the shot arrives.
    if (frames >= 8 && frames <= 22 && me.OnGround) {
      pad.Up = true;
      // On a rope, straight up would climb: jump away from the shot instead.
      if (me.OnRope) (shot.Dir > 0 ? pad.Right : pad.Left) = true;
      return true;
    }
  }

  // A glove on its way out towards this player: a crouch lets it pass.
  for (const TSeenShot& glove : seen.Gloves) {
    if (!Alert) break;
    const bool ahead = glove.Dir > 0 ? me.X + 32 > glove.X : me.X < glove.X + 32;
    if (ahead && glove.Y + 32 > me.Y && glove.Y < me.Y + 64 && !me.OnRope) {
      pad.Down = true;
      return true;
    }
  }

  // The death bubble, a switch that would put this player where the other falls to its death,
  // and dynamite that will bring down the platform underfoot.
  const bool otherSafe = OtherSafe();
  for (const TSeenBubble& b : seen.Bubbles) {
    const bool deadly = b.Kind == pkDeath || (b.Kind == pkSwitchPlaces && !otherSafe);
    if (!deadly && b.Kind != pkDynamite) continue;
    const int horizon = deadly ? 40 : 70;
    for (int t = 0; t <= horizon; t += 4) {
      const auto at = Drift(b.X, b.Y, b.VelX, b.VelY, t);
      bool danger = false;
      if (deadly) {
        danger = at[0] + 30 > me.X && at[0] + 2 < me.X + 32 && at[1] + 30 > me.Y && at[1] + 2 < me.Y + 64;
      } else {
        const float cellY = 32.0f * static_cast<float>(row);
        for (int c = static_cast<int>(std::floor(me.X / 32)); c <= static_cast<int>(std::floor(me.X / 32)) + 1; ++c) {
          const float cellX = 32.0f * static_cast<float>(c);
          if (Map.Solid(c, row) && std::abs(me.X - cellX) <= 24 && at[0] < cellX + 32 && at[0] + 32 > cellX &&
              at[1] < cellY + 32 && at[1] + 32 > cellY)
            danger = true;
        }
      }
      if (danger) {
        if (deadly)
          Evade(me, ledge, b, pad);
        else
          WalkAway(me, ledge, at[0], pad);
        return true;
      }
    }
  }

  const TSeenPlayer& other = seen.Other;
  if (!other.Present) return false;
  const float dx = other.X - me.X;
  const float gap = std::abs(dx) - 32;
  const bool sameRow = std::abs(other.Y - me.Y) < 40;

  // A charged player kills by touch: keep away, or teleport when it is too late.
  if (other.Item == pkElectricity && HeldKind(me) != pkElectricity && sameRow && gap < 90) {
    if (HeldKind(me) == pkTeleport && me.UseDelay == 0 && gap < 20) {
      pad.Use = true;
      return true;
    }
    // Away along the ledges, not just to the end of this one.
    Goal.Until = 0;
    Travel(me, ledge, pad);
    if (pad == TPad{}) WalkAway(me, ledge, other.X, pad);
    return true;
  }

  // A player walking in would shove: crouched, it trips over instead. One that stands still
  // is shoved itself (the scuffle below).
  // A walker's speed lasts one frame (standing zeroes it), so its facing tells where it goes.
  const bool closing = (other.State == psWalk && Sign(other.Facing) == Sign(-dx)) ||
                       other.VelX * static_cast<float>(Sign(-dx)) > 0 || other.State == psJump;
  if (sameRow && Upright(other.State) && other.State != psStand && !me.OnRope && HeldKind(me) != pkElectricity &&
      Alert && (gap < 6 || (closing && gap < 14))) {
    pad.Down = true;
    return true;
  }
  return false;
}

bool TComputerPlayer::Attack(const TPlayer& me, int ledge, TPad& pad) {
  const TSeenPlayer& other = Seen().Other;
  const int kind = HeldKind(me);
  if (!other.Present || kind < 0 || me.UseDelay > 0 || !me.OnGround) return false;
  const float dx = other.X - me.X;
  const int dir = Sign(dx);
  const float dist = std::abs(dx);
  const float otherY = other.Y + Misjudged(1);
  // The other's body, as far as a shot or a glove can meet it.
  const auto meets = [&](float top, float bottom) { return bottom > otherY + 6 && top < otherY + 58; };

  switch (kind) {
    case pkHandgun: {
      // A low shot, fired crouched, hits a crouching player as well as a standing one.
      if (!meets(me.Y + 32, me.Y + 50) || (Strength.AimError == 0 && !other.OnGround)) return false;
      if (dist + Misjudged(2) < 60) {
        WalkAway(me, ledge, other.X, pad);  // too close: the shot arms only after 51 pixels
        return true;
      }
      if (!Face(me, ledge, dir, pad)) return true;
      pad.Down = true;
      pad.Use = me.State == psCrouch;
      return true;
    }
    case pkSpringGlove: {
      if (!meets(me.Y + 8, me.Y + 40) || Ducking(other.State) || dist + Misjudged(4) > 420) return false;
      if (me.State != psStand && me.State != psWalk) return false;
      if (!Face(me, ledge, dir, pad)) return true;
      pad.Use = true;
      return true;
    }
    case pkLandmine: {
      // On the other's way along this row, or anywhere once it has been held a long while.
      const bool onItsWay = std::abs(other.Y - me.Y) < 16 && dist + Misjudged(2) > 70 && dist < 320;
      const TLedge& l = Map.Ledges()[static_cast<size_t>(ledge)];
      const bool spare = Frame - HeldSince > 900 && me.X - l.Lo > 40 && l.Hi - me.X > 40;
      if (!onItsWay && !spare) return false;
      if (!Face(me, ledge, dir, pad)) return true;
      pad.Use = true;
      return true;
    }
    default:
      return false;
  }
}

bool TComputerPlayer::Scuffle(const TPlayer& me, int ledge, TPad& pad) {
  const TSeenPlayer& other = Seen().Other;
  if (!other.Present || !other.OnGround || std::abs(other.Y - me.Y) > 8) return false;
  const float dx = other.X - me.X;
  const float gap = std::abs(dx) - 32;
  if (gap > 70) return false;
  const int dir = Sign(dx);
  // A charge kills by touch.
  if (HeldKind(me) == pkElectricity) {
    WalkTo(me, ledge, other.X, pad);
    return true;
  }
  if (Ducking(other.State)) {
    // Walking into a crouching player trips: wait a little way off, then roll in.
    ++Waited;
    if (Waited > 60 + Dice.Random(60) && gap < 30) {
      Waited = 0;
      pad.Down = true;
      (dir > 0 ? pad.Right : pad.Left) = true;
      return true;
    }
    if (gap < 14) WalkAway(me, ledge, other.X, pad);
    return true;
  }
  Waited = 0;
  if (Upright(other.State)) {
    // Walking into a standing player shoves it.
    (dir > 0 ? pad.Right : pad.Left) = true;
    const TLedge& l = Map.Ledges()[static_cast<size_t>(ledge)];
    const float next = me.X + static_cast<float>(dir) * Map.Rules().Move;
    if (next < l.Lo + 1 || next > l.Hi - 1) pad = {};
    return true;
  }
  return false;
}

void TComputerPlayer::Travel(const TPlayer& me, int ledge, TPad& pad) {
  if (Frame >= Goal.Until || Goal.Ledge < 0 || static_cast<size_t>(Goal.Ledge) >= Reach.size() ||
      Reach[static_cast<size_t>(Goal.Ledge)].Time == kInfinity)
    ChooseGoal(me, ledge);
  if (Goal.Ledge < 0) return;
  if (Goal.Ledge == ledge) {
    WalkTo(me, ledge, Goal.X, pad);
    if (!pad.Left && !pad.Right && !me.OnRope)
      pad.Up = JumpMeetsBubble(me) && !PathMeetsDeath(me.X, me.Y, 0, Map.Rules().Jump, Map.Rules().Gravity, 47);
    return;
  }
  const int first = Reach[static_cast<size_t>(Goal.Ledge)].FirstMove;
  if (first < 0) return;
  const TMove& move = Map.Moves()[static_cast<size_t>(first)];
  if (move.Kind == TMoveKind::WalkOff) {
    (move.Dir > 0 ? pad.Right : pad.Left) = true;
    return;
  }
  if (std::abs(me.X - move.StartX) > 0.8f) {
    WalkTo(me, ledge, move.StartX, pad);
    return;
  }
  // Not into the way of a deadly bubble: wait for it to pass.
  const TBodyRules& body = Map.Rules();
  const float vx = static_cast<float>(move.Dir) * body.Move;
  const bool deadly =
      (move.Kind == TMoveKind::Jump && PathMeetsDeath(me.X, me.Y, vx, body.Jump, body.Gravity, move.Frames)) ||
      (move.Kind == TMoveKind::SpringJump &&
       PathMeetsDeath(me.X, me.Y, vx, static_cast<float>(1.35 * body.Jump), body.Gravity, move.Frames)) ||
      (move.Kind == TMoveKind::Climb &&
       PathMeetsDeath(me.X, me.Y, 0, move.ExitY < me.Y ? -body.Climb : body.Climb, 0, std::min(move.Frames, kDeathHorizon)));
  if (deadly) return;
  switch (move.Kind) {
    case TMoveKind::Jump:
      pad.Up = true;
      (move.Dir > 0 ? pad.Right : pad.Left) = true;
      break;
    case TMoveKind::SpringJump:
      pad.Use = true;
      if (move.Dir != 0) (move.Dir > 0 ? pad.Right : pad.Left) = true;
      break;
    case TMoveKind::Climb:
      Climb = {true, move.ExitY, move.Dir, move.ExitY < me.Y, Frame, me.Y, 0};
      (Climb.Up ? pad.Up : pad.Down) = true;
      break;
    case TMoveKind::WalkOff:
      break;
  }
}

void TComputerPlayer::ChooseGoal(const TPlayer& me, int ledge) {
  const TSeen& seen = Seen();
  const auto& ledges = Map.Ledges();
  Goal = {ledge, me.X, Frame + Strength.GoalFrames};
  float best = kInfinity;
  const auto consider = [&](int l, float x, float score) {
    if (score < best) {
      best = score;
      Goal.Ledge = l;
      Goal.X = x;
    }
  };

  // Bubbles worth more than what is held: the earliest place its drift can be met.
  const int held = HeldKind(me);
  const int heldWorth = held >= 0 ? kWorth[static_cast<size_t>(held)] : 0;
  for (const TSeenBubble& b : seen.Bubbles) {
    const int worth = kWorth[static_cast<size_t>(b.Kind)];
    if (worth <= heldWorth || (b.Kind == pkSwitchPlaces && !OtherSafe())) continue;
    float x = b.X, y = b.Y, vx = b.VelX, vy = b.VelY;
    bool found = false;
    for (int t = 0; t <= kBubbleHorizon && !found; t += kBubbleStep) {
      for (size_t l = 0; l < ledges.size() && !found; ++l) {
        const float standY = TArenaMap::StandY(ledges[l].Row);
        // Within reach standing, or of a jump straight up.
        if (!(y + 30 > standY - 50 && y + 2 < standY + 60)) continue;
        const float at = std::clamp(x, ledges[l].Lo + 2, ledges[l].Hi - 2);
        if (std::abs(at - x) > 24) continue;
        const float arrival = ArrivalTime(static_cast<int>(l), at);
        if (arrival > static_cast<float>(t)) continue;
        consider(static_cast<int>(l), at, static_cast<float>(t) - static_cast<float>(worth) * 30);
        found = true;
      }
      const auto next = Drift(x, y, vx, vy, kBubbleStep);
      // Bounces change the speeds: follow them step by step.
      if (x <= 0 || x + 32 >= 640 || next[0] <= 0 || next[0] + 32 >= 640) vx = next[0] - x < 0 ? -std::abs(vx) : std::abs(vx);
      if (y <= 0 || y + 32 >= 480 || next[1] <= 0 || next[1] + 32 >= 480) vy = next[1] - y < 0 ? -std::abs(vy) : std::abs(vy);
      x = next[0];
      y = next[1];
    }
  }

  // The other player: on its row at the distance the held item works from; bare-handed, close
  // by on its ledge, on the side away from the nearer lethal end, so that a shove throws it off.
  // A player out of reach is approached as near as can be.
  const TSeenPlayer& other = seen.Other;
  if (other.Present && other.OnGround && !(other.Item == pkElectricity && held != pkElectricity)) {
    const int otherLedge = Map.LedgeAt(other.X, other.Y);
    const bool ranged = held == pkHandgun || held == pkSpringGlove;
    float distance = 34;
    if (held == pkHandgun) distance = 150;
    if (held == pkSpringGlove) distance = 120;
    if (held == pkLandmine) distance = 110;
    if (held == pkElectricity) distance = 0;
    for (size_t l = 0; l < ledges.size(); ++l) {
      const TLedge& ledgeHere = ledges[l];
      const bool onItsRow = std::abs(TArenaMap::StandY(ledgeHere.Row) - other.Y) <= 2;
      int side = Sign(me.X - other.X);
      if (held < 0 && Alert && static_cast<int>(l) == otherLedge) side = other.X - ledgeHere.Lo < ledgeHere.Hi - other.X ? 1 : -1;
      for (int s : {side, -side}) {
        const float x = std::clamp(other.X + static_cast<float>(s) * distance, ledgeHere.Lo + 2, ledgeHere.Hi - 2);
        const float off = std::abs(x - other.X) + std::abs(TArenaMap::StandY(ledgeHere.Row) - other.Y);
        const float arrival = ArrivalTime(static_cast<int>(l), x);
        const float extra = s == side ? 0 : 40;
        if (onItsRow && (ranged ? off < 420 : off < distance + 24))
          consider(static_cast<int>(l), x, arrival + 90 + extra);
        else
          consider(static_cast<int>(l), x, arrival + 400 + off * 2 + extra);  // as near as can be
      }
    }
  }

  // A charged player kills by touch: the ledge farthest from it that can be reached soon.
  if (other.Present && other.Item == pkElectricity && held != pkElectricity) {
    for (size_t l = 0; l < ledges.size(); ++l) {
      const float x = (ledges[l].Lo + ledges[l].Hi) / 2;
      const float away = std::abs(x - other.X) + std::abs(TArenaMap::StandY(ledges[l].Row) - other.Y);
      consider(static_cast<int>(l), x, ArrivalTime(static_cast<int>(l), x) - 3 * away);
    }
  }

  // Otherwise keep to the middle of where it stands.
  if (best == kInfinity && ledge >= 0) Goal.X = (ledges[static_cast<size_t>(ledge)].Lo + ledges[static_cast<size_t>(ledge)].Hi) / 2;
}

// [SECTION] Helpers

bool TComputerPlayer::Face(const TPlayer& me, int ledge, int dir, TPad& pad) const {
  if (Sign(me.ScaleX) == dir) return true;
  // One step turns the player; never off the ledge.
  const TLedge& l = Map.Ledges()[static_cast<size_t>(ledge)];
  const float next = me.X + static_cast<float>(dir) * Map.Rules().Move;
  if (next >= l.Lo + 1 && next <= l.Hi - 1) (dir > 0 ? pad.Right : pad.Left) = true;
  return false;
}

void TComputerPlayer::WalkTo(const TPlayer& me, int ledge, float x, TPad& pad) const {
  if (ledge >= 0) {
    const TLedge& l = Map.Ledges()[static_cast<size_t>(ledge)];
    x = std::clamp(x, l.Lo + 2, l.Hi - 2);
  }
  if (std::abs(x - me.X) <= 0.8f) return;
  const float step = x > me.X ? Map.Rules().Move : -Map.Rules().Move;
  // Not towards a mine the map does not know yet.
  if (NearNewMine(me.X + step, me.Y) && !NearNewMine(me.X, me.Y)) return;
  (x > me.X ? pad.Right : pad.Left) = true;
}

void TComputerPlayer::Evade(const TPlayer& me, int ledge, const TSeenBubble& b, TPad& pad) const {
  // Walk either way or jump straight or either way: the first whose body stays clear of the
  // bubble's drift for the next second and a half, and whose jump lands.
  const TLedge& l = Map.Ledges()[static_cast<size_t>(ledge)];
  const float move = Map.Rules().Move;
  const int away = me.X + 16 >= b.X + 16 ? 1 : -1;
  struct TChoice {
    bool Jump;
    int Dir;
  };
  const TChoice choices[] = {{false, away}, {false, -away}, {true, 0}, {true, away}, {true, -away}};
  for (const TChoice& c : choices) {
    if (c.Jump && (me.OnRope || !Map.Fly(me.X, me.Y, static_cast<float>(c.Dir) * move, Map.Rules().Jump, false).Lands))
      continue;
    float x = me.X, y = me.Y, vy = Map.Rules().Jump;
    float bx = b.X, by = b.Y, bvx = b.VelX, bvy = b.VelY;
    bool clear = true;
    for (int t = 1; t <= 90 && clear; ++t) {
      if (c.Jump) {
        x += static_cast<float>(c.Dir) * move;
        y = std::min(y + vy, me.Y);
        vy += Map.Rules().Gravity;
      } else {
        x = std::clamp(x + static_cast<float>(c.Dir) * move, l.Lo + 2, l.Hi - 2);
      }
      if (bx <= 0 || bx + 32 >= 640) bvx = -bvx;
      bx += bvx;
      if (by <= 0 || by + 32 >= 480) bvy = -bvy;
      by += bvy;
      clear = !(bx + 30 > x && bx + 2 < x + 32 && by + 30 > y && by + 2 < y + 64);
    }
    if (!clear) continue;
    if (c.Jump) pad.Up = true;
    if (c.Dir != 0) (c.Dir > 0 ? pad.Right : pad.Left) = true;
    return;
  }
  WalkAway(me, ledge, b.X, pad);
}

void TComputerPlayer::WalkAway(const TPlayer& me, int ledge, float fromX, TPad& pad) const {
  const int dir = me.X >= fromX ? 1 : -1;
  const int row = static_cast<int>(std::lround((me.Y + 63) / 32));
  const float next = me.X + static_cast<float>(dir) * Map.Rules().Move * 2;
  if (ledge < 0) {
    // Off the known ledges (a mine's reach): step on while a platform holds.
    if (Map.Supported(next, row)) (dir > 0 ? pad.Right : pad.Left) = true;
    return;
  }
  const TLedge& l = Map.Ledges()[static_cast<size_t>(ledge)];
  if (next >= l.Lo + 1 && next <= l.Hi - 1) {
    (dir > 0 ? pad.Right : pad.Left) = true;
    return;
  }
  // Cornered: a jump that way which lands safely.
  for (int m : Map.MovesFrom(ledge)) {
    const TMove& move = Map.Moves()[static_cast<size_t>(m)];
    if (move.Kind == TMoveKind::Jump && move.Dir == dir && std::abs(move.StartX - me.X) < 3) {
      pad.Up = true;
      (dir > 0 ? pad.Right : pad.Left) = true;
      return;
    }
  }
}

float TComputerPlayer::Misjudged(float pixels) {
  if (Strength.AimError == 0) return 0;
  if (Frame >= AimUntil) {
    AimUntil = Frame + kAimFrames;
    const auto span = static_cast<Integer>(2 * Strength.AimError) + 1;
    AimOffset = static_cast<float>(Dice.Random(span)) - Strength.AimError;
  }
  return AimOffset * pixels;
}

float TComputerPlayer::ArrivalTime(int ledge, float x) const {
  if (ledge < 0 || static_cast<size_t>(ledge) >= Reach.size()) return kInfinity;
  const TReach& r = Reach[static_cast<size_t>(ledge)];
  return r.Time + std::abs(r.X - x) / Map.Rules().Move;
}

bool TComputerPlayer::JumpMeetsBubble(const TPlayer& me) const {
  // A jump straight up rises about 59 pixels in 23 frames: jump when a bubble worth having
  // meets the body on its way.
  const float rise = Map.Rules().Jump, g = Map.Rules().Gravity;
  for (const TSeenBubble& b : Seen().Bubbles) {
    if (kWorth[static_cast<size_t>(b.Kind)] == 0 || b.Y + 32 > me.Y + 8) continue;
    float y = me.Y, vy = rise;
    for (int t = 1; t <= 40; ++t) {
      y += vy;
      vy += g;
      const auto at = Drift(b.X, b.Y, b.VelX, b.VelY, t);
      if (at[0] + 28 > me.X && at[0] + 4 < me.X + 32 && at[1] + 28 > y && at[1] + 4 < y + 40) return true;
    }
  }
  return false;
}

bool TComputerPlayer::OtherSafe() const {
  const TSeenPlayer& o = Seen().Other;
  if (!o.Present) return true;
  if (o.OnGround && o.State != psTumble && o.State != psRoll) return true;
  if (o.State == psClimb) return true;
  return Map.Fly(o.X, o.Y, o.VelX, o.VelY, o.State != psJump).Lands;
}

int TComputerPlayer::HeldKind(const TPlayer& me) const { return me.Item ? static_cast<int>(me.Item->Kind) : -1; }

}  // namespace lr
