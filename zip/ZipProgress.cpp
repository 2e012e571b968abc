// The progress object's updates: each changes its values and reports one event.
#include "zip/ZipProgress.h"

namespace vorn {

void TZUProgress::Send(TZUProgressType order) {
  order_ = order;
  if (change_) change_(*this);
}

void TZUProgress::SetTotalCount(int64_t count) {
  delta_ = 0;
  bytesWritten_ = 0;
  itemSize_ = 0;
  itemPosition_ = 0;
  totalSize_ = 0;
  totalPosition_ = 0;
  itemName_.clear();
  itemNumber_ = 0;
  stop_ = false;
  totalCount_ = count;
  Send(TotalFiles2Process);
}

void TZUProgress::SetTotalSize(int64_t size) {
  stop_ = false;
  totalSize_ = size;
  totalPosition_ = 0;
  itemName_.clear();
  itemSize_ = 0;
  itemPosition_ = 0;
  bytesWritten_ = 0;
  inBatch_ = true;
  Send(TotalSize2Process);
}

void TZUProgress::NewItem(const std::string& name, int64_t size) {
  if (size < 0) {
    EndItem();
    return;
  }
  ++itemNumber_;
  itemName_ = name;
  itemSize_ = size;
  itemPosition_ = 0;
  Send(NewFile);
}

void TZUProgress::Advance(int64_t delta) {
  delta_ = delta;
  itemPosition_ = SaturatingAdd(itemPosition_, delta);
  totalPosition_ = SaturatingAdd(totalPosition_, delta);
  Send(ProgressUpdate);
}

void TZUProgress::AdvanceXtra(int64_t delta) {
  delta_ = delta;
  itemPosition_ = SaturatingAdd(itemPosition_, delta);
  Send(ExtraUpdate);
}

void TZUProgress::NewXtraItem(const std::string& label, int64_t size) {
  itemName_ = label;
  itemSize_ = size;
  itemPosition_ = 0;
  Send(NewExtra);
}

void TZUProgress::EndItem() { Send(EndOfItem); }

void TZUProgress::EndBatch() {
  itemName_.clear();
  itemSize_ = 0;
  inBatch_ = false;
  stop_ = false;
  Send(EndOfBatch);
}

}  // namespace vorn
