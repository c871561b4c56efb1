#pragma once

#include <QCoreApplication>
#include <QString>

class DocumentWindow;

// The File menu's commands on a window's document and file: New, Open, Save, Merge, Clone and
// the supporting file, with the question about unsaved changes before a document is replaced.
class FileCommands {
  Q_DECLARE_TR_FUNCTIONS(FileCommands)

 public:
  // How the question about unsaved changes ends, by what would replace the document.
  static constexpr const char* kNewQuestion = QT_TR_NOOP("creating a new file?");
  static constexpr const char* kOpenQuestion = QT_TR_NOOP("opening another file?");
  static constexpr const char* kCloseQuestion = QT_TR_NOOP("closing?");

  // What became of a document's unsaved changes once asked about them.
  enum class Unsaved {
    Cancel,     // the user stopped the command
    Saved,      // a save wrote the file
    NotSaved,   // Yes, but the save did not happen
    Discarded,  // No: the changes are given up
  };

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
  // Asks about the unsaved changes, naming the document's file, and saves on Yes. Where the
  // file's format cannot hold the whole document, the question says so and its Yes is Save As.
  Unsaved settleUnsavedChanges(const char* questionEnding);

 private:
  // Asks whether to save before the document is replaced; true when the command may go on.
  bool saveChangesBefore(const char* questionEnding);
  QString askOpenPath(const QString& title);
  // The open dialog in the remembered folder, whose folder is then remembered; empty when the
  // user canceled.
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
