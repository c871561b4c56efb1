#include "app/window/EditorActions.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMainWindow>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "app/commands/FileCommands.h"
#include "app/commands/ItemCommands.h"
#include "app/commands/MidiCommands.h"

namespace {

QString Text(const char* text) {
  return QString::fromUtf8(text);
}

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback) {
  return QIcon::fromTheme(Text(name), QApplication::style()->standardIcon(fallback));
}

QIcon FileThemeIcon(const char* name, const char* file) {
  return QIcon::fromTheme(Text(name), QIcon(Text(file)));
}

// The actions the tool bar shows with an icon, their hint (tooltip and status tip) and icon.
struct ToolIcon {
  QAction* EditorActions::*action;
  const char* hint;
  QIcon (*icon)();
};
const ToolIcon kToolIcons[] = {
    {&EditorActions::newWindow, "New",
     [] { return ThemeIcon("document-new", QStyle::SP_FileIcon); }},
    {&EditorActions::openInNewWindow, "Open",
     [] { return ThemeIcon("document-open", QStyle::SP_DialogOpenButton); }},
    {&EditorActions::save, "Save",
     [] { return ThemeIcon("document-save", QStyle::SP_DialogSaveButton); }},
    {&EditorActions::importItem, "Import from File",
     [] { return FileThemeIcon("document-import", ":/icons/import.png"); }},
    {&EditorActions::exportItem, "Export to File",
     [] { return FileThemeIcon("document-export", ":/icons/export.png"); }},
    {&EditorActions::receiveFromBuffer, "MIDI Receive From Buffer",
     [] { return ThemeIcon("go-down", QStyle::SP_ArrowDown); }},
    {&EditorActions::sendToBuffer, "MIDI Send to Buffer",
     [] { return ThemeIcon("go-up", QStyle::SP_ArrowUp); }},
};

QAction* Add(QMenu* menu, const char* name, const char* caption,
             const QKeySequence& shortcut = {}) {
  auto* action = menu->addAction(Text(caption));
  action->setObjectName(Text(name));
  action->setShortcut(shortcut);
  return action;
}

}  // namespace

EditorActions EditorActions::build(QMainWindow& window) {
  EditorActions actions{};
  actions.buildMenus(window);
  actions.buildToolBar(window);
  return actions;
}

void EditorActions::buildMenus(QMainWindow& window) {
  QMenu* fileMenu = window.menuBar()->addMenu(QStringLiteral("&File"));
  newDocument = Add(fileMenu, "New1", "&New");
  newWindow = Add(fileMenu, "NewNewWin1", "New in New &Window");
  fileMenu->addSeparator();
  open = Add(fileMenu, "Open1", "&Open...", QKeySequence(Qt::CTRL | Qt::Key_O));
  openInNewWindow =
      Add(fileMenu, "OpenNewWin1", "Open &in New Window...", QKeySequence(Qt::CTRL | Qt::Key_W));
  save = Add(fileMenu, "Save1", "&Save", QKeySequence(Qt::CTRL | Qt::Key_S));
  saveAs = Add(fileMenu, "SaveAs1", "Save &As...");
  close = Add(fileMenu, "Close1", "&Close");
  fileMenu->addSeparator();
  cloneToNewWindow = Add(fileMenu, "Clone1", "C&lone to New Window");
  merge = Add(fileMenu, "Merge1", "&Merge...", QKeySequence(Qt::CTRL | Qt::Key_M));
  exportSupportingFile = Add(fileMenu, "ExportSupportingFile1", "Export Supporting File...");
  fileMenu->addSeparator();
  quit = Add(fileMenu, "Quit1", "&Quit", QKeySequence(Qt::CTRL | Qt::Key_Q));

  QMenu* editMenu = window.menuBar()->addMenu(QStringLiteral("&Edit"));
  undo = Add(editMenu, "Undo1", "&Undo", QKeySequence(Qt::CTRL | Qt::Key_Z));
  redo = Add(editMenu, "Redo1", "&Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  editMenu->addSeparator();
  cut = Add(editMenu, "Cut1", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X));
  copy = Add(editMenu, "Copy1", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C));
  paste = Add(editMenu, "Paste1", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V));
  clear = Add(editMenu, "Clear1", "Clear", QKeySequence(Qt::Key_Delete));
  editMenu->addSeparator();
  importItem = Add(editMenu, "EditImport", "&Import...", QKeySequence(Qt::CTRL | Qt::Key_I));
  exportItem = Add(editMenu, "EditExport", "Export...", QKeySequence(Qt::CTRL | Qt::Key_E));
  exportAll = Add(editMenu, "ExportAll1", "Export All...");
  editMenu->addSeparator();
  find = Add(editMenu, "Find1", "&Find...", QKeySequence(Qt::CTRL | Qt::Key_F));
  edit = Add(editMenu, "Edit1", "Edit...");
  rename = Add(editMenu, "Rename1", "Re&name...", QKeySequence(Qt::Key_F2));
  editMenu->addSeparator();
  library = Add(editMenu, "Library1", "Library...", QKeySequence(Qt::CTRL | Qt::Key_L));
  editMenu->addSeparator();
  preferences = Add(editMenu, "Preferences1", "Pr&eferences...");
  for (QAction* disabled : {undo, redo, exportAll, edit})
    disabled->setEnabled(false);

  QMenu* midiMenu = window.menuBar()->addMenu(QStringLiteral("&Midi"));
  send = Add(midiMenu, "MidiSend", "Send");
  receive = Add(midiMenu, "MidiReceive", "Receive");
  midiMenu->addSeparator();
  sendToBuffer = Add(midiMenu, "MidiSendToBuf", "Send to Buffer",
                     QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
  receiveFromBuffer = Add(midiMenu, "MidiReceiveFromBuf", "Receive From Buffer",
                          QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R));
  midiMenu->addSeparator();
  receiveBank = Add(midiMenu, "MidiReceiveBank", "Receive Bank");
  receiveAllBanks = Add(midiMenu, "MidiReceiveAllBanks", "Receive All Banks");
  sendBank = Add(midiMenu, "MidiSendBank", "Send Bank");
  sendAllBanks = Add(midiMenu, "MidiSendAllBanks", "Send All Banks");

  QMenu* helpMenu = window.menuBar()->addMenu(QStringLiteral("&Help"));
  about = Add(helpMenu, "About1", "About...");
}

