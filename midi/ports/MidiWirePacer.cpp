#include "midi/ports/MidiWirePacer.h"

#include <algorithm>
#include <thread>

#include "midi/MidiWire.h"

MidiWirePacer::MidiWirePacer(int bytesPerSecond)
    : bytesPerSecond_(bytesPerSecond), wireFreeAt_(std::chrono::steady_clock::now()) {}

void MidiWirePacer::Sent(std::size_t bytes) {
  if (bytesPerSecond_ <= 0) {
    return;
  }
  wireFreeAt_ = WireStart() + MidiWire::WireTime(bytes, bytesPerSecond_);
  std::this_thread::sleep_until(wireFreeAt_);
}

void MidiWirePacer::Pause(std::chrono::milliseconds pause) {
  if (pause.count() <= 0) {
    return;
  }
  wireFreeAt_ = WireStart() + pause;
  std::this_thread::sleep_until(wireFreeAt_);
}

std::chrono::steady_clock::time_point MidiWirePacer::WireStart() const {
  // Bytes sent right after the previous ones follow them on the wire, even when this thread
  // woke up a little late (otherwise every wake-up's lateness would add up over a long dump);
  // after a real break the wire starts again from now.
  const auto now = std::chrono::steady_clock::now();
  return now - wireFreeAt_ > kWakeUpAllowance ? now : wireFreeAt_;
}
