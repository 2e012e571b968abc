// Windows paths on Windows: the machine's own drives, with drive C: moved to
// a folder when VORN_DRIVE_C names one (a Windows path; tests use it so that
// they never touch the real drive). The file system matches names without
// regard to letter case itself, so no look-up is needed here.
#include "platform/WinPath.h"

#include <mutex>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Wildcard.h"
#include "platform/WinPathParts.h"
#include "platform/win32/Wide.h"

#include <windows.h>

namespace fs = std::filesystem;

namespace vorn {

namespace {

std::wstring Environment(const wchar_t* name) {
  std::wstring value(256, L'\0');
  for (;;) {
    const DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) return {};
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);
  }
}

// The full form of a host path (GetFullPathNameW: against the current
// folder, separators and dots resolved).
std::wstring FullHost(const std::wstring& path) {
  if (path.empty()) return path;
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return path;
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
}

// The folder standing for C:, or empty when C: is the machine's own. A
// relative setting is taken against the folder current when it is first
// seen, so that a later change of the current folder does not move the drive.
std::string DriveCSetting() {
  const std::wstring setting = Environment(L"VORN_DRIVE_C");
  static std::mutex cacheMutex;
  static std::wstring cachedSetting;
  static std::string cachedRoot;
  std::lock_guard lock(cacheMutex);
  if (setting != cachedSetting || (cachedRoot.empty() && !setting.empty())) {
    cachedSetting = setting;
    cachedRoot = setting.empty() ? std::string() : Narrow(FullHost(setting));
    // A drive root keeps its backslash; any other folder loses it.
    if (cachedRoot.size() > 3 && cachedRoot.back() == '\\') cachedRoot.pop_back();
  }
  return cachedRoot;
}

// The parts of relative below root when path lies at or below it, compared
// as the file system compares names.
bool IsWithin(const std::string& path, const std::string& root, std::vector<std::string>& relative) {
  const ParsedPath parsedPath = ParseWinPath(path);
  const ParsedPath parsedRoot = ParseWinPath(root);
  if (!SameText(parsedPath.Root, parsedRoot.Root)) return false;
  if (parsedPath.Parts.size() < parsedRoot.Parts.size()) return false;
  for (size_t i = 0; i < parsedRoot.Parts.size(); ++i) {
    if (!SameText(parsedPath.Parts[i], parsedRoot.Parts[i])) return false;
  }
  relative.assign(parsedPath.Parts.begin() + static_cast<std::ptrdiff_t>(parsedRoot.Parts.size()),
                  parsedPath.Parts.end());
  return true;
}

}  // namespace

struct PathLookupCache::Listings {};

// Letter case is the file system's business on Windows: nothing to keep.
PathLookupCache::PathLookupCache() : previous_(nullptr) {}
PathLookupCache::~PathLookupCache() = default;
void NoteHostNameCreated(const fs::path&) {}
void NoteHostNameRemoved(const fs::path&) {}
void NoteHostFolderChanged() {}

fs::path DriveCRoot() {
  const std::string root = DriveCSetting();
  if (root.empty()) return fs::path(L"C:\\");
  const std::wstring wide = Widen(root);
  std::error_code error;
  fs::create_directories(fs::path(wide), error);  // a failure shows later as a missing path
  return fs::path(wide);
}

std::optional<fs::path> ToHostPath(const std::string& winPath) {
  const std::string full = FullWinPath(winPath);
  if (full.empty()) return std::nullopt;
  const ParsedPath parsed = ParseWinPath(full);
  if (parsed.Root == "C:") {
    const std::string root = DriveCSetting();
    if (!root.empty()) {
      DriveCRoot();
      std::string host = root;
      for (const auto& part : parsed.Parts) host += "\\" + part;
      if (parsed.Trailing) host += "\\";
      return fs::path(Widen(host));
    }
  }
  if (!HasDriveLetter(full) && !full.starts_with("\\\\")) return std::nullopt;
  return fs::path(Widen(full));
}

std::string ToWinPath(const fs::path& hostPath) {
  const std::wstring given = hostPath.wstring();
  const bool trailing = given.size() > 3 && (given.back() == L'\\' || given.back() == L'/');
  std::string full = Narrow(FullHost(given));
  if (full.size() > 3 && full.back() == '\\') full.pop_back();
  const std::string root = DriveCSetting();
  std::vector<std::string> relative;
  if (!root.empty() && IsWithin(full, root, relative)) {
    std::string result = "C:\\";
    for (size_t i = 0; i < relative.size(); ++i) {
      if (i > 0) result += "\\";
      result += relative[i];
    }
    if (trailing && !relative.empty()) result += "\\";
    return result;
  }
  if (trailing) full += "\\";
  return full;
}

// Every text a user gives is a path of this machine.
std::string WinPathFromUser(const std::string& text) {
  if (text.empty()) return text;
  return ToWinPath(fs::path(Widen(text)));
}

std::string GetCurrentDir() {
  const DWORD length = GetCurrentDirectoryW(0, nullptr);
  std::wstring current(length, L'\0');
  const DWORD written = GetCurrentDirectoryW(length, current.data());
  if (written == 0 || written >= length) return "C:\\";
  current.resize(written);
  return ToWinPath(fs::path(current));  // no trailing backslash but for a drive root
}

bool SetCurrentDir(const std::string& winPath) {
  const auto host = HostW(winPath);
  if (!host) return false;
  if (!SetCurrentDirectoryW(host->c_str())) {
    SetLastError(static_cast<int>(::GetLastError()));
    return false;
  }
  return true;
}

namespace {

// The file's own full name, links and short names resolved, or empty when
// it cannot be opened.
std::wstring FinalHost(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::wstring final(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), VOLUME_NAME_DOS);
  if (length >= final.size()) {
    final.resize(length);
    length = GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), VOLUME_NAME_DOS);
  }
  CloseHandle(file);
  if (length == 0 || length >= final.size()) return {};
  final.resize(length);
  if (final.starts_with(L"\\\\?\\UNC\\")) return L"\\" + final.substr(7);
  if (final.starts_with(L"\\\\?\\")) return final.substr(4);
  return final;
}

}  // namespace

std::string HostPathKey(const fs::path& host) {
  std::wstring full = FinalHost(host.wstring());
  if (full.empty()) full = FullHost(host.wstring());
  if (full.empty()) return {};
  // Upper case as the file system compares names: locale-independent.
  std::wstring folded(full.size(), L'\0');
  const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, full.c_str(), static_cast<int>(full.size()),
                                   folded.data(), static_cast<int>(folded.size()), nullptr, nullptr, 0);
  if (length > 0) {
    folded.resize(static_cast<size_t>(length));
    full = folded;
  }
  return Narrow(full);
}

}  // namespace vorn
