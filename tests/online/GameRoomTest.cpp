// The game room between games in one process over loopback: seats and their order, chat,
// ready toggles, launch, leaving in both roles, and what a hostile or refused guest gets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "online/RoomRig.h"

namespace lr::testing {
namespace {

using TLines = std::vector<std::string>;
using K = TRoomAction::TKind;

TLines ChatOf(const TMemo& memo) { return {memo.Lines().begin(), memo.Lines().end()}; }
TLines LastLines(const TMemo& memo, size_t n) {
  const TLines all = ChatOf(memo);
  return {all.end() - static_cast<std::ptrdiff_t>(std::min(n, all.size())), all.end()};
}
TBytes SeatMessage(uint8_t seat, const std::string& name, uint8_t ready = 0) {
  return Encode(TRoomSeat{.Seat = seat, .PlayerName = name, .Red = 200, .Green = 50, .Blue = 50, .Ready = ready});
}

// [SECTION] Seats

TEST(Room, ANewcomerHearsItsOwnSeatThenEverySeatInUseInOrder) {
  TRoomRig rig;
  TRoomGame& host = rig.AddGame("Ann");
  rig.Host(host);
  TRoomGame& bob = rig.AddGame("Bob");
  rig.Join(bob, 5);  // the master's seat is only provisional
  EXPECT_EQ(bob.Me().NetIndex, 2);
  TRawGuest cy(rig, host.Room().UServ.LocalPort());
  cy.Say(SeatMessage(0, "Cy"));
  // Its own message 1 (sent to all), then seats 1, 2 and its own, 3.
  const std::vector<TBytes> expected = {SeatMessage(3, "Cy"), Encode(TRoomSeat{.Seat = 1, .PlayerName = "Ann", .Red = 200, .Green = 50, .Blue = 50}),
                                        SeatMessage(2, "Bob"), SeatMessage(3, "Cy")};
  EXPECT_EQ(cy.Take(), expected);
  for (TRoomGame* game : {&host, &bob}) {
    EXPECT_EQ(game->Room().Players, (TLines{"Ann", "Bob", "Cy"}));
    EXPECT_EQ(game->Room().Seat(3)->PlayerName, "Cy");
  }
  EXPECT_EQ(LastLines(host.Room().Chat, 2), (TLines{"Bob has entered the game.", "Cy has entered the game."}));
  EXPECT_EQ(host.Room().HostedGame->PlayerCount, 3);
  EXPECT_EQ(host.Room().Seat(3)->Socket, host.Room().UServ.Clients()[1]);
}

TEST(Room, ChatOfThreeCharactersOrMoreGoesToEveryRoomOnceCutTo128) {
  TRoomRig rig;
  TRoomGame& host = rig.AddGame("Ann");
  rig.Host(host);
  TRoomGame& bob = rig.AddGame("Bob");
  rig.Join(bob);
  TRoomGame& cy = rig.AddGame("Cy");
  rig.Join(cy);
  struct TCase {
    TRoomGame* Speaker;
    std::string Input;
    std::string Line;  // empty: nothing is sent and the input stays
  };
  const TCase cases[] = {
      {&bob, "hi", ""},
      {&bob, "hey", "Bob> hey"},
      {&host, "gl", ""},
      {&host, "glhf", "Ann> glhf"},
      {&cy, std::string(200, 'x'), ("Cy> " + std::string(200, 'x')).substr(0, 128)},
  };
  for (const TCase& c : cases) {
    std::vector<uint64_t> before;
    for (auto& game : rig.Games) before.push_back(game->Room().Chat.Added());
    rig.Act(*c.Speaker, K::Chat, c.Input);
    for (size_t i = 0; i < rig.Games.size(); ++i) {
      TGmForm& room = rig.Games[i]->Room();
      if (c.Line.empty()) {
        EXPECT_EQ(room.Chat.Added(), before[i]) << c.Input;
        continue;
      }
      EXPECT_EQ(room.Chat.Added(), before[i] + 1) << c.Input << " at game " << i;
      EXPECT_EQ(room.Chat.Lines().back(), c.Line);
    }
    EXPECT_EQ(c.Speaker->Room().Input, c.Line.empty() ? c.Input : std::string());
  }
}

TEST(Room, ReadyTogglesReachEveryRoomAndTwoClicksUndoOne) {
  TRoomRig rig;
  TRoomGame& host = rig.AddGame("Ann");
  rig.Host(host);
  TRoomGame& bob = rig.AddGame("Bob");
  rig.Join(bob);
  TRoomGame& cy = rig.AddGame("Cy");
  rig.Join(cy);
  struct TStep {
    TRoomGame* Clicker;
    TLines List;  // on every machine afterwards
  };
  const TStep steps[] = {
      {&bob, {"Ann", "* Bob", "Cy"}}, {&host, {"* Ann", "* Bob", "Cy"}}, {&bob, {"* Ann", "Bob", "Cy"}},
      {&cy, {"* Ann", "Bob", "* Cy"}}, {&cy, {"* Ann", "Bob", "Cy"}},
  };
  for (const TStep& step : steps) {
    rig.Act(*step.Clicker, K::Ready);
    for (auto& game : rig.Games) EXPECT_EQ(game->Room().Players, step.List) << game->Me().Name;
  }
  EXPECT_TRUE(host.Room().ReadyBox);
  EXPECT_FALSE(bob.Room().ReadyBox);
  EXPECT_FALSE(cy.Room().ReadyBox);
}

TEST(Room, TheTraceShowsTheRoomItsSeatsAndTheMatchOnEveryMachine) {
  TRoomRig rig;
  TRoomGame& host = rig.AddGame("Ann");
  rig.Host(host);
  TRoomGame& bob = rig.AddGame("Zo\xEB");
  rig.Join(bob);
  rig.Act(bob, K::Ready);
  rig.Act(bob, K::Chat, "hey");
  const auto net = [](TRoomGame& game) { return FrameRecord(*game.Form, 1, &game.Trace)["net"]; };
  nlohmann::ordered_json h = net(host), b = net(bob);
  EXPECT_EQ(h["room"]["players"], nlohmann::json::array({"Ann", "* Zo\u00EB"}));
  EXPECT_EQ(h["room"]["chat"].back(), "Zo\u00EB> hey");
  EXPECT_EQ(h["room"]["launch"], true);
  EXPECT_EQ(b["room"]["launch"], false);
  EXPECT_EQ(b["room"]["ready"], true);
  EXPECT_EQ(h["room"]["ready"], false);
  EXPECT_EQ(h["room"]["port"], host.Room().UServ.LocalPort());
  EXPECT_EQ(b["room"]["port"], 0);
  for (const auto& seats : {h["seats"], b["seats"]})
    EXPECT_EQ(seats, nlohmann::ordered_json::parse(R"([{"seat":1,"name":"Ann","ready":false},{"seat":2,"name":"Zo\u00EB","ready":true}])"));
  // Chat lines are traced once, on the frame they come.
  EXPECT_EQ(net(host)["room"]["chat"], nlohmann::json::array());
  rig.Act(host, K::Ready);
  rig.Act(host, K::Launch);
  h = net(host);
  b = net(bob);
  EXPECT_EQ(h["OnlineGame"], 1);
  EXPECT_EQ(h["LevelSeed"], host.Form->LevelSeed);
  EXPECT_EQ(b["LevelSeed"], host.Form->LevelSeed);
  EXPECT_EQ(b["room"]["shown"], false);
  // The host's sync goes out and comes in as signed positions.
  host.Me().SetX(-3);
  host.Me().SetY(-7);
  host.Form->Timer1Timer();
  rig.Settle();
  const auto action = nlohmann::ordered_json::parse(R"({"dir":"received","seat":1,"code":14,"x":-3,"y":-7})");
  EXPECT_EQ(net(bob)["actions"], nlohmann::ordered_json::array({action}));
  const nlohmann::json sent = net(host)["actions"];
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]["dir"], "sent");
  EXPECT_EQ(sent[0]["y"], -7);
}

