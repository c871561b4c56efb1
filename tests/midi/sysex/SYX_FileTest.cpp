#include "midi/sysex/SYX_File.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <random>
#include <string>
#include <vector>

#include "demo/DemoBank.h"
#include "files/SmartFile.h"
#include "midi/sysex/BulkMessageScanner.h"
#include "midi/sysex/ItemDumpList.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Image(const Item& item) {
  return {item.Data().begin(), item.Data().end()};
}

Bytes BytesOf(const SYX_File& dump) {
  return {dump.Bytes().begin(), dump.Bytes().end()};
}

Bytes Read(const SysxMemoryCore& memory, SysxAddress address, std::size_t n) {
  Bytes out(n, 0xEE);
  memory.ReadBytes(address, out);
  return out;
}

void Append(Bytes& to, const Bytes& more) {
  to.insert(to.end(), more.begin(), more.end());
}

std::size_t PageCount(const SysxMemoryCore& memory) {
  std::size_t count = 0;
  for (const auto* page = memory.First(); page != nullptr; page = page->NextNode())
    ++count;
  return count;
}

struct Filled {
  Filled() {
    DemoBank::FillDocument(document);
    instrument = document.ExternalInstrumentBank().ItemAt(17);
    percussion = document.InternalPercussionBank().ItemAt(1);
    performance = document.InternalPerformanceBank().ItemAt(100);
  }
  S2A_File document;
  Item* instrument;
  Item* percussion;
  Item* performance;
};

TEST(SYX_File, EditBufferDumpOfEveryKindLoadsBackExactly) {
  Filled filled;
  for (const Item* item : {filled.instrument, filled.percussion, filled.performance}) {
    SYX_File sent;
    ASSERT_EQ(sent.StoreToEditBuffer(*item), 0);
    SYX_File received;
    ASSERT_EQ(received.AppendBytes(sent.Bytes()), 1);
    const std::unique_ptr<Item> copy = CreateItem(item->Kind());
    ASSERT_EQ(copy->LoadFromBulk(received.Memory()), 0);
    EXPECT_EQ(Image(*copy), Image(*item));
    // Header and footer carry no data, so nothing is filed under 0E or 0F.
    EXPECT_FALSE(received.Memory().FindPage(SysxAddress(0x0E, 0x0F, 0)));
    EXPECT_FALSE(received.Memory().FindPage(SysxAddress(0x0F, 0x0F, 0)));
  }
}

TEST(SYX_File, EmptyOrMessagelessBuffersGiveAnEmptyImage) {
  SYX_File dump;
  EXPECT_EQ(dump.Memory().First(), nullptr);
  dump.AppendBytes(Bytes{0x01, 0x02, 0x7F, 0xF7, 0x90, 0x40});
  EXPECT_EQ(dump.Memory().First(), nullptr);
  EXPECT_EQ(dump.ParseMessages(), 0u);
}

TEST(SYX_File, MissingBlocksReadAsZero) {
  Filled filled;
  SYX_File whole;
  whole.StoreToEditBuffer(*filled.performance);
  const Bytes bytes = BytesOf(whole);
  // Leave out the third block message (header and two blocks before it).
  const ParamBlockTable table = filled.performance->BlockTable();
  const std::size_t start = 11 + (table[0].size + 11) + (table[1].size + 11);
  const std::size_t length = table[2].size + 11;
  Bytes gap(bytes.begin(), bytes.begin() + static_cast<long>(start));
  gap.insert(gap.end(), bytes.begin() + static_cast<long>(start + length), bytes.end());

  SYX_File received;
  received.AppendBytes(gap);
  const std::unique_ptr<Item> copy = CreateItem(ItemKind::Performance);
  copy->LoadFromBulk(received.Memory());
  Bytes expected = Image(*filled.performance);
  const std::size_t offset = table[0].size + table[1].size;
  std::fill_n(expected.begin() + static_cast<long>(offset), table[2].size, 0);
  EXPECT_EQ(Image(*copy), expected);
}

