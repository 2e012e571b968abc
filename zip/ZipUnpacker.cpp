// The zip component's settings and operations, forwarded to its body.
#include "zip/ZipUnpacker.h"

#include "platform/WinPath.h"
#include "zip/Extract.h"
#include "zip/ZipMessageIds.h"

namespace vorn {

TCustomZipUnpacker::TCustomZipUnpacker(IUserInterface* ui, IZipDialogPresenter* dialogs)
    : body_(std::make_unique<TZUCommand>(this, *this)) {
  body_->SetUserInterface(ui);
  body_->SetDialogPresenter(dialogs);
}

TCustomZipUnpacker::~TCustomZipUnpacker() { body_->SetCancelRequest(MsgUserCanceled); }

void TCustomZipUnpacker::SetZipFileName(const std::string& name) { SetZipFile(name, nullptr); }

void TCustomZipUnpacker::SetZipFile(const std::string& name, std::shared_ptr<const WinFile> file) {
  const std::string path = name.empty() ? std::string() : FullWinPath(name);
  if (!body_->Active()) {
    pendingName_ = path;
    pendingFile_ = std::move(file);
    namePending_ = true;
    return;
  }
  body_->Run(std::make_unique<TZUOpSetZipFileName>(path, std::move(file)));
}

void TCustomZipUnpacker::ReleaseZipFile() {
  if (body_->RefuseWhileBusy()) return;
  namePending_ = false;
  pendingFile_.reset();
  body_->ReleaseZipFile();
}

int TCustomZipUnpacker::ErrCode() const { return body_->Active() ? body_->Errors().FCode : MsgNotActive; }

std::string TCustomZipUnpacker::ErrMessage() const {
  return body_->Active() ? body_->Errors().FErrMessage : body_->ZipLoadStr(MsgNotActive);
}

uint32_t TCustomZipUnpacker::ExtErrCode() const { return body_->Errors().FExtCode; }

void TCustomZipUnpacker::SetErrCode(int code) {
  if (!body_->RefuseWhileBusy()) body_->Errors().FCode = code;
}

void TCustomZipUnpacker::SetExtErrCode(uint32_t code) {
  if (!body_->RefuseWhileBusy()) body_->Errors().FExtCode = code;
}

void TCustomZipUnpacker::SetActive(bool active) {
  if (body_->SetActiveValue(active) && namePending_) {
    namePending_ = false;
    body_->Run(std::make_unique<TZUOpSetZipFileName>(pendingName_, std::move(pendingFile_)));
  }
}

int TCustomZipUnpacker::Extract() { return body_->Run(std::make_unique<TZUOpUnzipFiles>()); }

void TCustomZipUnpacker::SetExtrBaseDir(const std::string& folder) {
  if (!body_->RefuseWhileBusy()) body_->ExtrBaseDirValue = folder;
}

void TCustomZipUnpacker::SetExtrOptions(uint32_t options) {
  if (!body_->RefuseWhileBusy()) body_->ExtrOptionsValue = options;
}

void TCustomZipUnpacker::SetCancel(bool) { body_->SetCancelRequest(MsgUserCanceled); }

void TCustomZipUnpacker::SetUnattended(bool on) {
  if (!body_->RefuseWhileBusy()) body_->SetUnattendedValue(on);
}

void TCustomZipUnpacker::SetVerbose(bool on) {
  if (!body_->RefuseWhileBusy()) body_->VerboseValue = on;
}

void TCustomZipUnpacker::SetPassword(const std::string& password) {
  if (!body_->RefuseWhileBusy()) body_->SetPasswordValue(password);
}

void TCustomZipUnpacker::SetPasswordReqCount(uint32_t count) {
  if (!body_->RefuseWhileBusy()) body_->SetPasswordReqCountValue(count);
}

}  // namespace vorn
