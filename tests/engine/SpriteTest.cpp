// The sprite manager's list order and passes, the sprite setters, and both collision tests.
#include "engine/OmegaSprite.h"

#include "engine/OmegaScreen.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lr {
namespace {

using Log = std::vector<std::string>;

// A sprite that writes every move, hit, draw and its own destruction into a shared log and
// can run extra code from its handlers.
class Probe : public TSprite {
 public:
  Probe(TOmegaSprite& engine, const std::string& name, Log* log, Integer z = 0) : TSprite(engine), log_(log) {
    SetSpriteName(name);
    SetZ(z);
  }
  ~Probe() override {
    if (log_) log_->push_back("free " + SpriteName);
  }

  std::function<void(Probe&, TSprite&)> OnHit;
  std::function<void(Probe&)> OnMove;

  void DoCollision(TSprite& other, Integer x, Integer y) override {
    log_->push_back(SpriteName + "<" + other.SpriteName + " " + std::to_string(x) + "," + std::to_string(y));
    if (OnHit) OnHit(*this, other);
  }
  void DoMove(Single timeFactor) override {
    log_->push_back("move " + SpriteName + " " + std::to_string(timeFactor).substr(0, 4));
    if (OnMove) OnMove(*this);
  }
  void DoDraw() override {
    log_->push_back("draw " + SpriteName);
    TSprite::DoDraw();
  }

 private:
  Log* log_;
};

std::vector<std::string> Names(const TOmegaSprite& engine) {
  std::vector<std::string> names;
  for (const TSprite* s : engine.SpriteList) names.push_back(s->SpriteName);
  return names;
}

// A sheet built from rows of text: '#' is a solid texel, '.' the fuchsia colour key.
void BuildSheet(TImageListItem& item, TOmegaImageList& list, const std::vector<std::string>& rows,
                Integer tileWidth, Integer tileHeight) {
  TPicture picture;
  picture.Width = static_cast<Integer>(rows[0].size());
  picture.Height = static_cast<Integer>(rows.size());
  picture.BitsPerPixel = 32;
  for (const std::string& row : rows)
    for (char c : row) picture.Pixels.push_back(c == '#' ? 0xFF00C000u : 0xFFFF00FFu);
  item.SetPicture(picture);
  item.SetTileWidth(tileWidth);
  item.SetTileHeight(tileHeight);
  item.Transparent = true;
  item.TransparentColor = 0xFF00FF;
  ASSERT_TRUE(item.Load(list));
}

class SpriteTest : public ::testing::Test {
 protected:
  Probe* Make(const std::string& name, Integer z = 0) { return new Probe(engine, name, &log, z); }

