#include "app/commands/ItemImagesCommand.h"

#include <algorithm>

#include "model/Item.h"

namespace {

std::vector<std::uint8_t> ImageOf(const Item& item) {
  return {item.Data().begin(), item.Data().end()};
}

}  // namespace

ItemImagesCommand::ItemImagesCommand(const QString& text, const std::vector<Item*>& items,
                                     std::function<void()> shown)
    : QUndoCommand(text), shown_(std::move(shown)) {
  for (Item* item : items)
    changes_.push_back({item, ImageOf(*item), {}});
}

void ItemImagesCommand::takeChangedImages() {
  for (Change& change : changes_)
    change.after = ImageOf(*change.item);
}

void ItemImagesCommand::undo() {
  restore(false);
}

void ItemImagesCommand::redo() {
  if (!done_) {
    done_ = true;
    return;
  }
  restore(true);
}

void ItemImagesCommand::restore(bool after) {
  for (const Change& change : changes_) {
    const std::vector<std::uint8_t>& image = after ? change.after : change.before;
    std::copy(image.begin(), image.end(), change.item->Data().begin());
  }
  if (shown_)
    shown_();
}
