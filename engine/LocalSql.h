// The engine's local SQL: the statements a query can run on table files.
//
//   ALTER TABLE "NAME.db" DROP name, ADD name type, ...
//   CREATE TABLE "NAME.db" (name type, ...)
//
// The table is named by its file name in double quotes (".db" optional; a
// bare name without blanks is accepted too); keywords in any letter case;
// field names bare (no blank, comma, parenthesis or quote) or in double
// quotes; types as the type clauses of FieldDef.h ("Char(40)", "Numeric",
// "BLOB(10,1)"). One statement, an optional ";" at its end.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/FieldDef.h"

namespace vorn {

struct TAlterItem {
  enum Kind { Drop, Add };
  Kind Action = Drop;
  TFieldDef Field;  // Drop: only FieldName
  bool operator==(const TAlterItem&) const = default;
};

struct TAlterTable {
  std::string TableName;  // without ".db"
  std::vector<TAlterItem> Items;
};

struct TCreateTable {
  std::string TableName;  // without ".db"
  TFieldDefs Fields;
};

using TLocalStatement = std::variant<TAlterTable, TCreateTable>;

// Raises EDBEngineError for anything else, with the position of the fault.
TLocalStatement ParseLocalSql(std::string_view text);

// A table name as a statement or a table gives it: ".db" removed; raises
// EDBEngineError for an empty name or one that holds a path or wildcard.
std::string CheckedTableName(std::string_view name);

}  // namespace vorn
