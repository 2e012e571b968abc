// The zip component's dialog box on screen: the error kind (information icon,
// text, buttons) and the password kind (text, masked edit, buttons), shown
// modally and centred. The component decides texts, buttons and the answers
// of Enter and Escape; this only shows them.
#pragma once

#include <string>

#include "zip/ZipDialog.h"

namespace vorn {

// The system's sounds that the dialogs ask for; tests pass a recorder.
class ISystemSounds {
 public:
  virtual ~ISystemSounds() = default;
  // The information beep (the sound of an information message box).
  virtual void InformationBeep() = 0;
};

// The desktop's bell.
class DesktopSounds : public ISystemSounds {
 public:
  void InformationBeep() override;
};

class ZipDialogBox : public IZipDialogPresenter {
 public:
  // sounds: null for the desktop's bell.
  explicit ZipDialogBox(ISystemSounds* sounds = nullptr) : sounds_(sounds) {}
  int Execute(const TZipDialogRequest& request, std::string& password) override;
  std::string ApplicationTitle() const override;

 private:
  ISystemSounds* sounds_;
  DesktopSounds desktopSounds_;
};

}  // namespace vorn
