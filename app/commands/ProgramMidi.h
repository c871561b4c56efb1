#pragma once

#include <QCoreApplication>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "midi/ports/MidiErrorReport.h"

class AuditionSender;
class MidiControl;

// The program's one handle to the MIDI ports, made before the first window and released at the
// end: while it lives the ports stay open, and every port error is a modal error box with the
// port's caption. Its audition sender uses the ports from a thread of its own.
class ProgramMidi {
  Q_DECLARE_TR_FUNCTIONS(ProgramMidi)

 public:
  ProgramMidi();
  ~ProgramMidi();
  ProgramMidi(const ProgramMidi&) = delete;
  ProgramMidi& operator=(const ProgramMidi&) = delete;

  // The live handle, once no audition is under way: the ports are the calling thread's until it
  // is back in the event loop. None before the program made it, after it ended, and while it is
  // lent.
  static MidiControl* control();
  // The sender that auditions programs through the handle; none outside the handle's life and
  // while it is lent.
  static AuditionSender* auditionSender();
  // Where the program's thread is told each failure of the sender (none: nowhere).
  static void setAuditionFailureHandler(std::function<void(const QString& error)> handler);
  // Whether a transfer's thread has the handle (MidiControl is not thread-safe).
  static bool isLent();
  // What the window adds to a port error: for a port whose other end has gone, how to reach it
  // again once it is back; otherwise nothing.
  static QString reconnectHint(const std::string& portError);

  // For its life, the ports belong to whoever holds the loan (a transfer's thread, the
  // Preferences dialog): control() and auditionSender() give none, so nothing else of the
  // program reaches them. Only while control() gives one.
  class Loan {
   public:
    Loan();
    ~Loan();
    Loan(const Loan&) = delete;
    Loan& operator=(const Loan&) = delete;

    MidiControl& control() const { return control_; }

   private:
    MidiControl& control_;
  };

 private:
  // The handler comes first: opening the stored ports may already report.
  MidiErrorHandler previousHandler_;
  std::unique_ptr<MidiControl> control_;
  std::unique_ptr<AuditionSender> audition_;
};