TEST(SYX_File, AcceptsAnyDeviceAndDropsBadChecksumsOnly) {
  const Bytes data = {1, 2, 3};
  Bytes stream = test::BulkMessage({0x40, 0x00, 0x00}, data);
  Bytes off = test::BulkMessage({0x40, 0x00, 0x10}, data);
  off[12] = (off[12] + 1) & 0x7F;
  Append(stream, off);
  Bytes device5 = test::BulkMessage({0x40, 0x00, 0x20}, data);
  device5[2] = 0x05;
  Append(stream, device5);
  Bytes roland = test::BulkMessage({0x40, 0x00, 0x30}, data);
  roland[1] = 0x41;
  Append(stream, roland);
  Bytes otherModel = test::BulkMessage({0x40, 0x00, 0x40}, data);
  otherModel[3] = 0x65;
  Append(stream, otherModel);

  SYX_File dump;
  dump.AppendBytes(stream);
  EXPECT_EQ(dump.ParseMessages(), 3u);
  const SysxMemoryCore& memory = dump.Memory();
  EXPECT_EQ(Read(memory, {0x40, 0x00, 0x00}, 3), data);
  EXPECT_EQ(Read(memory, {0x40, 0x00, 0x10}, 3), Bytes(3, 0));
  EXPECT_EQ(Read(memory, {0x40, 0x00, 0x20}, 3), data);
  EXPECT_EQ(Read(memory, {0x40, 0x00, 0x30}, 3), Bytes(3, 0));
  EXPECT_EQ(Read(memory, {0x40, 0x00, 0x40}, 3), Bytes(3, 0));
}

TEST(SYX_File, RunsAcrossPagesAndLaterMessagesOverwriteEarlier) {
  Bytes run(200);
  for (std::size_t i = 0; i < run.size(); ++i)
    run[i] = static_cast<std::uint8_t>(i % 128);
  SYX_File dump;
  dump.AppendMessage(0x40, 0x00, 0x00, run);
  dump.AppendMessage(0x40, 0x00, 0x05, Bytes{0x66});
  const SysxMemoryCore& memory = dump.Memory();
  EXPECT_EQ(PageCount(memory), 2u);
  Bytes expected = run;
  expected[5] = 0x66;
  EXPECT_EQ(Read(memory, {0x40, 0x00, 0x00}, 200), expected);
  EXPECT_EQ(Read(memory, {0x40, 0x01, 0x00}, 72), Bytes(run.begin() + 128, run.end()));
}

