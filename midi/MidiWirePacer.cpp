#include "midi/MidiWirePacer.h"

#include <thread>

#include "midi/MidiWire.h"

MidiWirePacer::MidiWirePacer(int bytesPerSecond)
    : bytesPerSecond_(bytesPerSecond), wireFreeAt_(std::chrono::steady_clock::now()) {}

void MidiWirePacer::Sent(std::size_t bytes) {
  if (bytesPerSecond_ <= 0) {
    return;
  }
  // The wire runs on from where the previous bytes left it, unless it has been idle since.
  wireFreeAt_ = std::max(wireFreeAt_, std::chrono::steady_clock::now()) +
                MidiWire::WireTime(bytes, bytesPerSecond_);
  std::this_thread::sleep_until(wireFreeAt_);
}

void MidiWirePacer::Pause(std::chrono::milliseconds pause) {
  if (pause.count() <= 0) {
    return;
  }
  wireFreeAt_ = std::max(wireFreeAt_, std::chrono::steady_clock::now()) + pause;
  std::this_thread::sleep_until(wireFreeAt_);
}
