// The access dialog: asks for the password before the main window opens.
// It lives hidden for the whole run; only EnteredPassword carries its answer,
// its own OK/Cancel result is not used by anybody.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vorn {

// The text typed in the access dialog; empty when it was cancelled or closed
// without OK.
extern std::string EnteredPassword;

class TFrmPassWord : public QDialog {
  Q_OBJECT

 public:
  explicit TFrmPassWord(QWidget* parent = nullptr);

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
