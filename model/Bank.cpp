#include "model/Bank.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {
constexpr int kSlotGroups = 8;  // A ... H
constexpr int kSlotsPerGroup = 16;
constexpr int kLabelledSlots = kSlotGroups * kSlotsPerGroup;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
}  // namespace

Bank::Bank(int msb, int lsb, const char* longName, const char* shortName)
    : ItemOwner(msb, lsb, longName, shortName) {}

Bank::~Bank() = default;

void Bank::Fill(int capacity) {
  if (capacity > 0)
    ItemAt(capacity - 1);
}

Item* Bank::Append() {
  std::unique_ptr<Node> node = CreateNode();
  Node* added = node.get();
  if (first_) {
    InsertAfter(*LastNode(first_.get()), std::move(node));
  } else {
    first_ = std::move(node);
  }
  ++count_;
  cursor_ = added;
  return added->Element();
}

Item* Bank::ItemAt(int index) {
  if (index >= count_) {
    if (!first_) {
      first_ = CreateNode();
      ++count_;
    }
    cursor_ = static_cast<Node*>(LastNode(first_.get()));
    while (index >= count_) {
      std::unique_ptr<Node> node = CreateNode();
      Node* added = node.get();
      InsertAfter(*cursor_, std::move(node));
      cursor_ = added;
      ++count_;
    }
  } else {
    Node* node = FirstLink();
    for (int step = 0; step < index && node != nullptr; ++step)
      node = node->NextNode();
    cursor_ = node;
  }
  return cursor_ ? cursor_->Element() : nullptr;
}

Item* Bank::Current() const {
  return cursor_ ? cursor_->Element() : nullptr;
}

Item* Bank::First() {
  cursor_ = FirstLink();
  return Current();
}

Item* Bank::Next() {
  if (cursor_)
    cursor_ = cursor_->NextNode();
  return Current();
}

Item* Bank::Previous() {
  if (cursor_)
    cursor_ = cursor_->PreviousNode();
  return Current();
}

void Bank::Truncate(int newCount) {
  if (newCount <= 0) {
    first_.reset();
  } else {
    Node* last = FirstLink();
    for (int step = 1; step < newCount; ++step)
      last = last->NextNode();
    last->DetachNext();
  }
  count_ = std::max(newCount, 0);
}

void Bank::AssignFrom(const Bank& source) {
  const int sourceCount = source.count_;
  if (sourceCount < count_) {
    Truncate(sourceCount);
  } else if (sourceCount > count_) {
    ItemAt(sourceCount - 1);
  }
  const Node* from = source.FirstNode();
  for (Node* to = FirstLink(); to != nullptr && from != nullptr;
       to = to->NextNode(), from = from->NextNode()) {
    to->Element()->Assign(from->Element());
  }
  cursor_ = FirstLink();
  SetHasContent(source.HasContent());
}

void Bank::ResetAll() {
  ForEachItem([](Item& item) { item.Reset(); });
  SetHasContent(false);
}

std::string Bank::SlotLabel(int index) {
  if (index < 0 || index >= kLabelledSlots)
    return "???";
  char label[8];
  std::snprintf(label, sizeof label, "%c%02d", 'A' + index / kSlotsPerGroup,
                index % kSlotsPerGroup + 1);
  return label;
}

int Bank::SlotIndexOfLabel(std::string_view label) {
  if (label.size() != 3 || !IsDigit(label[1]) || !IsDigit(label[2]))
    return -1;
  const int group = std::toupper(static_cast<unsigned char>(label[0])) - 'A';
  const int place = (label[1] - '0') * 10 + (label[2] - '0');
  if (group < 0 || group >= kSlotGroups || place < 1 || place > kSlotsPerGroup)
    return -1;
  return group * kSlotsPerGroup + place - 1;
}

void Bank::ForEachItem(const std::function<void(Item&)>& visit) {
  for (Node* node = FirstLink(); node != nullptr; node = node->NextNode())
    visit(*node->Element());
}

void Bank::ForEachItem(const std::function<void(const Item&)>& visit) const {
  for (const Node* node = FirstNode(); node != nullptr; node = node->NextNode()) {
    visit(*node->Element());
  }
}
