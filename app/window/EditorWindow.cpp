#include "app/window/EditorWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>
#include <algorithm>
#include <string_view>

#include "app/commands/ItemImagesCommand.h"
#include "app/commands/ProgramMidi.h"
#include "app/commands/SharedEditingState.h"
#include "app/dialogs/AboutDialog.h"
#include "app/dialogs/LibraryWindow.h"
#include "app/dialogs/PreferencesDialog.h"
#include "app/dialogs/SecondaryWindows.h"
#include "app/dialogs/TransferDialog.h"
#include "app/dialogs/UserDialogs.h"
#include "app/list/ItemListView.h"
#include "app/startup/CommandLine.h"
#include "app/window/ElidingLabel.h"
#include "files/FileDiagnostics.h"
#include "files/FileExtension.h"
#include "files/S2I_File.h"
#include "files/SmartFilename.h"
#include "midi/ports/MidiControl.h"
#include "midi/ports/MidiErrorReport.h"
#include "midi/ports/MidiTransfer.h"
#include "model/BankLayouts.h"
#include "model/S2A_File.h"
#include "settings/SettingsStore.h"

namespace {

constexpr const char* kProgramTitle = "Corvale";
constexpr const char* kUntitledName = "<Untitled>";

constexpr const char* kNewQuestion =
    "%1\nhas not been saved, do you wish to save this before\ncreating a new file?";
constexpr const char* kOpenQuestion =
    "%1\nhas not been saved, do you wish to save this before\nopening another file?";
constexpr const char* kCloseQuestion =
    "%1\nhas not been saved, do you wish to save this before\nclosing?";

QString Text(const char* text) {
  return QString::fromUtf8(text);
}

std::string Path(const QString& path) {
  return EncodeFileName(path).toStdString();
}

// A remembered folder; empty when it cannot be read.
QString SettingText(const char* name) {
  return QString::fromStdString(SettingsStore::ReadSettingString(name, ""));
}

// The banks a tab lists, internal before external.
std::vector<const BankLayout*> BanksOfTab(int tab) {
  std::vector<const BankLayout*> banks;
  for (const BankLayout& layout : kBankLayouts) {
    if (static_cast<int>(layout.kind) == tab)
      banks.push_back(&layout);
  }
  return banks;
}

// Visits the items of a tab's banks in the order of the list, with their bank and position.
void ForEachItemOfTab(S2A_File& document, int tab,
                      const std::function<void(const BankLayout&, int, const Item&)>& visit) {
  for (const BankLayout* layout : BanksOfTab(tab)) {
    int position = 0;
    layout->bankIn(document).ForEachItem(
        [&](const Item& item) { visit(*layout, position++, item); });
  }
}

bool PassesFilter(const Item& item, const QString& filter) {
  return filter.isEmpty() ||
         QString::fromStdString(item.Name()).contains(filter, Qt::CaseInsensitive) ||
         QString::fromStdString(item.CategoryName()).contains(filter, Qt::CaseInsensitive);
}

// The filter field, where Esc puts the filter away, and Undo and Redo work on its own text
// rather than reaching the window's history.
class FindLineEdit : public QLineEdit {
 public:
  FindLineEdit(QWidget* parent, std::function<void()> onEscape)
      : QLineEdit(parent), onEscape_(std::move(onEscape)) {}

 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::ShortcutOverride) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
        event->accept();
        return true;
      }
    }
    return QLineEdit::event(event);
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
      onEscape_();
      return;
    }
    QLineEdit::keyPressEvent(event);
  }

 private:
  std::function<void()> onEscape_;
};

QString ListLine(const BankLayout& layout, int position, const Item& item) {
  return QString::fromStdString(SlotPlace(layout, position) + "  " + item.CategoryName() + ":" +
                                item.Name());
}

// What the file layers said about a failed command, after the name of the file it concerned.
QString FailureReason(const QString& path, FileDiagnosticCapture& diagnostics) {
  const std::string said = diagnostics.TakeText();
  return said.empty() ? QString()
                      : QFileInfo(path).fileName() + ": " + QString::fromStdString(said);
}

// Why a name did not open as a bank file: the file layer's reason, or where it had nothing to
// say, that the name is of another kind.
QString WhyNotOpened(const QString& path, FileDiagnosticCapture& diagnostics) {
  if (IsBankFile(Path(path)))
    return FailureReason(path, diagnostics);
  const QString name = QFileInfo(path).fileName();
  if (IsItemFile(Path(path)))
    return name + QStringLiteral(" holds a single program: use Edit > Import");
  if (HasExtension(Path(path), "mid"))
    return name + QStringLiteral(": MIDI files cannot be opened");
  return name + QStringLiteral(": not a bank file (.s2a, .s2v or .s2e)");
}

// Beside a successful open or merge: a file that ended before its last program.
QString LoadWarning(const QString& path, const BankLoadReport& report) {
  const std::string warning = BankLoadWarning(report);
  return warning.empty() ? QString()
                         : QFileInfo(path).fileName() + u' ' + QString::fromStdString(warning);
}

// The same for a save: the extension typed decides the format.
QString WhyNotSaved(const QString& path, FileDiagnosticCapture& diagnostics) {
  if (IsBankFile(Path(path)) || HasExtension(Path(path), "ins"))
    return FailureReason(path, diagnostics);
  const QString name = QFileInfo(path).fileName();
  if (IsItemFile(Path(path)))
    return name + QStringLiteral(": single programs only: use Edit > Export");
  return name + QStringLiteral(": add .s2a, .s2v, .s2e or .ins to the name");
}

// Whether the port a transfer needs is there; when it is not, that is said once, rather than
// for each of the transfer's messages, in a box and in the status bar of `window`.
bool HasPortFor(const MidiControl& control, bool receiving, EditorWindow& window) {
  if (receiving ? control.CurrentInputDevice() : control.CurrentOutputDevice())
    return true;
  const char* text = receiving ? MidiErrors::kOpenInputFirst : MidiErrors::kOpenOutputFirst;
  ReportMidiError(text, receiving ? MidiErrors::kDumpCaption : MidiErrors::kSendCaption);
  window.SetStatus(Text(text));
  return false;
}

// The wait cursor over every window while a transfer blocks them.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback) {
  return QIcon::fromTheme(Text(name), QApplication::style()->standardIcon(fallback));
}

// The line edit of a rename: Enter takes the name; Esc, or leaving it, drops it.
class NameEditor : public QLineEdit {
 public:
  NameEditor(QWidget* parent, std::function<void(bool)> finish)
      : QLineEdit(parent), finish_(std::move(finish)) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        finish_(true);
        return;
      case Qt::Key_Escape:
        finish_(false);
        return;
      default:
        QLineEdit::keyPressEvent(event);
    }
  }
  void focusOutEvent(QFocusEvent* event) override {
    QLineEdit::focusOutEvent(event);
    finish_(false);
  }

 private:
  std::function<void(bool)> finish_;
};

}  // namespace

// The images are linked in from a static library, whose resources only register when asked.
static void RegisterImages() {
  Q_INIT_RESOURCE(corvale);
}

