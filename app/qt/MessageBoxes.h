// The Qt program's modal message boxes, each with one OK button and centred
// on the screen: the "Error" and "Information" boxes the steps show, the error
// box for an error that escapes a handler, and the boxes in which the shell
// operations report their own errors. What they say is app/MessageBoxes.h's.
#pragma once

#include <QMessageBox>
#include <QString>
#include <string>

#include "app/MessageBoxes.h"

namespace vorn {

// Shows a modal box and returns when OK is pressed.
void ShowModalBox(QMessageBox::Icon icon, const QString& caption, const QString& text);

// The box of the given kind ("Error" or "Information").
void ShowMessageBox(MessageBoxKind kind, const std::string& text);

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
