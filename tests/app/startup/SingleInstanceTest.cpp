#include <csignal>
#include <cstdlib>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "app/commands/FileNameText.h"
#include "app/library/LibraryWindow.h"
#include "app/startup/SingleApplication.h"
#include "files/SmartFilename.h"
#include "tests/app/WindowFixture.h"

namespace {

using test::kPatienceMs;

// Runs the event loop until `value()` is `expected` or the patience is out; gives the value.
template <typename Value, typename Expected>
auto Eventually(Value value, const Expected& expected) {
  static_cast<void>(QTest::qWaitFor([&] { return value() == expected; }, kPatienceMs));
  return value();
}

QString Title(const QString& path) {
  return "Corvale - " + path;
}

QString Opened(const QString& path) {
  return Title(path) + " | Open successful";
}

// A window of the probe's report: a file opened, and the reason beside the status.
QString OpenedLine(const QString& path, const QString& reason = {}) {
  return QString::fromUtf8((Title(path) + "\tOpen successful\t" + reason).toUtf8());
}

QStringList TitlesAndStatuses(EditorWindow& first) {
  QStringList windows;
  for (EditorWindow* window : Chain(first))
    windows << (window->windowFilePath().isEmpty() ? QStringLiteral("Corvale")
                                                   : "Corvale - " + window->windowFilePath()) +
                   " | " + window->statusText();
  return windows;
}

// The registration files of a run, in `folder`.
QString LockIn(const QString& folder) {
  return folder + "/Corvale.Mutex";
}
QString SocketIn(const QString& folder) {
  return folder + "/Corvale.Message";
}

// The running program is this test's first window, registered in a scratch runtime folder;
// later starts register from threads of their own while this thread's event loop runs.
class SingleInstance : public WindowTest {
 protected:
  SingleInstance() : savedRuntime_(qgetenv("XDG_RUNTIME_DIR")) {
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime_.Path()));
  }
  ~SingleInstance() override { qputenv("XDG_RUNTIME_DIR", savedRuntime_); }

  QString Runtime() const { return QString::fromStdString(runtime_.Path()); }

  // Another start with `names`: true when it found itself the first.
  bool StartAnother(const QStringList& names) {
    std::atomic<bool> done = false;
    bool first = false;
    std::thread start([&] {
      SingleApplication later(nullptr);
      later.setFileNames(names);
      first = later.registerApplication();
      done = true;
    });
    const bool ended = QTest::qWaitFor([&] { return done.load(); }, kPatienceMs);
    start.join();
    EXPECT_TRUE(ended);
    // Runs the opening the answer was sent before.
    QCoreApplication::processEvents();
    return first;
  }

  // A later start's hand-over made by hand, to see the running program's answers.
  std::unique_ptr<QLocalSocket> HandOver(const QStringList& names) {
    auto later = std::make_unique<QLocalSocket>();
    later->connectToServer(SocketIn(Runtime()));
    EXPECT_TRUE(later->waitForConnected(kPatienceMs));
    later->write(SingleApplication::frame(names));
    return later;
  }

  // Runs the event loop until `later` has answered `answer`; its answers land in `answers`.
  static bool AnswerCame(QLocalSocket& later, QByteArray& answers, char answer) {
    return QTest::qWaitFor([&] { return (answers += later.readAll()).contains(answer); },
                           kPatienceMs);
  }

  test::TempDir runtime_;
  QByteArray savedRuntime_;
  SingleApplication running_{form_.get()};
};

TEST_F(SingleInstance, LongNamesWithBlanksOpenInTheRunningProgram) {
  ASSERT_TRUE(running_.registerApplication());
  // Names with blanks, deep enough that the hand-over is longer than 4096 bytes.
  QString folder = QString::fromStdString(dir_.Path());
  for (int level = 0; level < 7; ++level)
    folder += "/level " + QString(190, QChar(u'a' + level));
  ASSERT_TRUE(QDir().mkpath(folder));
  QStringList paths;
  for (const char* name : {"demo.s2a", "demo.s2v", "demo.s2e"}) {
    paths << folder + "/bank with blanks " + name;
    ASSERT_TRUE(QFile::copy(PathOf(name), paths.back()));
  }
  // The first as a name relative to where the later start was made: it arrives absolute, and
  // without the steps up.
  const QString startup = QString::fromStdString(SmartFilename::StartupDirectory());
  const QStringList names = {QDir(startup).relativeFilePath(paths[0]), paths[1], paths[2]};
  ASSERT_GT(SingleApplication::frame(names).size(), 4096);

  EXPECT_FALSE(StartAnother(names));
  const QStringList expected = {Opened(paths[0]), Opened(paths[1]), Opened(paths[2])};
  EXPECT_EQ(TitlesAndStatuses(*form_), expected);
  EXPECT_EQ(Eventually(&QApplication::activeWindow, &form_->lastWindow()), &form_->lastWindow());
}

