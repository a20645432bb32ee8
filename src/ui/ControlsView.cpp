// Drawing the Controls window's rows, pads and buttons, and its window kept in step with the
// form.
#include "ui/ControlsView.h"

#include <SDL.h>
#include <imgui.h>

#include <array>
#include <string>

#include "platform/KeyTable.h"
#include "platform/SdlWindow.h"
#include "ui/ClassicControls.h"

namespace lr {

namespace {

// [SECTION] Layout, in dialog pixels.

constexpr TBox kActionsGroup{8, 6, 414, 300};
constexpr float kActionX = 20, kKeyX = 126, kPadX = 218, kHeaderY = 22, kRowY = 42, kRowStep = 23;
constexpr float kRowWidth = 390, kRowHeight = 21;
constexpr TBox kPadsGroup{8, 314, 414, 84};
constexpr std::array<float, 2> kPadColumnX = {20, 220};
constexpr float kPadRowY = 332, kPadRowStep = 28, kPadLabelWidth = 92, kPadComboWidth = 96;
constexpr float kMessageY = 404;
constexpr TBox kDefaultsButton{178, 428, 110, 32};
constexpr TBox kApplyButton{300, 428, 110, 32};

constexpr std::array<const char*, 3> kPadPlayerCaptions = {"Nobody", "Player 1", "Player 2"};

}  // namespace

// [SECTION] The form.

void DrawControlsForm(TControlsForm& form, const TGamepads* pads, const TDialogFonts& fonts) {
  GroupBox(kActionsGroup, "Keys and pads");
  ImGui::PushFont(fonts.Bold);
  Label("Action", kActionX, kHeaderY);
  Label("Key", kKeyX, kHeaderY);
  Label("Pad", kPadX, kHeaderY);
  ImGui::PopFont();
  for (size_t action = 0; action < kControlActionCount; ++action) {
    const float y = kRowY + kRowStep * static_cast<float>(action);
    const bool waiting = form.Waiting == static_cast<int>(action);
    ImGui::PushID(static_cast<int>(action));
    ImGui::SetCursorPos(ImVec2(kActionX - 4, y - 2));
    if (ImGui::Selectable("##row", waiting, 0, ImVec2(kRowWidth, kRowHeight))) form.RowClick(static_cast<int>(action));
    ImGui::PopID();
    Label(std::string(kControlActions[action].Caption).c_str(), kActionX, y);
    if (waiting) {
      ImGui::PushFont(fonts.Bold);
      Label("press a key", kKeyX, y);
      Label("or a pad button", kPadX, y);
      ImGui::PopFont();
    } else {
      Label(KeyCaption(form.Shown.Keys[action]).c_str(), kKeyX, y);
      // The left stick walks, jumps and crouches whatever the buttons are.
      const bool stick = action < 10 && action % 5 != 4;
      Label((PadCaption(form.Shown.PadButtons[action]) + (stick ? ", stick" : "")).c_str(), kPadX, y);
    }
  }

  GroupBox(kPadsGroup, "Pads");
  for (size_t place = 0; place < kMaxPads; ++place) {
    const float x = kPadColumnX[place % 2];
    const float y = kPadRowY + kPadRowStep * static_cast<float>(place / 2);
    const bool plugged = pads && pads->State(static_cast<int>(place)).Plugged;
    const std::string label = "Pad " + std::to_string(place + 1) + (plugged ? " (in)" : "") + " plays";
    Label(label.c_str(), x, y + 3);
    ImGui::PushID(static_cast<int>(place) + 100);
    ImGui::SetCursorPos(ImVec2(x + kPadLabelWidth, y));
    ImGui::SetNextItemWidth(kPadComboWidth);
    uint8_t& player = form.Shown.PadPlayer[place];
    if (ImGui::BeginCombo("##plays", kPadPlayerCaptions[player % kPadPlayerCaptions.size()])) {
      for (size_t choice = 0; choice < kPadPlayerCaptions.size(); ++choice)
        if (ImGui::Selectable(kPadPlayerCaptions[choice], choice == player)) player = static_cast<uint8_t>(choice);
      ImGui::EndCombo();
    }
    ImGui::PopID();
  }

  if (!form.Message.empty()) Label(form.Message.c_str(), kActionX - 8, kMessageY);

  ImGui::PushFont(fonts.BoldLarge);
  BoldButton("Defaults", kDefaultsButton, [&] { form.DefaultsClick(); });
  BoldButton("Apply", kApplyButton, [&] { form.ApplyClick(); });
  ImGui::PopFont();
}

// [SECTION] The window.

void TControlsWindow::Show() {
  Form.Show();
  if (Pads) Pads->TakePresses();  // buttons pressed before the window came bind nothing
  Window.Show();
}

void TControlsWindow::HandleEvent(const SDL_Event& event) {
  if (SdlEventWindowId(event) == Window.WindowId() && event.type == SDL_KEYDOWN && Form.Waiting >= 0) {
    if (!event.key.repeat) {
      if (const TKeyInfo* key = FindKeyBySdlScancode(event.key.keysym.scancode)) Form.KeyPressed(key->Dik);
    }
    Window.Invalidate();
    return;
  }
  if (Window.HandleEvent(event)) Form.CloseByFrame();
}

void TControlsWindow::Update() {
  if (Pads) {
    for (const TGamepads::TPress& press : Pads->TakePresses()) {
      if (!Form.Visible || Form.Waiting < 0) continue;
      Form.PadPressed(press.Button);
      Window.Invalidate();
    }
    uint8_t plugged = 0;
    for (int place = 0; place < kMaxPads; ++place)
      if (Pads->State(place).Plugged) plugged |= static_cast<uint8_t>(1u << place);
    if (plugged != PluggedDrawn) Window.Invalidate();
    PluggedDrawn = plugged;
  }
  if (Form.Visible && !Window.Shown()) Window.Show();
  Window.Update([this](const TDialogFonts& fonts) { DrawControlsForm(Form, Pads, fonts); });
  if (!Form.Visible && Window.Shown()) Window.Hide();
}

}  // namespace lr
