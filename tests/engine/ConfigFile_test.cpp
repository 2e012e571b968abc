#include "engine/ConfigFile.h"

#include <gtest/gtest.h>

#include "EngineDrive.h"
#include "engine/DatabaseError.h"

namespace vorn {
namespace {

using test::EngineDrive;
namespace fs = std::filesystem;

class ConfigFileTest : public EngineDrive {};

TEST_F(ConfigFileTest, DefaultsRoundTripThroughTheFile) {
  TConfigFile::Defaults().Save("C:\\DBE\\DBE.CFG");
  std::string text = Read(Host("DBE/DBE.CFG"));
  EXPECT_NE(text.find("[\\SYSTEM\\INIT]\r\nLOCAL SHARE=FALSE\r\n"), std::string::npos);
  TConfigFile config = TConfigFile::Load("c:\\dbe\\dbe.cfg");
  EXPECT_EQ(config.Params("\\system\\init"), (TConfigParams{{"LOCAL SHARE", "FALSE"}}));
  EXPECT_TRUE(config.Aliases().empty());
  EXPECT_EQ(Others(Host("DBE"), "DBE.CFG").size(), 0u);  // no temporary file left
}

TEST_F(ConfigFileTest, AliasesAreNodesOfTheirOwn) {
  TConfigFile config = TConfigFile::Defaults();
  config.SetAlias({"ZAV", "C:\\VornZAV\\Archivi", "NATIVE"});
  config.SetAlias({"Other", "Z:\\tmp", "NATIVE"});
  config.SetAlias({"zav", "C:\\Elsewhere", "NATIVE"});  // replaces, letter case ignored
  TConfigFile read = TConfigFile::Parse(config.Text(), "test");
  ASSERT_EQ(read.Aliases().size(), 2u);
  EXPECT_EQ(read.FindAlias("ZAV"), (TAliasDef{"zav", "C:\\Elsewhere", "NATIVE"}));
  EXPECT_EQ(read.Params(AliasNode("Other")),
            (TConfigParams{{"TYPE", "STANDARD"}, {"PATH", "Z:\\tmp"}, {"DEFAULT DRIVER", "NATIVE"}}));
  EXPECT_TRUE(read.RemoveAlias("OTHER"));
  EXPECT_FALSE(read.RemoveAlias("OTHER"));
  EXPECT_FALSE(read.FindAlias("Other"));
}

TEST_F(ConfigFileTest, ReadingIsForgivingAboutLayout) {
  TConfigFile config = TConfigFile::Parse(
      "\xEF\xBB\xBF; comment\n\n [\\SYSTEM\\INIT] \n local share = true \nLANGDRIVER=\nLOCAL SHARE=TRUE\n", "x");
  EXPECT_EQ(config.Params("\\SYSTEM\\INIT"), (TConfigParams{{"local share", "TRUE"}, {"LANGDRIVER", ""}}));
}

TEST_F(ConfigFileTest, DamagedOrMissingFilesSayTheEngineIsNotInstalled) {
  auto message = [](const std::string& text) {
    try {
      TConfigFile::Parse(text, "C:\\DBE\\DBE.CFG");
    } catch (const EDatabaseError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_NE(message("LOCAL SHARE=FALSE\n").find("line 1"), std::string::npos);
  EXPECT_NE(message("[\\SYSTEM\\INIT]\ngarbage\n").find("line 2"), std::string::npos);
  EXPECT_NE(message("[SYSTEM]\n").find("line 1"), std::string::npos);
  EXPECT_NE(message("[\\A]\n[\\a]\n").find("repeats"), std::string::npos);
  EXPECT_NE(message(std::string("[\\A]\nX=1\0\n", 11)).find("zero byte"), std::string::npos);
  EXPECT_NE(message("[\\A\n").find("not installed"), std::string::npos);
  try {
    TConfigFile::Load("C:\\DBE\\DBE.CFG");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("not installed"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("C:\\DBE\\DBE.CFG"), std::string::npos);
  }
  EXPECT_THROW(TConfigFile::Load("Q:\\DBE.CFG"), EDatabaseError);
  fs::create_directories(Host("DBE/DBE.CFG"));  // a folder where the file should be
  EXPECT_THROW(TConfigFile::Load("C:\\DBE\\DBE.CFG"), EDatabaseError);
}

TEST_F(ConfigFileTest, AFailedSaveKeepsTheOldFile) {
  TConfigFile::Defaults().Save("C:\\DBE\\DBE.CFG");
  std::string before = Read(Host("DBE/DBE.CFG"));
  fs::create_directories(Host("DBE/DBE.CFG.new/blocker"));  // the temporary file cannot be made
  TConfigFile changed = TConfigFile::Defaults();
  changed.SetAlias({"ZAV", "C:\\x", "NATIVE"});
  EXPECT_THROW(changed.Save("C:\\DBE\\DBE.CFG"), EDatabaseError);
  EXPECT_EQ(Read(Host("DBE/DBE.CFG")), before);
}

}  // namespace
}  // namespace vorn
