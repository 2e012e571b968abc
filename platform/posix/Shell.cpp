// The shell services: the file operation with wildcards, the special
// folders and the program start.
//
// ShellFileOp behaves as the Windows shell's file operation with only the
// no-confirmation flag: every question the shell would ask (replace a file,
// replace a read-only file, create the target folder) is answered yes; an
// error is shown once, with the shell's wording, and ends the operation
// with the items done so far left in place.
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
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/WinPath.h"
#include "platform/Wildcard.h"

extern char** environ;

namespace fs = std::filesystem;

namespace vorn {

namespace {

// The shell's own result codes for failures that have no system error code.
constexpr int DE_SAMEFILE = 0x71;
constexpr int DE_MANYSRC1DEST = 0x72;
constexpr int DE_ROOTDIR = 0x74;
constexpr int DE_DESTSUBTREE = 0x76;
constexpr int DE_PATHTOODEEP = 0x79;
constexpr int DE_FLDDESTISFILE = 0x7E;
constexpr int DE_FILEDESTISFLD = 0x80;

// Folders nested deeper than this are not copied (a link loop would never end).
constexpr int kMaxDepth = 128;

std::mutex presenterMutex;
ShellMessagePresenter presenter;
IShellProgressWindow* progressWindow = nullptr;
std::thread::id progressThread;
ShellClock shellClock;

void Present(const std::string& caption, const std::string& text) {
  ShellMessagePresenter current;
  {
    std::lock_guard lock(presenterMutex);
    current = presenter;
  }
  if (current) {
    current(caption, text);
  } else {
    std::cerr << caption << ": " << text << std::endl;
  }
}

enum class Operation { None = 0, Move = 1, Copy = 2, Delete = 3, Rename = 4 };

// The progress window of one operation: opened once the operation has
// lasted ShellProgressDelay, then updated, and the windows kept painting, at
// every file and block; closed at the end.
class ProgressReport {
 public:
  explicit ProgressReport(Operation operation) : operation_(operation) {
    std::lock_guard lock(presenterMutex);
    if (progressWindow && progressThread == std::this_thread::get_id()) window_ = progressWindow;
    clock_ = shellClock;
    start_ = Now();
  }
  ~ProgressReport() {
    if (open_) window_->Close();
  }
  ProgressReport(const ProgressReport&) = delete;
  ProgressReport& operator=(const ProgressReport&) = delete;

  bool Shown() const { return window_ != nullptr; }
  void SetTotal(int64_t total) { total_ = total; }
  void Item(const std::string& path) {
    item_ = path;
    Tick();
  }
  void Done(int64_t amount) {
    done_ += amount;
    Tick();
  }

 private:
  std::chrono::steady_clock::time_point Now() const {
    return clock_ ? clock_() : std::chrono::steady_clock::now();
  }

  const char* Title() const {
    switch (operation_) {
      case Operation::Copy: return "Copying...";
      case Operation::Move: return "Moving...";
      case Operation::Delete: return "Deleting...";
      case Operation::Rename: return "Renaming...";
      case Operation::None: break;
    }
    return "";
  }

  void Tick() {
    if (!window_) return;
    if (!open_) {
      if (Now() - start_ < ShellProgressDelay) return;
      open_ = true;
      window_->Open(Title());
    }
    window_->Update(item_, done_, total_);
    window_->KeepAlive();
  }

  Operation operation_;
  IShellProgressWindow* window_ = nullptr;
  ShellClock clock_;
  std::chrono::steady_clock::time_point start_;
  bool open_ = false;
  std::string item_;
  int64_t done_ = 0;
  int64_t total_ = 0;
};

Operation OperationFromText(const std::string& text) {
  if (text == "Copy") return Operation::Copy;
  if (text == "Move") return Operation::Move;
  if (text == "Delete") return Operation::Delete;
  if (text == "Rename") return Operation::Rename;
  return Operation::None;
}

// Blank as the shell's callers test it: nothing but spaces and control characters.
bool IsBlank(const std::string& text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) > ' ') return false;
  }
  return true;
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find('\0', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) names.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

