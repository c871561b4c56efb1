// Opens the example bank in a new window and closes that window, CYCLES times, as File > Open
// in New Window and File > Close do, from the application's event loop; prints the process's
// resident memory before, after the first cycle and after the last, the growth per cycle, how
// many editor windows are left, and what is left of the growth once Qt's pixmap cache is empty
// and the heap's free memory has gone back to the system. (Each window's icons are new to the
// cache, which keeps their pixmaps up to its limit, QPixmapCache::cacheLimit().)
//
//   corvale-bench-window-close [--no-pixmap-cache] [EXAMPLE_DIR [CYCLES]]
//                                        (this build's example folder, 300 cycles)
//
// --no-pixmap-cache sets the cache's limit to 0 before the first cycle.
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM names another. The settings file is a
// copy of the example's, in a fresh folder under $TMPDIR, removed at the end.

#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QPixmapCache>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/window/EditorWindow.h"
#include "files/DefaultFiles.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
// At most this much growth over this many cycles.
constexpr double kGrowthGoalMiB = 10;
constexpr int kGoalCycles = 300;

// The resident set from /proc/self/statm (its second field, in pages).
double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / kMiB;
}

// The offscreen platform says at every window's showing that it ignores size hints.
void DropSizeHintNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (!text.contains(QStringLiteral("propagateSizeHints")))
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

int EditorWindowsAlive() {
  const QWidgetList windows = QApplication::topLevelWidgets();
  return int(std::count_if(windows.begin(), windows.end(), [](const QWidget* window) {
    return qobject_cast<const EditorWindow*>(window) != nullptr;
  }));
}

// One cycle per turn of the event loop: the window opens and paints, closes on the next turn,
// and what its close left for later (deferred deletion) runs before the next cycle opens.
class Cycles {
 public:
  Cycles(EditorWindow& first, QString bank, int cycles)
      : first_(first), bank_(std::move(bank)), left_(cycles) {}

  double afterFirstMiB = 0;
  bool failed = false;

  void openNext() {
    if (left_-- == 0) {
      QApplication::quit();
      return;
    }
    QPointer<EditorWindow> opened = &first_.openFileInWindow(bank_, true, true);
    if (opened->statusText() != QStringLiteral("Open successful")) {
      std::fprintf(stderr, "corvale-bench-window-close: %s: %s\n", qPrintable(bank_),
                   qPrintable(opened->statusReason()));
      failed = true;
      QApplication::quit();
      return;
    }
    QTimer::singleShot(0, [this, opened] {
      if (opened)
        opened->closeWindow();
      QTimer::singleShot(0, [this] {
        if (afterFirstMiB == 0)
          afterFirstMiB = ResidentMiB();
        openNext();
      });
    });
  }

 private:
  EditorWindow& first_;
  const QString bank_;
  int left_;
};

int Measure(const std::filesystem::path& bank, int cycles) {
  EditorWindow first;
  first.openFileInWindow(QString::fromStdString(bank.string()), true, false);
  if (first.statusText() != QStringLiteral("Open successful")) {
    std::fprintf(stderr, "corvale-bench-window-close: %s: %s\n", bank.c_str(),
                 qPrintable(first.statusReason()));
    return 1;
  }
  QCoreApplication::processEvents();
  const double beforeMiB = ResidentMiB();
  Cycles run(first, QString::fromStdString(bank.string()), cycles);
  QTimer::singleShot(0, [&run] { run.openNext(); });
  QApplication::exec();
  if (run.failed)
    return 1;
  const double afterMiB = ResidentMiB();
  const double growthMiB = afterMiB - beforeMiB;
  const double goalMiB = kGrowthGoalMiB * cycles / kGoalCycles;
  std::printf("Open in a new window and close, %d cycles, %s, on the %s platform\n", cycles,
              bank.c_str(), qPrintable(QGuiApplication::platformName()));
  std::printf("Qt's pixmap cache limit      %5d KiB\n", QPixmapCache::cacheLimit());
  std::printf("resident before              %7.1f MiB\n", beforeMiB);
  std::printf("after the first cycle        %7.1f MiB (+%.2f MiB)\n", run.afterFirstMiB,
              run.afterFirstMiB - beforeMiB);
  std::printf("after the last cycle         %7.1f MiB\n", afterMiB);
  std::printf(
      "growth                       %7.1f MiB, %.3f MiB per cycle (goal under %.1f MiB: %s)\n",
      growthMiB, growthMiB / cycles, goalMiB, growthMiB < goalMiB ? "met" : "MISSED");
  if (cycles > 1)
    std::printf("growth after the first cycle %7.1f MiB, %.3f MiB per cycle\n",
                afterMiB - run.afterFirstMiB, (afterMiB - run.afterFirstMiB) / (cycles - 1));
  std::printf("editor windows alive         %5d\n", EditorWindowsAlive());
  QPixmapCache::clear();
  malloc_trim(0);
  const double settledMiB = ResidentMiB();
  std::printf("cache emptied, heap trimmed  %7.1f MiB (growth %.1f MiB)\n", settledMiB,
              settledMiB - beforeMiB);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  const bool noPixmapCache = std::erase(arguments, "--no-pixmap-cache") > 0;
  const std::filesystem::path example =
      arguments.size() > 0 ? arguments[0] : std::string(CORVALE_EXAMPLE_DIR);
  const int cycles = arguments.size() > 1 ? std::max(1, std::atoi(arguments[1].c_str())) : 300;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("corvale-bench-window-close-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::error_code ignored;  // without it, the open reports what is missing
  std::filesystem::copy_file(example / "settings.conf", folder / "settings.conf", ignored);
  setenv("CORVALE_SETTINGS", (folder / "settings.conf").c_str(), 1);
  DefaultFiles::Use();

  qInstallMessageHandler(DropSizeHintNotes);
  int applicationArgc = 1;
  QApplication application(applicationArgc, argv);
  // As in the program: only the first window's close ends it.
  QApplication::setQuitOnLastWindowClosed(false);
  if (noPixmapCache)
    QPixmapCache::setCacheLimit(0);
  const int status = Measure(example / "demo.s2a", cycles);
  std::filesystem::remove_all(folder);
  return status;
}
