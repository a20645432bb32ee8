// The lava pool: four sprites laid once at start-up and positioned every frame from LavaScroll.
#include "game/Lava.h"

#include <array>

#include "game/MainForm.h"

namespace lr {

namespace {

struct TLavaPiece {
  Integer ScrollDir;
  Single HomeX;
};

// Two layers, each of two copies 641 pixels apart (one more than the picture is wide):
// LavaScroll runs 0..640, so after its period every copy is back where it began and the wrap
// cannot be seen.
constexpr std::array<TLavaPiece, 4> kLavaPieces = {{{+1, 0}, {+1, -641}, {-1, 0}, {-1, 641}}};
constexpr Single kLavaTop = 420;
// Over platforms, ropes, players, bubbles and particles; under the menu entries.
constexpr Integer kLavaZ = 5;
constexpr Integer kLavaBlendMode = 4;

}  // namespace

void TGForm::InitLava() {
  for (const TLavaPiece& piece : kLavaPieces) {
    auto* lava = new TLava(SE);  // owned by SE for the whole run
    lava->ScrollDir = piece.ScrollDir;
    lava->SetImage(Spr.Find("Lava"));
    lava->SetX(piece.HomeX);
    lava->HomeX = lava->X;
    lava->SetY(kLavaTop);
    lava->SetZ(kLavaZ);
  }
}

void TLava::DoMove(Single) {
  // The speed lives in LavaScroll, which the frame advances before the sprites move.
  SetX(static_cast<Single>(ScrollDir) * TGForm::Of(*this).LavaScroll + HomeX);
}

void TLava::DoDraw() {
  BlendMode = kLavaBlendMode;
  TSprite::DoDraw();
}

}  // namespace lr
