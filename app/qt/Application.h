// The application-wide settings of the Qt program: its title (ApplicationTitle),
// which is the caption of the error boxes, the Tahoma font and the style.
#pragma once

#include "app/MessageBoxes.h"

namespace vorn {

// Applies the settings to the running QApplication. The end of the program
// is decided by the main window (Terminate), not by its last window closing.
void InitialiseApplication();

}  // namespace vorn
