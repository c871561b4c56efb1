#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "model/DLList.h"
#include "model/Item.h"
#include "model/ItemOwner.h"

// One memory area of the synthesizer: a list of items of one kind with the bank-select numbers
// that pick it, filled to its capacity when built and addressed by 0-based slot index.
class Bank : public ItemOwner {
 public:
  using Node = DLLInstList<Item>;

  Bank(const Bank&) = delete;
  Bank& operator=(const Bank&) = delete;
  virtual ~Bank();

  virtual int Count() const { return count_; }
  virtual Item* Append();
  virtual void AssignFrom(const Bank& source);
  virtual void ResetAll();
  virtual Item* Current() const;
  virtual Item* First();
  virtual Item* Next();
  virtual Item* Previous();
  virtual Item* ItemAt(int index);

  // "A01" ... "H16" for 0 <= index <= 127, "???" otherwise.
  static std::string SlotLabel(int index);
  // The index a slot label names (the letter in either case), or -1 for any other text.
  static int SlotIndexOfLabel(std::string_view label);

  // Visits every item in slot order without moving the cursor.
  void ForEachItem(const std::function<void(Item&)>& visit);
  void ForEachItem(const std::function<void(const Item&)>& visit) const;
  const Node* FirstNode() const { return static_cast<const Node*>(first_.get()); }

 protected:
  Bank(int msb, int lsb, const char* longName, const char* shortName);
  // Builds the items of slots 0 ... capacity - 1; called by the typed banks once they exist.
  void Fill(int capacity);
  virtual std::unique_ptr<Node> CreateNode() = 0;

 private:
  Node* FirstLink() const { return static_cast<Node*>(first_.get()); }
  void Truncate(int newCount);

  int count_ = 0;
  std::unique_ptr<DLListCore> first_;
  Node* cursor_ = nullptr;
};

// A bank that creates and returns items of one kind.
template <class T>
class TypedBank : public Bank {
 public:
  TypedBank(int msb, int lsb, const char* longName, const char* shortName, int capacity)
      : Bank(msb, lsb, longName, shortName) {
    Fill(capacity);
  }

  T* Append() override { return static_cast<T*>(Bank::Append()); }
  T* Current() const override { return static_cast<T*>(Bank::Current()); }
  T* First() override { return static_cast<T*>(Bank::First()); }
  T* Next() override { return static_cast<T*>(Bank::Next()); }
  T* Previous() override { return static_cast<T*>(Bank::Previous()); }
  T* ItemAt(int index) override { return static_cast<T*>(Bank::ItemAt(index)); }
  using Bank::AssignFrom;
  void AssignFrom(const TypedBank<T>& source) { Bank::AssignFrom(source); }

 protected:
  std::unique_ptr<Node> CreateNode() override {
    return std::make_unique<Node>(std::make_unique<T>(Count(), this));
  }
};
