// The lobby's model against a scripted master server on loopback: the login, the players
// online and the chat, the paced game list, split and unknown messages, hosting, joining, and
// a connection refused or closed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "online/LobbyRig.h"

namespace lr::testing {
namespace {

using TLines = std::vector<std::string>;

TLines ChatOf(const TMemo& memo) { return {memo.Lines().begin(), memo.Lines().end()}; }

TLobbyGameEntry Entry(uint16_t id, const std::string& name, uint8_t players, uint8_t most, uint16_t ping) {
  return {.GameId = id, .GameName = name, .PlayerCount = players, .MaxPlayers = most, .Ping = ping};
}

// [SECTION] Connecting

TEST(Lobby, ConnectsFromTheMenuLogsInWithItsNameAndEnablesItsButtons) {
  TLobbyRig rig;
  TLForm& lobby = rig.Lobby();
  EXPECT_FALSE(lobby.JoinEnabled || lobby.HostEnabled || lobby.RefreshEnabled);
  rig.Form->ShowLobby();
  EXPECT_TRUE(lobby.Visible);
  EXPECT_EQ(lobby.Status, "Connecting..");
  EXPECT_EQ(lobby.LClient.SocketState(), wsConnecting);
  // The title screen runs on while the lobby waits for its connection, and leaves it alone.
  for (int frame = 0; frame < 5; ++frame) {
    rig.Clock.Advance(rig.Form->Timer.TicksPerFrame());
    rig.Form->Timer.Tick();
  }
  EXPECT_EQ(lobby.LClient.SocketState(), wsConnecting);
  ASSERT_TRUE(rig.PumpUntil([&] { return !rig.Received.empty(); }));
  EXPECT_EQ(lobby.LClient.SocketState(), wsConnected);
  EXPECT_EQ(lobby.Status, "Connected to master server!");
  const TBytes login = {1, 0,  // login, unused
                        7, 'R', 'e', 'd', ' ', 'M', 'a', 'n', 0, 0, 0, 0, 0, 0, 0, 0};  // name, 15
  EXPECT_EQ(rig.Heard(), std::vector<TBytes>{login});
  EXPECT_TRUE(lobby.JoinEnabled && lobby.HostEnabled && lobby.RefreshEnabled);
  // Coming back to the window does not pretend to connect again.
  lobby.FormActivate();
  EXPECT_EQ(lobby.Status, "Connected to master server!");
  // Clicking "Online" again only brings the window forward: no second connection.
  rig.Form->ShowLobby();
  EXPECT_EQ(lobby.LClient.SocketState(), wsConnected);
  EXPECT_EQ(rig.Master.Clients().Count(), 1);
}

TEST(Lobby, ARefusedConnectionLeavesTheErrorAndExitCloses) {
  TLobbyRig rig;
  rig.Master.Close();  // nobody listens at the master's port now
  rig.Form->ShowLobby();
  ASSERT_TRUE(rig.PumpUntil([&] { return rig.Lobby().Status != "Connecting.."; }));
  EXPECT_EQ(rig.Lobby().Status, "Error: Connection refused");
  // The attempt is over: the client is closed, and a click on the window keeps the error.
  EXPECT_EQ(rig.Lobby().LClient.SocketState(), wsClosed);
  rig.Lobby().FormActivate();
  EXPECT_EQ(rig.Lobby().Status, "Error: Connection refused");
  EXPECT_FALSE(rig.Lobby().JoinEnabled || rig.Lobby().HostEnabled || rig.Lobby().RefreshEnabled);
  rig.Lobby().Button4Click();
  EXPECT_FALSE(rig.Lobby().Visible);
}

TEST(Lobby, TheMasterClosingOrExitDisablesTheButtons) {
  {
    TLobbyRig rig;
    rig.OpenAndLogIn();
    rig.Master.Disconnect(rig.Socket);
    ASSERT_TRUE(rig.PumpUntil([&] { return rig.Lobby().Status == "Connection closed."; }));
    EXPECT_EQ(rig.Lobby().LClient.SocketState(), wsClosed);
    EXPECT_FALSE(rig.Lobby().JoinEnabled || rig.Lobby().HostEnabled || rig.Lobby().RefreshEnabled);
    EXPECT_TRUE(rig.Lobby().Visible);
  }
  TLobbyRig rig;
  rig.OpenAndLogIn();
  rig.Lobby().Button4Click();
  EXPECT_FALSE(rig.Lobby().Visible);
  EXPECT_EQ(rig.Lobby().LClient.SocketState(), wsClosed);
  EXPECT_FALSE(rig.Lobby().JoinEnabled || rig.Lobby().HostEnabled || rig.Lobby().RefreshEnabled);
  ASSERT_TRUE(rig.PumpUntil([&] { return rig.Socket < 0; }));
  // Shown again, it connects afresh with everything emptied.
  rig.Lobby().Chat.Add("old line");
  rig.OpenAndLogIn();
  EXPECT_TRUE(rig.Lobby().Chat.Lines().empty());
}

// [SECTION] Players online and chat

TEST(Lobby, PlayersComeAndGoInTheListAndTheChat) {
  TLobbyRig rig;
  rig.OpenAndLogIn();
  struct TStep {
    TBytes Message;
    TLines Online;     // the list afterwards
    TLines ChatAdded;  // lines the message added
  };
  auto online = [](uint8_t code, uint8_t quiet, const std::string& name) {
    return Encode(TLobbyPlayerOnline{.WireCode = code, .Quiet = quiet, .PlayerName = name});
  };
  auto gone = [](uint8_t code, const std::string& name) {
    return Encode(TLobbyPlayerGone{.WireCode = code, .PlayerName = name});
  };
  const TStep steps[] = {
      {online(1, 1, "Ann"), {"Ann"}, {}},                                  // quiet: listed only
      {online(9, 0, "Bob"), {"Ann", "Bob"}, {"Bob has joined the Lobby"}},  // loud
      {online(1, 2, "Cy"), {"Ann", "Bob", "Cy"}, {"Cy has joined the Lobby"}},  // only 1 is quiet
      {online(1, 0, "Ann"), {"Ann", "Bob", "Cy"}, {}},                      // listed already
      {gone(2, "Bob"), {"Ann", "Cy"}, {"Bob has left the Lobby"}},
      {gone(8, "Nobody"), {"Ann", "Cy"}, {"Nobody has left the Lobby"}},   // unknown: line only
      {Encode(TLobbyChatLine{.Text = "Ann> hi"}), {"Ann", "Cy"}, {"Ann> hi"}},
  };
  for (const TStep& step : steps) {
    const size_t before = rig.Lobby().Chat.Lines().size();
    rig.Say(step.Message);
    EXPECT_EQ(rig.Lobby().Online, step.Online) << step.Message[0];
    const TLines chat = ChatOf(rig.Lobby().Chat);
    EXPECT_EQ(TLines(chat.begin() + static_cast<std::ptrdiff_t>(before), chat.end()), step.ChatAdded)
        << step.Message[0];
  }
}

TEST(Lobby, EnterSendsAChatLineOfTwoCharactersOrMoreCutTo255) {
  TLobbyRig rig;
  rig.OpenAndLogIn();
  TLForm& lobby = rig.Lobby();
  struct TCase {
    std::string Input;
    std::string Sent;  // empty: nothing is sent and the input stays
  };
  const TCase cases[] = {
      {"a", ""},
      {"ab", "Red Man> ab"},
      {std::string(300, 'x'), ("Red Man> " + std::string(300, 'x')).substr(0, 255)},
  };
  for (const TCase& c : cases) {
    lobby.Input = c.Input;
    lobby.InputKeyDown(TLForm::kVirtualKeyReturn - 1);  // another key does nothing
    EXPECT_EQ(lobby.Input, c.Input);
    lobby.InputKeyDown(TLForm::kVirtualKeyReturn);
    const std::vector<TBytes> heard = rig.Heard();
    if (c.Sent.empty()) {
      EXPECT_TRUE(heard.empty()) << c.Input;
      EXPECT_EQ(lobby.Input, c.Input);
      continue;
    }
    ASSERT_EQ(heard.size(), 1u) << c.Input;
    EXPECT_EQ(heard[0], Concat({{3, 0}, ShortString(c.Sent, 255)}));
    EXPECT_TRUE(lobby.Input.empty());
  }
}

// [SECTION] Reading the stream

TEST(Lobby, AMessageSplitAcrossReadsWaitsForItsRestAndNothingReadIsLost) {
  TLobbyRig rig;
  rig.OpenAndLogIn();
  const TBytes first = Encode(TLobbyChatLine{.Text = std::string(200, 'a')});
  const TBytes second = Encode(TLobbyChatLine{.Text = "second"});
  const TBytes third = Encode(TLobbyPlayerOnline{.Quiet = 0, .PlayerName = "Dee"});
  // The first line in two pieces; then the rest with four whole lines (longer than one read)
  // and the start of a login notice; then the notice's end.
  const TBytes all = Concat({first, second, second, second, second, third});
  struct TPiece {
    size_t To;
    size_t Lines;  // in the chat once the piece has been read
  };
  const TPiece pieces[] = {{100, 0}, {first.size() + second.size() * 4 + 5, 5}, {all.size(), 6}};
  size_t from = 0;
  for (const TPiece& piece : pieces) {
    const uint64_t before = rig.Lobby().Revision;
    rig.Send(TBytes(all.begin() + static_cast<std::ptrdiff_t>(from), all.begin() + static_cast<std::ptrdiff_t>(piece.To)));
    ASSERT_TRUE(rig.PumpUntil([&] { return rig.Lobby().Revision != before && rig.Lobby().Chat.Lines().size() == piece.Lines; }));
    from = piece.To;
  }
  rig.Say({});
  const TLines chat = ChatOf(rig.Lobby().Chat);
  ASSERT_EQ(chat.size(), 6u);
  EXPECT_EQ(chat.front(), std::string(200, 'a'));
  EXPECT_EQ(chat[4], "second");
  EXPECT_EQ(chat.back(), "Dee has joined the Lobby");
}

TEST(Lobby, AnUnknownCodeDiscardsTheRestOfTheReadAndPingsAreAnswered) {
  TLobbyRig rig;
  rig.OpenAndLogIn();
  // All in one read: what follows the unknown code goes with it. (A ping behind it would go
  // too, so this waits for the read itself.)
  const uint64_t before = rig.Lobby().Revision;
  rig.Send(Concat({Encode(TLobbyChatLine{.Text = "kept"}), {0xEE, 3, 0, 1},
                   Encode(TLobbyPlayerOnline{.Quiet = 0, .PlayerName = "Lost"})}));
  ASSERT_TRUE(rig.PumpUntil([&] { return rig.Lobby().Revision != before; }));
  rig.Say(Encode(TLobbyChatLine{.Text = "next read"}));
  EXPECT_EQ(ChatOf(rig.Lobby().Chat), (TLines{"kept", "next read"}));
  EXPECT_TRUE(rig.Lobby().Online.empty());
  rig.Say(TBytes{12, 0xA1, 0xB2, 0xC3});
  EXPECT_EQ(rig.Heard(), (std::vector<TBytes>{TBytes{12, 0xA1, 0xB2, 0xC3}}));
  EXPECT_EQ(rig.Lobby().LClient.SocketState(), wsConnected);
}

// [SECTION] The game list

TEST(Lobby, GameEntriesAppearOneBy750MsWithoutStoppingAndTheListEmpties) {
  TLobbyRig rig;
  rig.OpenAndLogIn();
  TLForm& lobby = rig.Lobby();
  EXPECT_EQ(lobby.Grid, std::vector<TLForm::TGridRow>{TLForm::TGridRow{}});
  lobby.Button3Click();
  EXPECT_EQ(rig.Heard(), std::vector<TBytes>{TBytes{10}});
  // The list and three entries in one read: the first shows at once, each next one and the
  // status once the one before has been on show for 750 ms. The program never waits.
  rig.Say(Concat({Encode(TLobbyListCleared{}), Encode(Entry(7, "Alpha", 1, 4, 35)),
                  Encode(Entry(9, "", 2, 8, 120)), Encode(Entry(300, "Gamma", 8, 8, 65535))}));
  EXPECT_EQ(lobby.Status, "Refreshing game list..");
  EXPECT_EQ(lobby.Games.size(), 1u);
  EXPECT_EQ(lobby.PendingGames(), 2u);
  struct TMoment {
    int64_t Ms;  // since the last step
    size_t Rows;
    const char* Status;
  };
  const TMoment moments[] = {{749, 1, "Refreshing game list.."}, {1, 2, "Received all games."},
                             {749, 2, "Received all games."},    {1, 3, "Received all games."}};
  for (const TMoment& m : moments) {
    rig.AdvanceMs(m.Ms);
    EXPECT_EQ(lobby.Games.size(), m.Rows);
    EXPECT_EQ(lobby.Status, m.Status);
  }
  // A game with an empty name keeps its own row.
  const std::vector<TLForm::TGridRow> shown = {{"Alpha", "1 \\ 4", "35", "Open"},
                                               {"", "2 \\ 8", "120", "Open"},
                                               {"Gamma", "8 \\ 8", "65535", "Open"}};
  EXPECT_EQ(lobby.Grid, shown);
  EXPECT_EQ(lobby.Games[2].GameId, 300);
  // The status after the last entry comes once its pause is over too.
  lobby.Status = "";
  rig.AdvanceMs(750);
  EXPECT_EQ(lobby.Status, "Received all games.");
  // A new list empties the grid to one blank row, entries still waiting included.
  rig.Say(Concat({Encode(Entry(1, "Old", 1, 2, 0)), Encode(Entry(2, "Older", 1, 2, 0))}));
  rig.Say(TLobbyListCleared{});
  EXPECT_EQ(lobby.Grid, std::vector<TLForm::TGridRow>{TLForm::TGridRow{}});
  EXPECT_TRUE(lobby.Games.empty());
  EXPECT_EQ(lobby.PendingGames(), 0u);
  EXPECT_EQ(lobby.Status, "Refreshing game list..");
}

// [SECTION] Hosting and joining

TEST(Lobby, HostingAsksTwiceThenTellsTheMasterAndPreparesTheRoom) {
  TLobbyRig rig;
  rig.OpenAndLogIn();
  TLForm& lobby = rig.Lobby();
  struct TCase {
    const char* Name;     // nullptr: cancelled
    const char* Players;  // nullptr: cancelled
    std::string GameName;
    int Sent;  // players sent; 0 when the answer is not a number
  };
  const TCase cases[] = {
      {"Duel", "1", "Duel", 2},
      {"Big", "12", "Big", 8},
      {"Wrap", "258", "Wrap", 2},
      {"Low byte", "-1", "Low byte", 8},  // 255 in a byte
      {" Six ", " 6 ", " Six ", 6},
      {nullptr, nullptr, "Generic Game", 4},
      {"A name much longer than thirty characters", "3", "A name much longer than thirty", 3},
      {"Typo", "abc", "", 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Players ? c.Players : "(cancel)");
    lobby.Button2Click();
    EXPECT_FALSE(lobby.HostEnabled);
    ASSERT_TRUE(lobby.Ask.Open);
    EXPECT_EQ(lobby.Ask.Caption, "Game Name");
    EXPECT_EQ(lobby.Ask.Prompt, "What will you name this game?");
    EXPECT_EQ(lobby.Ask.Text, "Generic Game");
    if (c.Name) lobby.Ask.Text = c.Name;
    lobby.AskAnswered(c.Name != nullptr);
    ASSERT_TRUE(lobby.Ask.Open);
    EXPECT_EQ(lobby.Ask.Caption, "2-8 Players");
    EXPECT_EQ(lobby.Ask.Prompt, "How many players may join?");
    EXPECT_EQ(lobby.Ask.Text, "4");
    if (c.Players) lobby.Ask.Text = c.Players;
    lobby.AskAnswered(c.Players != nullptr);
    EXPECT_FALSE(lobby.Ask.Open);
    const std::vector<TBytes> heard = rig.Heard();
    if (c.Sent == 0) {
      EXPECT_EQ(lobby.Message, "Invalid. Please enter a value between 2 and 8.");
      EXPECT_TRUE(heard.empty());
      EXPECT_TRUE(lobby.Visible);
      lobby.MessageClosed();
      EXPECT_TRUE(lobby.Message.empty());
      EXPECT_FALSE(lobby.HostEnabled);
      continue;
    }
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0], Concat({{4}, ShortString(c.GameName, 30), {static_cast<uint8_t>(c.Sent)}}));
    // The lobby hides but keeps its connection; the room is the host's.
    EXPECT_FALSE(lobby.Visible);
    EXPECT_EQ(lobby.LClient.SocketState(), wsConnected);
    TGmForm& room = rig.Room();
    EXPECT_TRUE(room.Visible);
    EXPECT_TRUE(room.IsHost());
    EXPECT_EQ(room.HostedGame->GameName, c.GameName);
    EXPECT_EQ(room.HostedGame->MaxPlayers, c.Sent);
    EXPECT_EQ(room.HostedGame->PlayerCount, 1);
    EXPECT_EQ(room.UServ.SocketState(), wsListening);
    // Back as if the room had been left: the next case hosts again.
    room.UServ.Close();
    room.HostedGame.reset();
    room.Visible = false;
    lobby.Visible = true;
    lobby.HostEnabled = true;
  }
}

