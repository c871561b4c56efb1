// The S2I reader: any bytes as an .s2i file; the item it holds afterwards is listed, read and
// copied.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "files/S2I_File.h"
#include "model/Item.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Initialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = fuzz::WriteInput(std::span(data, size));
  S2I_File file;
  const bool loaded = file.Load(path) == 0;
  Item* item = file.GetItem(S2I_File::kAnyKind);
  // A successful load always leaves an item; a failed one leaves the file as it was (empty).
  fuzz::Check(loaded == (item != nullptr), "an item is held exactly when the load succeeded");
  if (item == nullptr)
    return 0;
  file.PrintListing();
  fuzz::Check(item->DataSize() == KindInfo(item->Kind()).imageSize,
              "the loaded item has its kind's image size");
  S2I_File copy;
  copy.SetItem(*item);
  const Item* copied = copy.GetItem(static_cast<int>(item->Kind()));
  fuzz::Check(copied != nullptr && copied->Name() == item->Name() &&
                  std::equal(copied->Data().begin(), copied->Data().end(), item->Data().begin(),
                             item->Data().end()),
              "a copied item equals the loaded one");
  return 0;
}
