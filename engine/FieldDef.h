// Field types and field descriptors of the engine's tables.
//
// A field keeps its type, its size and its position for its whole life: the
// table file stores them in the declared column type (see TableFile.h), in
// the engine's own type clause ("CHAR(40)", "BLOB(10,1)", "AUTOINC").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

enum TFieldType {
  ftUnknown,
  ftString,       // CHAR(n), n characters, 1..255
  ftSmallint,     // SMALLINT, 16-bit signed
  ftInteger,      // INTEGER, 32-bit signed
  ftWord,         // WORD, 16-bit unsigned
  ftBoolean,      // BOOLEAN
  ftFloat,        // NUMERIC, double precision
  ftCurrency,     // MONEY
  ftBCD,          // BCD(n), n decimals, 0..32
  ftDate,         // DATE
  ftTime,         // TIME
  ftDateTime,     // TIMESTAMP
  ftBytes,        // BYTES(n), n bytes, 1..255
  ftVarBytes,     // VARBYTES(n), up to n bytes, 1..255
  ftAutoInc,      // AUTOINC, numbered by the engine
  ftBlob,         // BLOB(n,2), binary; n is the in-record length, 0..240
  ftMemo,         // BLOB(n,1), text
  ftGraphic,      // BLOB(n,5), picture
  ftFmtMemo,      // BLOB(n,3), formatted text
  ftTypedBinary,  // BLOB(n,4), embedded object
};

// One field of a table: its name as the table writes it, its type, and its
// size (characters of an ftString, in-record length of a BLOB field, bytes
// of ftBytes/ftVarBytes, decimals of ftBCD; 0 for the other types).
struct TFieldDef {
  std::string FieldName;
  TFieldType DataType = ftUnknown;
  int Size = 0;
  bool operator==(const TFieldDef&) const = default;
};

using TFieldDefs = std::vector<TFieldDef>;

// The type's own name, as the engine lists it ("ftString").
std::string_view FieldTypeName(TFieldType type);

// The engine's type clause of a type and size, in capitals: "CHAR(40)",
// "NUMERIC", "BLOB(10,1)". Raises EDBEngineError for ftUnknown and for a
// size outside the type's range.
std::string TypeClause(TFieldType type, int size);

// Reads a type clause in any letter case, blanks allowed around the
// parentheses and the comma ("Char(40)", "blob( 10 , 1 )", "AutoInc").
// Returns nothing when the text is not a clause of a known type or its size
// is out of range.
std::optional<TFieldDef> ParseTypeClause(std::string_view clause);

// Checks one field name: not empty, at most 128 bytes, no quote or control
// characters, no blank at either end, none of SQLite's row-number names
// ("rowid", "oid", "_rowid_"). Raises EDBEngineError.
void CheckFieldName(const std::string& name);

// Checks a field list for a table: at least one field, names not empty and
// unique without regard to letter case, no quote or control characters,
// valid type and size. Raises EDBEngineError naming the first fault.
void CheckFieldDefs(const TFieldDefs& fields);

}  // namespace vorn
