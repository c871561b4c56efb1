#include "app/commands/SharedEditingState.h"

#include "app/window/EditorWindow.h"
#include "files/S2I_File.h"

SharedEditingState::SharedEditingState() : ItemClipboard(std::make_unique<S2I_File>()) {}

SharedEditingState::~SharedEditingState() = default;

void SharedEditingState::ForgetDragFrom(const EditorWindow* window) {
  if (DragSourceWindow != window)
    return;
  DragSourceItem = nullptr;
  DragSourceWindow = nullptr;
}

SharedEditingState& Editing() {
  static SharedEditingState state;
  return state;
}
