#include "midi/ports/BankTransfer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "demo/DemoBank.h"
#include "midi/MidiWire.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiDevice.h"
#include "midi/ports/MidiErrorReport.h"
#include "midi/settings/SettingsStore.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "simulator/LoopbackPortLayer.h"
#include "simulator/SimulatedS80.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using BankList = std::vector<const BankLayout*>;
using BankTransfer::Slot;

Bytes Image(const Item& item) {
  return {item.Data().begin(), item.Data().end()};
}

BankList AllBanks() {
  BankList banks;
  for (const BankLayout& layout : kBankLayouts) {
    banks.push_back(&layout);
  }
  return banks;
}

std::vector<Item*> ItemsOf(const std::vector<Slot>& slots) {
  std::vector<Item*> items;
  for (const Slot& slot : slots) {
    items.push_back(slot.item);
  }
  return items;
}

// Whole banks against the simulated synthesizer, through the real devices.
class BankTransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseNoConfiguration(dir_);
    DemoBank::FillDocument(document_, 5);
    synthesizer_ = std::make_shared<SimulatedS80>(0);
    InstallMidiPortLayer(std::make_unique<LoopbackPortLayer>(synthesizer_));
    previousErrors_ = SetMidiErrorHandler(
        [this](const std::string& text, const std::string&) { errors_.push_back(text); });
  }
  void TearDown() override {
    control_.reset();
    InstallMidiPortLayer(nullptr);
    SetMidiErrorHandler(std::move(previousErrors_));
  }
  MidiControl& Control() {
    if (!control_) {
      control_ = std::make_unique<MidiControl>();
    }
    return *control_;
  }
  BankTransfer::Progress Record() {
    return [this](int position, int count, const Slot& slot) {
      positions_.push_back(position);
      counts_.push_back(count);
      reported_.push_back(slot.item);
    };
  }
  // The synthesizer's item at a slot's place.
  static const Item& Stored(S2A_File& memory, const Slot& slot) {
    return *slot.layout->bankIn(memory).ItemAt(slot.index);
  }
  static std::vector<int> Positions(std::size_t count) {
    std::vector<int> positions(count);
    for (std::size_t i = 0; i < count; ++i) {
      positions[i] = static_cast<int>(i);
    }
    return positions;
  }

  test::TempDir dir_;
  S2A_File document_;
  S2A_File untouched_;  // as a fresh document and the synthesizer start
  std::shared_ptr<SimulatedS80> synthesizer_;
  std::unique_ptr<MidiControl> control_;
  std::vector<int> positions_;
  std::vector<int> counts_;
  std::vector<Item*> reported_;
  std::vector<std::string> errors_;
  MidiErrorHandler previousErrors_;
  std::atomic<bool> cancel_{false};
};

const std::vector<BankList> kBankChoices{{&kExternalPerformanceLayout}, AllBanks()};

TEST_F(BankTransferTest, ReceivedBanksAreByteIdenticalToTheSynthesizersMemory) {
  synthesizer_->LoadMemory(document_);
  const auto memory = synthesizer_->MemorySnapshot();
  for (const BankList& banks : kBankChoices) {
    S2A_File fresh;
    const std::vector<Slot> slots = BankTransfer::SlotsOf(fresh, banks);
    positions_.clear();
    counts_.clear();
    reported_.clear();
    const BankTransfer::Summary summary =
        BankTransfer::Receive(Control(), slots, Record(), cancel_);
    EXPECT_EQ(slots.size(), banks.size() == 1 ? 64u : 452u);
    EXPECT_EQ(summary.count, static_cast<int>(slots.size()));
    EXPECT_EQ(summary.transferred, summary.count);
    EXPECT_TRUE(summary.missing.empty());
    EXPECT_FALSE(summary.cancelled);
    EXPECT_EQ(summary.portError, "");
    EXPECT_EQ(positions_, Positions(slots.size()));
    EXPECT_EQ(counts_, std::vector<int>(slots.size(), summary.count));
    EXPECT_EQ(reported_, ItemsOf(slots));
    for (const Slot& slot : slots) {
      ASSERT_EQ(Image(*slot.item), Image(Stored(*memory, slot)))
          << slot.layout->word << ":" << slot.index;
    }
  }
  EXPECT_TRUE(errors_.empty());
}

