#include "app/dialogs/PreferencesDialog.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
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

QLabel* Label(const QString& text, QWidget* buddy = nullptr) {
  auto* label = new QLabel(text);
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

// Long port names must not widen a dialog of fixed size: the list shows them whole when it
// opens, and the chosen one whole in its tooltip.
QComboBox* PortList() {
  auto* list = new QComboBox;
  list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  list->setMinimumContentsLength(12);
  QObject::connect(list, &QComboBox::currentTextChanged, list, &QWidget::setToolTip);
  return list;
}

void Fill(QComboBox& list, const std::vector<std::string>& names, int current) {
  list.clear();
  for (const std::string& name : names)
    list.addItem(QString::fromStdString(name));
  list.setCurrentIndex(current);
  list.view()->setMinimumWidth(list.view()->sizeHintForColumn(0) +
                               list.view()->verticalScrollBar()->sizeHint().width());
}

// A field's number, or `current` when its text is not a whole decimal number.
int NumberIn(const QLineEdit& field, int current) {
  bool whole = false;
  const int number = field.text().trimmed().toInt(&whole, 10);
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
  setWindowTitle(tr("Preferences..."));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kMargins.left(), 9, kMargins.right(), 9);
  layout->addWidget(buildMidiGroup());
  layout->addStretch();
  layout->addLayout(buildButtonRow());
  setFixedSize(kClientWidth, kClientHeight);
  nameControls();
}

// The names the dialog and its controls have always had, by which they can be found.
void PreferencesDialog::nameControls() {
  setObjectName(QStringLiteral("PreferencesForm"));
  const std::pair<QObject*, const char*> names[] = {{inputPorts_, "MIDIInputComboBox"},
                                                    {outputPorts_, "MIDIOutputComboBox"},
                                                    {bufferSizeField_, "BufferSizeEdit"},
                                                    {bufferCountField_, "BufferNumberEdit"},
                                                    {timeoutField_, "RecvTimeoutPrefEdit"},
                                                    {retriesField_, "ReceiveRetriesEdit"},
                                                    {verifyBox_, "VerifyCheckBox"},
                                                    {keepReceivedBox_, "KeepReceivedCheckBox"},
                                                    {refreshButton_, "RefreshButton"},
                                                    {bufferDelayField_, "Edit2"},
                                                    {f7DelayField_, "Edit3"},
                                                    {okButton_, "OkButton"},
                                                    {cancelButton_, "CancelButton"},
                                                    {applyButton_, "ApplyButton"}};
  for (const auto& [control, name] : names)
    control->setObjectName(QString::fromUtf8(name));
}

PreferencesDialog::~PreferencesDialog() = default;

QGroupBox* PreferencesDialog::buildMidiGroup() {
  auto* group = new QGroupBox(tr("MIDI"));
  inputPorts_ = PortList();
  outputPorts_ = PortList();
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(kMargins);
  grid->addWidget(Label(tr("MIDI &Input:"), inputPorts_), 0, 0);
  grid->addWidget(inputPorts_, 0, 1);
  grid->addWidget(Label(tr("MIDI O&utput:"), outputPorts_), 1, 0);
  grid->addWidget(outputPorts_, 1, 1);
  refreshButton_ = new QPushButton(tr("&Refresh"));
  refreshButton_->setToolTip(tr("Read the lists of MIDI ports again"));
  connect(refreshButton_, &QPushButton::clicked, this, &PreferencesDialog::refreshPorts);
  grid->addWidget(refreshButton_, 0, 2, 2, 1, Qt::AlignVCenter);
  grid->addWidget(buildSysxDumpGroup(), 2, 0, 1, 3);
  verifyBox_ = new QCheckBox(tr("&Verify after sending"));
  verifyBox_->setToolTip(
      tr("Read each program back after storing it on the synthesizer and compare"));
  grid->addWidget(verifyBox_, 3, 0, 1, 3);
  keepReceivedBox_ = new QCheckBox(tr("&Keep received programs in the library"));
  keepReceivedBox_->setToolTip(
      tr("Every program received from the synthesizer joins the library, with when and where "
         "it came from"));
  grid->addWidget(keepReceivedBox_, 4, 0, 1, 3);
  grid->setColumnStretch(1, 1);
  return group;
}

