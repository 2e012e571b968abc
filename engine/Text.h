// Small text helpers of the engine. Names of fields, aliases and nodes are
// compared as SQLite compares identifiers: ASCII letters without regard to
// case, every other byte exactly.
#pragma once

#include <string>
#include <string_view>

namespace vorn::dbtext {

inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string ToUpperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = UpperAscii(c);
  return result;
}

inline bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

inline bool EndsWithName(std::string_view text, std::string_view ending) {
  return text.size() >= ending.size() && SameName(text.substr(text.size() - ending.size()), ending);
}

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

inline std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace vorn::dbtext
