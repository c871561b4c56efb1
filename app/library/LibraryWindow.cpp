#include "app/library/LibraryWindow.h"

#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUndoStack>
#include <QVBoxLayout>
#include <utility>

#include "app/commands/CommandTexts.h"
#include "app/commands/DocumentWindow.h"
#include "app/commands/ItemImagesCommand.h"
#include "app/dialogs/UserDialogs.h"
#include "app/library/AdditionProgressDialog.h"
#include "app/library/BankWindowOpener.h"
#include "app/library/CollectionBankFill.h"
#include "app/library/CollectionTree.h"
#include "app/library/LibraryWriteWait.h"
#include "app/library/ProgramTableModel.h"
#include "app/widgets/WordElidingDelegate.h"
#include "library/LibraryAddition.h"
#include "library/LibraryStore.h"
#include "model/Bank.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"

namespace {

constexpr int kCollectionRole = CollectionTree::kCollectionRole;
constexpr int kNameRole = CollectionTree::kCollectionRole + 1;
QString Caption() {
  return LibraryWindow::tr("Library");
}

std::string LocalPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

// As people sort names, whatever the locale: a run of digits by its number (f1, f2, f10), the
// rest in any letter case.
int NaturalOrder(const QString& a, const QString& b) {
  qsizetype i = 0;
  qsizetype j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i].isDigit() && b[j].isDigit()) {
      const qsizetype iStart = i;
      const qsizetype jStart = j;
      while (i < a.size() && a[i].isDigit())
        ++i;
      while (j < b.size() && b[j].isDigit())
        ++j;
      // Leading zeros aside, the longer run is the larger number.
      const QString x = a.mid(iStart, i - iStart).remove(QRegularExpression(QStringLiteral("^0+")));
      const QString y = b.mid(jStart, j - jStart).remove(QRegularExpression(QStringLiteral("^0+")));
      if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
      if (const int order = x.compare(y); order != 0)
        return order;
      continue;
    }
    if (const int order = QString::compare(a.mid(i, 1), b.mid(j, 1), Qt::CaseInsensitive);
        order != 0)
      return order;
    ++i;
    ++j;
  }
  if (i < a.size() || j < b.size())
    return i < a.size() ? 1 : -1;
  return QString::compare(a, b, Qt::CaseInsensitive);
}

QString ShownPath(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

QString RemarkLines(const std::vector<std::string>& lines) {
  QStringList shown;
  for (const std::string& line : lines)
    shown << QString::fromStdString(line);
  return shown.join(u'\n');
}

QString RemarkLines(const std::vector<FileRemark>& remarks) {
  QStringList lines;
  for (const FileRemark& remark : remarks)
    lines << ShownPath(remark.path) + QStringLiteral(": ") + QString::fromStdString(remark.text);
  return lines.join(u'\n');
}

}  // namespace

