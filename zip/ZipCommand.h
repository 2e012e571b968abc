// The operation runner of the zip component (TZUCommand): one operation at a
// time per component. A second operation or a guarded setting while one runs
// (possible because the keep-alive processes window messages, and so button
// clicks, inside an operation) is refused and counted, never run.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "zip/ZipLister.h"

namespace vorn {

class TZUCommand;

// What an operation needs and changes, a bit each.
enum TZUOperOpts : unsigned { ZorFSpecArgs = 1, ZorZip = 2 };

// One operation: made by the component method, run and freed by Run.
class TZUOperationRoot {
 public:
  virtual ~TZUOperationRoot() = default;
  // 0, or a negative extended code.
  virtual int Execute(TZUCommand& TheBody) = 0;
  virtual unsigned Needs() const { return 0; }
  virtual unsigned Changes() const { return 0; }
  virtual std::string Name() const = 0;
};

// Loads the archive's directory (setting ZipFileName).
class TZUOpSetZipFileName : public TZUOperationRoot {
 public:
  explicit TZUOpSetZipFileName(std::string absolutePath, std::shared_ptr<const WinFile> file = nullptr)
      : path_(std::move(absolutePath)), file_(std::move(file)) {}
  int Execute(TZUCommand& TheBody) override;
  unsigned Changes() const override { return ZorZip; }
  std::string Name() const override { return "SetZipFileName"; }

 private:
  std::string path_;
  std::shared_ptr<const WinFile> file_;
};

class TZUCommand : public TZULister {
 public:
  TZUCommand(void* sender, TZUEvents& events);

  int Run(std::unique_ptr<TZUOperationRoot> operation) override;

  TZUStates State() const { return state_; }
  int BlockedCnt() const { return blockedCnt_; }
  bool Busy() const { return state_ >= ZsBusy; }
  // True (and counted as a refused attempt) while an operation runs: the
  // guarded setters call it and then ignore the value.
  bool RefuseWhileBusy();

  bool Active() const { return active_; }
  // Returns true when a name refused while inactive should now be loaded.
  bool SetActiveValue(bool active);

  std::vector<std::string>& FSpecArgs() { return fSpecArgs_; }
  std::vector<std::string>& FSpecArgsExcl() { return fSpecArgsExcl_; }
  // Extraction settings (ExtrBaseDir, ExtrOptions), read at each Extract.
  std::string ExtrBaseDirValue;
  uint32_t ExtrOptionsValue = 0;

  bool VerboseValue = false;
  bool TraceValue = false;

  int SuccessCnt() const { return successCnt_; }
  void SetSuccessCnt(int count) { successCnt_ = count; }

 private:
  int Execute(TZUOperationRoot& operation);
  void Prepare(const TZUOperationRoot& operation);
  void AfterOperation(const TZUOperationRoot& operation);
  void Finish();
  void SetState(TZUStates state);

  TZUStates state_ = ZsDisabled;
  int busy_ = 0;
  int blockedCnt_ = 0;
  bool active_ = true;
  bool deactivatePending_ = false;
  std::vector<std::string> fSpecArgs_;
  std::vector<std::string> fSpecArgsExcl_;
  int successCnt_ = 0;
};

}  // namespace vorn
