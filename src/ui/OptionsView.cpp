// Drawing the options dialog's controls at their places, and its window kept in step with
// the form's visibility.
#include "ui/OptionsView.h"

#include <imgui.h>
#include <imgui_internal.h>
#include <imgui_stdlib.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "settings/PlayedBy.h"
#include "text/Codepage.h"
#include "ui/ClassicControls.h"

namespace lr {

namespace {

// [SECTION] Layout, in dialog pixels.

// The two group boxes: the rules above, the online identity below.
constexpr TBox kRulesGroup{8, 6, 399, 272};
constexpr TBox kOnlineGroup{8, 288, 399, 192};
// Who plays each player, below them.
constexpr TBox kPlayedByGroup{8, 488, 399, 46};
constexpr float kPlayedByY = 506, kPlayedByLabelWidth = 56;
// The keys and pads have a window of their own.
constexpr TBox kControlsButton{284, 542, 110, 32};

// The powerup switches, top to bottom on the left.
constexpr std::array<const char*, 9> kPowerupCaptions = {
    "Landmine", "Electricity", "Spring Boots", "Switch Places", "Death",
    "Dynamite", "Teleport",    "Handgun",      "Spring Glove"};
constexpr float kSwitchX = 20, kSwitchY = 22, kSwitchStep = 24;

// The spins in the middle and the physics texts on the right, each a label over its field.
constexpr float kSpinX = 150, kSpinWidth = 100;
constexpr float kPhysX = 284, kPhysWidth = 110;
constexpr float kFieldTop = 18, kFieldStep = 44, kLabelHeight = 16;
constexpr std::array<const char*, 5> kSpinCaptions = {"Platform %", "Rope %", "Powerup Delay", "# of Rounds",
                                                      "Round Delay"};
constexpr std::array<const char*, 4> kPhysCaptions = {"Movement Power", "Jump Power", "Climb Power", "Gravity"};
constexpr float kFullscreenY = 200;

constexpr TBox kDefaultsButton{150, 234, 110, 32};
constexpr TBox kApplyButton{284, 234, 110, 32};

// Each player's column in the lower group.
constexpr std::array<float, 2> kPlayerX = {20, 216};
constexpr float kPlayerWidth = 178;
constexpr float kNameLabelY = 306, kNameY = 322, kColourLabelY = 352, kBarY = 370, kBarStep = 34;
constexpr float kBarLabelWidth = 14, kBarHeight = 30;

// The track bars' label colours: pure red, a dark green and pure blue.
constexpr std::array<ImU32, 3> kBarLabelColours = {IM_COL32(255, 0, 0, 255), IM_COL32(0, 128, 0, 255),
                                                  IM_COL32(0, 0, 255, 255)};
constexpr std::array<const char*, 3> kBarLabels = {"R", "G", "B"};

// [SECTION] Classic controls ImGui does not have.

// A spin edit: the typed text beside a pair of arrow buttons. Leaving the text pulls a
// number outside the range back in.
void SpinEdit(const char* id, TSpinEdit& spin, float x, float y, float width) {
  constexpr float kArrowWidth = 16;
  ImGui::PushID(id);
  ImGui::SetCursorPos(ImVec2(x, y));
  ImGui::SetNextItemWidth(width - kArrowWidth);
  ImGui::InputText("##text", &spin.Text);
  if (ImGui::IsItemDeactivated()) spin.Exit();
  const float height = ImGui::GetFrameHeight();
  ImGui::PushButtonRepeat(true);
  ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(2, 0));
  ImGui::SetCursorPos(ImVec2(x + width - kArrowWidth, y));
  if (ImGui::ArrowButtonEx("##up", ImGuiDir_Up, ImVec2(kArrowWidth, std::floor(height / 2)))) spin.Up();
  ImGui::SetCursorPos(ImVec2(x + width - kArrowWidth, y + std::floor(height / 2)));
  if (ImGui::ArrowButtonEx("##down", ImGuiDir_Down, ImVec2(kArrowWidth, height - std::floor(height / 2))))
    spin.Down();
  ImGui::PopStyleVar();
  ImGui::PopButtonRepeat();
  ImGui::PopID();
}

// A horizontal track bar: a sunken groove, a raised thumb and a tick every Frequency steps
// below it. Dragging or clicking moves the thumb; the arrow keys step it once it has focus.
void TrackBar(const char* id, TTrackBar& bar, float x, float y, float width) {
  constexpr float kThumbWidth = 10, kThumbHeight = 18, kInset = kThumbWidth / 2 + 2;
  constexpr auto kSpan = static_cast<float>(TTrackBar::MaxValue - TTrackBar::MinValue);
  const ImVec2 origin = ImGui::GetWindowPos();
  ImGui::SetCursorPos(ImVec2(x, y));
  ImGui::InvisibleButton(id, ImVec2(width, kBarHeight));
  const float left = std::floor(origin.x + x + kInset);
  const float right = std::floor(origin.x + x + width - kInset);
  if (ImGui::IsItemActive()) {
    const float t = std::clamp((ImGui::GetIO().MousePos.x - left) / (right - left), 0.0f, 1.0f);
    bar.SetPosition(TTrackBar::MinValue + static_cast<Integer>(std::lround(t * kSpan)));
  }
  if (ImGui::IsItemFocused()) {
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_LeftArrow))) bar.SetPosition(bar.Position - 1);
    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_RightArrow))) bar.SetPosition(bar.Position + 1);
  }
  ImDrawList* draw = ImGui::GetWindowDrawList();
  const float top = origin.y + y;
  const ImU32 shadow = IM_COL32(128, 128, 128, 255), dark = IM_COL32(64, 64, 64, 255);
  const ImU32 light = IM_COL32(255, 255, 255, 255), face = ImGui::GetColorU32(ImGuiCol_WindowBg);
  // The groove.
  draw->AddRectFilled(ImVec2(left - 3, top + 7), ImVec2(right + 3, top + 11), light);
  draw->AddLine(ImVec2(left - 3, top + 7), ImVec2(right + 3, top + 7), shadow);
  draw->AddLine(ImVec2(left - 3, top + 7), ImVec2(left - 3, top + 11), shadow);
  // Ticks every Frequency steps from the minimum, and one at the maximum.
  // Whole pixels throughout: ImGui centres lines on pixel centres itself.
  const auto tickX = [&](Integer value) {
    return std::floor(left + (right - left) * static_cast<float>(value - TTrackBar::MinValue) / kSpan);
  };
  const auto tick = [&](Integer value, float length) {
    draw->AddRectFilled(ImVec2(tickX(value), top + kThumbHeight + 3),
                        ImVec2(tickX(value) + 1, top + kThumbHeight + 3 + length), IM_COL32_BLACK);
  };
  for (Integer v = TTrackBar::MinValue; v < TTrackBar::MaxValue; v += TTrackBar::Frequency) tick(v, 3);
  tick(TTrackBar::MaxValue, 4);
  // The thumb, pointing down at the ticks.
  const float cx = tickX(bar.Position);
  const float l = cx - kThumbWidth / 2, r = cx + kThumbWidth / 2, b = top + kThumbHeight - 4;
  const ImVec2 outline[] = {ImVec2(l, top), ImVec2(r, top), ImVec2(r, b), ImVec2(cx, top + kThumbHeight),
                            ImVec2(l, b)};
  draw->AddConvexPolyFilled(outline, 5, ImGui::IsItemActive() ? IM_COL32(236, 234, 230, 255) : face);
  draw->AddLine(ImVec2(l, top), ImVec2(r, top), light);
  draw->AddLine(ImVec2(l, top), ImVec2(l, b), light);
  draw->AddLine(ImVec2(l, b), ImVec2(cx, top + kThumbHeight), light);
  draw->AddLine(ImVec2(r, top), ImVec2(r, b), dark);
  draw->AddLine(ImVec2(r, b), ImVec2(cx, top + kThumbHeight), dark);
  if (ImGui::IsItemFocused())
    draw->AddRect(ImVec2(origin.x + x, top - 1), ImVec2(origin.x + x + width, top + kBarHeight), shadow);
}

