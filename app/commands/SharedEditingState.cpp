#include "app/commands/SharedEditingState.h"

#include "files/S2I_File.h"
#include "model/Item.h"

SharedEditingState::SharedEditingState() : clipboard_(std::make_unique<S2I_File>()) {}

SharedEditingState::~SharedEditingState() = default;

const Item* SharedEditingState::clipboardItem() const {
  return clipboardEmpty_ ? nullptr : clipboard_->GetItem(S2I_File::kAnyKind);
}

void SharedEditingState::keepOnClipboard(const Item& item) {
  clipboard_->SetItem(item);
  clipboardEmpty_ = false;
  emit clipboardChanged();
}

void SharedEditingState::clearClipboard() {
  clipboard_ = std::make_unique<S2I_File>();
  clipboardEmpty_ = true;
  emit clipboardChanged();
}

void SharedEditingState::startDrag(Item* item, DocumentView& view, QObject& window, DragMode mode) {
  dragItem_ = item;
  dragView_ = &view;
  dragWindow_ = &window;
  dragMode_ = mode;
}

void SharedEditingState::forgetDragFrom(const DocumentView& view) {
  if (dragView_ != &view)
    return;
  dragItem_ = nullptr;
  dragView_ = nullptr;
  dragWindow_ = nullptr;
}

void SharedEditingState::markForComparing(const Item& item, const QString& place) {
  compared_ = CreateItem(item.Kind());
  compared_->Assign(item);
  comparedPlace_ = place;
}

std::unique_ptr<Item> SharedEditingState::takeMarkedForComparing(QString& place) {
  place = comparedPlace_;
  return std::move(compared_);
}

SharedEditingState& sharedEditing() {
  static SharedEditingState state;
  return state;
}
