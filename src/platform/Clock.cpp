// The system and virtual clocks.
#include "platform/Clock.h"

#include <chrono>

namespace lr {

namespace {
constexpr int64_t kMillisecondsPerDay = 24LL * 60 * 60 * 1000;
}

SystemClock::SystemClock(uint32_t startMillisecondsOfDay) : StartOfDay(startMillisecondsOfDay), StartTicks(Ticks()) {}

int64_t SystemClock::Ticks() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

uint32_t SystemClock::MillisecondsOfDay() {
  if (StartOfDay >= 0) return static_cast<uint32_t>((StartOfDay + (Ticks() - StartTicks) / 1'000'000) % kMillisecondsPerDay);
  const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
  return static_cast<uint32_t>(sinceEpoch % kMillisecondsPerDay);
}

uint32_t VirtualClock::MillisecondsOfDay() {
  const int64_t elapsedMs = Now / (Freq / 1000);
  return static_cast<uint32_t>((StartOfDay + elapsedMs) % kMillisecondsPerDay);
}

}  // namespace lr
