#pragma once

#include <QString>
#include <memory>
#include <span>
#include <vector>

class Item;
class ItemImagesCommand;
class QWidget;
class S2A_File;
struct BankLayout;
struct ReceivedProgram;

// What the item and MIDI commands and the item list need of the window whose document they
// work on.
class DocumentView {
 public:
  virtual ~DocumentView() = default;

  // The document: none once the window has closed.
  virtual S2A_File* document() const = 0;
  // The window, as the parent of the dialogs a command shows.
  virtual QWidget* widget() = 0;

  // The item of the selected line and its bank; none when no line is selected.
  virtual Item* currentItem() const = 0;
  virtual const BankLayout* currentBank() const = 0;
  // The item a line of the list shows; none below the last line.
  virtual Item* itemAtLine(int line) const = 0;

  // The status line: the outcome of the last command, and the reason beside it.
  virtual QString statusText() const = 0;
  virtual QString statusReason() const = 0;
  virtual void setStatus(const QString& text, const QString& reason) = 0;
  void setStatus(const QString& text) { setStatus(text, QString()); }
  // A step of a command that blocks the window, shown at once.
  virtual void showStep(const QString& text) = 0;

  // An edit of the items of the document as one step of its history: startEdit keeps their
  // images, the caller changes them, record takes the changed images and keeps the step.
  virtual std::unique_ptr<ItemImagesCommand> startEdit(const char* what,
                                                       const std::vector<Item*>& items) = 0;
  virtual void record(std::unique_ptr<ItemImagesCommand> edit) = 0;
  // The document was changed by an edit that put something into it.
  virtual void markEdited() = 0;
  virtual void setModified(bool modified) = 0;
  virtual void refreshList() = 0;
  // Programs that came from the synthesizer join the library, unless the settings say no: a
  // text for the status line saying how it went, empty when nothing was done.
  virtual QString keepReceived(std::span<const ReceivedProgram> programs) = 0;
};
