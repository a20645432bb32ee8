// The sprite base class and the manager's passes: move, collide, free the dead, draw.
#include "engine/OmegaSprite.h"

#include <algorithm>
#include <iostream>

namespace lr {

// [SECTION] TSprite

TSprite::TSprite(TOmegaSprite& engine) : Engine(&engine) { engine.InsertSorted(this); }

TSprite::~TSprite() {
  if (!Engine) return;
  auto& live = Engine->SpriteList;
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
  auto& dead = Engine->DeadList;
  dead.erase(std::remove(dead.begin(), dead.end(), this), dead.end());
}

void TSprite::GetPatternRect(TRect& r) {
  const Integer count = Image ? Image->PatternCount() : 0;
  if (!Image || count <= 0) {
    r = TRect{};
    return;
  }
  PatternIndex = std::clamp(PatternIndex, 0, count - 1);
  r.Left = Image->TileWidth * (PatternIndex % Image->Columns);
  r.Right = r.Left + Image->TileWidth;
  r.Top = Image->TileHeight * (PatternIndex / Image->Columns);
  r.Bottom = r.Top + Image->TileHeight;
}

void TSprite::SetSpriteName(const std::string& value) { SpriteName = value; }

void TSprite::RebuildColors() {
  const uint32_t color = ColorARGB(Red, Green, Blue, Alpha);
  for (uint32_t& c : Colors) c = color;
}

void TSprite::SetRed(Integer value) {
  Red = value;
  RebuildColors();
}

void TSprite::SetGreen(Integer value) {
  Green = value;
  RebuildColors();
}

void TSprite::SetBlue(Integer value) {
  Blue = value;
  RebuildColors();
}

void TSprite::SetAlpha(Integer value) {
  Alpha = value;
  RebuildColors();
}

void TSprite::SetPatternIndex(Integer value) {
  PatternIndex = value;
  if (!Image || Image->TileWidth <= 0 || Image->TileHeight <= 0) return;
  const Integer columns = Image->ImageWidth / Image->TileWidth;
  const Integer rows = Image->ImageHeight / Image->TileHeight;
  if (columns <= 0) return;
  PatternX = (value % columns) * Image->TileWidth;
  PatternY = (value / columns) * Image->TileHeight;
  // One past the last tile is kept: animations step there and test for it.
  if (value > rows * columns) PatternIndex = rows * columns;
}

void TSprite::SetX(Single value) {
  X = value;
  CollisionRect.Left = RoundPixel(X);
  // Far off the screen the pixel is pinned at the integer's end; the edge stays there too.
  CollisionRect.Right = static_cast<Integer>(std::min<int64_t>(int64_t{CollisionRect.Left} + Width, INT32_MAX));
}

void TSprite::SetY(Single value) {
  Y = value;
  CollisionRect.Top = RoundPixel(Y);
  CollisionRect.Bottom = static_cast<Integer>(std::min<int64_t>(int64_t{CollisionRect.Top} + Height, INT32_MAX));
}

void TSprite::SetZ(Integer value) {
  if (value == Z) return;
  Z = value;
  auto& list = Engine->SpriteList;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  Engine->InsertSorted(this);
}

void TSprite::SetImage(TImageListItem* value) {
  if (!value) return;
  Image = value;
  Width = value->TileWidth;
  Height = value->TileHeight;
  // Far off the screen the pixel is pinned at the integer's end; the edge stays there too.
  CollisionRect.Right = static_cast<Integer>(std::min<int64_t>(int64_t{CollisionRect.Left} + Width, INT32_MAX));
  CollisionRect.Bottom = static_cast<Integer>(std::min<int64_t>(int64_t{CollisionRect.Top} + Height, INT32_MAX));
  SetX(X);
  SetY(Y);
}

void TSprite::SetWidth(Integer value) {
  Width = value;
  // Far off the screen the pixel is pinned at the integer's end; the edge stays there too.
  CollisionRect.Right = static_cast<Integer>(std::min<int64_t>(int64_t{CollisionRect.Left} + Width, INT32_MAX));
}

void TSprite::SetHeight(Integer value) {
  Height = value;
  CollisionRect.Bottom = static_cast<Integer>(std::min<int64_t>(int64_t{CollisionRect.Top} + Height, INT32_MAX));
}

void TSprite::Assign(const TSprite& source) {
  SpriteName = source.SpriteName;
  X = source.X;
  Y = source.Y;
  SetZ(source.Z);
  SetRed(source.Red);
  SetGreen(source.Green);
  SetBlue(source.Blue);
  SetAlpha(source.Alpha);
  std::copy(std::begin(source.Colors), std::end(source.Colors), std::begin(Colors));
  SetPatternIndex(source.PatternIndex);
  Collide = source.Collide;
  PixelCheck = source.PixelCheck;
  Angle = source.Angle;
  SetImage(source.Image);
  ScaleX = source.ScaleX;
  ScaleY = source.ScaleY;
  PivotX = source.PivotX;
  PivotY = source.PivotY;
  MirrorX = source.MirrorX;
  MirrorY = source.MirrorY;
  BlendMode = source.BlendMode;
  Visible = source.Visible;
}

void TSprite::CheckCollision(TSprite& other) {
  if (!Collide || !other.Collide || Dead || other.Dead) return;
  const TRect& a = CollisionRect;
  const TRect& b = other.CollisionRect;
  // Right and bottom edges are exclusive: rectangles that only touch do not collide.
  if (std::max(a.Left, b.Left) >= std::min(a.Right, b.Right)) return;
  if (std::max(a.Top, b.Top) >= std::min(a.Bottom, b.Bottom)) return;
  if (PixelCheck && other.PixelCheck) {
    Integer px = 0, py = 0;
    if (!PixelHit(*this, other, px, py)) return;
    DoCollision(other, px - a.Left, py - a.Top);
    other.DoCollision(*this, px - b.Left, py - b.Top);
    return;
  }
  DoCollision(other, 0, 0);
  other.DoCollision(*this, 0, 0);
}

void TSprite::Kill() {
  if (Dead) return;
  Dead = true;
  Engine->DeadList.push_back(this);
}

void TSprite::DoCollision(TSprite&, Integer, Integer) {}

void TSprite::DoMove(Single) {}

void TSprite::DoDraw() {
  if (!Visible || !Image) return;
  if (!Image->Loaded()) {
    if (Engine->OnError)
      Engine->OnError("No OmegaImageList assigned to sprite!", "Error");
    else
      std::cerr << "Error: No OmegaImageList assigned to sprite!\n";
    return;
  }
  const Integer px = RoundPixel(X);
  const Integer py = RoundPixel(Y);
  const TOmegaSprite& e = *Engine;
  if (e.DrawAreaX1 != 0 || e.DrawAreaY1 != 0 || e.DrawAreaX2 != 0 || e.DrawAreaY2 != 0) {
    if (px < e.DrawAreaX1 || px > e.DrawAreaX2 || py < e.DrawAreaY1 || py > e.DrawAreaY2) return;
  }
  Image->DrawEx(px, py, Angle, PivotX, PivotY, ScaleX, ScaleY, Colors[0], Colors[1], Colors[2], Colors[3],
                MirrorY, MirrorX, PatternIndex, BlendMode);
}

// [SECTION] Pixel test

namespace {

// The texel of sprite s under overlap pixel (px, py); anything outside its tile or its sheet
// reads as transparent.
uint32_t TexelAt(const TSprite& s, const TTexture& texture, Integer px, Integer py) {
  Integer u = px - s.CollisionRect.Left;
  Integer v = py - s.CollisionRect.Top;
  if (s.MirrorX) u = s.Width - 1 - u;
  if (s.MirrorY) v = s.Height - 1 - v;
  if (u < 0 || v < 0 || u >= s.Image->TileWidth || v >= s.Image->TileHeight) return 0;
  return texture.At(s.PatternX + u, s.PatternY + v);
}

}  // namespace

bool PixelHit(const TSprite& a, const TSprite& b, Integer& hitX, Integer& hitY) {
  // A sprite without a loaded sheet has no solid pixel.
  if (!a.Image || !b.Image || !a.Image->Texture || !b.Image->Texture) return false;
  const TTexture& ta = *a.Image->Texture;
  const TTexture& tb = *b.Image->Texture;
  const Integer left = std::max(a.CollisionRect.Left, b.CollisionRect.Left);
  const Integer right = std::min(a.CollisionRect.Right, b.CollisionRect.Right);
  const Integer top = std::max(a.CollisionRect.Top, b.CollisionRect.Top);
  const Integer bottom = std::min(a.CollisionRect.Bottom, b.CollisionRect.Bottom);
  for (Integer py = top; py < bottom; ++py) {
    for (Integer px = left; px < right; ++px) {
      if (TexelAt(a, ta, px, py) != 0 && TexelAt(b, tb, px, py) != 0) {
        hitX = px;
        hitY = py;
        return true;
      }
    }
  }
  return false;
}

// [SECTION] TOmegaSprite

TOmegaSprite::~TOmegaSprite() {
  while (!SpriteList.empty()) delete SpriteList.back();
}

void TOmegaSprite::MoveAll(Single timeFactor) {
  const size_t n = SpriteList.size();
  for (size_t i = 0; i < n && i < SpriteList.size(); ++i) SpriteList[i]->DoMove(timeFactor);
}

void TOmegaSprite::CollideAll() {
  const size_t n = SpriteList.size();
  for (size_t i = 0; i < n && i < SpriteList.size(); ++i) {
    const size_t m = SpriteList.size();
    for (size_t j = i + 1; j < m && j < SpriteList.size(); ++j) {
      TSprite* a = SpriteList[i];
      TSprite* b = SpriteList[j];
      if (a->Collide && b->Collide) a->CheckCollision(*b);
      if (i >= SpriteList.size()) break;
    }
  }
}

void TOmegaSprite::FreeDead() {
  while (!DeadList.empty()) delete DeadList.back();
}

void TOmegaSprite::DrawAll() {
  const size_t n = SpriteList.size();
  for (size_t i = 0; i < n && i < SpriteList.size(); ++i) SpriteList[i]->DoDraw();
}

void TOmegaSprite::RemoveSprite(TSprite* sprite) {
  SpriteList.erase(std::remove(SpriteList.begin(), SpriteList.end(), sprite), SpriteList.end());
  // The caller owns it now: FreeDead must not free it behind the caller's back.
  DeadList.erase(std::remove(DeadList.begin(), DeadList.end(), sprite), DeadList.end());
}

TSprite* TOmegaSprite::Sprites(Integer index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return SpriteList[static_cast<size_t>(index)];
}

void TOmegaSprite::InsertSorted(TSprite* sprite) {
  Integer lo = 0;
  Integer hi = Count() - 1;
  while (hi >= lo) {
    const Integer mid = (lo + hi) / 2;
    if (SpriteList[static_cast<size_t>(mid)]->Z < sprite->Z)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  SpriteList.insert(SpriteList.begin() + lo, sprite);
}

}  // namespace lr
