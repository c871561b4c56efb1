#pragma once

#include <cstdint>
#include <string>

class SqliteConnection;

// The library file's tables, how a file is recognised as a library, and the steps that bring
// an older library up to the version this program writes.
namespace LibrarySchema {

// Kept in the file's header (PRAGMA application_id): "CRVL".
inline constexpr std::int32_t kApplicationId = 0x4352564C;
// PRAGMA user_version of a library this program writes.
inline constexpr int kVersion = 4;

// Reads what the file is, without writing to it: 0 with `version` set (0 for a new file, of no
// pages yet), or -1 with `error` saying why the file is no library this program may change: not
// a database, another program's database (also one without tables), a newer library, or a
// damaged one.
int Inspect(SqliteConnection& connection, int& version, std::string& error);

// Marks a new file (of no pages) as a library before anything else is written to it, so that
// a creation cut short still reads as this program's file: 0, or -1 with `error` set.
int Claim(SqliteConnection& connection, std::string& error);

// Creates the tables of a new file, or migrates an older library, in one transaction, up to
// `targetVersion` (an older one only for testing the migrations); a library of that version
// is left alone. 0, or -1 with `error` set.
int BringUpToDate(SqliteConnection& connection, std::string& error, int targetVersion = kVersion);

}  // namespace LibrarySchema