// [SECTION] Launch

TEST(Room, LaunchWithOneReadyPlayerSaysSoAndSendsNothing) {
  TRoomRig rig;
  TRoomGame& host = rig.AddGame("Ann");
  rig.Host(host);
  TRawGuest bob(rig, host.Room().UServ.LocalPort());
  bob.Say(SeatMessage(0, "Bob"));
  bob.Take();
  const size_t told = rig.MasterHeard(host, 2).size();  // the login and the hosting
  rig.Act(host, K::Ready);
  bob.Take();
  rig.Act(host, K::Launch);
  EXPECT_EQ(host.Room().Chat.Lines().back(), "Not enough ready players.");
  EXPECT_EQ(host.Form->GameMode, 0);
  EXPECT_EQ(host.Form->OnlineGame, 0);
  EXPECT_TRUE(bob.Take().empty());
  rig.PumpUntil([] { return false; }, 20);
  EXPECT_EQ(rig.Heard[host.MasterSocket].size(), told);
  // A client has no "Launch Game".
  TRoomGame& cy = rig.AddGame("Cy");
  rig.Join(cy);
  rig.Act(cy, K::Ready);
  rig.Act(cy, K::Launch);
  EXPECT_EQ(cy.Form->GameMode, 0);
  EXPECT_EQ(host.Form->GameMode, 0);
}

