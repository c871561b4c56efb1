#include "app/window/EditorWindow.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "app/commands/Audition.h"
#include "app/commands/CommandTexts.h"
#include "app/commands/DocumentHistory.h"
#include "app/commands/ItemImagesCommand.h"
#include "app/commands/ProgramMidi.h"
#include "app/commands/SharedEditingState.h"
#include "app/dialogs/AboutDialog.h"
#include "app/dialogs/PreferencesDialog.h"
#include "app/dialogs/SecondaryWindows.h"
#include "app/dialogs/UserDialogs.h"
#include "app/dialogs/WindowPlacement.h"
#include "app/library/LibraryWindow.h"
#include "app/library/ReceivedToLibrary.h"
#include "app/list/BankTabBar.h"
#include "app/list/FindField.h"
#include "app/list/ItemListView.h"
#include "app/window/WindowTitle.h"
#include "model/BankLayouts.h"
#include "model/Item.h"
#include "model/S2A_File.h"
#include "settings/SettingsStore.h"

namespace {

// Holds a closed window until the event loop deletes the holder (deleteLater: back where the
// close began, when nothing of the window is under way any more), or until the first window,
// its parent, goes.
class ClosedWindow : public QObject {
 public:
  ClosedWindow(QObject& parent, std::unique_ptr<EditorWindow> window)
      : QObject(&parent), window_(std::move(window)) {}

 private:
  std::unique_ptr<EditorWindow> window_;
};

}  // namespace

// The images are linked in from a static library, whose resources only register when asked.
static EditorActions RegisterImagesAndBuildActions(QMainWindow& window) {
  Q_INIT_RESOURCE(corvale);
  return EditorActions::build(window);
}

EditorWindow::EditorWindow()
    : document_(std::make_unique<S2A_File>()),
      actions_(RegisterImagesAndBuildActions(*this)),
      status_(*statusBar()),
      fileCommands_(*this),
      itemCommands_(*this),
      midiCommands_(*this) {
  setObjectName(QStringLiteral("Form1"));
  resize(kDesignWidth, kDesignHeight);
  setTitleFor({});
  buildListArea();
  connectCommands();
  connectHistory();
  refreshList();
}

EditorWindow::~EditorWindow() {
  sharedEditing().forgetDragFrom(*this);
}

void EditorWindow::buildListArea() {
  auto* area = new QWidget(this);
  auto* layout = new QVBoxLayout(area);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(0);
  // A tab dragged away carries the lines it shows: Find's filter narrows the tab shown.
  tabBar_ = new BankTabBar(area, [this](int tab) {
    const QString filter = tab == currentTab() ? findField_->text() : QString();
    return document_ ? ListedLines::itemsOfTab(*document_, tab, filter)
                     : std::vector<const Item*>{};
  });
  findField_ = new FindField(area, [this] { hideFind(); });
  itemList_ = new ItemListView(this, *this);
  layout->addWidget(tabBar_);
  layout->addWidget(findField_);
  layout->addWidget(itemList_, 1);
  setCentralWidget(area);
  itemList_->setFocus();
  // Esc puts Find away wherever the keyboard is in the window; a rename under way ends first.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setObjectName(QStringLiteral("EscapeShortcut"));
  connect(escape, &QShortcut::activated, this, [this] {
    if (itemList_->isRenaming())
      itemList_->finishRename(false);
    else if (findField_->isVisible())
      hideFind();
  });
}

