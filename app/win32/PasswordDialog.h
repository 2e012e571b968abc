// The access dialog on Win32: "Password Dialog", drawn from the layout, with
// the typed characters shown as "*", "OK" the default button (Enter) and
// "Annulla" the cancel one (Escape). Modal and centred on the screen.
#pragma once

#include <string>

#include "app/Frm_PassWord.h"
#include "app/win32/Dialogs.h"

namespace vorn::win32 {

class PasswordDialog : public IAccessDialog, private ModalDialog {
 public:
  PasswordDialog();
  ~PasswordDialog() override;

  void ShowModal() override;

  // The open dialog and its field, for tests; null when closed.
  WindowHandle Window() const { return Dialog(); }
  WindowHandle Field() const { return field_; }

 private:
  bool Opened() override;
  void Command(int id) override;
  void Closed() override;

  UniqueFont font_;
  WindowHandle field_ = nullptr;
};

}  // namespace vorn::win32
