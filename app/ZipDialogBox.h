// The zip component's dialog box on screen: the error kind (information icon,
// text, buttons) and the password kind (text, masked edit, buttons), shown
// modally and centred. The component decides texts, buttons and the answers
// of Enter and Escape; this only shows them.
#pragma once

#include <string>

#include "zip/ZipDialog.h"

namespace vorn {

class ZipDialogBox : public IZipDialogPresenter {
 public:
  int Execute(const TZipDialogRequest& request, std::string& password) override;
  std::string ApplicationTitle() const override;
};

}  // namespace vorn
