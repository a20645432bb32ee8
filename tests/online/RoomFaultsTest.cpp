// What the room does with guests that misbehave, players it cannot seat, connections that
// end without a farewell, and matches that end: every field from the network checked, a
// peer speaking only for its own seat, refused players told why, and the room back after a
// match.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "online/RoomRig.h"

namespace lr::testing {
namespace {

using TLines = std::vector<std::string>;
using K = TRoomAction::TKind;

TBytes SeatMessage(uint8_t seat, const std::string& name, uint8_t ready = 0) {
  return Encode(TRoomSeat{.Seat = seat, .PlayerName = name, .Red = 10, .Green = 20, .Blue = 30, .Ready = ready});
}
TBytes Cat(std::initializer_list<TBytes> parts) {
  TBytes all;
  for (const TBytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// [SECTION] A guest speaks only for its own seat

TEST(RoomFaults, AGuestTogglesOnlyItsOwnSeatAndTheHostTakesOnlyWhatItKnows) {
  TRoomRig rig;
  TRoomGame& host = rig.AddGame("Ann");
  rig.Host(host);
  TRoomGame& bob = rig.AddGame("Bob");
  rig.Join(bob);
  const uint16_t port = host.Room().UServ.LocalPort();
  // Not seated yet: its chat is not passed on.
  TRawGuest eve(rig, port);
  const uint64_t lines = host.Room().Chat.Added();
  eve.Say(TRoomChat{.Text = "Eve> sneaky"});
  EXPECT_EQ(host.Room().Chat.Added(), lines);
  eve.Say(SeatMessage(0, "Eve", 7));  // a ready byte other than 1 is "not ready"
  EXPECT_EQ(eve.Take().size(), 4u);
  // One seat per connection: a second arrival changes nothing.
  eve.Say(SeatMessage(0, "Eve Again"));
  struct TToggle {
    uint8_t Seat;
    TLines List;  // on every machine afterwards
    size_t Echoes;  // toggles Eve hears back
  };
  const TToggle toggles[] = {
      {2, {"Ann", "Bob", "Eve"}, 0},  // Bob's seat
      {0, {"Ann", "Bob", "Eve"}, 0},
      {9, {"Ann", "Bob", "Eve"}, 0},
      {255, {"Ann", "Bob", "Eve"}, 0},
      {3, {"Ann", "Bob", "* Eve"}, 1},  // its own
  };
  for (const TToggle& t : toggles) {
    eve.Say(TRoomReady{.Seat = t.Seat});
    for (TRoomGame* game : {&host, &bob}) EXPECT_EQ(game->Room().Players, t.List) << int(t.Seat);
    EXPECT_EQ(eve.Take().size(), t.Echoes) << int(t.Seat);
  }
  // A launch, a farewell or an unknown code from a client: the rest of that read goes with it.
  const uint64_t before = host.Room().Chat.Added();
  for (const TBytes& first : {Encode(TRoomLaunch{.LevelSeed = 9}), Encode(TRoomSeatFreed{.Seat = 3}), TBytes{0x0E, 1, 2}}) {
    const uint64_t revision = host.Room().Revision;
    ASSERT_EQ(eve.Client.Send(Cat({first, Encode(TRoomChat{.Text = "Eve> lost"})}).data(), static_cast<int>(first.size() + 130)),
              static_cast<int>(first.size() + 130));
    rig.ExtraSent += first[0] == 0x0E ? 0 : 1;
    ASSERT_TRUE(rig.PumpUntil([&] { return host.Room().Revision != revision && rig.Quiet(); }));
  }
  EXPECT_EQ(host.Form->GameMode, 0);
  EXPECT_EQ(host.Room().Chat.Added(), before);
  EXPECT_TRUE(host.Room().Seat(3)->InUse);
  // What follows in the next read is heard again.
  eve.Say(TRoomChat{.Text = "Eve> back"});
  EXPECT_EQ(host.Room().Chat.Lines().back(), "Eve> back");
  EXPECT_EQ(bob.Room().Chat.Lines().back(), "Eve> back");
}

// [SECTION] Players the host cannot seat

TEST(RoomFaults, APlayerBeyondTheGamesSizeOrWithATakenNameIsSentBackToTheLobbyWithTheReason) {
  TRoomRig rig;
  TRoomGame& host = rig.AddGame("Ann");
  rig.Host(host, "3");
  TRoomGame& bob = rig.AddGame("Bob");
  rig.Join(bob);
  struct TCase {
    std::string Name;
    std::string Line;  // the refused player's lobby line
  };
  const TCase cases[] = {
      {"Bob", "Left the game room: The name Bob is taken in this game."},
      {"Ann", "Left the game room: The name Ann is taken in this game."},
  };
  for (const TCase& c : cases) {
    TRoomGame& twin = rig.AddGame(c.Name);
    rig.Join(twin, 3, false);
    ASSERT_TRUE(rig.PumpUntil([&] { return twin.Room().Role() == TGmForm::TRole::None; }));
    EXPECT_FALSE(twin.Room().Visible);
    EXPECT_TRUE(twin.Lobby().Visible);
    ASSERT_FALSE(twin.Lobby().Chat.Lines().empty());
    EXPECT_EQ(twin.Lobby().Chat.Lines().back(), c.Line);
  }
  TRoomGame& cy = rig.AddGame("Cy");
  rig.Join(cy);
  // Three of three: the fourth is refused.
  TRoomGame& dee = rig.AddGame("Dee");
  rig.Join(dee, 4, false);
  ASSERT_TRUE(rig.PumpUntil([&] { return dee.Room().Role() == TGmForm::TRole::None; }));
  EXPECT_EQ(dee.Lobby().Chat.Lines().back(), "Left the game room: This game is full.");
  EXPECT_EQ(host.Room().Players, (TLines{"Ann", "Bob", "Cy"}));
  EXPECT_EQ(bob.Room().Players, (TLines{"Ann", "Bob", "Cy"}));
  EXPECT_EQ(host.Room().HostedGame->PlayerCount, 3);
  EXPECT_EQ(host.Room().UServ.Clients().Count(), 2);
}

TEST(RoomFaults, ANinthPlayerIsToldTheGameIsFullAndDisconnected) {
  TRoomRig rig;
  TRoomGame& host = rig.AddGame("Ann");
  rig.Host(host, "8");
  std::vector<std::unique_ptr<TRawGuest>> guests;
  for (int i = 0; i < 8; ++i) {
    guests.push_back(std::make_unique<TRawGuest>(rig, host.Room().UServ.LocalPort()));
    guests.back()->Say(SeatMessage(0, "Guest " + std::to_string(i)));
  }
  EXPECT_EQ(host.Room().Players.size(), 8u);
  TRawGuest& ninth = *guests.back();
  EXPECT_EQ(ninth.Take(), std::vector<TBytes>{Encode(TRoomChat{.Text = "This game is full."})});
  ASSERT_TRUE(rig.PumpUntil([&] { return ninth.Closed; }));
  EXPECT_FALSE(guests[6]->Closed);
}

// [SECTION] Actions and readiness from the wire

// A host, Eve (a raw guest in seat 2) and Bob (seat 3), all ready, in a match past its
// banner on the two games.
class RoomMatchFaults : public ::testing::Test {
 protected:
  RoomMatchFaults() : bob((rig.Host(host), rig.AddGame("Bob", 200))) {
    eve = std::make_unique<TRawGuest>(rig, host.Room().UServ.LocalPort());
    eve->Say(SeatMessage(0, "Eve"));
    rig.Join(bob);
    eve->Say(TRoomReady{.Seat = 2});
    rig.Act(bob, K::Ready);
    rig.Act(host, K::Ready);
    rig.Act(host, K::Launch);
    rig.Frames(197);
    eve->Take();
  }
  TPlayer& EveOn(TRoomGame& game) { return *game.Room().Seat(2)->Player; }

  TRoomRig rig;
  TRoomGame& host = rig.AddGame("Ann", 100);
  TRoomGame& bob;  // joins once the host listens
  std::unique_ptr<TRawGuest> eve;
};

TEST_F(RoomMatchFaults, EveryActionCodeActsAsItsTableSaysOnEveryOtherMachine) {
  ASSERT_EQ(host.Form->GameMode, 1);
  ASSERT_EQ(bob.Form->GameMode, 1);
  struct TCase {
    uint8_t Code;
    bool Left, Right, Up, Down;
    TPlayerState State;
    Single VelX, VelY;
  };
  // From a standing player with the right flag set.
  const TCase cases[] = {
      {0, false, false, false, false, psStand, 0, 0},      {naWalkRight, false, true, false, false, psStand, 0, 0},
      {naWalkLeft, true, false, false, false, psStand, 0, 0}, {naJumpLeft, false, false, false, false, psJump, -1.6f, -5},
      {naJump, false, false, false, false, psJump, 0, -5},   {naJumpRight, false, false, false, false, psJump, 1.6f, -5},
      {naDuckLeft, true, false, false, true, psRoll, -1.6f, 0}, {naDuckRight, false, true, false, true, psRoll, 1.6f, 0},
      {naDuck, false, false, false, true, psCrouch, 0, 0},  {9, false, false, false, false, psStand, 0, 0},
      {10, false, false, false, false, psStand, 0, 0},      {naClimbUp, false, false, true, false, psStand, 0, 0},
      {naClimbDown, false, false, false, true, psStand, 0, 0}, {naStop, false, false, false, false, psStand, 0, 0},
      {naSync, false, true, false, false, psStand, 0, 0},
  };
  for (const TCase& c : cases) {
    for (TRoomGame* game : {&host, &bob}) {
      TPlayer& p = EveOn(*game);
      p.ClearInput();
      p.KeyRight = true;
      p.State = psStand;
      p.VelX = p.VelY = 0;
      p.Rope = nullptr;
    }
    eve->Say(TAction{.Seat = 2, .Code = c.Code, .X = static_cast<uint16_t>(100 + c.Code), .Y = 0xFFD8});
    for (TRoomGame* game : {&host, &bob}) {
      const TPlayer& p = EveOn(*game);
      SCOPED_TRACE(game->Me().Name + " code " + std::to_string(c.Code));
      EXPECT_EQ(p.X, 100 + c.Code);
      EXPECT_EQ(p.Y, -40);  // 0xFFD8 is above the screen, not 65496 below it
      EXPECT_EQ((std::array<bool, 4>{p.KeyLeft, p.KeyRight, p.KeyUp, p.KeyDown}),
                (std::array<bool, 4>{c.Left, c.Right, c.Up, c.Down}));
      EXPECT_EQ(p.State, c.State);
      EXPECT_EQ(p.VelX, c.VelX);
      EXPECT_EQ(p.VelY, c.VelY);
    }
  }
  // The sender hears none of its own actions back.
  EXPECT_TRUE(eve->Take().empty());
}

TEST_F(RoomMatchFaults, ActionsAndReadinessForAnotherSeatOrAnUnknownCodeAreIgnored) {
  const Single bobX = bob.Me().X, bobOnHostX = host.Room().Seat(3)->Player->X;
  const Single eveX = EveOn(host).X;
  const uint64_t bobHeard = bob.Room().MessagesReceived();
  eve->Say(TAction{.Seat = 3, .Code = naWalkLeft, .X = 1, .Y = 1});   // Bob's seat
  eve->Say(TAction{.Seat = 1, .Code = naWalkLeft, .X = 1, .Y = 1});   // the host's
  eve->Say(TAction{.Seat = 0, .Code = naWalkLeft, .X = 1, .Y = 1});
  eve->Say(TAction{.Seat = 2, .Code = 15, .X = 1, .Y = 1});           // no such action
  eve->Say(TAction{.Seat = 2, .Code = 255, .X = 1, .Y = 1});
  EXPECT_EQ(host.Room().Seat(3)->Player->X, bobOnHostX);
  EXPECT_EQ(host.Me().KeyLeft, false);
  EXPECT_EQ(EveOn(host).X, eveX);
  EXPECT_EQ(bob.Me().X, bobX);
  EXPECT_EQ(bob.Room().MessagesReceived(), bobHeard);
  // A round readiness for another seat is ignored; its own reaches every other machine.
  for (TPlayer* p : host.Form->Players) p->Ready = false;
  for (TPlayer* p : bob.Form->Players) p->Ready = false;
  eve->Say(TRoomRoundReady{.Seat = 3});
  eve->Say(TRoomRoundReady{.Seat = 1});
  EXPECT_FALSE(host.Room().Seat(3)->Player->Ready || host.Me().Ready || bob.Me().Ready);
  eve->Say(TRoomRoundReady{.Seat = 2});
  EXPECT_TRUE(EveOn(host).Ready);
  EXPECT_TRUE(EveOn(bob).Ready);
  EXPECT_FALSE(host.Me().Ready || bob.Me().Ready);
  EXPECT_TRUE(eve->Take().empty());
}

// [SECTION] Connections that end, and matches that end

TEST_F(RoomMatchFaults, AGuestThatDropsOutIsFreedEverywhereAndItsPlayerStaysInTheMatch) {
  const size_t told = rig.Heard[host.MasterSocket].size();
  eve.reset();
  ASSERT_TRUE(rig.PumpUntil([&] { return !bob.Room().Seat(2)->InUse; }));
  EXPECT_EQ(rig.HeardSince(host, told), std::vector<TBytes>{Encode(TLobbyGameStatus{.PlayerCount = 2, .Closed = 0})});
  for (TRoomGame* game : {&host, &bob}) {
    EXPECT_EQ(game->Room().Chat.Lines().back(), "Eve has left the game.");
    EXPECT_EQ(game->Room().Players, (TLines{"* Ann", "* Bob"}));
    ASSERT_EQ(game->Form->Players.size(), 3u);
    EXPECT_EQ(game->Form->Players[1]->Name, "Eve");
  }
  rig.Frames(5);
  EXPECT_EQ(host.Form->GameMode, 1);
}

TEST_F(RoomMatchFaults, AClientWhoseHostVanishesLeavesTheRoomAndPlaysOnThenGetsItsLocalPlayersBack) {
  rig.Remove(host);  // the host's program ends without a farewell
  ASSERT_TRUE(rig.PumpUntil([&] { return bob.Room().Role() == TGmForm::TRole::None; }));
  EXPECT_TRUE(bob.Lobby().Visible);
  EXPECT_EQ(bob.Lobby().Chat.Lines().back(), "Left the game room: the host closed the connection.");
  // The match goes on here with the players it had.
  rig.Frames(3);
  EXPECT_EQ(bob.Form->GameMode, 1);
  EXPECT_EQ(bob.Form->OnlineGame, 1);
  EXPECT_EQ(bob.Form->Players.size(), 3u);
  EXPECT_EQ(bob.Me().Name, "Bob");
  EXPECT_EQ(bob.Me().NetIndex, 3);
  // Escape ends it: with no room to go back to, the two local players return, with the
  // rules as they were.
  bob.Form->FormKeyDown(27);
  EXPECT_EQ(bob.Form->GameMode, 0);
  EXPECT_FALSE(bob.Room().Visible);
  EXPECT_EQ(bob.Form->OnlineGame, 0);
  ASSERT_EQ(bob.Form->Players.size(), 2u);
  EXPECT_EQ(bob.Form->Players[0]->Name, "Bob");
  EXPECT_EQ(bob.Form->Players[1]->Name, "Green Man");
  EXPECT_EQ(bob.Form->Player2, bob.Form->Players[1]);
  EXPECT_EQ(bob.Me().NetIndex, 0);
  EXPECT_EQ(bob.Form->GameSettings.RoundCount, 3);
  rig.Frames(3);
  bob.Form->StartGame();
  EXPECT_EQ(bob.Me().X, 544);
  EXPECT_EQ(bob.Form->Player2->X, 64);
}

TEST_F(RoomMatchFaults, WhenTheMatchEndsTheRoomComesBackUntickedAndPlaysAgain) {
  bob.Form->FormKeyDown(27);
  rig.Settle();
  EXPECT_TRUE(bob.Room().Visible);
  EXPECT_FALSE(bob.Room().ReadyBox);
  EXPECT_EQ(bob.Room().Role(), TGmForm::TRole::Client);
  // The untick reaches every room; the host plays on.
  for (TRoomGame* game : {&host, &bob}) EXPECT_EQ(game->Room().Players, (TLines{"* Ann", "* Eve", "Bob"}));
  EXPECT_EQ(eve->Take(), std::vector<TBytes>{Encode(TRoomReady{.Seat = 3})});
  EXPECT_EQ(host.Form->GameMode, 1);
  EXPECT_FALSE(host.Room().Visible);
  host.Form->FormKeyDown(27);
  rig.Settle();
  EXPECT_TRUE(host.Room().Visible);
  EXPECT_TRUE(host.Room().LaunchEnabled);
  for (TRoomGame* game : {&host, &bob}) EXPECT_EQ(game->Room().Players, (TLines{"Ann", "* Eve", "Bob"}));
  // Another match, with the room's same connections.
  rig.Act(bob, K::Ready);
  rig.Act(host, K::Ready);
  rig.Act(host, K::Launch);
  for (TRoomGame* game : {&host, &bob}) {
    EXPECT_EQ(game->Form->GameMode, 3);
    ASSERT_EQ(game->Form->Players.size(), 3u);
    EXPECT_EQ(game->Form->Players[2]->Name, "Bob");
  }
  rig.Frames(197);
  // Leaving the room after the match brings the local players back.
  bob.Form->FormKeyDown(27);
  rig.Settle();
  ApplyRoomAction(bob.Room(), {.Kind = K::Leave, .Text = {}});
  EXPECT_EQ(bob.Form->OnlineGame, 0);
  ASSERT_EQ(bob.Form->Players.size(), 2u);
  EXPECT_EQ(bob.Form->Players[1]->Name, "Green Man");
  rig.Frames(2);
}

}  // namespace
}  // namespace lr::testing
