// Saves pictures of the main window and of the access dialog under the build
// folder (screenshots/), for a person to look at; checks only that they are
// made and have the windows' sizes.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>

#include "app/qt/Frm_PassWord.h"
#include "app/qt/V_Main.h"
#include "tests/app/qt/QtTestSupport.h"

namespace vorn {
namespace {

QString ScreenshotFolder() {
  const QString folder = QDir::cleanPath(test::QtBuildFolder() + QStringLiteral("/screenshots"));
  QDir().mkpath(folder);
  return folder;
}

class ScreenshotTest : public test::QtTest {
 protected:
  test::TempDrive drive;
};

TEST_F(ScreenshotTest, MainWindowDuringAnUpdate) {
  QtSetup_ZAV window;
  window.AddLogLine(" ****************************************");
  window.AddLogLine(" DBE risulta già installato...");
  window.FtpClient1Status(nullptr, hsResolving, "Resolving hostname 127.0.0.1.");
  window.FtpClient1Status(nullptr, hsConnecting, "Connecting to 127.0.0.1.");
  window.FtpClient1Status(nullptr, hsConnected, "Connected.");
  window.AddLogLine(" ****************************************");
  window.AddLogLine(" Controllo ZAV...");
  window.AddLogLine(" Inizio download ZAV dal web...");
  window.FtpClient1WorkBegin(nullptr, wmRead, 1000);
  window.FtpClient1Work(nullptr, wmRead, 620);
  window.BarrazzaTotale().StepIt();
  window.BarrazzaTotale().StepIt();
  window.BarrazzaTotale().StepIt();
  window.BarrazzaTotale().StepIt();
  window.SetStatusPanel(0, "Total size: 2817 Kb");
  window.SetStatusPanel(1, "14 files");
  window.show();
  QCoreApplication::processEvents();

  const QString file = ScreenshotFolder() + QStringLiteral("/SetupZAV.png");
  ASSERT_TRUE(window.grab().save(file, "PNG"));
  EXPECT_EQ(QImage(file).size(), QSize(635, 273));
}

TEST_F(ScreenshotTest, AccessDialogWithATypedPassword) {
  TFrmPassWord dialog;
  test::QtModalAnswerer answerer([&](QWidget*) {
    dialog.Password->insert(QStringLiteral("quimbel"));
    const QString file = ScreenshotFolder() + QStringLiteral("/FrmPassWord.png");
    EXPECT_TRUE(dialog.grab().save(file, "PNG"));
    EXPECT_EQ(QImage(file).size(), QSize(243, 98));
    dialog.CancelBtn->click();
  });
  dialog.exec();
  EXPECT_EQ(answerer.DialogsAnswered(), 1);
}

}  // namespace
}  // namespace vorn
