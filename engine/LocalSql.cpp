// The local-SQL parser. Hand-written and small: the statements are few and
// their errors must say exactly where they go wrong, since support staff
// read them in the setup's log.
#include "engine/LocalSql.h"

#include "engine/DatabaseError.h"
#include "engine/Text.h"

namespace vorn {
namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  TLocalStatement Statement() {
    std::string verb = Keyword();
    if (verb == "ALTER") {
      ExpectKeyword("TABLE");
      return Alter();
    }
    if (verb == "CREATE") {
      ExpectKeyword("TABLE");
      return Create();
    }
    if (verb.empty() && AtEnd()) throw EDBEngineError("Empty statement");
    throw EDBEngineError("Statement not supported (only ALTER TABLE and CREATE TABLE): " + Excerpt(0));
  }

 private:
  TAlterTable Alter() {
    TAlterTable statement;
    statement.TableName = TableName();
    if (AtEndOfStatement()) Fail("ALTER TABLE without any DROP or ADD");
    do {
      statement.Items.push_back(AlterItem());
    } while (Take(','));
    ExpectEnd();
    return statement;
  }

  TAlterItem AlterItem() {
    SkipBlanks();
    if (AtEndOfStatement() || Peek() == ',') Fail("empty item");
    size_t start = pos_;
    std::string action = Keyword();
    TAlterItem item;
    if (action == "DROP") {
      item.Action = TAlterItem::Drop;
      OptionalKeyword("COLUMN");
      item.Field.FieldName = FieldName();
    } else if (action == "ADD") {
      item.Action = TAlterItem::Add;
      OptionalKeyword("COLUMN");
      item.Field = FieldWithType();
    } else {
      pos_ = start;
      Fail("expected DROP or ADD");
    }
    return item;
  }

  TCreateTable Create() {
    TCreateTable statement;
    statement.TableName = TableName();
    if (!Take('(')) Fail("expected \"(\" before the fields");
    do {
      SkipBlanks();
      if (Peek() == ',' || Peek() == ')') Fail("empty field");
      statement.Fields.push_back(FieldWithType());
    } while (Take(','));
    if (!Take(')')) Fail("expected \")\" after the fields");
    ExpectEnd();
    CheckFieldDefs(statement.Fields);
    return statement;
  }

  TFieldDef FieldWithType() {
    std::string name = FieldName();
    SkipBlanks();
    size_t start = pos_;
    int depth = 0;
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '(') ++depth;
      if (c == ')') {
        if (depth == 0) break;
        --depth;
      }
      if ((c == ',' && depth == 0) || c == ';') break;
      ++pos_;
    }
    std::string_view clause = dbtext::Trim(text_.substr(start, pos_ - start));
    if (clause.empty()) {
      pos_ = start;
      Fail("field " + name + " has no type");
    }
    std::optional<TFieldDef> field = ParseTypeClause(clause);
    if (!field) {
      pos_ = start;
      Fail("unknown type or size \"" + std::string(clause) + "\" for field " + name);
    }
    field->FieldName = name;
    CheckFieldName(name);
    return *field;
  }

  std::string TableName() {
    SkipBlanks();
    size_t start = pos_;
    std::string name = Name();
    if (name.empty()) {
      pos_ = start;
      Fail("expected the table's file name");
    }
    return CheckedTableName(name);
  }

  std::string FieldName() {
    SkipBlanks();
    size_t start = pos_;
    std::string name = Name();
    if (name.empty()) {
      pos_ = start;
      Fail("expected a field name");
    }
    return name;
  }

  // A name in double quotes ("" stands for one quote), or a bare run of
  // characters up to a blank, comma, parenthesis, quote or semicolon.
  std::string Name() {
    SkipBlanks();
    std::string name;
    if (Peek() == '"') {
      size_t start = pos_;
      ++pos_;
      while (true) {
        if (pos_ >= text_.size()) {
          pos_ = start;
          Fail("unterminated quoted name");
        }
        char c = text_[pos_++];
        if (c == '"') {
          if (Peek() != '"') break;
          ++pos_;
        }
        name += c;
      }
      return name;
    }
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (dbtext::IsBlank(c) || c == ',' || c == '(' || c == ')' || c == '"' || c == ';') break;
      name += c;
      ++pos_;
    }
    return name;
  }

  std::string Keyword() {
    SkipBlanks();
    size_t start = pos_;
    while (pos_ < text_.size() && IsLetter(text_[pos_])) ++pos_;
    return dbtext::ToUpperAscii(text_.substr(start, pos_ - start));
  }

  void ExpectKeyword(std::string_view keyword) {
    SkipBlanks();
    size_t start = pos_;
    if (Keyword() != keyword) {
      pos_ = start;
      Fail("expected " + std::string(keyword));
    }
  }

  void OptionalKeyword(std::string_view keyword) {
    SkipBlanks();
    size_t start = pos_;
    std::string word = Keyword();
    // "COLUMN" followed by a name is the keyword; "COLUMN" alone is a field.
    bool blankAfter = pos_ < text_.size() && dbtext::IsBlank(text_[pos_]);
    if (word != keyword || !blankAfter || AtEndOfStatement() || Peek() == ',') pos_ = start;
  }

  void ExpectEnd() {
    Take(';');
    if (!AtEnd()) Fail("unexpected text");
  }

  bool Take(char c) {
    SkipBlanks();
    if (Peek() == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
  void SkipBlanks() {
    while (pos_ < text_.size() && dbtext::IsBlank(text_[pos_])) ++pos_;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos_ >= text_.size();
  }
  bool AtEndOfStatement() {
    SkipBlanks();
    return pos_ >= text_.size() || Peek() == ';';
  }
  static bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

  std::string Excerpt(size_t at) const {
    std::string_view rest = text_.substr(std::min(at, text_.size()));
    std::string excerpt(rest.substr(0, 40));
    for (char& c : excerpt) {
      if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return rest.size() > 40 ? excerpt + "..." : excerpt;
  }

  [[noreturn]] void Fail(const std::string& what) const {
    std::string where = pos_ >= text_.size() ? "at the end" : "at \"" + Excerpt(pos_) + "\"";
    throw EDBEngineError("Syntax error in local SQL, " + what + " (character " + std::to_string(pos_ + 1) +
                         ", " + where + ")");
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

std::string CheckedTableName(std::string_view name) {
  std::string table(dbtext::Trim(name));
  if (dbtext::EndsWithName(table, ".db")) table.resize(table.size() - 3);
  if (table.empty()) throw EDBEngineError("A table name is empty");
  if (table.size() > 200) throw EDBEngineError("Table name too long: " + table.substr(0, 40) + "...");
  for (unsigned char c : table) {
    if (c < 0x20 || std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos) {
      throw EDBEngineError("Invalid table name: " + std::string(name));
    }
  }
  if (table == "." || table == "..") throw EDBEngineError("Invalid table name: " + std::string(name));
  return table;
}

TLocalStatement ParseLocalSql(std::string_view text) { return Parser(text).Statement(); }

}  // namespace vorn
