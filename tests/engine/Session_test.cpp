#include "engine/Session.h"

#include <gtest/gtest.h>

#include "EngineDrive.h"
#include "engine/DatabaseError.h"
#include "engine/Database.h"

namespace vorn {
namespace {

using test::EngineDrive;
namespace fs = std::filesystem;

class SessionTest : public EngineDrive {};

TEST_F(SessionTest, WithoutConfigurationEveryOperationSaysTheEngineIsMissing) {
  std::vector<std::string> list;
  TSession& session = Session();
  EXPECT_EQ(session.SessionName(), "Default");
  try {
    session.GetConfigParams("\\SYSTEM\\INIT", "", list);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("not installed"), std::string::npos);
  }
  EXPECT_THROW(session.IsAlias("ZAV"), EDatabaseError);
  EXPECT_THROW(session.AddStandardAlias("ZAV", "C:\\x", "NATIVE"), EDatabaseError);
  EXPECT_THROW(session.DeleteAlias("ZAV"), EDatabaseError);
  EXPECT_THROW(session.SaveConfigFile(), EDatabaseError);
  EXPECT_THROW(session.GetAliasNames(list), EDatabaseError);
  session.SetConfigMode({cfmSession});
  EXPECT_THROW(session.AddStandardAlias("ZAV", "C:\\x", "NATIVE"), EDatabaseError);
  EXPECT_FALSE(fs::exists(Host("DBE/DBE.CFG")));

  // Installed meanwhile (the setup's own sequence): the next call finds it.
  InstallEngine(false);
  session.GetConfigParams("\\SYSTEM\\INIT", "", list);
  EXPECT_EQ(list, std::vector<std::string>{"LOCAL SHARE=FALSE"});
}

TEST_F(SessionTest, ConfigParamsOfNodes) {
  InstallEngine();
  std::vector<std::string> list{"stale"};
  Session().GetConfigParams("\\SYSTEM\\INIT", "", list);
  EXPECT_EQ(list, std::vector<std::string>{"LOCAL SHARE=FALSE"});
  Session().GetConfigParams("\\DATABASES\\ZAV", "DB INFO", list);
  EXPECT_EQ(list, (std::vector<std::string>{"TYPE=STANDARD", "PATH=C:\\VornZAV\\Archivi", "DEFAULT DRIVER=NATIVE"}));
  Session().GetConfigParams("\\system\\init\\", "", list);
  EXPECT_EQ(list, std::vector<std::string>{"LOCAL SHARE=FALSE"});
  EXPECT_THROW(Session().GetConfigParams("\\NOWHERE", "", list), EDatabaseError);
  // A file without the node still answers for it, with no values.
  Write(Host("DBE/DBE.CFG"), "; empty\r\n");
  Restart();
  Session().GetConfigParams("\\SYSTEM\\INIT", "", list);
  EXPECT_TRUE(list.empty());
}

TEST_F(SessionTest, PersistentAliasesAreSavedAndSeenByLaterRuns) {
  InstallEngine(false);
  TSession& session = Session();
  EXPECT_FALSE(session.IsAlias("ZAV"));
  session.SetConfigMode({cfmPersistent});
  session.AddStandardAlias("ZAV", "C:\\VornZAV\\Archivi", "NATIVE");
  EXPECT_TRUE(session.IsAlias("zav"));
  EXPECT_THROW(session.AddStandardAlias("Zav", "C:\\y", "NATIVE"), EDatabaseError);
  // Seen at once by another session of the process, not yet by later runs.
  TSession other("SessionVORN_1", Engine());
  EXPECT_TRUE(other.IsAlias("ZAV"));
  EXPECT_EQ(Read(Host("DBE/DBE.CFG")).find("ZAV"), std::string::npos);
  session.SaveConfigFile();
  EXPECT_EQ(Others(Host("DBE"), "DBE.CFG").size(), 0u);

  TDBEngine later;
  EXPECT_TRUE(later.DefaultSession().IsAlias("ZAV"));
  EXPECT_EQ(later.DefaultSession().AliasPath("ZAV"), "C:\\VornZAV\\Archivi\\");
  std::vector<std::string> params;
  later.DefaultSession().GetAliasParams("ZAV", params);
  EXPECT_EQ(params, (std::vector<std::string>{"TYPE=STANDARD", "PATH=C:\\VornZAV\\Archivi", "DEFAULT DRIVER=NATIVE"}));

  // Deleting a stored alias lasts once saved.
  session.DeleteAlias("ZAV");
  EXPECT_FALSE(session.IsAlias("ZAV"));
  session.SaveConfigFile();
  TDBEngine third;
  EXPECT_FALSE(third.DefaultSession().IsAlias("ZAV"));
}

TEST_F(SessionTest, SessionAliasesLiveInTheirSessionOnly) {
  InstallEngine();
  TSession vorn("SessionVORN_1", Engine());
  EXPECT_EQ(vorn.ConfigMode(), TConfigModes::All());
  vorn.DeleteAlias("NuoviArchiviZAV");  // nothing there: nothing happens
  fs::create_directories(Host("Program/ArchiviVuoti"));
  vorn.AddStandardAlias("NuoviArchiviZAV", "C:\\Program\\ArchiviVuoti\\", "NATIVE");
  EXPECT_TRUE(vorn.IsAlias("NuoviArchiviZAV"));
  EXPECT_FALSE(Session().IsAlias("NuoviArchiviZAV"));
  EXPECT_EQ(vorn.AliasPath("NuoviArchiviZAV"), "C:\\Program\\ArchiviVuoti\\");
  std::vector<std::string> names;
  vorn.GetAliasNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"NuoviArchiviZAV", "ZAV"}));
  std::vector<std::string> params;
  vorn.GetConfigParams("\\DATABASES\\NuoviArchiviZAV\\DB INFO", "", params);
  EXPECT_EQ(params.size(), 3u);
  vorn.SaveConfigFile();
  EXPECT_EQ(Read(Host("DBE/DBE.CFG")).find("NuoviArchiviZAV"), std::string::npos);
  vorn.DeleteAlias("nuoviarchivizav");
  EXPECT_FALSE(vorn.IsAlias("NuoviArchiviZAV"));
  // Only the session-less modes keep an alias out of the session: virtual alone stays in it.
  vorn.SetConfigMode({cfmVirtual});
  vorn.AddStandardAlias("V", "C:\\v", "NATIVE");
  EXPECT_FALSE(Session().IsAlias("V"));
  vorn.SetConfigMode({cfmVirtual, cfmPersistent});
  vorn.AddStandardAlias("P", "C:\\p", "NATIVE");
  EXPECT_TRUE(Session().IsAlias("P"));
}

