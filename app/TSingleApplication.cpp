#include "app/TSingleApplication.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <QTimer>
#include <QtEndian>
#include <cstdio>
#include <optional>

#include "app/BankTransferDialog.h"
#include "app/CommandLine.h"
#include "app/TForm1.h"

namespace {

constexpr qsizetype kNumberBytes = 4;
// No command line comes near it; a longer frame is not a hand-over.
constexpr quint32 kMaxFrameBytes = 64 * 1024 * 1024;
// The first start's answer once it holds the whole frame.
constexpr char kReceived = '\x06';

// How long a later start looks for a listener: the first start may have taken the lock and not
// yet be listening, or be ending.
constexpr int kListenerPatienceMs = 5000;
constexpr int kRetryIntervalMs = 20;
// How long a later start waits for a listener that took its connection to take the text.
constexpr int kAnswerPatienceMs = 10000;
// How often a hand-over that waits for a dialog to close looks again.
constexpr int kModalRetryMs = 200;

void AppendNumber(QByteArray& bytes, quint32 number) {
  char big[kNumberBytes];
  qToBigEndian(number, big);
  bytes.append(big, kNumberBytes);
}

std::optional<quint32> TakeNumber(QByteArrayView& bytes) {
  if (bytes.size() < kNumberBytes)
    return std::nullopt;
  const quint32 number = qFromBigEndian<quint32>(bytes.data());
  bytes = bytes.sliced(kNumberBytes);
  return number;
}

// What the bytes a connection brought hold so far.
struct Unframed {
  enum State { Partial, Whole, Broken } state;
  QStringList names;
};

Unframed Unframe(const QByteArray& received) {
  QByteArrayView rest(received);
  const std::optional<quint32> size = TakeNumber(rest);
  if (!size)
    return {Unframed::Partial, {}};
  if (*size > kMaxFrameBytes)
    return {Unframed::Broken, {}};
  if (rest.size() < qsizetype(*size))
    return {Unframed::Partial, {}};
  if (rest.size() > qsizetype(*size))
    return {Unframed::Broken, {}};
  const std::optional<quint32> count = TakeNumber(rest);
  QStringList names;
  for (quint32 n = 0; count && n < *count; ++n) {
    const std::optional<quint32> length = TakeNumber(rest);
    if (!length || rest.size() < qsizetype(*length))
      return {Unframed::Broken, {}};
    names << DecodeFileName(rest.first(*length));
    rest = rest.sliced(*length);
  }
  if (!count || !rest.isEmpty())
    return {Unframed::Broken, {}};
  return {Unframed::Whole, names};
}

void Say(const QString& text) {
  std::fprintf(stderr, "Corvale: %s\n", text.toLocal8Bit().constData());
}

}  // namespace

TSingleApplication::TSingleApplication(TForm1* form) : form_(form) {}

TSingleApplication::~TSingleApplication() {
  server_.reset();
  lock_.reset();
}

QByteArray TSingleApplication::Frame(const QStringList& names) {
  QByteArray body;
  AppendNumber(body, quint32(names.size()));
  for (const QString& name : names) {
    const QByteArray bytes = EncodeFileName(name);
    AppendNumber(body, quint32(bytes.size()));
    body += bytes;
  }
  QByteArray frame;
  AppendNumber(frame, quint32(body.size()));
  return frame + body;
}

