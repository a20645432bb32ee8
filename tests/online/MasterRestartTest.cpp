// Our master server goes away and comes back on the same port while one game hosts a room,
// another plays in it and a third waits in the lobby: the lobbies say the connection closed,
// the match goes on, the waiting lobby connects again when it is reopened, and the room's
// players find the new master when they go back to the lobby.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "master/MasterServer.h"
#include "online/RoomRig.h"

namespace lr::testing {
namespace {

using TLines = std::vector<std::string>;
using K = TRoomAction::TKind;
using L = TLobbyAction::TKind;

class MasterRestart : public ::testing::Test {
 protected:
  void StartMaster(uint16_t port) {
    TMasterOptions options;
    options.BindAddress = "127.0.0.1";
    options.Port = port;
    Master = std::make_unique<TMasterServer>(MasterNet, options);
    std::string error;
    ASSERT_TRUE(Master->Start(error)) << error;
  }
  TRoomGame& Add(const std::string& name, uint16_t roomPort, uint32_t timeOfDay) {
    rig.Games.push_back(std::make_unique<TRoomGame>(rig.Net, Port, std::to_string(roomPort), timeOfDay, name));
    return *rig.Games.back();
  }
  // The games' sockets, the master's, and the lobbies' timed steps, until `done`.
  bool Pump(const std::function<bool()>& done, int rounds = 3000) {
    for (int i = 0; i < rounds && !done(); ++i) {
      rig.Net.Wait(1);
      if (Master) Master->Step(0);
      for (auto& game : rig.Games) game->Online->Idle();
    }
    return done();
  }
  // Frames of every game, the master serving in between.
  void Frames(int n) {
    for (int i = 0; i < n; ++i) {
      for (auto& game : rig.Games) game->Clock.Advance(game->Form->Timer.TicksPerFrame());
      for (auto& game : rig.Games) {
        game->Online->Idle();
        game->Form->Timer1.Poll();
        game->Form->Timer.Tick();
        rig.Net.Poll();
        if (Master) Master->Step(0);
      }
    }
  }
  void OpenLobby(TRoomGame& game) {
    game.Form->ShowLobby();
    ASSERT_TRUE(Pump([&] { return game.Lobby().HostEnabled; })) << game.Lobby().Status;
  }

  TNetService MasterNet;
  std::unique_ptr<TMasterServer> Master;
  uint16_t Port = 0;
  TRoomRig rig;
};

TEST_F(MasterRestart, LobbiesSayItMatchesGoOnAndEveryoneFindsTheNewMaster) {
  StartMaster(0);
  Port = Master->Port();
  TRoomGame& ann = Add("Ann", 0, 100);
  OpenLobby(ann);
  ApplyLobbyAction(ann.Lobby(), {.Kind = L::Host, .Text = "Restart Game", .Players = "4"});
  ASSERT_TRUE(ann.Room().IsHost());
  TRoomGame& bob = Add("Bob", ann.Room().UServ.LocalPort(), 200);
  OpenLobby(bob);
  ASSERT_TRUE(Pump([&] { return bob.Lobby().Games.size() == 1; }));
  ApplyLobbyAction(bob.Lobby(), {.Kind = L::Join, .Text = {}, .Players = {}, .Row = 1});
  ASSERT_TRUE(Pump([&] { return bob.Room().Seated() && ann.Room().Players.size() == 2; }));
  TRoomGame& cy = Add("Cy", 0, 300);
  OpenLobby(cy);
  ASSERT_TRUE(Pump([&] { return cy.Lobby().Online.size() == 2 && cy.Lobby().Games.size() == 1; }));
  // The master hears the room's count at the launch and when a player leaves it.
  EXPECT_EQ(cy.Lobby().Grid[0][1], "1 \\ 4");
  // Ann and Bob play.
  ApplyRoomAction(ann.Room(), {.Kind = K::Ready, .Text = {}});
  ApplyRoomAction(bob.Room(), {.Kind = K::Ready, .Text = {}});
  ASSERT_TRUE(Pump([&] { return ann.Room().Players == TLines{"* Ann", "* Bob"}; }));
  ApplyRoomAction(ann.Room(), {.Kind = K::Launch, .Text = {}});
  ASSERT_TRUE(Pump([&] { return bob.Form->OnlineGame == 1; }));
  Frames(200);
  ASSERT_EQ(ann.Form->GameMode, 1);
  ASSERT_EQ(bob.Form->GameMode, 1);

  // The master goes away.
  Master.reset();
  ASSERT_TRUE(Pump([&] { return ann.Lobby().LClient.SocketState() == wsClosed && cy.Lobby().LClient.SocketState() == wsClosed; }));
  for (TRoomGame* game : {&ann, &cy}) {
    EXPECT_EQ(game->Lobby().Status, "Connection closed.");
    EXPECT_FALSE(game->Lobby().JoinEnabled || game->Lobby().HostEnabled || game->Lobby().RefreshEnabled);
  }
  // The match goes on, its actions still passing through the room: Bob walks right.
  const Single bobX = ann.Room().Seat(2)->Player->X;
  bob.Key("Right", true);
  Frames(30);
  bob.Key("Right", false);
  Frames(30);
  EXPECT_EQ(ann.Form->GameMode, 1);
  EXPECT_EQ(bob.Form->GameMode, 1);
  EXPECT_GT(ann.Room().Seat(2)->Player->X, bobX);
  EXPECT_EQ(ann.Room().Players, (TLines{"* Ann", "* Bob"}));
  EXPECT_EQ(bob.Room().Players, (TLines{"* Ann", "* Bob"}));

  // Back on the same port. Cy's lobby, still shown, connects again when reopened.
  StartMaster(Port);
  Pump([] { return false; }, 20);
  EXPECT_EQ(cy.Lobby().LClient.SocketState(), wsClosed);
  ApplyLobbyAction(cy.Lobby(), {.Kind = L::Exit, .Text = {}, .Players = {}, .Row = 0});
  OpenLobby(cy);
  EXPECT_EQ(cy.Lobby().Status, "Connected to master server!");
  ASSERT_TRUE(Pump([&] { return !cy.Lobby().Online.empty(); }));
  EXPECT_EQ(cy.Lobby().Online, TLines{"Cy"});
  EXPECT_TRUE(cy.Lobby().Games.empty());
  // The players of the room find it when their match ends and they leave the room.
  for (TRoomGame* game : {&bob, &ann}) {
    game->Form->FormKeyDown(27);
    Pump([] { return false; }, 20);
    ASSERT_TRUE(game->Room().Visible) << game->Me().Name;
    ApplyRoomAction(game->Room(), {.Kind = K::Leave, .Text = {}});
    // Nothing that needs the master can be clicked before the lobby is connected again.
    EXPECT_EQ(game->Lobby().LClient.SocketState(), wsConnecting);
    EXPECT_FALSE(game->Lobby().JoinEnabled || game->Lobby().HostEnabled);
    ASSERT_TRUE(Pump([&] { return game->Lobby().HostEnabled; })) << game->Lobby().Status;
    EXPECT_TRUE(game->Lobby().Visible);
    EXPECT_EQ(game->Lobby().Status, "Connected to master server!");
  }
  ASSERT_TRUE(Pump([&] { return cy.Lobby().Online.size() == 3; }));
  EXPECT_EQ(cy.Lobby().Online, (TLines{"Cy", "Bob", "Ann"}));
  EXPECT_EQ(Master->Stats().Players, 3u);
  EXPECT_EQ(Master->Stats().Games, 0u);
}

}  // namespace
}  // namespace lr::testing
