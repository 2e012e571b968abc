// The alias step: first installation, update, and the half-way states a
// workstation can be found in.
#include "alignment/AliasConfiguration.h"

#include <gtest/gtest.h>

#include "engine/DatabaseError.h"
#include "tests/alignment/AlignmentDrive.h"

namespace vorn::test {
namespace {

class AliasConfigurationTest : public AlignmentDrive {
 protected:
  void SetUp() override {
    AlignmentDrive::SetUp();
    // The program runs from the product folder; the package was unpacked in Inst_Temp.
    DropWindowObjects();
    fs::remove_all(Host("VornZAV"));
    fs::create_directories(Host("VornZAV/ArchiviVuoti"));
    fs::create_directories(Host("Temp/Inst_Temp/ArchiviVuoti"));
    Write(Host("Temp/Inst_Temp/CriptaCF/chiave.bin"), "chiave nuova");
    Write(Host("Temp/Inst_Temp/CriptaCF/certificato.pem"), "certificato");
  }

  // The engine, with or without the alias, and the window's objects; no archive folder yet.
  void MakeObjects(bool withAlias, const std::string& aliasPath = "C:\\VornZAV\\Archivi") {
    DropWindowObjects();
    InstallEngine(withAlias, aliasPath);
    fs::remove_all(Host("VornZAV/Archivi"));
    programDir = "C:\\VornZAV\\";
    MakeWindowObjects();
  }

  // A template in the package and in the product folder, as the module step leaves them.
  void ShipTemplate(const std::string& name, const TFieldDefs& fields) {
    MakeTable("C:\\Temp\\Inst_Temp\\ArchiviVuoti", name, fields);
    MakeTable("C:\\VornZAV\\ArchiviVuoti", name, fields);
  }

  void Press() { BtnAliasClick(ui, engine->DefaultSession(), *alignment, folders); }

  std::optional<TAliasDef> StoredAlias() {
    return TConfigFile::Load("C:\\DBE\\DBE.CFG").FindAlias("ZAV");
  }

