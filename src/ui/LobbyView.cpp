// Drawing the lobby's controls at their places, its modal boxes, and its window kept in step
// with the form.
#include "ui/LobbyView.h"

#include <SDL.h>
#include <imgui.h>
#include <imgui_stdlib.h>

#include <array>

#include "text/Codepage.h"
#include "ui/ClassicControls.h"

namespace lr {

namespace {

// [SECTION] Layout, in dialog pixels.

constexpr TBox kStatusGroup{8, 4, 481, 42};
constexpr float kStatusY = 23;
constexpr TBox kGamesGroup{8, 50, 481, 216};
// The grid: its four columns, a scroll bar and the frame.
constexpr TBox kGrid{16, 68, 374, 190};
constexpr float kRowHeight = 20;
// "Join Game", "Host Game", "Refresh" and "Exit" beside the grid.
constexpr float kButtonX = 396, kButtonW = 87, kButtonH = 40, kButtonTop = 68, kButtonStep = 50;
constexpr std::array<const char*, 4> kButtonCaptions = {"Join Game", "Host Game", "Refresh", "Exit"};
constexpr TBox kChat{8, 274, 362, 196};
constexpr TBox kInput{8, 476, 362, 24};
constexpr TBox kOnline{378, 274, 111, 226};
// The modal boxes' text fields.
constexpr float kAskWidth = 260;

constexpr ImU32 kStatusColour = IM_COL32(255, 0, 0, 255);
constexpr ImU32 kFieldColour = IM_COL32(255, 255, 255, 255);
// A selected grid row: white on the desktop's highlight.
constexpr ImU32 kHighlight = IM_COL32(10, 36, 106, 255);
constexpr ImU32 kHighlightText = IM_COL32(255, 255, 255, 255);

// [SECTION] Controls.

void StatusLabel(const std::string& status, const TDialogFonts& fonts) {
  ImGui::PushFont(fonts.Bold);
  const std::string text = ShownText(status);
  const float width = ImGui::CalcTextSize(text.c_str()).x;
  ImGui::SetCursorPos(ImVec2(kStatusGroup.X + (kStatusGroup.W - width) / 2, kStatusY));
  ImGui::PushStyleColor(ImGuiCol_Text, kStatusColour);
  ImGui::TextUnformatted(text.c_str());
  ImGui::PopStyleColor();
  ImGui::PopFont();
}

// The string grid: a fixed header row, 20-pixel rows, whole rows selected by a click.
void GameGrid(TLForm& form) {
  ImGui::SetCursorPos(ImVec2(kGrid.X, kGrid.Y));
  // White cells and empty space, a header in the dialog's face like a fixed row.
  ImGui::PushStyleColor(ImGuiCol_ChildBg, kFieldColour);
  ImGui::PushStyleColor(ImGuiCol_TableRowBg, kFieldColour);
  ImGui::PushStyleColor(ImGuiCol_TableRowBgAlt, kFieldColour);
  ImGui::PushStyleColor(ImGuiCol_TableHeaderBg, ImGui::GetColorU32(ImGuiCol_WindowBg));
  ImGui::PushStyleColor(ImGuiCol_Header, kHighlight);
  ImGui::PushStyleColor(ImGuiCol_HeaderHovered, kHighlight);
  ImGui::PushStyleColor(ImGuiCol_HeaderActive, kHighlight);
  // Rows exactly kRowHeight high: no spacing below the cells' items.
  ImGui::PushStyleVar(ImGuiStyleVar_CellPadding, ImVec2(3, 0));
  ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(ImGui::GetStyle().ItemSpacing.x, 0));
  const ImGuiTableFlags flags = ImGuiTableFlags_Borders | ImGuiTableFlags_RowBg | ImGuiTableFlags_ScrollY |
                                ImGuiTableFlags_SizingFixedFit | ImGuiTableFlags_NoPadOuterX;
  if (ImGui::BeginTable("games", static_cast<int>(TLForm::kColumns.size()), flags, ImVec2(kGrid.W, kGrid.H))) {
    for (const TLForm::TColumn& column : TLForm::kColumns)
      ImGui::TableSetupColumn(column.Caption, ImGuiTableColumnFlags_WidthFixed | ImGuiTableColumnFlags_NoResize,
                              static_cast<float>(column.Width) - 7);
    ImGui::TableSetupScrollFreeze(0, 1);
    ImGui::TableNextRow(ImGuiTableRowFlags_Headers, kRowHeight);
    for (size_t c = 0; c < TLForm::kColumns.size(); ++c) {
      ImGui::TableSetColumnIndex(static_cast<int>(c));
      ImGui::SetCursorPosY(ImGui::GetCursorPosY() + (kRowHeight - ImGui::GetFontSize()) / 2);
      ImGui::TableHeader(TLForm::kColumns[c].Caption);
    }
    const float textDrop = (kRowHeight - ImGui::GetFontSize()) / 2;
    for (size_t r = 0; r < form.Grid.size(); ++r) {
      const auto row = static_cast<Integer>(r + 1);
      ImGui::TableNextRow(ImGuiTableRowFlags_None, kRowHeight);
      ImGui::PushID(row);
      ImGui::TableSetColumnIndex(0);
      const float top = ImGui::GetCursorPosY();
      // The label is an id only: the cells' texts are drawn as plain text.
      // Hovering changes nothing: only the selected row is highlighted.
      ImGui::PushStyleColor(ImGuiCol_HeaderHovered, form.Row == row ? kHighlight : kFieldColour);
      ImGui::PushStyleColor(ImGuiCol_HeaderActive, kHighlight);
      if (ImGui::Selectable("##row", form.Row == row, ImGuiSelectableFlags_SpanAllColumns,
                            ImVec2(0, kRowHeight)))
        form.Row = row;
      ImGui::PopStyleColor(2);
      ImGui::PushStyleColor(ImGuiCol_Text, form.Row == row ? kHighlightText : ImGui::GetColorU32(ImGuiCol_Text));
      for (size_t c = 0; c < TLForm::kColumns.size(); ++c) {
        ImGui::TableSetColumnIndex(static_cast<int>(c));
        ImGui::SetCursorPosY(top + textDrop);
        ImGui::TextUnformatted(ShownText(form.Grid[r][c]).c_str());
      }
      ImGui::PopStyleColor();
      ImGui::PopID();
    }
    ImGui::EndTable();
  }
  ImGui::PopStyleVar(2);
  ImGui::PopStyleColor(7);
}

void Buttons(TLForm& form, const TDialogFonts& fonts) {
  const std::array<bool, 4> enabled = {form.JoinEnabled, form.HostEnabled, form.RefreshEnabled, true};
  void (TLForm::*const clicks[])() = {&TLForm::Button1Click, &TLForm::Button2Click, &TLForm::Button3Click,
                                      &TLForm::Button4Click};
  ImGui::PushFont(fonts.Display);
  for (size_t i = 0; i < kButtonCaptions.size(); ++i) {
    ImGui::BeginDisabled(!enabled[i]);
    BoldButton(kButtonCaptions[i], {kButtonX, kButtonTop + kButtonStep * static_cast<float>(i), kButtonW, kButtonH},
               [&form, click = clicks[i]] { (form.*click)(); });
    ImGui::EndDisabled();
  }
  ImGui::PopFont();
}

void ChatMemo(const TLForm& form, TLobbyViewState& state) {
  ChatMemoField(kChat, form.Chat.Lines(), form.Chat.Added(), state.ChatLinesSeen);
}

// The one-line input: Enter hands the line to the form, which sends it.
void ChatInput(TLForm& form) {
  if (ChatInputField(kInput, form.Input)) form.InputKeyDown(TLForm::kVirtualKeyReturn);
}

void OnlineList(const TLForm& form) { ListField("online", kOnline, form.Online); }

// [SECTION] Modal boxes.

// Opens the popup `id` while `wanted`, and closes it once the form has let it go.
bool BeginModal(const char* id, bool wanted) {
  if (wanted && !ImGui::IsPopupOpen(id)) ImGui::OpenPopup(id);
  const ImVec2 centre(ImGui::GetIO().DisplaySize.x / 2, ImGui::GetIO().DisplaySize.y / 2);
  ImGui::SetNextWindowPos(centre, ImGuiCond_Always, ImVec2(0.5f, 0.5f));
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(10, 8));
  ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 1.0f);
  const bool open = ImGui::BeginPopupModal(id, nullptr,
                                           ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoMove |
                                               ImGuiWindowFlags_NoSavedSettings);
  ImGui::PopStyleVar(2);
  if (open && !wanted) {
    ImGui::CloseCurrentPopup();
    ImGui::EndPopup();
    return false;
  }
  return open;
}

