// Windows paths: parsing and normalising, the same on every host. Mapping
// them to the host's own paths is the host part (posix/, win32/).
//
// A Windows path is parsed into a root ("C:", "Z:" or "\\server\share") and
// name parts; "." and ".." are resolved textually, as GetFullPathName does,
// before any name is looked up.
#include "platform/WinPath.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "platform/WinPathParts.h"

namespace vorn {

namespace {

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

}  // namespace

ParsedPath ParseWinPath(const std::string& path) {
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

std::string JoinWinPath(const ParsedPath& parsed) {
  std::string result = parsed.Root;
  if (parsed.Rooted) result += "\\";
  for (size_t i = 0; i < parsed.Parts.size(); ++i) {
    if (i > 0) result += "\\";
    result += parsed.Parts[i];
  }
  if (parsed.Trailing && !parsed.Parts.empty()) result += "\\";
  return result;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDriveLetter(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}


bool IsAbsoluteWinPath(const std::string& path) {
  if (path.empty()) return false;
  if (IsSeparator(path[0])) return true;
  return HasDriveLetter(path);
}

std::string FullWinPath(const std::string& path) {
  if (path.empty()) return "";
  ParsedPath parsed = ParseWinPath(path);
  if (parsed.Root.size() >= 2 && parsed.Root[0] == '\\') {
    return JoinWinPath(parsed);  // network path, already resolved
  }
  // Only a path without a drive or without a root needs the current folder.
  const bool needsCurrent = parsed.Root.empty() || !parsed.Rooted;
  const ParsedPath currentParsed = needsCurrent ? ParseWinPath(GetCurrentDir()) : ParsedPath{};
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
  return JoinWinPath(parsed);
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