TEST_F(BankTransferTest, SentBanksLandByteIdenticalWithoutSelectingAProgram) {
  for (const BankList& banks : kBankChoices) {
    synthesizer_->LoadMemory(S2A_File());
    synthesizer_->ClearReceivedMessages();
    const std::vector<Slot> slots = BankTransfer::SlotsOf(document_, banks);
    const BankTransfer::Summary summary = BankTransfer::Send(Control(), slots, {}, cancel_);
    EXPECT_EQ(summary.transferred, static_cast<int>(slots.size()));
    EXPECT_TRUE(summary.missing.empty());
    const auto memory = synthesizer_->MemorySnapshot();
    for (const Slot& slot : slots) {
      ASSERT_EQ(Image(Stored(*memory, slot)), Image(*slot.item))
          << slot.layout->word << ":" << slot.index;
    }
    // Bulk dumps only: no bank select, program change or parameter change.
    for (const SimulatedS80::ReceivedMessage& message : synthesizer_->ReceivedMessages()) {
      ASSERT_EQ(Bytes(message.bytes.begin(), message.bytes.begin() + 4),
                (Bytes{0xF0, 0x43, 0x00, 0x64}));
    }
  }
  EXPECT_TRUE(errors_.empty());
}

TEST_F(BankTransferTest, SlotsWithoutAnAnswerAreMissingAndKeepTheirContent) {
  synthesizer_->LoadMemory(document_);
  S2A_File fresh;
  const std::vector<Slot> slots = BankTransfer::SlotsOf(
      fresh, BankList{&kInternalInstrumentLayout, &kExternalPerformanceLayout});
  const std::vector<std::size_t> silentSlots{0, 77, slots.size() - 1};
  SimulatedS80::Faults faults;
  std::vector<Item*> expectedMissing;
  for (const std::size_t index : silentSlots) {
    faults.unanswered.push_back(*BulkDump::MemoryLocation(*slots[index].item));
    expectedMissing.push_back(slots[index].item);
  }
  synthesizer_->SetFaults(faults);
  const Bytes untouched = Image(*slots[0].item);
  const Bytes untouchedPerformance = Image(*slots.back().item);

  const BankTransfer::Summary summary = BankTransfer::Receive(Control(), slots, {}, cancel_);
  EXPECT_EQ(ItemsOf(summary.missing), expectedMissing);
  EXPECT_EQ(summary.transferred, static_cast<int>(slots.size() - silentSlots.size()));
  EXPECT_FALSE(summary.cancelled);
  EXPECT_EQ(Image(*slots[0].item), untouched);
  EXPECT_EQ(Image(*slots[77].item), untouched);
  EXPECT_EQ(Image(*slots.back().item), untouchedPerformance);
  const auto memory = synthesizer_->MemorySnapshot();
  EXPECT_EQ(Image(*slots[76].item), Image(Stored(*memory, slots[76])));
  EXPECT_EQ(Image(*slots[78].item), Image(Stored(*memory, slots[78])));
}

TEST_F(BankTransferTest, APortErrorEndsTheTransferAfterItsItemAndStaysInTheSummary) {
  const std::vector<Slot> slots = BankTransfer::SlotsOf(
      document_, BankList{&kInternalPercussionLayout, &kInternalPerformanceLayout});
  // The output port goes away while the fourth item is under way.
  const BankTransfer::Summary summary = BankTransfer::Send(
      Control(), slots,
      [this](int position, int, const Slot&) {
        if (position == 3) {
          Control().CurrentOutputDevice()->Close();
        }
      },
      cancel_);
  EXPECT_EQ(summary.portError, MidiErrors::kOpenOutputFirst);
  EXPECT_EQ(summary.transferred, 3);
  EXPECT_EQ(ItemsOf(summary.missing), ItemsOf({slots.begin() + 3, slots.end()}));
  EXPECT_FALSE(summary.cancelled);
  EXPECT_TRUE(errors_.empty());
  // The handler in force before the transfer is back.
  ReportMidiError("after", "caption");
  EXPECT_EQ(errors_, std::vector<std::string>{"after"});
  const auto memory = synthesizer_->MemorySnapshot();
  EXPECT_EQ(Image(Stored(*memory, slots[2])), Image(*slots[2].item));
  EXPECT_EQ(Image(Stored(*memory, slots[3])), Image(Stored(untouched_, slots[3])));
}

