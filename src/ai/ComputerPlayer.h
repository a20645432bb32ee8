// TComputerPlayer: the computer steering a local player. Once a frame it looks at the arena
// as a player sees it and answers with the keys it holds down for that player; the main
// form's input handling reads them instead of the keyboard's, under the same rules.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "actors/PlayerUnit.h"
#include "ai/ArenaMap.h"
#include "game/RandomGenerator.h"
#include "settings/PlayedBy.h"

namespace lr {

class TGForm;

// The keys of one player: walk, jump or climb, crouch or roll or climb down, use the item.
struct TPad {
  bool Up = false, Down = false, Left = false, Right = false, Use = false;
  bool operator==(const TPad&) const = default;
};

// The three strengths differ in how late they see what the others do, how well they aim, how
// often they are alert to the narrow windows of the clever moves (jumping a low shot,
// crouching under a high one or a glove, crouching to trip a player walking in, coming at a
// player from the side that throws it off its ledge), how long they keep to a plan, and how
// often they stand about. Rounds are won mostly by getting to the bubbles and the other player
// first: the last two are what set the strengths apart most.
struct TStrength {
  TPlayedBy Level;
  int ReactionFrames;  // the others, shots, gloves and bubbles are seen this much late
  float AimError;      // pixels of misjudged height and distance, at most
  int Knack;           // percent of the time alert to the clever moves' windows
  int GoalFrames;      // how long it keeps to where it set out for (unless something urgent comes)
  int Idle;            // percent of the time it stands about on a ledge, in spells of a third of a second
};

inline constexpr std::array<TStrength, 3> kStrengths = {{
    {TPlayedBy::Easy, 50, 60, 5, 600, 55},
    {TPlayedBy::Normal, 18, 24, 70, 120, 25},
    {TPlayedBy::Hard, 0, 0, 100, 15, 0},
}};

const TStrength& StrengthOf(TPlayedBy level);

class TComputerPlayer {
 public:
  // Frames of flight the map's model flies a frame while a new map is being built: a rebuild
  // takes some tens of frames and no frame pays more than a slice of it.
  static constexpr int64_t kFlightStepsPerFrame = 1000;
  // Frames of what was seen kept: long enough for the slowest strength's look back.
  static constexpr int kHistory = 64;

  // `seat` 0 steers Player1, 1 steers Player2. `level` is one of the computer's strengths.
  TComputerPlayer(TGForm& form, int seat, TPlayedBy level);

  // The keys held this frame. Called once a frame by the input handling.
  TPad Think();

  TPlayedBy Level() const { return Strength.Level; }

 private:
  // What the computer saw on one frame of the others and the things that move.
  struct TSeenPlayer {
    bool Present = false;
    float X = 0, Y = 0, VelX = 0, VelY = 0, Facing = 1;
    TPlayerState State = psStand;
    bool OnGround = false;
    int Item = -1;  // the kind it collected and holds, -1 none
  };
  struct TSeenShot {
    float X = 0, Y = 0, Dir = 1;
    bool High = false;
  };
  struct TSeenBubble {
    float X = 0, Y = 0, VelX = 0, VelY = 0;
    int Kind = 0;
  };
  struct TSeen {
    TSeenPlayer Other;
    std::vector<TSeenShot> Shots;
    std::vector<TSeenShot> Gloves;  // on their way out, at the glove's place
    std::vector<TSeenBubble> Bubbles;
  };
  // Where the computer is heading.
  struct TGoal {
    int Ledge = -1;
    float X = 0;
    int Until = 0;  // frame until which the goal stands unless something urgent comes
  };

  TPlayer* Me() const;
  void StartRound();
  void Observe(const TPlayer& me);
  const TSeen& Seen() const;
  void UpdateMap();
  // Whether a mine the map in use does not know yet lies within reach of a body at (x, y).
  bool NearNewMine(float x, float y) const;
  TPad Decide(TPlayer& me);
  TPad Choose(TPlayer& me);

  // [SECTION] Pieces of a decision; each returns true when it chose the keys.
  bool InTheAir(const TPlayer& me, TPad& pad);
  bool OnTheRope(const TPlayer& me, TPad& pad);
  bool Dodge(const TPlayer& me, int ledge, TPad& pad);
  bool Attack(const TPlayer& me, int ledge, TPad& pad);
  bool Scuffle(const TPlayer& me, int ledge, TPad& pad);
  void Travel(const TPlayer& me, int ledge, TPad& pad);
  void ChooseGoal(const TPlayer& me, int ledge);

  // [SECTION] Helpers.
  bool Face(const TPlayer& me, int ledge, int dir, TPad& pad) const;
  void WalkTo(const TPlayer& me, int ledge, float x, TPad& pad) const;
  void WalkAway(const TPlayer& me, int ledge, float fromX, TPad& pad) const;
  // Out of the way of a deadly bubble.
  void Evade(const TPlayer& me, int ledge, const TSeenBubble& bubble, TPad& pad) const;
  float Misjudged(float pixels);
  float ArrivalTime(int ledge, float x) const;
  int HeldKind(const TPlayer& me) const;
  // Whether the other stands (or will land) where a switch of places would be survived.
  bool OtherSafe() const;
  bool JumpMeetsBubble(const TPlayer& me) const;
  // Whether a body moving from (x, y) at (vx, vy), falling by `gravity` a frame, meets a deadly
  // bubble (death, or a switch while the other falls) within `frames`.
  bool PathMeetsDeath(float x, float y, float vx, float vy, float gravity, int frames) const;

  TGForm& Form;
  int Seat;
  TStrength Strength;
  TRandomGenerator Dice;  // the computer's own; the game's generator is never drawn from
  bool InPlay = false;
  int Frame = 0;  // frames of play this round
  std::array<TSeen, static_cast<size_t>(kHistory)> History;
  int Observed = 0;  // frames observed this round
  // The map in use, the level as seen this frame, and the map being built from it a slice a
  // frame when that differs (the one in use serves until it is done).
  TArenaMap Map, View, Next;
  bool MapBuilt = false;
  bool Building = false;
  uint64_t NextSignature = 0;
  std::vector<TReach> Reach;
  TGoal Goal;
  // The rope climb under way: to ExitY, then a step off towards Dir (0: on to the bottom).
  struct TClimb {
    bool Active = false;
    float ExitY = 0;
    int Dir = 0;
    bool Up = false;
    int StartFrame = 0;
    float LastY = 0;
    int Still = 0;  // frames without progress (the top of the rope)
  };
  TClimb Climb;
  uint64_t BuiltSignature = 0;
  float AimOffset = 0;
  int AimUntil = 0;
  int Waited = 0;  // frames spent facing a crouching opponent
  bool Alert = true;      // to the clever moves' windows, for the next few frames
  bool Idle = false;      // standing about for the next few frames
  int Scuffling = 0;      // frames of the scuffle under way
  int BreakOffUntil = 0;  // frame until which a standoff is broken off
  int HeldSince = 0;
  int HeldKindBefore = -1;
};

}  // namespace lr
