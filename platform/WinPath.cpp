// Windows paths on the host: parsing, normalising and mapping to host paths.
//
// A Windows path is parsed into a root ("C:", "Z:" or "\\server\share") and
// name parts; "." and ".." are resolved textually, as GetFullPathName does,
// before any name is looked up. Lookup then walks the host folders one part
// at a time and takes the existing name that equals the part without regard
// to letter case.
#include "platform/WinPath.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Wildcard.h"

namespace fs = std::filesystem;

namespace vorn {

namespace {

struct ParsedPath {
  std::string Root;                // "C:" or "\\server\share"; empty for a relative path
  bool Rooted = false;             // a separator follows the root
  std::vector<std::string> Parts;  // name parts, no empty ones
  bool Trailing = false;           // ended in a separator
};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDriveLetter(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

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

// Splits text at separators into parts, dropping empty ones (doubled separators).
void SplitParts(const std::string& text, size_t from, std::vector<std::string>& parts) {
  size_t start = from;
  for (size_t i = from; i <= text.size(); ++i) {
    if (i == text.size() || IsSeparator(text[i])) {
      if (i > start) parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
}

// Resolves "." and ".." in place; ".." at the root stays at the root, as on Windows.
void ResolveDots(std::vector<std::string>& parts, bool rooted) {
  std::vector<std::string> result;
  for (auto& part : parts) {
    if (part == ".") continue;
    if (part == "..") {
      if (!result.empty() && result.back() != "..") {
        result.pop_back();
      } else if (!rooted) {
        result.push_back(part);
      }
      continue;
    }
    result.push_back(std::move(part));
  }
  parts = std::move(result);
}

ParsedPath Parse(const std::string& path) {
  ParsedPath parsed;
  std::string text = path;
  std::replace(text.begin(), text.end(), '/', '\\');
  // "\\?\C:\..." and "\\.\C:\..." name the same file as "C:\...".
  if (text.size() >= 6 && text[0] == '\\' && text[1] == '\\' && (text[2] == '?' || text[2] == '.') &&
      text[3] == '\\' && HasDriveLetter(text.substr(4))) {
    text = text.substr(4);
  }
  size_t restStart = 0;
  if (text.size() >= 2 && text[0] == '\\' && text[1] == '\\') {
    // Network path: the root is the server and the share.
    std::vector<std::string> parts;
    SplitParts(text, 2, parts);
    parsed.Root = "\\\\";
    if (!parts.empty()) parsed.Root += parts[0];
    if (parts.size() > 1) parsed.Root += "\\" + parts[1];
    parsed.Rooted = true;
    for (size_t i = 2; i < parts.size(); ++i) parsed.Parts.push_back(parts[i]);
    parsed.Trailing = parts.size() > 2 && IsSeparator(text.back());
    ResolveDots(parsed.Parts, true);
    return parsed;
  }
  if (HasDriveLetter(text)) {
    parsed.Root = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])))) + ":";
    restStart = 2;
  }
  parsed.Rooted = restStart < text.size() && IsSeparator(text[restStart]);
  SplitParts(text, restStart, parsed.Parts);
  parsed.Trailing = !parsed.Parts.empty() && IsSeparator(text.back());
  return parsed;
}

std::string Join(const ParsedPath& parsed) {
  std::string result = parsed.Root;
  if (parsed.Rooted) result += "\\";
  for (size_t i = 0; i < parsed.Parts.size(); ++i) {
    if (i > 0) result += "\\";
    result += parsed.Parts[i];
  }
  if (parsed.Trailing && !parsed.Parts.empty()) result += "\\";
  return result;
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

bool IsAbsoluteWinPath(const std::string& path) {
  if (path.empty()) return false;
  if (IsSeparator(path[0])) return true;
  return HasDriveLetter(path);
}

std::string FullWinPath(const std::string& path) {
  if (path.empty()) return "";
  ParsedPath parsed = Parse(path);
  if (parsed.Root.size() >= 2 && parsed.Root[0] == '\\') {
    return Join(parsed);  // network path, already resolved
  }
  // Only a path without a drive or without a root needs the current folder.
  const bool needsCurrent = parsed.Root.empty() || !parsed.Rooted;
  const ParsedPath currentParsed = needsCurrent ? Parse(GetCurrentDir()) : ParsedPath{};
  if (parsed.Root.empty()) {
    // "\x" is on the current drive; "x" is below the current folder.
    parsed.Root = currentParsed.Root;
    if (!parsed.Rooted) {
      std::vector<std::string> parts = currentParsed.Parts;
      parts.insert(parts.end(), parsed.Parts.begin(), parsed.Parts.end());
      parsed.Parts = std::move(parts);
    }
  } else if (!parsed.Rooted && parsed.Root == currentParsed.Root) {
    // "C:x" with C: the current drive: below the current folder.
    std::vector<std::string> parts = currentParsed.Parts;
    parts.insert(parts.end(), parsed.Parts.begin(), parsed.Parts.end());
    parsed.Parts = std::move(parts);
  }
  // Any other "X:x" is taken against the root of X: (no per-drive current folder).
  parsed.Rooted = true;
  ResolveDots(parsed.Parts, true);
  // Windows drops trailing blanks and dots of the last name.
  if (!parsed.Trailing && !parsed.Parts.empty()) {
    std::string& last = parsed.Parts.back();
    const size_t end = last.find_last_not_of(" .");
    if (end == std::string::npos) {
      parsed.Parts.pop_back();
    } else {
      last.erase(end + 1);
    }
  }
  return Join(parsed);
}

std::optional<fs::path> ToHostPath(const std::string& winPath) {
  const std::string full = FullWinPath(winPath);
  if (full.size() < 2 || !HasDriveLetter(full)) return std::nullopt;
  const ParsedPath parsed = Parse(full);
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

std::string ExtractFilePath(const std::string& winPath) {
  const size_t last = winPath.find_last_of("\\:");
  return last == std::string::npos ? std::string() : winPath.substr(0, last + 1);
}

std::string ExtractFileName(const std::string& winPath) {
  const size_t last = winPath.find_last_of("\\:");
  return last == std::string::npos ? winPath : winPath.substr(last + 1);
}

std::string IncludeTrailingBackslash(const std::string& winPath) {
  if (!winPath.empty() && winPath.back() == '\\') return winPath;
  return winPath + "\\";
}

std::string ExcludeTrailingBackslash(const std::string& winPath) {
  if (!winPath.empty() && winPath.back() == '\\') return winPath.substr(0, winPath.size() - 1);
  return winPath;
}

}  // namespace vorn
