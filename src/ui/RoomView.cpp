// Drawing the room's controls at their places, and its window kept in step with the form.
#include "ui/RoomView.h"

#include <SDL.h>
#include <imgui.h>

#include "ui/ClassicControls.h"

namespace lr {

namespace {

// [SECTION] Layout, in dialog pixels.

constexpr TBox kChat{8, 8, 270, 246};
constexpr TBox kPlayers{286, 8, 126, 186};
constexpr TBox kInput{8, 260, 270, 24};
constexpr float kReadyX = 8, kReadyY = 296;
constexpr TBox kLaunch{286, 202, 126, 56};
constexpr TBox kLeave{286, 266, 126, 56};

// [SECTION] Controls.

void ChatMemo(const TGmForm& form, TRoomViewState& state) {
  ChatMemoField(kChat, form.Chat.Lines(), form.Chat.Added(), state.ChatLinesSeen);
}

void PlayerList(const TGmForm& form) { ListField("players", kPlayers, form.Players); }

// The one-line input: Enter hands the line to the form, which sends it.
void ChatInput(TGmForm& form) {
  if (ChatInputField(kInput, form.Input)) form.InputKeyDown(TGmForm::kVirtualKeyReturn);
}

void ReadyBox(TGmForm& form, const TDialogFonts& fonts) {
  ImGui::PushFont(fonts.Bold);
  ImGui::SetCursorPos(ImVec2(kReadyX, kReadyY));
  // The form decides: a click before the host has seated this player changes nothing.
  bool ticked = form.ReadyBox;
  if (ImGui::Checkbox(TGmForm::kReadyCaption, &ticked)) form.ReadyBoxClick();
  ImGui::PopFont();
}

void Buttons(TGmForm& form, const TDialogFonts& fonts) {
  ImGui::PushFont(fonts.BoldLarge);
  ImGui::BeginDisabled(!form.LaunchEnabled);
  BoldButton("Launch Game", kLaunch, [&form] { form.Button1Click(); });
  ImGui::EndDisabled();
  BoldButton("Leave Game", kLeave, [&form] { form.Button2Click(); });
  ImGui::PopFont();
}

}  // namespace

// [SECTION] The form.

void DrawRoomForm(TGmForm& form, const TDialogFonts& fonts, TRoomViewState& state) {
  ChatMemo(form, state);
  PlayerList(form);
  ChatInput(form);
  ReadyBox(form, fonts);
  Buttons(form, fonts);
}

// [SECTION] The window.

void TRoomWindow::HandleEvent(const SDL_Event& event) {
  if (Window.HandleEvent(event)) Form.FormCloseQuery();
}

void TRoomWindow::Update() {
  if (Form.Visible && !Window.Shown()) Window.Show();
  // What arrives from the network is drawn at once, not at the next idle redraw.
  if (Form.Revision != DrawnRevision) {
    DrawnRevision = Form.Revision;
    Window.Invalidate();
  }
  Window.Update([this](const TDialogFonts& fonts) { DrawRoomForm(Form, fonts, State); });
  // Leaving, the launch and the host's farewell hide the form.
  if (!Form.Visible && Window.Shown()) Window.Hide();
}

}  // namespace lr
