// The extraction: one TZUUnzipper per Extract call.
#include "zip/Extract.h"

#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <random>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/FolderTree.h"
#include "platform/Shell.h"
#include "platform/WinFile.h"
#include "platform/WinPath.h"
#include "platform/Wildcard.h"
#include "zip/DecodeAhead.h"
#include "zip/Decompressor.h"
#include "zip/NameCleaning.h"
#include "zip/ZipMessageIds.h"

namespace vorn {

namespace {



bool GlobMatch(std::string_view pattern, std::string_view name) {
  // Iterative matching with one backtrack point: linear in practice, never
  // exponential on hostile patterns.
  size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == name[n] || (pattern[p] == '?' && name[n] != '\\'))) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// How an entry error ends: a skip with its reason, or the end of Extract.
enum class TZUErrorKind { Skip, End };
struct TZUErrorRule {
  TZUErrorKind Kind;
  TZUSkipTypes Reason;
};

TZUErrorRule RuleFor(int id) {
  switch (id) {
    case MsgCRCError: return {TZUErrorKind::Skip, StCRCError};
    case MsgInvalidFilename:
    case MsgCreateFile:
    case MsgLocalRead:
    case MsgChangePath:
    case MsgZipSeek:
    case MsgWrongLength: return {TZUErrorKind::Skip, StGeneralExtractError};
    case MsgBuildPath: return {TZUErrorKind::Skip, StPathError};
    case MsgEntryCancelled: return {TZUErrorKind::Skip, StUser};
    case MsgNoOverwrite: return {TZUErrorKind::Skip, StNoOverwrite};
    case MsgFileNotFound: return {TZUErrorKind::Skip, StOnFreshen};
    case MsgPasswordFailed:
    case MsgNoPassword: return {TZUErrorKind::Skip, StBadPassword};
    case MsgSetFileDate:
    case MsgSetFileAttributes:
    case MsgSetFileInformation:
    case MsgSetFileTimes: return {TZUErrorKind::Skip, StWarning};
    case MsgUnsupportedVersion: return {TZUErrorKind::Skip, StCompressionUnknown};
    default: return {TZUErrorKind::End, StNoSkip};
  }
}

// "~vzt" + the process's identifier (8 hex digits) + 8 more hex digits +
// ".tmp": a process killed while replacing a file leaves such a name, and the
// identifier tells the next extraction that nobody is writing it any more.
constexpr char kTempPattern[] = "~vzt????????????????.tmp";

std::string TempName() {
  static std::atomic<uint32_t> counter{0};
  static const uint32_t seed = std::random_device{}();
  // The process's part once: asking for the process id costs a system call.
  static const std::string prefix = [] {
    char text[16];
    std::snprintf(text, sizeof text, "~vzt%08x", static_cast<unsigned>(GetCurrentProcessId()));
    return std::string(text);
  }();
  char name[32];
  std::snprintf(name, sizeof name, "%s%08x.tmp", prefix.c_str(), static_cast<unsigned>(seed ^ ++counter));
  return name;
}

// The writer of a temporary file, from its name; 0 when the name is not one.
uint32_t TempWriter(const std::string& name) {
  if (name.size() != sizeof kTempPattern - 1 || !WildcardMatch(kTempPattern, name)) return 0;
  uint32_t id = 0;
  for (size_t i = 4; i < 12; ++i) {
    const char c = name[i];
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) return 0;
    id = id << 4 | static_cast<uint32_t>(digit);
  }
  return id;
}

class TZUUnzipper {
 public:
  explicit TZUUnzipper(TZUCommand& body) : body_(body) {}
  int Run();

 private:
  int Select();
  bool Excluded(const std::string& name) const;
  int ProcessEntry(TZUEntryReader& entry);
  int WriteEntry(TZUEntryReader& entry, const std::string& target, const std::string& relative, bool targetExists,
                 const uint8_t* localHeader, std::unique_ptr<TZUZipCryptor> cryptor);
  // out: null when the decode-ahead thread writes the entry's file itself.
  int Decode(TZUEntryReader& entry, TZUCoDec& codec, TZUZipCryptor* cryptor, bool ahead, WinFile* out,
             uint32_t& crc);
  int ObtainPassword(const uint8_t* header, uint8_t checkByte, std::unique_ptr<TZUZipCryptor>& cryptor);
  bool OverwriteAllowed(const TZUEntryReader& entry, const std::string& target) const;
  void Succeeded(const std::string& name, const std::string& part, const std::string& cleaned, uint64_t size);
  int Fail(int id, int line = __builtin_LINE()) { return ZipErrCode(id, ZuExtract, line); }
  int FailWith(int id, const std::string& argument, int line = __builtin_LINE()) {
    return body_.PrepareErrMsg(id, {argument}, ZuExtract, line);
  }

