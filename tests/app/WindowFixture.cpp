#include "tests/app/WindowFixture.h"

#include <QTabBar>

#include "app/ItemListBox.h"
#include "app/ProgramMidi.h"
#include "app/SharedEditingState.h"
#include "demo/DemoBank.h"
#include "files/S2I_File.h"
#include "model/Item.h"
#include "simulator/LoopbackPortLayer.h"
#include "simulator/SimulatedS80.h"

WindowTest::WindowTest() : dialogs_(ScriptedDialogs::Install()) {
  test::UseNoConfiguration(dir_);
  EXPECT_TRUE(test::WriteDemoFiles(dir_));
  Editing().ItemClipboard = std::make_unique<S2I_File>();
  Editing().ClipboardEmpty = true;
  form_ = std::make_unique<TForm1>();
  form_->move(100, 100);
  form_->show();
}

WindowTest::~WindowTest() {
  EXPECT_TRUE(dialogs_.paths.empty() && dialogs_.answers.empty()) << "an answer was not used";
  form_.reset();
  SetUserDialogs(nullptr);
}

void WindowTest::OpenDemo(TForm1& window) {
  window.OpenFileInWindow(PathOf("demo.s2a"), false, false);
  ASSERT_EQ(window.StatusText(), "Open successful");
}

void WindowTest::MakeModifiedDemo(TForm1& window) {
  OpenDemo(window);
  Select(window, TForm1::InstrumentTab, 3);
  window.Clear1Click();
}

SynthesizerWindowTest::SynthesizerWindowTest() : synthesizer_(std::make_shared<SimulatedS80>(0)) {
  DemoBank::FillDocument(synthesizerBanks_, 7);
  synthesizer_->LoadMemory(synthesizerBanks_);
  InstallMidiPortLayer(std::make_unique<LoopbackPortLayer>(synthesizer_));
  midi_ = std::make_unique<ProgramMidi>();
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

std::vector<TForm1*> Chain(TForm1& first) {
  std::vector<TForm1*> windows;
  for (TForm1* window = &first; window; window = window->NextWindow)
    windows.push_back(window);
  return windows;
}

void Select(TForm1& window, int tab, int line) {
  window.TabControl1->setCurrentIndex(tab);
  window.InstLB->setCurrentRow(line);
}
