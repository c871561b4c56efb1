#include "midi/sysex/StandardMidiFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using StandardMidiFile::ReadCounts;

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes joined;
  for (const Bytes& part : parts)
    joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}

Bytes Chunk(const char* id, const Bytes& data, std::size_t claimed) {
  Bytes chunk(id, id + 4);
  for (int shift = 24; shift >= 0; shift -= 8)
    chunk.push_back(static_cast<std::uint8_t>(claimed >> shift));
  return Join({chunk, data});
}
Bytes Chunk(const char* id, const Bytes& data) {
  return Chunk(id, data, data.size());
}

Bytes Header(std::uint8_t format, std::uint8_t tracks) {
  return Chunk("MThd", {0, format, 0, tracks, 0x01, 0xE0});
}

// A SysEx event at `delta` (below 128) carrying the message's bytes after its F0.
Bytes SysEx(std::uint8_t delta, const Bytes& message) {
  Bytes event{delta, 0xF0, static_cast<std::uint8_t>(message.size() - 1)};
  event.insert(event.end(), message.begin() + 1, message.end());
  return event;
}
Bytes Packet(std::uint8_t delta, std::uint8_t status, const Bytes& bytes) {
  Bytes event{delta, status, static_cast<std::uint8_t>(bytes.size())};
  event.insert(event.end(), bytes.begin(), bytes.end());
  return event;
}
const Bytes kEnd{0x00, 0xFF, 0x2F, 0x00};

