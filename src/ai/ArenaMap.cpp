// The computer's map of the level: ledges from the platform cells, cut where a mine lies, and
// the moves between them, each flown through the cells by a model of the player's body.
#include "ai/ArenaMap.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lr {

namespace {

// A flight that has not landed after this long is taken as lost (no ledge below).
constexpr int kLongestFlight = 300;
// A roll after a tumbling landing turns 40 degrees every third frame until it has turned once.
constexpr int kRollFrames = 26;
// Jump and rope exits are tried every this many pixels.
constexpr float kSampleStep = 16;
// Half the width of a mine's reach around its left edge, for a standing body's X.
constexpr float kMineReach = 30;

uint64_t Mix(uint64_t hash, uint64_t value) { return (hash ^ value) * 0x100000001B3ull; }

}  // namespace

void TArenaMap::Clear() {
  for (auto& col : Cells) col.fill(false);
  for (auto& col : RopeCells) col.fill(false);
  Mines.clear();
  Sig = 0xCBF29CE484222325ull;
}

void TArenaMap::AddPlatform(int col, int row) {
  if (col < 0 || col >= kCols || row < 0 || row >= kRows) return;
  Cells[static_cast<size_t>(col)][static_cast<size_t>(row)] = true;
  Sig = Mix(Sig, static_cast<uint64_t>(col * kRows + row));
}

void TArenaMap::AddRope(int col, int row) {
  if (col < 0 || col >= kCols || row < 0 || row >= kRows) return;
  RopeCells[static_cast<size_t>(col)][static_cast<size_t>(row)] = true;
  Sig = Mix(Sig, static_cast<uint64_t>(1000 + col * kRows + row));
}

void TArenaMap::AddMine(float x, float y) {
  Mines.push_back({x, y});
  Sig = Mix(Sig, static_cast<uint64_t>(std::lround(x) * 4096 + std::lround(y) + 100000));
}

bool TArenaMap::Solid(int col, int row) const {
  if (col < 0 || col >= kCols || row < 0 || row >= kRows) return false;
  return Cells[static_cast<size_t>(col)][static_cast<size_t>(row)];
}

bool TArenaMap::Supported(float x, int row) const {
  // A platform holds a player whose X is at most 24 pixels from its own.
  const int col = static_cast<int>(std::floor(x / 32));
  for (int c = col; c <= col + 1; ++c)
    if (Solid(c, row) && std::abs(x - 32.0f * static_cast<float>(c)) <= 24) return true;
  return false;
}

bool TArenaMap::TouchesMine(float x, float y) const {
  for (const auto& m : Mines)
    if (x + 28 > m[0] + 2 && x + 4 < m[0] + 30 && y + 64 > m[1] + 4 && y < m[1] + 32) return true;
  return false;
}

int TArenaMap::LedgeAt(float x, float y) const {
  const int row = static_cast<int>(std::lround((y + 63) / 32));
  if (std::abs(y - StandY(row)) > 0.5f) return -1;
  for (size_t i = 0; i < LedgeList.size(); ++i) {
    const TLedge& l = LedgeList[i];
    if (l.Row == row && x >= l.Lo - 0.01f && x <= l.Hi + 0.01f) return static_cast<int>(i);
  }
  return -1;
}

TFlight TArenaMap::Fly(float x, float y, float vx, float vy, bool tumbling) const {
  const float move = Body.Move, g = Body.Gravity;
  TFlight flight;
  for (int t = 1; t <= kLongestFlight; ++t) {
    ++FlownSteps;
    x += vx;
    y += vy;
    vy = std::min(vy + g, 10.0f);
    // The side walls throw an airborne body back.
    const bool right = x + 32 >= 640, left = x <= 0;
    if (right || left) {
      const float side = right ? -1.0f : 1.0f;
      float kx = side * move, ky = -0.7f;
      if (!tumbling) {
        ky = -5;
      } else if (std::abs(vx) > move) {
        kx = -0.8f * vx;
        ky = 0;
      }
      vx = kx;
      x += vx;
      vy = ky;
      y += vy;
      tumbling = true;
    }
    if (y + 32 > 480 || TouchesMine(x, y)) return flight;

    // Landing: feet no more than a pixel into a platform top before this frame's fall.
    const int c0 = static_cast<int>(std::floor(x / 32)), r0 = static_cast<int>(std::floor(y / 32));
    int landRow = -1;
    for (int c = c0; c <= c0 + 1 && landRow < 0; ++c)
      for (int r = r0; r <= r0 + 2; ++r) {
        const float px = 32.0f * static_cast<float>(c), py = 32.0f * static_cast<float>(r);
        const bool overlaps = x < px + 32 && x + 32 > px && y < py + 32 && y + 64 > py;
        if (overlaps && Solid(c, r) && py + 1 >= y + 64 - vy && std::abs(x - px) <= 24) {
          landRow = r;
          break;
        }
      }
    if (landRow < 0) continue;
    y = StandY(landRow);
    flight.Frames = t;
    if (!tumbling || vx == 0) {
      flight.Lands = true;
      flight.Row = landRow;
      flight.X = x;
      return flight;
    }
    // A tumbling landing with sideways speed rolls on at three quarters of it; a roll that
    // leaves the platform tumbles again.
    vx *= 0.75f;
    bool fell = false;
    for (int k = 0; k < kRollFrames; ++k) {
      x += vx;
      ++t;
      if (TouchesMine(x, y)) return TFlight{};
      if (!Supported(x, landRow)) {
        fell = true;
        vy = g;
        break;
      }
    }
    if (!fell) {
      flight.Lands = true;
      flight.Row = landRow;
      flight.X = x;
      flight.Frames = t;
      return flight;
    }
  }
  return TFlight{};
}

