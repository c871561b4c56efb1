#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QWindow>
#include <QtTest/QTest>
#include <functional>

#include "app/commands/ProgramMidi.h"
#include "app/dialogs/TransferDialog.h"
#include "app/list/ItemListView.h"
#include "app/list/ListedLines.h"
#include "midi/ports/MidiControl.h"
#include "midi/sysex/BulkDump.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "simulator/SimulatedS80.h"
#include "tests/app/WindowFixture.h"

namespace {

std::vector<std::vector<std::uint8_t>> BankImages(S2A_File& document, const BankLayout& layout) {
  std::vector<std::vector<std::uint8_t>> images;
  layout.bankIn(document).ForEachItem([&](Item& item) { images.push_back(Bytes(&item)); });
  return images;
}

// Counts the list's paints.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    paints += event->type() == QEvent::Paint;
    return false;
  }
};

// Whole banks between the window and a simulated synthesizer whose memory differs from it.
class BankCommandsTest : public SynthesizerWindowTest {
 protected:
  BankCommandsTest() {
    OpenDemo(*form_);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form_.get(), test::kPatienceMs));
  }
  std::vector<std::vector<std::uint8_t>> Window(const BankLayout& layout) {
    return BankImages(*form_->document(), layout);
  }
  std::vector<std::vector<std::uint8_t>> Synthesizer(const BankLayout& layout) {
    return BankImages(*synthesizer_->MemorySnapshot(), layout);
  }
};

TEST_F(BankCommandsTest, ReceivedBanksAreTheSynthesizersAndMarkTheDocumentChanged) {
  Select(*form_, ListedLines::PercussionTab, 2);
  ActionOf(*form_, "MidiReceiveBank")->trigger();
  EXPECT_EQ(test::WithoutRetryCount(form_->statusText().toStdString()), "Received 2 of 2 items");
  EXPECT_EQ(Window(kExternalPercussionLayout), Synthesizer(kExternalPercussionLayout));
  EXPECT_NE(Window(kInternalPercussionLayout), Synthesizer(kInternalPercussionLayout));
  EXPECT_TRUE(form_->isModified());
  EXPECT_EQ(
      form_->itemList()->item(2)->text(),
      "EXT:001(A01)  " + QString::fromStdString(
                             synthesizerBanks_.ExternalPercussionBank().ItemAt(0)->CategoryName() +
                             ":" + synthesizerBanks_.ExternalPercussionBank().ItemAt(0)->Name()));

  ActionOf(*form_, "MidiReceiveAllBanks")->trigger();
  EXPECT_EQ(test::WithoutRetryCount(form_->statusText().toStdString()),
            "Received 452 of 452 items");
  for (const BankLayout& layout : kBankLayouts)
    EXPECT_EQ(Window(layout), Synthesizer(layout)) << layout.longName;
}

// Only after the user agreed to replace what the synthesizer holds.
TEST_F(BankCommandsTest, SentBanksLandInTheSynthesizersMemoryOnceTheUserAgrees) {
  const auto before = Synthesizer(kExternalPerformanceLayout);
  Select(*form_, ListedLines::PerformanceTab, 130);
  dialogs_.answers = {Answer::No, Answer::Yes};
  ActionOf(*form_, "MidiSendBank")->trigger();
  EXPECT_EQ(Synthesizer(kExternalPerformanceLayout), before);
  EXPECT_TRUE(synthesizer_->ReceivedMessages().empty());
  ActionOf(*form_, "MidiSendBank")->trigger();
  ASSERT_EQ(dialogs_.requests.size(), 2u);
  EXPECT_EQ(dialogs_.requests[0].text,
            "Replace the 64 programs of the S80's External Performance bank?");
  EXPECT_EQ(form_->statusText(), "Sent 64 of 64 items");
  EXPECT_EQ(Synthesizer(kExternalPerformanceLayout), Window(kExternalPerformanceLayout));
  EXPECT_NE(Synthesizer(kInternalPerformanceLayout), Window(kInternalPerformanceLayout));
  EXPECT_FALSE(form_->isModified());

  dialogs_.answers = {Answer::No};
  ActionOf(*form_, "MidiSendAllBanks")->trigger();
  EXPECT_EQ(dialogs_.requests.back().text, "Replace all 452 programs of the S80's 6 banks?");
  EXPECT_NE(Synthesizer(kInternalPerformanceLayout), Window(kInternalPerformanceLayout));
}

