// The loaded archive of the zip component (TZULister): the reader with its
// entry records, the visible entry list, and the directory load that runs
// when ZipFileName is set.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "zip/ZipBody.h"
#include "zip/ZipReader.h"

namespace vorn {

class TZULister : public TZUBody {
 public:
  TZULister(void* sender, TZUEvents& events);

  // Visible entries: every entry except folder entries, which are counted
  // in DirOnlyCnt instead unless UseDirOnlyEntries is set.
  int Count() const { return static_cast<int>(visible_.size()); }
  int DirOnlyCnt() const { return dirOnlyCnt_; }
  const std::vector<TZUEntryReader*>& VisibleEntries() const { return visible_; }

  const std::string& ZipFileName() const { return zipFileName_; }
  // file: the archive already open, read through it alone; null: opened by name.
  void SetZipFileNameValue(const std::string& absolutePath, std::shared_ptr<const WinFile> file = nullptr) {
    zipFileName_ = absolutePath;
    zipFile_ = std::move(file);
  }
  // The reader of the last load (null before the first); its records stay
  // after a failed load, its path is then empty.
  TZUZipReader* Reader() const { return reader_.get(); }
  // An entry's name decoded with the component's encoding settings.
  const std::string& EntryName(const TZUEntryReader& entry) const;

  // Loads the directory of ZipFileName; errors are shown and recorded.
  void LoadZip();
  void CloseArchive();
  void ClearSelection();
  // Empties the visible list and frees the reader (a cancelled operation).
  void EmptyList();
  // Forgets the archive: its entries and the open file held for it.
  void ReleaseZipFile() {
    EmptyList();
    zipFile_.reset();
  }

  TZUEncodingOpts Encoding = ZeoAuto;
  unsigned Encoding_CP = 0;
  bool UseDirOnlyEntries = false;

 private:
  void AddVisible(TZUEntryReader& entry);

  std::string zipFileName_;
  std::shared_ptr<const WinFile> zipFile_;
  std::unique_ptr<TZUZipReader> reader_;
  std::vector<TZUEntryReader*> visible_;
  int dirOnlyCnt_ = 0;
};

}  // namespace vorn
