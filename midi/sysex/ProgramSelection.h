#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

class Item;

// The messages that make the synthesizer select an item's program: for a voice, first a
// switch of the voice-select parameter (one long message) and a pause; then bank select
// MSB and LSB and a program change, all on MIDI channel 1.
struct ProgramSelection {
  static constexpr std::chrono::milliseconds kVoicePause{60};

  // The two parameter changes as one string, or empty for a performance.
  std::vector<std::uint8_t> parameterChanges;
  // How long to wait after the parameter changes.
  std::chrono::milliseconds pause{0};
  // Short messages in the order they are sent: B0 00 MSB, B0 20 LSB (when the bank is
  // known), C0 slot (when the slot is known).
  std::vector<std::vector<std::uint8_t>> shortMessages;
};

ProgramSelection ProgramSelectionFor(const Item& item);
