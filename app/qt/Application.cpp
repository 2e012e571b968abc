// Application-wide settings.
#include "app/qt/Application.h"

#include <QApplication>
#include <QStyleFactory>

#include "app/qt/Fonts.h"

namespace vorn {

void InitialiseApplication() {
  QCoreApplication::setApplicationName(QString::fromUtf8(ApplicationTitle));
  QApplication::setQuitOnLastWindowClosed(false);
  // One look on every desktop, the one the pictures and positions were made with.
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
  RegisterTahoma();
  QApplication::setFont(WindowFont());
}

}  // namespace vorn
