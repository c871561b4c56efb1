#pragma once

#include <chrono>
#include <cstddef>

// Keeps a sender from feeding a port faster than its wire carries: each call to Sent waits
// until the bytes sent so far would have gone out at the wire's rate.
class MidiWirePacer {
 public:
  // 0 or less: no pacing.
  explicit MidiWirePacer(int bytesPerSecond);

  // Call after handing `bytes` to the port; returns once they are on the wire.
  void Sent(std::size_t bytes);
  // Waits this long on top of the wire time (a pause after a message).
  void Pause(std::chrono::milliseconds pause);

 private:
  static constexpr std::chrono::milliseconds kWakeUpAllowance{2};
  std::chrono::steady_clock::time_point WireStart() const;

  int bytesPerSecond_;
  std::chrono::steady_clock::time_point wireFreeAt_;
};
