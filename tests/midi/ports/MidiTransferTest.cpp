#include "midi/ports/MidiTransfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "demo/DemoBank.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiDevice.h"
#include "midi/ports/MidiErrorReport.h"
#include "midi/sysex/SYX_File.h"
#include "model/S2A_File.h"
#include "settings/SettingsStore.h"
#include "simulator/LoopbackPortLayer.h"
#include "simulator/SimulatedS80.h"
#include "tests/support/SimulatedPortsTest.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using test::Image;

Bytes Header(std::uint8_t mid, std::uint8_t low) {
  SYX_File dump;
  dump.AppendMessage(0x0E, mid, low, {});
  return {dump.Bytes().begin(), dump.Bytes().end()};
}

std::vector<Item*> AllItems(S2A_File& document) {
  std::vector<Item*> items;
  for (Bank* bank : {static_cast<Bank*>(&document.InternalInstrumentBank()),
                     static_cast<Bank*>(&document.InternalPercussionBank()),
                     static_cast<Bank*>(&document.ExternalInstrumentBank()),
                     static_cast<Bank*>(&document.ExternalPercussionBank()),
                     static_cast<Bank*>(&document.InternalPerformanceBank()),
                     static_cast<Bank*>(&document.ExternalPerformanceBank())}) {
    bank->ForEachItem([&](Item& item) { items.push_back(&item); });
  }
  return items;
}

const Bytes kVoiceSelectOn{0xF0, 0x43, 0x10, 0x64, 0x0A, 0x00, 0x11, 0x01, 0xF7};
const Bytes kVoiceSelectOff{0xF0, 0x43, 0x10, 0x64, 0x0A, 0x00, 0x11, 0x00, 0xF7};

// The transfers against the simulated synthesizer, through the real devices.
class MidiTransferTest : public test::SimulatedPortsTest {
 protected:
  MidiTransfer::StatusText Record() {
    return [this](const char* text) { statuses_.emplace_back(text); };
  }
  std::vector<Bytes> ReceivedBytes() const {
    std::vector<Bytes> messages;
    for (const SimulatedS80::ReceivedMessage& message : synthesizer_->ReceivedMessages()) {
      messages.push_back(message.bytes);
    }
    return messages;
  }
  Item& InternalInstrument6() { return *document_.InternalInstrumentBank().ItemAt(5); }

  std::vector<std::string> statuses_;
};

TEST_F(MidiTransferTest, SendToBufferSelectsTheProgramThenOverwritesTheEditBuffer) {
  const Item& item = InternalInstrument6();
  ASSERT_EQ(MidiTransfer::SendToBuffer(Control(), item, Record()), 0);
  EXPECT_EQ(statuses_, (std::vector<std::string>{"Switching Bank", "Sending Data",
                                                 "Send to Buffer Completed"}));
  const auto received = synthesizer_->ReceivedMessages();
  ASSERT_EQ(received.size(), 2u + 3u + 34u);
  EXPECT_EQ(received[0].bytes, kVoiceSelectOn);
  EXPECT_EQ(received[1].bytes, kVoiceSelectOff);
  EXPECT_GE(received[2].at - received[1].at, 60ms);
  EXPECT_EQ(received[2].bytes, (Bytes{0xB0, 0x00, 0x3F}));
  EXPECT_EQ(received[3].bytes, (Bytes{0xB0, 0x20, 0x08}));
  EXPECT_EQ(received[4].bytes, (Bytes{0xC0, 0x05}));
  EXPECT_EQ(received[5].bytes, Header(0x0F, 0x00));
  EXPECT_EQ(Image(*synthesizer_->EditBuffer(ItemKind::Instrument)), Image(item));
}

TEST_F(MidiTransferTest, SendStoresTheDumpFirstThenSelectsTheStoredProgram) {
  const Item& item = InternalInstrument6();
  ASSERT_EQ(MidiTransfer::Send(Control(), item, Record()), 0);
  EXPECT_EQ(statuses_,
            (std::vector<std::string>{"Sending Data", "Switching Bank", "Send Completed"}));
  const auto received = synthesizer_->ReceivedMessages();
  ASSERT_EQ(received.size(), 34u + 2u + 3u);
  EXPECT_EQ(received[0].bytes, Header(0x08, 0x05));
  EXPECT_EQ(received[34].bytes, kVoiceSelectOn);
  EXPECT_EQ(received[35].bytes, kVoiceSelectOff);
  EXPECT_GE(received[36].at - received[35].at, 60ms);
  EXPECT_EQ(received[36].bytes, (Bytes{0xB0, 0x00, 0x3F}));
  EXPECT_EQ(received[37].bytes, (Bytes{0xB0, 0x20, 0x08}));
  EXPECT_EQ(received[38].bytes, (Bytes{0xC0, 0x05}));
  const auto memory = synthesizer_->MemorySnapshot();
  EXPECT_EQ(Image(*memory->InternalInstrumentBank().ItemAt(5)), Image(item));
  // Selecting the stored program copied it into the edit buffer.
  EXPECT_EQ(Image(*synthesizer_->EditBuffer(ItemKind::Instrument)), Image(item));
}

