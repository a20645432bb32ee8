// The room's view driven by ImGui's own input, without any window: the ready box, "Launch
// Game", the chat input and "Leave Game" at their places reach the form's handlers, and the
// list shows the stars.
#include <gtest/gtest.h>
#include <imgui.h>

#include "online/LobbyRig.h"
#include "ui/ImGuiRig.h"
#include "ui/RoomView.h"

namespace lr::test {
namespace {

class RoomView : public ::testing::Test {
 protected:
  RoomView() {
    // Hosting through the lobby opens the room.
    Rig.OpenAndLogIn();
    Rig.Lobby().Button2Click();
    Rig.Lobby().AskAnswered(true);
    Rig.Lobby().AskAnswered(true);
    Frame();
  }

  void Frame() { Gui.Frame(); }
  void Click(float x, float y) { Gui.Click(x, y); }

  static constexpr int kEnter = TImGuiRig::kEnter;
  testing::TLobbyRig Rig;
  TGmForm& Room = Rig.Room();
  TRoomViewState State;
  TImGuiRig Gui{TRoomWindow::kWidth, TRoomWindow::kHeight, [this] { DrawRoomForm(Room, Gui.Fonts, State); }};
};

// Places on the room: the ready box, the two buttons, the chat input.
constexpr float kReadyX = 14, kReadyY = 304;
constexpr float kButtonX = 349, kLaunchY = 230, kLeaveY = 294;
constexpr float kInputX = 100, kInputY = 272;

TEST_F(RoomView, TheReadyBoxLaunchAndChatReachTheHostsRoom) {
  ASSERT_TRUE(Room.Visible);
  Click(kReadyX, kReadyY);
  EXPECT_TRUE(Room.ReadyBox);
  EXPECT_EQ(Room.Players, std::vector<std::string>{"* Red Man"});
  Click(kButtonX, kLaunchY);
  EXPECT_EQ(Room.Chat.Lines().back(), "Not enough ready players.");
  Click(kInputX, kInputY);
  ImGui::GetIO().AddInputCharactersUTF8("gl\xC3\xA9");
  Frame();
  EXPECT_EQ(Room.Input, "gl\xE9");
  ImGui::GetIO().KeysDown[kEnter] = true;
  Frame();
  ImGui::GetIO().KeysDown[kEnter] = false;
  Frame();
  EXPECT_EQ(Room.Chat.Lines().back(), "Red Man> gl\xE9");
  EXPECT_TRUE(Room.Input.empty());
  Click(kReadyX, kReadyY);
  EXPECT_FALSE(Room.ReadyBox);
  EXPECT_EQ(Room.Players, std::vector<std::string>{"Red Man"});
}

TEST_F(RoomView, LeaveGameClosesTheRoomAndBringsBackTheLobby) {
  Click(kButtonX, kLeaveY);
  EXPECT_FALSE(Room.Visible);
  EXPECT_FALSE(Room.IsHost());
  EXPECT_TRUE(Rig.Lobby().Visible);
  EXPECT_TRUE(Rig.Lobby().HostEnabled);
}

}  // namespace
}  // namespace lr::test
