// Table files on SQLite. The file is trusted only after its header, its
// schema and every declared type have been checked, and every change is one
// transaction that is verified before it is committed, so a failure of any
// kind leaves the file exactly as it was (SQLite's rollback journal restores
// each page and the file's length).
#include "engine/TableFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "engine/DatabaseError.h"
#include "engine/Text.h"

namespace vorn {
namespace {

constexpr const char* kTableName = "Records";
constexpr const char* kRebuildName = "Records_rebuild";
constexpr int kHeaderSize = 100;

uint32_t BigEndian32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

std::string CreateTableSql(const std::string& table, const TFieldDefs& fields) {
  std::string sql = "CREATE TABLE " + QuoteIdentifier(table) + " (";
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) sql += ", ";
    sql += QuoteIdentifier(fields[i].FieldName) + " " + TypeClause(fields[i].DataType, fields[i].Size);
  }
  return sql + ")";
}

// The last part of a Windows path, for messages that name a table.
std::string ExtractName(const std::string& fileName) {
  size_t slash = fileName.find_last_of('\\');
  return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

// The outcome of a statement's items on a field list, worked out before the
// file is touched.
struct AlterPlan {
  TFieldDefs Final;
  // For each final field, the field of the table whose values it keeps;
  // empty for an added field.
  std::vector<std::string> Source;
  std::vector<std::string> Dropped;  // fields of the table that go
  TFieldDefs Added;                  // new fields, in final order
};

AlterPlan MakePlan(const TFieldDefs& current, const std::vector<TAlterItem>& items, const std::string& fileName) {
  struct Entry {
    TFieldDef Field;
    bool Original;
    bool Vacant;  // a dropped field's place, kept for an ADD of its name
  };
  std::vector<Entry> entries;
  for (const TFieldDef& field : current) entries.push_back({field, true, false});
  auto find = [&](const std::string& name, bool vacant) {
    return std::find_if(entries.begin(), entries.end(), [&](const Entry& e) {
      return e.Vacant == vacant && dbtext::SameName(e.Field.FieldName, name);
    });
  };
  std::string table = ExtractName(fileName);
  for (const TAlterItem& item : items) {
    auto found = find(item.Field.FieldName, false);
    if (item.Action == TAlterItem::Drop) {
      if (found == entries.end()) {
        throw EDBEngineError("Cannot drop field " + item.Field.FieldName + ": table " + table + " has no such field");
      }
      // A field dropped to change its type comes back where it stood, so
      // that the table keeps the order of its template.
      if (find(found->Field.FieldName, true) == entries.end()) {
        found->Vacant = true;
        found->Original = false;
      } else {
        entries.erase(found);
      }
    } else {
      if (found != entries.end()) {
        throw EDBEngineError("Cannot add field " + item.Field.FieldName + ": table " + table +
                             " already has a field " + found->Field.FieldName);
      }
      CheckFieldName(item.Field.FieldName);
      TypeClause(item.Field.DataType, item.Field.Size);
      auto place = find(item.Field.FieldName, true);
      if (place != entries.end()) {
        *place = {item.Field, false, false};
      } else {
        entries.push_back({item.Field, false, false});
      }
    }
  }
  AlterPlan plan;
  for (const Entry& entry : entries) {
    if (entry.Vacant) continue;
    plan.Final.push_back(entry.Field);
    plan.Source.push_back(entry.Original ? entry.Field.FieldName : std::string());
    if (!entry.Original) plan.Added.push_back(entry.Field);
  }
  if (plan.Final.empty()) throw EDBEngineError("Table " + table + " would be left without any field");
  for (const TFieldDef& field : current) {
    bool kept = std::find(plan.Source.begin(), plan.Source.end(), field.FieldName) != plan.Source.end();
    if (!kept) plan.Dropped.push_back(field.FieldName);
  }
  CheckFieldDefs(plan.Final);
  return plan;
}

std::string HexOf(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

std::optional<std::string> BytesOfHex(std::string_view hex) {
  if (hex.size() >= 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X')) hex.remove_prefix(2);
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  for (size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    auto [end, ec] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
    if (ec != std::errc() || end != hex.data() + i + 2) return std::nullopt;
    bytes += static_cast<char>(value);
  }
  return bytes;
}

size_t Utf8Length(std::string_view text) {
  size_t count = 0;
  for (unsigned char c : text) count += (c & 0xC0) != 0x80;
  return count;
}

bool ValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

std::optional<int64_t> ParseInteger(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::optional<double> ParseNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

bool Digits(std::string_view text, size_t from, size_t count, int& value) {
  if (from + count > text.size()) return false;
  value = 0;
  for (size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

bool ValidDate(std::string_view text) {
  int year = 0, month = 0, day = 0;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  if (!Digits(text, 0, 4, year) || !Digits(text, 5, 2, month) || !Digits(text, 8, 2, day)) return false;
  static constexpr std::array<int, 12> kDays{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > kDays[static_cast<size_t>(month - 1)]) return false;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return !(month == 2 && day == 29 && !leap);
}

// "HH:MM", "HH:MM:SS" or "HH:MM:SS.mmm", normalised to seconds at least.
std::optional<std::string> NormalTime(std::string_view text) {
  int hour = 0, minute = 0, second = 0, millis = 0;
  if (text.size() < 5 || text[2] != ':' || !Digits(text, 0, 2, hour) || !Digits(text, 3, 2, minute)) {
    return std::nullopt;
  }
  std::string result(text.substr(0, 5));
  if (text.size() == 5) {
    result += ":00";
  } else if (text.size() == 8 || text.size() == 12) {
    if (text[5] != ':' || !Digits(text, 6, 2, second)) return std::nullopt;
    if (text.size() == 12 && (text[8] != '.' || !Digits(text, 9, 3, millis))) return std::nullopt;
    result = std::string(text);
  } else {
    return std::nullopt;
  }
  if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
  return result;
}

}  // namespace

TTableFile::TTableFile(const std::filesystem::path& hostPath, const std::string& fileName, bool writable,
                       int busyTimeoutMs)
    : fileName_(fileName) {
  CheckHeader(hostPath, busyTimeoutMs);
  db_ = SqliteDb(hostPath.string(), fileName, writable, false, busyTimeoutMs);
  // One read transaction for all the checks: one lock and one look for a
  // journal instead of one per query.
  int64_t pageCount = 0;
  int64_t pageSize = 0;
  try {
    db_.Exec("BEGIN");
    fields_ = ReadSchema();
    // The page count SQLite works with (after any recovery), against the
    // file's real length: pages cut off would read as nothing.
    pageCount = db_.QueryInt("PRAGMA page_count");
    pageSize = db_.QueryInt("PRAGMA page_size");
    db_.Exec("COMMIT");
  } catch (...) {
    db_.RollbackQuietly();
    throw;
  }
  std::error_code ec;
  uintmax_t size = std::filesystem::file_size(hostPath, ec);
  if (!ec && static_cast<uintmax_t>(pageCount * pageSize) > size) {
    throw EDBEngineError(fileName_ + " is damaged: the file is truncated");
  }
}

void TTableFile::CheckHeader(const std::filesystem::path& hostPath, int busyTimeoutMs) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(hostPath, ec)) throw EDBEngineError("Table file not found: " + fileName_);
  std::array<unsigned char, kHeaderSize> header{};
  uintmax_t size = 0;
  auto readHeader = [&] {
    size = std::filesystem::file_size(hostPath, ec);
    if (ec) throw EDBEngineError("Cannot read the table file " + fileName_);
    if (size == 0) throw EDBEngineError(fileName_ + " is not a table file: it is empty");
    std::ifstream in(hostPath, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(header.data()), kHeaderSize)) {
      if (!in.eof()) throw EDBEngineError("Cannot read the table file " + fileName_);
      throw EDBEngineError(fileName_ + " is not a table file: it is too short");
    }
    if (std::memcmp(header.data(), "SQLite format 3", 16) != 0) {
      throw EDBEngineError(fileName_ + " is not a table file of this engine");
    }
  };
  readHeader();
  std::string journal = hostPath.string() + "-journal";
  if (std::filesystem::exists(journal, ec)) {
    // A journal left by a program that stopped in the middle of a change:
    // the first read of a writing connection puts the file back as it was.
    // While another program's change is still under way the journal is not
    // left over, and the read changes nothing.
    SqliteDb recovery(hostPath.string(), fileName_, true, false, busyTimeoutMs);
    recovery.QueryInt("SELECT count(*) FROM sqlite_schema");
    // A journal that is still there was not played back: either another
    // program is writing, or a program stopped before its first change
    // reached the file (the journal's header not yet marked valid). With
    // the write lock taken, no one is writing, and such a journal only
    // stands in the way.
    sqlite3_busy_timeout(recovery.Handle(), 0);
    if (std::filesystem::exists(journal, ec) &&
        sqlite3_exec(recovery.Handle(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK) {
      std::filesystem::remove(journal, ec);
      recovery.RollbackQuietly();
    }
    recovery.Close();
    readHeader();
  }
  bool liveJournal = std::filesystem::exists(journal, ec);
  uint32_t pageSize = (uint32_t{header[16]} << 8) | header[17];
  if (pageSize == 1) pageSize = 65536;
  if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) throw EDBEngineError(fileName_ + " is damaged: bad page size");
  if (header[18] != 1 || header[19] != 1) {
    throw EDBEngineError(fileName_ + " is not a table file of this engine (write-ahead log mode)");
  }
  // The header and the length are only settled when no change is under way.
  if (liveJournal) return;
  // A file cut short loses its last pages: the header's page count, when
  // current, says how long the file must be.
  uint32_t pageCount = BigEndian32(&header[28]);
  bool countValid = pageCount != 0 && BigEndian32(&header[24]) == BigEndian32(&header[92]);
  if (countValid && uintmax_t{pageCount} * pageSize > size) {
    throw EDBEngineError(fileName_ + " is damaged: the file is truncated");
  }
  if (size % pageSize != 0) {
    throw EDBEngineError(fileName_ + " is damaged: its length is not a whole number of pages");
  }
  if (BigEndian32(&header[68]) != static_cast<uint32_t>(ApplicationId)) {
    throw EDBEngineError(fileName_ + " is not a table file of this engine");
  }
}

TFieldDefs TTableFile::ReadSchema() {
  if (db_.QueryInt("PRAGMA application_id") != ApplicationId) {
    throw EDBEngineError(fileName_ + " is not a table file of this engine");
  }
  int64_t version = db_.QueryInt("PRAGMA user_version");
  if (version != FormatVersion) {
    throw EDBEngineError(fileName_ + " is a table file of an unknown version (" + std::to_string(version) + ")");
  }
  {
    SqliteStatement objects = db_.Prepare("SELECT type, name FROM sqlite_schema");
    int count = 0;
    bool table = false;
    while (objects.Step()) {
      ++count;
      table = objects.ColumnText(0) == "table" && objects.ColumnText(1) == kTableName;
    }
    if (count != 1 || !table) throw EDBEngineError(fileName_ + " is not a table file of this engine (its schema differs)");
  }
  TFieldDefs fields;
  // table_xinfo also lists hidden (generated) columns, which our tables never have.
  SqliteStatement columns = db_.Prepare(std::string("PRAGMA table_xinfo(") + QuoteIdentifier(kTableName) + ")");
  while (columns.Step()) {
    std::string name = columns.ColumnText(1);
    std::string declared = columns.ColumnText(2);
    std::optional<TFieldDef> field = ParseTypeClause(declared);
    if (!field) {
      throw EDBEngineError(fileName_ + " is damaged: field " + name + " has an unknown type \"" + declared + "\"");
    }
    if (columns.ColumnInt(3) != 0 || columns.ColumnInt(5) != 0 || columns.ColumnInt(6) != 0) {
      throw EDBEngineError(fileName_ + " is not a table file of this engine (field " + name +
                           " has a constraint or is generated)");
    }
    field->FieldName = name;
    fields.push_back(*field);
  }
  try {
    CheckFieldDefs(fields);
  } catch (const EDBEngineError& e) {
    throw EDBEngineError(fileName_ + " is damaged: " + e.what());
  }
  return fields;
}

void TTableFile::Create(const std::filesystem::path& hostPath, const std::string& fileName,
                        const TFieldDefs& fields) {
  CheckFieldDefs(fields);
  std::error_code ec;
  if (std::filesystem::exists(hostPath, ec) || std::filesystem::exists(hostPath.string() + "-journal", ec)) {
    throw EDBEngineError("Cannot create table " + fileName + ": the file exists");
  }
  if (!std::filesystem::is_directory(hostPath.parent_path(), ec)) {
    throw EDBEngineError("Cannot create table " + fileName + ": its folder does not exist");
  }
  try {
    SqliteDb db(hostPath.string(), fileName, true, true, 0);
    db.Exec("PRAGMA journal_mode=DELETE");
    db.Exec("BEGIN IMMEDIATE");
    db.Exec("PRAGMA application_id=" + std::to_string(ApplicationId));
    db.Exec("PRAGMA user_version=" + std::to_string(FormatVersion));
    db.Exec(CreateTableSql(kTableName, fields));
    db.Exec("COMMIT");
  } catch (...) {
    std::filesystem::remove(hostPath, ec);
    std::filesystem::remove(hostPath.string() + "-journal", ec);
    throw;
  }
}

int64_t TTableFile::RecordCount() {
  return db_.QueryInt(std::string("SELECT count(*) FROM ") + QuoteIdentifier(kTableName));
}

std::vector<TRecord> TTableFile::ReadRecords() {
  std::vector<TRecord> records;
  SqliteStatement rows = db_.Prepare(std::string("SELECT * FROM ") + QuoteIdentifier(kTableName) + " ORDER BY rowid");
  while (rows.Step()) {
    TRecord record;
    for (size_t i = 0; i < fields_.size(); ++i) record.push_back(FormatValue(fields_[i], rows, static_cast<int>(i)));
    records.push_back(std::move(record));
  }
  return records;
}

void TTableFile::AppendRecords(const std::vector<TRecord>& records) {
  std::string names;
  std::string marks;
  for (const TFieldDef& field : fields_) {
    names += (names.empty() ? "" : ", ") + QuoteIdentifier(field.FieldName);
    marks += marks.empty() ? "?" : ", ?";
  }
  const std::string table = QuoteIdentifier(kTableName);
  try {
    db_.Exec("BEGIN IMMEDIATE");
    SqliteStatement insert = db_.Prepare("INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")");
    size_t number = 0;
    for (const TRecord& values : records) {
      ++number;
      if (values.size() != fields_.size()) {
        throw EDBEngineError("Table " + ExtractName(fileName_) + " has " + std::to_string(fields_.size()) +
                             " fields, record " + std::to_string(number) + " " + std::to_string(values.size()) +
                             " values");
      }
      insert.Reset();
      for (size_t i = 0; i < fields_.size(); ++i) {
        const TFieldDef& field = fields_[i];
        std::optional<std::string> value = values[i];
        if (field.DataType == ftAutoInc) {
          std::string column = QuoteIdentifier(field.FieldName);
          if (!value || value->empty()) {
            value = std::to_string(db_.QueryInt("SELECT coalesce(max(" + column + "), 0) + 1 FROM " + table));
          } else if (std::optional<int64_t> given = ParseInteger(*value)) {
            SqliteStatement same = db_.Prepare("SELECT count(*) FROM " + table + " WHERE " + column + " = ?");
            sqlite3_bind_int64(same.Handle(), 1, *given);
            if (same.Step() && same.ColumnInt(0) > 0) {
              throw EDBEngineError("Field " + field.FieldName + ": the number " + *value + " is already used");
            }
          }
        }
        BindValue(field, value, insert, static_cast<int>(i + 1));
      }
      insert.Step();
    }
    db_.Exec("COMMIT");
  } catch (...) {
    db_.RollbackQuietly();
    throw;
  }
}

void TTableFile::Alter(const std::vector<TAlterItem>& items) {
  // Refuse a faulty statement before the file is touched at all.
  AlterPlan plan = MakePlan(fields_, items, fileName_);
  const std::string table = QuoteIdentifier(kTableName);
  // The change reads every page, some twice (the copy, then the freeing):
  // mapped, they cost no system call each. Only while this program holds
  // the write lock, so that no other writer can shorten the file under the
  // mapping.
  struct MappedWhileWriting {
    sqlite3* db;
    explicit MappedWhileWriting(sqlite3* d) : db(d) {
      sqlite3_exec(db, "PRAGMA mmap_size=1073741824", nullptr, nullptr, nullptr);
    }
    ~MappedWhileWriting() { sqlite3_exec(db, "PRAGMA mmap_size=0", nullptr, nullptr, nullptr); }
  } mapped(db_.Handle());
  try {
    db_.Exec("BEGIN IMMEDIATE");
    // Another program may have changed the table since it was opened.
    TFieldDefs current = ReadSchema();
    if (current != fields_) {
      fields_ = current;
      plan = MakePlan(fields_, items, fileName_);
    }
    if (!plan.Dropped.empty()) {
      // However many fields go or come back in their places, the rows are
      // copied once, into the table's final form, and counted.
      Rebuild(plan.Final, plan.Source, RecordCount());
    } else {
      // Only fields added at the end: no row is copied.
      for (const TFieldDef& field : plan.Added) {
        db_.Exec("ALTER TABLE " + table + " ADD COLUMN " + QuoteIdentifier(field.FieldName) + " " +
                 TypeClause(field.DataType, field.Size));
      }
      for (const TFieldDef& field : plan.Added) {
        if (field.DataType == ftAutoInc) NumberAutoInc(field.FieldName);
      }
    }
    TFieldDefs after = ReadSchema();
    if (after != plan.Final) {
      throw EDBEngineError("The change of " + fileName_ + " did not come out as expected and was undone");
    }
    db_.Exec("COMMIT");
    fields_ = after;
  } catch (...) {
    db_.RollbackQuietly();
    throw;
  }
}

void TTableFile::Rebuild(const TFieldDefs& finalFields, const std::vector<std::string>& sources, int64_t records) {
  db_.Exec(CreateTableSql(kRebuildName, finalFields));
  // Kept fields take their values, an added AutoInc numbers the records in
  // their order, other added fields stay empty (left out of the copy).
  std::string into = "rowid";
  std::string from = "rowid";
  for (size_t i = 0; i < finalFields.size(); ++i) {
    if (!sources[i].empty()) {
      into += ", " + QuoteIdentifier(finalFields[i].FieldName);
      from += ", " + QuoteIdentifier(sources[i]);
    } else if (finalFields[i].DataType == ftAutoInc) {
      into += ", " + QuoteIdentifier(finalFields[i].FieldName);
      from += ", row_number() OVER (ORDER BY rowid)";
    }
  }
  db_.Exec(std::string("INSERT INTO ") + QuoteIdentifier(kRebuildName) + " (" + into + ") SELECT " + from + " FROM " +
           QuoteIdentifier(kTableName) + " ORDER BY rowid");
  if (sqlite3_changes64(db_.Handle()) != records) {
    throw EDBEngineError("The copy of " + fileName_ + " lost records and was undone");
  }
  // The old table's pages become free pages, zeroed as they are freed (the
  // connection's secure delete), so no byte of a dropped value stays in the
  // file; their content goes only to the rollback journal, which the commit
  // deletes. Later writes reuse the free pages.
  db_.Exec(std::string("DROP TABLE ") + QuoteIdentifier(kTableName));
  db_.Exec(std::string("ALTER TABLE ") + QuoteIdentifier(kRebuildName) + " RENAME TO " + QuoteIdentifier(kTableName));
}

void TTableFile::NumberAutoInc(const std::string& fieldName) {
  std::string table = QuoteIdentifier(kTableName);
  db_.Exec("UPDATE " + table + " SET " + QuoteIdentifier(fieldName) +
           " = numbered.n FROM (SELECT rowid AS r, row_number() OVER (ORDER BY rowid) AS n FROM " + table +
           ") AS numbered WHERE " + table + ".rowid = numbered.r");
}

std::optional<std::string> FormatValue(const TFieldDef& field, const SqliteStatement& row, int column) {
  switch (row.ColumnType(column)) {
    case SQLITE_NULL:
      return std::nullopt;
    case SQLITE_INTEGER:
      if (field.DataType == ftBoolean) return row.ColumnInt(column) != 0 ? "TRUE" : "FALSE";
      if (field.DataType == ftBCD) break;
      return std::to_string(row.ColumnInt(column));
    case SQLITE_FLOAT:
      break;
    case SQLITE_BLOB:
      return HexOf(row.ColumnBlob(column));
    default:
      return row.ColumnText(column);
  }
  double value = row.ColumnDouble(column);
  if (field.DataType == ftBCD) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", field.Size, value);
    return std::string(buffer);
  }
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::to_string(value);
}

void BindValue(const TFieldDef& field, const std::optional<std::string>& text, SqliteStatement& statement,
               int parameter) {
  sqlite3_stmt* stmt = statement.Handle();
  if (!text || text->empty()) {
    sqlite3_bind_null(stmt, parameter);
    return;
  }
  const std::string& value = *text;
  auto bad = [&](const std::string& why) {
    return EDBEngineError("Value \"" + value.substr(0, 60) + "\" does not fit field " + field.FieldName + ": " + why);
  };
  auto bindInteger = [&](int64_t low, int64_t high) {
    std::optional<int64_t> number = ParseInteger(value);
    if (!number) throw bad("not an integer");
    if (*number < low || *number > high) {
      throw bad("out of range " + std::to_string(low) + " to " + std::to_string(high));
    }
    sqlite3_bind_int64(stmt, parameter, *number);
  };
  auto bindText = [&](const std::string& normal) {
    sqlite3_bind_text(stmt, parameter, normal.data(), static_cast<int>(normal.size()), SQLITE_TRANSIENT);
  };
  auto bindBytes = [&](size_t maxSize) {
    std::optional<std::string> bytes = BytesOfHex(value);
    if (!bytes) throw bad("not hexadecimal digits");
    if (bytes->size() > maxSize) throw bad("longer than " + std::to_string(maxSize) + " bytes");
    sqlite3_bind_blob(stmt, parameter, bytes->data(), static_cast<int>(bytes->size()), SQLITE_TRANSIENT);
  };
  switch (field.DataType) {
    case ftString:
      if (!ValidUtf8(value)) throw bad("not UTF-8 text");
      if (Utf8Length(value) > static_cast<size_t>(field.Size)) {
        throw bad("longer than " + std::to_string(field.Size) + " characters");
      }
      bindText(value);
      return;
    case ftMemo:
    case ftFmtMemo:
      if (!ValidUtf8(value)) throw bad("not UTF-8 text");
      bindText(value);
      return;
    case ftSmallint:
      bindInteger(-32768, 32767);
      return;
    case ftInteger:
      bindInteger(INT32_MIN, INT32_MAX);
      return;
    case ftWord:
      bindInteger(0, 65535);
      return;
    case ftAutoInc:
      bindInteger(1, INT32_MAX);
      return;
    case ftBoolean: {
      std::string upper = dbtext::ToUpperAscii(value);
      if (upper == "TRUE" || upper == "T" || upper == "1" || upper == "YES") {
        sqlite3_bind_int(stmt, parameter, 1);
      } else if (upper == "FALSE" || upper == "F" || upper == "0" || upper == "NO") {
        sqlite3_bind_int(stmt, parameter, 0);
      } else {
        throw bad("not TRUE or FALSE");
      }
      return;
    }
    case ftFloat:
    case ftCurrency:
    case ftBCD: {
      std::optional<double> number = ParseNumber(value);
      if (!number) throw bad("not a number");
      sqlite3_bind_double(stmt, parameter, *number);
      return;
    }
    case ftDate:
      if (!ValidDate(value)) throw bad("not a date YYYY-MM-DD");
      bindText(value);
      return;
    case ftTime: {
      std::optional<std::string> time = NormalTime(value);
      if (!time) throw bad("not a time HH:MM:SS");
      bindText(*time);
      return;
    }
    case ftDateTime: {
      std::optional<std::string> time;
      if (value.size() > 11 && (value[10] == ' ' || value[10] == 'T') && ValidDate(value.substr(0, 10))) {
        time = NormalTime(std::string_view(value).substr(11));
      }
      if (!time) throw bad("not a timestamp YYYY-MM-DD HH:MM:SS");
      bindText(value.substr(0, 10) + " " + *time);
      return;
    }
    case ftBytes:
    case ftVarBytes:
      bindBytes(static_cast<size_t>(field.Size));
      return;
    case ftBlob:
    case ftGraphic:
    case ftTypedBinary:
      bindBytes(SIZE_MAX);
      return;
    case ftUnknown:
      break;
  }
  throw bad("the field's type takes no values");
}

}  // namespace vorn
