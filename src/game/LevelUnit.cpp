// Level building: the fixed frame every level shares, the seeded random pass of platforms and
// short ropes, and the fall of a platform into the lava.
#include "game/LevelUnit.h"

#include "actors/Particles.h"
#include "game/MainForm.h"

namespace lr {

namespace {
constexpr Integer kCell = 32;
constexpr Single kLavaFloor = 480;
}  // namespace

void TGForm::AddPlatforms(Integer col, Integer row, Integer extra) {
  for (Integer i = 0; i <= extra; ++i) {
    const Integer c = col + i;
    // A cell outside the grid (column 19) reads as free, so its tile is placed every time.
    if (LevelGrid.At(c, row)) continue;
    auto* platform = new TPlatform(SE);  // owned by SE
    LevelGrid.Set(c, row, true);
    platform->SetImage(Spr.Find("Platform"));
    platform->SetX(static_cast<Single>(kCell * c));
    platform->SetY(static_cast<Single>(kCell * row));
    platform->SetZ(0);
    platform->Collide = true;
    LastLevel.Platforms.push_back({c, row});
  }
}

void TGForm::AddRope(Integer col, Integer row, Integer extra) {
  // Segment 0 hangs at the bottom (row), segment extra at the top (row - extra). Ropes share
  // cells with platforms freely: the grid knows nothing of them.
  for (Integer i = 0; i <= extra; ++i) {
    auto* rope = new TRope(SE);  // owned by SE
    if (i == extra) {
      rope->Piece = 0;
      rope->SetPatternIndex(1);
    } else if (i == 0) {
      rope->Piece = 2;
    } else {
      rope->Piece = 1;
    }
    rope->SetImage(Spr.Find("Rope"));
    rope->SetX(static_cast<Single>(kCell * col));
    rope->SetY(static_cast<Single>(kCell * (row - i)));
    rope->SetZ(1);
    rope->Collide = true;
    LastLevel.Ropes.push_back({col, row - i, rope->Piece});
  }
}

void TGForm::BuildLevel(Integer seed) {
  LevelGrid.Clear();
  LastLevel = TLevelRecord{};
  LastLevel.Seed = seed;
  LevelBuiltThisFrame = true;

  // The frame every level shares: the two lower ledges the players start on, the two long
  // ropes and the two upper ledges.
  AddPlatforms(2, 12, 3);
  AddPlatforms(14, 12, 3);
  AddRope(4, 11, 10);
  AddRope(15, 11, 10);
  AddPlatforms(1, 3, 4);
  AddPlatforms(14, 3, 4);

  // Online peers build the same level from the same seed only if they draw exactly the same
  // numbers in the same order: one draw per cell, and a second one for every filled cell.
  Rng.RandomState = static_cast<uint32_t>(seed);
  const TGameSettings& rules = GameSettings;
  for (Integer c = 1; c <= 18; ++c) {
    for (Integer j = 2; j <= 3; ++j) {
      if (Random(100) >= rules.PlatformDensity) continue;
      AddPlatforms(c, 3 * j, 0);
      const Integer ropeDraw = Random(100);
      if (ropeDraw < rules.RopeDensity && c != 4 && c != 15 && j == 3) {
        AddRope(c, 8, 4);
        AddPlatforms(c, 6, 1);
      }
    }
  }
}

void TPlatform::DoMove(Single) {
  if (!Falling) return;
  TGForm& form = TGForm::Of(*this);
  // Gravity is added once per frame, whatever the time factor.
  FallSpeed += form.GameSettings.Gravity;
  SetY(Y + FallSpeed);
  if (Y > kLavaFloor) {
    EmitSplash(form, static_cast<Integer>(Round(X)) + 16, 50);
    form.PlaySound("Splash");
    Kill();
  }
}

}  // namespace lr
