#include "tests/app/WindowFixture.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QTabBar>

#include "app/commands/ProgramMidi.h"
#include "app/commands/SharedEditingState.h"
#include "app/list/ItemListView.h"
#include "demo/DemoBank.h"
#include "files/S2I_File.h"
#include "midi/ports/MidiControl.h"
#include "model/Item.h"
#include "simulator/LoopbackPortLayer.h"
#include "simulator/SimulatedS80.h"

WindowTest::WindowTest() : dialogs_(ScriptedDialogs::Install()) {
  test::UseNoConfiguration(dir_);
  EXPECT_TRUE(test::WriteDemoFiles(dir_));
  Editing().ItemClipboard = std::make_unique<S2I_File>();
  Editing().ClipboardEmpty = true;
  form_ = std::make_unique<EditorWindow>();
  form_->move(100, 100);
  form_->show();
}

WindowTest::~WindowTest() {
  EXPECT_TRUE(dialogs_.paths.empty() && dialogs_.answers.empty()) << "an answer was not used";
  form_.reset();
  SetUserDialogs(nullptr);
}

void WindowTest::OpenDemo(EditorWindow& window) {
  window.OpenFileInWindow(PathOf("demo.s2a"), false, false);
  ASSERT_EQ(window.StatusText(), "Open successful");
}

void WindowTest::MakeModifiedDemo(EditorWindow& window) {
  OpenDemo(window);
  Select(window, EditorWindow::InstrumentTab, 3);
  window.Clear1Click();
}

SynthesizerWindowTest::SynthesizerWindowTest() : synthesizer_(std::make_shared<SimulatedS80>(0)) {
  DemoBank::FillDocument(synthesizerBanks_, 7);
  synthesizer_->LoadMemory(synthesizerBanks_);
  InstallMidiPortLayer(std::make_unique<LoopbackPortLayer>(synthesizer_));
  midi_ = std::make_unique<ProgramMidi>();
  // A loaded machine can hold the simulator's thread back for longer than the built-in quiet
  // time; answered receives end at their footer, so only unanswered ones wait this longer one.
  ProgramMidi::Control()->SetInputTimeout(300);
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
  for (EditorWindow* window = &first; window; window = window->NextWindow)
    windows.push_back(window);
  return windows;
}

void Select(EditorWindow& window, int tab, int line) {
  window.TabControl1->setCurrentIndex(tab);
  window.InstLB->setCurrentRow(line);
}

namespace {

QPoint PointOfLine(EditorWindow& window, int line) {
  if (line < 0)
    return {5, window.InstLB->viewport()->height() - 2};
  window.InstLB->scrollToItem(window.InstLB->item(line));
  return window.InstLB->visualItemRect(window.InstLB->item(line)).center();
}

}  // namespace

bool DragLine(EditorWindow& source, int from, Qt::KeyboardModifiers modifiers, EditorWindow& target,
              int to, const QMimeData* data) {
  source.InstLB->HandleMouseDown(Qt::LeftButton, modifiers, PointOfLine(source, from));
  const std::unique_ptr<QDrag> drag(source.InstLB->MakeDrag());
  const QPoint point = PointOfLine(target, to);
  data = data ? data : drag->mimeData();
  const Qt::DropAction action = modifiers ? Qt::MoveAction : Qt::CopyAction;
  QDragEnterEvent enter(point, action, data, Qt::LeftButton, modifiers);
  QDragMoveEvent move(point, action, data, Qt::LeftButton, modifiers);
  QDropEvent drop(point, action, data, Qt::LeftButton, modifiers);
  QWidget* viewport = target.InstLB->viewport();
  QCoreApplication::sendEvent(viewport, &enter);
  QCoreApplication::sendEvent(viewport, &move);
  QCoreApplication::sendEvent(viewport, &drop);
  source.InstLB->HandleEndDrag();
  return enter.isAccepted() && move.isAccepted() && drop.isAccepted();
}
