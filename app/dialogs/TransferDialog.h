#pragma once

#include <QDialog>
#include <span>

#include "midi/ports/BankTransfer.h"

class MidiControl;
class QLabel;
class QProgressBar;
class QPushButton;

// Runs a whole-bank transfer on a thread of its own, which uses the ports for the transfer's
// whole length, while the windows stay painted. The dialog shows the item under way with a
// Cancel button; it appears only when the transfer takes longer than half a second. Until the
// transfer ends, no window takes input but the dialog.
class TransferDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Direction { Receive, Send };
  static constexpr int kShowAfterMs = 500;
  static constexpr int kPollMs = 50;

  TransferDialog(QWidget* parent, const QString& title);
  ~TransferDialog() override;

  BankTransfer::Summary run(Direction direction, MidiControl& control,
                            std::span<const BankTransfer::Slot> places);

  // "Instrument EXT:001(A01)"
  static QString slotName(const BankTransfer::Slot& slot);
  // Whether a transfer runs: the ports belong to its thread until it ends.
  static bool isRunning();

 protected:
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool belongsToDialog(const QObject* watched) const;

  // StepLabel, ProgressBar and CancelButton.
  QLabel* stepLabel_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};
