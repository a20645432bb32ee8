// The controls: a pad's buttons and stick as the slot bits of its player's keys, rebinding in
// the Controls window with its refusals, Escape and "Defaults", and lavarumble.ini's [Keys]
// and [Pads] both ways, damaged entries falling back to the defaults.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/KeyTable.h"
#include "settings/ControlsForm.h"
#include "settings/IniFile.h"
#include "support/RunProgram.h"

namespace lr {
namespace {

constexpr TSlotSet Bit(size_t action) { return TSlotSet{1} << action; }
// The actions as slots: player 1 up, down, left, right, use are 0..4, player 2's 5..9.
enum : size_t { P1Up, P1Down, P1Left, P1Right, P1Use, P2Up, P2Down, P2Left, P2Right, P2Use, Ready };

Integer Dik(const char* name) { return FindKeyByName(name)->Dik; }

TEST(Controls, PadsHoldTheSlotsOfThePlayerTheyPlay) {
  struct TCase {
    const char* Name;
    uint8_t Player;  // of pad 1
    bool Online;
    TPadButtons Buttons;
    int16_t X, Y;
    TSlotSet Expected;
  };
  const TCase cases[] = {
      {"the first pad plays player 2 by default", 2, false, PadBit(TPadButton::DpadLeft), 0, 0, Bit(P2Left)},
      {"south jumps, east uses", 2, false, PadBit(TPadButton::South) | PadBit(TPadButton::East), 0, 0,
       Bit(P2Up) | Bit(P2Use)},
      {"west uses too; D-pad down crouches", 1, false, PadBit(TPadButton::West) | PadBit(TPadButton::DpadDown), 0, 0,
       Bit(P1Use) | Bit(P1Down)},
      {"start is ready for either player", 1, false, PadBit(TPadButton::Start), 0, 0, Bit(Ready)},
      {"buttons no action has do nothing", 1, false, PadBit(TPadButton::North) | PadBit(TPadButton::Back), 0, 0, 0},
      {"a pad given to nobody holds nothing", 0, false, PadBit(TPadButton::South), -32768, 0, 0},
      {"online every pad steers the local player", 2, true, PadBit(TPadButton::DpadRight), 0, 0, Bit(P1Right)},
      // The dead zone's edges on both axes, both ways.
      {"stick at the dead zone's edge rests", 1, false, 0, -kStickDeadZone, kStickDeadZone, 0},
      {"stick just past it walks left and crouches", 1, false, 0, -kStickDeadZone - 1, kStickDeadZone + 1,
       Bit(P1Left) | Bit(P1Down)},
      {"stick right and up", 2, false, 0, kStickDeadZone + 1, -kStickDeadZone - 1, Bit(P2Right) | Bit(P2Up)},
      {"stick fully over", 2, false, 0, 32767, -32768, Bit(P2Right) | Bit(P2Up)},
  };
  for (const TCase& c : cases) {
    TControls controls;
    controls.PadPlayer[0] = c.Player;
    TGamepads pads;
    pads.Plug(0);
    for (const TPadButtonName& name : kPadButtonNames)
      pads.SetButton(0, name.Button, (c.Buttons & PadBit(name.Button)) != 0);
    pads.SetAxis(0, TPadAxis::LeftX, c.X);
    pads.SetAxis(0, TPadAxis::LeftY, c.Y);
    EXPECT_EQ(PadSlots(controls, pads, c.Online), c.Expected) << c.Name;
  }
}

TEST(Controls, TwoPadsPlayTwoPlayersAndUnpluggingLetsGoAtOnce) {
  TControls controls;  // pad 1 plays player 2, pad 2 player 1
  TGamepads pads;
  pads.Plug(0);
  pads.Plug(1);
  pads.SetButton(0, TPadButton::DpadRight, true);
  pads.SetAxis(1, TPadAxis::LeftX, -20000);
  pads.SetButton(1, TPadButton::East, true);
  EXPECT_EQ(PadSlots(controls, pads, false), Bit(P2Right) | Bit(P1Left) | Bit(P1Use));
  // Unplugged mid-match: what it held is let go; its later events are ignored until it is back.
  pads.Unplug(1);
  pads.SetButton(1, TPadButton::East, true);
  EXPECT_EQ(PadSlots(controls, pads, false), Bit(P2Right));
  EXPECT_FALSE(pads.State(1).Plugged);
  pads.Plug(1);
  EXPECT_EQ(PadSlots(controls, pads, false), Bit(P2Right));
  pads.SetButton(1, TPadButton::South, true);
  EXPECT_EQ(PadSlots(controls, pads, false), Bit(P2Right) | Bit(P1Up));
  // Presses are kept for binding, once each, oldest first; a held button is no new press.
  pads.SetButton(1, TPadButton::South, true);
  const std::vector<TGamepads::TPress> presses = pads.TakePresses();
  ASSERT_EQ(presses.size(), 3u);
  EXPECT_EQ(presses[0].Button, TPadButton::DpadRight);
  EXPECT_EQ(presses[2].Pad, 1);
  EXPECT_EQ(presses[2].Button, TPadButton::South);
  EXPECT_TRUE(pads.TakePresses().empty());
  // Places beyond the four, and axes beyond the range, are kept out.
  pads.Plug(kMaxPads);
  pads.SetAxis(0, TPadAxis::LeftY, -100000);
  EXPECT_EQ(pads.State(0).Axis(TPadAxis::LeftY), -32768);
  EXPECT_FALSE(pads.State(kMaxPads).Plugged);
}

struct TControlsRig {
  lr::test::TTempDir Dir;
  TGameSettings Settings;
  TControlsForm Form{Settings, Dir.File("lavarumble.ini")};
  std::vector<std::string> Errors;
  TControlsRig() {
    Form.ShowError = [this](const std::string& text) { Errors.push_back(text); };
  }
};

TEST(Controls, RebindingRefusesWhatAnotherActionHasAndEscapeCancels) {
  TControlsRig rig;
  TControlsForm& form = rig.Form;
  form.Show();
  struct TStep {
    const char* Name;
    int Row;       // clicked first, or -1
    Integer Key;   // pressed then, or 0
    std::optional<TPadButton> Button = std::nullopt;
    int Waiting;   // afterwards
    const char* Message;
  };
  const TStep steps[] = {
      {"a free key binds", P1Left, Dik("J"), std::nullopt, -1, ""},
      {"a key player 2 has is refused, naming the action", P1Right, Dik("D"), std::nullopt, P1Right,
       "D is already bound to Player 2 right"},
      {"the row still waits: Escape cancels", -1, Dik("Escape"), std::nullopt, -1, ""},
      {"a key pressed while no row waits does nothing", -1, Dik("K"), std::nullopt, -1, ""},
      {"its own key again is no conflict", P2Use, Dik("Q"), std::nullopt, -1, ""},
      {"the key given away before is free now", Ready, Dik("Left"), std::nullopt, -1, ""},
      {"the ready key is refused to a player", P2Up, Dik("Left"), std::nullopt, P2Up,
       "Left is already bound to Ready"},
      {"a pad button of the same player is refused", P2Up, 0, TPadButton::East, P2Up,
       "East is already bound to Player 2 use"},
      {"ready's pad button is refused to a player", P2Up, 0, TPadButton::Start, P2Up,
       "Start is already bound to Ready"},
      {"D-pad down, player 2 down's, is refused", P2Up, 0, TPadButton::DpadDown, P2Up,
       "D-pad down is already bound to Player 2 down"},
      {"a free pad button binds in place of the action's buttons", P1Use, 0, TPadButton::North, -1, ""},
      {"player 1's pad button is free for player 2, whose pad is another", P2Up, 0, TPadButton::North, -1, ""},
  };
  for (const TStep& step : steps) {
    if (step.Row >= 0) form.RowClick(step.Row);
    if (step.Key) form.KeyPressed(step.Key);
    if (step.Button) form.PadPressed(*step.Button);
    EXPECT_EQ(form.Waiting, step.Waiting) << step.Name;
    EXPECT_EQ(form.Message, step.Message) << step.Name;
    if (form.Waiting >= 0) form.KeyPressed(Dik("Escape"));
  }
  EXPECT_EQ(form.Shown.Keys[P1Left], Dik("J"));
  EXPECT_EQ(form.Shown.Keys[Ready], Dik("Left"));
  EXPECT_EQ(form.Shown.Keys[P1Right], Dik("Right"));
  EXPECT_EQ(form.Shown.PadButtons[P2Up], PadBit(TPadButton::North));
  EXPECT_EQ(form.Shown.PadButtons[P1Use], PadBit(TPadButton::North));
  // Nothing is in effect before "Apply"; closing by the frame drops it all.
  EXPECT_EQ(rig.Settings.Controls, TControls{});
  form.CloseByFrame();
  form.Show();
  EXPECT_EQ(form.Shown, TControls{});
  // "Defaults" puts the game's table into the rows only.
  form.RowClick(P1Up);
  form.KeyPressed(Dik("I"));
  form.Shown.PadPlayer = {1, 2, 1, 2};
  form.DefaultsClick();
  EXPECT_EQ(form.Shown, TControls{});
}

TEST(Controls, ApplyKeepsThemInTheIniBesideWhatElseItHoldsAndTheyComeBack) {
  TControlsRig first;
  lr::test::WriteText(first.Dir.File("lavarumble.ini"), "[Player2]\nPlayedBy = Hard\n");
  first.Form.Show();
  first.Form.RowClick(P1Left);
  first.Form.KeyPressed(Dik("NumpadEnter"));
  first.Form.RowClick(P2Use);
  first.Form.KeyPressed(Dik("LeftAlt"));
  first.Form.RowClick(Ready);
  first.Form.PadPressed(TPadButton::Back);
  first.Form.Shown.PadPlayer = {1, 2, 0, 2};
  ASSERT_TRUE(first.Form.ApplyClick());
  EXPECT_FALSE(first.Form.Visible);
  EXPECT_EQ(first.Settings.Controls, first.Form.Shown);
  const std::string text = lr::test::ReadText(first.Dir.File("lavarumble.ini"));
  // SDL's names, which a person can edit.
  for (const char* line : {"PlayedBy = Hard", "[Keys]", "Player1Left = Keypad Enter", "Player2Use = Left Alt",
                           "Player1Up = Up", "Ready = Space", "[Pads]", "Pad1 = Player1", "Pad3 = Nobody",
                           "Player1Up = south dpup", "Ready = back"})
    EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;

  TControlsRig second;
  lr::test::WriteText(second.Dir.File("lavarumble.ini"), text);
  EXPECT_EQ(second.Form.LoadControls(), "");
  EXPECT_EQ(second.Settings.Controls, first.Settings.Controls);
  EXPECT_EQ(second.Form.Shown, first.Settings.Controls);
}

// The game's settings folder may not exist yet when the controls are the first thing applied.
TEST(Controls, ApplyMakesTheSettingsFolderOnlyWhenAskedTo) {
  for (const bool make : {false, true}) {
    lr::test::TTempDir dir;
    TGameSettings settings;
    TControlsForm form{settings, dir.File("config/lavarumble/lavarumble.ini")};
    std::vector<std::string> errors;
    form.ShowError = [&errors](const std::string& text) { errors.push_back(text); };
    form.MakeFolder = make;
    form.Show();
    EXPECT_EQ(form.ApplyClick(), make) << make;
    EXPECT_EQ(errors.empty(), make) << make;
    EXPECT_EQ(std::filesystem::exists(dir.File("config/lavarumble/lavarumble.ini")), make) << make;
  }
}

TEST(Controls, DamagedEntriesFallBackToTheDefaultsWithOneLine) {
  const TControls defaults;
  struct TCase {
    const char* Text;
    const char* Problem;  // in the line, or "" for none
    std::function<bool(const TControls&)> Check;
  };
  const TCase cases[] = {
      {"", "", [&](const TControls& c) { return c == defaults; }},
      // Names and keys read in any letter case.
      {"[keys]\nplayer1left = j\n", "", [&](const TControls& c) { return c.Keys[P1Left] == Dik("J"); }},
      {"[Keys]\nPlayer1Left = Hyper\nPlayer1Right = K\n", "[Keys] Player1Left 'Hyper'",
       [&](const TControls& c) { return c.Keys[P1Left] == defaults.Keys[P1Left] && c.Keys[P1Right] == Dik("K"); }},
      {"[Keys]\nReady = Escape\n", "[Keys] Ready 'Escape'", [&](const TControls& c) { return c == defaults; }},
      {"[Keys]\nPlayer1Up = W\nPlayer1Down = J\n", "one key for two actions ('W')",
       [&](const TControls& c) { return c.Keys == defaults.Keys; }},
      {"[Pads]\nPlayer1Use = east banana\nPlayer2Use = north\n", "[Pads] Player1Use 'east banana'",
       [&](const TControls& c) {
         return c.PadButtons[P1Use] == defaults.PadButtons[P1Use] && c.PadButtons[P2Use] == PadBit(TPadButton::North);
       }},
      {"[Pads]\nPlayer2Use = start\n", "one pad button for two actions",
       [&](const TControls& c) { return c.PadButtons == defaults.PadButtons; }},
      {"[Pads]\nPad2 = Player3\nPad3 = Player1\n", "[Pads] Pad2 'Player3'",
       [&](const TControls& c) { return c.PadPlayer == std::array<uint8_t, kMaxPads>{2, 1, 1, 0}; }},
  };
  for (const TCase& c : cases) {
    TControlsRig rig;
    lr::test::WriteText(rig.Dir.File("lavarumble.ini"), c.Text);
    const std::string problem = rig.Form.LoadControls();
    if (*c.Problem)
      EXPECT_NE(problem.find(c.Problem), std::string::npos) << c.Text << " gave: " << problem;
    else
      EXPECT_EQ(problem, "") << c.Text;
    EXPECT_TRUE(c.Check(rig.Settings.Controls)) << c.Text;
    EXPECT_EQ(rig.Form.Shown, rig.Settings.Controls) << c.Text;
  }
}

}  // namespace
}  // namespace lr
