#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Facts of the MIDI wire.
namespace MidiWire {

// 31250 baud, ten bits a byte.
inline constexpr int kDinBytesPerSecond = 3125;

// How long `bytes` take on a wire of `bytesPerSecond` (0 or less: no time), rounded up.
std::chrono::microseconds WireTime(std::size_t bytes, int bytesPerSecond);

// The complete System Exclusive messages of a byte string, each from its F0 to the next F7,
// in order. Bytes outside such a message are skipped; a message without its F7 is left out.
std::vector<std::span<const std::uint8_t>> SysExMessages(std::span<const std::uint8_t> bytes);

}  // namespace MidiWire
