#pragma once

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class BankWindowOpener;
class CollectionEditing;
class CollectionTree;
class LibraryAddition;
class LibraryStore;
class LibraryWriteWait;
class ProgramTableModel;
class QAction;
class QLabel;
class QLineEdit;
class QMimeData;
class QTableView;
class QTimer;
class QTreeWidgetItem;
class QUndoStack;
struct AdditionReport;
struct CollectionSnapshot;

// The library window (LibraryForm): the collections on the left, "All Programs" at the top,
// and the programs of the one chosen on the right, read from the store as they are shown,
// narrowed by the search field and sorted by the column headers. Its menu adds files, folders
// and the document in front, and opens a collection as a new bank window. A program dragged
// from the table onto a bank window's line is copied there; a bank window's line or tab dragged
// onto a collection joins it.
class LibraryWindow : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kDesignWidth = 720;
  static constexpr int kDesignHeight = 440;
  // Pixels between the text of a table row and the next.
  static constexpr int kRowPadding = 6;
  // How often the window looks whether another program has changed the library.
  static constexpr int kOtherChangesCheckMs = 500;

  explicit LibraryWindow(BankWindowOpener& opener, QWidget* parent = nullptr);
  ~LibraryWindow() override;

  // Opens the store at LibraryStore::DefaultPath() when none is open, and shows the window. A
  // refused store is told of, and the window shows nothing.
  void showLibrary();
  bool hasStore() const { return store_ != nullptr; }
  ProgramTableModel& programModel() const { return *model_; }

  // The menu's commands.
  void addFiles();
  void addFolder();
  void addDocument();
  void newBankWindowFromCollection();
  // Asks first; the collections under it go too, the programs stay.
  void deleteCollection();
  // Asks the new name.
  void renameCollection();
  // The programs of the table's chosen rows leave the collection shown; a program that no
  // collection and no place holds any more leaves the library.
  void removeFromCollection();
  // The programs of a drag (a bank window's line or tab, the table's rows) join the end of the
  // collection.
  void addToCollection(qint64 collectionId, const QMimeData* data);
  // Undoes the last change of collections: Delete, Rename, Remove from Collection, or programs
  // dropped on one. Redo makes the change undone again.
  void undo();
  void redo();
  // Adds `paths` behind a progress dialog; the outcome goes to the status bar. Add Document
  // adds what the bank window in front holds, saved or not, as its file's collection.
  void addPaths(const std::vector<std::string>& paths);
  // The collection chosen in the tree; 0 for all programs.
  std::int64_t currentCollection() const;
  void selectCollection(std::int64_t collectionId);
  QString statusText() const;
  LibraryWriteWait& writeWait() const { return *writeWait_; }

 signals:
  // An addition's progress dialog is about to run the addition (the tests cancel it there).
  void additionStarting(QObject* dialog);

 private:
  void buildMenus();
  // The collections read again, then the programs of the one chosen shown from the start.
  void reloadTree();
  // The collections read again, keeping the one chosen and the tree's scroll position.
  void reloadCollections();
  void checkForOtherChanges();
  // Shows what another program changed, keeping the collection chosen, the table's rows chosen
  // and its scroll position.
  void showOtherChanges();
  void addCollections(QTreeWidgetItem* parent, std::int64_t parentId);
  void showCollection();
  void showSearch(const QString& text);
  void runAddition(const std::function<int(LibraryAddition&, AdditionReport&)>& job);
  void showAdditionReport(const AdditionReport& report);
  void setStatus(const QString& text, const QString& details = QString());
  QString currentCollectionName() const;
  // Runs `change` once the library's write lock is ours, waiting without blocking the windows
  // while another program holds it.
  void whenWritable(std::function<void()> change);
  using CollectionChange = std::function<int(CollectionEditing&, CollectionSnapshot&)>;
  // Makes a change of collections into `before`; false, after telling why, when it failed.
  bool makeChange(const CollectionChange& change, CollectionSnapshot& before);
  // Keeps the change and what it replaced for Undo and Redo, and shows it.
  void recordChange(const QString& text, CollectionChange change, CollectionSnapshot before);
  // Puts back what a change replaced (the Undo of its command).
  void restore(const CollectionSnapshot& before, const QString& text);
  // Makes an undone change again, keeping anew what it replaces.
  void remake(const CollectionChange& change, CollectionSnapshot& before, const QString& text);
  friend class CollectionChangeCommand;

  BankWindowOpener& opener_;
  std::unique_ptr<LibraryStore> store_;
  ProgramTableModel* model_ = nullptr;
  CollectionTree* tree_ = nullptr;
  QTableView* table_ = nullptr;
  QLineEdit* search_ = nullptr;
  QLabel* status_ = nullptr;
  QAction* addFilesAction_ = nullptr;
  QAction* addFolderAction_ = nullptr;
  QAction* addDocumentAction_ = nullptr;
  QAction* newBankWindowAction_ = nullptr;
  QAction* deleteCollectionAction_ = nullptr;
  QAction* renameCollectionAction_ = nullptr;
  QAction* removeFromCollectionAction_ = nullptr;
  QAction* undoAction_ = nullptr;
  QAction* redoAction_ = nullptr;
  QUndoStack* undoStack_ = nullptr;
  LibraryWriteWait* writeWait_ = nullptr;
  QTimer* otherChanges_ = nullptr;
  std::int64_t dataVersion_ = 0;
  QAction* closeAction_ = nullptr;
};
