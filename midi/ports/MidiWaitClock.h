#pragma once

#include <chrono>

// The clock a receive's wait reads and sleeps on: the system's steady clock, or a test's own.
class MidiWaitClock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  virtual ~MidiWaitClock() = default;
  // From any thread: the port's thread reads it as each buffer completes.
  virtual TimePoint Now() const = 0;
  // Returns at `end` or later.
  virtual void SleepUntil(TimePoint end) = 0;

  static MidiWaitClock& System();
};