  TZUCommand& body_;
  TZUZipReader* reader_ = nullptr;
  TZUUnzOpts opts_;
  std::string base_;  // cleaned, ending in "\"
  bool baseWildcard_ = false;
  bool baseInvalid_ = false;
  std::vector<uint8_t> input_ = std::vector<uint8_t>(kZipBufferSize);
  TZUCoDecStore store_;
  std::unique_ptr<TZUCoDecInflate> inflate_;
  // Entries without encryption are read and decoded on a thread of their
  // own, ahead of the writing; the job of each such entry.
  std::unique_ptr<FolderTree::TAheadFiles> aheadFiles_;
  std::unique_ptr<TZUDecodeAhead> ahead_;
  std::string nearFolder_;  // where the thread makes them
  std::unordered_map<const TZUEntryReader*, size_t> jobOf_;
  void StartDecodeAhead();
  // Everything below the base folder is reached through it: each path is
  // walked from the base without following links, so a link placed inside
  // the base folder never leads a write outside it, and each folder is
  // listed and opened once per Extract.
  std::unique_ptr<FolderTree> tree_;
  std::unordered_set<std::string> swept_;  // folders cleared of stale temporary files
  std::string lastSwept_;
  std::vector<uint8_t> localVariable_;  // a local header's name and extra field

  void RemoveStaleTemps(const std::string& folder);
  // The file time of each MS-DOS date and time met (the conversion asks the
  // time zone each time).
  std::unordered_map<uint32_t, FileTime> times_;
  bool EntryTime(const TZUEntryReader& entry, FileTime& time);
};

bool TZUUnzipper::EntryTime(const TZUEntryReader& entry, FileTime& time) {
  const uint32_t key = (static_cast<uint32_t>(entry.DosDate()) << 16) | entry.DosTime();
  if (const auto found = times_.find(key); found != times_.end()) {
    time = found->second;
    return true;
  }
  if (!DosDateTimeToFileTime(entry.DosDate(), entry.DosTime(), time)) return false;
  times_.emplace(key, time);
  return true;
}

