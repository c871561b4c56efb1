#pragma once

#include <QAbstractItemModel>
#include <QTableView>
#include <cstdlib>
#include <string>

#include "app/library/LibraryWindow.h"
#include "demo/DemoBank.h"
#include "library/LibraryStore.h"
#include "model/Item.h"
#include "tests/app/WindowFixture.h"
#include "tests/library/LibraryTestSupport.h"

// A WindowTest that works with the Library window.
class LibraryWindowTest : public WindowTest {
 protected:
  // Shows the library window as Edit > Library... does.
  LibraryWindow& ShowLibrary() {
    ActionOf(*form_, "Library1")->trigger();
    return *form_->libraryWindow();
  }

  // Stores a program of the test's own making straight into the library; its id.
  std::int64_t StoreProgram(ItemKind kind, const std::string& name, std::uint32_t seed) {
    const std::unique_ptr<LibraryStore> store = test::OpenLibrary(LibraryPath());
    const std::unique_ptr<Item> item = CreateItem(kind);
    DemoBank::FillItem(*item, name, 1, seed);
    std::int64_t id = 0;
    bool isNew = false;
    EXPECT_EQ(store->BeginChange(), 0);
    EXPECT_EQ(store->StoreProgram(*item, id, isNew), 0) << store->LastError();
    EXPECT_EQ(store->CommitChange(), 0);
    return id;
  }

  // A column of the table, as shown from the top.
  static QStringList Column(const LibraryWindow& library, int column) {
    const QAbstractItemModel* model = Child<QTableView>(library, "ProgramTable")->model();
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
      texts << model->index(row, column).data().toString();
    return texts;
  }
};
