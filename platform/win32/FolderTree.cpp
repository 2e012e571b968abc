// A folder tree walked one level at a time, never through a reparse point.
//
// Every folder below the base is opened with FILE_FLAG_OPEN_REPARSE_POINT
// and refused when it is a reparse point (a symbolic link, a junction, a
// mount point). It is then kept open without delete sharing, so that while
// the tree lives nobody can rename it away and put a link in its place:
// the paths built from the held folders stay inside the base. A file is
// created with CREATE_NEW and FILE_FLAG_OPEN_REPARSE_POINT, so a link
// standing where it goes is never written through.
#include "platform/FolderTree.h"

#include <unordered_map>
#include <vector>

#include "platform/WinPath.h"
#include "platform/Wildcard.h"
#include "platform/win32/Wide.h"

#include <windows.h>

namespace vorn {

namespace {

// Folders kept open at once; past that the open ones (but the base) are
// closed and opened again when needed.
constexpr size_t kMaxOpenFolders = 128;

struct Name {
  std::string Actual;
  FolderTree::TKind Kind;
};

struct Folder {
  HANDLE Handle = INVALID_HANDLE_VALUE;
  std::wstring Host;  // the folder's host path, without a trailing backslash
  bool Listed = false;
  std::unordered_multimap<std::string, Name> Names;  // by case-folded name
};

FolderTree::TKind KindOf(DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return FolderTree::TKind::Link;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FolderTree::TKind::Folder;
  return FolderTree::TKind::File;
}

std::vector<std::string> SplitRelative(const std::string& relative) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find_first_of("\\/", start);
    if (end == std::string::npos) end = relative.size();
    if (end > start) parts.push_back(relative.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool Fail(int code) {
  SetLastError(code);
  return false;
}

bool FailSystem() { return Fail(static_cast<int>(::GetLastError())); }

// Opens a folder for listing; with noFollow a reparse point is opened itself.
HANDLE OpenFolder(const std::wstring& host, bool noFollow) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (noFollow ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  return CreateFileW(host.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr);
}

std::wstring Child(const Folder& folder, const std::string& name) { return folder.Host + L"\\" + Widen(name); }

}  // namespace

struct FolderTree::TState {
  std::string Base;
  // By the relative path of actual names ("" is the base).
  std::unordered_map<std::string, Folder> Folders;
  size_t Open = 0;

  ~TState() {
    for (auto& [key, folder] : Folders) {
      if (folder.Handle != INVALID_HANDLE_VALUE) CloseHandle(folder.Handle);
    }
  }

  // The base folder, open; created first when create is set and it is missing.
  Folder* OpenBase(bool create) {
    Folder& base = Folders[std::string()];
    if (base.Handle != INVALID_HANDLE_VALUE) return &base;
    const auto host = ToHostPath(Base);
    if (!host) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return nullptr;
    }
    base.Host = LongPathW(*host);
    while (base.Host.size() > 3 && (base.Host.back() == L'\\' || base.Host.back() == L'/')) base.Host.pop_back();
    // The base and the folders above it are taken as they are, links included.
    base.Handle = OpenFolder(base.Host, false);
    if (base.Handle == INVALID_HANDLE_VALUE && create && ForceDirectories(Base)) {
      base.Handle = OpenFolder(base.Host, false);
    }
    if (base.Handle == INVALID_HANDLE_VALUE) {
      const DWORD error = ::GetLastError();
      SetLastError(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : static_cast<int>(error));
      return nullptr;
    }
    return &base;
  }

