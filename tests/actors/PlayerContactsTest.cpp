// Contacts between players, touched bubbles, deaths and their accounting, and the favourite
// powerup.
#include "Arena.h"
#include "actors/ItemUnit.h"

namespace lr {
namespace {

class PlayerContacts : public Arena {
 protected:
  // Player1 at x = 100, Player2 at x = 120 (to its right), both in the given states.
  void Pair(TPlayerState first, TPlayerState second) {
    for (TPlayer* p : {&P1(), &P2()}) {
      p->Bumped = false;
      p->Killer = nullptr;
      p->VelX = p->VelY = 0;
      p->SetY(200);
    }
    P1().SetX(100);
    P2().SetX(120);
    P1().State = first;
    P2().State = second;
  }
  TItem& Bubble(TPowerupKind kind) {
    TItem& item = *new TItem(Form->SE);
    item.Kind = kind;
    return item;
  }
  void Bumps() {
    P1().Bump(P2());
    P2().Bump(P1());
  }
};

TEST_F(PlayerContacts, AnUprightPlayerTripsOverADuckingOneAndShovesAStandingOne) {
  for (TPlayerState ducking : {psCrouch, psRoll, psCrouchShoot}) {
    Pair(psWalk, ducking);
    Bumps();
    EXPECT_EQ(P1().State, psTumble);
    EXPECT_EQ(P1().VelX, 1.6f);  // over, towards the other
    EXPECT_EQ(P1().VelY, -4.3f);
    EXPECT_EQ(P1().Killer, &P2());
    EXPECT_EQ(P2().State, ducking);
    EXPECT_EQ(P2().Killer, nullptr);
  }
  Pair(psStand, psWalk);
  Bumps();
  EXPECT_EQ(P1().VelX, -1.6f);  // away from the shover
  EXPECT_EQ(P1().Killer, &P2());
  EXPECT_EQ(P2().State, psWalk);
}

TEST_F(PlayerContacts, ClashingPairsAreKnockedApart) {
  struct Case {
    TPlayerState First, Second;
    bool SecondOnGround;
  };
  const Case cases[] = {{psWalk, psWalk, true},  {psJump, psJump, false},   {psRoll, psRoll, true},
                        {psClimb, psClimb, false}, {psJump, psCrouch, true}, {psClimb, psJump, false},
                        {psCrouch, psRoll, true}};
  for (const Case& c : cases) {
    Pair(c.First, c.Second);
    P2().OnGround = c.SecondOnGround;
    Bumps();
    EXPECT_EQ(P1().VelX, -1.6f) << PlayerStateName(c.First) << PlayerStateName(c.Second);
    EXPECT_EQ(P2().VelX, 1.6f) << PlayerStateName(c.First) << PlayerStateName(c.Second);
    EXPECT_EQ(P1().VelY, -4.3f);
    EXPECT_EQ(P2().VelY, -4.3f);
    EXPECT_EQ(P1().Killer, &P2());
    EXPECT_EQ(P2().Killer, &P1());
  }
}

TEST_F(PlayerContacts, AClimberIsKnockedOffByAnyoneNotTumblingAndTumblersAreLeftAlone) {
  Pair(psClimb, psStand);
  P1().Bump(P2());
  EXPECT_EQ(P1().State, psTumble);
  EXPECT_EQ(P1().VelX, -1.6f);
  EXPECT_EQ(P1().Killer, &P2());

  Pair(psTumble, psWalk);
  Bumps();
  EXPECT_EQ(P1().VelX, 0.0f);
  EXPECT_EQ(P2().VelX, 0.0f);
  EXPECT_EQ(P2().State, psWalk);
  EXPECT_EQ(P1().Killer, nullptr);
}

TEST_F(PlayerContacts, OnlyTheFirstContactOfATickCountsAndOuffIsNotRestartedWhilePlaying) {
  TPlayer& third = *new TPlayer(Form->SE);
  third.SetX(80);
  third.State = psTumble;
  Pair(psStand, psWalk);
  P1().Bump(third);  // a tumbler: only the sound
  EXPECT_TRUE(Played("Ouff"));
  P1().Bump(P2());
  EXPECT_EQ(P1().State, psStand);

  Form->SoundsThisFrame.clear();
  P1().Bumped = false;  // as the next tick's move does
  P1().Bump(P2());
  EXPECT_EQ(P1().State, psTumble);
  EXPECT_FALSE(Played("Ouff"));
  Clock.Advance(Clock.Frequency() * 5);
  P1().Bumped = false;
  P1().Bump(P2());
  EXPECT_TRUE(Played("Ouff"));
}

TEST_F(PlayerContacts, ChargesCancelEachOtherButAChargeKillsTheUnchargedAndStays) {
  Pair(psWalk, psStand);
  P1().Item = &Bubble(pkElectricity);
  P2().Item = &Bubble(pkElectricity);
  Bumps();
  EXPECT_EQ(P1().Item, nullptr);
  EXPECT_EQ(P2().Item, nullptr);
  EXPECT_FALSE(P1().Eliminated || P2().Eliminated);
  EXPECT_TRUE(Played("Bzzt"));

  Pair(psWalk, psStand);
  TItem& charge = Bubble(pkElectricity);
  P1().Item = &charge;
  Bumps();
  EXPECT_TRUE(P2().Eliminated);
  EXPECT_EQ(P2().DeathCause, "Electricity");
  EXPECT_EQ(P2().VelY, -18.0f);
  EXPECT_EQ(P1().Kills, 1);
  EXPECT_EQ(P1().RoundKills, 1);
  EXPECT_EQ(P1().Item, &charge);
  EXPECT_FALSE(P1().Eliminated);
  EXPECT_EQ(P1().Wins, 1);
}

TEST_F(PlayerContacts, TouchingPlayersMeetThroughTheCollisionPass) {
  Floor(1, 18, 12);
  for (TPlayer* p : {&P1(), &P2()}) {
    p->SetX(288);
    p->SetY(321);
    p->OnGround = true;
  }
  Tick();
  // Two players standing in one place: the first of the pair is shoved, the other stays.
  ASSERT_NE(P1().State == psTumble, P2().State == psTumble);
  TPlayer& shoved = P1().State == psTumble ? P1() : P2();
  TPlayer& shover = &shoved == &P1() ? P2() : P1();
  EXPECT_EQ(shoved.VelX, 1.6f);
  EXPECT_EQ(shoved.Killer, &shover);
  EXPECT_EQ(shover.State, psStand);
}

TEST_F(PlayerContacts, DeathCountsOnceAndCreditsTheKillerButNotOneself) {
  P2().Killer = &P1();
  P2().Die(dkLava);
  P2().Die(dkBlast);
  EXPECT_EQ(P2().Deaths, 1);
  EXPECT_EQ(P2().DeathCause, "Lava");
  EXPECT_EQ(P1().Kills, 1);
  EXPECT_EQ(Form->DeadPlayers, std::vector<TPlayer*>{&P2()});
  EXPECT_EQ(Form->RoundTimer, 240.0f);
  EXPECT_EQ(P1().Wins, 1);
  EXPECT_EQ(P2().Wins, 0);

  // Once the round is decided no more wins are given.
  P1().Killer = &P1();
  P1().DeathCause = "Electricity";
  P1().Die(dkBlast);
  EXPECT_EQ(P1().Kills, 1);
  EXPECT_EQ(P1().Wins, 1);
  EXPECT_EQ(P1().DeathCause, "Electricity");
  EXPECT_EQ(P1().Y, 480.0f);
  EXPECT_EQ(P1().VelY, 10.0f);
}

TEST_F(PlayerContacts, TwoDeathsInOneTickStillGiveTheRoundToTheSecond) {
  P1().SetX(100);
  P2().SetX(400);
  P1().SetY(449);
  P2().SetY(449);
  Tick();
  ASSERT_EQ(Form->DeadPlayers.size(), 2u);
  EXPECT_EQ(Form->DeadPlayers[0]->Wins, 0);
  EXPECT_EQ(Form->DeadPlayers[1]->Wins, 1);
  EXPECT_EQ(Form->RoundTimer, 240.0f);
}

TEST_F(PlayerContacts, AFallIntoTheLavaIsCreditedToTheLastPusherOnly) {
  TPlayer& third = *new TPlayer(Form->SE);
  Form->Players.push_back(&third);
  third.SetX(500);
  third.SetY(300);
  P1().SetX(100);
  P1().SetY(200);
  Floor(12, 14, 12);
  StandOn(P2(), 13, 12);
  P1().State = psStand;
  P2().State = psWalk;
  P1().Bump(P2());
  for (int t = 0; t < 200 && !third.Eliminated; ++t) Tick();
  EXPECT_EQ(Form->RoundTimer, -1.0f);  // two are still alive
  for (int t = 0; t < 200 && !P1().Eliminated; ++t) Tick();
  EXPECT_EQ(P1().DeathCause, "Lava");
  EXPECT_EQ(third.DeathCause, "Lava");
  EXPECT_EQ(P2().Kills, 1);
  EXPECT_EQ(P1().Kills + third.Kills, 0);
  EXPECT_EQ(P2().Wins, 1);
}

TEST_F(PlayerContacts, SwitchPlacesSwapsWithARandomLivingPlayerWhoIsThenItsVictim) {
  TPlayer& third = *new TPlayer(Form->SE);
  Form->Players.push_back(&third);
  Form->DeadPlayers = {&P2()};
  P1().SetX(50);
  P1().SetY(60);
  third.SetX(300);
  third.SetY(90);
  third.VelX = 2;
  // A bubble reseeds the generator as it is made, so the copy is taken after.
  TItem& swap = Bubble(pkSwitchPlaces);
  TRandomGenerator copy = Form->Rng;
  P1().TouchItem(swap);
  EXPECT_EQ(copy.Random(1), 0);  // one candidate, one draw
  for (int i = 0; i < 2 * 25 * 6; ++i) copy.Random(1);  // then 25 sparks at each place, six draws each
  EXPECT_EQ(Form->Rng.RandomState, copy.RandomState);
  EXPECT_EQ(P1().X, 300.0f);
  EXPECT_EQ(P1().Y, 90.0f);
  EXPECT_EQ(third.X, 50.0f);
  EXPECT_EQ(third.Y, 60.0f);
  EXPECT_EQ(third.VelX, 2.0f);
  EXPECT_TRUE(Played("Bzzt"));

  third.SetY(460);
  third.Die(dkLava);
  EXPECT_EQ(third.DeathCause, "Switch Places");
  EXPECT_EQ(P1().Kills, 1);

  // With nobody left to swap with, nothing happens and nothing is drawn.
  TItem& again = Bubble(pkSwitchPlaces);
  const uint32_t state = Form->Rng.RandomState;
  P1().TouchItem(again);
  EXPECT_EQ(Form->Rng.RandomState, state);
  EXPECT_EQ(P1().X, 300.0f);
}

TEST_F(PlayerContacts, TheDeathBubbleBlowsUpTheToucherCreditingNobody) {
  Form->GameMode = 1;
  P1().Killer = &P2();
  TItem& death = Bubble(pkDeath);
  P1().DoCollision(death, 0, 0);
  EXPECT_TRUE(P1().Eliminated);
  EXPECT_EQ(P1().DeathCause, "Floating Death");
  EXPECT_EQ(P2().Kills, 0);
  EXPECT_TRUE(Played("Boom"));
  EXPECT_FALSE(death.Dead);

  Form->SoundsThisFrame.clear();
  P2().TouchItem(Bubble(pkHandgun));
  EXPECT_TRUE(Form->SoundsThisFrame.empty());
  P2().TouchItem(Bubble(pkElectricity));
  EXPECT_TRUE(Played("Bzzt"));
}

TEST_F(PlayerContacts, TheFavouriteIsTheFirstMostCollectedKind) {
  std::string name;
  FavouriteItemName(P1(), name);
  EXPECT_EQ(name, "None");
  P1().Pickups = {0, 2, 0, 2, 0, 0, 0, 0, 0};
  FavouriteItemName(P1(), name);
  EXPECT_EQ(name, "Electricity");
  P1().Pickups[8] = 3;
  FavouriteItemName(P1(), name);
  EXPECT_EQ(name, "Spring Glove");
}

}  // namespace
}  // namespace lr
