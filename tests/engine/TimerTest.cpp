// The frame timer driven by a virtual clock: firing rule, Delta, slow-frame clamp, FPS window,
// setters and the lossy mode. Every time below is an exact tick count.
#include "engine/OmegaTimer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/Clock.h"

namespace lr {
namespace {

// A real-looking performance counter frequency: Frequency div 60 leaves a remainder.
constexpr int64_t kCounter = 3'579'545;

class TimerTest : public ::testing::Test {
 protected:
  // The game's settings: 60 target, 10 min, 120 max, 10 warning frames, then switched on.
  void Start(int64_t frequency) {
    clock = std::make_unique<VirtualClock>(0, frequency);
    timer = std::make_unique<TOmegaTimer>(*clock);
    timer->SetTargetFPS(60);
    timer->SetMinFPS(10);
    timer->SetMaxFPS(120);
    timer->SetFPSWarningFrames(10);
    timer->OnTimer = [this](TOmegaTimer& sender) {
      EXPECT_EQ(&sender, timer.get());
      deltas.push_back(sender.Delta);
    };
    timer->SetEnabled(true);
  }
  // Moves the clock on and polls once; true when that poll fired a frame.
  bool PollAfter(int64_t ticks) {
    const size_t before = deltas.size();
    clock->Advance(ticks);
    timer->Tick();
    return deltas.size() > before;
  }

