// The zip component: TCustomZipUnpacker with its settings, events and
// operations, and TZipUnpacker, the one the window owns (ZipUnpacker1).
//
// Operations run one at a time through the runner (ZipCommand.h): setting
// ZipFileName loads the archive's directory. The outcome is read from
// ErrCode and ErrMessage; errors are also shown in the zip dialog unless
// Unattended is set, and every message reaches OnMessage.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/UserInterface.h"
#include "zip/ZipCommand.h"
#include "zip/ZipDialog.h"
#include "zip/ZipEvents.h"
#include "zip/ZipProgress.h"

namespace vorn {

class TCustomZipUnpacker : public TZUEvents {
 public:
  // The window and the dialog presenter may be null (no window: nothing to
  // keep alive, and no dialog is shown).
  explicit TCustomZipUnpacker(IUserInterface* ui = nullptr, IZipDialogPresenter* dialogs = nullptr);
  virtual ~TCustomZipUnpacker();
  TCustomZipUnpacker(const TCustomZipUnpacker&) = delete;
  TCustomZipUnpacker& operator=(const TCustomZipUnpacker&) = delete;

  void SetUserInterface(IUserInterface* ui) { body_->SetUserInterface(ui); }
  void SetDialogPresenter(IZipDialogPresenter* dialogs) { body_->SetDialogPresenter(dialogs); }

  // The archive: setting it (made absolute) loads its directory.
  const std::string& ZipFileName() const { return body_->ZipFileName(); }
  void SetZipFileName(const std::string& name);
  // The same, for an archive the caller holds open (a package checked
  // through that handle): it is read only through this open file, never
  // looked up by name again; the name stands in ZipFileName and messages.
  void SetZipFile(const std::string& name, std::shared_ptr<const WinFile> file);
  // Forgets the loaded archive and closes its file, so that it can be
  // deleted: Windows keeps the name of a file while a handle is open. The
  // name stays; the next operation needs the archive set again.
  void ReleaseZipFile();
  int Count() const { return body_->Count(); }
  int DirOnlyCnt() const { return body_->DirOnlyCnt(); }

  // The outcome of the last operation.
  int ErrCode() const;
  std::string ErrMessage() const;
  uint32_t ExtErrCode() const;
  void SetErrCode(int code);
  void SetExtErrCode(uint32_t code);

  bool Active() const { return body_->Active(); }
  void SetActive(bool active);
  TZUStates State() const { return body_->State(); }
  int BlockedCnt() const { return body_->BlockedCnt(); }
  TZUProgressDetails& ProgressDetail() { return body_->Progress(); }
  int64_t TotalSizeToProcess() const { return body_->TotalSizeToProcess(); }
  // Any assignment asks the running operation to stop.
  bool Cancel() const { return body_->CancelRequest() != 0; }
  void SetCancel(bool value);

  bool Unattended() const { return body_->Unattended(); }
  void SetUnattended(bool on);
  bool Verbose() const { return body_->VerboseValue; }
  void SetVerbose(bool on);
  bool Trace() const { return body_->TraceValue; }
  void SetTrace(bool on) { body_->TraceValue = on; }
  bool NotMainThread() const { return body_->NotMainThread(); }
  TZUSkipAborts NoSkipping() const { return body_->NoSkipping(); }
  void SetNoSkipping(TZUSkipAborts set) { body_->SetNoSkipping(set); }
  const std::string& Password() const { return body_->Password(); }
  void SetPassword(const std::string& password);
  uint32_t PasswordReqCount() const { return body_->PasswordReqCount(); }
  void SetPasswordReqCount(uint32_t count);

  // Name decoding of the entries (set before ZipFileName to take effect).
  TZUEncodingOpts Encoding() const { return body_->Encoding; }
  void SetEncoding(TZUEncodingOpts encoding) { body_->Encoding = encoding; }
  unsigned Encoding_CP() const { return body_->Encoding_CP; }
  void SetEncoding_CP(unsigned codePage) { body_->Encoding_CP = codePage; }
  bool UseDirOnlyEntries() const { return body_->UseDirOnlyEntries; }
  void SetUseDirOnlyEntries(bool on) { body_->UseDirOnlyEntries = on; }

  // Extraction: every selected entry under ExtrBaseDir; returns ErrCode.
  int Extract();
  const std::string& ExtrBaseDir() const { return body_->ExtrBaseDirValue; }
  void SetExtrBaseDir(const std::string& folder);
  uint32_t ExtrOptions() const { return body_->ExtrOptionsValue; }  // TZUExtrOpts bits
  void SetExtrOptions(uint32_t options);

  // Entry specifications for an extraction, and its results.
  std::vector<std::string>& FSpecArgs() { return body_->FSpecArgs(); }
  std::vector<std::string>& FSpecArgsExcl() { return body_->FSpecArgsExcl(); }
  int SuccessCnt() const { return body_->SuccessCnt(); }

  // The reporting mode (ZspNone until the first extraction).
  TZipShowProgress ShowProgress() const { return body_->ShowProgress(); }
  void SetShowProgress(TZipShowProgress mode) { body_->SetShowProgress(mode); }

  // The loaded archive, for listing: every record in directory order
  // (folder entries too) and each one's decoded name. Null before a load.
  const TZUZipReader* Reader() const { return body_->Reader(); }
  const std::string& EntryName(const TZUEntryReader& entry) const { return body_->EntryName(entry); }

  // The body, for the operations and for tests.
  TZUCommand& Body() { return *body_; }

 private:
  std::unique_ptr<TZUCommand> body_;
  std::string pendingName_;  // set while inactive: loaded once active again
  std::shared_ptr<const WinFile> pendingFile_;
  bool namePending_ = false;
};

class TZipUnpacker : public TCustomZipUnpacker {
 public:
  using TCustomZipUnpacker::TCustomZipUnpacker;
};

}  // namespace vorn
