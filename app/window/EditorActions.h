#pragma once

#include <QCoreApplication>

class FileCommands;
class ItemCommands;
class MidiCommands;
class QAction;
class QMainWindow;
class QObject;

// The commands of a document window as its menus and tool bar offer them. Each action's
// objectName is the name its menu item has always had ("New1", "MidiSendToBuf", ...).
struct EditorActions {
  // File
  QAction* newDocument;
  QAction* newWindow;
  QAction* open;
  QAction* openInNewWindow;
  QAction* save;
  QAction* saveAs;
  QAction* close;
  QAction* cloneToNewWindow;
  QAction* merge;
  QAction* exportSupportingFile;
  QAction* quit;
  // Edit
  QAction* undo;
  QAction* redo;
  QAction* cut;
  QAction* copy;
  QAction* paste;
  QAction* clear;
  QAction* importItem;
  QAction* exportItem;
  QAction* exportAll;
  QAction* find;
  QAction* edit;
  QAction* rename;
  QAction* compareWith;
  QAction* library;
  QAction* preferences;
  // Midi
  QAction* send;
  QAction* receive;
  QAction* sendToBuffer;
  QAction* receiveFromBuffer;
  QAction* receiveBank;
  QAction* receiveAllBanks;
  QAction* sendBank;
  QAction* sendAllBanks;
  QAction* audition;  // checkable, one state for every window
  // Help
  QAction* about;

  // Builds the menu bar and the tool bar of `window`, which owns the actions.
  static EditorActions build(QMainWindow& window);
  // The tool bar's icons of `other`, the same icons: Qt keeps the pixmaps of each icon in its
  // cache (up to a limit), so that windows with icons of their own would fill it.
  void showIconsOf(const EditorActions& other) const;
  // Runs the commands of the menus when their actions are triggered, while `context` lives.
  void connectTo(QObject& context, FileCommands& file, ItemCommands& item,
                 MidiCommands& midi) const;

 private:
  void buildMenus(QMainWindow& window);
  void buildToolBar(QMainWindow& window) const;

  Q_DECLARE_TR_FUNCTIONS(EditorActions)
};
