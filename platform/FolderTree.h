// The files and folders below one base folder, reached by walking each path
// down from the base one level at a time without ever following a link
// (openat with O_NOFOLLOW): a link placed inside the base folder, to a
// folder elsewhere, can never lead a write outside it. A link standing where
// a file goes is replaced by the file, never written through.
//
// Paths are relative to the base, name parts separated by "\" or "/" (both
// separate, as on Windows, and each part is walked here, never by the
// kernel); a part "." or ".." is refused (ERROR_INVALID_NAME), so no path
// climbs out of the base. Names are matched without regard to letter case
// (an exact match wins), new names keep their case. Each folder is listed
// once and kept open while the object lives (a bounded number at a time),
// so that writing thousands of files takes no path look-up. The listings
// are kept true to what the object itself creates; a name another program
// makes meanwhile may go unseen, but nothing is ever overwritten by
// mistake, as new names are made exclusively.
#pragma once

#include <memory>
#include <mutex>
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
  // A file written before it has a name: it appears under its name whole or
  // not at all. Where the file system can, it has no name at all until
  // published, so a process that dies leaves nothing; elsewhere it has the
  // temporary name its creator gave, which is removed when the file is
  // discarded (a killed process leaves it for its creator's kind to sweep).
  class TPendingFile {
   public:
    TPendingFile() = default;
    ~TPendingFile() { Discard(); }
    TPendingFile(const TPendingFile&) = delete;
    TPendingFile& operator=(const TPendingFile&) = delete;
    WinFile& File() { return file_; }
    // Closes it; unless it was published it is gone.
    void Discard();

   private:
    friend class FolderTree;
    FolderTree* tree_ = nullptr;
    const void* where_ = nullptr;  // the tree's record of its folder
    std::string folder_;     // relative to the base
    std::string temporary_;  // its name in that folder; empty while nameless
    bool named_ = false;     // it has the temporary name now
    bool published_ = false;
    WinFile file_;
  };
  // Creates a pending file in the existing folder of relative, for reading
  // and writing; temporary is the name it takes where a file must have one
  // (and on the way to replacing a file). False with GetLastError set.
  bool CreatePending(const std::string& relative, const std::string& temporary, TPendingFile& file);
  // Gives the pending file the name relative, in the folder it was made in:
  // a new name only (ERROR_FILE_EXISTS when something stands there), or,
  // with replace, atomically in place of what stands there (a link there is
  // replaced itself). The file stays open.
  bool Publish(TPendingFile& file, const std::string& relative, bool replace);
  // Nameless files made ahead, on another thread, in the base folder: a
  // pending file is made of one by Adopt for any folder of the tree on the
  // same file system. Make may be called from any thread; it fails where
  // the base is missing or files cannot be nameless.
  class TAheadFiles {
   public:
    explicit TAheadFiles(FolderTree& tree);
    ~TAheadFiles();
    TAheadFiles(const TAheadFiles&) = delete;
    TAheadFiles& operator=(const TAheadFiles&) = delete;
    bool Make(WinFile& file);
    // Files are made from now on in relative's folder (the folder being
    // written, when on the base's file system; else where they were made
    // so far): the file system finds room for a new file near its folder,
    // often much faster than beside a base folder where files come and go.
    // Called on the tree's thread, like the tree's own functions.
    void Near(const std::string& relative);

   private:
    FolderTree& tree_;
    std::mutex mutex_;  // Make and Near may run at once
    WinFile base_;
    WinFile near_;
  };
  // Whether a nameless file made ahead can take a name in relative's folder.
  bool TakesAhead(const std::string& relative);
  // Makes pending the nameless file made ahead, for relative's folder;
  // temporary is needed (as in CreatePending) only on the way to replacing
  // a file.
  bool Adopt(WinFile& made, const std::string& relative, const std::string& temporary, TPendingFile& file);

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