void EditorWindow::connectCommands() {
  actions_.connectTo(*this, fileCommands_, itemCommands_, midiCommands_);
  const auto on = [this](QAction* action, auto command) {
    connect(action, &QAction::triggered, this, command);
  };
  on(actions_.close, [this] { closeWindow(); });
  on(actions_.quit, [this] { quit(); });
  on(actions_.rename, [this] { rename(); });
  on(actions_.preferences, [this] { showPreferences(); });
  on(actions_.about, [this] { showAbout(); });
  on(actions_.library, [this] { showLibrary(); });
  on(actions_.find, [this] { showFind(); });
  connect(tabBar_, &QTabBar::currentChanged, this, [this] { refreshList(); });
  // A line chosen with the keyboard counts as a click, so arrow keys lead to the commands. The
  // line with the cursor is selected too (the list puts the cursor on its first line when it
  // takes the keyboard): the commands act on the line that looks chosen, never on another.
  connect(itemList_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0)
      return;
    if (QListWidgetItem* line = itemList_->item(row); !line->isSelected())
      line->setSelected(true);
    updateCommandStates(true);
    auditionCurrentItem();
  });
  connect(actions_.audition, &QAction::triggered, this, [this](bool on) {
    if (on)
      auditionCurrentItem();
  });
  connect(itemList_, &QListWidget::itemClicked, this, [this] { updateCommandStates(true); });
  connect(itemList_, &ItemListView::renamed, this,
          [this](Item* item, const QString& name) { itemCommands_.rename(*item, name); });
  connect(findField_, &QLineEdit::textChanged, this, [this] {
    refreshList();
    if (const QListWidgetItem* selected = itemList_->currentItem())
      itemList_->scrollToItem(selected);
  });
  connect(&sharedEditing(), &SharedEditingState::clipboardChanged, this,
          [this] { updatePasteState(); });
}

// ---------------------------------------------------------------------------------------------
// The history

void EditorWindow::connectHistory() {
  history_ = new DocumentHistory(this, *actions_.undo, *actions_.redo, [this] {
    untouched_ = false;
    refreshList();
  });
  connect(history_, &DocumentHistory::stepTaken, this,
          [this](const QString& step) { setStatus(step); });
  // Modified follows the history: back at the state last opened or saved, nothing is unsaved.
  connect(history_, &DocumentHistory::unsavedChanged, this,
          [this](bool unsaved) { setModified(unsaved); });
}

void EditorWindow::startHistory(bool fileContent) {
  // A rename under way was for an item of the document that is being replaced.
  itemList_->finishRename(false);
  history_->restart(fileContent);
}

std::unique_ptr<ItemImagesCommand> EditorWindow::startEdit(const char* what,
                                                           const std::vector<Item*>& items) {
  return history_->start(what, items);
}

void EditorWindow::record(std::unique_ptr<ItemImagesCommand> edit) {
  history_->record(std::move(edit));
}

void EditorWindow::markEdited() {
  setModified(true);
  untouched_ = false;
}

void EditorWindow::setModified(bool modified) {
  modified_ = modified;
  setWindowModified(modified);
}

void EditorWindow::keepUnsavedChanges() {
  history_->forgetSavedState();
  setModified(true);
}

// ---------------------------------------------------------------------------------------------
// The document's file

void EditorWindow::becomeFileOf(const QString& path) {
  fileName_ = path;
  setTitleFor(fileName_);
  history_->markSaved();
  setModified(false);
  untouched_ = false;
}

void EditorWindow::nameFile(const QString& path) {
  fileName_ = path;
  setTitleFor(fileName_);
}

void EditorWindow::startNewDocument() {
  fileName_.clear();
  document_->Reset();
  startHistory(true);
  setTitleFor(fileName_);
  setModified(false);
  untouched_ = true;
  refreshList();
  setStatus({});
}

void EditorWindow::setTitleFor(const QString& path) {
  titlePath_ = path;
  setWindowFilePath(path);
  // A name too long for the title even without its folder widens the window, as far as the
  // screen allows; a window the user makes narrower later is left so.
  if (const int least = WidthForFileName(path); width() < least) {
    const int most = screen() ? screen()->availableGeometry().width() - FrameMargins(*this).left() -
                                    FrameMargins(*this).right()
                              : least;
    resize(std::min(least, most), height());
  }
  showTitle();
}

void EditorWindow::showTitle() {
  setWindowTitle(WindowTitleFor(titlePath_, width()));
}

void EditorWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (event->size().width() != event->oldSize().width()) {
    showTitle();
    status_.fit();
  }
}

// ---------------------------------------------------------------------------------------------
// The item list

int EditorWindow::currentTab() const {
  return tabBar_->currentIndex();
}

QLineEdit* EditorWindow::findField() const {
  return findField_;
}

const BankLayout* EditorWindow::currentBank() const {
  return itemList_->bankOfLine(itemList_->selectedLine());
}

