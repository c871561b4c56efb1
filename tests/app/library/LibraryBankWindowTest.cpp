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
