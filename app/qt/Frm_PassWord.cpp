// The access dialog.
#include "app/Frm_PassWord.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "app/Fonts.h"

namespace vorn {

std::string EnteredPassword;

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
  setWindowTitle(QStringLiteral("Password Dialog"));
  setFont(WindowFont());
  setFixedSize(243, 98);

  Label1 = new QLabel(QStringLiteral("Digitare password:"), this);
  Label1->setGeometry(8, 9, 90, 13);

  Password = new QLineEdit(this);
  Password->setGeometry(8, 27, 217, 21);
  Password->setEchoMode(QLineEdit::Password);
  auto* asterisks = new AsteriskStyle;
  asterisks->setParent(Password);
  Password->setStyle(asterisks);

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setGeometry(70, 59, 75, 25);
  OKBtn->setDefault(true);

  CancelBtn = new QPushButton(QStringLiteral("Annulla"), this);
  CancelBtn->setGeometry(150, 59, 75, 25);

  setTabOrder(Password, OKBtn);
  setTabOrder(OKBtn, CancelBtn);

  connect(OKBtn, &QPushButton::clicked, this, &TFrmPassWord::OKBtnClick);
  connect(CancelBtn, &QPushButton::clicked, this, &TFrmPassWord::CancelBtnClick);
}

void TFrmPassWord::OKBtnClick() {
  EnteredPassword = Password->text().toStdString();
  accept();
}

void TFrmPassWord::CancelBtnClick() {
  EnteredPassword.clear();
  reject();
}

void TFrmPassWord::FormShow() {
  Password->clear();
  Password->setFocus();
  EnteredPassword.clear();
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
