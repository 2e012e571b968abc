// The working state of the zip component's operations (TZUBody): the
// progress object behind the gauge that applies the reporting mode, the
// include, exclude and skip lists, the password, and the cancel test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zip/ZipCore.h"
#include "zip/ZipProgress.h"

namespace vorn {

// The reason and message id of one skip.
class TZUProblem {
 public:
  virtual ~TZUProblem() = default;
};
class TZUProblemItem : public TZUProblem {
 public:
  TZUProblemItem(int errCode, TZUSkipTypes skipCode) : FErrCode(errCode), FSkipCode(skipCode) {}
  int FErrCode;
  TZUSkipTypes FSkipCode;
};

// One line of the skip list: the entry name (or the pattern that found nothing) and its problem.
struct TZUSkipLine {
  std::string Name;
  TZUProblemItem Problem;
};

// Kinds of extra progress, labelled by message 172 + kind.
enum TZUXtraProgress { ZxProcessing = 13 };

class TZUBody : public TZUCore {
 public:
  TZUBody(void* sender, TZUEvents& events);

  TZUProgress& Progress() { return progress_; }
  TZipShowProgress ShowProgress() const { return showProgress_; }
  void SetShowProgress(TZipShowProgress mode) { showProgress_ = mode; }
  int64_t TotalSizeToProcess() const { return totalSizeToProcess_; }
  void SetTotalSizeToProcess(int64_t size) { totalSizeToProcess_ = size; }

  // The gauge: progress calls filtered by the reporting mode.
  void GaugeSetCount(int64_t count);
  void GaugeSetSize(int64_t size);
  void GaugeNewItem(const std::string& name, int64_t size);
  void GaugeAdvance(int64_t delta);
  void GaugeAdvanceXtra(int64_t delta);
  void GaugeNewXtraItem(TZUXtraProgress kind, int64_t size);
  void GaugeEndItem();
  void GaugeEndBatch();
  void GaugeMoreWritten(int64_t count);

  // KeepAlive, then EZUAbort when a cancel request is pending.
  void CheckCancel();

  // Records a skip; true when the operation must end (a reason in NoSkipping,
  // or OnSkipped made the error negative).
  bool Skipping(const std::string& name, TZUSkipTypes reason, int code);

  std::vector<std::string>& IncludeSpecs() { return includeSpecs_; }
  std::vector<std::string>& ExcludeSpecs() { return excludeSpecs_; }
  std::vector<TZUSkipLine>& ProblemList() { return problemList_; }

  TZUSkipAborts NoSkipping() const { return noSkipping_; }
  void SetNoSkipping(TZUSkipAborts set) { noSkipping_ = set; }
  const std::string& Password() const { return password_; }
  void SetPasswordValue(const std::string& password) { password_ = password; }
  uint32_t PasswordReqCount() const { return passwordReqCount_; }
  void SetPasswordReqCountValue(uint32_t count) { passwordReqCount_ = count > 15 ? 15 : count; }

 private:
  void Dispatch(TZUProgress& progress);

  TZUProgress progress_;
  TZipShowProgress showProgress_ = ZspNone;
  int64_t totalSizeToProcess_ = 0;
  std::vector<std::string> includeSpecs_;
  std::vector<std::string> excludeSpecs_;
  std::vector<TZUSkipLine> problemList_;
  TZUSkipAborts noSkipping_ = SkipBit(StDupName) | SkipBit(StReadError);
  std::string password_;
  uint32_t passwordReqCount_ = 1;
};

}  // namespace vorn
