#include "app/commands/BankTransferWorker.h"

#include <QCoreApplication>
#include <QThread>
#include <QtTest/QTest>
#include <vector>

#include "app/commands/CommandTexts.h"
#include "midi/MidiWire.h"
#include "model/BankLayouts.h"
#include "tests/support/SimulatedPortsTest.h"

namespace {

using BankTransfer::Direction;
using BankTransfer::Slot;
using test::Image;

// What a stepStarted signal brought, and where it was received.
struct ReceivedStep {
  int position;
  int count;
  int round;
  std::string item;
  bool onOwnThread;

  bool operator==(const ReceivedStep&) const = default;
};

// The worker's thread against the real devices on a simulated synthesizer; the signals are
// received by the test's own thread, whose event loop runs while it waits.
class BankTransferWorkerTest : public test::SimulatedPortsTest {
 protected:
  static constexpr int kPatientMs = 60000;

  void Record(BankTransferWorker& worker) {
    // The worker as the context: received on its own thread, as a dialog receives them.
    QObject::connect(&worker, &BankTransferWorker::stepStarted, &worker,
                     [this](int position, int count, int round, const std::string& item) {
                       steps_.push_back({position, count, round, item,
                                         QThread::currentThread() == qApp->thread()});
                     });
    QObject::connect(&worker, &BankTransferWorker::finished, &worker, [this] { ++finished_; });
  }
  static bool WaitForEnd(const BankTransferWorker& worker) {
    return QTest::qWaitFor([&] { return worker.hasFinished(); }, kPatientMs);
  }

  std::vector<ReceivedStep> steps_;
  int finished_ = 0;
};

TEST_F(BankTransferWorkerTest, EachItemAndTheEndAreSignalledOnTheWorkersThreadInOrder) {
  synthesizer_->LoadMemory(document_);
  const BankLayout* banks[] = {&kExternalPercussionLayout, &kInternalPercussionLayout};
  S2A_File before;
  S2A_File received;
  const std::vector<Slot> items = BankTransfer::SlotsOf(received, banks);
  const std::vector<Slot> untouched = BankTransfer::SlotsOf(before, banks);
  for (const Direction direction : {Direction::kReceive, Direction::kSend}) {
    SCOPED_TRACE(direction == Direction::kReceive ? "receive" : "send");
    steps_.clear();
    finished_ = 0;
    BankTransferWorker worker(direction, Control(), items);
    Record(worker);
    worker.start();
    ASSERT_TRUE(WaitForEnd(worker));
    QCoreApplication::processEvents();  // nothing more comes after the end
    EXPECT_EQ(finished_, 1);
    std::vector<ReceivedStep> expected;
    for (int i = 0; i < 4; ++i) {
      // Named as the item was when it began: a receive replaces it.
      const Slot& slot = direction == Direction::kReceive ? untouched[i] : items[i];
      expected.push_back({i, 4, 0, TransferSlotName(slot) + ' ' + slot.item->Name(), true});
    }
    EXPECT_EQ(steps_, expected);
    EXPECT_EQ(worker.summary().transferred, 4);
    EXPECT_TRUE(worker.summary().Complete());
  }
  for (std::size_t i = 0; i < items.size(); ++i)
    EXPECT_EQ(Image(*items[i].item),
              Image(*items[i].layout->bankIn(document_).ItemAt(items[i].index)));
}

// At the wire's rate: a cancel from the worker's own thread, or its destruction, ends the item
// under way; what came before it stays transferred, and the ports work on.
TEST_F(BankTransferWorkerTest, ACancelOrTheWorkersEndStopsTheItemUnderWay) {
  synthesizer_->LoadMemory(document_);
  const BankLayout* banks[] = {&kInternalPercussionLayout};
  S2A_File fresh;
  const std::vector<Slot> items = BankTransfer::SlotsOf(fresh, banks);
  synthesizer_->SetBytesPerSecond(MidiWire::kDinBytesPerSecond);
  {
    BankTransferWorker worker(Direction::kReceive, Control(), items);
    Record(worker);
    QObject::connect(&worker, &BankTransferWorker::stepStarted, &worker, [&](int position) {
      if (position == 1)
        worker.cancel();
    });
    worker.start();
    ASSERT_TRUE(WaitForEnd(worker));
    EXPECT_TRUE(worker.summary().cancelled);
    EXPECT_EQ(worker.summary().transferred, 1);
    ASSERT_EQ(worker.summary().missing.size(), 1u);
    EXPECT_EQ(worker.summary().missing[0].item, items[1].item);
  }
  {
    BankTransferWorker worker(Direction::kReceive, Control(), std::span(items).subspan(1));
    Record(worker);
    steps_.clear();
    worker.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !steps_.empty(); }, kPatientMs));
  }  // gone in the middle of the kit's answer
  EXPECT_EQ(finished_, 1);
  synthesizer_->SetBytesPerSecond(0);
  const std::atomic<bool> cancel{false};
  EXPECT_EQ(BankTransfer::Receive(Control(), std::span(items).subspan(1), {}, cancel).transferred,
            1);
  EXPECT_EQ(Image(*items[1].item), Image(*kInternalPercussionLayout.bankIn(document_).ItemAt(1)));
}

}  // namespace
