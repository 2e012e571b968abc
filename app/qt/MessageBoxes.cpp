// Modal message boxes.
#include "app/MessageBoxes.h"

#include <QCoreApplication>

#include "platform/Shell.h"

namespace vorn {

void ShowModalBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
  // No parent: the box is centred on the screen, not on a window.
  QMessageBox box(icon, caption, text, QMessageBox::Ok);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
  box.exec();
}

QString WithFullStop(const QString& message) {
  if (message.isEmpty() || message.back() <= QChar(u'.')) return message;
  return message + u'.';
}

void ShowExceptionBox(const std::string& message) {
  ShowModalBox(QMessageBox::Critical, QCoreApplication::applicationName(),
               WithFullStop(QString::fromStdString(message)));
}

ShellMessageBoxes::ShellMessageBoxes() {
  SetShellMessagePresenter([](const std::string& caption, const std::string& text) {
    ShowModalBox(QMessageBox::Critical, QString::fromStdString(caption), QString::fromStdString(text));
  });
}

ShellMessageBoxes::~ShellMessageBoxes() { SetShellMessagePresenter(nullptr); }

}  // namespace vorn