int TZUUnzipper::Run() {
  // Folder listings read for letter-case lookups serve the whole Extract.
  const PathLookupCache lookups;
  if (body_.ZipFileName().empty()) return Fail(MsgNoZipSpecified);
  body_.SetShowProgress(ZspFull);

  if (body_.Count() == 0) {
    body_.LoadZip();
    const TZUZipReader* reader = body_.Reader();
    if (!reader || !reader->Loaded()) {
      // The load showed its error already, except a missing archive.
      if (body_.Errors().FCode == MsgNoInputFile && !body_.Unattended()) {
        std::string text = body_.Errors().FErrMessage;
        body_.ZipMessageDialog(std::string(), text, ZipDialogContext(TZipDialogKind::Information, MsgNoInputFile),
                               ZdbOK);
      }
      return 0;
    }
    if (body_.Count() == 0) return Fail(MsgNothingToDo);  // folder entries only, or none
  }
  reader_ = body_.Reader();
  if (!reader_) return Fail(MsgNoZipSpecified);

  const TZUExtrOptions options = body_.ExtrOptionsValue;
  for (const std::string& line : body_.ExcludeSpecs()) {
    if (!opts_.ExcludeString.empty()) opts_.ExcludeString += '|';
    opts_.ExcludeString += line;
  }
  opts_.BaseDir = body_.ExtrBaseDirValue;
  opts_.DropDirs = !(options & ExtrDirNames);
  opts_.OverwriteMode = (options & ExtrOverWrite) ? 1 : 0;
  opts_.NTFSTimes = options & ExtrNTFS;

  // The base folder, against the current directory as it is now.
  const std::string full = FullWinPath(opts_.BaseDir.empty() ? std::string(".\\") : opts_.BaseDir);
  std::string cleanedBase;
  const TZUCleanResult baseResult = CleanZipName(full, TZUCleanForm::Lenient, cleanedBase);
  baseWildcard_ = baseResult == ZcWildcard || full.find_first_of("*?") != std::string::npos;
  baseInvalid_ = baseResult != ZcClean || !IsAbsoluteWinPath(cleanedBase);
  base_ = IncludeTrailingBackslash(cleanedBase);
  tree_ = std::make_unique<FolderTree>(base_);

  if (const int selected = Select(); selected != 0) return selected;

  int count = 0;
  int64_t size = 0;
  for (const TZUEntryReader& entry : reader_->Entries()) {
    if (!entry.Selected) continue;
    ++count;
    size = SaturatingAdd(size, static_cast<int64_t>(std::min<uint64_t>(entry.ComprSize, INT64_MAX)));
  }
  if (count == 0) return Fail(MsgNothingToDo);
  body_.GaugeSetCount(count);
  body_.GaugeSetSize(size);

  if (const int opened = reader_->Reopen(); opened != 0) return Fail(opened);
  StartDecodeAhead();

  int endError = 0;
  bool userSkipped = false;
  for (TZUEntryReader& entry : reader_->Entries()) {
    if (!entry.Selected) continue;
    const int result = ProcessEntry(entry);
    if (result == 0) continue;
    const int id = ZipErrId(result);
    if (id == MsgEntryCancelled) userSkipped = true;
    const TZUErrorRule rule = RuleFor(id);
    if (rule.Kind == TZUErrorKind::End) {
      endError = result;
      break;
    }
    if (body_.Skipping(body_.EntryName(entry), rule.Reason, result)) {
      endError = result;
      if (id == 0) endError = Fail(MsgSkippingNotAllowed);
      break;
    }
    body_.DiscardPreparedMessage();
  }
  // Entries passed over at the user's request end the whole extraction.
  if (endError == 0 && userSkipped) endError = Fail(MsgEntryCancelled);

  ahead_.reset();  // its handle on the archive is closed with the reader's
  reader_->Close();
  body_.GaugeEndBatch();
  if (endError != 0) body_.ShowError(endError);
  return 0;
}

// The largest entry whose file the decode-ahead thread makes and writes.
constexpr uint64_t kAheadFileLimit = kZipBufferSize;

void TZUUnzipper::StartDecodeAhead() {
  std::vector<TZUDecodeAhead::TJob> jobs;
  for (const TZUEntryReader& entry : reader_->Entries()) {
    if (!entry.Selected || entry.IsDirOnly || entry.Encrypted()) continue;
    jobOf_[&entry] = jobs.size();
    // Small files are made and written on the thread, where their making
    // overlaps this thread's work; a large one is written here, so that
    // its writing overlaps the thread's inflating instead.
    jobs.push_back({entry.RelOffLocal, entry.ComprSize, entry.UncomprSize <= kAheadFileLimit});
  }
  if (jobs.empty()) return;
  // A handle of its own, so that the thread's reads never move this one.
  auto archive = std::make_unique<TZUZipReader>(reader_->Path(), reader_->Source());
  if (archive->Reopen() != 0) {
    jobOf_.clear();  // decoded here, as the archive is read here
    return;
  }
  aheadFiles_ = std::make_unique<FolderTree::TAheadFiles>(*tree_);
  ahead_ = std::make_unique<TZUDecodeAhead>(std::move(archive), std::move(jobs), aheadFiles_.get(),
                                            TZUDecodeAhead::TMaking::WhileBehind);
}

bool TZUUnzipper::Excluded(const std::string& name) const {
  if (opts_.ExcludeString.empty()) return false;
  return ZipSpecMatch(opts_.ExcludeString, name);
}

