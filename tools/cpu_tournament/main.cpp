// cpu_tournament: headless matches between the computer's strengths (and a player pressing
// random keys), round after round, with the figures the computer opponent is measured by:
// rounds won by each side, rounds decided within 60 seconds, deaths in the lava by a player's
// own walking, and the computer's thinking time per frame.
//
// Each pairing plays matches of 50 rounds on the virtual clock, every frame simulated as in the
// game (drawn only with --drawing), until it has the rounds asked for; the sides change seats every match
// (Player1 starts on the right-hand ledge, Player2 on the left-hand one). Space is pressed on
// every round scoreboard; a round still undecided after 120 seconds ends its match (Escape).
//
// A death in the lava counts as by the player's own walking when nothing hostile happened to it
// in the 3 seconds before: no touch of the other player, no change of its Killer or DeathCause,
// no stun.
//
// Thinking time: a second computer for each computer seat looks at the same frames (after
// each frame) and its Think is timed on this thread's CPU clock; its keys are thrown away.
#include <CLI/CLI.hpp>

#include <time.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "actors/ItemUnit.h"
#include "actors/PlayerUnit.h"
#include "actors/PowerupKinds.h"
#include "ai/ComputerPlayer.h"
#include "game/MainForm.h"
#include "platform/Clock.h"
#include "platform/FontRasterizer.h"
#include "platform/KeyboardDevice.h"
#include "platform/Paths.h"
#include "platform/Presenter.h"
#include "platform/RecordingAudio.h"

namespace lr {
namespace {

constexpr int kRoundsPerMatch = 50;
bool Verbose = false;
bool Drawing = false;
constexpr int64_t kDecidedFrames = 60 * 60;
constexpr int64_t kGiveUpFrames = 120 * 60;
constexpr int64_t kHostileWindow = 180;
constexpr int32_t kDikSpace = 57;
constexpr int32_t kVirtualKeyEscape = 27;
// A person's keys, by seat: up, down, left, right, use (DirectInput scan codes).
constexpr std::array<std::array<int32_t, 5>, 2> kSeatKeys = {{{200, 208, 203, 205, 28}, {17, 31, 30, 32, 16}}};

// Who plays one side: a computer strength, or nullopt for random keys.
using TSide = std::optional<TPlayedBy>;


double ThreadCpuUs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

// xorshift32 for the random keys: the same presses on every run.
class TPattern {
 public:
  explicit TPattern(uint32_t seed) : State(seed ? seed : 1) {}
  uint32_t Below(uint32_t n) {
    State ^= State << 13;
    State ^= State >> 17;
    State ^= State << 5;
    return State % n;
  }

