#include "midi/sysex/BulkDump.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/sysex/ProgramSelection.h"
#include "midi/sysex/SYX_File.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Message(const SYX_File& dump, std::size_t offset, std::size_t length) {
  const auto bytes = dump.Bytes();
  return {bytes.begin() + static_cast<long>(offset),
          bytes.begin() + static_cast<long>(offset + length)};
}

Bytes Span(std::span<const std::uint8_t> bytes) {
  return {bytes.begin(), bytes.end()};
}

// Splits a dump into its messages at every F7.
std::vector<Bytes> MessagesOf(const SYX_File& dump) {
  std::vector<Bytes> messages(1);
  for (const std::uint8_t byte : dump.Bytes()) {
    messages.back().push_back(byte);
    if (byte == 0xF7)
      messages.emplace_back();
  }
  messages.pop_back();
  return messages;
}

TEST(BulkDumpMessage, CountAddressDataAndChecksum) {
  EXPECT_EQ(test::BulkMessage({0x0E, 0x08, 0x05}, {}),
            (Bytes{0xF0, 0x43, 0x00, 0x64, 0x00, 0x00, 0x0E, 0x08, 0x05, 0x65, 0xF7}));
  const Bytes data = {0x01, 0x02, 0x7F};
  // 0 + 3 + 40 + 00 + 10 + 1 + 2 + 7F = 0xD5; 128 - 0x55 = 0x2B.
  EXPECT_EQ(
      test::BulkMessage({0x40, 0x00, 0x10}, data),
      (Bytes{0xF0, 0x43, 0x00, 0x64, 0x00, 0x03, 0x40, 0x00, 0x10, 0x01, 0x02, 0x7F, 0x2B, 0xF7}));
  // Bytes of 80 or more go out as their low seven bits, summed as sent:
  // 4 + 40 + 70 + 41 + 7F + 00 + 77 = 0x1EB; 128 - 0x6B = 0x15.
  EXPECT_EQ(test::BulkMessage({0x40, 0x70, 0x00}, Bytes{0x41, 0xFF, 0x80, 0xF7}),
            (Bytes{0xF0, 0x43, 0x00, 0x64, 0x00, 0x04, 0x40, 0x70, 0x00, 0x41, 0x7F, 0x00, 0x77,
                   0x15, 0xF7}));
  // Count 2 + 7F + 7F = 100: a sum whose low 7 bits are already zero needs checksum 00, not 80.
  EXPECT_EQ(test::BulkMessage({0x00, 0x00, 0x00}, Bytes{0x7F, 0x7F}).at(11), 0x00);

  EXPECT_EQ(test::BulkMessage({0x40, 0, 0}, Bytes(128)).at(4), 0x01);
  EXPECT_EQ(test::BulkMessage({0x40, 0, 0}, Bytes(128)).at(5), 0x00);
  const Bytes long200 = test::BulkMessage({0x40, 0, 0}, Bytes(200));
  EXPECT_EQ(long200.size(), 211u);
  EXPECT_EQ(Bytes(long200.begin() + 4, long200.begin() + 6), (Bytes{0x01, 0x48}));
}

TEST(BulkDumpMessage, RequestsAndParameterChanges) {
  EXPECT_EQ(Span(BulkDump::DumpRequest({0x0E, 0x41, 0x03})),
            (Bytes{0xF0, 0x43, 0x20, 0x64, 0x0E, 0x41, 0x03, 0xF7}));
  EXPECT_EQ(Span(BulkDump::DumpRequest(
                BulkDump::HeaderAddress(BulkDump::EditBufferLocation(ItemKind::Percussion)))),
            (Bytes{0xF0, 0x43, 0x20, 0x64, 0x0E, 0x2F, 0x00, 0xF7}));
  EXPECT_EQ(Span(BulkDump::ParameterChange(BulkDump::kVoiceSelectParameter, 0x01)),
            (Bytes{0xF0, 0x43, 0x10, 0x64, 0x0A, 0x00, 0x11, 0x01, 0xF7}));
}

