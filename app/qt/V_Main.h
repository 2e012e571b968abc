// The main window: the step buttons, the log pane, the two progress bars and
// the status bar. It is what every step writes to (IUserInterface), and its
// handlers turn the FTP client's and the zip component's events into log
// lines, bar positions and status texts.
//
// The steps behind the buttons are installed from outside (InstallStep): the
// window runs them inside a handler boundary, one at a time.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "app/AnchorLayout.h"
#include "app/ProgressBar.h"
#include "ftp/FtpEvents.h"
#include "platform/UserInterface.h"
#include "zip/ZipProgress.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

namespace vorn {

class TFrmPassWord;

// Raised by the start-up when a product folder cannot be made.
class EFolderNotCreated : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The working folders, fixed by the start-up and used by every step.
extern std::string TempPath;     // the user's temporary folder, ending in "\"
extern std::string InstTempDir;  // TempPath + "Inst_Temp", no trailing "\"
extern std::string ProductDir;   // "C:\VornZAV\"
// The size the server reported for the file about to be downloaded.
extern int32_t ExpectedDownloadSize;

// The buttons whose handlers are installation steps.
enum class TStepButton { BtnAvanti, BtnDBE, BtnZAV, BtnAlias, AllineaVersione };

// A step: the click handler of a step button. Sender is the button pressed.
using TStepHandler = std::function<void(QObject* Sender)>;

class TSetup_ZAV : public QWidget, public IUserInterface {
  Q_OBJECT

 public:
  explicit TSetup_ZAV(QWidget* parent = nullptr);
  ~TSetup_ZAV() override;

  // The access dialog that the show handler asks for the password.
  void SetAccessDialog(TFrmPassWord* dialog) { accessDialog_ = dialog; }

  // Sets the step a button runs; until then the button does nothing.
  void InstallStep(TStepButton button, TStepHandler handler);
  // A press from code, as one step pressing the next: runs the button's step
  // at once with the button as sender; its errors reach the caller.
  void Press(TStepButton button);
  // True while a handler started by the user (or the show handler) runs.
  bool Running() const { return handlerDepth_ > 0; }

  // Asks the program to end: at once when idle, otherwise as soon as the
  // running handler returns.
  void Terminate();
  bool TerminateRequested() const { return terminateRequested_; }

  // The show handler: password, working folders, product folders. Raises
  // when a folder cannot be created.
  void FormShow();

  // IUserInterface.
  void AddLogLine(const std::string& text) override;
  ProgressBar& Barrazza() override { return *barrazza_; }
  ProgressBar& BarrazzaTotale() override { return *barrazzaTotale_; }
  void SetStatusPanel(int index, const std::string& text) override;
  std::string StatusPanel(int index) const override;
  void ShowMessageBox(MessageBoxKind kind, const std::string& text) override;
  void ProcessMessages() override;
  void SetHourglass(bool on) override;

  // The FTP client's and the zip component's events.
  void FtpClient1Status(void* ASender, TFtpStatus AStatus, const std::string& AStatusText);
  void FtpClient1WorkBegin(void* ASender, TWorkMode AWorkMode, int64_t AWorkCountMax);
  void FtpClient1Work(void* ASender, TWorkMode AWorkMode, int64_t AWorkCount);
  void ZipUnpacker1Progress(void* Sender, TZUProgressDetails& Details);

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

 public slots:
  void BtnAvantiClick();
  void Button3Click();
  void BtnDBEClick();
  void BtnZAVClick();
  void BtnAliasClick();
  void AllineaVersioneClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Runs a handler the user started: errors end up in the error box, and a
  // request to end the program waits until the outermost handler returns.
  template <typename Handler>
  void RunUserHandler(Handler&& handler);
  // A step button pressed by the user; ignored while another handler runs.
  void RunStepButton(TStepButton button);
  QPushButton* ButtonOf(TStepButton button) const;
  void CentreOnScreen();
  void QueueQuit();

  ProgressBar* barrazza_;
  ProgressBar* barrazzaTotale_;
  std::array<QLabel*, 2> statusPanels_;
  AnchorLayout anchors_;
  std::array<TStepHandler, 5> steps_;
  TFrmPassWord* accessDialog_ = nullptr;
  int handlerDepth_ = 0;
  bool terminateRequested_ = false;
  bool quitQueued_ = false;
  bool hourglass_ = false;
  bool centred_ = false;
};

}  // namespace vorn