int TZUUnzipper::Select() {
  std::vector<std::string>& specs = body_.IncludeSpecs();
  if (specs.empty()) specs.push_back("*.*");
  const bool manySpecs = specs.size() > 10;
  if (manySpecs) body_.GaugeNewXtraItem(ZxProcessing, static_cast<int64_t>(specs.size()));
  for (std::string pattern : specs) {
    for (char& c : pattern) {
      if (c == '/') c = '\\';
    }
    bool any = false;
    const bool everything = pattern == "*.*" || pattern == "*";
    const bool plain = pattern.find_first_of("*?|") == std::string::npos;
    for (TZUEntryReader& entry : reader_->Entries()) {
      const std::string& name = body_.EntryName(entry);
      if (plain) {
        if (!SameText(pattern, name)) continue;
        if (!Excluded(name)) {
          entry.Selected = true;
          any = true;
        }
        break;  // the first entry of that name only
      }
      if ((everything || ZipSpecMatch(pattern, name)) && !Excluded(name)) {
        entry.Selected = true;
        any = true;
      }
    }
    if (!any && body_.Skipping(pattern, StNotFound, Fail(MsgNothingToDo))) return Fail(MsgNothingToDo);
    if (manySpecs) body_.GaugeAdvanceXtra(1);
  }
  specs.clear();  // it receives the names of the extracted entries
  return 0;
}

bool TZUUnzipper::OverwriteAllowed(const TZUEntryReader& entry, const std::string& target) const {
  if (opts_.OverwriteMode != 1) return false;
  const TZUExtrOptions options = body_.ExtrOptionsValue;
  if (!(options & (ExtrFreshen | ExtrUpdate))) return true;
  FileTime entryTime = 0;
  FileInfo info;
  if (!DosDateTimeToFileTime(entry.DosDate(), entry.DosTime(), entryTime) || !GetFileInfo(target, info)) return false;
  return entryTime > info.LastWriteTime;
}

int TZUUnzipper::ProcessEntry(TZUEntryReader& entry) {
  const std::string& name = body_.EntryName(entry);
  try {
    body_.CheckCancel();
  } catch (const EZUAbort&) {
    return Fail(MsgUserCanceled);
  }
  if (body_.Progress().Stop()) return Fail(MsgEntryCancelled);
  if ((entry.VersionNeeded & 0xFF) > 45 || entry.ComprMethod >= 9) return Fail(MsgUnsupportedVersion);

  body_.GaugeNewItem(name, static_cast<int64_t>(std::min<uint64_t>(entry.ComprSize, INT64_MAX / 4)));

  std::string part = name;
  if (opts_.DropDirs) {
    if (entry.IsDirOnly) {
      Succeeded(name, name, name, 0);
      return 0;
    }
    part = name.substr(name.rfind('\\') + 1);
  }
  if (baseWildcard_) return Fail(MsgIllegalPath);
  if (baseInvalid_) return FailWith(MsgInvalidFilename, name);

  std::string cleaned;
  if (CleanZipName(part, TZUCleanForm::Strict, cleaned) != ZcClean) return FailWith(MsgInvalidFilename, name);
  // Names that would leave the base folder (a drive, a root, a network path)
  // are never joined to it.
  if (IsRootedName(cleaned)) return FailWith(MsgInvalidFilename, name);
  if (cleaned != part && (!cleaned.empty() && cleaned.back() == '\\') != entry.IsDirOnly) return Fail(MsgChangePath);

  std::string target;
  if (CleanZipName(base_ + cleaned, TZUCleanForm::Strict, target) != ZcClean ||
      !SameText(std::string_view(target).substr(0, base_.size()), base_)) {
    return FailWith(MsgInvalidFilename, name);
  }

  // Below the base folder, without a trailing "\".
  const std::string relative = ExcludeTrailingBackslash(target.substr(base_.size()));
  const FolderTree::TKind kind = tree_->Probe(relative);
  // A link where a file goes counts as an existing file, and is replaced by
  // it; a link where a folder goes makes the folder impossible to build.
  const bool exists = entry.IsDirOnly ? kind == FolderTree::TKind::Folder : kind != FolderTree::TKind::Missing;
  if (exists && !entry.IsDirOnly && !OverwriteAllowed(entry, target)) return Fail(MsgNoOverwrite);
  if (!exists && !entry.IsDirOnly && (body_.ExtrOptionsValue & ExtrFreshen)) return Fail(MsgFileNotFound);

  if (!reader_->IsOpen()) {
    if (const int opened = reader_->Reopen(); opened != 0) return Fail(opened);
  }

  // The local header: its signature, then its name and extra field, after
  // which the data starts.
  uint8_t local[kLocalHeaderSize];
  if (entry.RelOffLocal > static_cast<uint64_t>(INT64_MAX) || !reader_->Seek(static_cast<int64_t>(entry.RelOffLocal)) ||
      reader_->Read(local, sizeof local) != static_cast<int64_t>(sizeof local) || Get32(local) != kLocalHeaderSig) {
    return Fail(MsgLocalRead);
  }
  const size_t localVariable = static_cast<size_t>(Get16(local + 26)) + Get16(local + 28);
  localVariable_.resize(localVariable);
  if (localVariable > 0 &&
      reader_->Read(localVariable_.data(), localVariable) != static_cast<int64_t>(localVariable)) {
    return Fail(MsgLocalRead);
  }
  const uint16_t method = Get16(local + 8);
  if (method != 0 && method != 8) return Fail(MsgUnsupportedVersion);

  std::unique_ptr<TZUZipCryptor> cryptor;
  if (entry.Encrypted()) {
    uint8_t header[12];
    if (entry.ComprSize < 12 || reader_->Read(header, sizeof header) != 12) return Fail(MsgZipSeek);
    body_.GaugeAdvance(12);
    try {
      body_.CheckCancel();
    } catch (const EZUAbort&) {
      return Fail(MsgUserAbort);
    }
    const uint8_t checkByte = (Get16(local + 6) & 0x0008) ? local[11] : local[17];
    if (const int result = ObtainPassword(header, checkByte, cryptor); result != 0) return result;
  }

  if (!exists) {
    if (!(body_.ExtrOptionsValue & ExtrForceDirs) && !DirectoryExists(ExcludeTrailingBackslash(base_))) {
      return FailWith(MsgBuildBasePath, base_);
    }
    const size_t slash = relative.rfind('\\');
    const std::string folder = entry.IsDirOnly ? relative : relative.substr(0, slash == std::string::npos ? 0 : slash);
    // A file or a link on the way (or a folder that cannot be made) stops it.
    if (!tree_->MakeFolders(folder)) return FailWith(MsgBuildPath, target);
  }
  if (entry.IsDirOnly) {
    Succeeded(name, part, cleaned, 0);
    return 0;
  }

  const int result = WriteEntry(entry, target, relative, exists, local, std::move(cryptor));
  if (result == 0) Succeeded(name, part, cleaned, entry.UncomprSize);
  return result;
}

