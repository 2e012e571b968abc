// The product's logo and window icon, drawn at run time so that no picture
// file has to travel with the program.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace vorn {

// The logo for the main window's picture: transparent background.
QPixmap DrawLogo(QSize size);

// The window icon: the logo's emblem alone.
QIcon DrawWindowIcon();

}  // namespace vorn
