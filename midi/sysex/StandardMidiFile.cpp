#include "midi/sysex/StandardMidiFile.h"

#include <algorithm>
#include <limits>

#include "midi/sysex/BulkDump.h"

namespace StandardMidiFile {

namespace {

using Bytes = std::span<const std::uint8_t>;

std::uint32_t BigEndian(Bytes bytes) {
  std::uint32_t value = 0;
  for (const std::uint8_t byte : bytes)
    value = value << 8 | byte;
  return value;
}

// Reads the bytes of one chunk; every read fails rather than go past them.
class Cursor {
 public:
  explicit Cursor(Bytes bytes) : bytes_(bytes) {}

  bool AtEnd() const { return at_ == bytes_.size(); }
  bool Peek(std::uint8_t& byte) const {
    if (AtEnd())
      return false;
    byte = bytes_[at_];
    return true;
  }
  bool Byte(std::uint8_t& byte) {
    if (!Peek(byte))
      return false;
    ++at_;
    return true;
  }
  bool Quantity(std::uint32_t& value) {
    value = 0;
    for (std::size_t n = 0; n < kLongestQuantity; ++n) {
      std::uint8_t byte = 0;
      if (!Byte(byte))
        return false;
      value = value << 7 | (byte & BulkDump::kDataBits);
      if ((byte & BulkDump::kStatusBit) == 0)
        return true;
    }
    return false;
  }
  bool Take(std::size_t n, Bytes& taken) {
    if (n > bytes_.size() - at_)
      return false;
    taken = bytes_.subspan(at_, n);
    at_ += n;
    return true;
  }

 private:
  Bytes bytes_;
  std::size_t at_ = 0;
};

// Whether the bytes are nothing but complete messages as MidiWire::SysExMessages finds them:
// they begin with F0, end with F7, and every other F7 is followed by an F0.
bool IsWholeMessages(Bytes bytes) {
  if (bytes.empty() || bytes.front() != kSysExEvent || bytes.back() != kEscapeEvent)
    return false;
  for (auto end = std::find(bytes.begin(), bytes.end(), kEscapeEvent); end + 1 != bytes.end();
       end = std::find(end + 1, bytes.end(), kEscapeEvent)) {
    if (end[1] != kSysExEvent)
      return false;
  }
  return true;
}

// A run of complete messages of one track, at one time, within the track's bytes.
struct TimedRun {
  std::uint64_t time;
  std::size_t offset;
  std::size_t length;
};

struct TrackMessages {
  std::vector<std::uint8_t> bytes;
  std::vector<TimedRun> runs;
};

// The SysEx messages of one track chunk's events.
class TrackReader {
 public:
  TrackReader(TrackMessages& track, ReadCounts& counts) : track_(track), counts_(counts) {}

  void Read(Bytes chunk) {
    track_.bytes.reserve(chunk.size());
    Cursor cursor(chunk);
    while (!cursor.AtEnd() && Event(cursor)) {
    }
    if (open_) {
      ++counts_.unendedSysEx;
      track_.bytes.resize(start_);
    }
  }

