#include "midi/ports/MidiWaitClock.h"

#include <thread>

namespace {

class SteadyClock : public MidiWaitClock {
 public:
  TimePoint Now() const override { return std::chrono::steady_clock::now(); }
  void SleepUntil(TimePoint end) override { std::this_thread::sleep_until(end); }
};

}  // namespace

MidiWaitClock& MidiWaitClock::System() {
  static SteadyClock clock;
  return clock;
}
