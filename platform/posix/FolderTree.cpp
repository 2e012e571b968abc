// A folder tree walked with openat, one level at a time, never through a link.
#include "platform/FolderTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include "platform/WinPath.h"
#include "platform/Wildcard.h"

namespace vorn {

namespace {

// Folders kept open at once; past that the open ones (but the base) are
// closed and opened again when needed, far below the descriptor limit.
constexpr size_t kMaxOpenFolders = 128;

struct Name {
  std::string Actual;
  FolderTree::TKind Kind;
};

struct Folder {
  int Fd = -1;
  dev_t Device = 0;  // its file system, once asked
  bool Listed = false;
  std::unordered_multimap<std::string, Name> Names;  // by case-folded name
};

FolderTree::TKind KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return FolderTree::TKind::Folder;
  if (S_ISLNK(mode)) return FolderTree::TKind::Link;
  return FolderTree::TKind::File;
}

// The name parts of relative, split at "\\" and "/" alike: a "/" is never
// left inside a part for the kernel to follow. False, with GetLastError
// set, for a part "." or ".." (which would climb or stay) or holding a NUL.
bool SplitRelative(const std::string& relative, std::vector<std::string>& parts) {
  parts.clear();
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find_first_of("\\/", start);
    if (end == std::string::npos) end = relative.size();
    if (end > start) {
      std::string part = relative.substr(start, end - start);
      if (part == "." || part == ".." || part.find('\0') != std::string::npos) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
      }
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  return true;
}

bool Fail(int code) {
  SetLastError(code);
  return false;
}

}  // namespace

struct FolderTree::TState {
  std::string Base;
  // By the relative path of actual names ("" is the base).
  std::unordered_map<std::string, Folder> Folders;
  size_t Open = 0;
  // Whether the file system takes files without a name (O_TMPFILE); known
  // after the first try.
  bool Nameless = true;
  // Whether a nameless file can be linked by its descriptor alone (a
  // privilege), else through /proc.
  bool LinkByDescriptor = true;
  // The folder met last, by the text that named it: the files of an
  // archive come folder by folder, so most look-ups need no walk.
  std::string LastText;
  Folder* Last = nullptr;

  ~TState() {
    for (auto& [key, folder] : Folders) {
      if (folder.Fd >= 0) close(folder.Fd);
    }
  }

