#include "app/window/EditorActions.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMainWindow>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "app/commands/Audition.h"
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
    {&EditorActions::newWindow, QT_TRANSLATE_NOOP("EditorActions", "New"),
     [] { return ThemeIcon("document-new", QStyle::SP_FileIcon); }},
    {&EditorActions::openInNewWindow, QT_TRANSLATE_NOOP("EditorActions", "Open"),
     [] { return ThemeIcon("document-open", QStyle::SP_DialogOpenButton); }},
    {&EditorActions::save, QT_TRANSLATE_NOOP("EditorActions", "Save"),
     [] { return ThemeIcon("document-save", QStyle::SP_DialogSaveButton); }},
    {&EditorActions::importItem, QT_TRANSLATE_NOOP("EditorActions", "Import from File"),
     [] { return FileThemeIcon("document-import", ":/icons/import.png"); }},
    {&EditorActions::exportItem, QT_TRANSLATE_NOOP("EditorActions", "Export to File"),
     [] { return FileThemeIcon("document-export", ":/icons/export.png"); }},
    {&EditorActions::receiveFromBuffer,
     QT_TRANSLATE_NOOP("EditorActions", "MIDI Receive From Buffer"),
     [] { return ThemeIcon("go-down", QStyle::SP_ArrowDown); }},
    {&EditorActions::sendToBuffer, QT_TRANSLATE_NOOP("EditorActions", "MIDI Send to Buffer"),
     [] { return ThemeIcon("go-up", QStyle::SP_ArrowUp); }},
};

QAction* Add(QMenu* menu, const char* name, const QString& caption,
             const QKeySequence& shortcut = {}) {
  auto* action = menu->addAction(caption);
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
  QMenu* fileMenu = window.menuBar()->addMenu(tr("&File"));
  newDocument = Add(fileMenu, "New1", tr("&New"), QKeySequence(Qt::CTRL | Qt::Key_N));
  newWindow = Add(fileMenu, "NewNewWin1", tr("New in New &Window"));
  fileMenu->addSeparator();
  open = Add(fileMenu, "Open1", tr("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O));
  openInNewWindow = Add(fileMenu, "OpenNewWin1", tr("Open &in New Window..."),
                        QKeySequence(Qt::CTRL | Qt::Key_W));
  save = Add(fileMenu, "Save1", tr("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
  saveAs = Add(fileMenu, "SaveAs1", tr("Save &As..."));
  close = Add(fileMenu, "Close1", tr("&Close"));
  fileMenu->addSeparator();
  cloneToNewWindow = Add(fileMenu, "Clone1", tr("C&lone to New Window"));
  merge = Add(fileMenu, "Merge1", tr("&Merge..."), QKeySequence(Qt::CTRL | Qt::Key_M));
  exportSupportingFile = Add(fileMenu, "ExportSupportingFile1", tr("&Export Supporting File..."));
  fileMenu->addSeparator();
  quit = Add(fileMenu, "Quit1", tr("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q));

  QMenu* editMenu = window.menuBar()->addMenu(tr("&Edit"));
  undo = Add(editMenu, "Undo1", tr("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z));
  redo = Add(editMenu, "Redo1", tr("&Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  editMenu->addSeparator();
  cut = Add(editMenu, "Cut1", tr("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X));
  copy = Add(editMenu, "Copy1", tr("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
  paste = Add(editMenu, "Paste1", tr("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V));
  clear = Add(editMenu, "Clear1", tr("Cle&ar"), QKeySequence(Qt::Key_Delete));
  editMenu->addSeparator();
  importItem = Add(editMenu, "EditImport", tr("&Import..."), QKeySequence(Qt::CTRL | Qt::Key_I));
  exportItem = Add(editMenu, "EditExport", tr("E&xport..."), QKeySequence(Qt::CTRL | Qt::Key_E));
  exportAll = Add(editMenu, "ExportAll1", tr("Exp&ort All..."));
  editMenu->addSeparator();
  find = Add(editMenu, "Find1", tr("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F));
  edit = Add(editMenu, "Edit1", tr("E&dit..."));
  rename = Add(editMenu, "Rename1", tr("Re&name..."), QKeySequence(Qt::Key_F2));
  compareWith = Add(editMenu, "CompareWith1", tr("Compare &With..."));
  editMenu->addSeparator();
  library = Add(editMenu, "Library1", tr("&Library..."), QKeySequence(Qt::CTRL | Qt::Key_L));
  editMenu->addSeparator();
  preferences = Add(editMenu, "Preferences1", tr("Pr&eferences..."));
  for (QAction* disabled : {undo, redo, exportAll, edit})
    disabled->setEnabled(false);
  // Kept in their places, but never enabled: they say why.
  edit->setToolTip(tr("Not in this version: a program's sound is edited on the synthesizer"));
  exportAll->setToolTip(tr(
      "Not in this version: File > Export Supporting File writes every program as .syx or .mid"));
  editMenu->setToolTipsVisible(true);

  QMenu* midiMenu = window.menuBar()->addMenu(tr("&Midi"));
  send = Add(midiMenu, "MidiSend", tr("&Send"));
  receive = Add(midiMenu, "MidiReceive", tr("&Receive"));
  midiMenu->addSeparator();
  sendToBuffer = Add(midiMenu, "MidiSendToBuf", tr("Send &to Buffer"),
                     QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
  receiveFromBuffer = Add(midiMenu, "MidiReceiveFromBuf", tr("Receive &From Buffer"),
                          QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R));
  midiMenu->addSeparator();
  receiveBank = Add(midiMenu, "MidiReceiveBank", tr("Receive &Bank"));
  receiveAllBanks = Add(midiMenu, "MidiReceiveAllBanks", tr("Receive A&ll Banks"));
  sendBank = Add(midiMenu, "MidiSendBank", tr("Send Ban&k"));
  sendAllBanks = Add(midiMenu, "MidiSendAllBanks", tr("Send All Ba&nks"));
  midiMenu->addSeparator();
  audition = sharedAudition().makeAction(window);
  midiMenu->addAction(audition);

  QMenu* helpMenu = window.menuBar()->addMenu(tr("&Help"));
  about = Add(helpMenu, "About1", tr("&About..."));
}

void EditorActions::buildToolBar(QMainWindow& window) const {
  for (const ToolIcon& tool : kToolIcons) {
    QAction* action = this->*tool.action;
    action->setToolTip(tr(tool.hint));
    action->setStatusTip(tr(tool.hint));
    action->setIcon(tool.icon());
  }

  QToolBar* tools = window.addToolBar(tr("Tools"));
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
  tools->addAction(audition);
}

void EditorActions::showIconsOf(const EditorActions& other) const {
  for (const ToolIcon& tool : kToolIcons)
    (this->*tool.action)->setIcon((other.*tool.action)->icon());
  audition->setIcon(other.audition->icon());
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
  on(compareWith, [&item] { item.compareWith(); });
  on(send, [&midi] { midi.send(); });
  on(receive, [&midi] { midi.receive(); });
  on(sendToBuffer, [&midi] { midi.sendToBuffer(); });
  on(receiveFromBuffer, [&midi] { midi.receiveFromBuffer(); });
  on(receiveBank, [&midi] { midi.receiveBank(); });
  on(receiveAllBanks, [&midi] { midi.receiveAllBanks(); });
  on(sendBank, [&midi] { midi.sendBank(); });
  on(sendAllBanks, [&midi] { midi.sendAllBanks(); });
}
