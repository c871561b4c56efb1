#include "midi/sysex/SysxMemoryCore.h"

#include <algorithm>

SysxMemoryCore::Page* SysxMemoryCore::LastPageUpTo(SysxAddress key) const {
  Page* page = static_cast<Page*>(first_.get());
  if (recent_ != nullptr && recent_->Value().address <= key)
    page = recent_;
  if (page == nullptr || key < page->Value().address)
    return nullptr;
  for (Page* next = page->NextNode(); next != nullptr && next->Value().address <= key;
       next = next->NextNode()) {
    page = next;
  }
  return page;
}

SysxMemoryCore::Page* SysxMemoryCore::FindPage(SysxAddress address, bool create) {
  const SysxAddress key = address.PageStart();
  Page* before = LastPageUpTo(key);
  if (before != nullptr && before->Value().address == key)
    return recent_ = before;
  if (!create)
    return nullptr;

  auto created = std::make_unique<Page>(key);
  Page* result = created.get();
  if (before != nullptr) {
    InsertAfter(*before, std::move(created));
  } else {
    InsertBefore(first_, std::move(created));
  }
  return recent_ = result;
}

const SysxMemoryCore::Page* SysxMemoryCore::FindPage(SysxAddress address) const {
  const SysxAddress key = address.PageStart();
  Page* before = LastPageUpTo(key);
  if (before == nullptr)
    return nullptr;
  recent_ = before;
  return before->Value().address == key ? before : nullptr;
}

void SysxMemoryCore::WriteBytes(SysxAddress address, std::span<const std::uint8_t> source) {
  while (!source.empty()) {
    Page* page = FindPage(address, true);
    const std::size_t room = SysxAddress::kPageSize - address.Low();
    const std::size_t count = std::min(source.size(), room);
    std::copy_n(source.begin(), count, page->Value().data.begin() + address.Low());
    for (std::size_t i = 0; i < count; ++i) {
      page->Value().arrived.set(address.Low() + i);
    }
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

bool SysxMemoryCore::Arrived(SysxAddress address, std::size_t count) const {
  while (count > 0) {
    const Page* page = FindPage(address);
    const std::size_t room = SysxAddress::kPageSize - address.Low();
    const std::size_t inPage = std::min(count, room);
    if (page == nullptr) {
      return false;
    }
    for (std::size_t i = 0; i < inPage; ++i) {
      if (!page->Value().arrived.test(address.Low() + i)) {
        return false;
      }
    }
    count -= inPage;
    address.Add(static_cast<int>(room));
  }
  return true;
}
