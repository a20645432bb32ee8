// Powerup bubbles, item uses, mines, bullets and spring gloves, played through the sprite
// passes of a real form.
#include <set>

#include "Arena.h"
#include "actors/ItemUnit.h"
#include "actors/Particles.h"
#include "game/RandomGenerator.h"

namespace lr {
namespace {

class Items : public Arena {
 protected:
  // A floor along row 14; Player1 stands at column 3 facing right, Player2 at column 16.
  void SetUp() override {
    Arena::SetUp();
    Floor(0, 19, 14);
    StandOn(P1(), 3, 14);
    StandOn(P2(), 16, 14);
    P1().ScaleX = 1;
  }
  template <class T>
  std::vector<T*> Live() const {
    std::vector<T*> found;
    for (TSprite* sprite : Form->SE.SpriteList)
      if (auto* t = dynamic_cast<T*>(sprite); t && !t->Dead) found.push_back(t);
    return found;
  }
  template <class T>
  size_t Count() const {
    return Live<T>().size();
  }
  TItem& Bubble(TPowerupKind kind, Single x, Single y, Single vx = 0, Single vy = 0, Integer bounces = 5) {
    TItem& bubble = *new TItem(Form->SE);
    bubble.Kind = kind;
    bubble.Charges = kPowerups[kind].Charges;
    bubble.SetX(x);
    bubble.SetY(y);
    bubble.VelX = vx;
    bubble.VelY = vy;
    bubble.Bounces = bounces;
    return bubble;
  }
  // A bubble drifting onto Player1's chest, collected in the next pass.
  TItem& OnPlayer1(TPowerupKind kind) { return Bubble(kind, P1().X, P1().Y + 16); }
  // Gives Player1 an item as if it had collected it.
  TItem& Held(TPowerupKind kind) {
    TItem& item = OnPlayer1(kind);
    Tick();
    EXPECT_EQ(P1().Item, &item);
    return item;
  }
};

// [SECTION] Bubbles

TEST_F(Items, ABubbleFromTheTopWithoutSideDriftBouncesOffTheBottomAndComesBack) {
  TItem& bubble = Bubble(pkHandgun, 304, 5, 0, 2.5f, 5);
  Single lowest = bubble.Y;
  for (int tick = 0; tick < 400 && bubble.VelY > 0; ++tick) {
    Tick();
    EXPECT_EQ(bubble.X, 304);
    lowest = std::max(lowest, bubble.Y);
  }
  ASSERT_LT(bubble.VelY, 0);
  EXPECT_EQ(bubble.Bounces, 4);
  EXPECT_LT(lowest + 32, 483);  // never into the lava
  const Single turned = bubble.Y;
  Tick();
  EXPECT_LT(bubble.Y, turned);
}

TEST_F(Items, ABubbleWithTwoBouncesLeftVanishesOnItsThirdEdgeContact) {
  TItem& bubble = Bubble(pkHandgun, 0, 200, 0, 0, 2);  // resting on the left edge
  Tick();
  Tick();
  EXPECT_EQ(bubble.Bounces, 0);
  EXPECT_EQ(Count<TItem>(), 1u);
  Tick();
  EXPECT_EQ(Count<TItem>(), 0u);
}

TEST_F(Items, DynamiteLeavesPlayersAloneAndDropsTheFirstPlatformItTouches) {
  TItem& dynamite = OnPlayer1(pkDynamite);
  Tick();
  EXPECT_FALSE(P1().Eliminated);
  EXPECT_EQ(P1().Item, nullptr);
  EXPECT_EQ(P1().Pickups[pkDynamite], 0);
  EXPECT_FALSE(Played("Loadup"));
  ASSERT_EQ(Count<TItem>(), 1u);

  TPlatform& platform = Platform(10, 6);
  dynamite.SetX(platform.X);
  dynamite.SetY(platform.Y);
  const size_t smoke = Count<TParticle_Smoke>();
  Tick();
  EXPECT_TRUE(platform.Falling);
  EXPECT_EQ(Count<TItem>(), 0u);
  EXPECT_EQ(Count<TParticle_Smoke>() - smoke, 50u);
  EXPECT_TRUE(Played("Boom"));
}

TEST_F(Items, TheDeathBubbleBlowsUpItsToucherAndFloatsOn) {
  TItem& death = OnPlayer1(pkDeath);
  death.VelX = 1;
  Tick();
  EXPECT_TRUE(P1().Eliminated);
  EXPECT_EQ(P1().DeathCause, "Floating Death");
  EXPECT_EQ(P1().Pickups[pkDeath], 0);
  ASSERT_EQ(Count<TItem>(), 1u);
  EXPECT_TRUE(death.Collide);
  EXPECT_EQ(death.Alpha, 128);
  const Single x = death.X;
  Tick();
  EXPECT_EQ(death.X, x + 1);
}

TEST_F(Items, SwitchPlacesCountsAPickupButLeavesTheHeldItem) {
  TItem& gun = Held(pkHandgun);
  TItem& swap = OnPlayer1(pkSwitchPlaces);
  Tick();
  EXPECT_EQ(P1().Pickups[pkSwitchPlaces], 1);
  EXPECT_EQ(P1().Item, &gun);
  EXPECT_EQ(swap.Alpha, 0);
  EXPECT_FALSE(swap.Collide);
  EXPECT_EQ(P2().DeathCause, "Switch Places");  // the swap itself happened
}

TEST_F(Items, CollectingPlaysLoadupAndReplacesTheHeldItem) {
  TItem& gun = Held(pkHandgun);
  TItem& glove = OnPlayer1(pkSpringGlove);
  Tick();
  EXPECT_TRUE(Played("Loadup"));
  EXPECT_EQ(P1().Item, &glove);
  EXPECT_EQ(P1().Pickups[pkHandgun], 1);
  EXPECT_EQ(P1().Pickups[pkSpringGlove], 1);
  EXPECT_FALSE(gun.Dead);  // stays, invisible, until the round is cleared
}

TEST_F(Items, ABubbleDrawsKindSideDirectionSpeedsAndBouncesInThatOrder) {
  std::set<Integer> sides;
  for (bool dangerousOnly : {false, true}) {
    auto& enabled = Form->GameSettings.PowerupEnabled;
    enabled.fill(!dangerousOnly);
    enabled[pkDeath] = enabled[pkDynamite] = true;
    for (int sample = 0; sample < 12; ++sample) {
      Clock.Advance(Clock.Frequency() / 1000);
      TRandomGenerator copy;
      copy.SeedFromMilliseconds(Clock.MillisecondsOfDay());
      Integer kind = kPowerupKindCount;
      for (int attempt = 0; attempt < 101 && kind == kPowerupKindCount; ++attempt) {
        const Integer k = copy.Random(9);
        if (enabled[static_cast<size_t>(k)]) kind = k;
      }
      const Integer side = copy.Random(3);
      Integer direction = side == 0 ? 1 : -1;
      if (side == 1) direction = copy.Random(2) == 0 ? -1 : 1;
      Single velX = static_cast<Single>(copy.Random(300)) / 100 * static_cast<Single>(direction);
      Single velY = static_cast<Single>(copy.Random(300)) / 100;
      Integer bounces = copy.Random(6) + 2;
      if (kind == pkDeath || kind == pkDynamite) {
        velX /= 2;
        velY /= 2;
        bounces = copy.Random(3) + 1;
      }
      Form->Rng.RandomState = 12345;  // whatever came before: the bubble reseeds
      TItem& bubble = *new TItem(Form->SE);
      EXPECT_EQ(bubble.Kind, kind);
      EXPECT_EQ(bubble.Charges, kPowerups[static_cast<size_t>(kind)].Charges);
      EXPECT_EQ(bubble.X, side == 0 ? 5 : side == 1 ? 304 : 603);
      EXPECT_EQ(bubble.Y, side == 1 ? 5 : 256);
      EXPECT_FLOAT_EQ(bubble.VelX, velX);
      EXPECT_FLOAT_EQ(bubble.VelY, velY);
      EXPECT_EQ(bubble.Bounces, bounces);
      EXPECT_EQ(Form->Rng.RandomState, copy.RandomState);
      sides.insert(side);
    }
  }
  EXPECT_EQ(sides.size(), 3u);
}

TEST_F(Items, WithEveryKindSwitchedOffTheBubbleDiesAtOnceAfterAllItsDraws) {
  Form->GameSettings.PowerupEnabled.fill(false);
  TRandomGenerator copy;
  copy.SeedFromMilliseconds(Clock.MillisecondsOfDay());
  for (int attempt = 0; attempt < 101; ++attempt) copy.Random(9);
  if (copy.Random(3) == 1) copy.Random(2);
  for (int draw = 0; draw < 3; ++draw) copy.Random(6);
  TItem& bubble = *new TItem(Form->SE);
  EXPECT_TRUE(bubble.Dead);
  EXPECT_EQ(bubble.Kind, kNoPowerup);
  EXPECT_EQ(Form->Rng.RandomState, copy.RandomState);
  Form->SE.FreeDead();
  EXPECT_EQ(Count<TItem>(), 0u);
}

TEST_F(Items, AHeldBubbleOnTheEdgeLivesUntilTheArenaIsClearedWhichEmptiesTheHands) {
  P1().SetX(0);
  TItem& gun = Bubble(pkHandgun, 1, P1().Y + 16, 0, 0, 0);
  Tick();
  ASSERT_EQ(P1().Item, &gun);
  gun.SetX(-5);  // beyond the edge
  for (int tick = 0; tick < 10; ++tick) Tick();
  EXPECT_FALSE(gun.Dead);
  EXPECT_EQ(gun.Bounces, 0);
  EXPECT_EQ(P1().Item, &gun);
  Form->RemoveArena();
  EXPECT_EQ(P1().Item, nullptr);
  Form->SE.FreeDead();
  EXPECT_EQ(Count<TItem>(), 0u);
}

TEST_F(Items, BubblesMadeOnTheTitleScreenStayHiddenAndStill) {
  Form->GameMode = 0;
  TItem& bubble = *new TItem(Form->SE);
  const Single x = bubble.X, y = bubble.Y;
  for (int tick = 0; tick < 5; ++tick) Tick();
  EXPECT_FALSE(bubble.Visible);
  EXPECT_EQ(bubble.X, x);
  EXPECT_EQ(bubble.Y, y);
}

TEST_F(Items, TheCountdownMakesBubblesExceptInAnOnlineMatch) {
  Form->OnlineGame = 1;
  Form->PowerupCountdown = 0;
  Form->TimerTimer();
  EXPECT_EQ(Count<TItem>(), 0u);
  EXPECT_EQ(Form->PowerupCountdown, Form->GameSettings.PowerupDelay * 60);
  Form->OnlineGame = 0;
  Form->PowerupCountdown = 0;
  Form->TimerTimer();
  EXPECT_EQ(Count<TItem>(), 1u);
}

// [SECTION] Item uses

TEST_F(Items, AHandgunWithOneShotLeftFiresAndIsDropped) {
  Held(pkHandgun).Charges = 1;
  P1().UseItem();
  EXPECT_EQ(Count<TBullet>(), 1u);
  EXPECT_EQ(P1().Item, nullptr);
}

TEST_F(Items, SpringBootsAndElectricityAreNeverUsedUp) {
  TItem& boots = Held(pkSpringBoots);
  P1().UseItem();
  EXPECT_EQ(P1().State, psJump);
  EXPECT_EQ(P1().VelY, static_cast<Single>(1.35 * -5.0));
  EXPECT_EQ(P1().Item, &boots);
  EXPECT_EQ(boots.Charges, -1);
  StandOn(P1(), 3, 14);
  TItem& charge = Held(pkElectricity);
  for (int use = 0; use < 3; ++use) P1().UseItem();
  EXPECT_EQ(P1().Item, &charge);
  EXPECT_EQ(charge.Charges, -1);
}

// [SECTION] Mines, bullets and gloves

TEST_F(Items, AMineKillsItsOwnPlacerCreditingNobody) {
  Solo();
  Held(pkLandmine);
  P1().UseItem();
  ASSERT_EQ(Count<TMine>(), 1u);
  EXPECT_EQ(P1().State, psCrouch);
  for (int tick = 0; tick < 120 && !P1().Eliminated; ++tick) {
    P1().KeyRight = true;
    Tick();
  }
  ASSERT_TRUE(P1().Eliminated);
  EXPECT_EQ(P1().DeathCause, "Landmine");
  EXPECT_EQ(P1().Killer, &P1());
  EXPECT_EQ(P1().Kills, 0);
  EXPECT_EQ(P1().Deaths, 1);
  EXPECT_EQ(Count<TMine>(), 0u);
}

TEST_F(Items, AStandingShotPassesOverACrouchingPlayerAndACrouchedShotHitsIt) {
  StandOn(P2(), 8, 14);
  P2().State = psCrouch;
  P2().StunTime = 1000;  // holds the crouch
  Held(pkHandgun);
  P1().UseItem();
  TBullet* high = Live<TBullet>().at(0);
  ASSERT_TRUE(high->High);
  for (int tick = 0; tick < 100 && high->X < P2().X + 40; ++tick) Tick();
  EXPECT_EQ(Count<TBullet>(), 1u);
  EXPECT_FALSE(P2().Eliminated);

  P1().UseDelay = 0;
  P1().State = psCrouch;
  P1().UseItem();
  EXPECT_EQ(P1().State, psCrouchShoot);
  for (int tick = 0; tick < 100 && !P2().Eliminated; ++tick) Tick();
  EXPECT_TRUE(P2().Eliminated);
  EXPECT_EQ(P2().DeathCause, "Handgun");
  EXPECT_EQ(P2().Killer, &P1());
  EXPECT_EQ(P1().Kills, 1);
}

TEST_F(Items, AShotFromTheRightEdgeDiesOnItsFirstTick) {
  Held(pkHandgun);
  P1().SetX(590);
  P1().UseItem();
  ASSERT_EQ(Live<TBullet>().at(0)->X, 611);
  Tick();
  EXPECT_EQ(Count<TBullet>(), 0u);
}

TEST_F(Items, AGloveMissesACrouchingPlayerAndAHitStunsBothAndTurnsItBack) {
  StandOn(P2(), 8, 14);
  P2().State = psCrouch;
  P2().StunTime = 1000;
  Held(pkSpringGlove);
  P1().UseItem();
  ASSERT_EQ(Count<TGlove>(), 1u);
  for (int tick = 0; tick < 100 && Count<TGlove>() > 0; ++tick) Tick();
  EXPECT_EQ(P2().State, psCrouch);
  EXPECT_EQ(P2().Killer, nullptr);

  P2().State = psStand;
  P2().StunTime = 0;
  P1().State = psStand;
  P1().StunTime = 0;
  P1().UseDelay = 0;
  P1().UseItem();
  TGlove* glove = Live<TGlove>().at(0);
  for (int tick = 0; tick < 30 && P2().State != psTumble; ++tick) Tick();
  EXPECT_EQ(P2().State, psTumble);
  EXPECT_EQ(P2().StunTime, 25);
  EXPECT_EQ(P1().StunTime, 10);
  EXPECT_EQ(P1().UseDelay, 10);
  EXPECT_EQ(glove->Direction, -1);
  EXPECT_EQ(P2().Killer, &P1());
  EXPECT_EQ(P2().DeathCause, "Spring Glove");
  EXPECT_FALSE(P2().Eliminated);
}

TEST_F(Items, AGloveVanishesTheTickAfterItsOwnerIsKnocked) {
  Held(pkSpringGlove);
  P1().UseItem();
  Tick();
  P1().Knock(-1.6f, -4.3f);
  EXPECT_EQ(Count<TGlove>(), 1u);
  Tick();
  EXPECT_EQ(Count<TGlove>(), 0u);
}

TEST_F(Items, TheCoilIsDrawnOnlyOnceTheSpringIsOut) {
  TSoftwareDevice* device = Form->OS.GetDevice();
  ASSERT_NE(device, nullptr);
  const TTexture* coil = Form->Spr.Find("Coil")->Texture.get();
  TGlove& glove = Add<TGlove>("Powerup_Glove", 120, 393);
  glove.BaseX = 136;
  glove.BaseY = 393;
  glove.DoDraw();
  EXPECT_NE(device->Texture(), coil);
  glove.Reach = 610;
  glove.DoDraw();
  EXPECT_EQ(device->Texture(), coil);
}

}  // namespace
}  // namespace lr
