#include "app/commands/MidiCommands.h"

#include <QApplication>
#include <QStringList>
#include <algorithm>

#include "app/commands/DocumentView.h"
#include "app/commands/ItemImagesCommand.h"
#include "app/commands/ProgramMidi.h"
#include "app/dialogs/UserDialogs.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiErrorReport.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"

namespace {

QString Text(const char* text) {
  return QString::fromUtf8(text);
}

// The wait cursor over every window while a transfer blocks them.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

QString SlotNames(const std::vector<BankTransfer::Slot>& places) {
  QStringList names;
  for (const BankTransfer::Slot& slot : places)
    names << TransferDialog::slotName(slot);
  return names.join(QStringLiteral(", "));
}

QStringList SendNotes(const MidiTransfer::SendReport& report) {
  QStringList notes;
  if (report.differs)
    notes << QStringLiteral(
        "The synthesizer holds other data than was sent, also after sending "
        "it again");
  else if (report.verified)
    notes << (report.resends > 0 ? QStringLiteral("Read back the same after sending it again")
                                 : QStringLiteral("Read back the same"));
  if (report.sevenBitBytes > 0) {
    notes << (report.sevenBitBytes == 1
                  ? QStringLiteral("1 byte sent as a seven-bit value")
                  : QStringLiteral("%1 bytes sent as seven-bit values").arg(report.sevenBitBytes));
  }
  return notes;
}

// Beside "Receive Completed" and the like: what was lost on the way and what was done about it.
QString ReceiveNote(const MidiTransfer::ReceiveReport& report) {
  const QString asked = report.retries == 0 ? QStringLiteral("asked once")
                        : report.retries == 1
                            ? QStringLiteral("asked twice")
                            : QStringLiteral("asked %1 times").arg(report.retries + 1);
  if (report.missingBlocks > 0) {
    return QStringLiteral(
               "%1 of %2 blocks did not arrive (%3) and are 0 (Undo "
               "restores the item)")
        .arg(report.missingBlocks)
        .arg(report.totalBlocks)
        .arg(asked);
  }
  if (report.retries > 0)
    return QStringLiteral("Complete after a loss on the way (%1)").arg(asked);
  return {};
}

}  // namespace

void MidiCommands::send() {
  sendCurrentItem(MidiTransfer::Send);
}

void MidiCommands::sendToBuffer() {
  sendCurrentItem(MidiTransfer::SendToBuffer);
}

void MidiCommands::receive() {
  receiveCurrentItem(MidiTransfer::Receive, "Receive");
}

void MidiCommands::receiveFromBuffer() {
  receiveCurrentItem(MidiTransfer::ReceiveFromBuffer, "Receive From Buffer");
}

bool MidiCommands::hasPortFor(const MidiControl& control, bool receiving) {
  if (receiving ? control.CurrentInputDevice() : control.CurrentOutputDevice())
    return true;
  const char* text = receiving ? MidiErrors::kOpenInputFirst : MidiErrors::kOpenOutputFirst;
  ReportMidiError(text, receiving ? MidiErrors::kDumpCaption : MidiErrors::kSendCaption);
  view_.setStatus(Text(text));
  return false;
}

void MidiCommands::sendCurrentItem(SendSequence send) {
  const Item* item = view_.currentItem();
  MidiControl* control = ProgramMidi::control();
  if (!item || !control)
    return;
  if (!hasPortFor(*control, false))
    return;
  const BusyCursor busy;
  MidiTransfer::SendReport report;
  send(
      *control, *item, [this](const char* text) { view_.showStep(Text(text)); }, &report);
  if (const QStringList notes = SendNotes(report); !notes.isEmpty())
    view_.setStatus(view_.statusText(), notes.join(QStringLiteral("; ")));
}

void MidiCommands::receiveCurrentItem(ReceiveSequence receive, const char* what) {
  Item* item = view_.currentItem();
  MidiControl* control = ProgramMidi::control();
  if (!item || !control)
    return;
  const BusyCursor busy;
  auto edit = view_.startEdit(what, {item});
  MidiTransfer::ReceiveReport report;
  if (receive(
          *control, *item, [this](const char* text) { view_.showStep(Text(text)); }, &report) != 0)
    return;
  view_.record(std::move(edit));
  // What arrived is in the document now and in no file yet.
  view_.markEdited();
  view_.refreshList();
  if (const QString note = ReceiveNote(report); !note.isEmpty())
    view_.setStatus(view_.statusText(), note);
}

std::vector<const BankLayout*> MidiCommands::bankOfCurrentLine() const {
  const BankLayout* layout = view_.currentBank();
  return layout ? std::vector{layout} : std::vector<const BankLayout*>{};
}

std::vector<const BankLayout*> MidiCommands::allBanks() {
  std::vector<const BankLayout*> banks;
  for (const BankLayout& layout : kBankLayouts)
    banks.push_back(&layout);
  return banks;
}

void MidiCommands::receiveBank() {
  transferBanks(TransferDialog::Direction::Receive, bankOfCurrentLine(), "Receive Bank");
}

