#pragma once

#include <QMainWindow>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/dialogs/TransferDialog.h"
#include "midi/ports/MidiTransfer.h"

class ElidingLabel;
class Item;
class ItemImagesCommand;
struct BankLayout;
class MidiControl;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QLineEdit;
class QTabBar;
class QUndoStack;
class S2A_File;
class ItemListView;
enum class Answer;

// A document window: one bank set, its file, and the list of its items. The windows of a run
// form a chain; the first one is the program's main window, and the program ends when it
// closes.
class EditorWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Wider than the original 286, so that the status texts and the names in the title fit.
  static constexpr int kDesignWidth = 400;
  static constexpr int kDesignHeight = 476;
  // How far each new window is placed from the one before it.
  static constexpr int kCascadeStep = 22;
  enum Tab { InstrumentTab, PercussionTab, PerformanceTab, PluginTab };

  EditorWindow();
  ~EditorWindow() override;

  // The document: none once the window has closed.
  std::unique_ptr<S2A_File> Document;
  QString FileName;
  EditorWindow* NextWindow = nullptr;
  EditorWindow* PreviousWindow = nullptr;
  bool Modified = false;
  bool Untouched = true;
  bool CloseConfirmed = false;

  // The chain.
  EditorWindow* AppendWindow();
  EditorWindow* LastWindow();
  EditorWindow* FirstWindow();
  EditorWindow* OpenFileInWindow(const QString& path, bool reuseWhenUntouched,
                                 bool alwaysNewWindow);
  // Opens each name in turn from the last window on; returns the window they landed in, which
  // also says when one could not be opened.
  EditorWindow* OpenCommandLineFiles(const QStringList& names);
  // The folder of a file, absolute, with its closing separator.
  static QString FolderOf(const QString& path);

  // The item list.
  void RefreshList();
  void UpdateCommandStates(bool selected);
  Item* ItemAtLine(int line) const;
  // The bank a line of the current tab lists, and the line's position in it; none below the
  // last line.
  const BankLayout* BankOfLine(int line, int* position = nullptr) const;
  Item* CurrentItem() const;
  int CurrentTab() const;
  // The list's lines, as shown.
  QStringList ListLines() const;

  // The status line, and the file layer's reason for the last failure beside it.
  QString StatusText() const;
  QString StatusReason() const;
  void SetStatus(const QString& text, const QString& reason = QString());

  // Marks the document changed by an edit that puts something into it.
  void MarkEdited();
  // Modified, shown in the title as the desktop shows unsaved changes.
  void SetModified(bool modified);
  // An edit of the items of this window's document as one step of its history: StartEdit keeps
  // their images, the caller changes them, Record takes the changed images and keeps the step.
  std::unique_ptr<ItemImagesCommand> StartEdit(const char* what, const std::vector<Item*>& items);
  void Record(std::unique_ptr<ItemImagesCommand> edit);
  // Paste and Import: `source` into `item` as one undoable step, when both are of one kind;
  // otherwise "Couldn't <what>, unmatched types" and nothing changes.
  bool TakeItemOfSameKind(Item& item, const Item& source, const char* what);
  // Paste follows the clipboard in every window.
  void UpdatePasteState();
  // Where an item is, as the list and the status texts name it: "INT:005(A05)".
  static QString PlaceText(const Item& item);

  // The close procedure behind Close, Quit and the window manager's close button.
  void CloseWindow();

  // Command handlers.
  void New1Click();
  void NewNewWin1Click();
  void Open1Click();
  void OpenNewWin1Click();
  // True when the document was written.
  bool Save1Click();
  bool SaveAs1Click();
  void Close1Click();
  void Quit1Click();
  void Clone1Click();
  void Merge1Click();
  void ExportSupportingFile1Click();
  void TabControl1Change();
  void InstLBClick();
  // Find shows the filter field; Esc there puts it away and shows every line again.
  void Find1Click();
  void FindEditChange();
  void HideFind();
  void Cut1Click();
  void Copy1Click();
  void Paste1Click();
  void Clear1Click();
  // Edits the current item's name over its line; Enter takes it (at most the name field's
  // length of printable ASCII, or it is refused), Esc drops it.
  void Rename1Click();
  void MidiSendExecute();
  void MidiReceiveExecute();
  void MidiSendToBufExecute();
  void MidiReceiveFromBufExecute();
  void EditImportExecute();
  void EditExportExecute();
  void MidiReceiveBankExecute();
  void MidiReceiveAllBanksExecute();
  void MidiSendBankExecute();
  void MidiSendAllBanksExecute();
  void Preferences1Click();
  void About1Click();
  void Library1Click();

  // The name Export offers for an item: the letters, digits, blanks and ()-+ of its name,
  // trimmed, with ".s2i".
  static QString ExportFileNameFor(const std::string& itemName);

  // Controls.
  QTabBar* TabControl1 = nullptr;
  // Narrows the list to the lines whose name or category holds its text, in any case.
  QLineEdit* FindEdit = nullptr;
  ItemListView* InstLB = nullptr;
  ElidingLabel* StatusMessage = nullptr;
  ElidingLabel* StatusReasonLabel = nullptr;

  // Actions, by the names of the menu items and tool buttons.
  QAction* New1 = nullptr;
  QAction* NewNewWin1 = nullptr;
  QAction* Open1 = nullptr;
  QAction* OpenNewWin1 = nullptr;
  QAction* Save1 = nullptr;
  QAction* SaveAs1 = nullptr;
  QAction* Close1 = nullptr;
  QAction* Clone1 = nullptr;
  QAction* Merge1 = nullptr;
  QAction* ExportSupportingFile1 = nullptr;
  QAction* Quit1 = nullptr;
  QAction* Undo1 = nullptr;
  QAction* Redo1 = nullptr;
  QAction* Cut1 = nullptr;
  QAction* Copy1 = nullptr;
  QAction* Paste1 = nullptr;
  QAction* Clear1 = nullptr;
  QAction* EditImport = nullptr;
  QAction* EditExport = nullptr;
  QAction* ExportAll1 = nullptr;
  QAction* Find1 = nullptr;
  QAction* Edit1 = nullptr;
  QAction* Rename1 = nullptr;
  QAction* Library1 = nullptr;
  QAction* Preferences1 = nullptr;
  QAction* MidiSend = nullptr;
  QAction* MidiReceive = nullptr;
  QAction* MidiSendToBuf = nullptr;
  QAction* MidiReceiveFromBuf = nullptr;
  QAction* MidiReceiveBank = nullptr;
  QAction* MidiReceiveAllBanks = nullptr;
  QAction* MidiSendBank = nullptr;
  QAction* MidiSendAllBanks = nullptr;
  QAction* About1 = nullptr;

 signals:
  // The window has closed: unlinked, its document gone.
  void WindowClosed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The title for the window's file ("Corvale - <path>", the folder shortened where the
  // window is too narrow, never the file's own name), marked while there are unsaved changes.
  void ShowTitle();
  // Shares the status bar between the outcome and its reason.
  void FitStatus();
  QAction* AddAction(QMenu* menu, const char* caption, const QKeySequence& shortcut = {});
  void BuildMenus();
  void BuildToolBar();
  void BuildListArea();
  void ConnectCommands();
  void ConnectHistory();
  // The history as the document starts afresh: from the state of its file, or (when it is not
  // the content of any file) with no state that counts as saved.
  void StartHistory(bool fileContent);
  void ShowHistoryStep();
  void UpdateHistoryActions();
  void FinishRename(bool commit);
  void ShowAtPlace();

  Answer AskUnsavedChanges(const char* questionFormat);
  // Asks whether to save before the document is replaced; true when the command may go on.
  bool SaveChangesBefore(const char* questionFormat);
  void SetTitleFor(const QString& path);
  // The document is the file's content, as just opened or saved.
  void BecomeFileOf(const QString& path);
  // Saves the document by the path's extension; on success it is the document's file.
  bool SaveDocumentTo(const QString& path);
  QString AskOpenPath(const QString& title);
  // The open dialog in the remembered folder, whose folder is then remembered; empty when the
  // user cancelled.
  QString ChooseFileToOpen(const QString& title);
  void RememberFolder(const char* settingName, const QString& path);
  void UnlinkFromChain();
  // A copy of the item on the clipboard; Paste follows in every window.
  void KeepOnClipboard(const Item& item);
  // The transfers of the current item. They block the window; each step's text is painted as
  // the step begins.
  using SendSequence = int (*)(MidiControl&, const Item&, const std::function<void(const char*)>&,
                               MidiTransfer::SendReport*);
  using ReceiveSequence = int (*)(MidiControl&, Item&, const std::function<void(const char*)>&,
                                  MidiTransfer::ReceiveReport*);
  void SendCurrentItem(SendSequence send);
  void ReceiveCurrentItem(ReceiveSequence receive, const char* what);
  void ShowStep(const char* text);
  // Whole banks: the bank of the selected line, or all six.
  std::vector<const BankLayout*> BankOfCurrentLine() const;
  static std::vector<const BankLayout*> AllBanks();
  void TransferBanks(TransferDialog::Direction direction,
                     const std::vector<const BankLayout*>& banks, const char* title);
  // Before the synthesizer's memory is overwritten: whether the user agrees.
  bool ConfirmReplacing(const std::vector<const BankLayout*>& banks, const char* title);
  void ShowTransferSummary(const BankTransfer::Summary& summary, bool received,
                           const QString& title);

  // A line of the list: the bank of the item it shows and the item's position there.
  struct ShownLine {
    const BankLayout* layout;
    int position;
    bool operator==(const ShownLine&) const = default;
  };
  // Lists the current tab's items that pass the filter, and remembers their places.
  QStringList CollectShownLines();
  int LineOf(const ShownLine& shown) const;

  std::vector<std::unique_ptr<EditorWindow>> ownedWindows_;
  // What each line of the list shows, as RefreshList listed it, and for which tab.
  std::vector<ShownLine> shownLines_;
  int shownTab_ = -1;
  QString titlePath_;
  // The open dialog's starting folder, kept between its uses as a dialog keeps it.
  QString openDialogFolder_;
  // What the window has done to its document, to be undone and redone.
  QUndoStack* history_ = nullptr;
  // The name being edited over the current line, and the item it is for.
  QLineEdit* renameEditor_ = nullptr;
  Item* renamedItem_ = nullptr;
  bool closed_ = false;
};
