#pragma once

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <functional>

class LibraryStore;
class QTimer;
class QWidget;

// Runs a change of the library once its write lock is ours: at once when no other program
// holds it, else after waiting for it without holding up the windows, behind a dialog that
// says what it waits for and whose Cancel gives the change up.
class LibraryWriteWait : public QObject {
  Q_OBJECT

 public:
  static constexpr int kRetryMs = 200;
  // What the dialog (and an addition's progress dialog) says while another program changes
  // the library.
  static QString text();

  explicit LibraryWriteWait(QWidget* window);
  ~LibraryWriteWait() override;

  // `change` runs with the write lock reserved for the store's next BeginChange (a change that
  // begins none lets it go). A lock that cannot be had for another reason than another
  // program (a read-only library) is left for the change to fail on and tell. While one change
  // waits, another is refused: false.
  bool run(LibraryStore& store, std::function<void()> change);
  bool isWaiting() const { return dialog_ != nullptr; }

 signals:
  // The dialog shown while waiting (the tests cancel it there).
  void waitStarted(QProgressDialog* dialog);
  void cancelled();

 private:
  void tryAgain();
  void giveUp();
  void runChange();
  void stopWaiting();

  QWidget* window_;
  LibraryStore* store_ = nullptr;
  std::function<void()> change_;
  QPointer<QProgressDialog> dialog_;
  QTimer* timer_;
};