// A temporary file that a killed extraction left in a folder (on its way to
// replacing a file, or for any file where files cannot be nameless) goes
// when this extraction first writes a file there; one whose writer still
// runs is left alone.
void TZUUnzipper::RemoveStaleTemps(const std::string& folder) {
  if (folder == lastSwept_) return;  // files come folder by folder
  lastSwept_ = folder;
  if (!swept_.insert(FoldCase(folder)).second) return;
  for (const std::string& name : tree_->FilesMatching(folder, kTempPattern)) {
    const uint32_t writer = TempWriter(name);
    if (writer != 0 && !ProcessIsRunning(writer)) tree_->Remove(folder + name);
  }
}

int TZUUnzipper::WriteEntry(TZUEntryReader& entry, const std::string& target, const std::string& relative,
                            bool targetExists, const uint8_t* localHeader, std::unique_ptr<TZUZipCryptor> cryptor) {
  // A file appears under its name only complete and checked, whether it is
  // new or replaces one: the entry is written to a pending file in the
  // target's folder first (nameless where the file system allows, so that a
  // killed extraction leaves nothing), and dropped if anything fails.
  const std::string folder = ExtractFilePath(relative);
  RemoveStaleTemps(folder);
  // The files made ahead are made in the folder being written (files come
  // folder by folder).
  if (aheadFiles_ && folder != nearFolder_) {
    aheadFiles_->Near(relative);
    nearFolder_ = folder;
  }
  FolderTree::TPendingFile temp;
  const auto job = cryptor ? jobOf_.end() : jobOf_.find(&entry);
  const bool ahead = ahead_ && job != jobOf_.end();
  // The decode-ahead thread has made the entry's file, nameless, and writes
  // it: the kernel's work on it overlaps this thread's.
  bool madeAhead = false;
  if (ahead) {
    ahead_->Begin(job->second);
    madeAhead = ahead_->Next().Made && tree_->TakesAhead(relative);
  }
  if (!madeAhead && !tree_->CreatePending(relative, TempName(), temp)) return FailWith(MsgCreateFile, target);

  TZUCoDec* codec = &store_;
  if (Get16(localHeader + 8) == 8) {
    if (!inflate_) inflate_ = std::make_unique<TZUCoDecInflate>();
    codec = inflate_.get();
  }
  uint32_t crc = 0;
  int result = Decode(entry, *codec, cryptor.get(), ahead, madeAhead ? nullptr : &temp.File(), crc);
  if (result == 0 && madeAhead) {
    WinFile made;
    // A new file needs no temporary name: it is named by its descriptor.
    if (!ahead_->TakeFile(made) || !tree_->Adopt(made, relative, targetExists ? TempName() : std::string(), temp)) {
      result = FailWith(MsgCreateFile, target);
    }
  }
  if (result == 0 && crc != entry.CRC32) result = Fail(MsgCRCError);

  // Time and attributes go on through the open file, before it takes the
  // target's place: no look-up of the path, and never through a link.
  bool timeFailed = false;
  bool attributesFailed = false;
  if (result == 0) {
    const FileHandle handle = temp.File().Handle();
    if (entry.ModifDateTime != 0) {
      FileTime time = 0;
      timeFailed = !EntryTime(entry, time) || !SetFileLastWriteTimeByHandle(handle, time);
    }
    // The file is new, with no attribute set: attributes without read-only,
    // hidden, system or archive leave it as it is.
    const uint32_t attributes = entry.ExtFileAttrib & 0x7F;
    const uint32_t kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    attributesFailed = (attributes & kept) != 0 && !SetFileAttributesByHandle(handle, attributes);
  }
  // Only now, with the new content complete and checked, does it take its
  // name, in place of the old file (or a link standing there) if any.
  if (result == 0 && !tree_->Publish(temp, relative, targetExists)) result = FailWith(MsgCreateFile, target);
  temp.Discard();
  if (result == 0) {
    if (timeFailed && attributesFailed) {
      result = Fail(MsgSetFileInformation);
    } else if (timeFailed) {
      result = Fail(MsgSetFileTimes);
    } else if (attributesFailed) {
      result = Fail(MsgSetFileAttributes);
    }
  }
  body_.GaugeEndItem();
  return result;
}

