// Particles: what each emitter makes, how many random numbers it uses up, and how sparks,
// puffs and droplets move, fade and die.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "actors/Particles.h"
#include "actors/PlayerUnit.h"
#include "game/LevelUnit.h"
#include "game/MainForm.h"
#include "platform/RecordingAudio.h"
#include "support/TestGame.h"

namespace lr {
namespace {

class Particles : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = testing::NewTestForm(Clock, Audio);
    ASSERT_TRUE(Form);
    Form->Rng.RandomState = 12345;
  }
  template <class T>
  std::vector<T*> Live() const {
    std::vector<T*> found;
    for (TSprite* s : Form->SE.SpriteList)
      if (auto* p = dynamic_cast<T*>(s); p && !p->Dead) found.push_back(p);
    return found;
  }
  // One tick of the particles alone (the players stay out of it).
  void Tick(Single timeFactor = 1) {
    Form->TickCount += 1;
    for (TSprite* s : Live<TSprite>())
      if (dynamic_cast<TParticle_Elec*>(s) || dynamic_cast<TParticle_Smoke*>(s)) s->DoMove(timeFactor);
  }
  // The generator's state after n more draws from the state the test started with.
  static uint32_t StateAfter(Integer n) {
    TRandomGenerator rng;
    rng.RandomState = 12345;
    for (Integer i = 0; i < n; ++i) rng.Random(7);
    return rng.RandomState;
  }

  VirtualClock Clock{0};
  TRecordingAudio Audio{Clock};
  std::unique_ptr<TGForm> Form;
};

const TRect kBox{100, 200, 132, 264};

TEST_F(Particles, EachEmitterUsesUpItsDrawsAndMakesNothingForNoCount) {
  struct Case {
    std::function<void(TGForm&, Integer)> emit;
    Integer drawsEach;
  };
  const Case cases[] = {
      {[](TGForm& f, Integer n) { EmitSparks(f, kBox, n, 3); }, 6},
      {[](TGForm& f, Integer n) { EmitSparks(f, TRect{5, 5, 5, 5}, n, 0); }, 6},  // empty ranges draw too
      {[](TGForm& f, Integer n) { EmitFire(f, kBox, n); }, 6},
      {[](TGForm& f, Integer n) { EmitTrail(f, kBox, n, -1); }, 4},
      {[](TGForm& f, Integer n) { EmitBlast(f, kBox, n); }, 4},
      {[](TGForm& f, Integer n) { EmitPuff(f, kBox, n); }, 6},
      {[](TGForm& f, Integer n) { EmitSplash(f, 300, n); }, 4},  // x, angle, two magnitudes
  };
  for (const Case& c : cases) {
    const size_t before = Form->SE.SpriteList.size();
    for (Integer none : {0, -3}) c.emit(*Form, none);
    EXPECT_EQ(Form->SE.SpriteList.size(), before);
    EXPECT_EQ(Form->Rng.RandomState, 12345u);
    c.emit(*Form, 7);
    EXPECT_EQ(Form->SE.SpriteList.size(), before + 7);
    EXPECT_EQ(Form->Rng.RandomState, StateAfter(7 * c.drawsEach)) << c.drawsEach;
    Form->Rng.RandomState = 12345;
  }
}

TEST_F(Particles, DrawsGoPositionThenAngleAndMagnitudePerAxis) {
  TRandomGenerator rng;
  rng.RandomState = 12345;
  EmitFire(*Form, kBox, 1);
  const Integer x = 100 + rng.Random(32) - 8, y = 200 + rng.Random(64) - 8;
  const Integer ax = rng.Random(359), mx = 80 + rng.Random(120);
  const Integer ay = rng.Random(359), my = 80 + rng.Random(120);
  const TParticle_Smoke& fire = *Live<TParticle_Smoke>().at(0);
  EXPECT_EQ(fire.X, x);
  EXPECT_EQ(fire.Y, y);
  EXPECT_EQ(fire.VelX, static_cast<Single>(static_cast<double>(Form->CosTable[ax]) * mx / 100));
  EXPECT_EQ(fire.VelY, static_cast<Single>(static_cast<double>(Form->SinTable[ay]) * my / 100));

  EmitSplash(*Form, 300, 1);
  const Integer sx = 300 - 10 + rng.Random(20), a = -125 + rng.Random(90);
  const Integer m1 = 150 + rng.Random(100), m2 = 150 + rng.Random(100);
  const TParticle_Lava& drop = *Live<TParticle_Lava>().at(0);
  EXPECT_EQ(drop.X, sx);
  EXPECT_EQ(drop.Y, 486);  // just below the screen
  EXPECT_EQ(drop.Angle, a);
  EXPECT_NEAR(drop.VelX, std::cos(a * M_PI / 180) * m1 / 50, 1e-5);
  EXPECT_NEAR(drop.VelY, std::sin(a * M_PI / 180) * m2 / 50, 1e-5);
}

