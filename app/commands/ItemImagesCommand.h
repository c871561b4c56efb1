#pragma once

#include <QUndoCommand>
#include <cstdint>
#include <functional>
#include <vector>

class Item;

// One step of a window's history: the images some items of its document had before a change
// and after it. The items belong to the window's document, which outlives the step (the history
// starts afresh whenever the document is replaced).
class ItemImagesCommand : public QUndoCommand {
 public:
  // Keeps the images the items have now; `shown` runs after each undo and each later redo.
  ItemImagesCommand(const QString& text, const std::vector<Item*>& items,
                    std::function<void()> shown);

  // Keeps the images the items have once changed.
  void takeChangedImages();

  void undo() override;
  // The first redo is the change itself, already made: it shows nothing.
  void redo() override;

 private:
  struct Change {
    Item* item;
    std::vector<std::uint8_t> before;
    std::vector<std::uint8_t> after;
  };
  void restore(bool after);

  std::vector<Change> changes_;
  std::function<void()> shown_;
  bool done_ = false;
};
