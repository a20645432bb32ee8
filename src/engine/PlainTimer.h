// A plain interval timer (the form's Timer1): fires its event every Interval milliseconds of
// the clock, polled from the main loop between frames.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/Clock.h"

namespace lr {

class TPlainTimer {
 public:
  explicit TPlainTimer(IClock& clock) : Clock(clock) {}

  int32_t Interval = 1000;  // milliseconds
  std::function<void()> OnTimer;

  void SetEnabled(bool value) {
    if (value && !Enabled) Due = Clock.Ticks() + IntervalTicks();
    Enabled = value;
  }
  // Fires at most once per poll, however late the poll is.
  void Poll() {
    if (!Enabled || Interval <= 0) return;
    const int64_t now = Clock.Ticks();
    if (now < Due) return;
    Due = now + IntervalTicks();
    if (OnTimer) OnTimer();
  }
  int64_t TicksUntilDue() {
    if (!Enabled || Interval <= 0) return -1;
    const int64_t left = Due - Clock.Ticks();
    return left > 0 ? left : 0;
  }

 private:
  int64_t IntervalTicks() const { return Clock.Frequency() / 1000 * Interval; }
  IClock& Clock;
  bool Enabled = false;
  int64_t Due = 0;
};

}  // namespace lr
