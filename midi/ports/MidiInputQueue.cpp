#include "midi/ports/MidiInputQueue.h"

#include <algorithm>

#include "midi/sysex/BulkDump.h"

MidiInputQueue::MidiInputQueue(Listener onBufferDone) : onBufferDone_(std::move(onBufferDone)) {}

void MidiInputQueue::Allocate(int count, int size) {
  const std::lock_guard lock(mutex_);
  queue_.clear();
  buffers_.clear();
  const auto bufferSize = static_cast<std::size_t>(std::max(size, 1));
  buffers_.resize(static_cast<std::size_t>(std::max(count, 0)));
  for (MidiInputBuffer& buffer : buffers_) {
    buffer.data.assign(bufferSize, 0);
    buffer.inQueue = true;
    queue_.push_back(&buffer);
  }
  recording_ = false;
  inSysEx_ = false;
}

void MidiInputQueue::Reset() {
  const std::lock_guard lock(mutex_);
  recording_ = false;
  for (MidiInputBuffer* buffer : queue_) {
    buffer->inQueue = false;
    buffer->done = true;
  }
  queue_.clear();
  buffers_.clear();
}

int MidiInputQueue::BufferCount() const {
  const std::lock_guard lock(mutex_);
  return static_cast<int>(buffers_.size());
}

void MidiInputQueue::Start() {
  const std::lock_guard lock(mutex_);
  recording_ = true;
}

void MidiInputQueue::Stop() {
  const std::lock_guard lock(mutex_);
  recording_ = false;
  inSysEx_ = false;
  if (!queue_.empty() && queue_.front()->bytesRecorded > 0) {
    CompleteFront();
  }
}

void MidiInputQueue::Receive(std::span<const std::uint8_t> bytes) {
  const std::lock_guard lock(mutex_);
  if (!recording_) {
    return;
  }
  for (const std::uint8_t byte : bytes) {
    if (byte == BulkDump::kSysExStart) {
      inSysEx_ = true;
    } else if (byte >= BulkDump::kStatusBit && byte != BulkDump::kSysExEnd) {
      // Real-time bytes may interleave with System Exclusive; any other status ends it.
      if (byte < 0xF8) {
        inSysEx_ = false;
      }
      continue;
    } else if (!inSysEx_) {
      continue;
    }
    RecordByte(byte);
    if (byte == BulkDump::kSysExEnd) {
      inSysEx_ = false;
    }
  }
}

void MidiInputQueue::RecordByte(std::uint8_t byte) {
  if (queue_.empty()) {
    return;  // every buffer is full and not yet collected: the byte is lost
  }
  MidiInputBuffer& buffer = *queue_.front();
  buffer.data[buffer.bytesRecorded++] = byte;
  if (byte == BulkDump::kSysExEnd || buffer.bytesRecorded == buffer.data.size()) {
    CompleteFront();
  }
}

void MidiInputQueue::CompleteFront() {
  MidiInputBuffer& buffer = *queue_.front();
  queue_.pop_front();
  buffer.inQueue = false;
  buffer.done = true;
  buffer.completedAs = ++completions_;
  if (onBufferDone_) {
    onBufferDone_(std::span(buffer.data).first(buffer.bytesRecorded));
  }
}

std::size_t MidiInputQueue::Collect(std::span<std::uint8_t> target) {
  const std::lock_guard lock(mutex_);
  std::vector<MidiInputBuffer*> completed;
  for (MidiInputBuffer& buffer : buffers_) {
    if (buffer.done) {
      completed.push_back(&buffer);
    }
  }
  std::sort(completed.begin(), completed.end(),
            [](const MidiInputBuffer* a, const MidiInputBuffer* b) {
              return a->completedAs < b->completedAs;
            });
  std::size_t delivered = 0;
  for (MidiInputBuffer* buffer : completed) {
    if (buffer->bytesRecorded <= target.size() - delivered) {
      std::copy_n(buffer->data.begin(), buffer->bytesRecorded, target.begin() + delivered);
      delivered += buffer->bytesRecorded;
    }
    buffer->bytesRecorded = 0;
    buffer->done = false;
    buffer->inQueue = true;
    queue_.push_back(buffer);
  }
  return delivered;
}