void TArenaMap::AddFlight(TMoveKind kind, int from, float startX, int dir, float exitY, const TFlight& flight,
                          int extraFrames) {
  if (!flight.Lands) return;
  const int to = LedgeAt(flight.X, StandY(flight.Row));
  if (to < 0 || to == from) return;
  TMove move;
  move.Kind = kind;
  move.From = from;
  move.StartX = startX;
  move.Dir = dir;
  move.ExitY = exitY;
  move.To = to;
  move.LandX = flight.X;
  move.Frames = extraFrames + flight.Frames;
  Outgoing[static_cast<size_t>(from)].push_back(static_cast<int>(MoveList.size()));
  MoveList.push_back(move);
}

void TArenaMap::Build(const TBodyRules& rules) {
  Start(rules);
  Continue(std::numeric_limits<int64_t>::max());
}

void TArenaMap::Start(const TBodyRules& rules) {
  Body = rules;
  LedgeList.clear();
  MoveList.clear();
  RopeList.clear();
  Tasks.clear();
  NextTask = 0;
  FlownSteps = 0;

  // Ledges: runs of platform cells, cut where a mine lies on them.
  for (int row = 0; row < kRows; ++row) {
    for (int col = 0; col < kCols;) {
      if (!Solid(col, row)) {
        ++col;
        continue;
      }
      int end = col;
      while (Solid(end + 1, row)) ++end;
      std::vector<TLedge> pieces{{row, 32.0f * static_cast<float>(col) - 24, 32.0f * static_cast<float>(end) + 24,
                                  true, true}};
      const float standY = StandY(row);
      for (const auto& m : Mines) {
        if (!(m[1] < standY + 64 && m[1] + 32 > standY)) continue;
        std::vector<TLedge> cut;
        for (const TLedge& p : pieces) {
          const float zoneLo = m[0] - kMineReach, zoneHi = m[0] + kMineReach;
          if (zoneHi <= p.Lo || zoneLo >= p.Hi) {
            cut.push_back(p);
            continue;
          }
          if (zoneLo - p.Lo >= 1) cut.push_back({row, p.Lo, zoneLo, p.OpenLeft, false});
          if (p.Hi - zoneHi >= 1) cut.push_back({row, zoneHi, p.Hi, false, p.OpenRight});
        }
        pieces = std::move(cut);
      }
      LedgeList.insert(LedgeList.end(), pieces.begin(), pieces.end());
      col = end + 1;
    }
  }
  Outgoing.assign(LedgeList.size(), {});

  // Ropes: the unbroken runs of rope cells in a column.
  for (int col = 0; col < kCols; ++col)
    for (int row = 0; row < kRows;) {
      if (!RopeCells[static_cast<size_t>(col)][static_cast<size_t>(row)]) {
        ++row;
        continue;
      }
      int bottom = row;
      while (bottom + 1 < kRows && RopeCells[static_cast<size_t>(col)][static_cast<size_t>(bottom + 1)]) ++bottom;
      RopeList.push_back({col, row, bottom});
      row = bottom + 1;
    }

  // The flights to try, ledge by ledge: off its ends, jumps from along it, and the ropes within
  // reach of a player standing on it (climbed to a height and stepped off, or let go at the bottom).
  for (size_t i = 0; i < LedgeList.size(); ++i) {
    const TLedge& ledge = LedgeList[i];
    const int from = static_cast<int>(i);
    const float y = StandY(ledge.Row);
    Tasks.push_back({TTaskKind::WalkOffs, from, 0, y});
    for (float x = ledge.Lo + 2; x < ledge.Hi - 2; x += kSampleStep) Tasks.push_back({TTaskKind::Jumps, from, x, y});
    Tasks.push_back({TTaskKind::Jumps, from, ledge.Hi - 2, y});
    for (const TRopeSpan& rope : RopeList) {
      const float ropeX = 32.0f * static_cast<float>(rope.Col);
      const float top = 32.0f * static_cast<float>(rope.Top), end = 32.0f * static_cast<float>(rope.Bottom + 1);
      if (!(top < y + 64 && end > y)) continue;
      const float lo = std::max(ledge.Lo + 2, ropeX - 10), hi = std::min(ledge.Hi - 2, ropeX + 10);
      if (lo > hi) continue;
      const float x = std::clamp(ropeX, lo, hi);
      for (float ey = y - kSampleStep; ey > top; ey -= kSampleStep) Tasks.push_back({TTaskKind::RopeExit, from, x, ey});
      if (top < y) Tasks.push_back({TTaskKind::RopeExit, from, x, top});
      const float letGo = end - 64;  // where the bottom segment lets the climber go
      for (float ey = y + kSampleStep; ey < letGo; ey += kSampleStep) Tasks.push_back({TTaskKind::RopeExit, from, x, ey});
      if (letGo > y + 2) Tasks.push_back({TTaskKind::LetGo, from, x, letGo});
    }
  }
}