TEST(BulkDumpMessage, FramingMessagesAndTheLocationARequestAsksFor) {
  EXPECT_EQ(Span(BulkDump::EmptyMessage(BulkDump::FooterAddress({0x41, 0x03}))),
            (Bytes{0xF0, 0x43, 0x00, 0x64, 0x00, 0x00, 0x0F, 0x41, 0x03, 0x2D, 0xF7}));
  const struct {
    Bytes request;
    std::optional<BulkDump::Location> location;
  } cases[] = {
      {{0xF0, 0x43, 0x20, 0x64, 0x0E, 0x41, 0x03, 0xF7}, BulkDump::Location{0x41, 0x03}},
      {{0xF0, 0x43, 0x2A, 0x64, 0x0E, 0x2F, 0x00, 0xF7}, BulkDump::Location{0x2F, 0x00}},
      {{0xF0, 0x43, 0x20, 0x64, 0x0F, 0x41, 0x03, 0xF7}, std::nullopt},
      {{0xF0, 0x43, 0x10, 0x64, 0x0E, 0x41, 0x03, 0xF7}, std::nullopt},
      {{0xF0, 0x43, 0x20, 0x64, 0x0E, 0x41, 0x03}, std::nullopt},
      {{}, std::nullopt},
  };
  for (const auto& [request, location] : cases) {
    EXPECT_EQ(BulkDump::RequestedLocation(request), location) << ::testing::PrintToString(request);
  }
}

TEST(BulkDumpLocation, MemoryAndEditBufferCodes) {
  S2A_File document;
  const Item& intInst = *document.InternalInstrumentBank().ItemAt(5);
  EXPECT_EQ(BulkDump::MemoryLocation(intInst), (BulkDump::Location{0x08, 0x05}));
  EXPECT_EQ(BulkDump::MemoryLocation(*document.ExternalPerformanceBank().ItemAt(63)),
            (BulkDump::Location{0x41, 63}));
  EXPECT_EQ(BulkDump::MemoryLocation(*document.ExternalPercussionBank().ItemAt(1)),
            (BulkDump::Location{0x29, 1}));
  EXPECT_FALSE(BulkDump::MemoryLocation(*CreateItem(ItemKind::Instrument)));

  EXPECT_EQ(BulkDump::EditBufferLocation(ItemKind::Instrument), (BulkDump::Location{0x0F, 0}));
  EXPECT_EQ(BulkDump::EditBufferLocation(ItemKind::Percussion), (BulkDump::Location{0x2F, 0}));
  EXPECT_EQ(BulkDump::EditBufferLocation(ItemKind::Performance), (BulkDump::Location{0x4F, 0}));

  const auto extPerc = BulkDump::DescribeLocation({0x29, 1});
  ASSERT_TRUE(extPerc);
  EXPECT_EQ(extPerc->kind, ItemKind::Percussion);
  EXPECT_EQ(extPerc->bank, &kExternalPercussionLayout);
  EXPECT_EQ(extPerc->slot, 1);
  const auto buffer = BulkDump::DescribeLocation({0x4F, 0});
  ASSERT_TRUE(buffer);
  EXPECT_EQ(buffer->kind, ItemKind::Performance);
  EXPECT_EQ(buffer->bank, nullptr);
  EXPECT_FALSE(BulkDump::DescribeLocation({0x29, 2}));   // past the two drum kits
  EXPECT_FALSE(BulkDump::DescribeLocation({0x41, 64}));  // past the external performances
  EXPECT_FALSE(BulkDump::DescribeLocation({0x4F, 1}));
  EXPECT_FALSE(BulkDump::DescribeLocation({0x10, 0}));
}

TEST(ItemDump, HeaderFooterAndFirstBlockOfAnInstrument) {
  S2A_File document;
  Item& item = *document.InternalInstrumentBank().ItemAt(5);
  SYX_File dump;
  ASSERT_EQ(dump.StoreToMemory(item), 0);
  ASSERT_EQ(dump.Buffer().Size(), 1116);
  EXPECT_EQ(Message(dump, 0, 11),
            (Bytes{0xF0, 0x43, 0x00, 0x64, 0x00, 0x00, 0x0E, 0x08, 0x05, 0x65, 0xF7}));
  EXPECT_EQ(Message(dump, 1116 - 11, 11),
            (Bytes{0xF0, 0x43, 0x00, 0x64, 0x00, 0x00, 0x0F, 0x08, 0x05, 0x64, 0xF7}));
  EXPECT_EQ(Message(dump, 11, 9), (Bytes{0xF0, 0x43, 0x00, 0x64, 0x00, 0x38, 0x40, 0x70, 0x00}));
  EXPECT_EQ(Message(dump, 20, 56), Bytes(item.Data().begin(), item.Data().begin() + 56));

  // Both instrument banks and a free-standing instrument share one edit buffer.
  const std::unique_ptr<Item> loose = CreateItem(ItemKind::Instrument);
  for (const Item* source : {static_cast<const Item*>(&item),
                             static_cast<const Item*>(document.ExternalInstrumentBank().ItemAt(9)),
                             static_cast<const Item*>(loose.get())}) {
    SYX_File edit;
    ASSERT_EQ(edit.StoreToEditBuffer(*source), 0);
    EXPECT_EQ(Message(edit, 0, 11),
              (Bytes{0xF0, 0x43, 0x00, 0x64, 0x00, 0x00, 0x0E, 0x0F, 0x00, 0x63, 0xF7}));
    EXPECT_EQ(Message(edit, 1116 - 11, 11),
              (Bytes{0xF0, 0x43, 0x00, 0x64, 0x00, 0x00, 0x0F, 0x0F, 0x00, 0x62, 0xF7}));
  }
}

