// Thin RAII holders for SQLite connections and statements, with errors
// turned into the engine's own. Only the table file code uses them.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

// Raises EDBEngineError for an SQLite result code: "Table in use: FILE" for
// a busy or locked file, "FILE is damaged ..." for a corrupt or foreign
// file, else the file name and SQLite's own message.
[[noreturn]] void RaiseSqliteError(sqlite3* db, int code, const std::string& fileName);

class SqliteStatement;

class SqliteDb {
 public:
  SqliteDb() = default;
  // Opens an existing file, or creates one with create. Never follows a
  // missing file into an empty new database unless create is set.
  SqliteDb(const std::string& hostPath, const std::string& fileName, bool writable, bool create,
           int busyTimeoutMs);
  ~SqliteDb();
  SqliteDb(SqliteDb&& other) noexcept;
  SqliteDb& operator=(SqliteDb&& other) noexcept;
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;

  sqlite3* Handle() const { return db_; }
  const std::string& FileName() const { return fileName_; }
  void Close();

  // Runs statements that return no rows.
  void Exec(const std::string& sql);
  // The first column of the first row as an integer (0 when no row).
  int64_t QueryInt(const std::string& sql);
  SqliteStatement Prepare(const std::string& sql);
  bool InTransaction() const;
  // Rolls back whatever is open; never raises.
  void RollbackQuietly() noexcept;

 private:
  sqlite3* db_ = nullptr;
  std::string fileName_;
};

class SqliteStatement {
 public:
  SqliteStatement(sqlite3_stmt* stmt, const SqliteDb& db) : stmt_(stmt), db_(&db) {}
  ~SqliteStatement();
  SqliteStatement(SqliteStatement&& other) noexcept;
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;
  SqliteStatement& operator=(SqliteStatement&&) = delete;

  // True while there is a row; false when done. Raises on failure.
  bool Step();
  void Reset();
  sqlite3_stmt* Handle() const { return stmt_; }

  int ColumnType(int index) const { return sqlite3_column_type(stmt_, index); }
  int64_t ColumnInt(int index) const { return sqlite3_column_int64(stmt_, index); }
  double ColumnDouble(int index) const { return sqlite3_column_double(stmt_, index); }
  std::string ColumnText(int index) const;
  std::string ColumnBlob(int index) const;

 private:
  sqlite3_stmt* stmt_;
  const SqliteDb* db_;
};

// An SQL identifier in double quotes, inner quotes doubled.
std::string QuoteIdentifier(std::string_view name);

}  // namespace vorn