// A damaged message must never take the message after it down with it.
TEST(SYX_File, DamagedMessagesDoNotHideTheNextOne) {
  const Bytes data = {9, 8, 7, 6};
  const Bytes good = test::BulkMessage({0x30, 0x00, 0x00}, data);

  struct Case {
    const char* what;
    Bytes damaged;
  };
  Bytes truncated = test::BulkMessage({0x41, 0x00, 0x00}, Bytes(40, 1));
  truncated.resize(20);
  Bytes overlong = test::BulkMessage({0x41, 0x00, 0x00}, Bytes(10, 1));
  overlong[5] = 0x7F;  // declares 127 bytes, holds 10
  Bytes shortDeclared = test::BulkMessage({0x41, 0x00, 0x00}, Bytes(10, 1));
  shortDeclared[5] = 0x02;  // declares 2 bytes: the closing byte is a data byte
  Bytes huge = test::BulkMessage({0x41, 0x00, 0x00}, Bytes(10, 1));
  huge[4] = 0x7F;  // declares more than 16000 bytes
  Bytes noEnd = test::BulkMessage({0x41, 0x00, 0x00}, Bytes(10, 1));
  noEnd.pop_back();
  Bytes statusInside = test::BulkMessage({0x41, 0x00, 0x00}, Bytes(10, 1));
  statusInside[12] = 0x90;
  const Case cases[] = {{"cut short", truncated},         {"declares more", overlong},
                        {"declares less", shortDeclared}, {"declares a huge count", huge},
                        {"lost its F7", noEnd},           {"status byte inside", statusInside},
                        {"a lone F0", Bytes{0xF0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes stream = c.damaged;
    Append(stream, good);
    SYX_File dump;
    dump.AppendBytes(stream);
    EXPECT_EQ(dump.ParseMessages(), 1u);
    EXPECT_EQ(Read(dump.Memory(), {0x30, 0x00, 0x00}, 4), data);
    EXPECT_EQ(dump.Memory().FindPage(SysxAddress(0x41, 0x00, 0x00)), nullptr);
    // Parsing leaves the buffer as it was.
    EXPECT_EQ(BytesOf(dump), stream);
  }
}

TEST(SYX_File, RandomBytesBetweenGoodMessagesCostNothing) {
  Filled filled;
  SYX_File sent;
  sent.StoreToEditBuffer(*filled.percussion);
  const std::vector<Bytes> messages = [&] {
    std::vector<Bytes> split(1);
    for (std::uint8_t b : sent.Bytes()) {
      split.back().push_back(b);
      if (b == 0xF7)
        split.emplace_back();
    }
    split.pop_back();
    return split;
  }();
  ASSERT_EQ(messages.size(), 374u);

  std::mt19937 random(1234);
  for (int round = 0; round < 20; ++round) {
    Bytes stream;
    for (const Bytes& message : messages) {
      Bytes noise(random() % 12);
      for (std::uint8_t& b : noise)
        b = static_cast<std::uint8_t>(random());
      if (!noise.empty() && round % 2 == 0)
        noise.back() = 0xF0;  // noise that looks like the start of a message
      Append(stream, noise);
      Append(stream, message);
    }
    SYX_File received;
    received.AppendBytes(stream);
    const std::unique_ptr<Item> copy = CreateItem(ItemKind::Percussion);
    copy->LoadFromBulk(received.Memory());
    ASSERT_EQ(Image(*copy), Image(*filled.percussion)) << "round " << round;
  }
}

TEST(SYX_File, SaveAndLoadGiveBackTheBytes) {
  test::TempDir dir;
  Filled filled;
  SYX_File dump;
  dump.StoreToMemory(*filled.instrument);
  dump.AppendItemDump(*filled.percussion);
  const std::string path = dir.File("two.syx");
  test::WriteBytes(path, Bytes(20000, 0x33));
  ASSERT_EQ(dump.Save(path), 0);
  EXPECT_EQ(test::ReadBytes(path), BytesOf(dump));

  SYX_File loaded;
  ASSERT_EQ(loaded.Load(path), 0);
  EXPECT_EQ(BytesOf(loaded), BytesOf(dump));
  EXPECT_EQ(loaded.Buffer().Tell(), 0);
  const std::unique_ptr<Item> copy = CreateItem(ItemKind::Percussion);
  copy->LoadFromBulk(loaded.Memory());
  EXPECT_EQ(Image(*copy), Image(*filled.percussion));

  SYX_File empty;
  test::WriteBytes(dir.File("empty.syx"), {});
  EXPECT_EQ(empty.Load(dir.File("empty.syx")), 0);
  EXPECT_EQ(empty.Bytes().size(), 0u);
}

TEST(SYX_File, FailedLoadAndSaveReportCreateNothingAndKeepWhatWasThere) {
  test::TempDir dir;
  SYX_File dump;
  dump.AppendBytes(Bytes{0xF0, 0xF7});
  testing::internal::CaptureStderr();
  EXPECT_EQ(dump.Load(dir.File("missing.syx")), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error opening file: No such file or directory\n");
  EXPECT_FALSE(test::Exists(dir.File("missing.syx")));
  EXPECT_EQ(BytesOf(dump), (Bytes{0xF0, 0xF7}));

  testing::internal::CaptureStderr();
  EXPECT_EQ(dump.Load(dir.Path()), -1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Error opening file"), std::string::npos);

  testing::internal::CaptureStderr();
  EXPECT_EQ(dump.Save(dir.File("no/such/folder.syx")), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error opening file: No such file or directory\n");

  SYX_File unnamed;
  EXPECT_EQ(unnamed.Load(), -1);
  EXPECT_EQ(unnamed.Save(), -1);
  testing::internal::CaptureStdout();
  dump.PrintListing();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(SYX_File, FailedWriteLeavesTheOldFile) {
  test::TempDir dir;
  const std::string path = dir.File("keep.syx");
  const Bytes old(3000, 0x42);
  test::WriteBytes(path, old);
  const int status = test::RunInChild([&] {
    Filled filled;
    SYX_File dump;
    dump.StoreToEditBuffer(*filled.percussion);
    const rlimit limit{1024, 1024};
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    testing::internal::CaptureStderr();
    const int result = dump.Save(path);
    const std::string printed = testing::internal::GetCapturedStderr();
    return result == -1 && printed == "Error writing file: File too large\n" ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(test::ReadBytes(path), old);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"keep.syx"});
}

TEST(SYX_File, AFileLargerThanABufferIsRefusedWithItsReason) {
  test::TempDir dir;
  const std::string path = dir.File("huge.syx");
  constexpr std::int64_t kSize = (std::int64_t{1} << 31) + 1;
  test::WriteBytes(path, {});
  ASSERT_EQ(truncate(path.c_str(), kSize), 0);  // sparse: no disk is used
  SmartFile file;
  ASSERT_TRUE(file.Open(path));
  EXPECT_EQ(file.Size(), kSize);

  SYX_File dump;
  dump.AppendBytes(Bytes{0xF0, 0xF7});
  testing::internal::CaptureStderr();
  EXPECT_EQ(dump.Load(path), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error reading file: File too large\n");
  EXPECT_EQ(BytesOf(dump), (Bytes{0xF0, 0xF7}));
}

TEST(SYX_File, StoreToMemoryNeedsABank) {
  SYX_File dump;
  dump.AppendBytes(Bytes{1});
  EXPECT_EQ(dump.StoreToMemory(*CreateItem(ItemKind::Instrument)), -1);
  EXPECT_EQ(dump.AppendMessage(0x40, 0, 0, Bytes(0x4000)), -1);
}

TEST(ItemDumpList, FindsEachDumpWithItsLocationAndCountsTheRest) {
  Filled filled;
  filled.instrument->Data()[0] = 'Z';
  SYX_File dump;
  dump.AppendItemDump(*filled.instrument);
  dump.AppendItemDump(*filled.percussion);
  SYX_File edit;
  edit.StoreToEditBuffer(*filled.performance);
  Bytes stream = BytesOf(dump);
  Append(stream, {0xF0, 0x43, 0x00});  // a stray, damaged message
  Append(stream, BytesOf(edit));
  Append(stream, test::BulkMessage({0x40, 0x00, 0x00}, Bytes{1}));  // outside any dump
  // A header without footer at the end, for a location no bank has.
  Append(stream, test::BulkMessage({0x0E, 0x55, 0x00}, {}));

  const ItemDumpList list = FindItemDumps(stream);
  EXPECT_EQ(list.dropped, 1u);
  EXPECT_EQ(list.outside, 1u);
  ASSERT_EQ(list.dumps.size(), 4u);

  const FoundItemDump& first = list.dumps[0];
  EXPECT_EQ(first.location, (BulkDump::Location{0x09, 17}));
  ASSERT_TRUE(first.meaning);
  EXPECT_EQ(first.meaning->bank, &kExternalInstrumentLayout);
  EXPECT_TRUE(first.complete);
  ASSERT_TRUE(first.item);
  EXPECT_EQ(Image(*first.item), Image(*filled.instrument));
  EXPECT_EQ(first.item->Name().front(), 'Z');

  EXPECT_EQ(list.dumps[1].item->Kind(), ItemKind::Percussion);
  EXPECT_EQ(Image(*list.dumps[1].item), Image(*filled.percussion));
  EXPECT_EQ(list.dumps[2].meaning->bank, nullptr);
  EXPECT_EQ(Image(*list.dumps[2].item), Image(*filled.performance));

  EXPECT_FALSE(list.dumps[3].meaning);
  EXPECT_FALSE(list.dumps[3].item);
  EXPECT_FALSE(list.dumps[3].complete);
}

}  // namespace