 private:
  uint32_t State;
};

class TNullPresenter final : public IPresenter {
 public:
  void Present(const uint32_t*, int, int) override {}
  void SetCaption(const std::string&) override {}
};

struct TTally {
  int64_t Rounds = 0, WinsA = 0, WinsB = 0, Decided60 = 0, Undecided = 0;
  std::array<int64_t, 2> LavaOwn{};  // by side A, B
  std::array<int64_t, 2> LavaAll{};
  std::vector<double> ThinkUs;
};

// One match of up to 50 rounds; side A sits in seat `seatA`.
void PlayMatch(const TSide& a, const TSide& b, int seatA, uint32_t timeOfDay, int64_t roundsWanted, TTally& tally) {
  VirtualClock clock(timeOfDay);
  TRecordingAudio audio(clock);
  TFontRasterizer fonts;
  TScriptedKeyboard keyboard;
  TNullPresenter screen;
  TGForm form({.Clock = &clock,
               .Presenter = &screen,
               .DataFolder = GameDataDirectory() + "/data",
               .Keyboard = &keyboard,
               .Audio = &audio,
               .Fonts = &fonts});
  if (!form.FormCreate()) {
    std::cerr << "cpu_tournament: the game could not start\n";
    std::exit(1);
  }
  // Without drawing the frames cost a fraction; the rules never read a pixel drawn (collisions
  // read the sheets, not the screen). --drawing checks that the figures come out the same.
  if (!Drawing) {
    form.OS.UnInit();
    form.SE.OnError = [](const std::string&, const std::string&) {};  // nothing to draw with
  }
  const std::array<TSide, 2> seats = seatA == 0 ? std::array<TSide, 2>{a, b} : std::array<TSide, 2>{b, a};
  std::array<std::unique_ptr<TComputerPlayer>, 2> shadows;
  for (int seat = 0; seat < 2; ++seat) {
    form.GameSettings.PlayedBy[static_cast<size_t>(seat)] = seats[static_cast<size_t>(seat)].value_or(TPlayedBy::Person);
    if (seats[static_cast<size_t>(seat)])
      shadows[static_cast<size_t>(seat)] = std::make_unique<TComputerPlayer>(form, seat, *seats[static_cast<size_t>(seat)]);
  }
  form.OForm->RoundSpin.SetValue(kRoundsPerMatch);
  form.StartGame();

  TPattern pattern(timeOfDay * 2654435761u + 7);
  std::array<int64_t, 2> keysUntil{};
  int64_t roundStart = -1;
  std::array<int64_t, 2> lastHostile{};
  std::array<std::string, 2> lastCause;
  std::array<const TPlayer*, 2> lastKiller{};
  std::array<float, 2> lastStun{};
  std::array<bool, 2> wasOut{};
  bool decided = false;
  for (int64_t frame = 1; tally.Rounds < roundsWanted; ++frame) {
    std::array<TPlayer*, 2> players = {form.Player1, form.Player2};
    const bool inPlay = form.GameMode == 1 && form.RoundState == 0;
    // Random keys for a side that has no computer.
    for (size_t seat = 0; seat < 2; ++seat) {
      if (seats[seat] || frame < keysUntil[seat]) continue;
      const uint32_t walk = pattern.Below(8);
      const bool want[5] = {pattern.Below(3) == 0, pattern.Below(6) == 0, walk < 3, walk >= 3 && walk < 6,
                            pattern.Below(5) == 0};
      for (size_t k = 0; k < 5; ++k) keyboard.SetKey(kSeatKeys[seat][k], want[k]);
      keysUntil[seat] = frame + 4 + pattern.Below(40);
    }
    keyboard.SetKey(kDikSpace, form.GameMode == 1 && form.RoundState == 1);
    if (form.GameMode == 1 && form.RoundState == 2) return;  // the match is over
    if (inPlay && roundStart >= 0 && !decided && frame - roundStart > kGiveUpFrames) {
      ++tally.Undecided;
      ++tally.Rounds;
      form.HandleEvent({.Kind = TInputEventKind::KeyDown, .VirtualKey = kVirtualKeyEscape});
      return;
    }

    clock.Advance(form.Timer.TicksPerFrame());
    form.Timer.Tick();

    // Thinking time, on the frame just shown.
    for (size_t seat = 0; seat < 2; ++seat) {
      if (!shadows[seat]) continue;
      const double start = ThreadCpuUs();
      shadows[seat]->Think();
      if (form.GameMode == 1 && form.RoundState == 0) tally.ThinkUs.push_back(ThreadCpuUs() - start);
    }

    const bool nowInPlay = form.GameMode == 1 && form.RoundState == 0;
    if (nowInPlay && !inPlay) {
      roundStart = frame;
      decided = false;
      lastHostile = {-kGiveUpFrames, -kGiveUpFrames};
      wasOut = {};
      for (size_t seat = 0; seat < 2; ++seat) {
        lastCause[seat].clear();
        lastKiller[seat] = nullptr;
        lastStun[seat] = 0;
      }
    }
    if (!nowInPlay) continue;
    // Where a long round stands: both players at 60 seconds of a round still undecided.
    if (Verbose && !decided && frame - roundStart == kDecidedFrames) {
      std::printf("  round %d at 60 s:", form.RoundNumber);
      for (size_t seat = 0; seat < 2; ++seat) {
        const TPlayer& p = *players[seat];
        std::printf(" side %c at (%.0f, %.0f) %s holding %s;", seat == static_cast<size_t>(seatA) ? 'A' : 'B', p.X, p.Y,
                    PlayerStateName(p.State),
                    p.Item ? std::string(kPowerups[static_cast<size_t>(p.Item->Kind)].KindName).c_str() : "nothing");
      }
      std::printf("\n");
    }
    for (size_t seat = 0; seat < 2; ++seat) {
      const TPlayer& p = *players[seat];
      const TPlayer& q = *players[1 - seat];
      const bool touching = std::abs(p.X - q.X) < 32 && std::abs(p.Y - q.Y) < 64 && !q.Eliminated;
      const bool dying = p.Eliminated && !wasOut[seat];
      // A death in the lava writes its own cause; that is not a hostile act.
      const bool causeChanged = p.DeathCause != lastCause[seat] && !(dying && p.DeathCause == "Lava");
      const bool hostile = touching || causeChanged || p.Killer != lastKiller[seat] || p.StunTime > lastStun[seat];
      if (dying) {
        if (Verbose)
          std::printf("  round %d frame %lld: side %c died (%s, killer %s)%s\n", form.RoundNumber,
                      static_cast<long long>(frame - roundStart), seat == static_cast<size_t>(seatA) ? 'A' : 'B',
                      p.DeathCause.c_str(), p.Killer ? p.Killer->Name.c_str() : "none",
                      !hostile && frame - lastHostile[seat] > kHostileWindow && p.DeathCause == "Lava" ? " own walking" : "");
        wasOut[seat] = true;
        const size_t side = seat == static_cast<size_t>(seatA) ? 0 : 1;
        if (p.DeathCause == "Lava") {
          ++tally.LavaAll[side];
          if (!hostile && frame - lastHostile[seat] > kHostileWindow) ++tally.LavaOwn[side];
        }
      }
      if (hostile) lastHostile[seat] = frame;
      lastCause[seat] = p.DeathCause;
      lastKiller[seat] = p.Killer;
      lastStun[seat] = p.StunTime;
    }
    if (!decided && form.RoundTimer > 0 && form.RoundTimer != -1) {
      decided = true;
      ++tally.Rounds;
      if (frame - roundStart <= kDecidedFrames) ++tally.Decided60;
      const TPlayer* winner = nullptr;
      for (TPlayer* p : form.Players)
        if (std::find(form.DeadPlayers.begin(), form.DeadPlayers.end(), p) == form.DeadPlayers.end()) winner = p;
      const TPlayer* sideA = seatA == 0 ? form.Player1 : form.Player2;
      if (winner == sideA)
        ++tally.WinsA;
      else if (winner)
        ++tally.WinsB;
    }
  }
}

}  // namespace
}  // namespace lr