void EditorActions::buildToolBar(QMainWindow& window) const {
  for (const ToolIcon& tool : kToolIcons) {
    QAction* action = this->*tool.action;
    action->setToolTip(Text(tool.hint));
    action->setStatusTip(Text(tool.hint));
    action->setIcon(tool.icon());
  }

  QToolBar* tools = window.addToolBar(QStringLiteral("Tools"));
  tools->setObjectName(QStringLiteral("ToolBar1"));
  tools->setMovable(false);
  tools->addAction(newWindow);
  tools->addAction(openInNewWindow);
  tools->addAction(save);
  tools->addSeparator();
  tools->addAction(importItem);
  tools->addAction(exportItem);
  tools->addSeparator();
  // Receive and Send: the button runs the buffer transfer, its arrow offers both.
  const auto addDropDown = [tools](QAction* byDefault, QAction* other, const char* name) {
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
  addDropDown(receiveFromBuffer, receive, "ReceiveButton");
  addDropDown(sendToBuffer, send, "SendButton");
}

void EditorActions::showIconsOf(const EditorActions& other) const {
  for (const ToolIcon& tool : kToolIcons)
    (this->*tool.action)->setIcon((other.*tool.action)->icon());
}

void EditorActions::connectTo(QObject& context, FileCommands& file, ItemCommands& item,
                              MidiCommands& midi) const {
  const auto on = [&context](QAction* action, auto command) {
    QObject::connect(action, &QAction::triggered, &context, command);
  };
  on(newDocument, [&file] { file.newDocument(); });
  on(newWindow, [&file] { file.newWindow(); });
  on(open, [&file] { file.open(); });
  on(openInNewWindow, [&file] { file.openInNewWindow(); });
  on(save, [&file] { file.save(); });
  on(saveAs, [&file] { file.saveAs(); });
  on(cloneToNewWindow, [&file] { file.cloneToNewWindow(); });
  on(merge, [&file] { file.merge(); });
  on(exportSupportingFile, [&file] { file.exportSupportingFile(); });
  on(cut, [&item] { item.cut(); });
  on(copy, [&item] { item.copy(); });
  on(paste, [&item] { item.paste(); });
  on(clear, [&item] { item.clear(); });
  on(importItem, [&item] { item.importItem(); });
  on(exportItem, [&item] { item.exportItem(); });
  on(send, [&midi] { midi.send(); });
  on(receive, [&midi] { midi.receive(); });
  on(sendToBuffer, [&midi] { midi.sendToBuffer(); });
  on(receiveFromBuffer, [&midi] { midi.receiveFromBuffer(); });
  on(receiveBank, [&midi] { midi.receiveBank(); });
  on(receiveAllBanks, [&midi] { midi.receiveAllBanks(); });
  on(sendBank, [&midi] { midi.sendBank(); });
  on(sendAllBanks, [&midi] { midi.sendAllBanks(); });
}