  Log log;
  TOmegaSprite engine;
};

// [SECTION] List order

TEST_F(SpriteTest, NewSpriteComesFirstAmongEqualZ) {
  Make("A");
  Make("B");
  Make("C");
  EXPECT_EQ(Names(engine), (std::vector<std::string>{"C", "B", "A"}));
  engine.MoveAll(1.0f);
  engine.DrawAll();
  EXPECT_EQ(log, (Log{"move C 1.00", "move B 1.00", "move A 1.00", "draw C", "draw B", "draw A"}));
}

TEST_F(SpriteTest, ListStaysSortedByZ) {
  Make("mid", 5);
  Make("top", 9);
  Make("low", -3);
  Make("mid2", 5);
  Make("top2", 9);
  EXPECT_EQ(Names(engine), (std::vector<std::string>{"low", "mid2", "mid", "top2", "top"}));
}

TEST_F(SpriteTest, SetZWithSameValueKeepsPlace) {
  Probe* a = Make("A");
  Make("B");
  Make("C");
  a->SetZ(0);
  EXPECT_EQ(Names(engine), (std::vector<std::string>{"C", "B", "A"}));
}

TEST_F(SpriteTest, SetZWithNewValueGoesFirstInItsGroup) {
  Make("X", 1);
  Make("Y", 1);
  Probe* a = Make("A");
  Make("B");
  a->SetZ(1);
  EXPECT_EQ(a->Z, 1);
  EXPECT_EQ(Names(engine), (std::vector<std::string>{"B", "A", "Y", "X"}));
  a->SetZ(0);
  EXPECT_EQ(Names(engine), (std::vector<std::string>{"A", "B", "Y", "X"}));
}

TEST_F(SpriteTest, SpritesIndexOutOfRangeIsNull) {
  Probe* a = Make("A");
  Probe* b = Make("B");
  EXPECT_EQ(engine.Count(), 2);
  EXPECT_EQ(engine.Sprites(0), b);
  EXPECT_EQ(engine.Sprites(1), a);
  EXPECT_EQ(engine.Sprites(-1), nullptr);
  EXPECT_EQ(engine.Sprites(engine.Count()), nullptr);
  TOmegaSprite empty;
  EXPECT_EQ(empty.Sprites(0), nullptr);
}

// [SECTION] Kill, FreeDead, RemoveSprite, ownership

TEST_F(SpriteTest, KillTwiceQueuesOnceAndFreeDeadFreesInReverse) {
  Probe* a = Make("A");
  Probe* b = Make("B");
  Make("C");
  a->Kill();
  b->Kill();
  a->Kill();
  EXPECT_TRUE(a->Dead);
  EXPECT_EQ(engine.DeadList, (std::vector<TSprite*>{a, b}));
  // Dead sprites stay listed, moved and drawn until freed.
  EXPECT_EQ(engine.Count(), 3);
  engine.FreeDead();
  EXPECT_EQ(log, (Log{"free B", "free A"}));
  EXPECT_TRUE(engine.DeadList.empty());
  EXPECT_EQ(Names(engine), (std::vector<std::string>{"C"}));
}

TEST_F(SpriteTest, FreeDeadWithNothingDeadDoesNothing) {
  Make("A");
  engine.FreeDead();
  EXPECT_EQ(engine.Count(), 1);
  EXPECT_TRUE(log.empty());
}

TEST_F(SpriteTest, DeletingASpriteTakesItOutOfBothLists) {
  Probe* a = Make("A");
  Make("B");
  a->Kill();
  delete a;
  EXPECT_TRUE(engine.DeadList.empty());
  EXPECT_EQ(Names(engine), (std::vector<std::string>{"B"}));
}

TEST_F(SpriteTest, RemoveSpriteHandsOwnershipToCaller) {
  std::unique_ptr<Probe> a(Make("A"));
  Make("B");
  engine.RemoveSprite(a.get());
  EXPECT_EQ(Names(engine), (std::vector<std::string>{"B"}));
  engine.MoveAll(0.5f);
  EXPECT_EQ(log, (Log{"move B 0.50"}));
}

TEST(SpriteManagerTest, DestructorFreesEveryLiveSpriteLastFirst) {
  Log log;
  {
    TOmegaSprite engine;
    new Probe(engine, "A", &log, 1);
    new Probe(engine, "B", &log, 2);
    new Probe(engine, "C", &log, 3);
  }
  EXPECT_EQ(log, (Log{"free C", "free B", "free A"}));
}

// [SECTION] Passes that create sprites

TEST_F(SpriteTest, MoveAllTakesItsCountAtTheStart) {
  Probe* a = Make("A", 0);
  Make("C", 10);
  bool spawned = false;
  a->OnMove = [&](Probe&) {
    if (!spawned) Make("B", 20);
    spawned = true;
  };
  engine.MoveAll(1.0f);
  EXPECT_EQ(log, (Log{"move A 1.00", "move C 1.00"}));
  log.clear();
  engine.MoveAll(1.0f);
  EXPECT_EQ(log, (Log{"move A 1.00", "move C 1.00", "move B 1.00"}));
}

TEST_F(SpriteTest, MoveAllWalksPositionsNotSprites) {
  // A sprite born below the mover shifts the list: the mover sits at the next position too
  // and is moved again, while the last sprite falls past the count taken at the start.
  Probe* a = Make("A", 5);
  Make("C", 10);
  bool spawned = false;
  a->OnMove = [&](Probe&) {
    if (!spawned) Make("B", 0);
    spawned = true;
  };
  engine.MoveAll(1.0f);
  EXPECT_EQ(log, (Log{"move A 1.00", "move A 1.00"}));
}


TEST_F(SpriteTest, CollideAllRereadsCountForEachInnerLoop) {
  Probe* s0 = Make("S0", 0);
  Probe* s1 = Make("S1", 1);
  for (Probe* p : {s0, s1}) {
    p->Collide = true;
    p->SetX(0);
    p->SetY(0);
  }
  bool spawned = false;
  s0->OnHit = [&](Probe&, TSprite&) {
    if (spawned) return;
    spawned = true;
    Probe* n = Make("N", 10);
    n->Collide = true;
    n->SetX(0);
    n->SetY(0);
  };
  engine.CollideAll();
  // S0's inner loop ran to the count it read before N was born; S1's inner loop sees N.
  EXPECT_EQ(log, (Log{"S0<S1 0,0", "S1<S0 0,0", "S1<N 0,0", "N<S1 0,0"}));
}

// [SECTION] Rectangle collisions

TEST_F(SpriteTest, OverlappingRectanglesHitOncePerPairEarlierSpriteFirst) {
  Probe* a = Make("A", 0);
  Probe* b = Make("B", 1);
  Probe* c = Make("C", 2);
  a->SetX(0), a->SetY(0);
  b->SetX(5), b->SetY(5);
  c->SetX(100), c->SetY(0);
  for (Probe* p : {a, b, c}) p->Collide = true;
  engine.CollideAll();
  EXPECT_EQ(log, (Log{"A<B 0,0", "B<A 0,0"}));
}

TEST_F(SpriteTest, BothNeedCollideAndNeitherDead) {
  Probe* a = Make("A", 0);
  Probe* b = Make("B", 1);
  a->SetX(0), a->SetY(0);
  b->SetX(3), b->SetY(3);
  a->Collide = true;
  engine.CollideAll();
  a->CheckCollision(*b);
  b->CheckCollision(*a);
  EXPECT_TRUE(log.empty());
  b->Collide = true;
  b->Kill();
  engine.CollideAll();
  a->CheckCollision(*b);
  EXPECT_TRUE(log.empty());
}

TEST_F(SpriteTest, TouchingEdgesDoNotCollide) {
  Probe* a = Make("A", 0);
  Probe* b = Make("B", 1);
  a->Collide = b->Collide = true;
  a->SetX(0), a->SetY(0);
  b->SetX(10), b->SetY(0);  // a.Right == b.Left
  engine.CollideAll();
  b->SetX(0), b->SetY(10);  // a.Bottom == b.Top
  engine.CollideAll();
  b->SetX(-10), b->SetY(-10);  // corners touch
  engine.CollideAll();
  EXPECT_TRUE(log.empty());
  b->SetX(9), b->SetY(9);  // one pixel of overlap
  engine.CollideAll();
  EXPECT_EQ(log, (Log{"A<B 0,0", "B<A 0,0"}));
}

TEST_F(SpriteTest, RectanglesUseRoundedPositionsAndUnscaledSize) {
  Probe* a = Make("A", 0);
  Probe* b = Make("B", 1);
  a->Collide = b->Collide = true;
  a->SetX(0), a->SetY(0);
  a->ScaleX = a->ScaleY = 3.0f;
  a->Angle = 45;
  b->SetX(9.4f), b->SetY(0);  // left edge rounds to 9: overlap
  engine.CollideAll();
  b->SetX(9.5f);  // rounds to 10: touching only
  engine.CollideAll();
  EXPECT_EQ(log, (Log{"A<B 0,0", "B<A 0,0"}));
}

TEST_F(SpriteTest, KilledByOwnHandlerStillLetsOtherHandlerRunButMeetsNoFurtherPair) {
  Probe* a = Make("A", 0);
  Probe* b = Make("B", 1);
  Probe* c = Make("C", 2);
  for (Probe* p : {a, b, c}) {
    p->Collide = true;
    p->SetX(0), p->SetY(0);
  }
  a->OnHit = [](Probe& self, TSprite&) { self.Kill(); };
  engine.CollideAll();
  EXPECT_EQ(log, (Log{"A<B 0,0", "B<A 0,0", "B<C 0,0", "C<B 0,0"}));
  EXPECT_EQ(engine.DeadList, (std::vector<TSprite*>{a}));
  // Killed sprites are still moved until the next FreeDead.
  log.clear();
  engine.MoveAll(1.0f);
  engine.FreeDead();
  EXPECT_EQ(log, (Log{"move A 1.00", "move B 1.00", "move C 1.00", "free A"}));
}

// [SECTION] Pixel collisions

// Eight 4×4 tiles in two rows of four.
//   0 solid           1 left half        2 right half        3 (1,1) and (0,2)
//   4 only (3,1)      5 only (1,3)       6 only (0,0)        7 empty
const std::vector<std::string> kSheet = {
    "####" "##.." "..##" "....",
    "####" "##.." "..##" ".#..",
    "####" "##.." "..##" "#...",
    "####" "##.." "..##" "....",
    "...." "...." "#..." "....",
    "...#" "...." "...." "....",
    "...." "...." "...." "....",
    "...." ".#.." "...." "....",
};

// The pair sits away from the screen origin so that screen pixels and each sprite's own
// coordinates differ; positions in these tests are relative to (10, 20).
class PixelTest : public SpriteTest {
 protected:
  void SetUp() override {
    BuildSheet(sheet, images, kSheet, 4, 4);
    a = Place("A", 0, 0, 0, 0);
    b = Place("B", 1, 2, 2, 0);
  }
  Probe* Place(const std::string& name, Integer z, Single x, Single y, Integer pattern) {
    Probe* p = Make(name, z);
    p->SetImage(&sheet);
    p->SetPatternIndex(pattern);
    Put(p, x, y);
    p->Collide = true;
    p->PixelCheck = true;
    return p;
  }
  static void Put(TSprite* p, Single x, Single y) {
    p->SetX(10 + x);
    p->SetY(20 + y);
  }