TEST_F(MidiTransferTest, APerformanceIsSelectedWithoutParameterChangesOrPause) {
  const Item& item = *document_.ExternalPerformanceBank().ItemAt(3);
  const Clock::time_point start = Clock::now();
  ASSERT_EQ(MidiTransfer::SendToBuffer(Control(), item, Record()), 0);
  EXPECT_LT(Clock::now() - start, 60ms);
  const std::vector<Bytes> received = ReceivedBytes();
  ASSERT_EQ(received.size(), 3u + 34u);
  EXPECT_EQ(received[0], (Bytes{0xB0, 0x00, 0x3F}));
  EXPECT_EQ(received[1], (Bytes{0xB0, 0x20, 0x41}));
  EXPECT_EQ(received[2], (Bytes{0xC0, 0x03}));
  EXPECT_EQ(received[3], Header(0x4F, 0x00));
}

TEST_F(MidiTransferTest, HighBytesTravelAsTheirLowSevenBitsAndTheSenderKeepsThem) {
  Item& item = InternalInstrument6();
  const std::span<std::uint8_t> data = item.Data();
  data[kItemCategoryOffset] = 0xFF;
  data[1] = 0x80;
  data[2] = 0xF7;
  const Bytes stored = Image(item);
  Bytes sent = stored;
  for (std::uint8_t& byte : sent)
    byte &= 0x7F;
  MidiTransfer::SendReport toBuffer;
  ASSERT_EQ(MidiTransfer::SendToBuffer(Control(), item, {}, &toBuffer), 0);
  EXPECT_EQ(Image(*synthesizer_->EditBuffer(ItemKind::Instrument)), sent);
  // A read-back compares what was sent, not the bytes the item keeps.
  Control().UseVerifyAfterSending(true);
  MidiTransfer::SendReport toMemory;
  ASSERT_EQ(MidiTransfer::Send(Control(), item, {}, &toMemory), 0);
  EXPECT_EQ(Image(*synthesizer_->MemorySnapshot()->InternalInstrumentBank().ItemAt(5)), sent);
  EXPECT_EQ(toBuffer.sevenBitBytes, 3u);
  EXPECT_EQ(toMemory.sevenBitBytes, 3u);
  EXPECT_TRUE(toMemory.verified);
  EXPECT_EQ(toMemory.resends, 0);
  EXPECT_EQ(Image(item), stored);

  // The synthesizer's answers follow the same rule.
  synthesizer_->LoadMemory(document_);
  S2A_File fresh;
  Item& received = *fresh.InternalInstrumentBank().ItemAt(5);
  ASSERT_EQ(MidiTransfer::Receive(Control(), received, {}), 0);
  EXPECT_EQ(Image(received), sent);
}

TEST_F(MidiTransferTest, ReceiveRequestsTheItemsLocationAndTakesTheAnswerIntoIt) {
  synthesizer_->LoadMemory(document_);
  S2A_File fresh;
  Item& performance = *fresh.ExternalPerformanceBank().ItemAt(3);
  ASSERT_EQ(MidiTransfer::Receive(Control(), performance, Record()), 0);
  EXPECT_EQ(statuses_,
            (std::vector<std::string>{"Receiving Data", "Converting Data", "Receive Completed"}));
  EXPECT_EQ(ReceivedBytes(),
            (std::vector<Bytes>{{0xF0, 0x43, 0x20, 0x64, 0x0E, 0x41, 0x03, 0xF7}}));
  EXPECT_EQ(Image(performance), Image(*document_.ExternalPerformanceBank().ItemAt(3)));

  // From the buffer: the percussion edit buffer, whichever percussion item asks.
  synthesizer_->ClearReceivedMessages();
  statuses_.clear();
  Item& drums = *fresh.ExternalPercussionBank().ItemAt(1);
  ASSERT_EQ(MidiTransfer::ReceiveFromBuffer(Control(), drums, Record()), 0);
  EXPECT_EQ(statuses_, (std::vector<std::string>{"Receiving Data", "Converting Data",
                                                 "Receive From Buffer Completed"}));
  EXPECT_EQ(ReceivedBytes(),
            (std::vector<Bytes>{{0xF0, 0x43, 0x20, 0x64, 0x0E, 0x2F, 0x00, 0xF7}}));
  EXPECT_EQ(Image(drums), Image(*synthesizer_->EditBuffer(ItemKind::Percussion)));
}

