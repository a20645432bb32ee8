// Sources of time: a monotonic tick counter for the frame timer and the time of day that
// seeds the random generator. The window runner uses the system clocks; the headless runner
// and the tests drive a virtual clock by exact tick counts.
#pragma once

#include <cstdint>

namespace lr {

class IClock {
 public:
  virtual ~IClock() = default;
  // Ticks per second of Ticks().
  virtual int64_t Frequency() const = 0;
  // Monotonic tick count.
  virtual int64_t Ticks() = 0;
  // Milliseconds since midnight UTC: ((h * 60 + m) * 60 + s) * 1000 + ms.
  virtual uint32_t MillisecondsOfDay() = 0;
  // A millisecond counter for sound timing.
  int64_t Milliseconds() { return Ticks() / (Frequency() / 1000); }
};

// Nanosecond steady clock and the real UTC time of day, or a time of day that starts at a
// given millisecond after midnight when the clock is made and runs on in real time (paced
// headless runs keep their seed).
class SystemClock final : public IClock {
 public:
  SystemClock() = default;
  explicit SystemClock(uint32_t startMillisecondsOfDay);
  int64_t Frequency() const override { return 1'000'000'000; }
  int64_t Ticks() override;
  uint32_t MillisecondsOfDay() override;

 private:
  int64_t StartOfDay = -1;  // -1: the real time of day
  int64_t StartTicks = 0;
};

// A clock that only moves when told. Its time of day starts at a given millisecond after
// midnight and runs on with the ticks. The default frequency divides evenly into 60 frames
// and into milliseconds, so a frame is exactly 1/60 s and a second exactly 60 frames.
class VirtualClock final : public IClock {
 public:
  explicit VirtualClock(uint32_t startMillisecondsOfDay = 0, int64_t frequency = 600'000'000)
      : StartOfDay(startMillisecondsOfDay), Freq(frequency) {}
  int64_t Frequency() const override { return Freq; }
  int64_t Ticks() override { return Now; }
  uint32_t MillisecondsOfDay() override;
  void Advance(int64_t ticks) { Now += ticks; }
  void Set(int64_t ticks) { Now = ticks; }

 private:
  uint32_t StartOfDay;
  int64_t Freq;
  int64_t Now = 0;
};

}  // namespace lr