  // The base folder, open; created first when create is set and it is missing.
  Folder* OpenBase(bool create) {
    Folder& base = Folders[std::string()];
    if (base.Fd >= 0) return &base;
    const auto host = ToHostPath(Base);
    if (!host) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return nullptr;
    }
    base.Fd = open(host->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (base.Fd < 0 && errno == ENOENT && create && ForceDirectories(Base)) {
      base.Fd = open(host->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (base.Fd < 0) {
      SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : WinErrorFromErrno(errno));
      return nullptr;
    }
    return &base;
  }

  bool List(Folder& folder) {
    if (folder.Listed) return true;
    const int fd = openat(folder.Fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Fail(WinErrorFromErrno(errno));
    std::unique_ptr<DIR, int (*)(DIR*)> dir(fdopendir(fd), closedir);
    if (!dir) {
      close(fd);
      return Fail(WinErrorFromErrno(errno));
    }
    while (const dirent* entry = readdir(dir.get())) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      TKind kind = entry->d_type == DT_DIR ? TKind::Folder : entry->d_type == DT_LNK ? TKind::Link : TKind::File;
      if (entry->d_type == DT_UNKNOWN) {
        struct stat info {};
        if (fstatat(folder.Fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        kind = KindOf(info.st_mode);
      }
      folder.Names.emplace(FoldCase(name), Name{name, kind});
    }
    folder.Listed = true;
    return true;
  }

  // The name in folder for part: an exact match wins, else the smallest
  // variant of the same length, as the path look-ups choose.
  const Name* Find(Folder& folder, const std::string& part) {
    if (!List(folder)) return nullptr;
    const auto [first, last] = folder.Names.equal_range(FoldCase(part));
    const Name* best = nullptr;
    for (auto variant = first; variant != last; ++variant) {
      const Name& name = variant->second;
      if (name.Actual == part) return &name;
      if (name.Actual.size() == part.size() && (!best || name.Actual < best->Actual)) best = &name;
    }
    return best;
  }

  void Noted(Folder& folder, const std::string& actual, TKind kind) {
    if (!folder.Listed) return;
    std::string folded = FoldCase(actual);
    const auto [first, last] = folder.Names.equal_range(folded);
    for (auto variant = first; variant != last; ++variant) {
      if (variant->second.Actual == actual) {
        variant->second.Kind = kind;
        return;
      }
    }
    folder.Names.emplace(std::move(folded), Name{actual, kind});
  }

  void Forgotten(Folder& folder, const std::string& actual) {
    const auto [first, last] = folder.Names.equal_range(FoldCase(actual));
    for (auto variant = first; variant != last; ++variant) {
      if (variant->second.Actual == actual) {
        folder.Names.erase(variant);
        return;
      }
    }
  }

  // The folder of the first count parts, walked from the base; missing
  // levels are made when create is set. Null when a level is missing (and
  // not made), a file or a link.
  Folder* Walk(const std::vector<std::string>& parts, size_t count, bool create) {
    if (Open >= kMaxOpenFolders) {
      for (auto& [key, folder] : Folders) {
        if (!key.empty() && folder.Fd >= 0) {
          close(folder.Fd);
          folder.Fd = -1;
        }
      }
      Open = 0;
    }
    Folder* current = OpenBase(create);
    if (!current) return nullptr;
    std::string key;
    for (size_t i = 0; i < count; ++i) {
      const std::string& part = parts[i];
      const Name* found = Find(*current, part);
      if (!found && !List(*current)) return nullptr;
      std::string actual;
      bool made = false;
      if (found) {
        if (found->Kind != TKind::Folder) {
          SetLastError(found->Kind == TKind::Link ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
          return nullptr;
        }
        actual = found->Actual;
      } else {
        if (!create) {
          SetLastError(ERROR_PATH_NOT_FOUND);
          return nullptr;
        }
        if (mkdirat(current->Fd, part.c_str(), 0777) != 0) {
          SetLastError(WinErrorFromErrno(errno));
          return nullptr;
        }
        actual = part;
        made = true;
        Noted(*current, actual, TKind::Folder);
      }
      key += '\\';
      key += actual;
      Folder& next = Folders[key];
      if (made) next.Listed = true;  // new, so empty
      if (next.Fd < 0) {
        // O_NOFOLLOW with O_DIRECTORY: a link put there meanwhile is refused too.
        next.Fd = openat(current->Fd, actual.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next.Fd < 0) {
          SetLastError(errno == ELOOP || errno == ENOTDIR ? ERROR_ACCESS_DENIED : WinErrorFromErrno(errno));
          return nullptr;
        }
        ++Open;
      }
      current = &next;
    }
    return current;
  }
};

namespace {

bool ValidPart(std::string_view part) {
  return !part.empty() && part != "." && part != ".." && part.find('\0') == std::string_view::npos;
}

// Gives the open nameless file at descriptor the name name in folder at: by
// the descriptor itself where the process may (a privilege), else through
// /proc. False with errno set.
bool LinkOpenFile(FolderTree::TState& state, int descriptor, int at, const std::string& name) {
  if (state.LinkByDescriptor) {
    if (linkat(descriptor, "", at, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno != ENOENT && errno != EPERM) return false;
    state.LinkByDescriptor = false;
  }
  char self[40];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", descriptor);
  return linkat(AT_FDCWD, self, at, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// The open folder holding relative's last name part, and that part. Null,
// with GetLastError set, when it cannot be reached.
Folder* ParentOf(FolderTree::TState& state, std::string_view relative, std::string& name) {
  while (!relative.empty() && (relative.back() == '\\' || relative.back() == '/')) relative.remove_suffix(1);
  const size_t separator = relative.find_last_of("\\/");
  const bool nested = separator != std::string_view::npos;
  const std::string_view folderText = nested ? relative.substr(0, separator) : std::string_view();
  name.assign(relative.substr(nested ? separator + 1 : 0));
  if (!ValidPart(name)) {
    SetLastError(name.empty() ? ERROR_ACCESS_DENIED : ERROR_INVALID_NAME);
    return nullptr;
  }
  if (state.Last && state.Last->Fd >= 0 && folderText == state.LastText) return state.Last;
  std::vector<std::string> parts;
  if (!SplitRelative(std::string(folderText), parts)) return nullptr;
  Folder* folder = state.Walk(parts, parts.size(), false);
  if (folder) {
    state.Last = folder;
    state.LastText.assign(folderText);
  }
  return folder;
}

}  // namespace

FolderTree::FolderTree(std::string base) : state_(std::make_unique<TState>()) {
  state_->Base = ExcludeTrailingBackslash(base);
}

FolderTree::~FolderTree() = default;

FolderTree::TKind FolderTree::Probe(const std::string& relative) {
  if (relative.find_first_not_of("\\/") == std::string::npos) {
    return state_->OpenBase(false) ? TKind::Folder : TKind::Missing;
  }
  std::string part;
  Folder* folder = ParentOf(*state_, relative, part);
  if (!folder) return TKind::Missing;
  const Name* name = state_->Find(*folder, part);
  return name ? name->Kind : TKind::Missing;
}

bool FolderTree::MakeFolders(const std::string& relative) {
  if (state_->Last && state_->Last->Fd >= 0 && relative == state_->LastText) return true;
  std::vector<std::string> parts;
  return SplitRelative(relative, parts) && state_->Walk(parts, parts.size(), true) != nullptr;
}

void FolderTree::TPendingFile::Discard() {
  file_.Close();
  if (tree_ && named_ && !published_) {
    tree_->Remove(folder_.empty() ? temporary_ : folder_ + "\\" + temporary_);
  }
  tree_ = nullptr;
  named_ = published_ = false;
}

bool FolderTree::CreatePending(const std::string& relative, const std::string& temporary, TPendingFile& file) {
  file.Discard();
  if (!ValidPart(temporary) || temporary.find_first_of("\\/") != std::string::npos) return Fail(ERROR_INVALID_NAME);
  std::string name;
  Folder* folder = ParentOf(*state_, relative, name);
  if (!folder) return false;
  int fd = -1;
  if (state_->Nameless) {
    fd = openat(folder->Fd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) state_->Nameless = false;
    if (fd < 0 && state_->Nameless) return Fail(WinErrorFromErrno(errno));
  }
  if (fd < 0) {
    fd = openat(folder->Fd, temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return Fail(errno == EEXIST ? ERROR_FILE_EXISTS : WinErrorFromErrno(errno));
    state_->Noted(*folder, temporary, TKind::File);
    file.named_ = true;
  }
  file.tree_ = this;
  file.where_ = folder;
  file.folder_ = state_->LastText;
  file.temporary_ = temporary;
  file.file_.Adopt(FileHandle(fd), state_->Base + "\\" + relative);
  SetLastError(0);
  return true;
}

bool FolderTree::Publish(TPendingFile& file, const std::string& relative, bool replace) {
  if (file.tree_ != this || file.published_) return Fail(ERROR_INVALID_PARAMETER);
  std::string name;
  Folder* folder = ParentOf(*state_, relative, name);
  if (!folder) return false;
  if (folder != file.where_) return Fail(ERROR_INVALID_PARAMETER);
  // Replacing keeps the existing name's letter case; a new name may not
  // differ from one in the folder by letter case alone.
  const Name* existing = state_->Find(*folder, name);
  if (existing && !replace) return Fail(ERROR_FILE_EXISTS);
  const std::string target = existing ? existing->Actual : name;
  const std::string& temporary = file.temporary_;
  if (!file.named_) {
    // Nameless: a new name is one link; a replacement goes by the temporary
    // name, as a link cannot replace.
    if (!LinkOpenFile(*state_, static_cast<int>(file.file_.Handle().Value()), folder->Fd, replace ? temporary : target)) {
      return Fail(errno == EEXIST ? ERROR_FILE_EXISTS : WinErrorFromErrno(errno));
    }
    if (!replace) {
      state_->Noted(*folder, target, TKind::File);
      file.published_ = true;
      return true;
    }
    state_->Noted(*folder, temporary, TKind::File);
    file.named_ = true;
  }
  if (replace) {
    if (renameat(folder->Fd, temporary.c_str(), folder->Fd, target.c_str()) != 0) {
      return Fail(WinErrorFromErrno(errno));
    }
  } else if (renameat2(folder->Fd, temporary.c_str(), folder->Fd, target.c_str(), RENAME_NOREPLACE) != 0) {
    // Without that kind of rename: a link, which never replaces, and the
    // temporary name removed.
    if (errno != EINVAL && errno != ENOSYS) return Fail(errno == EEXIST ? ERROR_FILE_EXISTS : WinErrorFromErrno(errno));
    if (linkat(folder->Fd, temporary.c_str(), folder->Fd, target.c_str(), 0) != 0) {
      return Fail(errno == EEXIST ? ERROR_FILE_EXISTS : WinErrorFromErrno(errno));
    }
    unlinkat(folder->Fd, temporary.c_str(), 0);
  }
  state_->Forgotten(*folder, temporary);
  state_->Noted(*folder, target, TKind::File);
  file.named_ = false;
  file.published_ = true;
  return true;
}

FolderTree::TAheadFiles::TAheadFiles(FolderTree& tree) : tree_(tree) {
  if (Folder* base = tree.state_->OpenBase(false); base && tree.state_->Nameless) {
    const int fd = fcntl(base->Fd, F_DUPFD_CLOEXEC, 0);
    if (fd >= 0) base_.Adopt(FileHandle(fd), tree.state_->Base);
  }
}

FolderTree::TAheadFiles::~TAheadFiles() = default;

bool FolderTree::TAheadFiles::Make(WinFile& file) {
  std::lock_guard lock(mutex_);
  const WinFile& folder = near_.IsOpen() ? near_ : base_;
  if (!folder.IsOpen()) return Fail(ERROR_PATH_NOT_FOUND);
  const int fd = openat(static_cast<int>(folder.Handle().Value()), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  if (fd < 0) return Fail(WinErrorFromErrno(errno));
  file.Adopt(FileHandle(fd), folder.Path());
  return true;
}

void FolderTree::TAheadFiles::Near(const std::string& relative) {
  if (!base_.IsOpen() || !tree_.TakesAhead(relative)) return;
  std::string name;
  Folder* folder = ParentOf(*tree_.state_, relative, name);
  const int fd = folder ? fcntl(folder->Fd, F_DUPFD_CLOEXEC, 0) : -1;
  if (fd < 0) return;
  WinFile opened;
  opened.Adopt(FileHandle(fd), ExcludeTrailingBackslash(tree_.state_->Base + "\\" + ExtractFilePath(relative)));
  std::lock_guard lock(mutex_);
  near_ = std::move(opened);
}

bool FolderTree::TakesAhead(const std::string& relative) {
  Folder* base = state_->OpenBase(false);
  std::string name;
  Folder* folder = base ? ParentOf(*state_, relative, name) : nullptr;
  if (!folder) return false;
  for (Folder* known : {base, folder}) {
    struct stat info {};
    if (known->Device == 0 && fstat(known->Fd, &info) == 0) known->Device = info.st_dev;
  }
  return folder->Device != 0 && folder->Device == base->Device;
}

bool FolderTree::Adopt(WinFile& made, const std::string& relative, const std::string& temporary, TPendingFile& file) {
  file.Discard();
  std::string name;
  Folder* folder = ParentOf(*state_, relative, name);
  if (!folder || !made.IsOpen()) return false;
  file.tree_ = this;
  file.where_ = folder;
  file.folder_ = state_->LastText;
  file.temporary_ = temporary;
  file.file_ = std::move(made);
  return true;
}

bool FolderTree::Remove(const std::string& relative) {
  std::string name;
  Folder* folder = ParentOf(*state_, relative, name);
  if (!folder) return false;
  if (unlinkat(folder->Fd, name.c_str(), 0) != 0) return Fail(WinErrorFromErrno(errno));
  state_->Forgotten(*folder, name);
  return true;
}

std::vector<std::string> FolderTree::FilesMatching(const std::string& relative, std::string_view pattern) {
  std::vector<std::string> names;
  std::vector<std::string> parts;
  if (!SplitRelative(relative, parts)) return names;
  Folder* folder = state_->Walk(parts, parts.size(), false);
  if (!folder || !state_->List(*folder)) return names;
  for (const auto& [folded, name] : folder->Names) {
    if (name.Kind == TKind::File && WildcardMatch(pattern, name.Actual)) names.push_back(name.Actual);
  }
  return names;
}

}  // namespace vorn
