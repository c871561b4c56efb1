#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "library/LibraryStore.h"
#include "library/SqliteConnection.h"
#include "model/Item.h"
#include "tests/support/TestSupport.h"

namespace test {

inline std::vector<std::uint8_t> ImageOf(const Item& item) {
  return {item.Data().begin(), item.Data().end()};
}

inline std::int64_t RowCount(LibraryStore& store, const std::string& table) {
  SqliteStatement count = store.Connection().Prepare("SELECT count(*) FROM " + table);
  return count.NextRow() ? count.Int(0) : -1;
}

// Everything the library holds, table by table, as counts: what a change that keeps nothing
// must leave as it was.
inline std::vector<std::int64_t> Counts(LibraryStore& store) {
  std::vector<std::int64_t> counts;
  for (const char* table :
       {"programs", "program_images", "files", "sources", "collections", "collection_entries"})
    counts.push_back(RowCount(store, table));
  return counts;
}

inline std::unique_ptr<LibraryStore> OpenLibrary(const std::string& path) {
  std::string error;
  std::unique_ptr<LibraryStore> store = LibraryStore::Open(path, error);
  EXPECT_NE(store, nullptr) << error;
  return store;
}

}  // namespace test
