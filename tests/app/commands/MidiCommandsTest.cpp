#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QtTest/QTest>
#include <chrono>

#include "app/commands/ProgramMidi.h"
#include "app/dialogs/PreferencesDialog.h"
#include "app/list/ItemListView.h"
#include "app/list/ListedLines.h"
#include "app/widgets/ElidingLabel.h"
#include "demo/DemoBank.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiErrorReport.h"
#include "model/S2A_File.h"
#include "simulator/LoopbackPortLayer.h"
#include "simulator/SimulatedS80.h"
#include "tests/app/WindowFixture.h"

namespace {

using namespace std::chrono_literals;
using Wire = std::vector<std::uint8_t>;

const Wire kVoiceSelectOff{0xF0, 0x43, 0x10, 0x64, 0x0A, 0x00, 0x11, 0x00, 0xF7};
const Wire kProgramOfInternalInstrument6[] = {{0xB0, 0x00, 0x3F}, {0xB0, 0x20, 0x08}, {0xC0, 0x05}};

class NoPorts : public MidiPortLayer {
 public:
  int InputPortCount() override { return 0; }
  int OutputPortCount() override { return 0; }
  std::optional<std::string> InputPortName(int) override { return {}; }
  std::optional<std::string> OutputPortName(int) override { return {}; }
  std::unique_ptr<MidiInputConnection> OpenInputPort(int, MidiInputQueue&) override { return {}; }
  std::unique_ptr<MidiOutputConnection> OpenOutputPort(int) override { return {}; }
};

// Records the status line each time it is painted: a transfer blocks the event loop, so a step
// the user can see is one painted as it begins.
class PaintedStatus : public QObject {
 public:
  explicit PaintedStatus(ElidingLabel* label) : label_(label) { label->installEventFilter(this); }
  QStringList texts;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && (texts.isEmpty() || texts.last() != label_->fullText()))
      texts << label_->fullText();
    return false;
  }

 private:
  ElidingLabel* label_;
};

// The window's commands against the simulated synthesizer, through the program's ports.
class MidiCommandsTest : public WindowTest {
 protected:
  explicit MidiCommandsTest(std::unique_ptr<MidiPortLayer> layer = nullptr) {
    synthesizer_ = std::make_shared<SimulatedS80>(0);
    InstallMidiPortLayer(layer ? std::move(layer)
                               : std::make_unique<LoopbackPortLayer>(synthesizer_));
    midi_ = std::make_unique<ProgramMidi>();
    ProgramMidi::control()->SetInputTimeout(test::kPatientQuietMs);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form_.get(), test::kPatienceMs));
  }
  ~MidiCommandsTest() override {
    midi_.reset();
    InstallMidiPortLayer(nullptr);
  }
  std::vector<Wire> WireMessages() const {
    std::vector<Wire> messages;
    for (const auto& message : synthesizer_->ReceivedMessages())
      messages.push_back(message.bytes);
    return messages;
  }
  QStringList Run(int tab, int line, QAction* command) {
    Select(*form_, tab, line);
    synthesizer_->ClearReceivedMessages();
    PaintedStatus painted(StatusLabel(*form_, "StatusMessage"));
    command->trigger();
    return painted.texts;
  }

  std::shared_ptr<SimulatedS80> synthesizer_;
  std::unique_ptr<ProgramMidi> midi_;
};

TEST_F(MidiCommandsTest, SendCommandsPaintEachStepAndPutTheirSequenceOnTheWire) {
  EXPECT_EQ(Run(ListedLines::InstrumentTab, 5, ActionOf(*form_, "MidiSendToBuf")),
            QStringList({"Switching Bank", "Sending Data", "Send to Buffer Completed"}));
  auto received = synthesizer_->ReceivedMessages();
  ASSERT_EQ(received.size(), 2u + 3u + 34u);
  EXPECT_EQ(received[1].bytes, kVoiceSelectOff);
  EXPECT_GE(received[2].at - received[1].at, 60ms);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(received[2 + i].bytes, kProgramOfInternalInstrument6[i]);
  EXPECT_EQ(Bytes(synthesizer_->EditBuffer(ItemKind::Instrument).get()),
            Bytes(form_->currentItem()));

  EXPECT_EQ(Run(ListedLines::InstrumentTab, 5, ActionOf(*form_, "MidiSend")),
            QStringList({"Sending Data", "Switching Bank", "Send Completed"}));
  received = synthesizer_->ReceivedMessages();
  ASSERT_EQ(received.size(), 34u + 2u + 3u);
  EXPECT_EQ(received[36].bytes, kProgramOfInternalInstrument6[0]);
  EXPECT_GE(received[36].at - received[35].at, 60ms);
  EXPECT_EQ(Bytes(synthesizer_->MemorySnapshot()->InternalInstrumentBank().ItemAt(5)),
            Bytes(form_->currentItem()));
  // Sending changes nothing in the document.
  EXPECT_FALSE(form_->isModified());
}

