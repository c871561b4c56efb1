#include "midi/sysex/SmartBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

bool TailIsZero(SmartBuffer& buffer) {
  const auto all = buffer.Bytes(buffer.Size());
  const auto storage = std::span(all.data(), static_cast<std::size_t>(buffer.Capacity()));
  return std::all_of(storage.begin() + buffer.Size(), storage.end(),
                     [](std::uint8_t b) { return b == 0; });
}

TEST(SmartBuffer, GrowsInSteps_KeepsCapacityAboveLengthAndZeroesTheRest) {
  SmartBuffer buffer;
  EXPECT_EQ(buffer.Capacity(), 0);
  EXPECT_TRUE(buffer.Bytes(0).empty());
  ASSERT_EQ(buffer.Write(Bytes(1000, 0x11)), 0);
  EXPECT_EQ(buffer.Capacity(), 1024);
  ASSERT_EQ(buffer.Write(Bytes(24, 0x22)), 0);  // exactly 1024 bytes in use
  EXPECT_EQ(buffer.Size(), 1024);
  EXPECT_GT(buffer.Capacity(), buffer.Size());
  EXPECT_TRUE(TailIsZero(buffer));

  SmartBuffer dump;
  for (int i = 0; i < 7889; ++i)
    ASSERT_EQ(dump.Write(Bytes{0x7F}), 0);
  EXPECT_EQ(dump.Capacity(), 8192);
  EXPECT_TRUE(TailIsZero(dump));
}

TEST(SmartBuffer, ReadingAndSeekingPastTheEndExtendWithZeros) {
  SmartBuffer buffer;
  ASSERT_EQ(buffer.Write(Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), 0);
  EXPECT_TRUE(buffer.AtEnd());
  ASSERT_EQ(buffer.Seek(-1), 0);
  EXPECT_EQ(buffer.Tell(), 9);
  EXPECT_EQ(buffer.Seek(-11), -1);
  EXPECT_EQ(buffer.Tell(), 9);

  Bytes read(3, 0xEE);
  ASSERT_EQ(buffer.Read(read), 0);
  EXPECT_EQ(read, (Bytes{10, 0, 0}));
  EXPECT_EQ(buffer.Size(), 12);

  ASSERT_EQ(buffer.Seek(20), 0);
  EXPECT_EQ(buffer.Size(), 21);
  ASSERT_EQ(buffer.Seek(0), 0);
  ASSERT_EQ(buffer.Skip(4), 0);
  EXPECT_EQ(buffer.Tell(), 4);
  ASSERT_EQ(buffer.Write(Bytes{0x55}), 0);
  EXPECT_EQ(Bytes(buffer.Contents().begin(), buffer.Contents().begin() + 6),
            (Bytes{1, 2, 3, 4, 0x55, 6}));

  buffer.Clear();
  EXPECT_EQ(buffer.Size(), 0);
  EXPECT_EQ(buffer.Capacity(), 0);
  // Without storage, seeking and skipping do nothing.
  EXPECT_EQ(buffer.Seek(50), 0);
  EXPECT_EQ(buffer.Skip(50), 0);
  EXPECT_EQ(buffer.Size(), 0);
  EXPECT_EQ(buffer.Tell(), 0);
}

TEST(SmartBuffer, AppendFormatWritesTextsOfAnyLengthWithoutTerminator) {
  SmartBuffer buffer;
  ASSERT_EQ(buffer.AppendFormat("%d=%10s [%2s]\r\n", 0, "Rock Lead", "Ld"), 0);
  const std::string shortText(buffer.Contents().begin(), buffer.Contents().end());
  EXPECT_EQ(shortText, "0= Rock Lead [Ld]\r\n");

  const std::string big(5000, 'x');
  buffer.Clear();
  ASSERT_EQ(buffer.AppendFormat("%s", big.c_str()), 0);
  EXPECT_EQ(buffer.Size(), 5000);
  ASSERT_EQ(buffer.AppendFormat("%s!", std::string(1023, 'y').c_str()), 0);
  EXPECT_EQ(buffer.Size(), 6024);
  EXPECT_EQ(buffer.Contents().back(), '!');
}

TEST(SmartBuffer, ImpossibleSizesFailAndLeaveTheBuffer) {
  SmartBuffer buffer;
  ASSERT_EQ(buffer.Write(Bytes{1, 2}), 0);
  EXPECT_EQ(buffer.Reserve(-1), -1);
  EXPECT_EQ(buffer.Reserve(0x7FFFFFFF), -1);
  EXPECT_EQ(buffer.Seek(0x7FFFFFFF), -1);
  EXPECT_EQ(buffer.Skip(0x7FFFFFFF), -1);
  EXPECT_EQ(buffer.Size(), 2);
  EXPECT_EQ(buffer.Tell(), 2);
}

}  // namespace