TEST_F(BankCommandsTest, SlotsWithoutAnswerAreNamedAndKeepTheirContent) {
  SimulatedS80::Faults faults;
  for (const int slot : {0, 63})
    faults.unanswered.push_back(
        *BulkDump::MemoryLocation(*synthesizerBanks_.ExternalPerformanceBank().ItemAt(slot)));
  synthesizer_->SetFaults(faults);
  const auto before = Window(kExternalPerformanceLayout);
  Select(*form_, ListedLines::PerformanceTab, 128);
  ActionOf(*form_, "MidiReceiveBank")->trigger();
  const QString named = "Performance EXT:001(A01), Performance EXT:064(D16)";
  int retries = 0;
  EXPECT_EQ(test::WithoutRetryCount(form_->statusText().toStdString(), &retries),
            "Received 62 of 64 items");
  EXPECT_GE(retries, 2);
  // What did arrive joined the library.
  EXPECT_EQ(form_->statusReason(),
            "Not received: " + named + "; 62 new programs in the library, 0 already there");
  // The whole outcome in a message, however long the list.
  ASSERT_EQ(dialogs_.requests.size(), 1u);
  EXPECT_EQ(dialogs_.requests[0].kind, ScriptedDialogs::Kind::Warning);
  EXPECT_EQ(dialogs_.requests[0].text.toStdString(),
            "Received 62 of 64 items; " + std::to_string(retries) + " needed a retry.");
  EXPECT_EQ(dialogs_.requests[0].details, "Not received: " + named);
  auto expected = Synthesizer(kExternalPerformanceLayout);
  expected.front() = before.front();
  expected.back() = before.back();
  EXPECT_EQ(Window(kExternalPerformanceLayout), expected);
}

// At the wire's rate the window keeps painting, and Cancel keeps what arrived. The window system
// hands input to the dialog's window first: a real click on Cancel, Esc and the close box each
// reach the dialog and stop the transfer.
TEST_F(BankCommandsTest, CancelByAClickEscOrTheCloseBoxKeepsTheReceivedPartAndLeavesTheRest) {
  synthesizer_->SetBytesPerSecond(MidiWire::kDinBytesPerSecond);
  const struct {
    const char* way;
    std::function<void(TransferDialog&)> cancel;
  } cases[] = {
      {"click",
       [](TransferDialog& dialog) {
         QTest::mouseClick(
             dialog.windowHandle(), Qt::LeftButton, {},
             Child<QPushButton>(dialog, "CancelButton")
                 ->mapTo(&dialog, Child<QPushButton>(dialog, "CancelButton")->rect().center()));
       }},
      {"Esc",
       [](TransferDialog& dialog) { QTest::keyClick(dialog.windowHandle(), Qt::Key_Escape); }},
      {"close box",
       [](TransferDialog& dialog) {
         QCloseEvent close;
         QCoreApplication::sendEvent(dialog.windowHandle(), &close);
       }},
  };
  const auto synthesizer = Synthesizer(kInternalInstrumentLayout);
  for (const auto& [way, cancel] : cases) {
    SCOPED_TRACE(way);
    const auto before = Window(kInternalInstrumentLayout);
    Select(*form_, ListedLines::InstrumentTab, 0);
    PaintCounter painted(form_->itemList()->viewport());
    // Canceled at the third item or, where a loaded machine held the watch back past it, at
    // the one under way then.
    int cancelledAt = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      auto* dialog = form_->findChild<TransferDialog*>();
      if (!dialog)
        return;
      form_->itemList()->viewport()->update();
      const QRegularExpressionMatch step = QRegularExpression(QStringLiteral("^Item (\\d+) of 128"))
                                               .match(Child<QLabel>(*dialog, "StepLabel")->text());
      if (cancelledAt == 0 && dialog->isVisible() && QTest::qWaitForWindowExposed(dialog) &&
          step.hasMatch() && step.captured(1).toInt() >= 3) {
        cancelledAt = step.captured(1).toInt();
        cancel(*dialog);
      }
    });
    watch.start(20);
    ActionOf(*form_, "MidiReceiveBank")->trigger();
    watch.stop();

    EXPECT_GE(cancelledAt, 3);
    EXPECT_GT(painted.paints, 2);
    const QString status = form_->statusText();
    EXPECT_TRUE(status.endsWith("of 128 items; canceled")) << status.toStdString();
    const int received = status.section(' ', 1, 1).toInt();
    EXPECT_GE(received, cancelledAt - 1);
    EXPECT_LE(received, cancelledAt);
    const auto after = Window(kInternalInstrumentLayout);
    for (int i = 0; i < 128; ++i)
      EXPECT_EQ(after[i], i < received ? synthesizer[i] : before[i]) << "slot " << i;
  }

  // The ports are ready for the next transfer.
  synthesizer_->SetBytesPerSecond(0);
  Select(*form_, ListedLines::PercussionTab, 0);
  ActionOf(*form_, "MidiReceiveBank")->trigger();
  EXPECT_EQ(test::WithoutRetryCount(form_->statusText().toStdString()), "Received 2 of 2 items");
}

