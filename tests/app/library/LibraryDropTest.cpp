#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>

#include "app/list/ItemListView.h"
#include "tests/app/library/LibraryWindowFixture.h"

namespace {

// Drops `data` on a line of the window's list as the toolkit would; whether it was taken.
bool DropOnLine(EditorWindow& window, int line, const QMimeData& data) {
  ItemListView* list = window.itemList();
  list->scrollToItem(list->item(line));
  const QPoint point = list->visualItemRect(list->item(line)).center();
  QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(list->viewport(), &enter);
  QCoreApplication::sendEvent(list->viewport(), &drop);
  return enter.isAccepted() && drop.isAccepted();
}

// The drag data of the table's row named `name`.
std::unique_ptr<QMimeData> DragOfRow(LibraryWindow& library, const QString& name) {
  const QAbstractItemModel* model = Child<QTableView>(library, "ProgramTable")->model();
  for (int row = 0; row < model->rowCount(); ++row) {
    const QModelIndex index = model->index(row, 0);
    if (index.data().toString() == name)
      return std::unique_ptr<QMimeData>(model->mimeData({index}));
  }
  ADD_FAILURE() << name.toStdString();
  return nullptr;
}

TEST_F(LibraryWindowTest, AProgramDroppedOnALineIsCopiedThereAsOneUndoableStep) {
  StoreProgram(ItemKind::Instrument, "Lib Piano", 11);
  StoreProgram(ItemKind::Performance, "Lib Split", 12);
  OpenDemo(*form_);
  LibraryWindow& library = ShowLibrary();
  const struct {
    const char* program;
    int tab;
    bool taken;
    QString status;
  } cases[] = {
      {"Lib Piano", ListedLines::InstrumentTab, true, "Copied Lib Piano to INT:004(A04)"},
      {"Lib Split", ListedLines::InstrumentTab, false, "Couldn't Drop, unmatched types"},
      {"Lib Piano", ListedLines::PercussionTab, false, "Couldn't Drop, unmatched types"},
  };
  for (const auto& c : cases) {
    Select(*form_, c.tab, 3);
    Item* target = form_->itemAtLine(3);
    const std::vector<std::uint8_t> before = Bytes(target);
    const std::unique_ptr<QMimeData> data = DragOfRow(library, c.program);
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(DropOnLine(*form_, 3, *data));
    EXPECT_EQ(form_->statusText(), c.status) << c.program;
    EXPECT_EQ(target->Name(), c.taken ? std::string(c.program) : std::string(target->Name()));
    EXPECT_EQ(form_->isModified(), c.taken) << c.program;
    EXPECT_EQ(ActionOf(*form_, "Undo1")->isEnabled(), c.taken) << c.program;
    if (!c.taken) {
      EXPECT_EQ(Bytes(target), before) << c.program;
      continue;
    }
    EXPECT_NE(Bytes(target), before);
    ActionOf(*form_, "Undo1")->trigger();
    EXPECT_EQ(Bytes(target), before);
    EXPECT_FALSE(ActionOf(*form_, "Undo1")->isEnabled());
  }
}

}  // namespace
