#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "midi/sysex/SysxAddress.h"
#include "model/ItemKind.h"

class Item;
struct BankLayout;

// The synthesizer's System Exclusive messages: bulk dumps with byte count, address and
// checksum, dump requests and parameter changes, and where an item's dump is addressed.
namespace BulkDump {

inline constexpr std::uint8_t kSysExStart = 0xF0;
inline constexpr std::uint8_t kSysExEnd = 0xF7;
inline constexpr std::uint8_t kYamahaId = 0x43;
inline constexpr std::uint8_t kModelId = 0x64;
// Message type in the high nibble of byte 2, device number 0 in the low nibble.
inline constexpr std::uint8_t kBulkDumpType = 0x00;
inline constexpr std::uint8_t kParameterChangeType = 0x10;
inline constexpr std::uint8_t kDumpRequestType = 0x20;
inline constexpr std::uint8_t kDeviceNumberBits = 0x0F;
// Any byte of this value or above is a status byte, never data.
inline constexpr std::uint8_t kStatusBit = 0x80;
// The bits a data byte may carry.
inline constexpr std::uint8_t kDataBits = 0x7F;

// Address high bytes of the first and last message of one item's dump.
inline constexpr std::uint8_t kHeaderHigh = 0x0E;
inline constexpr std::uint8_t kFooterHigh = 0x0F;
// Setting the low four bits of a bank's select LSB addresses the edit buffer of its kind.
inline constexpr std::uint8_t kEditBufferBits = 0x0F;

// Offsets within a bulk dump message; a message with n data bytes is n + 11 bytes long.
inline constexpr std::size_t kCountHighOffset = 4;
inline constexpr std::size_t kAddressOffset = 6;
inline constexpr std::size_t kDataOffset = 9;
inline constexpr std::size_t kMessageOverhead = 11;
inline constexpr std::size_t kLargestCount = 0x3FFF;

// The parameter that program selection switches (to 01, then 00) before a voice is selected.
inline constexpr SysxAddress kVoiceSelectParameter{0x0A, 0x00, 0x11};

// A bulk dump message is its 9 leading bytes (F0 43 00 64, count, address), the data, and its
// 2 closing bytes (checksum, F7). An item byte of 80 or more would be a status byte on the wire
// (F7 would end the message early, FF is System Reset), so it goes out as its low seven bits;
// the checksum covers the bytes as sent. The count holds at most kLargestCount.
constexpr std::size_t MessageSize(std::size_t count) {
  return count + kMessageOverhead;
}
// Writes the message carrying `data` into `message` (MessageSize(data.size()) bytes); returns
// how many data bytes went out as their low seven bits.
std::size_t WriteMessage(SysxAddress address, std::span<const std::uint8_t> data,
                         std::span<std::uint8_t> message);
std::array<std::uint8_t, 8> DumpRequest(SysxAddress address);
// The message without data that opens (at HeaderAddress) or closes (at FooterAddress) an item's
// dump.
std::array<std::uint8_t, kMessageOverhead> EmptyMessage(SysxAddress address);
std::array<std::uint8_t, 9> ParameterChange(SysxAddress address, std::uint8_t value);

// Where an item's dump goes or comes from: the mid and low address bytes of its header,
// footer and dump request.
struct Location {
  std::uint8_t mid = 0;
  std::uint8_t low = 0;
  constexpr bool operator==(const Location&) const = default;
};

// The item's own memory location (bank-select LSB and slot); none for a free-standing item.
std::optional<Location> MemoryLocation(const Item& item);
// The edit buffer of a kind: 0F, 2F or 4F, low 00.
Location EditBufferLocation(ItemKind kind);

// What a location names: the kind, and either a bank and slot, or the kind's edit buffer.
// None for a location no bank uses, or a slot past the bank's end.
struct LocationMeaning {
  ItemKind kind;
  const BankLayout* bank;  // none for an edit buffer
  int slot;
};
std::optional<LocationMeaning> DescribeLocation(Location location);

inline SysxAddress HeaderAddress(Location location) {
  return {kHeaderHigh, location.mid, location.low};
}
inline SysxAddress FooterAddress(Location location) {
  return {kFooterHigh, location.mid, location.low};
}
// The location a dump request asks for (any device number); none for other bytes.
std::optional<Location> RequestedLocation(std::span<const std::uint8_t> request);

}  // namespace BulkDump
