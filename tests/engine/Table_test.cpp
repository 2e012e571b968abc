#include "engine/Table.h"

#include <gtest/gtest.h>

#include "EngineDrive.h"
#include "engine/DatabaseError.h"
#include "engine/Database.h"

namespace vorn {
namespace {

using test::EngineDrive;
namespace fs = std::filesystem;

class TableTest : public EngineDrive {
 protected:
  void SetUp() override {
    EngineDrive::SetUp();
    InstallEngine();
    TTable table(Session());
    table.SetDatabaseName("ZAV");
    table.SetTableName("Pazienti");
    table.CreateTable({{"Id", ftAutoInc, 0}, {"Nome", ftString, 40}, {"Nota", ftMemo, 10}});
  }
};

TEST_F(TableTest, OpenGivesTheFieldsInTableOrderAndCloseReleasesTheFile) {
  TSession vorn("SessionVORN_1", Engine());
  TTable table(vorn);
  EXPECT_EQ(table.TableType(), ttDefault);
  table.SetDatabaseName("zav");
  table.SetTableName("PAZIENTI.db");
  EXPECT_EQ(table.TableName(), "PAZIENTI");
  EXPECT_FALSE(table.Active());
  EXPECT_TRUE(table.Fields().empty());
  table.Open();
  table.Open();  // already open: nothing happens
  EXPECT_TRUE(table.Active());
  EXPECT_EQ(table.FileName(), "C:\\VornZAV\\Archivi\\PAZIENTI.db");
  ASSERT_EQ(table.Fields().size(), 3u);
  EXPECT_EQ(table.Fields()[1], (TFieldDef{"Nome", ftString, 40}));
  EXPECT_EQ(table.FindField("NOTA"), &table.Fields()[2]);
  EXPECT_EQ(table.FindField("Other"), nullptr);
  EXPECT_EQ(table.RecordCount(), 0);
  EXPECT_THROW(table.SetTableName("Other"), EDatabaseError);
  EXPECT_THROW(table.SetDatabaseName("Other"), EDatabaseError);
  EXPECT_THROW(table.CreateTable({{"A", ftDate, 0}}), EDatabaseError);
  EXPECT_TRUE(Engine().IsTableOpen(fs::weakly_canonical(Archive("Pazienti.db")).string()));
  table.SetActive(false);
  EXPECT_FALSE(table.Active());
  EXPECT_TRUE(table.Fields().empty());
  EXPECT_FALSE(Engine().IsTableOpen(fs::weakly_canonical(Archive("Pazienti.db")).string()));
  EXPECT_THROW(table.RecordCount(), EDatabaseError);
  EXPECT_EQ(Others(Archive(""), "Pazienti.db"), std::vector<std::string>{});
}

TEST_F(TableTest, TablesOfTwoSessionsAndANamedDatabase) {
  TSession vorn("SessionVORN_1", Engine());
  TDatabase principale(vorn);
  principale.SetDatabaseName("Calanco");
  principale.SetAliasName("ZAV");
  TTable archive(vorn);
  archive.SetDatabaseName("Calanco");
  archive.SetTableName("Pazienti");
  archive.Open();  // connects the database on the way
  EXPECT_TRUE(principale.Connected());
  // The default session's handle on the same file, open at the same time.
  TTable lookup(Session());
  lookup.SetDatabaseName("ZAV");
  lookup.SetTableName("Pazienti");
  lookup.Open();
  EXPECT_EQ(lookup.Fields(), archive.Fields());
  lookup.Close();
  EXPECT_TRUE(Engine().IsTableOpen(fs::weakly_canonical(Archive("Pazienti.db")).string()));
  // The default session does not know the private session's database.
  TTable other(Session());
  other.SetDatabaseName("Calanco");
  other.SetTableName("Pazienti");
  EXPECT_THROW(other.Open(), EDatabaseError);
}

TEST_F(TableTest, MissingTablesAndDatabasesRaiseEngineErrors) {
  TTable table(Session());
  table.SetDatabaseName("ZAV");
  table.SetTableName("Nessuna");
  try {
    table.Open();
    FAIL();
  } catch (const EDBEngineError& e) {
    EXPECT_NE(std::string(e.what()).find("C:\\VornZAV\\Archivi\\Nessuna.db"), std::string::npos);
  }
  EXPECT_FALSE(table.Active());
  EXPECT_FALSE(fs::exists(Archive("Nessuna.db")));
  table.SetDatabaseName("NoSuchAlias");
  EXPECT_THROW(table.Open(), EDatabaseError);
  table.SetDatabaseName("ZAV");
  table.SetTableName("..\\..\\x");
  EXPECT_THROW(table.Open(), EDBEngineError);
}

TEST_F(TableTest, RecordsAppendedAllOrNone) {
  TTable table(Session());
  table.SetDatabaseName("ZAV");
  table.SetTableName("Pazienti");
  table.Open();
  table.AppendRecords({{"", "Anna", "prima"}, {"", "Bruno", std::nullopt}});
  EXPECT_THROW(table.AppendRecords({{"", "Carla", ""}, {"", std::string(41, 'x'), ""}}), EDBEngineError);
  EXPECT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(table.ReadRecords(), (std::vector<TRecord>{{"1", "Anna", "prima"}, {"2", "Bruno", std::nullopt}}));
}

}  // namespace
}  // namespace vorn
