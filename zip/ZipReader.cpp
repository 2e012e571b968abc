// Directory reading of zip archives (the APPNOTE layout, little-endian).
#include "zip/ZipReader.h"

#include <algorithm>
#include <cstring>

#include "zip/ZipErrors.h"
#include "zip/ZipMessageIds.h"

namespace vorn {

namespace {

constexpr size_t kReadBuffer = 65536;

[[noreturn]] void Fail(int id, int line = __builtin_LINE()) { throw EZipUnpacker(ZipErrCode(id, ZuReader, line)); }

}  // namespace

bool SameArchiveInfo(const FileInfo& now, const FileInfo& saved) {
  // The last-access time is left out: reading the archive changes it.
  return now.LastWriteTime == saved.LastWriteTime && now.CreationTime == saved.CreationTime &&
         now.Size == saved.Size && now.Attributes == saved.Attributes &&
         now.VolumeSerialNumber == saved.VolumeSerialNumber && now.FileIndex == saved.FileIndex;
}

// ---- entry records ----

void TZUEntryReader::Assign(const uint8_t* h, std::string variable) {
  VersionMadeBy = Get16(h + 4);
  VersionNeeded = Get16(h + 6);
  Flag = Get16(h + 8);
  ComprMethod = Get16(h + 10);
  ModifDateTime = Get32(h + 12);
  CRC32 = Get32(h + 16);
  ComprSize32 = Get32(h + 20);
  UncomprSize32 = Get32(h + 24);
  FileNameLen = Get16(h + 28);
  ExtraLen = Get16(h + 30);
  CommentLen = Get16(h + 32);
  DiskStart16 = Get16(h + 34);
  IntFileAttrib = Get16(h + 36);
  ExtFileAttrib = Get32(h + 38);
  RelOffLocal32 = Get32(h + 42);
  data_ = std::move(variable);

  UncomprSize = UncomprSize32;
  ComprSize = ComprSize32;
  RelOffLocal = RelOffLocal32;
  DiskStart = DiskStart16;
  IsDirOnly = FileNameLen > 0 && data_[FileNameLen - 1] == '/';

  if ((VersionNeeded & 0xFF) < 45) return;
  const auto field = FindExtraField(ExtraField(), kZip64ExtraTag);
  if (!field) return;
  // The values appear in this order, each only when its 32-bit field is all
  // ones; a field too short for a value it must supply is an error.
  const auto* p = reinterpret_cast<const uint8_t*>(field->data());
  size_t left = field->size();
  auto take64 = [&](uint64_t& value) {
    if (left < 8) Fail(MsgZip64Field);
    value = Get64(p);
    p += 8;
    left -= 8;
  };
  if (UncomprSize32 == 0xFFFFFFFF) take64(UncomprSize);
  if (ComprSize32 == 0xFFFFFFFF) take64(ComprSize);
  if (RelOffLocal32 == 0xFFFFFFFF) take64(RelOffLocal);
  if (DiskStart16 == 0xFFFF) {
    if (left < 4) Fail(MsgZip64Field);
    DiskStart = Get32(p);
  }
}

TZUNameSource TZUEntryReader::NameSource() const {
  return TZUNameSource{RawName(), ExtraField(), Comment(), VersionMadeBy, Flag};
}

const std::string& TZUEntryReader::DecodedName(TZUEncodingOpts encoding, unsigned codePage) const {
  if (!decodedName_) decodedName_ = DecodeEntryName(NameSource(), encoding, codePage);
  return *decodedName_;
}

TZUEncodingOpts TZUEntryReader::DetectedEncoding() const {
  if (!detected_) detected_ = DetectEncoding(NameSource());
  return *detected_;
}

// ---- the archive ----

TZUZipReader::TZUZipReader(std::string path, std::shared_ptr<const WinFile> source)
    : path_(std::move(path)), source_(std::move(source)) {}

bool TZUZipReader::OpenFile() {
  if (!source_) return file_.TryOpen(path_, FileOpen::Read);
  try {
    file_ = source_->ReopenSame();
    return true;
  } catch (const FileError&) {
    return false;
  }
}

bool TZUZipReader::Seek(int64_t position) {
  if (position < 0 || !file_.IsOpen()) {
    bufferAt_ = bufferEnd_ = 0;
    return false;
  }
  // A position inside the bytes buffered already (the next entry's local
  // header, after a small entry) needs no call to the host.
  // The host file must still stand just after the buffer (direct reads
  // move it on).
  if (bufferStart_ >= 0 && bufferEnd_ > 0 && filePos_ == bufferStart_ + static_cast<int64_t>(bufferEnd_) &&
      position >= bufferStart_ && position <= filePos_) {
    bufferAt_ = static_cast<size_t>(position - bufferStart_);
    return true;
  }
  bufferAt_ = bufferEnd_ = 0;
  try {
    file_.Seek(position, SeekOrigin::Begin);
  } catch (const FileError&) {
    filePos_ = -1;
    return false;
  }
  filePos_ = position;
  return true;
}

int64_t TZUZipReader::Read(void* buffer, size_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < count) {
    if (bufferAt_ < bufferEnd_) {
      const size_t n = std::min(count - done, bufferEnd_ - bufferAt_);
      std::memcpy(out + done, buffer_.data() + bufferAt_, n);
      bufferAt_ += n;
      done += n;
      continue;
    }
    // Large reads (an extraction's 32768-byte blocks) go straight to the
    // file; small ones (directory records, headers) refill the buffer.
    if (count - done >= kReadBuffer / 4) {
      const int64_t n = file_.Read(out + done, count - done);
      if (n <= 0) return n < 0 && done == 0 ? -1 : static_cast<int64_t>(done);
      Advanced(n);
      done += static_cast<size_t>(n);
      continue;
    }
    if (buffer_.size() < kReadBuffer) buffer_.resize(kReadBuffer);
    bufferStart_ = filePos_;
    const int64_t n = file_.Read(buffer_.data(), kReadBuffer);
    if (n <= 0) return n < 0 && done == 0 ? -1 : static_cast<int64_t>(done);
    Advanced(n);
    bufferAt_ = 0;
    bufferEnd_ = static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

bool TZUZipReader::ReadFully(void* buffer, size_t count) {
  return Read(buffer, count) == static_cast<int64_t>(count);
}

void TZUZipReader::SeekOrRaise(int64_t position, int id) {
  if (!Seek(position)) Fail(id);
}

void TZUZipReader::Open() {
  if (source_) {
    if (!OpenFile()) Fail(MsgZipOpen);
    bufferAt_ = bufferEnd_ = 0;
    filePos_ = 0;
    return;
  }
  if (path_.empty() || DirectoryExists(path_)) {
    Fail(path_.empty() || GetFileAttributes(path_) == INVALID_FILE_ATTRIBUTES ? MsgNoInputFile : MsgZipOpen);
  }
  if (!file_.TryOpen(path_, FileOpen::Read)) {
    Fail(GetFileAttributes(path_) == INVALID_FILE_ATTRIBUTES ? MsgNoInputFile : MsgZipOpen);
  }
  bufferAt_ = bufferEnd_ = 0;
  filePos_ = 0;
}

void TZUZipReader::Advanced(int64_t count) {
  if (filePos_ >= 0) filePos_ += count;
}

void TZUZipReader::Load(const TZUReadCallbacks& callbacks) {
  loaded_ = false;
  entries_.clear();
  Open();
  FindEndRecord(callbacks);

  // The first bytes tell a plain archive (a local header), a self-extracting
  // program ("MZ") or a spanned one; all are read the same way here, since
  // the directory is found from the end.
  uint8_t head[4] = {};
  SeekOrRaise(0, MsgInputSeek);
  if (!ReadFully(head, sizeof head)) std::memset(head, 0, sizeof head);

  if ((diskNumber_ == 0xFFFF || centralDisk_ == 0xFFFF || recordsOnDisk_ == 0xFFFF || totalRecords_ == 0xFFFF ||
       centralSize_ == 0xFFFFFFFF || centralOffset_ == 0xFFFFFFFF)) {
    ReadZip64Records(callbacks);
  }
  LocateCentralDirectory(callbacks);
  ReadCentralDirectory(callbacks);
  loaded_ = true;
  savedInfo_ = file_.Info();
}

void TZUZipReader::FindEndRecord(const TZUReadCallbacks& callbacks) {
  const int64_t size = file_.Size();
  if (size < static_cast<int64_t>(kEndRecordSize)) Fail(MsgNotZip);

  uint8_t tail[kEndRecordSize];
  SeekOrRaise(size - static_cast<int64_t>(kEndRecordSize), MsgInputSeek);
  if (!ReadFully(tail, sizeof tail)) Fail(MsgEOCRead);

  const uint8_t* record = nullptr;
  std::vector<uint8_t> window;
  size_t following = 0;  // bytes after the record
  if (Get32(tail) == kEndRecordSig) {
    record = tail;
    endRecordPos_ = size - static_cast<int64_t>(kEndRecordSize);
  } else {
    const int64_t windowSize = std::min<int64_t>(kEndRecordWindow, size);
    window.resize(static_cast<size_t>(windowSize));
    SeekOrRaise(size - windowSize, MsgInputSeek);
    if (!ReadFully(window.data(), window.size())) Fail(MsgEOCRead);
    // Backwards from 23 bytes before the end: a record that ends exactly at
    // the end of the file was tested above.
    for (int64_t at = windowSize - 23; at >= 0; --at) {
      if (Get32(window.data() + at) == kEndRecordSig) {
        record = window.data() + at;
        endRecordPos_ = size - windowSize + at;
        following = static_cast<size_t>(windowSize - at) - kEndRecordSize;
        break;
      }
    }
    if (!record) Fail(MsgNotZip);
  }

  diskNumber_ = Get16(record + 4);
  totalDisks_ = diskNumber_ + 1;
  centralDisk_ = Get16(record + 6);
  recordsOnDisk_ = Get16(record + 8);
  totalRecords_ = Get16(record + 10);
  centralSize_ = Get32(record + 12);
  centralOffset_ = Get32(record + 16);
  const size_t commentField = Get16(record + 20);
  // The comment runs to the end of the file; a length field that says
  // otherwise (too long, too short, or bytes appended) gives the warning.
  comment_.assign(reinterpret_cast<const char*>(record) + kEndRecordSize, following);
  fileSize_ = size;
  if (commentField != following) callbacks.Warning(ZipErrCode(MsgEOCCommentLength, ZuReader));
}

void TZUZipReader::ReadZip64Records(const TZUReadCallbacks& callbacks) {
  uint8_t locator[kZip64LocatorSize];
  SeekOrRaise(endRecordPos_ - static_cast<int64_t>(kZip64LocatorSize), MsgInputSeek);
  if (!ReadFully(locator, sizeof locator)) Fail(MsgEOCRead);
  if (Get32(locator) != kZip64LocatorSig) return;
  const uint32_t locatorDisks = Get32(locator + 16);
  if (diskNumber_ == 0xFFFF && locatorDisks < 0xFFFF) return;

  zip64_ = true;
  totalDisks_ = locatorDisks;
  diskNumber_ = locatorDisks - 1;
  if (static_cast<uint64_t>(Get32(locator + 4)) + 1 != locatorDisks) Fail(MsgEOCRead);

  const uint64_t recordPos = Get64(locator + 8);
  if (recordPos > static_cast<uint64_t>(INT64_MAX)) Fail(MsgInputSeek);
  uint8_t record[kZip64EndRecordSize];
  SeekOrRaise(static_cast<int64_t>(recordPos), MsgInputSeek);
  if (!ReadFully(record, sizeof record)) Fail(MsgEOCRead);
  int64_t usedEndPos = endRecordPos_;
  if (Get32(record) == kZip64EndRecordSig) {
    if ((Get16(record + 14) & 0xFF) > 45 || Get64(record + 4) < 44) Fail(MsgUnsupportedVersion);
    // Only the values that held their all-ones mark are replaced.
    if (diskNumber_ == 0xFFFF) diskNumber_ = Get32(record + 16);
    if (centralDisk_ == 0xFFFF) centralDisk_ = Get32(record + 20);
    if (recordsOnDisk_ == 0xFFFF) recordsOnDisk_ = Get64(record + 24);
    if (totalRecords_ == 0xFFFF) totalRecords_ = Get64(record + 32);
    if (centralSize_ == 0xFFFFFFFF) centralSize_ = Get64(record + 40);
    if (centralOffset_ == 0xFFFFFFFF) centralOffset_ = Get64(record + 48);
    usedEndPos = static_cast<int64_t>(recordPos);
  }
  // Unsigned arithmetic: the sum may wrap for absurd values, which still
  // differs from the position and so gives the warning, as it should.
  if (static_cast<uint64_t>(usedEndPos) != centralSize_ + centralOffset_) {
    callbacks.Warning(ZipErrCode(MsgStructureWarning, ZuReader));
  }
}

void TZUZipReader::LocateCentralDirectory(const TZUReadCallbacks& callbacks) {
  // Both sides may be absurd in a damaged file: compute in a range where
  // nothing overflows, and let a negative or huge start fail on its seek.
  auto clamp = [](uint64_t value) { return static_cast<int64_t>(std::min<uint64_t>(value, INT64_MAX / 4)); };
  int64_t start = clamp(centralOffset_);
  if (!zip64_) {
    const int64_t computed =
        fileSize_ - (static_cast<int64_t>(comment_.size()) + clamp(centralSize_) + static_cast<int64_t>(kEndRecordSize));
    if (computed != clamp(centralOffset_) || centralOffset_ > static_cast<uint64_t>(INT64_MAX / 4)) {
      callbacks.Warning(ZipErrCode(MsgStructureWarning, ZuReader));
      SeekOrRaise(clamp(centralOffset_), MsgZipSeek);
      uint8_t sig[4];
      if (!ReadFully(sig, sizeof sig)) Fail(MsgCentralRead);
      start = Get32(sig) == kCentralHeaderSig ? clamp(centralOffset_) : computed;
    } else {
      start = computed;
    }
  }
  centralStart_ = start;
  SeekOrRaise(start, MsgZipSeek);
}

void TZUZipReader::ReadCentralDirectory(const TZUReadCallbacks& callbacks) {
  if (callbacks.DirectoryStart) callbacks.DirectoryStart(static_cast<int64_t>(std::min<uint64_t>(totalRecords_, INT64_MAX)));
  uint8_t header[kCentralHeaderSize];
  // The count comes from the file and is not trusted for memory: each record
  // must be read from the file before it is kept, so a count larger than the
  // file holds ends with a short read.
  for (uint64_t i = 0; i < totalRecords_; ++i) {
    if (!ReadFully(header, sizeof header)) Fail(MsgCentralRead);
    if (Get32(header) != kCentralHeaderSig) Fail(MsgCentralSignature);
    const size_t variableSize =
        static_cast<size_t>(Get16(header + 28)) + Get16(header + 30) + Get16(header + 32);
    std::string variable(variableSize, '\0');
    if (variableSize > 0 && !ReadFully(variable.data(), variableSize)) Fail(MsgCentralRead);
    TZUEntryReader& entry = entries_.emplace_back();
    try {
      entry.Assign(header, std::move(variable));
    } catch (...) {
      entries_.pop_back();
      throw;
    }
    if (callbacks.RecordRead) callbacks.RecordRead(entry);
  }
}

int TZUZipReader::Reopen() {
  bufferAt_ = bufferEnd_ = 0;
  if (!file_.IsOpen()) {
    if (!OpenFile()) return MsgZipOpen;
    filePos_ = 0;
  }
  if (loaded_ && !SameArchiveInfo(file_.Info(), savedInfo_)) {
    file_.Close();
    return MsgFileChanged;
  }
  return 0;
}

}  // namespace vorn
