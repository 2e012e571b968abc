#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include "TempDrive.h"

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
  setenv("VORN_DRIVE_C", fresh.c_str(), 1);
  EXPECT_EQ(DriveCRoot(), fresh);
  EXPECT_TRUE(fs::is_directory(fresh));
}

TEST_F(WinPathTest, RelativeDriveSettingStaysPut) {
  fs::create_directories(base_ / "rel" / "drive" / "sub");
  fs::current_path(base_ / "rel");
  setenv("VORN_DRIVE_C", "drive", 1);
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
  setenv("VORN_DRIVE_C", link.c_str(), 1);
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
