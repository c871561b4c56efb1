#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <vector>

#include "app/window/EditorWindow.h"
#include "model/S2A_File.h"
#include "tests/app/ScriptedDialogs.h"
#include "tests/support/TestSupport.h"

class ElidingLabel;
class Item;
class QAction;
class QMimeData;
class ProgramMidi;
class SimulatedS80;

// The title as the desktop shows it: "*" for the unsaved-changes mark where there are any.
inline QString ShownTitle(const QWidget& window) {
  QString title = window.windowTitle();
  return title.replace(QStringLiteral("[*]"),
                       window.isWindowModified() ? QStringLiteral("*") : QString());
}

// Whether the window's title names `path` ("Corvale - <path>", the folder perhaps shortened,
// the file's own name whole), with its unsaved-changes mark.
inline testing::AssertionResult TitleNames(const QWidget& window, const QString& path) {
  const QString title = ShownTitle(window);
  const QString name = path.section(u'/', -1);
  if (window.windowFilePath() == path && title.startsWith(QStringLiteral("Corvale - ")) &&
      title.endsWith(u'/' + name + (window.isWindowModified() ? QStringLiteral("*") : QString())))
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << "title \"" << title.toStdString() << "\", file path \""
                                     << window.windowFilePath().toStdString() << "\"";
}

// A shown first window at (100, 100); the example files in a fresh folder with fresh settings
// and a library of the folder's own (none at first: what a test receives or adds never meets
// another test's, also where every test runs in one process); an empty clipboard; scripted
// dialogs whose queued answers must all be used.
class WindowTest : public testing::Test {
 protected:
  WindowTest();
  ~WindowTest() override;

  std::string LibraryPath() const { return dir_.File("library.sqlite"); }

  QString PathOf(const char* name) const { return QString::fromStdString(dir_.File(name)); }
  // Opens demo.s2a into the window as a command-line name does.
  void OpenDemo(EditorWindow& window);
  // demo.s2a opened, and its fourth instrument cleared.
  void MakeModifiedDemo(EditorWindow& window);

  test::TempDir dir_;
  ScriptedDialogs& dialogs_;
  std::unique_ptr<EditorWindow> form_;
};

// A WindowTest with a simulated synthesizer on the program's ports; its memory holds example
// banks other than demo.s2a.
class SynthesizerWindowTest : public WindowTest {
 protected:
  SynthesizerWindowTest();
  ~SynthesizerWindowTest() override;

  S2A_File synthesizerBanks_;
  std::shared_ptr<SimulatedS80> synthesizer_;
  std::unique_ptr<ProgramMidi> midi_;
};

std::vector<std::uint8_t> Bytes(const Item* item);
std::vector<EditorWindow*> Chain(EditorWindow& first);
// Chooses a tab and a line (-1: none) as the user does.
void Select(EditorWindow& window, int tab, int line);
// Presses on a line of `source`, then sends the drag's enter, move and drop events over a line
// of `target` (-1: below the last) with the source's drag data, or `data`; true when the target
// took the drop.
bool DragLine(EditorWindow& source, int from, Qt::KeyboardModifiers modifiers, EditorWindow& target,
              int to, const QMimeData* data = nullptr);

// A window's command, as the tests' tables name them.
using WindowCommand = void (*)(EditorWindow&);
namespace command {
inline void newDocument(EditorWindow& w) {
  w.fileCommands().newDocument();
}
inline void open(EditorWindow& w) {
  w.fileCommands().open();
}
inline void openInNewWindow(EditorWindow& w) {
  w.fileCommands().openInNewWindow();
}
inline void save(EditorWindow& w) {
  w.fileCommands().save();
}
inline void saveAs(EditorWindow& w) {
  w.fileCommands().saveAs();
}
inline void merge(EditorWindow& w) {
  w.fileCommands().merge();
}
inline void exportSupportingFile(EditorWindow& w) {
  w.fileCommands().exportSupportingFile();
}
inline void close(EditorWindow& w) {
  w.closeWindow();
}
inline void cut(EditorWindow& w) {
  w.itemCommands().cut();
}
inline void copy(EditorWindow& w) {
  w.itemCommands().copy();
}
inline void paste(EditorWindow& w) {
  w.itemCommands().paste();
}
inline void clear(EditorWindow& w) {
  w.itemCommands().clear();
}
inline void importItem(EditorWindow& w) {
  w.itemCommands().importItem();
}
inline void exportItem(EditorWindow& w) {
  w.itemCommands().exportItem();
}
}  // namespace command

// An action of a window by its objectName ("Undo1", "MidiSendToBuf", ...).
QAction* ActionOf(const QWidget& window, const char* name);
// Whether every menu of the window's menu bar, and every item of each, has a mnemonic (&) that
// no other menu of the bar, or item of its menu, has.
testing::AssertionResult EveryMenuHasItsOwnMnemonics(const QWidget& window);
// A label of a window's status bar: "StatusMessage" or "StatusReason".
ElidingLabel* StatusLabel(const QWidget& window, const char* name);

inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
