// The program entry: the application, the main window and the access dialog,
// then the message loop until the program is asked to end.
#include <QApplication>
#include <QTimer>
#include <memory>

#include "app/Application.h"
#include "app/Frm_PassWord.h"
#include "app/InstallSteps.h"
#include "app/MessageBoxes.h"
#include "app/ScriptedRun.h"
#include "app/V_Main.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  vorn::InitialiseApplication();
  vorn::ShellMessageBoxes shellMessages;

  // Created first, so it is the main window; the dialog stays hidden until
  // the main window's show handler asks for the password.
  vorn::TSetup_ZAV Setup_ZAV;
  vorn::TFrmPassWord FrmPassWord;
  Setup_ZAV.SetAccessDialog(&FrmPassWord);

  // The components and the steps behind the buttons.
  vorn::InstallSteps steps(Setup_ZAV);
  steps.Install();

  const std::unique_ptr<vorn::ScriptedRun> script = vorn::ScriptedRun::FromEnvironment(Setup_ZAV, FrmPassWord);

  // The message loop shows the main window.
  QTimer::singleShot(0, &Setup_ZAV, [&Setup_ZAV] { Setup_ZAV.show(); });
  return application.exec();
}
