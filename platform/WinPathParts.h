// The parts of a Windows path, for the host implementations of WinPath.h.
#pragma once

#include <string>
#include <vector>

namespace vorn {

// A Windows path parsed into a root ("C:", "Z:" or "\\server\share") and
// name parts; "." and ".." are resolved textually, as GetFullPathName does.
struct ParsedPath {
  std::string Root;                // "C:" or "\\server\share"; empty for a relative path
  bool Rooted = false;             // a separator follows the root
  std::vector<std::string> Parts;  // name parts, no empty ones
  bool Trailing = false;           // ended in a separator
};

bool IsSeparator(char c);
bool HasDriveLetter(const std::string& path);
ParsedPath ParseWinPath(const std::string& path);
std::string JoinWinPath(const ParsedPath& parsed);

}  // namespace vorn
