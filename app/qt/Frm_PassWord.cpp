// The access dialog.
#include "app/qt/Frm_PassWord.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "app/Layout.h"
#include "app/qt/Fonts.h"
#include "app/qt/LayoutWidgets.h"

namespace vorn {

namespace {

// Masks typed characters with "*" whatever the style's own mask character.
class AsteriskStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return u'*';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

}  // namespace

TFrmPassWord::TFrmPassWord(QWidget* parent) : QDialog(parent) {
  const WindowLayout& layout = PasswordDialogLayout();
  LaidOutWindow controls = BuildWindow(this, layout);
  Label1 = controls.As<QLabel>("Label1");
  Password = controls.As<QLineEdit>("Password");
  OKBtn = controls.As<QPushButton>("OKBtn");
  CancelBtn = controls.As<QPushButton>("CancelBtn");

  auto* asterisks = new AsteriskStyle;
  asterisks->setParent(Password);
  Password->setStyle(asterisks);

  connect(OKBtn, &QPushButton::clicked, this, &TFrmPassWord::OKBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &TFrmPassWord::CancelBtnClick);
}

void TFrmPassWord::OKBtnClick() {
  PasswordOKBtnClick(Password->text().toStdString());
  accept();
}

void TFrmPassWord::CancelBtnClick() {
  PasswordCancelBtnClick();
  reject();
}

void TFrmPassWord::FormShow() {
  Password->clear();
  Password->setFocus();
  PasswordFormShow();
}

void TFrmPassWord::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      move(frame.topLeft());
    }
    FormShow();
  }
  QDialog::showEvent(event);
}

void TFrmPassWord::keyPressEvent(QKeyEvent* event) {
  // Escape presses the cancel button rather than just dismissing the dialog.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    CancelBtn->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace vorn
