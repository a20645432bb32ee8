// Making a chaos plan from a seed, running it twice and checking what came out.
#include "tools/chaos_soak/ChaosRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

extern char** environ;

namespace lr::chaos {

namespace {

// The plan's own generator: the same seed gives the same plan on every machine.
class TPlanRandom {
 public:
  explicit TPlanRandom(uint32_t seed) : State(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}
  uint64_t Next() {
    uint64_t z = (State += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // A whole number from lo to hi, both included.
  int64_t Between(int64_t lo, int64_t hi) { return lo + static_cast<int64_t>(Next() % static_cast<uint64_t>(hi - lo + 1)); }
  bool Chance(int percent) { return Between(1, 100) <= percent; }

 private:
  uint64_t State;
};

constexpr std::array<const char*, 11> kKeys = {"Up", "Down", "Left", "Right", "Return", "W", "A", "S", "D", "Q", "Space"};

// The menu's "Start Game" entry; every entry but "Exit" lies above y 325, where random clicks
// stay so that the game only ends when the script does.
constexpr int kStartX = 320, kStartY = 170, kClickBelow = 325;

// The fixed ropes hang in columns 4 and 15.
constexpr std::array<int, 2> kRopeX = {128, 480};

std::string Coordinate(TPlanRandom& rng, int64_t lo, int64_t hi) {
  // Whole pixels mostly, quarter pixels now and then.
  const int64_t whole = rng.Between(lo, hi);
  return rng.Chance(20) ? std::to_string(whole) + "." + std::to_string(rng.Between(0, 3) * 25) : std::to_string(whole);
}

// A tick of play: most events early in a round, where every round reaches them.
int64_t PlayTick(TPlanRandom& rng) { return rng.Chance(70) ? rng.Between(1, 400) : rng.Between(1, 3000); }

void AddSandbox(TPlanRandom& rng, std::vector<std::string>& args) {
  for (int64_t i = rng.Between(0, 10); i > 0; --i) {
    std::string bubble = std::to_string(PlayTick(rng)) + ":" + std::to_string(rng.Between(0, 8)) + ":" +
                         Coordinate(rng, -200, 840) + ":" + Coordinate(rng, -200, 700);
    if (rng.Chance(60)) bubble += ":" + Coordinate(rng, -8, 8) + ":" + Coordinate(rng, -8, 8);
    args.insert(args.end(), {"--bubble", bubble});
  }
  for (int64_t i = rng.Between(0, 8); i > 0; --i) {
    std::string x, y;
    switch (rng.Between(0, 3)) {
      case 0:  // anywhere, off screen included
        x = Coordinate(rng, -300, 940);
        y = Coordinate(rng, -300, 780);
        break;
      case 1:  // in the lava
        x = Coordinate(rng, 0, 608);
        y = Coordinate(rng, 400, 470);
        break;
      case 2:  // on a rope
        x = std::to_string(kRopeX[static_cast<size_t>(rng.Between(0, 1))] + rng.Between(-12, 12));
        y = Coordinate(rng, 40, 360);
        break;
      default:  // on the screen
        x = Coordinate(rng, 0, 608);
        y = Coordinate(rng, 0, 416);
        break;
    }
    args.insert(args.end(),
                {"--place", std::to_string(PlayTick(rng)) + ":" + std::to_string(rng.Between(1, 2)) + ":" + x + ":" + y});
  }
  if (rng.Chance(25)) {
    std::string kinds;
    for (int k = 0; k < 9; ++k)
      if (rng.Chance(50)) kinds += (kinds.empty() ? "" : ",") + std::to_string(k);
    args.insert(args.end(), {"--powerups", kinds.empty() ? "none" : kinds});
  }
}

// The input script, built as events by frame and written in frame order.
std::string MakeScript(TPlanRandom& rng, int64_t frames) {
  std::map<int64_t, std::vector<std::string>> events;
  auto at = [&](int64_t frame, const std::string& event) {
    if (frame >= 1 && frame <= frames) events[frame].push_back(event);
  };
  auto startMatch = [&](int64_t frame) {
    at(frame, "mouse " + std::to_string(kStartX) + " " + std::to_string(kStartY));
    at(frame + 1, "click");
  };
  startMatch(100);

  std::array<int64_t, kKeys.size()> heldUntil{};
  int64_t nextEscape = rng.Between(1000, 3000);
  int64_t nextStart = 700;
  for (int64_t frame = 150; frame < frames; frame += rng.Between(1, 20)) {
    if (frame >= nextStart) {
      // Back into a match whenever the game sits at the menu (a no-op during one).
      startMatch(frame);
      nextStart = frame + rng.Between(300, 900);
      continue;
    }
    if (frame >= nextEscape) {
      // Escape leaves a match for the menu. Only our own Escapes reach the menu (the final
      // board stays until one), and they come at least 1000 frames apart with a start in
      // between, so no Escape lands on the menu and ends the game.
      at(frame, "key Escape down");
      at(frame + 1, "key Escape up");
      startMatch(frame + 200);
      nextStart = frame + 400;
      nextEscape = frame + rng.Between(1000, 4000);
      frame += 205;
      continue;
    }
    const int64_t what = rng.Between(1, 100);
    if (what <= 80) {
      // A key held for a tap, a step, or a long climb or walk.
      const auto k = static_cast<size_t>(rng.Between(0, kKeys.size() - 1));
      if (heldUntil[k] >= frame) continue;
      const int64_t length = rng.Chance(50) ? rng.Between(1, 10) : rng.Chance(70) ? rng.Between(10, 90) : rng.Between(90, 600);
      at(frame, std::string("key ") + kKeys[k] + " down");
      at(frame + length, std::string("key ") + kKeys[k] + " up");
      heldUntil[k] = frame + length;
    } else if (what <= 92) {
      at(frame, "mouse " + std::to_string(rng.Between(-50, 700)) + " " + std::to_string(rng.Between(-50, kClickBelow - 1)));
    } else {
      at(frame, "click");
    }
  }

  std::ostringstream out;
  out << "# chaos soak script\n";
  for (const auto& [frame, list] : events)
    for (const std::string& event : list) out << frame << " " << event << "\n";
  return out.str();
}

// Runs one command with its output in files; the exit code, or -1 for a signal.
int Spawn(const std::vector<std::string>& argv, const std::string& dir, const std::string& out, const std::string& err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  std::vector<char*> words;
  for (const std::string& word : argv) words.push_back(const_cast<char*>(word.c_str()));
  words.push_back(nullptr);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, words[0], &actions, nullptr, words.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed) return -2;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

std::string FirstLines(const std::string& text, int count) {
  size_t end = 0;
  for (int i = 0; i < count && end != std::string::npos; ++i) end = text.find('\n', end + 1);
  return text.substr(0, end);
}

}  // namespace

TChaosPlan MakeChaosPlan(uint32_t seed, int64_t frames) {
  TPlanRandom rng(seed);
  TChaosPlan plan;
  plan.Args = {"--headless", "--frames", std::to_string(frames), "--seed", std::to_string(rng.Between(0, 86'399'999))};
  AddSandbox(rng, plan.Args);
  plan.Script = MakeScript(rng, frames);
  return plan;
}

std::string CheckTrace(const std::string& path, int64_t frames) {
  std::ifstream in(path);
  if (!in) return "no trace " + path;
  int64_t count = 0;
  for (std::string line; std::getline(in, line);) {
    ++count;
    const auto record = nlohmann::json::parse(line, nullptr, false);
    if (record.is_discarded() || !record.is_object() || !record.contains("players"))
      return "trace line " + std::to_string(count) + " is not a frame record";
    if (record["frame"] != count) return "trace line " + std::to_string(count) + " is not frame " + std::to_string(count);
    for (const auto& player : record["players"])
      for (const char* field : {"X", "Y", "VelX", "VelY"})
        if (!player.contains(field) || !player[field].is_number())
          return "frame " + std::to_string(count) + ": " + player.value("Name", "?") + "'s " + field +
                 " is not a finite number";
  }
  if (count != frames) return "the trace has " + std::to_string(count) + " frames of " + std::to_string(frames);
  return "";
}

TChaosResult RunChaos(const std::string& binary, uint32_t seed, int64_t frames, const std::string& workDir) {
  namespace fs = std::filesystem;
  const TChaosPlan plan = MakeChaosPlan(seed, frames);
  const std::string script = (fs::path(workDir) / "input.txt").string();
  std::ofstream(script, std::ios::binary) << plan.Script;

  TChaosResult result;
  std::string traces[2];
  for (int run = 0; run < 2; ++run) {
    std::vector<std::string> argv = {binary};
    argv.insert(argv.end(), plan.Args.begin(), plan.Args.end());
    traces[run] = (fs::path(workDir) / ("trace" + std::to_string(run + 1) + ".jsonl")).string();
    argv.insert(argv.end(), {"--input", script, "--trace", traces[run]});
    if (run == 0) {
      for (const std::string& word : argv) result.Command += (result.Command.empty() ? "" : " ") + ("'" + word + "'");
    }
    const std::string out = (fs::path(workDir) / ("out" + std::to_string(run + 1))).string();
    const std::string err = (fs::path(workDir) / ("err" + std::to_string(run + 1))).string();
    const int code = Spawn(argv, workDir, out, err);
    const std::string errors = ReadAll(err);
    if (code != 0 || errors.find("Sanitizer") != std::string::npos || errors.find("runtime error") != std::string::npos) {
      result.Problem = "run " + std::to_string(run + 1) + " exited " + std::to_string(code) + ": " + FirstLines(errors, 12);
      return result;
    }
    if (std::string problem = CheckTrace(traces[run], frames); !problem.empty()) {
      result.Problem = "run " + std::to_string(run + 1) + ": " + problem;
      return result;
    }
  }
  if (ReadAll(traces[0]) != ReadAll(traces[1])) {
    result.Problem = "the two runs' traces differ";
    return result;
  }
  result.Ok = true;
  return result;
}

}  // namespace lr::chaos
