// An open file on the Win32 API. The handle is not inherited by started
// programs; reading, writing and deleting are shared with others, as a
// rename over the file while it is open must not be refused because of it.
#include "platform/WinFile.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/WinPath.h"
#include "platform/win32/OwnerOnly.h"
#include "platform/win32/Wide.h"

#include <windows.h>

namespace vorn {

namespace {

[[noreturn]] void Raise(int code, const std::string& path) {
  SetLastError(code);
  throw FileError(code, SysErrorMessage(code) + " (" + path + ")");
}

HANDLE Native(FileHandle handle) { return reinterpret_cast<HANDLE>(handle.Value()); }

FileHandle OpenHost(const std::string& path, FileOpen mode) {
  const auto host = HostW(path);
  if (!host) return FileHandle();
  DWORD access = GENERIC_READ | GENERIC_WRITE;
  DWORD disposition = OPEN_EXISTING;
  switch (mode) {
    case FileOpen::Read: access = GENERIC_READ; break;
    case FileOpen::ReadWrite: break;
    case FileOpen::CreateAlways: disposition = CREATE_ALWAYS; break;
    case FileOpen::CreateNew:
    case FileOpen::CreatePrivate: disposition = CREATE_NEW; break;
  }
  // Windows refuses a read-only file to writers by its attribute; where the
  // attribute is only emulated (wine, as the superuser) the check is made here.
  if (mode == FileOpen::ReadWrite || mode == FileOpen::CreateAlways) {
    const DWORD attributes = GetFileAttributesW(host->c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FileHandle();
    }
  }
  std::unique_ptr<OwnerOnly> ownerOnly;
  SECURITY_ATTRIBUTES* security = nullptr;
  if (mode == FileOpen::CreatePrivate) {
    ownerOnly = std::make_unique<OwnerOnly>();
    // Better no file than one others may read.
    if (!ownerOnly->Ready()) {
      SetLastError(static_cast<int>(::GetLastError() ? ::GetLastError() : ERROR_ACCESS_DENIED));
      return FileHandle();
    }
    security = static_cast<SECURITY_ATTRIBUTES*>(ownerOnly->Attributes());
  }
  const HANDLE handle = CreateFileW(host->c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    security, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    SetLastError(static_cast<int>(::GetLastError()));
    return FileHandle();
  }
  SetLastError(0);
  return FileHandle(reinterpret_cast<intptr_t>(handle));
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
  const FileHandle handle = OpenHost(path, mode);
  if (!handle.IsValid()) return false;
  handle_ = handle;
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
    CloseHandle(Native(handle_));
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
  while (done < count) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(Native(handle_), bytes + done, chunk, &got, nullptr)) {
      SetLastError(ERROR_READ_FAULT);
      return done > 0 ? static_cast<int64_t>(done) : -1;
    }
    if (got == 0) break;
    done += got;
  }
  return static_cast<int64_t>(done);
}

void WinFile::Write(const void* buffer, size_t count) {
  if (!handle_.IsValid()) Raise(ERROR_INVALID_PARAMETER, path_);
  const auto* bytes = static_cast<const char*>(buffer);
  size_t done = 0;
  while (done < count) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
    DWORD put = 0;
    if (!WriteFile(Native(handle_), bytes + done, chunk, &put, nullptr) || put == 0) {
      const DWORD error = ::GetLastError();
      Raise(error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? ERROR_DISK_FULL : ERROR_WRITE_FAULT, path_);
    }
    done += put;
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
  LARGE_INTEGER target;
  target.QuadPart = base + offset;
  LARGE_INTEGER result;
  if (!SetFilePointerEx(Native(handle_), target, &result, FILE_BEGIN)) Raise(ERROR_INVALID_PARAMETER, path_);
  return result.QuadPart;
}

int64_t WinFile::Position() const {
  if (!handle_.IsValid()) return -1;
  LARGE_INTEGER zero{};
  LARGE_INTEGER result;
  if (!SetFilePointerEx(Native(handle_), zero, &result, FILE_CURRENT)) return -1;
  return result.QuadPart;
}

int64_t WinFile::Size() const {
  LARGE_INTEGER size;
  if (!handle_.IsValid() || !GetFileSizeEx(Native(handle_), &size)) return -1;
  return size.QuadPart;
}

namespace {

bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION first, second;
  return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace

WinFile WinFile::ReopenSame() const {
  if (!handle_.IsValid()) Raise(ERROR_INVALID_PARAMETER, path_);
  // A new handle on the very file this one has open, with a position of its
  // own (a duplicated handle would share it), never a new look-up by name.
  // Where ReOpenFile looks the name up again after all (wine), the file is
  // opened by its id instead; a handle on another file is never given.
  const HANDLE self = Native(handle_);
  constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE again = ReOpenFile(self, GENERIC_READ, kShare, 0);
  DWORD error = again == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
  if (again != INVALID_HANDLE_VALUE && !SameFile(self, again)) {
    CloseHandle(again);
    again = INVALID_HANDLE_VALUE;
    error = ERROR_FILE_NOT_FOUND;
  }
  if (again == INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(self, &info)) {
      FILE_ID_DESCRIPTOR id{};
      id.dwSize = sizeof id;
      id.Type = FileIdType;
      id.FileId.QuadPart = static_cast<LONGLONG>((static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
      again = OpenFileById(self, &id, GENERIC_READ, kShare, nullptr, 0);
      if (again != INVALID_HANDLE_VALUE && !SameFile(self, again)) {
        CloseHandle(again);
        again = INVALID_HANDLE_VALUE;
      }
    }
  }
  if (again == INVALID_HANDLE_VALUE) Raise(static_cast<int>(error ? error : ERROR_FILE_NOT_FOUND), path_);
  WinFile file;
  file.Adopt(FileHandle(reinterpret_cast<intptr_t>(again)), path_);
  return file;
}

FileInfo WinFile::Info() const {
  FileInfo info;
  if (!GetFileInfoByHandle(handle_, info)) Raise(GetLastError(), path_);
  return info;
}

void WinFile::Flush() {
  if (!handle_.IsValid()) Raise(ERROR_INVALID_PARAMETER, path_);
  // A handle open for reading only has nothing to flush.
  if (!FlushFileBuffers(Native(handle_)) && ::GetLastError() != ERROR_ACCESS_DENIED) Raise(ERROR_WRITE_FAULT, path_);
}

}  // namespace vorn