LibraryWindow::LibraryWindow(BankWindowOpener& opener, QWidget* parent)
    : QMainWindow(parent), opener_(opener) {
  setObjectName(QStringLiteral("LibraryForm"));
  setWindowTitle(Caption());
  resize(kDesignWidth, kDesignHeight);
  buildMenus();

  tree_ = new CollectionTree;
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { showCollection(); });
  connect(tree_, &CollectionTree::programsDropped, this, &LibraryWindow::addToCollection);

  search_ = new QLineEdit;
  search_->setObjectName(QStringLiteral("LibrarySearch"));
  search_->setPlaceholderText(tr("Find name, category or kind"));
  search_->setClearButtonEnabled(true);
  connect(search_, &QLineEdit::textChanged, this, &LibraryWindow::showSearch);
  search_->setToolTip(
      tr("Words of the name, category or kind; fav: for the favourites, tag:pads for "
         "the programs tagged pads"));

  categories_ = new QComboBox;
  categories_->setObjectName(QStringLiteral("LibraryCategory"));
  categories_->setToolTip(tr("Only the programs of one category"));
  categories_->addItem(tr("All Categories"));
  for (const char* name : Item::CategoryNames())
    categories_->addItem(QString::fromLatin1(name));
  connect(categories_, &QComboBox::currentIndexChanged, this, &LibraryWindow::showCategory);

  model_ = new ProgramTableModel(this);
  table_ = new QTableView;
  table_->setObjectName(QStringLiteral("ProgramTable"));
  table_->setModel(model_);
  auto* cells = new WordElidingDelegate(table_);
  // Two places in one file differ by their slots.
  cells->keepLastWordIn(ProgramTableModel::PlaceColumn);
  table_->setItemDelegate(cells);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->setDragEnabled(true);
  table_->setDragDropMode(QAbstractItemView::DragOnly);
  table_->setDefaultDropAction(Qt::CopyAction);
  table_->verticalHeader()->hide();
  // Every row one height, so that a long table never measures rows it does not show.
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + kRowPadding);
  table_->horizontalHeader()->setStretchLastSection(true);
  // Widths in characters, set rather than measured: measuring would read every row.
  const int character = fontMetrics().averageCharWidth();
  for (const auto& [column, characters] : {std::pair{ProgramTableModel::FavouriteColumn, 4},
                                           {ProgramTableModel::NameColumn, 18},
                                           {ProgramTableModel::CategoryColumn, 11},
                                           {ProgramTableModel::KindColumn, 14},
                                           {ProgramTableModel::PlaceColumn, 28},
                                           {ProgramTableModel::SourcesColumn, 10},
                                           {ProgramTableModel::TagsColumn, 14}})
    table_->setColumnWidth(column, character * characters);
  connect(table_, &QTableView::clicked, this, [this](const QModelIndex& index) {
    if (index.column() == ProgramTableModel::FavouriteColumn)
      toggleFavouriteAt(index.row());
  });
  table_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(table_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu(this);
    buildProgramMenu(&menu);
    menu.exec(table_->viewport()->mapToGlobal(at));
  });
  table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  table_->setSortingEnabled(true);

  auto* programs = new QWidget;
  auto* layout = new QVBoxLayout(programs);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* filters = new QHBoxLayout;
  filters->addWidget(search_, 1);
  filters->addWidget(categories_);
  layout->addLayout(filters);
  layout->addWidget(table_);
  auto* splitter = new QSplitter;
  splitter->addWidget(tree_);
  splitter->addWidget(programs);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({kDesignWidth / 3, kDesignWidth * 2 / 3});
  setCentralWidget(splitter);

  status_ = new QLabel;
  status_->setObjectName(QStringLiteral("LibraryStatus"));
  statusBar()->addWidget(status_, 1);

  writeWait_ = new LibraryWriteWait(this);
  connect(writeWait_, &LibraryWriteWait::cancelled, this,
          [this] { setStatus(tr("Canceled: another program was using the library")); });
  otherChanges_ = new QTimer(this);
  otherChanges_->setInterval(kOtherChangesCheckMs);
  connect(otherChanges_, &QTimer::timeout, this, &LibraryWindow::checkForOtherChanges);
  buildAudition();
}

LibraryWindow::~LibraryWindow() = default;

void LibraryWindow::buildMenus() {
  QMenu* menu = menuBar()->addMenu(tr("&Library"));
  const auto add = [this, menu](const char* name, const QString& text,
                                void (LibraryWindow::*run)()) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, run);
    return action;
  };
  addFilesAction_ = add("AddFiles1", tr("&Add Files…"), &LibraryWindow::addFiles);
  addFolderAction_ = add("AddFolder1", tr("Add F&older…"), &LibraryWindow::addFolder);
  addDocumentAction_ = add("AddDocument1", tr("Add Doc&ument"), &LibraryWindow::addDocument);
  menu->addSeparator();
  newBankWindowAction_ = add("NewBankWindow1", tr("&New Bank Window from Collection"),
                             &LibraryWindow::newBankWindowFromCollection);
  renameCollectionAction_ =
      add("RenameCollection1", tr("&Rename Collection…"), &LibraryWindow::renameCollection);
  removeFromCollectionAction_ = add("RemoveFromCollection1", tr("Re&move from Collection"),
                                    &LibraryWindow::removeFromCollection);
  deleteCollectionAction_ =
      add("DeleteCollection1", tr("&Delete Collection…"), &LibraryWindow::deleteCollection);
  menu->addSeparator();
  buildProgramMenu(menu);
  for (QAction* action : menu->actions().mid(menu->actions().indexOf(deleteCollectionAction_) + 2))
    programActions_.push_back(action);
  menu->addSeparator();
  closeAction_ = menu->addAction(tr("C&lose"), this, &QWidget::close);
  closeAction_->setObjectName(QStringLiteral("Close1"));

  undoStack_ = new QUndoStack(this);
  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  undoAction_ = edit->addAction(tr("&Undo"), this, &LibraryWindow::undo);
  undoAction_->setObjectName(QStringLiteral("Undo1"));
  undoAction_->setShortcut(QKeySequence::Undo);
  undoAction_->setEnabled(false);
  connect(undoStack_, &QUndoStack::canUndoChanged, undoAction_, &QAction::setEnabled);
  redoAction_ = edit->addAction(tr("&Redo"), this, &LibraryWindow::redo);
  redoAction_->setObjectName(QStringLiteral("Redo1"));
  redoAction_->setShortcut(QKeySequence::Redo);
  redoAction_->setEnabled(false);
  connect(undoStack_, &QUndoStack::canRedoChanged, redoAction_, &QAction::setEnabled);

  midiMenu_ = menuBar()->addMenu(tr("&Midi"));
  receiveBufferAction_ = midiMenu_->addAction(tr("&Receive Edit Buffer to Library…"), this,
                                              &LibraryWindow::receiveEditBuffer);
  receiveBufferAction_->setObjectName(QStringLiteral("ReceiveBufferToLibrary1"));
}

