// The Windows file system services the system calls on.
//
// Every path is a Windows path (see WinPath.h). Attributes use the Windows bit
// values; on Windows they are the file's own, on a POSIX host read-only is the
// host's write bits, hidden, system and archive are kept in an extended
// attribute where the host file system has them (and are silently dropped
// where it has none). Times are Windows FILETIME values: 100-nanosecond
// intervals since 1601-01-01 UTC.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Handle.h"

namespace vorn {

constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr uint32_t FILE_ATTRIBUTE_VOLUME = 0x08;
constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

// Windows error codes the layer reports (GetLastError values).
constexpr int ERROR_FILE_NOT_FOUND = 2;
constexpr int ERROR_PATH_NOT_FOUND = 3;
constexpr int ERROR_ACCESS_DENIED = 5;
constexpr int ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr int ERROR_BAD_FORMAT = 11;
constexpr int ERROR_NOT_SAME_DEVICE = 17;
constexpr int ERROR_WRITE_FAULT = 29;
constexpr int ERROR_READ_FAULT = 30;
constexpr int ERROR_GEN_FAILURE = 31;
constexpr int ERROR_SHARING_VIOLATION = 32;
constexpr int ERROR_FILE_EXISTS = 80;
constexpr int ERROR_INVALID_PARAMETER = 87;
constexpr int ERROR_DISK_FULL = 112;
constexpr int ERROR_INVALID_NAME = 123;
constexpr int ERROR_NEGATIVE_SEEK = 131;
constexpr int ERROR_DIR_NOT_EMPTY = 145;
constexpr int ERROR_ALREADY_EXISTS = 183;
constexpr int ERROR_FILENAME_EXCED_RANGE = 206;
constexpr int ERROR_DIRECTORY = 267;

using FileTime = int64_t;

// For a change check compare everything but LastAccessTime, which reading moves.
// Without a host birth time CreationTime is the last-write time.
struct FileInfo {
  uint32_t Attributes = 0;
  FileTime CreationTime = 0;
  FileTime LastAccessTime = 0;
  FileTime LastWriteTime = 0;
  uint64_t Size = 0;
  uint32_t VolumeSerialNumber = 0;  // from the host device number
  uint64_t FileIndex = 0;           // the host inode
  bool operator==(const FileInfo&) const = default;
};

// Attributes of a file or folder; INVALID_FILE_ATTRIBUTES when it does not exist.
uint32_t GetFileAttributes(const std::string& path);
// Sets read-only, hidden, system and archive; false when the path is missing.
bool SetFileAttributes(const std::string& path, uint32_t attributes);
// The same for a file open for writing (WinFile::Handle()).
bool SetFileAttributesByHandle(FileHandle handle, uint32_t attributes);

// The folder test: true when the path exists and is a folder; false for an
// empty path and for a file.
bool DirectoryExists(const std::string& path);
// True when a file (not a folder) of that name exists.
bool FileExists(const std::string& path);
// Creates the last level only; false when it exists already or the parent is missing.
bool CreateDir(const std::string& path);
// Creates every missing level; false when one of them cannot be made.
bool ForceDirectories(const std::string& path);
// Deletes a file (not a folder). False when missing or not allowed; a
// read-only file is not deleted, as on Windows.
bool DeleteFile(const std::string& path);
// Removes an empty folder.
bool RemoveDir(const std::string& path);
// True when the path itself is a link (a symbolic link, a junction or another
// reparse point), whatever it leads to.
bool IsLink(const std::string& path);
// Removes a link itself, never what it leads to; false when the path is not one.
bool RemoveLink(const std::string& path);
// Renames or moves a file or folder; with replace, an existing target file
// is replaced atomically (the Windows MoveFileEx with replace-existing).
bool MoveFile(const std::string& from, const std::string& to, bool replace);
// Copies a file, replacing an existing target when allowed; keeps the
// last-write time and attributes. onBlock, when given, is called with the
// size of every block written.
using CopyBlockCallback = std::function<void(int64_t bytes)>;
bool CopyFile(const std::string& from, const std::string& to, bool replace,
              const CopyBlockCallback& onBlock = nullptr);

// Information of a file or folder; false when it does not exist.
bool GetFileInfo(const std::string& path, FileInfo& info);
// The same for an open file (WinFile::Handle()); false when it is not open.
bool GetFileInfoByHandle(FileHandle handle, FileInfo& info);
// Sets the last-write time (the others stay); false on failure.
bool SetFileLastWriteTime(const std::string& path, FileTime time);
// The same for an open file (WinFile::Handle()).
bool SetFileLastWriteTimeByHandle(FileHandle handle, FileTime time);

// The names in a folder (files and folders, without "." and ".."), in the
// host's order. Empty when the folder is missing.
struct DirEntry {
  std::string Name;
  bool IsDirectory = false;  // a link to a folder counts as a folder
  bool IsLink = false;       // a symbolic link or another reparse point
};
std::vector<DirEntry> ListDirectory(const std::string& folder);

// Host time conversions.
FileTime FileTimeNow();
FileTime FileTimeFromUnix(int64_t seconds, int64_t nanoseconds = 0);
int64_t UnixFromFileTime(FileTime time);
// An MS-DOS date and time (as zip stores them) taken as local time, in UTC.
// Returns false for fields out of range.
bool DosDateTimeToFileTime(uint16_t dosDate, uint16_t dosTime, FileTime& result);

// The last error of this thread (a Windows code above).
int GetLastError();
void SetLastError(int code);
// The Windows code for an errno value of the C library.
int WinErrorFromErrno(int error);
// The system's text for a Windows code, as Windows words it ("Access is denied.").
std::string SysErrorMessage(int code);

}  // namespace vorn
