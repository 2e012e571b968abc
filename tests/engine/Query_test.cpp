#include "engine/Query.h"

#include <gtest/gtest.h>

#include "EngineDrive.h"
#include "engine/DatabaseError.h"
#include "engine/Database.h"
#include "engine/Table.h"

namespace vorn {
namespace {

using test::EngineDrive;
namespace fs = std::filesystem;

class QueryTest : public EngineDrive {
 protected:
  void SetUp() override {
    EngineDrive::SetUp();
    InstallEngine();
  }

  void MakeTable(const std::string& name, const TFieldDefs& fields, const std::vector<TRecord>& rows) {
    TTable table(Session());
    table.SetDatabaseName("ZAV");
    table.SetTableName(name);
    table.CreateTable(fields);
    table.Open();
    for (const TRecord& row : rows) table.AppendRecord(row);
  }

  void Exec(const std::string& statement) {
    TQuery query(Session());
    query.SetDatabaseName("ZAV");
    query.SQL.push_back(statement);
    query.ExecSQL();
  }

  std::string ExecError(const std::string& statement) {
    try {
      Exec(statement);
    } catch (const EDBEngineError& e) {
      return e.what();
    } catch (const std::exception& e) {
      return std::string("not an engine error: ") + e.what();
    }
    return "";
  }

  TFieldDefs FieldsOf(const std::string& name) {
    TTable table(Session());
    table.SetDatabaseName("ZAV");
    table.SetTableName(name);
    table.Open();
    return table.Fields();
  }

  std::vector<TRecord> RowsOf(const std::string& name) {
    TTable table(Session());
    table.SetDatabaseName("ZAV");
    table.SetTableName(name);
    table.Open();
    return table.ReadRecords();
  }

  // How often a text occurs in the bytes of every file of the archive
  // folder: the table, a journal or anything else left beside it.
  size_t BytesFound(const std::string& text) {
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(Archive(""))) {
      std::string bytes = Read(entry.path());
      for (size_t at = bytes.find(text); at != std::string::npos; at = bytes.find(text, at + 1)) ++count;
    }
    return count;
  }

