// An open file, named by a Windows path: the CreateFile/ReadFile/WriteFile/
// SetFilePointer services the zip component and the downloads use.
// RAII: the handle is closed by the destructor. Failures raise FileError with
// a Windows error code (FileSystem.h), except Read, which returns the count.
// As on Windows, a read-only file cannot be opened for writing (not even by
// the superuser); handles are not inherited by started programs. On Windows
// a file is opened sharing reading, writing and deleting with others, so that
// a rename over it or a second reader is not refused because of this handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/FileSystem.h"

namespace vorn {

class FileError : public std::runtime_error {
 public:
  FileError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

enum class FileOpen {
  Read,           // existing file, reading
  ReadWrite,      // existing file, reading and writing
  CreateAlways,   // new empty file (an existing one is truncated), reading and writing
  CreateNew,      // new file; fails with ERROR_FILE_EXISTS when one exists
  CreatePrivate,  // as CreateNew, readable and writable by its owner alone
};

enum class SeekOrigin { Begin, Current, End };

class WinFile {
 public:
  WinFile() = default;
  WinFile(const std::string& path, FileOpen mode);
  ~WinFile();
  WinFile(WinFile&& other) noexcept;
  WinFile& operator=(WinFile&& other) noexcept;
  WinFile(const WinFile&) = delete;
  WinFile& operator=(const WinFile&) = delete;

  // Opens without raising: false, with GetLastError set, on failure.
  bool TryOpen(const std::string& path, FileOpen mode);
  bool IsOpen() const { return handle_.IsValid(); }
  // Takes over a host file the platform layer opened (path for messages).
  void Adopt(FileHandle handle, const std::string& path);
  void Close();
  // A second handle on this very file for reading, with a position of its
  // own (Windows: ReOpenFile): the file is not looked up again by name, so
  // a file renamed or replaced meanwhile cannot take its place. Raises
  // FileError when it cannot be made.
  WinFile ReopenSame() const;

  // Reads up to count bytes; returns how many were read (0 at the end);
  // -1 on a read error.
  int64_t Read(void* buffer, size_t count);
  // Writes all bytes or raises FileError (disk full, write fault).
  void Write(const void* buffer, size_t count);
  // Returns the new position; raises FileError for a negative position.
  int64_t Seek(int64_t offset, SeekOrigin origin);
  int64_t Position() const;
  int64_t Size() const;
  FileInfo Info() const;
  void Flush();

  const std::string& Path() const { return path_; }
  // The open host file, for the services that work on one (FileSystem.h).
  FileHandle Handle() const { return handle_; }

 private:
  FileHandle handle_;
  std::string path_;
};

}  // namespace vorn
