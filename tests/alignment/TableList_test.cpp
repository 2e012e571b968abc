// The list of template tables: which names the search finds and lists, in
// what order, and how the loop reads the lines back.
#include "alignment/TableList.h"

#include <gtest/gtest.h>

#include "platform/WinFile.h"
#include "tests/alignment/AlignmentDrive.h"

namespace vorn::test {
namespace {

class TableListTest : public AlignmentDrive {};

TEST(TableListNames, PrefixesOfWorkTablesAreLeftOutInTheirExactCase) {
  EXPECT_FALSE(IsListedTableFile("Struttura.db"));
  EXPECT_FALSE(IsListedTableFile("VornTemp.db"));
  EXPECT_FALSE(IsListedTableFile("CopyAnag.db"));
  EXPECT_FALSE(IsListedTableFile("Stru.db"));
  EXPECT_TRUE(IsListedTableFile("VORNTEMP.db"));
  EXPECT_TRUE(IsListedTableFile("stru.db"));
  EXPECT_TRUE(IsListedTableFile("Str.db"));
  EXPECT_TRUE(IsListedTableFile("Anagrafica.db"));
}

TEST_F(TableListTest, SearchFindsDbNamesOfAnyKindInFolderOrder) {
  for (const char* name : {"b.db", "A.DB", "c.db.bak", "d.dbf", "e.px", "Zeta.db"}) Write(TemplateFile(name), "x");
  fs::create_directories(TemplateFile("Cartella.db"));

  EXPECT_EQ(FindTableFiles(TemplateDir), (std::vector<std::string>{"A.DB", "b.db", "Cartella.db", "Zeta.db"}));
  EXPECT_TRUE(FindTableFiles("C:\\Manca\\").empty());
}

TEST_F(TableListTest, ListHasOneLinePerTableEndedByCrLfAndReplacesAnOldList) {
  for (const char* name : {"Anag.db", "VornX.db", "VORNY.db", "Referti.db", "CopyOld.db"}) {
    Write(TemplateFile(name), "x");
  }
  Write(Host("Programma/ListaFileDB.txt"), "Vecchia.db\r\nAltra.db\r\nTerza.db\r\n");

  EXPECT_EQ(WriteTableList("C:\\Programma\\ListaFileDB.txt", TemplateDir), 3);
  EXPECT_EQ(Read(Host("Programma/ListaFileDB.txt")), "Anag.db\r\nReferti.db\r\nVORNY.db\r\n");
}

TEST_F(TableListTest, ListThatCannotBeCreatedRaisesAFileError) {
  fs::create_directories(Host("Programma/ListaFileDB.txt"));
  EXPECT_THROW(WriteTableList("C:\\Programma\\ListaFileDB.txt", TemplateDir), FileError);
  TableListReader reader;
  EXPECT_THROW(reader.Open("C:\\Programma\\Manca.txt"), FileError);
  EXPECT_FALSE(reader.IsOpen());
}

TEST_F(TableListTest, ReaderGivesEveryLineWhateverItsEnding) {
  Write(Host("lista.txt"), "Uno.db\r\nDue.db\nTre.db\r\rCinque.db");
  TableListReader reader;
  reader.Open("C:\\lista.txt");
  std::vector<std::string> lines;
  while (!reader.Eof()) lines.push_back(reader.ReadLine());
  EXPECT_EQ(lines, (std::vector<std::string>{"Uno.db", "Due.db", "Tre.db", "", "Cinque.db"}));
  EXPECT_EQ(reader.ReadLine(), "");
  reader.Close();
  EXPECT_TRUE(reader.Eof());
}

}  // namespace
}  // namespace vorn::test
