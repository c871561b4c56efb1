#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "library/LibraryRows.h"
#include "library/SqliteConnection.h"

// The SQL behind what the library shows: the programs a filter gives (their count, and all of
// them or one page, with their places and sound twins), a program's places and sound twins, and the
// collections and their entries. Each returns 0, or -1 when SQLite failed (its ErrorText says why);
// the single-row reads return 1 for a row found and 0 for none.
namespace LibraryQuery {

// The words of a filter text, split at blanks.
std::vector<std::string> FilterWords(const std::string& text);
// The most words and tags a filter may hold: each is one more condition of the query, whose
// depth SQLite bounds (a thousand levels, its full-text index 256).
inline constexpr std::size_t kMostFilterWords = 64;
// How many words and tags the filter holds.
std::size_t FilterWordCount(const ProgramFilter& filter);

int Count(SqliteConnection& connection, const ProgramFilter& filter, std::int64_t& count);
// Every row the filter gives, in its order, from one statement read to its end.
int ForEachListed(SqliteConnection& connection, const ProgramFilter& filter,
                  const std::function<void(const ListedProgram&)>& visit);
int Page(SqliteConnection& connection, const ProgramFilter& filter, const ProgramPage& page,
         std::vector<ListedProgram>& rows);

int Program(SqliteConnection& connection, std::int64_t programId, ProgramRow& row);
int Image(SqliteConnection& connection, std::int64_t programId, ProgramImage& image);
int Places(SqliteConnection& connection, std::int64_t programId, std::vector<ProgramPlace>& places);
// The other programs of the same kind whose image after the head is the same.
int SameSound(SqliteConnection& connection, std::int64_t programId, std::vector<ProgramRow>& rows);

// A collection by its number or by the path it was made from.
int Collection(SqliteConnection& connection, const std::string& numberOrPath, CollectionRow& row);
int Collections(SqliteConnection& connection, std::int64_t parentId,
                std::vector<CollectionRow>& rows);
int Entries(SqliteConnection& connection, std::int64_t collectionId,
            std::vector<CollectionEntry>& entries);

}  // namespace LibraryQuery
