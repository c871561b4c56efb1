#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <optional>

#include "app/dialogs/AboutDialog.h"
#include "app/dialogs/PreferencesDialog.h"
#include "app/dialogs/WindowPlacement.h"
#include "demo/DemoBank.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiPortLayer.h"
#include "midi/ports/MidiTransfer.h"
#include "model/S2A_File.h"
#include "settings/SettingsStore.h"
#include "simulator/CombinedMidiPortLayer.h"
#include "simulator/LoopbackPortLayer.h"
#include "simulator/SimulatedS80.h"
#include "tests/app/ScriptedDialogs.h"
#include "tests/support/TestSupport.h"

namespace {

// A text field and the number behind it.
struct NumberField {
  const char* edit;
  int (*inForce)();
  const char* setting;
};
const NumberField kSize{"BufferSizeEdit", MidiControl::InputBufferSize,
                        Settings::kMidiInputBufSize};
const NumberField kCount{"BufferNumberEdit", MidiControl::InputBufferCount,
                         Settings::kMidiInputBufNumber};
const NumberField kTimeout{"RecvTimeoutPrefEdit", MidiControl::InputTimeout,
                           Settings::kMidiInputTimeout};
const NumberField kRetries{"ReceiveRetriesEdit", MidiControl::ReceiveRetries,
                           Settings::kReceiveRetries};

// Loopback ports that are there or not, as a device that is plugged in and pulled out.
class PluggableLoopback : public LoopbackPortLayer {
 public:
  using LoopbackPortLayer::LoopbackPortLayer;
  int InputPortCount() override { return present ? 1 : 0; }
  int OutputPortCount() override { return present ? 1 : 0; }
  bool present = true;
};

// Two simulated synthesizers, each with an input and an output port, and fresh settings.
class PreferencesTest : public testing::Test {
 protected:
  PreferencesTest() {
    test::UseNoConfiguration(dir_);
    auto second = std::make_unique<PluggableLoopback>(second_);
    secondPorts_ = second.get();
    InstallMidiPortLayer(std::make_unique<CombinedMidiPortLayer>(
        std::make_unique<LoopbackPortLayer>(first_), std::move(second)));
    form_ = std::make_unique<PreferencesDialog>();
  }
  ~PreferencesTest() override {
    form_.reset();
    InstallMidiPortLayer(nullptr);
  }
  // Closes the dialog if it is open, then opens it again as the user does.
  void Reopen() {
    form_->hide();
    form_->show();
  }
  QLineEdit& Edit(const NumberField& field) { return *Child<QLineEdit>(*form_, field.edit); }
  std::vector<std::uint8_t> SettingsFile() const {
    return test::ReadBytes(SettingsStore::Location());
  }

  test::TempDir dir_;
  std::shared_ptr<SimulatedS80> first_ = std::make_shared<SimulatedS80>(0);
  std::shared_ptr<SimulatedS80> second_ = std::make_shared<SimulatedS80>(0);
  PluggableLoopback* secondPorts_ = nullptr;
  std::unique_ptr<PreferencesDialog> form_;
};

}  // namespace

