// Field comparison and statement writing: see TableStructure.h.
#include "alignment/TableStructure.h"

#include "engine/DatabaseError.h"
#include "engine/Table.h"

namespace vorn {

namespace {

// Letter case of ASCII letters ignored, every other byte compared as it is.
bool SameAsciiText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// A field name as the statement writes it: as it is, unless it holds a
// character that ends a bare name in local SQL (a blank, comma, parenthesis,
// semicolon or quote). Such a name, written bare, would break the statement
// or change what it does ("A, Drop Nome" would drop another field), so it is
// written in double quotes, a quote doubled.
std::string Quoted(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

std::string StatementFieldName(const std::string& name) {
  if (name.find_first_of(" \t\r\n\f\v,();\"") == std::string::npos) return name;
  return Quoted(name);
}

// Writes the items of one statement, each after ", " but the first.
class ItemWriter {
 public:
  explicit ItemWriter(std::string& text) : text_(text) {}

  void Drop(const TFieldDef& field) {
    Separate();
    text_ += "Drop ";
    text_ += StatementFieldName(field.FieldName);
    written_ = true;
  }

  void Add(const TFieldDef& field) {
    Separate();
    const std::string clause = FieldTypeClause(field.DataType, field.Size);
    if (!clause.empty()) {
      text_ += "ADD ";
      text_ += StatementFieldName(field.FieldName);
      text_ += clause;
    }
    // Set even without a clause: the empty item makes the engine refuse the
    // statement, and the failure is reported for the table.
    written_ = true;
  }

  bool Written() const { return written_; }

 private:
  void Separate() {
    if (written_) text_ += ", ";
  }

  std::string& text_;
  bool written_ = false;
};

}  // namespace

std::string FieldTypeClause(TFieldType type, int size) {
  const std::string number = std::to_string(size < 0 ? 0 : size);
  switch (type) {
    case ftString: return " Char(" + number + ")";
    case ftFloat: return " Numeric";
    case ftBoolean: return " Boolean";
    case ftMemo: return " BLOB(" + number + ",1)";
    case ftDate: return " Date";
    case ftTime: return " Time";
    case ftGraphic: return " BLOB(" + number + ",5)";
    case ftAutoInc: return " AutoInc";
    case ftUnknown: return {};
    default: break;
  }
  try {
    return " " + TypeClause(type, size);
  } catch (const EDatabaseError&) {
    return {};
  }
}

namespace {

TFieldDefs ReadTableFields(TSession& session, const std::string& databaseName, const std::string& tableFileName) {
  TTable table(session);
  table.SetDatabaseName(databaseName);
  // The file name less its ".db" ending.
  table.SetTableName(tableFileName.size() >= 3 ? tableFileName.substr(0, tableFileName.size() - 3)
                                               : std::string());
  table.SetTableType(ttDefault);
  table.Open();
  TFieldDefs fields = table.Fields();
  table.Close();
  return fields;
}

std::optional<TFieldDef> FindExactName(const TFieldDefs& fields, const std::string& fieldName) {
  for (const TFieldDef& field : fields) {
    if (field.FieldName == fieldName) return field;
  }
  return std::nullopt;
}

}  // namespace

std::optional<TFieldDef> FindTableField(TSession& session, const std::string& databaseName,
                                        const std::string& tableFileName,
                                        const std::string& fieldName) {
  return FindExactName(ReadTableFields(session, databaseName, tableFileName), fieldName);
}

TableFieldFinder::TableFieldFinder(TSession& session, std::string databaseName, std::string tableFileName)
    : session_(session), databaseName_(std::move(databaseName)), tableFileName_(std::move(tableFileName)) {}

std::optional<TFieldDef> TableFieldFinder::Find(const std::string& fieldName) {
  if (!fields_) fields_ = ReadTableFields(session_, databaseName_, tableFileName_);
  return FindExactName(*fields_, fieldName);
}

std::optional<std::string> BuildAlterStatement(const std::string& tableFileName,
                                               const TFieldDefs& templateFields,
                                               const TFieldDefs& archiveFields,
                                               const ArchiveFieldLookup& lookup) {
  // A quote in a file name is doubled, so the name cannot end early.
  std::string statement = "ALTER TABLE " + Quoted(tableFileName) + " ";
  ItemWriter items(statement);
  for (size_t i = 0; i < templateFields.size(); ++i) {
    const TFieldDef& t = templateFields[i];
    // Past the archive's last field, the template's extra fields meet that last field.
    const TFieldDef* e = nullptr;
    if (!archiveFields.empty()) e = i < archiveFields.size() ? &archiveFields[i] : &archiveFields.back();
    if (e && SameAsciiText(t.FieldName, e->FieldName)) {
      if (t.DataType != e->DataType) {
        items.Drop(*e);
        items.Add(t);
      }
    } else if (lookup(t.FieldName)) {
      // A table always has a field, so e is there whenever the lookup finds one.
      if (e) items.Drop(*e);
      items.Add(t);
    } else {
      items.Add(t);
    }
  }
  if (!items.Written()) return std::nullopt;
  return statement;
}

}  // namespace vorn
