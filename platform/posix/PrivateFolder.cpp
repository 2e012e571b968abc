#include "platform/PrivateFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "platform/WinPath.h"

namespace vorn {

namespace fs = std::filesystem;

PrivateFolderState MakePrivateFolder(const std::string& path) {
  const auto host = path.empty() ? std::nullopt : ToHostPath(path);
  if (!host) return PrivateFolderState::NotCreated;
  const fs::path folder = host->has_filename() ? *host : host->parent_path();
  struct stat parent {};
  if (stat(folder.parent_path().c_str(), &parent) != 0) return PrivateFolderState::NotCreated;
  // Whoever may write the parent, or owns it, can put another folder in
  // this one's place; a sticky parent (as /tmp) lets only owners do that.
  const bool othersWrite = (parent.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (parent.st_mode & S_ISVTX) == 0;
  if (othersWrite || (parent.st_uid != 0 && parent.st_uid != geteuid())) return PrivateFolderState::OpenParent;
  if (mkdir(folder.c_str(), 0700) == 0) {
    NoteHostNameCreated(folder);
    return PrivateFolderState::Private;
  }
  if (errno != EEXIST) return PrivateFolderState::NotCreated;
  // Opened without following a link, so that the rights are taken from and
  // set on the very folder that was looked at.
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return PrivateFolderState::NotAFolder;
  struct stat info {};
  PrivateFolderState state = PrivateFolderState::Private;
  if (fstat(fd, &info) != 0 || !S_ISDIR(info.st_mode)) {
    state = PrivateFolderState::NotAFolder;
  } else if (info.st_uid != geteuid()) {
    state = PrivateFolderState::OtherOwner;
  } else if ((info.st_mode & 077) != 0 && fchmod(fd, info.st_mode & 07700) != 0) {
    state = PrivateFolderState::NotCreated;
  }
  close(fd);
  return state;
}

bool EmptyFolder(const std::string& path) {
  const auto host = path.empty() ? std::nullopt : ToHostPath(path);
  if (!host) return false;
  std::error_code error;
  std::vector<fs::path> items;
  for (fs::directory_iterator it(*host, error), end; !error && it != end; it.increment(error)) {
    items.push_back(it->path());
  }
  if (error) return false;
  bool emptied = true;
  for (const fs::path& item : items) {
    // remove_all removes a link, not what it points to.
    if (fs::remove_all(item, error) != static_cast<std::uintmax_t>(-1) && !error) continue;
    // A folder without write rights (unpacked read-only) keeps its
    // entries: give the owner the rights back, then try again.
    error.clear();
    if (fs::is_directory(fs::symlink_status(item, error))) {
      fs::permissions(item, fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, error);
      for (fs::recursive_directory_iterator it(item, error), end; !error && it != end; it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error)) {
          fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
        }
      }
    }
    error.clear();
    fs::remove_all(item, error);
    if (error) emptied = false;
  }
  return emptied;
}

}  // namespace vorn