bool TArenaMap::Continue(int64_t steps) {
  const int64_t until = FlownSteps > std::numeric_limits<int64_t>::max() - steps ? std::numeric_limits<int64_t>::max()
                                                                                 : FlownSteps + steps;
  while (NextTask < Tasks.size() && FlownSteps < until) Run(Tasks[NextTask++]);
  return Ready();
}

void TArenaMap::Run(const TTask& task) {
  const TLedge& ledge = LedgeList[static_cast<size_t>(task.Ledge)];
  const float move = Body.Move;
  const float y = StandY(ledge.Row);
  const int from = task.Ledge;
  switch (task.Kind) {
    case TTaskKind::WalkOffs:
      // Walking off an open end: one more step, then a tumble.
      if (ledge.OpenLeft)
        AddFlight(TMoveKind::WalkOff, from, ledge.Lo, -1, 0, Fly(ledge.Lo - move, y, -move, Body.Gravity, true), 1);
      if (ledge.OpenRight)
        AddFlight(TMoveKind::WalkOff, from, ledge.Hi, 1, 0, Fly(ledge.Hi + move, y, move, Body.Gravity, true), 1);
      break;
    case TTaskKind::Jumps:
      for (int dir : {-1, 1})
        AddFlight(TMoveKind::Jump, from, task.X, dir, 0, Fly(task.X, y, static_cast<float>(dir) * move, Body.Jump, false), 0);
      for (int dir : {-1, 0, 1})
        AddFlight(TMoveKind::SpringJump, from, task.X, dir, 0,
                  Fly(task.X, y, static_cast<float>(dir) * move, static_cast<float>(1.35 * Body.Jump), false), 0);
      break;
    case TTaskKind::RopeExit: {
      const float ey = task.Y;
      const int climbFrames = static_cast<int>(std::ceil(std::abs(ey - y) / Body.Climb));
      // The climber reaches ExitY in steps of the climbing speed and steps off at most one
      // step past it: both places must lead to the same ledge.
      const float past = ey < y ? ey - Body.Climb : ey + Body.Climb;
      for (int dir : {-1, 1}) {
        const TFlight planned = Fly(task.X, ey, static_cast<float>(dir) * move, 0, false);
        const TFlight worst = Fly(task.X, past, static_cast<float>(dir) * move, 0, false);
        if (worst.Lands && planned.Lands && worst.Row == planned.Row)
          AddFlight(TMoveKind::Climb, from, task.X, dir, ey, planned, climbFrames);
      }
      break;
    }
    case TTaskKind::LetGo: {
      const int climbFrames = static_cast<int>(std::ceil((task.Y - y) / Body.Climb));
      AddFlight(TMoveKind::Climb, from, task.X, 0, task.Y, Fly(task.X, task.Y, 0, 0, true), climbFrames);
      break;
    }
  }
}

void TArenaMap::Reach(int ledge, float x, bool springs, std::vector<TReach>& out) const {
  const size_t n = LedgeList.size();
  out.assign(n, TReach{});
  if (ledge < 0 || static_cast<size_t>(ledge) >= n) return;
  std::vector<bool> done(n, false);
  out[static_cast<size_t>(ledge)] = {0, x, -1};
  for (size_t round = 0; round < n; ++round) {
    size_t best = n;
    for (size_t i = 0; i < n; ++i)
      if (!done[i] && out[i].Time < std::numeric_limits<float>::infinity() && (best == n || out[i].Time < out[best].Time))
        best = i;
    if (best == n) break;
    done[best] = true;
    const TReach at = out[best];
    for (int m : Outgoing[best]) {
      const TMove& move = MoveList[static_cast<size_t>(m)];
      if (move.Kind == TMoveKind::SpringJump && !springs) continue;
      const float time = at.Time + std::abs(at.X - move.StartX) / Body.Move + static_cast<float>(move.Frames);
      TReach& to = out[static_cast<size_t>(move.To)];
      if (!done[static_cast<size_t>(move.To)] && time < to.Time)
        to = {time, move.LandX, at.FirstMove < 0 ? m : at.FirstMove};
    }
  }
}

}  // namespace lr
