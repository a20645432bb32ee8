// The headless runner's lobby lines and the trace's "net" object, on a game in this process
// whose lobby talks to a scripted master server on loopback.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/InputScript.h"
#include "app/TraceWriter.h"
#include "online/LobbyRig.h"

namespace lr::testing {
namespace {

using nlohmann::json;

TEST(LobbyScript, LinesParseIntoLobbyActionsAndBadOnesSayWhy) {
  TInputScript script;
  std::string error;
  ASSERT_TRUE(ParseInputScript("7 lobby chat   two  spaces kept   # a comment\n"
                               "8 lobby host 12 The Pit  of Doom\n"
                               "8 lobby join 2\n"
                               "9 lobby refresh\n9 lobby exit\n10 lobby chat\n",
                               script, error))
      << error;
  using K = TLobbyAction::TKind;
  const auto action = [&](int64_t frame, size_t i) { return *script.Events.at(frame).at(i).Lobby; };
  EXPECT_EQ(action(7, 0).Text, "two  spaces kept");
  EXPECT_EQ(action(8, 0).Kind, K::Host);
  EXPECT_EQ(action(8, 0).Players, "12");
  EXPECT_EQ(action(8, 0).Text, "The Pit  of Doom");
  EXPECT_EQ(action(8, 1).Kind, K::Join);
  EXPECT_EQ(action(8, 1).Row, 2);
  EXPECT_EQ(action(9, 0).Kind, K::Refresh);
  EXPECT_EQ(action(9, 1).Kind, K::Exit);
  EXPECT_EQ(action(10, 0).Text, "");
  for (const char* bad : {"1 lobby\n", "1 lobby dance\n", "1 lobby host\n", "1 lobby join\n", "1 lobby join x\n",
                          "1 lobby join -1\n", "1 lobby refresh now\n", "1 lobby exit 2\n"}) {
    TInputScript ignored;
    EXPECT_FALSE(ParseInputScript(bad, ignored, error)) << bad;
    EXPECT_EQ(error.rfind("line 1: expected", 0), 0u) << error;
  }
}

TEST(LobbyScript, RoomLinesParseIntoRoomActionsAndBadOnesSayWhy) {
  TInputScript script;
  std::string error;
  ASSERT_TRUE(ParseInputScript("4 room chat  gl  hf  # a comment\n4 room ready\n5 room launch\n6 room leave\n",
                               script, error))
      << error;
  using K = TRoomAction::TKind;
  const auto action = [&](int64_t frame, size_t i) { return *script.Events.at(frame).at(i).Room; };
  EXPECT_EQ(action(4, 0).Kind, K::Chat);
  EXPECT_EQ(action(4, 0).Text, "gl  hf");
  EXPECT_EQ(action(4, 1).Kind, K::Ready);
  EXPECT_EQ(action(5, 0).Kind, K::Launch);
  EXPECT_EQ(action(6, 0).Kind, K::Leave);
  EXPECT_FALSE(script.Events.at(4).at(0).Lobby);
  for (const char* bad : {"1 room\n", "1 room dance\n", "1 room ready now\n", "1 room launch 2\n", "1 room leave x\n"}) {
    TInputScript ignored;
    EXPECT_FALSE(ParseInputScript(bad, ignored, error)) << bad;
    EXPECT_EQ(error.rfind("line 1: expected: FRAME room", 0), 0u) << error;
  }
}

TEST(LobbyScript, ActionsReachTheMasterAndTheTraceShowsTheLobbyFromItsFirstFrame) {
  TLobbyRig rig;
  TNetTrace trace{.Online = rig.Online.get()};
  auto record = [&] { return FrameRecord(*rig.Form, 1, &trace); };
  auto act = [&](const std::string& line) {
    TInputScript script;
    std::string error;
    ASSERT_TRUE(ParseInputScript("1 " + line, script, error)) << error;
    ApplyLobbyAction(rig.Lobby(), *script.Events[1][0].Lobby);
  };
  // A hidden lobby takes no lines, and the trace has no "net" before it first opens.
  act("lobby refresh");
  EXPECT_FALSE(record().contains("net"));
  rig.OpenAndLogIn();
  rig.Say(Concat({Encode(TLobbyPlayerOnline{.Quiet = 0, .PlayerName = "Zo\xEB"}),
                  Encode(TLobbyChatLine{.Text = std::string("bell\x07", 5)}),
                  Encode(TLobbyGameEntry{.GameId = 5, .GameName = "Caf\xE9", .PlayerCount = 1, .MaxPlayers = 4, .Ping = 9})}));
  json net = record()["net"];
  EXPECT_EQ(net["lobby"]["shown"], true);
  EXPECT_EQ(net["lobby"]["status"], "Connected to master server!");
  EXPECT_EQ(net["lobby"]["online"], json::array({"Zo\u00EB"}));
  EXPECT_EQ(net["lobby"]["games"], json::parse(R"([["Caf\u00E9", "1 \\ 4", "9", "Open"]])"));
  EXPECT_EQ(net["lobby"]["chat"], json::array({"Zo\u00EB has joined the Lobby", "bell\u0007"}));
  EXPECT_EQ(net["lobby"]["join"], true);
  EXPECT_EQ(net["master"], "wsConnected");
  // Lines are traced once, on the frame they come.
  EXPECT_EQ(record()["net"]["lobby"]["chat"], json::array());

  act("lobby chat  h\xC3\xA9  there ");
  act("lobby join 1");
  EXPECT_EQ(rig.Heard(), (std::vector<TBytes>{Encode(TLobbySay{.Text = "Red Man> h\xE9  there"}),
                                              Encode(TLobbyJoinRequest{.GameId = 5})}));
  EXPECT_EQ(record()["net"]["lobby"]["join"], false);
  act("lobby host abc My Game");
  net = record()["net"];
  EXPECT_EQ(net["lobby"]["message"], "Invalid. Please enter a value between 2 and 8.");
  EXPECT_EQ(net["lobby"]["host"], false);
  // The next line closes the message box first, as a player would.
  act("lobby exit");
  net = record()["net"];
  EXPECT_EQ(net["lobby"]["shown"], false);
  EXPECT_EQ(net["lobby"]["message"], nullptr);
  EXPECT_EQ(net["master"], "wsClosed");
}

}  // namespace
}  // namespace lr::testing