// The commands on the programs chosen in the table: the Library menu's and the table's own.
void LibraryWindow::buildProgramMenu(QMenu* menu) {
  const auto add = [this, menu](const char* name, const QString& text, void (LibraryWindow::*run)(),
                                const QKeySequence& keys = {}) {
    QAction* action = menu->addAction(text, this, run);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setEnabled(store_ != nullptr);
    return action;
  };
  add("SendToBuffer1", tr("Send to &Buffer"), &LibraryWindow::sendToBuffer);
  add("SendToSlot1", tr("Send to &Slot…"), &LibraryWindow::sendToSlot);
  add("ExportProgram1", tr("&Export…"), &LibraryWindow::exportProgram);
  add("ShowPlaces1", tr("Show &Places"), &LibraryWindow::showPlaces);
  add("CompareWith1", tr("&Compare With…"), &LibraryWindow::compareWith);
  menu->addSeparator();
  add("Favourite1", tr("&Favourite"), &LibraryWindow::toggleFavourite,
      QKeySequence(Qt::CTRL | Qt::Key_D));
  add("Tags1", tr("&Tags…"), &LibraryWindow::editTags, QKeySequence(Qt::CTRL | Qt::Key_T));
  if (menu->parent() == this) {  // the table's own menu
    menu->addSeparator();
    add("RemoveFromCollection2", tr("&Remove from Collection"),
        &LibraryWindow::removeFromCollection);
  }
}

std::optional<std::string> LibraryWindow::chosenCategory() const {
  return categories_->currentIndex() > 0 ? std::optional(categories_->currentText().toStdString())
                                         : std::nullopt;
}

void LibraryWindow::showCategory() {
  ProgramFilter filter = model_->filter();
  filter.category = chosenCategory();
  model_->setFilter(filter);
}

void LibraryWindow::showLibrary() {
  show();
  raise();
  activateWindow();
  if (!store_) {
    std::string error;
    const std::string path = LibraryStore::DefaultPath();
    store_ = LibraryStore::Open(path, error);
    if (!store_)
      userDialogs().showError(
          this, Caption(), ShownPath(path) + QStringLiteral(": ") + QString::fromStdString(error));
    else if (store_->DataVersion(dataVersion_) == 0)
      otherChanges_->start();
  }
  for (QAction* action : {addFilesAction_, addFolderAction_, addDocumentAction_,
                          newBankWindowAction_, deleteCollectionAction_, renameCollectionAction_,
                          removeFromCollectionAction_, receiveBufferAction_})
    action->setEnabled(store_ != nullptr);
  for (QAction* action : programActions_)
    action->setEnabled(store_ != nullptr);
  model_->setStore(store_.get());
  reloadTree();
}

// ---------------------------------------------------------------------------------------------
// The collections and the programs

void LibraryWindow::reloadTree() {
  reloadCollections();
  showCollection();
}

void LibraryWindow::reloadCollections() {
  const std::int64_t chosen = currentCollection();
  const int scrolled = tree_->verticalScrollBar()->value();
  const QSignalBlocker blocker(tree_);
  tree_->clear();
  auto* all = new QTreeWidgetItem(tree_, {tr("All Programs")});
  all->setData(0, kCollectionRole, qint64{0});
  if (store_)
    addCollections(nullptr, 0);
  tree_->expandAll();
  selectCollection(chosen);
  tree_->verticalScrollBar()->setValue(scrolled);
}

