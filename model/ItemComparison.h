#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class Item;

// What differs between two programs: their head (name, category, the head's other bytes) and,
// block by block in image order, the bytes of their parameter blocks. Programs of different
// kinds are not compared.
class ItemComparison {
 public:
  struct ByteDifference {
    int offset;  // within the block (or the head)
    std::uint8_t a;
    std::uint8_t b;
  };
  struct BlockDifference {
    std::string_view name;  // the block table's name of the block
    std::vector<ByteDifference> bytes;
  };

  ItemComparison(const Item& a, const Item& b);

  // Why the two do not compare (they are of different kinds); empty when they do.
  const std::string& Refusal() const { return refusal_; }
  bool NameDiffers() const { return nameDiffers_; }
  bool CategoryDiffers() const { return categoryDiffers_; }
  // The head's bytes the name and category do not already tell of.
  const std::vector<ByteDifference>& HeadBytes() const { return headBytes_; }
  // The blocks that differ after the head, in image order.
  const std::vector<BlockDifference>& Blocks() const { return blocks_; }
  bool SameSound() const { return refusal_.empty() && blocks_.empty(); }
  bool Identical() const;

  // What the Compare window and `corvale-cli diff` show, one line each; `aPlace` and `bPlace`
  // say where each program is ("INT:017(B01)", "library:14"):
  //   A: INT:017(B01) Br:Brass Sect
  //   B: library:14 Br:Brass Sec2
  //   Name: Brass Sect -> Brass Sec2
  //   Voice Elem 2 Filter: 2 bytes differ
  //     +5: 0C 28
  //     +47: 00 7F
  // ending in "The two sounds are the same" when only the head differs, "The two programs are
  // identical" when nothing does, or the refusal.
  std::vector<std::string> Lines(std::string_view aPlace, std::string_view bPlace) const;

 private:
  // "Br:Brass Sect", the name as listings print it.
  struct Head {
    std::string name;
    std::string category;
  };

  Head a_;
  Head b_;
  std::string refusal_;
  bool nameDiffers_ = false;
  bool categoryDiffers_ = false;
  std::vector<ByteDifference> headBytes_;
  std::vector<BlockDifference> blocks_;
};
