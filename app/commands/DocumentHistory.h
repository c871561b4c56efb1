#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class Item;
class ItemImagesCommand;
class QAction;
class QUndoStack;

// What a window has done to its document, to be undone and redone through its Undo and Redo
// actions, whose captions and tips name the step. Back at the state last opened or saved,
// nothing is unsaved.
class DocumentHistory : public QObject {
  Q_OBJECT

 public:
  // `shown` runs after each step undone or redone.
  DocumentHistory(QObject* parent, QAction& undo, QAction& redo, std::function<void()> shown);
  ~DocumentHistory() override;

  // An edit of some items as one step: start keeps their images, the caller changes them,
  // record takes the changed images and keeps the step.
  std::unique_ptr<ItemImagesCommand> start(const char* what, const std::vector<Item*>& items);
  void record(std::unique_ptr<ItemImagesCommand> edit);

  // Afresh, as the document is replaced: from the state of its file, or (when it is not the
  // content of any file) with no state that counts as saved.
  void restart(bool fileContent);
  // The document is its file's content now.
  void markSaved();
  // No state of the history is its file's content any more.
  void forgetSavedState();

 signals:
  // The document came to its file's content or left it.
  void unsavedChanged(bool unsaved);
  // A step was undone or redone: "Undo Paste", "Redo Clear".
  void stepTaken(const QString& what);

 private:
  void updateActions();

  QUndoStack* stack_;
  QAction& undo_;
  QAction& redo_;
  std::function<void()> shown_;
};
