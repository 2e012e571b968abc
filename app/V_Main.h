// The main window's behaviour, whatever toolkit draws it: the start-up with
// its working folders, the step buttons with their handler boundary and
// guard, the end of the program, the log line, and the handlers that turn
// the FTP client's and the zip component's events into log lines, bar
// positions and status texts. A front end (Qt, Win32) derives from it and
// supplies the controls: the log pane, the bars, the status panels, the
// boxes and dialogs, and its message loop.
//
// The steps behind the buttons are installed from outside (InstallStep): the
// window runs them inside a handler boundary, one at a time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "ftp/FtpEvents.h"
#include "platform/UserInterface.h"
#include "zip/ZipDialog.h"
#include "zip/ZipProgress.h"

namespace vorn {

class IAccessDialog;

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

// The buttons whose handlers are installation steps, and the exit button.
enum class TStepButton { BtnAvanti, BtnDBE, BtnZAV, BtnAlias, AllineaVersione };

// The name of a button in the layout ("BtnAvanti", ...).
const char* ButtonName(TStepButton button);

// A step: the click handler of a step button. Sender is the button pressed.
using TStepHandler = std::function<void(TStepButton Sender)>;

class TSetup_ZAV : public IUserInterface {
 public:
  TSetup_ZAV();
  ~TSetup_ZAV() override;
  TSetup_ZAV(const TSetup_ZAV&) = delete;
  TSetup_ZAV& operator=(const TSetup_ZAV&) = delete;

  // The access dialog that the show handler asks for the password.
  void SetAccessDialog(IAccessDialog* dialog) { accessDialog_ = dialog; }

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

  // What the front end calls from its own events.
  // The window is shown for the first time (not again after a minimise).
  void Shown();
  // A click on a step button by the user; ignored while another handler runs.
  void StepButtonClicked(TStepButton button);
  // "Uscita".
  void Button3Click();
  // The window's frame asks to close: true when it may close now (no handler
  // runs); either way the program is asked to end.
  bool CloseRequested();

  // IUserInterface: the log line is "HH.MM.SS" and the text; the rest is the
  // front end's.
  void AddLogLine(const std::string& text) override;

  // The FTP client's and the zip component's events.
  void FtpClient1Status(void* ASender, TFtpStatus AStatus, const std::string& AStatusText);
  void FtpClient1WorkBegin(void* ASender, TWorkMode AWorkMode, int64_t AWorkCountMax);
  void FtpClient1Work(void* ASender, TWorkMode AWorkMode, int64_t AWorkCount);
  void ZipUnpacker1Progress(void* Sender, TZUProgressDetails& Details);

  // What the front end supplies ------------------------------------------
  // A step button's caption (UTF-8); "Installa/Aggiorna" becomes "Fine".
  virtual std::string ButtonCaption(TStepButton button) const = 0;
  virtual void SetButtonCaption(TStepButton button, const std::string& caption) = 0;
  // The log pane's whole text, lines separated by "\n".
  virtual std::string LogText() const = 0;
  // Paints the window now.
  virtual void Repaint() = 0;
  // The zip component's dialogs, shown over this window.
  virtual IZipDialogPresenter& ZipDialogs() = 0;
  // The box for an error that escapes a handler: captioned with the
  // application title, error icon, the text as given (WithFullStop applied).
  virtual void ShowExceptionBox(const std::string& text) = 0;

 protected:
  // Appends one line, time included, to the log pane and scrolls to it.
  virtual void AppendLogLine(const std::string& line) = 0;
  // Ends the message loop once it next runs (queued, never nested).
  virtual void QueueQuit() = 0;

 private:
  // Runs a handler the user started: errors end up in the error box, and a
  // request to end the program waits until the outermost handler returns.
  template <typename Handler>
  void RunUserHandler(Handler&& handler);
  void QueueQuitOnce();

  std::array<TStepHandler, 5> steps_;
  IAccessDialog* accessDialog_ = nullptr;
  int handlerDepth_ = 0;
  bool terminateRequested_ = false;
  bool quitQueued_ = false;
  bool shown_ = false;
};

}  // namespace vorn
