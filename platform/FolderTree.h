// The files and folders below one base folder, reached by walking each path
// down from the base one level at a time without ever following a link
// (openat with O_NOFOLLOW): a link placed inside the base folder, to a
// folder elsewhere, can never lead a write outside it. A link standing where
// a file goes is replaced by the file, never written through.
//
// Paths are relative to the base, name parts separated by "\"; names are
// matched without regard to letter case (an exact match wins), new names
// keep their case. Each folder is listed once and kept open while the
// object lives (a bounded number at a time), so that writing thousands of
// files takes one create, the writes and a close per file, with no path
// look-up. The listings are kept true to what the object itself creates; a
// name another program makes meanwhile may go unseen, but nothing is ever
// overwritten by mistake, as new files are created exclusively.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WinFile.h"

namespace vorn {

class FolderTree {
 public:
  // base: the Windows path of a folder, which need not exist yet. The base
  // and the folders above it are taken as they are, links included.
  explicit FolderTree(std::string base);
  ~FolderTree();
  FolderTree(const FolderTree&) = delete;
  FolderTree& operator=(const FolderTree&) = delete;

  enum class TKind { Missing, File, Folder, Link };
  // What stands at relative ("" is the base itself). Missing too when a
  // folder level on the way is missing, a file or a link.
  TKind Probe(const std::string& relative);
  // Creates every missing folder level of relative (relative itself
  // included; "" only the base). False, with GetLastError set, when a level
  // is a file or a link, or cannot be made.
  bool MakeFolders(const std::string& relative);
  // Creates a new file exclusively in its existing folder, for reading and
  // writing; never through a link. False with GetLastError set.
  bool CreateNew(const std::string& relative, WinFile& file);
  // Renames the file from over to (both in the same folder), replacing what
  // stands at to atomically: a link there is replaced itself.
  bool Replace(const std::string& from, const std::string& to);
  // Removes a file (of any mode) or a link; false when missing.
  bool Remove(const std::string& relative);
  // The names of the files in folder relative that match a wildcard
  // pattern; none when the folder is missing.
  std::vector<std::string> FilesMatching(const std::string& relative, std::string_view pattern);

  struct TState;

 private:
  std::unique_ptr<TState> state_;
};

}  // namespace vorn
