#include "simulator/SimulatedS80.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "demo/DemoBank.h"
#include "midi/ports/MidiInputQueue.h"
#include "midi/sysex/ProgramSelection.h"
#include "midi/sysex/SYX_File.h"
#include "model/S2A_File.h"
#include "simulator/LoopbackPortLayer.h"
#include "tests/support/TestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using BulkDump::Location;

Bytes Image(const Item& item) {
  return {item.Data().begin(), item.Data().end()};
}

Bytes Dump(const Item& item, bool toEditBuffer = false) {
  SYX_File dump;
  EXPECT_EQ(toEditBuffer ? dump.StoreToEditBuffer(item) : dump.AppendItemDump(item), 0);
  return {dump.Bytes().begin(), dump.Bytes().end()};
}

std::vector<Bytes> Messages(const Bytes& bytes) {
  std::vector<Bytes> messages;
  for (const auto message : MidiWire::SysExMessages(bytes))
    messages.emplace_back(message.begin(), message.end());
  return messages;
}

Bytes Join(const std::vector<Bytes>& messages) {
  Bytes joined;
  for (const Bytes& message : messages)
    joined.insert(joined.end(), message.begin(), message.end());
  return joined;
}

Bytes Request(Location location) {
  const auto request = BulkDump::DumpRequest(BulkDump::HeaderAddress(location));
  return {request.begin(), request.end()};
}

// Before any item exists, so that none reads default files.
struct NoConfiguration {
  NoConfiguration() { test::UseNoConfiguration(dir); }
  test::TempDir dir;
};

class SimulatedS80Test : public ::testing::Test {
 protected:
  void SetUp() override {
    DemoBank::FillDocument(document_);
    DemoBank::FillDocument(other_, 2);
    synth_->LoadMemory(document_);
    queue_.Allocate(512, 256);
    queue_.Start();
    input_ = layer_.OpenInputPort(0, queue_);
    output_ = layer_.OpenOutputPort(0);
    ASSERT_TRUE(input_ && output_);
  }

  Bytes Collected(MidiInputQueue& queue) {
    synth_->WaitUntilIdle();
    Bytes out(16384);
    out.resize(queue.Collect(out));
    return out;
  }
  void Send(const Bytes& bytes) { ASSERT_EQ(output_->SendSysEx(bytes, nullptr), 0); }
  Bytes Answer(Location location) {
    Send(Request(location));
    return Collected(queue_);
  }
  Bytes Answer(const Item& item) { return Answer(*BulkDump::MemoryLocation(item)); }
  Bytes Stored(const Item& like) {  // the simulator's item in the same slot
    const std::unique_ptr<S2A_File> memory = synth_->MemorySnapshot();
    for (auto* node = memory->Banks(); node != nullptr; node = node->NextNode()) {
      if (node->Element()->BankSelectLsb() == like.BankSelectLsb())
        return Image(*node->Element()->ItemAt(like.SlotIndex()));
    }
    return {};
  }

  NoConfiguration configuration_;
  S2A_File document_;
  S2A_File other_;
  MidiInputQueue queue_;
  std::shared_ptr<SimulatedS80> synth_ = std::make_shared<SimulatedS80>(0);
  LoopbackPortLayer layer_{synth_};
  std::unique_ptr<MidiInputConnection> input_;
  std::unique_ptr<MidiOutputConnection> output_;
};

TEST_F(SimulatedS80Test, AnswersMemoryAndEditBufferRequestsWithTheExactDump) {
  const Item& instrument = *document_.ExternalInstrumentBank().ItemAt(17);
  const Item& percussion = *document_.InternalPercussionBank().ItemAt(1);
  const Item& lastPerformance = *document_.ExternalPerformanceBank().ItemAt(63);
  EXPECT_EQ(Answer(instrument), Dump(instrument));
  const Bytes answer = Answer(percussion);
  EXPECT_EQ(answer, Dump(percussion));
  EXPECT_EQ(answer.size(), 7889u);  // 374 messages
  EXPECT_EQ(Answer(lastPerformance), Dump(lastPerformance));
  // Any device number; an edit buffer answers with its own location.
  for (const ItemKind kind : {ItemKind::Instrument, ItemKind::Percussion, ItemKind::Performance}) {
    Bytes request = Request(BulkDump::EditBufferLocation(kind));
    request[2] = 0x2B;
    Send(request);
    EXPECT_EQ(Collected(queue_), Dump(*synth_->EditBuffer(kind), true));
    EXPECT_EQ(synth_->ReceivedMessages().back().bytes, request);
  }
}

