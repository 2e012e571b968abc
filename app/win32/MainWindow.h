// The main window on Win32 ("Setup VORN - ..."): its controls are made from
// the layout (buttons, the read-only log pane in red bold on the tooltip
// colour, two progress bars, the two-panel status bar, the logo and the
// hidden AllineaVersione), follow their anchors when the window is resized,
// use Tahoma 8 point at the monitor's dots per inch, and the window opens
// centred on the screen. Everything else it does is the core's TSetup_ZAV.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Layout.h"
#include "app/V_Main.h"
#include "app/win32/Handles.h"
#include "app/win32/ProgressBar.h"
#include "app/win32/ZipDialog.h"

namespace vorn::win32 {

class Win32Setup_ZAV : public TSetup_ZAV {
 public:
  Win32Setup_ZAV();
  ~Win32Setup_ZAV() override;

  // Shows the window as the program does: centred, the show handler
  // (password, folders) first, then the window itself.
  void Show();
  // True once the message loop has received the request to end (QueueQuit).
  bool QuitReceived() const { return quitReceived_; }
  // Clicks a button as a person does (the button's notification to the window).
  void Click(TStepButton button);
  void ClickExit();

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
  void Repaint() override;
  IZipDialogPresenter& ZipDialogs() override { return zipDialog_; }
  void ShowExceptionBox(const std::string& text) override;

  // The window and its controls by their names in the layout, for tests and
  // the scripted run.
  WindowHandle Window() const { return window_.get(); }
  WindowHandle Control(std::string_view name) const;
  bool Hourglass() const { return hourglass_; }
  ZipDialog& ZipDialogBox() { return zipDialog_; }

 protected:
  void AppendLogLine(const std::string& line) override;
  void QueueQuit() override;

 private:
  friend struct MainWindowAccess;
  struct Placed {
    const ControlLayout* Layout;
    WindowHandle Window;
  };

  void MakeControls();
  void ApplyDpi(int dpi);
  void Arrange(int clientWidth, int clientHeight);
  void Command(int id, WindowHandle from);
  WindowHandle ButtonWindow(TStepButton button) const;

  UniqueFont font_;      // the fonts and brush outlive the window that uses them
  UniqueFont boldFont_;
  UniqueBrush logBackground_;
  UniqueIcon bigIcon_, smallIcon_;
  UniqueWindow window_;
  std::vector<Placed> controls_;
  std::unique_ptr<ProgressBar> barrazza_;
  std::unique_ptr<ProgressBar> barrazzaTotale_;
  WindowHandle log_ = nullptr;
  WindowHandle status_ = nullptr;
  WindowHandle lastFocus_ = nullptr;  // given the focus back when the window is activated
  ZipDialog zipDialog_;
  int dpi_ = 96;
  bool hourglass_ = false;
  bool quitReceived_ = false;
  bool shown_ = false;
};

}  // namespace vorn::win32