EditorWindow::EditorWindow() : Document(std::make_unique<S2A_File>()) {
  RegisterImages();
  resize(kDesignWidth, kDesignHeight);
  SetTitleFor({});
  BuildMenus();
  BuildToolBar();
  BuildListArea();
  ConnectCommands();
  ConnectHistory();
  RefreshList();
}

EditorWindow::~EditorWindow() {
  Editing().ForgetDragFrom(this);
  // Ended while the window can still take its end: the editor's focus would end it later.
  FinishRename(false);
  // The history empties itself as it goes, after this window's part of the object is gone.
  history_->disconnect(this);
}

// ---------------------------------------------------------------------------------------------
// Controls

QAction* EditorWindow::AddAction(QMenu* menu, const char* caption, const QKeySequence& shortcut) {
  auto* action = menu->addAction(Text(caption));
  action->setShortcut(shortcut);
  return action;
}

void EditorWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  New1 = AddAction(file, "&New");
  NewNewWin1 = AddAction(file, "New in New &Window");
  file->addSeparator();
  Open1 = AddAction(file, "&Open...", QKeySequence(Qt::CTRL | Qt::Key_O));
  OpenNewWin1 = AddAction(file, "Open &in New Window...", QKeySequence(Qt::CTRL | Qt::Key_W));
  Save1 = AddAction(file, "&Save", QKeySequence(Qt::CTRL | Qt::Key_S));
  SaveAs1 = AddAction(file, "Save &As...");
  Close1 = AddAction(file, "&Close");
  file->addSeparator();
  Clone1 = AddAction(file, "C&lone to New Window");
  Merge1 = AddAction(file, "&Merge...", QKeySequence(Qt::CTRL | Qt::Key_M));
  ExportSupportingFile1 = AddAction(file, "Export Supporting File...");
  file->addSeparator();
  Quit1 = AddAction(file, "&Quit", QKeySequence(Qt::CTRL | Qt::Key_Q));

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
  Undo1 = AddAction(edit, "&Undo", QKeySequence(Qt::CTRL | Qt::Key_Z));
  Redo1 = AddAction(edit, "&Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  edit->addSeparator();
  Cut1 = AddAction(edit, "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X));
  Copy1 = AddAction(edit, "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C));
  Paste1 = AddAction(edit, "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V));
  Clear1 = AddAction(edit, "Clear", QKeySequence(Qt::Key_Delete));
  edit->addSeparator();
  EditImport = AddAction(edit, "&Import...", QKeySequence(Qt::CTRL | Qt::Key_I));
  EditExport = AddAction(edit, "Export...", QKeySequence(Qt::CTRL | Qt::Key_E));
  ExportAll1 = AddAction(edit, "Export All...");
  edit->addSeparator();
  Find1 = AddAction(edit, "&Find...", QKeySequence(Qt::CTRL | Qt::Key_F));
  Edit1 = AddAction(edit, "Edit...");
  Rename1 = AddAction(edit, "Re&name...", QKeySequence(Qt::Key_F2));
  edit->addSeparator();
  Library1 = AddAction(edit, "Library...", QKeySequence(Qt::CTRL | Qt::Key_L));
  edit->addSeparator();
  Preferences1 = AddAction(edit, "Pr&eferences...");
  for (QAction* disabled : {Undo1, Redo1, ExportAll1, Edit1, Library1})
    disabled->setEnabled(false);

  QMenu* midi = menuBar()->addMenu(QStringLiteral("&Midi"));
  MidiSend = AddAction(midi, "Send");
  MidiReceive = AddAction(midi, "Receive");
  midi->addSeparator();
  MidiSendToBuf = AddAction(midi, "Send to Buffer", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
  MidiReceiveFromBuf =
      AddAction(midi, "Receive From Buffer", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R));
  midi->addSeparator();
  MidiReceiveBank = AddAction(midi, "Receive Bank");
  MidiReceiveAllBanks = AddAction(midi, "Receive All Banks");
  MidiSendBank = AddAction(midi, "Send Bank");
  MidiSendAllBanks = AddAction(midi, "Send All Banks");

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  About1 = AddAction(help, "About...");
}

void EditorWindow::BuildToolBar() {
  const auto hint = [](QAction* action, const char* text, QIcon icon) {
    action->setToolTip(Text(text));
    action->setStatusTip(Text(text));
    action->setIcon(icon);
  };
  hint(NewNewWin1, "New", ThemeIcon("document-new", QStyle::SP_FileIcon));
  hint(OpenNewWin1, "Open", ThemeIcon("document-open", QStyle::SP_DialogOpenButton));
  hint(Save1, "Save", ThemeIcon("document-save", QStyle::SP_DialogSaveButton));
  hint(EditImport, "Import from File",
       QIcon::fromTheme(QStringLiteral("document-import"),
                        QIcon(QStringLiteral(":/icons/import.png"))));
  hint(EditExport, "Export to File",
       QIcon::fromTheme(QStringLiteral("document-export"),
                        QIcon(QStringLiteral(":/icons/export.png"))));
  hint(MidiReceiveFromBuf, "MIDI Receive From Buffer", ThemeIcon("go-down", QStyle::SP_ArrowDown));
  hint(MidiSendToBuf, "MIDI Send to Buffer", ThemeIcon("go-up", QStyle::SP_ArrowUp));

  QToolBar* tools = addToolBar(QStringLiteral("Tools"));
  tools->setObjectName(QStringLiteral("ToolBar1"));
  tools->setMovable(false);
  tools->addAction(NewNewWin1);
  tools->addAction(OpenNewWin1);
  tools->addAction(Save1);
  tools->addSeparator();
  tools->addAction(EditImport);
  tools->addAction(EditExport);
  tools->addSeparator();
  // Receive and Send: the button runs the buffer transfer, its arrow offers both.
  const auto addDropDown = [this, tools](QAction* byDefault, QAction* other, const char* name) {
    auto* button = new QToolButton(tools);
    button->setObjectName(Text(name));
    button->setPopupMode(QToolButton::MenuButtonPopup);
    auto* menu = new QMenu(button);
    menu->addAction(byDefault);
    menu->addAction(other);
    menu->setDefaultAction(byDefault);
    button->setMenu(menu);
    button->setDefaultAction(byDefault);
    tools->addWidget(button);
  };
  addDropDown(MidiReceiveFromBuf, MidiReceive, "ReceiveButton");
  addDropDown(MidiSendToBuf, MidiSend, "SendButton");
}

void EditorWindow::BuildListArea() {
  auto* area = new QWidget(this);
  auto* layout = new QVBoxLayout(area);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(0);
  TabControl1 = new QTabBar(area);
  TabControl1->setObjectName(QStringLiteral("TabControl1"));
  // Four tabs share the narrow window: each as wide as its caption, no scrolling.
  TabControl1->setUsesScrollButtons(false);
  TabControl1->setExpanding(false);
  TabControl1->setStyleSheet(QStringLiteral(
      "QTabBar::tab { padding: 3px 5px; margin-right: 1px; border: 1px solid palette(mid);"
      " border-bottom: none; border-top-left-radius: 3px; border-top-right-radius: 3px;"
      " background: palette(button); }"
      "QTabBar::tab:selected { background: palette(base); }"
      "QTabBar::tab:!selected { margin-top: 2px; }"));
  for (const char* tab : {"Instrument", "Percussion", "Performance", "Plugin"})
    TabControl1->addTab(Text(tab));
  FindEdit = new FindLineEdit(area, [this] { HideFind(); });
  FindEdit->setObjectName(QStringLiteral("FindEdit"));
  FindEdit->setPlaceholderText(QStringLiteral("Find name or category"));
  FindEdit->setClearButtonEnabled(true);
  FindEdit->hide();
  InstLB = new ItemListView(*this);
  layout->addWidget(TabControl1);
  layout->addWidget(FindEdit);
  layout->addWidget(InstLB, 1);
  setCentralWidget(area);
  InstLB->setFocus();
  // Esc puts Find away wherever the keyboard is in the window; a rename under way ends first.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setObjectName(QStringLiteral("EscapeShortcut"));
  connect(escape, &QShortcut::activated, this, [this] {
    if (renamedItem_)
      FinishRename(false);
    else if (FindEdit->isVisible())
      HideFind();
  });

  // The outcome first; the reason beside it takes the room that is left.
  StatusMessage = new ElidingLabel(this);
  StatusMessage->setObjectName(QStringLiteral("StatusMessage"));
  StatusMessage->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  StatusReasonLabel = new ElidingLabel(this);
  StatusReasonLabel->setObjectName(QStringLiteral("StatusReason"));
  statusBar()->setObjectName(QStringLiteral("StatusBar1"));
  statusBar()->addWidget(StatusMessage);
  statusBar()->addWidget(StatusReasonLabel, 1);
}

void EditorWindow::ConnectCommands() {
  const auto on = [this](QAction* action, auto handler) {
    connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
  };
  on(New1, &EditorWindow::New1Click);
  on(NewNewWin1, &EditorWindow::NewNewWin1Click);
  on(Open1, &EditorWindow::Open1Click);
  on(OpenNewWin1, &EditorWindow::OpenNewWin1Click);
  on(Save1, &EditorWindow::Save1Click);
  on(SaveAs1, &EditorWindow::SaveAs1Click);
  on(Close1, &EditorWindow::Close1Click);
  on(Quit1, &EditorWindow::Quit1Click);
  on(Clone1, &EditorWindow::Clone1Click);
  on(Merge1, &EditorWindow::Merge1Click);
  on(ExportSupportingFile1, &EditorWindow::ExportSupportingFile1Click);
  on(Cut1, &EditorWindow::Cut1Click);
  on(Copy1, &EditorWindow::Copy1Click);
  on(Paste1, &EditorWindow::Paste1Click);
  on(Clear1, &EditorWindow::Clear1Click);
  on(Rename1, &EditorWindow::Rename1Click);
  on(EditImport, &EditorWindow::EditImportExecute);
  on(EditExport, &EditorWindow::EditExportExecute);
  on(MidiSend, &EditorWindow::MidiSendExecute);
  on(MidiReceive, &EditorWindow::MidiReceiveExecute);
  on(MidiSendToBuf, &EditorWindow::MidiSendToBufExecute);
  on(MidiReceiveFromBuf, &EditorWindow::MidiReceiveFromBufExecute);
  on(MidiReceiveBank, &EditorWindow::MidiReceiveBankExecute);
  on(MidiReceiveAllBanks, &EditorWindow::MidiReceiveAllBanksExecute);
  on(MidiSendBank, &EditorWindow::MidiSendBankExecute);
  on(MidiSendAllBanks, &EditorWindow::MidiSendAllBanksExecute);
  on(Preferences1, &EditorWindow::Preferences1Click);
  on(About1, &EditorWindow::About1Click);
  on(Library1, &EditorWindow::Library1Click);
  connect(TabControl1, &QTabBar::currentChanged, this, [this] { TabControl1Change(); });
  // A line chosen with the keyboard counts as a click, so arrow keys lead to the commands. The
  // line with the cursor is selected too (the list puts the cursor on its first line when it
  // takes the keyboard): the commands act on the line that looks chosen, never on another.
  connect(InstLB, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0)
      return;
    if (QListWidgetItem* line = InstLB->item(row); !line->isSelected())
      line->setSelected(true);
    InstLBClick();
  });
  connect(InstLB, &QListWidget::itemClicked, this, [this] { InstLBClick(); });
  on(Find1, &EditorWindow::Find1Click);
  connect(FindEdit, &QLineEdit::textChanged, this, [this] { FindEditChange(); });
}

void EditorWindow::ConnectHistory() {
  history_ = new QUndoStack(this);
  connect(Undo1, &QAction::triggered, this, [this] {
    const QString step = history_->undoText();
    history_->undo();
    SetStatus(QStringLiteral("Undo ") + step);
  });
  connect(Redo1, &QAction::triggered, this, [this] {
    const QString step = history_->redoText();
    history_->redo();
    SetStatus(QStringLiteral("Redo ") + step);
  });
  // Modified follows the history: back at the state last opened or saved, nothing is unsaved.
  connect(history_, &QUndoStack::indexChanged, this, [this] {
    SetModified(!history_->isClean());
    UpdateHistoryActions();
  });
  connect(history_, &QUndoStack::cleanChanged, this, [this](bool clean) { SetModified(!clean); });
}

void EditorWindow::StartHistory(bool fileContent) {
  // A rename under way was for an item of the document that is being replaced.
  FinishRename(false);
  history_->clear();
  if (!fileContent)
    history_->resetClean();
  UpdateHistoryActions();
}

void EditorWindow::UpdateHistoryActions() {
  const auto show = [](QAction* action, bool can, const QString& hint) {
    action->setEnabled(can);
    action->setToolTip(hint);
    action->setStatusTip(hint);
  };
  show(Undo1, history_->canUndo(), QStringLiteral("Undo ") + history_->undoText());
  show(Redo1, history_->canRedo(), QStringLiteral("Redo ") + history_->redoText());
}

void EditorWindow::ShowHistoryStep() {
  Untouched = false;
  RefreshList();
}

std::unique_ptr<ItemImagesCommand> EditorWindow::StartEdit(const char* what,
                                                           const std::vector<Item*>& items) {
  return std::make_unique<ItemImagesCommand>(Text(what), items, [this] { ShowHistoryStep(); });
}

void EditorWindow::Record(std::unique_ptr<ItemImagesCommand> edit) {
  edit->TakeChangedImages();
  history_->push(edit.release());
}

// ---------------------------------------------------------------------------------------------
// The chain and opening

EditorWindow* EditorWindow::LastWindow() {
  EditorWindow* last = this;
  while (last->NextWindow)
    last = last->NextWindow;
  return last;
}

EditorWindow* EditorWindow::FirstWindow() {
  EditorWindow* first = this;
  while (first->PreviousWindow)
    first = first->PreviousWindow;
  return first;
}

EditorWindow* EditorWindow::AppendWindow() {
  EditorWindow* last = LastWindow();
  auto made = std::make_unique<EditorWindow>();
  EditorWindow* window = made.get();
  last->ownedWindows_.push_back(std::move(made));
  last->NextWindow = window;
  window->PreviousWindow = last;
  window->resize(last->size());
  window->move(last->pos() + QPoint(kCascadeStep, kCascadeStep));
  return window;
}

EditorWindow* EditorWindow::OpenFileInWindow(const QString& path, bool reuseWhenUntouched,
                                             bool alwaysNewWindow) {
  if (alwaysNewWindow || (reuseWhenUntouched && !Untouched))
    return AppendWindow()->OpenFileInWindow(path, false, false);
  FileDiagnosticCapture diagnostics;
  BankLoadReport report;
  if (OpenBankFile(*Document, Path(path), &report) != 0) {
    SetStatus(QStringLiteral("Error opening file"), WhyNotOpened(path, diagnostics));
    return this;
  }
  StartHistory(true);
  BecomeFileOf(path);
  RefreshList();
  show();
  SetStatus(QStringLiteral("Open successful"), LoadWarning(path, report));
  repaint();
  return this;
}

EditorWindow* EditorWindow::OpenCommandLineFiles(const QStringList& names) {
  EditorWindow* target = LastWindow();
  // A window made for a name that could not be opened stays hidden (the next name opens into
  // it): the last window the user can see says so too.
  EditorWindow* shown = target;
  while (shown->isHidden() && shown->PreviousWindow)
    shown = shown->PreviousWindow;
  for (const QString& name : names) {
    target->raise();
    target->activateWindow();
    target = target->OpenFileInWindow(name, true, false);
    if (!target->isHidden())
      shown = target;
    else if (shown != target)
      shown->SetStatus(target->StatusText(), target->StatusReason());
  }
  return shown;
}

QString EditorWindow::FolderOf(const QString& path) {
  const QString absolute =
      QFileInfo(QString::fromStdString(SmartFilename::Resolve(Path(path)))).path();
  return absolute.endsWith(u'/') ? absolute : absolute + u'/';
}

void EditorWindow::SetTitleFor(const QString& path) {
  titlePath_ = path;
  setWindowFilePath(path);
  ShowTitle();
}

void EditorWindow::ShowTitle() {
  // Room the window manager leaves for the text beside its buttons, roughly.
  constexpr int kTitleBarButtons = 110;
  const QString marker = QStringLiteral("[*]");
  const QString program = Text(kProgramTitle);
  if (titlePath_.isEmpty()) {
    setWindowTitle(program + marker);
    return;
  }
  const QString lead = program + QStringLiteral(" - ");
  const QString name = QFileInfo(titlePath_).fileName();
  const QString folder = titlePath_.left(titlePath_.size() - name.size());
  const QFontMetrics metrics(font());
  const int room = width() - kTitleBarButtons - metrics.horizontalAdvance(lead + name);
  QString shown = metrics.elidedText(folder, Qt::ElideMiddle, std::max(room, 0));
  if (!folder.isEmpty() && !shown.endsWith(u'/'))
    shown = QStringLiteral("…/");
  setWindowTitle(lead + shown + name + marker);
}

void EditorWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (event->size().width() != event->oldSize().width()) {
    ShowTitle();
    FitStatus();
  }
}