TEST_F(SimulatedS80Test, FaultsAndUnknownLocations) {
  for (const Location location :
       {Location{0x10, 0}, Location{40, 2}, Location{65, 64}, Location{0x0F, 1}})
    EXPECT_TRUE(Answer(location).empty());
  const Item& item = *document_.ExternalInstrumentBank().ItemAt(3);
  const std::vector<Bytes> whole = Messages(Dump(item));
  synth_->SetFaults({.dropMessage = 3, .corruptChecksum = 5});
  const std::vector<Bytes> got = Messages(Answer(item));
  std::vector<Bytes> expected = whole;
  expected.erase(expected.begin() + 3);
  ASSERT_EQ(got.size(), expected.size());
  // Message 5, now the fifth, differs only in its checksum.
  const std::size_t checksum = expected[4].size() - 2;
  EXPECT_NE(got[4][checksum], expected[4][checksum]);
  expected[4][checksum] = got[4][checksum];
  EXPECT_EQ(got, expected);

  synth_->SetFaults({.silent = true});
  EXPECT_TRUE(Answer(item).empty());
  synth_->SetFaults({});
  EXPECT_EQ(Answer(item), Join(whole));
}

TEST_F(SimulatedS80Test, StoresSentDumpsKeepingBlocksThatDidNotArrive) {
  const Item& instrument = *other_.ExternalInstrumentBank().ItemAt(5);
  const Item& performance = *other_.ExternalPerformanceBank().ItemAt(3);
  Send(Dump(instrument));
  Send(Dump(performance, true));
  EXPECT_EQ(Stored(instrument), Image(instrument));
  EXPECT_EQ(Stored(*other_.ExternalInstrumentBank().ItemAt(6)),
            Image(*document_.ExternalInstrumentBank().ItemAt(6)));
  EXPECT_EQ(Stored(performance), Image(*document_.ExternalPerformanceBank().ItemAt(3)));
  EXPECT_EQ(Image(*synth_->EditBuffer(ItemKind::Performance)), Image(performance));
  EXPECT_EQ(Answer(instrument), Dump(instrument));

  // Block 2 never sent, block 4 with a bad checksum, a block after the footer.
  const Item& incoming = *other_.InternalPerformanceBank().ItemAt(10);
  const Item& old = *document_.InternalPerformanceBank().ItemAt(10);
  std::vector<Bytes> messages = Messages(Dump(incoming));
  const Bytes strayBlock = Messages(Dump(old))[1];
  ASSERT_NE(strayBlock, messages[1]);
  messages[5][messages[5].size() - 2] ^= 0x01;
  messages.erase(messages.begin() + 3);
  messages.push_back(strayBlock);
  Send(Join(messages));
  Bytes expected = Image(incoming);
  std::size_t offset = 0;
  for (std::size_t block = 0; block < 5; ++block) {
    const auto size = static_cast<std::size_t>(incoming.BlockTable()[block].size);
    if (block == 2 || block == 4)
      std::copy_n(old.Data().begin() + static_cast<long>(offset), size,
                  expected.begin() + static_cast<long>(offset));
    offset += size;
  }
  EXPECT_EQ(Stored(incoming), expected);

  // Without its footer a dump changes nothing.
  std::vector<Bytes> unfinished = Messages(Dump(*other_.InternalInstrumentBank().ItemAt(0)));
  unfinished.pop_back();
  Send(Join(unfinished));
  EXPECT_EQ(Stored(*other_.InternalInstrumentBank().ItemAt(0)),
            Image(*document_.InternalInstrumentBank().ItemAt(0)));
}

