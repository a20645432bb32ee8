// The chaos soak: one seeded headless run of the game with random keys held for random lengths,
// sandbox bubbles and placements anywhere, mouse moves, clicks, Escape and new matches; run
// twice and checked (clean exit, no sanitizer report, complete and identical traces, finite
// positions).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lr::chaos {

// What one seed asks of the game: its command line (without the binary, the input file and the
// trace) and its input script.
struct TChaosPlan {
  std::vector<std::string> Args;
  std::string Script;
};

TChaosPlan MakeChaosPlan(uint32_t seed, int64_t frames);

struct TChaosResult {
  bool Ok = false;
  std::string Problem;  // empty when Ok; else what failed, for the campaign's report
  std::string Command;  // the command line that reproduces the run
};

// Runs `binary` twice for this seed in `workDir` (which must exist and be empty) and checks both
// runs. The folder keeps the script, traces and outputs for a failing run.
TChaosResult RunChaos(const std::string& binary, uint32_t seed, int64_t frames, const std::string& workDir);

// The checks on one trace: `frames` lines, each a JSON object whose players' positions and
// speeds are finite numbers. Empty when it passes.
std::string CheckTrace(const std::string& path, int64_t frames);

}  // namespace lr::chaos