TEST_F(SingleInstance, EmptyOrCutHandOversChangeNothing) {
  ASSERT_TRUE(running_.registerApplication());
  OpenDemo(*form_);
  // Untouched: the names of a hand-over open into it.
  form_->appendWindow().show();
  form_->activateWindow();
  ASSERT_EQ(Eventually(&QApplication::activeWindow, form_.get()), form_.get());
  const QStringList before = TitlesAndStatuses(*form_);

  // Starts that end before their frame is whole, then a start without names.
  const QByteArray frame = SingleApplication::frame({PathOf("demo.s2v")});
  for (const qsizetype cut : {qsizetype(2), qsizetype(10), frame.size() - 1}) {
    QLocalSocket socket;
    socket.connectToServer(SocketIn(Runtime()));
    ASSERT_TRUE(socket.waitForConnected(kPatienceMs));
    socket.write(frame.left(cut));
    ASSERT_TRUE(socket.waitForBytesWritten(kPatienceMs));
  }
  EXPECT_FALSE(StartAnother({}));
  EXPECT_EQ(TitlesAndStatuses(*form_), before);
  EXPECT_EQ(QApplication::activeWindow(), form_.get());

  // A whole one after them is opened, and brings its window to the front.
  EXPECT_FALSE(StartAnother({PathOf("demo.s2e")}));
  EXPECT_EQ(TitlesAndStatuses(*form_),
            (QStringList{Opened(PathOf("demo.s2a")), Opened(PathOf("demo.s2e"))}));
  EXPECT_EQ(Eventually(&QApplication::activeWindow, &form_->lastWindow()), &form_->lastWindow());
}

TEST_F(SingleInstance, LockAndSocketOfAKilledRunAreCleared) {
  const int killed = test::RunInChild([] {
    SingleApplication crashed(nullptr);
    crashed.registerApplication();
    ::raise(SIGKILL);
    return 0;
  });
  ASSERT_EQ(killed, 128 + SIGKILL);
  ASSERT_TRUE(QFile::exists(LockIn(Runtime())));
  ASSERT_TRUE(QFile::exists(SocketIn(Runtime())));

  EXPECT_TRUE(running_.registerApplication());
  EXPECT_FALSE(StartAnother({PathOf("demo.s2a")}));
  EXPECT_EQ(TitlesAndStatuses(*form_), QStringList{Opened(PathOf("demo.s2a"))});
}

// A window made for a name that could not be opened stays hidden at the end of the chain; the
// next failure is said in the window that comes to the front, not in one behind it.
TEST_F(SingleInstance, AFailedNameIsSaidInTheWindowBroughtToTheFront) {
  ASSERT_TRUE(running_.registerApplication());
  OpenDemo(*form_);
  for (const char* name : {"demo.s2v", "missing.s2a", "gone.s2e"})
    EXPECT_FALSE(StartAnother({PathOf(name)}));
  EditorWindow* front = form_->nextWindow();
  ASSERT_TRUE(front->nextWindow() && front->nextWindow()->isHidden());
  EXPECT_EQ(Eventually(&QApplication::activeWindow, front), front);
  EXPECT_EQ(front->statusReason(), "gone.s2e: Error opening file: No such file or directory");
  EXPECT_EQ(form_->statusText(), "Open successful");
}

// A later start's single program is added to the library, whose window comes to the front;
// its bank opens in a window of its own as before.
TEST_F(SingleInstance, HandedOverProgramsGoToTheLibrary) {
  ASSERT_TRUE(running_.registerApplication());
  OpenDemo(*form_);
  EXPECT_FALSE(StartAnother({PathOf("demo.s2v"), PathOf("demo.s2i")}));
  const auto windows = Chain(*form_);
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[1]->fileName(), PathOf("demo.s2v"));
  QWidget* library = form_->libraryWindow();
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(Eventually(&QApplication::activeWindow, library), library);
  EXPECT_EQ(Eventually([this] { return form_->libraryWindow()->statusText(); },
                       QStringLiteral("Added 1 new program, 0 already known; 0 files skipped")),
            "Added 1 new program, 0 already known; 0 files skipped");
}

