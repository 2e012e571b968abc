// The main window in Qt: the step buttons, the log pane, the two progress
// bars and the status bar, drawn from MainWindowLayout(). Its behaviour is
// the core's (app/V_Main.h); this supplies the controls, the boxes and the
// message loop.
#pragma once

#include <QWidget>
#include <array>
#include <string>

#include "app/V_Main.h"
#include "app/qt/LayoutWidgets.h"
#include "app/qt/ProgressBar.h"
#include "app/qt/ZipDialogBox.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

namespace vorn {

class QtSetup_ZAV : public QWidget, public TSetup_ZAV {
  Q_OBJECT

 public:
  explicit QtSetup_ZAV(QWidget* parent = nullptr);
  ~QtSetup_ZAV() override;

  // IUserInterface.
  ProgressBar& Barrazza() override { return *barrazza_; }
  ProgressBar& BarrazzaTotale() override { return *barrazzaTotale_; }
  void SetStatusPanel(int index, const std::string& text) override;
  std::string StatusPanel(int index) const override;
  void ShowMessageBox(MessageBoxKind kind, const std::string& text) override;
  void ProcessMessages() override;
  void SetHourglass(bool on) override;

  // TSetup_ZAV.
  std::string ButtonCaption(TStepButton button) const override;
  void SetButtonCaption(TStepButton button, const std::string& caption) override;
  std::string LogText() const override;
  void Repaint() override { repaint(); }
  IZipDialogPresenter& ZipDialogs() override { return zipDialogs_; }
  void ShowExceptionBox(const std::string& text) override;

  // The button of a step.
  QPushButton* ButtonOf(TStepButton button) const;

  // The controls, as the window lays them out.
  QPushButton* BtnAvanti;
  QPushButton* Button3;
  QPushButton* BtnDBE;
  QPushButton* BtnZAV;
  QPushButton* BtnAlias;
  QPlainTextEdit* MemoSpace;
  QStatusBar* StatusBar1;
  QLabel* Image1;
  QPushButton* AllineaVersione;

 protected:
  void AppendLogLine(const std::string& line) override;
  void QueueQuit() override;

  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CentreOnScreen();

  LaidOutWindow layout_;
  ProgressBar* barrazza_;
  ProgressBar* barrazzaTotale_;
  std::array<QLabel*, 2> statusPanels_;
  ZipDialogBox zipDialogs_;
  bool hourglass_ = false;
  bool centred_ = false;
};

}  // namespace vorn
