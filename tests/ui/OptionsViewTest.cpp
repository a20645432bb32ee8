// The options dialog's view driven by ImGui's own input, without any window: clicks, drags
// and typing at the controls' places must reach the form's handlers.
#include <gtest/gtest.h>
#include <imgui.h>

#include <filesystem>

#include "engine/OmegaSprite.h"
#include "settings/OptionsForm.h"
#include "support/RunProgram.h"
#include "ui/OptionsView.h"

namespace lr::test {
namespace {

class OptionsView : public ::testing::Test {
 protected:
  OptionsView()
      : Sprite1(new TSprite(Engine)),
        Sprite2(new TSprite(Engine)),
        Form(Settings, {&Name1, Sprite1}, {&Name2, Sprite2}, Dir.File("Options.dat")) {
    Context = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(TOptionsWindow::kWidth, TOptionsWindow::kHeight);
    io.DeltaTime = 1.0f / 60;
    Fonts.Regular = Fonts.Bold = Fonts.BoldLarge = io.Fonts->AddFontDefault();
    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    Form.Show();
    Frame();
  }
  ~OptionsView() override { ImGui::DestroyContext(Context); }

  void Frame() {
    ImGui::NewFrame();
    BeginDialogSurface();
    DrawOptionsForm(Form, Fonts);
    ImGui::End();
    ImGui::Render();
  }
  // Pointer to (x, y), press, release: a frame each, as the window would deliver them.
  void Press(float x, float y) {
    ImGui::GetIO().MousePos = ImVec2(x, y);
    Frame();
    ImGui::GetIO().MouseDown[0] = true;
    Frame();
  }
  void Release() {
    ImGui::GetIO().MouseDown[0] = false;
    Frame();
  }
  void Click(float x, float y) {
    Press(x, y);
    Release();
  }
  void DragTo(float x, float y) {
    ImGui::GetIO().MousePos = ImVec2(x, y);
    Frame();
  }

  TTempDir Dir;
  TOmegaSprite Engine;
  TSprite* Sprite1;
  TSprite* Sprite2;
  std::string Name1 = "Red Man", Name2 = "Green Man";
  TGameSettings Settings;
  TOForm Form;
  ImGuiContext* Context = nullptr;
  TDialogFonts Fonts;
};

// Places on the dialog: "Defaults", "Apply", the rounds spin's text and up arrow, and the
// left and right ends of player 1's green bar.
constexpr float kDefaultsX = 205, kDefaultsY = 250;
constexpr float kApplyX = 339, kApplyY = 250;
constexpr float kRoundTextX = 180, kRoundTextY = 150 + 16 + 8;
constexpr float kRoundUpX = 150 + 100 - 8, kRoundUpY = 150 + 16 + 3;
constexpr float kGreenBarY = 370 + 34 + 8;
constexpr float kBarLeftX = 34, kBarRightX = 20 + 178;
constexpr float kEmptyX = 100, kEmptyY = 474;
constexpr float kName1X = 60, kName1Y = 322 + 8;

TEST_F(OptionsView, DefaultsThenApplyTakeTheSwitchesAndWriteTheFileAndCloseTheDialog) {
  Click(kDefaultsX, kDefaultsY);
  for (bool on : Form.S) EXPECT_TRUE(on);
  EXPECT_EQ(Form.P1E.Text, "Lava Newbie #1");
  EXPECT_FALSE(std::filesystem::exists(Dir.File("Options.dat")));
  Click(kApplyX, kApplyY);
  EXPECT_EQ(std::filesystem::file_size(Dir.File("Options.dat")), 102u);
  EXPECT_FALSE(Form.Visible);
  for (bool on : Settings.PowerupEnabled) EXPECT_TRUE(on);
  EXPECT_EQ(Name1, "Lava Newbie #1");
}

TEST_F(OptionsView, ControlsOpensTheControlsWindowAndLeavesTheDialogAsItIs) {
  int opened = 0;
  Form.ShowControls = [&] { ++opened; };
  Click(284 + 55, 542 + 16);
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(Form.Visible);
}

TEST_F(OptionsView, ABarFollowsTheDragAndColoursThePlayerAndTheNameAtOnce) {
  Press(kBarLeftX + 60, kGreenBarY);
  DragTo(kBarRightX + 40, kGreenBarY);
  EXPECT_EQ(Form.TB1G.Position, 255);
  EXPECT_EQ(Sprite1->Green, 255);
  EXPECT_EQ(Form.P1E.FontColor.G, 255);
  DragTo(0, kGreenBarY);
  Release();
  EXPECT_EQ(Form.TB1G.Position, 64);
  EXPECT_EQ(Sprite1->Green, 64);
  EXPECT_EQ(Form.TB2G.Position, 128);  // the other player's bar stays
}

TEST_F(OptionsView, SpinArrowsStepAndATypedNumberIsPulledInWhenTheFieldIsLeft) {
  Click(kRoundUpX, kRoundUpY);
  EXPECT_EQ(Form.RoundSpin.Text, "11");
  Click(kRoundTextX, kRoundTextY);
  ImGui::GetIO().AddInputCharactersUTF8("99");
  Frame();
  EXPECT_GT(Form.RoundSpin.Text.size(), 2u);  // typed text stands while the field has focus
  Click(kEmptyX, kEmptyY);
  EXPECT_EQ(Form.RoundSpin.Text, "50");
}

TEST_F(OptionsView, ATypedNameIsKeptInTheFilesCodeAndCutAtFifteenCharacters) {
  struct TCase {
    const char* Typed;  // UTF-8, as the keyboard gives it
    std::string Stored;
  };
  const TCase cases[] = {
      {"Zo\xC3\xAB", "Zo\xEB"},                                     // e with diaeresis: one byte
      {"\xE6\x97\xA5\xE6\x9C\xAC", "??"},                          // no 8-bit code
      {"\xE2\x82\xAC 5", "\x80 5"},                                  // the euro sign
      {"a\xF0\x9F\x94\xA5" "b", "a?b"},                              // past the basic plane
      {"\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89"
       "\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89\xC3\x89Z",
       std::string(15, '\xC9')},                                    // 18 characters, 35 bytes
  };
  for (const TCase& c : cases) {
    Click(kEmptyX, kEmptyY);
    Form.P1E.Text.clear();
    Click(kName1X, kName1Y);
    ImGui::GetIO().AddInputCharactersUTF8(c.Typed);
    Frame();
    EXPECT_EQ(Form.P1E.Text, c.Stored) << c.Typed;
  }
  // The edit itself holds no more than 15: typing on at the limit changes nothing, and one
  // backspace then leaves 14. Apply stores the 8-bit name.
  ImGui::GetIO().AddInputCharactersUTF8("x");
  Frame();
  EXPECT_EQ(Form.P1E.Text, std::string(15, '\xC9'));
  constexpr int kBackspace = 8;
  ImGui::GetIO().KeyMap[ImGuiKey_Backspace] = kBackspace;
  ImGui::GetIO().KeysDown[kBackspace] = true;
  Frame();
  ImGui::GetIO().KeysDown[kBackspace] = false;
  Frame();
  EXPECT_EQ(Form.P1E.Text, std::string(14, '\xC9'));
  Click(kApplyX, kApplyY);
  EXPECT_EQ(Name1, std::string(14, '\xC9'));
}

}  // namespace
}  // namespace lr::test
