// The Windows file services over POSIX calls.
//
// Read-only is the absence of every host write bit on a file (a folder's
// read-only mark, which Windows does not enforce, is kept with the other
// marks). Hidden, system and archive live in the extended attribute
// "user.vorn.attributes" as a decimal number; where the host file system
// refuses extended attributes they are dropped without an error, as a
// FAT volume drops what it cannot store.
//
// Checks that Windows makes and POSIX does not (a read-only file may not be
// deleted or replaced) are made here explicitly, so that they hold for the
// superuser too.
#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/WinPath.h"

namespace fs = std::filesystem;

namespace vorn {

namespace {

thread_local int lastError = 0;

constexpr const char* kAttributeName = "user.vorn.attributes";
// The marks kept in the extended attribute (read-only only for folders).
constexpr uint32_t kKeptMarks = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr int64_t kUnixEpochAsFileTime = 116444736000000000LL;  // 1970-01-01 in FILETIME units
constexpr int64_t kTicksPerSecond = 10000000LL;

bool Fail(int code) {
  lastError = code;
  return false;
}

// ERROR_FILE_NOT_FOUND when the folder exists, ERROR_PATH_NOT_FOUND when not.
int MissingError(const fs::path& host) {
  struct stat info {};
  if (stat(host.parent_path().c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return ERROR_FILE_NOT_FOUND;
  return ERROR_PATH_NOT_FOUND;
}

bool FailErrno(int error, const fs::path& host) {
  if (error == ENOENT) return Fail(MissingError(host));
  return Fail(WinErrorFromErrno(error));
}

std::optional<fs::path> HostOf(const std::string& path) {
  if (path.empty()) {
    lastError = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  auto host = ToHostPath(path);
  if (!host) lastError = ERROR_PATH_NOT_FOUND;
  return host;
}

uint32_t ReadMarks(const char* hostPath, int fd) {
  char buffer[32];
  const ssize_t length = fd >= 0 ? fgetxattr(fd, kAttributeName, buffer, sizeof buffer - 1)
                                 : getxattr(hostPath, kAttributeName, buffer, sizeof buffer - 1);
  if (length <= 0) return 0;
  buffer[length] = '\0';
  char* end = nullptr;
  const unsigned long value = std::strtoul(buffer, &end, 10);
  return static_cast<uint32_t>(value) & (kKeptMarks | FILE_ATTRIBUTE_READONLY);
}

// Stores the marks; nothing happens where the file system has no extended attributes.
void WriteMarks(const char* hostPath, int fd, uint32_t marks) {
  if (marks == 0) {
    if (fd >= 0) {
      fremovexattr(fd, kAttributeName);
    } else {
      removexattr(hostPath, kAttributeName);
    }
    return;
  }
  const std::string value = std::to_string(marks);
  if (fd >= 0) {
    fsetxattr(fd, kAttributeName, value.data(), value.size(), 0);
  } else {
    setxattr(hostPath, kAttributeName, value.data(), value.size(), 0);
  }
}

uint32_t AttributesOf(const struct stat& info, uint32_t marks) {
  uint32_t attributes = 0;
  if (S_ISDIR(info.st_mode)) {
    attributes = FILE_ATTRIBUTE_DIRECTORY | (marks & (kKeptMarks | FILE_ATTRIBUTE_READONLY));
  } else {
    attributes = marks & kKeptMarks;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
  }
  return attributes;
}

bool IsReadOnlyFile(const struct stat& info) {
  return !S_ISDIR(info.st_mode) && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

FileTime FromTimespec(int64_t seconds, int64_t nanoseconds) { return FileTimeFromUnix(seconds, nanoseconds); }

struct FdCloser {
  int fd;
  ~FdCloser() {
    if (fd >= 0) close(fd);
  }
};

// Copies the bytes, mode, times and marks of an open source into a new
// temporary file beside target; returns that file's host path.
std::optional<fs::path> CopyToTemporary(int source, const struct stat& sourceInfo, const fs::path& target,
                                        const CopyBlockCallback& onBlock) {
  std::string pattern = (target.parent_path() / ("." + target.filename().string() + ".vorn-XXXXXX")).string();
  const int out = mkostemp(pattern.data(), O_CLOEXEC);
  if (out < 0) {
    FailErrno(errno, target);
    return std::nullopt;
  }
  FdCloser closer{out};
  const fs::path temporary = pattern;
  auto abandon = [&](int code) {
    unlink(temporary.c_str());
    lastError = code;
    return std::nullopt;
  };
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const ssize_t got = read(source, buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      return abandon(ERROR_READ_FAULT);
    }
    if (got == 0) break;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(out, buffer.data() + done, static_cast<size_t>(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        return abandon(errno == ENOSPC || errno == EDQUOT ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
      }
      done += put;
    }
    if (onBlock) onBlock(got);
  }
  // The marks first: a read-only mode would refuse them.
  WriteMarks(nullptr, out, ReadMarks(nullptr, source) & kKeptMarks);
  fchmod(out, sourceInfo.st_mode & 07777);
  const timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
  futimens(out, times);
  if (close(closer.fd) != 0) {
    closer.fd = -1;
    return abandon(errno == ENOSPC || errno == EDQUOT ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
  }
  closer.fd = -1;
  return temporary;
}

// Puts a finished temporary file in place: atomically over an existing file
// when replace is set, else only when the name is still free.
bool PlaceTemporary(const fs::path& temporary, const fs::path& target, bool replace) {
  if (replace) {
    if (rename(temporary.c_str(), target.c_str()) == 0) return true;
  } else {
    if (link(temporary.c_str(), target.c_str()) == 0) {
      unlink(temporary.c_str());
      return true;
    }
  }
  const int error = errno;
  unlink(temporary.c_str());
  return FailErrno(error, target);
}

// Files from this size on are released by DeleteFile in the background.
constexpr off_t kLargeFileSize = 16 << 20;

// A read descriptor of the file at host if it is still the one described
// by info; -1 otherwise.
int HoldSameFile(const fs::path& host, const struct stat& info) {
  const int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat now {};
  if (fstat(fd, &now) != 0 || now.st_dev != info.st_dev || now.st_ino != info.st_ino) {
    close(fd);
    return -1;
  }
  return fd;
}

void CloseInBackground(int fd) {
  try {
    std::thread([fd] { close(fd); }).detach();
  } catch (const std::system_error&) {
    close(fd);  // no thread to be had: the caller waits instead
  }
}

// Keeps a lookup cache of this thread true after a rename: a renamed folder
// changes every path below it.
void NoteMoved(const fs::path& source, const fs::path& target, bool folder) {
  if (folder) {
    NoteHostFolderChanged();
    return;
  }
  NoteHostNameRemoved(source);
  NoteHostNameCreated(target);
}

bool CopyHostFile(const fs::path& from, const fs::path& to, bool replace, const CopyBlockCallback& onBlock = nullptr) {
  const int source = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (source < 0) return FailErrno(errno, from);
  FdCloser closer{source};
  struct stat sourceInfo {};
  if (fstat(source, &sourceInfo) != 0) return FailErrno(errno, from);
  if (S_ISDIR(sourceInfo.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  struct stat targetInfo {};
  if (stat(to.c_str(), &targetInfo) == 0) {
    if (!replace) return Fail(ERROR_FILE_EXISTS);
    if (targetInfo.st_dev == sourceInfo.st_dev && targetInfo.st_ino == sourceInfo.st_ino) {
      return Fail(ERROR_SHARING_VIOLATION);
    }
    if (S_ISDIR(targetInfo.st_mode) || IsReadOnlyFile(targetInfo)) return Fail(ERROR_ACCESS_DENIED);
  }
  const auto temporary = CopyToTemporary(source, sourceInfo, to, onBlock);
  if (!temporary) return false;
  if (!PlaceTemporary(*temporary, to, replace)) {
    if (lastError == ERROR_ALREADY_EXISTS) lastError = ERROR_FILE_EXISTS;
    return false;
  }
  return true;
}

// Fills info from an open descriptor (fd >= 0) or from a host path.
bool FillFileInfo(const fs::path& host, int fd, FileInfo& info) {
  struct statx extended {};
  const int result = fd >= 0 ? statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &extended)
                             : statx(AT_FDCWD, host.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &extended);
  if (result != 0) return FailErrno(errno, host);
  struct stat plain {};
  plain.st_mode = extended.stx_mode;
  const uint32_t marks = ReadMarks(host.c_str(), fd);
  info.Attributes = AttributesOf(plain, marks);
  info.LastWriteTime = FromTimespec(extended.stx_mtime.tv_sec, extended.stx_mtime.tv_nsec);
  info.LastAccessTime = FromTimespec(extended.stx_atime.tv_sec, extended.stx_atime.tv_nsec);
  // Without a birth time the last-write time stands in (the change time
  // would move with every attribute change).
  info.CreationTime = (extended.stx_mask & STATX_BTIME)
                          ? FromTimespec(extended.stx_btime.tv_sec, extended.stx_btime.tv_nsec)
                          : info.LastWriteTime;
  info.Size = S_ISDIR(extended.stx_mode) ? 0 : extended.stx_size;
  const uint64_t device = makedev(extended.stx_dev_major, extended.stx_dev_minor);
  info.VolumeSerialNumber = static_cast<uint32_t>(device ^ (device >> 32));
  info.FileIndex = extended.stx_ino;
  return true;
}

}  // namespace

int GetLastError() { return lastError; }
void SetLastError(int code) { lastError = code; }

uint32_t GetFileAttributes(const std::string& path) {
  const auto host = HostOf(path);
  if (!host) return INVALID_FILE_ATTRIBUTES;
  struct stat info {};
  if (stat(host->c_str(), &info) != 0) {
    FailErrno(errno, *host);
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOf(info, ReadMarks(host->c_str(), -1));
}

bool SetFileAttributes(const std::string& path, uint32_t attributes) {
  const auto host = HostOf(path);
  if (!host) return false;
  struct stat info {};
  if (stat(host->c_str(), &info) != 0) return FailErrno(errno, *host);
  uint32_t marks = attributes & kKeptMarks;
  if (S_ISDIR(info.st_mode)) {
    marks |= attributes & FILE_ATTRIBUTE_READONLY;
  } else {
    const mode_t current = info.st_mode & 07777;
    mode_t mode = current;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
      mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    } else if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      mode |= S_IWUSR;
    }
    // The host lets only a writable file take extended attributes: the
    // marks go on while the owner's write bit is set, then the final mode.
    const mode_t writable = IsReadOnlyFile(info) ? current | S_IWUSR : current;
    if (writable != current && chmod(host->c_str(), writable) != 0) return FailErrno(errno, *host);
    WriteMarks(host->c_str(), -1, marks);
    if (mode != writable && chmod(host->c_str(), mode) != 0) return FailErrno(errno, *host);
    return true;
  }
  WriteMarks(host->c_str(), -1, marks);
  return true;
}

bool SetFileAttributesByHandle(FileHandle handle, uint32_t attributes) {
  const int descriptor = static_cast<int>(handle.Value());
  struct stat info {};
  if (descriptor < 0 || fstat(descriptor, &info) != 0) return Fail(ERROR_INVALID_PARAMETER);
  if (S_ISDIR(info.st_mode)) {
    WriteMarks(nullptr, descriptor, attributes & (kKeptMarks | FILE_ATTRIBUTE_READONLY));
    return true;
  }
  // Open for writing, so the marks go on whatever the mode; then the mode.
  WriteMarks(nullptr, descriptor, attributes & kKeptMarks);
  mode_t mode = info.st_mode & 07777;
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    mode |= S_IWUSR;
  }
  if (mode != (info.st_mode & 07777) && fchmod(descriptor, mode) != 0) return Fail(WinErrorFromErrno(errno));
  return true;
}

bool DirectoryExists(const std::string& path) {
  const auto host = HostOf(path);
  if (!host) return false;
  struct stat info {};
  return stat(host->c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FileExists(const std::string& path) {
  const auto host = HostOf(path);
  if (!host) return false;
  struct stat info {};
  return stat(host->c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool CreateDir(const std::string& path) {
  const auto host = HostOf(path);
  if (!host) return false;
  if (mkdir(host->c_str(), 0777) != 0) {
    if (errno == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
    if (errno == ENOENT) return Fail(ERROR_PATH_NOT_FOUND);
    return FailErrno(errno, *host);
  }
  NoteHostNameCreated(*host);
  return true;
}

bool ForceDirectories(const std::string& path) {
  const std::string full = ExcludeTrailingBackslash(FullWinPath(path));
  if (full.empty()) return Fail(ERROR_PATH_NOT_FOUND);
  if (DirectoryExists(full)) return true;
  const std::string parent = ExcludeTrailingBackslash(ExtractFilePath(full));
  // A drive root that does not exist ends the climb.
  if (parent.size() >= full.size() || parent.size() < 2) return Fail(ERROR_PATH_NOT_FOUND);
  if (parent.size() > 2 && !ForceDirectories(parent)) return false;
  return CreateDir(full) || DirectoryExists(full);
}

bool DeleteFile(const std::string& path) {
  const auto host = HostOf(path);
  if (!host) return false;
  struct stat info {};
  if (lstat(host->c_str(), &info) != 0) return FailErrno(errno, *host);
  if (S_ISDIR(info.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (S_ISREG(info.st_mode) && IsReadOnlyFile(info)) return Fail(ERROR_ACCESS_DENIED);
  // Freeing the blocks of a large file can keep the host busy for a tenth
  // of a second. The host frees them when the last descriptor closes, so
  // with one held open the name goes at once and the closing is left to a
  // thread of its own; if the program ends first, the host closes it.
  const int held = S_ISREG(info.st_mode) && info.st_nlink == 1 && info.st_size >= kLargeFileSize
                       ? HoldSameFile(*host, info)
                       : -1;
  if (unlink(host->c_str()) != 0) {
    const int error = errno;
    if (held >= 0) close(held);
    return FailErrno(error, *host);
  }
  NoteHostNameRemoved(*host);
  if (held >= 0) CloseInBackground(held);
  return true;
}

bool RemoveDir(const std::string& path) {
  const auto host = HostOf(path);
  if (!host) return false;
  if (rmdir(host->c_str()) != 0) {
    if (errno == ENOTDIR) return Fail(ERROR_DIRECTORY);
    return FailErrno(errno, *host);
  }
  NoteHostFolderChanged();
  return true;
}

bool IsLink(const std::string& path) {
  const auto host = HostOf(path);
  if (!host) return false;
  struct stat info {};
  if (lstat(host->c_str(), &info) != 0) return FailErrno(errno, *host);
  return S_ISLNK(info.st_mode);
}

bool RemoveLink(const std::string& path) {
  const auto host = HostOf(path);
  if (!host) return false;
  struct stat info {};
  if (lstat(host->c_str(), &info) != 0) return FailErrno(errno, *host);
  if (!S_ISLNK(info.st_mode)) return Fail(ERROR_INVALID_PARAMETER);
  if (unlink(host->c_str()) != 0) return FailErrno(errno, *host);
  NoteHostNameRemoved(*host);
  return true;
}

bool MoveFile(const std::string& from, const std::string& to, bool replace) {
  const auto source = HostOf(from);
  if (!source) return false;
  const auto found = HostOf(to);
  if (!found) return false;
  struct stat sourceInfo {};
  if (lstat(source->c_str(), &sourceInfo) != 0) return FailErrno(errno, *source);
  // The target under the name given (a renamed file takes the given case).
  fs::path target = found->parent_path() / ExtractFileName(ExcludeTrailingBackslash(FullWinPath(to)));
  struct stat targetInfo {};
  if (stat(found->c_str(), &targetInfo) == 0) {
    const bool sameFile = targetInfo.st_dev == sourceInfo.st_dev && targetInfo.st_ino == sourceInfo.st_ino;
    if (!sameFile) {
      if (!replace) return Fail(ERROR_ALREADY_EXISTS);
      if (S_ISDIR(targetInfo.st_mode) || S_ISDIR(sourceInfo.st_mode) || IsReadOnlyFile(targetInfo)) {
        return Fail(ERROR_ACCESS_DENIED);
      }
      target = *found;  // replacing keeps the existing name
    }
  }
  if (rename(source->c_str(), target.c_str()) == 0) {
    NoteMoved(*source, target, S_ISDIR(sourceInfo.st_mode));
    return true;
  }
  if (errno != EXDEV) return FailErrno(errno, target);
  // Another volume: a file is copied and the original removed; a folder is not moved.
  if (S_ISDIR(sourceInfo.st_mode)) return Fail(ERROR_NOT_SAME_DEVICE);
  if (!CopyHostFile(*source, target, replace)) return false;
  unlink(source->c_str());
  NoteMoved(*source, target, false);
  return true;
}

bool CopyFile(const std::string& from, const std::string& to, bool replace, const CopyBlockCallback& onBlock) {
  const auto source = HostOf(from);
  if (!source) return false;
  const auto target = HostOf(to);
  if (!target) return false;
  if (!CopyHostFile(*source, *target, replace, onBlock)) return false;
  NoteHostNameCreated(*target);
  return true;
}

bool GetFileInfo(const std::string& path, FileInfo& info) {
  const auto host = HostOf(path);
  if (!host) return false;
  return FillFileInfo(*host, -1, info);
}

bool GetFileInfoByHandle(FileHandle handle, FileInfo& info) {
  if (!handle.IsValid()) return Fail(ERROR_INVALID_PARAMETER);
  return FillFileInfo({}, static_cast<int>(handle.Value()), info);
}

namespace {

// The access time left as it is, the last-write time set.
void LastWriteTimes(FileTime time, timespec (&times)[2]) {
  const int64_t ticks = time - kUnixEpochAsFileTime;
  int64_t seconds = ticks / kTicksPerSecond;
  int64_t rest = ticks % kTicksPerSecond;
  if (rest < 0) {
    rest += kTicksPerSecond;
    --seconds;
  }
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(seconds);
  times[1].tv_nsec = static_cast<long>(rest * 100);
}

}  // namespace

bool SetFileLastWriteTime(const std::string& path, FileTime time) {
  const auto host = HostOf(path);
  if (!host) return false;
  timespec times[2];
  LastWriteTimes(time, times);
  if (utimensat(AT_FDCWD, host->c_str(), times, 0) != 0) return FailErrno(errno, *host);
  return true;
}

bool SetFileLastWriteTimeByHandle(FileHandle handle, FileTime time) {
  if (!handle.IsValid()) return Fail(ERROR_INVALID_PARAMETER);
  timespec times[2];
  LastWriteTimes(time, times);
  if (futimens(static_cast<int>(handle.Value()), times) != 0) return Fail(WinErrorFromErrno(errno));
  return true;
}

std::vector<DirEntry> ListDirectory(const std::string& folder) {
  std::vector<DirEntry> entries;
  const auto host = HostOf(folder);
  if (!host) return entries;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(host->c_str()), closedir);
  if (!dir) {
    FailErrno(errno, *host);
    return entries;
  }
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    bool isDirectory = entry->d_type == DT_DIR;
    bool isLink = entry->d_type == DT_LNK;
    if (entry->d_type == DT_UNKNOWN) {
      struct stat info {};
      isLink = lstat((*host / name).c_str(), &info) == 0 && S_ISLNK(info.st_mode);
    }
    if (isLink || entry->d_type == DT_UNKNOWN) {
      struct stat info {};
      isDirectory = stat((*host / name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }
    entries.push_back({name, isDirectory, isLink});
  }
  return entries;
}

FileTime FileTimeNow() {
  timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  return FileTimeFromUnix(now.tv_sec, now.tv_nsec);
}

}  // namespace vorn
