#pragma once

#include <QDialog>
#include <memory>

class MidiControl;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QShowEvent;

// The MIDI ports and the receive numbers. The dialog only moves values between its controls and
// MidiControl, whose handle it holds for its whole life; the controls are refilled at every
// opening, so edits abandoned with Cancel are forgotten. The port lists are read afresh at
// every opening and by Refresh, so ports that came since are there; Apply opens the chosen
// ports afresh, also the ones in use (a port that went away and came back is reached again).
class PreferencesDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 355;
  // Taller than the original 275, for the retries and the verify choice.
  static constexpr int kClientHeight = 305;

  explicit PreferencesDialog(QWidget* parent = nullptr);
  ~PreferencesDialog() override;

  // Shows the dialog modally, centred on `mainWindow`; returns when it has closed.
  int ShowModalOver(QWidget* mainWindow);

  // Every opening: the port lists and the numbers as MidiControl has them.
  void OnShowForm();
  // The chosen ports and the numbers in force; a text that is not a whole decimal number
  // stands for the value already in force.
  void ApplyButtonClick();
  void OkButtonClick();
  void CancelButtonClick();
  // The port lists read afresh; the other fields keep what was typed.
  void RefreshButtonClick();

  QComboBox* MIDIInputComboBox = nullptr;
  QComboBox* MIDIOutputComboBox = nullptr;
  QLineEdit* BufferSizeEdit = nullptr;
  QLineEdit* BufferNumberEdit = nullptr;
  QLineEdit* RecvTimeoutPrefEdit = nullptr;
  // How many more times a receive asks for an item that arrived incomplete; 0 to 99.
  QLineEdit* ReceiveRetriesEdit = nullptr;
  QCheckBox* VerifyCheckBox = nullptr;
  QPushButton* RefreshButton = nullptr;
  // Buffer Delay and F7 Delay: always disabled, always 0, nothing behind them.
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* ApplyButton = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QGroupBox* BuildMidiGroup();
  QGroupBox* BuildSysxDumpGroup();
  QLayout* BuildButtonRow();
  // False, after telling the user, when a choice could not be stored.
  bool ApplyChoices();
  // False, after telling the user which and what would, when a field holds a whole number
  // outside what works (a text that is no number stands for the value in force).
  bool NumbersInRange();
  struct NumberRange;
  static const NumberRange kNumberRanges[];
  void FillPortLists();

  std::unique_ptr<MidiControl> midi_;
};
