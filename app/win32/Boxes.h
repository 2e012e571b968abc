// The modal message boxes of the Win32 front end (MessageBoxW): one OK
// button, owned by no window and modal for the whole program, so that the
// system centres them on the screen. The boxes open at a time are listed, so
// that whoever answers them (a scripted run, a test) knows their icon.
#pragma once

#include <string>
#include <vector>

#include "app/win32/Handles.h"
#include "platform/UserInterface.h"

namespace vorn::win32 {

enum class BoxIcon { Error, Information };

// Shows the box and returns when OK is pressed.
void ShowBox(BoxIcon icon, const std::string& caption, const std::string& text);

// The steps' boxes: "Error" with the error icon, "Information" with the
// information icon.
void ShowStepBox(MessageBoxKind kind, const std::string& text);

// The box for an error that escapes a handler: captioned with the
// application title, error icon, the message with a full stop added.
void ShowExceptionBox(const std::string& message);

struct OpenBox {
  std::string Caption;
  std::string Text;
  BoxIcon Icon;
};
// The boxes open now, the innermost last.
const std::vector<OpenBox>& OpenBoxes();

// The caption and text of a message box window, as it shows them.
std::string BoxCaption(WindowHandle box);
std::string BoxText(WindowHandle box);
// True for a window that is a message box (not a dialog of the program).
bool IsMessageBox(WindowHandle window);
// Presses its OK button.
void AnswerBoxWithOk(WindowHandle box);

// While alive, the shell's own error messages appear as error boxes; before
// and after, they go to standard error.
class ShellMessageBoxes {
 public:
  ShellMessageBoxes();
  ~ShellMessageBoxes();
  ShellMessageBoxes(const ShellMessageBoxes&) = delete;
  ShellMessageBoxes& operator=(const ShellMessageBoxes&) = delete;
};

}  // namespace vorn::win32
