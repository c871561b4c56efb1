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
  // Taller than the original 275, for the retries and the two choices below them.
  static constexpr int kClientHeight = 330;

  explicit PreferencesDialog(QWidget* parent = nullptr);
  ~PreferencesDialog() override;

  // Shows the dialog modally, centred on `mainWindow`; returns when it has closed.
  int showModalOver(QWidget* mainWindow);

  // Every opening: the port lists and the numbers as MidiControl has them.
  void loadCurrentChoices();
  // The chosen ports and the numbers in force; a text that is not a whole decimal number
  // stands for the value already in force.
  void apply();
  void applyAndClose();
  // The port lists read afresh; the other fields keep what was typed.
  void refreshPorts();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QGroupBox* buildMidiGroup();
  QGroupBox* buildSysxDumpGroup();
  QLayout* buildButtonRow();
  // False, after telling the user, when a choice could not be stored.
  bool applyChoices();
  // False, after telling the user which and what would, when a field holds a whole number
  // outside what works (a text that is no number stands for the value in force).
  bool numbersInRange();
  struct NumberRange;
  static const NumberRange kNumberRanges[];
  void fillPortLists();

  void nameControls();

  QComboBox* inputPorts_ = nullptr;
  QComboBox* outputPorts_ = nullptr;
  QLineEdit* bufferSizeField_ = nullptr;
  QLineEdit* bufferCountField_ = nullptr;
  QLineEdit* timeoutField_ = nullptr;
  // How many more times a receive asks for an item that arrived incomplete; 0 to 99.
  QLineEdit* retriesField_ = nullptr;
  QCheckBox* verifyBox_ = nullptr;
  QCheckBox* keepReceivedBox_ = nullptr;
  QPushButton* refreshButton_ = nullptr;
  // Buffer Delay and F7 Delay: always disabled, always 0, nothing behind them.
  QLineEdit* bufferDelayField_ = nullptr;
  QLineEdit* f7DelayField_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QPushButton* applyButton_ = nullptr;
  std::unique_ptr<MidiControl> midi_;
};
