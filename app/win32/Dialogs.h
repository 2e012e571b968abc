// Modal dialogs of the program's own, run by the system's dialog manager
// (DialogBoxIndirectParamW with a template made in memory): Tab moves between
// the controls, Enter presses the focused button or else the default one,
// Escape is IDCANCEL. Each dialog makes its own controls, in pixels at the
// monitor's dots per inch, when it opens.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/win32/Handles.h"

namespace vorn::win32 {

class ModalDialog {
 public:
  virtual ~ModalDialog() = default;

 protected:
  // Shows the dialog, owned by no window and centred on the screen; returns
  // the result given to End.
  intptr_t RunModal(const std::string& caption);
  void End(intptr_t result);
  WindowHandle Dialog() const { return dialog_; }

  // The dialog has opened: make the controls, size it. True to let the
  // system give the focus to the first control.
  virtual bool Opened() = 0;
  // A button was pressed (IDOK for Enter without a default button, IDCANCEL
  // for Escape).
  virtual void Command(int id) = 0;
  // The window's frame was closed.
  virtual void Closed() = 0;
  // Marks the dialog as the access dialog for whoever answers it.
  bool accessDialog_ = false;

 private:
  friend struct ModalDialogAccess;

  WindowHandle dialog_ = nullptr;
  std::vector<WindowHandle> disabled_;  // the program's other windows, while this one is up
};

// A child control of a dialog, in pixels.
WindowHandle AddControl(WindowHandle parent, const wchar_t* windowClass, const std::string& text, unsigned long style,
                        int id, int left, int top, int width, int height, FontHandle font);

// What a scripted run or a test sees of an open dialog of the program.
bool IsProgramDialog(WindowHandle window);
bool IsAccessDialog(WindowHandle window);
// The texts of its static controls, in order.
std::vector<std::string> DialogTexts(WindowHandle dialog);
// Types into its first edit control.
void TypeIntoDialog(WindowHandle dialog, const std::string& text);
// Posts Enter or Escape to the control that has the focus in it.
void PressEnter(WindowHandle dialog);
void PressEscape(WindowHandle dialog);

// The modal box or dialog of this thread that takes the user's input now:
// the enabled, visible top-level dialog window (class "#32770"); null when none.
WindowHandle ActiveModalWindow();

}  // namespace vorn::win32
