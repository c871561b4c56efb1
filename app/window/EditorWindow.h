#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <vector>

#include "app/commands/DocumentWindow.h"
#include "app/commands/FileCommands.h"
#include "app/commands/ItemCommands.h"
#include "app/commands/MidiCommands.h"
#include "app/library/BankWindowOpener.h"
#include "app/window/EditorActions.h"
#include "app/window/StatusLine.h"

class FindField;
class LibraryWindow;
class ItemListView;
class QLineEdit;
class QTabBar;
class DocumentHistory;

// A document window (Form1): one bank set, its file, and the list of its items, with the
// commands of its menus. The windows of a run form a chain; the first one is the program's main
// window, and the program ends when it closes. The first window owns the others; one that
// closes is deleted once the event loop is back where its close began.
class EditorWindow : public QMainWindow, public DocumentWindow, public BankWindowOpener {
  Q_OBJECT

 public:
  // Wider than the original 286, so that the status texts and the names in the title fit.
  static constexpr int kDesignWidth = 400;
  static constexpr int kDesignHeight = 476;
  // How far each new window is placed from the one before it.
  static constexpr int kCascadeStep = 22;

  EditorWindow();
  ~EditorWindow() override;

  // What the commands work on.
  S2A_File* document() const override { return document_.get(); }
  QWidget* widget() override { return this; }
  Item* currentItem() const override;
  const BankLayout* currentBank() const override;
  Item* itemAtLine(int line) const override;
  QString statusText() const override { return status_.text(); }
  QString statusReason() const override { return status_.reason(); }
  using DocumentView::setStatus;
  void setStatus(const QString& text, const QString& reason) override;
  void showStep(const QString& text) override;
  std::unique_ptr<ItemImagesCommand> startEdit(const char* what,
                                               const std::vector<Item*>& items) override;
  void record(std::unique_ptr<ItemImagesCommand> edit) override;
  void markEdited() override;
  // Modified, shown in the title as the desktop shows unsaved changes.
  void setModified(bool modified) override;
  void refreshList() override;
  QString keepReceived(std::span<const ReceivedProgram> programs) override;

  QString fileName() const override { return fileName_; }
  bool isModified() const override { return modified_; }
  void becomeFileOf(const QString& path) override;
  void nameFile(const QString& path) override;
  void startHistory(bool fileContent) override;
  void keepUnsavedChanges() override;
  void startNewDocument() override;

  // The chain.
  EditorWindow& appendWindow() override;
  EditorWindow& firstWindow() override;
  EditorWindow& lastWindow();
  EditorWindow* nextWindow() const { return nextWindow_; }
  EditorWindow* previousWindow() const { return previousWindow_; }
  EditorWindow& openFileInWindow(const QString& path, bool reuseWhenUntouched,
                                 bool alwaysNewWindow) override;
  void closeWindow() override;
  // Nothing has been opened into the window or done to its document yet.
  bool isUntouched() const { return untouched_; }
  bool isCloseConfirmed() const { return closeConfirmed_; }

  // The commands by menu.
  FileCommands& fileCommands() override { return fileCommands_; }
  ItemCommands& itemCommands() { return itemCommands_; }
  MidiCommands& midiCommands() { return midiCommands_; }
  // The commands of the window itself.
  void quit();
  // Find shows the filter field; Esc there puts it away and shows every line again.
  void showFind();
  void hideFind();
  // Edits the current item's name over its line.
  void rename();
  void showPreferences();
  void showAbout();
  // The library window, made by the first window at its first showing.
  void showLibrary();
  LibraryWindow* libraryWindow() { return firstWindow().libraryWindow_.get(); }
  DocumentWindow* frontBankWindow() override;
  EditorWindow& openUntitledBankWindow() override;

  // The list and the controls over it.
  ItemListView* itemList() const { return itemList_; }
  QTabBar* tabBar() const { return tabBar_; }
  QLineEdit* findField() const;
  int currentTab() const;
  // The list's lines, as shown.
  QStringList listLines() const;
  void updateCommandStates(bool selected);
  // While Audition is on: the selected program to the S80's edit buffer, said in the status bar.
  void auditionCurrentItem();

 signals:
  // The window has closed: unlinked, its document gone.
  void windowClosed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void buildListArea();
  void connectCommands();
  void connectHistory();
  void updatePasteState();
  // The title for the window's file ("Corvale - <path>", the folder shortened where the
  // window is too narrow, never the file's own name), marked while there are unsaved changes.
  void setTitleFor(const QString& path);
  void showTitle();
  void unlinkFromChain();
  // Closes the windows after this one, then this one; stops at one the user keeps.
  void closeChainFromHere();
  // Of the first window: gives up a follower that has closed, for deletion.
  void deleteFollowerLater(EditorWindow& follower);

  std::unique_ptr<S2A_File> document_;
  QString fileName_;
  EditorWindow* nextWindow_ = nullptr;
  EditorWindow* previousWindow_ = nullptr;
  // Kept by the first window: the windows after it that are open.
  std::vector<std::unique_ptr<EditorWindow>> followers_;
  bool modified_ = false;
  bool untouched_ = true;
  bool closeConfirmed_ = false;
  bool closed_ = false;
  QString titlePath_;
  // Kept by the first window: the window last in front, and the library window.
  QPointer<EditorWindow> frontWindow_;
  std::unique_ptr<LibraryWindow> libraryWindow_;

  EditorActions actions_;
  QTabBar* tabBar_ = nullptr;
  FindField* findField_ = nullptr;
  ItemListView* itemList_ = nullptr;
  StatusLine status_;
  DocumentHistory* history_ = nullptr;

  FileCommands fileCommands_;
  ItemCommands itemCommands_;
  MidiCommands midiCommands_;
};
