// A whole local match, headless, every frame simulated and drawn: how long a frame takes.
//
// The game is wired as the headless runner wires it (virtual clock, recording audio, the font
// rasteriser, a scripted keyboard) and driven by a fixed script:
//   frame 100  the pointer moves onto "Start Game" (320, 170);
//   frame 101  a click starts the match;
//   in play    both players press keys from a deterministic pseudo-random pattern
//              (player 1: arrows and Return; player 2: W, A, S, D and Q), each choice held
//              for a random number of frames;
//   boards     Space goes down on every round scoreboard, so the next round starts at once.
// The run ends on the final scoreboard (plus one second of it) or at the frame cap.
//
// One timed frame is everything the runner does for it: the frame's input events, the clock
// step and both timers' polls (the frame timer runs the simulation and draws the frame).
// Each benchmark iteration is one whole match; the counters are over all frames of all
// iterations of one run:
//   mean_ms, p99_ms, worst_ms   frame times in milliseconds (steady clock, wall time);
//   cpu_*_ms                    the same in this thread's CPU time, which leaves out the time
//                               the thread waited for a core on a busy machine;
//   worst_frame                 the frame number of the slowest frame (wall time);
//   play_*                      the frames of rounds in play only (game mode 1, round state 0):
//                               the banners between rounds are cheaper and fill many frames;
//   frames                      frames per match; rounds: rounds played per match;
//   final_board                 1 when the match reached the final scoreboard (0: frame cap).
// The iteration time is the sum of the frame times (manual time), not the set-up.
//
// Environment:
//   LR_MATCH_FRAMES  frame cap (default 20000); a small cap makes a quick profile run,
//                    e.g. LR_MATCH_FRAMES=2000 valgrind --tool=callgrind ./bench_match
//   LR_MATCH_ROUNDS  rounds of the match (default 10, the options dialog's default)
//   LR_MATCH_SEED    the virtual clock's time of day, which seeds the game (default 12345)
//   LR_DATA_DIR      the sprite sheets' folder (default <executable folder>/data)
//   LR_MATCH_CSV     if set, every frame of the last match is written to this file as
//                    "frame,wall_ms,cpu_ms,game_mode,round_state,sprites"
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <time.h>

#include "BenchGame.h"
#include "game/MainForm.h"
#include "platform/Clock.h"
#include "platform/FontRasterizer.h"
#include "platform/InputEvent.h"
#include "platform/KeyboardDevice.h"
#include "platform/Paths.h"
#include "platform/Presenter.h"
#include "platform/RecordingAudio.h"

namespace lr {
namespace {

// DirectInput scan codes.
constexpr int32_t kDikUp = 200, kDikDown = 208, kDikLeft = 203, kDikRight = 205, kDikReturn = 28;
constexpr int32_t kDikW = 17, kDikS = 31, kDikA = 30, kDikD = 32, kDikQ = 16, kDikSpace = 57;

constexpr int64_t kPointerFrame = 100;
constexpr int64_t kClickFrame = 101;
// Frames of the final scoreboard drawn before the run stops.
constexpr int64_t kFinalBoardFrames = 60;

// xorshift32: the same key pattern on every run.
class TPattern {
 public:
  explicit TPattern(uint32_t seed) : State(seed ? seed : 1) {}
  uint32_t Next() {
    State ^= State << 13;
    State ^= State >> 17;
    State ^= State << 5;
    return State;
  }
  uint32_t Below(uint32_t n) { return Next() % n; }

 private:
  uint32_t State;
};

// One player's keys: a choice of keys held for a while, then a new choice.
struct TPlayerKeys {
  int32_t Up, Down, Left, Right, Use;
  bool Held[5] = {};
  int64_t Until = 0;