void LibraryWindow::checkForOtherChanges() {
  std::int64_t version = 0;
  if (!store_ || !isVisible() || writeWait_->isWaiting() || store_->DataVersion(version) != 0 ||
      version == dataVersion_)
    return;
  dataVersion_ = version;
  // The history's changes put back collections as this window last saw them: undone now, they
  // would take back what the other program changed too.
  undoStack_->clear();
  showChangesKeepingView();
}

void LibraryWindow::showChangesKeepingView() {
  const std::int64_t shown = currentCollection();
  const int scrolled = table_->verticalScrollBar()->value();
  std::vector<std::pair<int, std::int64_t>> chosen;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows())
    chosen.emplace_back(index.row(), model_->programId(index.row()));
  const QModelIndex current = table_->currentIndex();
  const std::int64_t currentProgram = current.isValid() ? model_->programId(current.row()) : 0;
  reloadCollections();
  if (currentCollection() != shown) {
    showCollection();
    return;
  }
  model_->reload();
  table_->verticalScrollBar()->setValue(scrolled);
  QItemSelection selection;
  for (const auto& [row, program] : chosen) {
    if (const int found = model_->rowNear(row, program); found >= 0)
      selection.select(model_->index(found, 0),
                       model_->index(found, ProgramTableModel::ColumnCount - 1));
  }
  if (currentProgram != 0) {
    if (const int found = model_->rowNear(current.row(), currentProgram); found >= 0)
      table_->selectionModel()->setCurrentIndex(model_->index(found, current.column()),
                                                QItemSelectionModel::NoUpdate);
  }
  table_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void LibraryWindow::addCollections(QTreeWidgetItem* parent, std::int64_t parentId) {
  std::vector<CollectionRow> rows;
  if (store_->Collections(parentId, rows) != 0)
    return;
  std::stable_sort(rows.begin(), rows.end(), [](const CollectionRow& a, const CollectionRow& b) {
    return NaturalOrder(QString::fromStdString(a.name), QString::fromStdString(b.name)) < 0;
  });
  for (const CollectionRow& row : rows) {
    const QString text =
        QStringLiteral("%1 (%2)").arg(QString::fromStdString(row.name)).arg(row.entryCount);
    auto* item = parent ? new QTreeWidgetItem(parent, {text}) : new QTreeWidgetItem(tree_, {text});
    item->setData(0, kCollectionRole, qint64{row.id});
    item->setData(0, kNameRole, QString::fromStdString(row.name));
    item->setToolTip(0, ShownPath(row.path));
    addCollections(item, row.id);
  }
}

std::int64_t LibraryWindow::currentCollection() const {
  const QTreeWidgetItem* item = tree_->currentItem();
  return item ? item->data(0, kCollectionRole).toLongLong() : 0;
}

QString LibraryWindow::currentCollectionName() const {
  const QTreeWidgetItem* item = tree_->currentItem();
  return item ? item->data(0, kNameRole).toString() : QString();
}

void LibraryWindow::selectCollection(std::int64_t collectionId) {
  for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
    if ((*it)->data(0, kCollectionRole).toLongLong() == collectionId) {
      tree_->setCurrentItem(*it);
      return;
    }
  }
  tree_->setCurrentItem(tree_->topLevelItem(0));
}

void LibraryWindow::showCollection() {
  ProgramFilter filter;
  filter.text = search_->text().toStdString();
  const std::int64_t collection = currentCollection();
  if (collection != 0) {
    filter.collection = collection;
    filter.sort = ProgramFilter::Sort::Position;
  }
  filter.category = chosenCategory();
  model_->setFilter(filter);
  // A collection starts in its own order; no header is the sorted one.
  const QSignalBlocker blocker(table_->horizontalHeader());
  table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
}

void LibraryWindow::showSearch(const QString& text) {
  ProgramFilter filter = model_->filter();
  filter.text = text.toStdString();
  model_->setFilter(filter);
  if (!model_->failure().isEmpty())
    setStatus(model_->failure());
}

// ---------------------------------------------------------------------------------------------
// Additions

void LibraryWindow::addFiles() {
  const std::optional<QString> path = userDialogs().openFileName(
      this, {tr("Add Files"), LibraryDialogFilters(), QString(), QString()});
  if (path)
    addPaths({LocalPath(*path)});
}

void LibraryWindow::addFolder() {
  const std::optional<QString> path =
      userDialogs().folderName(this, {tr("Add Folder"), {}, QString(), QString()});
  if (path)
    addPaths({LocalPath(*path)});
}

