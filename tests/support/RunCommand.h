// Runs a shell command and gathers what it prints, for the tests that drive
// the tools as a technician would.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace vorn::test {

struct CommandRun {
  std::string Output;
  int Status = -1;  // the exit status; -1 when the command did not exit normally
};

inline CommandRun RunCommand(const std::string& command) {
  CommandRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t count = 0;
  while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.Output.append(buffer, count);
  const int status = pclose(pipe);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace vorn::test