// Two pairs of fields side by side; the unavailable delays below a line.
QGroupBox* PreferencesDialog::buildSysxDumpGroup() {
  auto* group = new QGroupBox(tr("Sysx Dump"));
  bufferSizeField_ = NumberField();
  bufferCountField_ = NumberField();
  timeoutField_ = NumberField();
  retriesField_ = NumberField();
  retriesField_->setToolTip(tr("How many more times to ask for a program that arrived incomplete"));
  bufferDelayField_ = UnavailableField();
  f7DelayField_ = UnavailableField();
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(kMargins);
  grid->setHorizontalSpacing(4);
  const auto addField = [grid](int row, int column, const QString& label, QLineEdit* field,
                               bool inMilliseconds) {
    grid->addWidget(Label(label, field), row, column);
    grid->addWidget(field, row, column + 1);
    if (inMilliseconds)
      grid->addWidget(Label(tr("ms")), row, column + 2);
  };
  addField(0, 0, tr("Buffer &Size:"), bufferSizeField_, false);
  addField(0, 4, tr("&Number:"), bufferCountField_, false);
  addField(1, 0, tr("Recv &Timeout:"), timeoutField_, true);
  addField(1, 4, tr("Retri&es:"), retriesField_, false);
  grid->addWidget(Separator(), 2, 0, 1, 7);
  addField(3, 0, tr("Buffer Delay:"), bufferDelayField_, true);
  addField(3, 4, tr("F7 Delay:"), f7DelayField_, true);
  grid->setColumnMinimumWidth(3, 6);
  return group;
}

QLayout* PreferencesDialog::buildButtonRow() {
  okButton_ = new QPushButton(tr("&OK"));
  cancelButton_ = new QPushButton(tr("&Cancel"));
  applyButton_ = new QPushButton(tr("&Apply"));
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &PreferencesDialog::applyAndClose);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  connect(applyButton_, &QPushButton::clicked, this, &PreferencesDialog::apply);
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (QPushButton* button : {okButton_, cancelButton_, applyButton_})
    row->addWidget(button);
  return row;
}

int PreferencesDialog::showModalOver(QWidget* mainWindow) {
  if (mainWindow)
    CentreOver(*this, mainWindow->frameGeometry(), mainWindow);
  return exec();
}

void PreferencesDialog::showEvent(QShowEvent* event) {
  // Not when the window system merely shows it again (a restored desktop).
  if (!event->spontaneous())
    loadCurrentChoices();
  QDialog::showEvent(event);
}

void PreferencesDialog::fillPortLists() {
  midi_->RefreshDevices();
  std::vector<std::string> names;
  midi_->ListInputDevices(names);
  Fill(*inputPorts_, names, midi_->InputDeviceIndex());
  midi_->ListOutputDevices(names);
  Fill(*outputPorts_, names, midi_->OutputDeviceIndex());
}

void PreferencesDialog::loadCurrentChoices() {
  fillPortLists();
  bufferSizeField_->setText(QString::number(MidiControl::InputBufferSize()));
  bufferCountField_->setText(QString::number(MidiControl::InputBufferCount()));
  timeoutField_->setText(QString::number(MidiControl::InputTimeout()));
  retriesField_->setText(QString::number(MidiControl::ReceiveRetries()));
  verifyBox_->setChecked(MidiControl::VerifyAfterSending());
  keepReceivedBox_->setChecked(
      SettingsStore::ReadSettingInteger(Settings::kAddReceivedToLibrary,
                                        Settings::kDefaultAddReceivedToLibrary) != 0);
  bufferDelayField_->setText(QString::fromUtf8(kUnavailableDelay));
  f7DelayField_->setText(QString::fromUtf8(kUnavailableDelay));
}

void PreferencesDialog::apply() {
  applyChoices();
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
    {&PreferencesDialog::bufferSizeField_, QT_TR_NOOP("Buffer Size"), 64, 65536},
    {&PreferencesDialog::bufferCountField_, QT_TR_NOOP("Number"), 400, 65536},
    {&PreferencesDialog::timeoutField_, QT_TR_NOOP("Recv Timeout"), 1, 60000},
    {&PreferencesDialog::retriesField_, QT_TR_NOOP("Retries"), 0, kMostRetries},
};

