#include "tests/support/HostShell.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "tests/support/Environment.h"

namespace vorn::test {

std::string HostPath(const std::filesystem::path& path) {
  std::string text = PathText(path);
#ifdef _WIN32
  if (text.size() >= 2 && (text[0] == 'Z' || text[0] == 'z') && text[1] == ':') text.erase(0, 2);
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
#endif
  return text;
}

std::string BashQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

CommandRun RunHostScript(const std::string& script) {
#ifdef _WIN32
  // Under wine a host program's standard output does not reach a Windows
  // pipe, nor its exit status the process handle: bash writes both to files
  // of its own, which are read once the status is there.
  static int runs = 0;
  const std::filesystem::path base =
      std::filesystem::path(L"Z:\\tmp") / ("vorn-host-" + std::to_string(CurrentProcessId()) + "-" + std::to_string(++runs));
  const std::string out = HostPath(base) + ".out", status = HostPath(base) + ".status";
  const std::string wrapped = "( " + script + "\n) >" + BashQuoted(out) + "; echo $? >" + BashQuoted(status + ".tmp") +
                              "; mv " + BashQuoted(status + ".tmp") + " " + BashQuoted(status);
  // RunCommand's own splitting: inside double quotes only \" and \\ are special.
  std::string escaped;
  for (const char c : wrapped) {
    if (c == '"' || c == '\\') escaped += '\\';
    escaped += c;
  }
  RunCommand("Z:/usr/bin/bash -c \"" + escaped + "\"");
  CommandRun run;
  std::filesystem::path statusFile = base;
  statusFile += ".status";
  std::filesystem::path outFile = base;
  outFile += ".out";
  for (int i = 0; i < 60000 && !std::filesystem::exists(statusFile); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::ifstream statusText(statusFile);
  if (!(statusText >> run.Status)) run.Status = -1;
  statusText.close();
  std::ifstream outText(outFile, std::ios::binary);
  run.Output.assign(std::istreambuf_iterator<char>(outText), std::istreambuf_iterator<char>());
  outText.close();
  std::error_code ignored;
  std::filesystem::remove(statusFile, ignored);
  std::filesystem::remove(outFile, ignored);
  return run;
#else
  return RunCommand("/bin/bash -c " + BashQuoted(script));
#endif
}

BackgroundScript::BackgroundScript(const std::string& script, std::filesystem::path output)
    : output_(std::move(output)) {
  std::filesystem::remove(output_);
  const CommandRun run = RunHostScript(script + " >" + BashQuoted(HostPath(output_)) + " 2>" +
                                       BashQuoted(HostPath(output_) + ".err") + " </dev/null & echo $!");
  std::istringstream(run.Output) >> pid_;
  if (run.Status != 0 || pid_.empty()) throw std::runtime_error("cannot start: " + script);
}

BackgroundScript::~BackgroundScript() {
  // Waited for until it is gone or a zombie nobody has reaped yet.
  RunHostScript("kill " + pid_ + " 2>/dev/null; for i in $(seq 250); do kill -0 " + pid_ +
                " 2>/dev/null || exit 0; [ \"$(ps -o stat= -p " + pid_ +
                " | cut -c1)\" = Z ] && exit 0; sleep 0.02; done; kill -9 " + pid_ + " 2>/dev/null; exit 0");
}

std::string BackgroundScript::FirstLine(std::chrono::milliseconds within) const {
  const auto deadline = std::chrono::steady_clock::now() + within;
  while (true) {
    std::ifstream file(output_, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (const size_t end = text.find('\n'); end != std::string::npos) {
      text.resize(end);
      if (!text.empty() && text.back() == '\r') text.pop_back();
      return text;
    }
    if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("no line from the background script");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace vorn::test