// ---------------------------------------------------------------------------------------------
// The item list

int EditorWindow::CurrentTab() const {
  return TabControl1->currentIndex();
}

const BankLayout* EditorWindow::BankOfLine(int line, int* position) const {
  if (!Document || line < 0 || line >= static_cast<int>(shownLines_.size()))
    return nullptr;
  const ShownLine& shown = shownLines_[line];
  // Asking a bank beyond its end would grow it.
  if (shown.position >= shown.layout->bankIn(*Document).Count())
    return nullptr;
  if (position)
    *position = shown.position;
  return shown.layout;
}

Item* EditorWindow::ItemAtLine(int line) const {
  int position = 0;
  const BankLayout* layout = BankOfLine(line, &position);
  return layout ? layout->bankIn(*Document).ItemAt(position) : nullptr;
}

Item* EditorWindow::CurrentItem() const {
  const QListWidgetItem* selected = InstLB->currentItem();
  return selected && selected->isSelected() ? ItemAtLine(InstLB->row(selected)) : nullptr;
}

QStringList EditorWindow::ListLines() const {
  QStringList lines;
  for (int row = 0; row < InstLB->count(); ++row)
    lines << InstLB->item(row)->text();
  return lines;
}

QStringList EditorWindow::CollectShownLines() {
  shownLines_.clear();
  shownTab_ = CurrentTab();
  QStringList lines;
  if (!Document)
    return lines;
  const QString filter = FindEdit->text();
  ForEachItemOfTab(*Document, shownTab_,
                   [&](const BankLayout& layout, int position, const Item& item) {
                     if (!PassesFilter(item, filter))
                       return;
                     shownLines_.push_back({&layout, position});
                     lines << ListLine(layout, position, item);
                   });
  return lines;
}

