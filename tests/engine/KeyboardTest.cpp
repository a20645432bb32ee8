// The keyboard part: slot sets from the key state, Pressed versus Down, focus, the table.
#include <gtest/gtest.h>

#include <set>

#include "engine/OmegaInput.h"
#include "platform/KeyTable.h"

namespace lr {
namespace {

constexpr int kUp = 200, kLeft = 203, kReturn = 28, kSpace = 57;

struct KeyboardTest : ::testing::Test {
  TScriptedKeyboard Keys;
  TOmegaInput Input{&Keys};
  TKeyboard& Kb = Input.Keyboard;
  void SetUp() override { Input.Init(); }
  static TSlotSet Slot(int i) { return TSlotSet{1} << i; }
};

TEST_F(KeyboardTest, ANewKeyboardHasTheDefaultTable) {
  EXPECT_EQ(Kb.Assigns[0], 200);
  EXPECT_EQ(Kb.Assigns[4], 57);
  EXPECT_EQ(Kb.Assigns[5], 29);
  EXPECT_EQ(Kb.Assigns[6], 28);
  EXPECT_EQ(Kb.Assigns[7], 0);
  EXPECT_EQ(Kb.Assigns[30], 1);
  EXPECT_EQ(Kb.Assigns[31], 56);
  EXPECT_TRUE(Kb.Enabled());
  EXPECT_TRUE(Kb.ForegroundOnly());
  EXPECT_FALSE(Kb.Exclusive());
}

TEST_F(KeyboardTest, HeldKeyIsDownEveryPollButPressedOnlyOnTheFirst) {
  Keys.SetKey(kUp, true);
  for (int poll = 0; poll < 3; ++poll) {
    Kb.Poll();
    EXPECT_EQ(Kb.Down, Slot(0)) << poll;
    EXPECT_EQ(Kb.Pressed, poll == 0 ? Slot(0) : 0u) << poll;
  }
  Keys.SetKey(kUp, false);
  Kb.Poll();
  EXPECT_EQ(Kb.Down, 0u);
  EXPECT_EQ(Kb.Pressed, 0u);
  // Pressed again after a release counts as a new press.
  Keys.SetKey(kUp, true);
  Kb.Poll();
  EXPECT_EQ(Kb.Pressed, Slot(0));
}

TEST_F(KeyboardTest, OnlyTheStateAtPollTimeCounts) {
  Kb.Poll();
  Keys.SetKey(kLeft, true);
  Keys.SetKey(kLeft, false);
  Kb.Poll();
  EXPECT_EQ(Kb.Down, 0u);
  EXPECT_EQ(Kb.Pressed, 0u);
}

TEST_F(KeyboardTest, EmptySlotsAreNeverDownAndSharedKeysLightEverySlot) {
  Kb.Assigns.fill(0);
  Kb.Assigns[3] = kReturn;
  Kb.Assigns[9] = kReturn;
  // Byte 0 of the state is "no key": even if set, a 0 slot stays up.
  Keys.SetKey(kReturn, true);
  Kb.Poll();
  EXPECT_EQ(Kb.Down, Slot(3) | Slot(9));
  // Codes outside the state are never down either.
  Kb.Assigns[10] = 300;
  Kb.Assigns[11] = -5;
  Kb.Poll();
  EXPECT_EQ(Kb.Down, Slot(3) | Slot(9));
}

TEST_F(KeyboardTest, ForegroundOnlyInputStopsWithoutFocusAndResumesAtOnce) {
  Keys.SetKey(kSpace, true);
  Keys.SetFocus(false);
  Kb.Poll();
  EXPECT_EQ(Kb.Down, 0u);
  Keys.SetFocus(true);
  Kb.Poll();
  EXPECT_EQ(Kb.Down, Slot(4));
  // Held from before the focus left: the key was seen down already, so no new press.
  Keys.SetFocus(false);
  Kb.Poll();
  Keys.SetFocus(true);
  Kb.Poll();
  EXPECT_EQ(Kb.Pressed, 0u);
  // A background keyboard keeps reading without the focus.
  Kb.SetForegroundOnly(false);
  Keys.SetFocus(false);
  Kb.Poll();
  EXPECT_EQ(Kb.Down, Slot(4));
}

TEST_F(KeyboardTest, DisabledOrUnsetKeyboardsReturnEmptySets) {
  Keys.SetKey(kUp, true);
  Kb.SetEnabled(false);
  Kb.Poll();
  EXPECT_EQ(Kb.Down, 0u);
  EXPECT_FALSE(Kb.Initialized);
  Kb.SetEnabled(true);
  Kb.Poll();
  EXPECT_EQ(Kb.Down, Slot(0));

  TOmegaInput noKeyboard(nullptr);
  noKeyboard.Init();
  noKeyboard.Keyboard.Poll();
  EXPECT_EQ(noKeyboard.Keyboard.Down, 0u);
  EXPECT_TRUE(noKeyboard.Initialized);
  EXPECT_FALSE(noKeyboard.Keyboard.Initialized);

  Input.UnInit();
  Kb.Poll();
  EXPECT_EQ(Kb.Down, 0u);
}

TEST_F(KeyboardTest, AssignsAreStoredAs128LittleEndianBytes) {
  Kb.Assigns[1] = 0x01020304;
  const std::vector<uint8_t> block = Kb.SaveAssigns();
  ASSERT_EQ(block.size(), 128u);
  EXPECT_EQ(block[0], 200);
  EXPECT_EQ(block[1], 0);
  EXPECT_EQ(block[4], 0x04);
  EXPECT_EQ(block[7], 0x01);
  TOmegaInput other(&Keys);
  ASSERT_TRUE(other.Keyboard.LoadAssigns(block));
  EXPECT_EQ(other.Keyboard.Assigns, Kb.Assigns);
  // A block of any other size is refused and leaves the table alone.
  EXPECT_FALSE(other.Keyboard.LoadAssigns(std::vector<uint8_t>(127, 0xFF)));
  EXPECT_FALSE(other.Keyboard.LoadAssigns({}));
  EXPECT_EQ(other.Keyboard.Assigns, Kb.Assigns);
}

TEST(KeyTable, CoversAFullKeyboardWithUniqueCodes) {
  std::set<int> diks, sdls;
  std::set<std::string_view> names;
  for (const TKeyInfo& key : KeyTable()) {
    EXPECT_GT(key.Dik, 0);
    EXPECT_LT(key.Dik, 256);
    EXPECT_TRUE(diks.insert(key.Dik).second) << key.Name;
    EXPECT_TRUE(sdls.insert(key.SdlScancode).second) << key.Name;
    EXPECT_TRUE(names.insert(key.Name).second) << key.Name;
    EXPECT_EQ(FindKeyByDik(key.Dik), &key);
    EXPECT_EQ(FindKeyBySdlScancode(key.SdlScancode), &key);
    EXPECT_EQ(FindKeyByName(key.Name), &key);
  }
  // A 105-key keyboard: letters, digits, function keys, the keypad, arrows and the rest.
  EXPECT_GE(KeyTable().size(), 105u);
  // The game's keys with their stored codes.
  const std::pair<std::string_view, int> game[] = {{"Up", 200}, {"Down", 208}, {"Left", 203}, {"Right", 205},
                                                   {"Return", 28}, {"W", 17},   {"S", 31},    {"A", 30},
                                                   {"D", 32},    {"Q", 16},    {"Space", 57}, {"Escape", 1}};
  for (const auto& [name, dik] : game) {
    ASSERT_NE(FindKeyByName(name), nullptr) << name;
    EXPECT_EQ(FindKeyByName(name)->Dik, dik) << name;
  }
  EXPECT_EQ(FindKeyByName("Escape")->VirtualKey, 27);
  EXPECT_EQ(FindKeyByName("up"), nullptr);
  EXPECT_EQ(FindKeyByDik(0), nullptr);
}

}  // namespace
}  // namespace lr
