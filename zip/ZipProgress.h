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

// Sizes and counts come from the archive, which may declare anything: sums
// of them stop at the largest value instead of overflowing.
inline int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? INT64_MAX : INT64_MIN;
}

// 100 x position div size when both are above 0, else 0; the product is
// taken in 128 bits, and a position far past the size gives the largest
// Integer.
inline int32_t PerCent(int64_t position, int64_t size) {
  if (position <= 0 || size <= 0) return 0;
  const __int128 percent = static_cast<__int128>(position) * 100 / size;
  return percent > INT32_MAX ? INT32_MAX : static_cast<int32_t>(percent);
}

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

  int32_t ItemPerCent() const { return PerCent(ItemPosition(), ItemSize()); }
  int32_t TotalPerCent() const { return PerCent(TotalPosition(), TotalSize()); }
};

using TZUProgressEvent = std::function<void(void* Sender, TZUProgressDetails& Details)>;

// How operations report progress (the body's reporting mode).
enum TZipShowProgress { ZspNone = 0, ZspFull = 1, ZspExtra = 2 };

// The progress object that operations update. Each update that reports an
// event sets Order and calls the change hook, through which the component
// dispatches it to OnProgress; the same object is passed for every event.
class TZUProgress : public TZUProgressDetails {
 public:
  using ChangeHook = std::function<void(TZUProgress&)>;

  int64_t BytesWritten() const override { return bytesWritten_; }
  int64_t Delta() const override { return delta_; }
  std::string ItemName() const override { return itemName_; }
  int32_t ItemNumber() const override { return itemNumber_; }
  int64_t ItemPosition() const override { return itemPosition_; }
  int64_t ItemSize() const override { return itemSize_; }
  TZUProgressType Order() const override { return order_; }
  bool Stop() const override { return stop_; }
  int64_t TotalCount() const override { return totalCount_; }
  int64_t TotalPosition() const override { return totalPosition_; }
  int64_t TotalSize() const override { return totalSize_; }
  void SetStop(bool stop) override { stop_ = stop; }

  bool InBatch() const { return inBatch_; }
  void SetChangeHook(ChangeHook hook) { change_ = std::move(hook); }

  void SetTotalCount(int64_t count);            // TotalFiles2Process
  void SetTotalSize(int64_t size);              // TotalSize2Process
  void NewItem(const std::string& name, int64_t size);  // NewFile (EndOfItem for a negative size)
  void Advance(int64_t delta);                  // ProgressUpdate
  void AdvanceXtra(int64_t delta);              // ExtraUpdate
  void NewXtraItem(const std::string& label, int64_t size);  // NewExtra
  void EndItem();                               // EndOfItem
  void EndBatch();                              // EndOfBatch
  void MoreWritten(int64_t count) { bytesWritten_ = SaturatingAdd(bytesWritten_, count); }
  void Written(int64_t count) { bytesWritten_ = count; }

 private:
  void Send(TZUProgressType order);

  int64_t bytesWritten_ = 0;
  int64_t delta_ = 0;
  std::string itemName_;
  int32_t itemNumber_ = 0;
  int64_t itemPosition_ = 0;
  int64_t itemSize_ = 0;
  TZUProgressType order_ = NewFile;
  bool stop_ = false;
  int64_t totalCount_ = 0;
  int64_t totalPosition_ = 0;
  int64_t totalSize_ = 0;
  bool inBatch_ = false;
  ChangeHook change_;
};

}  // namespace vorn
