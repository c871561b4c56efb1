#include <QDir>
#include <QFile>

#include "app/commands/CommandTexts.h"
#include "app/list/ListedLines.h"
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
    EXPECT_EQ(ItemCommands::exportFileNameFor(c.name), c.offered) << c.name;
}

TEST_F(WindowTest, ExportThenImportRoundTripsAnItemThroughBothFormats) {
  OpenDemo(*form_);
  Select(*form_, ListedLines::InstrumentTab, 0);
  const auto original = Bytes(form_->currentItem());
  for (const char* name : {"out/grand.s2i", "out/grand.syx"}) {
    SCOPED_TRACE(name);
    form_->setModified(false);
    ASSERT_TRUE(QDir().mkpath(PathOf("out")));
    dialogs_.paths = {PathOf(name)};
    form_->itemCommands().exportItem();
    EXPECT_EQ(form_->statusText(), "Export successful");
    EXPECT_EQ(dialogs_.requests.back().fileName, "Grand Pno.s2i");
    EXPECT_FALSE(form_->isModified());

    form_->itemCommands().clear();
    form_->setModified(false);
    dialogs_.paths = {PathOf(name)};
    form_->itemCommands().importItem();
    EXPECT_EQ(form_->statusText(), "Import successful");
    // Both commands start in the folder either of them used last.
    EXPECT_EQ(dialogs_.requests.back().folder, FolderOf(PathOf(name)));
    EXPECT_EQ(Bytes(form_->currentItem()), original);
    EXPECT_TRUE(form_->isModified());
    EXPECT_EQ(form_->listLines()[0], "INT:001(A01)  Pf:Grand Pno");
  }

  // A dump lacking a block: the block's bytes come back as zeros, the rest as they were.
  DropFirstBlock(PathOf("out/grand.syx"));
  dialogs_.paths = {PathOf("out/grand.syx")};
  form_->itemCommands().importItem();
  EXPECT_EQ(form_->statusText(), "Import successful");
  auto expected = original;
  std::fill_n(expected.begin(), InstrumentBlockTable()[0].size, 0);
  EXPECT_EQ(Bytes(form_->currentItem()), expected);
}

TEST_F(WindowTest, FailedOrCancelledImportsAndExportsChangeNothing) {
  OpenDemo(*form_);
  Select(*form_, ListedLines::PerformanceTab, 0);
  dialogs_.paths = {PathOf("performance.s2i")};
  form_->itemCommands().exportItem();
  Select(*form_, ListedLines::InstrumentTab, 0);
  const auto before = Bytes(form_->currentItem());
  QFile(PathOf("song.mid")).open(QIODevice::WriteOnly);
  const struct {
    WindowCommand command;
    QString path;  // empty: canceled
    const char* status;
    QString folderAfter;
  } cases[] = {
      {&command::importItem, "", "Canceled Import", ImportFolder()},
      {&command::exportItem, "", "Canceled Export", ImportFolder()},
      {&command::importItem, PathOf("performance.s2i"), "Couldn't Import, unmatched types",
       ImportFolder()},
      {&command::importItem, PathOf("song.mid"), "Error importing from file", ImportFolder()},
      {&command::importItem, PathOf("missing.s2i"), "Error importing from file", ImportFolder()},
      {&command::exportItem, PathOf("sub/noextension"), "Error exporting to file",
       FolderOf(PathOf("sub/noextension"))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    dialogs_.paths = {c.path};
    c.command(*form_);
    EXPECT_EQ(form_->statusText(), c.status);
    EXPECT_EQ(ImportFolder(), c.folderAfter);
    EXPECT_EQ(Bytes(form_->currentItem()), before);
    EXPECT_FALSE(form_->isModified());
  }
  EXPECT_FALSE(QFile::exists(PathOf("sub/noextension")));

  // Without a current item neither command asks for a file.
  Select(*form_, ListedLines::InstrumentTab, -1);
  for (auto command : {&command::importItem, &command::exportItem}) {
    command(*form_);
    EXPECT_EQ(form_->statusText(), "Unknown Internal Error");
  }
}

}  // namespace
