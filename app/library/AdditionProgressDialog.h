#pragma once

#include <QProgressDialog>
#include <atomic>
#include <functional>
#include <string>

#include "library/LibraryAddition.h"

// Runs an addition on a thread of its own, with a store of its own on the library's file,
// behind a progress dialog whose Cancel stops it before the next file and keeps nothing.
class AdditionProgressDialog : public QProgressDialog {
  Q_OBJECT

 public:
  static constexpr int kShowAfterMs = 500;

  explicit AdditionProgressDialog(QWidget* parent);

  // What runs on the thread, with an addition on the thread's own store.
  using Job = std::function<int(LibraryAddition& addition, AdditionReport& report)>;

  // 0 when the addition was kept; -1 with `error` set when nothing of it was (cancelled()
  // tells a cancel from a failure).
  int run(const std::string& libraryPath, const Job& job, AdditionReport& report,
          std::string& error);
  bool cancelled() const { return cancel_; }

 signals:
  // A file is about to be read: shown before the addition goes on.
  void stepShown(int filesDone, int filesTotal);

 private:
  void showStep(const AdditionProgress& progress);

  std::atomic<bool> cancel_ = false;
};
