#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

// A growable byte buffer with a read/write position, used for dumps on their way to or from
// the wire or a .syx file, and for generated text.
//
// The allocation grows in steps of 1024 bytes and is always larger than the length once it
// exists; every byte past the length is zero. Reading or seeking past the length extends it
// with zero bytes. Results: 0 on success, -1 when the buffer could not grow.
class SmartBuffer {
 public:
  static constexpr std::int32_t kGrowthStep = 1024;
  // The longest a buffer can be.
  static constexpr std::int32_t kLargestLength =
      std::numeric_limits<std::int32_t>::max() - kGrowthStep;

  SmartBuffer() = default;

  // Makes room for n bytes counted from the start; the length becomes at least n.
  int Reserve(std::int32_t n);
  // The first n bytes of the storage after Reserve(n); empty when nothing could be allocated.
  std::span<std::uint8_t> Bytes(std::int32_t n);
  // The bytes in use, from the start to the length.
  std::span<const std::uint8_t> Contents() const;

  int Read(std::span<std::uint8_t> target);
  int Write(std::span<const std::uint8_t> source);
  // Makes room for n bytes at the position and moves past them: the bytes for the caller to
  // fill, empty when the buffer could not grow.
  std::span<std::uint8_t> WriteInPlace(std::int32_t n);
  // printf-style text of any length, written without its terminator.
  int AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Without storage these two do nothing and succeed.
  int Skip(std::int32_t n);
  // A negative position counts from the end; -1 when it is still negative.
  int Seek(std::int32_t position);

  std::int32_t Tell() const { return position_; }
  std::int32_t Size() const { return length_; }
  std::int32_t Capacity() const { return static_cast<std::int32_t>(storage_.size()); }
  bool AtEnd() const { return position_ == length_; }
  void Clear();

 private:
  std::vector<std::uint8_t> storage_;
  std::int32_t position_ = 0;
  std::int32_t length_ = 0;
};