TEST_F(SessionTest, SavingKeepsChangesMadeMeanwhileByAnotherProgram) {
  InstallEngine();
  Session().IsAlias("x");  // the configuration is read now
  TConfigFile outside = TConfigFile::Load("C:\\DBE\\DBE.CFG");
  outside.SetAlias({"Tool", "C:\\Tool", "NATIVE"});
  outside.SetParam("\\SYSTEM\\INIT", "LOCAL SHARE", "TRUE");
  outside.Save("C:\\DBE\\DBE.CFG");
  Session().SetConfigMode({cfmPersistent});
  Session().AddStandardAlias("Mine", "C:\\Mine", "NATIVE");
  Session().DeleteAlias("ZAV");
  Session().SaveConfigFile();
  TConfigFile saved = TConfigFile::Load("C:\\DBE\\DBE.CFG");
  EXPECT_TRUE(saved.FindAlias("Tool"));
  EXPECT_TRUE(saved.FindAlias("Mine"));
  EXPECT_FALSE(saved.FindAlias("ZAV"));
  EXPECT_EQ(saved.Params("\\SYSTEM\\INIT"), (TConfigParams{{"LOCAL SHARE", "TRUE"}}));
  EXPECT_TRUE(Session().IsAlias("Tool"));
}

TEST_F(SessionTest, BadAliasesAndSessionNamesAreRefused) {
  InstallEngine();
  EXPECT_THROW(Session().AddStandardAlias("", "C:\\x", "NATIVE"), EDatabaseError);
  EXPECT_THROW(Session().AddStandardAlias("A]B", "C:\\x", "NATIVE"), EDatabaseError);
  EXPECT_THROW(Session().AddStandardAlias("A", "  ", "NATIVE"), EDatabaseError);
  EXPECT_THROW(Session().AddStandardAlias("A", "C:\\x\ny", "NATIVE"), EDatabaseError);
  EXPECT_THROW(Session().AliasPath("none"), EDatabaseError);
  EXPECT_THROW(TSession("default", Engine()), EDatabaseError);
  EXPECT_EQ(Engine().FindSession("DEFAULT"), &Session());
  {
    TSession vorn("SessionVORN_1", Engine());
    EXPECT_EQ(Engine().FindSession("sessionvorn_1"), &vorn);
  }
  EXPECT_EQ(Engine().FindSession("SessionVORN_1"), nullptr);
}

TEST_F(SessionTest, DatabasesConnectToTheirAlias) {
  InstallEngine();
  TSession vorn("SessionVORN_1", Engine());
  TDatabase principale(vorn);
  principale.SetDatabaseName("Calanco");
  EXPECT_THROW(principale.Open(), EDatabaseError);  // no alias yet
  principale.SetAliasName("ZAV");
  EXPECT_EQ(principale.Directory(), "");
  principale.SetConnected(true);
  EXPECT_TRUE(principale.Connected());
  EXPECT_EQ(principale.Directory(), "C:\\VornZAV\\Archivi\\");
  EXPECT_EQ(principale.SessionName(), "SessionVORN_1");
  EXPECT_THROW(principale.SetAliasName("Other"), EDatabaseError);
  EXPECT_EQ(vorn.DatabaseDirectory("calanco"), "C:\\VornZAV\\Archivi\\");
  EXPECT_EQ(vorn.DatabaseDirectory("ZAV"), "C:\\VornZAV\\Archivi\\");
  EXPECT_EQ(vorn.DatabaseDirectory("C:\\Elsewhere"), "C:\\Elsewhere\\");
  EXPECT_THROW(vorn.DatabaseDirectory("Tab"), EDatabaseError);
  principale.Close();
  EXPECT_FALSE(principale.Connected());
  EXPECT_EQ(principale.Directory(), "");

  // A database named but closed is connected when a table asks for it.
  EXPECT_EQ(vorn.DatabaseDirectory("Calanco"), "C:\\VornZAV\\Archivi\\");
  EXPECT_TRUE(principale.Connected());
  principale.Close();

  // An alias whose folder is gone cannot be connected.
  fs::remove_all(Host("VornZAV/Archivi"));
  EXPECT_THROW(principale.Open(), EDBEngineError);
  EXPECT_FALSE(principale.Connected());

  TDatabase twin(vorn);
  twin.SetDatabaseName("CALANCO");
  twin.SetAliasName("ZAV");
  fs::create_directories(Host("VornZAV/Archivi"));
  principale.Open();
  EXPECT_THROW(twin.Open(), EDatabaseError);
}

}  // namespace
}  // namespace vorn