  TOmegaImageList images;
  TImageListItem sheet;
  Probe* a = nullptr;
  Probe* b = nullptr;
};


TEST_F(PixelTest, SolidOverlapHitsWithEachSpritesOwnCoordinates) {
  // The overlap is A's pixels x 2..3, y 2..3; the first solid one row by row is (2,2).
  engine.CollideAll();
  EXPECT_EQ(log, (Log{"A<B 2,2", "B<A 0,0"}));
}

TEST_F(PixelTest, OverlapOfTransparentTexelsOnlyDoesNotCollide) {
  a->SetPatternIndex(1);  // solid only in columns 0..1, left of the overlap
  b->SetPatternIndex(2);  // solid only in columns 2..3, right of the overlap
  engine.CollideAll();
  EXPECT_TRUE(log.empty());
  // A solid texel under a transparent one is no hit either.
  a->SetPatternIndex(0);
  b->SetPatternIndex(7);
  engine.CollideAll();
  EXPECT_TRUE(log.empty());
}

TEST_F(PixelTest, OnePixelCheckSpriteCollidesOnRectangleAlone) {
  a->SetPatternIndex(1);
  b->SetPatternIndex(2);
  b->PixelCheck = false;
  engine.CollideAll();
  EXPECT_EQ(log, (Log{"A<B 0,0", "B<A 0,0"}));
}

TEST_F(PixelTest, OverlapIsScannedRowByRow) {
  // B solid at (1,1) and (0,2); placed at (2,1) over the solid A these are A's pixels (3,2)
  // and (2,3). Row by row finds (3,2) first.
  b->SetPatternIndex(3);
  Put(b, 2, 1);
  engine.CollideAll();
  EXPECT_EQ(log, (Log{"A<B 3,2", "B<A 1,1"}));
}

TEST_F(PixelTest, MirrorXFlipsTheTestedColumns) {
  b->SetPatternIndex(4);  // only texel (3,1): outside the overlap unless flipped
  engine.CollideAll();
  EXPECT_TRUE(log.empty());
  b->MirrorX = true;
  engine.CollideAll();
  EXPECT_EQ(log, (Log{"A<B 2,3", "B<A 0,1"}));
}

TEST_F(PixelTest, MirrorYFlipsTheTestedRows) {
  b->SetPatternIndex(5);  // only texel (1,3)
  engine.CollideAll();
  EXPECT_TRUE(log.empty());
  b->MirrorY = true;
  engine.CollideAll();
  EXPECT_EQ(log, (Log{"A<B 3,2", "B<A 1,0"}));
}

TEST_F(PixelTest, MirrorOnTheFirstSpriteCountsToo) {
  a->SetPatternIndex(6);  // only texel (0,0), at the far corner from the overlap
  engine.CollideAll();
  EXPECT_TRUE(log.empty());
  a->MirrorX = a->MirrorY = true;
  engine.CollideAll();
  EXPECT_EQ(log, (Log{"A<B 3,3", "B<A 1,1"}));
}


TEST_F(PixelTest, PatternIndexAtOrPastCountReadsAsTransparent) {
  b->SetPatternIndex(8);
  EXPECT_EQ(b->PatternIndex, 8);
  engine.CollideAll();
  b->SetPatternIndex(23);
  EXPECT_EQ(b->PatternIndex, 8);
  engine.CollideAll();
  b->MirrorX = b->MirrorY = true;
  engine.CollideAll();
  EXPECT_TRUE(log.empty());
}

TEST_F(PixelTest, TextureSmallerThanTheTileIsNeverReadPastItsEnd) {
  // A hand-made item whose texture is only 2×2 while its tiles claim 4×4.
  TImageListItem small;
  small.TileWidth = small.TileHeight = 4;
  small.ImageWidth = small.ImageHeight = 4;
  small.Rows = small.Columns = 1;
  small.Texture = std::make_shared<TTexture>();
  small.Texture->Width = small.Texture->Height = 2;
  small.Texture->Texels = {0, 0, 0, 0xFF000001u};
  b->SetImage(&small);
  b->SetPatternIndex(0);
  Put(b, 0, 0);
  engine.CollideAll();
  EXPECT_EQ(log, (Log{"A<B 1,1", "B<A 1,1"}));
}

TEST_F(PixelTest, WiderCollisionRectangleThanTileReadsTransparentOutsideTile) {
  a->SetWidth(8);  // columns 4..7 of A lie outside its tile
  Put(b, 4, 0);
  engine.CollideAll();
  EXPECT_TRUE(log.empty());
}

// [SECTION] Setters

TEST_F(SpriteTest, CreatedWithDefaults) {
  TSprite* s = new TSprite(engine);
  EXPECT_EQ(engine.Sprites(0), s);  // live at once
  EXPECT_EQ(s->Width, 10);
  EXPECT_EQ(s->Height, 10);
  for (uint32_t c : s->Colors) EXPECT_EQ(c, 0xFFFFFFFFu);
  EXPECT_FALSE(s->Collide || s->PixelCheck || s->Dead);
  // The rectangle stays empty until a position or image is set.
  EXPECT_EQ(s->CollisionRect.Right, 0);
  EXPECT_EQ(s->CollisionRect.Bottom, 0);
}

TEST_F(SpriteTest, PositionAndSizeSettersKeepTheRectangle) {
  Probe* s = Make("S");
  s->SetX(12.5f);
  s->SetY(-3.5f);
  EXPECT_EQ(s->CollisionRect.Left, 13);
  EXPECT_EQ(s->CollisionRect.Right, 23);
  EXPECT_EQ(s->CollisionRect.Top, -4);
  EXPECT_EQ(s->CollisionRect.Bottom, 6);
  EXPECT_FLOAT_EQ(s->X, 12.5f);
  s->SetWidth(3);
  s->SetHeight(7);
  EXPECT_EQ(s->CollisionRect.Right, 16);
  EXPECT_EQ(s->CollisionRect.Bottom, 3);
}

TEST_F(SpriteTest, SetImageTakesTheTileSize) {
  TOmegaImageList images;
  TImageListItem sheet;
  BuildSheet(sheet, images, std::vector<std::string>(6, std::string(20, '#')), 5, 3);
  Probe* s = Make("S");
  s->X = 2.6f;  // written directly: SetImage must still round it into the rectangle
  s->Y = 1.0f;
  s->SetImage(&sheet);
  EXPECT_EQ(s->Image, &sheet);
  EXPECT_EQ(s->Width, 5);
  EXPECT_EQ(s->Height, 3);
  EXPECT_EQ(s->CollisionRect.Left, 3);
  EXPECT_EQ(s->CollisionRect.Right, 8);
  EXPECT_EQ(s->CollisionRect.Top, 1);
  EXPECT_EQ(s->CollisionRect.Bottom, 4);
}

TEST_F(SpriteTest, SetPatternIndexPlacesTheTileAndBoundsByCount) {
  TOmegaImageList images;
  TImageListItem sheet;
  BuildSheet(sheet, images, std::vector<std::string>(6, std::string(20, '#')), 5, 3);  // 4 × 2 tiles
  Probe* s = Make("S");
  s->SetPatternIndex(6);  // without an image it is only stored
  EXPECT_EQ(s->PatternIndex, 6);
  EXPECT_EQ(s->PatternX, 0);
  s->SetImage(&sheet);
  s->SetPatternIndex(6);
  EXPECT_EQ(s->PatternX, 10);
  EXPECT_EQ(s->PatternY, 3);
  s->SetPatternIndex(7);
  EXPECT_EQ(s->PatternIndex, 7);
  s->SetPatternIndex(8);
  EXPECT_EQ(s->PatternIndex, 8);
  s->SetPatternIndex(100);
  EXPECT_EQ(s->PatternIndex, 8);

  TRect r;
  s->SetPatternIndex(8);
  s->GetPatternRect(r);  // clamps the stored index to the last tile
  EXPECT_EQ(s->PatternIndex, 7);
  EXPECT_EQ(r.Left, 15);
  EXPECT_EQ(r.Right, 20);
  EXPECT_EQ(r.Top, 3);
  EXPECT_EQ(r.Bottom, 6);
  s->PatternIndex = -4;
  s->GetPatternRect(r);
  EXPECT_EQ(s->PatternIndex, 0);
  EXPECT_EQ(r.Left, 0);
  EXPECT_EQ(r.Bottom, 3);
}

TEST_F(SpriteTest, ColourSettersRebuildAllFourColors) {
  Probe* s = Make("S");
  s->Colors[2] = 0x12345678;
  s->SetRed(0x80);
  for (uint32_t c : s->Colors) EXPECT_EQ(c, 0xFF80FFFFu);
  s->SetGreen(0x10);
  s->SetBlue(0x20);
  s->SetAlpha(0x40);
  for (uint32_t c : s->Colors) EXPECT_EQ(c, 0x40801020u);
  s->SetRed(0x1AB);  // only the low byte reaches the colour
  EXPECT_EQ(s->Red, 0x1AB);
  for (uint32_t c : s->Colors) EXPECT_EQ(c, 0x40AB1020u);
}

TEST_F(SpriteTest, AssignCopiesEverythingButDead) {
  TOmegaImageList images;
  TImageListItem sheet;
  BuildSheet(sheet, images, std::vector<std::string>(6, std::string(20, '#')), 5, 3);
  Probe* src = Make("src");
  src->SetImage(&sheet);
  src->SetX(4.5f);
  src->SetY(7.0f);
  src->SetZ(3);
  src->SetRed(10);
  src->SetAlpha(20);
  src->Colors[1] = 0xDEADBEEF;
  src->SetPatternIndex(5);
  src->Collide = src->PixelCheck = true;
  src->Angle = 30;
  src->ScaleX = -1;
  src->ScaleY = 2;
  src->PivotX = 0.25f;
  src->PivotY = 0.75f;
  src->MirrorX = src->MirrorY = true;
  src->BlendMode = 4;
  src->Visible = false;
  src->Kill();

  Probe* dst = Make("dst");
  dst->Assign(*src);
  EXPECT_EQ(dst->SpriteName, "src");
  EXPECT_FLOAT_EQ(dst->X, 4.5f);
  EXPECT_FLOAT_EQ(dst->Y, 7.0f);
  EXPECT_EQ(dst->Z, 3);
  EXPECT_EQ(engine.Sprites(0), dst);  // re-sorted through SetZ: first among Z 3
  EXPECT_EQ(dst->Red, 10);
  EXPECT_EQ(dst->Alpha, 20);
  EXPECT_EQ(dst->Colors[0], ColorARGB(10, 255, 255, 20));
  EXPECT_EQ(dst->Colors[1], 0xDEADBEEFu);
  EXPECT_EQ(dst->PatternIndex, 5);
  EXPECT_TRUE(dst->Collide && dst->PixelCheck && dst->MirrorX && dst->MirrorY);
  EXPECT_FLOAT_EQ(dst->Angle, 30);
  EXPECT_EQ(dst->Image, &sheet);
  EXPECT_EQ(dst->Width, 5);
  EXPECT_EQ(dst->CollisionRect.Left, 5);
  EXPECT_EQ(dst->CollisionRect.Bottom, 10);
  EXPECT_FLOAT_EQ(dst->ScaleX, -1);
  EXPECT_FLOAT_EQ(dst->ScaleY, 2);
  EXPECT_FLOAT_EQ(dst->PivotX, 0.25f);
  EXPECT_FLOAT_EQ(dst->PivotY, 0.75f);
  EXPECT_EQ(dst->BlendMode, 4);
  EXPECT_FALSE(dst->Visible);
  EXPECT_FALSE(dst->Dead);
  EXPECT_EQ(engine.DeadList.size(), 1u);
}

// [SECTION] Drawing

TEST_F(SpriteTest, DrawAreaCullsOnTheTopLeftCornerOnly) {
  // A drawn sprite leaves its blend mode on the screen; a culled one never reaches it.
  TOmegaScreen screen;
  screen.Width = screen.Height = 32;
  screen.Initialize();
  TOmegaImageList images;
  images.OmegaScreen = &screen;
  TImageListItem sheet;
  BuildSheet(sheet, images, {"####", "####", "####", "####"}, 4, 4);
  Probe* s = Make("S");
  s->SetImage(&sheet);
  s->BlendMode = 3;
  engine.DrawAreaX1 = 2;
  engine.DrawAreaY1 = 2;
  engine.DrawAreaX2 = 10;
  engine.DrawAreaY2 = 10;
  auto drawnAt = [&](Single x, Single y) {
    screen.SetBlendMode(0);
    s->SetX(x);
    s->SetY(y);
    engine.DrawAll();
    return screen.BlendMode() == 3;
  };
  EXPECT_TRUE(drawnAt(2, 2));
  EXPECT_TRUE(drawnAt(10.4f, 10.4f));  // rounds to the far corner; the tile reaches past it
  EXPECT_FALSE(drawnAt(10.5f, 5));
  EXPECT_FALSE(drawnAt(5, 10.5f));
  EXPECT_FALSE(drawnAt(1.4f, 5));
  EXPECT_FALSE(drawnAt(5, 1));
  engine.DrawAreaX1 = engine.DrawAreaY1 = engine.DrawAreaX2 = engine.DrawAreaY2 = 0;
  EXPECT_TRUE(drawnAt(-50, 400));  // all zero: no culling
  s->Visible = false;
  EXPECT_FALSE(drawnAt(5, 5));
}

TEST_F(SpriteTest, DrawingAnUnloadedImageReportsEveryTime) {
  std::vector<std::string> errors;
  engine.OnError = [&](const std::string& text, const std::string& title) { errors.push_back(title + ": " + text); };
  TImageListItem unloaded;
  Probe* s = Make("S");
  s->DoDraw();  // no image: nothing to report
  EXPECT_TRUE(errors.empty());
  s->SetImage(&unloaded);
  engine.DrawAll();
  engine.DrawAll();
  EXPECT_EQ(errors, (std::vector<std::string>(2, "Error: No OmegaImageList assigned to sprite!")));
  s->Visible = false;
  engine.DrawAll();
  EXPECT_EQ(errors.size(), 2u);
}

TEST_F(SpriteTest, DrawingALoadedImageReportsNothing) {
  std::vector<std::string> errors;
  engine.OnError = [&](const std::string& text, const std::string&) { errors.push_back(text); };
  TOmegaImageList images;
  TImageListItem sheet;
  BuildSheet(sheet, images, {"##", "##"}, 2, 2);
  Probe* s = Make("S");
  s->SetImage(&sheet);
  engine.DrawAll();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(log, (Log{"draw S"}));
}

}  // namespace
}  // namespace lr
