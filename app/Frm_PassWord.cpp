// The access dialog's handlers.
#include "app/Frm_PassWord.h"

namespace vorn {

std::string EnteredPassword;

void PasswordFormShow() { EnteredPassword.clear(); }

void PasswordOKBtnClick(const std::string& typed) { EnteredPassword = typed; }

void PasswordCancelBtnClick() { EnteredPassword.clear(); }

}  // namespace vorn
