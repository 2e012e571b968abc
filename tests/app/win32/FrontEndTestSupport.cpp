// The Win32 front end under test: its windows are real windows (under wine
// they need an X display), the message loop is the program's, and the modal
// boxes and dialogs are found and answered as a person would, by a timer of
// the thread that their own modal loops keep running.
#include "tests/app/FrontEndTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <stdexcept>
#include <utility>

#include "app/win32/Boxes.h"
#include "app/win32/Desktop.h"
#include "app/win32/Dialogs.h"
#include "app/win32/MainWindow.h"
#include "app/win32/PasswordDialog.h"
#include "tests/support/Environment.h"

#include <windows.h>

namespace vorn::test {

namespace {

win32::Win32Setup_ZAV& Win32Window(TSetup_ZAV& window) { return dynamic_cast<win32::Win32Setup_ZAV&>(window); }

constexpr UINT AnswerIntervalMs = 5;

// The temporary folder a test gives the program is TMPDIR, as on Debian;
// Windows takes it from TMP and TEMP, which follow TMPDIR while the test's
// window lives and are put back after it. TMPDIR itself, a Windows path
// here, is kept from the Debian programs the tests start meanwhile (bash,
// mktemp), to which it would mean nothing.
class TemporaryFolderOfTheTest {
 public:
  TemporaryFolderOfTheTest() {
    const std::optional<std::string> folder = GetVariable("TMPDIR");
    if (!folder) return;
    for (const char* name : {"TMP", "TEMP", "TMPDIR"}) saved_.emplace_back(name, GetVariable(name));
    SetVariable("TMP", *folder);
    SetVariable("TEMP", *folder);
    UnsetVariable("TMPDIR");
  }
  ~TemporaryFolderOfTheTest() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        SetVariable(name, *value);
      } else {
        UnsetVariable(name);
      }
    }
  }
  TemporaryFolderOfTheTest(const TemporaryFolderOfTheTest&) = delete;
  TemporaryFolderOfTheTest& operator=(const TemporaryFolderOfTheTest&) = delete;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The main window as the program has it: while it is up, the shell's own
// error messages appear as modal boxes.
class TestWindow : public win32::Win32Setup_ZAV {
  TemporaryFolderOfTheTest temporaryFolder_;
  win32::ShellMessageBoxes shellMessages_;
};

}  // namespace

void InitialiseFrontEnd() {
  win32::InitialiseDesktop();
  // Said once, plainly, rather than as every window that cannot be made.
  static const bool desktop = [] {
    const win32::UniqueWindow probe(
        CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    return probe != nullptr;
  }();
  if (!desktop) {
    throw std::runtime_error(
        "no window can be made: under wine the windows need an X display "
        "(scripts/wine-session start; export DISPLAY=$(scripts/wine-session display))");
  }
}

std::unique_ptr<TSetup_ZAV> NewMainWindow() { return std::make_unique<TestWindow>(); }

std::unique_ptr<IAccessDialog> NewAccessDialog() { return std::make_unique<win32::PasswordDialog>(); }

void ShowMainWindow(TSetup_ZAV& window) { Win32Window(window).Show(); }

void ProcessPendingMessages() { win32::ProcessPendingMessages(); }

int RunMessageLoop(TSetup_ZAV& window, int timeoutMs) {
  win32::Win32Setup_ZAV& win = Win32Window(window);
  return win32::RunMessagesUntil([&win] { return win.QuitReceived(); }, timeoutMs) ? 0 : 1;
}

struct ModalAnswerer::State {
  DialogAction onDialog;
  std::vector<ShownBox> boxes;
  int dialogs = 0;
  HWND answered = nullptr;
  UINT_PTR timer = 0;

  static std::map<UINT_PTR, State*>& All() {
    static std::map<UINT_PTR, State*> all;
    return all;
  }

  static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
    const auto found = All().find(timer);
    if (found != All().end()) found->second->Poll();
  }

  void Poll() {
    const HWND modal = win32::ActiveModalWindow();
    if (!modal) {
      answered = nullptr;
      return;
    }
    if (modal == answered) return;
    answered = modal;
    if (win32::IsMessageBox(modal)) {
      ShownBox box{win32::BoxCaption(modal), win32::BoxText(modal), false};
      // The icon as the box was asked for: the innermost open box of that text.
      const auto& open = win32::OpenBoxes();
      for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (it->Caption == box.Caption && it->Text == box.Text) {
          box.ErrorIcon = it->Icon == win32::BoxIcon::Error;
          break;
        }
      }
      boxes.push_back(std::move(box));
      win32::AnswerBoxWithOk(modal);
    } else if (onDialog) {
      ++dialogs;
      onDialog(win32::WindowText(modal));
    }
  }
};

ModalAnswerer::ModalAnswerer(DialogAction onDialog) : state_(std::make_unique<State>()) {
  state_->onDialog = std::move(onDialog);
  state_->timer = SetTimer(nullptr, 0, AnswerIntervalMs, &State::Tick);
  State::All()[state_->timer] = state_.get();
}

ModalAnswerer::~ModalAnswerer() {
  KillTimer(nullptr, state_->timer);
  State::All().erase(state_->timer);
}

std::vector<ShownBox> ModalAnswerer::Boxes() const { return state_->boxes; }

int ModalAnswerer::DialogsAnswered() const { return state_->dialogs; }

void ModalAnswerer::TypeIntoOpenDialog(const std::string& text) {
  if (const HWND modal = win32::ActiveModalWindow()) win32::TypeIntoDialog(modal, text);
}

void ModalAnswerer::PressEnterInOpenDialog() {
  if (const HWND modal = win32::ActiveModalWindow()) win32::PressEnter(modal);
}

void ModalAnswerer::PressEscapeInOpenDialog() {
  if (const HWND modal = win32::ActiveModalWindow()) win32::PressEscape(modal);
}

}  // namespace vorn::test
