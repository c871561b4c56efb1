#include "app/dialogs/PreferencesDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <string>
#include <utility>
#include <vector>

#include "app/dialogs/UserDialogs.h"
#include "app/dialogs/WindowPlacement.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiDevice.h"
#include "settings/SettingsStore.h"

namespace {

constexpr const char* kUnavailableDelay = "0";
constexpr int kMostRetries = 99;
// Narrower than the style's, so that two fields with their labels fit side by side in the
// dialog's fixed width.
constexpr QMargins kMargins(6, 6, 6, 6);

QLabel* Label(const char* text, QWidget* buddy = nullptr) {
  auto* label = new QLabel(QString::fromUtf8(text));
  label->setBuddy(buddy);
  return label;
}

// Wide enough for a number of five digits.
QLineEdit* NumberField() {
  auto* field = new QLineEdit;
  field->setAlignment(Qt::AlignRight);
  field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("99999")) + 8);
  return field;
}

QLineEdit* UnavailableField() {
  QLineEdit* field = NumberField();
  field->setText(QString::fromUtf8(kUnavailableDelay));
  field->setEnabled(false);
  return field;
}

// Long port names must not widen a dialog of fixed size.
QComboBox* PortList() {
  auto* list = new QComboBox;
  list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  list->setMinimumContentsLength(12);
  return list;
}

void Fill(QComboBox& list, const std::vector<std::string>& names, int current) {
  list.clear();
  for (const std::string& name : names)
    list.addItem(QString::fromStdString(name));
  list.setCurrentIndex(current);
}

// A field's number, or `current` when its text is not a whole decimal number.
int NumberIn(const QLineEdit& field, int current) {
  bool whole = false;
  const int number = field.text().toInt(&whole, 10);
  return whole ? number : current;
}

QFrame* Separator() {
  auto* line = new QFrame;
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

PreferencesDialog::PreferencesDialog(QWidget* parent)
    : QDialog(parent), midi_(std::make_unique<MidiControl>()) {
  setWindowTitle(QStringLiteral("Preferences..."));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kMargins.left(), 9, kMargins.right(), 9);
  layout->addWidget(BuildMidiGroup());
  layout->addStretch();
  layout->addLayout(BuildButtonRow());
  setFixedSize(kClientWidth, kClientHeight);
}

PreferencesDialog::~PreferencesDialog() = default;

