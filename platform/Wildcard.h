// Windows-style wildcard matching, letter case ignored.
#pragma once

#include <string>
#include <string_view>

namespace vorn {

// "*" matches any run of characters, "?" exactly one. A pattern "*.*"
// matches every name, names without a dot too, as the shell does.
bool WildcardMatch(std::string_view pattern, std::string_view name);
bool HasWildcards(std::string_view text);

// Letter case folded as Windows compares file names (ASCII and the Latin-1
// letters of UTF-8 text).
std::string FoldCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);

}  // namespace vorn
