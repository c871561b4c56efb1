// The Library window over a large library (made by corvale-bench-library --keep PATH): the time
// from start to the first paint of its table, the time a typed search takes to show its rows,
// and the memory the process holds before and after every row has been scrolled past.
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "app/library/LibraryWindow.h"
#include "app/library/ProgramTableModel.h"
#include "app/window/EditorWindow.h"
#include "bench/PaintWatch.h"
#include "files/DefaultFiles.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr double kOpenGoalMs = 300;
constexpr double kSearchGoalMs = 50;

// The process's resident memory, in MB.
double ResidentMegabytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

// Waits for the next paint of `widget`; the time it came, none when it never did.
std::optional<Clock::time_point> NextPaint(QWidget& widget) {
  PaintWatch watch;
  widget.installEventFilter(&watch);
  widget.update();
  const std::optional<Clock::time_point> at = watch.Wait();
  widget.removeEventFilter(&watch);
  return at;
}

const char* Verdict(double ms, double goalMs) {
  return ms <= goalMs ? "met" : "MISSED";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: corvale-bench-library-window LIBRARY [SEARCH]\n");
    return 2;
  }
  const std::string search = argc > 2 ? argv[2] : "pad";
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("CORVALE_LIBRARY", argv[1], 1);
  DefaultFiles::Use();
  const Clock::time_point start = Clock::now();
  int applicationArgc = 1;
  QApplication application(applicationArgc, argv);
  EditorWindow editor;
  LibraryWindow library(editor);
  library.showLibrary();
  auto* table = library.findChild<QTableView*>(QStringLiteral("ProgramTable"));
  const std::optional<Clock::time_point> painted = NextPaint(*table->viewport());
  if (!library.hasStore() || !painted) {
    std::fprintf(stderr, "corvale-bench-library-window: %s: not opened and painted\n", argv[1]);
    return 1;
  }
  const double openMs = Milliseconds(*painted - start).count();
  const int rows = library.programModel().rowCount();
  std::printf("Library window, %d programs\n", rows);
  std::printf("start to first paint of the table  %.1f ms (goal %.0f ms: %s)\n", openMs,
              kOpenGoalMs, Verdict(openMs, kOpenGoalMs));
  const double openMemory = ResidentMegabytes();

  QScrollBar* scroll = table->verticalScrollBar();
  for (int value = 0; value < scroll->maximum(); value += scroll->pageStep()) {
    scroll->setValue(value);
    table->viewport()->repaint();
  }
  std::printf("resident memory: %.1f MB open, %.1f MB after scrolling past every row\n", openMemory,
              ResidentMegabytes());

  const Clock::time_point typed = Clock::now();
  library.findChild<QLineEdit*>(QStringLiteral("LibrarySearch"))
      ->setText(QString::fromStdString(search));
  const std::optional<Clock::time_point> found = NextPaint(*table->viewport());
  const double searchMs = found ? Milliseconds(*found - typed).count() : -1;
  std::printf("search \"%s\": %d rows painted after %.1f ms (goal %.0f ms: %s)\n", search.c_str(),
              library.programModel().rowCount(), searchMs, kSearchGoalMs,
              Verdict(searchMs, kSearchGoalMs));
  return 0;
}
