// What the computer player's thinking costs: a whole map of a level built at once (what a
// rebuild would cost a frame if it were not sliced), the same map built in the slices the
// computer flies a frame, and every Think of two Hard computers playing each other.
//
// The target: under 0.1 ms a frame for Think (mean and worst), so that the computer never
// shows in the frame time. Counters, in microseconds of this thread's CPU time:
//   BM_MapBuildWhole   build_us (one whole build), steps (frames of flight modelled), moves;
//   BM_MapBuildSliced  slice_mean_us, slice_worst_us, slices (frames a rebuild takes);
//   BM_ThinkHardHard   think_mean_us, think_p99_us, think_p999_us, think_worst_us over every frame in play,
//                      over_target (frames above 100 us), frames.
// Environment: LR_THINK_FRAMES (default 30000) frames of the Hard match; LR_THINK_SEED (default
// 4321) the virtual time of day; LR_DATA_DIR the sprite sheets' folder.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BenchGame.h"
#include "ai/ArenaMap.h"
#include "ai/ComputerPlayer.h"
#include "game/LevelUnit.h"
#include "game/MainForm.h"

namespace lr {
namespace {

constexpr int32_t kDikSpace = 57;
constexpr double kTargetUs = 100;

double CpuUs() { return bench::ThreadCpuMs() * 1000.0; }

// A match between two computers of `level`, started and run until its first round is in play.
struct TComputerMatch {
  explicit TComputerMatch(uint32_t seed, TPlayedBy level) : Game(seed), Form(Game.ForForm()) {
    Ok = Form.FormCreate();
    if (!Ok) return;
    // Nothing is drawn: the rules never read a pixel, and only the computer is measured here.
    Form.OS.UnInit();
    Form.SE.OnError = [](const std::string&, const std::string&) {};
    Form.GameSettings.PlayedBy = {level, level};
    Form.OForm->RoundSpin.SetValue(50);
    Form.StartGame();
    while (!(Form.GameMode == 1 && Form.RoundState == 0)) Frame();
  }
  void Frame() {
    Game.Keyboard.SetKey(kDikSpace, Form.GameMode == 1 && Form.RoundState == 1);
    Game.Clock.Advance(Form.Timer.TicksPerFrame());
    Form.Timer.Tick();
  }
  // The level's cells, ropes and mines as the computer reads them.
  void ReadLevel(TArenaMap& map) const {
    map.Clear();
    for (const TSprite* s : Form.SE.SpriteList) {
      if (s->Dead) continue;
      const int col = static_cast<int>(std::lround(s->X / 32)), row = static_cast<int>(std::lround(s->Y / 32));
      if (std::strcmp(s->ClassName(), "TPlatform") == 0 && !static_cast<const TPlatform*>(s)->Falling)
        map.AddPlatform(col, row);
      else if (std::strcmp(s->ClassName(), "TRope") == 0)
        map.AddRope(col, row);
      else if (std::strcmp(s->ClassName(), "TMine") == 0)
        map.AddMine(s->X, s->Y);
    }
  }
  TBodyRules Rules() const {
    const TGameSettings& g = Form.GameSettings;
    return {g.MovePower, g.JumpPower, g.ClimbPower, g.Gravity};
  }
  bench::TBenchServices Game;
  TGForm Form;
  bool Ok = false;
};

void BM_MapBuildWhole(benchmark::State& state) {
  TComputerMatch match(static_cast<uint32_t>(bench::EnvInt("LR_THINK_SEED", 4321)), TPlayedBy::Person);
  if (!match.Ok) return state.SkipWithError("the game could not start");
  TArenaMap map;
  match.ReadLevel(map);
  double worst = 0, sum = 0;
  int64_t n = 0;
  for (auto _ : state) {
    const double t0 = CpuUs();
    map.Build(match.Rules());
    const double us = CpuUs() - t0;
    sum += us;
    worst = std::max(worst, us);
    ++n;
    benchmark::DoNotOptimize(map.Moves().data());
  }
  state.counters["build_us"] = sum / static_cast<double>(n);
  state.counters["build_worst_us"] = worst;
  state.counters["steps"] = static_cast<double>(map.Flown());
  state.counters["moves"] = static_cast<double>(map.Moves().size());
}

void BM_MapBuildSliced(benchmark::State& state) {
  TComputerMatch match(static_cast<uint32_t>(bench::EnvInt("LR_THINK_SEED", 4321)), TPlayedBy::Person);
  if (!match.Ok) return state.SkipWithError("the game could not start");
  TArenaMap map;
  match.ReadLevel(map);
  std::vector<double> slices;
  int64_t builds = 0;
  for (auto _ : state) {
    double t0 = CpuUs();
    map.Start(match.Rules());
    bool done = false;
    while (!done) {
      done = map.Continue(TComputerPlayer::kFlightStepsPerFrame);
      const double t1 = CpuUs();
      slices.push_back(t1 - t0);  // the first slice carries the ledges and the list of flights
      t0 = t1;
    }
    ++builds;
  }
  double sum = 0;
  for (double v : slices) sum += v;
  state.counters["slice_mean_us"] = sum / static_cast<double>(slices.size());
  state.counters["slice_worst_us"] = *std::max_element(slices.begin(), slices.end());
  state.counters["slices"] = static_cast<double>(slices.size()) / static_cast<double>(builds);
}

void BM_ThinkHardHard(benchmark::State& state) {
  const int64_t frames = bench::EnvInt("LR_THINK_FRAMES", 30000);
  std::vector<double> think;
  for (auto _ : state) {
    TComputerMatch match(static_cast<uint32_t>(bench::EnvInt("LR_THINK_SEED", 4321)), TPlayedBy::Hard);
    if (!match.Ok) return state.SkipWithError("the game could not start");
    // A second computer per seat sees the same frames; its Think is timed and its keys dropped.
    std::array<std::unique_ptr<TComputerPlayer>, 2> shadows = {
        std::make_unique<TComputerPlayer>(match.Form, 0, TPlayedBy::Hard),
        std::make_unique<TComputerPlayer>(match.Form, 1, TPlayedBy::Hard)};
    double total = 0;
    for (int64_t f = 0; f < frames && !(match.Form.GameMode == 1 && match.Form.RoundState == 2); ++f) {
      match.Frame();
      for (auto& shadow : shadows) {
        const double t0 = CpuUs();
        benchmark::DoNotOptimize(shadow->Think());
        const double us = CpuUs() - t0;
        if (match.Form.GameMode == 1 && match.Form.RoundState == 0) {
          think.push_back(us);
          total += us;
        }
      }
    }
    state.SetIterationTime(total / 1e6);
  }
  if (think.empty()) return state.SkipWithError("no frame in play");
  std::sort(think.begin(), think.end());
  double sum = 0;
  for (double v : think) sum += v;
  state.counters["think_mean_us"] = sum / static_cast<double>(think.size());
  state.counters["think_p99_us"] = think[think.size() * 99 / 100];
  state.counters["think_p999_us"] = think[think.size() * 999 / 1000];
  state.counters["think_worst_us"] = think.back();
  state.counters["over_target"] =
      static_cast<double>(think.end() - std::upper_bound(think.begin(), think.end(), kTargetUs));
  state.counters["frames"] = static_cast<double>(think.size());
}

BENCHMARK(BM_MapBuildWhole)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MapBuildSliced)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThinkHardHard)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lr

BENCHMARK_MAIN();