int EditorWindow::LineOf(const ShownLine& shown) const {
  const auto found = std::find(shownLines_.begin(), shownLines_.end(), shown);
  return found == shownLines_.end() ? -1 : static_cast<int>(found - shownLines_.begin());
}

void EditorWindow::RefreshList() {
  const int topLine = InstLB->verticalScrollBar()->value();
  const QListWidgetItem* current = InstLB->currentItem();
  const int selectedLine = current && current->isSelected() ? InstLB->row(current) : -1;
  const bool sameTab = shownTab_ == CurrentTab();
  int position = 0;
  const BankLayout* selectedBank = BankOfLine(selectedLine, &position);
  const QStringList lines = CollectShownLines();
  // On the same tab the selection stays with its item; on another, at its line number.
  const int line = !sameTab ? selectedLine : selectedBank ? LineOf({selectedBank, position}) : -1;
  {
    const QSignalBlocker quiet(InstLB);
    InstLB->setUpdatesEnabled(false);
    InstLB->clear();
    InstLB->addItems(lines);
    if (line >= 0 && line < InstLB->count())
      InstLB->setCurrentRow(line);
    InstLB->verticalScrollBar()->setValue(topLine);
    InstLB->setUpdatesEnabled(true);
  }
  InstLB->viewport()->update();
  UpdateCommandStates(sameTab ? line >= 0 : selectedLine >= 0);
}

void EditorWindow::UpdateCommandStates(bool selected) {
  for (QAction* action :
       {Cut1, Copy1, Clear1, Rename1, EditImport, EditExport, MidiSend, MidiSendToBuf, MidiReceive,
        MidiReceiveFromBuf, MidiReceiveBank, MidiSendBank})
    action->setEnabled(selected);
  UpdatePasteState();
}

void EditorWindow::UpdatePasteState() {
  Paste1->setEnabled(!Editing().ClipboardEmpty);
}

void EditorWindow::TabControl1Change() {
  RefreshList();
}

void EditorWindow::Find1Click() {
  FindEdit->show();
  FindEdit->setFocus();
  FindEdit->selectAll();
}

void EditorWindow::FindEditChange() {
  RefreshList();
  if (const QListWidgetItem* selected = InstLB->currentItem())
    InstLB->scrollToItem(selected);
}