TEST_F(MidiTransferTest, EveryItemSentToMemoryComesBackByteIdentical) {
  // Each receive ends at its answer's footer, so the 452 of them are quick at the built-in quiet
  // time, which a loaded machine needs.
  MidiDevice& output = *Control().CurrentOutputDevice();
  const std::vector<Item*> sources = AllItems(document_);
  ASSERT_EQ(sources.size(), 128u + 2 + 128 + 2 + 128 + 64);
  for (const Item* item : sources) {
    SYX_File dump;
    ASSERT_EQ(dump.StoreToMemory(*item), 0);
    ASSERT_EQ(output.SendLongMsg(dump.Bytes()), 0);
  }
  S2A_File fresh;
  const std::vector<Item*> targets = AllItems(fresh);
  for (std::size_t i = 0; i < targets.size(); ++i) {
    ASSERT_EQ(MidiTransfer::Receive(Control(), *targets[i], {}), 0) << i;
    ASSERT_EQ(Image(*targets[i]), Image(*sources[i])) << i;
  }
}

TEST_F(MidiTransferTest, ADroppedOrCorruptBlockArrivesAsZeroAndTheRestLands) {
  synthesizer_->LoadMemory(document_);
  const Item& source = *document_.InternalPercussionBank().ItemAt(1);
  const ParamBlockTable table = source.BlockTable();
  // Answer message 1 + k carries block k.
  std::size_t offset = 0;
  for (int k = 0; k < 100; ++k) {
    offset += static_cast<std::size_t>(table[k].size);
  }
  const std::size_t size = static_cast<std::size_t>(table[100].size);
  for (const bool corrupt : {false, true}) {
    SimulatedS80::Faults faults;
    (corrupt ? faults.corruptChecksum : faults.dropMessage) = 101;
    synthesizer_->SetFaults(faults);
    S2A_File fresh;
    Item& target = *fresh.InternalPercussionBank().ItemAt(1);
    MidiTransfer::ReceiveReport report;
    ASSERT_EQ(MidiTransfer::Receive(Control(), target, {}, &report), 0);
    Bytes expected = Image(source);
    std::fill_n(expected.begin() + static_cast<std::ptrdiff_t>(offset), size, 0);
    EXPECT_EQ(Image(target), expected) << (corrupt ? "corrupt" : "dropped");
    EXPECT_EQ(report.missingBlocks, 1);
    EXPECT_EQ(report.totalBlocks, static_cast<int>(table.size()));
    // Every answer lacks the same block, so asking again never fills it.
    EXPECT_EQ(report.retries, 2);
  }
}

TEST_F(MidiTransferTest, ASilentOrTooSlowSynthesizerLeavesTheItemUnchanged) {
  synthesizer_->LoadMemory(document_);
  S2A_File fresh;
  Item& target = *fresh.InternalInstrumentBank().ItemAt(9);
  const Bytes before = Image(target);
  SimulatedS80::Faults silent;
  silent.silent = true;
  synthesizer_->SetFaults(silent);
  Control().SetInputTimeout(25);
  EXPECT_EQ(MidiTransfer::Receive(Control(), target, Record()), -1);
  EXPECT_EQ(statuses_,
            (std::vector<std::string>{"Receiving Data", "Receiving Data Again (1 of 2)",
                                      "Receiving Data Again (2 of 2)", "No Data Received"}));
  EXPECT_EQ(Image(target), before);

  // Gaps longer than the built-in quiet limit end the receive after the header, which holds no
  // block. (Asked again, the late rest of this answer would come without its header and count
  // for nothing either.)
  Control().UseReceiveRetries(0);
  SimulatedS80::Faults slow;
  slow.gap = 60ms;
  synthesizer_->SetFaults(slow);
  statuses_.clear();
  EXPECT_EQ(MidiTransfer::ReceiveFromBuffer(Control(), target, Record()), -1);
  EXPECT_EQ(statuses_.back(), "No Data Received");
  EXPECT_EQ(Image(target), before);
  synthesizer_->WaitUntilIdle();
}