const Bytes m1{0xF0, 0x43, 0x10, 0x64, 0x01, 0xF7};
const Bytes m2{0xF0, 0x43, 0x10, 0x64, 0x02, 0x02, 0xF7};
const Bytes m3{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
const Bytes m4{0xF0, 0x43, 0x20, 0x64, 0x0E, 0x00, 0x00, 0xF7};

auto Fields(const ReadCounts& c) {
  return std::make_tuple(c.truncatedEvents, c.lengthsBeyond, c.unendedSysEx, c.notWholeMessages,
                         c.unknownChunks);
}

TEST(StandardMidiFile, ReadsWhatIsSoundAndCountsWhatIsDamaged) {
  // Channel messages in running status and meta events between the SysEx events.
  const Bytes notes{0x0A, 0x90, 0x3C, 0x40, 0x00, 0x3C, 0x00, 0x00, 0xC0,
                    0x05, 0x00, 0x06, 0x00, 0xFF, 0x01, 0x02, 'h',  'i'};
  const Bytes trackA = Join({SysEx(0, m1), notes, SysEx(5, m3), kEnd});
  const Bytes trackB = Join({SysEx(5, m4), SysEx(10, m2), kEnd});
  const struct {
    const char* what;
    Bytes file;
    Bytes messages;
    ReadCounts counts;
  } cases[] = {
      {"format 1: by time across tracks, ties in track order",
       Join({Header(1, 2), Chunk("MTrk", trackA), Chunk("MTrk", trackB)}),
       Join({m1, m4, m3, m2}),
       {}},
      {"format 0", Join({Header(0, 1), Chunk("MTrk", trackA)}), Join({m1, m3}), {}},
      {"format 2: track after track",
       Join({Header(2, 2), Chunk("MTrk", trackA), Chunk("MTrk", trackB)}),
       Join({m1, m3, m4, m2}),
       {}},
      {"unknown chunk types skipped",
       Join({Header(1, 2), Chunk("MTrk", trackB), Chunk("XFIH", {1, 2, 3}), Chunk("MTrk", trackA)}),
       Join({m1, m4, m2, m3}),
       {.unknownChunks = 1}},
      {"a channel message cut by the chunk's end",
       Join({Header(0, 1), Chunk("MTrk", Join({SysEx(0, m1), {0x00, 0x90, 0x3C}}))}),
       m1,
       {.truncatedEvents = 1}},
      {"a delta cut by the chunk's end",
       Join({Header(0, 1), Chunk("MTrk", Join({SysEx(0, m1), {0x81}}))}),
       m1,
       {.truncatedEvents = 1}},
      {"a delta of five bytes",
       Join({Header(0, 1), Chunk("MTrk", Join({{0x81, 0x81, 0x81, 0x81, 0x01}, SysEx(0, m1)}))}),
       {},
       {.truncatedEvents = 1}},
      {"running status without a status before it",
       Join({Header(0, 1), Chunk("MTrk", Join({{0x00, 0x3C, 0x40}, SysEx(0, m1)}))}),
       {},
       {.truncatedEvents = 1}},
      {"running status ends at a SysEx event",
       Join({Header(0, 1),
             Chunk("MTrk", Join({{0x00, 0x90, 0x3C, 0x40}, SysEx(0, m1), {0x00, 0x3C, 0x00}}))}),
       m1,
       {.truncatedEvents = 1}},
      {"a status byte no event has",
       Join({Header(0, 1), Chunk("MTrk", Join({SysEx(0, m1), {0x00, 0xF1, 0x01}, SysEx(0, m2)}))}),
       m1,
       {.truncatedEvents = 1}},
      {"a SysEx length beyond the chunk",
       Join({Header(0, 1), Chunk("MTrk", Join({SysEx(0, m1), {0x00, 0xF0, 0x20, 0x43, 0x10}}))}),
       m1,
       {.lengthsBeyond = 1}},
      {"a meta length beyond the chunk",
       Join({Header(0, 1), Chunk("MTrk", Join({SysEx(0, m1), {0x00, 0xFF, 0x01, 0x09, 'x'}}))}),
       m1,
       {.lengthsBeyond = 1}},
      {"a track length beyond the file",
       Join({Header(0, 1), Chunk("MTrk", Join({SysEx(0, m1), SysEx(0, m2)}), 200)}),
       Join({m1, m2}),
       {.lengthsBeyond = 1}},
      {"a header length beyond the file",
       Chunk("MThd", {0, 0, 0, 1, 0, 96}, 64),
       {},
       {.lengthsBeyond = 1}},
      {"a chunk header cut by the file's end",
       Join({Header(0, 1), Chunk("MTrk", SysEx(0, m1)), {'M', 'T'}}),
       m1,
       {.lengthsBeyond = 1}},
      {"a SysEx without its end",
       Join({Header(0, 1),
             Chunk("MTrk", Join({SysEx(0, m1), Packet(0, 0xF0, {0x43, 0x10}), kEnd}))}),
       m1,
       {.unendedSysEx = 1}},
      {"a SysEx cut off by the next one",
       Join({Header(0, 1), Chunk("MTrk", Join({Packet(0, 0xF0, {0x43, 0x10}), SysEx(1, m2)}))}),
       m2,
       {.unendedSysEx = 1}},
      {"F7 packets continue the SysEx before them, other events between",
       Join({Header(0, 1), Chunk("MTrk", Join({Packet(0, 0xF0, {0x43, 0x10}),
                                               {0x00, 0xB0, 0x07, 0x64},
                                               Packet(3, 0xF7, {0x64}),
                                               Packet(3, 0xF7, {0x01, 0xF7}),
                                               SysEx(0, m2),
                                               kEnd}))}),
       Join({m1, m2}),
       {}},
      {"F7 escapes of whole messages are taken, others skipped",
       Join({Header(0, 1),
             Chunk("MTrk",
                   Join({Packet(0, 0xF7, Join({m1, m2})), Packet(0, 0xF7, {0x90, 0x3C, 0x40}),
                         Packet(0, 0xF7, {0xF0, 0x43}), Packet(0, 0xF7, {}),
                         Packet(0, 0xF7, Join({m3, {0x05}})), Packet(0, 0xF7, m4)}))}),
       Join({m1, m2, m4}),
       {.notWholeMessages = 4}},
      {"a SysEx event with an F7 before its end",
       Join({Header(0, 1),
             Chunk("MTrk", Join({Packet(0, 0xF0, {0x01, 0xF7, 0x02, 0xF7}),
                                 Packet(0, 0xF0, {0x01, 0xF7, 0xF0, 0x02, 0xF7}),
                                 Packet(0, 0xF0, {0x43}), Packet(0, 0xF7, {0xF7, 0xF7})}))}),
       {0xF0, 0x01, 0xF7, 0xF0, 0x02, 0xF7},
       {.notWholeMessages = 2}},
      {"nothing after the end of the track",
       Join({Header(0, 1), Chunk("MTrk", Join({SysEx(0, m1), kEnd, SysEx(0, m2)}))}),
       m1,
       {}},
  };
  for (const auto& c : cases) {
    Bytes messages{0x55};
    ReadCounts counts;
    counts.unknownChunks = 99;
    EXPECT_EQ(StandardMidiFile::ReadSysEx(c.file, messages, counts), 0) << c.what;
    EXPECT_EQ(messages, c.messages) << c.what;
    EXPECT_EQ(Fields(counts), Fields(c.counts)) << c.what;
    // Chunks of other types are passed over, as the file format allows: no damage.
    EXPECT_EQ(counts.Damaged() == 0,
              Fields(c.counts) == Fields(ReadCounts{.unknownChunks = c.counts.unknownChunks}))
        << c.what;
  }
}

TEST(StandardMidiFile, BytesThatDoNotBeginWithAHeaderAreNoFile) {
  const Bytes notFiles[] = {
      {},
      {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0},
      Chunk("MThd", {0, 0, 0, 1, 0}),
      Join({Chunk("RIFF", {0, 0, 0, 1, 0, 96}), Chunk("MTrk", SysEx(0, m1))}),
      m1,
  };
  for (const Bytes& file : notFiles) {
    Bytes messages{0x55};
    ReadCounts counts;
    counts.truncatedEvents = 3;
    EXPECT_EQ(StandardMidiFile::ReadSysEx(file, messages, counts), -1) << file.size();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(counts.Damaged(), 0u);
  }
}

TEST(StandardMidiFile, WritesOneEventAMessageEachAfterThePreviousOnesWireTime) {
  // Bytes outside complete messages are left out.
  const Bytes messages{0x05, 0xF0, 0x01, 0xF7, 0x00, 0xF0, 0x02, 0x03, 0xF7, 0xF0, 0x09};
  const Bytes expected{'M',  'T',  'h',  'd',  0,    0,    0,    6,
                       0,    0,    0,    1,    0x0C, 0x35,            // 3125
                       'M',  'T',  'r',  'k',  0,    0,    0,    22,  //
                       0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,      // 1,000,000 us a quarter
                       0x00, 0xF0, 0x02, 0x01, 0xF7,                  //
                       0x03, 0xF0, 0x03, 0x02, 0x03, 0xF7,            // after the 3 bytes before
                       0x04, 0xFF, 0x2F, 0x00};
  EXPECT_EQ(StandardMidiFile::WriteSysEx(messages), expected);
}

TEST(StandardMidiFile, WrittenFilesReadBackAndEveryCutReadsAPrefixWithinBounds) {
  Bytes long1(300, 0x11);  // a length and a delta of two bytes
  long1.front() = 0xF0;
  long1.back() = 0xF7;
  const Bytes messages = Join({m1, long1, m2, m3, m4});
  const Bytes file = StandardMidiFile::WriteSysEx(messages);
  Bytes read;
  ReadCounts counts;
  ASSERT_EQ(StandardMidiFile::ReadSysEx(file, read, counts), 0);
  EXPECT_EQ(read, messages);
  EXPECT_EQ(counts.Damaged(), 0u);

  for (std::size_t cut = 0; cut < file.size(); ++cut) {
    // A copy of exactly the cut length, so that a read past it is caught.
    const Bytes shorter(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
    const int result = StandardMidiFile::ReadSysEx(shorter, read, counts);
    ASSERT_EQ(result, cut < 14 ? -1 : 0) << cut;
    ASSERT_LE(read.size(), messages.size()) << cut;
    EXPECT_TRUE(std::equal(read.begin(), read.end(), messages.begin())) << cut;
    EXPECT_EQ(counts.Damaged() > 0, cut > 14) << cut;
  }
}

}  // namespace