QString TSingleApplication::RuntimeFolder() {
  QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (folder.isEmpty())
    folder = QDir::tempPath() + QStringLiteral("/corvale-") + QString::number(::getuid());
  const QByteArray native = QFile::encodeName(folder);
  ::mkdir(native.constData(), S_IRWXU);
  struct stat status {};
  const bool usersAlone = ::lstat(native.constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
                          status.st_uid == ::getuid() &&
                          (status.st_mode & (S_IRWXG | S_IRWXO)) == 0;
  return usersAlone ? folder : QString();
}

QString TSingleApplication::PathOf(const char* suffix) const {
  return folder_ + u'/' + ApplicationName + QString::fromLatin1(suffix);
}

bool TSingleApplication::RegisterApplication() {
  folder_ = RuntimeFolder();
  if (folder_.isEmpty()) {
    Say(QStringLiteral("no private runtime folder; this start runs on its own"));
    return true;
  }
  lock_ = std::make_unique<QLockFile>(PathOf(".Mutex"));
  // Held for the whole run: only a holder that no longer runs makes the lock stale.
  lock_->setStaleLockTime(0);
  const QByteArray frame = Frame(AbsoluteNames(FileNames));
  const QDeadlineTimer patience(kListenerPatienceMs);
  for (;;) {
    if (lock_->tryLock(0))
      return StartListening();
    if (lock_->error() != QLockFile::LockFailedError) {
      Say(QStringLiteral("cannot take %1; this start runs on its own").arg(lock_->fileName()));
      return true;
    }
    const HandOver handOver = Send(frame);
    if (handOver == HandOver::Delivered)
      return false;
    if (handOver == HandOver::Unanswered || patience.hasExpired())
      break;
    QThread::msleep(kRetryIntervalMs);
  }
  Say(QStringLiteral("the running Corvale did not take the names; not opened: %1")
          .arg(FileNames.join(u' ')));
  return false;
}

bool TSingleApplication::StartListening() {
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  const QString path = PathOf(".Message");
  // Whoever holds the lock owns the socket: one found now was left by a start that crashed.
  QLocalServer::removeServer(path);
  if (!server_->listen(path))
    Say(QStringLiteral("cannot listen on %1: %2").arg(path, server_->errorString()));
  connect(server_.get(), &QLocalServer::newConnection, this,
          &TSingleApplication::AcceptConnections);
  return true;
}

TSingleApplication::HandOver TSingleApplication::Send(const QByteArray& frame) const {
  QLocalSocket socket;
  socket.connectToServer(PathOf(".Message"));
  if (!socket.waitForConnected(kAnswerPatienceMs))
    return HandOver::NoListener;
  socket.write(frame);
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(kAnswerPatienceMs))
      break;
  }
  if (socket.bytesToWrite() == 0 && socket.waitForReadyRead(kAnswerPatienceMs))
    return socket.read(1) == QByteArray(1, kReceived) ? HandOver::Delivered : HandOver::Unanswered;
  // A listener that closed without an answer was ending: the next try may find the lock free.
  return socket.state() == QLocalSocket::UnconnectedState ? HandOver::NoListener
                                                          : HandOver::Unanswered;
}

void TSingleApplication::AcceptConnections() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto received = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, this,
            [this, socket, received] { Receive(*socket, *received); });
  }
}

void TSingleApplication::Receive(QLocalSocket& socket, QByteArray& received) {
  received += socket.readAll();
  const Unframed frame = Unframe(received);
  if (frame.state == Unframed::Partial)
    return;
  disconnect(&socket, &QLocalSocket::readyRead, this, nullptr);
  if (frame.state == Unframed::Broken) {
    socket.abort();
    return;
  }
  socket.write(QByteArray(1, kReceived));
  socket.flush();
  // After the answer, so that the later start ends while the names open.
  QMetaObject::invokeMethod(
      this, [this, names = frame.names] { OnApplicationMessage(names); }, Qt::QueuedConnection);
}

void TSingleApplication::OnApplicationMessage(const QStringList& names) {
  if (names.isEmpty() || !form_)
    return;
  // A command waiting on a question, a file dialog or an error box goes on with the window it
  // had, and a bank transfer with its document: the names open once neither is left.
  if (QApplication::activeModalWidget() || BankTransferDialog::Running()) {
    QTimer::singleShot(kModalRetryMs, this, [this, names] { OnApplicationMessage(names); });
    return;
  }
  TForm1* target = form_->OpenCommandLineFiles(names);
  if (target->isMinimized())
    target->showNormal();
  target->raise();
  target->activateWindow();
}
