#pragma once

#include <QObject>
#include <QString>

class Item;
class QAction;
class QWidget;

// Audition by selection, one state for every window, remembered in the settings (off by
// default): while it is on, each program selected in a window goes to the S80's edit buffer of
// its kind as Send to Buffer sends it, through the sender of the program's ports (ProgramMidi),
// which never queues stale programs. A failure turns it off with one message.
class Audition : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kCaption = QT_TR_NOOP("Audition");

  Audition();

  bool isOn() const { return on_; }
  // Stored in the settings and followed by every window's action. Switched on, the sender takes
  // programs again after a failure.
  void setOn(bool on, QWidget* window);
  // The stored state again (a test's own settings).
  void readSetting();
  // While on, a copy of `item` goes to the edit buffer: the status text to show, "Auditioning "
  // and `shown` ("INT:017(B01) Brass Sect"); empty when off or without ports.
  QString play(const Item& item, const QString& shown);
  // A window's checkable action "Audition", which switches the state and follows it.
  QAction* makeAction(QWidget& window);
  // The sender's failure, told on the program's thread: off, with one message.
  void fail(const QString& error);

 signals:
  void switched(bool on);

 private:
  bool on_ = false;
};

// The one state of the program.
Audition& sharedAudition();
