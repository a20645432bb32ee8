// Rebound keys and pads end to end: the headless binary with a lavarumble.ini and a script of
// keys and pad events, the players' moves read from its trace; and the script's pad lines.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/InputScript.h"
#include "support/RunProgram.h"

namespace lr::test {
namespace {

using nlohmann::json;

TEST(ControlsScript, PadLinesParseAndBadOnesSayWhy) {
  TInputScript script;
  std::string error;
  ASSERT_TRUE(ParseInputScript("3 pad 1 plug\n3 pad 4 dpleft down  # a comment\n4 pad 2 axis lefty -32768\n"
                               "5 pad 2 start up\n6 pad 1 unplug\n7 key F5 down\n",
                               script, error))
      << error;
  using K = TPadEvent::TKind;
  const auto pad = [&](int64_t frame, size_t i) { return *script.Events.at(frame).at(i).Pad; };
  EXPECT_EQ(pad(3, 0).Kind, K::Plug);
  EXPECT_EQ(pad(3, 0).Pad, 0);
  EXPECT_EQ(pad(3, 1).Kind, K::Button);
  EXPECT_EQ(pad(3, 1).Pad, 3);
  EXPECT_EQ(pad(3, 1).Button, TPadButton::DpadLeft);
  EXPECT_TRUE(pad(3, 1).Down);
  EXPECT_EQ(pad(4, 0).Axis, TPadAxis::LeftY);
  EXPECT_EQ(pad(4, 0).Value, -32768);
  EXPECT_FALSE(pad(5, 0).Down);
  EXPECT_EQ(pad(6, 0).Kind, K::Unplug);
  for (const char* bad : {"1 pad\n", "1 pad 0 plug\n", "1 pad 5 plug\n", "1 pad 1 jump down\n", "1 pad 1 south\n",
                          "1 pad 1 axis leftz 0\n", "1 pad 1 axis leftx 32768\n", "1 pad 1 axis leftx\n",
                          "1 pad x unplug\n", "1 key Hyper down\n"}) {
    TInputScript ignored;
    EXPECT_FALSE(ParseInputScript(bad, ignored, error)) << bad;
    EXPECT_EQ(error.rfind("line 1: ", 0), 0u) << error;
  }
}

// Player 1's left is rebound to J; the first pad plays player 2 as it does by default. The round
// is in play from frame 297, Red Man at x 544 and Green Man at x 64 on the lower ledges.
TEST(ControlsScript, AReboundKeyAndAPadMoveThePlayersAndAnUnpluggedPadLetsGo) {
  TTempDir dir;
  WriteText(dir.File("lavarumble.ini"), "[Keys]\nPlayer1Left = J\n");
  WriteText(dir.File("in.txt"),
            "100 mouse 320 170\n101 click\n"
            "300 key Left down\n300 pad 1 plug\n300 pad 1 dpright down\n"
            "330 key Left up\n330 key J down\n"
            "340 pad 1 unplug\n"  // mid-match, holding right
            "350 pad 1 plug\n351 pad 1 axis leftx -30000\n"
            "360 key J up\n380 pad 1 axis leftx 0\n");
  const TRunResult run = RunGame({"--headless", "--frames", "390", "--seed", "4242", "--powerups", "none", "--input",
                                  dir.File("in.txt"), "--trace", dir.File("t.jsonl")},
                                 "", dir.Path().string());
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(run.Err.find("lavarumble.ini"), std::string::npos) << run.Err;
  std::vector<json> t(1);
  for (const std::string& line : ReadLines(dir.File("t.jsonl"))) t.push_back(json::parse(line));
  ASSERT_EQ(t.size(), 391u);
  const auto x = [&](int frame, size_t player) { return t[frame]["players"][player]["X"].get<double>(); };
  ASSERT_EQ(t[300]["GameMode"], 1);
  // The arrow no longer walks Red Man; J does.
  EXPECT_EQ(x(329, 0), x(300, 0));
  EXPECT_LT(x(359, 0), x(331, 0) - 30);
  // The pad walks Green Man right, stops him when it is unplugged, and walks him left once
  // it is back.
  EXPECT_GT(x(339, 1), x(300, 1) + 30);
  EXPECT_EQ(x(349, 1), x(342, 1));
  EXPECT_LT(x(379, 1), x(352, 1) - 30);
  EXPECT_EQ(x(390, 1), x(382, 1));
  // The trace has the pads while one is plugged in: the slot bits they hold and each pad.
  EXPECT_FALSE(t[299].contains("pads"));
  EXPECT_EQ(t[320]["padSlots"], 1 << 8);  // player 2 right
  EXPECT_EQ(t[320]["pads"][0]["buttons"], "dpright");
  EXPECT_EQ(t[320]["pads"][0]["player"], 2);
  EXPECT_FALSE(t[345].contains("pads"));
  EXPECT_EQ(t[360]["padSlots"], 1 << 7);  // player 2 left
}

TEST(ControlsScript, ADamagedEntryKeepsItsDefaultWithOneLine) {
  TTempDir dir;
  WriteText(dir.File("lavarumble.ini"), "[Keys]\nPlayer1Left = Nowhere\n");
  const TRunResult run = RunGame({"--headless", "--frames", "2"}, "", dir.Path().string());
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_NE(run.Err.find("[Keys] Player1Left 'Nowhere'"), std::string::npos) << run.Err;
  EXPECT_EQ(ReadText(dir.File("lavarumble.ini")), "[Keys]\nPlayer1Left = Nowhere\n");
}

}  // namespace
}  // namespace lr::test
