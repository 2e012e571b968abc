// Runs a command and gathers what it prints, for the tests that drive the
// tools as a technician would. The command is written as for a POSIX shell:
// words, 'single' and "double" quotes, and at the end "2>&1" or "2>/dev/null".
// On Debian the shell runs it; on Windows it is split the same way and the
// program started directly (backslashes outside quotes are kept, as in
// Windows paths), with a leading "timeout SECONDS" as the time limit.
#pragma once

#include <string>

namespace vorn::test {

struct CommandRun {
  std::string Output;
  int Status = -1;  // the exit status; -1 when the command did not exit normally
};

CommandRun RunCommand(const std::string& command);

// The built tool NAME (tools/NAME, with ".exe" on Windows).
std::string ToolProgram(const std::string& name);

// This process's id, and the id of a process that ran and has ended.
unsigned CurrentProcessId();
unsigned EndedProcessId();

}  // namespace vorn::test
