#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/ItemKind.h"

// What the library stores and shows, as plain values.

// A program as the synthesizer receives it: its kind and its image, every byte seven bits.
struct ProgramImage {
  ItemKind kind = ItemKind::Instrument;
  std::vector<std::uint8_t> image;
  // Why the stored row cannot be a program (an unknown kind, an image of another length);
  // empty for a sound row.
  std::string damage;
};

// Where a program was seen: a file (with the bank word such as "int-inst" and the 0-based slot
// when it came from one), or received from the S80.
struct ProgramPlace {
  enum class Origin { File = 0, Received = 1 };
  Origin origin = Origin::File;
  std::string path;  // empty when received
  std::string bank;  // empty outside a bank (an .s2i file, an edit-buffer dump)
  int slot = -1;
  std::string seenAt;  // UTC, "2026-12-09T06:50:00Z"
};

struct ProgramRow {
  std::int64_t id = 0;
  ItemKind kind = ItemKind::Instrument;
  std::string name;  // printable: bytes outside ASCII as \xHH
  std::string category;
  std::string addedAt;
};

// A program as a list of them shows it: its row; its position in the collection listed (0 in a
// list of no collection); how many places it was seen in and the first of them (none when only a
// collection holds it); and the other programs of the same sound, by number.
struct ListedProgram {
  ProgramRow program;
  std::int64_t position = 0;
  std::int64_t placeCount = 0;
  std::optional<ProgramPlace> firstPlace;
  std::vector<std::int64_t> sameSound;
  bool favourite = false;
  std::vector<std::string> tags;  // by name
  // The first place as one text that sorts by file, bank and slot (empty without a place).
  std::string placeKey;
};

struct CollectionRow {
  enum class Kind { Folder = 0, BankFile = 1 };
  std::int64_t id = 0;
  std::int64_t parentId = 0;  // 0 for a collection at the top
  Kind kind = Kind::Folder;
  std::string name;
  std::string path;
  std::int64_t entryCount = 0;
};

// One program of a collection, in collection order; a bank file's entries carry their slot.
struct CollectionEntry {
  CollectionEntry() = default;
  CollectionEntry(std::int64_t program, std::string bankWord, int slotIndex, bool byDrop = false)
      : programId(program), bank(std::move(bankWord)), slot(slotIndex), dropped(byDrop) {}

  std::int64_t programId = 0;
  std::string bank;
  int slot = -1;
  // Put there by a drop rather than by its file or folder: it stays when they are added again.
  bool dropped = false;
  // Why the stored row names no place (a bank word or slot outside the banks); empty for a
  // sound row.
  std::string damage;
};

// Which programs a view shows, and in what order.
struct ProgramFilter {
  enum class Sort { Name, Category, Kind, Added, Position, Favourite, Places, Place, Tags };
  // Words that must each occur, in any letter case, in the name, the category name or the kind
  // ("perf" finds performances); among them "fav:" keeps the favourites only and "tag:pads"
  // the programs tagged "pads" (in any letter case).
  std::string text;
  std::optional<ItemKind> kind;
  // The category's two letters ("Pf"), as the programs' own.
  std::optional<std::string> category;
  bool favouritesOnly = false;
  // Tags the programs must each have.
  std::vector<std::string> tags;
  // Only the programs of this collection; Sort::Position then keeps the collection's order.
  std::optional<std::int64_t> collection;
  Sort sort = Sort::Name;
  bool descending = false;
};

// Which rows of a filter's order a view reads: `limit` rows starting `skip` rows on from the row
// `from` (itself counted: a skip of 0 starts with it), or, `backward`, ending `skip` rows back
// from it; with no row, from the first row (backward: the last). The rows come in the filter's
// order. Reading on from a row costs the rows skipped, not the rows before it (for an order that
// no index keeps, a pass over the filter's rows as well).
struct ProgramPage {
  const ListedProgram* from = nullptr;
  bool backward = false;
  std::int64_t skip = 0;
  int limit = 0;
};
