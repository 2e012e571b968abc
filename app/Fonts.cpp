// Registration of the Tahoma font files and the window font.
#include "app/Fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QStringList>

namespace vorn {

namespace {

constexpr const char* TahomaFiles[] = {
    "/usr/share/wine/fonts/tahoma.ttf",
    "/usr/share/wine/fonts/tahomabd.ttf",
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