TEST(Room, LaunchStartsTheMatchOnReadyMachinesOnlyWithTheFixedRules) {
  TRoomRig rig;
  TRoomGame& host = rig.AddGame("Ann", 1000);
  rig.Host(host, "4");
  TRoomGame& bob = rig.AddGame("Bob", 2000);
  rig.Join(bob);
  TRoomGame& cy = rig.AddGame("Cy", 3000);
  rig.Join(cy);
  for (TRoomGame* game : {&host, &cy}) {
    game->Form->GameSettings.PlatformDensity = 20;
    game->Form->GameSettings.Gravity = 0.5f;
  }
  rig.Act(host, K::Ready);
  rig.Act(cy, K::Ready);
  rig.Act(host, K::Launch);
  const Word seed = host.Form->LevelSeed;
  EXPECT_GE(seed, 1);
  EXPECT_LE(seed, 5000);
  // The master hears the count at launch.
  EXPECT_EQ(rig.MasterHeard(host, 3).back(), Encode(TLobbyGameStatus{.PlayerCount = 3, .Closed = 0}));
  for (TRoomGame* game : {&host, &cy}) {
    TGForm& form = *game->Form;
    SCOPED_TRACE(game->Me().Name);
    EXPECT_FALSE(game->Room().Visible);
    EXPECT_EQ(form.OnlineGame, 1);
    EXPECT_EQ(form.GameMode, 3);
    EXPECT_EQ(form.LevelSeed, seed);
    EXPECT_EQ(form.Player2, nullptr);
    ASSERT_EQ(form.Players.size(), 2u);
    EXPECT_EQ(form.Players[0]->Name, "Ann");
    EXPECT_EQ(form.Players[0]->NetIndex, 1);
    EXPECT_EQ(form.Players[1]->Name, "Cy");
    EXPECT_EQ(form.Players[1]->NetIndex, 3);
    EXPECT_EQ(form.Player1->Name, game->Me().Name);
    EXPECT_EQ(form.LastLevel.Seed, seed);
    EXPECT_EQ(form.GameSettings.PlatformDensity, 80);
    EXPECT_EQ(form.GameSettings.Gravity, 0.22f);
    EXPECT_EQ(form.GameSettings.RoundCount, 5);
    EXPECT_EQ(form.GameSettings.RoundDelay, 10);
    EXPECT_EQ(form.PowerupCountdown, 5);
  }
  // Both built the same level and placed the players alike.
  EXPECT_EQ(host.Form->LastLevel.Platforms, cy.Form->LastLevel.Platforms);
  EXPECT_EQ(host.Form->LastLevel.Ropes, cy.Form->LastLevel.Ropes);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(host.Form->Players[i]->X, cy.Form->Players[i]->X);
    EXPECT_EQ(host.Form->Players[i]->Y, cy.Form->Players[i]->Y);
    EXPECT_EQ(host.Form->Players[i]->ScaleX, cy.Form->Players[i]->ScaleX);
  }
  // Bob was not ready: he heard the seed, and stays in the room.
  EXPECT_TRUE(bob.Room().Visible);
  EXPECT_EQ(bob.Form->GameMode, 0);
  EXPECT_EQ(bob.Form->OnlineGame, 0);
  EXPECT_EQ(bob.Form->LevelSeed, seed);
  EXPECT_EQ(bob.Form->Players.size(), 2u);
  EXPECT_NE(bob.Form->Player2, nullptr);
}

// [SECTION] Leaving

