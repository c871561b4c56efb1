#include "midi/sysex/BulkMessageScanner.h"

#include <algorithm>

#include "midi/sysex/BulkDump.h"

namespace {

using namespace BulkDump;

bool IsStatusByte(std::uint8_t byte) {
  return byte >= kStatusBit;
}

// The message from an F0 up to (not including) the next status byte, and whether that
// status byte is its F7.
struct Candidate {
  std::span<const std::uint8_t> body;  // F0 and the data bytes after it
  bool closed;
};

Candidate CandidateAt(std::span<const std::uint8_t> bytes, std::size_t start) {
  const auto from = bytes.begin() + static_cast<std::ptrdiff_t>(start) + 1;
  const auto end = std::find_if(from, bytes.end(), IsStatusByte);
  return {std::span(bytes.begin() + static_cast<std::ptrdiff_t>(start), end),
          end != bytes.end() && *end == kSysExEnd};
}

// True for a whole bulk dump message of this synthesizer with a valid checksum; `body` holds
// F0 through the checksum, all bytes after F0 below 80.
bool IsValidBulkMessage(std::span<const std::uint8_t> body) {
  if (body.size() < kMessageOverhead - 1 || body[1] != kYamahaId || body[3] != kModelId)
    return false;
  const std::size_t count = body[kCountHighOffset] * std::size_t{128} + body[kCountHighOffset + 1];
  if (body.size() != count + kMessageOverhead - 1)
    return false;
  const auto summed = body.subspan(kCountHighOffset);
  std::uint32_t sum = 0;
  for (const std::uint8_t byte : summed)
    sum += byte;
  return (sum & 0x7F) == 0;
}

}  // namespace

BulkScanCounts ScanBulkMessages(std::span<const std::uint8_t> bytes,
                                const std::function<void(const BulkMessage&)>& accept) {
  BulkScanCounts counts;
  std::size_t position = 0;
  while (position < bytes.size()) {
    if (bytes[position] != kSysExStart) {
      ++position;
      continue;
    }
    const Candidate candidate = CandidateAt(bytes, position);
    if (candidate.closed && IsValidBulkMessage(candidate.body)) {
      const auto& body = candidate.body;
      accept({SysxAddress(body[kAddressOffset], body[kAddressOffset + 1], body[kAddressOffset + 2]),
              body.subspan(kDataOffset, body.size() - kDataOffset - 1)});
      ++counts.accepted;
    } else {
      ++counts.dropped;
    }
    // Resume at the status byte that ended the candidate: past it when it is the F7, at it
    // otherwise, so that an F0 there begins the next message.
    position += candidate.body.size() + (candidate.closed ? 1 : 0);
  }
  return counts;
}