QGroupBox* PreferencesDialog::BuildMidiGroup() {
  auto* group = new QGroupBox(QStringLiteral("MIDI"));
  MIDIInputComboBox = PortList();
  MIDIOutputComboBox = PortList();
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(kMargins);
  grid->addWidget(Label("MIDI Input:", MIDIInputComboBox), 0, 0);
  grid->addWidget(MIDIInputComboBox, 0, 1);
  grid->addWidget(Label("MIDI Output:", MIDIOutputComboBox), 1, 0);
  grid->addWidget(MIDIOutputComboBox, 1, 1);
  RefreshButton = new QPushButton(QStringLiteral("&Refresh"));
  RefreshButton->setObjectName(QStringLiteral("RefreshButton"));
  RefreshButton->setToolTip(QStringLiteral("Read the lists of MIDI ports again"));
  connect(RefreshButton, &QPushButton::clicked, this, &PreferencesDialog::RefreshButtonClick);
  grid->addWidget(RefreshButton, 0, 2, 2, 1, Qt::AlignVCenter);
  grid->addWidget(BuildSysxDumpGroup(), 2, 0, 1, 3);
  VerifyCheckBox = new QCheckBox(QStringLiteral("&Verify after sending"));
  VerifyCheckBox->setObjectName(QStringLiteral("VerifyCheckBox"));
  VerifyCheckBox->setToolTip(
      QStringLiteral("Read each program back after storing it on the synthesizer and compare"));
  grid->addWidget(VerifyCheckBox, 3, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  return group;
}

// Two pairs of fields side by side; the unavailable delays below a line.
QGroupBox* PreferencesDialog::BuildSysxDumpGroup() {
  auto* group = new QGroupBox(QStringLiteral("Sysx Dump"));
  BufferSizeEdit = NumberField();
  BufferNumberEdit = NumberField();
  RecvTimeoutPrefEdit = NumberField();
  ReceiveRetriesEdit = NumberField();
  ReceiveRetriesEdit->setObjectName(QStringLiteral("ReceiveRetriesEdit"));
  ReceiveRetriesEdit->setToolTip(
      QStringLiteral("How many more times to ask for a program that arrived incomplete"));
  Edit2 = UnavailableField();
  Edit3 = UnavailableField();
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(kMargins);
  grid->setHorizontalSpacing(4);
  const auto addField = [grid](int row, int column, const char* label, QLineEdit* field,
                               bool inMilliseconds) {
    grid->addWidget(Label(label, field), row, column);
    grid->addWidget(field, row, column + 1);
    if (inMilliseconds)
      grid->addWidget(Label("ms"), row, column + 2);
  };
  addField(0, 0, "Buffer Size:", BufferSizeEdit, false);
  addField(0, 4, "Number:", BufferNumberEdit, false);
  addField(1, 0, "Recv Timeout:", RecvTimeoutPrefEdit, true);
  addField(1, 4, "Retries:", ReceiveRetriesEdit, false);
  grid->addWidget(Separator(), 2, 0, 1, 7);
  addField(3, 0, "Buffer Delay:", Edit2, true);
  addField(3, 4, "F7 Delay:", Edit3, true);
  grid->setColumnMinimumWidth(3, 6);
  return group;
}

QLayout* PreferencesDialog::BuildButtonRow() {
  OkButton = new QPushButton(QStringLiteral("&OK"));
  CancelButton = new QPushButton(QStringLiteral("&Cancel"));
  ApplyButton = new QPushButton(QStringLiteral("&Apply"));
  OkButton->setDefault(true);
  connect(OkButton, &QPushButton::clicked, this, &PreferencesDialog::OkButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &PreferencesDialog::CancelButtonClick);
  connect(ApplyButton, &QPushButton::clicked, this, &PreferencesDialog::ApplyButtonClick);
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (QPushButton* button : {OkButton, CancelButton, ApplyButton})
    row->addWidget(button);
  return row;
}

int PreferencesDialog::ShowModalOver(QWidget* mainWindow) {
  if (mainWindow)
    CentreOver(*this, mainWindow->frameGeometry(), mainWindow);
  return exec();
}

void PreferencesDialog::showEvent(QShowEvent* event) {
  // Not when the window system merely shows it again (a restored desktop).
  if (!event->spontaneous())
    OnShowForm();
  QDialog::showEvent(event);
}

void PreferencesDialog::FillPortLists() {
  midi_->RefreshDevices();
  std::vector<std::string> names;
  midi_->ListInputDevices(names);
  Fill(*MIDIInputComboBox, names, midi_->InputDeviceIndex());
  midi_->ListOutputDevices(names);
  Fill(*MIDIOutputComboBox, names, midi_->OutputDeviceIndex());
}

void PreferencesDialog::OnShowForm() {
  FillPortLists();
  BufferSizeEdit->setText(QString::number(MidiControl::InputBufferSize()));
  BufferNumberEdit->setText(QString::number(MidiControl::InputBufferCount()));
  RecvTimeoutPrefEdit->setText(QString::number(MidiControl::InputTimeout()));
  ReceiveRetriesEdit->setText(QString::number(MidiControl::ReceiveRetries()));
  VerifyCheckBox->setChecked(MidiControl::VerifyAfterSending());
  Edit2->setText(QString::fromUtf8(kUnavailableDelay));
  Edit3->setText(QString::fromUtf8(kUnavailableDelay));
}

void PreferencesDialog::ApplyButtonClick() {
  ApplyChoices();
}

// The numbers that work: a buffer holds at least a short message, a kit's answer (374
// messages, each completing a buffer) finds buffers enough, and a receive waits at all.
struct PreferencesDialog::NumberRange {
  QLineEdit* PreferencesDialog::*field;
  const char* label;
  int lowest;
  int highest;
};

const PreferencesDialog::NumberRange PreferencesDialog::kNumberRanges[] = {
    {&PreferencesDialog::BufferSizeEdit, "Buffer Size", 64, 65536},
    {&PreferencesDialog::BufferNumberEdit, "Number", 400, 65536},
    {&PreferencesDialog::RecvTimeoutPrefEdit, "Recv Timeout", 1, 60000},
    {&PreferencesDialog::ReceiveRetriesEdit, "Retries", 0, kMostRetries},
};

bool PreferencesDialog::NumbersInRange() {
  for (const NumberRange& range : kNumberRanges) {
    bool whole = false;
    const int number = (this->*range.field)->text().toInt(&whole, 10);
    if (whole && (number < range.lowest || number > range.highest)) {
      Dialogs().ShowError(this, windowTitle(),
                          QStringLiteral("%1 must be from %2 to %3; %4 does not work. Nothing "
                                         "was applied.")
                              .arg(QString::fromUtf8(range.label))
                              .arg(range.lowest)
                              .arg(range.highest)
                              .arg(number));
      (this->*range.field)->setFocus();
      return false;
    }
  }
  return true;
}

bool PreferencesDialog::ApplyChoices() {
  if (!NumbersInRange())
    return false;
  const int input = MIDIInputComboBox->currentIndex();
  const int output = MIDIOutputComboBox->currentIndex();
  const int bufferSize = NumberIn(*BufferSizeEdit, MidiControl::InputBufferSize());
  const int bufferCount = NumberIn(*BufferNumberEdit, MidiControl::InputBufferCount());
  const int timeout = NumberIn(*RecvTimeoutPrefEdit, MidiControl::InputTimeout());
  const int retries = NumberIn(*ReceiveRetriesEdit, MidiControl::ReceiveRetries());
  const bool verify = VerifyCheckBox->isChecked();
  // All stored at once or none; only then put in force, so that what is in force is what the
  // settings hold.
  std::vector<SettingValue> values{{Settings::kMidiInputBufSize, bufferSize},
                                   {Settings::kMidiInputBufNumber, bufferCount},
                                   {Settings::kMidiInputTimeout, timeout},
                                   {Settings::kReceiveRetries, retries},
                                   {Settings::kVerifyAfterSending, verify ? 1 : 0}};
  if (const MidiDevice* device = midi_->InputDevice(input))
    values.push_back({Settings::kMidiInputDeviceName, device->Name()});
  if (const MidiDevice* device = midi_->OutputDevice(output))
    values.push_back({Settings::kMidiOutputDeviceName, device->Name()});
  try {
    SettingsStore::WriteSettings(values);
  } catch (const SettingsWriteError& error) {
    Dialogs().ShowError(this, windowTitle(),
                        QString::fromUtf8(error.what()) + QStringLiteral("\nNothing was applied."));
    return false;
  }
  midi_->UseInputDevice(input);
  midi_->UseOutputDevice(output);
  midi_->UseReceiveNumbers(bufferSize, bufferCount, timeout);
  midi_->UseReceiveRetries(retries);
  midi_->UseVerifyAfterSending(verify);
  return true;
}

void PreferencesDialog::OkButtonClick() {
  // A choice that could not be stored keeps the dialog open, so that it is not taken as done.
  if (ApplyChoices())
    accept();
}

void PreferencesDialog::CancelButtonClick() {
  reject();
}

void PreferencesDialog::RefreshButtonClick() {
  // What was picked but not applied yet stays picked where that port is still listed: at the
  // same place when it is there (two ports may share a name), else wherever it is.
  const std::pair<QComboBox*, int> picked[] = {
      {MIDIInputComboBox, MIDIInputComboBox->currentIndex()},
      {MIDIOutputComboBox, MIDIOutputComboBox->currentIndex()}};
  const QString names[] = {MIDIInputComboBox->currentText(), MIDIOutputComboBox->currentText()};
  FillPortLists();
  for (std::size_t i = 0; i < std::size(picked); ++i) {
    const auto [list, index] = picked[i];
    if (index >= 0 && list->itemText(index) == names[i])
      list->setCurrentIndex(index);
    else if (const int found = list->findText(names[i]); found >= 0)
      list->setCurrentIndex(found);
  }
}
