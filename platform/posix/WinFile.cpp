// An open host file named by a Windows path.
//
// Windows refuses to open a read-only file for writing even for an
// administrator; the host does not for the superuser, so the check is made
// here. Sharing modes have no host counterpart and are not enforced.
#include "platform/WinFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>

#include "platform/WinPath.h"

namespace vorn {

namespace {

[[noreturn]] void Raise(int code, const std::string& path) {
  SetLastError(code);
  throw FileError(code, SysErrorMessage(code) + " (" + path + ")");
}

int Fd(FileHandle handle) { return static_cast<int>(handle.Value()); }

int FailedOpen(int code) {
  SetLastError(code);
  return -1;
}

int OpenHost(const std::string& path, FileOpen mode) {
  if (path.empty()) return FailedOpen(ERROR_PATH_NOT_FOUND);
  const auto host = ToHostPath(path);
  if (!host) return FailedOpen(ERROR_PATH_NOT_FOUND);
  struct stat info {};
  // A new file is created exclusively, so it needs no test beforehand; the
  // refusal of an existing one is told apart after the fact.
  if (mode != FileOpen::CreateNew && mode != FileOpen::CreatePrivate) {
    const bool exists = stat(host->c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) return FailedOpen(ERROR_ACCESS_DENIED);
    if (exists && mode != FileOpen::Read && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      return FailedOpen(ERROR_ACCESS_DENIED);
    }
  }
  int flags = O_CLOEXEC;
  switch (mode) {
    case FileOpen::Read: flags |= O_RDONLY; break;
    case FileOpen::ReadWrite: flags |= O_RDWR; break;
    case FileOpen::CreateAlways: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case FileOpen::CreateNew:
    case FileOpen::CreatePrivate: flags |= O_RDWR | O_CREAT | O_EXCL; break;
  }
  const int fd = open(host->c_str(), flags, mode == FileOpen::CreatePrivate ? 0600 : 0666);
  if (fd < 0) {
    const int error = errno;
    if (error == ENOENT) {
      struct stat parent {};
      const bool folder = stat(host->parent_path().c_str(), &parent) == 0 && S_ISDIR(parent.st_mode);
      return FailedOpen(folder ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    }
    // As on Windows, a new file on any taken name, a folder's too, collides.
    if (error == EEXIST) return FailedOpen(ERROR_FILE_EXISTS);
    return FailedOpen(WinErrorFromErrno(error));
  }
  if (flags & O_CREAT) NoteHostNameCreated(*host);
  SetLastError(0);
  return fd;
}

}  // namespace

WinFile::WinFile(const std::string& path, FileOpen mode) {
  if (!TryOpen(path, mode)) Raise(GetLastError(), path);
}

WinFile::~WinFile() { Close(); }

WinFile::WinFile(WinFile&& other) noexcept
    : handle_(std::exchange(other.handle_, FileHandle())), path_(std::move(other.path_)) {}

WinFile& WinFile::operator=(WinFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, FileHandle());
    path_ = std::move(other.path_);
  }
  return *this;
}

bool WinFile::TryOpen(const std::string& path, FileOpen mode) {
  Close();
  const int fd = OpenHost(path, mode);
  if (fd < 0) return false;
  handle_ = FileHandle(fd);
  path_ = path;
  return true;
}

void WinFile::Adopt(FileHandle handle, const std::string& path) {
  Close();
  handle_ = handle;
  path_ = path;
}

void WinFile::Close() {
  if (handle_.IsValid()) {
    close(Fd(handle_));
    handle_ = FileHandle();
  }
}

int64_t WinFile::Read(void* buffer, size_t count) {
  if (!handle_.IsValid()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  auto* bytes = static_cast<char*>(buffer);
  size_t done = 0;
  // A short read from a regular file only happens at its end or on a
  // signal; go on until either is certain.
  while (done < count) {
    const ssize_t got = read(Fd(handle_), bytes + done, count - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      SetLastError(ERROR_READ_FAULT);
      return done > 0 ? static_cast<int64_t>(done) : -1;
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<int64_t>(done);
}

void WinFile::Write(const void* buffer, size_t count) {
  if (!handle_.IsValid()) Raise(ERROR_INVALID_PARAMETER, path_);
  const auto* bytes = static_cast<const char*>(buffer);
  size_t done = 0;
  while (done < count) {
    const ssize_t put = write(Fd(handle_), bytes + done, count - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      Raise(errno == ENOSPC || errno == EDQUOT ? ERROR_DISK_FULL : ERROR_WRITE_FAULT, path_);
    }
    done += static_cast<size_t>(put);
  }
}

int64_t WinFile::Seek(int64_t offset, SeekOrigin origin) {
  if (!handle_.IsValid()) Raise(ERROR_INVALID_PARAMETER, path_);
  int64_t base = 0;
  switch (origin) {
    case SeekOrigin::Begin: base = 0; break;
    case SeekOrigin::Current: base = Position(); break;
    case SeekOrigin::End: base = Size(); break;
  }
  if (base < 0) Raise(ERROR_INVALID_PARAMETER, path_);
  if (offset > 0 && base > INT64_MAX - offset) Raise(ERROR_INVALID_PARAMETER, path_);
  if (offset < 0 && base + offset < 0) Raise(ERROR_NEGATIVE_SEEK, path_);
  const off_t result = lseek(Fd(handle_), static_cast<off_t>(base + offset), SEEK_SET);
  if (result < 0) Raise(ERROR_INVALID_PARAMETER, path_);
  return result;
}

int64_t WinFile::Position() const {
  if (!handle_.IsValid()) return -1;
  return lseek(Fd(handle_), 0, SEEK_CUR);
}

int64_t WinFile::Size() const {
  struct stat info {};
  if (!handle_.IsValid() || fstat(Fd(handle_), &info) != 0) return -1;
  return info.st_size;
}

FileInfo WinFile::Info() const {
  FileInfo info;
  if (!GetFileInfoByHandle(handle_, info)) Raise(GetLastError(), path_);
  return info;
}

WinFile WinFile::ReopenSame() const {
  if (!handle_.IsValid()) Raise(ERROR_INVALID_PARAMETER, path_);
  const int mine = Fd(handle_);
  // The descriptor's entry in /proc opens the file it stands for, by inode,
  // with a new open-file description (dup would share the position).
  const std::string self = "/proc/self/fd/" + std::to_string(mine);
  const int fd = open(self.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Raise(WinErrorFromErrno(errno), path_);
  struct stat first {}, other {};
  if (fstat(mine, &first) != 0 || fstat(fd, &other) != 0 || first.st_dev != other.st_dev || first.st_ino != other.st_ino) {
    ::close(fd);
    Raise(ERROR_GEN_FAILURE, path_);
  }
  WinFile again;
  again.Adopt(FileHandle(fd), path_);
  return again;
}

void WinFile::Flush() {
  if (!handle_.IsValid()) Raise(ERROR_INVALID_PARAMETER, path_);
  if (fsync(Fd(handle_)) != 0 && errno != EINVAL) Raise(ERROR_WRITE_FAULT, path_);
}

}  // namespace vorn
