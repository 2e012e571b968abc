// An open file, named by a Windows path: the CreateFile/ReadFile/WriteFile/
// SetFilePointer services the zip component and the downloads use.
// RAII: the handle is closed by the destructor. Failures raise FileError with
// a Windows error code (FileSystem.h), except Read, which returns the count.
// As on Windows, a read-only file cannot be opened for writing (not even by
// the superuser); descriptors are not inherited by started programs.
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
  Read,           // existing file, reading (sharing modes are not enforced on this host)
  ReadWrite,      // existing file, reading and writing
  CreateAlways,   // new empty file (an existing one is truncated), reading and writing
  CreateNew,      // new file; fails with ERROR_FILE_EXISTS when one exists
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
  bool IsOpen() const { return fd_ >= 0; }
  // Takes over a host descriptor the platform layer opened (path for messages).
  void Adopt(int descriptor, const std::string& path);
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
  // The host descriptor, for the sockets layer's file transfers.
  int Descriptor() const { return fd_; }

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace vorn