TEST_F(Particles, EmittersSetTheirLooksAndPlaces) {
  struct Look {
    std::function<void(TGForm&)> emit;
    const char* className;
    uint32_t color;
    Integer life, fade;
  };
  const Look looks[] = {
      {[](TGForm& f) { EmitFire(f, kBox, 20); }, "TParticle_Smoke", ColorARGB(255, 120, 0, 255), 32, 8},
      {[](TGForm& f) { EmitTrail(f, kBox, 20, -1); }, "TParticle_Smoke", ColorARGB(255, 0, 0, 255), 16, 16},
      {[](TGForm& f) { EmitBlast(f, kBox, 20); }, "TParticle_Smoke", ColorARGB(0, 200, 200, 255), 128, 2},
      {[](TGForm& f) { EmitPuff(f, kBox, 20); }, "TParticle_Smoke", ColorARGB(255, 255, 0, 255), 32, 8},
      {[](TGForm& f) { EmitSplash(f, 300, 20); }, "TParticle_Lava", ColorARGB(255, 0, 0, 255), 128, 2},
  };
  for (const Look& look : looks) {
    look.emit(*Form);
    const auto made = Live<TParticle_Smoke>();
    ASSERT_EQ(made.size(), 20u);
    for (TParticle_Smoke* p : made) {
      EXPECT_STREQ(p->ClassName(), look.className);
      EXPECT_EQ(p->Colors[0], look.color);
      EXPECT_EQ(p->Life, look.life);
      EXPECT_EQ(p->Fade, look.fade);
      EXPECT_EQ(p->BlendMode, 2);
      EXPECT_EQ(p->Z, 4);
      EXPECT_EQ(p->Image, Form->Spr.Find("PSmoke"));
      p->Kill();
    }
    Form->SE.FreeDead();
  }
}

TEST_F(Particles, BlastsStartAtOnePointAndTrailsFollowTheShot) {
  EmitBlast(*Form, kBox, 20);
  ASSERT_EQ(Live<TParticle_Smoke>().size(), 20u);
  for (TParticle_Smoke* p : Live<TParticle_Smoke>()) {
    EXPECT_EQ(p->X, 100);  // one point: the corner
    EXPECT_EQ(p->Y, 200);
    p->Kill();
  }
  EmitTrail(*Form, kBox, 20, -1);
  ASSERT_EQ(Live<TParticle_Smoke>().size(), 20u);
  for (TParticle_Smoke* p : Live<TParticle_Smoke>()) {
    EXPECT_EQ(p->X, 100);
    // Backwards along a shot to the left, at most 45 degrees off it.
    EXPECT_LE(p->VelX, -0.56f);
    EXPECT_GE(p->VelX, -1.49f);
    EXPECT_LE(std::abs(p->VelY), 1.06f);
  }
}

TEST_F(Particles, SparksFromAFlatRectangleStandOnItsLeftEdge) {
  EmitSparks(*Form, TRect{50, 100, 50, 164}, 40, 0);
  ASSERT_EQ(Live<TParticle_Elec>().size(), 40u);
  for (TParticle_Elec* s : Live<TParticle_Elec>()) {
    EXPECT_EQ(s->X, 46);
    EXPECT_GE(s->Y, 96);
    EXPECT_LE(s->Y, 159);
    EXPECT_EQ(s->VelX, 0);
    EXPECT_EQ(s->VelY, 0);
  }
}

