#include "engine/TableFile.h"

#include <gtest/gtest.h>

#include "EngineDrive.h"
#include "engine/DatabaseError.h"
#include "engine/Table.h"

namespace vorn {
namespace {

using test::EngineDrive;
namespace fs = std::filesystem;

const TFieldDefs kEveryType = {
    {"Id", ftAutoInc, 0},        {"Nome", ftString, 40},      {"Piccolo", ftSmallint, 0},
    {"Intero", ftInteger, 0},    {"Parola", ftWord, 0},       {"Attivo", ftBoolean, 0},
    {"Peso", ftFloat, 0},        {"Costo", ftCurrency, 0},    {"Esatto", ftBCD, 2},
    {"Nascita", ftDate, 0},      {"Ora", ftTime, 0},          {"Visita", ftDateTime, 0},
    {"Codice", ftBytes, 4},      {"Sigla", ftVarBytes, 8},    {"Dati", ftBlob, 0},
    {"Note", ftMemo, 20},        {"Foto", ftGraphic, 10},     {"Testo", ftFmtMemo, 0},
    {"Oggetto", ftTypedBinary, 0},
};

class TableFileTest : public EngineDrive {
 protected:
  void SetUp() override {
    EngineDrive::SetUp();
    fs::create_directories(Host("Tables"));
  }
  fs::path File(const std::string& name) { return Host("Tables/" + name); }
  void Create(const std::string& name, const TFieldDefs& fields) {
    TTableFile::Create(File(name), "C:\\Tables\\" + name, fields);
  }
  TTableFile Open(const std::string& name, bool writable = false) {
    return TTableFile(File(name), "C:\\Tables\\" + name, writable, 100);
  }
  std::string OpenError(const std::string& name) {
    try {
      Open(name);
    } catch (const EDBEngineError& e) {
      return e.what();
    }
    return "";
  }
};

TEST_F(TableFileTest, EveryFieldTypeComesBackAsCreated) {
  Create("ALL.db", kEveryType);
  TTableFile file = Open("ALL.db");
  EXPECT_EQ(file.Fields(), kEveryType);
  EXPECT_EQ(file.RecordCount(), 0);
  EXPECT_EQ(Others(Host("Tables"), "ALL.db"), std::vector<std::string>{});
}

TEST_F(TableFileTest, ValuesRoundTripInTheirTextForms) {
  Create("ALL.db", kEveryType);
  TRecord full = {std::nullopt, "Città di Castello", "-32768", "2147483647", "65535", "true", "0.1", "1234.5",
                  "12.5", "2024-02-29", "23:59", "2024-03-01T08:30:15.250", "0A0B0C0D", "0xFF", "00FF10",
                  "riga 1\nriga 2", "89504E47", "{\\rtf1}", "CAFE"};
  {
    TTableFile file = Open("ALL.db", true);
    file.AppendRecord(full);
    file.AppendRecord(TRecord(kEveryType.size()));
    file.AppendRecord({"10", "", "", "", "", "F", "-3", "", "7", "", "", "", "", "", "", "", "", "", ""});
  }
  TTableFile file = Open("ALL.db");
  std::vector<TRecord> rows = file.ReadRecords();
  ASSERT_EQ(rows.size(), 3u);
  TRecord expected = {"1", "Città di Castello", "-32768", "2147483647", "65535", "TRUE", "0.1", "1234.5",
                      "12.50", "2024-02-29", "23:59:00", "2024-03-01 08:30:15.250", "0A0B0C0D", "FF", "00FF10",
                      "riga 1\nriga 2", "89504E47", "{\\rtf1}", "CAFE"};
  EXPECT_EQ(rows[0], expected);
  TRecord second(kEveryType.size());
  second[0] = "2";  // an empty AutoInc is numbered
  EXPECT_EQ(rows[1], second);
  EXPECT_EQ(rows[2][0], "10");
  EXPECT_EQ(rows[2][5], "FALSE");
  EXPECT_EQ(rows[2][6], "-3");
  EXPECT_EQ(rows[2][8], "7.00");
  EXPECT_EQ(Others(Host("Tables"), "ALL.db"), std::vector<std::string>{});
}

TEST_F(TableFileTest, ValuesThatDoNotFitAreRefusedAndNothingIsWritten) {
  Create("T.db", {{"Id", ftAutoInc, 0}, {"S", ftString, 3}, {"N", ftSmallint, 0}, {"D", ftDate, 0},
                  {"B", ftBoolean, 0}, {"Y", ftBytes, 2}, {"F", ftFloat, 0}, {"H", ftTime, 0}});
  TTableFile file = Open("T.db", true);
  file.AppendRecord({"", "abc", "1", "2023-01-31", "T", "0102", "1e3", "00:00:00"});
  std::string before = Read(File("T.db"));
  const std::vector<TRecord> bad = {
      {"", "abcd", "", "", "", "", "", ""},           // too long
      {"", "", "40000", "", "", "", "", ""},          // out of range
      {"", "", "1.5", "", "", "", "", ""},            // not an integer
      {"", "", "", "2023-02-29", "", "", "", ""},     // no such day
      {"", "", "", "31/01/2023", "", "", "", ""},     // not the date form
      {"", "", "", "", "maybe", "", "", ""},          // not a truth value
      {"", "", "", "", "", "010203", "", ""},         // too many bytes
      {"", "", "", "", "", "0G", "", ""},             // not hexadecimal
      {"", "", "", "", "", "", "1,5", ""},            // not a number
      {"", "", "", "", "", "", "inf", ""},            // not finite
      {"", "", "", "", "", "", "", "24:00:00"},       // no such time
      {"1", "", "", "", "", "", "", ""},              // AutoInc number taken
      {"0", "", "", "", "", "", "", ""},              // AutoInc starts at 1
      {"", "\xC3", "", "", "", "", "", ""},           // not UTF-8
      {"", ""},                                       // wrong count
  };
  for (const TRecord& record : bad) EXPECT_THROW(file.AppendRecord(record), EDBEngineError);
  EXPECT_EQ(Read(File("T.db")), before);
  EXPECT_EQ(file.RecordCount(), 1);
}

TEST_F(TableFileTest, CreatingRefusesAnExistingFileAndBadFields) {
  Create("T.db", {{"A", ftDate, 0}});
  std::string before = Read(File("T.db"));
  EXPECT_THROW(Create("T.db", {{"B", ftDate, 0}}), EDBEngineError);
  EXPECT_EQ(Read(File("T.db")), before);
  EXPECT_THROW(Create("U.db", {{"A", ftDate, 0}, {"a", ftTime, 0}}), EDBEngineError);
  EXPECT_THROW(Create("U.db", {}), EDBEngineError);
  EXPECT_FALSE(fs::exists(File("U.db")));
  EXPECT_THROW(TTableFile::Create(Host("Missing/U.db"), "C:\\Missing\\U.db", {{"A", ftDate, 0}}), EDBEngineError);
}

TEST_F(TableFileTest, FilesThatAreNotTablesNameTheFile) {
  Write(File("EMPTY.db"), "");
  EXPECT_NE(OpenError("EMPTY.db").find("C:\\Tables\\EMPTY.db is not a table file"), std::string::npos);
  Write(File("SHORT.db"), "SQLite format 3");
  EXPECT_NE(OpenError("SHORT.db").find("C:\\Tables\\SHORT.db"), std::string::npos);
  std::string noise;
  for (int i = 0; i < 5000; ++i) noise += static_cast<char>((i * 7919 + 13) % 256);
  Write(File("NOISE.db"), noise);
  EXPECT_NE(OpenError("NOISE.db").find("C:\\Tables\\NOISE.db"), std::string::npos);
  Write(File("TEXT.db"), std::string(8192, 'x'));
  EXPECT_NE(OpenError("TEXT.db").find("not a table file"), std::string::npos);
  EXPECT_NE(OpenError("MISSING.db").find("not found"), std::string::npos);

  // Another program's database.
  Sql(File("OTHER.db"), "CREATE TABLE people(name TEXT); INSERT INTO people VALUES('x')");
  EXPECT_NE(OpenError("OTHER.db").find("C:\\Tables\\OTHER.db is not a table file of this engine"), std::string::npos);
  // Ours by its mark, with more in the schema or a type we do not know.
  Create("EXTRA.db", {{"A", ftDate, 0}});
  Sql(File("EXTRA.db"), "CREATE INDEX i ON Records(A)");
  EXPECT_NE(OpenError("EXTRA.db").find("schema differs"), std::string::npos);
  Create("ODD.db", {{"A", ftDate, 0}});
  Sql(File("ODD.db"), "ALTER TABLE Records ADD COLUMN B VARCHAR(10)");
  EXPECT_NE(OpenError("ODD.db").find("unknown type"), std::string::npos);
  Sql(File("KEYED.db"), "PRAGMA application_id=1448038990; PRAGMA user_version=1;"
                        "CREATE TABLE Records(A INTEGER PRIMARY KEY, B DATE)");
  EXPECT_NE(OpenError("KEYED.db").find("constraint"), std::string::npos);
  Sql(File("GENERATED.db"), "PRAGMA application_id=1448038990; PRAGMA user_version=1;"
                            "CREATE TABLE Records(A INTEGER, B INTEGER AS (A * 2))");
  EXPECT_NE(OpenError("GENERATED.db").find("generated"), std::string::npos);
  Create("NEWER.db", {{"A", ftDate, 0}});
  Sql(File("NEWER.db"), "PRAGMA user_version=2");
  EXPECT_NE(OpenError("NEWER.db").find("unknown version"), std::string::npos);
  Create("WAL.db", {{"A", ftDate, 0}});
  Sql(File("WAL.db"), "PRAGMA journal_mode=WAL");
  EXPECT_NE(OpenError("WAL.db").find("write-ahead"), std::string::npos);
}

TEST_F(TableFileTest, TruncatedAndScribbledTablesAreReportedNotCrashed) {
  Create("T.db", {{"Id", ftAutoInc, 0}, {"Nome", ftString, 200}});
  {
    TTableFile file = Open("T.db", true);
    std::vector<TRecord> rows;
    for (int i = 0; i < 300; ++i) rows.push_back({"", std::string(150, static_cast<char>('a' + i % 26))});
    file.AppendRecords(rows);
  }
  std::string whole = Read(File("T.db"));
  ASSERT_GT(whole.size(), 40000u);
  Write(File("CUT.db"), whole.substr(0, whole.size() / 2));
  EXPECT_NE(OpenError("CUT.db").find("C:\\Tables\\CUT.db is damaged"), std::string::npos);
  Write(File("ODDSIZE.db"), whole.substr(0, whole.size() - 100));
  EXPECT_NE(OpenError("ODDSIZE.db").find("C:\\Tables\\ODDSIZE.db is damaged"), std::string::npos);
  Write(File("LONGER.db"), whole + "junk");
  EXPECT_NE(OpenError("LONGER.db").find("whole number of pages"), std::string::npos);

  // Pages overwritten with noise past the schema: found when read.
  std::string scribbled = whole;
  for (size_t i = 8192; i < scribbled.size(); i += 3) scribbled[i] = static_cast<char>(i * 31);
  Write(File("SCRIBBLED.db"), scribbled);
  try {
    TTableFile file = Open("SCRIBBLED.db");
    file.RecordCount();
    file.ReadRecords();
    ADD_FAILURE() << "a damaged table was read without an error";
  } catch (const EDBEngineError& e) {
    EXPECT_NE(std::string(e.what()).find("C:\\Tables\\SCRIBBLED.db"), std::string::npos);
  }
}

TEST_F(TableFileTest, AChangeCutOffHalfwayIsUndoneWhenTheTableIsNextOpened) {
  Create("T.db", {{"Id", ftAutoInc, 0}, {"Nome", ftString, 200}});
  {
    TTableFile file = Open("T.db", true);
    std::vector<TRecord> rows;
    for (int i = 0; i < 400; ++i) rows.push_back({"", std::string(180, static_cast<char>('a' + i % 26))});
    file.AppendRecords(rows);
  }
  const std::string original = Read(File("T.db"));
  // A program in the middle of a large change, its cache spilt into the file:
  // a copy of the file and its journal is what a power cut leaves.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(test::PathText(File("T.db")).c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "PRAGMA cache_size=2; BEGIN; UPDATE Records SET Nome = upper(Nome)", nullptr, nullptr,
                         nullptr),
            SQLITE_OK);
  ASSERT_TRUE(fs::exists(File("T.db-journal")));
  fs::copy_file(File("T.db"), File("CUT.db"));
  fs::copy_file(File("T.db-journal"), File("CUT.db-journal"));
  sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  ASSERT_NE(Read(File("CUT.db")), original);  // the spilt pages are in the file

