#include "midi/sysex/ItemDumpList.h"

#include "midi/sysex/BulkMessageScanner.h"
#include "midi/sysex/SysxMemoryCore.h"

namespace {

class DumpCollector {
 public:
  explicit DumpCollector(ItemDumpList& list) : list_(list) {}

  void Take(const BulkMessage& message) {
    const BulkDump::Location location{message.address.Mid(), message.address.Low()};
    if (message.address.High() == BulkDump::kHeaderHigh) {
      Finish(false);
      Begin(location);
    } else if (open_ && message.address.High() == BulkDump::kFooterHigh &&
               location == current_.location) {
      Finish(true);
    } else if (open_) {
      memory_.WriteBytes(message.address, message.data);
    } else {
      ++list_.outside;
    }
  }

  void Finish(bool complete) {
    if (!open_)
      return;
    current_.complete = complete;
    current_.meaning = BulkDump::DescribeLocation(current_.location);
    if (current_.meaning) {
      current_.item = CreateItem(current_.meaning->kind);
      current_.missingBlocks = current_.item->MissingBulkBlockCount(memory_);
      current_.totalBlocks = current_.item->BlockCount();
      current_.item->LoadFromBulk(memory_);
    }
    list_.dumps.push_back(std::move(current_));
    open_ = false;
  }

 private:
  void Begin(BulkDump::Location location) {
    current_ = FoundItemDump{};
    current_.location = location;
    memory_.Clear();
    open_ = true;
  }

  ItemDumpList& list_;
  FoundItemDump current_;
  SysxMemoryCore memory_;
  bool open_ = false;
};

}  // namespace

ItemDumpList FindItemDumps(std::span<const std::uint8_t> bytes) {
  ItemDumpList list;
  DumpCollector collector(list);
  list.dropped = ScanBulkMessages(bytes, [&collector](const BulkMessage& message) {
                   collector.Take(message);
                 }).dropped;
  collector.Finish(false);
  return list;
}
