// A table of a session: one table file "NAME.db" in a database's folder.
//
// Open reads the file's fields in table order and keeps the file open for
// reading until Close (or the destructor); a statement refuses to change a
// table of this engine that is open. Records can be read and appended for
// support tools; the setup itself only looks at the fields.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/FieldDef.h"

namespace vorn {

class TSession;
class TTableFile;

enum TTableType { ttDefault };

// One record as text, one value per field in table order; nullopt is an
// empty (null) value. The text forms are those of FormatValue/BindValue
// in TableFile.h.
using TRecord = std::vector<std::optional<std::string>>;

class TTable {
 public:
  explicit TTable(TSession& session);
  // In the process's default session.
  TTable();
  ~TTable();
  TTable(const TTable&) = delete;
  TTable& operator=(const TTable&) = delete;

  TSession& Session() { return session_; }

  // Changing these while the table is open raises EDatabaseError.
  const std::string& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(const std::string& databaseName);
  // Without extension; a ".db" ending is accepted and ignored.
  const std::string& TableName() const { return tableName_; }
  void SetTableName(const std::string& tableName);
  TTableType TableType() const { return tableType_; }
  void SetTableType(TTableType tableType);

  // Raises EDatabaseError when the database cannot be found and
  // EDBEngineError when the file is missing, damaged, not a table of this
  // engine or in use. Opening an open table does nothing.
  void Open();
  void Close();
  bool Active() const { return file_ != nullptr; }
  void SetActive(bool active) { active ? Open() : Close(); }

  // The fields in table order; empty while closed.
  const TFieldDefs& Fields() const { return fields_; }
  // The field of that name, letter case ignored, or nullptr.
  const TFieldDef* FindField(const std::string& fieldName) const;
  // The table file's Windows path (known from Open on).
  const std::string& FileName() const { return fileName_; }

  // Open table only.
  int64_t RecordCount();
  std::vector<TRecord> ReadRecords();
  // Appends one record in one transaction; an empty AutoInc value is
  // numbered after the highest one. Raises EDBEngineError for a value that
  // does not fit its field or a wrong number of values.
  void AppendRecord(const TRecord& values) { AppendRecords({values}); }
  // All or none, in one transaction.
  void AppendRecords(const std::vector<TRecord>& records);

  // Makes a new empty table file with these fields (table closed). Raises
  // EDBEngineError when the file exists or the fields are not valid.
  void CreateTable(const TFieldDefs& fields);

 private:
  TTableFile& OpenFile();

  TSession& session_;
  std::string databaseName_;
  std::string tableName_;
  TTableType tableType_ = ttDefault;
  std::string fileName_;
  std::unique_ptr<TTableFile> file_;
  std::string openKey_;
  TFieldDefs fields_;
};

}  // namespace vorn