 private:
  // One event; false when the track ends with it, or cannot be read past it.
  bool Event(Cursor& cursor) {
    std::uint32_t delta = 0;
    std::uint8_t status = 0;
    if (!cursor.Quantity(delta) || !cursor.Peek(status))
      return Truncated();
    time_ += delta;
    if (status < kSysExEvent) {
      if (status < BulkDump::kStatusBit) {
        // Running status: the byte is the first data byte of a message like the previous one.
        if (running_ == 0)
          return Truncated();
        status = running_;
      } else {
        cursor.Byte(status);
      }
      running_ = status;
      Bytes data;
      ++counts_.otherEvents;
      return cursor.Take(MidiWire::ChannelMessageLength(status) - 1, data) || Truncated();
    }
    cursor.Byte(status);
    running_ = 0;
    if (status == kMetaEvent) {
      std::uint8_t type = 0;
      std::uint32_t length = 0;
      Bytes data;
      if (!cursor.Byte(type) || !cursor.Quantity(length))
        return Truncated();
      if (!cursor.Take(length, data))
        return Beyond();
      counts_.otherEvents += type != kEndOfTrackMeta && type != kSetTempoMeta;
      return type != kEndOfTrackMeta;
    }
    if (status != kSysExEvent && status != kEscapeEvent)
      return Truncated();
    std::uint32_t length = 0;
    Bytes packet;
    if (!cursor.Quantity(length))
      return Truncated();
    if (!cursor.Take(length, packet))
      return Beyond();
    if (status == kSysExEvent)
      Begin(packet);
    else if (open_)
      Continue(packet);
    else
      Escape(packet);
    return true;
  }

  void Begin(Bytes packet) {
    if (open_) {
      ++counts_.unendedSysEx;
      track_.bytes.resize(start_);
    }
    open_ = true;
    start_ = track_.bytes.size();
    startTime_ = time_;
    track_.bytes.push_back(kSysExEvent);
    Continue(packet);
  }

  void Continue(Bytes packet) {
    track_.bytes.insert(track_.bytes.end(), packet.begin(), packet.end());
    if (packet.empty() || packet.back() != kEscapeEvent)
      return;
    open_ = false;
    const std::size_t length = track_.bytes.size() - start_;
    if (IsWholeMessages(Bytes(track_.bytes).subspan(start_))) {
      track_.runs.push_back({startTime_, start_, length});
    } else {
      ++counts_.notWholeMessages;
      track_.bytes.resize(start_);
    }
  }

  void Escape(Bytes packet) {
    if (!IsWholeMessages(packet)) {
      ++counts_.notWholeMessages;
      return;
    }
    track_.runs.push_back({time_, track_.bytes.size(), packet.size()});
    track_.bytes.insert(track_.bytes.end(), packet.begin(), packet.end());
  }

  bool Truncated() {
    ++counts_.truncatedEvents;
    return false;
  }
  bool Beyond() {
    ++counts_.lengthsBeyond;
    return false;
  }

  TrackMessages& track_;
  ReadCounts& counts_;
  std::uint64_t time_ = 0;
  std::uint8_t running_ = 0;
  bool open_ = false;
  std::size_t start_ = 0;
  std::uint64_t startTime_ = 0;
};

// The tracks' messages in order of time, ties in track order.
void MergeByTime(const std::vector<TrackMessages>& tracks, std::vector<std::uint8_t>& messages) {
  struct Placed {
    const TrackMessages* track;
    const TimedRun* run;
  };
  std::vector<Placed> order;
  for (const TrackMessages& track : tracks) {
    for (const TimedRun& run : track.runs)
      order.push_back({&track, &run});
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const Placed& a, const Placed& b) { return a.run->time < b.run->time; });
  for (const Placed& placed : order) {
    const auto first =
        placed.track->bytes.begin() + static_cast<std::ptrdiff_t>(placed.run->offset);
    messages.insert(messages.end(), first, first + static_cast<std::ptrdiff_t>(placed.run->length));
  }
}

void AppendQuantity(std::vector<std::uint8_t>& out, std::uint32_t value) {
  std::array<std::uint8_t, kLongestQuantity> reversed{};
  std::size_t n = 0;
  do {
    reversed[n++] = static_cast<std::uint8_t>(value & BulkDump::kDataBits);
    value >>= 7;
  } while (value != 0);
  while (n > 1)
    out.push_back(static_cast<std::uint8_t>(reversed[--n] | BulkDump::kStatusBit));
  out.push_back(reversed[0]);
}

void AppendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void AppendChunkHeader(std::vector<std::uint8_t>& out, const std::array<std::uint8_t, 4>& id,
                       std::uint32_t length) {
  out.insert(out.end(), id.begin(), id.end());
  AppendBigEndian(out, length, 4);
}

// The largest value a variable-length quantity holds.
constexpr std::uint32_t kLargestQuantity = (1u << (7 * kLongestQuantity)) - 1;

}  // namespace

