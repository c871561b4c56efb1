#include "midi/MidiWire.h"

#include <algorithm>

#include "midi/sysex/BulkDump.h"

namespace MidiWire {

std::chrono::microseconds WireTime(std::size_t bytes, int bytesPerSecond) {
  if (bytesPerSecond <= 0) {
    return std::chrono::microseconds{0};
  }
  const auto rate = static_cast<unsigned long long>(bytesPerSecond);
  return std::chrono::microseconds{(bytes * 1000000ULL + rate - 1) / rate};
}

std::vector<std::span<const std::uint8_t>> SysExMessages(std::span<const std::uint8_t> bytes) {
  std::vector<std::span<const std::uint8_t>> messages;
  auto start = std::find(bytes.begin(), bytes.end(), BulkDump::kSysExStart);
  while (start != bytes.end()) {
    const auto end = std::find(start + 1, bytes.end(), BulkDump::kSysExEnd);
    if (end == bytes.end()) {
      break;
    }
    messages.emplace_back(start, end + 1);
    start = std::find(end + 1, bytes.end(), BulkDump::kSysExStart);
  }
  return messages;
}

}  // namespace MidiWire
