// Running one statement: success, a refused statement reported with the
// engine's message, and the table left exactly as it was.
#include "alignment/ExecuteAlterStatement.h"

#include <gtest/gtest.h>

#include "tests/alignment/AlignmentDrive.h"

namespace vorn::test {
namespace {

class ExecuteAlterStatementTest : public AlignmentDrive {};

TEST_F(ExecuteAlterStatementTest, RunsTheStatementAsTheQuerysOnlyLineOnTheModulesDatabase) {
  MakeArchive("ANAG", {F("Id", ftAutoInc), F("Nome", ftString, 10)}, {{std::nullopt, "Rossi"}});
  sql->SQL = {"previous", "lines"};

  const AlterResult result = ExecuteAlterStatement(*sql, "ALTER TABLE \"ANAG.db\" ADD Eta Numeric");

  EXPECT_FALSE(result.Failed);
  EXPECT_EQ(result.Message, "");
  EXPECT_EQ(sql->SQL, (std::vector<std::string>{"ALTER TABLE \"ANAG.db\" ADD Eta Numeric"}));
  EXPECT_EQ(sql->DatabaseName(), "ZAV");
  EXPECT_EQ(ArchiveRows("ANAG"), (std::vector<TRecord>{{"1", "Rossi", std::nullopt}}));
}

TEST_F(ExecuteAlterStatementTest, RefusedStatementIsReportedAndChangesNothing) {
  MakeArchive("ANAG", {F("Id", ftAutoInc), F("Nome", ftString, 10)}, {{std::nullopt, "Rossi"}, {std::nullopt, "Bianchi"}});

  // The first item alone would succeed; the second fails, so neither is kept.
  const AlterResult result = ExecuteAlterStatement(*sql, "ALTER TABLE \"ANAG.db\" Drop Nome, ADD Id Char(5)");

  EXPECT_TRUE(result.Failed);
  EXPECT_FALSE(result.Message.empty());
  EXPECT_EQ(ArchiveFields("ANAG"), (TFieldDefs{F("Id", ftAutoInc), F("Nome", ftString, 10)}));
  EXPECT_EQ(ArchiveRows("ANAG"), (std::vector<TRecord>{{"1", "Rossi"}, {"2", "Bianchi"}}));
}

}  // namespace
}  // namespace vorn::test
