// The engine's two programs, run as support staff and the demo package run
// them: dbe-setup and vorn-dbe.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>

#include "EngineDrive.h"
#include "engine/ConfigFile.h"
#include "tests/support/RunCommand.h"

namespace vorn {
namespace {

using test::EngineDrive;
namespace fs = std::filesystem;

using Outcome = test::CommandRun;  // standard output and error together

class ToolsTest : public EngineDrive {
 protected:
  void SetUp() override {
    EngineDrive::SetUp();
    if (!fs::exists(test::ToolProgram("vorn-dbe")) || !fs::exists(test::ToolProgram("dbe-setup"))) {
      GTEST_SKIP() << "the tools are not built in " << VORN_TEST_BUILD_DIR;
    }
  }

  Outcome Run(const std::string& tool, const std::string& arguments) {
    return test::RunCommand("timeout 60 " + test::ToolProgram(tool) + " " + arguments + " 2>&1");
  }

};

TEST_F(ToolsTest, SetupWritesTheDefaultsOnceAndNeverTouchesAConfiguration) {
  Outcome first = Run("dbe-setup", "");
  EXPECT_EQ(first.Status, 0) << first.Output;
  TConfigFile config = TConfigFile::Load("C:\\DBE\\DBE.CFG");
  EXPECT_EQ(config.Params("\\SYSTEM\\INIT"), (TConfigParams{{"LOCAL SHARE", "FALSE"}}));

  std::string edited = "[\\SYSTEM\\INIT]\r\nLOCAL SHARE=TRUE\r\n[\\DATABASES\\ZAV\\DB INFO]\r\nPATH=C:\\x\r\n";
  Write(Host("DBE/DBE.CFG"), edited);
  EXPECT_EQ(Run("dbe-setup", "").Status, 0);
  EXPECT_EQ(Read(Host("DBE/DBE.CFG")), edited);

  Write(Host("DBE/DBE.CFG"), "garbage\n");
  Outcome damaged = Run("dbe-setup", "");
  EXPECT_NE(damaged.Status, 0);
  EXPECT_NE(damaged.Output.find("line 1"), std::string::npos);
  EXPECT_EQ(Read(Host("DBE/DBE.CFG")), "garbage\n");
  EXPECT_NE(Run("dbe-setup", "--bogus").Status, 0);
}

TEST_F(ToolsTest, TemplatesAreBuiltDescribedAndAltered) {
  ASSERT_EQ(Run("dbe-setup", "").Status, 0);
  fs::create_directories(Host("Templates"));
  Outcome created = Run("vorn-dbe", "create 'C:\\Templates' TAB1 F1:AUTOINC F2:CHAR:40 F3:NUMERIC Note:MEMO:10 "
                                    "Foto:BLOB:0,5 'Data visita:DATE'");
  ASSERT_EQ(created.Status, 0) << created.Output;
  EXPECT_EQ(Run("vorn-dbe", "insert 'C:\\Templates' TAB1 '' Anna 1.5 'a b' '' 2024-05-06").Status, 0);
  Write(Host("rows.txt"), "\tBruno\t2\triga\\nseconda\t00FF\t\r\n");
  EXPECT_EQ(Run("vorn-dbe", "import 'C:\\Templates' TAB1 " + Host("rows.txt").string()).Status, 0);
  Outcome described = Run("vorn-dbe", "describe 'C:\\Templates' TAB1.db");
  ASSERT_EQ(described.Status, 0) << described.Output;
  EXPECT_NE(described.Output.find("Data visita"), std::string::npos);
  EXPECT_NE(described.Output.find("BLOB(10,1)"), std::string::npos);
  EXPECT_NE(described.Output.find("ftGraphic"), std::string::npos);
  EXPECT_NE(described.Output.find("Records: 2"), std::string::npos);
  Outcome rows = Run("vorn-dbe", "rows 'C:\\Templates' TAB1");
  EXPECT_EQ(rows.Output, "1\tAnna\t1.5\ta b\t\t2024-05-06\n2\tBruno\t2\triga\\nseconda\t00FF\t\n");

  ASSERT_EQ(Run("vorn-dbe", "add-alias ZAV 'C:\\Templates'").Status, 0);
  EXPECT_TRUE(TConfigFile::Load("C:\\DBE\\DBE.CFG").FindAlias("ZAV"));
  Outcome aliases = Run("vorn-dbe", "aliases");
  EXPECT_NE(aliases.Output.find("ZAV  TYPE=STANDARD  PATH=C:\\Templates\\"), std::string::npos);
  Outcome altered = Run("vorn-dbe", "sql ZAV 'ALTER TABLE \"TAB1.db\" Drop F2, ADD F2 Char(40), ADD F4 Numeric'");
  EXPECT_EQ(altered.Status, 0) << altered.Output;
  EXPECT_NE(Run("vorn-dbe", "describe ZAV TAB1").Output.find("F4"), std::string::npos);
  EXPECT_EQ(Run("vorn-dbe", "tables ZAV").Output, "TAB1.db\n");
  EXPECT_EQ(Run("vorn-dbe", "delete-alias zav").Status, 0);
  EXPECT_FALSE(TConfigFile::Load("C:\\DBE\\DBE.CFG").FindAlias("ZAV"));
}

TEST_F(ToolsTest, BadInputGivesAMessageAndANonZeroExit) {
  fs::create_directories(Host("T"));
  const char* bad[] = {
      "",
      "bogus",
      "create 'C:\\T' X",
      "create 'C:\\T' X F1:WHATEVER",
      "create 'C:\\T' X F1:CHAR:0",
      "create 'C:\\T' X F1",
      "describe 'C:\\T' Missing",
      "sql 'C:\\T' 'DELETE FROM x'",
      "aliases",  // no configuration yet
      "delete-alias ZAV",
  };
  for (const char* arguments : bad) {
    SCOPED_TRACE(arguments);
    Outcome outcome = Run("vorn-dbe", arguments);
    EXPECT_NE(outcome.Status, 0);
    EXPECT_NE(outcome.Output.find("vorn-dbe"), std::string::npos) << outcome.Output;
  }
  ASSERT_EQ(Run("vorn-dbe", "create 'C:\\T' X F1:DATE").Status, 0);
  EXPECT_NE(Run("vorn-dbe", "insert 'C:\\T' X 31/12/2020").Status, 0);
  EXPECT_NE(Run("vorn-dbe", "sql 'C:\\T' 'ALTER TABLE \"X.db\" DROP F1'").Status, 0);
  EXPECT_EQ(Others(Host("T"), "X.db"), std::vector<std::string>{});
}

}  // namespace
}  // namespace vorn
