#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "model/File.h"
#include "model/Item.h"
#include "tests/support/TestSupport.h"

namespace test {

// Runs a load or save and returns what it printed on standard error.
template <class Operation>
std::string StderrOf(Operation operation, int& result) {
  testing::internal::CaptureStderr();
  result = operation();
  return testing::internal::GetCapturedStderr();
}

inline std::vector<std::uint8_t> ImageOf(const Item& item) {
  return {item.Data().begin(), item.Data().end()};
}

inline std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::size_t offset,
                                       std::size_t length) {
  return {bytes.begin() + static_cast<long>(offset),
          bytes.begin() + static_cast<long>(offset + length)};
}

inline bool ZeroRange(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to) {
  return std::all_of(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(to),
                     [](std::uint8_t b) { return b == 0; });
}

// The 64-byte header block "A0478 <type> V1.00" followed by zeros.
inline std::vector<std::uint8_t> HeaderBlockOf(const char* type) {
  std::vector<std::uint8_t> block(64, 0);
  const std::string tag = std::string("A0478 ") + type + " V1.00";
  std::memcpy(block.data(), tag.data(), tag.size());
  return block;
}

// The 14-byte directory entry of an item: its head and first body byte.
inline std::vector<std::uint8_t> DirectoryEntryOf(const Item& item) {
  return {item.Data().begin(), item.Data().begin() + 14};
}

// Saves `file` to its file name in a child process that may write files of at most `limit`
// bytes, its standard error going to `log`: 0 when the save failed, as it must for content
// longer than the limit.
inline int SaveBeyondFileSizeLimit(File& file, const std::string& log, rlim_t limit) {
  return RunInChild([&] {
    if (std::freopen(log.c_str(), "w", stderr) == nullptr)
      return 90;
    const rlimit fileSize{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &fileSize) != 0)
      return 91;
    std::signal(SIGXFSZ, SIG_IGN);
    return file.Save() == -1 ? 0 : 1;
  });
}

}  // namespace test
