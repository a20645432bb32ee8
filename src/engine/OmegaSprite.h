// TSprite and its manager TOmegaSprite: every object of the game is a sprite, kept in one
// list sorted by Z, moved, collided, freed when dead and drawn once per frame.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/OmegaImageList.h"
#include "engine/Types.h"

namespace lr {

class TOmegaSprite;

struct TRect {
  Integer Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// Whatever owns the sprite manager (the main form); sprites reach the game through it.
class TSpriteOwner {
 public:
  virtual ~TSpriteOwner() = default;
};

class TSprite {
 public:
  // Inserts the sprite into the manager's list: it is live from this moment on. The manager
  // owns it from now on; free it only through Kill and FreeDead (or the manager itself).
  explicit TSprite(TOmegaSprite& engine);
  // Takes the sprite out of the manager's lists.
  virtual ~TSprite();
  TSprite(const TSprite&) = delete;
  TSprite& operator=(const TSprite&) = delete;

  TOmegaSprite* Engine;
  std::string SpriteName;
  Single X = 0, Y = 0;
  Integer PatternX = 0, PatternY = 0;
  Integer PatternIndex = 0;
  bool Visible = true;
  Integer BlendMode = 0;
  Integer Z = 0;
  bool MirrorX = false, MirrorY = false;
  Single PivotX = 0.5f, PivotY = 0.5f;
  uint32_t Colors[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
  Integer Red = 255, Green = 255, Blue = 255, Alpha = 255;
  bool Collide = false;
  bool PixelCheck = false;
  Single Angle = 0;
  TImageListItem* Image = nullptr;
  Single ScaleX = 1, ScaleY = 1;
  Integer Width = 10, Height = 10;
  TRect CollisionRect;
  bool Dead = false;

  // Virtual operations, in the order of their slots.
  virtual void GetPatternRect(TRect& r);
  virtual void SetSpriteName(const std::string& value);
  virtual void SetRed(Integer value);
  virtual void SetGreen(Integer value);
  virtual void SetBlue(Integer value);
  virtual void SetAlpha(Integer value);
  virtual void SetPatternIndex(Integer value);
  virtual void SetX(Single value);
  virtual void SetY(Single value);
  virtual void SetZ(Integer value);
  virtual void SetImage(TImageListItem* value);
  virtual void SetWidth(Integer value);
  virtual void SetHeight(Integer value);
  virtual void Assign(const TSprite& source);
  virtual void CheckCollision(TSprite& other);
  virtual void Kill();
  virtual void DoCollision(TSprite& other, Integer x, Integer y);
  virtual void DoMove(Single timeFactor);
  virtual void DoDraw();

  // The class name shown in traces ("TPlayer", "TItem", ...).
  virtual const char* ClassName() const { return "TSprite"; }

 private:
  void RebuildColors();
};

class TOmegaSprite {
 public:
  TOmegaSprite() = default;
  // Frees every sprite still in the list, last first.
  ~TOmegaSprite();
  TOmegaSprite(const TOmegaSprite&) = delete;
  TOmegaSprite& operator=(const TOmegaSprite&) = delete;

  Integer DrawAreaX1 = 0, DrawAreaY1 = 0, DrawAreaX2 = 0, DrawAreaY2 = 0;
  // All live sprites, ascending Z; the manager owns them.
  std::vector<TSprite*> SpriteList;
  // Killed sprites waiting for FreeDead, in order of death.
  std::vector<TSprite*> DeadList;

  TSpriteOwner* Owner = nullptr;
  // How DoDraw reports a sprite whose sheet was never loaded (text, title).
  std::function<void(const std::string&, const std::string&)> OnError;

  void MoveAll(Single timeFactor);
  void CollideAll();
  void FreeDead();
  void DrawAll();
  // Takes the sprite out of the list without freeing it; the caller becomes its owner.
  void RemoveSprite(TSprite* sprite);
  TSprite* Sprites(Integer index) const;
  Integer Count() const { return static_cast<Integer>(SpriteList.size()); }
  void InsertSorted(TSprite* sprite);
};

// The pixel test of two PixelCheck sprites over the overlap of their rectangles: the first
// overlap pixel, row by row, at which both tiles are solid. Texels outside a sheet count as
// transparent.
bool PixelHit(const TSprite& a, const TSprite& b, Integer& hitX, Integer& hitY);

}  // namespace lr
