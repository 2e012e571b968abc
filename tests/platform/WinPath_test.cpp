#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include "TempDrive.h"
#include "platform/FileSystem.h"
#include "platform/WinFile.h"

namespace vorn {
namespace {

using test::TempDrive;
namespace fs = std::filesystem;

class WinPathTest : public TempDrive {};

TEST_F(WinPathTest, FullPathNormalisesSeparatorsAndDots) {
  EXPECT_EQ(FullWinPath("c:\\VornZAV\\\\Archivi\\.\\x\\..\\y"), "C:\\VornZAV\\Archivi\\y");
  EXPECT_EQ(FullWinPath("C:/VornZAV/Archivi/"), "C:\\VornZAV\\Archivi\\");
  EXPECT_EQ(FullWinPath("C:\\..\\..\\a"), "C:\\a");
  EXPECT_EQ(FullWinPath("C:\\"), "C:\\");
  EXPECT_EQ(FullWinPath("C:\\Temp\\Inst_Temp\\\\Dbe_2018"), "C:\\Temp\\Inst_Temp\\Dbe_2018");
  EXPECT_EQ(FullWinPath("\\\\server\\share\\a\\..\\b"), "\\\\server\\share\\b");
  EXPECT_EQ(FullWinPath("D:\\x"), "D:\\x");
  EXPECT_EQ(FullWinPath(""), "");
}

TEST_F(WinPathTest, FullPathDropsTrailingBlanksAndDotsOfTheLastName) {
  EXPECT_EQ(FullWinPath("C:\\a\\b. "), "C:\\a\\b");
  EXPECT_EQ(FullWinPath("C:\\a\\*.* "), "C:\\a\\*.*");
}

TEST_F(WinPathTest, RelativePathsUseTheCurrentFolder) {
  fs::create_directories(Host("VornZAV/Archivi"));
  ASSERT_TRUE(SetCurrentDir("C:\\vornzav"));
  EXPECT_EQ(GetCurrentDir(), "C:\\VornZAV");
  EXPECT_EQ(FullWinPath("Archivi\\t.db"), "C:\\VornZAV\\Archivi\\t.db");
  EXPECT_EQ(FullWinPath(".\\x"), "C:\\VornZAV\\x");
  EXPECT_EQ(FullWinPath("..\\x"), "C:\\x");
  EXPECT_EQ(FullWinPath("\\x"), "C:\\x");
  EXPECT_EQ(FullWinPath("C:x"), "C:\\VornZAV\\x");
  EXPECT_EQ(FullWinPath("Z:x"), "Z:\\x");
  ASSERT_TRUE(SetCurrentDir("C:\\"));
  EXPECT_EQ(GetCurrentDir(), "C:\\");
  EXPECT_FALSE(SetCurrentDir("C:\\missing"));
  EXPECT_FALSE(SetCurrentDir("Q:\\"));
}

TEST_F(WinPathTest, DrivesMapToTheirHostFolders) {
  EXPECT_EQ(ToHostPath("C:\\"), drive_);
  EXPECT_EQ(ToHostPath("C:\\New\\File.TXT"), drive_ / "New" / "File.TXT");
  EXPECT_EQ(ToHostPath("Z:\\"), fs::path("/"));
  EXPECT_EQ(ToHostPath("z:\\usr\\.\\bin"), fs::path("/usr/bin"));
  EXPECT_FALSE(ToHostPath("D:\\x").has_value());
  EXPECT_FALSE(ToHostPath("\\\\server\\share\\x").has_value());
  EXPECT_FALSE(ToHostPath("").has_value());
}

TEST_F(WinPathTest, DriveCIsCreatedWhenMissing) {
  const fs::path fresh = base_ / "other" / "drive";
  test::SetVariable("VORN_DRIVE_C", test::PathText(fresh));
  EXPECT_EQ(DriveCRoot(), fresh);
  EXPECT_TRUE(fs::is_directory(fresh));
}

TEST_F(WinPathTest, RelativeDriveSettingStaysPut) {
  fs::create_directories(base_ / "rel" / "drive" / "sub");
  fs::current_path(base_ / "rel");
  test::SetVariable("VORN_DRIVE_C", "drive");
  EXPECT_EQ(DriveCRoot(), base_ / "rel" / "drive");
  ASSERT_TRUE(SetCurrentDir("C:\\sub"));
  EXPECT_EQ(DriveCRoot(), base_ / "rel" / "drive");
  EXPECT_EQ(GetCurrentDir(), "C:\\sub");
}

TEST_F(WinPathTest, ExistingNamesAreFoundInAnyLetterCase) {
  Write(Host("VornZAV/Archivi/zav.zip"), "z");
  EXPECT_EQ(ToHostPath("C:\\VORNZAV\\ARCHIVI\\ZAV.ZIP"), Host("VornZAV/Archivi/zav.zip"));
  // A missing last name keeps the case it is given, below the existing folders.
  EXPECT_EQ(ToHostPath("C:\\vornzav\\NUOVO\\Nome.Txt"), Host("VornZAV/NUOVO/Nome.Txt"));
  Write(Host("Città/Perché.txt"), "p");
  EXPECT_EQ(ToHostPath("C:\\CITTÀ\\PERCHÉ.TXT"), Host("Città/Perché.txt"));
}

TEST_F(WinPathTest, AnExactMatchWinsOverOtherCaseVariants) {
  Write(Host("Dup/README"), "1");
  Write(Host("Dup/readme"), "2");
  EXPECT_EQ(ToHostPath("C:\\Dup\\readme"), Host("Dup/readme"));
  EXPECT_EQ(ToHostPath("C:\\Dup\\README"), Host("Dup/README"));
  // Neither exact: the smaller name, whatever the folder's order.
  EXPECT_EQ(ToHostPath("C:\\Dup\\ReadMe"), Host("Dup/README"));
}

TEST_F(WinPathTest, EachLevelMayDifferInCaseFromTheGivenName) {
  Write(Host("Alto/Medio/Basso/file.TXT"), "x");
  // Only the last name in another case, below folders given exactly.
  EXPECT_EQ(ToHostPath("C:\\Alto\\Medio\\Basso\\FILE.txt"), Host("Alto/Medio/Basso/file.TXT"));
  // A folder in another case, the rest exact.
  EXPECT_EQ(ToHostPath("C:\\alto\\Medio\\Basso\\file.TXT"), Host("Alto/Medio/Basso/file.TXT"));
  // A single level below the drive.
  Write(Host("Radice.Ini"), "r");
  EXPECT_EQ(ToHostPath("C:\\RADICE.INI"), Host("Radice.Ini"));
  // Below a file nothing is looked up.
  EXPECT_EQ(ToHostPath("C:\\RADICE.INI\\Sotto"), Host("Radice.Ini/Sotto"));
  // Missing levels keep their case from the first missing one on.
  EXPECT_EQ(ToHostPath("C:\\ALTO\\Nuovo\\MEDIO"), Host("Alto/Nuovo/MEDIO"));
}

TEST_F(WinPathTest, NamesCreatedMeanwhileByAnotherProgramAreSeen) {
  fs::create_directories(Host("Cartella"));
  EXPECT_EQ(ToHostPath("C:\\Cartella\\NUOVO.TXT"), Host("Cartella/NUOVO.TXT"));
  Write(Host("Cartella/nuovo.txt"), "n");
  EXPECT_EQ(ToHostPath("C:\\Cartella\\NUOVO.TXT"), Host("Cartella/nuovo.txt"));
  Write(Host("Cartella/NUOVO.TXT"), "e");
  EXPECT_EQ(ToHostPath("C:\\Cartella\\NUOVO.TXT"), Host("Cartella/NUOVO.TXT"));
  fs::remove(Host("Cartella/NUOVO.TXT"));
  EXPECT_EQ(ToHostPath("C:\\cartella\\nuovo.TXT"), Host("Cartella/nuovo.txt"));
}

// A lookup cache must give the same answers as the host, for everything the
// platform layer itself creates, renames and removes while it is active.
class PathLookupCacheTest : public TempDrive {};

TEST_F(PathLookupCacheTest, FollowsFilesCreatedMovedAndDeletedThroughThePlatform) {
  fs::create_directories(Host("Dest"));
  Write(Host("Dest/Presente.txt"), "p");
  const PathLookupCache lookups;
  EXPECT_EQ(ToHostPath("C:\\Dest\\NUOVO.TXT"), Host("Dest/NUOVO.TXT"));  // the folder is listed now
  EXPECT_EQ(ToHostPath("C:\\Dest\\PRESENTE.TXT"), Host("Dest/Presente.txt"));
  {
    WinFile created("C:\\Dest\\nuovo.txt", FileOpen::CreateNew);
  }
  EXPECT_EQ(ToHostPath("C:\\Dest\\NUOVO.TXT"), Host("Dest/nuovo.txt"));
  WinFile again;
  EXPECT_FALSE(again.TryOpen("C:\\Dest\\NUOVO.TXT", FileOpen::CreateNew));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);