TEST_F(BankTransferTest, ACancelFromAnotherThreadKeepsWhatArrivedAndTheNextTransferWorks) {
  synthesizer_->LoadMemory(document_);
  S2A_File fresh;
  const std::vector<Slot> slots = BankTransfer::SlotsOf(fresh, AllBanks());
  std::atomic<int> reached{-1};
  std::thread canceller([&] {
    while (reached.load() < 100) {
      std::this_thread::yield();
    }
    cancel_.store(true);
  });
  const BankTransfer::Summary summary = BankTransfer::Receive(
      Control(), slots, [&](int position, int, const Slot&) { reached.store(position); }, cancel_);
  canceller.join();
  ASSERT_TRUE(summary.cancelled);
  ASSERT_GE(summary.transferred, 100);
  ASSERT_LT(summary.transferred, summary.count);
  const auto received = static_cast<std::size_t>(summary.transferred);
  EXPECT_EQ(ItemsOf(summary.missing), ItemsOf({slots.begin() + summary.transferred, slots.end()}));
  const auto memory = synthesizer_->MemorySnapshot();
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const Bytes expected =
        Image(i < received ? Stored(*memory, slots[i]) : Stored(untouched_, slots[i]));
    ASSERT_EQ(Image(*slots[i].item), expected) << i;
  }

  cancel_.store(false);
  const BankTransfer::Summary rest = BankTransfer::Receive(Control(), summary.missing, {}, cancel_);
  EXPECT_EQ(rest.transferred, rest.count);
  EXPECT_EQ(Image(*slots.back().item), Image(Stored(*memory, slots.back())));
}

// At the wire's speed, a cancel ends the item under way (its wait for the answer, or its send
// at a message boundary) with that item unchanged on both sides, and the ports work on.
class BankTransferCancelTest : public BankTransferTest,
                               public ::testing::WithParamInterface<bool> {};

TEST_P(BankTransferCancelTest, ACancelStopsTheItemUnderWayAndTheNextTransferWorks) {
  const bool receiving = GetParam();
  const auto transfer = receiving ? &BankTransfer::Receive : &BankTransfer::Send;
  S2A_File fresh;
  S2A_File& local = receiving ? fresh : document_;
  if (receiving) {
    synthesizer_->LoadMemory(document_);
  }
  synthesizer_->SetBytesPerSecond(MidiWire::kDinBytesPerSecond);
  const std::vector<Slot> slots =
      BankTransfer::SlotsOf(local, BankList{&kInternalPercussionLayout});
  ASSERT_EQ(slots.size(), 2u);
  Control();  // the ports are open before the other thread starts
  std::atomic<bool> started{false};
  std::thread canceller([&] {
    while (!started.load()) {
      std::this_thread::yield();
    }
    // A percussion dump takes about 2.5 s on the wire.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    cancel_.store(true);
  });
  const BankTransfer::Summary summary = transfer(
      Control(), slots, [&](int, int, const Slot&) { started.store(true); }, cancel_);
  canceller.join();
  EXPECT_TRUE(summary.cancelled);
  EXPECT_EQ(summary.transferred, 0);
  EXPECT_EQ(ItemsOf(summary.missing), ItemsOf(slots));
  EXPECT_EQ(summary.portError, "");
  EXPECT_FALSE(synthesizer_->ReceivedMessages().empty());  // the item was under way
  synthesizer_->SetBytesPerSecond(0);  // the rest of an answer under way comes at once
  const auto memoryAfterCancel = synthesizer_->MemorySnapshot();
  for (const Slot& slot : slots) {
    const Item& remote = Stored(*memoryAfterCancel, slot);
    EXPECT_EQ(Image(receiving ? *slot.item : remote), Image(Stored(untouched_, slot)));
  }

  cancel_.store(false);
  const BankTransfer::Summary again = transfer(Control(), slots, {}, cancel_);
  EXPECT_EQ(again.transferred, 2);
  const auto memory = synthesizer_->MemorySnapshot();
  for (const Slot& slot : slots) {
    EXPECT_EQ(Image(*slot.item), Image(Stored(*memory, slot)));
  }
  EXPECT_TRUE(errors_.empty());
}

INSTANTIATE_TEST_SUITE_P(BothWays, BankTransferCancelTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "Receive" : "Send";
                         });

}  // namespace
