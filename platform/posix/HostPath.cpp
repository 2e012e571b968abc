// Windows paths on a POSIX host: drive C: is a host folder, Z: the host
// root, and names are looked up without regard to letter case by walking the
// host folders one part at a time and taking the existing name that equals
// the part.
#include "platform/WinPath.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Wildcard.h"
#include "platform/WinPathParts.h"

namespace fs = std::filesystem;

namespace vorn {

namespace {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/";
}

fs::path AbsoluteHost(const fs::path& path) {
  if (path.is_absolute()) return path.lexically_normal();
  std::error_code error;
  fs::path base = fs::current_path(error);
  if (error) base = "/";
  return (base / path).lexically_normal();
}

// The C: folder as configured, without creating it. A relative setting is
// taken against the folder current when it is first seen, so that a later
// change of the current folder does not move the drive.
fs::path DriveCSetting() {
  const char* setting = std::getenv("VORN_DRIVE_C");
  const std::string text = (setting && *setting) ? setting : (fs::path(HomeFolder()) / ".vorn" / "drive_c").string();
  static std::mutex cacheMutex;
  static std::string cachedText;
  static fs::path cachedRoot;
  std::lock_guard lock(cacheMutex);
  if (text != cachedText || cachedRoot.empty()) {
    fs::path root = AbsoluteHost(text);
    // lexically_normal keeps a trailing separator as an empty last element.
    if (root.has_relative_path() && root.filename().empty()) root = root.parent_path();
    cachedText = text;
    cachedRoot = root;
  }
  return cachedRoot;
}

// One folder's names by their case-folded form; for each, every variant
// present, so that the smallest stays known when one is removed.
using FolderNames = std::unordered_map<std::string, std::set<std::string>>;

// The name in folder that equals name without regard to case, if any, read
// from the folder itself (or from the active cache's copy of it). Among
// several case variants the smallest name is taken so that the answer does
// not depend on the order of the folder.
std::optional<std::string> ScanFolder(const fs::path& folder, const std::string& name);

// The name in folder that equals name without regard to case, if any. An
// exact match wins.
std::optional<std::string> FindNameInFolder(const fs::path& folder, const std::string& name) {
  struct stat info {};
  if (lstat((folder / name).c_str(), &info) == 0) return name;
  return ScanFolder(folder, name);
}

// True when path lies at or below root (both absolute and normal).
bool IsWithin(const fs::path& path, const fs::path& root, fs::path& relative) {
  auto p = path.begin();
  for (auto r = root.begin(); r != root.end(); ++r) {
    if (r->empty()) continue;  // a trailing separator of root
    if (p == path.end() || *p != *r) return false;
    ++p;
  }
  relative.clear();
  for (; p != path.end(); ++p) relative /= *p;
  return true;
}

std::string HostToWin(const std::string& drive, const fs::path& relative, bool trailing) {
  std::string result = drive + "\\";
  bool first = true;
  for (const auto& part : relative) {
    if (part.empty()) continue;
    if (!first) result += "\\";
    result += part.string();
    first = false;
  }
  if (trailing && !first) result += "\\";
  return result;
}

}  // namespace

struct PathLookupCache::Listings {
  std::unordered_map<std::string, FolderNames> Folders;  // by host folder path
};

namespace {

thread_local PathLookupCache::Listings* activeListings = nullptr;
thread_local PathLookupCache* activeOwner = nullptr;

FolderNames ReadFolderNames(DIR* dir) {
  FolderNames names;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view candidate(entry->d_name);
    if (candidate == "." || candidate == "..") continue;
    names[FoldCase(candidate)].insert(std::string(candidate));
  }
  return names;
}

std::optional<std::string> ScanFolder(const fs::path& folder, const std::string& name) {
  if (activeListings) {
    auto found = activeListings->Folders.find(folder.string());
    if (found == activeListings->Folders.end()) {
      std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
      if (!dir) return std::nullopt;  // a missing folder is not remembered
      found = activeListings->Folders.emplace(folder.string(), ReadFolderNames(dir.get())).first;
    }
    const auto variants = found->second.find(FoldCase(name));
    if (variants == found->second.end()) return std::nullopt;
    // As below: only names of the same byte length count.
    for (const std::string& variant : variants->second) {
      if (variant.size() == name.size()) return variant;
    }
    return std::nullopt;
  }
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
  if (!dir) return std::nullopt;
  const std::string folded = FoldCase(name);
  std::optional<std::string> found;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view candidate(entry->d_name);
    // Folding keeps the byte length (ASCII and Latin-1 letters), so other
    // lengths can be passed over without folding.
    if (candidate.size() != name.size()) continue;
    if (FoldCase(candidate) != folded) continue;
    if (!found || candidate < *found) found = std::string(candidate);
  }
  return found;
}

