// A Dear ImGui context without any window for the dialog views' tests: a display of the
// dialog's size, the default font in every role, Enter and Escape mapped, and a click as
// ImGui's own input (move, press, release, a frame each).
#pragma once

#include <imgui.h>

#include <functional>
#include <utility>

#include "ui/DialogWindow.h"

namespace lr::test {

struct TImGuiRig {
  static constexpr int kEnter = 13, kEscape = 27;

  TImGuiRig(float width, float height, std::function<void()> draw) : Draw(std::move(draw)) {
    Context = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(width, height);
    io.DeltaTime = 1.0f / 60;
    io.KeyMap[ImGuiKey_Enter] = kEnter;
    io.KeyMap[ImGuiKey_Escape] = kEscape;
    Fonts.Regular = Fonts.Bold = Fonts.BoldLarge = Fonts.Display = io.Fonts->AddFontDefault();
    unsigned char* pixels = nullptr;
    int w = 0, h = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &w, &h);
  }
  ~TImGuiRig() { ImGui::DestroyContext(Context); }
  TImGuiRig(const TImGuiRig&) = delete;
  TImGuiRig& operator=(const TImGuiRig&) = delete;

  void Frame() {
    ImGui::NewFrame();
    BeginDialogSurface();
    Draw();
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

  ImGuiContext* Context = nullptr;
  TDialogFonts Fonts;
  std::function<void()> Draw;
};

}  // namespace lr::test
