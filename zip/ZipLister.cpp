// The directory load of the zip component: drives the reader, builds the
// visible list and reports progress, warnings and errors.
#include "zip/ZipLister.h"

#include "zip/ZipMessageIds.h"

namespace vorn {

TZULister::TZULister(void* sender, TZUEvents& events) : TZUBody(sender, events) {}

const std::string& TZULister::EntryName(const TZUEntryReader& entry) const {
  return entry.DecodedName(Encoding, Encoding_CP);
}

void TZULister::AddVisible(TZUEntryReader& entry) {
  if (entry.IsDirOnly && !UseDirOnlyEntries) {
    ++dirOnlyCnt_;
    return;
  }
  entry.ListIndex = static_cast<int>(visible_.size());
  visible_.push_back(&entry);
}

void TZULister::LoadZip() {
  visible_.clear();
  dirOnlyCnt_ = 0;
  reader_.reset();
  reader_ = std::make_unique<TZUZipReader>(zipFileName_, zipFile_);

  bool batchOpen = false;
  TZUReadCallbacks callbacks;
  callbacks.Warning = [this](int code) { ShowError(code); };
  callbacks.DirectoryStart = [this, &batchOpen](int64_t totalRecords) {
    batchOpen = true;
    GaugeNewItem(ZipLoadStr(MsgLoadingDirectory), totalRecords);
  };
  callbacks.RecordRead = [this](TZUEntryReader& entry) {
    AddVisible(entry);
    GaugeAdvance(1);
    try {
      CheckCancel();
    } catch (const EZUAbort&) {
      // A cancelled load ends with 143, not with the abort's 139.
      throw EZipUnpacker(ZipErrCode(MsgUserCanceled, ZuLister));
    }
  };

  try {
    reader_->Load(callbacks);
    reader_->Close();
    if (batchOpen) GaugeEndBatch();
  } catch (const EZUException& error) {
    reader_->Close();
    reader_->ClearPath();
    if (batchOpen) GaugeEndBatch();
    if (error.Id() == MsgNoInputFile) {
      ReportMessage(error.ExtCode(), std::string());  // recorded, no dialog
    } else {
      ShowExceptionError(error);
    }
  }
}

void TZULister::CloseArchive() {
  if (reader_) reader_->Close();
}

void TZULister::ClearSelection() {
  if (!reader_) return;
  for (TZUEntryReader& entry : reader_->Entries()) entry.Selected = false;
}

void TZULister::EmptyList() {
  visible_.clear();
  dirOnlyCnt_ = 0;
  reader_.reset();
}

}  // namespace vorn
