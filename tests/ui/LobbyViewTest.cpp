// The lobby's view driven by ImGui's own input, without any window: clicks and typing at the
// controls' places reach the form's handlers, the modal boxes answer hosting's questions, and
// names and lines of any bytes are drawn as text.
#include <gtest/gtest.h>
#include <imgui.h>

#include "online/LobbyRig.h"
#include "ui/ImGuiRig.h"
#include "ui/LobbyView.h"

namespace lr::test {
namespace {

TEST(LobbyText, EveryByteShowsAsOneCharacterAndControlsAsAQuestionMark) {
  const std::pair<std::string, std::string> cases[] = {
      {"Bob\x07\n\t\r", "Bob????"},
      {std::string("a\0b", 3), "a?b"},
      {"\x7F\x81\x8D\x9D", "????"},                   // DEL and the codes the page leaves undefined
      {"\xE9t\xE9 \x80", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC"},  // accents and the euro sign
      {"##%s %n", "##%s %n"},                         // no format, no id: plain text
  };
  for (const auto& [bytes, shown] : cases) EXPECT_EQ(ShownText(bytes), shown);
}

class LobbyView : public ::testing::Test {
 protected:
  LobbyView() {
    Lobby.Visible = true;
    Frame();
  }

  void Frame() { Gui.Frame(); }
  void Click(float x, float y) { Gui.Click(x, y); }
  void Key(int key) {
    ImGui::GetIO().KeysDown[key] = true;
    Frame();
    ImGui::GetIO().KeysDown[key] = false;
    Frame();
  }
  void Type(const char* utf8) {
    ImGui::GetIO().AddInputCharactersUTF8(utf8);
    Frame();
  }

  static constexpr int kEnter = TImGuiRig::kEnter, kEscape = TImGuiRig::kEscape;
  testing::TLobbyRig Rig;  // a master server that this view never connects to
  TLForm& Lobby = Rig.Lobby();
  TLobbyViewState State;
  TImGuiRig Gui{TLobbyWindow::kWidth, TLobbyWindow::kHeight, [this] { DrawLobbyForm(Lobby, Gui.Fonts, State); }};
};

// Places on the lobby: the grid's second row, the buttons, the chat input.
constexpr float kGridX = 100, kRow2Y = 68 + 20 + 20 + 10;
constexpr float kJoinX = 440, kJoinY = 88, kHostY = 138;
constexpr float kInputX = 100, kInputY = 488;

TEST_F(LobbyView, ARowClickSelectsItAndJoinGameClicksOnlyWhenEnabled) {
  Lobby.AddGame({.HostName = {}, .GameId = 1, .GameName = std::string("A\n\x07##%s", 6), .PlayerCount = 1, .MaxPlayers = 4});
  Lobby.AddGame({.HostName = {}, .GameId = 2, .GameName = "Second", .PlayerCount = 2, .MaxPlayers = 8});
  Lobby.Online = {"\x01\x02", "##"};
  Lobby.Chat.Add(std::string(255, '\x0A'));
  Frame();
  EXPECT_EQ(Lobby.Row, 1);
  Click(kGridX, kRow2Y);
  EXPECT_EQ(Lobby.Row, 2);
  // Disabled, the click does nothing; enabled, it asks for the game (and, with no master
  // server, says why it could not).
  Click(kJoinX, kJoinY);
  EXPECT_TRUE(Lobby.Status.empty());
  Lobby.JoinEnabled = true;
  Frame();
  Click(kJoinX, kJoinY);
  EXPECT_FALSE(Lobby.JoinEnabled);
  EXPECT_EQ(Lobby.Status.rfind("Error: ", 0), 0u) << Lobby.Status;
}

TEST_F(LobbyView, HostGameAsksInModalBoxesAndAWrongNumberGetsTheMessageBox) {
  Lobby.HostEnabled = true;
  Frame();
  Click(kJoinX, kHostY);
  ASSERT_TRUE(Lobby.Ask.Open);
  EXPECT_EQ(Lobby.Ask.Caption, "Game Name");
  // The box takes the keyboard with its default selected: typing replaces it.
  Frame();
  Type("Ar\xC3\xA9na");
  EXPECT_EQ(Lobby.Ask.Text, "Ar\xE9na");
  Key(kEnter);
  ASSERT_TRUE(Lobby.Ask.Open);
  EXPECT_EQ(Lobby.Ask.Caption, "2-8 Players");
  Frame();
  Type("abc");
  Key(kEnter);
  EXPECT_FALSE(Lobby.Ask.Open);
  EXPECT_EQ(Lobby.Message, "Invalid. Please enter a value between 2 and 8.");
  // The lobby behind a modal box takes no clicks.
  Lobby.JoinEnabled = true;
  Click(kJoinX, kJoinY);
  EXPECT_TRUE(Lobby.JoinEnabled);
  Key(kEnter);
  EXPECT_TRUE(Lobby.Message.empty());
  EXPECT_FALSE(Lobby.HostEnabled);
}

TEST_F(LobbyView, EscapeCancelsAQuestionWithItsDefault) {
  Lobby.HostEnabled = true;
  Frame();
  Click(kJoinX, kHostY);
  for (const char* caption : {"Game Name", "2-8 Players"}) {
    ASSERT_TRUE(Lobby.Ask.Open);
    EXPECT_EQ(Lobby.Ask.Caption, caption);
    Frame();
    Type("typed");
    Key(kEscape);
  }
  EXPECT_FALSE(Lobby.Ask.Open);
  ASSERT_TRUE(Rig.Room().HostedGame);
  EXPECT_EQ(Rig.Room().HostedGame->GameName, "Generic Game");
  EXPECT_EQ(Rig.Room().HostedGame->MaxPlayers, 4);
  EXPECT_FALSE(Lobby.Visible);
}

TEST_F(LobbyView, EnterInTheInputHandsTheLineOverAndTypingGoesOn) {
  Click(kInputX, kInputY);
  Type("h\xC3\xA9");
  EXPECT_EQ(Lobby.Input, "h\xE9");
  Key(kEnter);
  EXPECT_TRUE(Lobby.Input.empty());  // sent (and, with no master server, refused)
  Type("x");
  EXPECT_EQ(Lobby.Input, "x");
}

}  // namespace
}  // namespace lr::test
