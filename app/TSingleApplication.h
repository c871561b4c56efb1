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
// first opens them as if it had been started with them.
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

  // True in the first start (the program goes on); false when the names went to the running
  // program, or could not be handed to it (which is said on stderr): the program ends.
  bool RegisterApplication();
  // Names handed over by a later start: they open from the last window of the chain on, and
  // the window they landed in comes to the front. No names change nothing.
  void OnApplicationMessage(const QStringList& names);

  // A hand-over on the wire: the number of bytes that follow, the number of names, then each
  // name's bytes after their number; every number four bytes, most significant first.
  static QByteArray Frame(const QStringList& names);

 private:
  enum class HandOver { Delivered, NoListener, Unanswered };

  // The folder of the lock and the socket: $XDG_RUNTIME_DIR, else a folder named with the user
  // id in the temporary folder, made when missing; empty when it is not the user's alone.
  static QString RuntimeFolder();

  QString PathOf(const char* suffix) const;
  bool StartListening();
  HandOver Send(const QByteArray& frame) const;
  void AcceptConnections();
  // Collects a connection's bytes; once its message is whole, confirms it and opens it.
  void Receive(QLocalSocket& socket, QByteArray& received);

  TForm1* form_;
  QString folder_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
};
