#include "tests/support/RunCommand.h"

#ifdef _WIN32
#include <windows.h>

#include <thread>
#include <vector>

#include "tests/support/Environment.h"
#else
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#endif

namespace vorn::test {

std::string ToolProgram(const std::string& name) {
#ifdef _WIN32
  return std::string(VORN_TEST_BUILD_DIR) + "/tools/" + name + ".exe";
#else
  return std::string(VORN_TEST_BUILD_DIR) + "/tools/" + name;
#endif
}

#ifndef _WIN32

unsigned CurrentProcessId() { return static_cast<unsigned>(getpid()); }

unsigned EndedProcessId() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  if (child > 0) waitpid(child, nullptr, 0);
  return static_cast<unsigned>(child);
}

CommandRun RunCommand(const std::string& command) {
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

#else

namespace {

// Splits the command into words as a POSIX shell would, except that a
// backslash outside quotes is an ordinary character.
std::vector<std::string> Words(const std::string& command) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (size_t i = 0; i < command.size(); ++i) {
    const char c = command[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else if (c == '\'') {
      inWord = true;
      const size_t end = command.find('\'', i + 1);
      word += command.substr(i + 1, end - i - 1);
      i = end == std::string::npos ? command.size() : end;
    } else if (c == '"') {
      inWord = true;
      for (++i; i < command.size() && command[i] != '"'; ++i) {
        if (command[i] == '\\' && i + 1 < command.size() && (command[i + 1] == '"' || command[i + 1] == '\\')) ++i;
        word += command[i];
      }
    } else {
      inWord = true;
      word += c;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

// One argument of a Windows command line, quoted so that the C runtime's
// parser gives it back unchanged.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

struct Handle {
  HANDLE Value = nullptr;
  ~Handle() {
    if (Value != nullptr && Value != INVALID_HANDLE_VALUE) CloseHandle(Value);
  }
};

}  // namespace

CommandRun RunCommand(const std::string& command) {
  CommandRun run;
  std::vector<std::string> words = Words(command);
  DWORD limit = INFINITE;
  if (words.size() >= 2 && words[0] == "timeout") {
    limit = static_cast<DWORD>(std::stoul(words[1]) * 1000);
    words.erase(words.begin(), words.begin() + 2);
  }
  enum class Errors { Inherited, Merged, Discarded } errors = Errors::Inherited;
  while (!words.empty() && (words.back() == "2>&1" || words.back() == "2>/dev/null")) {
    errors = words.back() == "2>&1" ? Errors::Merged : Errors::Discarded;
    words.pop_back();
  }
  if (words.empty()) return run;
  for (char& c : words[0]) {
    if (c == '/') c = '\\';
  }
  std::wstring line;
  for (const std::string& word : words) line += (line.empty() ? L"" : L" ") + Quoted(Wide(word));

  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle readEnd, writeEnd, nul;
  if (!CreatePipe(&readEnd.Value, &writeEnd.Value, &inherit, 0)) return run;
  SetHandleInformation(readEnd.Value, HANDLE_FLAG_INHERIT, 0);
  nul.Value = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                          OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul.Value;
  startup.hStdOutput = writeEnd.Value;
  startup.hStdError = errors == Errors::Merged      ? writeEnd.Value
                      : errors == Errors::Discarded ? nul.Value
                                                    : GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    return run;
  }
  Handle processHandle, threadHandle;
  processHandle.Value = process.hProcess;
  threadHandle.Value = process.hThread;
  CloseHandle(writeEnd.Value);
  writeEnd.Value = nullptr;

  // The pipe ends when the program does; a program past its limit is ended.
  std::thread watchdog([&] {
    if (WaitForSingleObject(process.hProcess, limit) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 124);
  });
  char buffer[4096];
  DWORD count = 0;
  while (ReadFile(readEnd.Value, buffer, sizeof buffer, &count, nullptr) && count > 0) run.Output.append(buffer, count);
  watchdog.join();
  DWORD status = 0;
  if (GetExitCodeProcess(process.hProcess, &status)) run.Status = static_cast<int>(status);
  return run;
}

unsigned CurrentProcessId() { return GetCurrentProcessId(); }

unsigned EndedProcessId() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  wchar_t line[] = L"cmd.exe /c exit 0";
  if (!CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process))
    return 0;
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return process.dwProcessId;
}

#endif

}  // namespace vorn::test
