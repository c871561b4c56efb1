#include <QtCore/qtestsupport_core.h>
#include <QAbstractProxyModel>
#include <QComboBox>
#include <QFileSystemModel>
#include <QLineEdit>

#include "app/dialogs/QtUserDialogs.h"
#include "tests/app/WindowFixture.h"

TEST(FileDialog, ListsTheTypesAsWritten) {
  for (const auto filters : {OpenDialogFilters(), SaveDialogFilters(), ExportSuppDialogFilters()}) {
    const auto dialog = QtUserDialogs::makeFileDialog(nullptr, {"Title", filters, {}, "a"},
                                                      QFileDialog::AcceptSave);
    dialog->show();
    EXPECT_EQ(dialog->windowTitle(), "Title");
    const auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    QStringList shown;
    for (int i = 0; i < types->count(); ++i)
      shown << types->itemText(i);
    EXPECT_EQ(shown, FilterDescriptions(filters));
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
  }
}

TEST(FileDialog, ListsFilesOfTheChosenTypeInAnyLetterCase) {
  test::TempDir dir;
  for (const char* name : {"BANK1.S2A", "b.s2v", "c.txt"})
    test::WriteBytes(dir.File(name), {1});
  const QString folder = QString::fromStdString(dir.Path());
  const auto dialog = QtUserDialogs::makeFileDialog(
      nullptr, {"Open...", OpenDialogFilters(), folder, {}}, QFileDialog::AcceptOpen);
  const QAbstractProxyModel* proxy = dialog->proxyModel();
  const auto* files = qobject_cast<const QFileSystemModel*>(proxy->sourceModel());
  auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
  ASSERT_TRUE(files && types);
  ASSERT_TRUE(QTest::qWaitFor([&] { return files->rowCount(files->index(folder)) == 3; },
                              test::kPatienceMs));
  const struct {
    int type;
    QStringList names;
  } cases[] = {
      {0, {"BANK1.S2A", "b.s2v"}},
      {2, {"BANK1.S2A"}},
      {3, {"b.s2v"}},
      {7, {"BANK1.S2A", "b.s2v", "c.txt"}},
  };
  for (const auto& c : cases) {
    // As a choice from the list does.
    types->setCurrentIndex(c.type);
    emit types->activated(c.type);
    const QModelIndex listed = proxy->mapFromSource(files->index(folder));
    QStringList names;
    for (int row = 0; row < proxy->rowCount(listed); ++row)
      names << proxy->index(row, 0, listed).data().toString();
    names.sort();
    EXPECT_EQ(names, c.names) << c.type;
  }
}

// A name typed with a double quote in it is that name, not the toolkit's list of names in
// quotes: Open opens it and Save As writes it.
TEST(FileDialog, ANameTypedWithQuotesIsTheNameUsed) {
  test::TempDir dir;
  test::WriteBytes(dir.File("\"old bank.s2a"), {1});
  const QString folder = QString::fromStdString(dir.Path());
  const struct {
    QFileDialog::AcceptMode mode;
    const char* typed;
  } cases[] = {
      {QFileDialog::AcceptOpen, "\"old bank.s2a"},
      {QFileDialog::AcceptSave, "\"new bank.s2v"},
      {QFileDialog::AcceptSave, "a \"quoted\" name.s2a"},
  };
  for (const auto& [mode, typed] : cases) {
    const auto dialog =
        QtUserDialogs::makeFileDialog(nullptr, {"Title", OpenDialogFilters(), folder, {}}, mode);
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromUtf8(typed));
    dialog->accept();
    EXPECT_EQ(dialog->result(), QDialog::Accepted) << typed;
    EXPECT_EQ(dialog->chosenFile(), folder + "/" + QString::fromUtf8(typed));
  }
}