int TZUUnzipper::Decode(TZUEntryReader& entry, TZUCoDec& codec, TZUZipCryptor* cryptor, bool ahead, WinFile* out,
                        uint32_t& crc) {
  uint64_t remaining = entry.ComprSize - (cryptor ? 12 : 0);
  const uint64_t limit = entry.UncomprSize;
  uint64_t written = 0;
  int writeError = 0;
  crc = static_cast<uint32_t>(crc32(0, nullptr, 0));
  // One output buffer: the length check, the write (or how it went on the
  // decode-ahead thread) and its count.
  const auto put = [&](const uint8_t* data, size_t size, bool failedAhead = false) {
    if (written + size > limit) {
      writeError = MsgWrongLength;
      return false;
    }
    try {
      if (out) out->Write(data, size);
    } catch (const FileError&) {
      failedAhead = true;
    }
    if (failedAhead) {
      writeError = MsgWriteFile;
      return false;
    }
    written += size;
    body_.GaugeMoreWritten(static_cast<int64_t>(size));
    return true;
  };
  const auto write = [&](const uint8_t* data, size_t size) {
    if (!put(data, size)) return false;
    crc = static_cast<uint32_t>(crc32(crc, data, static_cast<uInt>(size)));
    return true;
  };

  if (ahead) {
    // The same steps as below, decoded already on the other thread.
    for (;;) {
      const TZUDecodeAhead::TStep step = ahead_->Next();
      switch (step.Kind) {
        case TZUDecodeAhead::TStepKind::Opened: break;
        case TZUDecodeAhead::TStepKind::Block:
          if (step.Got < 0) return Fail(MsgUnknownError);
          if (step.Got == 0) return 0;  // the input ends early: the CRC check tells
          body_.GaugeAdvance(step.Got);
          try {
            body_.CheckCancel();
          } catch (const EZUAbort&) {
            return Fail(MsgUserAbort);
          }
          break;
        case TZUDecodeAhead::TStepKind::Output:
          if (!put(step.Data, step.Size, !out && step.WriteFailed)) return Fail(writeError);
          crc = step.Crc;
          break;
        case TZUDecodeAhead::TStepKind::Decoded:
          if (step.Result != Z_OK) return Fail(ZLibErrorMessage(step.Result));
          break;
        case TZUDecodeAhead::TStepKind::End: return 0;
      }
    }
  }

  codec.Reset();
  while (remaining > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, input_.size()));
    const int64_t got = reader_->Read(input_.data(), want);
    if (got < 0) return Fail(MsgUnknownError);
    if (got == 0) break;  // the input ends early: the CRC check tells
    remaining -= static_cast<uint64_t>(got);
    body_.GaugeAdvance(got);
    try {
      body_.CheckCancel();
    } catch (const EZUAbort&) {
      return Fail(MsgUserAbort);
    }
    if (cryptor) cryptor->Decrypt(input_.data(), static_cast<size_t>(got));
    const int result = codec.Decode(input_.data(), static_cast<size_t>(got), write);
    if (writeError != 0) return Fail(writeError);
    if (result != Z_OK) return Fail(ZLibErrorMessage(result));
  }
  return 0;
}