void EditorWindow::HideFind() {
  // Emptying the field shows every line again, the selection still on its item.
  FindEdit->clear();
  FindEdit->hide();
  InstLB->setFocus();
}

void EditorWindow::InstLBClick() {
  UpdateCommandStates(true);
}

void EditorWindow::MarkEdited() {
  SetModified(true);
  Untouched = false;
}

void EditorWindow::Cut1Click() {
  Item* item = CurrentItem();
  if (!item)
    return;
  KeepOnClipboard(*item);
  auto edit = StartEdit("Cut", {item});
  item->Reset();
  Record(std::move(edit));
  SetModified(true);
  RefreshList();
  SetStatus(QStringLiteral("Cut ") + PlaceText(*item));
}

void EditorWindow::Copy1Click() {
  if (const Item* item = CurrentItem()) {
    KeepOnClipboard(*item);
    RefreshList();
    SetStatus(QStringLiteral("Copied ") + PlaceText(*item));
  }
}

void EditorWindow::KeepOnClipboard(const Item& item) {
  SharedEditingState& editing = Editing();
  editing.ItemClipboard->SetItem(item);
  editing.ClipboardEmpty = false;
  for (EditorWindow* window = FirstWindow(); window; window = window->NextWindow)
    window->UpdatePasteState();
}

void EditorWindow::Paste1Click() {
  Item* item = CurrentItem();
  const Item* held = Editing().ItemClipboard->GetItem(S2I_File::kAnyKind);
  if (!item || !held)
    return;
  if (TakeItemOfSameKind(*item, *held, "Paste"))
    SetStatus(QStringLiteral("Pasted into ") + PlaceText(*item));
}

bool EditorWindow::TakeItemOfSameKind(Item& item, const Item& source, const char* what) {
  if (source.Kind() != item.Kind()) {
    SetStatus(QStringLiteral("Couldn't %1, unmatched types").arg(QLatin1String(what)));
    return false;
  }
  auto edit = StartEdit(what, {&item});
  item.Assign(source);
  Record(std::move(edit));
  MarkEdited();
  RefreshList();
  return true;
}

void EditorWindow::Clear1Click() {
  Item* item = CurrentItem();
  if (item) {
    auto edit = StartEdit("Clear", {item});
    item->Reset();
    Record(std::move(edit));
    SetModified(true);
  }
  RefreshList();
  if (item)
    SetStatus(QStringLiteral("Cleared ") + PlaceText(*item));
}

void EditorWindow::Rename1Click() {
  Item* item = CurrentItem();
  if (!item)
    return;
  if (!renameEditor_) {
    renameEditor_ =
        new NameEditor(InstLB->viewport(), [this](bool commit) { FinishRename(commit); });
    renameEditor_->setObjectName(QStringLiteral("RenameEditor"));
    renameEditor_->setFont(InstLB->font());
  }
  renamedItem_ = item;
  // Over the name only: the rest of the line stays as it is shown.
  QListWidgetItem* line = InstLB->currentItem();
  InstLB->scrollToItem(line);
  const QString name = QString::fromStdString(item->Name());
  const QString lead = line->text().left(line->text().size() - name.size());
  QRect place = InstLB->visualItemRect(line);
  place.setLeft(place.left() + QFontMetrics(InstLB->font()).horizontalAdvance(lead));
  renameEditor_->setGeometry(place);
  renameEditor_->setText(name);
  renameEditor_->selectAll();
  renameEditor_->show();
  renameEditor_->setFocus();
}

void EditorWindow::FinishRename(bool commit) {
  Item* const item = renamedItem_;
  if (!item)
    return;
  // Hiding the editor takes its focus away, which finishes the rename again.
  renamedItem_ = nullptr;
  renameEditor_->hide();
  InstLB->setFocus();
  if (!commit)
    return;
  auto edit = StartEdit("Rename", {item});
  if (item->SetName(renameEditor_->text().toStdString()) != 0) {
    SetStatus(
        QStringLiteral("Name refused: at most %1 printable ASCII characters").arg(kItemNameLength));
    return;
  }
  Record(std::move(edit));
  MarkEdited();
  RefreshList();
  SetStatus(QStringLiteral("Renamed ") + PlaceText(*item));
}

QString EditorWindow::PlaceText(const Item& item) {
  return QString::fromStdString(SlotPlace(item));
}

// ---------------------------------------------------------------------------------------------
// Import and export

QString EditorWindow::ExportFileNameFor(const std::string& itemName) {
  QString name;
  for (const char c : itemName.substr(0, kItemNameLength)) {
    const bool kept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      std::string_view(" ()-+").find(c) != std::string_view::npos;
    if (kept)
      name += QLatin1Char(c);
  }
  return name.trimmed() + QStringLiteral(".s2i");
}

void EditorWindow::EditImportExecute() {
  Item* item = CurrentItem();
  if (!item) {
    SetStatus(QStringLiteral("Unknown Internal Error"));
    return;
  }
  const QString folder = SettingText(Settings::kLastImportDirectory);
  const auto path = Dialogs().OpenFileName(
      this, {QStringLiteral("Import..."), ImportDialogFilters(), folder, {}});
  if (!path) {
    SetStatus(QStringLiteral("Canceled Import"));
    return;
  }
  RememberFolder(Settings::kLastImportDirectory, *path);
  S2I_File held;
  held.GetItem(static_cast<int>(item->Kind()));
  FileDiagnosticCapture diagnostics;
  ItemImportReport report;
  const std::string kind = KindInfo(item->Kind()).name;
  const QString name = QFileInfo(*path).fileName();
  if (ImportItemFile(held, Path(*path), &report) != 0) {
    if (report.itemDumps > 0 && report.dumpsOfKind == 0) {
      SetStatus(QStringLiteral("Couldn't Import, unmatched types"),
                QStringLiteral("%1 holds no %2 dump among its %3 item dumps")
                    .arg(name, QString::fromStdString(kind))
                    .arg(report.itemDumps));
      return;
    }
    SetStatus(QStringLiteral("Error importing from file"), FailureReason(*path, diagnostics));
    return;
  }
  // An .s2i file brings its own kind, and an item takes nothing from another kind.
  if (!TakeItemOfSameKind(*item, *held.GetItem(S2I_File::kAnyKind), "Import"))
    return;
  QStringList notes;
  for (const std::string& note : ItemImportNotes(report, kind))
    notes << name + u' ' + QString::fromStdString(note);
  SetStatus(QStringLiteral("Import successful"), notes.join(QStringLiteral("; ")));
}

void EditorWindow::EditExportExecute() {
  const Item* item = CurrentItem();
  if (!item) {
    SetStatus(QStringLiteral("Unknown Internal Error"));
    return;
  }
  const QString folder = SettingText(Settings::kLastImportDirectory);
  const auto path =
      Dialogs().SaveFileName(this, {QStringLiteral("Export..."), ExportDialogFilters(), folder,
                                    ExportFileNameFor(item->Name())});
  if (!path) {
    SetStatus(QStringLiteral("Canceled Export"));
    return;
  }
  RememberFolder(Settings::kLastImportDirectory, *path);
  S2I_File held;
  held.SetItem(*item);
  FileDiagnosticCapture diagnostics;
  if (ExportItemFile(held, Path(*path)) != 0)
    SetStatus(QStringLiteral("Error exporting to file"), FailureReason(*path, diagnostics));
  else
    SetStatus(QStringLiteral("Export successful"));
}