TEST_F(Particles, ASparkLivesFiveFramesOfItsFifthTicks) {
  std::vector<Integer> moves;
  for (Integer start = 0; start < 5; ++start) {
    Form->TickCount = 100 + start;
    EmitSparks(*Form, kBox, 1, 2);
    TParticle_Elec& spark = *Live<TParticle_Elec>().at(0);
    const Single x0 = spark.X;
    Integer n = 0;
    while (!spark.Dead) {
      Tick(3);  // the time factor does not speed a spark up
      ++n;
    }
    EXPECT_NEAR(spark.X, x0 + spark.VelX * n, 1e-3) << "start " << start;
    EXPECT_EQ(spark.PatternIndex, 5);
    Form->SE.FreeDead();
    moves.push_back(n);
  }
  EXPECT_EQ(moves, (std::vector<Integer>{25, 24, 23, 22, 21}));
}

TEST_F(Particles, FireFadesByEightAndIsGoneOnItsThirtySecondMove) {
  EmitFire(*Form, kBox, 1);
  TParticle_Smoke* fire = Live<TParticle_Smoke>().at(0);
  for (Integer move = 1; move < 32; ++move) {
    Tick();
    ASSERT_FALSE(fire->Dead) << move;
    EXPECT_EQ(fire->Alpha, 255 - 8 * move);
  }
  EXPECT_EQ(fire->Alpha, 7);
  Tick();
  EXPECT_TRUE(fire->Dead);
  Form->SE.FreeDead();
  EXPECT_TRUE(Live<TParticle_Smoke>().empty());
}

TEST_F(Particles, DropletsRiseIntoViewThenFallBack) {
  EmitSplash(*Form, 320, 1);
  TParticle_Lava& drop = *Live<TParticle_Lava>().at(0);
  const Single v0 = drop.VelY;
  Tick(2);
  const Single v1 = static_cast<Single>(static_cast<double>(v0) + 0.2);
  EXPECT_EQ(drop.VelY, v1);  // gravity scales with the time factor, the move does not
  EXPECT_EQ(drop.Y, 486 + v1);
  Single top = drop.Y;
  while (drop.VelY < 0) {
    Tick();
    top = std::min(top, drop.Y);
  }
  EXPECT_LT(top, 480);  // seen above the bottom edge
  EXPECT_GT(drop.VelY, 0);
}

TEST_F(Particles, APuffLeavesTheScreenBlendingPlain) {
  TSprite plain(Form->SE);
  plain.SetImage(Form->Spr.Find("PSmoke"));
  plain.BlendMode = 2;
  plain.DoDraw();
  ASSERT_EQ(Form->OS.BlendMode(), 2);  // the draw did reach the screen
  EmitPuff(*Form, kBox, 1);
  Live<TParticle_Smoke>().at(0)->DoDraw();
  EXPECT_EQ(Form->OS.BlendMode(), 0);
}

TEST_F(Particles, FallsAndDeathsThrowTheirBursts) {
  auto* platform = new TPlatform(Form->SE);
  platform->SetX(101.5f);  // halves round to even: the splash centres on 102 + 16
  platform->SetY(480);
  platform->Falling = true;
  platform->DoMove(1);
  auto drops = Live<TParticle_Lava>();
  ASSERT_EQ(drops.size(), 50u);
  for (TParticle_Lava* d : drops) {
    EXPECT_GE(d->X, 108);
    EXPECT_LE(d->X, 127);
    d->Kill();
  }
  Form->SE.FreeDead();

  Form->GameMode = 1;
  TPlayer& blasted = *Form->Player1;
  blasted.SetX(200.4f);
  blasted.SetY(99.6f);
  blasted.Die(dkBlast);
  const auto blast = Live<TParticle_Smoke>();
  ASSERT_EQ(blast.size(), 150u);
  for (TParticle_Smoke* p : blast) {
    EXPECT_EQ(p->X, 216);  // from the body's centre, before it drops out of sight
    EXPECT_EQ(p->Y, 132);
    p->Kill();
  }
  Form->SE.FreeDead();

  TPlayer& sunk = *Form->Player2;
  sunk.SetX(300.6f);
  sunk.SetY(460);
  sunk.Die(dkLava);
  drops = Live<TParticle_Lava>();
  ASSERT_EQ(drops.size(), 30u);
  for (TParticle_Lava* d : drops) {
    EXPECT_GE(d->X, 291);
    EXPECT_LE(d->X, 310);
  }
}

}  // namespace
}  // namespace lr
