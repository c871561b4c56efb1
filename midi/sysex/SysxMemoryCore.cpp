#include "midi/sysex/SysxMemoryCore.h"

#include <algorithm>

SysxMemoryCore::Page* SysxMemoryCore::FindPage(SysxAddress address, bool create) {
  const SysxAddress key = address.PageStart();
  Page* passed = nullptr;
  Page* page = static_cast<Page*>(first_.get());
  if (recent_ != nullptr && recent_->Value().address <= key)
    page = recent_;
  while (page != nullptr && page->Value().address < key) {
    passed = page;
    page = page->NextNode();
  }
  if (page != nullptr && page->Value().address == key)
    return recent_ = page;
  if (!create)
    return nullptr;

  auto created = std::make_unique<Page>(key);
  Page* result = created.get();
  if (passed != nullptr) {
    InsertAfter(*passed, std::move(created));
  } else {
    InsertBefore(first_, std::move(created));
  }
  return recent_ = result;
}

const SysxMemoryCore::Page* SysxMemoryCore::FindPage(SysxAddress address) const {
  const SysxAddress key = address.PageStart();
  for (const Page* page = First(); page != nullptr; page = page->NextNode()) {
    if (page->Value().address == key)
      return page;
    if (key < page->Value().address)
      break;
  }
  return nullptr;
}

void SysxMemoryCore::WriteBytes(SysxAddress address, std::span<const std::uint8_t> source) {
  while (!source.empty()) {
    Page* page = FindPage(address, true);
    const std::size_t room = SysxAddress::kPageSize - address.Low();
    const std::size_t count = std::min(source.size(), room);
    std::copy_n(source.begin(), count, page->Value().data.begin() + address.Low());
    source = source.subspan(count);
    address.Add(static_cast<int>(room));
  }
}

void SysxMemoryCore::ReadBytes(SysxAddress address, std::span<std::uint8_t> target) const {
  while (!target.empty()) {
    const Page* page = FindPage(address);
    const std::size_t room = SysxAddress::kPageSize - address.Low();
    const std::size_t count = std::min(target.size(), room);
    if (page != nullptr) {
      std::copy_n(page->Value().data.begin() + address.Low(), count, target.begin());
    } else {
      std::fill_n(target.begin(), count, 0);
    }
    target = target.subspan(count);
    address.Add(static_cast<int>(room));
  }
}
