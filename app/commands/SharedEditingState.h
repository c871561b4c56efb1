#pragma once

#include <QPointer>
#include <cstdint>
#include <memory>

class Item;
class S2I_File;
class EditorWindow;

// What every window shares while the user edits, so that items move between documents: the
// item clipboard and the drag under way.
struct SharedEditingState {
  static constexpr std::uint8_t kDragCopy = 1;
  static constexpr std::uint8_t kDragSwap = 2;

  // The cut or copied item, an independent copy; holds nothing until the first Cut or Copy.
  std::unique_ptr<S2I_File> ItemClipboard;
  // Nothing has been cut or copied yet in this run.
  bool ClipboardEmpty = true;
  // The item whose drag is under way, the window it came from, and Copy or Swap.
  Item* DragSourceItem = nullptr;
  QPointer<EditorWindow> DragSourceWindow;
  std::uint8_t DragMode = 0;

  SharedEditingState();
  ~SharedEditingState();

  // Forgets a drag that started in `window`, whose document is going away.
  void ForgetDragFrom(const EditorWindow* window);
};

// The one state of the process.
SharedEditingState& Editing();
