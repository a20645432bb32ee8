// TPlayer: the stick-figure combatant. Its body (steering, gravity, jumping, rolling,
// climbing, landing, walls, lava, animation) and its contacts, items and deaths.
#pragma once

#include <array>
#include <string>

#include "actors/PowerupKinds.h"
#include "engine/OmegaSprite.h"

namespace lr {

class TBullet;
class TGForm;
class TGlove;
class TItem;
class TRope;

enum TPlayerState : uint8_t {
  psStand,
  psWalk,
  psJump,
  psTumble,
  psCrouch,
  psRoll,
  psClimb,
  psAttack,
  psCrouchShoot,
};

// The state's name as traces show it ("psJump").
const char* PlayerStateName(TPlayerState state);

class TPlayer : public TSprite {
 public:
  explicit TPlayer(TOmegaSprite& engine);
  const char* ClassName() const override { return "TPlayer"; }

  std::string Name;  // at most 15 characters, 8-bit (Windows-1252) as in Options.dat and on the wire
  Single VelX = 0;
  Single VelY = 0;
  bool OnGround = false;
  bool OnRope = false;
  bool KeyRight = false;
  bool KeyLeft = false;
  bool KeyDown = false;
  bool KeyUp = false;
  TPlayerState State = psStand;
  TRope* Rope = nullptr;  // not owned
  bool Bumped = false;
  TItem* Item = nullptr;  // not owned
  Single UseDelay = 0;
  Single StunTime = 0;
  bool Eliminated = false;
  Word RoundKills = 0;
  Word Kills = 0;
  Word Deaths = 0;
  Word Wins = 0;
  std::array<Word, kPowerupKindCount> Pickups{};
  std::string DeathCause;
  TPlayer* Killer = nullptr;  // not owned
  bool Ready = false;
  Byte NetIndex = 0;

  void DoMove(Single timeFactor) override;
  void DoCollision(TSprite& other, Integer x, Integer y) override;

  // Movement commands.
  void WalkRight();
  void WalkLeft();
  void Jump(Single power);
  void Duck();
  void Climb();
  void ClearInput();
  void UpdateAnimation();
  void Knock(Single vx, Single vy);
  bool IsUpright() const;
  bool IsDucking() const;
  void SendAction(Byte action);

  // Contacts, items and deaths.
  void Bump(TPlayer& other);
  void TouchItem(TItem& bubble);
  void UseItem();
  void HitByBullet(TBullet& bullet);
  void HitByGlove(TGlove& glove);
  void Die(TDeathKind how);

  TGForm& Form() const;

 private:
  // The item uses; each returns false when its requirement fails.
  bool PlaceMine();
  bool SpringJump();
  bool Teleport();
  bool FireHandgun();
  bool PunchGlove();
};

// Gives a player a random start position standing on a platform of the current level.
void PlaceOnPlatform(TPlayer& player);

// The printed name of the kind the player collected most often (the first of equal counts),
// or "None".
void FavouriteItemName(const TPlayer& player, std::string& s);

}  // namespace lr
