// Audition in the bank windows and the Library window, with a simulated S80 on the program's
// ports.

#include <QTableView>
#include <QtTest/QTest>

#include "app/commands/Audition.h"
#include "app/commands/ProgramMidi.h"
#include "app/library/LibraryWindow.h"
#include "app/list/ItemListView.h"
#include "app/list/ListedLines.h"
#include "demo/DemoBank.h"
#include "library/LibraryStore.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiDevice.h"
#include "model/BankLayouts.h"
#include "settings/SettingsStore.h"
#include "simulator/SimulatedS80.h"
#include "tests/app/WindowFixture.h"
#include "tests/library/LibraryTestSupport.h"

namespace {

class AuditionTest : public SynthesizerWindowTest {
 protected:
  AuditionTest() {
    sharedAudition().readSetting();
    OpenDemo(*form_);
  }
  ~AuditionTest() override { sharedAudition().setOn(false, nullptr); }
  // Every window's action shows the state, and the settings hold it.
  static void ExpectOn(bool on, std::initializer_list<QWidget*> windows) {
    for (QWidget* window : windows)
      EXPECT_EQ(ActionOf(*window, "Audition")->isChecked(), on);
    EXPECT_EQ(SettingsStore::ReadSettingInteger(Settings::kAudition, -1), on ? 1 : 0);
  }
  // Once the sender is done: the handle waits for it.
  std::vector<std::uint8_t> EditBuffer(ItemKind kind) {
    ProgramMidi::control();
    return Bytes(synthesizer_->EditBuffer(kind).get());
  }
};

TEST_F(AuditionTest, OneRememberedStateForEveryWindow) {
  EditorWindow& second = form_->appendWindow();
  ActionOf(*form_, "Library1")->trigger();
  QWidget* library = form_->libraryWindow();
  ActionOf(second, "Audition")->trigger();
  ExpectOn(true, {form_.get(), &second, library});
  ActionOf(*library, "Audition")->trigger();
  ExpectOn(false, {form_.get(), &second, library});
  SettingsStore::WriteSettingInteger(Settings::kAudition, 1);
  sharedAudition().readSetting();
  ExpectOn(true, {form_.get(), &second, library});
}

TEST_F(AuditionTest, KeysAndTheLibrarySendTheProgramSelectedLast) {
  Select(*form_, ListedLines::InstrumentTab, 2);
  ActionOf(*form_, "Audition")->trigger();
  for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Down})
    QTest::keyClick(form_->itemList(), key);
  EXPECT_EQ(EditBuffer(ItemKind::Instrument), Bytes(form_->currentItem()));
  const Item& current = *form_->currentItem();
  EXPECT_EQ(form_->statusText().toStdString(),
            "Auditioning " + SlotPlace(current) + " " + current.Name());
  {
    // While the ports are lent (a bank transfer, the Preferences dialog) nothing is auditioned.
    const ProgramMidi::Loan loan;
    QTest::keyClick(form_->itemList(), Qt::Key_Down);
  }
  EXPECT_EQ(EditBuffer(ItemKind::Instrument), Bytes(&current));
  QTest::keyClick(form_->itemList(), Qt::Key_Down);
  EXPECT_EQ(EditBuffer(ItemKind::Instrument), Bytes(form_->currentItem()));

  const std::unique_ptr<Item> stored = CreateItem(ItemKind::Performance);
  DemoBank::FillItem(*stored, "Stored", 3, 5);
  std::int64_t id = 0;
  bool isNew = false;
  const std::unique_ptr<LibraryStore> store = test::OpenLibrary(LibraryPath());
  ASSERT_EQ(store->BeginChange(), 0);
  ASSERT_EQ(store->StoreProgram(*stored, id, isNew), 0);
  ASSERT_EQ(store->CommitChange(), 0);
  ActionOf(*form_, "Library1")->trigger();
  auto* table = Child<QTableView>(*form_->libraryWindow(), "ProgramTable");
  table->setCurrentIndex(table->model()->index(0, 1));
  EXPECT_EQ(EditBuffer(ItemKind::Performance), Bytes(stored.get()));
  EXPECT_EQ(form_->libraryWindow()->statusText(), "Auditioning Stored");
}

TEST_F(AuditionTest, AFailureTurnsItOffWithOneMessage) {
  ProgramMidi::control()->CurrentOutputDevice()->Close();
  EditorWindow& second = form_->appendWindow();
  ActionOf(*form_, "Audition")->trigger();
  for (int key = 0; key < 10; ++key) {
    QTest::keyClick(form_->itemList(), Qt::Key_Down);
    QCoreApplication::processEvents();
  }
  EXPECT_TRUE(QTest::qWaitFor([] { return !sharedAudition().isOn(); }, test::kPatienceMs));
  ASSERT_EQ(dialogs_.requests.size(), 1u);
  EXPECT_EQ(dialogs_.requests[0].title, "Audition");
  EXPECT_EQ(dialogs_.requests[0].text,
            QStringLiteral("Audition is off: ") + QString::fromUtf8(MidiErrors::kOpenOutputFirst));
  ExpectOn(false, {form_.get(), &second});
}

}  // namespace
