#include "app/qt/ZipDialogBox.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace vorn {

namespace {

// Enter and Escape answer as the request says, whatever button has the focus;
// closing by the frame answers Cancel.
class ZipDialogWindow : public QDialog {
 public:
  ZipDialogWindow(const TZipDialogRequest& request) : request_(request) {
    setWindowTitle(QString::fromStdString(request.Title));
    setModal(true);
    auto* column = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    if (request.Kind == TZipDialogKind::Information) {
      auto* icon = new QLabel;
      icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
      row->addWidget(icon, 0, Qt::AlignTop);
    }
    auto* text = new QLabel(QString::fromStdString(request.Text));
    text->setWordWrap(true);
    // The text wraps at half the screen's width at most.
    if (const QScreen* screen = QApplication::primaryScreen()) {
      text->setMaximumWidth(screen->availableGeometry().width() / 2);
    }
    row->addWidget(text, 1);
    column->addLayout(row);
    if (request.Kind == TZipDialogKind::Password) {
      edit_ = new QLineEdit;
      edit_->setEchoMode(QLineEdit::Password);
      edit_->setMaxLength(request.MaxPasswordLength);
      column->addWidget(edit_);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (const TZipDialogButton& button : request.Buttons) {
      auto* push = new QPushButton(QString::fromStdString(button.Caption));
      push->setAutoDefault(false);
      const int result = button.Result;
      connect(push, &QPushButton::clicked, this, [this, result] { done(result); });
      buttons->addWidget(push);
    }
    buttons->addStretch();
    column->addLayout(buttons);
    if (edit_) edit_->setFocus();
  }

  std::string Password() const { return edit_ ? edit_->text().toStdString() : std::string(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      done(request_.DefaultResult);
    } else if (event->key() == Qt::Key_Escape) {
      done(request_.EscapeResult);
    } else {
      QDialog::keyPressEvent(event);
    }
  }
  void reject() override { done(ZdrCancel); }

 private:
  TZipDialogRequest request_;
  QLineEdit* edit_ = nullptr;
};

}  // namespace

int ZipDialogBox::Execute(const TZipDialogRequest& request, std::string& password) {
  ZipDialogWindow dialog(request);
  dialog.adjustSize();
  if (QScreen* screen = QApplication::primaryScreen()) {
    dialog.move(screen->availableGeometry().center() - dialog.rect().center());
  }
  // The error dialog sounds as an information box does when it opens; the
  // password dialog is silent.
  if (request.Kind == TZipDialogKind::Information) {
    QTimer::singleShot(0, &dialog, [this] { (sounds_ ? *sounds_ : desktopSounds_).InformationBeep(); });
  }
  const int result = dialog.exec();
  if (request.Kind == TZipDialogKind::Password) password = dialog.Password();
  return result;
}

void DesktopSounds::InformationBeep() { QApplication::beep(); }

std::string ZipDialogBox::ApplicationTitle() const { return QApplication::applicationName().toStdString(); }

}  // namespace vorn