  TTableFile reader = Open("CUT.db");  // even a reading open puts it back
  EXPECT_EQ(reader.RecordCount(), 400);
  EXPECT_EQ(reader.ReadRecords()[3][1], std::string(180, 'd'));
  EXPECT_FALSE(fs::exists(File("CUT.db-journal")));
  EXPECT_EQ(Read(File("CUT.db")), original);

  // Stopped before its first change reached the file: the journal's header
  // is not valid yet, nothing is played back, and the journal goes.
  fs::copy_file(File("T.db"), File("EARLY.db"));
  Write(File("EARLY.db-journal"), std::string(512, '\0') + std::string(4096, 'j'));
  EXPECT_EQ(Open("EARLY.db").RecordCount(), 400);
  EXPECT_FALSE(fs::exists(File("EARLY.db-journal")));
  EXPECT_EQ(Read(File("EARLY.db")), original);
}

TEST_F(TableFileTest, ValueTextFormsOfStoredValues) {
  Create("T.db", {{"F", ftFloat, 0}, {"M", ftCurrency, 0}, {"B", ftBCD, 3}});
  TTableFile writer = Open("T.db", true);
  writer.AppendRecord({"3", "0.30000000000000004", "-1.0005"});
  writer.AppendRecord({"1e300", "-0", "2"});
  std::vector<TRecord> rows = Open("T.db").ReadRecords();
  EXPECT_EQ(rows[0], (TRecord{"3", "0.30000000000000004", "-1.000"}));
  EXPECT_EQ(rows[1], (TRecord{"1e+300", "0", "2.000"}));
}

}  // namespace
}  // namespace vorn
