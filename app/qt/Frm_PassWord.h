// The access dialog in Qt, drawn from PasswordDialogLayout(); its handlers
// are the core's (app/Frm_PassWord.h).
#pragma once

#include <QDialog>

#include "app/Frm_PassWord.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vorn {

class TFrmPassWord : public QDialog, public IAccessDialog {
  Q_OBJECT

 public:
  explicit TFrmPassWord(QWidget* parent = nullptr);

  // IAccessDialog.
  void ShowModal() override { exec(); }

  QLabel* Label1;
  QLineEdit* Password;
  QPushButton* OKBtn;
  QPushButton* CancelBtn;

 public slots:
  void OKBtnClick();
  void CancelBtnClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormShow();
};

}  // namespace vorn
