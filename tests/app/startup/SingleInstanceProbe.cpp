// The editor's own start-up, made observable for the single-instance tests: while its event
// loop runs it keeps the windows shown, in chain order, one a line (title, status and reason,
// separated by tabs), in the file named by CORVALE_PROBE_REPORT; when it ends it prints how
// many windows it ever showed.
#include <QApplication>
#include <QSaveFile>
#include <QTimer>
#include <cstdio>

#include "app/startup/CommandLine.h"
#include "app/startup/ProgramEntry.h"
#include "app/window/EditorWindow.h"

namespace {

class ShownWindows : public QObject {
 public:
  int count = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->isWindow())
      ++count;
    return false;
  }
};

QString WindowLines() {
  QString lines;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* first = qobject_cast<EditorWindow*>(widget);
    if (!first || first->previousWindow() || first->isHidden())
      continue;
    for (EditorWindow* window = first; window; window = window->nextWindow()) {
      // The file a title names (the title shortens long folders to fit the window).
      if (!window->isHidden())
        lines += (window->windowFilePath().isEmpty()
                      ? QStringLiteral("Corvale")
                      : QStringLiteral("Corvale - ") + window->windowFilePath()) +
                 u'\t' + window->statusText() + u'\t' + window->statusReason() + u'\n';
    }
  }
  return lines;
}

void Report(const QString& path, QString& reported) {
  const QString lines = WindowLines();
  if (lines == reported)
    return;
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(lines.toUtf8()) >= 0 && file.commit())
    reported = lines;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ShownWindows shown;
  application.installEventFilter(&shown);
  QString reported;
  QTimer reportTimer;
  QObject::connect(&reportTimer, &QTimer::timeout,
                   [&reported] { Report(qEnvironmentVariable("CORVALE_PROBE_REPORT"), reported); });
  reportTimer.start(20);
  const int status = RunProgram(application, CommandLineNames(argc, argv));
  std::printf("windows shown: %d\n", shown.count);
  return status;
}