// Each gap well under the quiet limit, so that a loaded machine's late wake-ups keep it under,
// and all of them together far over it: the limit counts from the last buffer, not the request.
TEST_F(MidiTransferTest, GapsUnderTheQuietLimitStillDeliverTheWholeItem) {
  synthesizer_->LoadMemory(document_);
  SettingsStore::WriteSettingInteger("MidiInputTimeout", 400);
  SimulatedS80::Faults slow;
  slow.gap = 60ms;
  synthesizer_->SetFaults(slow);
  S2A_File fresh;
  Item& target = *fresh.InternalPerformanceBank().ItemAt(0);
  synthesizer_->SetFaults(slow);
  ASSERT_EQ(MidiTransfer::ReceiveFromBuffer(Control(), target, {}), 0);
  EXPECT_EQ(Image(target), Image(*synthesizer_->EditBuffer(ItemKind::Performance)));
}

TEST_F(MidiTransferTest, AtTheDinRateEveryKindArrivesWholeAndTheWaitEndsPromptly) {
  synthesizer_->LoadMemory(document_);
  synthesizer_->SetBytesPerSecond(3125);
  // Far longer than any answer takes beyond its wire time, on a loaded machine too, so that a
  // wait that ended on the quiet limit instead of at the footer shows.
  Control().SetInputTimeout(10000);
  S2A_File fresh;
  for (Item* target : {static_cast<Item*>(fresh.ExternalInstrumentBank().ItemAt(17)),
                       static_cast<Item*>(fresh.ExternalPercussionBank().ItemAt(0)),
                       static_cast<Item*>(fresh.InternalPerformanceBank().ItemAt(63))}) {
    SYX_File expected;
    expected.StoreToMemory(*target);
    const auto wireTime =
        std::chrono::microseconds((expected.Bytes().size() + 8) * 1'000'000 / 3125);
    const Clock::time_point start = Clock::now();
    ASSERT_EQ(MidiTransfer::Receive(Control(), *target, {}), 0);
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, wireTime);
    // What a busy machine adds to the wire time stays far under the quiet limit.
    EXPECT_LT(elapsed, wireTime + 5s);
  }
  EXPECT_EQ(Image(*fresh.ExternalInstrumentBank().ItemAt(17)),
            Image(*document_.ExternalInstrumentBank().ItemAt(17)));
  EXPECT_EQ(Image(*fresh.ExternalPercussionBank().ItemAt(0)),
            Image(*document_.ExternalPercussionBank().ItemAt(0)));
  EXPECT_EQ(Image(*fresh.InternalPerformanceBank().ItemAt(63)),
            Image(*document_.InternalPerformanceBank().ItemAt(63)));
}

// Only blocks that follow the requested dump's header count: without it, the blocks may be the
// late end of an earlier answer (every item of a kind has the same block addresses).
// A loaded machine can hold the simulator's answer back for a good part of a second, so the quiet
// limit is long enough that half of it still tells a wait that ended at the footer.
TEST_F(MidiTransferTest, TheWaitEndsAtTheFooterAfterTheHeaderElseOnTheQuietLimit) {
  synthesizer_->LoadMemory(document_);
  SettingsStore::WriteSettingInteger("MidiInputTimeout", 2000);
  const auto& input = static_cast<const MidiInDevice&>(*Control().CurrentInputDevice());
  ASSERT_EQ(input.QuietLimit(), 2000);
  Control().UseReceiveRetries(0);
  // An instrument's answer: header, 32 blocks, footer.
  const struct {
    const char* answer;
    int dropMessage;
    bool endsAtFooter;
    bool taken;
  } cases[] = {{"whole", -1, true, true},
               {"without footer", 33, false, true},
               {"without header", 0, false, false}};
  for (const auto& [answer, dropMessage, endsAtFooter, taken] : cases) {
    SimulatedS80::Faults faults;
    faults.dropMessage = dropMessage;
    synthesizer_->SetFaults(faults);
    S2A_File fresh;
    Item& target = *fresh.ExternalInstrumentBank().ItemAt(9);
    const Bytes before = Image(target);
    ASSERT_EQ(MidiTransfer::Receive(Control(), target, {}), taken ? 0 : -1) << answer;
    EXPECT_EQ(Image(target), taken ? Image(*document_.ExternalInstrumentBank().ItemAt(9)) : before)
        << answer;
    if (endsAtFooter) {
      EXPECT_LT(input.LastWait().count(), input.QuietLimit() / 2) << answer;
    } else {
      EXPECT_GE(input.LastWait().count(), input.QuietLimit()) << answer;
    }
  }
}

