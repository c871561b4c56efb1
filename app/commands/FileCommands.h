#pragma once

#include <QString>

class DocumentWindow;
enum class Answer;

// The File menu's commands on a window's document and file: New, Open, Save, Merge, Clone and
// the supporting file, with the question about unsaved changes before a document is replaced.
class FileCommands {
 public:
  static constexpr const char* kNewQuestion =
      "%1\nhas not been saved, do you wish to save this before\ncreating a new file?";
  static constexpr const char* kOpenQuestion =
      "%1\nhas not been saved, do you wish to save this before\nopening another file?";
  static constexpr const char* kCloseQuestion =
      "%1\nhas not been saved, do you wish to save this before\nclosing?";

  explicit FileCommands(DocumentWindow& window) : window_(window) {}

  void newDocument();
  void newWindow();
  void open();
  void openInNewWindow();
  // True when the document was written.
  bool save();
  bool saveAs();
  void cloneToNewWindow();
  void merge();
  void exportSupportingFile();

  // Loads the bank file at `path` into this window's document and says how it went.
  void openHere(const QString& path);
  // The question about unsaved changes, naming the document's file.
  Answer askUnsavedChanges(const char* questionFormat);

 private:
  // Asks whether to save before the document is replaced; true when the command may go on.
  bool saveChangesBefore(const char* questionFormat);
  QString askOpenPath(const QString& title);
  // The open dialog in the remembered folder, whose folder is then remembered; empty when the
  // user cancelled.
  QString chooseFileToOpen(const QString& title);
  // Saves the document by the path's extension; on success it is the document's file.
  bool saveDocumentTo(const QString& path);
  // A dump file about to be replaced that holds what no document keeps (dumps to an edit buffer,
  // other messages, a .mid's notes) asks first; true to go on.
  bool confirmReplacingDump(const QString& path);
  bool confirmLeavingOut(const QString& path, int changedPrograms, const char* heldBanks,
                         const char* otherBanks);

  DocumentWindow& window_;
  // The open dialog's starting folder, kept between its uses as a dialog keeps it.
  QString openDialogFolder_;
};
