// The shell's file operation with wildcards, over the file services of
// FileSystem.h, the same on every host.
//
// ShellFileOp behaves as the Windows shell's file operation with only the
// no-confirmation flag: every question the shell would ask (replace a file,
// replace a read-only file, create the target folder) is answered yes; an
// error is shown once, with the shell's wording, and ends the operation
// with the items done so far left in place.
#include "platform/Shell.h"

#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/WinPath.h"
#include "platform/Wildcard.h"

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
  bool IsLink = false;  // removed itself, never followed
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
        if (WildcardMatch(pattern, entry.Name)) items.push_back({folder + entry.Name, entry.IsDirectory, entry.IsLink});
      }
      return 0;
    }
    const uint32_t attributes = GetFileAttributes(full);
    if (attributes == INVALID_FILE_ATTRIBUTES) return Report(ERROR_FILE_NOT_FOUND, full);
    // A whole drive is never copied, moved or deleted as one item.
    if (full.size() == 3 && full[1] == ':') return Report(DE_ROOTDIR, full, "The folder is the root of a drive.");
    const std::string path = ExcludeTrailingBackslash(full);
    items.push_back({path, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, IsLink(path)});
    return 0;
  }

  // Removes a file or a whole folder; read-only files go too (the question
  // the shell would ask is answered yes). Links are removed, not followed.
  int Delete(const Item& item) {
    progress_.Item(item.Path);
    if (item.IsDirectory && !item.IsLink) {
      if (!RemoveTree(item.Path, 0)) return Report(GetLastError(), item.Path);
      return 0;
    }
    if (!RemoveOne(item)) return Report(GetLastError(), item.Path);
    progress_.Done(1);
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
      if (item.IsLink) continue;
      total += item.IsDirectory ? FolderSize(item.Path, 0) : FileSize(item.Path);
    }
    return total;
  }

  static int64_t FileSize(const std::string& path) {
    FileInfo info;
    return GetFileInfo(path, info) ? static_cast<int64_t>(info.Size) : 0;
  }

  static int64_t FolderSize(const std::string& folder, int depth) {
    int64_t total = 0;
    if (depth > kMaxDepth) return total;
    for (const auto& entry : ListDirectory(folder)) {
      if (entry.IsLink) continue;
      const std::string child = folder + "\\" + entry.Name;
      total += entry.IsDirectory ? FolderSize(child, depth + 1) : FileSize(child);
    }
    return total;
  }

  // A file, or a link of any kind; a read-only file loses the mark first.
  static bool RemoveOne(const Item& item) {
    if (item.IsLink) return RemoveLink(item.Path);
    const uint32_t attributes = GetFileAttributes(item.Path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
      SetFileAttributes(item.Path, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    return DeleteFile(item.Path);
  }

  // Removes a folder's contents one by one, so that the progress moves.
  bool RemoveTree(const std::string& folder, int depth) {
    if (depth > kMaxDepth) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return false;
    }
    SetLastError(0);
    const std::vector<DirEntry> entries = ListDirectory(folder);
    if (entries.empty() && GetLastError() != 0) return false;
    for (const auto& entry : entries) {
      const Item child{folder + "\\" + entry.Name, entry.IsDirectory, entry.IsLink};
      if (child.IsDirectory && !child.IsLink) {
        if (!RemoveTree(child.Path, depth + 1)) return false;
        continue;
      }
      progress_.Item(child.Path);
      if (!RemoveOne(child)) return false;
      progress_.Done(1);
    }
    // Windows keeps a read-only folder from being removed.
    const uint32_t attributes = GetFileAttributes(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
      SetFileAttributes(folder, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    return RemoveDir(folder);
  }

  Operation operation_;
  ProgressReport progress_;
};

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

}  // namespace vorn
