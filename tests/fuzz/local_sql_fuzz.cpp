// libFuzzer target: arbitrary text as a local-SQL statement. A statement
// that parses must read back the same when written out again, and is then
// run by a query on a scratch folder: an ALTER TABLE on the table "T.db",
// a CREATE TABLE of a new file. Any input must end in a statement or an
// EDatabaseError, and a failed statement must leave "T.db" byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <variant>

#include "engine/ConfigFile.h"
#include "engine/DBEngine.h"
#include "engine/DatabaseError.h"
#include "engine/FieldDef.h"
#include "engine/LocalSql.h"
#include "engine/Query.h"
#include "engine/Session.h"
#include "engine/Table.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using fuzz::Drive;
using fuzz::Check;
using fuzz::Bytes;

namespace fs = std::filesystem;

constexpr const char* kFolder = "C:\\SqlFuzz\\";

std::string Quoted(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string Field(const vorn::TFieldDef& field) {
  return Quoted(field.FieldName) + " " + vorn::TypeClause(field.DataType, field.Size);
}

// The statement written out in the plainest form the parser takes.
std::string Written(const vorn::TLocalStatement& statement) {
  if (const auto* alter = std::get_if<vorn::TAlterTable>(&statement)) {
    std::string text = "ALTER TABLE " + Quoted(alter->TableName + ".db");
    for (size_t i = 0; i < alter->Items.size(); ++i) {
      const vorn::TAlterItem& item = alter->Items[i];
      text += i == 0 ? " " : ", ";
      text += item.Action == vorn::TAlterItem::Drop ? "DROP " + Quoted(item.Field.FieldName) : "ADD " + Field(item.Field);
    }
    return text;
  }
  const auto& create = std::get<vorn::TCreateTable>(statement);
  std::string text = "CREATE TABLE " + Quoted(create.TableName + ".db") + " (";
  for (size_t i = 0; i < create.Fields.size(); ++i) text += (i == 0 ? "" : ", ") + Field(create.Fields[i]);
  return text + ")";
}

bool Same(const vorn::TLocalStatement& a, const vorn::TLocalStatement& b) {
  if (a.index() != b.index()) return false;
  if (const auto* alter = std::get_if<vorn::TAlterTable>(&a)) {
    const auto& other = std::get<vorn::TAlterTable>(b);
    return alter->TableName == other.TableName && alter->Items == other.Items;
  }
  const auto& create = std::get<vorn::TCreateTable>(a);
  const auto& other = std::get<vorn::TCreateTable>(b);
  return create.TableName == other.TableName && create.Fields == other.Fields;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string folder = (fs::temp_directory_path() / "vorn-sqlfuzz-XXXXXX").string();
  if (!mkdtemp(folder.data())) std::abort();
  Drive() = fs::path(folder) / "drive_c";
  fs::create_directories(Drive() / "SqlFuzz");
  setenv("VORN_DRIVE_C", Drive().c_str(), 1);
  vorn::TConfigFile::Defaults().Save(vorn::TDBEngine::DefaultConfigFile);
  // The table every ALTER TABLE "T" works on, kept aside as the template.
  vorn::TDBEngine engine;
  vorn::TTable table(engine.DefaultSession());
  table.SetDatabaseName(kFolder);
  table.SetTableName("T");
  table.CreateTable({{"ID", vorn::ftAutoInc, 0}, {"Nome", vorn::ftString, 20}, {"Note", vorn::ftMemo, 10}});
  table.Open();
  table.AppendRecords({{std::nullopt, "uno", "a"}, {std::nullopt, "due", std::nullopt}});
  table.Close();
  fs::rename(Drive() / "SqlFuzz" / "T.db", Drive() / "T.template");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::optional<vorn::TLocalStatement> statement;
  try {
    statement = vorn::ParseLocalSql(text);
  } catch (const vorn::EDatabaseError& error) {
    Check(*error.what() != '\0');
    return 0;
  }
  Check(Same(*statement, vorn::ParseLocalSql(Written(*statement))));

  // Run it, on a fresh copy of the table.
  const fs::path folder = Drive() / "SqlFuzz";
  const fs::path table = folder / "T.db";
  fs::copy_file(Drive() / "T.template", table, fs::copy_options::overwrite_existing);
  const std::string before = Bytes(table);
  vorn::TDBEngine engine;
  engine.SetBusyTimeoutMs(0);  // nothing else holds the files; never wait
  vorn::TQuery query(engine.DefaultSession());
  query.SetDatabaseName(kFolder);
  query.SQL = {text};
  bool done = false;
  try {
    query.ExecSQL();
    done = true;
  } catch (const vorn::EDatabaseError& error) {
    Check(*error.what() != '\0');
  }
  if (!done) Check(Bytes(table) == before);
  // Whatever was made or changed opens as a table of the engine.
  if (done) {
    vorn::TTable result(engine.DefaultSession());
    result.SetDatabaseName(kFolder);
    result.SetTableName(std::visit([](const auto& s) { return s.TableName; }, *statement));
    result.Open();
    Check(!result.Fields().empty());
  }
  std::error_code ignored;
  for (const auto& item : fs::directory_iterator(folder)) fs::remove_all(item.path(), ignored);
  return 0;
}