  AliasStepFolders folders{"C:\\VornZAV\\", "C:\\Temp\\Inst_Temp"};
  const std::vector<std::string> plainLog{" Inizio configurazione Alias: ZAV", " Fine configurazione Alias: ZAV",
                                          " Inizio configurazione CriptaCF", " Fine configurazione CriptaCF"};
};

TEST_F(AliasConfigurationTest, FirstInstallationRegistersTheAliasAndFillsBothFolders) {
  MakeObjects(false);
  ShipTemplate("ANAG", {F("Id", ftAutoInc), F("Nome", ftString, 30)});
  ShipTemplate("REFERTI", {F("Id", ftAutoInc)});

  Press();

  const std::optional<TAliasDef> alias = StoredAlias();
  ASSERT_TRUE(alias);
  EXPECT_EQ(alias->Path, "C:\\VornZAV\\Archivi");
  EXPECT_EQ(alias->DefaultDriver, "NATIVE");
  EXPECT_EQ(Fields("C:\\VornZAV\\Archivi", "ANAG"), (TFieldDefs{F("Id", ftAutoInc), F("Nome", ftString, 30)}));
  EXPECT_TRUE(fs::exists(ArchiveFile("REFERTI.db")));
  EXPECT_EQ(Read(Host("VornZAV/CriptaCF/chiave.bin")), "chiave nuova");
  EXPECT_EQ(Read(Host("VornZAV/CriptaCF/certificato.pem")), "certificato");
  EXPECT_EQ(ui.log, plainLog);
  EXPECT_EQ(ui.barrazzaTotale.steps, 3);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(engine->DefaultSession().ConfigMode(), TConfigModes({cfmPersistent}));
}

TEST_F(AliasConfigurationTest, UpdateAlignsTheArchiveAndLeavesCriptaCfAlone) {
  MakeObjects(true);
  ShipTemplate("ANAG", {F("Id", ftAutoInc), F("Nome", ftString, 30)});
  fs::create_directories(Host("VornZAV/Archivi"));
  MakeArchive("ANAG", {F("Id", ftAutoInc)}, {{std::nullopt}, {std::nullopt}});
  Write(Host("VornZAV/CriptaCF/chiave.bin"), "chiave del cliente");
  const std::string configBefore = Read(Host("DBE/DBE.CFG"));

  Press();

  EXPECT_EQ(ArchiveFields("ANAG"), (TFieldDefs{F("Id", ftAutoInc), F("Nome", ftString, 30)}));
  EXPECT_EQ(ArchiveRows("ANAG").size(), 2u);
  EXPECT_EQ(Read(Host("VornZAV/CriptaCF/chiave.bin")), "chiave del cliente");
  EXPECT_FALSE(fs::exists(Host("VornZAV/CriptaCF/certificato.pem")));
  EXPECT_EQ(Read(Host("DBE/DBE.CFG")), configBefore);
  EXPECT_EQ(ui.log, (std::vector<std::string>{" Inizio configurazione Alias: ZAV",
                                                " Preparazione degli archivi in corso...", " Allineamento: ANAG",
                                                " ALLINEAMENTO ARCHIVI ESEGUITO CORRETTAMENTE",
                                                " Fine configurazione Alias: ZAV", " Inizio configurazione CriptaCF",
                                                " Fine configurazione CriptaCF"}));
  EXPECT_EQ(ui.barrazzaTotale.steps, 3);
}

TEST_F(AliasConfigurationTest, AliasPresentButFolderMissingMakesAndFillsTheFolderWithoutAlignment) {
  MakeObjects(true);
  ShipTemplate("ANAG", {F("Id", ftAutoInc)});

  Press();

  EXPECT_TRUE(fs::exists(ArchiveFile("ANAG.db")));
  EXPECT_EQ(ui.log, plainLog);
}

TEST_F(AliasConfigurationTest, FolderPresentButAliasMissingAddsTheAliasThenAligns) {
  MakeObjects(false);
  ShipTemplate("ANAG", {F("Id", ftAutoInc), F("Nome", ftString, 30)});
  fs::create_directories(Host("VornZAV/Archivi"));
  MakeArchive("ANAG", {F("Id", ftAutoInc)}, {{std::nullopt}});

  Press();

  ASSERT_TRUE(StoredAlias());
  EXPECT_EQ(StoredAlias()->Path, "C:\\VornZAV\\Archivi");
  EXPECT_EQ(ArchiveFields("ANAG"), (TFieldDefs{F("Id", ftAutoInc), F("Nome", ftString, 30)}));
  EXPECT_EQ(ui.log.at(3), " ALLINEAMENTO ARCHIVI ESEGUITO CORRETTAMENTE");
}

TEST_F(AliasConfigurationTest, ExistingAliasKeepsItsPathWhateverItIs) {
  MakeObjects(true, "C:\\Altrove");

  Press();

  EXPECT_EQ(StoredAlias()->Path, "C:\\Altrove");
  EXPECT_TRUE(fs::is_directory(Host("VornZAV/Archivi")));
}

TEST_F(AliasConfigurationTest, FolderThatCannotBeCreatedShowsAnErrorBoxAndGoesOn) {
  MakeObjects(false);
  folders.ProductDir = "C:\\Manca\\VornZAV\\";

  Press();

  EXPECT_EQ(ui.boxes, (std::vector<std::string>{"Error: Impossibile creare C:\\Manca\\VornZAV\\Archivi",
                                                  "Error: Impossibile creare C:\\Manca\\VornZAV\\CriptaCF"}));
  EXPECT_EQ(ui.log, plainLog);
  EXPECT_EQ(ui.barrazzaTotale.steps, 3);
  // The box comes before the end of the alias part.
  EXPECT_EQ(ui.journal.at(2), "Box:Error: Impossibile creare C:\\Manca\\VornZAV\\Archivi");
}

TEST_F(AliasConfigurationTest, EngineNotInstalledEndsTheStepWithTheEnginesError) {
  MakeObjects(false);
  fs::remove(Host("DBE/DBE.CFG"));

  EXPECT_THROW(Press(), EDatabaseError);

  EXPECT_EQ(ui.log, (std::vector<std::string>{" Inizio configurazione Alias: ZAV"}));
  EXPECT_EQ(ui.barrazzaTotale.steps, 1);
  EXPECT_FALSE(fs::exists(Host("VornZAV/Archivi")));
}

TEST_F(AliasConfigurationTest, SecondPressAfterAFirstInstallationAligns) {
  MakeObjects(false);
  ShipTemplate("ANAG", {F("Id", ftAutoInc)});
  Press();
  ui.log.clear();

  Press();

  EXPECT_EQ(ui.log.at(1), " Preparazione degli archivi in corso...");
  EXPECT_EQ(ui.log.at(3), " ALLINEAMENTO ARCHIVI ESEGUITO CORRETTAMENTE");
  EXPECT_EQ(ui.barrazzaTotale.steps, 6);
}

}  // namespace
}  // namespace vorn::test