bool PreferencesDialog::numbersInRange() {
  for (const NumberRange& range : kNumberRanges) {
    QLineEdit& field = *(this->*range.field);
    bool whole = false;
    const int number = field.text().trimmed().toInt(&whole, 10);
    if (whole && number >= range.lowest && number <= range.highest)
      continue;
    // A text that is no whole number in range (letters, a number too long for any setting)
    // would leave the value in force without a word: it is refused as a number out of range is.
    const QString typed =
        field.text().trimmed().isEmpty() ? tr("an empty field") : field.text().trimmed();
    userDialogs().showError(this, windowTitle(),
                            tr("%1 must be from %2 to %3; %4 does not work. Nothing "
                               "was applied.")
                                .arg(tr(range.label))
                                .arg(range.lowest)
                                .arg(range.highest)
                                .arg(typed));
    field.setFocus();
    field.selectAll();
    return false;
  }
  return true;
}

bool PreferencesDialog::applyChoices() {
  if (!numbersInRange())
    return false;
  const int input = inputPorts_->currentIndex();
  const int output = outputPorts_->currentIndex();
  const int bufferSize = NumberIn(*bufferSizeField_, MidiControl::InputBufferSize());
  const int bufferCount = NumberIn(*bufferCountField_, MidiControl::InputBufferCount());
  const int timeout = NumberIn(*timeoutField_, MidiControl::InputTimeout());
  const int retries = NumberIn(*retriesField_, MidiControl::ReceiveRetries());
  const bool verify = verifyBox_->isChecked();
  // All stored at once or none; only then put in force, so that what is in force is what the
  // settings hold.
  std::vector<SettingValue> values{
      {Settings::kMidiInputBufSize, bufferSize},
      {Settings::kMidiInputBufNumber, bufferCount},
      {Settings::kMidiInputTimeout, timeout},
      {Settings::kReceiveRetries, retries},
      {Settings::kVerifyAfterSending, verify ? 1 : 0},
      {Settings::kAddReceivedToLibrary, keepReceivedBox_->isChecked() ? 1 : 0}};
  if (const MidiDevice* device = midi_->InputDevice(input))
    values.push_back({Settings::kMidiInputDeviceName, device->Name()});
  if (const MidiDevice* device = midi_->OutputDevice(output))
    values.push_back({Settings::kMidiOutputDeviceName, device->Name()});
  try {
    SettingsStore::WriteSettings(values);
  } catch (const SettingsWriteError& error) {
    userDialogs().showError(this, windowTitle(),
                            tr("%1\nNothing was applied.").arg(QString::fromUtf8(error.what())));
    return false;
  }
  midi_->UseInputDevice(input);
  midi_->UseOutputDevice(output);
  midi_->UseReceiveNumbers(bufferSize, bufferCount, timeout);
  midi_->UseReceiveRetries(retries);
  midi_->UseVerifyAfterSending(verify);
  return true;
}

void PreferencesDialog::applyAndClose() {
  // A choice that could not be stored keeps the dialog open, so that it is not taken as done.
  if (applyChoices())
    accept();
}

void PreferencesDialog::refreshPorts() {
  // What was picked but not applied yet stays picked where that port is still listed: at the
  // same place when it is there (two ports may share a name), else wherever it is.
  const std::pair<QComboBox*, int> picked[] = {{inputPorts_, inputPorts_->currentIndex()},
                                               {outputPorts_, outputPorts_->currentIndex()}};
  const QString names[] = {inputPorts_->currentText(), outputPorts_->currentText()};
  fillPortLists();
  for (std::size_t i = 0; i < std::size(picked); ++i) {
    const auto [list, index] = picked[i];
    if (index >= 0 && list->itemText(index) == names[i])
      list->setCurrentIndex(index);
    else if (const int found = list->findText(names[i]); found >= 0)
      list->setCurrentIndex(found);
  }
}