// While the transfer's thread has the ports, nothing on the window's thread reaches them, and no
// window takes a key or a click; afterwards the ports are the program's again.
TEST_F(BankCommandsTest, NoWindowTakesInputAndNothingElseReachesThePortsUntilTheTransferEnds) {
  synthesizer_->SetBytesPerSecond(MidiWire::kDinBytesPerSecond);
  MidiControl* const control = ProgramMidi::control();
  Select(*form_, ListedLines::InstrumentTab, 0);
  ItemListView& list = *form_->itemList();
  const QPoint fifthLine =
      list.viewport()->mapTo(form_.get(), list.visualItemRect(list.item(4)).center());
  bool tried = false;
  bool portsLent = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* dialog = form_->findChild<TransferDialog*>();
    if (!dialog || tried || !dialog->isVisible() || !QTest::qWaitForWindowExposed(dialog))
      return;
    tried = true;
    portsLent = ProgramMidi::isLent() && ProgramMidi::control() == nullptr;
    QTest::keyClick(form_->windowHandle(), Qt::Key_Down);
    QTest::mouseClick(form_->windowHandle(), Qt::LeftButton, {}, fifthLine);
    ActionOf(*form_, "MidiReceiveBank")->trigger();  // refused: no second transfer
    QTest::keyClick(dialog->windowHandle(), Qt::Key_Escape);
  });
  watch.start(20);
  ActionOf(*form_, "MidiReceiveBank")->trigger();
  watch.stop();
  QCoreApplication::processEvents();

  EXPECT_TRUE(tried);
  EXPECT_TRUE(portsLent);
  EXPECT_EQ(list.currentRow(), 0);
  EXPECT_TRUE(form_->statusText().endsWith("of 128 items; canceled"))
      << form_->statusText().toStdString();
  EXPECT_FALSE(ProgramMidi::isLent());
  EXPECT_EQ(ProgramMidi::control(), control);
}

// The status bar follows the transfer, not the command before it, and once an item has
// arrived the dialog and the status bar say how long the rest will take.
TEST_F(BankCommandsTest, DuringATransferTheStatusBarAndTheDialogShowItsStepAndTheTimeLeft) {
  synthesizer_->SetBytesPerSecond(MidiWire::kDinBytesPerSecond);
  Select(*form_, ListedLines::InstrumentTab, 0);
  form_->setStatus(QStringLiteral("No Data Received"), QString());
  QString status;
  QString step;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* dialog = form_->findChild<TransferDialog*>();
    const QString label = dialog ? Child<QLabel>(*dialog, "StepLabel")->text() : QString();
    if (!step.isEmpty() || !label.contains(QStringLiteral("left")) || !dialog->isVisible() ||
        !QTest::qWaitForWindowExposed(dialog))
      return;
    status = form_->statusText();
    step = label;
    QTest::keyClick(dialog->windowHandle(), Qt::Key_Escape);
  });
  watch.start(20);
  ActionOf(*form_, "MidiReceiveBank")->trigger();
  watch.stop();

  const QRegularExpressionMatch shown =
      QRegularExpression(QStringLiteral("^Item (\\d+) of 128, about \\d+ (seconds|minutes) left\n"
                                        "Instrument INT:\\d{3}\\(\\w\\d\\d\\) .+$"))
          .match(step);
  ASSERT_TRUE(shown.hasMatch()) << step.toStdString();
  EXPECT_GE(shown.captured(1).toInt(), 2);
  // Set with the dialog's step; a later step may have come between the two reads.
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^Receive Bank: Item \\d+ of 128, about \\d+ "
                                                "(seconds|minutes) left$"))
                  .match(status)
                  .hasMatch())
      << status.toStdString();
  EXPECT_TRUE(form_->statusText().endsWith("of 128 items; canceled"));
}

}  // namespace
