#include "engine/LocalSql.h"

#include <gtest/gtest.h>

#include "engine/DatabaseError.h"

namespace vorn {
namespace {

TAlterTable Alter(const std::string& text) {
  TLocalStatement statement = ParseLocalSql(text);
  EXPECT_TRUE(std::holds_alternative<TAlterTable>(statement));
  return std::get<TAlterTable>(statement);
}

std::string ErrorOf(const std::string& text) {
  try {
    ParseLocalSql(text);
  } catch (const EDBEngineError& e) {
    return e.what();
  }
  return "";
}

TEST(LocalSqlTest, TheAlignmentsWorkedExampleParses) {
  TAlterTable alter = Alter("ALTER TABLE \"TAB1.db\" Drop F2, ADD F2 Char(40), ADD F3 Numeric");
  EXPECT_EQ(alter.TableName, "TAB1");
  ASSERT_EQ(alter.Items.size(), 3u);
  EXPECT_EQ(alter.Items[0], (TAlterItem{TAlterItem::Drop, {"F2", ftUnknown, 0}}));
  EXPECT_EQ(alter.Items[1], (TAlterItem{TAlterItem::Add, {"F2", ftString, 40}}));
  EXPECT_EQ(alter.Items[2], (TAlterItem{TAlterItem::Add, {"F3", ftFloat, 0}}));
}

TEST(LocalSqlTest, KeywordsInAnyCaseNamesQuotedOrBareExtensionOptional) {
  TAlterTable alter = Alter("alter table Anagrafe add \"Data Nascita\" date, DROP column Vecchio;\r\n");
  EXPECT_EQ(alter.TableName, "Anagrafe");
  ASSERT_EQ(alter.Items.size(), 2u);
  EXPECT_EQ(alter.Items[0].Field, (TFieldDef{"Data Nascita", ftDate, 0}));
  EXPECT_EQ(alter.Items[1].Action, TAlterItem::Drop);
  EXPECT_EQ(alter.Items[1].Field.FieldName, "Vecchio");
  EXPECT_EQ(Alter("ALTER TABLE \"x.DB\" DROP a").TableName, "x");
  TAlterTable quoted = Alter("ALTER TABLE \"Tab q\" DROP \"a\"\"b\"");
  EXPECT_EQ(quoted.TableName, "Tab q");
  EXPECT_EQ(quoted.Items[0].Field.FieldName, "a\"b");
  EXPECT_EQ(Alter("ALTER TABLE t ADD m BLOB(10,1), ADD g BLOB(0,5), ADD n AutoInc, ADD b Boolean, ADD t Time")
                .Items.size(),
            5u);
}

TEST(LocalSqlTest, CreateTableParses) {
  TLocalStatement statement = ParseLocalSql("CREATE TABLE \"NEW.db\" (ID AutoInc, Nome Char(30), Note BLOB(0,1))");
  ASSERT_TRUE(std::holds_alternative<TCreateTable>(statement));
  const auto& create = std::get<TCreateTable>(statement);
  EXPECT_EQ(create.TableName, "NEW");
  EXPECT_EQ(create.Fields, (TFieldDefs{{"ID", ftAutoInc, 0}, {"Nome", ftString, 30}, {"Note", ftMemo, 0}}));
}

TEST(LocalSqlTest, FaultyStatementsAreRefusedWithAPlace) {
  // The empty items that the alignment writes for types without a clause.
  EXPECT_NE(ErrorOf("ALTER TABLE \"T.db\" Drop F2, ").find("empty item"), std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE \"T.db\" , ADD F3 Numeric").find("empty item"), std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE \"T.db\" ADD F1 Date, , ADD F3 Numeric").find("empty item"), std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE \"T.db\" ").find("without any"), std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE \"T.db\" ADD F2").find("no type"), std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE \"T.db\" ADD F2 Char(0)").find("unknown type"), std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE \"T.db\" MODIFY F2").find("DROP or ADD"), std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE \"T.db DROP F2").find("unterminated"), std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE \"T.db\" DROP F2 F3").find("unexpected"), std::string::npos);
  EXPECT_NE(ErrorOf("SELECT * FROM T").find("not supported"), std::string::npos);
  EXPECT_NE(ErrorOf("   ").find("Empty"), std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE \"..\\x.db\" DROP a").find("Invalid table name"), std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE \"\" DROP a").find("file name"), std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE \"T\"\"x.db\" DROP a").find("Invalid table name"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE TABLE t (a Date, A Time)").find("Duplicate"), std::string::npos);
  EXPECT_NE(ErrorOf("CREATE TABLE t ()").find("empty field"), std::string::npos);
  EXPECT_NE(ErrorOf("ALTER TABLE t ADD rowid Date").find("Reserved"), std::string::npos);
}

TEST(LocalSqlTest, TableNamesLoseTheirExtensionOnly) {
  EXPECT_EQ(CheckedTableName("TAB1.db"), "TAB1");
  EXPECT_EQ(CheckedTableName("a.b.db"), "a.b");
  EXPECT_EQ(CheckedTableName("Città"), "Città");
  EXPECT_THROW(CheckedTableName(".db"), EDBEngineError);
  EXPECT_THROW(CheckedTableName("a/b"), EDBEngineError);
  EXPECT_THROW(CheckedTableName("*.db"), EDBEngineError);
  EXPECT_THROW(CheckedTableName(".."), EDBEngineError);
}

}  // namespace
}  // namespace vorn
