#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// A thin owner of SQLite's C objects: a connection, its prepared statements and a transaction.
// Failures return -1 (or an invalid statement); ErrorText says why.

class SqliteStatement {
 public:
  SqliteStatement() = default;
  explicit SqliteStatement(sqlite3_stmt* statement) : statement_(statement) {}
  SqliteStatement(SqliteStatement&& other) noexcept;
  SqliteStatement& operator=(SqliteStatement&& other) noexcept;
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;
  ~SqliteStatement();

  bool Valid() const { return statement_ != nullptr; }

  // Parameters count from 1, as in SQL.
  SqliteStatement& Bind(int index, std::int64_t value);
  SqliteStatement& Bind(int index, std::string_view text);
  // The blob is not copied: it must live until the statement has run or is reset.
  SqliteStatement& Bind(int index, std::span<const std::uint8_t> blob);
  SqliteStatement& BindNull(int index);

  // The next row: true while there is one. A failure ends the rows; Failed tells it.
  bool NextRow();
  // Runs a statement that returns no rows: 0, or -1.
  int Run();
  bool Failed() const { return failed_; }
  // Ready to run again with new parameters.
  void Reset();

  // Columns count from 0.
  std::int64_t Int(int column) const;
  std::string Text(int column) const;
  std::span<const std::uint8_t> Blob(int column) const;
  bool IsNull(int column) const;

 private:
  sqlite3_stmt* statement_ = nullptr;
  bool failed_ = false;
};

class SqliteConnection {
 public:
  enum class Mode {
    ReadOnly,
    // Read and write when the file may be written, else read only; never made.
    ReadWrite,
    ReadWriteCreate,
    // Read without locks or a log, for a file that nothing can change while it is read (one in
    // a folder where no log can be made).
    Immutable,
  };

  // None, with `error` set, when the file cannot be opened.
  static std::unique_ptr<SqliteConnection> Open(const std::string& path, Mode mode,
                                                std::string& error);
  // Takes over an open handle (see Open).
  explicit SqliteConnection(sqlite3* handle) : handle_(handle) {}
  ~SqliteConnection();
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  // Runs one or more statements without parameters: 0, or -1.
  int Execute(const char* sql);
  // A new statement (invalid when the text does not compile).
  SqliteStatement Prepare(std::string_view sql);
  // The statement kept for `sql`, reset and ready to bind; prepared at its first use.
  SqliteStatement& Cached(const char* sql);

  // Waits up to `milliseconds` for another connection's lock before failing with "busy".
  void SetBusyTimeout(int milliseconds);
  std::int64_t LastInsertId() const;
  // SQLite's message for the last failure, e.g. "database or disk is full".
  std::string ErrorText() const;
  // SQLite's primary result code of the last failure (SQLITE_FULL, SQLITE_BUSY, ...).
  int ErrorCode() const;
  // The file was opened, or fell back to, reading only.
  bool IsReadOnly() const;

 private:
  sqlite3* handle_;
  std::map<std::string, SqliteStatement, std::less<>> cached_;
};

// Rolls back on destruction unless committed.
class SqliteTransaction {
 public:
  explicit SqliteTransaction(SqliteConnection& connection) : connection_(connection) {}
  ~SqliteTransaction();
  SqliteTransaction(const SqliteTransaction&) = delete;
  SqliteTransaction& operator=(const SqliteTransaction&) = delete;

  // Takes the write lock at once (BEGIN IMMEDIATE), so that a second writer waits or fails
  // here rather than halfway: 0, or -1.
  int Begin();
  int Commit();
  void RollBack();

 private:
  SqliteConnection& connection_;
  bool open_ = false;
};