// ---------------------------------------------------------------------------------------------
// MIDI transfers

void EditorWindow::MidiSendExecute() {
  SendCurrentItem(MidiTransfer::Send);
}

void EditorWindow::MidiSendToBufExecute() {
  SendCurrentItem(MidiTransfer::SendToBuffer);
}

void EditorWindow::MidiReceiveExecute() {
  ReceiveCurrentItem(MidiTransfer::Receive, "Receive");
}

void EditorWindow::MidiReceiveFromBufExecute() {
  ReceiveCurrentItem(MidiTransfer::ReceiveFromBuffer, "Receive From Buffer");
}

void EditorWindow::ShowStep(const char* text) {
  SetStatus(Text(text));
  // The event loop does not run until the transfer ends: the whole window is painted here, also
  // where the menu that started the transfer has just closed.
  repaint();
}

void EditorWindow::SendCurrentItem(SendSequence send) {
  const Item* item = CurrentItem();
  MidiControl* control = ProgramMidi::Control();
  if (!item || !control)
    return;
  if (!HasPortFor(*control, false, *this))
    return;
  const BusyCursor busy;
  MidiTransfer::SendReport report;
  send(
      *control, *item, [this](const char* text) { ShowStep(text); }, &report);
  QStringList notes;
  if (report.differs)
    notes << QStringLiteral(
        "The synthesizer holds other data than was sent, also after sending "
        "it again");
  else if (report.verified)
    notes << (report.resends > 0 ? QStringLiteral("Read back the same after sending it again")
                                 : QStringLiteral("Read back the same"));
  if (report.sevenBitBytes > 0) {
    notes << (report.sevenBitBytes == 1
                  ? QStringLiteral("1 byte sent as a seven-bit value")
                  : QStringLiteral("%1 bytes sent as seven-bit values").arg(report.sevenBitBytes));
  }
  if (!notes.isEmpty())
    SetStatus(StatusText(), notes.join(QStringLiteral("; ")));
}

void EditorWindow::ReceiveCurrentItem(ReceiveSequence receive, const char* what) {
  Item* item = CurrentItem();
  MidiControl* control = ProgramMidi::Control();
  if (!item || !control)
    return;
  const BusyCursor busy;
  auto edit = StartEdit(what, {item});
  MidiTransfer::ReceiveReport report;
  if (receive(
          *control, *item, [this](const char* text) { ShowStep(text); }, &report) != 0)
    return;
  Record(std::move(edit));
  // What arrived is in the document now and in no file yet.
  MarkEdited();
  RefreshList();
  const QString asked = report.retries == 0 ? QStringLiteral("asked once")
                        : report.retries == 1
                            ? QStringLiteral("asked twice")
                            : QStringLiteral("asked %1 times").arg(report.retries + 1);
  if (report.missingBlocks > 0) {
    SetStatus(StatusText(), QStringLiteral("%1 of %2 blocks did not arrive (%3) and are 0 (Undo "
                                           "restores the item)")
                                .arg(report.missingBlocks)
                                .arg(report.totalBlocks)
                                .arg(asked));
  } else if (report.retries > 0) {
    SetStatus(StatusText(), QStringLiteral("Complete after a loss on the way (%1)").arg(asked));
  }
}

// ---------------------------------------------------------------------------------------------
// Whole banks over MIDI

std::vector<const BankLayout*> EditorWindow::BankOfCurrentLine() const {
  const QListWidgetItem* selected = InstLB->currentItem();
  if (!selected || !selected->isSelected())
    return {};
  const BankLayout* layout = BankOfLine(InstLB->row(selected));
  return layout ? std::vector{layout} : std::vector<const BankLayout*>{};
}

std::vector<const BankLayout*> EditorWindow::AllBanks() {
  std::vector<const BankLayout*> banks;
  for (const BankLayout& layout : kBankLayouts)
    banks.push_back(&layout);
  return banks;
}

void EditorWindow::MidiReceiveBankExecute() {
  TransferBanks(TransferDialog::Direction::Receive, BankOfCurrentLine(), "Receive Bank");
}

void EditorWindow::MidiReceiveAllBanksExecute() {
  TransferBanks(TransferDialog::Direction::Receive, AllBanks(), "Receive All Banks");
}

void EditorWindow::MidiSendBankExecute() {
  TransferBanks(TransferDialog::Direction::Send, BankOfCurrentLine(), "Send Bank");
}

void EditorWindow::MidiSendAllBanksExecute() {
  TransferBanks(TransferDialog::Direction::Send, AllBanks(), "Send All Banks");
}

void EditorWindow::TransferBanks(TransferDialog::Direction direction,
                                 const std::vector<const BankLayout*>& banks, const char* title) {
  MidiControl* control = ProgramMidi::Control();
  if (banks.empty() || !control || TransferDialog::Running())
    return;
  const bool receiving = direction == TransferDialog::Direction::Receive;
  if (!HasPortFor(*control, receiving, *this))
    return;
  if (!receiving && !ConfirmReplacing(banks, title)) {
    SetStatus(QStringLiteral("Canceled ") + Text(title));
    return;
  }
  // The transfer's thread works on a copy; what arrived is taken into the document at its end.
  S2A_File copy;
  copy.CopyFrom(*Document);
  const std::vector<BankTransfer::Slot> places = BankTransfer::SlotsOf(copy, banks);
  TransferDialog dialog(this, Text(title));
  const BankTransfer::Summary summary = dialog.Run(direction, *control, places);

  if (receiving && summary.transferred > 0) {
    std::vector<std::pair<Item*, const Item*>> arrived;
    for (const BankTransfer::Slot& slot : places) {
      const bool missing =
          std::any_of(summary.missing.begin(), summary.missing.end(),
                      [&](const BankTransfer::Slot& m) { return m.item == slot.item; });
      if (!missing)
        arrived.emplace_back(slot.layout->bankIn(*Document).ItemAt(slot.index), slot.item);
    }
    std::vector<Item*> changed;
    for (const auto& [item, received] : arrived)
      changed.push_back(item);
    auto edit = StartEdit(title, changed);
    for (const auto& [item, received] : arrived)
      item->Assign(*received);
    Record(std::move(edit));
    MarkEdited();
    RefreshList();
  }
  ShowTransferSummary(summary, receiving, Text(title));
}

bool EditorWindow::ConfirmReplacing(const std::vector<const BankLayout*>& banks,
                                    const char* title) {
  int programs = 0;
  for (const BankLayout* layout : banks)
    programs += layout->capacity;
  const QString text = banks.size() == 1
                           ? QStringLiteral("Replace the %1 programs of the S80's %2 bank?")
                                 .arg(programs)
                                 .arg(QString::fromUtf8(banks.front()->longName))
                           : QStringLiteral("Replace all %1 programs of the S80's %2 banks?")
                                 .arg(programs)
                                 .arg(banks.size());
  return Dialogs().AskYesNo(this, Text(title), text) == Answer::Yes;
}

