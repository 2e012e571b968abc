// Windows paths, and the host paths they name.
//
// Everything above the platform layer speaks Windows paths ("C:\VornZAV\",
// backslashes, drive letters). This file is the one place where they become
// host paths and back. On a POSIX host:
//   - C: is the host folder named by VORN_DRIVE_C (default $HOME/.vorn/drive_c,
//     created when first needed);
//   - Z: is the host root, so /tmp/x is "Z:\tmp\x";
//   - any other drive does not exist: mapping fails as for a missing path.
// On Windows every drive and network path is the machine's own, except that
// VORN_DRIVE_C, when set, names a folder (a Windows path) that stands for C:.
// Names are found without regard to letter case, as Windows does: an existing
// "zav.zip" answers for "ZAV.ZIP"; a name that does not exist yet keeps the
// case it is given. Doubled separators count as one; "/" is taken as "\".
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace vorn {

// The host folder that stands for drive C:, created when missing.
std::filesystem::path DriveCRoot();

// True for "X:..." with a drive letter, "\\server\share" or "\..." (rooted).
bool IsAbsoluteWinPath(const std::string& path);

// Makes a Windows path absolute against the current directory (see
// GetCurrentDir) and normalises its separators and "." / ".." parts; as on
// Windows, trailing blanks and dots of the last name are dropped and a
// trailing backslash is kept. "X:name" on a drive other than the current
// one is taken against X:'s root. A path on an unknown drive stays as it is
// (it will not be found). An empty path stays empty.
std::string FullWinPath(const std::string& path);

// Maps a Windows path to the host path it names. Every existing component is
// matched without regard to letter case; missing ones keep the given case.
// Returns nullopt for paths on drives that do not exist (on a POSIX host
// every drive but C: and Z:, and network paths).
std::optional<std::filesystem::path> ToHostPath(const std::string& winPath);

// The form in which two names of one host file compare equal: absolute,
// links resolved, one kind of separator, and on Windows letter case folded
// as the file system folds it. A key for lists of open files, not a path to
// open (on Windows it is upper case).
std::string HostPathKey(const std::filesystem::path& host);

// While an object of this class lives, ToHostPath on the same thread keeps
// the folder listings it reads for letter-case lookups and reuses them, so
// that creating thousands of files in one folder needs one listing instead of
// one per file. The platform layer keeps the listings true to what it
// creates, renames and deletes itself; a name another program makes in
// another letter case meanwhile may go unseen until the scope ends (names in
// the exact case given are always seen). Scopes nest; the innermost is used.
class PathLookupCache {
 public:
  PathLookupCache();
  ~PathLookupCache();
  PathLookupCache(const PathLookupCache&) = delete;
  PathLookupCache& operator=(const PathLookupCache&) = delete;

  struct Listings;

 private:
  PathLookupCache* previous_;
  std::unique_ptr<Listings> listings_;
};

// For the platform layer itself: reports a host name it has just created or
// removed, or a folder it renamed or removed, to this thread's cache.
void NoteHostNameCreated(const std::filesystem::path& host);
void NoteHostNameRemoved(const std::filesystem::path& host);
void NoteHostFolderChanged();

// Maps a host path back: inside the C: folder it reads "C:\...", elsewhere
// "Z:\..." on a POSIX host and the path itself on Windows.
std::string ToWinPath(const std::filesystem::path& hostPath);

// A path a user gives a tool on the command line. On a POSIX host either
// form: a path starting with "/" is a host path, anything else a Windows
// path. On Windows every path given is the machine's own.
std::string WinPathFromUser(const std::string& text);

// The process's current directory as a Windows path, without trailing backslash
// (except for a drive root, "C:\").
std::string GetCurrentDir();
bool SetCurrentDir(const std::string& winPath);

// Splits and joins, with "\" as the separator.
std::string ExtractFilePath(const std::string& winPath);   // up to and including the last "\"
std::string ExtractFileName(const std::string& winPath);   // after the last "\"
std::string IncludeTrailingBackslash(const std::string& winPath);
std::string ExcludeTrailingBackslash(const std::string& winPath);

}  // namespace vorn
