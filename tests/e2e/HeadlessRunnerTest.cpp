// The headless runner end to end: arguments, scripted input, trace and screenshots.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include <nlohmann/json.hpp>

#include "game/RandomGenerator.h"
#include "support/RunProgram.h"

namespace lr::test {
namespace {

using nlohmann::json;

std::vector<json> ReadTrace(const std::string& path) {
  std::vector<json> frames;
  for (const std::string& line : ReadLines(path)) frames.push_back(json::parse(line));
  return frames;
}

TEST(HeadlessRunner, RunsTheFramesAndTracesEach) {
  TTempDir dir;
  const TRunResult run = RunGame({"--headless", "--frames", "120", "--seed", "1", "--trace", dir.File("t.jsonl")});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  const std::vector<json> frames = ReadTrace(dir.File("t.jsonl"));
  ASSERT_EQ(frames.size(), 120u);
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i]["frame"], i + 1);
    // Every frame is one step of the animation clock and of the title timeline.
    EXPECT_EQ(frames[i]["TickCount"], i + 1);
    EXPECT_EQ(frames[i]["TitleCounter"].get<double>(), static_cast<double>(i + 1));
    EXPECT_EQ(frames[i]["GameMode"], 0);
    for (const char* key : {"RoundState", "RoundTimer", "RoundNumber", "BannerCounter", "ScoreFade",
                            "ScoreCountdown", "PowerupCountdown", "LavaScroll", "HoverOption", "RandomState",
                            "sprites", "sounds", "players"})
      EXPECT_TRUE(frames[i].contains(key)) << key;
  }
  // The title screen holds the round timer at 0, and the powerup countdown restarts at
  // PowerupDelay × 60 once it runs below 1.
  EXPECT_EQ(frames[0]["RoundTimer"], 0);
  EXPECT_EQ(frames[0]["PowerupCountdown"], 360);
  EXPECT_EQ(frames[1]["PowerupCountdown"], 359);
}

TEST(HeadlessRunner, SeedIsTheVirtualTimeOfDay) {
  TTempDir dir;
  const TRunResult run = RunGame({"--headless", "--frames", "1", "--seed", "43210", "--trace", dir.File("t.jsonl")});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  // The first frame lets a (hidden) powerup bubble in, which reseeds the generator from the
  // time of day, 16 ms after the seed by then, and draws its kind, side, speeds and bounces.
  TRandomGenerator expected;
  expected.RandomState = 43210 + 16;
  const int kind = expected.Random(9);
  if (expected.Random(3) == 1) expected.Random(2);
  expected.Random(300);
  expected.Random(300);
  expected.Random(6);
  if (kind == 4 || kind == 5) expected.Random(3);
  EXPECT_EQ(ReadTrace(dir.File("t.jsonl"))[0]["RandomState"], expected.RandomState);
  EXPECT_EQ(ReadTrace(dir.File("t.jsonl"))[0]["sprites"]["TItem"], 1);
}

TEST(HeadlessRunner, SameArgumentsGiveByteIdenticalTraces) {
  TTempDir dir;
  WriteText(dir.File("in.txt"), "3 key Left down\n9 key Left up\n12 mouse 320 240\n13 click\n");
  for (const char* name : {"a.jsonl", "b.jsonl"}) {
    const TRunResult run = RunGame({"--headless", "--frames", "300", "--seed", "777", "--input", dir.File("in.txt"),
                                    "--trace", dir.File(name)});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
  }
  const std::string a = ReadText(dir.File("a.jsonl"));
  EXPECT_FALSE(a.empty());
  EXPECT_EQ(a, ReadText(dir.File("b.jsonl")));
}

TEST(HeadlessRunner, EscapeOnTheTitleClosesTheProgram) {
  TTempDir dir;
  WriteText(dir.File("in.txt"), "# leave at once\n5 key Escape down   # a comment after an event\n");
  const TRunResult run = RunGame(
      {"--headless", "--frames", "100", "--input", dir.File("in.txt"), "--trace", dir.File("t.jsonl")});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  // The key arrives before frame 5 runs; the window closes and no frame runs after it.
  EXPECT_EQ(ReadTrace(dir.File("t.jsonl")).size(), 4u);
}

