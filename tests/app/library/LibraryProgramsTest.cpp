// The Library window's commands on the programs chosen in its table, with a simulated S80 on
// the program's ports.

#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "app/commands/ProgramMidi.h"
#include "app/dialogs/CompareWindow.h"
#include "app/library/LibraryWindow.h"
#include "app/library/ProgramTableModel.h"
#include "demo/DemoBank.h"
#include "files/S2I_File.h"
#include "midi/ports/MidiControl.h"
#include "simulator/SimulatedS80.h"
#include "tests/app/WindowFixture.h"
#include "tests/library/LibraryTestSupport.h"

namespace {

using Column = ProgramTableModel::Column;

class LibraryProgramsTest : public SynthesizerWindowTest {
 protected:
  // A program of the test's own making, stored in the library with a place in a bank file.
  std::unique_ptr<Item> Store(ItemKind kind, const std::string& name, std::uint32_t seed) {
    std::unique_ptr<Item> item = CreateItem(kind);
    DemoBank::FillItem(*item, name, 3, seed);
    const std::unique_ptr<LibraryStore> store = test::OpenLibrary(LibraryPath());
    std::int64_t id = 0;
    bool isNew = false;
    ProgramPlace place;
    place.path = "/banks/" + name + ".s2a";
    place.bank = "int-inst";
    place.slot = 16;
    EXPECT_EQ(store->BeginChange(), 0);
    EXPECT_EQ(store->StoreProgram(*item, id, isNew), 0);
    EXPECT_EQ(store->AddPlace(id, place), 0);
    EXPECT_EQ(store->CommitChange(), 0);
    return item;
  }

  LibraryWindow& ShowLibrary() {
    ActionOf(*form_, "Library1")->trigger();
    return *form_->libraryWindow();
  }

