#include "app/commands/ProgramMidi.h"

#include <QApplication>

#include "app/dialogs/UserDialogs.h"
#include "midi/ports/MidiControl.h"

namespace {

MidiControl* liveControl = nullptr;

void ShowMidiError(const std::string& text, const std::string& caption) {
  userDialogs().showError(QApplication::activeWindow(), QString::fromStdString(caption),
                          QString::fromStdString(text));
}

}  // namespace

ProgramMidi::ProgramMidi()
    : previousHandler_(SetMidiErrorHandler(ShowMidiError)),
      control_(std::make_unique<MidiControl>()) {
  liveControl = control_.get();
}

ProgramMidi::~ProgramMidi() {
  liveControl = nullptr;
  control_.reset();
  SetMidiErrorHandler(std::move(previousHandler_));
}

MidiControl* ProgramMidi::control() {
  return liveControl;
}
