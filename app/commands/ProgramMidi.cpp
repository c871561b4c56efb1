#include "app/commands/ProgramMidi.h"

#include <QApplication>

#include "app/dialogs/UserDialogs.h"
#include "midi/ports/AuditionSender.h"
#include "midi/ports/MidiControl.h"

namespace {

// Both belong to the program's own thread.
MidiControl* liveControl = nullptr;
AuditionSender* liveAudition = nullptr;
bool lent = false;

void ShowMidiError(const std::string& text, const std::string& caption) {
  userDialogs().showError(QApplication::activeWindow(), QString::fromStdString(caption),
                          QString::fromStdString(text) + ProgramMidi::reconnectHint(text));
}

// Set and called on the program's thread only.
std::function<void(const QString&)>& AuditionFailureHandler() {
  static std::function<void(const QString&)> handler;
  return handler;
}

// From the sender's thread to the program's.
void TellAuditionFailure(const std::string& error) {
  QMetaObject::invokeMethod(
      qApp,
      [text = QString::fromStdString(error)] {
        if (AuditionFailureHandler())
          AuditionFailureHandler()(text);
      },
      Qt::QueuedConnection);
}

}  // namespace

ProgramMidi::ProgramMidi()
    : previousHandler_(SetMidiErrorHandler(ShowMidiError)),
      control_(std::make_unique<MidiControl>()),
      audition_(std::make_unique<AuditionSender>(*control_, TellAuditionFailure)) {
  liveControl = control_.get();
  liveAudition = audition_.get();
}

ProgramMidi::~ProgramMidi() {
  liveAudition = nullptr;
  liveControl = nullptr;
  audition_.reset();
  control_.reset();
  SetMidiErrorHandler(std::move(previousHandler_));
}

MidiControl* ProgramMidi::control() {
  if (lent)
    return nullptr;
  if (liveAudition)
    liveAudition->WaitUntilIdle();
  return liveControl;
}

bool ProgramMidi::isLent() {
  return lent;
}

QString ProgramMidi::reconnectHint(const std::string& portError) {
  // Refresh opens the chosen ports afresh where they have lost what they were connected to.
  if (!MidiErrors::SaysNothingConnected(portError))
    return {};
  return tr("\n\nOnce it is back, Edit > Preferences > Refresh connects to it again.");
}

ProgramMidi::Loan::Loan() : control_(*liveControl) {
  // The sender's thread uses the ports too: it has finished before they are lent.
  if (liveAudition)
    liveAudition->WaitUntilIdle();
  lent = true;
}

ProgramMidi::Loan::~Loan() {
  lent = false;
}

AuditionSender* ProgramMidi::auditionSender() {
  return lent ? nullptr : liveAudition;
}

void ProgramMidi::setAuditionFailureHandler(std::function<void(const QString&)> handler) {
  AuditionFailureHandler() = std::move(handler);
}