  ASSERT_TRUE(MoveFile("C:\\Dest\\NUOVO.TXT", "C:\\Dest\\Spostato.txt", false));
  EXPECT_EQ(ToHostPath("C:\\DEST\\SPOSTATO.TXT"), Host("Dest/Spostato.txt"));
  EXPECT_EQ(ToHostPath("C:\\Dest\\NUOVO.TXT"), Host("Dest/NUOVO.TXT"));
  EXPECT_FALSE(FileExists("C:\\Dest\\Nuovo.txt"));

  ASSERT_TRUE(CopyFile("C:\\Dest\\spostato.txt", "C:\\Dest\\Copia.txt", false));
  EXPECT_TRUE(FileExists("C:\\dest\\COPIA.TXT"));

  ASSERT_TRUE(DeleteFile("C:\\Dest\\SPOSTATO.txt"));
  EXPECT_FALSE(FileExists("C:\\Dest\\spostato.TXT"));
  EXPECT_EQ(ToHostPath("C:\\Dest\\Spostato.TXT"), Host("Dest/Spostato.TXT"));
}

TEST_F(PathLookupCacheTest, RemovingOneCaseVariantLeavesTheOther) {
  Write(Host("Dup/README"), "1");
  Write(Host("Dup/readme"), "2");
  const PathLookupCache lookups;
  EXPECT_EQ(ToHostPath("C:\\Dup\\ReadMe"), Host("Dup/README"));
  ASSERT_TRUE(DeleteFile("C:\\Dup\\README"));
  EXPECT_EQ(ToHostPath("C:\\Dup\\ReadMe"), Host("Dup/readme"));
}

TEST_F(PathLookupCacheTest, FollowsFoldersCreatedRenamedAndRemoved) {
  const PathLookupCache lookups;
  ASSERT_TRUE(ForceDirectories("C:\\Uno\\Due"));
  EXPECT_EQ(ToHostPath("C:\\UNO\\DUE\\f.txt"), Host("Uno/Due/f.txt"));
  ASSERT_TRUE(MoveFile("C:\\Uno", "C:\\Altro", false));
  EXPECT_EQ(ToHostPath("C:\\ALTRO\\DUE\\f.txt"), Host("Altro/Due/f.txt"));
  EXPECT_EQ(ToHostPath("C:\\UNO\\DUE"), Host("UNO/DUE"));
  ASSERT_TRUE(RemoveDir("C:\\altro\\due"));
  EXPECT_FALSE(DirectoryExists("C:\\ALTRO\\DUE"));
  ASSERT_TRUE(CreateDir("C:\\ALTRO\\Tre"));
  EXPECT_TRUE(DirectoryExists("C:\\altro\\TRE"));
}

TEST_F(PathLookupCacheTest, ExactNamesAreAlwaysSeenAndScopesEnd) {
  fs::create_directories(Host("Dest"));
  {
    const PathLookupCache outer;
    EXPECT_EQ(ToHostPath("C:\\Dest\\ESTERNO.TXT"), Host("Dest/ESTERNO.TXT"));
    // Another program's file in the exact case given is found at once.
    Write(Host("Dest/ESTERNO.TXT"), "e");
    EXPECT_TRUE(FileExists("C:\\Dest\\ESTERNO.TXT"));
    {
      const PathLookupCache inner;
      EXPECT_EQ(ToHostPath("C:\\Dest\\esterno.txt"), Host("Dest/ESTERNO.TXT"));
      Write(Host("Dest/Interno.txt"), "i");
    }
    // The inner scope's listing went with it; the outer one still follows
    // what the platform creates.
    {
      WinFile created("C:\\Dest\\Mio.txt", FileOpen::CreateNew);
    }
    EXPECT_EQ(ToHostPath("C:\\Dest\\MIO.TXT"), Host("Dest/Mio.txt"));
  }
  // Without a scope every lookup reads the folder: another program's names
  // in any case are seen.
  Write(Host("Dest/dopo.txt"), "d");
  EXPECT_EQ(ToHostPath("C:\\Dest\\DOPO.TXT"), Host("Dest/dopo.txt"));
  EXPECT_EQ(ToHostPath("C:\\Dest\\INTERNO.TXT"), Host("Dest/Interno.txt"));
}

TEST_F(WinPathTest, HostPathsMapBack) {
  EXPECT_EQ(ToWinPath(drive_), "C:\\");
  EXPECT_EQ(ToWinPath(drive_ / "VornZAV" / "x.txt"), "C:\\VornZAV\\x.txt");
  EXPECT_EQ(ToWinPath(drive_.string() + "/VornZAV/"), "C:\\VornZAV\\");
  EXPECT_EQ(ToWinPath("/tmp"), "Z:\\tmp");
  EXPECT_EQ(ToWinPath("/tmp/"), "Z:\\tmp\\");
  EXPECT_EQ(ToWinPath("/"), "Z:\\");
  // A sibling whose name merely starts like the C: folder is not inside it.
  EXPECT_EQ(ToWinPath(base_ / "drive_c2").substr(0, 3), "Z:\\");
}

TEST_F(WinPathTest, HostPathThroughALinkToDriveCMapsToC) {
  const fs::path link = base_ / "link";
  fs::create_directory_symlink(drive_, link);
  test::SetVariable("VORN_DRIVE_C", test::PathText(link));
  Write(drive_ / "VornZAV" / "p.exe", "x");
  EXPECT_EQ(ToWinPath(fs::canonical(drive_ / "VornZAV" / "p.exe")), "C:\\VornZAV\\p.exe");
}

TEST_F(WinPathTest, RoundTripBetweenWindowsAndHost) {
  Write(Host("A/b.txt"), "");
  EXPECT_EQ(ToWinPath(*ToHostPath("c:\\a\\B.TXT")), "C:\\A\\b.txt");
  EXPECT_EQ(*ToHostPath(ToWinPath(Host("A/b.txt"))), Host("A/b.txt"));
}

TEST_F(WinPathTest, UserTextMayBeEitherForm) {
  EXPECT_EQ(WinPathFromUser(drive_.string() + "/x"), "C:\\x");
  EXPECT_EQ(WinPathFromUser("c:/x/"), "C:\\x\\");
}

TEST(WinPathSplit, FileNameAndFolder) {
  EXPECT_EQ(ExtractFilePath("C:\\VornZAV\\Setup.exe"), "C:\\VornZAV\\");
  EXPECT_EQ(ExtractFileName("C:\\VornZAV\\Setup.exe"), "Setup.exe");
  EXPECT_EQ(ExtractFilePath("C:Setup.exe"), "C:");
  EXPECT_EQ(ExtractFileName("Setup.exe"), "Setup.exe");
  EXPECT_EQ(ExtractFilePath("Setup.exe"), "");
  EXPECT_EQ(ExtractFileName("C:\\VornZAV\\"), "");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\VornZAV"), "C:\\VornZAV\\");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\VornZAV\\"), "C:\\VornZAV\\");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\VornZAV\\"), "C:\\VornZAV");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\VornZAV"), "C:\\VornZAV");
}

TEST(WinPathSplit, AbsolutePaths) {
  EXPECT_TRUE(IsAbsoluteWinPath("C:\\x"));
  EXPECT_TRUE(IsAbsoluteWinPath("c:x"));
  EXPECT_TRUE(IsAbsoluteWinPath("\\x"));
  EXPECT_TRUE(IsAbsoluteWinPath("\\\\server\\share"));
  EXPECT_FALSE(IsAbsoluteWinPath("x\\y"));
  EXPECT_FALSE(IsAbsoluteWinPath(""));
}

}  // namespace
}  // namespace vorn
