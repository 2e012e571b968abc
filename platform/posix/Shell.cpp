// The shell services on a POSIX host: the special folders and the program
// start (the file operation is the same on every host: ShellFileOp.cpp).
#include "platform/Shell.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/WinPath.h"
#include "platform/Wildcard.h"

extern char** environ;

namespace fs = std::filesystem;

namespace vorn {

namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home && *home ? home : "/";
}

// The desktop entry of the XDG user-dirs file, if set: "$HOME/..." or an absolute path.
std::optional<fs::path> UserDirsDesktop() {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  const fs::path config = configHome && *configHome ? fs::path(configHome) : fs::path(HomeFolder()) / ".config";
  std::ifstream file(config / "user-dirs.dirs");
  std::string line;
  while (std::getline(file, line)) {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    if (line.compare(start, 16, "XDG_DESKTOP_DIR=") != 0) continue;
    std::string value = line.substr(start + 16);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (value == "$HOME") return fs::path(HomeFolder());
    if (value.starts_with("$HOME/")) return fs::path(HomeFolder()) / value.substr(6);
    if (!value.empty() && value.front() == '/') return fs::path(value);
  }
  return std::nullopt;
}

// Splits a parameter text into arguments as a Windows program's start-up
// code does: blanks separate, double quotes group, a backslash escapes a
// quote, and 2n backslashes before a quote stand for n.
std::vector<std::string> SplitParameters(const std::string& text) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\') {
      size_t count = 0;
      while (i < text.size() && text[i] == '\\') {
        ++count;
        ++i;
      }
      if (i < text.size() && text[i] == '"') {
        current.append(count / 2, '\\');
        if (count % 2 == 1) {
          current += '"';
        } else {
          quoted = !quoted;
        }
      } else {
        current.append(count, '\\');
        --i;
      }
      inArgument = true;
    } else if (c == '"') {
      quoted = !quoted;
      inArgument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inArgument) arguments.push_back(current);
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) arguments.push_back(current);
  return arguments;
}

// True when the file is something to run rather than a document to open.
bool LooksLikeProgram(const fs::path& host, const struct stat& info) {
  if (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) return true;
  std::string extension = FoldCase(host.extension().string());
  if (extension == ".exe" || extension == ".com" || extension == ".bat" || extension == ".cmd" ||
      extension == ".sh") {
    return true;
  }
  char head[4] = {};
  std::ifstream file(host, std::ios::binary);
  file.read(head, sizeof head);
  return (file.gcount() >= 2 && head[0] == '#' && head[1] == '!') ||
         (file.gcount() == 4 && std::memcmp(head, "\x7F" "ELF", 4) == 0);
}

// The first program of that name along PATH, if any.
std::optional<std::string> FindInPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string list = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    const std::string candidate = list.substr(start, end - start) + "/" + name;
    if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

// Starts argv in its own session, detached (the middle process ends at
// once, so no zombie is left), with the standard streams on /dev/null.
// Returns 0 once the program runs, or the errno of the failed start.
int SpawnDetached(const std::vector<std::string>& arguments, const std::string& folder) {
  // Everything the children need is prepared here: between fork and exec
  // only async-signal-safe calls are made.
  std::vector<char*> argv;
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return errno;
  const pid_t middle = fork();
  if (middle < 0) {
    const int error = errno;
    close(report[0]);
    close(report[1]);
    return error;
  }
  if (middle == 0) {
    setsid();
    const pid_t child = fork();
    if (child != 0) _exit(child < 0 ? 1 : 0);
    // The program gets none of our files or sockets (those without
    // close-on-exec would otherwise leak into it).
    close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
      if (null > 2) close(null);
    }
    int error = 0;
    if (!folder.empty() && chdir(folder.c_str()) != 0) {
      error = errno;
    } else {
      execv(argv[0], argv.data());
      error = errno;
    }
    (void)!write(report[1], &error, sizeof error);
    _exit(127);
  }
  close(report[1]);
  int status = 0;
  while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  // The write end closes on a successful exec (close-on-exec) or after the report.
  int error = 0;
  ssize_t got;
  while ((got = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  close(report[0]);
  if (got == static_cast<ssize_t>(sizeof error)) return error;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return EAGAIN;
  return 0;
}

int StartError(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case ENOEXEC: return ERROR_BAD_FORMAT;
    case ENOMEM:
    case EAGAIN: return 0;  // out of memory or resources, as the shell reports it
    default: return ERROR_ACCESS_DENIED;
  }
}

}  // namespace

std::string GetTempFolder() {
  const char* setting = std::getenv("TMPDIR");
  const fs::path folder = setting && *setting ? fs::path(setting) : fs::path("/tmp");
  return IncludeTrailingBackslash(ToWinPath(folder));
}

std::string GetDesktopFolder() {
  fs::path desktop = UserDirsDesktop().value_or(fs::path(HomeFolder()) / "Desktop");
  // Windows always has a desktop folder; here a fresh account may lack it,
  // and copies onto the desktop must land inside it, not replace it.
  std::error_code error;
  if (!fs::exists(desktop, error) && fs::is_directory(desktop.parent_path(), error)) {
    fs::create_directory(desktop, error);
  }
  return ExcludeTrailingBackslash(ToWinPath(desktop));
}

std::string GetProgramFolder() {
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (error) return IncludeTrailingBackslash(GetCurrentDir());
  return IncludeTrailingBackslash(ToWinPath(program.parent_path()));
}

int ShellExecute(const std::string& file, const std::string& parameters, const std::string& directory) {
  const auto host = file.empty() ? std::nullopt : ToHostPath(file);
  if (!host) return ERROR_FILE_NOT_FOUND;
  struct stat info {};
  if (stat(host->c_str(), &info) != 0) return errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  std::string folder;
  if (!directory.empty()) {
    const auto hostFolder = ToHostPath(directory);
    struct stat folderInfo {};
    if (!hostFolder || stat(hostFolder->c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode)) {
      return ERROR_PATH_NOT_FOUND;
    }
    folder = hostFolder->string();
  }
  std::vector<std::string> arguments;
  if (!S_ISDIR(info.st_mode) && LooksLikeProgram(*host, info)) {
    // Zip tools do not always keep the execute bits: restore them where
    // the read bits are, as the file's owner would.
    if ((info.st_mode & S_IXUSR) == 0) {
      const mode_t readBits = info.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
      chmod(host->c_str(), (info.st_mode & 07777) | S_IXUSR | (readBits >> 2));
    }
    arguments.push_back(host->string());
    for (auto& argument : SplitParameters(parameters)) arguments.push_back(std::move(argument));
  } else {
    // A document or a folder opens in the desktop's program for it.
    const auto opener = FindInPath("xdg-open");
    if (!opener) return 31;  // no program is associated with the file
    arguments = {*opener, host->string()};
  }
  const int error = SpawnDetached(arguments, folder);
  return error == 0 ? 42 : StartError(error);
}

uint32_t GetCurrentProcessId() { return static_cast<uint32_t>(getpid()); }

bool ProcessIsRunning(uint32_t processId) {
  if (processId == 0 || processId > static_cast<uint32_t>(INT32_MAX)) return false;
  return kill(static_cast<pid_t>(processId), 0) == 0 || errno != ESRCH;
}

}  // namespace vorn
