// The program entry: the application, the main window and the access dialog,
// then the message loop until the program is asked to end.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/InstallSteps.h"
#include "app/ServerSettings.h"
#include "app/qt/Application.h"
#include "app/qt/Frm_PassWord.h"
#include "app/qt/MessageBoxes.h"
#include "app/qt/ScriptedRun.h"
#include "app/qt/ShellProgressWindow.h"
#include "app/qt/V_Main.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  vorn::InitialiseApplication();
  vorn::ShellMessageBoxes shellMessages;
  vorn::ShellProgressWindow shellProgress;

  // Created first, so it is the main window; the dialog stays hidden until
  // the main window's show handler asks for the password.
  vorn::QtSetup_ZAV Setup_ZAV;
  vorn::TFrmPassWord FrmPassWord;
  Setup_ZAV.SetAccessDialog(&FrmPassWord);

  const std::unique_ptr<vorn::ScriptedRun> script = vorn::ScriptedRun::FromEnvironment(Setup_ZAV, FrmPassWord);

  // The download server, as the environment may set it for this run; a wrong
  // setting is said at once rather than met at the first download.
  vorn::DownloadServer server;
  try {
    server = vorn::DownloadServerFromEnvironment();
  } catch (const vorn::EInvalidSetting& error) {
    std::fprintf(stderr, "SetupZAV: %s\n", error.what());
    vorn::ShowExceptionBox(error.what());
    return 1;
  }

  // The components and the steps behind the buttons.
  vorn::InstallSteps steps(Setup_ZAV, server);
  steps.Install();

  // The message loop shows the main window.
  QTimer::singleShot(0, &Setup_ZAV, [&Setup_ZAV] { Setup_ZAV.show(); });
  return application.exec();
}
