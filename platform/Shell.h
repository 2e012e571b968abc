// The Windows shell services: file operations with wildcards, the user's
// special folders, and starting a program.
#pragma once

#include <functional>
#include <string>

namespace vorn {

// Copy, move, delete or rename with wildcards, as the shell's file operation:
//   - operation "Copy", "Move", "Delete" or "Rename", compared exactly; any
//     other text is refused with a non-zero result;
//   - source may end in a pattern with "*" and "?" (letter case ignored;
//     "*.*" matches every name, names without a dot too);
//   - copy and move into an existing folder put the matches inside it;
//     an existing target is replaced without a question;
//   - returns -1 when source or target is blank (blanks only), 0 on success,
//     a non-zero code otherwise. The shell's own error messages (a missing
//     source, access denied) are shown through the presenter below.
int ShellFileOp(int owner, const std::string& source, const std::string& target,
                const std::string& operation);

// Where the shell shows its own error messages. The front end installs a
// modal message box; without one, messages go to standard error.
using ShellMessagePresenter = std::function<void(const std::string& caption, const std::string& text)>;
void SetShellMessagePresenter(ShellMessagePresenter presenter);

// The user's temporary folder (TMPDIR or /tmp) as a Windows path ending in "\".
std::string GetTempFolder();
// The desktop folder of the user (the XDG user-dirs setting, else $HOME/Desktop),
// without a trailing backslash.
std::string GetDesktopFolder();
// The folder of the running program, ending in "\".
std::string GetProgramFolder();

// Starts a file detached and returns at once, as ShellExecuteW with "open":
// a value above 32 on success, else a Windows error code (2 file not found,
// 5 access denied, ...). A file without execute permission is made
// executable first (zip tools do not always keep the mode).
int ShellExecute(const std::string& file, const std::string& parameters = "",
                 const std::string& directory = "");

}  // namespace vorn
