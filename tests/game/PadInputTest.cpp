// The keyboard and the pads together in GetInput: either one holds a slot down, a computer
// player ignores its person's pad as it ignores their keys, and rebound keys replace the
// table's.
#include <gtest/gtest.h>

#include <memory>

#include "actors/PlayerUnit.h"
#include "game/MainForm.h"
#include "platform/KeyTable.h"
#include "platform/KeyboardDevice.h"
#include "platform/RecordingAudio.h"

namespace lr {
namespace {

TEST(PadInput, KeyboardAndPadTogetherSteerThePlayersThroughTheSameFlags) {
  VirtualClock clock(0);
  TRecordingAudio audio(clock);
  TScriptedKeyboard keyboard;
  TGamepads pads;
  TGForm form(TFormServices{
      .Clock = &clock, .DataFolder = LR_BUILD_DIR "/data", .Keyboard = &keyboard, .Pads = &pads, .Audio = &audio});
  ASSERT_TRUE(form.FormCreate());
  TPlayer& p1 = *form.Player1;
  TPlayer& p2 = *form.Player2;
  const auto key = [&](const char* name, bool down) { keyboard.SetKey(FindKeyByName(name)->Dik, down); };
  struct TFlags {
    bool Left, Right, Up, Down;
    bool operator==(const TFlags&) const = default;
  };
  const auto input = [&](TPlayer& p) {
    p.OnGround = true;
    form.GetInput();
    const TFlags flags{p.KeyLeft, p.KeyRight, p.KeyUp, p.KeyDown};
    p.ClearInput();
    return flags;
  };
  pads.Plug(0);  // plays player 2
  pads.Plug(1);  // plays player 1

  key("A", true);
  pads.SetButton(0, TPadButton::DpadRight, true);
  EXPECT_EQ(input(p2), (TFlags{true, true, false, false})) << "key and pad at once";
  key("A", false);
  pads.SetButton(0, TPadButton::DpadLeft, true);
  key("A", true);
  pads.SetButton(0, TPadButton::DpadLeft, false);
  EXPECT_EQ(input(p2), (TFlags{true, true, false, false})) << "the key holds left when the pad lets go";
  key("A", false);
  pads.SetButton(0, TPadButton::DpadRight, false);
  EXPECT_EQ(input(p2), (TFlags{false, false, false, false}));

  pads.SetAxis(1, TPadAxis::LeftY, -32768);
  key("Up", true);
  EXPECT_EQ(input(p1), (TFlags{false, false, true, false})) << "player 1's second pad";
  key("Up", false);
  EXPECT_EQ(input(p1), (TFlags{false, false, true, false})) << "the stick alone";
  pads.SetAxis(1, TPadAxis::LeftY, 0);

  // Ready on the round scoreboard from a pad's Start.
  form.RoundState = 1;
  pads.SetButton(1, TPadButton::Start, true);
  form.GetInput();
  EXPECT_TRUE(p1.Ready);
  EXPECT_TRUE(p2.Ready);
  form.RoundState = 0;
  pads.SetButton(1, TPadButton::Start, false);

  // A rebound key: J walks player 1 left, the arrow no longer does.
  form.GameSettings.Controls.Keys[2] = FindKeyByName("J")->Dik;
  key("Left", true);
  EXPECT_EQ(input(p1), (TFlags{false, false, false, false}));
  key("J", true);
  EXPECT_EQ(input(p1), (TFlags{true, false, false, false}));
  key("Left", false);
  key("J", false);

  // The computer plays player 2: its person's pad is ignored, as their keys are.
  form.GameSettings.PlayedBy[1] = TPlayedBy::Easy;
  pads.SetButton(0, TPadButton::East, true);
  pads.SetButton(0, TPadButton::DpadLeft, true);
  form.GetInput();
  EXPECT_NE(form.Computers[1], nullptr);
  EXPECT_FALSE(p2.KeyLeft);
}

}  // namespace
}  // namespace lr