int TZUUnzipper::ObtainPassword(const uint8_t* header, uint8_t checkByte, std::unique_ptr<TZUZipCryptor>& cryptor) {
  bool tried = false;
  const auto attempt = [&](const std::string& password) {
    tried = true;
    auto candidate = std::make_unique<TZUZipCryptor>(Utf8ToCodePage(password, GetACP()));
    uint8_t copy[12];
    std::memcpy(copy, header, sizeof copy);
    if (!candidate->DecryptHeader(copy, checkByte)) return false;
    cryptor = std::move(candidate);
    return true;
  };
  if (!body_.Password().empty() && attempt(body_.Password())) return 0;
  for (uint32_t round = 0; round < body_.PasswordReqCount(); ++round) {
    try {
      body_.CheckCancel();
    } catch (const EZUAbort&) {
      return Fail(MsgUserCanceled);
    }
    if (body_.Unattended()) break;
    std::string text = body_.ZipLoadStr(MsgEnterPassword);
    const int answer = body_.ZipMessageDialog(body_.ZipLoadStr(MsgPasswordCaption), text,
                                              ZipDialogContext(TZipDialogKind::Password, MsgEnterPassword),
                                              ZdbOK | ZdbCancel | ZdbAll);
    if (answer != ZdrOK) return Fail(MsgUserCanceled);
    if (text.size() > 80) text.resize(80);
    body_.SetPasswordValue(text);
    if (attempt(text)) return 0;
  }
  return Fail(tried ? MsgPasswordFailed : MsgNoPassword);
}

void TZUUnzipper::Succeeded(const std::string& name, const std::string& part, const std::string& cleaned,
                            uint64_t size) {
  body_.SetSuccessCnt(body_.SuccessCnt() + 1);
  body_.IncludeSpecs().push_back(cleaned == part ? name : name + " :: " + cleaned);
  body_.ReportMessage(0, ZipFormat("Unzipped file %s of size %d", {name, std::to_string(size)}));
}

}  // namespace

bool ZipSpecMatch(std::string_view pattern, std::string_view name) {
  const std::string foldedName = FoldCase(name);
  size_t start = 0;
  while (start <= pattern.size()) {
    size_t end = pattern.find('|', start);
    if (end == std::string_view::npos) end = pattern.size();
    std::string alternative = FoldCase(pattern.substr(start, end - start));
    for (char& c : alternative) {
      if (c == '/') c = '\\';
    }
    if (!alternative.empty()) {
      if (alternative == "*.*" || alternative == "*") return true;
      if (GlobMatch(alternative, foldedName)) return true;
    }
    start = end + 1;
  }
  return false;
}

int TZUOpUnzipFiles::Execute(TZUCommand& TheBody) { return TZUUnzipper(TheBody).Run(); }

}  // namespace vorn
