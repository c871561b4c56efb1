#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

// One input buffer and what the port has done with it.
struct MidiInputBuffer {
  std::vector<std::uint8_t> data;  // fixed size
  std::size_t bytesRecorded = 0;
  bool done = false;              // completed (full, ended by F7, or closed by Stop or Reset)
  bool inQueue = false;           // waiting to be filled
  std::uint64_t completedAs = 0;  // order of completion, for delivery in arrival order
};

// The queue of fixed-size buffers an input port fills with the System Exclusive bytes it
// receives: in queue order, a buffer completed at each F7 or when full, and each completion
// announced to the listener with the buffer's bytes. Recording runs only between Start and Stop.
// Channel and system messages other than System Exclusive are not recorded.
//
// The port's thread calls Receive; everything else runs on the thread that owns the device.
// One lock guards the buffers; the listener is called with it held and must only do
// something short (the device looks for the end of the answer and reloads its countdown).
class MidiInputQueue {
 public:
  using Listener = std::function<void(std::span<const std::uint8_t> completed)>;

  explicit MidiInputQueue(Listener onBufferDone = {});

  // Makes `count` buffers of `size` bytes (none for count 0 or less; size below 1 counts as 1)
  // and queues them in index order. Any earlier buffers are released.
  void Allocate(int count, int size);
  // Stops recording, marks every queued buffer done and takes it off the queue, then releases
  // all buffers.
  void Reset();
  int BufferCount() const;

  void Start();
  // Stops recording; a partly filled buffer is completed, empty ones stay queued.
  void Stop();

  // From the port: one message or a piece of one, as it arrived.
  void Receive(std::span<const std::uint8_t> bytes);

  // Appends the bytes of every completed buffer to `target`, in the order the buffers were
  // completed, as long as they fit in what is left of it (a buffer that does not fit is left
  // out), and queues each buffer again. The number of bytes appended.
  std::size_t Collect(std::span<std::uint8_t> target);

 private:
  void RecordByte(std::uint8_t byte);
  void CompleteFront();

  Listener onBufferDone_;
  mutable std::mutex mutex_;
  std::vector<MidiInputBuffer> buffers_;
  std::deque<MidiInputBuffer*> queue_;
  bool recording_ = false;
  bool inSysEx_ = false;
  std::uint64_t completions_ = 0;
};
