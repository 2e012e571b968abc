// The runner: busy guard, preparation, execution, error handling, finishing.
#include "zip/ZipCommand.h"

#include "zip/ZipMessageIds.h"

namespace vorn {

int TZUOpSetZipFileName::Execute(TZUCommand& TheBody) {
  TheBody.SetZipFileNameValue(path_, file_);
  TheBody.LoadZip();
  return 0;
}

TZUCommand::TZUCommand(void* sender, TZUEvents& events) : TZULister(sender, events) {}

bool TZUCommand::RefuseWhileBusy() {
  if (state_ < ZsBusy) return false;
  ++blockedCnt_;
  SetState(ZsReentry);
  return true;
}

bool TZUCommand::SetActiveValue(bool active) {
  if (!active) {
    active_ = false;
    if (busy_ > 0) {
      deactivatePending_ = true;
    } else {
      SetState(ZsDisabled);
    }
    return false;
  }
  const bool wasInactive = !active_;
  active_ = true;
  deactivatePending_ = false;
  if (busy_ == 0 && wasInactive) SetState(ZsIdle);
  return wasInactive && busy_ == 0;
}

void TZUCommand::SetState(TZUStates state) {
  NoteThread();
  const bool wasBusy = state_ >= ZsBusy;
  state_ = state;
  bool noCursor = NotMainThread();
  if (Events().OnStateChange) Events().OnStateChange(Sender(), state, noCursor);
  const bool isBusy = state_ >= ZsBusy;
  if (wasBusy != isBusy && !NotMainThread() && Ui()) Ui()->SetHourglass(isBusy);
}

int TZUCommand::Run(std::unique_ptr<TZUOperationRoot> operation) {
  if (!active_) return MsgBusy;
  if (busy_ > 0) {
    ++blockedCnt_;
    SetState(ZsReentry);
    return MsgBusy;  // the operation object is discarded on return
  }
  busy_ = 1;
  blockedCnt_ = 0;
  SetState(ZsBusy);
  try {
    Execute(*operation);
  } catch (...) {
    operation.reset();
    Finish();
    throw;
  }
  operation.reset();
  Finish();
  return errors_.FCode;
}

int TZUCommand::Execute(TZUOperationRoot& operation) {
  try {
    if (!MessageTableLoaded() && !LoadMessageTable()) {
      throw EZipUnpacker(ZipErrCode(MsgNoLanguage, ZuRunner));
    }
    Prepare(operation);
    const int result = operation.Execute(*this);
    if (result < 0 && errors_.FCode == 0) ShowError(result);
    AfterOperation(operation);
  } catch (const EZUException& error) {
    CloseArchive();
    if (Progress().InBatch()) Progress().EndBatch();
    ShowExceptionError(error);
  } catch (const std::exception& error) {
    CloseArchive();
    if (Progress().InBatch()) Progress().EndBatch();
    ShowMessage(MsgUnknownError, error.what());
  }
  return errors_.FCode;
}

void TZUCommand::Prepare(const TZUOperationRoot& operation) {
  NoteThread();
  if (operation.Needs() & ZorFSpecArgs) {
    IncludeSpecs() = fSpecArgs_;
    ExcludeSpecs() = fSpecArgsExcl_;
  }
  ProblemList().clear();
  errors_.Clear();
  DiscardPreparedMessage();
  successCnt_ = 0;
  SetVerbosity(TraceValue ? 2 : VerboseValue ? 1 : 0);
  ClearSelection();
  SetCancelRequest(0);
  SetTotalSizeToProcess(0);
}

void TZUCommand::AfterOperation(const TZUOperationRoot& operation) {
  if (operation.Changes() & ZorFSpecArgs) {
    fSpecArgs_ = IncludeSpecs();
    fSpecArgsExcl_.clear();
    for (const TZUSkipLine& line : ProblemList()) fSpecArgsExcl_.push_back(line.Name);
  }
  if (operation.Changes() & ZorZip) {
    CloseArchive();
    if (CancelRequest() != 0) {
      EmptyList();
      if (Events().OnDirUpdate) Events().OnDirUpdate(Sender());
    }
  }
}

void TZUCommand::Finish() {
  if (--busy_ <= 0) {
    busy_ = 0;
    if (deactivatePending_) {
      deactivatePending_ = false;
      SetState(ZsDisabled);
    } else {
      SetState(state_ == ZsReentry ? ZsReentered : ZsIdle);
    }
  }
  if (errors_.FCode == 0 && errors_.FErrMessage.empty()) errors_.FErrMessage = ZipLoadStr(MsgSuccess);
}

}  // namespace vorn
