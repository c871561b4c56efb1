#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class TForm1;

// One running program per user. The first start holds the lock "<ApplicationName>.Mutex" for
// its whole run and listens on the local socket "<ApplicationName>.Message", both in the user's
// private runtime folder. A later start hands its file names over that socket and ends; the
// first opens them as if it had been started with them. A start that can neither take the lock
// nor reach the program holding it runs alone, with a window of its own.
class TSingleApplication : public QObject {
  Q_OBJECT

 public:
  // Handed-over names open from the chain of `form` on.
  explicit TSingleApplication(TForm1* form);
  // Stops listening, then gives up the lock, so that the next start is a first one again.
  ~TSingleApplication() override;

  QString ApplicationName = QStringLiteral("Corvale");
  // The file names a later start hands over, exactly as it was given them.
  QStringList FileNames;

  // True when this start goes on with a window of its own: the first start, or one that runs
  // alone; false when its names went to the running program, or could not be handed to it
  // (which is said on stderr): the program ends.
  bool RegisterApplication();
  // What this start's first window says about the lock and the socket: empty when all was as
  // usual, else a stale lock it cleared or why it runs alone. Also said on stderr.
  const QString& Note() const { return note_; }
  // Names handed over by a later start: they open from the last window of the chain on, and
  // the window they landed in comes to the front. No names change nothing.
  void OnApplicationMessage(const QStringList& names);

  // A hand-over on the wire: the number of bytes that follow, the number of names, then each
  // name's bytes after their number; every number four bytes, most significant first.
  static QByteArray Frame(const QStringList& names);

 private:
  enum class HandOver { Delivered, NoListener, Unanswered };
  enum class StaleLock { None, Cleared, Stuck };

  // The folder of the lock and the socket: $XDG_RUNTIME_DIR, else a folder named with the user
  // id in the temporary folder, made when missing; empty when it is not the user's alone.
  static QString RuntimeFolder();

  QString PathOf(const char* suffix) const;
  bool StartListening();
  // Gives up the lock and says why this start goes on without the others: true.
  bool RunAlone(const QString& why);
  void SayNote(const QString& note);
  HandOver Send(const QByteArray& frame) const;
  // Removes a lock that no start running on this machine can hold.
  StaleLock ClearStaleLock();
  void AcceptConnections();
  // Collects a connection's bytes; once its message is whole, confirms it and opens it.
  void Receive(QLocalSocket& socket, QByteArray& received);

  TForm1* form_;
  QString folder_;
  QString note_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
};
