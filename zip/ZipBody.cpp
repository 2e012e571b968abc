// The gauge, the skip list and the cancel test of the zip component.
#include "zip/ZipBody.h"

#include "zip/ZipMessageIds.h"

namespace vorn {

TZUBody::TZUBody(void* sender, TZUEvents& events) : TZUCore(sender, events) {
  progress_.SetChangeHook([this](TZUProgress& progress) { Dispatch(progress); });
}

void TZUBody::Dispatch(TZUProgress& progress) {
  if (Events().OnProgress) Events().OnProgress(Sender(), progress);
  if (progress.Order() == TotalSize2Process) totalSizeToProcess_ = progress.TotalSize();
  KeepAlive();
}

void TZUBody::GaugeSetCount(int64_t count) {
  if (showProgress_ == ZspFull) progress_.SetTotalCount(count);
}

void TZUBody::GaugeSetSize(int64_t size) {
  if (showProgress_ == ZspFull) {
    progress_.SetTotalSize(size);
  } else {
    KeepAlive();
  }
}

void TZUBody::GaugeNewItem(const std::string& name, int64_t size) {
  if (showProgress_ == ZspFull) {
    progress_.NewItem(name, size);
  } else if (showProgress_ == ZspExtra) {
    progress_.NewXtraItem(name, size);
  } else {
    KeepAlive();
  }
}

void TZUBody::GaugeAdvance(int64_t delta) {
  if (showProgress_ == ZspFull) {
    progress_.Advance(delta);
  } else if (showProgress_ == ZspExtra) {
    progress_.AdvanceXtra(delta);
  } else {
    KeepAlive();
  }
}

void TZUBody::GaugeAdvanceXtra(int64_t delta) {
  if (showProgress_ == ZspFull) {
    progress_.AdvanceXtra(delta);
  } else {
    KeepAlive();
  }
}

void TZUBody::GaugeNewXtraItem(TZUXtraProgress kind, int64_t size) {
  if (showProgress_ == ZspFull) {
    progress_.NewXtraItem(ZipLoadStr(MsgFirstProgressLabel + static_cast<int>(kind)), size);
  } else {
    KeepAlive();
  }
}

void TZUBody::GaugeEndItem() {
  if (showProgress_ == ZspFull) {
    progress_.EndItem();
  } else {
    KeepAlive();
  }
}

void TZUBody::GaugeEndBatch() {
  if (showProgress_ == ZspFull) {
    progress_.EndBatch();
  } else {
    KeepAlive();
  }
}

void TZUBody::GaugeMoreWritten(int64_t count) {
  if (showProgress_ == ZspFull) progress_.MoreWritten(count);
}

void TZUBody::CheckCancel() {
  KeepAlive();
  if (CancelRequest() != 0) throw EZUAbort();
}

bool TZUBody::Skipping(const std::string& name, TZUSkipTypes reason, int code) {
  problemList_.push_back({name, TZUProblemItem(ZipErrId(code), reason)});
  int error = code < 0 ? -code : code;
  if (noSkipping_ & SkipBit(reason)) {
    if (error == 0) error = MsgSkippingNotAllowed;
    error = -error;
  }
  if (Events().OnSkipped) {
    Events().OnSkipped(Sender(), name, reason, error);
  } else if (Verbosity() > 0 && Events().OnMessage) {
    Events().OnMessage(Sender(), ZipErrId(code),
                       ZipFmtLoadStr(MsgSkipped, {name, std::to_string(static_cast<int>(reason))}));
  }
  return error < 0;
}

}  // namespace vorn

namespace vorn {

const char* SkipTypeName(TZUSkipTypes type) {
  static constexpr const char* kNames[] = {
      "StNoSkip",      "StOnFreshen",  "StNoOverwrite",   "StFileExists",  "StBadPassword",   "StBadName",
      "StCompressionUnknown", "StUnknownZipHost", "StZipFileFormatWrong", "StGeneralExtractError", "StUser",
      "StCannotDo",    "StNotFound",   "StNoShare",       "StNoAccess",    "StNoOpen",        "StDupName",
      "StReadError",   "StSizeChange", "StNothingToDo",   "StCRCError",    "StPathError",     "StWarning",
  };
  const auto index = static_cast<size_t>(type);
  return index < std::size(kNames) ? kNames[index] : "StUnknown";
}

}  // namespace vorn
