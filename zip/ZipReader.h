// Reading a zip archive's directory (TZUZipReader) into entry records
// (TZUEntryReader): the end record search, the Zip64 locator and record, the
// start of the central directory and the central records themselves.
//
// Every number read from the file is checked before it is used: the reader
// never reads past what the file holds, never allocates more than a record's
// own lengths (at most 3 x 65535 bytes), and reports each fault by raising
// EZipUnpacker with the message id of the fault.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/WinFile.h"
#include "zip/EntryNames.h"

namespace vorn {

constexpr uint32_t kLocalHeaderSig = 0x04034B50;
constexpr uint32_t kCentralHeaderSig = 0x02014B50;
constexpr uint32_t kEndRecordSig = 0x06054B50;
constexpr uint32_t kZip64LocatorSig = 0x07064B50;
constexpr uint32_t kZip64EndRecordSig = 0x06064B50;
constexpr uint32_t kSpanSig = 0x08074B50;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZip64EndRecordSize = 56;
constexpr int64_t kEndRecordWindow = 65535 + 22;
constexpr size_t kLocalHeaderSize = 30;

// Little-endian numbers of the archive's records.
inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(Get16(p)) | static_cast<uint32_t>(Get16(p + 2)) << 16;
}
inline uint64_t Get64(const uint8_t* p) {
  return static_cast<uint64_t>(Get32(p)) | static_cast<uint64_t>(Get32(p + 4)) << 32;
}

// One central-directory record, as read, with the values derived from it.
class TZUEntryReader {
 public:
  // The 46-byte central header's fields.
  uint16_t VersionMadeBy = 0;
  uint16_t VersionNeeded = 0;
  uint16_t Flag = 0;
  uint16_t ComprMethod = 0;
  uint32_t ModifDateTime = 0;  // time in the low 16 bits, date in the high
  uint32_t CRC32 = 0;
  uint32_t ComprSize32 = 0;
  uint32_t UncomprSize32 = 0;
  uint16_t FileNameLen = 0;
  uint16_t ExtraLen = 0;
  uint16_t CommentLen = 0;
  uint16_t DiskStart16 = 0;
  uint16_t IntFileAttrib = 0;
  uint32_t ExtFileAttrib = 0;
  uint32_t RelOffLocal32 = 0;

  // From the Zip64 extra field where the 32-bit fields are all ones.
  uint64_t UncomprSize = 0;
  uint64_t ComprSize = 0;
  uint64_t RelOffLocal = 0;
  uint32_t DiskStart = 0;

  bool IsDirOnly = false;  // the raw name ends in "/"
  bool Selected = false;   // chosen by the extraction's selection
  int ListIndex = -1;      // position in the component's visible list

  std::string_view RawName() const { return std::string_view(data_).substr(0, FileNameLen); }
  std::string_view ExtraField() const { return std::string_view(data_).substr(FileNameLen, ExtraLen); }
  std::string_view Comment() const {
    return std::string_view(data_).substr(static_cast<size_t>(FileNameLen) + ExtraLen, CommentLen);
  }
  bool Encrypted() const { return Flag & 0x0001; }
  bool HasDataDescriptor() const { return Flag & 0x0008; }
  uint16_t DosTime() const { return static_cast<uint16_t>(ModifDateTime); }
  uint16_t DosDate() const { return static_cast<uint16_t>(ModifDateTime >> 16); }

  // The decoded name, computed at the first call and cached.
  const std::string& DecodedName(TZUEncodingOpts encoding, unsigned codePage) const;
  // The encoding the entry declares (computed at the first call and cached).
  TZUEncodingOpts DetectedEncoding() const;

  // Parses a 46-byte header (the signature already checked by the caller)
  // and takes the variable part; raises EZipUnpacker 136 for a short Zip64 field.
  void Assign(const uint8_t* header, std::string variable);

 private:
  TZUNameSource NameSource() const;

  std::string data_;  // name, extra field and comment
  mutable std::optional<std::string> decodedName_;
  mutable std::optional<TZUEncodingOpts> detected_;
};

// Whether the archive's file information is still that saved at the load.
bool SameArchiveInfo(const FileInfo& now, const FileInfo& saved);

