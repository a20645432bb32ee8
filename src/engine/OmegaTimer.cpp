// The frame timer's firing rule, FPS window and slow-frame clamp.
#include "engine/OmegaTimer.h"

#include <algorithm>

namespace lr {

TOmegaTimer::TOmegaTimer(IClock& clock) : Clock(clock), FFrequency(clock.Frequency()) {
  SetMinFPS(10);
  SetMaxFPS(120);
  SetFPSWarningFrames(10);
}

void TOmegaTimer::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  if (value) {
    LastTime = Clock.Ticks();
    FPSStart = LastTime;
    FFrameCount = 0;
    FPS = 0;
  }
  UpdateTimer();
}

void TOmegaTimer::SetTargetFPS(Integer value) {
  if (value == FTargetFPS) return;
  FTargetFPS = value;
  if (value > 0) {
    FTicksPerFrame = static_cast<Integer>(FFrequency / value);
    FInterval = 1000 / value;
  }
  UpdateTimer();
}

void TOmegaTimer::SetMinFPS(Integer value) {
  if (value == FMinFPS) return;
  FMinFPS = value;
  if (value > 0) FMaxTicks = static_cast<Integer>(FFrequency / value);
}

void TOmegaTimer::SetMaxFPS(Integer value) {
  if (value == FMaxFPS) return;
  FMaxFPS = value;
  if (value > 0) FMinTicks = static_cast<Integer>(FFrequency / value);
}

void TOmegaTimer::SetFPSWarningFrames(Integer value) {
  if (value == FFPSWarningFrames) return;
  FFPSWarningFrames = value;
  FWarningCount = 0;
  LowFPS = false;
}

void TOmegaTimer::SetLossyMode(bool value) {
  FLossyMode = value;
  UpdateTimer();
}

void TOmegaTimer::UpdateTimer() {
  WindowTimerOn = false;
  if (FLossyMode) {
    WindowTimerOn = FTargetFPS > 0 && FEnabled && static_cast<bool>(OnTimer);
    IdleInstalled = false;
  } else {
    IdleInstalled = FEnabled && static_cast<bool>(OnTimer);
  }
}

void TOmegaTimer::Fire(int64_t elapsed, double divisor) {
  // Extended-precision division of the tick counts, stored as Single.
  Delta = static_cast<Single>(static_cast<long double>(elapsed) / divisor);
  ElapsedTime = static_cast<Single>(static_cast<long double>(elapsed) / FFrequency);
  if (OnTimer) OnTimer(*this);
  LastTime = Now;
  FFrameCount += 1;
}

void TOmegaTimer::Tick() {
  if (!FEnabled) return;
  Now = Clock.Ticks();
  if (Now - FPSStart >= FFrequency) {
    FPS = FFrameCount;
    FFrameCount = 0;
    FPSStart = Now;
  }
  int64_t elapsed = Now - LastTime;

  if (FLossyMode) {
    Fire(elapsed, static_cast<double>(FTicksPerFrame));
    return;
  }

  if (FMinFPS > 0 && elapsed > FMaxTicks) {
    // A stalled frame counts as exactly 1/MinFPS s; the excess time is dropped.
    elapsed = FMaxTicks;
    FWarningCount += 1;
    if (FWarningCount >= FFPSWarningFrames) {
      LowFPS = true;
      FWarningCount -= 1;
    }
  } else {
    LowFPS = false;
    FWarningCount = 0;
  }

  if (FMaxFPS != 0 && elapsed < FMinTicks) return;
  if (FTargetFPS > 0) {
    if (elapsed < FTicksPerFrame) return;
    Fire(elapsed, static_cast<double>(FTicksPerFrame));
  } else {
    Fire(elapsed, static_cast<double>(FFrequency));
    ElapsedTime = Delta;
  }
}

int64_t TOmegaTimer::TicksUntilDue() {
  if (!FEnabled) return -1;
  if (FLossyMode) return WindowTimerOn ? FInterval * (FFrequency / 1000) : -1;
  if (!IdleInstalled) return -1;
  int64_t needed = 0;
  if (FMaxFPS != 0) needed = FMinTicks;
  if (FTargetFPS > 0) needed = std::max<int64_t>(needed, FTicksPerFrame);
  const int64_t elapsed = Clock.Ticks() - LastTime;
  return std::max<int64_t>(0, needed - elapsed);
}

}  // namespace lr