// OK and Cancel (or OK alone) at the bottom right of a modal box; which one was clicked.
enum class TAnswer { None, Ok, Cancel };
TAnswer ModalButtons(bool withCancel) {
  constexpr float kWidth = 75;
  const float right = ImGui::GetWindowContentRegionMax().x;
  const float buttons = withCancel ? 2 * kWidth + ImGui::GetStyle().ItemSpacing.x : kWidth;
  ImGui::SetCursorPosX(std::max(ImGui::GetCursorPosX(), right - buttons));
  TAnswer answer = TAnswer::None;
  if (ImGui::Button("OK", ImVec2(kWidth, 0))) answer = TAnswer::Ok;
  if (withCancel) {
    ImGui::SameLine();
    if (ImGui::Button("Cancel", ImVec2(kWidth, 0))) answer = TAnswer::Cancel;
  }
  if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape), false) && withCancel) answer = TAnswer::Cancel;
  return answer;
}

void AskBox(TLForm& form) {
  // Each question is its own popup: its caption is its id.
  const std::string caption = form.Ask.Caption.empty() ? std::string("##ask") : ShownText(form.Ask.Caption);
  if (!BeginModal(caption.c_str(), form.Ask.Open)) return;
  ImGui::TextUnformatted(ShownText(form.Ask.Prompt).c_str());
  ImGui::SetNextItemWidth(kAskWidth);
  if (ImGui::IsWindowAppearing()) ImGui::SetKeyboardFocusHere();
  std::string utf8 = Cp1252ToUtf8(form.Ask.Text);
  const bool enter = ImGui::InputText("##answer", &utf8,
                                      ImGuiInputTextFlags_EnterReturnsTrue | ImGuiInputTextFlags_AutoSelectAll |
                                          ImGuiInputTextFlags_CallbackCharFilter,
                                      Cp1252CharFilter);
  form.Ask.Text = Utf8ToCp1252(utf8);
  ImGui::Spacing();
  TAnswer answer = ModalButtons(true);
  if (enter) answer = TAnswer::Ok;
  if (answer != TAnswer::None) {
    ImGui::CloseCurrentPopup();
    form.AskAnswered(answer == TAnswer::Ok);
  }
  ImGui::EndPopup();
}

