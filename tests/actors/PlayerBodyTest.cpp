// The player's body: steering, jumps, falls and rolls, walls, lava, ropes, stun, animation and
// the random start position.
#include "Arena.h"

namespace lr {
namespace {

using PlayerBody = Arena;

TEST_F(PlayerBody, StartsAsAGreyStandingFigureOnTheStickySheet) {
  TPlayer& p = *new TPlayer(Form->SE);
  EXPECT_EQ(p.Image, Form->Spr.Find("Sticky"));
  EXPECT_EQ(p.Width, 32);
  EXPECT_EQ(p.Height, 64);
  EXPECT_EQ(p.Z, 3);
  EXPECT_TRUE(p.Collide && p.PixelCheck);
  EXPECT_EQ(p.Colors[0], ColorARGB(128, 128, 128, 255));
  EXPECT_EQ(p.State, psStand);
  EXPECT_STREQ(PlayerStateName(psCrouchShoot), "psCrouchShoot");
}

TEST_F(PlayerBody, WalksMovePowerPerTickAndStopsAtRelease) {
  Solo();
  Floor(2, 12, 12);
  StandOn(P1(), 5, 12);
  TPlayer& p = P1();
  Single x = p.X;
  for (int t = 0; t < 20; ++t) {
    p.KeyRight = true;
    Tick();
    x += 1.6f;
    ASSERT_EQ(p.X, x);
    ASSERT_EQ(p.State, psWalk);
  }
  EXPECT_EQ(p.ScaleX, 1.0f);
  Tick();
  EXPECT_EQ(p.X, x);
  EXPECT_EQ(p.State, psStand);
  EXPECT_EQ(p.PatternIndex, 0);
  p.KeyLeft = true;
  Tick();
  EXPECT_EQ(p.X, x - 1.6f);
  EXPECT_EQ(p.ScaleX, -1.0f);
}

TEST_F(PlayerBody, WalkingCycleStepsEveryTenTicksWithOneDrawFromFrame8) {
  Solo();
  Floor(1, 18, 12);
  StandOn(P1(), 2, 12);
  TPlayer& p = P1();
  Form->TickCount = 0;
  const int expected[] = {1, 8};
  for (int cycle = 0; cycle < 2; ++cycle) {
    for (int t = 0; t < 10; ++t) {
      p.KeyRight = true;
      Tick();
      if (t < 9) {
        ASSERT_EQ(p.PatternIndex, cycle == 0 ? 0 : 1);
      }
    }
    EXPECT_EQ(p.PatternIndex, expected[cycle]);
  }
  TRandomGenerator copy = Form->Rng;
  for (int t = 0; t < 10; ++t) {
    p.KeyRight = true;
    Tick();
  }
  EXPECT_EQ(p.PatternIndex, 1 + copy.Random(2));
  EXPECT_EQ(Form->Rng.RandomState, copy.RandomState);
}

TEST_F(PlayerBody, DefaultJumpPeaksAt23TicksAndLandsAt47WithFrames3And4) {
  Solo();
  Floor(8, 12, 12);
  StandOn(P1(), 10, 12);
  TPlayer& p = P1();
  const Single start = p.Y;
  Form->TickCount = 0;
  p.KeyUp = true;
  Tick();
  EXPECT_EQ(p.Y, start - 5);
  EXPECT_EQ(p.State, psJump);
  Single highest = p.Y;
  int peak = 1;
  for (int t = 2; t <= 46; ++t) {
    p.KeyRight = true;  // no steering in the air
    Tick();
    ASSERT_LT(p.Y, start) << t;
    ASSERT_EQ(p.PatternIndex, 3 + (t / 8) % 2) << t;
    if (p.Y < highest) highest = p.Y, peak = t;
  }
  EXPECT_EQ(peak, 23);
  EXPECT_NEAR(start - highest, 59.34, 0.01);
  EXPECT_EQ(p.VelX, 0.0f);
  Tick();
  EXPECT_EQ(p.Y, start);
  Tick();
  EXPECT_EQ(p.State, psStand);
}

TEST_F(PlayerBody, SpringJumpClearsThreeCellsWhereANormalJumpCannot) {
  Solo();
  Floor(8, 12, 12);
  auto rise = [&](Single power) {
    StandOn(P1(), 10, 12);
    const Single start = P1().Y;
    P1().Jump(power);
    Single highest = start;
    for (int t = 0; t < 40; ++t, Tick()) highest = std::min(highest, P1().Y);
    return start - highest;
  };
  const Single normal = rise(Form->GameSettings.JumpPower);
  const Single boots = rise(1.35f * Form->GameSettings.JumpPower);
  EXPECT_LT(normal, 96);
  EXPECT_GT(boots, 96);
  EXPECT_NEAR(boots, 106.95, 0.02);
}

TEST_F(PlayerBody, WalkingOffAnEdgeTumblesAndTheLandingRollsAtThreeQuarterSpeed) {
  Solo();
  Floor(5, 6, 8);
  Floor(1, 18, 12);
  StandOn(P1(), 6, 8);
  TPlayer& p = P1();
  for (int t = 0; t < 30 && p.State != psTumble; ++t) {
    if (p.OnGround) p.KeyRight = true;
    Tick();
  }
  ASSERT_EQ(p.State, psTumble);
  EXPECT_EQ(p.VelX, 1.6f);
  for (int t = 0; t < 60 && !p.OnGround; ++t) Tick();
  ASSERT_TRUE(p.OnGround);
  Tick();
  EXPECT_EQ(p.State, psRoll);
  EXPECT_EQ(p.VelX, 1.6f * 0.75f);
  EXPECT_TRUE(Played("Ouff"));
  EXPECT_EQ(p.PatternIndex, 7);
  EXPECT_EQ(p.PivotY, 0.75f);
  // Nine turns of 40 degrees, one every third tick, make a full roll.
  int ticks = 1;
  for (; ticks < 40 && p.State == psRoll; ++ticks) Tick();
  EXPECT_EQ(p.State, psCrouch);
  EXPECT_GE(ticks, 25);
  EXPECT_LE(ticks, 27);
  EXPECT_EQ(p.Angle, 0.0f);
  Tick();
  EXPECT_EQ(p.State, psStand);
  EXPECT_EQ(p.PivotY, 0.75f);
}

TEST_F(PlayerBody, DuckingCrouchesAloneAndRollsWithASideKey) {
  Solo();
  Floor(1, 18, 12);
  StandOn(P1(), 9, 12);
  TPlayer& p = P1();
  p.KeyDown = true;
  Tick();
  EXPECT_EQ(p.State, psCrouch);
  EXPECT_EQ(p.VelX, 0.0f);
  EXPECT_TRUE(p.IsDucking());
  Form->TickCount = 2;
  p.KeyDown = p.KeyLeft = true;
  Tick();
  EXPECT_EQ(p.State, psRoll);
  EXPECT_EQ(p.VelX, -1.6f);
  EXPECT_EQ(p.Angle, -40.0f);
}

struct WallCase {
  TPlayerState State;
  Single X, VelX, KnockX, KnockY;
};

TEST_F(PlayerBody, AirborneAtAWallIsKnockedBackButOnAPlatformIsNot) {
  Solo();
  const WallCase cases[] = {
      {psJump, 607, 1.6f, -1.6f, -5},       {psTumble, 606, 4, -0.8f * 4, 0}, {psTumble, 608, 1, -1.6f, -0.7f},
      {psJump, 1, -1.6f, 1.6f, -5},         {psTumble, 2, -4, -0.8f * -4, 0}, {psWalk, 1, -1, 1.6f, -0.7f},
  };
  TPlayer& p = P1();
  for (const WallCase& c : cases) {
    p.State = c.State;
    p.SetX(c.X);
    p.SetY(100);
    p.VelX = c.VelX;
    p.VelY = 0;
    Tick();
    EXPECT_EQ(p.VelX, c.KnockX) << c.X;
    EXPECT_EQ(p.VelY, c.KnockY) << c.X;
    EXPECT_EQ(p.State, psTumble);
    EXPECT_TRUE(Played("Ouff"));
  }
  // A knocked figure alternates frames 5 and 6 every 5 ticks.
  Form->TickCount = 0;
  p.SetPatternIndex(5);
  for (int t = 1; t <= 12; ++t, Tick()) ASSERT_EQ(p.PatternIndex, 5 + (t - 1) / 5 % 2);

  Platform(19, 8);
  StandOn(p, 19, 8);
  p.SetX(615);
  Tick();
  EXPECT_EQ(p.X, 615.0f);
  EXPECT_EQ(p.State, psStand);
  EXPECT_FALSE(Played("Ouff"));
}

TEST_F(PlayerBody, TheLavaKillsOnceTheMiddlePasses480AndOnlyOnce) {
  Solo();
  TPlayer& p = P1();
  p.SetX(300);
  p.SetY(448);
  Tick();
  EXPECT_FALSE(p.Eliminated);
  Tick();
  EXPECT_TRUE(p.Eliminated);
  EXPECT_TRUE(Played("Splash"));
  EXPECT_EQ(p.DeathCause, "Lava");
  for (int t = 0; t < 60; ++t) {
    Tick();
    ASSERT_FALSE(Played("Splash"));
    ASSERT_LE(p.VelY, 10.0f);
  }
  EXPECT_EQ(p.Deaths, 1);
  EXPECT_EQ(Form->DeadPlayers.size(), 1u);
}

TEST_F(PlayerBody, ClimberStopsAtTheTopAndLetsGoPastTheBottomSegment) {
  Solo();
  TRope* pieces[3];
  for (Byte piece = 0; piece < 3; ++piece) {
    pieces[piece] = &Add<TRope>("Rope", 320, 160 + piece * 32);
    pieces[piece]->Piece = piece;
  }
  TPlayer& p = P1();
  p.SetX(320);
  p.SetY(175);
  p.State = psClimb;
  p.SetPatternIndex(9);
  Tick();
  EXPECT_EQ(p.Y, 175.0f);  // hangs still
  for (int t = 0; t < 20; ++t) {
    p.KeyUp = true;
    Tick();
  }
  EXPECT_LE(p.Y, 160.0f);
  EXPECT_GT(p.Y, 160.0f - 1.7f);
  EXPECT_EQ(p.State, psClimb);

  Form->TickCount = 0;
  for (int t = 0; t < 100 && p.State == psClimb; ++t) {
    const Single y = p.Y;
    const Integer frame = p.PatternIndex;
    const Single facing = p.ScaleX;
    p.KeyDown = true;
    Tick();
    if (p.State != psClimb) break;
    ASSERT_EQ(p.Y, y + 1.7f);
    const bool step = Form->TickCount % 6 == 0;
    ASSERT_EQ(p.PatternIndex, step ? 19 - frame : frame);
    ASSERT_EQ(p.ScaleX != facing, step && p.PatternIndex == 9);
  }
  EXPECT_EQ(p.State, psTumble);
  EXPECT_GE(p.Y + 32, pieces[2]->Y);
}

TEST_F(PlayerBody, AFlungBodyIsParkedInvisibleAboveTheScreen) {
  Solo();
  TPlayer& p = P1();
  p.SetX(300);
  p.SetY(100);
  p.Die(dkFling);
  EXPECT_EQ(p.VelY, -18.0f);
  EXPECT_EQ(p.State, psTumble);
  for (int t = 0; t < 600; ++t) Tick();
  EXPECT_FALSE(p.Visible);
  EXPECT_GE(p.Y, -500.0f);
  EXPECT_LE(p.Y, -490.0f);
  EXPECT_EQ(p.Deaths, 1);
}

TEST_F(PlayerBody, StunBlocksSteeringWhileGravityActs) {
  Solo();
  Floor(3, 8, 12);
  StandOn(P1(), 5, 12);
  TPlayer& p = P1();
  const Single x = p.X;
  p.StunTime = 10;
  for (int t = 0; t < 9; ++t) {
    p.KeyRight = true;
    Tick();
    ASSERT_EQ(p.X, x);
  }
  p.KeyRight = true;
  Tick();
  EXPECT_EQ(p.X, x + 1.6f);

  p.SetY(100);
  p.VelY = 0;
  p.StunTime = 5;
  p.KeyUp = true;
  Tick();
  Tick();
  EXPECT_FLOAT_EQ(p.Y, 100.0f + 0.22f);
  EXPECT_EQ(p.State, psWalk);
}

TEST_F(PlayerBody, OutsideAMatchThePlayerIsHiddenAndInert) {
  Solo();
  TPlatform& floor = Platform(5, 12);
  TPlayer& p = P1();
  p.SetX(160);
  p.SetY(321);
  Form->GameMode = 3;
  Tick();
  p.DoCollision(floor, 0, 0);
  EXPECT_FALSE(p.Visible);
  EXPECT_EQ(p.Y, 321.0f);
  EXPECT_FALSE(p.OnGround);
}

TEST_F(PlayerBody, PlaceOnPlatformAlwaysFindsAPlatformUnderTheFeet) {
  Form->LevelGrid.Set(7, 9, true);
  TRandomGenerator copy = Form->Rng;
  PlaceOnPlatform(P1());
  EXPECT_EQ(P1().X, 224.0f);
  EXPECT_EQ(P1().Y, 224.0f);
  // Column first, then row, once per attempt.
  for (;;) {
    const Integer col = copy.Random(18) + 1;
    const Integer row = copy.Random(13) + 2;
    if (col == 7 && row == 7) break;
  }
  EXPECT_EQ(Form->Rng.RandomState, copy.RandomState);

  for (Integer col = 1; col <= 18; col += 3) Form->LevelGrid.Set(col, 14 - col % 5, true);
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    Form->Rng.RandomState = seed * 7919u;
    PlaceOnPlatform(P1());
    ASSERT_TRUE(Form->LevelGrid.At(static_cast<Integer>(P1().X) / 32, static_cast<Integer>(P1().Y) / 32 + 2));
    ASSERT_GE(P1().Y, 64.0f);
  }
}

}  // namespace
}  // namespace lr
