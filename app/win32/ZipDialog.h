// The zip component's dialog box on Win32 (error and password kinds): a
// modal dialog of the program's own, centred on the screen, in the system's
// message font, with the information icon beside the text for the error kind
// (and the information sound as it opens), a masked edit for the password
// kind, and the buttons in one centred row. Enter presses the focused button
// (the request's default one at first), Escape gives the request's Escape
// answer, the frame's close button ZdrCancel.
#pragma once

#include <functional>
#include <string>

#include "app/win32/Dialogs.h"
#include "zip/ZipDialog.h"

namespace vorn::win32 {

class ZipDialog : public IZipDialogPresenter, private ModalDialog {
 public:
  ZipDialog();
  ~ZipDialog() override;

  int Execute(const TZipDialogRequest& request, std::string& password) override;
  std::string ApplicationTitle() const override;

  // The sound of the error kind; tests put in their own.
  void SetBeep(std::function<void()> beep) { beep_ = std::move(beep); }

 private:
  bool Opened() override;
  void Command(int id) override;
  void Closed() override;

  const TZipDialogRequest* request_ = nullptr;
  std::function<void()> beep_;
  UniqueFont font_;
  WindowHandle edit_ = nullptr;
  std::string typed_;
};

}  // namespace vorn::win32