int ReadSysEx(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& messages,
              ReadCounts& counts) {
  messages.clear();
  counts = {};
  if (file.size() < kChunkHeaderSize + kHeaderDataSize ||
      !std::equal(kHeaderChunkId.begin(), kHeaderChunkId.end(), file.begin()) ||
      BigEndian(file.subspan(4, 4)) < kHeaderDataSize)
    return -1;
  const std::uint32_t format = BigEndian(file.subspan(kChunkHeaderSize, 2));
  std::vector<TrackMessages> tracks;
  std::size_t at = kChunkHeaderSize;
  std::uint32_t length = BigEndian(file.subspan(4, 4));
  while (true) {
    if (length > file.size() - at) {
      ++counts.lengthsBeyond;
      break;
    }
    at += length;
    if (at == file.size())
      break;
    if (file.size() - at < kChunkHeaderSize) {
      ++counts.lengthsBeyond;
      break;
    }
    const Bytes id = file.subspan(at, 4);
    length = BigEndian(file.subspan(at + 4, 4));
    at += kChunkHeaderSize;
    if (!std::equal(kTrackChunkId.begin(), kTrackChunkId.end(), id.begin())) {
      ++counts.unknownChunks;
      continue;
    }
    TrackReader(tracks.emplace_back(), counts)
        .Read(file.subspan(at, std::min<std::size_t>(length, file.size() - at)));
  }

  const auto withMessages = std::count_if(tracks.begin(), tracks.end(),
                                          [](const TrackMessages& t) { return !t.runs.empty(); });
  if (format == kIndependentTracksFormat || withMessages <= 1) {
    for (TrackMessages& track : tracks) {
      if (messages.empty())
        messages = std::move(track.bytes);
      else
        messages.insert(messages.end(), track.bytes.begin(), track.bytes.end());
    }
  } else {
    MergeByTime(tracks, messages);
  }
  return 0;
}

std::vector<std::uint8_t> WriteSysEx(std::span<const std::uint8_t> messages) {
  const std::vector<Bytes> each = MidiWire::SysExMessages(messages);
  std::vector<std::uint8_t> track;
  track.reserve(messages.size() + 5 * each.size() + 16);
  track.insert(track.end(), {0x00, kMetaEvent, kSetTempoMeta, 0x03});
  AppendBigEndian(track, kWrittenTempo, 3);
  std::size_t previous = 0;
  for (const Bytes message : each) {
    if (message.size() > kLargestQuantity)
      return {};
    AppendQuantity(track, static_cast<std::uint32_t>(previous));
    track.push_back(kSysExEvent);
    AppendQuantity(track, static_cast<std::uint32_t>(message.size() - 1));
    track.insert(track.end(), message.begin() + 1, message.end());
    previous = message.size();
  }
  AppendQuantity(track, static_cast<std::uint32_t>(previous));
  track.insert(track.end(), {kMetaEvent, kEndOfTrackMeta, 0x00});
  if (track.size() > std::numeric_limits<std::uint32_t>::max())
    return {};

  std::vector<std::uint8_t> file;
  file.reserve(2 * kChunkHeaderSize + kHeaderDataSize + track.size());
  AppendChunkHeader(file, kHeaderChunkId, kHeaderDataSize);
  AppendBigEndian(file, kSingleTrackFormat, 2);
  AppendBigEndian(file, 1, 2);
  AppendBigEndian(file, kWrittenDivision, 2);
  AppendChunkHeader(file, kTrackChunkId, static_cast<std::uint32_t>(track.size()));
  file.insert(file.end(), track.begin(), track.end());
  return file;
}

}  // namespace StandardMidiFile
