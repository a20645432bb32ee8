// The computer player end to end: scenes set up with the sandbox options, run through the
// headless binary with --cpu, the outcome read from the trace.
//
// The first round is started by mouse and is in play from frame 297 on (sandbox tick 1). The
// computer plays Green Man (player 2); Red Man (player 1) is a person who presses nothing
// unless the scene says so. Random bubbles are switched off. Ledges of every level: row 12
// (feet at y 385, a standing player at y 321) x 64..191 and 448..575; row 3 (y 33) x 32..191
// and 448..607; ropes in columns 4 (x 128) and 15 (x 480) from row 1 down to row 11.
#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>

#include "app/OptionWords.h"
#include "support/RunProgram.h"

namespace lr::test {
namespace {

using nlohmann::json;

constexpr int kFirstPlayFrame = 297;

std::vector<json> RunScene(const std::vector<std::string>& extra, int frames, const std::string& keys = "",
                      const std::string& level = "hard") {
  TTempDir dir;
  WriteText(dir.File("in.txt"), "100 mouse 320 170\n101 click\n" + keys);
  std::vector<std::string> args = {"--headless", "--frames", std::to_string(frames), "--seed", "4242", "--input",
                                   dir.File("in.txt"), "--trace", dir.File("t.jsonl"), "--powerups", "none",
                                   "--cpu", "2:" + level};
  args.insert(args.end(), extra.begin(), extra.end());
  const TRunResult run = RunGame(args);
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  std::vector<json> trace(1);
  for (const std::string& line : ReadLines(dir.File("t.jsonl"))) trace.push_back(json::parse(line));
  EXPECT_EQ(trace.size(), static_cast<size_t>(frames) + 1);
  return trace;
}

// The boards sort the players by kills: find them by name.
const json& Named(const json& frame, const char* name) {
  for (const json& p : frame["players"])
    if (p["Name"] == name) return p;
  return frame["players"][0];
}
const json& Red(const json& frame) { return Named(frame, "Red Man"); }
const json& Green(const json& frame) { return Named(frame, "Green Man"); }

bool Played(const json& frame, const char* sound) {
  for (const json& s : frame["sounds"])
    if (s == sound) return true;
  return false;
}

// A scene: the sandbox and keys, how long it runs, and what must hold of its trace.
struct TScene {
  const char* Name;
  std::vector<std::string> Sandbox;
  std::string Keys;
  int Frames;  // of play
  std::function<void(const std::vector<json>&)> Check;
};

// The first frame of play from which `test` holds, or 0.
int FirstFrame(const std::vector<json>& t, const std::function<bool(const json&)>& test) {
  for (size_t f = kFirstPlayFrame; f < t.size(); ++f)
    if (test(t[f])) return static_cast<int>(f);
  return 0;
}

TEST(Computer, Scenes) {
  const TScene scenes[] = {
      {"does not walk into the lava from a ledge: the other waits across the lava gap",
       {"--place", "1:2:180:321", "--place", "1:1:452:321"},
       "",
       1500,
       [](const std::vector<json>& t) {
         double travelled = 0;
         for (size_t f = kFirstPlayFrame + 1; f < t.size(); ++f) {
           EXPECT_FALSE(Green(t[f])["Eliminated"] && Green(t[f])["DeathCause"] == "Lava") << "frame " << f;
           travelled += std::abs(Green(t[f])["X"].get<double>() - Green(t[f - 1])["X"].get<double>()) +
                        std::abs(Green(t[f])["Y"].get<double>() - Green(t[f - 1])["Y"].get<double>());
         }
         // It went somewhere: around the gap, not into it.
         EXPECT_GT(travelled, 200);
       }},
      {"climbs a rope to reach the other above",
       {"--place", "1:2:100:321", "--place", "1:1:40:33"},
       "",
       900,
       [](const std::vector<json>& t) {
         const int climbing = FirstFrame(t, [](const json& f) { return Green(f)["State"] == "psClimb"; });
         EXPECT_GT(climbing, 0);
         const int up = FirstFrame(t, [](const json& f) { return Green(f)["Y"].get<double>() < 40 && Green(f)["OnGround"]; });
         EXPECT_GT(up, climbing);
       }},
      {"turns back on a rope from a death bubble in its way",
       {"--place", "1:2:100:321", "--place", "1:1:40:33", "--bubble", "1:death:128:150"},
       "",
       700,
       [](const std::vector<json>& t) {
         EXPECT_GT(FirstFrame(t, [](const json& f) { return Green(f)["State"] == "psClimb"; }), 0);
         EXPECT_EQ(FirstFrame(t, [](const json& f) { return Green(f)["DeathCause"] == "Floating Death"; }), 0);
       }},
      {"picks up a bubble within reach on its ledge",
       {"--place", "1:2:64:321", "--place", "1:1:544:33", "--bubble", "1:handgun:150:340"},
       "",
       200,
       [](const std::vector<json>& t) {
         EXPECT_GT(FirstFrame(t, [](const json& f) { return Green(f)["Item"] == "pkHandgun"; }), 0);
       }},
      {"jumps for a bubble within reach above",
       {"--place", "1:2:64:321", "--place", "1:1:544:33", "--bubble", "1:spring-glove:176:280"},
       "",
       200,
       [](const std::vector<json>& t) {
         const int got = FirstFrame(t, [](const json& f) { return Green(f)["Item"] == "pkSpringGlove"; });
         ASSERT_GT(got, 0);
         EXPECT_GT(FirstFrame(t, [](const json& f) { return Green(f)["State"] == "psJump"; }), 0);
       }},
      {"fires a handgun at a player in line across the gap",
       {"--place", "1:2:150:321", "--place", "1:1:452:321", "--bubble", "1:handgun:150:340"},
       "",
       240,
       [](const std::vector<json>& t) {
         const int shot = FirstFrame(t, [](const json& f) { return Played(f, "Gun"); });
         ASSERT_GT(shot, 0);
         EXPECT_LT(shot, kFirstPlayFrame + 60);
         EXPECT_EQ(Red(t.back())["DeathCause"], "Handgun");
       }},
      {"does not fire at a player behind the platforms above",
       {"--place", "1:2:150:321", "--place", "1:1:100:33", "--bubble", "1:handgun:150:340"},
       "",
       160,
       [](const std::vector<json>& t) {
         ASSERT_GT(FirstFrame(t, [](const json& f) { return Green(f)["Item"] == "pkHandgun"; }), 0);
         EXPECT_EQ(FirstFrame(t, [](const json& f) { return Played(f, "Gun"); }), 0);
       }},
      {"leaves a mine's neighbourhood",
       // Red, facing left, lays a mine at x 130 and is put far away; the computer is put beside it.
       {"--place", "1:2:40:321", "--place", "1:1:150:321", "--bubble", "1:landmine:150:340", "--place",
        "12:1:544:33", "--place", "12:2:106:321"},
       "298 key Return down\n300 key Return up\n",
       400,
       [](const std::vector<json>& t) {
         const int laid = FirstFrame(t, [](const json& f) { return Played(f, "Mine"); });
         ASSERT_GT(laid, 0);
         // Put there before tick 12 (the trace shows it after its first step); within a few more
         // steps it is out of the mine's reach (x 100 to 160) on the side it stood.
         EXPECT_NEAR(Green(t[kFirstPlayFrame + 11])["X"].get<double>(), 106, 2);
         size_t out = kFirstPlayFrame + 11;
         while (out < t.size() && !(Green(t[out])["X"].get<double>() <= 100 && Green(t[out])["Y"] == 321)) ++out;
         EXPECT_LE(out, kFirstPlayFrame + 16u);
         for (size_t f = static_cast<size_t>(laid); f < t.size(); ++f)
           EXPECT_NE(Green(t[f])["DeathCause"], "Landmine") << "frame " << f;
       }},
  };
  for (const TScene& scene : scenes) {
    SCOPED_TRACE(scene.Name);
    const std::vector<json> t = RunScene(scene.Sandbox, kFirstPlayFrame + scene.Frames, scene.Keys);
    ASSERT_EQ(Green(t[kFirstPlayFrame])["Computer"], "Hard");
    EXPECT_FALSE(Red(t[kFirstPlayFrame]).contains("Computer"));
    scene.Check(t);
  }
}

TEST(Computer, AMatchAgainstTheComputerIsTheSameRunToRun) {
  // Both players computers of different strengths, random bubbles on: two runs, one trace.
  TTempDir dir;
  WriteText(dir.File("in.txt"), "100 mouse 320 170\n101 click\n102 key Space down\n");
  std::vector<std::string> traces;
  for (int run = 0; run < 2; ++run) {
    const std::string path = dir.File("t" + std::to_string(run) + ".jsonl");
    const TRunResult r = RunGame({"--headless", "--frames", "3000", "--seed", "777", "--input", dir.File("in.txt"),
                                  "--trace", path, "--cpu", "1:normal", "--cpu", "2:Hard"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    traces.push_back(ReadText(path));
  }
  EXPECT_EQ(traces[0], traces[1]);
  const std::vector<std::string> lines = ReadLines(dir.File("t0.jsonl"));
  const json last = json::parse(lines.back());
  EXPECT_EQ(Red(last)["Computer"], "Normal");
  EXPECT_EQ(Green(last)["Computer"], "Hard");
  // They played: the round was decided or someone collected something.
  int pickups = 0;
  for (const json& p : last["players"])
    for (const json& n : p["Pickups"]) pickups += n.get<int>();
  EXPECT_TRUE(pickups > 0 || last["RoundNumber"].get<int>() > 1) << lines.back();
}

TEST(Computer, CpuOptionWordsOrOneLine) {
  const struct {
    const char* Text;
    int Player;
    TPlayedBy Level;
  } good[] = {{"1:easy", 1, TPlayedBy::Easy}, {"2:Normal", 2, TPlayedBy::Normal}, {"2:HARD", 2, TPlayedBy::Hard},
              {"1:person", 1, TPlayedBy::Person}};
  for (const auto& c : good) {
    int player = 0;
    TPlayedBy level{};
    std::string error;
    EXPECT_TRUE(ParseCpuOption(c.Text, player, level, error)) << c.Text;
    EXPECT_EQ(player, c.Player) << c.Text;
    EXPECT_EQ(level, c.Level) << c.Text;
  }
  for (const char* bad : {"3:hard", "0:easy", "hard", "1:", ":hard", "1:expert", "1:hard:x", "12:easy", ""}) {
    int player = 0;
    TPlayedBy level{};
    std::string error;
    EXPECT_FALSE(ParseCpuOption(bad, player, level, error)) << bad;
    EXPECT_EQ(error, std::string("--cpu: expected PLAYER:LEVEL with PLAYER 1 or 2 and LEVEL easy, normal or hard, got '") +
                         bad + "'");
  }
  const TRunResult run = RunGame({"--headless", "--frames", "1", "--cpu", "2:expert"});
  EXPECT_EQ(run.ExitCode, 2);
  EXPECT_EQ(run.Err, "lavarumble: --cpu: expected PLAYER:LEVEL with PLAYER 1 or 2 and LEVEL easy, normal or hard, "
                     "got '2:expert'\n");
}

}  // namespace
}  // namespace lr::test
