// Faults of the connections under the lobby and the room, from the other end of each: a
// master server, a room host or a room guest that closes in the middle of a message, resets
// the connection (during a match where there is one), sends one byte at a time, or stops
// reading. Whatever the peer does, the game goes on, shows only what whole messages said, and
// a lobby that lost its master server connects again when it is reopened.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "online/RawPeer.h"
#include "online/RoomRig.h"

namespace lr::testing {
namespace {

using TLines = std::vector<std::string>;
using K = TRoomAction::TKind;

enum class TFault { CloseMidMessage, Reset, ByteByByte, NeverReads };
const char* Name(TFault fault) {
  constexpr const char* kNames[] = {"closes mid-message", "resets", "one byte at a time", "never reads"};
  return kNames[static_cast<int>(fault)];
}

TBytes Cat(std::initializer_list<TBytes> parts) {
  TBytes all;
  for (const TBytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}
// A room chat message, whatever its text.
const size_t kRoomChatBytes = Encode(TRoomChat{}).size();

TBytes Half(const TBytes& bytes) { return TBytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2)); }

// Frames of every game without waiting for the room's messages to balance (a raw peer does
// not count what it takes), then what they caused.
void PlainFrames(TRoomRig& rig, int n) {
  for (int i = 0; i < n; ++i) {
    for (auto& game : rig.Games) game->Clock.Advance(game->Form->Timer.TicksPerFrame());
    for (auto& game : rig.Games) {
      game->Online->Idle();
      game->Form->Timer1.Poll();
      rig.Net.Poll();
      game->Form->Timer.Tick();
      rig.Net.Poll();
    }
  }
}

// A game of the rig whose master server, or whose room host, is a raw peer on `port`.
TRoomGame& AddGameAt(TRoomRig& rig, const std::string& name, uint16_t masterPort, uint16_t roomPort) {
  rig.Games.push_back(std::make_unique<TRoomGame>(rig.Net, masterPort, std::to_string(roomPort), 0, name));
  return *rig.Games.back();
}

// [SECTION] A lobby and its master server

// What the master server says in one session: two players (one quietly), a chat line, the
// game list with two games, a ping, and one player leaving.
TBytes MasterSession() {
  return Cat({Encode(TLobbyPlayerOnline{.Quiet = 1, .PlayerName = "Ann"}),
              Encode(TLobbyPlayerOnline{.Quiet = 0, .PlayerName = "Cy"}), Encode(TLobbyChatLine{.Text = "Ann> hi all"}),
              Encode(TLobbyListCleared{}),
              Encode(TLobbyGameEntry{.GameId = 7, .GameName = "Lava Pit", .PlayerCount = 1, .MaxPlayers = 4, .Ping = 40}),
              Encode(TLobbyGameEntry{.GameId = 9, .GameName = "Moat", .PlayerCount = 3, .MaxPlayers = 8, .Ping = 5}),
              Encode(TLobbyPing{.Opaque = {1, 2, 3}}), Encode(TLobbyPlayerGone{.PlayerName = "Cy"})});
}

// The lobby of a game whose master server is a raw peer, logged in.
struct TLobbyAtRawMaster {
  explicit TLobbyAtRawMaster(TRoomRig& rig, int receiveBuffer = 0) : Rig(rig) {
    Master.ReceiveBuffer = receiveBuffer;
    Game = &AddGameAt(rig, "Bob", Master.Listen(), 0);
    Connect();
  }
  // The menu's online entry, and the login that follows.
  void Connect() {
    Game->Form->ShowLobby();
    EXPECT_TRUE(Rig.PumpUntil([&] { return Master.Accept(); }));
    TBytes login;
    EXPECT_TRUE(Rig.PumpUntil([&] {
      const TBytes more = Master.Read();
      login.insert(login.end(), more.begin(), more.end());
      return login.size() >= 18;
    }));
    EXPECT_EQ(login, Encode(TLobbyLogin{.PlayerName = "Bob"}));
    EXPECT_EQ(Lobby().Status, "Connected to master server!");
  }
  TLForm& Lobby() { return Game->Lobby(); }
  // Runs the lobby's paced game list to its end.
  void ShowAllGames() {
    const int64_t pause = TLForm::kGameEntryPauseMs * Game->Clock.Frequency() / 1000;
    for (int i = 0; i < 10 && Lobby().PendingGames() > 0; ++i) {
      Game->Clock.Advance(pause);
      Rig.Net.Poll();
      Game->Online->Idle();
    }
    Game->Clock.Advance(pause);
    Game->Online->Idle();
  }

