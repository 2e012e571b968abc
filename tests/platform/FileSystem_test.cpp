#include "platform/FileSystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>

#include "TempDrive.h"

namespace vorn {
namespace {

using test::TempDrive;
namespace fs = std::filesystem;

class FileSystemTest : public TempDrive {
 protected:
  // True when the C: folder's file system keeps user extended attributes.
  bool ExtendedAttributes() {
    Write(Host("probe"), "");
    const bool supported = setxattr(Host("probe").c_str(), "user.vorn.probe", "1", 1, 0) == 0;
    fs::remove(Host("probe"));
    return supported;
  }
};

TEST_F(FileSystemTest, FolderTest) {
  fs::create_directories(Host("VornZAV/Archivi"));
  Write(Host("VornZAV/file.txt"), "x");
  EXPECT_TRUE(DirectoryExists("C:\\VornZAV\\Archivi"));
  EXPECT_TRUE(DirectoryExists("C:\\VORNZAV\\archivi\\"));
  EXPECT_TRUE(DirectoryExists("C:\\"));
  EXPECT_FALSE(DirectoryExists("C:\\VornZAV\\file.txt"));
  EXPECT_FALSE(DirectoryExists("C:\\VornZAV\\missing"));
  EXPECT_FALSE(DirectoryExists(""));
  EXPECT_FALSE(DirectoryExists("D:\\"));
  EXPECT_TRUE(FileExists("c:\\vornzav\\FILE.TXT"));
  EXPECT_FALSE(FileExists("C:\\VornZAV\\Archivi"));
}

TEST_F(FileSystemTest, CreateDirMakesOneLevelOnly) {
  EXPECT_TRUE(CreateDir("C:\\VornZAV"));
  EXPECT_TRUE(fs::is_directory(Host("VornZAV")));
  EXPECT_FALSE(CreateDir("C:\\vornzav"));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDir("C:\\a\\b"));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(fs::exists(Host("a")));
  EXPECT_FALSE(CreateDir("D:\\x"));
  EXPECT_TRUE(ForceDirectories("C:\\a\\b\\c\\"));
  EXPECT_TRUE(fs::is_directory(Host("a/b/c")));
  EXPECT_TRUE(ForceDirectories("C:\\A\\B"));
  Write(Host("file"), "");
  EXPECT_FALSE(ForceDirectories("C:\\file\\sub"));
  EXPECT_FALSE(ForceDirectories("D:\\x\\y"));
}

TEST_F(FileSystemTest, DeletedLargeFileIsGoneAtOnce) {
  // A large (sparse) file, one with a second link, and a read-only one: the
  // name is gone when DeleteFile returns, the name is free again, and a
  // second link keeps the content.
  fs::create_directories(Host("dl"));
  for (const char* name : {"big.zip", "linked.zip"}) {
    std::ofstream(Host("dl") / name) << "start";
    fs::resize_file(Host("dl") / name, uint64_t{200} << 20);
  }
  fs::create_hard_link(Host("dl/linked.zip"), Host("dl/other-link.zip"));
  EXPECT_TRUE(DeleteFile("C:\\DL\\BIG.ZIP"));
  EXPECT_FALSE(fs::exists(Host("dl/big.zip")));
  EXPECT_FALSE(FileExists("C:\\dl\\big.zip"));
  EXPECT_FALSE(DeleteFile("C:\\dl\\big.zip"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  Write(Host("dl/big.zip"), "new");
  EXPECT_EQ(Read(Host("dl/big.zip")), "new");
  EXPECT_TRUE(DeleteFile("C:\\dl\\linked.zip"));
  EXPECT_FALSE(fs::exists(Host("dl/linked.zip")));
  EXPECT_EQ(fs::file_size(Host("dl/other-link.zip")), uint64_t{200} << 20);
  ASSERT_TRUE(SetFileAttributes("C:\\dl\\other-link.zip", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(DeleteFile("C:\\dl\\other-link.zip"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(fs::exists(Host("dl/other-link.zip")));
}

TEST_F(FileSystemTest, DeleteFileFollowsWindowsRules) {
  Write(Host("dir/ZAV.zip"), "z");
  EXPECT_TRUE(DeleteFile("C:\\DIR\\zav.ZIP"));
  EXPECT_FALSE(fs::exists(Host("dir/ZAV.zip")));
  EXPECT_FALSE(DeleteFile("C:\\dir\\ZAV.zip"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(DeleteFile("C:\\nodir\\ZAV.zip"));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(DeleteFile("C:\\dir"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  Write(Host("dir/ro.txt"), "r");
  ASSERT_TRUE(SetFileAttributes("C:\\dir\\ro.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(DeleteFile("C:\\dir\\ro.txt"));  // refused even for the superuser
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(fs::exists(Host("dir/ro.txt")));
  EXPECT_TRUE(RemoveDir("C:\\nodir") == false);
  fs::create_directories(Host("empty"));
  EXPECT_TRUE(RemoveDir("C:\\EMPTY"));
  EXPECT_FALSE(RemoveDir("C:\\dir"));
  EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
}

TEST_F(FileSystemTest, ReadOnlyIsTheHostWriteBits) {
  Write(Host("f.txt"), "x");
  EXPECT_EQ(GetFileAttributes("C:\\F.TXT"), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(SetFileAttributes("C:\\f.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(ReadOnly(Host("f.txt")));
  EXPECT_EQ(GetFileAttributes("C:\\f.txt"), FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(SetFileAttributes("C:\\f.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_FALSE(ReadOnly(Host("f.txt")));
  fs::permissions(Host("f.txt"), fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(GetFileAttributes("C:\\f.txt") & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(GetFileAttributes("C:\\missing"), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(SetFileAttributes("C:\\missing", FILE_ATTRIBUTE_READONLY));
  fs::create_directories(Host("d"));
  EXPECT_EQ(GetFileAttributes("C:\\d"), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileSystemTest, HiddenSystemAndArchiveReadBack) {
  if (!ExtendedAttributes()) GTEST_SKIP() << "no user extended attributes on this file system";
  Write(Host("f.txt"), "x");
  const uint32_t all = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  ASSERT_TRUE(SetFileAttributes("C:\\f.txt", all));
  EXPECT_EQ(GetFileAttributes("C:\\f.txt"), all);
  // Marks change on a file that stays read-only.
  ASSERT_TRUE(SetFileAttributes("C:\\f.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
  EXPECT_EQ(GetFileAttributes("C:\\f.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
  EXPECT_TRUE(ReadOnly(Host("f.txt")));
  // A copy keeps them.
  ASSERT_TRUE(CopyFile("C:\\f.txt", "C:\\g.txt", false));
  EXPECT_EQ(GetFileAttributes("C:\\g.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
  ASSERT_TRUE(SetFileAttributes("C:\\f.txt", FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(GetFileAttributes("C:\\f.txt"), FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_TRUE(SetFileAttributes("C:\\f.txt", 0));
  EXPECT_EQ(GetFileAttributes("C:\\f.txt"), FILE_ATTRIBUTE_NORMAL);
  // A folder keeps its marks, read-only included, without losing write access.
  fs::create_directories(Host("d"));
  ASSERT_TRUE(SetFileAttributes("C:\\d", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(GetFileAttributes("C:\\d"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_TRUE(CreateDir("C:\\d\\inner"));
}

TEST_F(FileSystemTest, MoveFileRenamesAndReplaces) {
  Write(Host("a.txt"), "A");
  Write(Host("b.txt"), "B");
  EXPECT_FALSE(MoveFile("C:\\a.txt", "C:\\B.TXT", false));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(MoveFile("C:\\A.TXT", "C:\\B.TXT", true));
  EXPECT_FALSE(fs::exists(Host("a.txt")));
  EXPECT_EQ(Read(Host("b.txt")), "A");  // the existing name is kept
  // A change of letter case only is a rename of the same file.
  EXPECT_TRUE(MoveFile("C:\\b.txt", "C:\\B.txt", false));
  EXPECT_TRUE(fs::exists(Host("B.txt")));
  EXPECT_FALSE(fs::exists(Host("b.txt")));
  // A read-only target is not replaced.
  Write(Host("c.txt"), "C");
  ASSERT_TRUE(SetFileAttributes("C:\\c.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(MoveFile("C:\\B.txt", "C:\\c.txt", true));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Read(Host("c.txt")), "C");
  // Folders move too, into a folder given in another letter case.
  fs::create_directories(Host("from/sub"));
  fs::create_directories(Host("To"));
  EXPECT_TRUE(MoveFile("C:\\from", "C:\\to\\moved", false));
  EXPECT_TRUE(fs::is_directory(Host("To/moved/sub")));
  EXPECT_FALSE(MoveFile("C:\\missing", "C:\\x", true));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FileSystemTest, CopyFileKeepsTimeAndAttributesAndLeavesNoPartialFile) {
  Write(Host("src.exe"), std::string(300000, 'q'));
  fs::permissions(Host("src.exe"), fs::perms::owner_exec, fs::perm_options::add);
  const FileTime then = FileTimeFromUnix(1600000000, 500000000);
  ASSERT_TRUE(SetFileLastWriteTime("C:\\src.exe", then));
  ASSERT_TRUE(CopyFile("C:\\SRC.EXE", "C:\\dst.exe", false));
  EXPECT_EQ(Read(Host("dst.exe")), std::string(300000, 'q'));
  FileInfo info;
  ASSERT_TRUE(GetFileInfo("C:\\dst.exe", info));
  EXPECT_EQ(info.LastWriteTime, then);
  EXPECT_TRUE((fs::status(Host("dst.exe")).permissions() & fs::perms::owner_exec) != fs::perms::none);

  EXPECT_FALSE(CopyFile("C:\\src.exe", "C:\\DST.EXE", false));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  Write(Host("src.exe"), "new");
  EXPECT_TRUE(CopyFile("C:\\src.exe", "C:\\DST.EXE", true));
  EXPECT_EQ(Read(Host("dst.exe")), "new");
  EXPECT_FALSE(fs::exists(Host("DST.EXE")));

  EXPECT_FALSE(CopyFile("C:\\src.exe", "C:\\src.exe", true));
  EXPECT_FALSE(CopyFile("C:\\missing", "C:\\x", true));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(CopyFile("C:\\src.exe", "C:\\nodir\\x", true));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  ASSERT_TRUE(SetFileAttributes("C:\\src.exe", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(CopyFile("C:\\src.exe", "C:\\ro.exe", true));
  EXPECT_TRUE(ReadOnly(Host("ro.exe")));
  EXPECT_FALSE(CopyFile("C:\\dst.exe", "C:\\ro.exe", true));  // a read-only target stays
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  // No temporary file is left behind by any of this.
  for (const auto& entry : fs::directory_iterator(drive_)) {
    EXPECT_EQ(entry.path().filename().string().find(".vorn-"), std::string::npos) << entry.path();
  }
}

TEST_F(FileSystemTest, FileInformation) {
  Write(Host("a.bin"), "12345");
  Write(Host("b.bin"), "");
  FileInfo a, b;
  ASSERT_TRUE(GetFileInfo("C:\\A.BIN", a));
  ASSERT_TRUE(GetFileInfo("C:\\b.bin", b));
  struct stat host {};
  ASSERT_EQ(stat(Host("a.bin").c_str(), &host), 0);
  EXPECT_EQ(a.Size, 5u);
  EXPECT_EQ(a.FileIndex, host.st_ino);
  EXPECT_EQ(a.VolumeSerialNumber, b.VolumeSerialNumber);
  EXPECT_NE(a.FileIndex, b.FileIndex);
  EXPECT_EQ(a.LastWriteTime, FileTimeFromUnix(host.st_mtim.tv_sec, host.st_mtim.tv_nsec));
  EXPECT_NE(a.CreationTime, 0);
  FileInfo again;
  ASSERT_TRUE(GetFileInfo("C:\\a.bin", again));
  EXPECT_EQ(again.CreationTime, a.CreationTime);
  EXPECT_FALSE(GetFileInfo("C:\\missing", again));
  EXPECT_FALSE(GetFileInfoByHandle(FileHandle(), again));

  const FileTime old = FileTimeFromUnix(1000000000);
  ASSERT_TRUE(SetFileLastWriteTime("C:\\a.bin", old));
  ASSERT_TRUE(GetFileInfo("C:\\a.bin", a));
  EXPECT_EQ(a.LastWriteTime, old);
  EXPECT_FALSE(SetFileLastWriteTime("C:\\missing", old));
}

TEST_F(FileSystemTest, ListDirectory) {
  Write(Host("d/one.txt"), "");
  Write(Host("d/Two"), "");
  fs::create_directories(Host("d/Sub"));
  auto entries = ListDirectory("C:\\D");
  std::sort(entries.begin(), entries.end(), [](const DirEntry& x, const DirEntry& y) { return x.Name < y.Name; });
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].Name, "Sub");
  EXPECT_TRUE(entries[0].IsDirectory);
  EXPECT_EQ(entries[1].Name, "Two");
  EXPECT_FALSE(entries[1].IsDirectory);
  EXPECT_TRUE(ListDirectory("C:\\missing").empty());
}

TEST_F(FileSystemTest, TimeConversions) {
  EXPECT_EQ(FileTimeFromUnix(0), 116444736000000000LL);
  EXPECT_EQ(FileTimeFromUnix(1, 250), 116444736000000000LL + 10000000 + 2);
  EXPECT_EQ(UnixFromFileTime(FileTimeFromUnix(1700000000)), 1700000000);
  EXPECT_EQ(UnixFromFileTime(116444736000000000LL - 1), -1);  // rounds towards the past
  EXPECT_GT(FileTimeNow(), FileTimeFromUnix(1700000000));
}

TEST_F(FileSystemTest, DosDateTimeIsLocalTime) {
  // 2021-06-15 10:30:20: date (41 << 9) | (6 << 5) | 15, time (10 << 11) | (30 << 5) | 10.
  const uint16_t date = (41 << 9) | (6 << 5) | 15;
  const uint16_t time = (10 << 11) | (30 << 5) | 10;
  setenv("TZ", "UTC0", 1);
  tzset();
  FileTime utc = 0;
  ASSERT_TRUE(DosDateTimeToFileTime(date, time, utc));
  EXPECT_EQ(UnixFromFileTime(utc), 1623753020);
  // Central European summer time is two hours ahead of UTC.
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  FileTime rome = 0;
  ASSERT_TRUE(DosDateTimeToFileTime(date, time, rome));
  EXPECT_EQ(UnixFromFileTime(rome), 1623753020 - 7200);
  // And one hour ahead in winter.
  FileTime winter = 0;
  ASSERT_TRUE(DosDateTimeToFileTime((41 << 9) | (1 << 5) | 15, time, winter));
  EXPECT_EQ(UnixFromFileTime(winter), 1610706620 - 3600);
}

TEST_F(FileSystemTest, DosDateTimeRefusesFieldsOutOfRange) {
  FileTime result = 0;
  EXPECT_FALSE(DosDateTimeToFileTime((41 << 9) | (13 << 5) | 1, 0, result));  // month 13
  EXPECT_FALSE(DosDateTimeToFileTime((41 << 9) | (0 << 5) | 1, 0, result));   // month 0
  EXPECT_FALSE(DosDateTimeToFileTime((41 << 9) | (2 << 5) | 29, 0, result));  // 2021 is no leap year
  EXPECT_TRUE(DosDateTimeToFileTime((40 << 9) | (2 << 5) | 29, 0, result));   // 2020 is
  EXPECT_FALSE(DosDateTimeToFileTime((41 << 9) | (4 << 5) | 31, 0, result));  // April 31
  EXPECT_FALSE(DosDateTimeToFileTime((41 << 9) | (1 << 5) | 0, 0, result));   // day 0
  EXPECT_FALSE(DosDateTimeToFileTime((41 << 9) | (1 << 5) | 1, 24 << 11, result));
  EXPECT_FALSE(DosDateTimeToFileTime((41 << 9) | (1 << 5) | 1, 60 << 5, result));
  EXPECT_FALSE(DosDateTimeToFileTime((41 << 9) | (1 << 5) | 1, 30, result));  // 60 seconds
}

TEST(SysErrorMessage, WindowsWording) {
  EXPECT_EQ(SysErrorMessage(ERROR_ACCESS_DENIED), "Access is denied.");
  EXPECT_EQ(SysErrorMessage(ERROR_FILE_NOT_FOUND), "The system cannot find the file specified.");
  EXPECT_EQ(SysErrorMessage(9999), "System Error.  Code: 9999.");
  EXPECT_EQ(WinErrorFromErrno(ENOSPC), ERROR_DISK_FULL);
  EXPECT_EQ(WinErrorFromErrno(EACCES), ERROR_ACCESS_DENIED);
}

}  // namespace
}  // namespace vorn