// Called back while reading: a warning (159 or 160) to show and go on with,
// and one record read (progress and the cancel test).
struct TZUReadCallbacks {
  std::function<void(int code)> Warning;
  std::function<void(int64_t totalRecords)> DirectoryStart;
  std::function<void(TZUEntryReader& entry)> RecordRead;
};

class TZUZipReader {
 public:
  // source: the archive already open; every handle of this reader is then
  // a second handle on that file (WinFile::ReopenSame), never a new look-up
  // of the path.
  explicit TZUZipReader(std::string path, std::shared_ptr<const WinFile> source = nullptr);

  // The whole load: open, end record, Zip64 records, central directory.
  // Raises EZipUnpacker with the fault's message id; the file stays open
  // until Close (the caller closes it in every case).
  void Load(const TZUReadCallbacks& callbacks);

  // Opens the archive again for reading; for a completely loaded archive the
  // file must be unchanged since the load. Returns 0, or 59 (cannot open) or
  // 56 (changed).
  int Reopen();
  void Close() { file_.Close(); }
  bool IsOpen() const { return file_.IsOpen(); }
  // Seek and read on the open archive (the extraction's access).
  bool Seek(int64_t position);
  int64_t Read(void* buffer, size_t count);

  const std::string& Path() const { return path_; }
  const std::shared_ptr<const WinFile>& Source() const { return source_; }
  void ClearPath() {
    path_.clear();
    source_.reset();
  }
  bool Loaded() const { return loaded_; }
  bool Zip64() const { return zip64_; }
  const std::deque<TZUEntryReader>& Entries() const { return entries_; }
  std::deque<TZUEntryReader>& Entries() { return entries_; }
  const FileInfo& SavedInfo() const { return savedInfo_; }

  // End-record values, as used.
  uint32_t DiskNumber() const { return diskNumber_; }
  uint32_t TotalDisks() const { return totalDisks_; }
  uint32_t CentralDisk() const { return centralDisk_; }
  uint64_t RecordsOnDisk() const { return recordsOnDisk_; }
  uint64_t TotalRecords() const { return totalRecords_; }
  uint64_t CentralSize() const { return centralSize_; }
  uint64_t CentralOffset() const { return centralOffset_; }
  int64_t CentralStart() const { return centralStart_; }
  int64_t FileSize() const { return fileSize_; }
  const std::string& ArchiveComment() const { return comment_; }

 private:
  void Open();
  // Opens file_ from the source or by path; false, with GetLastError set, on failure.
  bool OpenFile();
  void FindEndRecord(const TZUReadCallbacks& callbacks);
  void ReadZip64Records(const TZUReadCallbacks& callbacks);
  void LocateCentralDirectory(const TZUReadCallbacks& callbacks);
  void ReadCentralDirectory(const TZUReadCallbacks& callbacks);

  // Reads exactly count bytes or returns false.
  bool ReadFully(void* buffer, size_t count);
  void SeekOrRaise(int64_t position, int id);

  std::string path_;
  std::shared_ptr<const WinFile> source_;
  WinFile file_;
  // Buffered reading of the central directory, which is read record by record.
  std::vector<uint8_t> buffer_;
  size_t bufferAt_ = 0;
  size_t bufferEnd_ = 0;
  // Where the buffer's first byte and the host file's position are in the
  // archive; -1 when not known (after a failed seek).
  int64_t bufferStart_ = -1;
  int64_t filePos_ = -1;
  void Advanced(int64_t count);

  uint32_t diskNumber_ = 0;
  uint32_t totalDisks_ = 1;
  uint32_t centralDisk_ = 0;
  uint64_t recordsOnDisk_ = 0;
  uint64_t totalRecords_ = 0;
  uint64_t centralSize_ = 0;
  uint64_t centralOffset_ = 0;
  int64_t centralStart_ = 0;
  int64_t endRecordPos_ = 0;  // of the 32-bit end record
  int64_t fileSize_ = 0;      // position just after the end record's comment
  std::string comment_;
  bool zip64_ = false;
  bool loaded_ = false;
  FileInfo savedInfo_;
  std::deque<TZUEntryReader> entries_;
};

}  // namespace vorn