// A whole number in range is stored; any other text (a number out of range, letters, a number
// too long for any setting, nothing) is refused with its range, the dialog stays open and
// nothing is applied.
TEST_F(PreferencesTest, OkStoresWholeNumbersInRangeAndRefusesTheRest) {
  ScriptedDialogs& dialogs = ScriptedDialogs::Install();
  const std::optional<int> refused;
  const struct {
    const NumberField& field;
    const char* text;
    std::optional<int> number;  // none: refused
  } cases[] = {
      {kSize, "abc", refused},
      {kSize, "4096", 4096},
      {kSize, "", refused},
      {kSize, "0", refused},
      {kCount, "12x", refused},
      {kCount, "99999999999", refused},
      {kCount, "-3", refused},
      {kCount, "400", 400},
      {kTimeout, "0x20", refused},
      {kTimeout, "1.5", refused},
      {kTimeout, "40", 40},
      {kTimeout, "-5", refused},
      {kTimeout, "99999999999999999999", refused},
      {kRetries, "5", 5},
      {kRetries, "-1", refused},
      {kRetries, "100", refused},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(testing::Message() << entry.field.setting << " <- \"" << entry.text << '"');
    Reopen();
    const bool refuse = entry.number == refused;
    const int expected = refuse ? entry.field.inForce() : *entry.number;
    const auto settings = SettingsFile();
    dialogs.requests.clear();
    Edit(entry.field).setText(QString::fromUtf8(entry.text));
    Child<QPushButton>(*form_, "OkButton")->click();
    EXPECT_EQ(form_->isVisible(), refuse);
    EXPECT_EQ(entry.field.inForce(), expected);
    if (refuse) {
      ASSERT_EQ(dialogs.requests.size(), 1u);
      const QString typed =
          *entry.text ? QString::fromUtf8(entry.text) : QStringLiteral("an empty field");
      EXPECT_TRUE(
          dialogs.requests[0].text.endsWith("; " + typed + " does not work. Nothing was applied."))
          << dialogs.requests[0].text.toStdString();
      EXPECT_EQ(SettingsFile(), settings);
      continue;
    }
    EXPECT_EQ(SettingsStore::ReadSettingInteger(entry.field.setting, expected + 1), expected);
    Reopen();
    EXPECT_EQ(Edit(entry.field).text(), QString::number(expected));
  }
  setUserDialogs(nullptr);
}

TEST_F(PreferencesTest, ApplyThenCancelKeepsTheAppliedValuesAndForgetsLaterEdits) {
  const std::pair<const NumberField*, int> applied[] = {
      {&kSize, 1024}, {&kCount, 600}, {&kTimeout, 80}};
  Reopen();
  for (const auto& [field, value] : applied)
    Edit(*field).setText(QString::number(value));
  EXPECT_FALSE(Child<QCheckBox>(*form_, "VerifyCheckBox")->isChecked());
  Child<QCheckBox>(*form_, "VerifyCheckBox")->setChecked(true);
  Child<QPushButton>(*form_, "ApplyButton")->click();
  Child<QLineEdit>(*form_, "BufferSizeEdit")->setText(QStringLiteral("5"));
  Child<QCheckBox>(*form_, "VerifyCheckBox")->setChecked(false);
  Child<QPushButton>(*form_, "CancelButton")->click();
  EXPECT_EQ(form_->result(), QDialog::Rejected);
  Reopen();
  for (const auto& [field, value] : applied) {
    EXPECT_EQ(field->inForce(), value);
    EXPECT_EQ(Edit(*field).text(), QString::number(value));
  }
  EXPECT_TRUE(MidiControl::VerifyAfterSending());
  EXPECT_EQ(SettingsStore::ReadSettingInteger(Settings::kVerifyAfterSending, 0), 1);
  EXPECT_TRUE(Child<QCheckBox>(*form_, "VerifyCheckBox")->isChecked());
}

// Ports are listed as they are when the dialog opens, and again by Refresh, which keeps the
// choice not yet applied where that port is still there.
TEST_F(PreferencesTest, ThePortListsAreReadAfreshAtEachOpeningAndByRefresh) {
  secondPorts_->present = false;
  Reopen();
  EXPECT_EQ(Child<QComboBox>(*form_, "MIDIOutputComboBox")->count(), 1);
  secondPorts_->present = true;
  Child<QPushButton>(*form_, "RefreshButton")->click();
  EXPECT_EQ(Child<QComboBox>(*form_, "MIDIOutputComboBox")->count(), 2);
  auto* outputs = Child<QComboBox>(*form_, "MIDIOutputComboBox");
  outputs->setCurrentIndex(1);
  // The chosen name whole in the tooltip, every name whole in the open list.
  EXPECT_EQ(outputs->toolTip(), outputs->itemText(1));
  for (int row = 0; row < outputs->count(); ++row) {
    EXPECT_GE(outputs->view()->minimumWidth(),
              outputs->view()->fontMetrics().horizontalAdvance(outputs->itemText(row)));
  }
  Child<QPushButton>(*form_, "RefreshButton")->click();
  EXPECT_EQ(Child<QComboBox>(*form_, "MIDIOutputComboBox")->currentIndex(), 1);
  Child<QPushButton>(*form_, "OkButton")->click();
  EXPECT_EQ(MidiControl().OutputDeviceIndex(), 1);
  secondPorts_->present = false;
  Reopen();
  EXPECT_EQ(Child<QComboBox>(*form_, "MIDIOutputComboBox")->count(), 1);
  EXPECT_EQ(Child<QComboBox>(*form_, "MIDIOutputComboBox")->currentIndex(), 0);
}