  TRoomRig& Rig;
  TRawPeer Master;
  TRoomGame* Game = nullptr;
};

TEST(PeerFaults, ALobbyShowsTheSameWhetherItsMasterSendsWholeOrOneByteAtATime) {
  TRoomRig rig;
  TLobbyAtRawMaster whole(rig), bytewise(rig);
  const TBytes session = MasterSession();
  ASSERT_TRUE(whole.Master.Send(session));
  ASSERT_TRUE(bytewise.Master.SendByteByByte(session, [&] { rig.Net.Poll(); }));
  for (TLobbyAtRawMaster* side : {&whole, &bytewise}) {
    ASSERT_TRUE(rig.PumpUntil([&] { return side->Lobby().Online.size() == 1 && side->Lobby().Games.size() == 1; }));
    side->ShowAllGames();
    TLForm& lobby = side->Lobby();
    SCOPED_TRACE(side == &whole ? "whole" : "one byte at a time");
    EXPECT_EQ(lobby.Online, TLines{"Ann"});
    EXPECT_EQ(TLines(lobby.Chat.Lines().begin(), lobby.Chat.Lines().end()),
              (TLines{"Cy has joined the Lobby", "Ann> hi all", "Cy has left the Lobby"}));
    EXPECT_EQ(lobby.Grid, (std::vector<TLForm::TGridRow>{{"Lava Pit", "1 \\ 4", "40", "Open"}, {"Moat", "3 \\ 8", "5", "Open"}}));
    EXPECT_EQ(lobby.Status, "Received all games.");
    TBytes pong;
    ASSERT_TRUE(rig.PumpUntil([&] {
      const TBytes more = side->Master.Read();
      pong.insert(pong.end(), more.begin(), more.end());
      return pong.size() >= 4;
    }));
    EXPECT_EQ(pong, Encode(TLobbyPong{.Opaque = {1, 2, 3}}));
  }
}

TEST(PeerFaults, ALobbyWhoseMasterGoesAwaySaysSoKeepsNoHalfMessageAndConnectsAgainWhenReopened) {
  struct TCase {
    TFault Fault;
    const char* Status;  // what the lobby says
  };
  const TCase cases[] = {
      {TFault::CloseMidMessage, "Connection closed."},
      {TFault::Reset, "Connection closed."},
      {TFault::NeverReads, "Connection closed."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(Name(c.Fault));
    TRoomRig rig;
    // A master that stops reading holds little in its own buffer.
    TLobbyAtRawMaster side(rig, c.Fault == TFault::NeverReads ? 4096 : 0);
    TLForm& lobby = side.Lobby();
    const TBytes entry = Encode(TLobbyGameEntry{.GameId = 7, .GameName = "Lava Pit", .PlayerCount = 1, .MaxPlayers = 4});
    ASSERT_TRUE(side.Master.Send(Cat({Encode(TLobbyPlayerOnline{.Quiet = 1, .PlayerName = "Ann"}), Half(entry)})));
    ASSERT_TRUE(rig.PumpUntil([&] { return lobby.Online.size() == 1; }));
    if (c.Fault == TFault::CloseMidMessage) side.Master.Close();
    if (c.Fault == TFault::Reset) side.Master.Reset();
    if (c.Fault == TFault::NeverReads) {
      // Pings, the lobby answering every one, and the master reading none of the answers
      // (the half message before them makes them all one long message to the lobby's
      // framer, so the second half first).
      side.Master.Send(TBytes(entry.begin() + static_cast<std::ptrdiff_t>(entry.size() / 2), entry.end()));
      ShrinkSendBuffer(lobby.LClient.SocketHandle());
      const TBytes pings = [] {
        TBytes all;
        for (int i = 0; i < 1024; ++i) {
          const TBytes ping = Encode(TLobbyPing{.Opaque = {uint8_t(i), 0, 0}});
          all.insert(all.end(), ping.begin(), ping.end());
        }
        return all;
      }();
      for (int round = 0; round < 20000 && lobby.LClient.SocketState() == wsConnected; ++round) {
        side.Master.SendSome(pings);
        rig.Net.Poll();
      }
    }
    ASSERT_TRUE(rig.PumpUntil([&] { return lobby.LClient.SocketState() == wsClosed; }));
    rig.PumpUntil([] { return false; }, 20);
    side.ShowAllGames();
    EXPECT_EQ(lobby.Status, c.Status);
    EXPECT_FALSE(lobby.JoinEnabled || lobby.HostEnabled || lobby.RefreshEnabled);
    EXPECT_TRUE(lobby.Visible);
    if (c.Fault == TFault::NeverReads) {
      EXPECT_EQ(lobby.Games.size(), 1u);
    } else {
      // The half game entry never shows.
      EXPECT_TRUE(lobby.Games.empty());
      EXPECT_EQ(lobby.Grid, std::vector<TLForm::TGridRow>(1));
    }
    // The menu's online entry while the lobby is shown only brings it forward; "Exit" and the
    // entry again connect anew.
    side.Game->Form->ShowLobby();
    EXPECT_EQ(lobby.LClient.SocketState(), wsClosed);
    ApplyLobbyAction(lobby, {.Kind = TLobbyAction::TKind::Exit, .Text = {}, .Players = {}, .Row = 0});
    side.Master.Close();
    side.Connect();
    EXPECT_TRUE(lobby.HostEnabled);
    EXPECT_TRUE(lobby.Online.empty());
  }
}

// [SECTION] A room guest and its host

// Bob joins a room whose host is a raw peer; the host welcomes him as the host of a room with
// Ann (ready) in seat 1 would.
struct TGuestAtRawHost {
  explicit TGuestAtRawHost(TRoomRig& rig, int receiveBuffer = 0) : Rig(rig) {
    Host.ReceiveBuffer = receiveBuffer;
    const uint16_t port = Host.Listen();
    Bob = &AddGameAt(rig, "Bob", rig.Master.LocalPort(), port);
    rig.Join(*Bob, 4, false);
    EXPECT_TRUE(rig.PumpUntil([&] { return Host.Accept(); }));
    EXPECT_TRUE(rig.PumpUntil([&] { return Take(22); }));
    EXPECT_EQ(Taken, Encode(TRoomSeat{.Seat = 0, .PlayerName = "Bob", .Red = 200, .Green = 50, .Blue = 50, .Ready = 0}));
    Taken.clear();
  }
  bool Take(size_t count) {
    const TBytes more = Host.Read();
    Taken.insert(Taken.end(), more.begin(), more.end());
    return Taken.size() >= count;
  }
  TGmForm& Room() { return Bob->Room(); }

  TRoomRig& Rig;
  TRawPeer Host;
  TRoomGame* Bob = nullptr;
  TBytes Taken;
};

TBytes Welcome() {
  return Cat({Encode(TRoomSeat{.Seat = 2, .PlayerName = "Bob"}), Encode(TRoomSeat{.Seat = 1, .PlayerName = "Ann", .Ready = 1}),
              Encode(TRoomSeat{.Seat = 2, .PlayerName = "Bob"}), Encode(TRoomChat{.Text = "Ann> welcome"}),
              Encode(TRoomSeat{.Seat = 3, .PlayerName = "Cy"}), Encode(TRoomReady{.Seat = 2}),
              Encode(TRoomSeatFreed{.Seat = 3})});
}

TEST(PeerFaults, AGuestTakesItsHostsMessagesOneByteAtATimeAsWhole) {
  TRoomRig rig;
  TGuestAtRawHost whole(rig), bytewise(rig);
  ASSERT_TRUE(whole.Host.Send(Welcome()));
  ASSERT_TRUE(bytewise.Host.SendByteByByte(Welcome(), [&] { rig.Net.Poll(); }));
  for (TGuestAtRawHost* side : {&whole, &bytewise}) {
    SCOPED_TRACE(side == &whole ? "whole" : "one byte at a time");
    ASSERT_TRUE(rig.PumpUntil([&] { return side->Room().Players.size() == 2 && side->Room().Chat.Added() == 3; }));
    EXPECT_EQ(side->Room().Players, (TLines{"* Ann", "* Bob"}));
    EXPECT_EQ(side->Room().Chat.Lines().back(), "Cy has left the game.");
    EXPECT_EQ(side->Bob->Me().NetIndex, 2);
    EXPECT_TRUE(side->Room().Seated());
  }
}

TEST(PeerFaults, AGuestWhoseHostFailsLeavesTheRoomByItselfAndItsMatchPlaysOn) {
  struct TCase {
    TFault Fault;
    bool InMatch;
    const char* Line;  // the guest's lobby says
  };
  const TCase cases[] = {
      {TFault::CloseMidMessage, false, "Left the game room: the host closed the connection."},
      {TFault::CloseMidMessage, true, "Left the game room: the host closed the connection."},
      {TFault::Reset, true, "Left the game room: the host closed the connection."},
      {TFault::NeverReads, false, "Left the game room: Error: No buffer space available"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(Name(c.Fault)) + (c.InMatch ? " in a match" : ""));
    TRoomRig rig;
    TGuestAtRawHost side(rig, c.Fault == TFault::NeverReads ? 4096 : 0);
    TRoomGame& bob = *side.Bob;
    ASSERT_TRUE(side.Host.Send(Welcome()));
    ASSERT_TRUE(rig.PumpUntil([&] { return side.Room().Players == TLines{"* Ann", "* Bob"}; }));
    if (c.InMatch) {
      ASSERT_TRUE(side.Host.Send(Encode(TRoomLaunch{.LevelSeed = 77})));
      ASSERT_TRUE(rig.PumpUntil([&] { return bob.Form->OnlineGame == 1; }));
      PlainFrames(rig, 200);
      ASSERT_EQ(bob.Form->GameMode, 1);
    }
    const TBytes action = Encode(TAction{.Seat = 1, .Code = naWalkLeft, .X = 5, .Y = 5});
    if (c.Fault == TFault::CloseMidMessage) {
      ASSERT_TRUE(side.Host.Send(Half(action)));
      rig.PumpUntil([] { return false; }, 5);
      side.Host.Close();
    }
    if (c.Fault == TFault::Reset) side.Host.Reset();
    // A host that stops reading while its guest talks.
    if (c.Fault == TFault::NeverReads) ShrinkSendBuffer(side.Room().UClient.SocketHandle());
    size_t said = 0;
    for (; c.Fault == TFault::NeverReads && said < 20000 && side.Room().Role() == TGmForm::TRole::Client; ++said) {
      ApplyRoomAction(side.Room(), {.Kind = K::Chat, .Text = "a line that is long enough to fill a queue " + std::to_string(said)});
      rig.Net.Poll();
    }
    if (c.Fault == TFault::NeverReads) {
      EXPECT_GE(said * kRoomChatBytes, kSendQueueLimit);
      EXPECT_LE(said * kRoomChatBytes, kSendQueueLimit + 64 * 1024);
    }
    ASSERT_TRUE(rig.PumpUntil([&] { return side.Room().Role() == TGmForm::TRole::None; }));
    EXPECT_FALSE(side.Room().Visible);
    EXPECT_TRUE(bob.Lobby().Visible);
    EXPECT_EQ(bob.Lobby().Chat.Lines().back(), c.Line);
    EXPECT_TRUE(side.Room().Players.empty());
    // Back in the lobby it has a master server again.
    ASSERT_TRUE(rig.PumpUntil([&] { return bob.Lobby().HostEnabled; }));
    if (c.InMatch) {
      PlainFrames(rig, 5);
      EXPECT_EQ(bob.Form->GameMode, 1);
      ASSERT_EQ(bob.Form->Players.size(), 2u);
      // The half action never moved Ann.
      EXPECT_EQ(bob.Form->Players[0]->Name, "Ann");
      EXPECT_NE(bob.Form->Players[0]->X, 5);
      EXPECT_FALSE(bob.Form->Players[0]->KeyLeft);
    }
  }
}

// [SECTION] A room host and a guest of its

TEST(PeerFaults, AHostFreesTheSeatOfAGuestThatFailsAndTellsEveryoneWhatWholeMessagesSaid) {
  struct TCase {
    TFault Fault;
    bool InMatch;
    TLines Players;  // on the host and at Bob's afterwards
  };
  const TCase cases[] = {
      {TFault::ByteByByte, false, {"Ann", "Bob", "* Eve"}},
      {TFault::CloseMidMessage, false, {"Ann", "Bob"}},
      {TFault::Reset, true, {"* Ann", "* Bob"}},
      {TFault::NeverReads, false, {"Ann", "Bob"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(Name(c.Fault)) + (c.InMatch ? " in a match" : ""));
    TRoomRig rig;
    TRoomGame& host = rig.AddGame("Ann", 100);
    rig.Host(host);
    TRoomGame& bob = rig.AddGame("Bob", 200);
    rig.Join(bob);
    TRawPeer eve;
    eve.ReceiveBuffer = c.Fault == TFault::NeverReads ? 4096 : 0;
    ASSERT_TRUE(eve.Connect(host.Room().UServ.LocalPort()));
    const TBytes arrives = Encode(TRoomSeat{.Seat = 0, .PlayerName = "Eve"});
    const TBytes talk = Cat({Encode(TRoomReady{.Seat = 3}), Encode(TRoomChat{.Text = "Eve> hello"})});
    const size_t told = rig.Heard[host.MasterSocket].size();
    if (c.Fault == TFault::ByteByByte) {
      ASSERT_TRUE(eve.SendByteByByte(Cat({arrives, talk}), [&] { rig.Net.Poll(); }));
      ASSERT_TRUE(rig.PumpUntil([&] { return bob.Room().Chat.Lines().back() == "Eve> hello"; }));
    } else {
      ASSERT_TRUE(eve.Send(arrives));
      ASSERT_TRUE(rig.PumpUntil([&] { return bob.Room().Players.size() == 3; }));
    }
    if (c.InMatch) {
      ASSERT_TRUE(eve.Send(Encode(TRoomReady{.Seat = 3})));
      ApplyRoomAction(bob.Room(), {.Kind = K::Ready, .Text = {}});
      ApplyRoomAction(host.Room(), {.Kind = K::Ready, .Text = {}});
      ASSERT_TRUE(rig.PumpUntil([&] { return bob.Room().Players == TLines{"* Ann", "* Bob", "* Eve"}; }));
      ApplyRoomAction(host.Room(), {.Kind = K::Launch, .Text = {}});
      ASSERT_TRUE(rig.PumpUntil([&] { return bob.Form->OnlineGame == 1; }));
      PlainFrames(rig, 200);
      ASSERT_EQ(host.Form->GameMode, 1);
    }
    if (c.Fault == TFault::CloseMidMessage) {
      ASSERT_TRUE(eve.Send(Half(Encode(TRoomChat{.Text = "Eve> never whole"}))));
      rig.PumpUntil([] { return false; }, 5);
      eve.Close();
    }
    if (c.Fault == TFault::Reset) eve.Reset();
    // The host and Bob chat on while Eve reads nothing: the host lets her go at its bound,
    // and Bob hears every line.
    uint64_t said = 0;
    if (c.Fault == TFault::NeverReads) ShrinkSendBuffer(host.Room().Seat(3)->Socket);
    const uint64_t bobHeard = bob.Room().Chat.Added();
    for (; c.Fault == TFault::NeverReads && said < 20000 && host.Room().Seat(3)->InUse; ++said) {
      ApplyRoomAction(host.Room(), {.Kind = K::Chat, .Text = "a line that is long enough to fill a queue " + std::to_string(said)});
      rig.Net.Poll();
    }
    if (c.Fault != TFault::ByteByByte) {
      ASSERT_TRUE(rig.PumpUntil([&] { return bob.Room().Players.size() == 2; }));
      EXPECT_EQ(rig.HeardSince(host, told).back(), Encode(TLobbyGameStatus{.PlayerCount = 2, .Closed = 0}));
    }
    rig.PumpUntil([] { return false; }, 20);
    for (TRoomGame* game : {&host, &bob}) {
      SCOPED_TRACE(game->Me().Name);
      EXPECT_EQ(game->Room().Players, c.Players);
      const auto& lines = game->Room().Chat.Lines();
      EXPECT_EQ(std::count(lines.begin(), lines.end(), "Eve> never whole"), 0);
      if (c.Fault == TFault::ByteByByte) {
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "Eve> hello"), 1);
      } else {
        EXPECT_EQ(lines.back(), "Eve has left the game.");
      }
    }
    if (c.Fault == TFault::NeverReads) {
      // Let go at the bound of its queue, with the system's small share besides.
      EXPECT_GE(said * kRoomChatBytes, kSendQueueLimit);
      EXPECT_LE(said * kRoomChatBytes, kSendQueueLimit + 64 * 1024);
      EXPECT_EQ(bob.Room().Chat.Added(), bobHeard + said + 1);  // every line, and Eve leaving
    }
    if (c.InMatch) {
      PlainFrames(rig, 5);
      for (TRoomGame* game : {&host, &bob}) {
        EXPECT_EQ(game->Form->GameMode, 1);
        ASSERT_EQ(game->Form->Players.size(), 3u);
        EXPECT_EQ(game->Form->Players[2]->Name, "Eve");
      }
    }
  }
}

}  // namespace
}  // namespace lr::testing
