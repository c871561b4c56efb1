#include "app/SharedEditingState.h"

#include "app/TForm1.h"
#include "files/S2I_File.h"

SharedEditingState::SharedEditingState() : ItemClipboard(std::make_unique<S2I_File>()) {}

SharedEditingState::~SharedEditingState() = default;

void SharedEditingState::ForgetDragFrom(const TForm1* window) {
  if (DragSourceWindow != window)
    return;
  DragSourceItem = nullptr;
  DragSourceWindow = nullptr;
}

SharedEditingState& Editing() {
  static SharedEditingState state;
  return state;
}