// The host path for parts below base. The whole path in the case given is
// tried first, then its folder, with one call each; only when both are
// missing are the levels looked up one by one from the base.
fs::path Resolve(const fs::path& base, const std::vector<std::string>& parts) {
  if (parts.empty()) return base;
  fs::path folder = base;
  for (size_t i = 0; i + 1 < parts.size(); ++i) folder /= parts[i];
  const std::string& last = parts.back();
  struct stat info {};
  if (lstat((folder / last).c_str(), &info) == 0) return folder / last;
  if (parts.size() == 1 || lstat(folder.c_str(), &info) == 0) {
    // The folder is there as given and the name as given is not.
    if (auto found = ScanFolder(folder, last)) return folder / *found;
    return folder / last;
  }
  fs::path host = base;
  bool folderExists = true;
  for (const auto& part : parts) {
    if (folderExists) {
      if (auto found = FindNameInFolder(host, part)) {
        host /= *found;
        continue;
      }
      folderExists = false;
    }
    host /= part;
  }
  return host;
}

}  // namespace

PathLookupCache::PathLookupCache() : previous_(std::exchange(activeOwner, this)), listings_(std::make_unique<Listings>()) {
  activeListings = listings_.get();
}

PathLookupCache::~PathLookupCache() {
  activeOwner = previous_;
  activeListings = previous_ ? previous_->listings_.get() : nullptr;
}

void NoteHostNameCreated(const fs::path& host) {
  if (!activeListings) return;
  const auto found = activeListings->Folders.find(host.parent_path().string());
  if (found != activeListings->Folders.end()) {
    const std::string name = host.filename().string();
    found->second[FoldCase(name)].insert(name);
  }
}

void NoteHostNameRemoved(const fs::path& host) {
  if (!activeListings) return;
  const auto found = activeListings->Folders.find(host.parent_path().string());
  if (found != activeListings->Folders.end()) {
    const std::string name = host.filename().string();
    const auto variants = found->second.find(FoldCase(name));
    if (variants != found->second.end()) variants->second.erase(name);
  }
}

void NoteHostFolderChanged() {
  if (activeListings) activeListings->Folders.clear();
}

fs::path DriveCRoot() {
  fs::path root = DriveCSetting();
  std::error_code error;
  fs::create_directories(root, error);  // a failure shows later as a missing path
  return root;
}

std::optional<fs::path> ToHostPath(const std::string& winPath) {
  const std::string full = FullWinPath(winPath);
  if (full.size() < 2 || !HasDriveLetter(full)) return std::nullopt;
  const ParsedPath parsed = ParseWinPath(full);
  fs::path host;
  if (parsed.Root == "C:") {
    host = DriveCRoot();
  } else if (parsed.Root == "Z:") {
    host = "/";
  } else {
    return std::nullopt;
  }
  return Resolve(host, parsed.Parts);
}

std::string ToWinPath(const fs::path& hostPath) {
  const std::string text = hostPath.string();
  const bool trailing = text.size() > 1 && text.back() == '/';
  fs::path absolute = AbsoluteHost(hostPath);
  if (absolute.has_relative_path() && absolute.filename().empty()) absolute = absolute.parent_path();
  const fs::path root = DriveCSetting();
  fs::path relative;
  if (IsWithin(absolute, root, relative)) return HostToWin("C:", relative, trailing);
  // The C: folder may be reached through a symbolic link (as /proc/self/exe
  // reports the resolved path): compare the resolved forms too.
  std::error_code error;
  const fs::path resolvedRoot = fs::weakly_canonical(root, error);
  if (!error) {
    const fs::path resolved = fs::weakly_canonical(absolute, error);
    if (!error && IsWithin(resolved, resolvedRoot, relative)) return HostToWin("C:", relative, trailing);
  }
  IsWithin(absolute, "/", relative);
  return HostToWin("Z:", relative, trailing);
}

std::string WinPathFromUser(const std::string& text) {
  if (!text.empty() && text[0] == '/') return ToWinPath(text);
  return FullWinPath(text);
}

std::string GetCurrentDir() {
  std::error_code error;
  const fs::path current = fs::current_path(error);
  if (error) return "Z:\\";
  return ToWinPath(current);  // no trailing backslash but for a drive root
}

bool SetCurrentDir(const std::string& winPath) {
  const auto host = ToHostPath(winPath);
  if (!host) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  if (chdir(host->c_str()) != 0) {
    SetLastError(WinErrorFromErrno(errno));
    return false;
  }
  return true;
}

std::string HostPathKey(const fs::path& host) {
  std::error_code error;
  fs::path canonical = fs::weakly_canonical(host, error);
  if (error) canonical = fs::absolute(host, error).lexically_normal();
  return canonical.string();
}

}  // namespace vorn
