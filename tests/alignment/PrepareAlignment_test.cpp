// The preparation phase alone: connection, clean-up, local archive folder,
// template alias, list file and progress bar.
#include <gtest/gtest.h>

#include "alignment/ArchiveAlignment.h"
#include "platform/WinFile.h"
#include "tests/alignment/AlignmentDrive.h"

namespace vorn::test {
namespace {

class PrepareAlignmentTest : public AlignmentDrive {};

TEST_F(PrepareAlignmentTest, ConnectsRegistersTheTemplateAliasAndListsTheTables) {
  MakeTemplate("Referti", {F("Id", ftAutoInc)});
  MakeTemplate("Anag", {F("Id", ftAutoInc)});
  MakeTemplate("VornInterna", {F("Id", ftAutoInc)});
  sessionVORN->SetConfigMode({cfmSession});

  alignment->PrepareAlignment();

  EXPECT_TRUE(principale->Connected());
  EXPECT_EQ(principale->AliasName(), "ZAV");
  EXPECT_EQ(alignment->ArchiveDir(), ArchiveDir);
  EXPECT_EQ(sessionVORN->AliasPath(ArchiveAlignment::TemplateAlias), TemplateDir);
  EXPECT_EQ(sessionVORN->ConfigMode(), TConfigModes::All());
  EXPECT_EQ(Read(Host("Programma/ListaFileDB.txt")), "Anag.db\r\nReferti.db\r\n");
  EXPECT_EQ(ui.barrazza.Max(), 2);
  EXPECT_EQ(ui.barrazza.Position(), 0);
  EXPECT_EQ(ui.log, (std::vector<std::string>{" Preparazione degli archivi in corso..."}));
  EXPECT_EQ(ui.journal.at(1), "ProcessMessages");
  // The template alias lives in the private session only.
  EXPECT_FALSE(engine->DefaultSession().IsAlias(ArchiveAlignment::TemplateAlias));

  alignment->CompleteAlignment();
  EXPECT_FALSE(TemplateAliasRegistered());
  EXPECT_FALSE(fs::exists(Host("Programma/ListaFileDB.txt")));
}

TEST_F(PrepareAlignmentTest, ClearsLockFilesAndLeftoversOnly) {
  MakeArchive("ANAG", {F("Id", ftAutoInc)}, {{std::nullopt}});
  for (const char* name : {"PDOXUSRS.LCK", "anag.lck", "ANAG.VAL", "ANAG.sch", "ANAG.TV", "Struttura.db",
                           "STRUX.px", "Copy1.db", "copyanag.mb", "ANAG.px", "ANAG.mb", "Referti.val.txt"}) {
    Write(ArchiveFile(name), "x");
  }
  for (const char* name : {"StruAnag.db", "CopyAnag.db", "Anag.db", "Anag.lck"}) Write(TemplateFile(name), "x");

  alignment->PrepareAlignment();

  std::vector<std::string> archive;
  for (const auto& entry : fs::directory_iterator(Host("VornZAV/Archivi"))) {
    archive.push_back(entry.path().filename().string());
  }
  std::sort(archive.begin(), archive.end());
  EXPECT_EQ(archive, (std::vector<std::string>{"ANAG.db", "ANAG.mb", "ANAG.px", "Referti.val.txt"}));
  EXPECT_FALSE(fs::exists(TemplateFile("StruAnag.db")));
  EXPECT_FALSE(fs::exists(TemplateFile("CopyAnag.db")));
  EXPECT_TRUE(fs::exists(TemplateFile("Anag.db")));
  EXPECT_TRUE(fs::exists(TemplateFile("Anag.lck"))) << "lock files are cleared in the archive only";
  EXPECT_EQ(ArchiveRows("ANAG").size(), 1u);
  alignment->CompleteAlignment();
}

TEST_F(PrepareAlignmentTest, LocalArchiveFolderIsMadeOrLeftAlone) {
  alignment->PrepareAlignment();
  EXPECT_TRUE(fs::is_directory(Host("Programma/ArchiviLocale")));
  alignment->CompleteAlignment();

  Write(Host("Programma/ArchiviLocale/dati.db"), "locale");
  alignment->PrepareAlignment();
  EXPECT_EQ(Read(Host("Programma/ArchiviLocale/dati.db")), "locale");
  alignment->CompleteAlignment();
}

TEST_F(PrepareAlignmentTest, ListFileThatCannotBeWrittenEndsTheRunWithoutCompletion) {
  fs::create_directories(Host("Programma/ListaFileDB.txt"));

  EXPECT_THROW(alignment->AllineaVersioneClick(), FileError);

  // The template alias and the connection stay until the next run replaces them.
  EXPECT_TRUE(TemplateAliasRegistered());
  EXPECT_TRUE(principale->Connected());
  EXPECT_EQ(ui.log, (std::vector<std::string>{" Preparazione degli archivi in corso..."}));

  fs::remove(Host("Programma/ListaFileDB.txt"));
  ui.log.clear();
  alignment->AllineaVersioneClick();
  EXPECT_EQ(ui.log.back(), " ALLINEAMENTO ARCHIVI ESEGUITO CORRETTAMENTE");
  EXPECT_FALSE(TemplateAliasRegistered());
}

TEST_F(PrepareAlignmentTest, ProgramFolderWithoutTrailingBackslashIsAccepted) {
  ArchiveAlignment other(ui, *sessionVORN, *principale, *sql, "C:\\Programma");
  EXPECT_EQ(other.ProgramDir(), ProgramDir);
  EXPECT_EQ(other.TemplateDir(), TemplateDir);
  EXPECT_EQ(other.ListFilePath(), "C:\\Programma\\ListaFileDB.txt");
  // Beside the running program unless told otherwise.
  ArchiveAlignment beside(ui, *sessionVORN, *principale, *sql);
  EXPECT_EQ(beside.ProgramDir(), GetProgramFolder());
  EXPECT_EQ(beside.TemplateDir(), GetProgramFolder() + "ArchiviVuoti\\");
}

}  // namespace
}  // namespace vorn::test
