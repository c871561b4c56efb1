#include "midi/sysex/BulkDump.h"

#include <algorithm>
#include <numeric>

#include "model/BankLayouts.h"
#include "model/Item.h"

namespace BulkDump {

namespace {

std::uint8_t SevenBitSum(std::span<const std::uint8_t> bytes, std::uint32_t start) {
  return static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.end(), start) & kDataBits);
}

std::uint32_t AddressSum(SysxAddress address) {
  return std::uint32_t{address.High()} + address.Mid() + address.Low();
}

std::uint8_t CountHigh(std::size_t count) {
  return static_cast<std::uint8_t>((count / 128) % 128);
}

std::uint8_t CountLow(std::size_t count) {
  return static_cast<std::uint8_t>(count % 128);
}

std::array<std::uint8_t, kDataOffset> MessageLead(SysxAddress address, std::size_t count) {
  return {kSysExStart,     kYamahaId,      kBulkDumpType, kModelId,     CountHigh(count),
          CountLow(count), address.High(), address.Mid(), address.Low()};
}

std::array<std::uint8_t, 2> MessageTail(SysxAddress address, std::span<const std::uint8_t> data) {
  const std::uint32_t leadSum =
      CountHigh(data.size()) + CountLow(data.size()) + AddressSum(address);
  const std::uint8_t sum = SevenBitSum(data, leadSum);
  return {static_cast<std::uint8_t>((128 - sum) % 128), kSysExEnd};
}

}  // namespace

std::size_t WriteMessage(SysxAddress address, std::span<const std::uint8_t> data,
                         std::span<std::uint8_t> message) {
  const auto lead = MessageLead(address, data.size());
  const std::span<std::uint8_t> sent = message.subspan(kDataOffset, data.size());
  std::size_t sevenBitBytes = 0;
  for (std::size_t i = 0; i < data.size(); ++i) {
    sent[i] = data[i] & kDataBits;
    sevenBitBytes += data[i] >= kStatusBit ? 1 : 0;
  }
  const auto tail = MessageTail(address, sent);
  std::copy(lead.begin(), lead.end(), message.begin());
  std::copy(tail.begin(), tail.end(), sent.end());
  return sevenBitBytes;
}

std::array<std::uint8_t, 8> DumpRequest(SysxAddress address) {
  return {kSysExStart,    kYamahaId,     kDumpRequestType, kModelId,
          address.High(), address.Mid(), address.Low(),    kSysExEnd};
}

std::array<std::uint8_t, kMessageOverhead> EmptyMessage(SysxAddress address) {
  std::array<std::uint8_t, kMessageOverhead> message{};
  WriteMessage(address, {}, message);
  return message;
}

std::optional<Location> RequestedLocation(std::span<const std::uint8_t> request) {
  constexpr std::size_t kTypeOffset = 2;
  constexpr std::size_t kMidOffset = 5;
  constexpr std::size_t kLowOffset = 6;
  if (request.size() != DumpRequest({}).size()) {
    return std::nullopt;
  }
  const Location location{request[kMidOffset], request[kLowOffset]};
  auto expected = DumpRequest(HeaderAddress(location));
  expected[kTypeOffset] |= request[kTypeOffset] & kDeviceNumberBits;
  if (!std::equal(expected.begin(), expected.end(), request.begin())) {
    return std::nullopt;
  }
  return location;
}

std::array<std::uint8_t, 9> ParameterChange(SysxAddress address, std::uint8_t value) {
  return {kSysExStart,   kYamahaId,      kParameterChangeType,
          kModelId,      address.High(), address.Mid(),
          address.Low(), value,          kSysExEnd};
}

std::optional<Location> MemoryLocation(const Item& item) {
  if (item.Owner() == nullptr || item.SlotIndex() < 0 || item.BankSelectLsb() < 0)
    return std::nullopt;
  return Location{static_cast<std::uint8_t>(item.BankSelectLsb()),
                  static_cast<std::uint8_t>(item.SlotIndex())};
}

Location EditBufferLocation(ItemKind kind) {
  for (const BankLayout& bank : kBankLayouts) {
    if (bank.kind == kind)
      return {static_cast<std::uint8_t>(bank.lsb | kEditBufferBits), 0};
  }
  return {};
}

std::optional<LocationMeaning> DescribeLocation(Location location) {
  for (const BankLayout& bank : kBankLayouts) {
    if (location.mid == bank.lsb && location.low < bank.capacity)
      return LocationMeaning{bank.kind, &bank, location.low};
    if (location == EditBufferLocation(bank.kind))
      return LocationMeaning{bank.kind, nullptr, 0};
  }
  return std::nullopt;
}

}  // namespace BulkDump
