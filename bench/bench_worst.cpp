// The worst scene the powerup rules allow, simulated and drawn frame by frame: how long its
// slowest frame takes and how many sprites are alive at once.
//
// The game is wired as the headless runner wires it and a local match is started by mouse.
// The rules let no more happen at once than this, over three frames of play:
//   1. Green Man touches a Switch Places bubble: sparks at both players (2 x 25);
//   2. the two are put side by side on the left ledge under one death bubble and both are
//      blown up in that frame (2 x 150 blast particles); a dynamite bubble touches a platform
//      of the upper right ledge and bursts (50 fire); kBullets handgun shots are in flight,
//      leaving their trails;
//   3. the two bodies, falling out of sight, set off kMinesPerPlayer hidden mines each (a mine
//      goes off under any player, dead or alive; 75 fire each). A mine cannot go off in the
//      frame of a blast: mines come before players in the collision pass, so a mine would
//      fling the player first and the blast would never come.
// The run goes on until the last blast particle has faded (128 frames) and the falling
// platform has splashed into the lava.
//
// One timed frame is the form's frame: input, the simulation and the drawing. Counters, over
// all timed frames of all iterations:
//   worst_ms, cpu_worst_ms   the slowest frame with the round in play (wall clock, and this
//                            thread's CPU time); worst_tick: its frame of play (1 = the first);
//   board_worst_ms, board_cpu_worst_ms
//                            the slowest frame once the round board is up (60 frames after the
//                            round is decided): the world stands still under it, half faded;
//   burst_ms, burst_cpu_ms   the slowest of the three frames above;
//   mean_ms                  all timed frames;
//   peak_sprites             the most live sprites after a frame (particles included);
//   peak_particles           the most live particles after a frame;
//   burst_particles          particles made in those three frames (sparks, blasts, fire,
//                            trails).
// Environment: LR_WORST_FRAMES (timed frames, default 160), LR_DATA_DIR (the sprite sheets).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>

#include <time.h>

#include "actors/ItemUnit.h"
#include "actors/PlayerUnit.h"
#include "app/Sandbox.h"
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

constexpr int kMinesPerPlayer = 2;
constexpr int kBullets = 6;
constexpr int64_t kStartFrame = 101;  // the click on "Start Game"

bool IsParticle(const TSprite& s) {
  const std::string_view name = s.ClassName();
  return name.rfind("TParticle_", 0) == 0;
}

int LiveParticles(const TGForm& form) {
  int n = 0;
  for (const TSprite* s : form.SE.SpriteList) n += !s->Dead && IsParticle(*s) ? 1 : 0;
  return n;
}

int LiveSprites(const TGForm& form) {
  int n = 0;
  for (const TSprite* s : form.SE.SpriteList) n += s->Dead ? 0 : 1;
  return n;
}

// A hidden mine as a player places it, with its collision area under the player's feet.
void HideMine(TGForm& form, TPlayer& owner, Single x, Single y) {
  auto* mine = new TMine(form.SE);  // owned by SE
  mine->Owner = &owner;
  mine->SetImage(form.Spr.Find("Powerup_Mine"));
  mine->SetAlpha(0);
  mine->PixelCheck = true;
  mine->ScaleX = 0.5f;
  mine->ScaleY = 0.5f;
  mine->Collide = true;
  mine->SetX(x);
  mine->SetY(y);
}

// A shot in flight as the handgun fires it, already armed.
void FireShot(TGForm& form, TPlayer& owner, Single x, Single y, Single direction) {
  auto* bullet = new TBullet(form.SE);  // owned by SE
  bullet->Owner = &owner;
  bullet->SetImage(form.Spr.Find("PSmoke"));
  bullet->BlendMode = 4;
  bullet->SetX(x);
  bullet->SetY(y);
  bullet->High = true;
  bullet->SetRed(255);
  bullet->SetGreen(255);
  bullet->SetBlue(0);
  bullet->ArmDelay = 10;
  bullet->ScaleX = direction;
}

struct TScene {
  std::vector<double> Wall, Cpu;
  std::vector<bool> InPlay;  // the round was in play during the frame (not the round board)
  double BurstWall = 0, BurstCpu = 0;
  int PeakSprites = 0, PeakParticles = 0, BurstParticles = 0;
};