Item* EditorWindow::itemAtLine(int line) const {
  return itemList_->itemAtLine(line);
}

Item* EditorWindow::currentItem() const {
  return itemList_->itemAtLine(itemList_->selectedLine());
}

QStringList EditorWindow::listLines() const {
  return itemList_->lines();
}

void EditorWindow::refreshList() {
  updateCommandStates(itemList_->showLines(currentTab(), findField_->text()));
}

QString EditorWindow::keepReceived(std::span<const ReceivedProgram> programs) {
  if (programs.empty() || !ReceivedToLibrary::wanted())
    return {};
  return ReceivedToLibrary::keep(this, programs).text;
}

void EditorWindow::updateCommandStates(bool selected) {
  for (QAction* action :
       {actions_.cut, actions_.copy, actions_.clear, actions_.rename, actions_.compareWith,
        actions_.importItem, actions_.exportItem, actions_.send, actions_.sendToBuffer,
        actions_.receive, actions_.receiveFromBuffer, actions_.receiveBank, actions_.sendBank})
    action->setEnabled(selected);
  updatePasteState();
}

void EditorWindow::auditionCurrentItem() {
  const Item* item = currentItem();
  if (!item)
    return;
  const QString shown = QString::fromStdString(SlotPlace(*item) + " " + item->Name());
  if (const QString status = sharedAudition().play(*item, shown); !status.isEmpty())
    setStatus(status);
}

void EditorWindow::updatePasteState() {
  actions_.paste->setEnabled(sharedEditing().clipboardItem() != nullptr);
}

void EditorWindow::showFind() {
  findField_->show();
  findField_->setFocus();
  findField_->selectAll();
}

void EditorWindow::hideFind() {
  // Emptying the field shows every line again, the selection still on its item.
  findField_->clear();
  findField_->hide();
  itemList_->setFocus();
}

void EditorWindow::rename() {
  if (Item* item = currentItem())
    itemList_->startRename(*item);
}

// ---------------------------------------------------------------------------------------------
// Status

void EditorWindow::setStatus(const QString& text, const QString& reason) {
  status_.set(text, reason);
}

void EditorWindow::showStep(const QString& text) {
  setStatus(text);
  // The event loop does not run until the command ends: the whole window is painted here, also
  // where the menu that started it has just closed.
  repaint();
}

// ---------------------------------------------------------------------------------------------
// The program's other windows

void EditorWindow::showPreferences() {
  // The dialog lists the ports afresh and puts its choices in force: for as long as it is open
  // no audition uses them (one under way ends first), whatever starts one meanwhile.
  std::optional<ProgramMidi::Loan> toTheDialog;
  if (ProgramMidi::control())
    toTheDialog.emplace();
  if (SecondaryWindows* windows = SecondaryWindows::current())
    windows->preferencesDialog().showModalOver(&firstWindow());
}

void EditorWindow::showAbout() {
  if (SecondaryWindows* windows = SecondaryWindows::current())
    windows->aboutDialog().exec();
}

void EditorWindow::showLibrary() {
  EditorWindow& first = firstWindow();
  first.frontWindow_ = this;
  if (!first.libraryWindow_) {
    first.libraryWindow_ = std::make_unique<LibraryWindow>(first);
    QWidget& library = *first.libraryWindow_;
    if (!RestorePlacement(library, Settings::kLibraryWindowPlacement, this) && screen())
      CentreOver(library, screen()->availableGeometry(), this);
  }
  first.libraryWindow_->showLibrary();
}

DocumentWindow* EditorWindow::frontBankWindow() {
  EditorWindow* front = firstWindow().frontWindow_;
  return front && front->document() ? front : nullptr;
}

EditorWindow& EditorWindow::openUntitledBankWindow() {
  EditorWindow& window = appendWindow();
  window.show();
  return window;
}

void EditorWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow())
    firstWindow().frontWindow_ = this;
  QMainWindow::changeEvent(event);
}

// ---------------------------------------------------------------------------------------------
// The chain and opening

EditorWindow& EditorWindow::lastWindow() {
  EditorWindow* last = this;
  while (last->nextWindow_)
    last = last->nextWindow_;
  return *last;
}

