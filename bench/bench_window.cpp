// Times the editor window with the example bank: from the construction of the application to
// the first paint of the item list (the application, the window, the open of demo.s2a as a
// file named on the command line), and RefreshList of the Instrument tab (256 lines), against
// their goals; then RefreshList with the list narrowed by a Find text.
//
//   corvale-bench-window [EXAMPLE_DIR [RUNS]]   (this build's example folder, 200 refreshes)
//
// Runs on the offscreen platform unless QT_QPA_PLATFORM names another. The settings file is a
// copy of the example's, in a fresh folder under $TMPDIR, removed at the end.

#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/list/ItemListView.h"
#include "app/window/EditorWindow.h"
#include "bench/PaintWatch.h"
#include "files/DefaultFiles.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr double kFirstPaintGoalMs = 300;
constexpr double kRefreshGoalMs = 5;
// Found in the name or category of many lines of the Instrument tab.
constexpr const char* kFindText = "p";

struct Spread {
  double median;
  double max;
};

Spread TimeRuns(int runs, const std::function<void()>& run) {
  std::vector<double> elapsed;
  for (int i = 0; i < runs; ++i) {
    const Clock::time_point start = Clock::now();
    run();
    elapsed.push_back(Milliseconds(Clock::now() - start).count());
  }
  std::sort(elapsed.begin(), elapsed.end());
  return {elapsed[elapsed.size() / 2], elapsed.back()};
}

const char* Verdict(double ms, double goalMs) {
  return ms <= goalMs ? "met" : "MISSED";
}

int Measure(const std::filesystem::path& bank, int runs, Clock::time_point start) {
  PaintWatch firstPaint;
  EditorWindow window;
  window.itemList()->viewport()->installEventFilter(&firstPaint);
  // Shows the window, as it does for a file named on the command line.
  window.openFileInWindow(QString::fromStdString(bank.string()), true, false);
  const bool opened = window.statusText() == QStringLiteral("Open successful");
  if (!opened || !firstPaint.Wait()) {
    std::fprintf(stderr, "corvale-bench-window: %s: not opened and painted: %s\n", bank.c_str(),
                 qPrintable(window.statusReason()));
    return 1;
  }
  const double firstPaintMs = Milliseconds(*firstPaint.at - start).count();
  const Spread refresh = TimeRuns(runs, [&window] { window.refreshList(); });
  const Spread painted = TimeRuns(runs, [&window] {
    window.refreshList();
    window.itemList()->viewport()->repaint();
  });
  std::printf("Editor window on the %s platform (QT_QPA_PLATFORM), %s\n",
              qPrintable(QGuiApplication::platformName()), bank.c_str());
  std::printf("start to first paint of the list  %.1f ms (goal %.0f ms: %s)\n", firstPaintMs,
              kFirstPaintGoalMs, Verdict(firstPaintMs, kFirstPaintGoalMs));
  std::printf("RefreshList, %d lines, %d runs  median %.3f ms, max %.3f ms (goal %.0f ms: %s)\n",
              window.itemList()->count(), runs, refresh.median, refresh.max, kRefreshGoalMs,
              Verdict(refresh.max, kRefreshGoalMs));
  std::printf("RefreshList and repaint          median %.3f ms, max %.3f ms\n", painted.median,
              painted.max);
  window.findField()->setText(QString::fromUtf8(kFindText));
  const Spread filtered = TimeRuns(runs, [&window] { window.refreshList(); });
  std::printf(
      "RefreshList, found \"%s\", %d lines  median %.3f ms, max %.3f ms (goal %.0f ms: %s)\n",
      kFindText, window.itemList()->count(), filtered.median, filtered.max, kRefreshGoalMs,
      Verdict(filtered.max, kRefreshGoalMs));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path example = argc > 1 ? argv[1] : CORVALE_EXAMPLE_DIR;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("corvale-bench-window-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::error_code ignored;  // without it, the open reports what is missing
  std::filesystem::copy_file(example / "settings.conf", folder / "settings.conf", ignored);
  setenv("CORVALE_SETTINGS", (folder / "settings.conf").c_str(), 1);
  DefaultFiles::Use();

  const Clock::time_point start = Clock::now();
  int applicationArgc = 1;
  QApplication application(applicationArgc, argv);
  const int status = Measure(example / "demo.s2a", runs, start);
  std::filesystem::remove_all(folder);
  return status;
}
