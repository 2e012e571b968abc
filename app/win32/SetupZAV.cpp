// The program entry of the Windows program: the common controls, the main
// window and the access dialog, the download server's settings, the steps
// behind the buttons, then the message loop until the program is asked to end.
//
// A program of the windows subsystem: no console opens beside the window.
// A scripted run prints on standard output; when that is redirected (a file,
// a pipe, wine started from a terminal) the output goes there, otherwise the
// program writes to the console of the command prompt that started it.
#include <cstdio>
#include <memory>

#include "app/InstallSteps.h"
#include "app/MessageBoxes.h"
#include "app/ScriptedRun.h"
#include "app/ServerSettings.h"
#include "app/win32/Boxes.h"
#include "app/win32/Desktop.h"
#include "app/win32/MainWindow.h"
#include "app/win32/PasswordDialog.h"
#include "app/win32/ScriptedRun.h"
#include "app/win32/ShellProgressWindow.h"
#include "platform/Process.h"

#include <windows.h>

namespace {

// Standard output and error of a scripted run reach the starting console
// when they are not redirected.
void ReachTheConsole() {
  const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (output != nullptr && output != INVALID_HANDLE_VALUE) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  FILE* reopened = nullptr;
  freopen_s(&reopened, "CONOUT$", "w", stdout);
  freopen_s(&reopened, "CONOUT$", "w", stderr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  if (vorn::ScriptSettingsFromEnvironment()) ReachTheConsole();
  vorn::CommandLine commandLine(__argc, __argv);
  vorn::win32::InitialiseDesktop();
  vorn::win32::ShellMessageBoxes shellMessages;
  vorn::win32::ShellProgressWindow shellProgress;

  // Created first, so it is the main window; the dialog is shown only when
  // the main window's show handler asks for the password.
  vorn::win32::Win32Setup_ZAV Setup_ZAV;
  vorn::win32::PasswordDialog FrmPassWord;
  Setup_ZAV.SetAccessDialog(&FrmPassWord);

  const std::unique_ptr<vorn::win32::ScriptedRun> script = vorn::win32::ScriptedRun::FromEnvironment(Setup_ZAV);

  // The download server, as the environment may set it for this run; a wrong
  // setting is said at once rather than met at the first download.
  vorn::DownloadServer server;
  try {
    server = vorn::DownloadServerFromEnvironment();
  } catch (const vorn::EInvalidSetting& error) {
    std::fprintf(stderr, "SetupZAV: %s\n", error.what());
    vorn::win32::ShowExceptionBox(error.what());
    return 1;
  }

  // The components and the steps behind the buttons.
  vorn::InstallSteps steps(Setup_ZAV, server);
  steps.Install();

  Setup_ZAV.Show();
  vorn::win32::RunMessagesUntil([&Setup_ZAV] { return Setup_ZAV.QuitReceived(); });
  return 0;
}
