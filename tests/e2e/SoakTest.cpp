// Long matches with every powerup enabled, driven by random keys for both players: the game
// must neither crash nor stray (the sanitizer build runs the same), and two runs with the
// same seed and inputs must give byte-identical traces.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>

#include "support/RunProgram.h"

namespace lr::test {
namespace {

// A fixed pseudo-random script: the menu's "Start Game", then keys held for a few frames at a
// time, Space now and then for the scoreboards, and Escape twice in the whole run.
std::string RandomScript(int frames, uint32_t seed) {
  static const char* const kKeys[] = {"Up", "Down", "Left", "Right", "Return", "W", "A", "S", "D", "Q", "Space"};
  std::ostringstream out;
  out << "100 mouse 320 170\n101 click\n";
  uint32_t state = seed;
  auto next = [&state](uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % n;
  };
  bool down[11] = {};
  for (int frame = 300; frame < frames; frame += 1 + static_cast<int>(next(12))) {
    const uint32_t k = next(11);
    out << frame << " key " << kKeys[k] << (down[k] ? " up" : " down") << "\n";
    down[k] = !down[k];
    // Back to the title and into a new match twice in the run.
    if (frame % 4000 < 12 && frame > 1000) {
      out << frame + 1 << " key Escape down\n" << frame + 2 << " key Escape up\n";
      out << frame + 200 << " mouse 320 170\n" << frame + 201 << " click\n";
      frame += 202;
    }
  }
  return out.str();
}

TEST(Soak, TenThousandFramesOfRandomPlayTwiceGiveTheSameTrace) {
  TTempDir dir;
  WriteText(dir.File("in.txt"), RandomScript(10000, 20261209));
  for (const char* trace : {"a.jsonl", "b.jsonl"}) {
    const TRunResult run = RunGame({"--headless", "--frames", "10000", "--seed", "31337", "--input", dir.File("in.txt"),
                                    "--trace", dir.File(trace)});
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
  }
  const std::vector<std::string> a = ReadLines(dir.File("a.jsonl"));
  ASSERT_EQ(a.size(), 10000u);
  EXPECT_TRUE(a == ReadLines(dir.File("b.jsonl")));
  // The run played: rounds were started and players died.
  EXPECT_NE(ReadText(dir.File("a.jsonl")).find("\"Eliminated\":true"), std::string::npos);
  EXPECT_NE(ReadText(dir.File("a.jsonl")).find("\"TItem\""), std::string::npos);
}

}  // namespace
}  // namespace lr::test
