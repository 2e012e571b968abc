// The modal message boxes of the program, each with one OK button and centred
// on the screen: the "Error" and "Information" boxes the steps show, the error
// box for an error that escapes a handler, and the boxes in which the shell
// operations report their own errors.
#pragma once

#include <QMessageBox>
#include <QString>
#include <string>

namespace vorn {

// Shows a modal box and returns when OK is pressed.
void ShowModalBox(QMessageBox::Icon icon, const QString& caption, const QString& text);

// The text of the error box for an error message: a full stop is added unless
// the message is empty or its last character is "." or any character below it
// (blanks, digits do not count: they are above it).
QString WithFullStop(const QString& message);

// The box for an error that escapes a handler: captioned with the application
// title, error icon, the message with the full-stop rule applied.
void ShowExceptionBox(const std::string& message);

// While alive, the shell's own error messages appear as modal boxes; before
// and after, they go to standard error.
class ShellMessageBoxes {
 public:
  ShellMessageBoxes();
  ~ShellMessageBoxes();
  ShellMessageBoxes(const ShellMessageBoxes&) = delete;
  ShellMessageBoxes& operator=(const ShellMessageBoxes&) = delete;
};

}  // namespace vorn
