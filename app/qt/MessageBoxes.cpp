// Modal message boxes.
#include "app/qt/MessageBoxes.h"

#include "platform/Shell.h"

namespace vorn {

void ShowModalBox(QMessageBox::Icon icon, const QString& caption, const QString& text) {
  // No parent: the box is centred on the screen, not on a window.
  QMessageBox box(icon, caption, text, QMessageBox::Ok);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
  box.exec();
}

void ShowMessageBox(MessageBoxKind kind, const std::string& text) {
  ShowModalBox(kind == MessageBoxKind::Error ? QMessageBox::Critical : QMessageBox::Information,
               QString::fromUtf8(MessageBoxCaption(kind)), QString::fromStdString(text));
}

void ShowExceptionBox(const std::string& message) {
  ShowModalBox(QMessageBox::Critical, QString::fromUtf8(ApplicationTitle),
               QString::fromStdString(WithFullStop(message)));
}

ShellMessageBoxes::ShellMessageBoxes() {
  SetShellMessagePresenter([](const std::string& caption, const std::string& text) {
    ShowModalBox(QMessageBox::Critical, QString::fromStdString(caption), QString::fromStdString(text));
  });
}

ShellMessageBoxes::~ShellMessageBoxes() { SetShellMessagePresenter(nullptr); }

}  // namespace vorn
