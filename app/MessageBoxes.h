// What the program's modal boxes say, whatever draws them: each has one OK
// button and is centred on the screen. The steps' boxes are captioned
// "Error" or "Information"; the box for an error that escapes a handler is
// captioned with the application title.
#pragma once

#include <string>

#include "platform/UserInterface.h"

namespace vorn {

// The application title, caption of the error box for an error that escapes
// a handler.
constexpr char ApplicationTitle[] = "VORN - Zavario";

// "Error" or "Information".
const char* MessageBoxCaption(MessageBoxKind kind);

// The text of the error box for an error message: a full stop is added unless
// the message is empty or its last character is "." or any character below it
// (blanks, digits do not count: they are above it).
std::string WithFullStop(const std::string& message);

}  // namespace vorn