TEST(ItemDump, EveryKindHasItsSizeMessagesAndBlocksInTableOrder) {
  S2A_File document;
  struct Case {
    const Item* item;
    std::size_t bytes;
    std::size_t messages;
  };
  const Case cases[] = {{document.InternalInstrumentBank().ItemAt(0), 1116, 34},
                        {document.InternalPercussionBank().ItemAt(1), 7889, 374},
                        {document.ExternalPerformanceBank().ItemAt(2), 1449, 34}};
  for (const Case& c : cases) {
    SYX_File dump;
    ASSERT_EQ(dump.StoreToMemory(*c.item), 0);
    EXPECT_EQ(dump.Bytes().size(), c.bytes);
    const std::vector<Bytes> messages = MessagesOf(dump);
    ASSERT_EQ(messages.size(), c.messages);
    std::size_t offset = 0;
    const ParamBlockTable table = c.item->BlockTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
      const Bytes& message = messages[i + 1];
      ASSERT_EQ(message.size(), static_cast<std::size_t>(table[i].size) + 11);
      EXPECT_EQ(Bytes(message.begin() + 6, message.begin() + 9),
                (Bytes{table[i].high, table[i].mid, table[i].low}));
      EXPECT_TRUE(std::equal(message.begin() + 9, message.end() - 2,
                             c.item->Data().begin() + static_cast<long>(offset)));
      offset += static_cast<std::size_t>(table[i].size);
    }
    EXPECT_EQ(offset, c.item->Data().size());
  }
}

TEST(ProgramSelection, VoicesSwitchThenPauseAndPerformancesSelectOnly) {
  S2A_File document;
  const ProgramSelection voice = ProgramSelectionFor(*document.ExternalInstrumentBank().ItemAt(7));
  EXPECT_EQ(voice.parameterChanges, (Bytes{0xF0, 0x43, 0x10, 0x64, 0x0A, 0x00, 0x11, 0x01, 0xF7,
                                           0xF0, 0x43, 0x10, 0x64, 0x0A, 0x00, 0x11, 0x00, 0xF7}));
  EXPECT_EQ(voice.pause, std::chrono::milliseconds(60));
  EXPECT_EQ(voice.shortMessages,
            (std::vector<Bytes>{{0xB0, 0x00, 0x3F}, {0xB0, 0x20, 0x09}, {0xC0, 0x07}}));

  const ProgramSelection drums = ProgramSelectionFor(*document.InternalPercussionBank().ItemAt(1));
  EXPECT_EQ(drums.parameterChanges.size(), 18u);
  EXPECT_EQ(drums.shortMessages,
            (std::vector<Bytes>{{0xB0, 0x00, 0x3F}, {0xB0, 0x20, 0x28}, {0xC0, 0x01}}));

  for (const auto& [bank, lsb] :
       {std::pair<Bank*, std::uint8_t>{&document.InternalPerformanceBank(), 0x40},
        std::pair<Bank*, std::uint8_t>{&document.ExternalPerformanceBank(), 0x41}}) {
    const ProgramSelection performance = ProgramSelectionFor(*bank->ItemAt(3));
    EXPECT_TRUE(performance.parameterChanges.empty());
    EXPECT_EQ(performance.pause, std::chrono::milliseconds(0));
    EXPECT_EQ(performance.shortMessages,
              (std::vector<Bytes>{{0xB0, 0x00, 0x3F}, {0xB0, 0x20, lsb}, {0xC0, 0x03}}));
  }

  // A free-standing item knows neither bank nor slot.
  const ProgramSelection loose = ProgramSelectionFor(*CreateItem(ItemKind::Instrument));
  EXPECT_EQ(loose.parameterChanges.size(), 18u);
  EXPECT_TRUE(loose.shortMessages.empty());
}

}  // namespace