TEST(Lobby, TheHostsRoomHasItsChatLineItsNameAndSeatOne) {
  TLobbyRig rig;
  rig.OpenAndLogIn();
  TGmForm& room = rig.Room();
  room.Chat.Add("from before");
  room.ReadyBox = true;
  room.Seat(5)->InUse = true;
  rig.Form->Player1->SetRed(300);  // a colour travels as its low bytes
  rig.Lobby().Button2Click();
  rig.Lobby().AskAnswered(true);
  rig.Lobby().AskAnswered(true);
  EXPECT_EQ(ChatOf(room.Chat),
            TLines{"Your game is how being hosted. Press the 'Launch Game' button to play Lava Rumble once 2+ "
                   "players have clicked 'Ready' (indicated by a star beside their name)."});
  EXPECT_EQ(room.Players, TLines{"Red Man"});
  EXPECT_FALSE(room.ReadyBox);
  EXPECT_TRUE(room.LaunchEnabled);
  const TSeat& host = *room.Seat(1);
  EXPECT_TRUE(host.InUse);
  EXPECT_EQ(host.PlayerName, "Red Man");
  EXPECT_EQ((std::array<int, 3>{host.Red, host.Green, host.Blue}), (std::array<int, 3>{44, 50, 50}));
  EXPECT_EQ(host.Socket, room.UServ.SocketHandle());
  EXPECT_EQ(host.Player, rig.Form->Player1);
  EXPECT_EQ(rig.Form->Player1->NetIndex, 1);
  for (int seat = 2; seat <= kSeatCount; ++seat) EXPECT_FALSE(room.Seat(seat)->InUse) << seat;
  EXPECT_EQ(room.Seat(0), nullptr);
  EXPECT_EQ(room.Seat(9), nullptr);
}