TEST_F(SimulatedS80Test, ProgramSelectionCopiesTheProgramIntoItsEditBuffer) {
  const Item& instrument = *document_.ExternalInstrumentBank().ItemAt(17);
  const Item& percussion = *document_.ExternalPercussionBank().ItemAt(1);
  for (const Item* item : {&instrument, &percussion}) {
    synth_->ClearReceivedMessages();
    const ProgramSelection selection = ProgramSelectionFor(*item);
    Send(selection.parameterChanges);
    for (const auto& message : selection.shortMessages)
      ASSERT_EQ(output_->SendShortMessage(message), 0);
    EXPECT_EQ(Image(*synth_->EditBuffer(item->Kind())), Image(*item));
    const auto received = synth_->ReceivedMessages();
    ASSERT_EQ(received.size(), 5u);
    EXPECT_EQ(received[1].bytes, Messages(selection.parameterChanges)[1]);
    EXPECT_EQ(received[4].bytes, selection.shortMessages[2]);
  }
  // An unknown bank or a slot past the bank's end selects nothing.
  for (const Bytes& lsb : {Bytes{0xB0, 0x20, 0x2A}, Bytes{0xB0, 0x20, 0x28}}) {
    ASSERT_EQ(output_->SendShortMessage(lsb), 0);
    ASSERT_EQ(output_->SendShortMessage(Bytes{0xC0, 0x02}), 0);
  }
  EXPECT_EQ(Image(*synth_->EditBuffer(ItemKind::Percussion)), Image(percussion));
}

TEST_F(SimulatedS80Test, BothDirectionsArePacedAtTheWireRate) {
  using namespace std::chrono_literals;
  using std::chrono::steady_clock;
  const Item& item = *document_.ExternalInstrumentBank().ItemAt(0);
  synth_->SetBytesPerSecond(MidiWire::kDinBytesPerSecond);
  EXPECT_EQ(input_->BytesPerSecond(), MidiWire::kDinBytesPerSecond);
  // 1116 bytes at 3125 a second take 0.357 s each way.
  auto start = steady_clock::now();
  Send(Dump(item));
  EXPECT_GE(steady_clock::now() - start, 300ms);
  start = steady_clock::now();
  EXPECT_EQ(Answer(item), Dump(item));
  EXPECT_GE(steady_clock::now() - start, 300ms);
  // Unpaced, but 33 gaps of 10 ms.
  synth_->SetBytesPerSecond(0);
  synth_->SetFaults({.gap = 10ms});
  start = steady_clock::now();
  EXPECT_EQ(Answer(item), Dump(item));
  EXPECT_GE(steady_clock::now() - start, 300ms);
}

TEST_F(SimulatedS80Test, LoopbackPortsRefusalsAndClosing) {
  EXPECT_EQ(layer_.InputPortName(0), "Simulated S80");
  EXPECT_EQ(layer_.OutputPortName(0), "Simulated S80");
  EXPECT_EQ(layer_.InputPortName(1), std::nullopt);
  EXPECT_FALSE(layer_.OpenInputPort(1, queue_) || layer_.OpenOutputPort(-1));
  synth_->ClearReceivedMessages();
  Bytes stray = Request({8, 0});
  stray.push_back(0x00);
  EXPECT_EQ(output_->SendSysEx(stray, nullptr), -1);
  for (const Bytes& message : {Bytes{}, Bytes{0xF0, 0xF7}, Bytes{0x40}, Bytes{0xB0, 0x80, 0x00}})
    EXPECT_EQ(output_->SendShortMessage(message), -1);
  EXPECT_TRUE(synth_->ReceivedMessages().empty());

  // Opened again before the old connection closes: the newer queue takes over and stays.
  const Item& item = *document_.ExternalInstrumentBank().ItemAt(9);
  MidiInputQueue newer;
  newer.Allocate(512, 256);
  newer.Start();
  std::unique_ptr<MidiInputConnection> reopened = layer_.OpenInputPort(0, newer);
  input_.reset();
  Send(Request(*BulkDump::MemoryLocation(item)));
  EXPECT_EQ(Collected(newer), Dump(item));
  EXPECT_TRUE(Collected(queue_).empty());
  // Closed in the middle of an answer, the queue receives nothing after the close.
  synth_->SetFaults({.gap = std::chrono::milliseconds(5)});
  Send(Request(*BulkDump::MemoryLocation(item)));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  reopened.reset();
  Bytes early(16384);
  newer.Collect(early);
  EXPECT_TRUE(Collected(newer).empty());
  // The simulator goes away in the middle of a slow answer.
  synth_->SetBytesPerSecond(MidiWire::kDinBytesPerSecond);
  Send(Request(*BulkDump::MemoryLocation(item)));
}

}  // namespace
