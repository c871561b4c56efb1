#pragma once

#include <atomic>

#include "settings/SettingsStore.h"

// What every MIDI device of the process reads as it works: the receive numbers (the input
// buffers and the quiet time that ends a dump) and the cancel flag of the transfer under way.
// MidiControl sets them; like the ports, they belong to the thread that uses the ports.
struct MidiDeviceSettings {
  int bufferCount = Settings::kDefaultMidiInputBufNumber;
  int bufferSize = Settings::kDefaultMidiInputBufSize;
  int timeout = Settings::kDefaultMidiInputTimeout;  // milliseconds
  // Set (from any thread) to stop a dump's wait and a long send; none: nothing stops them.
  const std::atomic<bool>* cancel = nullptr;

  bool CancelRequested() const { return cancel != nullptr && cancel->load(); }

  // The process's one set.
  static MidiDeviceSettings& Current();
};
