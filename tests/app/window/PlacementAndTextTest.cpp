#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QTableView>
#include <QToolTip>
#include <QtTest/QTest>

#include "app/dialogs/WindowPlacement.h"
#include "app/library/ProgramTableModel.h"
#include "app/widgets/ElidingLabel.h"
#include "app/widgets/WordElidingDelegate.h"
#include "library/LibraryQuery.h"
#include "settings/SettingsStore.h"
#include "tests/app/library/LibraryWindowFixture.h"

namespace {

QRect Available() {
  return QGuiApplication::primaryScreen()->availableGeometry();
}

QString Placement(const char* setting) {
  return QString::fromStdString(SettingsStore::ReadSettingString(setting, ""));
}

}  // namespace

// A remembered place comes back as it was where it is on the screen; one off the screen, or
// larger than it, is moved and shrunk onto it; one that is not four numbers is not used.
TEST_F(WindowTest, ARememberedPlaceIsRestoredWhollyOnTheScreen) {
  const QRect screen = Available();
  const struct {
    QString remembered;
    bool restored;
    QRect expected;
  } cases[] = {
      {"30 40 300 200", true, {30, 40, 300, 200}},
      {QString("%1 %2 300 200").arg(screen.right() + 500).arg(screen.bottom() + 500),
       true,
       {screen.right() - 299, screen.bottom() - 199, 300, 200}},
      {"-400 -90 300 200", true, {screen.left(), screen.top(), 300, 200}},
      {"10 10 20000 20000", true, screen},
      {"10 10 300", false, {}},
      {"10 10 300 x", false, {}},
      {"10 10 0 200", false, {}},
      {"", false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.remembered.toStdString());
    SettingsStore::WriteSettingString(Settings::kEditorWindowPlacement, c.remembered.toStdString());
    QWidget window;
    window.resize(111, 99);
    window.move(7, 8);
    EXPECT_EQ(RestorePlacement(window, Settings::kEditorWindowPlacement), c.restored);
    EXPECT_EQ(QRect(window.pos(), window.size()), c.restored ? c.expected : QRect(7, 8, 111, 99));
  }
}

// The first window remembers its place when it closes, and the Library window's; the next
// Library window opens there, and one with no place remembered opens wholly on the screen.
TEST_F(LibraryWindowTest, WindowsRememberTheirPlacesAndTheLibraryOpensOnScreen) {
  LibraryWindow& library = ShowLibrary();
  const QRect screen = Available();
  EXPECT_TRUE(screen.contains(library.frameGeometry())) << library.frameGeometry().bottom();
  library.move(screen.left() + 20, screen.top() + 30);
  library.resize(500, 300);
  form_->resize(410, 460);
  form_->move(screen.left() + 60, screen.top() + 50);
  form_->quit();
  EXPECT_EQ(Placement(Settings::kEditorWindowPlacement),
            QString("%1 %2 410 460").arg(screen.left() + 60).arg(screen.top() + 50));
  EXPECT_EQ(Placement(Settings::kLibraryWindowPlacement),
            QString("%1 %2 500 300").arg(screen.left() + 20).arg(screen.top() + 30));

  form_ = std::make_unique<EditorWindow>();
  form_->show();
  LibraryWindow& again = ShowLibrary();
  EXPECT_EQ(QRect(again.pos(), again.size()),
            QRect(screen.left() + 20, screen.top() + 30, 500, 300));
}

// A text that does not fit is cut after a whole word, or within the first where not even that
// fits; the label's tooltip holds it whole.
TEST_F(WindowTest, TextsAreCutAtAWord) {
  const QFontMetrics metrics(form_->font());
  const QString text = QStringLiteral("192 changed programs of the performance banks");
  const struct {
    QString fitting;  // what the width is measured for, with its "…"
    QString shown;
  } cases[] = {
      {text, text},
      {"192 changed programs of the performanc…", "192 changed programs of the…"},
      {"192 changed programs of…", "192 changed programs of…"},
      {"19…", "19…"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fitting.toStdString());
    // A pixel over, as shaping may draw a text narrower than the sum of its characters.
    EXPECT_EQ(ElideAtWord(text, metrics, metrics.horizontalAdvance(c.fitting) + 1), c.shown);
  }
  EXPECT_EQ(
      ElideAtWord("Not received: Instrument INT:001(A01), Instrument INT:002(A02)", metrics,
                  metrics.horizontalAdvance("Not received: Instrument INT:001(A01), Ins…") + 1),
      "Not received: Instrument INT:001(A01)…");

  form_->setStatus("Save successful", text);
  form_->resize(260, form_->height());
  ElidingLabel* reason = StatusLabel(*form_, "StatusReason");
  ASSERT_TRUE(QTest::qWaitFor([&] { return reason->text() != text; }, test::kPatienceMs));
  EXPECT_TRUE(text.startsWith(reason->text().chopped(1) + u' ')) << reason->text().toStdString();
  EXPECT_EQ(reason->toolTip(), text);
}

