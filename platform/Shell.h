// The Windows shell services: file operations with wildcards, the user's
// special folders, and starting a program.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/UserInterface.h"

namespace vorn {

// Copy, move, delete or rename with wildcards, as the shell's file operation:
//   - operation "Copy", "Move", "Delete" or "Rename", compared exactly; any
//     other text is refused with a non-zero result;
//   - source may end in a pattern with "*" and "?" (letter case ignored;
//     "*.*" matches every name, names without a dot too);
//   - copy and move into an existing folder put the matches inside it;
//     an existing target is replaced without a question;
//   - a pattern that matches nothing is done at once (0, no message); a
//     named file that is missing is an error;
//   - a folder source goes with everything in it; copy and move create a
//     missing target folder; delete removes read-only files too;
//   - rename takes one source; a bare new name stays in the source's folder,
//     and an existing name is not replaced;
//   - returns -1 when source or target is blank (blanks only), 0 on success,
//     a non-zero code otherwise (a Windows error code or the shell's own,
//     such as 0x71 for copying a file onto itself). The shell's own error
//     messages (a missing source, access denied) are shown through the
//     presenter below, once; the operation stops at the first error.
int ShellFileOp(int owner, const std::string& source, const std::string& target,
                const std::string& operation);

// Where the shell shows its own error messages. The front end installs a
// modal message box; without one, messages go to standard error.
using ShellMessagePresenter = std::function<void(const std::string& caption, const std::string& text)>;
void SetShellMessagePresenter(ShellMessagePresenter presenter);

// Where the shell shows its progress window for operations that last longer
// than ShellProgressDelay; null: none is shown. The window is used on the
// thread that installed it only.
void SetShellProgressWindow(IShellProgressWindow* window);
constexpr std::chrono::milliseconds ShellProgressDelay{1000};
// The clock that measures the delay; tests put in their own (null: the
// steady clock).
using ShellClock = std::function<std::chrono::steady_clock::time_point()>;
void SetShellClock(ShellClock clock);

// The user's temporary folder (GetTempPathW; on a POSIX host TMPDIR or /tmp)
// as a Windows path ending in "\".
std::string GetTempFolder();
// The desktop folder of the user (the shell's known folder; on a POSIX host
// the XDG user-dirs setting, else $HOME/Desktop), without a trailing
// backslash. Created when missing, as Windows always has one.
std::string GetDesktopFolder();
// The folder of the running program, ending in "\".
std::string GetProgramFolder();

// Starts a file detached and returns at once, as ShellExecuteW with "open":
// a value above 32 on success, else a Windows error code (2 file not found,
// 3 working folder not found, 5 access denied, 11 not a program of this
// host, 31 no program for a document); an empty directory keeps the current
// folder. On Windows a ".exe" or ".com" starts with CreateProcessW, anything
// else goes to ShellExecuteW. On a POSIX host a program (a ".exe", ".com",
// ".bat", ".cmd" or ".sh" name, a "#!" script, a host executable) without
// execute permission is made executable first (zip tools do not always keep
// the mode); parameters are split as a Windows program would split them;
// other files open through xdg-open.
int ShellExecute(const std::string& file, const std::string& parameters = "",
                 const std::string& directory = "");

// This process's identifier, and whether a process of that identifier still
// runs (a process that cannot be asked counts as running).
uint32_t GetCurrentProcessId();
bool ProcessIsRunning(uint32_t processId);

}  // namespace vorn
