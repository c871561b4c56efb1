#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Facts of the MIDI wire.
namespace MidiWire {

// Channel messages: the type in the high four bits of the status byte, the channel (0 is MIDI
// channel 1) in the low four.
inline constexpr std::uint8_t kChannelStatusMask = 0xF0;
inline constexpr std::uint8_t kChannelMask = 0x0F;
inline constexpr std::uint8_t kControlChange = 0xB0;
inline constexpr std::uint8_t kProgramChange = 0xC0;
inline constexpr std::uint8_t kChannelPressure = 0xD0;
inline constexpr std::uint8_t kBankSelectMsbController = 0x00;
inline constexpr std::uint8_t kBankSelectLsbController = 0x20;

// The length of a channel message with this status byte: program change and channel pressure
// carry one data byte, the others two.
constexpr std::size_t ChannelMessageLength(std::uint8_t status) {
  const std::uint8_t type = status & kChannelStatusMask;
  return type == kProgramChange || type == kChannelPressure ? 2 : 3;
}

// 31250 baud, ten bits a byte.
inline constexpr int kDinBytesPerSecond = 3125;

// How long `bytes` take on a wire of `bytesPerSecond` (0 or less: no time), rounded up.
std::chrono::microseconds WireTime(std::size_t bytes, int bytesPerSecond);

// The complete System Exclusive messages of a byte string, each from its F0 to the next F7,
// in order. Bytes outside such a message are skipped; a message without its F7 is left out.
std::vector<std::span<const std::uint8_t>> SysExMessages(std::span<const std::uint8_t> bytes);

}  // namespace MidiWire