  static void Choose(LibraryWindow& library, std::initializer_list<int> rows) {
    auto* table = Child<QTableView>(library, "ProgramTable");
    table->selectionModel()->clearSelection();
    for (const int row : rows)
      table->selectionModel()->select(table->model()->index(row, Column::NameColumn),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
};

TEST_F(LibraryProgramsTest, ChosenProgramsGoToTheS80AFileAndACompareWindow) {
  const std::unique_ptr<Item> alpha = Store(ItemKind::Instrument, "Alpha", 1);
  const std::unique_ptr<Item> bravo = Store(ItemKind::Instrument, "Bravo", 2);
  LibraryWindow& library = ShowLibrary();
  Choose(library, {1});

  // Send to Slot asks the slot (its place's first) and then whether to replace it.
  dialogs_.texts.push_back(QStringLiteral("INT:020(B04)"));
  dialogs_.answers.push_back(Answer::Yes);
  ActionOf(library, "SendToSlot1")->trigger();
  ASSERT_GE(dialogs_.requests.size(), 2u);
  EXPECT_EQ(dialogs_.requests[0].details, "INT:017(B01)");
  EXPECT_EQ(dialogs_.requests[1].text, "Replace INT:020 Bravo on the S80?");
  synthesizer_->WaitUntilIdle();
  EXPECT_EQ(Bytes(synthesizer_->MemorySnapshot()->InternalInstrumentBank().ItemAt(19)),
            Bytes(bravo.get()));

  ActionOf(library, "SendToBuffer1")->trigger();
  synthesizer_->WaitUntilIdle();
  EXPECT_EQ(Bytes(synthesizer_->EditBuffer(ItemKind::Instrument).get()), Bytes(bravo.get()));

  dialogs_.paths.push_back(PathOf("bravo.s2i"));
  ActionOf(library, "ExportProgram1")->trigger();
  S2I_File exported;
  ASSERT_EQ(exported.Load(dir_.File("bravo.s2i")), 0);
  EXPECT_EQ(Bytes(exported.GetItem(S2I_File::kAnyKind)), Bytes(bravo.get()));

  ActionOf(library, "ShowPlaces1")->trigger();
  EXPECT_EQ(dialogs_.requests.back().kind, ScriptedDialogs::Kind::Message);
  EXPECT_EQ(dialogs_.requests.back().details, "/banks/Bravo.s2a INT:017(B01)");

  // Two rows compare at once; one is marked, then compared with the next one chosen.
  for (const auto& rows : {std::vector<int>{0, 1}, std::vector<int>{0}, std::vector<int>{1}}) {
    auto* table = Child<QTableView>(library, "ProgramTable");
    table->selectionModel()->clearSelection();
    for (const int row : rows)
      table->selectionModel()->select(table->model()->index(row, Column::NameColumn),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ActionOf(library, "CompareWith1")->trigger();
  }
  const QList<CompareWindow*> compared = library.findChildren<CompareWindow*>();
  ASSERT_EQ(compared.size(), 2);
  for (const CompareWindow* window : compared)
    EXPECT_TRUE(window->lines().join(u'\n').contains("Name: Alpha -> Bravo"));
  EXPECT_EQ(library.statusText(), "Compared library:1 with library:2");
}

// Ctrl+D marks the chosen rows (and unmarks them when all are marked), a click on the star a
// row; Ctrl+T sets the tags the chosen programs share.
TEST_F(LibraryProgramsTest, StarsAndTagsMarkTheChosenPrograms) {
  Store(ItemKind::Instrument, "Alpha", 1);
  Store(ItemKind::Instrument, "Bravo", 2);
  LibraryWindow& library = ShowLibrary();
  const auto stars = [&] {
    QStringList shown;
    for (int row = 0; row < 2; ++row)
      shown << library.programModel().index(row, Column::FavouriteColumn).data().toString();
    return shown;
  };
  Choose(library, {0, 1});
  ActionOf(library, "Favourite1")->trigger();
  EXPECT_EQ(stars(), QStringList({"\u2605", "\u2605"}));
  ActionOf(library, "Favourite1")->trigger();
  EXPECT_EQ(stars(), QStringList({"", ""}));
  auto* table = Child<QTableView>(library, "ProgramTable");
  const QRect star = table->visualRect(table->model()->index(1, Column::FavouriteColumn));
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, star.center());
  EXPECT_EQ(stars(), QStringList({"", "\u2605"}));

  Choose(library, {0, 1});
  dialogs_.texts.push_back(QStringLiteral("pads Warm"));
  ActionOf(library, "Tags1")->trigger();
  Choose(library, {1});
  dialogs_.texts.push_back(QStringLiteral("Warm bright"));  // pads taken off Bravo
  ActionOf(library, "Tags1")->trigger();
  EXPECT_EQ(dialogs_.requests.back().details, "pads Warm");
  QStringList tags;
  for (int row = 0; row < 2; ++row)
    tags << library.programModel().index(row, Column::TagsColumn).data().toString();
  EXPECT_EQ(tags, QStringList({"pads, Warm", "bright, Warm"}));
  // A tag of two words is refused and changes nothing.
  dialogs_.texts.push_back(QStringLiteral("bad\ttag"));
  ActionOf(library, "Tags1")->trigger();
  EXPECT_EQ(dialogs_.requests.back().kind, ScriptedDialogs::Kind::Error);
}

// A receive in a bank window and the Library window's receive of an edit buffer keep what came
// with its reception; a receive that brings nothing keeps nothing.
TEST_F(LibraryProgramsTest, ProgramsReceivedJoinTheLibraryWithTheirReception) {
  const auto programCount = [this] {
    std::int64_t count = 0;
    EXPECT_EQ(test::OpenLibrary(LibraryPath())->CountPrograms({}, count), 0);
    return count;
  };
  Select(*form_, 0, 4);
  ActionOf(*form_, "MidiReceive")->trigger();
  EXPECT_TRUE(form_->statusReason().contains("1 new program in the library"))
      << form_->statusReason().toStdString();
  {
    const std::unique_ptr<LibraryStore> store = test::OpenLibrary(LibraryPath());
    std::vector<ProgramPlace> places;
    ASSERT_EQ(store->Places(1, places), 0);
    ASSERT_EQ(places.size(), 1u);
    EXPECT_EQ(places[0].origin, ProgramPlace::Origin::Received);
    EXPECT_EQ(places[0].bank, "int-inst");
    EXPECT_EQ(places[0].slot, 4);
  }

  LibraryWindow& library = ShowLibrary();
  dialogs_.texts.push_back(QStringLiteral("Percussion"));
  ActionOf(library, "ReceiveBufferToLibrary1")->trigger();
  const std::unique_ptr<Item> kit = synthesizer_->EditBuffer(ItemKind::Percussion);
  EXPECT_EQ(library.statusText(), QStringLiteral("Received %1 into Received")
                                      .arg(QString::fromStdString(kit->PrintableName())));
  EXPECT_EQ(programCount(), 2);
  {
    const std::unique_ptr<LibraryStore> store = test::OpenLibrary(LibraryPath());
    CollectionRow received;
    std::vector<CollectionEntry> entries;
    ASSERT_EQ(store->FindCollection("Received", received), 0);
    ASSERT_EQ(store->Entries(received.id, entries), 0);
    ASSERT_EQ(entries.size(), 1u);
    ProgramImage image;
    ASSERT_EQ(store->ReadImage(entries[0].programId, image), 0);
    EXPECT_EQ(image.kind, ItemKind::Percussion);
  }

  SimulatedS80::Faults silent;
  silent.silent = true;
  synthesizer_->SetFaults(silent);
  ProgramMidi::control()->UseReceiveRetries(0);
  dialogs_.texts.push_back(QStringLiteral("Instrument"));
  ActionOf(library, "ReceiveBufferToLibrary1")->trigger();
  Select(*form_, 0, 5);
  ActionOf(*form_, "MidiReceive")->trigger();
  EXPECT_EQ(programCount(), 2);
  EXPECT_EQ(library.statusText(), "Nothing received: nothing added");
}

}  // namespace
