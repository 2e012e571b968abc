// Registration of the Tahoma font files and the window font.
#include "app/Fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QStringList>

namespace vorn {

namespace {

// Only the regular face: the bold file shipped beside it is hardly heavier
// than the regular one, so the log's bold text would not stand out. Without a
// bold face Qt emboldens the regular outlines, which gives the heavy strokes
// the log pane is meant to have.
constexpr const char* TahomaFiles[] = {
    "/usr/share/wine/fonts/tahoma.ttf",
};

}  // namespace

bool RegisterTahoma() {
  static bool done = false;
  if (!done) {
    done = true;
    if (!QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
      for (const char* file : TahomaFiles) {
        if (QFile::exists(QString::fromLatin1(file))) QFontDatabase::addApplicationFont(QString::fromLatin1(file));
      }
    }
  }
  return QFontDatabase::families().contains(QStringLiteral("Tahoma"));
}

QFont WindowFont(bool bold) {
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(11);
  font.setBold(bold);
  return font;
}

}  // namespace vorn
