// The engine's field types: their names, their type clauses and the limits
// of their sizes. The clause is both the local-SQL type of ALTER TABLE and
// the declared column type of the table file, so one table serves both.
#include "engine/FieldDef.h"

#include <array>
#include <charconv>

#include "engine/DatabaseError.h"
#include "engine/Text.h"

namespace vorn {
namespace {

enum class SizeForm {
  None,      // "DATE"
  One,       // "CHAR(n)"
  Blob,      // "BLOB(n,subtype)"
};

struct TypeInfo {
  TFieldType Type;
  std::string_view Name;
  std::string_view Keyword;
  SizeForm Form;
  int MinSize;
  int MaxSize;
  int BlobSubtype;  // Blob form only
};

constexpr std::array<TypeInfo, 19> kTypes{{
    {ftString, "ftString", "CHAR", SizeForm::One, 1, 255, 0},
    {ftSmallint, "ftSmallint", "SMALLINT", SizeForm::None, 0, 0, 0},
    {ftInteger, "ftInteger", "INTEGER", SizeForm::None, 0, 0, 0},
    {ftWord, "ftWord", "WORD", SizeForm::None, 0, 0, 0},
    {ftBoolean, "ftBoolean", "BOOLEAN", SizeForm::None, 0, 0, 0},
    {ftFloat, "ftFloat", "NUMERIC", SizeForm::None, 0, 0, 0},
    {ftCurrency, "ftCurrency", "MONEY", SizeForm::None, 0, 0, 0},
    {ftBCD, "ftBCD", "BCD", SizeForm::One, 0, 32, 0},
    {ftDate, "ftDate", "DATE", SizeForm::None, 0, 0, 0},
    {ftTime, "ftTime", "TIME", SizeForm::None, 0, 0, 0},
    {ftDateTime, "ftDateTime", "TIMESTAMP", SizeForm::None, 0, 0, 0},
    {ftBytes, "ftBytes", "BYTES", SizeForm::One, 1, 255, 0},
    {ftVarBytes, "ftVarBytes", "VARBYTES", SizeForm::One, 1, 255, 0},
    {ftAutoInc, "ftAutoInc", "AUTOINC", SizeForm::None, 0, 0, 0},
    {ftBlob, "ftBlob", "BLOB", SizeForm::Blob, 0, 240, 2},
    {ftMemo, "ftMemo", "BLOB", SizeForm::Blob, 0, 240, 1},
    {ftGraphic, "ftGraphic", "BLOB", SizeForm::Blob, 0, 240, 5},
    {ftFmtMemo, "ftFmtMemo", "BLOB", SizeForm::Blob, 0, 240, 3},
    {ftTypedBinary, "ftTypedBinary", "BLOB", SizeForm::Blob, 0, 240, 4},
}};

const TypeInfo* FindType(TFieldType type) {
  for (const TypeInfo& info : kTypes) {
    if (info.Type == type) return &info;
  }
  return nullptr;
}

// A tiny scanner over a clause: a keyword, then optional "(" numbers ")".
class ClauseReader {
 public:
  explicit ClauseReader(std::string_view text) : text_(text) {}

