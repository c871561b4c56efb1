#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// Shows a whole-bank transfer under way: the item, how far it has come, and a Cancel button. A
// click on Cancel, Esc or the close box asks for the transfer to stop; the dialog stays until
// whoever runs the transfer closes it at its end. Application-modal: while it shows, no other
// window takes input.
class TransferDialog : public QDialog {
  Q_OBJECT

 public:
  // How long a transfer runs before the dialog shows.
  static constexpr int kShowAfterMs = 500;

  TransferDialog(QWidget* parent, const QString& title, int count);

  // "Item 5 of 128, about 3 minutes left\nInstrument INT:005(A05) Grand Pno"; "Asking again:
  // item 2 of 7\n..." in a round for what had not arrived. `secondsLeft` -1: no estimate yet.
  void showStep(int position, int count, int round, const QString& item, int secondsLeft);
  // The first line of that: where the transfer is, and the time left.
  static QString progressText(int position, int count, int round, int secondsLeft);
  // "about 3 minutes left", "about 40 seconds left".
  static QString timeLeftText(int seconds);

 signals:
  void cancelRequested();

 protected:
  void reject() override;

 private:
  // StepLabel, ProgressBar and CancelButton.
  QLabel* stepLabel_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  bool cancelling_ = false;
};
