// Comparing a template table's fields with an archive table's and writing
// the ALTER TABLE statement that makes the archive follow the template.
//
// The comparison goes by position and by name and looks at types, never at
// sizes: a CHAR(20) archive field stays as it is under a CHAR(40) template
// field. Archive fields past the template's last one are never examined.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/FieldDef.h"

namespace vorn {

class TSession;

// The type clause written after a field name in an ADD item, with its
// leading blank: " Char(40)", " Numeric", " Boolean", " BLOB(10,1)", " Date",
// " Time", " BLOB(10,5)", " AutoInc". The other types of the engine get the
// engine's own clause (" INTEGER", " BLOB(0,2)", ...), so that a template
// field of such a type can be added too. Empty for ftUnknown, which no table
// holds.
std::string FieldTypeClause(TFieldType type, int size);

// The field of that name (letter case counts) of the table tableFileName
// (a name ending in ".db") of the database databaseName, looked up through
// a table handle of the given session; nothing when the table has none.
// The table is closed before returning. Raises EDatabaseError when the
// table cannot be opened.
std::optional<TFieldDef> FindTableField(TSession& session, const std::string& databaseName,
                                        const std::string& tableFileName,
                                        const std::string& fieldName);

// FindTableField for several names of one table while its statement is
// built: the table is opened, read and closed again at the first lookup
// only, since nothing changes it in between.
class TableFieldFinder {
 public:
  TableFieldFinder(TSession& session, std::string databaseName, std::string tableFileName);
  // Raises EDatabaseError when the table cannot be opened.
  std::optional<TFieldDef> Find(const std::string& fieldName);

 private:
  TSession& session_;
  std::string databaseName_;
  std::string tableFileName_;
  std::optional<TFieldDefs> fields_;
};

// Whether the archive table holds a field of that exact name.
using ArchiveFieldLookup = std::function<bool(const std::string& fieldName)>;

// The statement
//   ALTER TABLE "NAME.db" Drop E, ADD T Char(40), ...
// for one template and archive table, or nothing when no item is due.
// lookup is asked only when a template field's name differs from the
// archive field it is compared with; its errors pass on. Names are written
// as they are, except that a name local SQL cannot take bare (a blank, a
// comma, a parenthesis, a semicolon) goes in double quotes.
std::optional<std::string> BuildAlterStatement(const std::string& tableFileName,
                                               const TFieldDefs& templateFields,
                                               const TFieldDefs& archiveFields,
                                               const ArchiveFieldLookup& lookup);

}  // namespace vorn
