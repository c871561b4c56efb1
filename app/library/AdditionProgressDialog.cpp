#include "app/library/AdditionProgressDialog.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <thread>

#include "app/library/LibraryWriteWait.h"
#include "library/LibraryStore.h"

AdditionProgressDialog::AdditionProgressDialog(QWidget* parent) : QProgressDialog(parent) {
  setObjectName(QStringLiteral("AdditionProgress"));
  setWindowTitle(tr("Adding to the Library"));
  setWindowModality(Qt::WindowModal);
  setMinimumDuration(kShowAfterMs);
  setAutoClose(false);
  setAutoReset(false);
  connect(this, &QProgressDialog::canceled, this, [this] { cancel_ = true; });
}

void AdditionProgressDialog::showStep(const AdditionProgress& progress) {
  if (progress.waiting) {
    // A busy indicator until the addition may start.
    setMaximum(0);
    setLabelText(LibraryWriteWait::text());
    return;
  }
  setMaximum(static_cast<int>(progress.filesTotal));
  setLabelText(QString::fromStdString(progress.path));
  setValue(static_cast<int>(progress.filesDone));
  emit stepShown(static_cast<int>(progress.filesDone), static_cast<int>(progress.filesTotal));
}

int AdditionProgressDialog::run(const std::string& libraryPath, const Job& job,
                                AdditionReport& report, std::string& error) {
  cancel_ = false;
  int result = -1;
  std::atomic<bool> finished = false;
  QEventLoop loop;
  std::thread worker([&] {
    const std::unique_ptr<LibraryStore> store = LibraryStore::Open(libraryPath, error);
    if (store) {
      LibraryAddition addition(*store);
      addition.SetCancelFlag(&cancel_);
      // Each step waits until the dialog has shown it, so that a Cancel seen there stops the
      // addition before the next file.
      addition.SetProgressHandler([this](const AdditionProgress& progress) {
        QMetaObject::invokeMethod(
            this, [this, progress] { showStep(progress); }, Qt::BlockingQueuedConnection);
      });
      result = job(addition, report);
      if (result != 0)
        error = addition.Error();
    }
    finished = true;
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  // The program ending leaves the loop early; the addition, whose steps wait for this thread,
  // stops at its next file and keeps nothing.
  while (!finished) {
    cancel_ = true;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  worker.join();
  hide();
  return result;
}