void LibraryWindow::addDocument() {
  DocumentWindow* front = opener_.frontBankWindow();
  // The document's file names its collection: one never saved has none yet.
  if (!front || front->fileName().isEmpty()) {
    setStatus(tr("The document in front has no file yet: save it first"));
    return;
  }
  // A copy, read on the addition's thread while the window goes on changing its own.
  auto copy = std::make_unique<S2A_File>();
  for (const BankLayout& layout : kBankLayouts)
    layout.bankIn(*copy).AssignFrom(layout.bankIn(*front->document()));
  const std::string path = LocalPath(front->fileName());
  runAddition([&copy, &path](LibraryAddition& addition, AdditionReport& report) {
    return addition.AddDocument(std::move(copy), path, report);
  });
}

void LibraryWindow::addPaths(const std::vector<std::string>& paths) {
  runAddition([&paths](LibraryAddition& addition, AdditionReport& report) {
    return addition.Add(paths, report);
  });
}

void LibraryWindow::runAddition(const std::function<int(LibraryAddition&, AdditionReport&)>& job) {
  if (!store_)
    return;
  AdditionReport report;
  std::string error;
  int result = -1;
  bool cancelled = false;
  {
    AdditionProgressDialog dialog(this);
    emit additionStarting(&dialog);
    result = dialog.run(store_->Path(), job, report, error);
    cancelled = dialog.cancelled();
  }  // gone before anything else shows: a box after it is never hidden behind it
  if (result != 0) {
    if (cancelled) {
      setStatus(tr("Addition canceled: nothing added"));
    } else {
      setStatus(tr("Nothing added"));
      userDialogs().showError(this, Caption(), QString::fromStdString(error));
    }
    return;
  }
  // The changes before the addition record collections as they were then: putting one back
  // now would undo what the addition brought too.
  undoStack_->clear();
  reloadTree();
  showAdditionReport(report);
}

void LibraryWindow::showAdditionReport(const AdditionReport& report) {
  QString details = RemarkLines(report.skipped);
  if (!report.notes.empty())
    details += (details.isEmpty() ? QString() : QStringLiteral("\n")) + RemarkLines(report.notes);
  setStatus(tr("Added %1, %2 already known; %3 skipped")
                .arg(CountText(report.newPrograms, QT_TRANSLATE_NOOP("CountText", "new program"),
                               QT_TRANSLATE_NOOP("CountText", "new programs")))
                .arg(report.knownPrograms)
                .arg(CountText(report.skipped.size(), QT_TRANSLATE_NOOP("CountText", "file"),
                               QT_TRANSLATE_NOOP("CountText", "files"))),
            details);
}

void LibraryWindow::setStatus(const QString& text, const QString& details) {
  status_->setText(text);
  status_->setToolTip(details);
}

QString LibraryWindow::statusText() const {
  return status_->text();
}

// ---------------------------------------------------------------------------------------------
// A collection as a bank window

void LibraryWindow::newBankWindowFromCollection() {
  const std::int64_t collection = currentCollection();
  if (!store_ || collection == 0) {
    setStatus(tr("Choose a collection first"));
    return;
  }
  DocumentWindow& window = opener_.openUntitledBankWindow();
  std::vector<Item*> targets;
  std::vector<std::int64_t> programs;
  int left = 0;
  if (CollectionBankFill::plan(*store_, collection, *window.document(), targets, programs, left) !=
      0) {
    setStatus(QString::fromStdString(store_->LastError()));
    return;
  }
  auto edit = window.startEdit(QT_TRANSLATE_NOOP("EditStep", "Library"), targets);
  std::vector<std::string> damaged;
  const int filled = CollectionBankFill::fill(*store_, targets, programs, damaged);
  window.record(std::move(edit));
  window.markEdited();
  window.refreshList();
  const QString name = tree_->currentItem()->data(0, kNameRole).toString();
  QStringList reasons;
  if (left > 0)
    reasons << tr("%1 had no room").arg(left);
  if (!damaged.empty())
    reasons << tr("%1 damaged in the library").arg(damaged.size());
  window.setStatus(
      tr("%1 from %2")
          .arg(CountText(targets.size() - damaged.size(), QT_TRANSLATE_NOOP("CountText", "program"),
                         QT_TRANSLATE_NOOP("CountText", "programs")),
               name),
      reasons.join(QStringLiteral("; ")));
  if (filled != 0)
    setStatus(QString::fromStdString(store_->LastError()));
  else if (!damaged.empty())
    setStatus(tr("Left out, damaged in the library: %1").arg(damaged.size()), RemarkLines(damaged));
}
