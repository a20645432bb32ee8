// The system and virtual clocks.
#include "platform/Clock.h"

#include <chrono>

namespace lr {

namespace {
constexpr int64_t kMillisecondsPerDay = 24LL * 60 * 60 * 1000;
}

int64_t SystemClock::Ticks() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

uint32_t SystemClock::MillisecondsOfDay() {
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
