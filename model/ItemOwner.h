#pragma once

#include <optional>
#include <string>

// What an item knows of the bank that holds it: the bank-select numbers that pick the bank, its
// names, and whether it holds content read from a file or received (which an item it holds
// marks). A Bank is one; the item needs no more of the bank than this.
class ItemOwner {
 public:
  ItemOwner(const ItemOwner&) = delete;
  ItemOwner& operator=(const ItemOwner&) = delete;

  int BankSelectMsb() const { return msb_; }
  int BankSelectLsb() const { return lsb_; }
  int BankSelectNumber() const { return msb_ * 128 + lsb_; }
  std::string LongName() const { return longName_.value_or("(Unnamed Bank)"); }
  std::string ShortName() const { return shortName_.value_or("???"); }

  bool HasContent() const { return hasContent_; }
  void SetHasContent(bool flag) { hasContent_ = flag; }

 protected:
  ItemOwner(int msb, int lsb, const char* longName, const char* shortName);
  ~ItemOwner() = default;

 private:
  int msb_;
  int lsb_;
  std::optional<std::string> longName_;
  std::optional<std::string> shortName_;
  bool hasContent_ = false;
};
