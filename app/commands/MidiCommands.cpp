#include "app/commands/MidiCommands.h"

#include <QEventLoop>
#include <QStringList>
#include <QTimer>
#include <algorithm>

#include "app/commands/BankTransferWorker.h"
#include "app/commands/CommandTexts.h"
#include "app/commands/DocumentView.h"
#include "app/commands/ItemImagesCommand.h"
#include "app/commands/ProgramMidi.h"
#include "app/dialogs/TransferDialog.h"
#include "app/dialogs/UserDialogs.h"
#include "app/widgets/BusyCursor.h"
#include "library/LibraryAddition.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiErrorReport.h"
#include "midi/ports/TransferSummaryText.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"

namespace {

QString Text(const char* text) {
  return QString::fromUtf8(text);
}

QStringList SendNotes(const MidiTransfer::SendReport& report) {
  QStringList notes;
  if (report.differs)
    notes << MidiCommands::tr(
        "The synthesizer holds other data than was sent, also after sending "
        "it again");
  else if (report.unreadable)
    notes << MidiCommands::tr(
        "The item could not be read back whole from the synthesizer, also after sending it "
        "again");
  else if (report.verified)
    notes << (report.resends > 0 ? MidiCommands::tr("Read back the same after sending it again")
                                 : MidiCommands::tr("Read back the same"));
  if (report.sevenBitBytes > 0) {
    notes << CountText(static_cast<qsizetype>(report.sevenBitBytes),
                       QT_TRANSLATE_NOOP("CountText", "byte sent as a seven-bit value"),
                       QT_TRANSLATE_NOOP("CountText", "bytes sent as seven-bit values"));
  }
  return notes;
}

// Beside "Receive Completed" and the like: what was lost on the way and what was done about it.
QString ReceiveNote(const MidiTransfer::ReceiveReport& report) {
  const QString asked = report.retries == 0 ? MidiCommands::tr("asked once")
                        : report.retries == 1
                            ? MidiCommands::tr("asked twice")
                            : MidiCommands::tr("asked %1 times").arg(report.retries + 1);
  if (report.missingBlocks > 0) {
    return MidiCommands::tr(
               "%1 of %2 blocks did not arrive (%3) and are 0 (Undo "
               "restores the item)")
        .arg(report.missingBlocks)
        .arg(report.totalBlocks)
        .arg(asked);
  }
  if (report.retries > 0)
    return MidiCommands::tr("Complete after a loss on the way (%1)").arg(asked);
  return {};
}

// Runs the transfer on a thread of its own, which has the program's ports until it ends. The
// windows keep painting but take no input meanwhile: for the first half second the input waits
// unread, then the application-modal dialog shows and what waited reaches no window. The
// window's status bar follows the transfer: "Receive All Banks: Item 5 of 452, about 3 minutes
// left".
BankTransfer::Summary RunTransfer(BankTransfer::Direction direction,
                                  std::span<const BankTransfer::Slot> places, DocumentView& view,
                                  const QString& title) {
  const ProgramMidi::Loan ports;
  BankTransferWorker worker(direction, ports.control(), places);
  TransferDialog dialog(view.widget(), title, static_cast<int>(places.size()));
  QObject::connect(
      &worker, &BankTransferWorker::stepStarted, &dialog,
      [&](int position, int count, int round, const std::string& item, int secondsLeft) {
        dialog.showStep(position, count, round, QString::fromStdString(item), secondsLeft);
        view.setStatus(title + QStringLiteral(": ") +
                       TransferDialog::progressText(position, count, round, secondsLeft));
      });
  QObject::connect(&worker, &BankTransferWorker::finished, &dialog, &QDialog::accept);
  QObject::connect(&dialog, &TransferDialog::cancelRequested, &worker, &BankTransferWorker::cancel);
  QEventLoop firstHalfSecond;
  QObject::connect(&worker, &BankTransferWorker::finished, &firstHalfSecond, &QEventLoop::quit);
  QTimer::singleShot(TransferDialog::kShowAfterMs, &firstHalfSecond, &QEventLoop::quit);
  worker.start();
  firstHalfSecond.exec(QEventLoop::ExcludeUserInputEvents);
  if (!worker.hasFinished())
    dialog.exec();
  // Only the program's end leaves the dialog before the transfer has ended.
  worker.stop();
  return worker.summary();
}

}  // namespace

void MidiCommands::send() {
  sendCurrentItem(MidiTransfer::Send);
}

void MidiCommands::sendToBuffer() {
  sendCurrentItem(MidiTransfer::SendToBuffer);
}

void MidiCommands::receive() {
  receiveCurrentItem(MidiTransfer::Receive, QT_TRANSLATE_NOOP("EditStep", "Receive"));
}

