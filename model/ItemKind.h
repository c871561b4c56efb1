#pragma once

#include <cstdint>
#include <optional>

#include "model/ParamBlockTable.h"

// The three kinds of stored program, by their 8-bit code in files and dumps.
enum class ItemKind : std::uint8_t { Instrument = 0, Percussion = 1, Performance = 2 };

inline constexpr int kItemKindCount = 3;

// Layout of an item's parameter image: a 13-byte head (name, two carried bytes, category)
// followed by the body.
inline constexpr int kItemHeadSize = 13;
inline constexpr int kItemNameLength = 10;
inline constexpr int kItemCategoryOffset = 12;

struct ItemKindInfo {
  const char* name;
  int imageSize;
  const char* defaultFileName;
  ParamBlockTable (*blockTable)();
};

const ItemKindInfo& KindInfo(ItemKind kind);

// The kind of an 8-bit code, or none for codes other than 0, 1 and 2.
std::optional<ItemKind> ItemKindFromCode(int code);