  // Runs a statement that must fail, and checks that the table file is
  // byte for byte as it was and that nothing was left beside it.
  void ExpectRefused(const std::string& table, const std::string& statement, const std::string& words,
                     bool journalOfOthers = false) {
    SCOPED_TRACE(statement);
    std::string before = Read(Archive(table + ".db"));
    std::string message = ExecError(statement);
    EXPECT_NE(message.find(words), std::string::npos) << message;
    EXPECT_EQ(Read(Archive(table + ".db")), before);
    if (!journalOfOthers) {
      EXPECT_FALSE(fs::exists(Archive(table + ".db-journal")));
    }
  }
};

TEST_F(QueryTest, TheAlignmentsWorkedExampleRuns) {
  MakeTable("TAB1", {{"F1", ftAutoInc, 0}, {"F2", ftFloat, 0}}, {{"", "1.5"}, {"", "2.5"}, {"7", ""}});
  TSession vorn("SessionVORN_1", Engine());
  TDatabase principale(vorn);
  principale.SetDatabaseName("Calanco");
  principale.SetAliasName("ZAV");
  principale.Open();
  TQuery sql(vorn);
  sql.SetDatabaseName("ZAV");
  sql.Close();
  sql.SQL.clear();
  sql.SQL.push_back("ALTER TABLE \"TAB1.db\" Drop F2, ADD F2 Char(40), ADD F3 Numeric");
  sql.ExecSQL();
  EXPECT_EQ(FieldsOf("TAB1"), (TFieldDefs{{"F1", ftAutoInc, 0}, {"F2", ftString, 40}, {"F3", ftFloat, 0}}));
  EXPECT_EQ(RowsOf("TAB1"), (std::vector<TRecord>{{"1", std::nullopt, std::nullopt},
                                                  {"2", std::nullopt, std::nullopt},
                                                  {"7", std::nullopt, std::nullopt}}));
  EXPECT_EQ(Others(Archive(""), "TAB1.db"), std::vector<std::string>{});
}

TEST_F(QueryTest, KeptFieldsKeepTheirValuesDroppedOnesGoAddedOnesStartEmpty) {
  MakeTable("P", {{"a", ftInteger, 0}, {"b", ftString, 10}, {"c", ftDate, 0}, {"d", ftMemo, 0}, {"e", ftBoolean, 0}},
            {{"1", "uno", "2020-01-01", "nota 1", "T"},
             {"2", "due", "", "nota 2", "F"},
             {"3", "tre", "2022-12-31", "", ""}});
  Exec("alter table \"P.DB\" DROP b, add X char(10), Drop D, ADD n AutoInc, ADD g BLOB(10,5)");
  EXPECT_EQ(FieldsOf("P"), (TFieldDefs{{"a", ftInteger, 0},
                                       {"c", ftDate, 0},
                                       {"e", ftBoolean, 0},
                                       {"X", ftString, 10},
                                       {"n", ftAutoInc, 0},
                                       {"g", ftGraphic, 10}}));
  EXPECT_EQ(RowsOf("P"), (std::vector<TRecord>{{"1", "2020-01-01", "TRUE", std::nullopt, "1", std::nullopt},
                                               {"2", std::nullopt, "FALSE", std::nullopt, "2", std::nullopt},
                                               {"3", "2022-12-31", std::nullopt, std::nullopt, "3", std::nullopt}}));
  // The added AutoInc goes on numbering after its highest value.
  TTable table(Session());
  table.SetDatabaseName("ZAV");
  table.SetTableName("P");
  table.Open();
  table.AppendRecord({"4", "", "", "", "", ""});
  EXPECT_EQ(table.ReadRecords().back()[4], "4");
}

TEST_F(QueryTest, DroppedValuesLeaveNoByteInTheFileOrBesideIt) {
  // Short values, values on overflow pages (long memos) and values in the
  // field that a type change drops and adds again.
  std::vector<TRecord> rows;
  for (int i = 1; i <= 50; ++i) {
    std::string n = std::to_string(i);
    rows.push_back({"", "Nome " + n, "DIAGNOSI-RISERVATA-" + n, "REFERTO-RISERVATO-" + n + std::string(6000, 'r'),
                    "ESITO-RISERVATO-" + n, "CONSERVATO-" + n});
  }
  MakeTable("P", {{"Id", ftAutoInc, 0}, {"Nome", ftString, 20}, {"Nota", ftString, 40}, {"Referto", ftMemo, 0},
                  {"Esito", ftString, 30}, {"Tenuto", ftString, 20}},
            rows);
  for (const char* marker : {"DIAGNOSI-RISERVATA-", "REFERTO-RISERVATO-", "ESITO-RISERVATO-", "CONSERVATO-"}) {
    ASSERT_EQ(BytesFound(marker), 50u) << marker;
  }
  // A refused change keeps them, byte for byte.
  ExpectRefused("P", "ALTER TABLE \"P.db\" DROP Nota, DROP Nessuno", "no such field");
  EXPECT_EQ(BytesFound("DIAGNOSI-RISERVATA-"), 50u);

  Exec("ALTER TABLE \"P.db\" DROP Nota");
  EXPECT_EQ(BytesFound("DIAGNOSI-RISERVATA-"), 0u);
  Exec("ALTER TABLE \"P.db\" DROP Referto, DROP Esito, ADD Esito Date");
  EXPECT_EQ(BytesFound("REFERTO-RISERVATO-"), 0u);
  EXPECT_EQ(BytesFound("ESITO-RISERVATO-"), 0u);
  // Kept values are still found where they are: the search sees the file.
  EXPECT_EQ(BytesFound("CONSERVATO-"), 50u);
  EXPECT_EQ(RowsOf("P")[49], (TRecord{"50", "Nome 50", std::nullopt, "CONSERVATO-50"}));
  EXPECT_EQ(Others(Archive(""), "P.db"), std::vector<std::string>{});

  // Pages freed by a change are reused by the next ones, and stay clean.
  Exec("ALTER TABLE \"P.db\" ADD Referto BLOB(10,1)");
  TTable table(Session());
  table.SetDatabaseName("ZAV");
  table.SetTableName("P");
  table.Open();
  table.AppendRecord({"", "Nuovo", "", "", "REFERTO-NUOVO" + std::string(9000, 'n')});
  table.Close();
  Exec("ALTER TABLE \"P.db\" DROP Referto");
  EXPECT_EQ(BytesFound("REFERTO-NUOVO"), 0u);
  EXPECT_EQ(BytesFound("CONSERVATO-"), 50u);
}

TEST_F(QueryTest, AnyFieldCanBeDroppedTheAutoIncAndAllOfThemToo) {
  MakeTable("A", {{"Id", ftAutoInc, 0}, {"Nome", ftString, 20}}, {{"", "x"}, {"", "y"}});
  Exec("ALTER TABLE \"A.db\" DROP Id");
  EXPECT_EQ(FieldsOf("A"), (TFieldDefs{{"Nome", ftString, 20}}));
  EXPECT_EQ(RowsOf("A"), (std::vector<TRecord>{{"x"}, {"y"}}));

  // Every old field goes at once: the table is rebuilt and keeps its rows.
  Exec("ALTER TABLE \"A.db\" DROP Nome, ADD Nuovo Date, ADD Id AutoInc");
  EXPECT_EQ(FieldsOf("A"), (TFieldDefs{{"Nuovo", ftDate, 0}, {"Id", ftAutoInc, 0}}));
  EXPECT_EQ(RowsOf("A"), (std::vector<TRecord>{{std::nullopt, "1"}, {std::nullopt, "2"}}));

  // Dropped and added again: same name, new type, no data, same place.
  Exec("ALTER TABLE \"A.db\" Drop Nuovo, ADD Nuovo Time");
  EXPECT_EQ(FieldsOf("A"), (TFieldDefs{{"Nuovo", ftTime, 0}, {"Id", ftAutoInc, 0}}));
  // Added and dropped again in one statement: nothing changes.
  Exec("ALTER TABLE \"A.db\" ADD tmp Char(3), DROP tmp");
  EXPECT_EQ(FieldsOf("A"), (TFieldDefs{{"Nuovo", ftTime, 0}, {"Id", ftAutoInc, 0}}));
  EXPECT_EQ(RowsOf("A").size(), 2u);
  EXPECT_EQ(Others(Archive(""), "A.db"), std::vector<std::string>{});
}

TEST_F(QueryTest, AFieldAddedUnderADroppedNameTakesItsPlaceOthersGoAtTheEnd) {
  MakeTable("P", {{"a", ftInteger, 0}, {"b", ftString, 10}, {"c", ftDate, 0}, {"d", ftFloat, 0}},
            {{"1", "uno", "2020-01-01", "1.5"}, {"2", "due", "", "2.5"}});
  // Another letter case, a new field between, two type changes, one drop
  // without return: every row is copied once into this order.
  Exec("ALTER TABLE \"P.db\" Drop B, ADD x Time, ADD b Numeric, Drop d, Drop a, ADD A AutoInc");
  EXPECT_EQ(FieldsOf("P"), (TFieldDefs{{"A", ftAutoInc, 0}, {"b", ftFloat, 0}, {"c", ftDate, 0}, {"x", ftTime, 0}}));
  EXPECT_EQ(RowsOf("P"), (std::vector<TRecord>{{"1", std::nullopt, "2020-01-01", std::nullopt},
                                               {"2", std::nullopt, std::nullopt, std::nullopt}}));
  // Dropped twice over: the last ADD still finds the place.
  Exec("ALTER TABLE \"P.db\" Drop c, ADD c Time, Drop c, ADD c Char(4)");
  EXPECT_EQ(FieldsOf("P"),
            (TFieldDefs{{"A", ftAutoInc, 0}, {"b", ftFloat, 0}, {"c", ftString, 4}, {"x", ftTime, 0}}));
  EXPECT_EQ(RowsOf("P").size(), 2u);
  EXPECT_EQ(Others(Archive(""), "P.db"), std::vector<std::string>{});
}

TEST_F(QueryTest, AFieldSQLiteWillNotDropInPlaceIsDroppedByRebuildingTheTable) {
  // A table-level rule naming the field makes SQLite refuse its own DROP COLUMN.
  Sql(Archive("R.db"), "PRAGMA application_id=1448038990; PRAGMA user_version=1;"
                       "CREATE TABLE Records(\"A\" INTEGER, \"B\" DATE, \"C\" CHAR(5), CHECK (B IS NULL OR A > 0));"
                       "INSERT INTO Records VALUES (1, '2020-01-01', 'x'), (2, NULL, 'y'), (3, NULL, NULL)");
  Exec("ALTER TABLE \"R.db\" DROP B, ADD N AutoInc");
  EXPECT_EQ(FieldsOf("R"), (TFieldDefs{{"A", ftInteger, 0}, {"C", ftString, 5}, {"N", ftAutoInc, 0}}));
  EXPECT_EQ(RowsOf("R"), (std::vector<TRecord>{{"1", "x", "1"}, {"2", "y", "2"}, {"3", std::nullopt, "3"}}));
  EXPECT_EQ(Others(Archive(""), "R.db"), std::vector<std::string>{});
}

TEST_F(QueryTest, EveryKindOfFailureLeavesTheFileAsItWas) {
  MakeTable("T", {{"F1", ftAutoInc, 0}, {"F2", ftFloat, 0}}, {{"", "1"}, {"", "2"}});
  ExpectRefused("T", "ALTER TABLE \"T.db\" Drop F9", "no such field");
  ExpectRefused("T", "ALTER TABLE \"T.db\" ADD F3 Date, Drop F9", "no such field");
  ExpectRefused("T", "ALTER TABLE \"T.db\" Drop F2, ADD F1 Char(40)", "already has a field F1");
  ExpectRefused("T", "ALTER TABLE \"T.db\" ADD f2 Numeric", "already has a field F2");
  ExpectRefused("T", "ALTER TABLE \"T.db\" Drop F2, ", "empty item");
  ExpectRefused("T", "ALTER TABLE \"T.db\" , ADD F3 Numeric", "empty item");
  ExpectRefused("T", "ALTER TABLE \"T.db\" ADD F3 Varchar(3)", "unknown type");
  ExpectRefused("T", "ALTER TABLE \"T.db\" Drop F1, Drop F2", "without any field");
  ExpectRefused("T", "ALTER TABLE \"T.db\" ADD rowid Date", "Reserved");
  ExpectRefused("T", "ALTER TABLE \"T.db\" Drop F2 F3", "Syntax error");
  ExpectRefused("T", "UPDATE \"T.db\" SET F2 = 0", "not supported");
  ExpectRefused("T", "CREATE TABLE \"T.db\" (X Date)", "exists");
  EXPECT_NE(ExecError("ALTER TABLE \"NONE.db\" DROP F2").find("not found"), std::string::npos);
  EXPECT_FALSE(fs::exists(Archive("NONE.db")));
}

TEST_F(QueryTest, ATableHeldByAnotherProgramWaitsThenFailsInUse) {
  MakeTable("T", {{"F1", ftAutoInc, 0}, {"F2", ftFloat, 0}}, {{"", "1"}});
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(test::PathText(Archive("T.db")).c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE; INSERT INTO Records VALUES (2, 2)", nullptr, nullptr, nullptr),
            SQLITE_OK);
  // The journal beside the table is the other program's own.
  ExpectRefused("T", "ALTER TABLE \"T.db\" Drop F2, ADD F3 Numeric", "Table in use", true);
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  EXPECT_FALSE(fs::exists(Archive("T.db-journal")));

  // A reader in the middle of reading: the change is made but cannot be
  // committed in time, and is undone.
  ASSERT_EQ(sqlite3_exec(other, "BEGIN; SELECT count(*) FROM Records", nullptr, nullptr, nullptr), SQLITE_OK);
  ExpectRefused("T", "ALTER TABLE \"T.db\" Drop F2, ADD F3 Numeric", "Table in use");
  sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(other);

  Exec("ALTER TABLE \"T.db\" Drop F2, ADD F3 Numeric");
  EXPECT_EQ(FieldsOf("T"), (TFieldDefs{{"F1", ftAutoInc, 0}, {"F3", ftFloat, 0}}));
}

TEST_F(QueryTest, ATableOpenInThisProgramIsNotChangedUntilClosed) {
  MakeTable("T", {{"F1", ftAutoInc, 0}, {"F2", ftFloat, 0}}, {});
  TSession vorn("SessionVORN_1", Engine());
  TTable open(vorn);
  open.SetDatabaseName("ZAV");
  open.SetTableName("t");
  open.SetTableType(ttDefault);
  open.Open();
  ExpectRefused("T", "ALTER TABLE \"T.db\" Drop F2", "Table in use");
  open.Close();
  Exec("ALTER TABLE \"T.db\" Drop F2");
  EXPECT_EQ(FieldsOf("T").size(), 1u);
}

TEST_F(QueryTest, DamagedTablesAreReportedAndLeftAlone) {
  MakeTable("BIG", {{"Id", ftAutoInc, 0}, {"Nome", ftString, 200}, {"N", ftInteger, 0}}, {});
  {
    TTable table(Session());
    table.SetDatabaseName("ZAV");
    table.SetTableName("BIG");
    table.Open();
    std::vector<TRecord> rows;
    for (int i = 0; i < 200; ++i) rows.push_back({"", std::string(180, 'q'), std::to_string(i)});
    table.AppendRecords(rows);
  }
  std::string whole = Read(Archive("BIG.db"));
  std::string scribbled = whole;
  for (size_t i = 12000; i < scribbled.size(); i += 5) scribbled[i] = static_cast<char>(i * 17);
  Write(Archive("BAD.db"), scribbled);
  ExpectRefused("BAD", "ALTER TABLE \"BAD.db\" Drop Nome", "BAD.db");
  Write(Archive("CUT.db"), whole.substr(0, whole.size() / 2));
  ExpectRefused("CUT", "ALTER TABLE \"CUT.db\" ADD X Date", "CUT.db is damaged");
  Write(Archive("EMPTY.db"), "");
  ExpectRefused("EMPTY", "ALTER TABLE \"EMPTY.db\" ADD X Date", "EMPTY.db is not a table file");
  Write(Archive("NOISE.db"), std::string(3000, '\x5A'));
  ExpectRefused("NOISE", "ALTER TABLE \"NOISE.db\" ADD X Date", "NOISE.db is not a table file");
  Sql(Archive("OTHER.db"), "CREATE TABLE Records(F1 INTEGER)");
  ExpectRefused("OTHER", "ALTER TABLE \"OTHER.db\" ADD X Date", "OTHER.db is not a table file of this engine");
}

TEST_F(QueryTest, RandomDamageIsReportedOrHarmlessNeverACrash) {
  MakeTable("GOOD", {{"Id", ftAutoInc, 0}, {"Nome", ftString, 60}, {"Nota", ftMemo, 0}}, {});
  {
    TTable table(Session());
    table.SetDatabaseName("ZAV");
    table.SetTableName("GOOD");
    table.Open();
    std::vector<TRecord> rows;
    for (int i = 0; i < 60; ++i) rows.push_back({"", "nome " + std::to_string(i), std::string(i * 7, 'n')});
    table.AppendRecords(rows);
  }
  const std::string good = Read(Archive("GOOD.db"));
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  for (int round = 0; round < 30; ++round) {
    SCOPED_TRACE(round);
    std::string damaged = good;
    int flips = 1 + static_cast<int>(next() % 6);
    for (int i = 0; i < flips; ++i) damaged[next() % damaged.size()] = static_cast<char>(next());
    Write(Archive("HURT.db"), damaged);
    try {
      TTable table(Session());
      table.SetDatabaseName("ZAV");
      table.SetTableName("HURT");
      table.Open();
      table.ReadRecords();
    } catch (const EDBEngineError& e) {
      EXPECT_NE(std::string(e.what()).find("HURT.db"), std::string::npos) << e.what();
    }
    std::string before = Read(Archive("HURT.db"));
    std::string message = ExecError("ALTER TABLE \"HURT.db\" DROP Nome, ADD Altro Date");
    if (!message.empty()) {
      EXPECT_NE(message.find("HURT.db"), std::string::npos) << message;
      EXPECT_EQ(Read(Archive("HURT.db")), before);
    }
    EXPECT_FALSE(fs::exists(Archive("HURT.db-journal")));
  }
}

TEST_F(QueryTest, StatementsRunOnNamedDatabasesFoldersAndCreateTables) {
  fs::create_directories(Host("Work"));
  TQuery query(Session());
  query.SetDatabaseName("C:\\Work");
  query.SQL = {"CREATE TABLE \"NEW.db\"", "(ID AutoInc, Nome Char(30))"};
  query.ExecSQL();
  TTable table(Session());
  table.SetDatabaseName("C:\\Work\\");
  table.SetTableName("NEW.db");
  table.Open();
  EXPECT_EQ(table.FileName(), "C:\\Work\\NEW.db");
  EXPECT_EQ(table.Fields(), (TFieldDefs{{"ID", ftAutoInc, 0}, {"Nome", ftString, 30}}));
  table.Close();

  TQuery unknown(Session());
  unknown.SetDatabaseName("Nowhere");
  unknown.SQL = {"ALTER TABLE \"T.db\" DROP a"};
  EXPECT_THROW(unknown.ExecSQL(), EDatabaseError);
}

}  // namespace
}  // namespace vorn
