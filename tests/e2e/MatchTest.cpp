// Whole local matches through the headless runner: the menu by mouse, the banner, play by
// keys, deaths, both scoreboards, Space and Escape.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/RunProgram.h"

namespace lr::test {
namespace {

using nlohmann::json;

std::vector<json> RunMatch(const std::string& script, int frames, TTempDir& dir,
                           const std::vector<std::string>& extra = {}) {
  WriteText(dir.File("in.txt"), script);
  std::vector<std::string> args = {"--headless", "--frames", std::to_string(frames), "--seed", "4242",
                                   "--input", dir.File("in.txt"), "--trace", dir.File("t.jsonl")};
  args.insert(args.end(), extra.begin(), extra.end());
  const TRunResult run = RunGame(args);
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  std::vector<json> trace;
  for (const std::string& line : ReadLines(dir.File("t.jsonl"))) trace.push_back(json::parse(line));
  return trace;
}

// "Start Game" sits at (195, 150), 251 × 48, from frame 90 on.
constexpr const char* kStartByMouse = "100 mouse 320 170\n101 click\n";

const json& Player(const json& frame, const std::string& name) {
  for (const json& p : frame["players"])
    if (p["Name"] == name) return p;
  throw std::runtime_error("no player " + name);
}

TEST(Match, TheMenuStartsARoundWithItsBanner) {
  TTempDir dir;
  const auto t = RunMatch(kStartByMouse, 400, dir);
  ASSERT_EQ(t.size(), 400u);
  // Hovering the entry plays a Plink; the click starts the match before frame 101 runs.
  EXPECT_EQ(t[99]["HoverOption"], 1);
  EXPECT_EQ(t[100]["GameMode"], 3);
  EXPECT_EQ(t[100]["RoundNumber"], 1);
  ASSERT_TRUE(t[100].contains("level"));
  EXPECT_GE(t[100]["level"]["seed"].get<int>(), 1);
  EXPECT_LE(t[100]["level"]["seed"].get<int>(), 1000);
  EXPECT_EQ(t[100]["level"]["ropes"].size() >= 22u, true);
  EXPECT_FALSE(t[101].contains("level"));
  // The banner shows on 196 frames (101 to 296); its last frame puts the round in play.
  EXPECT_EQ(t[100 + 194]["GameMode"], 3);
  EXPECT_EQ(t[100 + 195]["GameMode"], 1);
  const json& red = Player(t[100], "Red Man");
  EXPECT_EQ(red["X"], 544);
  EXPECT_EQ(red["Y"], 320);
  EXPECT_EQ(red["ScaleX"], -1);
  EXPECT_EQ(Player(t[100], "Green Man")["X"], 64);
  // Standing on the lower fixed platforms once the round is in play.
  EXPECT_TRUE(Player(t[399], "Red Man")["OnGround"].is_boolean());
  EXPECT_EQ(Player(t[399], "Red Man")["Y"], 321);
  EXPECT_EQ(Player(t[399], "Green Man")["Y"], 321);
}

TEST(Match, WalkingMovesMovePowerPerFrame) {
  TTempDir dir;
  const auto t = RunMatch(std::string(kStartByMouse) + "320 key Left down\n340 key Left up\n", 360, dir);
  const double x0 = Player(t[320], "Red Man")["X"];
  const double x1 = Player(t[321], "Red Man")["X"];
  EXPECT_NEAR(x0 - x1, 1.6, 1e-4);
  EXPECT_EQ(Player(t[330], "Red Man")["State"], "psWalk");
  EXPECT_EQ(Player(t[330], "Red Man")["ScaleX"], -1);
  // Released: stopped within one frame.
  EXPECT_EQ(Player(t[342], "Red Man")["X"], Player(t[350], "Red Man")["X"]);
}

TEST(Match, AFallIntoTheLavaDecidesTheRoundAndTheBoardsFollow) {
  TTempDir dir;
  // Green walks left off its platform into the lava. With nobody ready the round board ends
  // itself after its countdown and the final board follows; Escape goes back to the title.
  const std::string script = std::string(kStartByMouse) + "300 key A down\n";
  const auto t = RunMatch(script + "1500 key Escape down\n", 1510, dir);
  int death = -1;
  for (size_t i = 300; i < t.size() && death < 0; ++i)
    if (Player(t[i], "Green Man")["Eliminated"] == true) death = static_cast<int>(i);
  ASSERT_GT(death, 0);
  const json& green = Player(t[death], "Green Man");
  EXPECT_EQ(green["DeathCause"], "Lava");
  EXPECT_EQ(green["Deaths"], 1);
  EXPECT_EQ(Player(t[death], "Red Man")["Wins"], 1);
  EXPECT_EQ(t[death]["RoundTimer"], 240);
  EXPECT_NE(std::find(t[death]["sounds"].begin(), t[death]["sounds"].end(), "Splash"), t[death]["sounds"].end());
  // 60 frames later the round board opens.
  EXPECT_EQ(t[death + 59]["RoundState"], 0);
  EXPECT_EQ(t[death + 60]["RoundState"], 1);
  EXPECT_EQ(t[death + 60]["ScoreFade"], 199);
  // Nobody ready: on its 739th frame the board hands over to the final board.
  EXPECT_EQ(t[death + 60 + 737]["RoundState"], 1);
  EXPECT_EQ(t[death + 60 + 738]["RoundState"], 2);
  // Escape before frame 1500 returns to the title, whose timeline starts again.
  EXPECT_EQ(t[1498]["GameMode"], 1);
  EXPECT_EQ(t[1499]["GameMode"], 0);
  EXPECT_EQ(t[1499]["TitleCounter"], 1);
}

TEST(Match, SpaceAtTheRoundBoardStartsTheNextRound) {
  TTempDir dir;
  const auto t = RunMatch(std::string(kStartByMouse) + "300 key A down\n420 key A up\n700 key Space down\n", 720, dir);
  EXPECT_EQ(t[698]["RoundState"], 1);
  EXPECT_EQ(t[699]["GameMode"], 3);
  EXPECT_EQ(t[699]["RoundNumber"], 2);
  EXPECT_TRUE(t[699].contains("level"));
  EXPECT_EQ(Player(t[699], "Green Man")["Eliminated"], false);
}

TEST(Match, TheSameSeedAndInputsGiveTheSameTrace) {
  TTempDir a, b;
  const std::string script =
      std::string(kStartByMouse) + "300 key Up down\n305 key Up up\n310 key D down\n400 key D up\n410 key S down\n";
  RunMatch(script, 600, a);
  RunMatch(script, 600, b);
  EXPECT_EQ(ReadText(a.File("t.jsonl")), ReadText(b.File("t.jsonl")));
}

}  // namespace
}  // namespace lr::test
