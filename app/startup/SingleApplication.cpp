#include "app/startup/SingleApplication.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QSysInfo>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

#include "app/commands/FileNameText.h"
#include "app/commands/ProgramMidi.h"
#include "app/library/LibraryWindow.h"
#include "app/startup/CommandLine.h"
#include "app/startup/CommandLineFiles.h"
#include "app/window/EditorWindow.h"

namespace {

constexpr qsizetype kNumberBytes = 4;
// No command line comes near it; a longer frame is not a hand-over.
constexpr quint32 kMaxFrameBytes = 64 * 1024 * 1024;

// How long a later start looks for a listener: the first start may have taken the lock and not
// yet be listening, or be ending.
constexpr int kListenerPatienceMs = 5000;
constexpr int kRetryIntervalMs = 20;
// How long a later start waits for each answer of a listener that took its connection.
constexpr int kAnswerPatienceMs = 10000;
// How often held names look again whether they can open.
constexpr int kHeldRetryMs = 200;
// A start writes what it knows about itself into the lock it has just made; a lock that says
// nothing readable for longer was not made by a start that runs.
constexpr qint64 kUnwrittenLockMs = 2000;

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

void Reply(QLocalSocket& socket, char answer) {
  socket.write(&answer, 1);
  socket.flush();
}

// A lock no start running on this machine holds: a folder, one made on another machine (the
// folder is this machine's), or one that says nothing readable about its holder for longer
// than a start takes to write it.
bool IsStale(const QLockFile& lock) {
  const QFileInfo file(lock.fileName());
  if (file.isDir())
    return true;
  if (!file.exists())
    return false;
  qint64 pid = 0;
  QString host, application;
  if (lock.getLockInfo(&pid, &host, &application))
    return !host.isEmpty() && host != QSysInfo::machineHostName();
  const qint64 age = file.lastModified().msecsTo(QDateTime::currentDateTime());
  return std::abs(age) > kUnwrittenLockMs;
}

}  // namespace

SingleApplication::SingleApplication(EditorWindow* form) : form_(form) {
  heldRetry_.setSingleShot(true);
  heldRetry_.setInterval(kHeldRetryMs);
  connect(&heldRetry_, &QTimer::timeout, this, &SingleApplication::openHeldNames);
}

SingleApplication::~SingleApplication() {
  server_.reset();
  lock_.reset();
}

