#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "midi/sysex/SysxAddress.h"

// One accepted bulk dump message: its address and its data bytes (inside the scanned bytes).
struct BulkMessage {
  SysxAddress address;
  std::span<const std::uint8_t> data;
};

struct BulkScanCounts {
  std::size_t accepted = 0;
  // Messages begun by F0 that were not whole, valid bulk dumps of this synthesizer.
  std::size_t dropped = 0;
};

// Walks a byte string for bulk dump messages and hands each valid one to `accept`, in order.
//
// A message is accepted when it is F0 43 xx 64, count, address, exactly `count` data bytes,
// a checksum that makes the low 7 bits of count, address, data and checksum zero, and F7.
// Bytes outside messages are skipped. A damaged message never hides the next one: the scan
// goes on at the first status byte (80 or more) after the message's F0, so an F0 there starts
// the next message, whether the damaged one was cut short, ran long or lost its F7.
BulkScanCounts ScanBulkMessages(std::span<const std::uint8_t> bytes,
                                const std::function<void(const BulkMessage&)>& accept);
