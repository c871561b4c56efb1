#include "model/ItemComparison.h"

#include <algorithm>
#include <cstdio>
#include <span>

#include "model/CountText.h"
#include "model/Item.h"

namespace {

using ByteDifference = ItemComparison::ByteDifference;

// The bytes of [from, to) of both images that differ, with offsets counted from `origin`.
std::vector<ByteDifference> DifferingBytes(std::span<const std::uint8_t> a,
                                           std::span<const std::uint8_t> b, int origin, int from,
                                           int to) {
  std::vector<ByteDifference> differences;
  for (int offset = from; offset < to; ++offset) {
    if (a[offset] != b[offset])
      differences.push_back({offset - origin, a[offset], b[offset]});
  }
  return differences;
}

// "an Instrument program", "a Performance program".
std::string KindPhrase(const Item& item) {
  const std::string kind = KindInfo(item.Kind()).name;
  const bool vowel = std::string_view("AEIOU").find(kind.front()) != std::string_view::npos;
  return (vowel ? "an " : "a ") + kind + " program";
}

void AddBytes(std::vector<std::string>& lines, const std::string& title,
              const std::vector<ByteDifference>& bytes) {
  lines.push_back(title + ": " + CountText(bytes.size(), "byte differs", "bytes differ"));
  for (const ByteDifference& byte : bytes) {
    char line[32];
    std::snprintf(line, sizeof line, "  +%d: %02X %02X", byte.offset, byte.a, byte.b);
    lines.emplace_back(line);
  }
}

}  // namespace

ItemComparison::ItemComparison(const Item& a, const Item& b)
    : a_{a.PrintableName(), a.CategoryName()}, b_{b.PrintableName(), b.CategoryName()} {
  if (a.Kind() != b.Kind()) {
    refusal_ =
        "A is " + KindPhrase(a) + " and B " + KindPhrase(b) + ": only programs of one kind compare";
    return;
  }
  nameDiffers_ = a.Name() != b.Name();
  categoryDiffers_ = a_.category != b_.category;
  // The name and category lines already tell of their bytes; any other head byte that differs
  // (one after the name's end, a category code outside the names) is listed by itself.
  for (ByteDifference byte : DifferingBytes(a.Data(), b.Data(), 0, 0, kItemHeadSize)) {
    const bool told = (byte.offset < kItemNameLength && nameDiffers_) ||
                      (byte.offset == kItemCategoryOffset && categoryDiffers_);
    if (!told)
      headBytes_.push_back(byte);
  }
  int blockStart = 0;
  for (const ParamBlock& block : a.BlockTable()) {
    const int blockEnd = blockStart + block.size;
    std::vector<ByteDifference> bytes = DifferingBytes(
        a.Data(), b.Data(), blockStart, std::max(blockStart, kItemHeadSize), blockEnd);
    if (!bytes.empty())
      blocks_.push_back({block.name, std::move(bytes)});
    blockStart = blockEnd;
  }
}

bool ItemComparison::Identical() const {
  return SameSound() && !nameDiffers_ && !categoryDiffers_ && headBytes_.empty();
}

std::vector<std::string> ItemComparison::Lines(std::string_view aPlace,
                                               std::string_view bPlace) const {
  const auto programLine = [](const char* letter, std::string_view place, const Head& head) {
    const std::string where = place.empty() ? "" : std::string(place) + " ";
    return std::string(letter) + ": " + where + head.category + ":" + head.name;
  };
  std::vector<std::string> lines{programLine("A", aPlace, a_), programLine("B", bPlace, b_)};
  if (!refusal_.empty()) {
    lines.push_back(refusal_);
    return lines;
  }
  if (nameDiffers_)
    lines.push_back("Name: " + a_.name + " -> " + b_.name);
  if (categoryDiffers_)
    lines.push_back("Category: " + a_.category + " -> " + b_.category);
  if (!headBytes_.empty())
    AddBytes(lines, "Head", headBytes_);
  for (const BlockDifference& block : blocks_)
    AddBytes(lines, std::string(block.name), block.bytes);
  if (Identical())
    lines.emplace_back("The two programs are identical");
  else if (SameSound())
    lines.emplace_back("The two sounds are the same");
  return lines;
}
