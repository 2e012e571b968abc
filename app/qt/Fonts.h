// The windows' font: Tahoma 8 point, which is 11 pixels at 96 dots per inch.
// Debian has Tahoma only in the fonts shipped for Windows programs, outside
// the folders fontconfig searches, so the files are registered with Qt here.
#pragma once

#include <QFont>

namespace vorn {

// Registers Tahoma with the application when Qt does not
// find it already. Safe to call more than once; false when no Tahoma exists.
bool RegisterTahoma();

// Tahoma 8 point, given in pixels so that it stays 11 pixels high whatever
// the screen's reported density.
QFont WindowFont(bool bold = false);

}  // namespace vorn