TEST_F(PreferencesTest, TheDelayFieldsAreDisabledShowZeroAndStoreNothing) {
  Reopen();
  Child<QPushButton>(*form_, "ApplyButton")->click();
  const auto settings = SettingsFile();
  for (QLineEdit* delay : {Child<QLineEdit>(*form_, "Edit2"), Child<QLineEdit>(*form_, "Edit3")}) {
    EXPECT_FALSE(delay->isEnabled());
    EXPECT_EQ(delay->text(), "0");
    delay->setText(QStringLiteral("500"));
  }
  Child<QPushButton>(*form_, "ApplyButton")->click();
  EXPECT_EQ(SettingsFile(), settings);
  Reopen();
  EXPECT_EQ(Child<QLineEdit>(*form_, "Edit2")->text(), "0");
  EXPECT_EQ(Child<QLineEdit>(*form_, "Edit3")->text(), "0");
}

// No port chosen changes nothing; the ports chosen with OK carry the next transfer.
TEST_F(PreferencesTest, TheChosenPortsCarryTheNextTransfer) {
  QMainWindow mainWindow;
  mainWindow.setGeometry(300, 200, 600, 500);
  mainWindow.show();
  QPoint centre;
  QTimer::singleShot(0, form_.get(), [&] {
    centre = form_->frameGeometry().center();
    Child<QComboBox>(*form_, "MIDIInputComboBox")->setCurrentIndex(-1);
    Child<QPushButton>(*form_, "ApplyButton")->click();
    EXPECT_EQ(Child<QComboBox>(*form_, "MIDIInputComboBox")->currentIndex(), -1);
    Child<QComboBox>(*form_, "MIDIInputComboBox")->setCurrentIndex(1);
    Child<QComboBox>(*form_, "MIDIOutputComboBox")->setCurrentIndex(1);
    Child<QPushButton>(*form_, "OkButton")->click();
  });
  EXPECT_EQ(form_->showModalOver(&mainWindow), QDialog::Accepted);
  EXPECT_EQ(centre, mainWindow.frameGeometry().center());
  Reopen();
  EXPECT_EQ(Child<QComboBox>(*form_, "MIDIOutputComboBox")->currentIndex(), 1);

  S2A_File document;
  DemoBank::FillDocument(document, 3);
  MidiControl control;
  EXPECT_EQ(control.InputDeviceIndex(), 1);
  ASSERT_EQ(MidiTransfer::SendToBuffer(control, *document.ExternalPerformanceBank().ItemAt(3),
                                       [](const char*) {}),
            0);
  EXPECT_TRUE(first_->ReceivedMessages().empty());
  EXPECT_FALSE(second_->ReceivedMessages().empty());
}

