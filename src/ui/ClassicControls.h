// The classic dialog controls Dear ImGui does not have, shared by the dialogs' views: boxes
// placed in dialog pixels, labels, etched group frames, raised buttons, and the filter that
// keeps typed text inside the game's 8-bit code page.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// 8-bit text from the game or the network as a dialog shows it: UTF-8, one character per
// byte, with each control character shown as "?" so no name or line can break the window.
std::string ShownText(std::string_view text);

// A chat memo of 8-bit lines that wrap; when lines were added since `seen`, the newest comes
// into view and `seen` becomes `added`.
void ChatMemoField(const TBox& box, const std::deque<std::string>& lines, uint64_t added, uint64_t& seen);
// A list box of 8-bit lines.
void ListField(const char* id, const TBox& box, const std::vector<std::string>& lines);
// The one-line 8-bit chat input; true when Enter was pressed (the field keeps the focus, so
// typing goes on).
bool ChatInputField(const TBox& box, std::string& text);

}  // namespace lr
