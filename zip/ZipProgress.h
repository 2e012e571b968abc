// The zip component's progress events: the kinds of event and the read-only
// view of the progress that OnProgress handlers receive.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vorn {

enum TZUProgressType {
  NewFile = 0,
  ProgressUpdate = 1,
  EndOfItem = 2,
  EndOfBatch = 3,
  TotalFiles2Process = 4,
  TotalSize2Process = 5,
  NewExtra = 6,
  ExtraUpdate = 7,
};

// Sizes and positions are in the units of the reporting operation: bytes of
// compressed data during extraction, records while a directory is loaded.
class TZUProgressDetails {
 public:
  virtual ~TZUProgressDetails() = default;
  virtual int64_t BytesWritten() const = 0;
  virtual int64_t Delta() const = 0;
  virtual std::string ItemName() const = 0;
  virtual int32_t ItemNumber() const = 0;
  virtual int64_t ItemPosition() const = 0;
  virtual int64_t ItemSize() const = 0;
  virtual TZUProgressType Order() const = 0;
  virtual bool Stop() const = 0;
  virtual int64_t TotalCount() const = 0;
  virtual int64_t TotalPosition() const = 0;
  virtual int64_t TotalSize() const = 0;
  virtual void SetStop(bool stop) = 0;

  // 100 x position div size when both are above 0, else 0.
  int32_t ItemPerCent() const {
    return ItemPosition() > 0 && ItemSize() > 0 ? static_cast<int32_t>(100 * ItemPosition() / ItemSize()) : 0;
  }
  int32_t TotalPerCent() const {
    return TotalPosition() > 0 && TotalSize() > 0 ? static_cast<int32_t>(100 * TotalPosition() / TotalSize()) : 0;
  }
};

using TZUProgressEvent = std::function<void(void* Sender, TZUProgressDetails& Details)>;

}  // namespace vorn