void MidiCommands::receiveFromBuffer() {
  receiveCurrentItem(MidiTransfer::ReceiveFromBuffer,
                     QT_TRANSLATE_NOOP("EditStep", "Receive From Buffer"));
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
  QStringList notes;
  if (const QString note = ReceiveNote(report); !note.isEmpty())
    notes << note;
  // An answer cut short is no program of the synthesizer's.
  if (report.missingBlocks == 0) {
    const BankLayout* layout = view_.currentBank();
    const bool fromSlot = receive == &MidiTransfer::Receive && layout != nullptr;
    const ReceivedProgram received[] = {
        fromSlot ? ReceivedProgram::CopyOf(*item, layout->word, item->SlotIndex())
                 : ReceivedProgram::CopyOf(*item)};
    if (const QString kept = view_.keepReceived(received); !kept.isEmpty())
      notes << kept;
  }
  if (!notes.isEmpty())
    view_.setStatus(view_.statusText(), notes.join(QStringLiteral("; ")));
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
  transferBanks(BankTransfer::Direction::kReceive, bankOfCurrentLine(),
                QT_TRANSLATE_NOOP("EditStep", "Receive Bank"));
}

void MidiCommands::receiveAllBanks() {
  transferBanks(BankTransfer::Direction::kReceive, allBanks(),
                QT_TRANSLATE_NOOP("EditStep", "Receive All Banks"));
}

void MidiCommands::sendBank() {
  transferBanks(BankTransfer::Direction::kSend, bankOfCurrentLine(),
                QT_TRANSLATE_NOOP("EditStep", "Send Bank"));
}

void MidiCommands::sendAllBanks() {
  transferBanks(BankTransfer::Direction::kSend, allBanks(),
                QT_TRANSLATE_NOOP("EditStep", "Send All Banks"));
}

void MidiCommands::transferBanks(BankTransfer::Direction direction,
                                 const std::vector<const BankLayout*>& banks, const char* title) {
  // None while another transfer has the ports.
  MidiControl* control = ProgramMidi::control();
  if (banks.empty() || !control)
    return;
  const bool receiving = direction == BankTransfer::Direction::kReceive;
  if (!hasPortFor(*control, receiving))
    return;
  if (!receiving && !confirmReplacing(banks, title)) {
    view_.setStatus(tr("Canceled %1").arg(StepText(title)));
    return;
  }
  // The transfer's thread works on a copy; what arrived is taken into the document at its end.
  S2A_File copy;
  copy.CopyFrom(*view_.document());
  const std::vector<BankTransfer::Slot> places = BankTransfer::SlotsOf(copy, banks);
  const BankTransfer::Summary summary = RunTransfer(direction, places, view_, StepText(title));
  QString kept;
  if (receiving && summary.transferred > 0)
    kept = takeReceivedItems(summary, places, title);
  showTransferSummary(summary, direction, StepText(title));
  if (!kept.isEmpty()) {
    const QString reason = view_.statusReason();
    view_.setStatus(view_.statusText(),
                    reason.isEmpty() ? kept : reason + QStringLiteral("; ") + kept);
  }
}

QString MidiCommands::takeReceivedItems(const BankTransfer::Summary& summary,
                                        const std::vector<BankTransfer::Slot>& places,
                                        const char* title) {
  S2A_File& document = *view_.document();
  std::vector<std::pair<Item*, const Item*>> arrived;
  std::vector<ReceivedProgram> received;
  for (const BankTransfer::Slot& slot : BankTransfer::Arrived(places, summary)) {
    arrived.emplace_back(slot.layout->bankIn(document).ItemAt(slot.index), slot.item);
    received.push_back(ReceivedProgram::CopyOf(*slot.item, slot.layout->word, slot.index));
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
  return view_.keepReceived(received);
}

bool MidiCommands::confirmReplacing(const std::vector<const BankLayout*>& banks,
                                    const char* title) {
  int programs = 0;
  for (const BankLayout* layout : banks)
    programs += layout->capacity;
  const QString text =
      banks.size() == 1
          ? tr("Replace the %1 programs of the S80's %2 bank?")
                .arg(programs)
                .arg(QString::fromUtf8(banks.front()->longName))
          : tr("Replace all %1 programs of the S80's %2 banks?").arg(programs).arg(banks.size());
  return userDialogs().askYesNo(view_.widget(), StepText(title), text) == Answer::Yes;
}

// "Received 450 of 452 items; 31 needed a retry; not received: ...". A transfer that did not
// bring or deliver everything also says so in a message, which lists every slot in full.
void MidiCommands::showTransferSummary(const BankTransfer::Summary& summary,
                                       BankTransfer::Direction direction, const QString& title) {
  const TransferSummaryText words = TransferSummaryText::Of(summary, direction, TransferSlotName);
  QString text = QString::fromStdString(words.outcome);
  QStringList failed;
  for (const std::string& failure : words.failures)
    failed << QString::fromStdString(failure);
  if (summary.cancelled) {
    view_.setStatus(tr("%1; canceled").arg(text));
    return;
  }
  if (!summary.portError.empty()) {
    text = tr("%1; stopped: %2").arg(text, QString::fromStdString(summary.portError));
    view_.setStatus(text);
    userDialogs().showWarning(view_.widget(), title,
                              text + u'.' + ProgramMidi::reconnectHint(summary.portError),
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
  userDialogs().showWarning(view_.widget(), title, text + u'.',
                            reason.replace(QStringLiteral("; "), QStringLiteral(";\n")));
}
