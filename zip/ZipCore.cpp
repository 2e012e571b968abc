// Reporting of the zip component: error record, messages, dialogs, keep-alive.
#include "zip/ZipCore.h"

#include "platform/Process.h"
#include "zip/ZipMessageIds.h"

namespace vorn {

int TZURoot::PrepareErrMsg(int id, const std::vector<std::string>& args, int unit, int location) {
  preparedCode_ = MakeExtCode(id, unit, location);
  preparedMessage_ = ZipFmtLoadStr(id, args);
  return preparedCode_;
}

std::string TZURoot::ErrMsg(int code) {
  if (code == preparedCode_ && !preparedMessage_.empty()) return preparedMessage_;
  return ZipLoadStr(ZipErrId(code));
}

void TZURoot::DiscardPreparedMessage() {
  preparedCode_ = 0;
  preparedMessage_.clear();
}

TZUCore::TZUCore(void* sender, TZUEvents& events) : sender_(sender), events_(events) {
  SetLoadStrHook(&events_.OnLoadStr);
}

void TZUCore::ReportMessage(int code, std::string text) {
  const int id = ZipErrId(code);
  if (id != 0) {
    if (text.empty()) text = ZipLoadStr(id);
    if (errors_.FCode == 0) errors_.Record(code, text);
  }
  if (events_.OnMessage) events_.OnMessage(sender_, id, text);
  KeepAlive();
}

void TZUCore::ShowErrorText(int code, const std::string& text) {
  const int id = ZipErrId(code);
  if (!unattended_ && id != MsgUserAbort && id != MsgUserCanceled) {
    std::string shown = text;
    ZipMessageDialog(std::string(), shown, ZipDialogContext(TZipDialogKind::Information, id), ZdbOK);
  }
  ReportMessage(code, text);
}

void TZUCore::ShowError(int code) {
  const std::string text = ErrMsg(code);
  DiscardPreparedMessage();
  ShowErrorText(code, text);
}

void TZUCore::ShowMessage(int code, const std::string& extra) {
  std::string text = ZipLoadStr(ZipErrId(code));
  if (!extra.empty()) text += ": " + extra;
  ShowErrorText(code, text);
}

void TZUCore::ShowExceptionError(const EZUException& error) {
  const int code = error.ExtCode();
  std::string text = error.what();
  if (error.Id() == MsgUserAbort) {
    text = ZipLoadStr(MsgUserAbort);
  } else if (text.empty()) {
    text = ErrMsg(code);
  }
  DiscardPreparedMessage();
  ShowErrorText(code, text);
}

int TZUCore::ZipMessageDialog(const std::string& title, std::string& text, uint32_t context,
                              TZipDialogButtons buttons) {
  std::string caption = title;
  if (caption.empty() && presenter_) caption = presenter_->ApplicationTitle();
  if (verbosity_ > 0) caption += "   (" + std::to_string(context & 0xFFFFu) + ")";

  if (events_.OnZipDialog) {
    std::string message = text;
    int result = 0;
    events_.OnZipDialog(sender_, caption, message, static_cast<int>(context), buttons, result);
    if (result >= ZdrOK && result <= ZdrYesToAll) {
      text = message;
      return result;
    }
  }

  TZipDialogRequest request;
  request.Title = caption;
  request.Text = text;
  request.Kind = ZipDialogKindOf(context);
  for (const TZipButtonSpec& button : ZipDialogButtonSpecs(buttons)) {
    request.Buttons.push_back({ZipLoadStr(button.CaptionId), button.Result});
  }
  request.DefaultResult = ZipDialogDefaultResult(buttons);
  request.EscapeResult = ZipDialogEscapeResult(buttons);
  if (!presenter_) return request.EscapeResult;
  std::string password;
  const int result = presenter_->Execute(request, password);
  if (request.Kind == TZipDialogKind::Password) text = password;
  return result;
}

bool TZUCore::KeepAlive() {
  const bool wasPending = cancel_ != 0;
  if (events_.OnTick) events_.OnTick(sender_);
  if (events_.OnCheckTerminate) {
    bool abort = cancel_ != 0;
    events_.OnCheckTerminate(sender_, abort);
    if (abort) cancel_ = MsgUserCanceled;
  } else if (!notMainThread_ && ui_) {
    ui_->ProcessMessages();
  }
  return wasPending;
}

void TZUCore::NoteThread() {
  if (!OnMainThread()) notMainThread_ = true;
}

}  // namespace vorn
