// SQLite connections and statements behind RAII holders. Every connection
// the engine opens is configured the same way: rollback journal deleted at
// the end of each transaction (nothing left beside the table), a busy
// time-out, no trust in anything stored in the schema, and erasure: what
// a change removes is overwritten with zeros in the file, and SQLite's
// temporary data (statement journals, sorting) stays in memory, never in a
// temporary file.
#include "engine/Sqlite.h"

#include "engine/DatabaseError.h"

namespace vorn {

[[noreturn]] void RaiseSqliteError(sqlite3* db, int code, const std::string& fileName) {
  int primary = code & 0xFF;
  std::string detail = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
  switch (primary) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      throw EDBEngineError("Table in use: " + fileName + " is held by another program");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      throw EDBEngineError(fileName + " is damaged or is not a table file (" + detail + ")");
    case SQLITE_CANTOPEN:
      throw EDBEngineError("Cannot open the table file " + fileName + " (" + detail + ")");
    case SQLITE_READONLY:
    case SQLITE_PERM:
      throw EDBEngineError("The table file " + fileName + " cannot be written (" + detail + ")");
    case SQLITE_FULL:
      throw EDBEngineError("Disk full while writing " + fileName);
    case SQLITE_IOERR:
      throw EDBEngineError("Input/output error on " + fileName + " (" + detail + ")");
    default:
      throw EDBEngineError(fileName + ": " + detail);
  }
}

SqliteDb::SqliteDb(const std::string& hostPath, const std::string& fileName, bool writable, bool create,
                   int busyTimeoutMs)
    : fileName_(fileName) {
  int flags = writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
  if (create) flags |= SQLITE_OPEN_CREATE;
  flags |= SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_PRIVATECACHE;
  int rc = sqlite3_open_v2(hostPath.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3* failed = db_;
    db_ = nullptr;
    std::string message = failed != nullptr ? sqlite3_errmsg(failed) : sqlite3_errstr(rc);
    sqlite3_close_v2(failed);
    throw EDBEngineError("Cannot open the table file " + fileName + " (" + message + ")");
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, busyTimeoutMs);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
  // Set here rather than trusted to the library's build options, which
  // differ between the systems the engine is built for.
  for (const char* pragma : {"PRAGMA secure_delete=ON", "PRAGMA temp_store=MEMORY"}) {
    rc = sqlite3_exec(db_, pragma, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
      std::string message = sqlite3_errmsg(db_);
      sqlite3_close_v2(db_);
      db_ = nullptr;
      throw EDBEngineError("Cannot open the table file " + fileName + " (" + message + ")");
    }
  }
}

SqliteDb::~SqliteDb() { Close(); }

SqliteDb::SqliteDb(SqliteDb&& other) noexcept : db_(other.db_), fileName_(std::move(other.fileName_)) {
  other.db_ = nullptr;
}

SqliteDb& SqliteDb::operator=(SqliteDb&& other) noexcept {
  if (this != &other) {
    Close();
    db_ = other.db_;
    fileName_ = std::move(other.fileName_);
    other.db_ = nullptr;
  }
  return *this;
}

void SqliteDb::Close() {
  if (db_ == nullptr) return;
  RollbackQuietly();
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

void SqliteDb::Exec(const std::string& sql) {
  char* error = nullptr;
  int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
  sqlite3_free(error);
  if (rc != SQLITE_OK) RaiseSqliteError(db_, rc, fileName_);
}

int64_t SqliteDb::QueryInt(const std::string& sql) {
  SqliteStatement statement = Prepare(sql);
  return statement.Step() ? statement.ColumnInt(0) : 0;
}

SqliteStatement SqliteDb::Prepare(const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(stmt);
    RaiseSqliteError(db_, rc, fileName_);
  }
  return SqliteStatement(stmt, *this);
}

bool SqliteDb::InTransaction() const { return db_ != nullptr && sqlite3_get_autocommit(db_) == 0; }

void SqliteDb::RollbackQuietly() noexcept {
  if (InTransaction()) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(stmt_); }

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept : stmt_(other.stmt_), db_(other.db_) {
  other.stmt_ = nullptr;
}

bool SqliteStatement::Step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  RaiseSqliteError(db_->Handle(), rc, db_->FileName());
}

void SqliteStatement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

std::string SqliteStatement::ColumnText(int index) const {
  const unsigned char* text = sqlite3_column_text(stmt_, index);
  int size = sqlite3_column_bytes(stmt_, index);
  return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(size));
}

std::string SqliteStatement::ColumnBlob(int index) const {
  const void* data = sqlite3_column_blob(stmt_, index);
  int size = sqlite3_column_bytes(stmt_, index);
  return data == nullptr ? std::string() : std::string(static_cast<const char*>(data), static_cast<size_t>(size));
}

std::string QuoteIdentifier(std::string_view name) {
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

}  // namespace vorn
