// The access dialog: what it leaves in EnteredPassword for each way of
// closing it, and its layout.
#include "app/qt/Frm_PassWord.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "tests/app/qt/QtTestSupport.h"

namespace vorn {
namespace {

class FrmPassWordTest : public test::QtTest {
 protected:

  // Sends a key to the widget with the focus, as the keyboard would.
  static void PressKey(QWidget* dialog, int key) {
    QWidget* target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
  }

  // Shows the dialog modally; while it is up, action works on it.
  int ShowWith(const std::function<void(TFrmPassWord&)>& action) {
    test::QtModalAnswerer answerer([&](QWidget* modal) {
      ASSERT_EQ(modal, &dialog);
      action(dialog);
    });
    const int result = dialog.exec();
    EXPECT_EQ(answerer.DialogsAnswered(), 1);
    return result;
  }

  TFrmPassWord dialog;
};

TEST_F(FrmPassWordTest, TypedTextAndEnterGiveThePassword) {
  const int result = ShowWith([](TFrmPassWord& d) {
    d.Password->insert(QStringLiteral("quimbel"));
    PressKey(&d, Qt::Key_Return);
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(EnteredPassword, "quimbel");
}

TEST_F(FrmPassWordTest, TextIsKeptExactlyAsTyped) {
  for (const char* typed : {"quimbel ", "QUIMBEL", " quimbel", "città"}) {
    ShowWith([typed](TFrmPassWord& d) {
      d.Password->insert(QString::fromUtf8(typed));
      d.OKBtn->click();
    });
    EXPECT_EQ(EnteredPassword, typed);
  }
}

TEST_F(FrmPassWordTest, ShowingEmptiesTheFieldAndThePassword) {
  EnteredPassword = "left over";
  dialog.Password->setText(QStringLiteral("old text"));
  ShowWith([](TFrmPassWord& d) {
    EXPECT_TRUE(d.Password->text().isEmpty());
    EXPECT_TRUE(EnteredPassword.empty());
    EXPECT_EQ(d.focusWidget(), d.Password);
    d.OKBtn->click();
  });
  EXPECT_EQ(EnteredPassword, "");
}

TEST_F(FrmPassWordTest, EscapePressesAnnulla) {
  bool cancelPressed = false;
  QObject::connect(dialog.CancelBtn, &QPushButton::clicked, [&] { cancelPressed = true; });
  const int result = ShowWith([](TFrmPassWord& d) {
    d.Password->insert(QStringLiteral("quimbel"));
    PressKey(&d, Qt::Key_Escape);
  });
  EXPECT_TRUE(cancelPressed);
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_EQ(EnteredPassword, "");
}

TEST_F(FrmPassWordTest, AnnullaAfterAnEarlierOkEmptiesThePassword) {
  ShowWith([](TFrmPassWord& d) {
    d.Password->insert(QStringLiteral("quimbel"));
    d.OKBtn->click();
  });
  ASSERT_EQ(EnteredPassword, "quimbel");
  // Cancelling directly, without a new show, still clears it.
  dialog.CancelBtnClick();
  EXPECT_EQ(EnteredPassword, "");
}

TEST_F(FrmPassWordTest, CloseButtonLeavesThePasswordEmpty) {
  bool okPressed = false;
  bool cancelPressed = false;
  QObject::connect(dialog.OKBtn, &QPushButton::clicked, [&] { okPressed = true; });
  QObject::connect(dialog.CancelBtn, &QPushButton::clicked, [&] { cancelPressed = true; });
  ShowWith([](TFrmPassWord& d) {
    d.Password->insert(QStringLiteral("quimbel"));
    d.close();
  });
  EXPECT_FALSE(okPressed);
  EXPECT_FALSE(cancelPressed);
  EXPECT_EQ(EnteredPassword, "");
}

TEST_F(FrmPassWordTest, LayoutCaptionsAndTabOrder) {
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Password Dialog"));
  EXPECT_EQ(dialog.size(), QSize(243, 98));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());  // fixed size

  EXPECT_EQ(dialog.Label1->text(), QStringLiteral("Digitare password:"));
  EXPECT_EQ(dialog.Label1->geometry(), QRect(8, 9, 90, 13));
  EXPECT_EQ(dialog.Password->geometry(), QRect(8, 27, 217, 21));
  EXPECT_EQ(dialog.OKBtn->text(), QStringLiteral("OK"));
  EXPECT_EQ(dialog.OKBtn->geometry(), QRect(70, 59, 75, 25));
  EXPECT_TRUE(dialog.OKBtn->isDefault());
  EXPECT_EQ(dialog.CancelBtn->text(), QStringLiteral("Annulla"));
  EXPECT_EQ(dialog.CancelBtn->geometry(), QRect(150, 59, 75, 25));

  EXPECT_EQ(dialog.Password->nextInFocusChain(), dialog.OKBtn);
  EXPECT_EQ(dialog.OKBtn->nextInFocusChain(), dialog.CancelBtn);
}

TEST_F(FrmPassWordTest, TypedCharactersAreShownAsAsterisks) {
  EXPECT_EQ(dialog.Password->echoMode(), QLineEdit::Password);
  EXPECT_EQ(dialog.Password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, dialog.Password),
            '*');
}

TEST_F(FrmPassWordTest, ItIsCentredOnTheScreen) {
  ShowWith([](TFrmPassWord& d) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(std::abs(d.frameGeometry().center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(d.frameGeometry().center().y() - screen.center().y()), 1);
    d.CancelBtn->click();
  });
}

}  // namespace
}  // namespace vorn