EditorWindow& EditorWindow::firstWindow() {
  EditorWindow* first = this;
  while (first->previousWindow_)
    first = first->previousWindow_;
  return *first;
}

EditorWindow& EditorWindow::appendWindow() {
  EditorWindow& last = lastWindow();
  auto made = std::make_unique<EditorWindow>();
  EditorWindow& window = *made;
  EditorWindow& first = firstWindow();
  window.actions_.showIconsOf(first.actions_);
  first.followers_.push_back(std::move(made));
  last.nextWindow_ = &window;
  window.previousWindow_ = &last;
  window.resize(last.size());
  window.move(last.pos() + QPoint(kCascadeStep, kCascadeStep));
  return window;
}

EditorWindow& EditorWindow::openFileInWindow(const QString& path, bool reuseWhenUntouched,
                                             bool alwaysNewWindow) {
  if (alwaysNewWindow || (reuseWhenUntouched && !untouched_))
    return appendWindow().openFileInWindow(path, false, false);
  fileCommands_.openHere(path);
  return *this;
}

// ---------------------------------------------------------------------------------------------
// Closing

void EditorWindow::quit() {
  firstWindow().closeWindow();
}

void EditorWindow::closeWindow() {
  if (modified_) {
    switch (fileCommands_.settleUnsavedChanges(FileCommands::kCloseQuestion)) {
      case FileCommands::Unsaved::Cancel:
        setStatus(tr("Close canceled"));
        return;
      case FileCommands::Unsaved::NotSaved:
        closeWindow();
        return;
      case FileCommands::Unsaved::Saved:
        // Also where the file holds less than the window: the user chose that file.
      case FileCommands::Unsaved::Discarded:
        setModified(false);
        break;
    }
  }
  if (previousWindow_ || !nextWindow_) {
    closeConfirmed_ = true;
    close();
    return;
  }
  closeChainFromHere();
}

void EditorWindow::closeChainFromHere() {
  // A follower closed while another one's question is open may be gone when it is answered.
  std::vector<QPointer<EditorWindow>> followers;
  for (EditorWindow* follower = nextWindow_; follower; follower = follower->nextWindow_)
    followers.emplace_back(follower);
  for (const QPointer<EditorWindow>& follower : followers)
    if (follower)
      follower->closeWindow();
  bool followerLeftModified = false;
  for (EditorWindow* follower = nextWindow_; follower; follower = follower->nextWindow_)
    followerLeftModified = followerLeftModified || follower->modified_;
  if (followerLeftModified) {
    setStatus(tr("Quit canceled."));
    return;
  }
  closeConfirmed_ = true;
  close();
}

void EditorWindow::closeEvent(QCloseEvent* event) {
  if (!closeConfirmed_)
    closeWindow();
  if (!closeConfirmed_) {
    event->ignore();
    return;
  }
  event->accept();
  if (closed_)
    return;
  closed_ = true;
  // The first window closes last: its place is the one the next run starts from.
  RememberPlacement(*this, Settings::kEditorWindowPlacement);
  if (libraryWindow_)
    RememberPlacement(*libraryWindow_, Settings::kLibraryWindowPlacement);
  EditorWindow& first = firstWindow();
  unlinkFromChain();
  sharedEditing().forgetDragFrom(*this);
  document_.reset();
  emit windowClosed();
  if (&first != this)
    first.deleteFollowerLater(*this);
}

void EditorWindow::deleteFollowerLater(EditorWindow& follower) {
  const auto owned =
      std::find_if(followers_.begin(), followers_.end(),
                   [&follower](const auto& window) { return window.get() == &follower; });
  if (owned == followers_.end())
    return;
  (new ClosedWindow(*this, std::move(*owned)))->deleteLater();
  followers_.erase(owned);
}

void EditorWindow::unlinkFromChain() {
  if (previousWindow_)
    previousWindow_->nextWindow_ = nextWindow_;
  if (nextWindow_)
    nextWindow_->previousWindow_ = previousWindow_;
  previousWindow_ = nullptr;
  nextWindow_ = nullptr;
}