TEST(HeadlessRunner, SigtermEndsARealTimeRunAfterAWholeFrame) {
  // Either signal: the run ends at once with its trace whole, as when its frames run out.
  for (const int signal : {SIGTERM, SIGINT}) {
    TTempDir dir;
    TBackgroundProgram game(LR_BINARY, {"--headless", "--realtime", "--frames", "1000000", "--trace", "t.jsonl"},
                            dir.Path().string(), dir.File("out"), dir.File("err"));
    ASSERT_TRUE(game.Started());
    for (int i = 0; i < 200 && ReadLines(dir.File("t.jsonl")).size() < 30; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    game.Signal(signal);
    ASSERT_EQ(game.Wait(30), 0) << ReadText(dir.File("err"));
    const std::vector<json> frames = ReadTrace(dir.File("t.jsonl"));
    ASSERT_GE(frames.size(), 30u);
    EXPECT_EQ(frames.back()["frame"], frames.size());
  }
}

TEST(HeadlessRunner, ScreenshotsAreWrittenAtTheirFrames) {
  TTempDir dir;
  const TRunResult run = RunGame({"--headless", "--frames", "3", "--screenshot", "2:" + dir.File("two.png"),
                                  "--screenshot", "3:" + dir.File("three.png")});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  const std::string png = ReadText(dir.File("two.png"));
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  // Width and height in the header: 640 × 480.
  auto be32 = [&](size_t at) {
    return (static_cast<uint8_t>(png[at]) << 24) | (static_cast<uint8_t>(png[at + 1]) << 16) |
           (static_cast<uint8_t>(png[at + 2]) << 8) | static_cast<uint8_t>(png[at + 3]);
  };
  EXPECT_EQ(be32(16), 640);
  EXPECT_EQ(be32(20), 480);
  EXPECT_FALSE(ReadText(dir.File("three.png")).empty());
}

TEST(HeadlessRunner, BadArgumentsAndFilesExitWithCodeTwoAndOneLine) {
  TTempDir dir;
  WriteText(dir.File("bad1.txt"), "abc key Left down\n");
  WriteText(dir.File("bad2.txt"), "1 key Hyper down\n");  // no key of the table
  WriteText(dir.File("bad3.txt"), "1 key Left sideways\n");
  WriteText(dir.File("bad4.txt"), "1 mouse 10\n");
  WriteText(dir.File("bad5.txt"), "0 click\n");
  WriteText(dir.File("bad6.txt"), "1 jump\n");
  const std::vector<std::vector<std::string>> cases = {
      {"--headless"},
      {"--headless", "--frames", "-1"},
      {"--headless", "--frames", "ten"},
      {"--headless", "--frames", "1", "--seed", "86400000"},
      {"--headless", "--frames", "1", "--input", dir.File("missing.txt")},
      {"--headless", "--frames", "1", "--input", dir.File("bad1.txt")},
      {"--headless", "--frames", "1", "--input", dir.File("bad2.txt")},
      {"--headless", "--frames", "1", "--input", dir.File("bad3.txt")},
      {"--headless", "--frames", "1", "--input", dir.File("bad4.txt")},
      {"--headless", "--frames", "1", "--input", dir.File("bad5.txt")},
      {"--headless", "--frames", "1", "--input", dir.File("bad6.txt")},
      {"--headless", "--frames", "1", "--trace", dir.File("no/such/dir/t.jsonl")},
      {"--headless", "--frames", "1", "--screenshot", "x:" + dir.File("a.png")},
      {"--headless", "--frames", "1", "--screenshot", "1:" + dir.File("no/such/dir/a.png")},
      {"--frames", "5"},
      {"--no-such-option"},
  };
  for (const auto& args : cases) {
    const TRunResult run = RunGame(args);
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(run.ExitCode, 2) << joined;
    ASSERT_FALSE(run.Err.empty()) << joined;
    EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << joined << ": " << run.Err;
  }
}

TEST(HeadlessRunner, SoundCheckPlaysAndRecordsAllElevenSounds) {
  TTempDir dir;
  const TRunResult run =
      RunGame({"--headless", "--frames", "320", "--sound-check", "--trace", dir.File("t.jsonl")});
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  const std::vector<json> frames = ReadTrace(dir.File("t.jsonl"));
  const char* names[] = {"Scream", "Mine",    "Boom",  "Bzzt",  "Ouff",  "Loadup",
                         "Spring", "Gun",     "Spring2", "Plink", "Splash"};
  for (int i = 0; i < 11; ++i) {
    const json& sounds = frames[static_cast<size_t>(30 * i)]["sounds"];
    ASSERT_FALSE(sounds.empty()) << names[i];
    EXPECT_EQ(sounds[0], names[i]);
  }
  // A sound file that could not be read would have been reported.
  EXPECT_EQ(run.Err.find("Error loading sound"), std::string::npos) << run.Err;
}

TEST(HeadlessRunner, HelpExitsCleanly) {
  const TRunResult run = RunGame({"--help"});
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_NE(run.Out.find("--headless"), std::string::npos);
  EXPECT_NE(run.Out.find("--screenshot"), std::string::npos);
}

}  // namespace
}  // namespace lr::test