  std::unique_ptr<VirtualClock> clock;
  std::unique_ptr<TOmegaTimer> timer;
  std::vector<Single> deltas;
};

// [SECTION] Creation and driving mechanism

TEST_F(TimerTest, CreatedDisabledWithDefaultLimits) {
  VirtualClock c(0, 1000);
  TOmegaTimer t(c);
  EXPECT_FALSE(t.Enabled());
  EXPECT_EQ(t.TargetFPS(), 0);
  EXPECT_EQ(t.MinFPS(), 10);
  EXPECT_EQ(t.MaxFPS(), 120);
  EXPECT_EQ(t.FPSWarningFrames(), 10);
  EXPECT_FALSE(t.LossyMode());
  EXPECT_EQ(t.MaxTicks(), 100);
  EXPECT_EQ(t.MinTicks(), 8);
  EXPECT_FALSE(t.IdleDriven());
  EXPECT_FALSE(t.WindowTimerRunning());
  EXPECT_EQ(t.TicksUntilDue(), -1);
}


TEST_F(TimerTest, IdleHandlerFollowsEnabledAndOnTimer) {
  Start(1000);
  EXPECT_TRUE(timer->IdleDriven());
  EXPECT_FALSE(timer->WindowTimerRunning());
  timer->SetEnabled(false);
  EXPECT_FALSE(timer->IdleDriven());
  EXPECT_EQ(timer->TicksUntilDue(), -1);
}

TEST_F(TimerTest, UnassignedOnTimerStillMeasuresFrames) {
  VirtualClock c(0, 1000);
  TOmegaTimer t(c);
  t.SetTargetFPS(60);
  t.SetEnabled(true);
  EXPECT_FALSE(t.IdleDriven());  // nothing to drive
  c.Advance(20);
  t.Tick();
  EXPECT_FLOAT_EQ(t.Delta, 20.0f / 16.0f);
  EXPECT_EQ(t.FrameCount(), 1);
}

// [SECTION] Firing rule and Delta

TEST_F(TimerTest, FiresAtFrequencyDiv60WithDeltaJustAboveOne) {
  Start(kCounter);
  const int64_t perFrame = kCounter / 60;  // 59659
  ASSERT_EQ(timer->TicksPerFrame(), perFrame);
  ASSERT_TRUE(PollAfter(perFrame));
  EXPECT_FLOAT_EQ(deltas.back(), 1.0f);
  // Two polls 10 ms apart after a frame fire nothing.
  EXPECT_FALSE(PollAfter(kCounter / 200));
  EXPECT_FALSE(PollAfter(kCounter / 100));
  EXPECT_FALSE(PollAfter(perFrame - kCounter / 200 - kCounter / 100 - 1));
  ASSERT_TRUE(PollAfter(8));  // 7 ticks past due
  EXPECT_FLOAT_EQ(deltas.back(), static_cast<Single>((perFrame + 7) / static_cast<double>(perFrame)));
  EXPECT_GT(deltas.back(), 1.0f);
  EXPECT_LT(deltas.back(), 1.001f);
  EXPECT_FLOAT_EQ(timer->ElapsedTime, static_cast<Single>((perFrame + 7) / static_cast<double>(kCounter)));
  // At most one frame per due time, however often it is polled.
  EXPECT_FALSE(PollAfter(0));
  EXPECT_EQ(deltas.size(), 2u);
}

TEST_F(TimerTest, NextFrameIsMeasuredFromTheRealFiringTime) {
  Start(1000);
  ASSERT_TRUE(PollAfter(30));  // late frame
  EXPECT_FLOAT_EQ(deltas.back(), 30.0f / 16.0f);
  EXPECT_FALSE(PollAfter(15));
  EXPECT_TRUE(PollAfter(1));
  EXPECT_FLOAT_EQ(deltas.back(), 1.0f);
}

TEST_F(TimerTest, TicksUntilDueCountsDownToTheNextFrame) {
  Start(1000);
  EXPECT_EQ(timer->TicksUntilDue(), 16);
  clock->Advance(10);
  EXPECT_EQ(timer->TicksUntilDue(), 6);
  clock->Advance(10);
  EXPECT_EQ(timer->TicksUntilDue(), 0);
}

// [SECTION] Slow frames

TEST_F(TimerTest, StallIsClampedToMinFPSAndCountedOnce) {
  Start(kCounter);
  ASSERT_TRUE(PollAfter(kCounter / 2));  // a 0.5 s stall
  const int64_t maxTicks = kCounter / 10;
  EXPECT_FLOAT_EQ(deltas.back(), static_cast<Single>(maxTicks / static_cast<double>(kCounter / 60)));
  EXPECT_NEAR(deltas.back(), 6.0f, 0.001f);
  EXPECT_FLOAT_EQ(timer->ElapsedTime, static_cast<Single>(maxTicks / static_cast<double>(kCounter)));
  EXPECT_EQ(timer->WarningCount(), 1);
  EXPECT_FALSE(timer->LowFPS);
  // The dropped time is gone: the next frame is due one frame after the stalled one fired.
  EXPECT_FALSE(PollAfter(kCounter / 60 - 1));
  EXPECT_TRUE(PollAfter(1));
  EXPECT_FLOAT_EQ(deltas.back(), 1.0f);
  EXPECT_EQ(timer->WarningCount(), 0);
}

TEST_F(TimerTest, TenSlowFramesSetLowFPSAndANormalOneClearsIt) {
  Start(1000);
  for (int i = 1; i <= 9; ++i) {
    ASSERT_TRUE(PollAfter(500));
    EXPECT_EQ(timer->WarningCount(), i);
    EXPECT_FALSE(timer->LowFPS);
  }
  ASSERT_TRUE(PollAfter(500));
  EXPECT_TRUE(timer->LowFPS);
  EXPECT_EQ(timer->WarningCount(), 9);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(PollAfter(500));
  EXPECT_TRUE(timer->LowFPS);
  EXPECT_EQ(timer->WarningCount(), 9);  // held at FPSWarningFrames - 1
  for (Single d : deltas) EXPECT_FLOAT_EQ(d, 100.0f / 16.0f);
  ASSERT_TRUE(PollAfter(16));
  EXPECT_FALSE(timer->LowFPS);
  EXPECT_EQ(timer->WarningCount(), 0);
  EXPECT_FLOAT_EQ(deltas.back(), 1.0f);
}

TEST_F(TimerTest, AnyQuickPollClearsLowFPSEvenWithoutAFrame) {
  Start(1000);
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(PollAfter(200));
  ASSERT_TRUE(timer->LowFPS);
  EXPECT_FALSE(PollAfter(5));
  EXPECT_FALSE(timer->LowFPS);
  EXPECT_EQ(timer->WarningCount(), 0);
}

TEST_F(TimerTest, MinFPSZeroDisablesTheClamp) {
  Start(1000);
  timer->SetMinFPS(0);
  EXPECT_EQ(timer->MaxTicks(), 100);  // left as it was
  ASSERT_TRUE(PollAfter(500));
  EXPECT_FLOAT_EQ(deltas.back(), 500.0f / 16.0f);
  EXPECT_EQ(timer->WarningCount(), 0);
}

// [SECTION] FPS window

TEST_F(TimerTest, FPSIsZeroForTheFirstSecondThenFramesPerCompletedWindow) {
  Start(1000);
  // Polled every tick: frames at 16, 32, ..., 992 fill the first window.
  for (int t = 1; t < 1000; ++t) {
    PollAfter(1);
    ASSERT_EQ(timer->FPS, 0) << "at tick " << t;
  }
  EXPECT_EQ(deltas.size(), 62u);
  PollAfter(1);  // tick 1000 closes the window
  EXPECT_EQ(timer->FPS, 62);
  // Second window polled every 50 ticks: frames at 1050 .. 1950.
  for (int t = 1050; t < 2000; t += 50) {
    ASSERT_TRUE(PollAfter(50));
    EXPECT_EQ(timer->FPS, 62);
  }
  ASSERT_TRUE(PollAfter(50));  // tick 2000: window closes, then this frame opens the next one
  EXPECT_EQ(timer->FPS, 19);
  ASSERT_TRUE(PollAfter(1000));
  EXPECT_EQ(timer->FPS, 1);
}

// [SECTION] Setters

TEST_F(TimerTest, SetTargetFPSWithSameValueDoesNotUpdateTheTimer) {
  VirtualClock c(0, 1000);
  TOmegaTimer t(c);
  t.SetTargetFPS(60);
  t.SetEnabled(true);
  t.OnTimer = [](TOmegaTimer&) {};
  EXPECT_FALSE(t.IdleDriven());  // the routine came after the last UpdateTimer
  t.SetTargetFPS(60);
  EXPECT_FALSE(t.IdleDriven());
  EXPECT_EQ(t.TicksPerFrame(), 16);
  t.SetTargetFPS(50);
  EXPECT_TRUE(t.IdleDriven());
  EXPECT_EQ(t.TicksPerFrame(), 20);
  EXPECT_EQ(t.Interval(), 20);
}

TEST_F(TimerTest, TargetFPSZeroOrBelowKeepsTicksPerFrameAndRunsFree) {
  Start(kCounter);
  timer->SetMaxFPS(0);
  timer->SetTargetFPS(0);
  EXPECT_EQ(timer->TicksPerFrame(), kCounter / 60);
  EXPECT_EQ(timer->Interval(), 16);
  EXPECT_TRUE(timer->IdleDriven());
  ASSERT_TRUE(PollAfter(kCounter / 50));  // Delta in seconds
  EXPECT_FLOAT_EQ(deltas.back(), static_cast<Single>((kCounter / 50) / static_cast<double>(kCounter)));
  EXPECT_FLOAT_EQ(timer->ElapsedTime, deltas.back());
  ASSERT_TRUE(PollAfter(0));  // no limit at all: every poll fires
  EXPECT_FLOAT_EQ(deltas.back(), 0.0f);
  timer->SetTargetFPS(-5);
  EXPECT_EQ(timer->TicksPerFrame(), kCounter / 60);
  EXPECT_TRUE(PollAfter(1));
}

TEST_F(TimerTest, MaxFPSLimitsFreeRunningFrames) {
  Start(1000);
  timer->SetTargetFPS(0);
  ASSERT_EQ(timer->MinTicks(), 8);
  EXPECT_FALSE(PollAfter(7));
  ASSERT_TRUE(PollAfter(1));
  EXPECT_FLOAT_EQ(deltas.back(), 0.008f);
  // A target above the maximum is held down to it as well.
  timer->SetTargetFPS(200);
  EXPECT_EQ(timer->TicksPerFrame(), 5);
  EXPECT_FALSE(PollAfter(5));
  ASSERT_TRUE(PollAfter(3));
  EXPECT_FLOAT_EQ(deltas.back(), 8.0f / 5.0f);
  // MaxFPS 0 lifts the limit and leaves MinTicks alone.
  timer->SetMaxFPS(0);
  EXPECT_EQ(timer->MinTicks(), 8);
  EXPECT_TRUE(PollAfter(5));
}

TEST_F(TimerTest, SetEnabledTwiceDoesNotRestart) {
  Start(1000);
  for (int i = 0; i < 70; ++i) PollAfter(16);
  ASSERT_EQ(timer->FPS, 62);
  clock->Advance(10);
  timer->SetEnabled(true);
  EXPECT_EQ(timer->FPS, 62);
  // LastTime was not reset either: the frame is due 16 ticks after the last one.
  EXPECT_TRUE(PollAfter(6));
}

TEST_F(TimerTest, DisablingKeepsFPSAndDeltaAndReenablingResetsFPS) {
  Start(1000);
  for (int i = 0; i < 70; ++i) PollAfter(16);
  PollAfter(20);
  ASSERT_EQ(timer->FPS, 62);
  ASSERT_FLOAT_EQ(timer->Delta, 20.0f / 16.0f);
  timer->SetEnabled(false);
  EXPECT_FALSE(PollAfter(5000));
  EXPECT_EQ(timer->FPS, 62);
  EXPECT_FLOAT_EQ(timer->Delta, 20.0f / 16.0f);
  timer->SetEnabled(true);
  EXPECT_EQ(timer->FPS, 0);
  EXPECT_EQ(timer->FrameCount(), 0);
  // Measured from the moment of enabling, not from the frame before the pause.
  ASSERT_TRUE(PollAfter(16));
  EXPECT_FLOAT_EQ(deltas.back(), 1.0f);
  EXPECT_EQ(timer->WarningCount(), 0);
}

TEST_F(TimerTest, SetFPSWarningFramesResetsOnlyOnChange) {
  Start(1000);
  for (int i = 0; i < 10; ++i) PollAfter(200);
  ASSERT_TRUE(timer->LowFPS);
  timer->SetFPSWarningFrames(10);
  EXPECT_TRUE(timer->LowFPS);
  EXPECT_EQ(timer->WarningCount(), 9);
  timer->SetFPSWarningFrames(3);
  EXPECT_FALSE(timer->LowFPS);
  EXPECT_EQ(timer->WarningCount(), 0);
  PollAfter(200);
  PollAfter(200);
  EXPECT_FALSE(timer->LowFPS);
  PollAfter(200);
  EXPECT_TRUE(timer->LowFPS);
  EXPECT_EQ(timer->WarningCount(), 2);
}

TEST_F(TimerTest, MinAndMaxFPSRecomputeTheirTickLimits) {
  Start(kCounter);
  timer->SetMinFPS(4);
  timer->SetMaxFPS(30);
  EXPECT_EQ(timer->MaxTicks(), kCounter / 4);
  EXPECT_EQ(timer->MinTicks(), kCounter / 30);
  timer->SetMaxFPS(-1);
  EXPECT_EQ(timer->MinTicks(), kCounter / 30);
  timer->SetMinFPS(-1);
  EXPECT_EQ(timer->MaxTicks(), kCounter / 4);
}

// [SECTION] Lossy mode

TEST_F(TimerTest, LossyModeFiresOnEveryPollWithoutClamp) {
  Start(1000);
  timer->SetLossyMode(true);
  EXPECT_TRUE(timer->WindowTimerRunning());
  EXPECT_FALSE(timer->IdleDriven());
  EXPECT_EQ(timer->Interval(), 16);
  ASSERT_TRUE(PollAfter(1));
  EXPECT_FLOAT_EQ(deltas.back(), 1.0f / 16.0f);
  ASSERT_TRUE(PollAfter(0));
  EXPECT_FLOAT_EQ(deltas.back(), 0.0f);
  ASSERT_TRUE(PollAfter(500));
  EXPECT_FLOAT_EQ(deltas.back(), 500.0f / 16.0f);
  EXPECT_FLOAT_EQ(timer->ElapsedTime, 0.5f);
  EXPECT_EQ(timer->WarningCount(), 0);
  EXPECT_FALSE(timer->LowFPS);
  EXPECT_EQ(timer->FrameCount(), 3);
}

TEST_F(TimerTest, LossyWindowTimerNeedsTargetEnabledAndRoutine) {
  Start(1000);
  timer->SetLossyMode(true);
  timer->SetTargetFPS(0);
  EXPECT_FALSE(timer->WindowTimerRunning());
  timer->SetTargetFPS(25);
  EXPECT_TRUE(timer->WindowTimerRunning());
  EXPECT_EQ(timer->Interval(), 40);
  timer->SetEnabled(false);
  EXPECT_FALSE(timer->WindowTimerRunning());
  timer->OnTimer = nullptr;
  timer->SetEnabled(true);
  EXPECT_FALSE(timer->WindowTimerRunning());
  timer->SetLossyMode(false);
  EXPECT_FALSE(timer->IdleDriven());
}

}  // namespace
}  // namespace lr
