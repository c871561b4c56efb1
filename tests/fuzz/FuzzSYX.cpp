// The .syx reader: any bytes as System Exclusive dumps, taken in both ways a dump arrives (as
// received bytes and as a .syx file), parsed into the memory image and into item dumps, and
// read into an item of every kind.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "midi/sysex/ItemDumpList.h"
#include "midi/sysex/SYX_File.h"
#include "model/Item.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

bool SameBytes(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::Initialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);

  SYX_File received;
  fuzz::Check(received.AppendBytes(input) == 1, "the dump buffer takes the input");
  fuzz::Check(SameBytes(received.Bytes(), input), "the dump buffer holds the input");
  const SysxMemoryCore& memory = received.Memory();
  for (int kind = 0; kind < kItemKindCount; ++kind) {
    const std::unique_ptr<Item> item = CreateItem(kind);
    fuzz::Check(item->LoadFromBulk(memory) == 0, "every kind's block table fits its image");
    (void)item->Name();
    (void)item->CategoryName();
  }

  const ItemDumpList found = FindItemDumps(input);
  fuzz::Check(found.dropped == received.ParseMessages(), "both parsers drop the same messages");
  for (const FoundItemDump& dump : found.dumps) {
    fuzz::Check(dump.meaning.has_value() == (dump.item != nullptr),
                "a dump has an item exactly when its location names a kind");
    if (dump.item) {
      fuzz::Check(dump.item->Kind() == dump.meaning->kind, "the item is of the location's kind");
      (void)dump.item->Name();
      (void)dump.item->CategoryName();
    }
  }

  SYX_File file;
  fuzz::Check(file.Load(fuzz::WriteInput(input)) == 0, "the .syx file loads");
  fuzz::Check(SameBytes(file.Bytes(), input), "the .syx file's bytes are the file");
  return 0;
}