  bool List(Folder& folder) {
    if (folder.Listed) return true;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW((folder.Host + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) return FailSystem();
    do {
      const std::wstring_view wide(found.cFileName);
      if (wide == L"." || wide == L"..") continue;
      const std::string name = Narrow(wide);
      folder.Names.emplace(FoldCase(name), Name{name, KindOf(found.dwFileAttributes)});
    } while (FindNextFileW(search, &found));
    FindClose(search);
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
    // "." and ".." would be resolved by the system, out of the walk.
    for (const std::string& part : parts) {
      if (part == "." || part == ".." || part.find('\0') != std::string::npos) {
        Fail(ERROR_INVALID_NAME);
        return nullptr;
      }
    }
    if (Open >= kMaxOpenFolders) {
      for (auto& [key, folder] : Folders) {
        if (!key.empty() && folder.Handle != INVALID_HANDLE_VALUE) {
          CloseHandle(folder.Handle);
          folder.Handle = INVALID_HANDLE_VALUE;
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
        if (!CreateDirectoryW(Child(*current, part).c_str(), nullptr)) {
          FailSystem();
          return nullptr;
        }
        actual = part;
        made = true;
        Noted(*current, actual, TKind::Folder);
      }
      const std::wstring host = Child(*current, actual);
      key += '\\';
      key += actual;
      Folder& next = Folders[key];
      if (made) next.Listed = true;  // new, so empty
      if (next.Handle == INVALID_HANDLE_VALUE) {
        next.Host = host;
        // Opened itself, never followed: a link put there meanwhile is refused too.
        next.Handle = OpenFolder(host, true);
        if (next.Handle == INVALID_HANDLE_VALUE) {
          FailSystem();
          return nullptr;
        }
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(next.Handle, &info) ||
            (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
          CloseHandle(next.Handle);
          next.Handle = INVALID_HANDLE_VALUE;
          SetLastError(ERROR_ACCESS_DENIED);
          return nullptr;
        }
        ++Open;
      }
      current = &next;
    }
    return current;
  }
};

FolderTree::FolderTree(std::string base) : state_(std::make_unique<TState>()) {
  state_->Base = ExcludeTrailingBackslash(base);
}

FolderTree::~FolderTree() = default;

FolderTree::TKind FolderTree::Probe(const std::string& relative) {
  const std::vector<std::string> parts = SplitRelative(relative);
  if (parts.empty()) return state_->OpenBase(false) ? TKind::Folder : TKind::Missing;
  Folder* folder = state_->Walk(parts, parts.size() - 1, false);
  if (!folder) return TKind::Missing;
  const Name* name = state_->Find(*folder, parts.back());
  return name ? name->Kind : TKind::Missing;
}

bool FolderTree::MakeFolders(const std::string& relative) {
  const std::vector<std::string> parts = SplitRelative(relative);
  return state_->Walk(parts, parts.size(), true) != nullptr;
}

void FolderTree::TPendingFile::Discard() {
  file_.Close();
  if (tree_ && named_ && !published_) {
    tree_->Remove(folder_.empty() ? temporary_ : folder_ + "\\" + temporary_);
  }
  tree_ = nullptr;
  named_ = published_ = false;
}

// Windows has no nameless files: the pending file always has its temporary
// name, and is renamed into place through its handle.
bool FolderTree::CreatePending(const std::string& relative, const std::string& temporary, TPendingFile& file) {
  file.Discard();
  if (temporary.empty() || temporary == "." || temporary == ".." || temporary.find_first_of("\\/") != std::string::npos)
    return Fail(ERROR_INVALID_NAME);
  const std::vector<std::string> parts = SplitRelative(relative);
  if (parts.empty()) return Fail(ERROR_ACCESS_DENIED);
  Folder* folder = state_->Walk(parts, parts.size() - 1, false);
  if (!folder) return false;
  const HANDLE handle = CreateFileW(Child(*folder, temporary).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FailSystem();
  state_->Noted(*folder, temporary, TKind::File);
  std::string folderText;
  for (size_t i = 0; i + 1 < parts.size(); ++i) folderText += (i ? "\\" : "") + parts[i];
  file.tree_ = this;
  file.where_ = folder;
  file.folder_ = folderText;
  file.temporary_ = temporary;
  file.named_ = true;
  file.file_.Adopt(FileHandle(reinterpret_cast<intptr_t>(handle)), state_->Base + "\\" + relative);
  SetLastError(0);
  return true;
}

bool FolderTree::Publish(TPendingFile& file, const std::string& relative, bool replace) {
  if (file.tree_ != this || !file.named_ || file.published_) return Fail(ERROR_INVALID_PARAMETER);
  const std::vector<std::string> parts = SplitRelative(relative);
  if (parts.empty()) return Fail(ERROR_ACCESS_DENIED);
  Folder* folder = state_->Walk(parts, parts.size() - 1, false);
  if (!folder) return false;
  if (folder != file.where_) return Fail(ERROR_NOT_SAME_DEVICE);
  // Replacing keeps the existing name's letter case; a link standing there
  // is replaced itself (a rename replaces the name, not what it leads to).
  const Name* existing = state_->Find(*folder, parts.back());
  if (existing && !replace) return Fail(ERROR_FILE_EXISTS);
  const std::string target = existing ? existing->Actual : parts.back();
  if (!MoveFileExW(Child(*folder, file.temporary_).c_str(), Child(*folder, target).c_str(),
                   (replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH)) {
    return FailSystem();
  }
  state_->Forgotten(*folder, file.temporary_);
  state_->Noted(*folder, target, TKind::File);
  file.published_ = true;
  return true;
}

// Files made ahead on another thread need nameless files: never on Windows,
// where the extraction's own thread makes every file.
FolderTree::TAheadFiles::TAheadFiles(FolderTree& tree) : tree_(tree) {}
FolderTree::TAheadFiles::~TAheadFiles() = default;
bool FolderTree::TAheadFiles::Make(WinFile&) { return Fail(ERROR_NOT_SUPPORTED); }
void FolderTree::TAheadFiles::Near(const std::string&) {}
bool FolderTree::TakesAhead(const std::string&) { return false; }
bool FolderTree::Adopt(WinFile&, const std::string&, const std::string&, TPendingFile&) {
  return Fail(ERROR_NOT_SUPPORTED);
}

bool FolderTree::Remove(const std::string& relative) {
  const std::vector<std::string> parts = SplitRelative(relative);
  if (parts.empty()) return Fail(ERROR_ACCESS_DENIED);
  Folder* folder = state_->Walk(parts, parts.size() - 1, false);
  if (!folder) return false;
  const std::wstring host = Child(*folder, parts.back());
  const DWORD attributes = GetFileAttributesW(host.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FailSystem();
  BOOL done = FALSE;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    // Only a link to a folder is removed here, never a folder.
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return Fail(ERROR_ACCESS_DENIED);
    done = RemoveDirectoryW(host.c_str());
  } else {
    // A file of any mode: a read-only one loses the mark first.
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(host.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    done = DeleteFileW(host.c_str());
  }
  if (!done) return FailSystem();
  state_->Forgotten(*folder, parts.back());
  return true;
}

std::vector<std::string> FolderTree::FilesMatching(const std::string& relative, std::string_view pattern) {
  std::vector<std::string> names;
  const std::vector<std::string> parts = SplitRelative(relative);
  Folder* folder = state_->Walk(parts, parts.size(), false);
  if (!folder || !state_->List(*folder)) return names;
  for (const auto& [folded, name] : folder->Names) {
    if (name.Kind == TKind::File && WildcardMatch(pattern, name.Actual)) names.push_back(name.Actual);
  }
  return names;
}

}  // namespace vorn
