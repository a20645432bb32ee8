// The level's sprites: platform tiles (which may fall) and rope segments, laid on the grid
// of 32 × 32 cells.
#pragma once

#include <array>

#include "engine/OmegaSprite.h"

namespace lr {

class TPlatform : public TSprite {
 public:
  explicit TPlatform(TOmegaSprite& engine) : TSprite(engine) {}
  const char* ClassName() const override { return "TPlatform"; }
  void DoMove(Single timeFactor) override;

  bool Falling = false;
  Single FallSpeed = 0;
};

class TRope : public TSprite {
 public:
  explicit TRope(TOmegaSprite& engine) : TSprite(engine) {}
  const char* ClassName() const override { return "TRope"; }

  Byte Piece = 0;  // 0 top segment, 1 middle, 2 bottom
};

// Columns 1..18 by rows 1..14, True where a platform stands; stored column by column.
class TLevelGrid {
 public:
  static constexpr int kColumns = 18;
  static constexpr int kRows = 14;
  static bool InGrid(Integer col, Integer row) { return col >= 1 && col <= kColumns && row >= 1 && row <= kRows; }
  // Cells outside the grid read as free.
  bool At(Integer col, Integer row) const { return InGrid(col, row) && Cells[Index(col, row)]; }
  void Set(Integer col, Integer row, bool value) {
    if (InGrid(col, row)) Cells[Index(col, row)] = value;
  }
  void Clear() { Cells.fill(false); }

 private:
  static size_t Index(Integer col, Integer row) { return static_cast<size_t>((col - 1) * kRows + (row - 1)); }
  std::array<bool, kColumns * kRows> Cells{};
};

}  // namespace lr
