// A whole game for the benchmarks: a form's headless services on a virtual clock, its frames
// drawn to the end and counted, the thread's CPU clock, and a positive number from the
// environment. Shared by the benchmarks that play.
#pragma once

#include <time.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "game/MainForm.h"
#include "platform/Clock.h"
#include "platform/FontRasterizer.h"
#include "platform/KeyboardDevice.h"
#include "platform/Paths.h"
#include "platform/Presenter.h"
#include "platform/RecordingAudio.h"

namespace lr::bench {

// Frames are drawn to the end and handed over; only counted here.
class TCountingPresenter final : public IPresenter {
 public:
  void Present(const uint32_t* argb, int width, int height) override {
    if (argb && width > 0 && height > 0) ++Frames;
  }
  void SetCaption(const std::string&) override {}
  int64_t Frames = 0;
};

class TStderrReporter final : public IErrorReporter {
 public:
  void ShowError(const std::string& title, const std::string& text) override {
    std::cerr << title << ": " << text << "\n";
  }
};

// The game's pictures: $LR_DATA_DIR, else beside the benchmark.
inline std::string DataFolder() {
  if (const char* dir = std::getenv("LR_DATA_DIR"); dir && *dir) return dir;
  return ExecutableDirectory() + "/data";
}

// The services of one headless game; they must outlive its form.
struct TBenchServices {
  explicit TBenchServices(uint32_t millisecondsOfDay) : Clock(millisecondsOfDay), Audio(Clock) {}
  TFormServices ForForm() {
    return {.Clock = &Clock,
            .Presenter = &Presenter,
            .DataFolder = DataFolder(),
            .Keyboard = &Keyboard,
            .ErrorReporter = &Errors,
            .Audio = &Audio,
            .Fonts = &Fonts};
  }
  VirtualClock Clock;
  TRecordingAudio Audio;
  TFontRasterizer Fonts;
  TScriptedKeyboard Keyboard;
  TCountingPresenter Presenter;
  TStderrReporter Errors;
};

inline double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// $name as a positive whole number, else `fallback`.
inline int64_t EnvInt(const char* name, int64_t fallback) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  char* end = nullptr;
  const long long value = std::strtoll(text, &end, 10);
  return (end && *end == 0 && value > 0) ? value : fallback;
}

}  // namespace lr::bench
