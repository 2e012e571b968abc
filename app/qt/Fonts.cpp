// Registration of the Tahoma font files and the window font.
#include "app/qt/Fonts.h"

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

QFont FontOf(const LayoutFont& layoutFont, bool bold) {
  QFont font(QString::fromUtf8(layoutFont.Face.data(), static_cast<qsizetype>(layoutFont.Face.size())));
  font.setPixelSize((layoutFont.Points * 96 + 36) / 72);
  font.setBold(bold || layoutFont.Bold);
  return font;
}

}  // namespace vorn