// A table cell too narrow for its text is cut after a whole word, and its tooltip holds the
// text whole; one that fits has no tooltip. A place keeps its slot.
TEST_F(LibraryWindowTest, CellsAreCutAtAWordAndShownWholeInTheirTooltip) {
  const std::int64_t id = StoreProgram(ItemKind::Instrument, "Grand Pno", 1);
  {
    const auto store = test::OpenLibrary(LibraryPath());
    const std::string tags[] = {"bright", "concert", "vintage"};
    ASSERT_EQ(
        store->AddTags(std::vector<std::int64_t>{id}, std::vector<std::string>(tags, tags + 3)), 0);
    ProgramPlace place;
    place.path = "/banks/Concert Grand.s2a";
    place.bank = "int-inst";
    place.slot = 16;
    ASSERT_EQ(store->AddPlace(id, place), 0);
  }
  LibraryWindow& library = ShowLibrary();
  auto* table = Child<QTableView>(library, "ProgramTable");
  auto* cells = qobject_cast<WordElidingDelegate*>(table->itemDelegate());
  ASSERT_NE(cells, nullptr);
  table->horizontalHeader()->setStretchLastSection(false);
  const QString tags = QStringLiteral("bright, concert, vintage");
  const struct {
    int column;
    QString room;  // what the column is made wide enough for
    QString shown;
    QString tooltip;  // the model's own where it has one
  } cases[] = {
      {ProgramTableModel::TagsColumn, tags + "W", tags, ""},
      {ProgramTableModel::TagsColumn, "bright, concert, vin", "bright, concert…", tags},
      {ProgramTableModel::PlaceColumn, "Concert Grand INT:017(B01)", "Concert… INT:017(B01)",
       "/banks/Concert Grand.s2a INT:017(B01)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.room.toStdString());
    table->setColumnWidth(c.column, table->fontMetrics().horizontalAdvance(c.room));
    const QModelIndex cell = table->model()->index(0, c.column);
    QStyleOptionViewItem option;
    option.initFrom(table->viewport());
    option.widget = table;
    option.rect = table->visualRect(cell);
    EXPECT_EQ(cells->shownText(option, cell), c.shown);
    QToolTip::hideText();
    QHelpEvent help(QEvent::ToolTip, option.rect.center(),
                    table->viewport()->mapToGlobal(option.rect.center()));
    QApplication::sendEvent(table->viewport(), &help);
    EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text() : QString(), c.tooltip);
  }
}

// The Library window's menus are reached by their letters; a search longer than the library
// looks for says so in its status bar.
TEST_F(LibraryWindowTest, TheLibraryWindowHasLettersAndSaysASearchIsTooLong) {
  StoreProgram(ItemKind::Instrument, "Grand Pno", 1);
  LibraryWindow& library = ShowLibrary();
  EXPECT_TRUE(EveryMenuHasItsOwnMnemonics(library));
  auto* search = Child<QLineEdit>(library, "LibrarySearch");
  search->setText(QStringLiteral("pno ").repeated(LibraryQuery::kMostFilterWords + 1));
  EXPECT_TRUE(library.statusText().endsWith("are looked for at once"))
      << library.statusText().toStdString();
  EXPECT_EQ(Column(library, ProgramTableModel::NameColumn), QStringList());
  search->setText(QStringLiteral("pno ").repeated(LibraryQuery::kMostFilterWords));
  EXPECT_EQ(Column(library, ProgramTableModel::NameColumn), QStringList({"Grand Pno"}));
}
