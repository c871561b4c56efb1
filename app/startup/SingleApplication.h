#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <vector>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class EditorWindow;

// One running program per user. The first start holds the lock "Corvale.Mutex" for
// its whole run and listens on the local socket "Corvale.Message", both in the user's
// private runtime folder. A later start hands its file names over that socket and ends once the
// first has taken them; the first opens them as if it had been started with them. A start that
// can neither take the lock nor reach the program holding it runs alone, with a window of its
// own.
class SingleApplication : public QObject {
  Q_OBJECT

 public:
  // Handed-over names open from the chain of `form` on.
  explicit SingleApplication(EditorWindow* form);
  // Stops listening, then gives up the lock, so that the next start is a first one again.
  // Hand-overs still held are not taken: their starts go on without this program.
  ~SingleApplication() override;

  // The file names a later start hands over, exactly as it was given them.
  void setFileNames(const QStringList& names) { fileNames_ = names; }

  // True when this start goes on with a window of its own: the first start, or one that runs
  // alone; false when its names went to the running program, which then opens them.
  bool registerApplication();
  // What this start's first window says about the lock and the socket: empty when all was as
  // usual, else a stale lock it cleared or why it runs alone. Also said on stderr.
  const QString& note() const { return note_; }

  // A hand-over on the wire: the number of bytes that follow, the number of names, then each
  // name's bytes after their number; every number four bytes, most significant first.
  static QByteArray frame(const QStringList& names);
  // The running program's answers to a whole frame: the names were taken and open now, or they
  // are held until no dialog is open (said again while they wait).
  static constexpr char kTaken = '\x06';
  static constexpr char kHeld = '\x16';

 private:
  enum class HandOver { Taken, NoListener, ListenerLeft, Unanswered };
  enum class StaleLock { None, Cleared, Stuck };
  struct HeldNames {
    QPointer<QLocalSocket> socket;
    QStringList names;
  };

  // The folder of the lock and the socket: $XDG_RUNTIME_DIR, else a folder named with the user
  // id in the temporary folder, made when missing; empty when it is not the user's alone.
  static QString runtimeFolder();

  QString pathOf(const char* suffix) const;
  bool startListening();
  // Gives up the lock and says why this start goes on without the others: true.
  bool runAlone(const QString& why);
  void sayNote(const QString& note);
  HandOver send(const QByteArray& frame) const;
  // Removes a lock that no start running on this machine can hold.
  StaleLock clearStaleLock();
  void acceptConnections();
  // Collects a connection's bytes; once its frame is whole, holds its names.
  void receive(QLocalSocket& socket, QByteArray& received);
  // Confirms and opens the held names once the windows can take them; until then, tells their
  // starts to wait. Names whose start went away are dropped: it opens them itself. Names still
  // held when the program ends were never taken: their starts go on without it.
  void openHeldNames();
  // Not while a command waits on a question, a file dialog or an error box (it goes on with the
  // window it had), a bank transfer runs on its document, or the program is ending.
  bool canOpenNow() const;
  // Names handed over by a later start: they open from the last window of the chain on, and
  // the window they landed in comes to the front. No names change nothing.
  void openNamesFromMessage(const QStringList& names);

  EditorWindow* form_;
  QString folder_;
  QStringList fileNames_;
  QString note_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
  std::vector<HeldNames> held_;
  QTimer heldRetry_;
};