void MidiCommands::receiveAllBanks() {
  transferBanks(TransferDialog::Direction::Receive, allBanks(), "Receive All Banks");
}

void MidiCommands::sendBank() {
  transferBanks(TransferDialog::Direction::Send, bankOfCurrentLine(), "Send Bank");
}

void MidiCommands::sendAllBanks() {
  transferBanks(TransferDialog::Direction::Send, allBanks(), "Send All Banks");
}

void MidiCommands::transferBanks(TransferDialog::Direction direction,
                                 const std::vector<const BankLayout*>& banks, const char* title) {
  MidiControl* control = ProgramMidi::control();
  if (banks.empty() || !control || TransferDialog::isRunning())
    return;
  const bool receiving = direction == TransferDialog::Direction::Receive;
  if (!hasPortFor(*control, receiving))
    return;
  if (!receiving && !confirmReplacing(banks, title)) {
    view_.setStatus(QStringLiteral("Canceled ") + Text(title));
    return;
  }
  // The transfer's thread works on a copy; what arrived is taken into the document at its end.
  S2A_File copy;
  copy.CopyFrom(*view_.document());
  const std::vector<BankTransfer::Slot> places = BankTransfer::SlotsOf(copy, banks);
  TransferDialog dialog(view_.widget(), Text(title));
  const BankTransfer::Summary summary = dialog.run(direction, *control, places);
  if (receiving && summary.transferred > 0)
    takeReceivedItems(summary, places, title);
  showTransferSummary(summary, receiving, Text(title));
}

void MidiCommands::takeReceivedItems(const BankTransfer::Summary& summary,
                                     const std::vector<BankTransfer::Slot>& places,
                                     const char* title) {
  S2A_File& document = *view_.document();
  std::vector<std::pair<Item*, const Item*>> arrived;
  for (const BankTransfer::Slot& slot : places) {
    const bool missing =
        std::any_of(summary.missing.begin(), summary.missing.end(),
                    [&](const BankTransfer::Slot& m) { return m.item == slot.item; });
    if (!missing)
      arrived.emplace_back(slot.layout->bankIn(document).ItemAt(slot.index), slot.item);
  }
  std::vector<Item*> changed;
  for (const auto& [item, received] : arrived)
    changed.push_back(item);
  auto edit = view_.startEdit(title, changed);
  for (const auto& [item, received] : arrived)
    item->Assign(*received);
  view_.record(std::move(edit));
  view_.markEdited();
  view_.refreshList();
}

bool MidiCommands::confirmReplacing(const std::vector<const BankLayout*>& banks,
                                    const char* title) {
  int programs = 0;
  for (const BankLayout* layout : banks)
    programs += layout->capacity;
  const QString text = banks.size() == 1
                           ? QStringLiteral("Replace the %1 programs of the S80's %2 bank?")
                                 .arg(programs)
                                 .arg(QString::fromUtf8(banks.front()->longName))
                           : QStringLiteral("Replace all %1 programs of the S80's %2 banks?")
                                 .arg(programs)
                                 .arg(banks.size());
  return userDialogs().askYesNo(view_.widget(), Text(title), text) == Answer::Yes;
}

// "Received 450 of 452 items; 31 needed a retry; not received: ...". A transfer that did not
// bring or deliver everything also says so in a message, which lists every slot in full.
void MidiCommands::showTransferSummary(const BankTransfer::Summary& summary, bool received,
                                       const QString& title) {
  QString text = QStringLiteral("%1 %2 of %3 items")
                     .arg(received ? QStringLiteral("Received") : QStringLiteral("Sent"))
                     .arg(summary.transferred)
                     .arg(summary.count);
  if (summary.retried > 0)
    text += (received ? QStringLiteral("; %1 needed a retry") : QStringLiteral("; %1 sent again"))
                .arg(summary.retried);
  QStringList failed;
  if (!summary.differing.empty())
    failed << QStringLiteral("read back different: ") + SlotNames(summary.differing);
  if (!summary.missing.empty())
    failed << (received ? QStringLiteral("not received: ") : QStringLiteral("not sent: ")) +
                  SlotNames(summary.missing);
  if (summary.cancelled) {
    view_.setStatus(text + QStringLiteral("; cancelled"));
    return;
  }
  if (!summary.portError.empty()) {
    text += QStringLiteral("; stopped: ") + QString::fromStdString(summary.portError);
    view_.setStatus(text);
    userDialogs().showMessage(view_.widget(), title, text + u'.',
                              failed.join(QStringLiteral(";\n")));
    return;
  }
  if (failed.isEmpty()) {
    view_.setStatus(text);
    return;
  }
  QString reason = failed.join(QStringLiteral("; "));
  reason[0] = reason[0].toUpper();
  view_.setStatus(text, reason);
  userDialogs().showMessage(view_.widget(), title, text + u'.',
                            reason.replace(QStringLiteral("; "), QStringLiteral(";\n")));
}
