// What every operation of the zip component shares for reporting: the error
// record with the prepared message (TZURoot), and the reporting of messages,
// the error dialog and the keep-alive that keeps the window responsive while
// an operation runs (TZUCore).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/UserInterface.h"
#include "zip/MessageTable.h"
#include "zip/ZipDialog.h"
#include "zip/ZipErrors.h"
#include "zip/ZipEvents.h"

namespace vorn {

class TZUOperationRoot;

class TZURoot : public TZUHandler {
 public:
  // Formats the id's text with the arguments and keeps it with its extended
  // code: a following ShowError or EZipUnpacker of that code uses this text.
  int PrepareErrMsg(int id, const std::vector<std::string>& args, int unit, int location);
  // The prepared message when code is the prepared code, else the id's text.
  std::string ErrMsg(int code);
  void DiscardPreparedMessage();

  const TZUErrors& Errors() const { return errors_; }
  TZUErrors& Errors() { return errors_; }

  // Runs one operation: takes ownership and frees it in every case.
  virtual int Run(std::unique_ptr<TZUOperationRoot> operation) = 0;

 protected:
  TZUErrors errors_;

 private:
  int preparedCode_ = 0;
  std::string preparedMessage_;
};

class TZUCore : public TZURoot {
 public:
  TZUCore(void* sender, TZUEvents& events);

  void SetUserInterface(IUserInterface* ui) { ui_ = ui; }
  void SetDialogPresenter(IZipDialogPresenter* presenter) { presenter_ = presenter; }
  void* Sender() const { return sender_; }
  TZUEvents& Events() { return events_; }

  // Records the first error (id not 0) and passes every message to OnMessage,
  // then keeps the window alive. An empty text is the id's table text.
  void ReportMessage(int code, std::string text);
  // The error dialog (unless Unattended, or the id is 139 or 143), then ReportMessage.
  void ShowErrorText(int code, const std::string& text);
  void ShowError(int code);
  void ShowMessage(int code, const std::string& extra);
  void ShowExceptionError(const EZUException& error);

  // The dialog box; returns the result of the button pressed. For a password
  // box the typed text comes back in text.
  int ZipMessageDialog(const std::string& title, std::string& text, uint32_t context, TZipDialogButtons buttons);

  // OnTick, then OnCheckTerminate or the processing of pending window
  // messages; true when a cancel request was pending before the call.
  bool KeepAlive();

  int CancelRequest() const { return cancel_; }
  void SetCancelRequest(int request) { cancel_ = request; }

  bool Unattended() const { return unattended_; }
  void SetUnattendedValue(bool on) { unattended_ = on; }
  int Verbosity() const { return verbosity_; }
  void SetVerbosity(int verbosity) { verbosity_ = verbosity; }
  bool NotMainThread() const { return notMainThread_; }
  // Sets NotMainThread (for good) when called off the process's main thread.
  void NoteThread();

 protected:
  IUserInterface* Ui() const { return ui_; }

 private:
  void* sender_;
  TZUEvents& events_;
  IUserInterface* ui_ = nullptr;
  IZipDialogPresenter* presenter_ = nullptr;
  int cancel_ = 0;
  bool unattended_ = false;
  int verbosity_ = 0;
  bool notMainThread_ = false;
};

}  // namespace vorn
