#include <QTreeWidget>

#include "model/Bank.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "tests/app/library/LibraryWindowFixture.h"

namespace {

TEST_F(LibraryWindowTest, ABankFileCollectionOpensAsABankWindowInItsOrder) {
  OpenDemo(*form_);
  LibraryWindow& library = ShowLibrary();
  dialogs_.paths.push_back(PathOf("demo.s2v"));
  ActionOf(library, "AddFiles1")->trigger();
  auto* tree = Child<QTreeWidget>(library, "TreeView1");
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  tree->setCurrentItem(tree->topLevelItem(1));
  ActionOf(library, "NewBankWindow1")->trigger();

  ASSERT_NE(form_->nextWindow(), nullptr);
  EditorWindow& opened = *form_->nextWindow();
  EXPECT_TRUE(opened.isVisible());
  EXPECT_TRUE(opened.fileName().isEmpty());
  EXPECT_TRUE(opened.isModified());
  EXPECT_EQ(opened.statusText(), "260 programs from demo.s2v");
  // Every slot of the voice banks as demo.s2a has it; the others left as a new document's.
  const S2A_File fresh;
  for (const BankLayout& layout : kBankLayouts) {
    const S2A_File& expected = layout.inVoiceFile ? *form_->document() : fresh;
    Bank& bank = layout.bankIn(*opened.document());
    Bank& wanted = layout.bankIn(const_cast<S2A_File&>(expected));
    for (int slot = 0; slot < layout.capacity; ++slot)
      ASSERT_EQ(Bytes(bank.ItemAt(slot)), Bytes(wanted.ItemAt(slot))) << layout.word << slot;
  }
  // One step back gives the empty banks.
  ActionOf(opened, "Undo1")->trigger();
  for (const BankLayout& layout : kBankLayouts)
    EXPECT_EQ(Bytes(layout.bankIn(*opened.document()).ItemAt(0)),
              Bytes(layout.bankIn(const_cast<S2A_File&>(fresh)).ItemAt(0)));
}

}  // namespace

namespace {

TEST_F(LibraryWindowTest, AddDocumentTakesWhatTheWindowInFrontHolds) {
  LibraryWindow& library = ShowLibrary();
  ActionOf(library, "AddDocument1")->trigger();
  EXPECT_EQ(library.statusText(), "The document in front has no file yet: save it first");
  EXPECT_EQ(Child<QTreeWidget>(library, "TreeView1")->topLevelItemCount(), 1);

  MakeModifiedDemo(*form_);
  const std::vector<std::uint8_t> fileBytes = test::ReadBytes(PathOf("demo.s2a").toStdString());
  ActionOf(*form_, "Library1")->trigger();
  ActionOf(library, "AddDocument1")->trigger();
  EXPECT_TRUE(library.statusText().startsWith("Added ")) << library.statusText().toStdString();
  EXPECT_EQ(Child<QTreeWidget>(library, "TreeView1")->topLevelItemCount(), 2);
  // The cleared fourth instrument went in as the window shows it; the file stayed as it was.
  const std::unique_ptr<LibraryStore> store = test::OpenLibrary(LibraryPath());
  CollectionRow collection;
  ASSERT_EQ(store->FindCollection(PathOf("demo.s2a").toStdString(), collection), 0);
  std::vector<CollectionEntry> entries;
  ASSERT_EQ(store->Entries(collection.id, entries), 0);
  ASSERT_GT(entries.size(), 3u);
  ProgramImage image;
  ASSERT_EQ(store->ReadImage(entries[3].programId, image), 0);
  EXPECT_EQ(image.image, Bytes(form_->document()->InternalInstrumentBank().ItemAt(3)));
  EXPECT_TRUE(form_->isModified());
  EXPECT_EQ(test::ReadBytes(PathOf("demo.s2a").toStdString()), fileBytes);
}

}  // namespace