void InvalidNumberBox(TLForm& form) {
  if (!BeginModal("Lava Rumble##message", !form.Message.empty())) return;
  ImGui::TextUnformatted(ShownText(form.Message).c_str());
  ImGui::Spacing();
  // The Enter that answered the question before does not close the box it brought up.
  const bool enter = !ImGui::IsWindowAppearing() && ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter), false);
  if (ModalButtons(false) == TAnswer::Ok || enter) {
    ImGui::CloseCurrentPopup();
    form.MessageClosed();
  }
  ImGui::EndPopup();
}

}  // namespace

// [SECTION] The form.

void DrawLobbyForm(TLForm& form, const TDialogFonts& fonts, TLobbyViewState& state) {
  GroupBox(kStatusGroup, "Status");
  StatusLabel(form.Status, fonts);
  GroupBox(kGamesGroup, "Games");
  GameGrid(form);
  Buttons(form, fonts);
  ChatMemo(form, state);
  ChatInput(form);
  OnlineList(form);
  AskBox(form);
  InvalidNumberBox(form);
}

// [SECTION] The window.

void TLobbyWindow::HandleEvent(const SDL_Event& event) {
  // The close button is ignored: "Exit" is the way out.
  Window.HandleEvent(event);
  if (event.type == SDL_WINDOWEVENT && event.window.windowID == Window.WindowId() &&
      event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
    Form.FormActivate();
}

void TLobbyWindow::Update() {
  if (Form.Visible && !Window.Shown()) Window.Show();
  // What arrives from the network is drawn at once, not at the next idle redraw.
  if (Form.Revision != DrawnRevision) {
    DrawnRevision = Form.Revision;
    Window.Invalidate();
  }
  Window.Update([this](const TDialogFonts& fonts) { DrawLobbyForm(Form, fonts, State); });
  // "Exit", hosting and joining hide the form.
  if (!Form.Visible && Window.Shown()) Window.Hide();
}

}  // namespace lr
