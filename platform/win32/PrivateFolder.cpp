// On Windows the user's temporary folder lies in the user's own profile,
// which others cannot write, so the parent needs no check of its own: the
// folder itself is made with, or given, rights for this user alone.
#include "platform/PrivateFolder.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/WinPath.h"
#include "platform/win32/OwnerOnly.h"
#include "platform/win32/Wide.h"

#include <windows.h>

namespace vorn {

namespace fs = std::filesystem;

PrivateFolderState MakePrivateFolder(const std::string& path) {
  const auto host = path.empty() ? std::nullopt : ToHostPath(path);
  if (!host) return PrivateFolderState::NotCreated;
  const fs::path folder = host->has_filename() ? *host : host->parent_path();
  const std::wstring wide = LongPathW(folder);
  OwnerOnly rights;
  if (!rights.Ready()) return PrivateFolderState::NotCreated;
  if (CreateDirectoryW(wide.c_str(), static_cast<SECURITY_ATTRIBUTES*>(rights.Attributes()))) {
    return PrivateFolderState::Private;
  }
  if (GetLastError() != ERROR_ALREADY_EXISTS) return PrivateFolderState::NotCreated;
  // Opened without following a reparse point, so that the owner is read
  // from and the rights set on the very folder that was looked at.
  const HANDLE handle =
      CreateFileW(wide.c_str(), READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return PrivateFolderState::NotAFolder;
  PrivateFolderState state = PrivateFolderState::Private;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    state = PrivateFolderState::NotAFolder;
  } else if (!rights.OwnsObject(handle)) {
    state = PrivateFolderState::OtherOwner;
  } else if (!rights.ApplyTo(handle)) {
    state = PrivateFolderState::NotCreated;
  }
  CloseHandle(handle);
  return state;
}

bool EmptyFolder(const std::string& path) {
  const auto host = path.empty() ? std::nullopt : ToHostPath(path);
  if (!host) return false;
  std::error_code error;
  std::vector<fs::path> items;
  for (fs::directory_iterator it(*host, error), end; !error && it != end; it.increment(error)) {
    items.push_back(it->path());
  }
  if (error) return false;
  bool emptied = true;
  for (const fs::path& item : items) {
    // Read-only entries refuse deletion: clear the attribute on everything
    // below first. Reparse points are removed themselves, never entered.
    const DWORD attributes = GetFileAttributesW(LongPathW(item).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      for (fs::recursive_directory_iterator it(item, error), end; !error && it != end; it.increment(error)) {
        SetFileAttributesW(LongPathW(it->path()).c_str(), FILE_ATTRIBUTE_NORMAL);
      }
      error.clear();
    }
    SetFileAttributesW(LongPathW(item).c_str(), attributes & FILE_ATTRIBUTE_DIRECTORY ? FILE_ATTRIBUTE_DIRECTORY
                                                                                     : FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(item, error);
    if (error) emptied = false;
    error.clear();
  }
  return emptied;
}

}  // namespace vorn
