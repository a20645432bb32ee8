// The classic dialog controls Dear ImGui does not have, shared by the dialogs' views: boxes
// placed in dialog pixels, labels, etched group frames, raised buttons, and the filter that
// keeps typed text inside the game's 8-bit code page.
#pragma once

#include <functional>

struct ImGuiInputTextCallbackData;

namespace lr {

// A control's place in the dialog, in pixels from its top left corner.
struct TBox {
  float X, Y, W, H;
};

void Label(const char* text, float x, float y);
// An etched frame with its caption cut into the top edge.
void GroupBox(const TBox& box, const char* caption);
// A sunken white box that scrolls (a memo, a list box): draw its lines after it, then call
// ImGui::EndChild whatever it returned.
bool BeginField(const char* id, const TBox& box);
// A raised button in the current font; `click` runs when it is clicked.
void BoldButton(const char* caption, const TBox& box, const std::function<void()>& click);
// An input text callback for ImGuiInputTextFlags_CallbackCharFilter: a character the 8-bit
// code has not becomes "?" as it is typed.
int Cp1252CharFilter(ImGuiInputTextCallbackData* data);

}  // namespace lr
