#include <QDir>
#include <QFile>

#include "model/Item.h"
#include "model/ParamBlockTable.h"
#include "settings/SettingsStore.h"
#include "tests/app/WindowFixture.h"

namespace {

QString ImportFolder() {
  return QString::fromStdString(
      SettingsStore::ReadSettingString(Settings::kLastImportDirectory, ""));
}

// A dump file without its first block message (the one after the header).
void DropFirstBlock(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QByteArray bytes = file.readAll();
  file.close();
  const qsizetype blockStart = bytes.indexOf('\xF7') + 1;
  bytes.remove(blockStart, bytes.indexOf('\xF7', blockStart) + 1 - blockStart);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

TEST(ExportFileNameFor, KeepsLettersDigitsBlanksAndBrackets) {
  const struct {
    const char* name;
    const char* offered;
  } cases[] = {
      {"Grand Pno!", "Grand Pno.s2i"},    {"          ", ".s2i"},
      {"Str/ings 2", "Strings 2.s2i"},    {"(Pad)+-*?:", "(Pad)+-.s2i"},
      {"Lead 1 2 3 4", "Lead 1 2 3.s2i"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EditorWindow::ExportFileNameFor(c.name), c.offered) << c.name;
}

TEST_F(WindowTest, ExportThenImportRoundTripsAnItemThroughBothFormats) {
  OpenDemo(*form_);
  Select(*form_, EditorWindow::InstrumentTab, 0);
  const auto original = Bytes(form_->CurrentItem());
  for (const char* name : {"out/grand.s2i", "out/grand.syx"}) {
    SCOPED_TRACE(name);
    form_->Modified = false;
    ASSERT_TRUE(QDir().mkpath(PathOf("out")));
    dialogs_.paths = {PathOf(name)};
    form_->EditExportExecute();
    EXPECT_EQ(form_->StatusText(), "Export successful");
    EXPECT_EQ(dialogs_.requests.back().fileName, "Grand Pno.s2i");
    EXPECT_FALSE(form_->Modified);

    form_->Clear1Click();
    form_->Modified = false;
    dialogs_.paths = {PathOf(name)};
    form_->EditImportExecute();
    EXPECT_EQ(form_->StatusText(), "Import successful");
    // Both commands start in the folder either of them used last.
    EXPECT_EQ(dialogs_.requests.back().folder, EditorWindow::FolderOf(PathOf(name)));
    EXPECT_EQ(Bytes(form_->CurrentItem()), original);
    EXPECT_TRUE(form_->Modified);
    EXPECT_EQ(form_->ListLines()[0], "INT:001(A01)  Pf:Grand Pno");
  }

  // A dump lacking a block: the block's bytes come back as zeros, the rest as they were.
  DropFirstBlock(PathOf("out/grand.syx"));
  dialogs_.paths = {PathOf("out/grand.syx")};
  form_->EditImportExecute();
  EXPECT_EQ(form_->StatusText(), "Import successful");
  auto expected = original;
  std::fill_n(expected.begin(), InstrumentBlockTable()[0].size, 0);
  EXPECT_EQ(Bytes(form_->CurrentItem()), expected);
}

TEST_F(WindowTest, FailedOrCancelledImportsAndExportsChangeNothing) {
  OpenDemo(*form_);
  Select(*form_, EditorWindow::PerformanceTab, 0);
  dialogs_.paths = {PathOf("performance.s2i")};
  form_->EditExportExecute();
  Select(*form_, EditorWindow::InstrumentTab, 0);
  const auto before = Bytes(form_->CurrentItem());
  QFile(PathOf("song.mid")).open(QIODevice::WriteOnly);
  const struct {
    void (EditorWindow::*command)();
    QString path;  // empty: cancelled
    const char* status;
    QString folderAfter;
  } cases[] = {
      {&EditorWindow::EditImportExecute, "", "Canceled Import", ImportFolder()},
      {&EditorWindow::EditExportExecute, "", "Canceled Export", ImportFolder()},
      {&EditorWindow::EditImportExecute, PathOf("performance.s2i"),
       "Couldn't Import, unmatched types", ImportFolder()},
      {&EditorWindow::EditImportExecute, PathOf("song.mid"), "Error importing from file",
       ImportFolder()},
      {&EditorWindow::EditImportExecute, PathOf("missing.s2i"), "Error importing from file",
       ImportFolder()},
      {&EditorWindow::EditExportExecute, PathOf("sub/noextension"), "Error exporting to file",
       EditorWindow::FolderOf(PathOf("sub/noextension"))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    dialogs_.paths = {c.path};
    (form_.get()->*c.command)();
    EXPECT_EQ(form_->StatusText(), c.status);
    EXPECT_EQ(ImportFolder(), c.folderAfter);
    EXPECT_EQ(Bytes(form_->CurrentItem()), before);
    EXPECT_FALSE(form_->Modified);
  }
  EXPECT_FALSE(QFile::exists(PathOf("sub/noextension")));

  // Without a current item neither command asks for a file.
  Select(*form_, EditorWindow::InstrumentTab, -1);
  for (auto command : {&EditorWindow::EditImportExecute, &EditorWindow::EditExportExecute}) {
    (form_.get()->*command)();
    EXPECT_EQ(form_->StatusText(), "Unknown Internal Error");
  }
}

}  // namespace
