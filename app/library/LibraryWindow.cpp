#include "app/library/LibraryWindow.h"

#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
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
#include "library/LibraryAddition.h"
#include "library/LibraryStore.h"
#include "model/Bank.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"

namespace {

constexpr int kCollectionRole = CollectionTree::kCollectionRole;
constexpr int kNameRole = CollectionTree::kCollectionRole + 1;
const QString kCaption = QStringLiteral("Library");

std::string LocalPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
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
  setWindowTitle(kCaption);
  resize(kDesignWidth, kDesignHeight);
  buildMenus();

  tree_ = new CollectionTree;
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { showCollection(); });
  connect(tree_, &CollectionTree::programsDropped, this, &LibraryWindow::addToCollection);

  search_ = new QLineEdit;
  search_->setObjectName(QStringLiteral("LibrarySearch"));
  search_->setPlaceholderText(QStringLiteral("Find name, category or kind"));
  search_->setClearButtonEnabled(true);
  connect(search_, &QLineEdit::textChanged, this, &LibraryWindow::showSearch);

  model_ = new ProgramTableModel(this);
  table_ = new QTableView;
  table_->setObjectName(QStringLiteral("ProgramTable"));
  table_->setModel(model_);
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
  for (const auto& [column, characters] : {std::pair{ProgramTableModel::NameColumn, 18},
                                           {ProgramTableModel::CategoryColumn, 11},
                                           {ProgramTableModel::KindColumn, 14},
                                           {ProgramTableModel::SourcesColumn, 10}})
    table_->setColumnWidth(column, character * characters);
  table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  table_->setSortingEnabled(true);

  auto* programs = new QWidget;
  auto* layout = new QVBoxLayout(programs);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(search_);
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
  connect(writeWait_, &LibraryWriteWait::cancelled, this, [this] {
    setStatus(QStringLiteral("Cancelled: another program was using the library"));
  });
  otherChanges_ = new QTimer(this);
  otherChanges_->setInterval(kOtherChangesCheckMs);
  connect(otherChanges_, &QTimer::timeout, this, &LibraryWindow::checkForOtherChanges);
}

LibraryWindow::~LibraryWindow() = default;

void LibraryWindow::buildMenus() {
  QMenu* menu = menuBar()->addMenu(QStringLiteral("&Library"));
  const auto add = [this, menu](const char* name, const char* text, void (LibraryWindow::*run)()) {
    QAction* action = menu->addAction(QString::fromUtf8(text));
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, run);
    return action;
  };
  addFilesAction_ = add("AddFiles1", "Add Files…", &LibraryWindow::addFiles);
  addFolderAction_ = add("AddFolder1", "Add Folder…", &LibraryWindow::addFolder);
  addDocumentAction_ = add("AddDocument1", "Add Document", &LibraryWindow::addDocument);
  menu->addSeparator();
  newBankWindowAction_ = add("NewBankWindow1", "New Bank Window from Collection",
                             &LibraryWindow::newBankWindowFromCollection);
  renameCollectionAction_ =
      add("RenameCollection1", "Rename Collection…", &LibraryWindow::renameCollection);
  removeFromCollectionAction_ =
      add("RemoveFromCollection1", "Remove from Collection", &LibraryWindow::removeFromCollection);
  deleteCollectionAction_ =
      add("DeleteCollection1", "Delete Collection…", &LibraryWindow::deleteCollection);
  menu->addSeparator();
  closeAction_ = menu->addAction(QStringLiteral("Close"), this, &QWidget::close);
  closeAction_->setObjectName(QStringLiteral("Close1"));

  undoStack_ = new QUndoStack(this);
  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  undoAction_ = edit->addAction(QStringLiteral("Undo"), this, &LibraryWindow::undo);
  undoAction_->setObjectName(QStringLiteral("Undo1"));
  undoAction_->setShortcut(QKeySequence::Undo);
  undoAction_->setEnabled(false);
  connect(undoStack_, &QUndoStack::canUndoChanged, undoAction_, &QAction::setEnabled);
  redoAction_ = edit->addAction(QStringLiteral("Redo"), this, &LibraryWindow::redo);
  redoAction_->setObjectName(QStringLiteral("Redo1"));
  redoAction_->setShortcut(QKeySequence::Redo);
  redoAction_->setEnabled(false);
  connect(undoStack_, &QUndoStack::canRedoChanged, redoAction_, &QAction::setEnabled);
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
          this, kCaption, ShownPath(path) + QStringLiteral(": ") + QString::fromStdString(error));
    else if (store_->DataVersion(dataVersion_) == 0)
      otherChanges_->start();
  }
  for (QAction* action :
       {addFilesAction_, addFolderAction_, addDocumentAction_, newBankWindowAction_,
        deleteCollectionAction_, renameCollectionAction_, removeFromCollectionAction_})
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
  auto* all = new QTreeWidgetItem(tree_, {QStringLiteral("All Programs")});
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
  showOtherChanges();
}