struct Item {
  std::string Path;  // full Windows path
  bool IsDirectory = false;
};

class FileOperation {
 public:
  explicit FileOperation(Operation operation) : operation_(operation), progress_(operation) {}

  int Run(const std::string& source, const std::string& target) {
    std::vector<Item> items;
    bool wildcard = false;
    for (const auto& name : SplitList(source)) {
      if (const int code = Expand(name, items, wildcard); code != 0) return code;
    }
    if (items.empty()) return 0;  // a pattern that matches nothing leaves nothing to do
    if (progress_.Shown() && (operation_ == Operation::Copy || operation_ == Operation::Move)) {
      progress_.SetTotal(TotalSize(items));
    }
    switch (operation_) {
      case Operation::Delete:
        for (const auto& item : items) {
          if (const int code = Delete(item); code != 0) return code;
        }
        return 0;
      case Operation::Rename:
        return Rename(items, SplitList(target).front());
      case Operation::Copy:
      case Operation::Move:
        return Transfer(items, SplitList(target).front(), wildcard);
      case Operation::None:
        break;
    }
    return ERROR_INVALID_PARAMETER;
  }

 private:
  const char* Verb() const {
    switch (operation_) {
      case Operation::Copy: return "copy";
      case Operation::Move: return "move";
      case Operation::Delete: return "delete";
      case Operation::Rename: return "rename";
      case Operation::None: break;
    }
    return "";
  }

  const char* Caption() const {
    switch (operation_) {
      case Operation::Copy: return "Error Copying File or Folder";
      case Operation::Move: return "Error Moving File or Folder";
      case Operation::Delete: return "Error Deleting File or Folder";
      case Operation::Rename: return "Error Renaming File or Folder";
      case Operation::None: break;
    }
    return "";
  }

  int Report(int code, const std::string& path, const std::string& reason) const {
    Present(Caption(), std::string("Cannot ") + Verb() + " " + ExtractFileName(ExcludeTrailingBackslash(path)) +
                           ": " + reason);
    return code;
  }

  int Report(int code, const std::string& path) const { return Report(code, path, SysErrorMessage(code)); }