// Typing into a name: a character the 8-bit code has not becomes "?" as it is typed, and the
// edit holds at most MaxLength characters (not UTF-8 bytes). Characters beyond that are
// dropped where they were typed or pasted, as a classic edit with a length limit does.
int NameEditCallback(ImGuiInputTextCallbackData* data) {
  if (data->EventFlag == ImGuiInputTextFlags_CallbackCharFilter) return Cp1252CharFilter(data);
  if (data->EventFlag == ImGuiInputTextFlags_CallbackEdit) {
    const auto characters = [data] { return Utf8ToCp1252(std::string_view(data->Buf, data->BufTextLen)).size(); };
    while (characters() > TNameEdit::MaxLength && data->BufTextLen > 0) {
      // The character before the cursor, or the last one when the cursor is at the start.
      const int end = data->CursorPos > 0 ? data->CursorPos : data->BufTextLen;
      int start = end - 1;
      while (start > 0 && (static_cast<unsigned char>(data->Buf[start]) & 0xC0) == 0x80) --start;
      data->DeleteChars(start, end - start);
    }
  }
  return 0;
}

// The player's name in its own colour: the edit is the colour preview. The name is 8-bit
// text; ImGui edits UTF-8.
void NameEdit(const char* id, TNameEdit& edit, float x, float y, float width) {
  std::string utf8 = Cp1252ToUtf8(edit.Text.substr(0, TNameEdit::MaxLength));
  ImGui::SetCursorPos(ImVec2(x, y));
  ImGui::SetNextItemWidth(width);
  ImGui::PushStyleColor(ImGuiCol_Text, IM_COL32(edit.FontColor.R, edit.FontColor.G, edit.FontColor.B, 255));
  if (ImGui::InputText(id, &utf8, ImGuiInputTextFlags_CallbackCharFilter | ImGuiInputTextFlags_CallbackEdit,
                       NameEditCallback))
    edit.Text = Utf8ToCp1252(utf8).substr(0, TNameEdit::MaxLength);
  ImGui::PopStyleColor();
}

}  // namespace

// [SECTION] The form.

