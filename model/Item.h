#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/ItemKind.h"

class ItemOwner;
class SysxMemoryCore;

// One stored program: its kind, where it lives (owning bank and 0-based slot, or free-standing)
// and its complete parameter image in bulk-dump block order.
class Item {
 public:
  Item(const Item&) = delete;
  Item& operator=(const Item&) = delete;
  virtual ~Item();

  ItemKind Kind() const { return kind_; }
  // The bank that holds it, none for a free-standing item.
  const ItemOwner* Owner() const { return owner_; }
  int SlotIndex() const { return slotIndex_; }
  int BankSelectMsb() const;
  int BankSelectLsb() const;

  std::string Name() const;
  // The name for a listing or a message on a terminal: each byte outside printable ASCII written
  // as \xHH (a name read from a file may hold an escape sequence or a line break).
  std::string PrintableName() const;
  // A name of at most kItemNameLength printable ASCII characters (0x20-0x7E), NUL-padded: 0, or
  // -1 for any other name, which changes nothing.
  int SetName(std::string_view name);
  std::int8_t CategoryCode() const;
  std::string CategoryName() const;
  // The S80's category names by code ("--", "Pf", "Cp", ...).
  static std::span<const char* const> CategoryNames();

  int BlockCount() const;
  ParamBlockTable BlockTable() const;
  int DataSize() const;
  std::span<std::uint8_t> Data() { return image_; }
  std::span<const std::uint8_t> Data() const { return image_; }

  // Copies head and body from an item of the same kind; anything else changes nothing.
  Item& Assign(const Item* source);
  Item& Assign(const Item& source) { return Assign(&source); }
  // Back to a copy of the kind's shared default item.
  void Reset();
  // Marks the bank that holds it as holding content read from a file or received.
  void MarkLoaded();
  void EnsureDefaultLoaded() const;

  // Fills the image block by block from received bulk data: 0, or -1 when the block table does
  // not fit the image.
  int LoadFromBulk(const SysxMemoryCore& received);
  // True when every byte of at least one block of this item's kind arrived.
  bool HasBulkDataIn(const SysxMemoryCore& received) const;
  // How many of the blocks of this item's kind lack a byte in the received data.
  int MissingBulkBlockCount(const SysxMemoryCore& received) const;

 protected:
  struct BlankTag {};
  Item(ItemKind kind, int slotIndex, ItemOwner* owner);
  Item(ItemKind kind, BlankTag);  // an all-zero image; only for the shared default items

 private:
  friend class SharedDefaults;
  static std::unique_ptr<Item> CreateBlank(ItemKind kind);
  // The shared default item of the kind (see SharedDefaults), made and filled on first use.
  static const Item& SharedDefault(ItemKind kind);
  static void DropSharedDefaults();

  ItemKind kind_;
  ItemOwner* owner_;
  std::int8_t slotIndex_;
  std::vector<std::uint8_t> image_;
};

class Instrument : public Item {
 public:
  static constexpr ItemKind kKind = ItemKind::Instrument;
  explicit Instrument(BlankTag tag) : Item(kKind, tag) {}
  explicit Instrument(int slotIndex = -1, ItemOwner* owner = nullptr)
      : Item(kKind, slotIndex, owner) {}
};

class Percussion : public Item {
 public:
  static constexpr ItemKind kKind = ItemKind::Percussion;
  explicit Percussion(BlankTag tag) : Item(kKind, tag) {}
  explicit Percussion(int slotIndex = -1, ItemOwner* owner = nullptr)
      : Item(kKind, slotIndex, owner) {}
};

class Performance : public Item {
 public:
  static constexpr ItemKind kKind = ItemKind::Performance;
  explicit Performance(BlankTag tag) : Item(kKind, tag) {}
  explicit Performance(int slotIndex = -1, ItemOwner* owner = nullptr)
      : Item(kKind, slotIndex, owner) {}
};

// A new free-standing item of kind 0, 1 or 2; none for any other code.
std::unique_ptr<Item> CreateItem(int kindCode);
std::unique_ptr<Item> CreateItem(ItemKind kind);
