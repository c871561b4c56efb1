// Damaged input of every reader: files cut short anywhere, bytes changed at random, sections
// unknown to the reader, files of another kind. A reader may fail, but it never crashes, never
// reads out of bounds (the sanitizer build runs these) and always answers 0 or -1.

#include <unistd.h>

#include <gtest/gtest.h>

#include <random>

#include "files/S2E_File.h"
#include "files/S2I_File.h"
#include "files/S2V_File.h"
#include "model/S2A_File.h"
#include "tests/support/TestSupport.h"

namespace {

struct Sample {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

class CorruptInput : public testing::Test {
 protected:
  void SetUp() override {
    test::UseNoConfiguration(dir_);
    ASSERT_TRUE(test::WriteDemoFiles(dir_));
    for (const char* name : {"demo.s2a", "demo.s2v", "demo.s2e", "demo.s2i"}) {
      samples_.push_back({name, test::ReadBytes(dir_.File(name))});
    }
  }

  // Loads `bytes` with every reader; each must answer 0 or -1.
  void LoadWithEveryReader(const std::vector<std::uint8_t>& bytes, const std::string& what) {
    const std::string path = dir_.File("input");
    test::WriteBytes(path, bytes);
    LoadEverywhere(path, what);
  }

  void LoadEverywhere(const std::string& path, const std::string& what) {
    const int results[] = {document_.Load(path), voices_.Load(path), externals_.Load(path),
                           item_.Load(path)};
    for (const int result : results)
      ASSERT_TRUE(result == 0 || result == -1) << what;
  }

  test::TempDir dir_;
  std::vector<Sample> samples_;
  S2A_File document_;
  S2V_File voices_;
  S2E_File externals_;
  S2I_File item_;
};

TEST_F(CorruptInput, FilesCutAtEvery64ByteBoundary) {
  testing::internal::CaptureStderr();
  for (const Sample& sample : samples_) {
    const std::string path = dir_.File("cut");
    test::WriteBytes(path, sample.bytes);
    for (long size = static_cast<long>(sample.bytes.size()); size >= 0; size -= 64) {
      ASSERT_EQ(truncate(path.c_str(), size), 0);
      LoadEverywhere(path, sample.name + " cut at " + std::to_string(size));
    }
  }
  testing::internal::GetCapturedStderr();
}

TEST_F(CorruptInput, FilesCutAtRandomPointsAndWithRandomBytes) {
  testing::internal::CaptureStderr();
  std::mt19937 random(2024);
  for (const Sample& sample : samples_) {
    for (int round = 0; round < 60; ++round) {
      std::vector<std::uint8_t> bytes = sample.bytes;
      bytes.resize(std::uniform_int_distribution<std::size_t>(0, bytes.size())(random));
      const int changes = std::uniform_int_distribution<int>(0, 8)(random);
      for (int change = 0; change < changes && !bytes.empty(); ++change) {
        // Mostly in the headers, where a change steers the reader.
        const std::size_t limit =
            change % 2 == 0 ? std::min<std::size_t>(bytes.size(), 160) : bytes.size();
        bytes[std::uniform_int_distribution<std::size_t>(0, limit - 1)(random)] =
            static_cast<std::uint8_t>(random());
      }
      LoadWithEveryReader(bytes, sample.name + " round " + std::to_string(round));
    }
  }
  for (int round = 0; round < 40; ++round) {
    std::vector<std::uint8_t> noise(std::uniform_int_distribution<std::size_t>(0, 5000)(random));
    for (std::uint8_t& byte : noise)
      byte = static_cast<std::uint8_t>(random());
    LoadWithEveryReader(noise, "noise " + std::to_string(round));
  }
  testing::internal::GetCapturedStderr();
}

TEST_F(CorruptInput, SectionTagsReplacedByOtherTags) {
  testing::internal::CaptureStderr();
  const char* tags[] = {"VCE", "PFM", "SYS", "CHN", "PLV", "CLP", "ALL", "EXT", "INS", "ZZZ"};
  const std::size_t s2aHeaders[] = {64, 209472, 420416, 420928, 422976, 459840};
  for (const std::size_t offset : s2aHeaders) {
    for (const char* tag : tags) {
      std::vector<std::uint8_t> bytes = samples_[0].bytes;
      std::copy_n(tag, 3, bytes.begin() + static_cast<long>(offset) + 6);
      LoadWithEveryReader(bytes, std::string(tag) + " at " + std::to_string(offset));
    }
  }
  testing::internal::GetCapturedStderr();
}

}  // namespace