void DrawOptionsForm(TOForm& form, const TDialogFonts& fonts) {
  GroupBox(kRulesGroup, "");
  GroupBox(kOnlineGroup, "Online Options");

  ImGui::PushFont(fonts.Bold);
  ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(2, 2));
  for (size_t i = 0; i < form.S.size(); ++i) {
    ImGui::SetCursorPos(ImVec2(kSwitchX, kSwitchY + kSwitchStep * static_cast<float>(i)));
    ImGui::Checkbox(kPowerupCaptions[i], &form.S[i]);
  }
  ImGui::PopStyleVar();
  ImGui::PopFont();

  TSpinEdit* spins[] = {&form.PDensity, &form.RDensity, &form.SpSpin, &form.RoundSpin, &form.RDSpin};
  for (size_t i = 0; i < kSpinCaptions.size(); ++i) {
    const float y = kFieldTop + kFieldStep * static_cast<float>(i);
    Label(kSpinCaptions[i], kSpinX, y);
    SpinEdit(kSpinCaptions[i], *spins[i], kSpinX, y + kLabelHeight, kSpinWidth);
  }
  for (size_t i = 0; i < kPhysCaptions.size(); ++i) {
    const float y = kFieldTop + kFieldStep * static_cast<float>(i);
    Label(kPhysCaptions[i], kPhysX, y);
    ImGui::SetCursorPos(ImVec2(kPhysX, y + kLabelHeight));
    ImGui::SetNextItemWidth(kPhysWidth);
    ImGui::PushID(static_cast<int>(i));
    ImGui::InputText("##phys", &form.Phys[i]);
    ImGui::PopID();
  }
  ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(2, 2));
  ImGui::SetCursorPos(ImVec2(kPhysX, kFullscreenY));
  ImGui::Checkbox("Fullscreen", &form.Fullscr);
  ImGui::PopStyleVar();

  ImGui::PushFont(fonts.BoldLarge);
  BoldButton("Defaults", kDefaultsButton, [&] { form.Button2Click(); });
  BoldButton("Apply", kApplyButton, [&] { form.Button1Click(); });
  ImGui::PopFont();

  TNameEdit* names[] = {&form.P1E, &form.P2E};
  TTrackBar* bars[2][3] = {{&form.TB1R, &form.TB1G, &form.TB1B}, {&form.TB2R, &form.TB2G, &form.TB2B}};
  for (size_t p = 0; p < 2; ++p) {
    const float x = kPlayerX[p];
    ImGui::PushID(static_cast<int>(p));
    Label(p == 0 ? "Player 1 Name" : "Player 2 Name", x, kNameLabelY);
    ImGui::PushFont(fonts.Bold);
    NameEdit("##name", *names[p], x, kNameY, kPlayerWidth);
    ImGui::PopFont();
    Label("Colour", x, kColourLabelY);
    for (size_t c = 0; c < 3; ++c) {
      const float y = kBarY + kBarStep * static_cast<float>(c);
      ImGui::PushStyleColor(ImGuiCol_Text, kBarLabelColours[c]);
      ImGui::PushFont(fonts.Bold);
      Label(kBarLabels[c], x, y + 2);
      ImGui::PopFont();
      ImGui::PopStyleColor();
      TrackBar(kBarLabels[c], *bars[p][c], x + kBarLabelWidth, y, kPlayerWidth - kBarLabelWidth);
    }
    ImGui::PopID();
  }

  GroupBox(kPlayedByGroup, "Played by");
  for (size_t p = 0; p < 2; ++p) {
    const float x = kPlayerX[p];
    ImGui::PushID(static_cast<int>(p) + 10);
    Label(p == 0 ? "Player 1" : "Player 2", x, kPlayedByY + 3);
    ImGui::SetCursorPos(ImVec2(x + kPlayedByLabelWidth, kPlayedByY));
    ImGui::SetNextItemWidth(kPlayerWidth - kPlayedByLabelWidth);
    TPlayedBy& choice = form.PlayedBy[p];
    if (ImGui::BeginCombo("##playedby", std::string(NameOf(choice).Caption).c_str())) {
      for (const TPlayedByName& name : kPlayedByNames)
        if (ImGui::Selectable(std::string(name.Caption).c_str(), name.Value == choice)) choice = name.Value;
      ImGui::EndCombo();
    }
    ImGui::PopID();
  }

  ImGui::PushFont(fonts.Bold);
  BoldButton("Controls...", kControlsButton, [&] { form.ControlsClick(); });
  ImGui::PopFont();
}

// [SECTION] The window.

void TOptionsWindow::Show() {
  Form.Show();
  Window.Show();
}

void TOptionsWindow::HandleEvent(const SDL_Event& event) {
  if (Window.HandleEvent(event)) Form.CloseByFrame();
}

void TOptionsWindow::Update() {
  if (Form.Visible && !Window.Shown()) Window.Show();
  Window.Update([this](const TDialogFonts& fonts) { DrawOptionsForm(Form, fonts); });
  // "Apply" and the frame's close button hide the form.
  if (!Form.Visible && Window.Shown()) Window.Hide();
}

}  // namespace lr
