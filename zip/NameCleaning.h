// Cleaning of entry names, target paths and the extraction base folder.
//
// The strict form (entry names and target paths) refuses a leading "." or
// ".." and anything that could climb out of the name; the lenient form (the
// base folder) lets a leading "." or ".." stay. Both refuse empty parts,
// parts longer than 255 characters, parts ending in a blank or a full stop,
// the characters Windows forbids in names, and the reserved device names.
#pragma once

#include <string>
#include <string_view>

namespace vorn {

enum class TZUCleanForm { Strict, Lenient };

enum TZUCleanResult : int {
  ZcClean = 0,
  ZcEmpty = 1,     // nothing left
  ZcWildcard = 2,  // holds "*" or "?"
  ZcInvalid = -1,
};

// Cleans name into cleaned ("/" written as "\"); returns one of the results above.
TZUCleanResult CleanZipName(std::string_view name, TZUCleanForm form, std::string& cleaned);

// "CON", "PRN", "AUX", "NUL", "COM1".."COM9", "LPT1".."LPT9", alone or
// followed by "." (letters compared without regard to case).
bool IsReservedDeviceName(std::string_view part);

// True for a name that starts with a drive ("X:"), a root "\" or a network path.
bool IsRootedName(std::string_view cleaned);

}  // namespace vorn
