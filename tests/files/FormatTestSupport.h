#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "model/File.h"
#include "model/Item.h"
#include "model/S2A_File.h"
#include "model/SharedDefaults.h"
#include "tests/support/TestSupport.h"

namespace test {

// Runs a load or save and returns what it printed on standard error.
template <class Operation>
std::string StderrOf(Operation operation, int& result) {
  testing::internal::CaptureStderr();
  result = operation();
  return testing::internal::GetCapturedStderr();
}

// Runs a load or a save: its status, with `messages` what its outcome says, a line a text as the
// readers and writers print them where nobody keeps them. The outcome keeps them: nothing reaches
// standard error.
template <class Operation>
int Said(Operation operation, std::string& messages) {
  testing::internal::CaptureStderr();
  const auto outcome = operation();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  messages.clear();
  for (const std::string& text : outcome.said)
    messages += text + "\n";
  return outcome.status;
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

// The tests of a supporting file (.ins, .midnam): no configuration, and a fresh document.
class SupportingFileTest : public testing::Test {
 protected:
  void SetUp() override {
    UseNoConfiguration(dir_);
    // The shared defaults are made now, without default files, so that their loaders' reports
    // do not mix with what the tests capture.
    testing::internal::CaptureStderr();
    for (ItemKind kind : {ItemKind::Instrument, ItemKind::Percussion, ItemKind::Performance})
      SharedDefaults::DefaultItem(kind);
    document_ = std::make_unique<S2A_File>();
    testing::internal::GetCapturedStderr();
  }

  // Saves `file` as `name` in the test's folder, quietly, and returns the text written.
  std::string SaveAndRead(File& file, const std::string& name) {
    int result = -1;
    EXPECT_EQ(StderrOf([&] { return file.Save(dir_.File(name)); }, result), "");
    EXPECT_EQ(result, 0);
    return ReadText(name);
  }
  std::string ReadText(const std::string& name) const {
    const std::vector<std::uint8_t> bytes = ReadBytes(dir_.File(name));
    return std::string(bytes.begin(), bytes.end());
  }

  TempDir dir_;
  std::unique_ptr<S2A_File> document_;
};

}  // namespace test