  void SkipBlanks() {
    while (pos_ < text_.size() && dbtext::IsBlank(text_[pos_])) ++pos_;
  }
  std::string Word() {
    SkipBlanks();
    size_t start = pos_;
    while (pos_ < text_.size() && IsWordChar(text_[pos_])) ++pos_;
    return dbtext::ToUpperAscii(text_.substr(start, pos_ - start));
  }
  bool Take(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  std::optional<int> Number() {
    SkipBlanks();
    size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
    if (start == pos_ || pos_ - start > 6) return std::nullopt;
    int value = 0;
    std::from_chars(text_.data() + start, text_.data() + pos_, value);
    return value;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos_ == text_.size();
  }

 private:
  static bool IsWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  }
  std::string_view text_;
  size_t pos_ = 0;
};

bool IsReservedName(std::string_view name) {
  return dbtext::SameName(name, "rowid") || dbtext::SameName(name, "oid") ||
         dbtext::SameName(name, "_rowid_");
}

}  // namespace

std::string_view FieldTypeName(TFieldType type) {
  const TypeInfo* info = FindType(type);
  return info ? info->Name : "ftUnknown";
}

std::string TypeClause(TFieldType type, int size) {
  const TypeInfo* info = FindType(type);
  if (info == nullptr) throw EDBEngineError("Field type not supported by tables: " + std::string(FieldTypeName(type)));
  if (info->Form == SizeForm::None) {
    if (size != 0) throw EDBEngineError("A field of type " + std::string(info->Name) + " has no size");
    return std::string(info->Keyword);
  }
  if (size < info->MinSize || size > info->MaxSize) {
    throw EDBEngineError("Invalid size " + std::to_string(size) + " for a field of type " + std::string(info->Name) +
                         " (allowed " + std::to_string(info->MinSize) + " to " + std::to_string(info->MaxSize) + ")");
  }
  std::string clause = std::string(info->Keyword) + "(" + std::to_string(size);
  if (info->Form == SizeForm::Blob) clause += "," + std::to_string(info->BlobSubtype);
  return clause + ")";
}

std::optional<TFieldDef> ParseTypeClause(std::string_view clause) {
  ClauseReader reader(clause);
  std::string keyword = reader.Word();
  if (keyword.empty()) return std::nullopt;
  std::optional<int> size;
  std::optional<int> subtype;
  if (reader.Take('(')) {
    size = reader.Number();
    if (!size) return std::nullopt;
    if (reader.Take(',')) {
      subtype = reader.Number();
      if (!subtype) return std::nullopt;
    }
    if (!reader.Take(')')) return std::nullopt;
  }
  if (!reader.AtEnd()) return std::nullopt;

  for (const TypeInfo& info : kTypes) {
    if (info.Keyword != keyword) continue;
    switch (info.Form) {
      case SizeForm::None:
        if (size) return std::nullopt;
        return TFieldDef{"", info.Type, 0};
      case SizeForm::One:
        if (!size || subtype || *size < info.MinSize || *size > info.MaxSize) return std::nullopt;
        return TFieldDef{"", info.Type, *size};
      case SizeForm::Blob:
        if (!size || !subtype || *subtype != info.BlobSubtype) continue;
        if (*size < info.MinSize || *size > info.MaxSize) return std::nullopt;
        return TFieldDef{"", info.Type, *size};
    }
  }
  return std::nullopt;
}

void CheckFieldName(const std::string& name) {
  if (name.empty()) throw EDBEngineError("A field name is empty");
  if (name.size() > 128) throw EDBEngineError("Field name too long: " + name.substr(0, 40) + "...");
  if (dbtext::IsBlank(name.front()) || dbtext::IsBlank(name.back())) {
    throw EDBEngineError("Field name begins or ends with a blank: \"" + name + "\"");
  }
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F || c == '"') throw EDBEngineError("Invalid character in field name: " + name);
  }
  if (IsReservedName(name)) throw EDBEngineError("Reserved field name: " + name);
}

void CheckFieldDefs(const TFieldDefs& fields) {
  if (fields.empty()) throw EDBEngineError("A table must have at least one field");
  if (fields.size() > 255) throw EDBEngineError("Too many fields (at most 255)");
  for (size_t i = 0; i < fields.size(); ++i) {
    const TFieldDef& field = fields[i];
    CheckFieldName(field.FieldName);
    TypeClause(field.DataType, field.Size);  // raises for a bad type or size
    for (size_t j = 0; j < i; ++j) {
      if (dbtext::SameName(fields[j].FieldName, field.FieldName)) {
        throw EDBEngineError("Duplicate field name: " + field.FieldName);
      }
    }
  }
}

}  // namespace vorn
