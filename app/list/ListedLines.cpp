#include "app/list/ListedLines.h"

#include <algorithm>
#include <functional>

#include "model/BankLayouts.h"
#include "model/Item.h"
#include "model/S2A_File.h"

namespace {

// The banks a tab lists, internal before external.
std::vector<const BankLayout*> BanksOfTab(int tab) {
  std::vector<const BankLayout*> banks;
  for (const BankLayout& layout : kBankLayouts) {
    if (static_cast<int>(layout.kind) == tab)
      banks.push_back(&layout);
  }
  return banks;
}

// Visits the items of a tab's banks in the order of the list, with their bank and position.
void ForEachItemOfTab(S2A_File& document, int tab,
                      const std::function<void(const BankLayout&, int, const Item&)>& visit) {
  for (const BankLayout* layout : BanksOfTab(tab)) {
    int position = 0;
    layout->bankIn(document).ForEachItem(
        [&](const Item& item) { visit(*layout, position++, item); });
  }
}

bool PassesFilter(const Item& item, const QString& filter) {
  return filter.isEmpty() ||
         QString::fromStdString(item.Name()).contains(filter, Qt::CaseInsensitive) ||
         QString::fromStdString(item.CategoryName()).contains(filter, Qt::CaseInsensitive);
}

QString ListLine(const BankLayout& layout, int position, const Item& item) {
  return QString::fromStdString(SlotPlace(layout, position) + "  " + item.CategoryName() + ":" +
                                item.Name());
}

}  // namespace

QStringList ListedLines::collect(S2A_File* document, int tab, const QString& filter) {
  places_.clear();
  tab_ = tab;
  QStringList lines;
  if (!document)
    return lines;
  ForEachItemOfTab(*document, tab, [&](const BankLayout& layout, int position, const Item& item) {
    if (!PassesFilter(item, filter))
      return;
    places_.push_back({&layout, position});
    lines << ListLine(layout, position, item);
  });
  return lines;
}

std::vector<const Item*> ListedLines::itemsOfTab(S2A_File& document, int tab,
                                                 const QString& filter) {
  std::vector<const Item*> items;
  ForEachItemOfTab(document, tab, [&](const BankLayout&, int, const Item& item) {
    if (PassesFilter(item, filter))
      items.push_back(&item);
  });
  return items;
}

const BankLayout* ListedLines::bankOfLine(S2A_File* document, int line, int* position) const {
  if (!document || line < 0 || line >= static_cast<int>(places_.size()))
    return nullptr;
  const Place& place = places_[line];
  // Asking a bank beyond its end would grow it.
  if (place.position >= place.layout->bankIn(*document).Count())
    return nullptr;
  if (position)
    *position = place.position;
  return place.layout;
}

Item* ListedLines::itemAtLine(S2A_File* document, int line) const {
  int position = 0;
  const BankLayout* layout = bankOfLine(document, line, &position);
  return layout ? layout->bankIn(*document).ItemAt(position) : nullptr;
}

int ListedLines::lineOf(const BankLayout* layout, int position) const {
  const auto found = std::find(places_.begin(), places_.end(), Place{layout, position});
  return found == places_.end() ? -1 : static_cast<int>(found - places_.begin());
}
