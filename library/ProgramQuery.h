#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "library/LibraryRows.h"
#include "library/SqliteConnection.h"

// The SQL behind a view of the library's programs: how many rows a filter gives, and one page
// of them (columns id, kind, name, category, added_at).
namespace ProgramQuery {

// The words of a filter text, split at blanks.
std::vector<std::string> FilterWords(const std::string& text);

int Count(SqliteConnection& connection, const ProgramFilter& filter, std::int64_t& count);
SqliteStatement Page(SqliteConnection& connection, const ProgramFilter& filter, std::int64_t offset,
                     int limit);

}  // namespace ProgramQuery