TEST(Room, AClientLeavingIsToldToEveryoneAndTheMaster) {
  TRoomRig rig;
  TRoomGame& host = rig.AddGame("Ann");
  rig.Host(host);
  TRoomGame& bob = rig.AddGame("Bob");
  rig.Join(bob);
  TRoomGame& cy = rig.AddGame("Cy");
  rig.Join(cy);
  // The menu's "Online" while in a room brings the room back, not the lobby.
  bob.Room().Visible = false;
  bob.Form->ShowLobby();
  EXPECT_TRUE(bob.Room().Visible);
  EXPECT_FALSE(bob.Lobby().Visible);
  EXPECT_EQ(bob.Lobby().LClient.SocketState(), wsClosed);
  const size_t told = rig.Heard[host.MasterSocket].size();
  ApplyRoomAction(bob.Room(), {.Kind = K::Leave, .Text = {}});
  ASSERT_TRUE(rig.PumpUntil([&] { return host.Room().Players.size() == 2 && rig.Heard[host.MasterSocket].size() > told; }));
  EXPECT_EQ(rig.Heard[host.MasterSocket].back(), Encode(TLobbyGameStatus{.PlayerCount = 2, .Closed = 0}));
  EXPECT_EQ(host.Room().Players, (TLines{"Ann", "Cy"}));
  EXPECT_EQ(host.Room().Chat.Lines().back(), "Bob has left the game.");
  ASSERT_TRUE(rig.PumpUntil([&] { return cy.Room().Players.size() == 2; }));
  EXPECT_EQ(cy.Room().Chat.Lines().back(), "Bob has left the game.");
  EXPECT_FALSE(cy.Room().Seat(2)->InUse);
  // Bob is back in the lobby, connecting to the master again, with its buttons.
  EXPECT_FALSE(bob.Room().Visible);
  EXPECT_EQ(bob.Room().Role(), TGmForm::TRole::None);
  EXPECT_TRUE(bob.Lobby().Visible);
  EXPECT_TRUE(bob.Lobby().JoinEnabled && bob.Lobby().HostEnabled);
  ASSERT_TRUE(rig.PumpUntil([&] { return bob.Lobby().LClient.SocketState() == wsConnected; }));
  // A newcomer takes the first free seat.
  TRoomGame& dee = rig.AddGame("Dee");
  rig.Join(dee);
  EXPECT_EQ(dee.Me().NetIndex, 2);
  EXPECT_EQ(cy.Room().Players, (TLines{"Ann", "Dee", "Cy"}));
}

TEST(Room, TheHostLeavesWithoutStoppingTheProgramAndItsFarewellArrivesWhole) {
  TRoomRig rig;
  TRoomGame& host = rig.AddGame("Ann");
  rig.Host(host);
  TRoomGame& bob = rig.AddGame("Bob");
  rig.Join(bob);
  TRawGuest cy(rig, host.Room().UServ.LocalPort());
  cy.Say(SeatMessage(0, "Cy"));
  cy.Take();
  const size_t told = rig.Heard[host.MasterSocket].size();
  ApplyRoomAction(host.Room(), {.Kind = K::Leave, .Text = {}});
  EXPECT_FALSE(host.Room().IsHost());
  EXPECT_TRUE(host.Lobby().Visible);
  EXPECT_TRUE(host.Lobby().JoinEnabled && host.Lobby().HostEnabled);
  // The host's frames run on through its pause, its server still open.
  const Integer ticks = host.Form->TickCount;
  for (int frame = 0; frame < 29; ++frame) {
    host.Clock.Advance(host.Form->Timer.TicksPerFrame());
    host.Form->Timer.Tick();
    host.Online->Idle();
  }
  EXPECT_EQ(host.Form->TickCount, ticks + 29);
  EXPECT_EQ(host.Room().UServ.SocketState(), wsListening);
  ASSERT_TRUE(rig.PumpUntil([&] { return cy.Received.size() == 1 && !bob.Room().Visible; }));
  EXPECT_EQ(cy.Take(), std::vector<TBytes>{Encode(TRoomSeatFreed{.Seat = 1})});
  EXPECT_EQ(rig.HeardSince(host, told), std::vector<TBytes>{Encode(TLobbyGameClosed{.HostName = "Ann"})});
  host.Clock.Advance(host.Form->Timer.TicksPerFrame());
  host.Online->Idle();  // 500 ms are over
  EXPECT_EQ(host.Room().UServ.SocketState(), wsClosed);
  ASSERT_TRUE(rig.PumpUntil([&] { return cy.Closed; }));
  // Bob went back to the lobby by himself.
  EXPECT_TRUE(bob.Lobby().Visible);
  EXPECT_TRUE(bob.Lobby().JoinEnabled && bob.Lobby().HostEnabled);
  EXPECT_EQ(bob.Lobby().Chat.Lines().back(), "Left the game room: the host closed the game.");
}

}  // namespace
}  // namespace lr::testing
