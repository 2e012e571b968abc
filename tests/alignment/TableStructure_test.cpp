// Field comparison and statement writing, first on field lists alone, then
// the field lookup on real tables.
#include "alignment/TableStructure.h"

#include <gtest/gtest.h>

#include "engine/DatabaseError.h"
#include "tests/alignment/AlignmentDrive.h"

namespace vorn::test {
namespace {

TEST(FieldTypeClause, EightClausesOfTheAlignment) {
  EXPECT_EQ(FieldTypeClause(ftString, 40), " Char(40)");
  EXPECT_EQ(FieldTypeClause(ftFloat, 0), " Numeric");
  EXPECT_EQ(FieldTypeClause(ftBoolean, 0), " Boolean");
  EXPECT_EQ(FieldTypeClause(ftMemo, 10), " BLOB(10,1)");
  EXPECT_EQ(FieldTypeClause(ftDate, 0), " Date");
  EXPECT_EQ(FieldTypeClause(ftTime, 0), " Time");
  EXPECT_EQ(FieldTypeClause(ftGraphic, 240), " BLOB(240,5)");
  EXPECT_EQ(FieldTypeClause(ftAutoInc, 0), " AutoInc");
}

TEST(FieldTypeClause, OtherTypesGetTheEnginesClause) {
  EXPECT_EQ(FieldTypeClause(ftInteger, 0), " INTEGER");
  EXPECT_EQ(FieldTypeClause(ftSmallint, 0), " SMALLINT");
  EXPECT_EQ(FieldTypeClause(ftBlob, 0), " BLOB(0,2)");
  EXPECT_EQ(FieldTypeClause(ftDateTime, 0), " TIMESTAMP");
  EXPECT_EQ(FieldTypeClause(ftUnknown, 0), "");
}

class BuildAlterStatementTest : public ::testing::Test {
 protected:
  std::optional<std::string> Build(const TFieldDefs& templ, const TFieldDefs& archive,
                                   std::vector<std::string> archiveHas = {}) {
    asked.clear();
    return BuildAlterStatement("TAB.db", templ, archive, [&, archiveHas](const std::string& name) {
      asked.push_back(name);
      return std::find(archiveHas.begin(), archiveHas.end(), name) != archiveHas.end();
    });
  }
  std::vector<std::string> asked;
};

TEST_F(BuildAlterStatementTest, MatchingNamesCompareTypesOnly) {
  EXPECT_EQ(Build({F("a", ftString, 40), F("B", ftFloat)}, {F("A", ftString, 20), F("b", ftFloat)}), std::nullopt);
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(Build({F("Nome", ftString, 40)}, {F("NOME", ftFloat)}),
            "ALTER TABLE \"TAB.db\" Drop NOME, ADD Nome Char(40)");
  EXPECT_TRUE(asked.empty());
}

TEST_F(BuildAlterStatementTest, DifferentNamesAskTheArchiveByTheTemplatesName) {
  EXPECT_EQ(Build({F("X", ftDate)}, {F("Y", ftDate)}), "ALTER TABLE \"TAB.db\" ADD X Date");
  EXPECT_EQ(asked, (std::vector<std::string>{"X"}));
  EXPECT_EQ(Build({F("X", ftDate), F("Y", ftTime)}, {F("Y", ftDate), F("X", ftTime)}, {"X", "Y"}),
            "ALTER TABLE \"TAB.db\" Drop Y, ADD X Date, Drop X, ADD Y Time");
}

TEST_F(BuildAlterStatementTest, TemplateFieldsPastTheArchivesEndMeetItsLastField) {
  EXPECT_EQ(Build({F("A", ftAutoInc), F("B", ftBoolean), F("a", ftAutoInc)}, {F("A", ftAutoInc)}),
            "ALTER TABLE \"TAB.db\" ADD B Boolean");
  EXPECT_EQ(asked, (std::vector<std::string>{"B"}));
  // A table with no field at all: every template field is added.
  EXPECT_EQ(Build({F("A", ftAutoInc)}, {}, {"A"}), "ALTER TABLE \"TAB.db\" ADD A AutoInc");
}

TEST_F(BuildAlterStatementTest, ArchiveFieldsPastTheTemplatesEndAreNeverLookedAt) {
  EXPECT_EQ(Build({F("A", ftString, 5)}, {F("A", ftString, 5), F("Vecchio", ftFloat), F("Altro", ftMemo, 3)}),
            std::nullopt);
  EXPECT_TRUE(asked.empty());
}

TEST_F(BuildAlterStatementTest, TypeWithoutClauseLeavesAnEmptyItemForTheEngineToRefuse) {
  EXPECT_EQ(Build({F("A", ftUnknown)}, {F("A", ftString, 5)}), "ALTER TABLE \"TAB.db\" Drop A, ");
  EXPECT_EQ(Build({F("A", ftUnknown), F("B", ftDate)}, {F("Z", ftString, 5)}), "ALTER TABLE \"TAB.db\" , ADD B Date");
}

TEST_F(BuildAlterStatementTest, NamesThatLocalSqlCannotTakeBareAreQuoted) {
  EXPECT_EQ(Build({F("Data Nascita", ftDate)}, {F("Data Nascita", ftString, 10)}),
            "ALTER TABLE \"TAB.db\" Drop \"Data Nascita\", ADD \"Data Nascita\" Date");
  EXPECT_EQ(Build({F("Nome", ftString, 5), F("X, Drop Cognome", ftFloat)}, {F("Nome", ftString, 5)}),
            "ALTER TABLE \"TAB.db\" ADD \"X, Drop Cognome\" Numeric");
  EXPECT_EQ(Build({F("Peso(kg);", ftFloat)}, {F("Peso", ftFloat)}), "ALTER TABLE \"TAB.db\" ADD \"Peso(kg);\" Numeric");
  EXPECT_EQ(Build({F("N°_è-1.5", ftFloat)}, {F("Peso", ftFloat)}), "ALTER TABLE \"TAB.db\" ADD N°_è-1.5 Numeric");
  EXPECT_EQ(BuildAlterStatement("T\" Drop Nome, ADD \"Q.db", {F("A", ftDate)}, {F("B", ftDate)},
                                [](const std::string&) { return false; }),
            "ALTER TABLE \"T\"\" Drop Nome, ADD \"\"Q.db\" ADD A Date");
}

class FindTableFieldTest : public AlignmentDrive {};

TEST_F(FindTableFieldTest, FindsTheFieldInItsExactCaseAndClosesTheTable) {
  MakeArchive("ANAG", {F("Id", ftAutoInc), F("Nome", ftString, 30)}, {{std::nullopt, "Rossi"}});
  TSession& standard = engine->DefaultSession();

  EXPECT_EQ(FindTableField(standard, "ZAV", "ANAG.db", "Nome"), F("Nome", ftString, 30));
  EXPECT_EQ(FindTableField(standard, "ZAV", "ANAG.db", "NOME"), std::nullopt);
  EXPECT_EQ(FindTableField(standard, "ZAV", "ANAG.db", "Cognome"), std::nullopt);

  // Closed again: a statement may change the table at once.
  TQuery query(standard);
  query.SetDatabaseName("ZAV");
  query.SQL = {"ALTER TABLE \"ANAG.db\" ADD Cognome Char(30)"};
  EXPECT_NO_THROW(query.ExecSQL());
}

TEST_F(FindTableFieldTest, MissingTableRaisesADatabaseError) {
  EXPECT_THROW(FindTableField(engine->DefaultSession(), "ZAV", "MANCA.db", "Id"), EDatabaseError);
  EXPECT_THROW(FindTableField(engine->DefaultSession(), "NESSUNO", "ANAG.db", "Id"), EDatabaseError);
}

TEST_F(FindTableFieldTest, FinderReadsTheTableOnceForAllItsLookups) {
  MakeArchive("ANAG", {F("Id", ftAutoInc), F("Nome", ftString, 30)});
  TableFieldFinder finder(engine->DefaultSession(), "ZAV", "ANAG.db");
  EXPECT_EQ(finder.Find("Id"), F("Id", ftAutoInc));
  fs::remove(ArchiveFile("ANAG.db"));
  EXPECT_EQ(finder.Find("Nome"), F("Nome", ftString, 30));
  EXPECT_EQ(finder.Find("nome"), std::nullopt);

  TableFieldFinder missing(engine->DefaultSession(), "ZAV", "ANAG.db");
  EXPECT_THROW(missing.Find("Id"), EDatabaseError);
}

}  // namespace
}  // namespace vorn::test
