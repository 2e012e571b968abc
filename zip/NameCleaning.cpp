// Name cleaning for extraction: the rules Windows applies to file names,
// checked before any name reaches the file system.
#include "zip/NameCleaning.h"

#include <vector>

namespace vorn {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool HasForbiddenCharacter(std::string_view part) {
  for (const char c : part) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || c == '"' || c == ':' || c == '<' || c == '>' || c == '|' || c == '/' || c == '\\') return true;
  }
  return false;
}

// Splits off the root: "X:" (with "\" when rooted), "\" or "\\server\share\".
// Returns false for a malformed network root.
bool SplitRoot(std::string_view name, std::string& root, std::string_view& rest) {
  if (name.size() >= 2 && IsLetter(name[0]) && name[1] == ':') {
    root.assign(name.substr(0, 2));
    rest = name.substr(2);
    if (!rest.empty() && IsSeparator(rest[0])) {
      root += '\\';
      rest.remove_prefix(1);
    }
    return true;
  }
  if (name.size() >= 2 && IsSeparator(name[0]) && IsSeparator(name[1])) {
    // The network root runs up to and including its fourth separator; the
    // server and the share must each be there.
    size_t at = 2;
    for (int part = 0; part < 2; ++part) {
      const size_t start = at;
      while (at < name.size() && !IsSeparator(name[at])) ++at;
      if (at == start) return false;
      if (part == 0) {
        if (at >= name.size()) return false;
        ++at;
      }
    }
    root = "\\\\";
    for (char c : name.substr(2, at - 2)) root += IsSeparator(c) ? '\\' : c;
    rest = name.substr(at);
    if (!rest.empty()) {
      root += '\\';
      rest.remove_prefix(1);
    }
    return true;
  }
  if (!name.empty() && IsSeparator(name[0])) {
    root = "\\";
    rest = name.substr(1);
    return true;
  }
  root.clear();
  rest = name;
  return true;
}

}  // namespace

bool IsReservedDeviceName(std::string_view part) {
  const std::string_view base = part.substr(0, part.find('.'));
  if (base.size() == 3) {
    std::string upper;
    for (char c : base) upper += Upper(c);
    return upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL";
  }
  if (base.size() == 4 && base[3] >= '1' && base[3] <= '9') {
    std::string upper;
    for (char c : base.substr(0, 3)) upper += Upper(c);
    return upper == "COM" || upper == "LPT";
  }
  return false;
}

bool IsRootedName(std::string_view cleaned) {
  if (cleaned.size() >= 2 && IsLetter(cleaned[0]) && cleaned[1] == ':') return true;
  return !cleaned.empty() && IsSeparator(cleaned[0]);
}

TZUCleanResult CleanZipName(std::string_view name, TZUCleanForm form, std::string& cleaned) {
  cleaned.clear();
  if (name.empty()) return ZcEmpty;
  if (name.size() >= 4 && name.substr(0, 4) == "\\\\?\\") {
    cleaned.assign(name);
    return ZcClean;
  }
  std::string root;
  std::string_view rest;
  if (!SplitRoot(name, root, rest)) return ZcInvalid;
  const bool endsInSeparator = !rest.empty() && IsSeparator(rest.back());
  if (endsInSeparator) rest.remove_suffix(1);

  std::vector<std::string_view> parts;
  size_t leadingKept = 0;  // leading "." and ".." parts kept by the lenient form
  bool first = true;
  while (!rest.empty()) {
    const size_t end = [&] {
      size_t at = 0;
      while (at < rest.size() && !IsSeparator(rest[at])) ++at;
      return at;
    }();
    const std::string_view part = rest.substr(0, end);
    rest = end < rest.size() ? rest.substr(end + 1) : std::string_view();
    const bool atStart = first;
    first = false;

    if (part.empty()) return ZcInvalid;
    if (part.size() > 255) return ZcInvalid;
    if (part.back() == ' ') return ZcInvalid;
    if (HasForbiddenCharacter(part)) return ZcInvalid;
    if (part == "." || part == "..") {
      const bool leading = parts.size() == leadingKept;
      if (form == TZUCleanForm::Lenient && root.empty() && leading && (atStart || leadingKept > 0)) {
        parts.push_back(part);
        ++leadingKept;
        continue;
      }
      if (atStart && form == TZUCleanForm::Strict) return ZcInvalid;
      if (part == ".") continue;
      if (parts.size() == leadingKept) return ZcInvalid;  // above the start or the root
      parts.pop_back();
      continue;
    }
    if (part.back() == '.') return ZcInvalid;
    if (IsReservedDeviceName(part)) return ZcInvalid;
    parts.push_back(part);
  }

  // Wildcards count where they remain: a part that a later ".." removed
  // leaves nothing of itself in the name.
  bool wildcard = false;
  cleaned = root;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (parts[i].find_first_of("*?") != std::string_view::npos) wildcard = true;
    if (i > 0) cleaned += '\\';
    cleaned.append(parts[i]);
  }
  if (endsInSeparator && !parts.empty()) cleaned += '\\';
  if (cleaned.empty()) return ZcEmpty;
  if (wildcard) return ZcWildcard;
  return ZcClean;
}

}  // namespace vorn