int main(int argc, char** argv) {
  using namespace lr;
  int64_t rounds = 200;
  uint32_t seed = 1000;
  std::vector<std::string> only;
  CLI::App app{"Headless tournaments of the computer player's strengths.", "cpu_tournament"};
  app.add_option("--rounds", rounds, "Rounds per pairing")->check(CLI::Range(int64_t{1}, int64_t{100000}));
  app.add_option("--seed", seed, "Time of day (ms) of the first match; each match adds one second");
  app.add_option("--pairing", only, "Only these pairings, e.g. hard-normal, easy-random (default: all six)");
  app.add_flag("--verbose", Verbose, "A line for every death");
  app.add_flag("--drawing", Drawing, "Draw every frame as the game does (slower; the same results)");
  CLI11_PARSE(app, argc, argv);

  const struct {
    const char* Name;
    TSide A, B;
  } pairings[] = {
      {"hard-normal", TPlayedBy::Hard, TPlayedBy::Normal}, {"normal-easy", TPlayedBy::Normal, TPlayedBy::Easy},
      {"easy-random", TPlayedBy::Easy, std::nullopt},      {"hard-hard", TPlayedBy::Hard, TPlayedBy::Hard},
      {"normal-normal", TPlayedBy::Normal, TPlayedBy::Normal}, {"easy-easy", TPlayedBy::Easy, TPlayedBy::Easy},
  };
  std::printf("%-14s %6s %8s %8s %9s %10s %9s %9s %9s %9s %9s\n", "pairing", "rounds", "A wins", "B wins",
              "in 60 s", "undecided", "A lava", "B lava", "think us", "p99 us", "max us");
  for (const auto& p : pairings) {
    if (!only.empty() && std::find(only.begin(), only.end(), p.Name) == only.end()) continue;
    TTally tally;
    uint32_t timeOfDay = seed;
    for (int match = 0; tally.Rounds < rounds; ++match, timeOfDay += 1000)
      PlayMatch(p.A, p.B, match % 2, timeOfDay, rounds, tally);
    std::vector<double>& t = tally.ThinkUs;
    std::sort(t.begin(), t.end());
    double sum = 0;
    for (double v : t) sum += v;
    const auto pct = [&](int64_t n) { return 100.0 * static_cast<double>(n) / static_cast<double>(tally.Rounds); };
    std::printf("%-14s %6lld %7.1f%% %7.1f%% %8.1f%% %10lld %8.1f%% %8.1f%% %9.1f %9.1f %9.1f\n", p.Name,
                static_cast<long long>(tally.Rounds), pct(tally.WinsA), pct(tally.WinsB), pct(tally.Decided60),
                static_cast<long long>(tally.Undecided), pct(tally.LavaOwn[0]), pct(tally.LavaOwn[1]),
                t.empty() ? 0 : sum / static_cast<double>(t.size()), t.empty() ? 0 : t[t.size() * 99 / 100],
                t.empty() ? 0 : t.back());
    std::fflush(stdout);
  }
  return 0;
}
