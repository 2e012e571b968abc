// The logo of the main window, drawn with GDI at run time: the round emblem
// (a report sheet with a red cross on a teal-to-navy disc) beside the names
// of the product family and of the module. Drawn four times larger and
// averaged down, so that its edges are smooth on every version of Windows.
#pragma once

#include "app/win32/Handles.h"

namespace vorn::win32 {

// Draws the logo into the rectangle of dc, on the given background colour
// (a COLORREF).
void DrawLogo(DcHandle dc, int left, int top, int width, int height, unsigned long background);

}  // namespace vorn::win32