TEST_F(MidiCommandsTest, AReceiveTakesTheAnswerIntoTheItemAndMarksTheDocumentChanged) {
  S2A_File synthesizerBanks;
  DemoBank::FillDocument(synthesizerBanks, 7);
  synthesizer_->LoadMemory(synthesizerBanks);
  const QString title = ShownTitle(*form_);
  // A fresh window, which a file named on a command line would otherwise take over.
  ASSERT_TRUE(form_->isUntouched());
  const std::unique_ptr<Item> percussionBuffer = synthesizer_->EditBuffer(ItemKind::Percussion);
  const struct {
    int tab, line;
    QAction* command;
    Wire request;
    const char* completed;
    const Item* expected;
  } cases[] = {
      {ListedLines::PerformanceTab,
       131,
       ActionOf(*form_, "MidiReceive"),
       {0xF0, 0x43, 0x20, 0x64, 0x0E, 0x41, 0x03, 0xF7},
       "Receive Completed",
       synthesizerBanks.ExternalPerformanceBank().ItemAt(3)},
      {ListedLines::PercussionTab,
       3,
       ActionOf(*form_, "MidiReceiveFromBuf"),
       {0xF0, 0x43, 0x20, 0x64, 0x0E, 0x2F, 0x00, 0xF7},
       "Receive From Buffer Completed",
       percussionBuffer.get()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.completed);
    const QString lineBefore = form_->itemList()->item(c.line)->text();
    EXPECT_EQ(Run(c.tab, c.line, c.command),
              QStringList({"Receiving Data", "Converting Data", c.completed}));
    EXPECT_EQ(WireMessages(), std::vector<Wire>{c.request});
    EXPECT_EQ(Bytes(form_->currentItem()), Bytes(c.expected));
    EXPECT_NE(form_->itemList()->item(c.line)->text(), lineBefore);
    EXPECT_EQ(form_->itemList()->currentRow(), c.line);
    EXPECT_TRUE(form_->isModified());
    EXPECT_FALSE(form_->isUntouched());
    EXPECT_EQ(ShownTitle(*form_), title + u'*');
  }
}

TEST_F(MidiCommandsTest, NothingReceivedLeavesItemListAndFlagsAsTheyWere) {
  synthesizer_->SetFaults({.silent = true});
  for (QAction* command :
       {ActionOf(*form_, "MidiReceive"), ActionOf(*form_, "MidiReceiveFromBuf")}) {
    Select(*form_, ListedLines::InstrumentTab, 5);
    const auto before = Bytes(form_->currentItem());
    const QStringList lines = form_->listLines();
    EXPECT_EQ(Run(ListedLines::InstrumentTab, 5, command),
              QStringList({"Receiving Data", "Receiving Data Again (1 of 2)",
                           "Receiving Data Again (2 of 2)", "No Data Received"}));
    EXPECT_EQ(Bytes(form_->currentItem()), before);
    EXPECT_EQ(form_->listLines(), lines);
    EXPECT_FALSE(form_->isModified());
    EXPECT_TRUE(form_->isUntouched());
  }
}

// The blocks that did not arrive become 0, as in any receive; the status says so and how to
// get the item back.
TEST_F(MidiCommandsTest, AnAnswerCutShortSaysHowManyBlocksAreMissing) {
  synthesizer_->SetFaults({.dropMessage = 2});
  Select(*form_, ListedLines::InstrumentTab, 5);
  const auto before = Bytes(form_->currentItem());
  EXPECT_EQ(
      Run(ListedLines::InstrumentTab, 5, ActionOf(*form_, "MidiReceive")),
      QStringList({"Receiving Data", "Receiving Data Again (1 of 2)",
                   "Receiving Data Again (2 of 2)", "Converting Data", "Receive Incomplete"}));
  EXPECT_EQ(form_->statusReason(),
            "1 of 32 blocks did not arrive (asked 3 times) and are 0 (Undo restores the item)");
  ActionOf(*form_, "Undo1")->trigger();
  EXPECT_EQ(Bytes(form_->currentItem()), before);
}

// Loopback ports whose synthesizer can go away and come back, as a program that ended and was
// started again: an output opened before it went has lost it for good; one opened afresh
// reaches it.
class ComingBackLoopback : public LoopbackPortLayer {
 public:
  using LoopbackPortLayer::LoopbackPortLayer;
  std::unique_ptr<MidiOutputConnection> OpenOutputPort(int port) override {
    return std::make_unique<Output>(LoopbackPortLayer::OpenOutputPort(port), *this);
  }
  void GoAndComeBack() { ++comebacks_; }

