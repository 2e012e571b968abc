// The access dialog: asks for the password before the main window opens.
// It lives hidden for the whole run; only EnteredPassword carries its answer,
// its own OK/Cancel result is not used by anybody. Each front end draws it
// from PasswordDialogLayout(); the behaviour is here.
#pragma once

#include <string>

namespace vorn {

// The text typed in the access dialog; empty when it was cancelled or closed
// without OK.
extern std::string EnteredPassword;

// The password that opens the program.
constexpr char AccessPassword[] = "quimbel";

class IAccessDialog {
 public:
  virtual ~IAccessDialog() = default;
  // Shows the dialog modally, centred on the screen, with the field empty
  // and focused, and returns when it is closed. OK (or Enter) calls
  // OKBtnClick with the field's text; "Annulla", Escape and the frame call
  // CancelBtnClick.
  virtual void ShowModal() = 0;
};

// The dialog's handlers.
void PasswordFormShow();                      // EnteredPassword emptied
void PasswordOKBtnClick(const std::string& typed);  // EnteredPassword = typed
void PasswordCancelBtnClick();                // EnteredPassword emptied

}  // namespace vorn
