// What the computer player knows of the level: the platform cells that still stand, the ropes
// and the known mines; the ledges a player can stand on; and the moves between ledges (walking
// off an edge, jumps, spring-boot jumps, climbing a rope and stepping or letting go of it), each
// with where it lands, found by flying a model of the body through the cells. The moves can be
// found a slice at a time (Start, then Continue once a frame), so that no frame pays for all.
#pragma once

#include <array>
#include <cstdint>
#include <cstddef>
#include <limits>
#include <vector>

namespace lr {

// The physics settings the model flies with.
struct TBodyRules {
  float Move = 1.6f;
  float Jump = -5.0f;
  float Climb = 1.7f;
  float Gravity = 0.22f;
};

// Where a player can stand: feet on the platform tops of `Row`, X from Lo to Hi.
struct TLedge {
  int Row = 0;
  float Lo = 0, Hi = 0;
  bool OpenLeft = false, OpenRight = false;  // air beyond the end (not a mine)
};

enum class TMoveKind : uint8_t { WalkOff, Jump, SpringJump, Climb };

// From ledge `From`, standing at StartX: walk off towards Dir, jump towards Dir (0: straight up),
// or climb the rope there to ExitY and step off towards Dir (0: let go at its bottom).
struct TMove {
  TMoveKind Kind = TMoveKind::Jump;
  int From = 0;
  float StartX = 0;
  int Dir = 0;
  float ExitY = 0;
  int To = 0;
  float LandX = 0;
  int Frames = 0;  // from StartX until standing again
};

// Where a flight ends.
struct TFlight {
  bool Lands = false;  // false: lava, a mine, or still in the air when the model gave up
  int Row = 0;
  float X = 0;
  int Frames = 0;
};

// How soon a ledge can be reached, where on it the player arrives, and the first move there.
struct TReach {
  float Time = std::numeric_limits<float>::infinity();
  float X = 0;
  int FirstMove = -1;  // -1: the ledge the search started on
};

struct TRopeSpan {
  int Col = 0, Top = 0, Bottom = 0;  // rows of its top and bottom segments
};

class TArenaMap {
 public:
  static constexpr int kCols = 20, kRows = 15;

  // The level as seen this frame; Build (or Start and Continue) must follow a change.
  void Clear();
  void AddPlatform(int col, int row);
  void AddRope(int col, int row);
  void AddMine(float x, float y);
  // A number that changes when the cells, ropes or mines change.
  uint64_t Signature() const { return Sig; }
  void Build(const TBodyRules& rules);
  // Build in slices: Start finds the ledges and ropes and lists the flights to try; each
  // Continue flies them until about `steps` frames of flight have been modelled, and says
  // whether all are done. The moves come out in the same order as Build's.
  void Start(const TBodyRules& rules);
  bool Continue(int64_t steps);
  bool Ready() const { return NextTask >= Tasks.size(); }
  // Frames of flight modelled since Start.
  int64_t Flown() const { return FlownSteps; }

  bool Solid(int col, int row) const;
  // The standing Y of a player on `row`.
  static float StandY(int row) { return 32.0f * static_cast<float>(row) - 63; }
  // The ledge under a player standing at (x, y), or -1.
  int LedgeAt(float x, float y) const;
  // A body in the air from (x, y) with speeds (vx, vy) as the game moves it: jumping (landing
  // stands) or tumbling (landing with sideways speed rolls on).
  TFlight Fly(float x, float y, float vx, float vy, bool tumbling) const;
  // Whether a body at (x, y) touches a known mine.
  bool TouchesMine(float x, float y) const;
  // Whether a platform of `row` holds a player at x.
  bool Supported(float x, int row) const;

  // The fastest way from (ledge, x) to every ledge; spring-boot jumps only when `springs`.
  void Reach(int ledge, float x, bool springs, std::vector<TReach>& out) const;

  const std::vector<TLedge>& Ledges() const { return LedgeList; }
  const std::vector<TMove>& Moves() const { return MoveList; }
  const std::vector<int>& MovesFrom(int ledge) const { return Outgoing[static_cast<size_t>(ledge)]; }
  const std::vector<std::array<float, 2>>& MinePlaces() const { return Mines; }
  const std::vector<TRopeSpan>& Ropes() const { return RopeList; }
  const TBodyRules& Rules() const { return Body; }

 private:
  void AddFlight(TMoveKind kind, int from, float startX, int dir, float exitY, const TFlight& flight, int extraFrames);
  // One slice of the work: the flights from one place of one ledge.
  enum class TTaskKind : uint8_t { WalkOffs, Jumps, RopeExit, LetGo };
  struct TTask {
    TTaskKind Kind = TTaskKind::Jumps;
    int Ledge = 0;
    float X = 0;   // where it stands
    float Y = 0;   // the rope exit's height, or where the bottom lets go
  };
  void Run(const TTask& task);

  std::array<std::array<bool, kRows>, kCols> Cells{};
  std::array<std::array<bool, kRows>, kCols> RopeCells{};
  std::vector<std::array<float, 2>> Mines;
  uint64_t Sig = 0;
  TBodyRules Body;
  std::vector<TLedge> LedgeList;
  std::vector<TMove> MoveList;
  std::vector<std::vector<int>> Outgoing;
  std::vector<TRopeSpan> RopeList;
  std::vector<TTask> Tasks;
  size_t NextTask = 0;
  mutable int64_t FlownSteps = 0;
};

}  // namespace lr
