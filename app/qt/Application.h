// The application-wide settings of the program: its title, which is the
// caption of the error boxes, the Tahoma font and the style.
#pragma once

namespace vorn {

// The application title, caption of the error box for an error that escapes
// a handler.
constexpr char ApplicationTitle[] = "VORN - Zavario";

// Applies the settings to the running QApplication. The end of the program
// is decided by the main window (Terminate), not by its last window closing.
void InitialiseApplication();

}  // namespace vorn