std::string RunScene(int64_t timedFrames, TScene& scene) {
  bench::TBenchServices game(12345);
  TGForm form(game.ForForm());
  if (!form.FormCreate()) return "the form could not be created (data folder " + bench::DataFolder() + ")";

  TSandbox sandbox;
  std::string error;
  for (const char* bubble : {"1:switch-places:64:330", "2:death:72:330", "2:dynamite:448:80"})
    if (!sandbox.AddBubble(bubble, error)) return error;
  for (const char* place : {"2:1:80:321", "2:2:64:321"})
    if (!sandbox.AddPlacement(place, error)) return error;
  if (!sandbox.SetPowerups("none", error)) return error;
  sandbox.Apply(form);

  int64_t playTick = 0;
  for (int64_t frame = 1; !form.Closed; ++frame) {
    if (frame == kStartFrame - 1) form.HandleEvent({TInputEventKind::MouseMove, 0, 0, 320, 170});
    if (frame == kStartFrame) form.HandleEvent({TInputEventKind::Click, 0, 0, 320, 170});
    // Counted from the first frame of play on, whatever follows (the round board opens 60
    // frames after the round is decided).
    if (playTick > 0 || (form.GameMode == 1 && form.RoundState == 0 && frame > kStartFrame)) ++playTick;
    if (frame > 2000 && playTick == 0) return "the round did not start";
    if (playTick > timedFrames) break;

    const double c0 = bench::ThreadCpuMs();
    const auto t0 = std::chrono::steady_clock::now();
    sandbox.BeforeFrame(form);
    TPlayer& red = *form.Player1;
    TPlayer& green = *form.Player2;
    if (playTick == 2) {
      for (int i = 0; i < kBullets; ++i)
        FireShot(form, i % 2 ? red : green, 100 + 70 * i, 40 + 60 * i, i % 2 ? -1 : 1);
    }
    if (playTick == 3) {
      // Where the bodies will be after this frame's fall.
      for (int i = 0; i < kMinesPerPlayer; ++i) {
        HideMine(form, green, green.X + 4 + 4 * i, green.Y + green.VelY + 16);
        HideMine(form, red, red.X + 4 + 4 * i, red.Y + red.VelY + 16);
      }
    }
    const int particlesBefore = LiveParticles(form);
    const bool inPlay = form.RoundState == 0;
    game.Clock.Advance(form.Timer.TicksPerFrame());
    try {
      form.Timer1.Poll();
      form.Timer.Tick();
    } catch (const std::exception& e) {
      return "frame " + std::to_string(frame) + ": " + e.what();
    }
    const auto t1 = std::chrono::steady_clock::now();
    const double c1 = bench::ThreadCpuMs();
    form.SoundsThisFrame.clear();
    game.Audio.TakePlays();
    if (playTick == 0) continue;

    const double wall = std::chrono::duration<double, std::milli>(t1 - t0).count();
    scene.Wall.push_back(wall);
    scene.InPlay.push_back(inPlay);
    scene.Cpu.push_back(c1 - c0);
    const int particles = LiveParticles(form);
    scene.PeakParticles = std::max(scene.PeakParticles, particles);
    scene.PeakSprites = std::max(scene.PeakSprites, LiveSprites(form));
    if (playTick <= 3) {
      scene.BurstWall = std::max(scene.BurstWall, wall);
      scene.BurstCpu = std::max(scene.BurstCpu, c1 - c0);
      scene.BurstParticles += particles - particlesBefore;
      if (playTick == 2 && (!red.Eliminated || !green.Eliminated)) return "the players were not both blown up";
    }
  }
  return {};
}

void BM_WorstScene(benchmark::State& state) {
  const char* text = std::getenv("LR_WORST_FRAMES");
  const int64_t frames = text && std::atoll(text) > 2 ? std::atoll(text) : 160;
  // Slowest frames, in play and under the round board, wall and CPU time.
  double playWall = 0, playCpu = 0, boardWall = 0, boardCpu = 0, burstWall = 0, burstCpu = 0, sum = 0;
  int64_t count = 0, worstTick = 0;
  int peakSprites = 0, peakParticles = 0, burstParticles = 0;
  for (auto _ : state) {
    TScene scene;
    const std::string error = RunScene(frames, scene);
    if (!error.empty()) {
      state.SkipWithError(error.c_str());
      return;
    }
    double iteration = 0;
    for (size_t i = 0; i < scene.Wall.size(); ++i) {
      const double w = scene.Wall[i], c = scene.Cpu[i];
      iteration += w;
      if (scene.InPlay[i] && w > playWall) worstTick = static_cast<int64_t>(i) + 1;
      double& worstWall = scene.InPlay[i] ? playWall : boardWall;
      double& worstCpu = scene.InPlay[i] ? playCpu : boardCpu;
      worstWall = std::max(worstWall, w);
      worstCpu = std::max(worstCpu, c);
    }
    state.SetIterationTime(iteration / 1000.0);
    sum += iteration;
    count += static_cast<int64_t>(scene.Wall.size());
    burstWall = std::max(burstWall, scene.BurstWall);
    burstCpu = std::max(burstCpu, scene.BurstCpu);
    peakSprites = std::max(peakSprites, scene.PeakSprites);
    peakParticles = std::max(peakParticles, scene.PeakParticles);
    burstParticles = scene.BurstParticles;
  }
  if (count == 0) return;
  state.counters["worst_ms"] = playWall;
  state.counters["cpu_worst_ms"] = playCpu;
  state.counters["worst_tick"] = static_cast<double>(worstTick);
  state.counters["board_worst_ms"] = boardWall;
  state.counters["board_cpu_worst_ms"] = boardCpu;
  state.counters["mean_ms"] = sum / static_cast<double>(count);
  state.counters["burst_ms"] = burstWall;
  state.counters["burst_cpu_ms"] = burstCpu;
  state.counters["peak_sprites"] = peakSprites;
  state.counters["peak_particles"] = peakParticles;
  state.counters["burst_particles"] = burstParticles;
}

BENCHMARK(BM_WorstScene)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lr

BENCHMARK_MAIN();
