// The windows' font: Tahoma 8 point, which is 11 pixels at 96 dots per inch.
// Debian has Tahoma only in the fonts shipped for Windows programs, outside
// the folders fontconfig searches, so the files are registered with Qt here.
#pragma once

#include <QFont>

#include "app/Layout.h"

namespace vorn {

// Registers Tahoma with the application when Qt does not
// find it already. Safe to call more than once; false when no Tahoma exists.
bool RegisterTahoma();

// A layout's font, given in pixels at 96 dots per inch so that it keeps its
// size whatever the screen's reported density.
QFont FontOf(const LayoutFont& font, bool bold = false);

// The windows' font (Tahoma 8 point).
inline QFont WindowFont(bool bold = false) { return FontOf(LayoutFont{}, bold); }

}  // namespace vorn
