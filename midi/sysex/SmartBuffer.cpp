#include "midi/sysex/SmartBuffer.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <new>
#include <string>

namespace {
constexpr std::size_t kLocalFormatArea = 1024;
constexpr std::size_t kFormatRetryArea = 2048;
}  // namespace

int SmartBuffer::Reserve(std::int32_t n) {
  if (n < 0 || n > kLargestLength)
    return -1;
  // Growing already when n reaches the capacity keeps the capacity above the length.
  if (n > 0 && Capacity() <= n) {
    const std::int32_t capacity = n / kGrowthStep * kGrowthStep + kGrowthStep;
    try {
      storage_.resize(static_cast<std::size_t>(capacity), 0);
    } catch (const std::bad_alloc&) {
      return -1;
    }
  }
  length_ = std::max(length_, n);
  return 0;
}

std::span<std::uint8_t> SmartBuffer::Bytes(std::int32_t n) {
  if (Reserve(n) != 0)
    return {};
  return std::span(storage_).first(static_cast<std::size_t>(n));
}

std::span<const std::uint8_t> SmartBuffer::Contents() const {
  return std::span(storage_).first(static_cast<std::size_t>(length_));
}

int SmartBuffer::Read(std::span<std::uint8_t> target) {
  const auto count = static_cast<std::int32_t>(target.size());
  if (target.size() > static_cast<std::size_t>(kLargestLength) || Reserve(position_ + count) != 0)
    return -1;
  std::copy_n(storage_.begin() + position_, count, target.begin());
  position_ += count;
  return 0;
}

int SmartBuffer::Write(std::span<const std::uint8_t> source) {
  if (source.size() > static_cast<std::size_t>(kLargestLength))
    return -1;
  const std::span<std::uint8_t> target = WriteInPlace(static_cast<std::int32_t>(source.size()));
  if (target.size() != source.size())
    return -1;
  std::copy(source.begin(), source.end(), target.begin());
  return 0;
}

std::span<std::uint8_t> SmartBuffer::WriteInPlace(std::int32_t n) {
  if (n < 0 || n > kLargestLength - position_ || Reserve(position_ + n) != 0)
    return {};
  const std::span<std::uint8_t> target =
      std::span(storage_).subspan(static_cast<std::size_t>(position_), static_cast<std::size_t>(n));
  position_ += n;
  return target;
}

int SmartBuffer::AppendFormat(const char* format, ...) {
  char local[kLocalFormatArea];
  std::va_list arguments;
  va_start(arguments, format);
  const int needed = std::vsnprintf(local, sizeof local, format, arguments);
  va_end(arguments);
  if (needed >= 0 && static_cast<std::size_t>(needed) < sizeof local) {
    return Write(
        std::span(reinterpret_cast<const std::uint8_t*>(local), static_cast<std::size_t>(needed)));
  }

  std::string text(needed >= 0 ? static_cast<std::size_t>(needed) + 2 : kFormatRetryArea, '\0');
  for (;;) {
    va_start(arguments, format);
    const int written = std::vsnprintf(text.data(), text.size(), format, arguments);
    va_end(arguments);
    if (written >= 0 && static_cast<std::size_t>(written) < text.size()) {
      text.resize(static_cast<std::size_t>(written));
      break;
    }
    if (text.size() > static_cast<std::size_t>(kLargestLength))
      return -1;
    text.resize(text.size() + kLocalFormatArea);
  }
  return Write(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

int SmartBuffer::Skip(std::int32_t n) {
  if (storage_.empty())
    return 0;
  const std::int64_t target = static_cast<std::int64_t>(position_) + n;
  if (target < 0 || target >= kLargestLength || Reserve(static_cast<std::int32_t>(target) + 1) != 0)
    return -1;
  position_ = static_cast<std::int32_t>(target);
  return 0;
}

int SmartBuffer::Seek(std::int32_t position) {
  if (storage_.empty())
    return 0;
  if (position < 0)
    position += length_;
  if (position < 0 || position >= kLargestLength || Reserve(position + 1) != 0)
    return -1;
  position_ = position;
  return 0;
}

void SmartBuffer::Clear() {
  std::vector<std::uint8_t>().swap(storage_);
  position_ = 0;
  length_ = 0;
}