  void Choose(TPattern& rng, int64_t frame, TScriptedKeyboard& keyboard) {
    bool want[5] = {};
    const uint32_t walk = rng.Below(8);  // 0-2 left, 3-5 right, 6-7 stand
    want[2] = walk < 3;
    want[3] = walk >= 3 && walk < 6;
    want[0] = rng.Below(3) == 0;  // jump / climb
    want[1] = rng.Below(6) == 0;  // duck / climb down
    want[4] = rng.Below(5) == 0;  // use the item
    Until = frame + 4 + rng.Below(40);
    Apply(want, keyboard);
  }
  void Release(TScriptedKeyboard& keyboard) {
    const bool none[5] = {};
    Apply(none, keyboard);
    Until = 0;
  }
  void Apply(const bool (&want)[5], TScriptedKeyboard& keyboard) {
    const int32_t keys[5] = {Up, Down, Left, Right, Use};
    for (int i = 0; i < 5; ++i) {
      if (want[i] != Held[i]) keyboard.SetKey(keys[i], want[i]);
      Held[i] = want[i];
    }
  }
};

struct TMatchResult {
  std::vector<double> FrameMs;     // wall time (steady clock)
  std::vector<double> FrameCpuMs;  // thread CPU time
  int64_t WorstFrame = 0;          // the frame number of the slowest frame by wall time
  std::vector<std::array<int, 3>> States;  // game mode, round state, sprite count after the frame
  int64_t FramesDrawn = 0;
  int64_t Ticks = 0;
  int Rounds = 0;
  bool FinalBoard = false;
};

// Runs one match; frame times go to result.FrameMs. Returns an empty string or an error.
std::string RunMatch(int64_t frameCap, int rounds, uint32_t seed, TMatchResult& result) {
  bench::TBenchServices game(seed);
  TScriptedKeyboard& keyboard = game.Keyboard;
  TGForm form(game.ForForm());
  if (!form.FormCreate()) return "the form could not be created (data folder " + bench::DataFolder() + ")";
  form.OForm->RoundSpin.Text = std::to_string(rounds);

  TPattern rng(seed * 2654435761u + 1);
  TPlayerKeys p1{kDikUp, kDikDown, kDikLeft, kDikRight, kDikReturn};
  TPlayerKeys p2{kDikW, kDikS, kDikA, kDikD, kDikQ};
  bool spaceDown = false;
  int64_t finalBoardFrames = 0;
  const int startTicks = form.TickCount;

  result.FrameMs.reserve(static_cast<size_t>(frameCap));
  result.FrameCpuMs.reserve(static_cast<size_t>(frameCap));
  double worst = -1;
  std::vector<TInputEvent> events;
  for (int64_t frame = 1; frame <= frameCap && !form.Closed; ++frame) {
    // The frame's script, decided before the clock starts.
    events.clear();
    if (frame == kPointerFrame) events.push_back({TInputEventKind::MouseMove, 0, 0, 320, 170});
    if (frame == kClickFrame) events.push_back({TInputEventKind::Click, 0, 0, 320, 170});
    const bool started = frame > kClickFrame && form.GameMode != 0;
    const bool inPlay = started && form.RoundState == 0;
    const bool onBoard = started && form.RoundState == 1;
    if (inPlay) {
      if (frame >= p1.Until) p1.Choose(rng, frame, keyboard);
      if (frame >= p2.Until) p2.Choose(rng, frame, keyboard);
    } else {
      if (p1.Until) p1.Release(keyboard);
      if (p2.Until) p2.Release(keyboard);
    }
    if (onBoard != spaceDown) {
      keyboard.SetKey(kDikSpace, onBoard);
      events.push_back({onBoard ? TInputEventKind::KeyDown : TInputEventKind::KeyUp, kDikSpace, 0x20, 0, 0});
      spaceDown = onBoard;
    }

    const double c0 = bench::ThreadCpuMs();
    const auto t0 = std::chrono::steady_clock::now();
    for (const TInputEvent& event : events) form.HandleEvent(event);
    game.Clock.Advance(form.Timer.TicksPerFrame());
    try {
      form.Timer1.Poll();
      form.Timer.Tick();
    } catch (const std::exception& e) {
      return "frame " + std::to_string(frame) + ": " + e.what();
    }
    const auto t1 = std::chrono::steady_clock::now();
    const double c1 = bench::ThreadCpuMs();
    const double ms = std::chrono::duration<double, std::milli>(t1 - t0).count();
    result.FrameMs.push_back(ms);
    result.FrameCpuMs.push_back(c1 - c0);
    if (ms > worst) {
      worst = ms;
      result.WorstFrame = frame;
    }
    result.States.push_back({form.GameMode, form.RoundState, static_cast<int>(form.SE.SpriteList.size())});
    form.SoundsThisFrame.clear();
    game.Audio.TakePlays();

    if (form.GameMode == 1 && form.RoundState == 2) {
      result.FinalBoard = true;
      if (++finalBoardFrames >= kFinalBoardFrames) break;
    }
  }
  result.FramesDrawn += game.Presenter.Frames;
  result.Ticks += form.TickCount - startTicks;
  result.Rounds += form.RoundNumber;
  return {};
}

struct TStats {
  double Mean = 0, P99 = 0, Worst = 0;
  size_t Count = 0;
};

TStats Summarise(std::vector<double> ms) {
  TStats stats;
  stats.Count = ms.size();
  if (ms.empty()) return stats;
  std::sort(ms.begin(), ms.end());
  double sum = 0;
  for (double v : ms) sum += v;
  const size_t n = ms.size();
  stats.Mean = sum / static_cast<double>(n);
  stats.P99 = ms[std::min(n - 1, static_cast<size_t>(0.99 * static_cast<double>(n)))];
  stats.Worst = ms.back();
  return stats;
}

void BM_LocalMatch(benchmark::State& state) {
  const int64_t frameCap = bench::EnvInt("LR_MATCH_FRAMES", 20000);
  const int rounds = static_cast<int>(std::clamp<int64_t>(bench::EnvInt("LR_MATCH_ROUNDS", 10), 1, 255));
  const auto seed = static_cast<uint32_t>(bench::EnvInt("LR_MATCH_SEED", 12345));

  std::vector<double> wall, cpu, playWall, playCpu;
  int64_t matches = 0, finals = 0, framesDrawn = 0, ticks = 0, roundsPlayed = 0, worstFrame = 0;
  double worstMs = -1;
  for (auto _ : state) {
    TMatchResult one;
    const std::string error = RunMatch(frameCap, rounds, seed, one);
    if (!error.empty()) {
      state.SkipWithError(error.c_str());
      return;
    }
    double sum = 0;
    for (double ms : one.FrameMs) sum += ms;
    state.SetIterationTime(sum / 1000.0);
    if (!one.FrameMs.empty() && one.FrameMs[static_cast<size_t>(one.WorstFrame - 1)] > worstMs) {
      worstMs = one.FrameMs[static_cast<size_t>(one.WorstFrame - 1)];
      worstFrame = one.WorstFrame;
    }
    if (const char* csv = std::getenv("LR_MATCH_CSV"); csv && *csv) {
      std::ofstream out(csv);
      out << "frame,wall_ms,cpu_ms,game_mode,round_state,sprites\n";
      for (size_t i = 0; i < one.FrameMs.size(); ++i)
        out << i + 1 << ',' << one.FrameMs[i] << ',' << one.FrameCpuMs[i] << ',' << one.States[i][0] << ','
            << one.States[i][1] << ',' << one.States[i][2] << '\n';
    }
    for (size_t i = 0; i < one.FrameMs.size(); ++i) {
      if (one.States[i][0] == 1 && one.States[i][1] == 0) {
        playWall.push_back(one.FrameMs[i]);
        playCpu.push_back(one.FrameCpuMs[i]);
      }
    }
    wall.insert(wall.end(), one.FrameMs.begin(), one.FrameMs.end());
    cpu.insert(cpu.end(), one.FrameCpuMs.begin(), one.FrameCpuMs.end());
    framesDrawn += one.FramesDrawn;
    ticks += one.Ticks;
    roundsPlayed += one.Rounds;
    finals += one.FinalBoard ? 1 : 0;
    ++matches;
  }
  if (wall.empty() || matches == 0) return;
  if (framesDrawn != static_cast<int64_t>(wall.size()) || ticks != framesDrawn) {
    state.SkipWithError("not every frame ran the game once and was drawn");
    return;
  }

  const TStats w = Summarise(wall);
  const TStats c = Summarise(std::move(cpu));
  const auto perMatch = [matches](double total) { return total / static_cast<double>(matches); };
  state.counters["mean_ms"] = w.Mean;
  state.counters["p99_ms"] = w.P99;
  state.counters["worst_ms"] = w.Worst;
  state.counters["cpu_mean_ms"] = c.Mean;
  state.counters["cpu_p99_ms"] = c.P99;
  state.counters["cpu_worst_ms"] = c.Worst;
  const TStats pw = Summarise(std::move(playWall));
  const TStats pc = Summarise(std::move(playCpu));
  state.counters["play_mean_ms"] = pw.Mean;
  state.counters["play_cpu_mean_ms"] = pc.Mean;
  state.counters["play_cpu_worst_ms"] = pc.Worst;
  state.counters["play_frames"] = perMatch(static_cast<double>(pw.Count));
  state.counters["worst_frame"] = static_cast<double>(worstFrame);
  state.counters["frames"] = perMatch(static_cast<double>(wall.size()));
  state.counters["rounds"] = perMatch(static_cast<double>(roundsPlayed));
  state.counters["final_board"] = perMatch(static_cast<double>(finals));
}

BENCHMARK(BM_LocalMatch)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lr

BENCHMARK_MAIN();
