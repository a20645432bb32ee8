// The room's view driven by ImGui's own input, without any window: the ready box, "Launch
// Game", the chat input and "Leave Game" at their places reach the form's handlers, and the
// list shows the stars.
#include <gtest/gtest.h>
#include <imgui.h>

#include "online/LobbyRig.h"
#include "ui/RoomView.h"

namespace lr::test {
namespace {

class RoomView : public ::testing::Test {
 protected:
  RoomView() {
    Context = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(TRoomWindow::kWidth, TRoomWindow::kHeight);
    io.DeltaTime = 1.0f / 60;
    io.KeyMap[ImGuiKey_Enter] = kEnter;
    Fonts.Regular = Fonts.Bold = Fonts.BoldLarge = Fonts.Display = io.Fonts->AddFontDefault();
    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    // Hosting through the lobby opens the room.
    Rig.OpenAndLogIn();
    Rig.Lobby().Button2Click();
    Rig.Lobby().AskAnswered(true);
    Rig.Lobby().AskAnswered(true);
    Frame();
  }
  ~RoomView() override { ImGui::DestroyContext(Context); }

  void Frame() {
    ImGui::NewFrame();
    BeginDialogSurface();
    DrawRoomForm(Room, Fonts, State);
    ImGui::End();
    ImGui::Render();
  }
  void Click(float x, float y) {
    ImGui::GetIO().MousePos = ImVec2(x, y);
    Frame();
    ImGui::GetIO().MouseDown[0] = true;
    Frame();
    ImGui::GetIO().MouseDown[0] = false;
    Frame();
  }

  static constexpr int kEnter = 13;
  testing::TLobbyRig Rig;
  TGmForm& Room = Rig.Room();
  ImGuiContext* Context = nullptr;
  TDialogFonts Fonts;
  TRoomViewState State;
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