 private:
  class Output : public MidiOutputConnection {
   public:
    Output(std::unique_ptr<MidiOutputConnection> port, const ComingBackLoopback& layer)
        : port_(std::move(port)), layer_(layer), comebacks_(layer.comebacks_) {}
    int SendShortMessage(std::span<const std::uint8_t> message) override {
      return Disconnected() ? -1 : port_->SendShortMessage(message);
    }
    int SendSysEx(std::span<const std::uint8_t> bytes, const std::atomic<bool>* stop) override {
      return Disconnected() ? -1 : port_->SendSysEx(bytes, stop);
    }
    bool Disconnected() const override { return comebacks_ != layer_.comebacks_; }

   private:
    std::unique_ptr<MidiOutputConnection> port_;
    const ComingBackLoopback& layer_;
    const int comebacks_;
  };
  int comebacks_ = 0;
};

class ComingBackTest : public MidiCommandsTest {
 protected:
  ComingBackTest()
      : MidiCommandsTest(std::make_unique<ComingBackLoopback>(std::make_shared<SimulatedS80>(0))) {}
  ComingBackLoopback& Layer() { return static_cast<ComingBackLoopback&>(CurrentMidiPortLayer()); }
};

// After the synthesizer went away and came back, a send says that nothing is connected and how
// to reach it again, in an error box for one item and in the warning that ends a bank transfer;
// Refresh in the preferences does reach it.
TEST_F(ComingBackTest, AGonePortSaysHowToReachItAgainAndRefreshDoes) {
  OpenDemo(*form_);
  Layer().GoAndComeBack();
  const QString gone = QStringLiteral(
      "Nothing is connected to the MIDI output \"Simulated S80\" any more\n\nOnce it is back, "
      "Edit > Preferences > Refresh connects to it again.");
  Select(*form_, ListedLines::InstrumentTab, 5);
  ActionOf(*form_, "MidiSend")->trigger();
  ASSERT_EQ(dialogs_.requests.size(), 1u);
  EXPECT_EQ(dialogs_.requests[0].kind, ScriptedDialogs::Kind::Error);
  EXPECT_EQ(dialogs_.requests[0].text, gone);
  EXPECT_EQ(form_->statusText(), "Send Failed");

  dialogs_.answers = {Answer::Yes};
  Select(*form_, ListedLines::PercussionTab, 0);
  ActionOf(*form_, "MidiSendBank")->trigger();
  ASSERT_EQ(dialogs_.requests.size(), 3u);
  EXPECT_EQ(dialogs_.requests[2].kind, ScriptedDialogs::Kind::Warning);
  EXPECT_EQ(dialogs_.requests[2].text,
            "Sent 0 of 2 items; stopped: Nothing is connected to the MIDI output \"Simulated "
            "S80\" any more." +
                gone.mid(gone.indexOf(u'\n')));

  PreferencesDialog preferences;
  preferences.show();
  Child<QPushButton>(preferences, "RefreshButton")->click();
  preferences.hide();
  EXPECT_EQ(Run(ListedLines::InstrumentTab, 5, ActionOf(*form_, "MidiSend")),
            QStringList({"Sending Data", "Switching Bank", "Send Completed"}));
  EXPECT_EQ(dialogs_.requests.size(), 3u);
}

class NoPortsTest : public MidiCommandsTest {
 protected:
  NoPortsTest() : MidiCommandsTest(std::make_unique<NoPorts>()) {}
};

// Each command tells once that it cannot reach the synthesizer, however many messages it has.
TEST_F(NoPortsTest, EachCommandShowsOneErrorBox) {
  const auto before = Bytes(form_->itemAtLine(5));
  const struct {
    QAction* command;
    const char* text;
    const char* caption;
  } cases[] = {
      {ActionOf(*form_, "MidiSend"), MidiErrors::kOpenOutputFirst, MidiErrors::kSendCaption},
      {ActionOf(*form_, "MidiSendToBuf"), MidiErrors::kOpenOutputFirst, MidiErrors::kSendCaption},
      {ActionOf(*form_, "MidiReceive"), MidiErrors::kOpenInputFirst, MidiErrors::kDumpCaption},
      {ActionOf(*form_, "MidiReceiveFromBuf"), MidiErrors::kOpenInputFirst,
       MidiErrors::kDumpCaption},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command->text().toStdString());
    dialogs_.requests.clear();
    Run(ListedLines::InstrumentTab, 5, c.command);
    ASSERT_EQ(dialogs_.requests.size(), 1u);
    EXPECT_EQ(dialogs_.requests[0].kind, ScriptedDialogs::Kind::Error);
    EXPECT_EQ(dialogs_.requests[0].title, c.caption);
    EXPECT_EQ(dialogs_.requests[0].text, c.text);
  }
  EXPECT_EQ(Bytes(form_->itemAtLine(5)), before);
  EXPECT_FALSE(form_->isModified());
}

}  // namespace
