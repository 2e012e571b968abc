// Runs bash scripts on the host for the tests that need a Debian program as
// a peer (the demo FTP server, the package maker, zip): on Debian through
// bash itself, in the Windows build under wine through Z:\usr\bin\bash, which
// wine starts as the host's program. Paths handed to a script go through
// HostPath.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include "tests/support/RunCommand.h"

namespace vorn::test {

// The path as the host's bash sees it: under wine drive Z: is the host's root.
std::string HostPath(const std::filesystem::path& path);

// The text single-quoted for bash.
std::string BashQuoted(const std::string& text);

// Runs the script with bash -c and gathers what it prints on standard output.
CommandRun RunHostScript(const std::string& script);

// One command left running in the background (its own process, so that
// it is the one ended), its standard output going to a
// file; ended (SIGTERM, then SIGKILL) and waited for when destroyed.
class BackgroundScript {
 public:
  // output: a file of the test's own for what the script prints.
  BackgroundScript(const std::string& script, std::filesystem::path output);
  ~BackgroundScript();
  BackgroundScript(const BackgroundScript&) = delete;
  BackgroundScript& operator=(const BackgroundScript&) = delete;

  // The first line the script printed, without its line end; raises
  // std::runtime_error when none came within the time.
  std::string FirstLine(std::chrono::milliseconds within = std::chrono::seconds(15)) const;

 private:
  std::filesystem::path output_;
  std::string pid_;
};

}  // namespace vorn::test
