#include "midi/sysex/SysxMemoryCore.h"

#include <algorithm>

SysxMemoryCore::Page* SysxMemoryCore::IndexedPage(SysxAddress address) const {
  return index_ ? (*index_)[address.PageNumber()] : nullptr;
}

SysxMemoryCore::Page* SysxMemoryCore::StoredPageBefore(std::size_t number) const {
  const Page* first = First();
  if (first == nullptr || number < first->Value().address.PageNumber())
    return nullptr;
  // The first page's slot lies below `number`, so the walk down ends there at the latest.
  Page* page = nullptr;
  while (page == nullptr)
    page = (*index_)[--number];
  return page;
}

SysxMemoryCore::Page* SysxMemoryCore::AddPage(SysxAddress start) {
  if (!index_)
    index_ = std::make_unique<PageIndex>();
  auto created = std::make_unique<Page>(start);
  Page* result = created.get();
  if (Page* before = StoredPageBefore(start.PageNumber()); before != nullptr) {
    InsertAfter(*before, std::move(created));
  } else {
    InsertBefore(first_, std::move(created));
  }
  (*index_)[start.PageNumber()] = result;
  return result;
}

SysxMemoryCore::Page* SysxMemoryCore::FindPage(SysxAddress address, bool create) {
  Page* found = IndexedPage(address);
  if (found != nullptr || !create)
    return found;
  return AddPage(address.PageStart());
}

const SysxMemoryCore::Page* SysxMemoryCore::FindPage(SysxAddress address) const {
  return IndexedPage(address);
}

void SysxMemoryCore::Clear() {
  for (const Page* page = First(); page != nullptr; page = page->NextNode())
    (*index_)[page->Value().address.PageNumber()] = nullptr;
  first_.reset();
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