  // The items a source names: the matches of a wildcard in its last part,
  // or the one file or folder it names.
  int Expand(const std::string& name, std::vector<Item>& items, bool& wildcard) {
    const std::string full = FullWinPath(name);
    const std::string pattern = ExtractFileName(full);
    if (HasWildcards(pattern)) {
      wildcard = true;
      const std::string folder = ExtractFilePath(full);
      if (HasWildcards(folder) || !DirectoryExists(folder)) return Report(ERROR_PATH_NOT_FOUND, full);
      for (const auto& entry : ListDirectory(folder)) {
        if (WildcardMatch(pattern, entry.Name)) items.push_back({folder + entry.Name, entry.IsDirectory});
      }
      return 0;
    }
    const uint32_t attributes = GetFileAttributes(full);
    if (attributes == INVALID_FILE_ATTRIBUTES) return Report(ERROR_FILE_NOT_FOUND, full);
    // A whole drive is never copied, moved or deleted as one item.
    if (full.size() == 3 && full[1] == ':') return Report(DE_ROOTDIR, full, "The folder is the root of a drive.");
    items.push_back({ExcludeTrailingBackslash(full), (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    return 0;
  }

  // Removes a file or a whole folder; read-only files go too (the question
  // the shell would ask is answered yes). Links are removed, not followed.
  int Delete(const Item& item) {
    const auto host = ToHostPath(item.Path);
    if (!host) return Report(ERROR_PATH_NOT_FOUND, item.Path);
    std::error_code error;
    const auto status = fs::symlink_status(*host, error);
    if (error) return Report(ERROR_FILE_NOT_FOUND, item.Path);
    progress_.Item(item.Path);
    if (fs::is_directory(status)) {
      RemoveTree(*host, item.Path, error);
    } else {
      fs::remove(*host, error);
      progress_.Done(1);
    }
    if (error) return Report(WinErrorFromErrno(error.value()), item.Path);
    return 0;
  }

  int Rename(const std::vector<Item>& items, const std::string& target) {
    if (items.size() > 1) {
      return Report(DE_MANYSRC1DEST, items.front().Path, "There are multiple files for one destination.");
    }
    const Item& item = items.front();
    // A bare new name stays in the folder of the source.
    const std::string newPath = target.find_first_of("\\/:") == std::string::npos
                                    ? FullWinPath(ExtractFilePath(item.Path) + target)
                                    : FullWinPath(target);
    if (!MoveFile(item.Path, newPath, false)) return Report(GetLastError(), item.Path);
    return 0;
  }

  int Transfer(const std::vector<Item>& items, const std::string& target, bool wildcard) {
    const std::string targetFull = FullWinPath(target);
    const bool intoFolder = DirectoryExists(targetFull) || wildcard || items.size() > 1 ||
                            (!targetFull.empty() && targetFull.back() == '\\');
    const std::string folder = intoFolder ? ExcludeTrailingBackslash(targetFull)
                                          : ExcludeTrailingBackslash(ExtractFilePath(targetFull));
    if (!DirectoryExists(folder) && !ForceDirectories(folder)) return Report(GetLastError(), targetFull);
    for (const auto& item : items) {
      const std::string destination =
          intoFolder ? IncludeTrailingBackslash(folder) + ExtractFileName(item.Path) : targetFull;
      if (const int code = TransferItem(item, destination, 0); code != 0) return code;
    }
    return 0;
  }

  int TransferItem(const Item& item, const std::string& destination, int depth) {
    if (depth > kMaxDepth) return Report(DE_PATHTOODEEP, item.Path, "The path is too deep.");
    FileInfo sourceInfo, targetInfo;
    if (!GetFileInfo(item.Path, sourceInfo)) return Report(GetLastError(), item.Path);
    const bool targetExists = GetFileInfo(destination, targetInfo);
    if (targetExists && targetInfo.VolumeSerialNumber == sourceInfo.VolumeSerialNumber &&
        targetInfo.FileIndex == sourceInfo.FileIndex) {
      // The same file, unless only the letter case of a move's name differs.
      if (operation_ == Operation::Move && !item.IsDirectory &&
          ExtractFileName(item.Path) != ExtractFileName(destination)) {
        return MoveFile(item.Path, destination, false) ? 0 : Report(GetLastError(), item.Path);
      }
      return Report(DE_SAMEFILE, item.Path, "The source and destination file names are the same.");
    }
    if (item.IsDirectory) return TransferFolder(item, destination, targetExists, targetInfo, depth);
    if (targetExists) {
      if (targetInfo.Attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return Report(DE_FILEDESTISFLD, item.Path, "There is already a folder with the same name.");
      }
      // Replacing a read-only file is allowed once the question is answered yes.
      if (targetInfo.Attributes & FILE_ATTRIBUTE_READONLY) {
        SetFileAttributes(destination, targetInfo.Attributes & ~FILE_ATTRIBUTE_READONLY);
      }
    }
    progress_.Item(item.Path);
    bool done = false;
    if (operation_ == Operation::Copy) {
      done = CopyFile(item.Path, destination, true, [this](int64_t bytes) { progress_.Done(bytes); });
    } else {
      done = MoveFile(item.Path, destination, true);
      if (done) progress_.Done(static_cast<int64_t>(sourceInfo.Size));
    }
    return done ? 0 : Report(GetLastError(), item.Path);
  }

  int TransferFolder(const Item& item, const std::string& destination, bool targetExists,
                     const FileInfo& targetInfo, int depth) {
    if (targetExists && !(targetInfo.Attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return Report(DE_FLDDESTISFILE, item.Path, "There is already a file with the same name.");
    }
    const std::string sourceSlash = FoldCase(IncludeTrailingBackslash(item.Path));
    if (FoldCase(IncludeTrailingBackslash(destination)).starts_with(sourceSlash)) {
      return Report(DE_DESTSUBTREE, item.Path, "The destination folder is a subfolder of the source folder.");
    }
    // A folder moved to a free name on the same volume goes in one step.
    if (operation_ == Operation::Move && !targetExists) {
      if (MoveFile(item.Path, destination, false)) return 0;
      if (GetLastError() != ERROR_NOT_SAME_DEVICE) return Report(GetLastError(), item.Path);
    }
    if (!targetExists && !CreateDir(destination)) return Report(GetLastError(), destination);
    const uint32_t attributes = GetFileAttributes(item.Path);
    if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributes(destination, attributes);
    for (const auto& entry : ListDirectory(item.Path)) {
      const Item child{item.Path + "\\" + entry.Name, entry.IsDirectory};
      if (const int code = TransferItem(child, destination + "\\" + entry.Name, depth + 1); code != 0) return code;
    }
    if (operation_ == Operation::Move && !RemoveDir(item.Path)) return Report(GetLastError(), item.Path);
    return 0;
  }

  // The bytes of the files the items hold, links not followed.
  static int64_t TotalSize(const std::vector<Item>& items) {
    int64_t total = 0;
    for (const auto& item : items) {
      const auto host = ToHostPath(item.Path);
      if (!host) continue;
      std::error_code error;
      if (!item.IsDirectory) {
        const auto size = fs::file_size(*host, error);
        if (!error) total += static_cast<int64_t>(size);
        continue;
      }
      for (auto it = fs::recursive_directory_iterator(*host, fs::directory_options::skip_permission_denied, error);
           !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::error_code sizeError;
        if (it->is_regular_file(sizeError) && !it->is_symlink(sizeError)) {
          const auto size = it->file_size(sizeError);
          if (!sizeError) total += static_cast<int64_t>(size);
        }
      }
    }
    return total;
  }

  // Removes a folder's contents one by one, so that the progress moves.
  void RemoveTree(const fs::path& host, const std::string& path, std::error_code& error) {
    std::vector<fs::directory_entry> entries;
    for (auto it = fs::directory_iterator(host, error); !error && it != fs::directory_iterator(); it.increment(error)) {
      entries.push_back(*it);
    }
    if (error) return;
    for (const auto& entry : entries) {
      const std::string child = path + "\\" + entry.path().filename().string();
      const auto status = entry.symlink_status(error);
      if (error) return;
      if (fs::is_directory(status)) {
        RemoveTree(entry.path(), child, error);
      } else {
        progress_.Item(child);
        fs::remove(entry.path(), error);
        progress_.Done(1);
      }
      if (error) return;
    }
    fs::remove(host, error);
  }

  Operation operation_;
  ProgressReport progress_;
};

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

int ShellFileOp(int owner, const std::string& source, const std::string& target, const std::string& operation) {
  (void)owner;  // the callers pass a fixed value, not a window
  if (IsBlank(source) || IsBlank(target)) return -1;
  const Operation code = OperationFromText(operation);
  if (code == Operation::None) return ERROR_INVALID_PARAMETER;
  return FileOperation(code).Run(source, target);
}

void SetShellMessagePresenter(ShellMessagePresenter newPresenter) {
  std::lock_guard lock(presenterMutex);
  presenter = std::move(newPresenter);
}

void SetShellProgressWindow(IShellProgressWindow* window) {
  std::lock_guard lock(presenterMutex);
  progressWindow = window;
  progressThread = std::this_thread::get_id();
}

void SetShellClock(ShellClock clock) {
  std::lock_guard lock(presenterMutex);
  shellClock = std::move(clock);
}

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