TEST_F(MidiTransferTest, WithoutPortsTheCommandsReportAndReceiveNothing) {
  control_.reset();
  InstallMidiPortLayer(std::make_unique<LoopbackPortLayer>(synthesizer_));
  // A layer whose ports refuse to open.
  class Refusing : public LoopbackPortLayer {
   public:
    using LoopbackPortLayer::LoopbackPortLayer;
    std::unique_ptr<MidiInputConnection> OpenInputPort(int, MidiInputQueue&) override {
      return nullptr;
    }
    std::unique_ptr<MidiOutputConnection> OpenOutputPort(int) override { return nullptr; }
  };
  InstallMidiPortLayer(std::make_unique<Refusing>(synthesizer_));
  Item& item = InternalInstrument6();
  const Bytes before = Image(item);
  EXPECT_EQ(MidiTransfer::Send(Control(), item, Record()), -1);
  EXPECT_EQ(statuses_.back(), "Send Failed");
  EXPECT_EQ(MidiTransfer::Receive(Control(), item, Record()), -1);
  EXPECT_EQ(statuses_.back(), "No Data Received");
  EXPECT_EQ(Image(item), before);
  // Once each: nothing more is sent after a failure, and a port that is not open is not asked
  // again.
  EXPECT_EQ(errors_, std::vector<std::string>(2, "Must open MIDI output device first"));
  errors_.clear();
}

// On a link that loses and damages messages, each answer adds the blocks it brought: a kit of
// 372 blocks, rarely whole in one answer, arrives whole; without retries it does not.
TEST_F(MidiTransferTest, ALossyLinkIsAskedAgainUntilEveryBlockHasArrived) {
  synthesizer_->LoadMemory(document_);
  const Item& source = *document_.ExternalPercussionBank().ItemAt(0);
  for (const int retries : {2, 0}) {
    synthesizer_->SetFaults({.dropProbability = 0.005, .corruptProbability = 0.005, .seed = 11});
    Control().UseReceiveRetries(retries);
    S2A_File fresh;
    Item& target = *fresh.ExternalPercussionBank().ItemAt(0);
    statuses_.clear();
    MidiTransfer::ReceiveReport report;
    ASSERT_EQ(MidiTransfer::Receive(Control(), target, Record(), &report), 0) << retries;
    EXPECT_EQ(report.missingBlocks == 0, retries > 0) << retries;
    EXPECT_EQ(report.retries, retries == 0 ? 0 : 1) << "the seed's faults";
    EXPECT_EQ(Image(target) == Image(source), retries > 0) << retries;
    EXPECT_EQ(std::ranges::count_if(
                  statuses_,
                  [](const std::string& text) { return text.starts_with("Receiving Data Again"); }),
              report.retries);
  }
}

// Verifying: a dump the synthesizer did not keep, or a read-back that did not come back whole,
// is sent once more and then reported as what it is; the program is not selected. One that
// arrives is read back and the program selected.
TEST_F(MidiTransferTest, AVerifiedSendThatFailsTellsWhetherItDiffersOrCouldNotBeReadBack) {
  Control().UseVerifyAfterSending(true);
  Control().SetInputTimeout(25);  // nothing more will come back
  const Item& item = InternalInstrument6();
  const BulkDump::Location location = *BulkDump::MemoryLocation(item);
  const struct {
    const char* fault;
    SimulatedS80::Faults faults;
    bool differs;
  } cases[] = {
      {"memory protected", {.memoryProtected = true}, true},
      {"read-back never arrives", {.unanswered = {location}}, false},
      {"read-back lacks a block", {.dropMessage = 5}, false},
      {"every dump damaged", {.corruptProbability = 1}, false},
  };
  for (const auto& [fault, faults, differs] : cases) {
    SCOPED_TRACE(fault);
    synthesizer_->SetFaults(faults);
    synthesizer_->ClearReceivedMessages();
    statuses_.clear();
    MidiTransfer::SendReport report;
    EXPECT_EQ(MidiTransfer::Send(Control(), item, Record(), &report), -1);
    EXPECT_EQ(statuses_,
              (std::vector<std::string>{"Sending Data", "Verifying Data", "Sending Data Again",
                                        "Verifying Data", "Verify Failed"}));
    EXPECT_EQ(report.differs, differs);
    EXPECT_EQ(report.unreadable, !differs);
    EXPECT_EQ(report.resends, 1);
    EXPECT_TRUE(std::ranges::none_of(synthesizer_->ReceivedMessages(),
                                     [](const auto& message) { return message.bytes[0] == 0xC0; }));
  }

  synthesizer_->SetFaults({});
  statuses_.clear();
  MidiTransfer::SendReport report;
  EXPECT_EQ(MidiTransfer::Send(Control(), item, Record(), &report), 0);
  EXPECT_EQ(statuses_, (std::vector<std::string>{"Sending Data", "Verifying Data", "Switching Bank",
                                                 "Send Completed"}));
  EXPECT_TRUE(report.verified);
}

}  // namespace