// A command in the middle of a question keeps its window: handed-over names wait, and their
// starts are told so, until no dialog is open. A start that gave up meanwhile opens its names
// itself, so they do not open here.
TEST_F(SingleInstance, NamesWaitUntilNoDialogIsOpenForStartsThatStillWait) {
  ASSERT_TRUE(running_.registerApplication());
  QDialog question(form_.get());
  question.setModal(true);
  question.show();
  const auto gaveUp = HandOver({PathOf("demo.s2e")});
  const auto waits = HandOver({PathOf("demo.s2v")});
  QByteArray gaveUpAnswers, answers;
  ASSERT_TRUE(AnswerCame(*gaveUp, gaveUpAnswers, SingleApplication::kHeld));
  ASSERT_TRUE(AnswerCame(*waits, answers, SingleApplication::kHeld));
  gaveUp->abort();
  question.close();
  EXPECT_TRUE(AnswerCame(*waits, answers, SingleApplication::kTaken));
  EXPECT_EQ(TitlesAndStatuses(*form_), QStringList{Opened(PathOf("demo.s2v"))});
}

// Names that come while the quit question is open are held; when the user answers No and the
// program ends, they were never taken, and their start goes on with them.
TEST_F(SingleInstance, NamesHeldWhenTheProgramEndsAreNotTaken) {
  auto running = std::make_unique<SingleApplication>(form_.get());
  ASSERT_TRUE(running->registerApplication());
  MakeModifiedDemo(*form_);
  std::unique_ptr<UserDialogs> scripted = setUserDialogs(nullptr);
  const auto restoreDialogs = qScopeGuard([&] { setUserDialogs(std::move(scripted)); });
  std::unique_ptr<QLocalSocket> later;
  QByteArray answers;
  QTimer::singleShot(0, [&] {
    later = HandOver({PathOf("demo.s2v")});
    EXPECT_TRUE(AnswerCame(*later, answers, SingleApplication::kHeld));
    if (auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
      question->button(QMessageBox::No)->click();
  });
  form_->quit();
  ASSERT_TRUE(form_->isCloseConfirmed() && later);
  // Closed, the first window takes no names, though events may still come before the end.
  answers.clear();
  EXPECT_TRUE(AnswerCame(*later, answers, SingleApplication::kHeld));
  running.reset();
  EXPECT_TRUE(QTest::qWaitFor([&] { return later->state() == QLocalSocket::UnconnectedState; },
                              kPatienceMs));
  answers += later->readAll();
  EXPECT_EQ(answers, QByteArray(answers.size(), SingleApplication::kHeld));
}

// The probe program (the editor's start-up, reporting the windows it shows) run as separate
// processes on a platform without a display, with scratch runtime and settings folders.
class SingleInstanceProcesses : public testing::Test {
 protected:
  SingleInstanceProcesses() {
    test::UseNoConfiguration(dir_);
    EXPECT_TRUE(test::WriteDemoFiles(dir_));
    environment_ = QProcessEnvironment::systemEnvironment();
    environment_.insert("QT_QPA_PLATFORM", "offscreen");
    environment_.insert("XDG_RUNTIME_DIR", Runtime());
    environment_.insert("XDG_CONFIG_HOME", Folder() + "/config");
  }
  ~SingleInstanceProcesses() override { StopAll(); }

  void StopAll() {
    for (const auto& process : started_) {
      process->kill();
      process->waitForFinished();
    }
    started_.clear();
    QFile::remove(Folder() + "/first.txt");
    QFile::remove(Folder() + "/later.txt");
  }

  QString Folder() const { return QString::fromStdString(dir_.Path()); }
  QString PathOf(const char* name) const { return QString::fromStdString(dir_.File(name)); }

  QString Runtime() const { return Folder() + "/run"; }

  // The probe in `workingFolder`, reporting its windows in the file `report` of the folder.
  QProcess& Start(const QStringList& arguments, const QString& workingFolder,
                  const QString& report = "report.txt", const QString& program = CORVALE_PROBE) {
    auto& process = *started_.emplace_back(std::make_unique<QProcess>());
    QProcessEnvironment environment = environment_;
    environment.insert("CORVALE_PROBE_REPORT", Folder() + '/' + report);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingFolder);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForStarted());
    return process;
  }

  // The probe started through the shell, so that each argument reaches it byte for byte.
  QProcess& StartExactly(const std::vector<std::string>& arguments, const QString& workingFolder) {
    QString script = "exec \"$0\"";
    for (const std::string& argument : arguments) {
      script += " \"$(printf '";
      for (const unsigned char byte : argument)
        script += QString::asprintf("\\%03o", unsigned(byte));
      script += "')\"";
    }
    return Start({"-c", script, CORVALE_PROBE}, workingFolder, "report.txt", "/bin/sh");
  }

  // The windows a running program reports, one a line (title, status and reason separated by
  // tabs), sorted.
  QStringList Reported(const QString& report = "report.txt") const {
    QFile file(Folder() + '/' + report);
    if (!file.open(QIODevice::ReadOnly))
      return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines;
  }

  QStringList ReportedTitles() const {
    QStringList titles;
    for (const QString& line : Reported())
      titles << line.section(u'\t', 0, 0);
    titles.sort();
    return titles;
  }

  // A later start ended at once, with status 0, without a window.
  static void ExpectHandedOver(QProcess& start) {
    ASSERT_TRUE(start.state() == QProcess::NotRunning || start.waitForFinished(kPatienceMs));
    EXPECT_EQ(start.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(start.exitCode(), 0);
    EXPECT_EQ(start.readAllStandardOutput(), "windows shown: 0\n");
  }

  test::TempDir dir_;
  QProcessEnvironment environment_;
  std::vector<std::unique_ptr<QProcess>> started_;
};

