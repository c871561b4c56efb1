#pragma once

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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
class QComboBox;
class QLineEdit;
class QMenu;
class Item;
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
  // The programs chosen in the table: Ctrl+D marks them as favourites (unmarks them when all
  // are), Ctrl+T edits their tags; a click on a row's star marks or unmarks that row.
  void toggleFavourite();
  void toggleFavouriteAt(int row);
  void editTags();
  // The first program chosen, to the S80: its edit buffer, or a slot asked for (after asking
  // whether to replace what the slot holds).
  void sendToBuffer();
  void sendToSlot();
  // Midi > Receive Edit Buffer to Library.
  void receiveEditBuffer();
  // The first program chosen to an .s2i or .syx file.
  void exportProgram();
  // Every file, slot and reception the first program chosen was seen in.
  void showPlaces();
  // Two programs chosen: compared. One: marked, or compared with the one marked in any window.
  void compareWith();
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
  bool hasInputPort();
  // The collections read again, then the programs of the one chosen shown from the start.
  void reloadTree();
  // The collections read again, keeping the one chosen and the tree's scroll position.
  void reloadCollections();
  void checkForOtherChanges();
  // Shows what changed (another program's change, a mark), keeping the collection chosen, the
  // table's rows chosen and its scroll position.
  void showChangesKeepingView();
  std::vector<std::int64_t> chosenPrograms() const;
  // The first program chosen; none, after saying so, when none is.
  std::optional<std::int64_t> oneChosenProgram();
  // The program as an item; none, after saying why, when it cannot be read.
  std::unique_ptr<Item> programItem(std::int64_t programId);
  struct ChosenItem {
    std::int64_t program = 0;
    std::unique_ptr<Item> item;
  };
  // The first program chosen as an item; no item, after saying why, when none is chosen or it
  // cannot be read.
  ChosenItem oneChosenItem();
  static QString programPlace(std::int64_t programId);
  void markChosen(bool favourite, const std::vector<std::int64_t>& programs);
  // Whether the output port is there; when not, says so as every send does.
  bool hasOutputPort();
  void buildProgramMenu(QMenu* menu);
  // The Audition action in a tool bar and a Midi menu, and the table's rows auditioned as they
  // become current.
  void buildAudition();
  // While Audition is on: the program of the row, unless it was the last one auditioned.
  void auditionProgramAt(int row);
  // The category chosen in the list; none for All Categories.
  std::optional<std::string> chosenCategory() const;
  void showCategory();
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
  QComboBox* categories_ = nullptr;
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
  QAction* receiveBufferAction_ = nullptr;
  QMenu* midiMenu_ = nullptr;
  // The Library menu's commands on the programs chosen.
  std::vector<QAction*> programActions_;
  std::int64_t auditioned_ = 0;
};
