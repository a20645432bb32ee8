// TOmegaTimer: fires the game's frame routine at most TargetFPS times per second and
// publishes Delta (elapsed time in target frames) and FPS (frames in the last whole second).
#pragma once

#include <cstdint>
#include <functional>

#include "engine/Types.h"
#include "platform/Clock.h"

namespace lr {

class TOmegaTimer {
 public:
  using TNotifyEvent = std::function<void(TOmegaTimer&)>;

  explicit TOmegaTimer(IClock& clock);

  // Published properties.
  bool Enabled() const { return FEnabled; }
  Integer TargetFPS() const { return FTargetFPS; }
  Integer MinFPS() const { return FMinFPS; }
  Integer MaxFPS() const { return FMaxFPS; }
  Integer FPSWarningFrames() const { return FFPSWarningFrames; }
  bool LossyMode() const { return FLossyMode; }
  void SetEnabled(bool value);
  void SetTargetFPS(Integer value);
  void SetMinFPS(Integer value);
  void SetMaxFPS(Integer value);
  void SetFPSWarningFrames(Integer value);
  void SetLossyMode(bool value);
  TNotifyEvent OnTimer;

  // Public state.
  Single Delta = 0;
  Single ElapsedTime = 0;
  Integer FPS = 0;
  bool LowFPS = false;

  // One poll of the clock: fires OnTimer when the firing rule says a frame is due. In lossy
  // mode every poll is a window-timer message and fires a frame.
  void Tick();

  // How the owner drives the polls: true while polls should come from the idle loop (normal
  // mode, enabled, with a frame routine), or from an Interval-millisecond timer (lossy mode).
  bool IdleDriven() const { return IdleInstalled; }
  bool WindowTimerRunning() const { return WindowTimerOn; }
  Integer Interval() const { return FInterval; }

  // Ticks left until the next poll could fire a frame (0 when one is due now); lets the
  // owner sleep on its events instead of spinning. -1 when no frame will come at all.
  int64_t TicksUntilDue();

  int64_t Frequency() const { return FFrequency; }
  int64_t TicksPerFrame() const { return FTicksPerFrame; }
  int64_t MaxTicks() const { return FMaxTicks; }
  int64_t MinTicks() const { return FMinTicks; }
  Integer FrameCount() const { return FFrameCount; }
  Integer WarningCount() const { return FWarningCount; }

 private:
  void UpdateTimer();
  void Fire(int64_t elapsed, double divisor);

  IClock& Clock;
  bool FEnabled = false;
  Integer FTargetFPS = 0;
  Integer FMinFPS = 0;
  Integer FMaxFPS = 0;
  Integer FFPSWarningFrames = 0;
  bool FLossyMode = false;

  int64_t FFrequency;
  int64_t LastTime = 0;
  int64_t Now = 0;
  int64_t FPSStart = 0;
  Integer FFrameCount = 0;
  Integer FWarningCount = 0;
  // 32-bit integer divisions of the 64-bit frequency, as the tick rules define them.
  Integer FTicksPerFrame = 0;
  Integer FMaxTicks = 0;
  Integer FMinTicks = 0;
  Integer FInterval = 0;
  bool IdleInstalled = false;
  bool WindowTimerOn = false;
};

}  // namespace lr
