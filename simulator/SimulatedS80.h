#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "midi/MidiWire.h"
#include "midi/sysex/BulkDump.h"
#include "model/ItemKind.h"

class Item;
class S2A_File;

// A model of the synthesizer's MIDI side, the peer of every transfer in tests and
// demonstrations: user memory of six banks, an edit buffer per kind, and a wire of a given
// rate back to the computer.
//
// - A dump request (F0 43 2n 64 0E mid low F7) for a memory location or an edit buffer is
//   answered with that item's whole dump (header, one message per block in table order,
//   footer), each message handed to the sink when its last byte would have arrived.
// - Bulk dumps are stored by their addresses: the blocks between a header and its footer
//   replace those of the addressed item (memory location or edit buffer).
// - Bank select (B0 00, B0 20) and program change (C0) select a program and copy it into the
//   edit buffer of its kind.
// - Faults for tests: leave out or corrupt one message of each answer, answer nothing (at all,
//   or for some locations), or pause between the messages of an answer; and, as on a link that
//   loses data, lose any message either way, or change one data byte of a bulk dump either way
//   (so that its checksum fails), each with a given probability, from a seed.
//
// All members are safe to call from any thread.
class SimulatedS80 {
 public:
  struct Faults {
    int dropMessage = -1;      // index within an answer of a message left out
    int corruptChecksum = -1;  // index within an answer of a message sent with a bad checksum
    bool silent = false;       // answers no request
    // Takes no dump into its memory, as with its memory protected (edit buffers take theirs).
    bool memoryProtected = false;
    // A link that brings a little each time: an answer carries its header, its footer and only
    // this many of its block messages (0: all), those after the ones the location's previous
    // answer carried, from the first again after the last.
    int blocksPerAnswer = 0;
    std::vector<BulkDump::Location> unanswered{};  // locations whose requests get no answer
    std::chrono::microseconds gap{0};  // quiet time before every message of an answer but the first
    // The lossy link, both ways: the chance that a message is lost, and that a bulk dump
    // arrives with one data byte (the checksum where it has none) changed. The same seed gives
    // the same faults for the same messages.
    double dropProbability = 0;
    double corruptProbability = 0;
    std::uint64_t seed = 0;
  };
  // How many messages the lossy link lost and changed, either way, since the faults were set.
  struct LinkFaultCounts {
    std::size_t dropped = 0;
    std::size_t corrupted = 0;
  };
  // One message the simulator received, and when its last byte arrived.
  struct ReceivedMessage {
    std::chrono::steady_clock::time_point at;
    std::vector<std::uint8_t> bytes;
  };
  using Sink = std::function<void(std::span<const std::uint8_t> message)>;

  // Memory and edit buffers start as fresh items (copies of the shared defaults).
  explicit SimulatedS80(int bytesPerSecond = MidiWire::kDinBytesPerSecond);
  ~SimulatedS80();
  SimulatedS80(const SimulatedS80&) = delete;
  SimulatedS80& operator=(const SimulatedS80&) = delete;

  // Copies all six banks of `document` into memory.
  void LoadMemory(const S2A_File& document);
  // A copy of the memory's six banks.
  std::unique_ptr<S2A_File> MemorySnapshot() const;
  // A copy of the edit buffer of a kind.
  std::unique_ptr<Item> EditBuffer(ItemKind kind) const;

  // The rate of the wire in both directions; 0 or less: no pacing.
  void SetBytesPerSecond(int bytesPerSecond);
  int BytesPerSecond() const;
  // Also starts the lossy link's random sequence afresh from the faults' seed.
  void SetFaults(const Faults& faults);
  LinkFaultCounts LinkFaults() const;

  // From the computer: one whole message (a channel message or one F0 ... F7).
  void Receive(std::span<const std::uint8_t> message);
  // Everything received so far, in order, as the computer sent it (before the lossy link).
  std::vector<ReceivedMessage> ReceivedMessages() const;
  void ClearReceivedMessages();

  // Where answers go (the loopback input port); no sink: answers are lost on the way.
  // Connect replaces any sink in place and returns a number naming this connection.
  // Disconnect returns once no call to the old sink is running; given a number, it
  // disconnects only when that connection is still the one in place.
  std::uint64_t Connect(Sink sink);
  void Disconnect();
  void Disconnect(std::uint64_t connection);
  // Waits until every answer asked for so far has gone out.
  void WaitUntilIdle() const;

 private:
  // Memory, edit buffers, queued answers and the worker that sends them.
  struct State;
  std::unique_ptr<State> state_;
};
