// chaos_soak: a campaign of chaos runs over a range of seeds, a few at a time, with a line per
// seed and a summary. A failing seed's folder is kept with its script, traces and output.
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <iostream>
#include <random>
#include <vector>

#include "tools/chaos_soak/ChaosRun.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::string binary;
  uint32_t first = 1, last = 10;
  int64_t frames = 30000;
  int jobs = 2;
  std::string workRoot = (fs::temp_directory_path() / "lavarumble-chaos").string();
  CLI::App app{"Chaos soak of the headless game: random keys, sandbox bubbles and placements, mouse, Escape.",
               "chaos_soak"};
  app.add_option("--binary", binary, "The lavarumble binary to run (a sanitizer build finds the most)")->required();
  app.add_option("--first-seed", first, "First seed of the campaign");
  app.add_option("--last-seed", last, "Last seed of the campaign");
  app.add_option("--frames", frames, "Frames per run")->check(CLI::Range(int64_t{1}, int64_t{10'000'000}));
  app.add_option("--jobs", jobs, "Seeds run at once")->check(CLI::Range(1, 64));
  app.add_option("--work", workRoot, "Folder for the runs' files");
  CLI11_PARSE(app, argc, argv);
  if (last < first) {
    std::cerr << "chaos_soak: --last-seed is before --first-seed\n";
    return 2;
  }

  binary = fs::absolute(binary).string();
  fs::create_directories(workRoot);
  const auto start = std::chrono::steady_clock::now();
  int failures = 0;
  uint64_t next = first;
  std::vector<std::pair<uint32_t, std::future<lr::chaos::TChaosResult>>> running;
  auto finishOne = [&] {
    auto [seed, future] = std::move(running.front());
    running.erase(running.begin());
    const lr::chaos::TChaosResult result = future.get();
    const fs::path dir = fs::path(workRoot) / ("seed-" + std::to_string(seed));
    if (result.Ok) {
      std::printf("seed %u: clean\n", seed);
      fs::remove_all(dir);
    } else {
      ++failures;
      std::printf("seed %u: FAILED: %s\n  kept in %s\n  rerun: (cd %s && %s)\n", seed, result.Problem.c_str(),
                  dir.c_str(), dir.c_str(), result.Command.c_str());
    }
    std::fflush(stdout);
  };
  while (next <= last || !running.empty()) {
    while (next <= last && static_cast<int>(running.size()) < jobs) {
      const auto seed = static_cast<uint32_t>(next++);
      const fs::path dir = fs::path(workRoot) / ("seed-" + std::to_string(seed));
      fs::remove_all(dir);
      fs::create_directories(dir);
      running.emplace_back(seed, std::async(std::launch::async, [=] {
                             return lr::chaos::RunChaos(binary, seed, frames, dir.string());
                           }));
    }
    finishOne();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const uint64_t seeds = uint64_t{last} - first + 1;
  std::printf("%llu seeds x %lld frames (each run twice): %d failed, %.0f s\n", static_cast<unsigned long long>(seeds), static_cast<long long>(frames),
              failures, seconds);
  return failures == 0 ? 0 : 1;
}
