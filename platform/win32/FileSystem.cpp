// The Windows file services on the Win32 API: attributes, times and names
// are the file system's own.
#include "platform/FileSystem.h"

#include <exception>
#include <random>

#include "platform/WinPath.h"
#include "platform/win32/Wide.h"

#include <windows.h>
#undef CopyFile
#undef DeleteFile
#undef GetFileAttributes
#undef MoveFile
#undef SetFileAttributes

namespace vorn {

namespace {

thread_local int lastError = 0;

constexpr uint32_t kSettable =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

bool Fail(int code) {
  lastError = code;
  return false;
}

// The system's code for the call that just failed.
bool FailSystem() { return Fail(static_cast<int>(::GetLastError())); }

HANDLE Native(FileHandle handle) { return reinterpret_cast<HANDLE>(handle.Value()); }

FileTime FromFiletime(const FILETIME& time) {
  return static_cast<FileTime>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

FILETIME ToFiletime(FileTime time) {
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(time) & 0xFFFFFFFFu);
  result.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(time) >> 32);
  return result;
}

// A handle for reading or changing a file's information only, folders
// included; links are followed as the other services follow them.
class InfoHandle {
 public:
  InfoHandle(const std::wstring& host, DWORD access)
      : handle_(CreateFileW(host.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
  ~InfoHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  InfoHandle(const InfoHandle&) = delete;
  InfoHandle& operator=(const InfoHandle&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

bool FillFileInfo(HANDLE handle, FileInfo& info) {
  BY_HANDLE_FILE_INFORMATION native{};
  if (!GetFileInformationByHandle(handle, &native)) return FailSystem();
  info.Attributes = native.dwFileAttributes;
  info.CreationTime = FromFiletime(native.ftCreationTime);
  info.LastAccessTime = FromFiletime(native.ftLastAccessTime);
  info.LastWriteTime = FromFiletime(native.ftLastWriteTime);
  info.Size = (native.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                  ? 0
                  : (static_cast<uint64_t>(native.nFileSizeHigh) << 32) | native.nFileSizeLow;
  info.VolumeSerialNumber = native.dwVolumeSerialNumber;
  info.FileIndex = (static_cast<uint64_t>(native.nFileIndexHigh) << 32) | native.nFileIndexLow;
  return true;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
  InfoHandle first(a, FILE_READ_ATTRIBUTES);
  InfoHandle second(b, FILE_READ_ATTRIBUTES);
  FileInfo one, two;
  return first.IsOpen() && second.IsOpen() && FillFileInfo(first.Get(), one) && FillFileInfo(second.Get(), two) &&
         one.VolumeSerialNumber == two.VolumeSerialNumber && one.FileIndex == two.FileIndex;
}

// A free name beside target for the copy in progress.
std::wstring TemporaryBeside(const std::wstring& target) {
  static thread_local std::mt19937 random{std::random_device{}()};
  const size_t slash = target.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
  const std::wstring name = slash == std::wstring::npos ? target : target.substr(slash + 1);
  wchar_t suffix[16];
  swprintf(suffix, 16, L".vorn-%06x", static_cast<unsigned>(random() & 0xFFFFFF));
  return folder + L"." + name + suffix;
}

struct CopyProgress {
  const CopyBlockCallback* OnBlock;
  int64_t Reported = 0;
  std::exception_ptr Error;
};

DWORD CALLBACK CopyProgressRoutine(LARGE_INTEGER, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                                   DWORD, HANDLE, HANDLE, LPVOID data) {
  auto* progress = static_cast<CopyProgress*>(data);
  const int64_t now = transferred.QuadPart;
  if (now > progress->Reported && progress->OnBlock && *progress->OnBlock) {
    try {
      (*progress->OnBlock)(now - progress->Reported);
    } catch (...) {
      progress->Error = std::current_exception();
      return PROGRESS_CANCEL;
    }
  }
  progress->Reported = now;
  return PROGRESS_CONTINUE;
}

void RemoveTemporary(const std::wstring& temporary) {
  SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(temporary.c_str());
}

// Copies into a new temporary file beside the target (bytes, attributes and
// last-write time, as CopyFileExW copies them), then puts it in place in one
// step: over an existing file when replace is set, else only while the name
// is still free. A target is never left half written.
bool CopyHostFile(const std::wstring& from, const std::wstring& to, bool replace, const CopyBlockCallback& onBlock) {
  const DWORD sourceAttributes = GetFileAttributesW(from.c_str());
  if (sourceAttributes == INVALID_FILE_ATTRIBUTES) return FailSystem();
  if (sourceAttributes & FILE_ATTRIBUTE_DIRECTORY) return Fail(ERROR_ACCESS_DENIED);
  const DWORD targetAttributes = GetFileAttributesW(to.c_str());
  if (targetAttributes != INVALID_FILE_ATTRIBUTES) {
    if (!replace) return Fail(ERROR_FILE_EXISTS);
    if (SameFile(from, to)) return Fail(ERROR_SHARING_VIOLATION);
    if (targetAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return Fail(ERROR_ACCESS_DENIED);
  }
  CopyProgress progress{&onBlock, 0, nullptr};
  std::wstring temporary;
  for (int attempt = 0;; ++attempt) {
    temporary = TemporaryBeside(to);
    BOOL cancel = FALSE;
    if (CopyFileExW(from.c_str(), temporary.c_str(), CopyProgressRoutine, &progress, &cancel,
                    COPY_FILE_FAIL_IF_EXISTS)) {
      break;
    }
    const DWORD error = ::GetLastError();
    if (progress.Error) {
      RemoveTemporary(temporary);
      std::rethrow_exception(progress.Error);
    }
    if ((error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) && attempt < 16) continue;
    RemoveTemporary(temporary);
    return Fail(error == ERROR_HANDLE_DISK_FULL ? ERROR_DISK_FULL : static_cast<int>(error));
  }
  // Not every system calls the progress routine for every block (wine calls
  // it for none): what it did not report is reported now.
  WIN32_FILE_ATTRIBUTE_DATA copied{};
  if (onBlock && GetFileAttributesExW(temporary.c_str(), GetFileExInfoStandard, &copied)) {
    const int64_t size = static_cast<int64_t>((static_cast<uint64_t>(copied.nFileSizeHigh) << 32) | copied.nFileSizeLow);
    if (size > progress.Reported) {
      try {
        onBlock(size - progress.Reported);
      } catch (...) {
        RemoveTemporary(temporary);
        throw;
      }
    }
  }
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (!MoveFileExW(temporary.c_str(), to.c_str(), flags)) {
    const DWORD error = ::GetLastError();
    RemoveTemporary(temporary);
    return Fail(error == ERROR_ALREADY_EXISTS ? ERROR_FILE_EXISTS : static_cast<int>(error));
  }
  return true;
}

}  // namespace

int GetLastError() { return lastError; }
void SetLastError(int code) { lastError = code; }

uint32_t GetFileAttributes(const std::string& path) {
  const auto host = HostW(path);
  if (!host) return INVALID_FILE_ATTRIBUTES;
  const DWORD attributes = GetFileAttributesW(host->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) FailSystem();
  return attributes;
}

bool SetFileAttributes(const std::string& path, uint32_t attributes) {
  const auto host = HostW(path);
  if (!host) return false;
  const DWORD settable = attributes & kSettable;
  if (!SetFileAttributesW(host->c_str(), settable ? settable : FILE_ATTRIBUTE_NORMAL)) return FailSystem();
  return true;
}

bool SetFileAttributesByHandle(FileHandle handle, uint32_t attributes) {
  if (!handle.IsValid()) return Fail(ERROR_INVALID_PARAMETER);
  FILE_BASIC_INFO basic{};  // zero times: left as they are
  if (!GetFileInformationByHandleEx(Native(handle), FileBasicInfo, &basic, sizeof basic)) return FailSystem();
  basic.CreationTime.QuadPart = 0;
  basic.LastAccessTime.QuadPart = 0;
  basic.LastWriteTime.QuadPart = 0;
  basic.ChangeTime.QuadPart = 0;
  const DWORD kept = basic.FileAttributes & ~kSettable & ~FILE_ATTRIBUTE_NORMAL;
  basic.FileAttributes = kept | (attributes & kSettable);
  if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  if (!SetFileInformationByHandle(Native(handle), FileBasicInfo, &basic, sizeof basic)) return FailSystem();
  return true;
}

bool DirectoryExists(const std::string& path) {
  const auto host = HostW(path);
  if (!host) return false;
  const DWORD attributes = GetFileAttributesW(host->c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::string& path) {
  const auto host = HostW(path);
  if (!host) return false;
  const DWORD attributes = GetFileAttributesW(host->c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const std::string& path) {
  const auto host = HostW(path);
  if (!host) return false;
  if (!CreateDirectoryW(host->c_str(), nullptr)) return FailSystem();
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
  const auto host = HostW(path);
  if (!host) return false;
  const DWORD attributes = GetFileAttributesW(host->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FailSystem();
  // A link to a folder is itself a folder entry; it goes as a link does on
  // the other host. A real folder is refused, as DeleteFileW refuses it.
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    if (!RemoveDirectoryW(host->c_str())) return FailSystem();
    return true;
  }
  if (!DeleteFileW(host->c_str())) return FailSystem();
  return true;
}

bool RemoveDir(const std::string& path) {
  const auto host = HostW(path);
  if (!host) return false;
  if (!RemoveDirectoryW(host->c_str())) return FailSystem();
  return true;
}

bool IsLink(const std::string& path) {
  const auto host = HostW(path);
  if (!host) return false;
  const DWORD attributes = GetFileAttributesW(host->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FailSystem();
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool RemoveLink(const std::string& path) {
  const auto host = HostW(path);
  if (!host) return false;
  const DWORD attributes = GetFileAttributesW(host->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FailSystem();
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return Fail(ERROR_INVALID_PARAMETER);
  const BOOL done = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(host->c_str())
                                                            : DeleteFileW(host->c_str());
  return done ? true : FailSystem();
}

bool MoveFile(const std::string& from, const std::string& to, bool replace) {
  const auto source = HostW(from);
  if (!source) return false;
  const auto target = HostW(to);
  if (!target) return false;
  const DWORD sourceAttributes = GetFileAttributesW(source->c_str());
  if (sourceAttributes == INVALID_FILE_ATTRIBUTES) return FailSystem();
  const DWORD targetAttributes = GetFileAttributesW(target->c_str());
  if (targetAttributes != INVALID_FILE_ATTRIBUTES && !SameFile(*source, *target)) {
    if (!replace) return Fail(ERROR_ALREADY_EXISTS);
    if ((targetAttributes | sourceAttributes) & FILE_ATTRIBUTE_DIRECTORY) return Fail(ERROR_ACCESS_DENIED);
    if (targetAttributes & FILE_ATTRIBUTE_READONLY) return Fail(ERROR_ACCESS_DENIED);
  }
  // A file may go to another volume (copied, then the original removed); a
  // folder may not, and MoveFileExW says so with ERROR_NOT_SAME_DEVICE.
  DWORD flags = MOVEFILE_WRITE_THROUGH;
  if (!(sourceAttributes & FILE_ATTRIBUTE_DIRECTORY)) flags |= MOVEFILE_COPY_ALLOWED;
  if (replace) flags |= MOVEFILE_REPLACE_EXISTING;
  if (!MoveFileExW(source->c_str(), target->c_str(), flags)) return FailSystem();
  return true;
}

bool CopyFile(const std::string& from, const std::string& to, bool replace, const CopyBlockCallback& onBlock) {
  const auto source = HostW(from);
  if (!source) return false;
  const auto target = HostW(to);
  if (!target) return false;
  return CopyHostFile(*source, *target, replace, onBlock);
}

bool GetFileInfo(const std::string& path, FileInfo& info) {
  const auto host = HostW(path);
  if (!host) return false;
  InfoHandle handle(*host, FILE_READ_ATTRIBUTES);
  if (!handle.IsOpen()) return FailSystem();
  return FillFileInfo(handle.Get(), info);
}

bool GetFileInfoByHandle(FileHandle handle, FileInfo& info) {
  if (!handle.IsValid()) return Fail(ERROR_INVALID_PARAMETER);
  return FillFileInfo(Native(handle), info);
}

bool SetFileLastWriteTime(const std::string& path, FileTime time) {
  const auto host = HostW(path);
  if (!host) return false;
  InfoHandle handle(*host, FILE_WRITE_ATTRIBUTES);
  if (!handle.IsOpen()) return FailSystem();
  const FILETIME native = ToFiletime(time);
  if (!SetFileTime(handle.Get(), nullptr, nullptr, &native)) return FailSystem();
  return true;
}

bool SetFileLastWriteTimeByHandle(FileHandle handle, FileTime time) {
  if (!handle.IsValid()) return Fail(ERROR_INVALID_PARAMETER);
  const FILETIME native = ToFiletime(time);
  if (!SetFileTime(Native(handle), nullptr, nullptr, &native)) return FailSystem();
  return true;
}

std::vector<DirEntry> ListDirectory(const std::string& folder) {
  std::vector<DirEntry> entries;
  const auto host = HostW(IncludeTrailingBackslash(folder));
  if (!host) return entries;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileExW((*host + L"*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) {
    FailSystem();
    return entries;
  }
  do {
    const std::wstring_view name(found.cFileName);
    if (name == L"." || name == L"..") continue;
    entries.push_back({Narrow(name), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return entries;
}

FileTime FileTimeNow() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return FromFiletime(now);
}

}  // namespace vorn
