// What the front end's tests need from the toolkit under test. The tests
// written against it (the installation steps end to end, the main window's
// behaviour) are built once per front end: with the Qt window on Debian and
// with the Win32 window in the Windows build, each linking its own
// implementation of these functions.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Frm_PassWord.h"
#include "app/V_Main.h"
#include "platform/UserInterface.h"

namespace vorn::test {

// The toolkit's application, made once per test program on first use
// (offscreen for Qt; under wine the Win32 windows need an X display).
void InitialiseFrontEnd();

// A new main window and access dialog of the toolkit, not shown yet.
std::unique_ptr<TSetup_ZAV> NewMainWindow();
std::unique_ptr<IAccessDialog> NewAccessDialog();

// Shows the window as the program does: the show handler runs (password,
// folders) before this returns.
void ShowMainWindow(TSetup_ZAV& window);

// Processes the window messages that are waiting, then returns.
void ProcessPendingMessages();

// Runs the message loop until the window's program ends (QueueQuit) and
// returns 0; gives up with 1 after timeoutMs rather than hang.
int RunMessageLoop(TSetup_ZAV& window, int timeoutMs = 5000);

struct ShownBox {
  std::string Caption;
  std::string Text;
  bool ErrorIcon = false;  // the error icon; otherwise the information icon
};

// While alive, answers every modal message box with OK and records it; any
// other modal dialog (the access dialog, the zip component's dialogs) is
// passed to onDialog with its caption, once per time it is shown, and the
// callback answers it through the functions below.
class ModalAnswerer {
 public:
  using DialogAction = std::function<void(const std::string& caption)>;
  explicit ModalAnswerer(DialogAction onDialog = nullptr);
  ~ModalAnswerer();
  ModalAnswerer(const ModalAnswerer&) = delete;
  ModalAnswerer& operator=(const ModalAnswerer&) = delete;

  std::vector<ShownBox> Boxes() const;
  int DialogsAnswered() const;

  // For onDialog: types text into the open dialog's edit (if it has one),
  // then presses Enter (the default button) or Escape.
  static void TypeIntoOpenDialog(const std::string& text);
  static void PressEnterInOpenDialog();
  static void PressEscapeInOpenDialog();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vorn::test
