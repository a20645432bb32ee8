// A short slice of the chaos soak (the campaign tool runs long ones), and the scripted runs of
// what earlier campaigns and players found: each must end cleanly, under the sanitizers too.
#include <gtest/gtest.h>

#include <functional>

#include <nlohmann/json.hpp>

#include "support/RunProgram.h"
#include "tools/chaos_soak/ChaosRun.h"

namespace lr::test {
namespace {

class ChaosSoak : public testing::TestWithParam<uint32_t> {};

TEST_P(ChaosSoak, ThreeThousandFramesRunCleanTwiceAlike) {
  TTempDir dir;
  const chaos::TChaosResult result = chaos::RunChaos(LR_BINARY, GetParam(), 3000, dir.Path().string());
  EXPECT_TRUE(result.Ok) << result.Problem << "\nrerun: " << result.Command;
}

INSTANTIATE_TEST_SUITE_P(Seeds, ChaosSoak, testing::Values(1u, 2u, 3u));

TEST(ChaosPlan, OneSeedOnePlanAndTheChecksCatchAShortOrBrokenTrace) {
  const chaos::TChaosPlan a = chaos::MakeChaosPlan(7, 5000), b = chaos::MakeChaosPlan(7, 5000);
  EXPECT_EQ(a.Args, b.Args);
  EXPECT_EQ(a.Script, b.Script);
  EXPECT_NE(a.Script, chaos::MakeChaosPlan(8, 5000).Script);
  // The script never reaches past its last frame.
  EXPECT_EQ(a.Script.find("\n5001 "), std::string::npos);

  TTempDir dir;
  const std::string good = R"({"frame":1,"players":[{"Name":"Red Man","X":1.5,"Y":2,"VelX":0,"VelY":0}]})";
  WriteText(dir.File("t"), good + "\n");
  EXPECT_EQ(chaos::CheckTrace(dir.File("t"), 1), "");
  EXPECT_NE(chaos::CheckTrace(dir.File("t"), 2), "");  // a frame missing
  WriteText(dir.File("t"), R"({"frame":1,"players":[{"Name":"Red Man","X":null,"Y":2,"VelX":0,"VelY":0}]})" "\n");
  EXPECT_NE(chaos::CheckTrace(dir.File("t"), 1), "");  // a position that was not finite
  WriteText(dir.File("t"), good.substr(0, 20) + "\n");
  EXPECT_NE(chaos::CheckTrace(dir.File("t"), 1), "");  // a cut line
}

// A scripted run of a fault found before, with what its trace must show.
struct TRegression {
  const char* Name;
  const char* Script;
  int Frames;
  std::function<void(const std::vector<nlohmann::json>&)> Check;
};

const TRegression kRegressions[] = {
    {"a climber at the round's end holds no rope of the freed level",
     // Red Man walks onto the fixed rope at x 480 and climbs; Green Man walks into the lava;
     // Space skips the board while Up stays held into the next round.
     "95 mouse 300 170\n100 click\n300 key Left down\n300 key A down\n340 key Left up\n341 key Up down\n"
     "420 key Space down\n",
     900,
     [](const std::vector<nlohmann::json>& trace) {
       bool climbed = false, secondRound = false;
       for (const nlohmann::json& r : trace) {
         const nlohmann::json& red = r["players"][0];
         climbed = climbed || (r["RoundNumber"] == 1 && red["State"] == "psClimb");
         if (r["RoundNumber"] == 2 && r["GameMode"] == 3) {
           secondRound = true;
           EXPECT_FALSE(red["OnRope"].get<bool>()) << "frame " << r["frame"];
         }
       }
       EXPECT_TRUE(climbed && secondRound);
     }},
};

TEST(Regressions, ScriptedFaultsRunCleanAndShowTheirFix) {
  for (const TRegression& regression : kRegressions) {
    SCOPED_TRACE(regression.Name);
    TTempDir dir;
    WriteText(dir.File("in.txt"), regression.Script);
    const TRunResult run = RunGame({"--headless", "--frames", std::to_string(regression.Frames), "--input",
                                    dir.File("in.txt"), "--trace", dir.File("t.jsonl")});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    std::vector<nlohmann::json> trace;
    for (const std::string& line : ReadLines(dir.File("t.jsonl"))) trace.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(trace.size(), static_cast<size_t>(regression.Frames));
    regression.Check(trace);
  }
}

}  // namespace
}  // namespace lr::test