QByteArray SingleApplication::frame(const QStringList& names) {
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

QString SingleApplication::runtimeFolder() {
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

QString SingleApplication::pathOf(const char* suffix) const {
  return folder_ + QStringLiteral("/Corvale") + QString::fromLatin1(suffix);
}

void SingleApplication::sayNote(const QString& note) {
  note_ = note;
  Say(note);
}

bool SingleApplication::runAlone(const QString& why) {
  lock_.reset();
  sayNote(tr("Running alone: %1").arg(why));
  return true;
}

bool SingleApplication::registerApplication() {
  folder_ = runtimeFolder();
  if (folder_.isEmpty())
    return runAlone(tr("no private runtime folder"));
  lock_ = std::make_unique<QLockFile>(pathOf(".Mutex"));
  // Held for the whole run: only a holder that no longer runs makes the lock stale.
  lock_->setStaleLockTime(0);
  const QString unanswered =
      tr("another Corvale holds %1 but does not answer").arg(lock_->fileName());
  const QString untaken = tr("cannot take %1").arg(lock_->fileName());
  const QByteArray handOver = frame(AbsoluteNames(fileNames_));
  QDeadlineTimer patience(kListenerPatienceMs);
  for (;;) {
    if (lock_->tryLock(0))
      return startListening();
    if (lock_->error() != QLockFile::LockFailedError)
      return runAlone(untaken);
    switch (send(handOver)) {
      case HandOver::Taken:
        return false;
      case HandOver::Unanswered:
        return runAlone(unanswered);
      case HandOver::ListenerLeft:
        // It held the names and is ending: its lock is free soon.
        patience.setRemainingTime(kListenerPatienceMs);
        break;
      case HandOver::NoListener:
        break;
    }
    switch (clearStaleLock()) {
      case StaleLock::Cleared:
        continue;
      case StaleLock::Stuck:
        return runAlone(untaken);
      case StaleLock::None:
        break;
    }
    if (patience.hasExpired())
      return runAlone(unanswered);
    QThread::msleep(kRetryIntervalMs);
  }
}

SingleApplication::StaleLock SingleApplication::clearStaleLock() {
  const QString path = lock_->fileName();
  // Only one start clears at a time: another could take the lock in between, and its fresh
  // lock must stay.
  QLockFile clearing(path + QStringLiteral(".rmlock"));
  if (!clearing.tryLock(0) || !IsStale(*lock_))
    return StaleLock::None;
  if (!(QFileInfo(path).isDir() ? QDir().rmdir(path) : QFile::remove(path)))
    return StaleLock::Stuck;
  sayNote(tr("Cleared the stale %1").arg(path));
  return StaleLock::Cleared;
}

bool SingleApplication::startListening() {
  const QString path = pathOf(".Message");
  // Whoever holds the lock owns the socket: one found now was left by a start that crashed.
  QLocalServer::removeServer(path);
  if (QFileInfo(path).isDir() && QDir().rmdir(path))
    sayNote(tr("Cleared the stale %1").arg(path));
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(path)) {
    server_.reset();
    // Without a listener the lock would only keep later starts waiting for nobody.
    return runAlone(tr("cannot listen on %1").arg(path));
  }
  connect(server_.get(), &QLocalServer::newConnection, this, &SingleApplication::acceptConnections);
  return true;
}

SingleApplication::HandOver SingleApplication::send(const QByteArray& frame) const {
  QLocalSocket socket;
  socket.connectToServer(pathOf(".Message"));
  if (!socket.waitForConnected(kAnswerPatienceMs))
    return HandOver::NoListener;
  socket.write(frame);
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(kAnswerPatienceMs))
      break;
  }
  bool held = false;
  while (socket.bytesToWrite() == 0 && socket.waitForReadyRead(kAnswerPatienceMs)) {
    const QByteArray answers = socket.readAll();
    if (answers.contains(kTaken))
      return HandOver::Taken;
    held = held || answers.contains(kHeld);
  }
  if (socket.state() != QLocalSocket::UnconnectedState)
    return HandOver::Unanswered;
  // A listener that closed without taking the names was ending: the next try may find the
  // lock free.
  return held ? HandOver::ListenerLeft : HandOver::NoListener;
}

void SingleApplication::acceptConnections() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    auto received = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::readyRead, this,
            [this, socket, received] { receive(*socket, *received); });
  }
}

void SingleApplication::receive(QLocalSocket& socket, QByteArray& received) {
  received += socket.readAll();
  Unframed frame = Unframe(received);
  if (frame.state == Unframed::Partial)
    return;
  disconnect(&socket, &QLocalSocket::readyRead, this, nullptr);
  if (frame.state == Unframed::Broken) {
    socket.abort();
    return;
  }
  held_.push_back({&socket, std::move(frame.names)});
  openHeldNames();
}

void SingleApplication::openHeldNames() {
  // A start that gave up has closed its end, and opens its names itself.
  std::erase_if(held_, [](const HeldNames& held) {
    if (held.socket)
      held.socket->waitForReadyRead(0);
    return !held.socket || held.socket->state() != QLocalSocket::ConnectedState;
  });
  if (!canOpenNow()) {
    for (const HeldNames& held : held_)
      Reply(*held.socket, kHeld);
    if (!held_.empty())
      heldRetry_.start();
    return;
  }
  for (const HeldNames& held : std::exchange(held_, {})) {
    // Before the names open, so that their start ends meanwhile.
    Reply(*held.socket, kTaken);
    openNamesFromMessage(held.names);
  }
}

bool SingleApplication::canOpenNow() const {
  return form_ && !form_->isCloseConfirmed() && !QApplication::activeModalWidget() &&
         !ProgramMidi::isLent();
}

void SingleApplication::openNamesFromMessage(const QStringList& names) {
  if (names.isEmpty())
    return;
  EditorWindow* target = OpenCommandLineFiles(*form_, names);
  if (target->isMinimized())
    target->showNormal();
  target->raise();
  target->activateWindow();
  // Programs handed over were added to the library: its window shows them, in front.
  LibraryWindow* library = form_->libraryWindow();
  if (library && std::any_of(names.begin(), names.end(), IsLibraryName)) {
    library->raise();
    library->activateWindow();
  }
}