const QStringList kUntitled = {"Corvale"};

TEST_F(SingleInstanceProcesses, AfterAKilledRunASecondStartHandsOverTwoQuotedPaths) {
  QProcess& killed = Start({}, Folder());
  ASSERT_EQ(Eventually([&] { return ReportedTitles(); }, kUntitled), kUntitled);
  killed.kill();
  ASSERT_TRUE(killed.waitForFinished());
  ASSERT_TRUE(QFile::exists(LockIn(Runtime())) && QFile::exists(SocketIn(Runtime())));
  QFile::remove(Folder() + "/report.txt");

  QProcess& first = Start({}, QDir::rootPath());
  ASSERT_EQ(Eventually([&] { return ReportedTitles(); }, kUntitled), kUntitled);
  ASSERT_TRUE(QFile::copy(PathOf("demo.s2a"), PathOf("my bank.s2a")));
  ASSERT_TRUE(QFile::copy(PathOf("demo.s2v"), PathOf("other bank.s2v")));
  // The first name relative to the second start's folder, which is not the first's.
  ExpectHandedOver(Start({"my bank.s2a", PathOf("other bank.s2v")}, Folder()));
  const QStringList both = {Title(PathOf("my bank.s2a")), Title(PathOf("other bank.s2v"))};
  EXPECT_EQ(Eventually([&] { return ReportedTitles(); }, both), both);
  EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(SingleInstanceProcesses, TenStartsAtOnceLeaveOneProgramWithEveryFile) {
  QStringList paths, expected;
  for (int n = 0; n < 10; ++n) {
    paths << PathOf(("bank " + std::to_string(n) + ".s2a").c_str());
    ASSERT_TRUE(QFile::copy(PathOf("demo.s2a"), paths.back()));
    expected << Title(paths.back());
  }
  std::vector<QProcess*> starts;
  for (const QString& path : paths)
    starts.push_back(&Start({path}, Folder()));

  EXPECT_EQ(Eventually([&] { return ReportedTitles(); }, expected), expected);
  const auto ended = [&] {
    return std::count_if(starts.begin(), starts.end(),
                         [](QProcess* start) { return start->state() == QProcess::NotRunning; });
  };
  EXPECT_EQ(Eventually(ended, 9), 9);
  for (QProcess* start : starts) {
    if (start->state() == QProcess::NotRunning)
      ExpectHandedOver(*start);
  }
}

// Names reach the windows byte for byte (quotes, blanks, bytes that are not UTF-8), at the
// first start and handed over from another folder, relative to each start's folder; the titles
// name them absolute.
TEST_F(SingleInstanceProcesses, NamesOpenExactlyAsGiven) {
  const std::vector<std::string> names = {"\"q.s2a", "a \"b.s2v", "\xff\xfe.s2e"};
  const std::string files = dir_.File("files");
  ASSERT_TRUE(QDir(Folder()).mkpath("files") && QDir(Folder()).mkpath("elsewhere"));
  // What the first name read as a text of names in quotes would open instead.
  std::filesystem::copy_file(dir_.File("demo.s2a"), files + "/q.s2a");
  std::vector<std::string> fromElsewhere;
  QStringList first, both;
  for (const std::string& name : names) {
    std::filesystem::copy_file(dir_.File("demo" + name.substr(name.size() - 4)),
                               files + '/' + name);
    fromElsewhere.push_back("../files/" + name);
    first << OpenedLine(DecodeFileName(files + '/' + name));
    both << first.back() << first.back();
  }
  first.sort();
  both.sort();
  StartExactly(names, Folder() + "/files");
  ASSERT_EQ(Eventually([&] { return Reported(); }, first), first);
  ExpectHandedOver(StartExactly(fromElsewhere, Folder() + "/elsewhere"));
  EXPECT_EQ(Eventually([&] { return Reported(); }, both), both);
}

// No start ends without a window. What no running editor can have left is cleared, and a start
// that can neither take the lock nor reach its holder runs alone; the first window says which.
TEST_F(SingleInstanceProcesses, BrokenLocksAndSocketsNeverLeaveAStartWithoutAWindow) {
  const QString lock = LockIn(Runtime()), socket = SocketIn(Runtime());
  const QString clearedLock = "Cleared the stale " + lock;
  const QString clearedSocket = "Cleared the stale " + socket;
  const QString untaken = "Running alone: cannot take " + lock;
  const QString unanswered =
      "Running alone: another Corvale holds " + lock + " but does not answer";
  const QString unheard = "Running alone: cannot listen on " + socket;
  const auto write = [](const QString& path, const QByteArray& bytes, int ageSeconds) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    ASSERT_TRUE(file.flush() && file.setFileTime(QDateTime::currentDateTime().addSecs(-ageSeconds),
                                                 QFileDevice::FileModificationTime));
  };
  const QByteArray elsewhere =
      QByteArray::number(QCoreApplication::applicationPid()) + "\ncorvale\nelsewhere.invalid\n";
  QProcess* first = nullptr;
  struct Case {
    const char* what;
    std::function<void()> beforeFirst, beforeLater;
    QString firstNote, laterNote;  // no later note: the later start hands over
  };
  const Case cases[] = {
      {"old garbage lock", [&] { write(lock, "garbage", 3600); }, {}, clearedLock, {}},
      {"empty new lock", [&] { write(lock, {}, 0); }, {}, clearedLock, {}},
      {"another host's lock", [&] { write(lock, elsewhere, 0); }, {}, clearedLock, {}},
      {"empty folder lock", [&] { QDir().mkpath(lock); }, {}, clearedLock, {}},
      {"full folder lock", [&] { QDir().mkpath(lock + "/x"); }, {}, untaken, untaken},
      {"empty folder socket", [&] { QDir().mkpath(socket); }, {}, clearedSocket, {}},
      {"full folder socket", [&] { QDir().mkpath(socket + "/x"); }, {}, unheard, unheard},
      {"socket removed", {}, [&] { QFile::remove(socket); }, {}, unanswered},
      {"stopped editor", {}, [&] { ::kill(pid_t(first->processId()), SIGSTOP); }, {}, unanswered},
  };

  for (const Case& broken : cases) {
    SCOPED_TRACE(broken.what);
    StopAll();
    ASSERT_TRUE(QDir(Runtime()).removeRecursively());
    ASSERT_TRUE(QDir().mkdir(Runtime(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    if (broken.beforeFirst)
      broken.beforeFirst();
    first = &Start({PathOf("demo.s2a")}, Folder(), "first.txt");
    const QStringList opened = {OpenedLine(PathOf("demo.s2a"), broken.firstNote)};
    ASSERT_EQ(Eventually([&] { return Reported("first.txt"); }, opened), opened);
    if (broken.beforeLater)
      broken.beforeLater();
    QProcess& later = Start({PathOf("demo.s2v")}, Folder(), "later.txt");
    const QStringList laterOpened = {OpenedLine(PathOf("demo.s2v"), broken.laterNote)};
    if (broken.laterNote.isEmpty()) {
      ExpectHandedOver(later);
      const QStringList both = opened + laterOpened;
      EXPECT_EQ(Eventually([&] { return Reported("first.txt"); }, both), both);
    } else {
      EXPECT_EQ(Eventually([&] { return Reported("later.txt"); }, laterOpened), laterOpened);
    }
  }
}

}  // namespace
