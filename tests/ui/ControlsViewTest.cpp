// The Controls window's view driven by ImGui's own input, without any window: a click on a row
// makes it wait, the buttons reach the form's handlers.
#include <gtest/gtest.h>
#include <imgui.h>

#include "platform/KeyTable.h"
#include "settings/ControlsForm.h"
#include "support/RunProgram.h"
#include "ui/ControlsView.h"

namespace lr::test {
namespace {

TEST(ControlsView, ARowClickedWaitsAndTheButtonsRestoreAndApply) {
  TTempDir dir;
  TGameSettings settings;
  TControlsForm form(settings, dir.File("lavarumble.ini"));
  TGamepads pads;
  pads.Plug(1);
  ImGuiContext* context = ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  io.DisplaySize = ImVec2(TControlsWindow::kWidth, TControlsWindow::kHeight);
  io.DeltaTime = 1.0f / 60;
  TDialogFonts fonts;
  fonts.Regular = fonts.Bold = fonts.BoldLarge = io.Fonts->AddFontDefault();
  unsigned char* pixels = nullptr;
  int width = 0, height = 0;
  io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
  const auto frame = [&] {
    ImGui::NewFrame();
    BeginDialogSurface();
    DrawControlsForm(form, &pads, fonts);
    ImGui::End();
    ImGui::Render();
  };
  const auto click = [&](float x, float y) {
    io.MousePos = ImVec2(x, y);
    frame();
    io.MouseDown[0] = true;
    frame();
    io.MouseDown[0] = false;
    frame();
  };
  form.Show();
  frame();
  // Rows of 23 pixels from y 42: the third is player 1's left, the last ready.
  click(60, 42 + 23 * 2 + 8);
  EXPECT_EQ(form.Waiting, 2);
  form.KeyPressed(FindKeyByName("J")->Dik);
  click(60, 42 + 23 * 10 + 8);
  EXPECT_EQ(form.Waiting, 10);
  form.PadPressed(TPadButton::Back);
  EXPECT_EQ(form.Shown.PadButtons[10], PadBit(TPadButton::Back));
  click(178 + 55, 428 + 16);  // "Defaults"
  EXPECT_EQ(form.Shown, TControls{});
  form.RowClick(2);
  form.KeyPressed(FindKeyByName("J")->Dik);
  click(300 + 55, 428 + 16);  // "Apply"
  EXPECT_FALSE(form.Visible);
  EXPECT_EQ(settings.Controls.Keys[2], FindKeyByName("J")->Dik);
  ImGui::DestroyContext(context);
}

}  // namespace
}  // namespace lr::test
