#include "platform/WinFile.h"

#include <gtest/gtest.h>

#include "TempDrive.h"
#include "platform/FileSystem.h"

namespace vorn {
namespace {

using test::TempDrive;
namespace fs = std::filesystem;

class WinFileTest : public TempDrive {};

TEST_F(WinFileTest, WriteReadAndSeek) {
  {
    WinFile file("C:\\data.bin", FileOpen::CreateAlways);
    file.Write("0123456789", 10);
    EXPECT_EQ(file.Position(), 10);
    EXPECT_EQ(file.Seek(2, SeekOrigin::Begin), 2);
    file.Write("ab", 2);
    EXPECT_EQ(file.Seek(-1, SeekOrigin::End), 9);
    EXPECT_EQ(file.Seek(-5, SeekOrigin::Current), 4);
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 6);
    EXPECT_EQ(std::string(buffer, 6), "456789");
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0);
    EXPECT_EQ(file.Size(), 10);
    // Past the end is allowed; the file grows on the next write.
    EXPECT_EQ(file.Seek(20, SeekOrigin::Begin), 20);
    file.Write("z", 1);
    EXPECT_EQ(file.Size(), 21);
    file.Flush();
  }
  EXPECT_EQ(Read(Host("data.bin")).substr(0, 10), "01ab456789");
}

TEST_F(WinFileTest, NegativeSeekRaises) {
  WinFile file("C:\\x", FileOpen::CreateAlways);
  try {
    file.Seek(-1, SeekOrigin::Begin);
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.Code(), ERROR_NEGATIVE_SEEK);
  }
  EXPECT_EQ(file.Position(), 0);
}

TEST_F(WinFileTest, OpeningFollowsWindowsRules) {
  try {
    WinFile missing("C:\\missing.txt", FileOpen::Read);
    FAIL() << "opened a missing file";
  } catch (const FileError& error) {
    EXPECT_EQ(error.Code(), ERROR_FILE_NOT_FOUND);
  }
  WinFile file;
  EXPECT_FALSE(file.TryOpen("C:\\nodir\\x.txt", FileOpen::CreateAlways));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(file.TryOpen("D:\\x.txt", FileOpen::CreateAlways));
  EXPECT_FALSE(file.TryOpen("", FileOpen::Read));

  Write(Host("Existing.TXT"), "old");
  EXPECT_FALSE(file.TryOpen("C:\\existing.txt", FileOpen::CreateNew));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  ASSERT_TRUE(file.TryOpen("C:\\EXISTING.txt", FileOpen::Read));
  char buffer[8];
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 3);
  EXPECT_THROW(file.Write("x", 1), FileError);  // opened for reading only
  file.Close();
  EXPECT_FALSE(file.IsOpen());

  // CreateAlways on an existing name in another case truncates that file.
  ASSERT_TRUE(file.TryOpen("C:\\existing.txt", FileOpen::CreateAlways));
  file.Close();
  EXPECT_EQ(Read(Host("Existing.TXT")), "");
#ifndef _WIN32
  EXPECT_FALSE(fs::exists(Host("existing.txt")));  // the host's names keep their case
#endif

  ASSERT_TRUE(SetFileAttributes("C:\\Existing.TXT", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(file.TryOpen("C:\\Existing.TXT", FileOpen::ReadWrite));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(file.TryOpen("C:\\Existing.TXT", FileOpen::CreateAlways));
  EXPECT_TRUE(file.TryOpen("C:\\Existing.TXT", FileOpen::Read));

  fs::create_directories(Host("folder"));
  EXPECT_FALSE(file.TryOpen("C:\\folder", FileOpen::Read));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  // A new file may not take the name of a folder nor of a read-only file,
  // in any letter case, and neither is touched: the name is taken either way.
  EXPECT_FALSE(file.TryOpen("C:\\FOLDER", FileOpen::CreateNew));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_FALSE(file.TryOpen("C:\\Folder", FileOpen::CreateAlways));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(fs::is_directory(Host("folder")));
  EXPECT_FALSE(file.TryOpen("C:\\EXISTING.TXT", FileOpen::CreateNew));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_TRUE(ReadOnly(Host("Existing.TXT")));
  EXPECT_FALSE(file.TryOpen("C:\\nodir\\x.txt", FileOpen::CreateNew));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(WinFileTest, NewFileKeepsItsCaseAndMoves) {
  WinFile first("C:\\NewName.Dat", FileOpen::CreateNew);
  first.Write("abc", 3);
  EXPECT_EQ(first.Path(), "C:\\NewName.Dat");
  WinFile second(std::move(first));
  EXPECT_FALSE(first.IsOpen());
  EXPECT_TRUE(second.IsOpen());
  WinFile third;
  third = std::move(second);
  EXPECT_EQ(third.Size(), 3);
  EXPECT_TRUE(fs::exists(Host("NewName.Dat")));
}

TEST_F(WinFileTest, InfoOfAnOpenFile) {
  Write(Host("i.bin"), "12345678");
  WinFile file("C:\\i.bin", FileOpen::Read);
  const FileInfo open = file.Info();
  FileInfo byPath;
  ASSERT_TRUE(GetFileInfo("C:\\I.BIN", byPath));
  EXPECT_EQ(open.Size, 8u);
  EXPECT_EQ(open.FileIndex, byPath.FileIndex);
  EXPECT_EQ(open.VolumeSerialNumber, byPath.VolumeSerialNumber);
  EXPECT_EQ(open.LastWriteTime, byPath.LastWriteTime);
  EXPECT_EQ(open.Attributes, byPath.Attributes);
  // Replaced on disk: the open file still describes the old one. It is moved
  // aside, not deleted: on Windows a file deleted while open keeps its name
  // until closed.
  fs::rename(Host("i.bin"), Host("old.bin"));
  Write(Host("i.bin"), "other");
  ASSERT_TRUE(GetFileInfo("C:\\i.bin", byPath));
  EXPECT_NE(file.Info().Size, byPath.Size);
}

TEST_F(WinFileTest, ClosedFileRaisesOrFails) {
  WinFile file;
  char buffer[4];
  EXPECT_EQ(file.Read(buffer, 4), -1);
  EXPECT_THROW(file.Write("x", 1), FileError);
  EXPECT_THROW(file.Seek(0, SeekOrigin::Begin), FileError);
  EXPECT_THROW(file.Info(), FileError);
  EXPECT_EQ(file.Size(), -1);
}

}  // namespace
}  // namespace vorn
