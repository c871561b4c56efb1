#include "library/SqliteConnection.h"

#include <sqlite3.h>

#include <utility>

#include "library/OpenFileLocks.h"

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : statement_(std::exchange(other.statement_, nullptr)), failed_(other.failed_) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(statement_);
    statement_ = std::exchange(other.statement_, nullptr);
    failed_ = other.failed_;
  }
  return *this;
}

SqliteStatement::~SqliteStatement() {
  sqlite3_finalize(statement_);
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value) {
  sqlite3_bind_int64(statement_, index, value);
  return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
  sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::span<const std::uint8_t> blob) {
  sqlite3_bind_blob64(statement_, index, blob.data(), blob.size(), SQLITE_STATIC);
  return *this;
}

SqliteStatement& SqliteStatement::BindNull(int index) {
  sqlite3_bind_null(statement_, index);
  return *this;
}

bool SqliteStatement::NextRow() {
  if (statement_ == nullptr) {
    failed_ = true;
    return false;
  }
  const int result = sqlite3_step(statement_);
  if (result == SQLITE_ROW)
    return true;
  failed_ = result != SQLITE_DONE;
  return false;
}

int SqliteStatement::Run() {
  const bool row = NextRow();
  const bool failed = failed_;
  Reset();
  return row || failed ? -1 : 0;
}

void SqliteStatement::Reset() {
  if (statement_ == nullptr)
    return;
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
  failed_ = false;
}

std::int64_t SqliteStatement::Int(int column) const {
  return sqlite3_column_int64(statement_, column);
}

std::string SqliteStatement::Text(int column) const {
  const auto* text = sqlite3_column_text(statement_, column);
  const int size = sqlite3_column_bytes(statement_, column);
  return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text), size);
}

std::span<const std::uint8_t> SqliteStatement::Blob(int column) const {
  const auto* blob = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_, column));
  const int size = sqlite3_column_bytes(statement_, column);
  return blob == nullptr ? std::span<const std::uint8_t>()
                         : std::span<const std::uint8_t>(blob, static_cast<std::size_t>(size));
}

bool SqliteStatement::IsNull(int column) const {
  return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

namespace {

int OpenFlags(SqliteConnection::Mode mode) {
  switch (mode) {
    case SqliteConnection::Mode::ReadOnly:
      return SQLITE_OPEN_READONLY;
    case SqliteConnection::Mode::ReadWrite:
      return SQLITE_OPEN_READWRITE;
    case SqliteConnection::Mode::ReadWriteCreate:
      return SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    case SqliteConnection::Mode::Immutable:
      break;
  }
  return SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
}

// The URI of a file opened read only and immutable, its path's own '?', '#' and '%' escaped.
std::string ImmutableUri(const std::string& path) {
  std::string uri = "file:";
  for (const char c : path) {
    if (c == '?' || c == '#' || c == '%') {
      constexpr const char* kHex = "0123456789ABCDEF";
      const auto byte = static_cast<unsigned char>(c);
      uri += {'%', kHex[byte >> 4], kHex[byte & 0x0F]};
    } else {
      uri += c;
    }
  }
  return uri + "?immutable=1";
}

}  // namespace

std::unique_ptr<SqliteConnection> SqliteConnection::Open(const std::string& path, Mode mode,
                                                         std::string& error) {
  UseOpenFileLocks();
  const std::string name = mode == Mode::Immutable ? ImmutableUri(path) : path;
  sqlite3* handle = nullptr;
  const int result =
      sqlite3_open_v2(name.c_str(), &handle, OpenFlags(mode) | SQLITE_OPEN_NOMUTEX, nullptr);
  if (result != SQLITE_OK) {
    error = handle != nullptr ? sqlite3_errmsg(handle) : sqlite3_errstr(result);
    sqlite3_close(handle);
    return nullptr;
  }
  sqlite3_extended_result_codes(handle, 0);
  return std::make_unique<SqliteConnection>(handle);
}

SqliteConnection::~SqliteConnection() {
  cached_.clear();
  sqlite3_close(handle_);
}

int SqliteConnection::Execute(const char* sql) {
  return sqlite3_exec(handle_, sql, nullptr, nullptr, nullptr) == SQLITE_OK ? 0 : -1;
}

SqliteStatement SqliteConnection::Prepare(std::string_view sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(handle_, sql.data(), static_cast<int>(sql.size()), &statement, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(statement);
    return SqliteStatement();
  }
  return SqliteStatement(statement);
}

SqliteStatement& SqliteConnection::Cached(const char* sql) {
  auto found = cached_.find(std::string_view(sql));
  if (found == cached_.end())
    found = cached_.emplace(sql, Prepare(sql)).first;
  found->second.Reset();
  return found->second;
}

void SqliteConnection::SetBusyTimeout(int milliseconds) {
  sqlite3_busy_timeout(handle_, milliseconds);
}

std::int64_t SqliteConnection::LastInsertId() const {
  return sqlite3_last_insert_rowid(handle_);
}

std::string SqliteConnection::ErrorText() const {
  return sqlite3_errmsg(handle_);
}

int SqliteConnection::ErrorCode() const {
  return sqlite3_errcode(handle_);
}

bool SqliteConnection::IsReadOnly() const {
  return sqlite3_db_readonly(handle_, "main") == 1;
}

SqliteTransaction::~SqliteTransaction() {
  RollBack();
}

int SqliteTransaction::Begin() {
  if (connection_.Execute("BEGIN IMMEDIATE") != 0)
    return -1;
  open_ = true;
  return 0;
}

int SqliteTransaction::Commit() {
  if (!open_ || connection_.Execute("COMMIT") != 0)
    return -1;
  open_ = false;
  return 0;
}

void SqliteTransaction::RollBack() {
  if (open_)
    connection_.Execute("ROLLBACK");
  open_ = false;
}