// A click is a press and a release on the same part; a release over the red bar always closes.
TEST(AboutDialogTest, AClickAnywhereOrAReleaseOverTheRedBarClosesIt) {
  AboutDialog about;
  EXPECT_EQ(Child<QLabel>(about, "VersionLabel")->text(), "Version 1.1");
  EXPECT_EQ(Child<QLabel>(about, "Picture")->pixmap().size(), QSize(145, 201));
  QWidget* const none = nullptr;
  const struct {
    QWidget* pressed;
    QWidget* released;
    bool closes;
  } cases[] = {
      {Child<QLabel>(about, "Picture"), Child<QLabel>(about, "Picture"), true},
      {Child<QLabel>(about, "ProgramName"), Child<QLabel>(about, "ProgramName"), true},
      {Child<QLabel>(about, "VersionLabel"), Child<QLabel>(about, "VersionLabel"), true},
      {&about, &about, true},
      {none, Child<QFrame>(about, "RedBar"), true},
      {Child<QLabel>(about, "Picture"), Child<QFrame>(about, "RedBar"), true},
      {none, Child<QLabel>(about, "Picture"), false},
      {Child<QLabel>(about, "Picture"), Child<QLabel>(about, "VersionLabel"), false},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(testing::Message()
                 << (entry.pressed ? entry.pressed->metaObject()->className() : "nothing") << " -> "
                 << entry.released->metaObject()->className());
    about.show();
    // The dialog's own background: a corner, away from every part.
    const auto at = [&](QWidget* part) {
      return part == &about ? QPoint(4, 4) : part->rect().center();
    };
    if (entry.pressed)
      QTest::mousePress(entry.pressed, Qt::LeftButton, {}, at(entry.pressed));
    QTest::mouseRelease(entry.released, Qt::LeftButton, {}, at(entry.released));
    EXPECT_EQ(about.isVisible(), !entry.closes);
    about.hide();
  }
}

// Settings that cannot be written are said with the file and the reason, and none of the
// choices is put in force: what is in force stays what the settings hold.
TEST_F(PreferencesTest, ChoicesThatCannotBeStoredAreToldAndNoneIsApplied) {
  ScriptedDialogs& dialogs = ScriptedDialogs::Install();
  Reopen();
  const int timeout = MidiControl::InputTimeout();
  const int count = MidiControl::InputBufferCount();
  // A settings path whose folder is a regular file cannot be written.
  const std::string unwritable = SettingsStore::Location() + "/inside.conf";
  ::setenv("CORVALE_SETTINGS", unwritable.c_str(), 1);
  Child<QLineEdit>(*form_, "RecvTimeoutPrefEdit")->setText(QStringLiteral("90"));
  Child<QLineEdit>(*form_, "BufferNumberEdit")->setText(QStringLiteral("700"));
  Child<QCheckBox>(*form_, "VerifyCheckBox")->setChecked(true);
  Child<QPushButton>(*form_, "OkButton")->click();
  ASSERT_EQ(dialogs.requests.size(), 1u);
  EXPECT_EQ(dialogs.requests[0].kind, ScriptedDialogs::Kind::Error);
  EXPECT_TRUE(dialogs.requests[0].text.contains(QString::fromStdString(unwritable)))
      << dialogs.requests[0].text.toStdString();
  EXPECT_TRUE(dialogs.requests[0].text.endsWith("Nothing was applied."));
  EXPECT_TRUE(form_->isVisible());
  EXPECT_EQ(MidiControl::InputTimeout(), timeout);
  EXPECT_EQ(MidiControl::InputBufferCount(), count);
  EXPECT_FALSE(MidiControl::VerifyAfterSending());
  setUserDialogs(nullptr);
}

// Centred over a window where there is room; moved in where the screen ends.
TEST(CentreOver, KeepsTheWindowOnTheScreen) {
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  QWidget dialog;
  dialog.resize(355, 275);
  const QSize window(286, 476);
  const struct {
    QRect over;
    QPoint topLeft;
  } cases[] = {
      {QRect(QPoint(200, 100), window), QPoint(200 + 142 - 177, 100 + 237 - 137)},
      {QRect(screen.topLeft(), window), QPoint(screen.left(), screen.top() + 237 - 137)},
      {QRect(screen.bottomRight() - QPoint(285, 99), window),
       screen.bottomRight() - QPoint(354, 274)},
  };
  for (const auto& c : cases) {
    CentreOver(dialog, c.over);
    EXPECT_EQ(dialog.pos(), c.topLeft) << c.over.x() << "," << c.over.y();
  }
}