void LibraryWindow::showOtherChanges() {
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
  model_->setFilter(filter);
  // A collection starts in its own order; no header is the sorted one.
  const QSignalBlocker blocker(table_->horizontalHeader());
  table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
}

void LibraryWindow::showSearch(const QString& text) {
  ProgramFilter filter = model_->filter();
  filter.text = text.toStdString();
  model_->setFilter(filter);
}

// ---------------------------------------------------------------------------------------------
// Additions

void LibraryWindow::addFiles() {
  const std::optional<QString> path = userDialogs().openFileName(
      this, {QStringLiteral("Add Files"), LibraryDialogFilters(), QString(), QString()});
  if (path)
    addPaths({LocalPath(*path)});
}

void LibraryWindow::addFolder() {
  const std::optional<QString> path =
      userDialogs().folderName(this, {QStringLiteral("Add Folder"), {}, QString(), QString()});
  if (path)
    addPaths({LocalPath(*path)});
}

void LibraryWindow::addDocument() {
  DocumentWindow* front = opener_.frontBankWindow();
  // The document's file names its collection: one never saved has none yet.
  if (!front || front->fileName().isEmpty()) {
    setStatus(QStringLiteral("The document in front has no file yet: save it first"));
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
      setStatus(QStringLiteral("Addition cancelled: nothing added"));
    } else {
      setStatus(QStringLiteral("Nothing added"));
      userDialogs().showError(this, kCaption, QString::fromStdString(error));
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
  setStatus(QStringLiteral("Added %1, %2 already known; %3 skipped")
                .arg(CountText(report.newPrograms, "new program", "new programs"))
                .arg(report.knownPrograms)
                .arg(CountText(report.skipped.size(), "file", "files")),
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
    setStatus(QStringLiteral("Choose a collection first"));
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
  auto edit = window.startEdit("Library", targets);
  std::vector<std::string> damaged;
  const int filled = CollectionBankFill::fill(*store_, targets, programs, damaged);
  window.record(std::move(edit));
  window.markEdited();
  window.refreshList();
  const QString name = tree_->currentItem()->data(0, kNameRole).toString();
  QStringList reasons;
  if (left > 0)
    reasons << QStringLiteral("%1 had no room").arg(left);
  if (!damaged.empty())
    reasons << QStringLiteral("%1 damaged in the library").arg(damaged.size());
  window.setStatus(
      QStringLiteral("%1 from %2")
          .arg(CountText(targets.size() - damaged.size(), "program", "programs"), name),
      reasons.join(QStringLiteral("; ")));
  if (filled != 0)
    setStatus(QString::fromStdString(store_->LastError()));
  else if (!damaged.empty())
    setStatus(QStringLiteral("Left out, damaged in the library: %1").arg(damaged.size()),
              RemarkLines(damaged));
}