namespace {

QString SlotNames(const std::vector<BankTransfer::Slot>& places) {
  QStringList names;
  for (const BankTransfer::Slot& slot : places)
    names << TransferDialog::SlotName(slot);
  return names.join(QStringLiteral(", "));
}

}  // namespace

// "Received 450 of 452 items; 31 needed a retry; not received: ...". A transfer that did not
// bring or deliver everything also says so in a message, which lists every slot in full.
void EditorWindow::ShowTransferSummary(const BankTransfer::Summary& summary, bool received,
                                       const QString& title) {
  QString text = QStringLiteral("%1 %2 of %3 items")
                     .arg(received ? QStringLiteral("Received") : QStringLiteral("Sent"))
                     .arg(summary.transferred)
                     .arg(summary.count);
  if (summary.retried > 0)
    text += (received ? QStringLiteral("; %1 needed a retry") : QStringLiteral("; %1 sent again"))
                .arg(summary.retried);
  QStringList failed;
  if (!summary.differing.empty())
    failed << QStringLiteral("read back different: ") + SlotNames(summary.differing);
  if (!summary.missing.empty())
    failed << (received ? QStringLiteral("not received: ") : QStringLiteral("not sent: ")) +
                  SlotNames(summary.missing);
  if (summary.cancelled) {
    SetStatus(text + QStringLiteral("; cancelled"));
    return;
  }
  if (!summary.portError.empty()) {
    text += QStringLiteral("; stopped: ") + QString::fromStdString(summary.portError);
    SetStatus(text);
    Dialogs().ShowMessage(this, title, text + u'.', failed.join(QStringLiteral(";\n")));
    return;
  }
  if (failed.isEmpty()) {
    SetStatus(text);
    return;
  }
  QString reason = failed.join(QStringLiteral("; "));
  reason[0] = reason[0].toUpper();
  SetStatus(text, reason);
  Dialogs().ShowMessage(this, title, text + u'.',
                        reason.replace(QStringLiteral("; "), QStringLiteral(";\n")));
}

// ---------------------------------------------------------------------------------------------
// The program's other windows

void EditorWindow::Preferences1Click() {
  if (SecondaryWindows* windows = SecondaryWindows::current())
    windows->preferencesDialog().ShowModalOver(FirstWindow());
}

void EditorWindow::About1Click() {
  if (SecondaryWindows* windows = SecondaryWindows::current())
    windows->aboutDialog().exec();
}

void EditorWindow::Library1Click() {
  if (SecondaryWindows* windows = SecondaryWindows::current())
    windows->libraryWindow().show();
}

// ---------------------------------------------------------------------------------------------
// Status

QString EditorWindow::StatusText() const {
  return StatusMessage->FullText();
}

QString EditorWindow::StatusReason() const {
  return StatusReasonLabel->FullText();
}

void EditorWindow::SetStatus(const QString& text, const QString& reason) {
  // Each label shows what fits; the whole of both is the outcome's tooltip.
  StatusMessage->SetFullText(text);
  StatusReasonLabel->SetFullText(reason);
  StatusMessage->setToolTip(reason.isEmpty() ? text : text + u'\n' + reason);
  FitStatus();
}

void EditorWindow::FitStatus() {
  // The outcome keeps its whole width where the reason leaves room, and at least half the bar
  // when both are long; the reason takes the rest.
  constexpr int kGripAndMargins = 28;
  const int room = std::max(statusBar()->width() - kGripAndMargins, 0);
  const QFontMetrics metrics(StatusMessage->font());
  const int textWidth = metrics.horizontalAdvance(StatusMessage->FullText()) + 8;
  const int reasonWidth = StatusReasonLabel->FullText().isEmpty()
                              ? 0
                              : metrics.horizontalAdvance(StatusReasonLabel->FullText()) + 8;
  StatusMessage->setFixedWidth(std::min(textWidth, std::max(room / 2, room - reasonWidth)));
}

// ---------------------------------------------------------------------------------------------
// File commands

Answer EditorWindow::AskUnsavedChanges(const char* questionFormat) {
  const QString name = FileName.isEmpty() ? Text(kUntitledName) : FileName;
  return Dialogs().AskYesNoCancel(this, QStringLiteral("Unsaved File"),
                                  Text(questionFormat).arg(name));
}

bool EditorWindow::SaveChangesBefore(const char* questionFormat) {
  if (!Modified)
    return true;
  switch (AskUnsavedChanges(questionFormat)) {
    case Answer::Cancel:
      return false;
    case Answer::No:
      return true;
    case Answer::Yes:
      // Going on after a save that did not happen would lose the document.
      return Save1Click();
  }
  return false;
}

void EditorWindow::RememberFolder(const char* settingName, const QString& path) {
  try {
    SettingsStore::WriteSettingString(settingName, Path(FolderOf(path)));
  } catch (const SettingsWriteError& error) {
    Dialogs().ShowError(this, Text(kProgramTitle), Text(error.what()));
  }
}

QString EditorWindow::AskOpenPath(const QString& title) {
  const auto path =
      Dialogs().OpenFileName(this, {title, OpenDialogFilters(), openDialogFolder_, {}});
  return path.value_or(QString());
}

QString EditorWindow::ChooseFileToOpen(const QString& title) {
  openDialogFolder_ = SettingText(Settings::kLastOpenDirectory);
  const QString path = AskOpenPath(title);
  if (path.isEmpty()) {
    SetStatus(QStringLiteral("Canceled Open"));
    return path;
  }
  RememberFolder(Settings::kLastOpenDirectory, path);
  return path;
}

void EditorWindow::New1Click() {
  if (!SaveChangesBefore(kNewQuestion))
    return;
  FileName.clear();
  Document->Reset();
  StartHistory(true);
  SetTitleFor(FileName);
  SetModified(false);
  Untouched = true;
  RefreshList();
  SetStatus({});
}

void EditorWindow::NewNewWin1Click() {
  AppendWindow()->show();
}

void EditorWindow::Open1Click() {
  if (!SaveChangesBefore(kOpenQuestion))
    return;
  if (const QString path = ChooseFileToOpen(QStringLiteral("Open...")); !path.isEmpty())
    OpenFileInWindow(path, false, false);
}

void EditorWindow::OpenNewWin1Click() {
  const QString path = ChooseFileToOpen(QStringLiteral("Open in New Window..."));
  if (path.isEmpty())
    return;
  EditorWindow* window = OpenFileInWindow(path, true, true);
  if (window->isHidden())
    SetStatus(window->StatusText(), window->StatusReason());
}

bool EditorWindow::Save1Click() {
  return FileName.isEmpty() ? SaveAs1Click() : SaveDocumentTo(FileName);
}

bool EditorWindow::SaveAs1Click() {
  const QString offered = FileName.isEmpty() ? QStringLiteral("untitled.s2a") : FileName;
  const QString folder = SettingText(Settings::kLastOpenDirectory);
  const auto path = Dialogs().SaveFileName(
      this, {QStringLiteral("Save As..."), SaveDialogFilters(), folder, offered});
  if (!path) {
    SetStatus(QStringLiteral("Canceled Save"));
    return false;
  }
  RememberFolder(Settings::kLastOpenDirectory, *path);
  return SaveDocumentTo(*path);
}

