// The real game window under a private X server: its caption, the Escape key, a match, the
// options dialog and the lobby.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <string>
#include <vector>

#include "net/WSockets.h"
#include "settings/OptionsFile.h"
#include "net/WireCodec.h"
#include "net/WireFramer.h"
#include "support/RunProgram.h"
#include "support/SettingsBytes.h"

namespace lr::test {
namespace {

TEST(GameWindow, CaptionShowsSixtyFramesAndEscapeCloses) {
  if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0)
    GTEST_FAIL() << "Xvfb and xdotool are needed: run scripts/setup.sh";
  TTempDir dir;
#ifdef LR_SANITIZED
  const std::string caption = "LR_CAPTION='^FPS = [1-9][0-9]*$' ";
#else
  const std::string caption;
#endif
  const std::string command = caption + "bash '" + LR_SOURCE_DIR + "/tests/window/window_caption.sh' '" +
                              LR_BINARY + "' >'" + dir.File("out") + "' 2>'" + dir.File("err") + "'";
  const int status = std::system(command.c_str());
  std::cout << ReadText(dir.File("err"));
  EXPECT_EQ(status, 0) << ReadText(dir.File("out"));
}

TEST(GameWindow, AMatchStartsByMouseInAScaledWindowAndIsPlayedByKeys) {
  TTempDir dir;
  const std::string command = std::string("bash '") + LR_SOURCE_DIR + "/tests/window/window_match.sh' '" +
                              LR_BINARY + "' '' >'" + dir.File("out") + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadText(dir.File("out"));
}

TEST(GameWindow, OptionsAppliedInTheDialogAreThereAfterARestart) {
  TTempDir dir;
  const std::string command = std::string("bash '") + LR_SOURCE_DIR + "/tests/window/window_options.sh' '" +
                              LR_BINARY + "' '' >'" + dir.File("out") + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadText(dir.File("out"));
}

// The Controls window from the options dialog: a key rebound there is kept in lavarumble.ini
// and plays after a restart; screenshots go to $LR_SHOTS when it is set.
TEST(GameWindow, AKeyReboundInTheControlsWindowPlaysAfterARestart) {
  TTempDir dir;
  const char* shots = std::getenv("LR_SHOTS");
  const std::string command = std::string("bash '") + LR_SOURCE_DIR + "/tests/window/window_controls.sh' '" +
                              LR_BINARY + "' '" + (shots ? shots : "") + "' >'" + dir.File("out") + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadText(dir.File("out"));
}

// The lobby's window against a master server this test plays on loopback: it lists two
// players and two games, and notes what the game sends.
TEST(GameWindow, TheLobbyOpensFromTheMenuConnectsChatsAndJoins) {
  TNetService net;
  TTCPServer master(net);
  master.BindAddress = "127.0.0.1";
  master.Port = "0";
  master.Open();
  ASSERT_EQ(master.SocketState(), wsListening);
  TStreamFramer in(kGameToMaster);
  std::vector<std::vector<uint8_t>> heard;
  bool closed = false;
  auto say = [&](int socket, const std::vector<uint8_t>& bytes) {
    master.Send(socket, bytes.data(), static_cast<int>(bytes.size()));
  };
  master.OnData = [&](TCustomWSocket&, int socket) {
    uint8_t data[1024];
    if (const int n = master.Receive(socket, data, sizeof data); n > 0) in.Append(data, static_cast<size_t>(n));
    while (const auto frame = in.Next()) {
      heard.emplace_back(frame->Bytes().begin(), frame->Bytes().end());
      if (frame->Code() != 1) continue;
      say(socket, Encode(TLobbyPlayerOnline{.Quiet = 1, .PlayerName = "Ann"}));
      say(socket, Encode(TLobbyPlayerOnline{.WireCode = 9, .Quiet = 0, .PlayerName = "Zo\xEB"}));
      say(socket, Encode(TLobbyChatLine{.Text = "Ann> welcome to the lobby"}));
      say(socket, Encode(TLobbyListCleared{}));
      say(socket, Encode(TLobbyGameEntry{.GameId = 11, .GameName = "Lava Pit", .PlayerCount = 1, .MaxPlayers = 4, .Ping = 23}));
      say(socket, Encode(TLobbyGameEntry{.GameId = 22, .GameName = "Caf\xE9 Brawl", .PlayerCount = 3, .MaxPlayers = 8, .Ping = 140}));
    }
  };
  master.OnClose = [&](TCustomWSocket&, int) { closed = true; };
  TTempDir dir;
  const char* shots = std::getenv("LR_WINDOW_SHOTS");
  const std::string command = std::string("bash '") + LR_SOURCE_DIR + "/tests/window/window_lobby.sh' '" + LR_BINARY +
                              "' " + std::to_string(master.LocalPort()) + " '" + (shots ? shots : "") + "' >'" +
                              dir.File("out") + "' 2>&1";
  auto script = std::async(std::launch::async, [&command] { return std::system(command.c_str()); });
  // The script gives up on its own well within this bound.
  for (int i = 0; i < 24000 && script.wait_for(std::chrono::seconds(0)) != std::future_status::ready; ++i) net.Wait(5);
  ASSERT_EQ(script.get(), 0) << ReadText(dir.File("out"));
  auto message = [](auto m) { return Encode(m); };
  const std::vector<std::vector<uint8_t>> expected = {
      message(TLobbyLogin{.PlayerName = "Red Man"}),
      message(TLobbySay{.Text = "Red Man> hello lobby"}),
      message(TLobbyJoinRequest{.GameId = 22}),
  };
  EXPECT_EQ(heard, expected);
  EXPECT_TRUE(closed);
}

// Two game windows and our master server: one hosts, the other joins, both get ready, the
// host launches, and both windows show the same arena with both players.
TEST(GameWindow, TwoGamesMeetInTheRoomAndPlayOneMatch) {
  TTempDir dir;
  const char* const names[] = {"Alice", "Bob"};
  for (const char* name : names) {
    TSettingValues values = StartSettings();
    values[static_cast<size_t>(TSettingId::Player1Name)].Text = name;
    // Bob in green, so the two are told apart on screen.
    if (name == names[1]) {
      values[static_cast<size_t>(TSettingId::Player1Red)].Int = 50;
      values[static_cast<size_t>(TSettingId::Player1Green)].Int = 200;
    }
    std::filesystem::create_directories(dir.File(name));
    WriteText(dir.File(name) + "/Options.dat", EncodeOptions(values));
  }
  const char* shots = std::getenv("LR_WINDOW_SHOTS");
  const std::string command = std::string("bash '") + LR_SOURCE_DIR +
                              "/tests/window/window_room.sh' '" + LR_BINARY + "' '" + LR_MASTER_BINARY + "' '" +
                              dir.File("Alice") + "' '" + dir.File("Bob") + "' '" + (shots ? shots : "") + "' >'" +
                              dir.File("out") + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << ReadText(dir.File("out"));
}

}  // namespace
}  // namespace lr::test
