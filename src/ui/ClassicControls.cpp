// Classic controls drawn with Dear ImGui.
#include "ui/ClassicControls.h"

#include <imgui.h>
#include <imgui_internal.h>
#include <imgui_stdlib.h>

#include "text/Codepage.h"

namespace lr {

namespace {

ImVec2 At(const ImVec2& origin, float x, float y) { return ImVec2(origin.x + x, origin.y + y); }

}  // namespace

void Label(const char* text, float x, float y) {
  ImGui::SetCursorPos(ImVec2(x, y));
  ImGui::TextUnformatted(text);
}

void GroupBox(const TBox& box, const char* caption) {
  ImDrawList* draw = ImGui::GetWindowDrawList();
  const ImVec2 origin = ImGui::GetWindowPos();
  const float top = box.Y + ImGui::GetFontSize() / 2;
  const ImU32 shadow = IM_COL32(128, 128, 128, 255);
  const ImU32 light = IM_COL32(255, 255, 255, 255);
  draw->AddRect(At(origin, box.X + 1, top + 1), At(origin, box.X + box.W + 1, box.Y + box.H + 1), light);
  draw->AddRect(At(origin, box.X, top), At(origin, box.X + box.W, box.Y + box.H), shadow);
  if (caption && *caption) {
    const float width = ImGui::CalcTextSize(caption).x;
    draw->AddRectFilled(At(origin, box.X + 6, box.Y), At(origin, box.X + 10 + width, top + 2),
                        ImGui::GetColorU32(ImGuiCol_WindowBg));
    Label(caption, box.X + 8, box.Y);
  }
}

bool BeginField(const char* id, const TBox& box) {
  ImGui::SetCursorPos(ImVec2(box.X, box.Y));
  ImGui::PushStyleColor(ImGuiCol_ChildBg, IM_COL32(255, 255, 255, 255));
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(4, 3));
  ImGui::PushStyleVar(ImGuiStyleVar_ChildBorderSize, 1.0f);
  const bool open = ImGui::BeginChild(id, ImVec2(box.W, box.H), true, ImGuiWindowFlags_AlwaysVerticalScrollbar);
  ImGui::PopStyleVar(2);
  ImGui::PopStyleColor();
  return open;
}

void BoldButton(const char* caption, const TBox& box, const std::function<void()>& click) {
  ImGui::SetCursorPos(ImVec2(box.X, box.Y));
  // A raised edge: white on the top left, dark on the bottom right.
  ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 0.0f);
  const bool clicked = ImGui::Button(caption, ImVec2(box.W, box.H));
  ImGui::PopStyleVar();
  const ImVec2 a = ImGui::GetItemRectMin(), b = ImGui::GetItemRectMax();
  ImDrawList* draw = ImGui::GetWindowDrawList();
  const bool down = ImGui::IsItemActive() && ImGui::IsItemHovered();
  const ImU32 topLeft = down ? IM_COL32(64, 64, 64, 255) : IM_COL32(255, 255, 255, 255);
  const ImU32 bottomRight = down ? IM_COL32(255, 255, 255, 255) : IM_COL32(64, 64, 64, 255);
  draw->AddLine(a, ImVec2(b.x - 1, a.y), topLeft);
  draw->AddLine(a, ImVec2(a.x, b.y - 1), topLeft);
  draw->AddLine(ImVec2(a.x, b.y - 1), ImVec2(b.x - 1, b.y - 1), bottomRight);
  draw->AddLine(ImVec2(b.x - 1, a.y), ImVec2(b.x - 1, b.y), bottomRight);
  if (clicked) click();
}

int Cp1252CharFilter(ImGuiInputTextCallbackData* data) {
  if (data->EventFlag != ImGuiInputTextFlags_CallbackCharFilter) return 0;
  // Characters past the basic plane arrive as U+FFFD, which has no code either.
  char utf8[5] = {};
  ImTextCharToUtf8(utf8, data->EventChar);
  if (Utf8ToCp1252(utf8) == "?") data->EventChar = '?';
  return 0;
}

std::string ShownText(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (const char byte : text) {
    const char32_t c = Cp1252CodePoint(static_cast<uint8_t>(byte));
    // C0, DEL and the C1 codes the code page leaves undefined.
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    shown += control ? std::string("?") : Cp1252ToUtf8(std::string_view(&byte, 1));
  }
  return shown;
}

void ChatMemoField(const TBox& box, const std::deque<std::string>& lines, uint64_t added, uint64_t& seen) {
  if (BeginField("chat", box)) {
    ImGui::PushTextWrapPos(0);
    for (const std::string& line : lines) ImGui::TextUnformatted(ShownText(line).c_str());
    ImGui::PopTextWrapPos();
    if (added != seen) {
      ImGui::SetScrollHereY(1.0f);
      seen = added;
    }
  }
  ImGui::EndChild();
}

void ListField(const char* id, const TBox& box, const std::vector<std::string>& lines) {
  if (BeginField(id, box))
    for (const std::string& line : lines) ImGui::TextUnformatted(ShownText(line).c_str());
  ImGui::EndChild();
}

bool ChatInputField(const TBox& box, std::string& text) {
  ImGui::SetCursorPos(ImVec2(box.X, box.Y));
  ImGui::SetNextItemWidth(box.W);
  std::string utf8 = Cp1252ToUtf8(text);
  const bool enter = ImGui::InputText("##input", &utf8,
                                      ImGuiInputTextFlags_EnterReturnsTrue | ImGuiInputTextFlags_CallbackCharFilter,
                                      Cp1252CharFilter);
  text = Utf8ToCp1252(utf8);
  if (enter) ImGui::SetKeyboardFocusHere(-1);
  return enter;
}

}  // namespace lr