TEST(Lobby, JoinAsksForTheSelectedGameAndTheAnswerMovesThePlayerToTheRoom) {
  // The game's host, as the master server will name it.
  TNetService hostNet;
  TTCPServer host(hostNet);
  host.BindAddress = "127.0.0.1";
  host.Port = "0";
  host.Open();
  TLobbyRig rig(std::to_string(host.LocalPort()));
  rig.OpenAndLogIn();
  TLForm& lobby = rig.Lobby();
  rig.Say(Concat({Encode(Entry(11, "One", 1, 4, 0)), Encode(Entry(22, "Two", 1, 4, 0))}));
  rig.AdvanceMs(750);
  ASSERT_EQ(lobby.Games.size(), 2u);
  // The header row, or a row without a game, asks for nothing.
  for (const Integer row : {0, 3}) {
    lobby.Row = row;
    lobby.Button1Click();
    EXPECT_TRUE(rig.Heard().empty()) << row;
    EXPECT_TRUE(lobby.JoinEnabled);
  }
  // "Join Game" is back after five seconds without an answer, or with the next list.
  lobby.Row = 2;
  lobby.Button1Click();
  EXPECT_EQ(rig.Heard(), (std::vector<TBytes>{TBytes{6, 0, 22, 0}}));
  EXPECT_FALSE(lobby.JoinEnabled);
  lobby.Button1Click();  // disabled: no second request
  EXPECT_TRUE(rig.Heard().empty());
  rig.AdvanceMs(4999);
  EXPECT_FALSE(lobby.JoinEnabled);
  rig.AdvanceMs(1);
  EXPECT_TRUE(lobby.JoinEnabled);
  lobby.Button1Click();
  EXPECT_EQ(rig.Heard().size(), 1u);
  rig.Say(TLobbyListCleared{});
  EXPECT_TRUE(lobby.JoinEnabled);
  rig.Say(Encode(Entry(22, "Two", 1, 4, 0)));
  lobby.Row = 1;
  lobby.Button1Click();
  EXPECT_EQ(rig.Heard().size(), 1u);
  // An answer naming no dotted address is ignored: nothing is looked up.
  rig.Say(TLobbyJoinAnswer{.Seat = 2, .HostAddress = "example.org"});
  EXPECT_TRUE(lobby.Visible);
  EXPECT_EQ(lobby.LClient.SocketState(), wsConnected);
  EXPECT_TRUE(lobby.JoinEnabled);
  // The answer: the master connection goes, the room connects to the host.
  rig.Room().Chat.Add("from before");
  rig.Room().Seat(1)->InUse = true;
  rig.Room().Input = "typed";
  rig.Send(Encode(TLobbyJoinAnswer{.Seat = 3, .HostAddress = "127.0.0.1"}));
  ASSERT_TRUE(rig.PumpUntil([&] { return !lobby.Visible; }));
  EXPECT_EQ(lobby.LClient.SocketState(), wsClosed);
  TGmForm& room = rig.Room();
  EXPECT_TRUE(room.Visible);
  EXPECT_FALSE(room.IsHost());
  EXPECT_EQ(rig.Form->Player1->NetIndex, 3);
  EXPECT_EQ(ChatOf(room.Chat),
            TLines{"Make sure you've clicked 'Ready' so you join the game when the host launches Lava Rumble."});
  EXPECT_TRUE(room.Input.empty());
  EXPECT_FALSE(room.LaunchEnabled);
  for (int seat = 1; seat <= kSeatCount; ++seat) EXPECT_FALSE(room.Seat(seat)->InUse) << seat;
  EXPECT_EQ(room.UClient.Host, "127.0.0.1");
  EXPECT_EQ(room.UClient.Port, std::to_string(host.LocalPort()));
  bool accepted = false;
  host.OnAccept = [&](TCustomWSocket&, int) { accepted = true; };
  ASSERT_TRUE(rig.PumpUntil([&] {
    hostNet.Poll();
    return accepted;
  }));
  ASSERT_TRUE(rig.PumpUntil([&] { return room.UClient.SocketState() == wsConnected; }));
  ASSERT_TRUE(rig.PumpUntil([&] { return rig.Socket < 0; }));  // the master saw it go
}

}  // namespace
}  // namespace lr::testing
