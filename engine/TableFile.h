// The table file: one table of the engine in one SQLite database file.
//
// Format of "NAME.db":
//   - an SQLite 3 database whose header carries the application id
//     0x564F524E ("VORN") and the user version 1 (the format's version);
//   - its schema holds exactly one object, the table "Records", and nothing
//     else (no index, view or trigger);
//   - each column of "Records" is one field, in field order; its declared
//     type is the field's type clause ("CHAR(40)", "NUMERIC", "BLOB(10,1)",
//     see FieldDef.h), which keeps the engine type and size exactly;
//   - one row per record, in rowid order; values are NULL when empty, else
//     INTEGER (SMALLINT, INTEGER, WORD, AUTOINC; BOOLEAN 0 or 1), REAL
//     (NUMERIC, MONEY, BCD), TEXT (CHAR, DATE "YYYY-MM-DD", TIME
//     "HH:MM:SS[.mmm]", TIMESTAMP "YYYY-MM-DD HH:MM:SS[.mmm]", memo BLOBs
//     1 and 3) or BLOB (BYTES, VARBYTES, BLOB subtypes 2, 4 and 5);
//   - AUTOINC values are given by the engine: the highest plus one on
//     append, 1..n in record order for a field added to a filled table;
//   - what a change drops or removes is zeroed in the file in the same
//     transaction (secure delete), freed pages included;
//   - the rollback journal "NAME.db-journal" exists only during a write
//     transaction; nothing else is ever kept beside the file. A journal
//     left by a program that stopped in the middle of a change is played
//     back when the table is next opened, so the file is as before it.
// Any other file (empty, truncated, random bytes, another schema) is
// refused with EDBEngineError naming the file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/FieldDef.h"
#include "engine/LocalSql.h"
#include "engine/Sqlite.h"
#include "engine/Table.h"

namespace vorn {

class TTableFile {
 public:
  static constexpr int32_t ApplicationId = 0x564F524E;
  static constexpr int32_t FormatVersion = 1;

  // Opens an existing table file and checks that it is one of ours.
  // fileName is the Windows path used in messages.
  TTableFile(const std::filesystem::path& hostPath, const std::string& fileName, bool writable,
             int busyTimeoutMs);

  // Makes a new empty table file; refuses an existing file. A failure
  // leaves no file behind.
  static void Create(const std::filesystem::path& hostPath, const std::string& fileName,
                     const TFieldDefs& fields);

  const TFieldDefs& Fields() const { return fields_; }
  const std::string& FileName() const { return fileName_; }

  int64_t RecordCount();
  std::vector<TRecord> ReadRecords();
  void AppendRecord(const TRecord& values) { AppendRecords({values}); }
  // All records or none, in one transaction.
  void AppendRecords(const std::vector<TRecord>& records);

  // Applies the items in order as one change: every row stays, kept fields
  // keep their values, dropped ones lose theirs, added ones start empty
  // (AUTOINC: numbered). A field added under the name of one the same
  // change drops takes the dropped field's place; other added fields go at
  // the end. The rows are copied at most once. On any failure the file is
  // left as it was.
  void Alter(const std::vector<TAlterItem>& items);

 private:
  void CheckHeader(const std::filesystem::path& hostPath, int busyTimeoutMs);
  TFieldDefs ReadSchema();
  void Rebuild(const TFieldDefs& finalFields, const std::vector<std::string>& sources, int64_t records);
  void NumberAutoInc(const std::string& fieldName);

  std::string fileName_;
  SqliteDb db_;
  TFieldDefs fields_;
};

// The text form of a stored value, as the tools show and accept it:
// integers in decimal; BOOLEAN "TRUE"/"FALSE"; NUMERIC and MONEY in the
// shortest form that reads back the same, with "." as decimal point; BCD
// with its number of decimals; dates and times as stored; binary values in
// hexadecimal digits.
std::optional<std::string> FormatValue(const TFieldDef& field, const SqliteStatement& row, int column);
// Binds the text form of a value for a field; raises EDBEngineError naming
// the field when the text does not fit it.
void BindValue(const TFieldDef& field, const std::optional<std::string>& text, SqliteStatement& statement,
               int parameter);

}  // namespace vorn
