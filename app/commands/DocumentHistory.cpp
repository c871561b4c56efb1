#include "app/commands/DocumentHistory.h"

#include <QAction>
#include <QUndoStack>
#include <utility>

#include "app/commands/CommandTexts.h"
#include "app/commands/ItemImagesCommand.h"

DocumentHistory::DocumentHistory(QObject* parent, QAction& undo, QAction& redo,
                                 std::function<void()> shown)
    : QObject(parent),
      stack_(new QUndoStack(this)),
      undo_(undo),
      redo_(redo),
      shown_(std::move(shown)) {
  connect(&undo_, &QAction::triggered, this, [this] {
    const QString step = stack_->undoText();
    stack_->undo();
    emit stepTaken(tr("Undo %1").arg(step));
  });
  connect(&redo_, &QAction::triggered, this, [this] {
    const QString step = stack_->redoText();
    stack_->redo();
    emit stepTaken(tr("Redo %1").arg(step));
  });
  connect(stack_, &QUndoStack::indexChanged, this, [this] {
    emit unsavedChanged(!stack_->isClean());
    updateActions();
  });
  connect(stack_, &QUndoStack::cleanChanged, this,
          [this](bool clean) { emit unsavedChanged(!clean); });
}

DocumentHistory::~DocumentHistory() {
  // The stack empties itself as it goes, after the window that shows the steps is gone.
  stack_->disconnect(this);
}

std::unique_ptr<ItemImagesCommand> DocumentHistory::start(const char* what,
                                                          const std::vector<Item*>& items) {
  return std::make_unique<ItemImagesCommand>(StepText(what), items, shown_);
}

void DocumentHistory::record(std::unique_ptr<ItemImagesCommand> edit) {
  edit->takeChangedImages();
  stack_->push(edit.release());
}

void DocumentHistory::restart(bool fileContent) {
  stack_->clear();
  if (!fileContent)
    stack_->resetClean();
  updateActions();
}

void DocumentHistory::markSaved() {
  stack_->setClean();
}

void DocumentHistory::forgetSavedState() {
  stack_->resetClean();
}

void DocumentHistory::updateActions() {
  const auto show = [](QAction& action, bool can, const QString& hint) {
    action.setEnabled(can);
    action.setToolTip(hint);
    action.setStatusTip(hint);
  };
  show(undo_, stack_->canUndo(), tr("Undo %1").arg(stack_->undoText()));
  show(redo_, stack_->canRedo(), tr("Redo %1").arg(stack_->redoText()));
}