namespace {

// What a file of `path`'s format leaves out of a document: the programs of the banks it does
// not hold that differ from the defaults, and how the user knows those banks and the others.
struct LeftOut {
  int changedPrograms = 0;
  const char* heldBanks = "";
  const char* otherBanks = "";
};

LeftOut LeftOutOfSave(S2A_File& document, const QString& path) {
  LeftOut leftOut;
  if (HasExtension(Path(path), "s2v")) {
    leftOut = {0, "voice banks", "performance banks"};
  } else if (HasExtension(Path(path), "s2e")) {
    leftOut = {0, "external banks", "internal banks"};
  } else {
    return leftOut;
  }
  S2A_File defaults;
  for (const BankLayout& layout : kBankLayouts) {
    if (BankFileHolds(Path(path), layout))
      continue;
    for (int slot = 0; slot < layout.capacity; ++slot) {
      const auto image = layout.bankIn(document).ItemAt(slot)->Data();
      const auto original = layout.bankIn(defaults).ItemAt(slot)->Data();
      if (!std::equal(image.begin(), image.end(), original.begin(), original.end()))
        ++leftOut.changedPrograms;
    }
  }
  return leftOut;
}

}  // namespace

bool EditorWindow::SaveDocumentTo(const QString& path) {
  // A format that holds only some banks would drop the others' changes without a word.
  const LeftOut leftOut = LeftOutOfSave(*Document, path);
  if (leftOut.changedPrograms > 0) {
    const QString question =
        QStringLiteral(
            "%1 holds only the %2. The %3 changed %4 of the %5 will not be saved. "
            "Save anyway?")
            .arg(QFileInfo(path).fileName(), Text(leftOut.heldBanks))
            .arg(leftOut.changedPrograms)
            .arg(leftOut.changedPrograms == 1 ? QStringLiteral("program")
                                              : QStringLiteral("programs"),
                 Text(leftOut.otherBanks));
    if (Dialogs().AskYesNo(this, QStringLiteral("Save"), question) != Answer::Yes) {
      SetStatus(QStringLiteral("Canceled Save"));
      return false;
    }
  }
  FileDiagnosticCapture diagnostics;
  if (SaveBankFile(*Document, Path(path)) != 0) {
    SetStatus(QStringLiteral("Error writing file"), WhyNotSaved(path, diagnostics));
    return false;
  }
  BecomeFileOf(path);
  if (leftOut.changedPrograms > 0) {
    // What the window shows is not what the file holds.
    history_->resetClean();
    SetModified(true);
    SetStatus(QStringLiteral("Save successful"),
              QStringLiteral("%1 changed programs of the %2 are in no file")
                  .arg(leftOut.changedPrograms)
                  .arg(Text(leftOut.otherBanks)));
    return true;
  }
  SetStatus(QStringLiteral("Save successful"));
  return true;
}

void EditorWindow::BecomeFileOf(const QString& path) {
  FileName = path;
  SetTitleFor(FileName);
  history_->setClean();
  SetModified(false);
  Untouched = false;
}

void EditorWindow::SetModified(bool modified) {
  Modified = modified;
  setWindowModified(modified);
}

void EditorWindow::Close1Click() {
  CloseWindow();
}

void EditorWindow::Quit1Click() {
  FirstWindow()->CloseWindow();
}

void EditorWindow::Clone1Click() {
  EditorWindow* window = AppendWindow();
  window->Document->CopyFrom(*Document);
  window->FileName = FileName;
  window->SetTitleFor(FileName);
  window->RefreshList();
  window->show();
  window->StartHistory(false);
  window->MarkEdited();
}

void EditorWindow::Merge1Click() {
  const QString path = AskOpenPath(QStringLiteral("Merge..."));
  if (path.isEmpty()) {
    SetStatus(QStringLiteral("Canceled Merge"));
    return;
  }
  FileDiagnosticCapture diagnostics;
  BankLoadReport report;
  if (MergeBankFile(*Document, Path(path), &report) != 0) {
    SetStatus(QStringLiteral("Error merging file"), WhyNotOpened(path, diagnostics));
    return;
  }
  FileName = path;
  SetTitleFor(FileName);
  StartHistory(false);
  RefreshList();
  MarkEdited();
  SetStatus(QStringLiteral("Merge successful"), LoadWarning(path, report));
}

void EditorWindow::ExportSupportingFile1Click() {
  SmartFilename name;
  name.SetPath(FileName.isEmpty() ? std::string("untitled") : Path(FileName));
  name.SetExtension("ins");
  const QString offered = QFileInfo(QString::fromStdString(name.Path())).fileName();
  const QString folder = SettingText(Settings::kLastSuppDirectory);
  const auto path = Dialogs().SaveFileName(this, {QStringLiteral("Export Supporting Files..."),
                                                  ExportSuppDialogFilters(), folder, offered});
  if (!path) {
    SetStatus(QStringLiteral("Canceled Save"));
    return;
  }
  RememberFolder(Settings::kLastSuppDirectory, *path);
  FileDiagnosticCapture diagnostics;
  if (SaveBankFile(*Document, Path(*path)) != 0)
    SetStatus(QStringLiteral("Error writing file"), WhyNotSaved(*path, diagnostics));
  else
    SetStatus(QStringLiteral("Save successful"));
}

// ---------------------------------------------------------------------------------------------
// Closing

void EditorWindow::CloseWindow() {
  if (Modified) {
    switch (AskUnsavedChanges(kCloseQuestion)) {
      case Answer::Cancel:
        SetStatus(QStringLiteral("Close cancelled"));
        return;
      case Answer::Yes:
        Save1Click();
        break;
      case Answer::No:
        SetModified(false);
        break;
    }
    CloseWindow();
    return;
  }
  if (PreviousWindow || !NextWindow) {
    CloseConfirmed = true;
    close();
    return;
  }
  for (EditorWindow* follower = NextWindow; follower;) {
    EditorWindow* const successor = follower->NextWindow;
    follower->CloseWindow();
    follower = successor;
  }
  bool followerLeftModified = false;
  for (EditorWindow* follower = NextWindow; follower; follower = follower->NextWindow)
    followerLeftModified = followerLeftModified || follower->Modified;
  if (followerLeftModified) {
    SetStatus(QStringLiteral("Quit cancelled."));
    return;
  }
  CloseConfirmed = true;
  close();
}

void EditorWindow::closeEvent(QCloseEvent* event) {
  if (!CloseConfirmed)
    CloseWindow();
  if (!CloseConfirmed) {
    event->ignore();
    return;
  }
  event->accept();
  if (closed_)
    return;
  closed_ = true;
  UnlinkFromChain();
  Editing().ForgetDragFrom(this);
  Document.reset();
  emit WindowClosed();
}

void EditorWindow::UnlinkFromChain() {
  if (PreviousWindow)
    PreviousWindow->NextWindow = NextWindow;
  if (NextWindow)
    NextWindow->PreviousWindow = PreviousWindow;
  PreviousWindow = nullptr;
  NextWindow = nullptr;
}
