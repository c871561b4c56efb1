#include "tests/app/WindowFixture.h"

#include "app/list/ListedLines.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>

#include "app/commands/ProgramMidi.h"
#include "app/commands/SharedEditingState.h"
#include "app/list/ItemListView.h"
#include "app/widgets/ElidingLabel.h"
#include "demo/DemoBank.h"
#include "files/S2I_File.h"
#include "midi/ports/MidiControl.h"
#include "model/Item.h"
#include "simulator/LoopbackPortLayer.h"
#include "simulator/SimulatedS80.h"

WindowTest::WindowTest() : dialogs_(ScriptedDialogs::Install()) {
  test::UseNoConfiguration(dir_);
  ::setenv("CORVALE_LIBRARY", LibraryPath().c_str(), 1);
  EXPECT_TRUE(test::WriteDemoFiles(dir_));
  sharedEditing().clearClipboard();
  form_ = std::make_unique<EditorWindow>();
  form_->move(100, 100);
  form_->show();
}

WindowTest::~WindowTest() {
  EXPECT_TRUE(dialogs_.paths.empty() && dialogs_.answers.empty()) << "an answer was not used";
  form_.reset();
  setUserDialogs(nullptr);
  ::unsetenv("CORVALE_LIBRARY");
}

void WindowTest::OpenDemo(EditorWindow& window) {
  window.openFileInWindow(PathOf("demo.s2a"), false, false);
  ASSERT_EQ(window.statusText(), "Open successful");
}

void WindowTest::MakeModifiedDemo(EditorWindow& window) {
  OpenDemo(window);
  Select(window, ListedLines::InstrumentTab, 3);
  window.itemCommands().clear();
}

SynthesizerWindowTest::SynthesizerWindowTest() : synthesizer_(std::make_shared<SimulatedS80>(0)) {
  DemoBank::FillDocument(synthesizerBanks_, 7);
  synthesizer_->LoadMemory(synthesizerBanks_);
  InstallMidiPortLayer(std::make_unique<LoopbackPortLayer>(synthesizer_));
  midi_ = std::make_unique<ProgramMidi>();
  ProgramMidi::control()->SetInputTimeout(test::kPatientQuietMs);
}

SynthesizerWindowTest::~SynthesizerWindowTest() {
  midi_.reset();
  InstallMidiPortLayer(nullptr);
}

std::vector<std::uint8_t> Bytes(const Item* item) {
  if (!item)
    return {};
  return {item->Data().begin(), item->Data().end()};
}

std::vector<EditorWindow*> Chain(EditorWindow& first) {
  std::vector<EditorWindow*> windows;
  for (EditorWindow* window = &first; window; window = window->nextWindow())
    windows.push_back(window);
  return windows;
}

void Select(EditorWindow& window, int tab, int line) {
  window.tabBar()->setCurrentIndex(tab);
  window.itemList()->setCurrentRow(line);
}

namespace {

QPoint PointOfLine(EditorWindow& window, int line) {
  if (line < 0)
    return {5, window.itemList()->viewport()->height() - 2};
  window.itemList()->scrollToItem(window.itemList()->item(line));
  return window.itemList()->visualItemRect(window.itemList()->item(line)).center();
}

}  // namespace

bool DragLine(EditorWindow& source, int from, Qt::KeyboardModifiers modifiers, EditorWindow& target,
              int to, const QMimeData* data) {
  source.itemList()->handleMouseDown(Qt::LeftButton, modifiers, PointOfLine(source, from));
  const std::unique_ptr<QDrag> drag(source.itemList()->makeDrag());
  const QPoint point = PointOfLine(target, to);
  data = data ? data : drag->mimeData();
  const Qt::DropAction action = modifiers ? Qt::MoveAction : Qt::CopyAction;
  QDragEnterEvent enter(point, action, data, Qt::LeftButton, modifiers);
  QDragMoveEvent move(point, action, data, Qt::LeftButton, modifiers);
  QDropEvent drop(point, action, data, Qt::LeftButton, modifiers);
  QWidget* viewport = target.itemList()->viewport();
  QCoreApplication::sendEvent(viewport, &enter);
  QCoreApplication::sendEvent(viewport, &move);
  QCoreApplication::sendEvent(viewport, &drop);
  source.itemList()->handleEndDrag();
  return enter.isAccepted() && move.isAccepted() && drop.isAccepted();
}

QAction* ActionOf(const QWidget& window, const char* name) {
  auto* action = window.findChild<QAction*>(QString::fromUtf8(name));
  EXPECT_NE(action, nullptr) << name;
  return action;
}

namespace {

// The texts of `actions` whose mnemonic is missing or taken by one before them.
QStringList WithoutOwnMnemonic(const QList<QAction*>& actions) {
  QStringList faults;
  QList<QKeySequence> taken;
  for (const QAction* action : actions) {
    if (action->isSeparator())
      continue;
    const QKeySequence mnemonic = QKeySequence::mnemonic(action->text());
    if (mnemonic.isEmpty() || taken.contains(mnemonic))
      faults << action->text();
    taken << mnemonic;
  }
  return faults;
}

}  // namespace

testing::AssertionResult EveryMenuHasItsOwnMnemonics(const QWidget& window) {
  const auto* bar = window.findChild<QMenuBar*>();
  if (!bar)
    return testing::AssertionFailure() << "no menu bar";
  QStringList faults = WithoutOwnMnemonic(bar->actions());
  for (const QAction* title : bar->actions()) {
    if (title->menu())
      faults << WithoutOwnMnemonic(title->menu()->actions());
  }
  if (faults.isEmpty())
    return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << "without a mnemonic of their own: " << faults.join(QStringLiteral(", ")).toStdString();
}

ElidingLabel* StatusLabel(const QWidget& window, const char* name) {
  auto* label = window.findChild<ElidingLabel*>(QString::fromUtf8(name));
  EXPECT_NE(label, nullptr) << name;
  return label;
}
