#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "midi/MidiWire.h"

// Standard MIDI Files as carriers of System Exclusive messages: the messages read out of a
// file of format 0, 1 or 2, and a format 0 file made of a string of messages.
namespace StandardMidiFile {

inline constexpr std::array<std::uint8_t, 4> kHeaderChunkId{'M', 'T', 'h', 'd'};
inline constexpr std::array<std::uint8_t, 4> kTrackChunkId{'M', 'T', 'r', 'k'};
// A chunk is its four-byte id, a 32-bit big-endian length, and that many bytes.
inline constexpr std::size_t kChunkHeaderSize = 8;
// Format, track count and division; a longer header's other bytes are skipped.
inline constexpr std::uint32_t kHeaderDataSize = 6;
inline constexpr std::uint16_t kSingleTrackFormat = 0;
inline constexpr std::uint16_t kSimultaneousTracksFormat = 1;
inline constexpr std::uint16_t kIndependentTracksFormat = 2;

// Event status bytes besides the channel messages (80 to EF): a SysEx event (F0 and its
// bytes), an escape or continuation packet (F7 and raw bytes), a meta event (FF, type, bytes).
inline constexpr std::uint8_t kSysExEvent = 0xF0;
inline constexpr std::uint8_t kEscapeEvent = 0xF7;
inline constexpr std::uint8_t kMetaEvent = 0xFF;
inline constexpr std::uint8_t kSetTempoMeta = 0x51;
inline constexpr std::uint8_t kEndOfTrackMeta = 0x2F;
// A variable-length quantity is at most four bytes of seven bits, high bit set on all but the
// last.
inline constexpr std::size_t kLongestQuantity = 4;

// The written file's clock: 60 beats a minute and as many ticks a beat as the DIN wire carries
// bytes a second, so that one tick is one byte's wire time (320 us) and a message's length in
// bytes is the delta that keeps the next one from outrunning the wire.
inline constexpr std::uint32_t kWrittenTempo = 1'000'000;  // microseconds a quarter note
inline constexpr std::uint16_t kWrittenDivision = MidiWire::kDinBytesPerSecond;

// What a read found damaged or left out; the file's sound parts are read all the same.
struct ReadCounts {
  std::size_t truncatedEvents = 0;  // events cut off by their chunk's end, or malformed
  std::size_t lengthsBeyond = 0;    // chunk lengths beyond the file, event lengths beyond the chunk
  std::size_t unendedSysEx = 0;     // SysEx messages that never reached their F7
  // F7 escape packets, and SysEx events once continued to their F7, that were not whole
  // F0 ... F7 messages (an F7 before the end without an F0 after it, bytes outside a message)
  std::size_t notWholeMessages = 0;
  // Passed over, not damage: chunks of another type than MTrk, which the file format lets any
  // file hold; sound events, that is channel messages (notes, controllers, program changes) and
  // meta events other than the tempo and the track's end.
  std::size_t unknownChunks = 0;
  std::size_t otherEvents = 0;

  std::size_t Damaged() const {
    return truncatedEvents + lengthsBeyond + unendedSysEx + notWholeMessages;
  }
};

// The System Exclusive messages of a file, complete F0 ... F7 messages back to back: format 0
// and 1 in order of their time across the tracks (ties in track order), format 2 track after
// track. -1 for bytes that do not begin with a header chunk; `messages` and `counts` are then
// empty. Never reads outside `file`.
int ReadSysEx(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& messages,
              ReadCounts& counts);

// A format 0 file of one track: the tempo, then one SysEx event for each complete F0 ... F7
// message of `messages` (other bytes are left out), each after the previous one's wire time,
// and the end of the track after the last one's. Empty when the track would not fit its
// 32-bit length.
std::vector<std::uint8_t> WriteSysEx(std::span<const std::uint8_t> messages);

}  // namespace StandardMidiFile
