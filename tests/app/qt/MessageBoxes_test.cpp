// Qt's boxes and windows: the shell's own messages shown as modal boxes, the
// zip component's dialog box (its sound and the width of its text), and the
// shell's progress window.
#include "app/qt/MessageBoxes.h"

#include <gtest/gtest.h>

#include <fstream>

#include <QDialog>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/qt/ShellProgressWindow.h"
#include "app/qt/ZipDialogBox.h"
#include "app/qt/V_Main.h"
#include "platform/Shell.h"
#include "tests/app/qt/QtTestSupport.h"

namespace vorn {
namespace {

class BoxTest : public test::QtTest {
 protected:
  test::TempDrive drive;
};

TEST_F(BoxTest, ShellMessagesAppearAsModalBoxesWhileInstalled) {
  test::QtModalAnswerer answerer;
  std::filesystem::create_directories(drive.C() / "target");
  {
    ShellMessageBoxes installed;
    EXPECT_NE(ShellFileOp(128, "C:\\missing\\Pontex.exe", "C:\\target", "Copy"), 0);
  }
  ASSERT_EQ(answerer.Boxes().size(), 1u);
  EXPECT_FALSE(answerer.Boxes()[0].Text.isEmpty());
  EXPECT_EQ(answerer.Boxes()[0].Icon, QMessageBox::Critical);

  // Uninstalled again: nothing more reaches the screen.
  EXPECT_NE(ShellFileOp(128, "C:\\missing\\Pontex.exe", "C:\\target", "Copy"), 0);
  EXPECT_EQ(answerer.Boxes().size(), 1u);
}

class CountingSounds : public ISystemSounds {
 public:
  void InformationBeep() override { ++beeps; }
  int beeps = 0;
};

// The error dialog beeps once as it opens and keeps a long text within half
// the screen's width; the password dialog makes no sound.
TEST_F(BoxTest, ZipErrorDialogBeepsWhenItOpensAndWrapsAtHalfTheScreen) {
  CountingSounds sounds;
  ZipDialogBox box(&sounds);
  TZipDialogRequest request;
  request.Title = "VORN - Zavario";
  request.Text = "Error: Could not create file '";
  for (int i = 0; i < 40; ++i) request.Text += "C:\\Una cartella molto lunga\\";
  request.Text += "'";
  request.Buttons = {{"&OK", ZdrOK}};
  request.DefaultResult = request.EscapeResult = ZdrOK;

  int beepsWhenOpen = -1;
  int textWidth = -1;
  std::string password;
  {
    test::QtModalAnswerer answerer([&](QWidget* dialog) {
      beepsWhenOpen = sounds.beeps;
      for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        if (label->text().startsWith(QStringLiteral("Error"))) textWidth = label->width();
      }
      dialog->findChild<QPushButton*>()->click();
    });
    EXPECT_EQ(box.Execute(request, password), ZdrOK);
  }
  EXPECT_EQ(beepsWhenOpen, 1);
  EXPECT_EQ(sounds.beeps, 1);
  EXPECT_GT(textWidth, 0);
  EXPECT_LE(textWidth, QApplication::primaryScreen()->availableGeometry().width() / 2);

  request.Kind = TZipDialogKind::Password;
  request.Text = "Enter Password ";
  request.Buttons = {{"&OK", ZdrOK}, {"&Cancel", ZdrCancel}};
  request.EscapeResult = ZdrCancel;
  test::QtModalAnswerer passwordAnswerer([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
  EXPECT_EQ(box.Execute(request, password), ZdrCancel);
  EXPECT_EQ(sounds.beeps, 1);
}

// A large copy offscreen, with a clock that says it lasts: the progress
// window is up while it runs, the main window keeps being served (a repaint
// and a timer come through), and the window is gone at the end.
TEST_F(BoxTest, ALongShellCopyShowsTheProgressWindowAndKeepsTheMainWindowPainting) {
  ShellProgressWindow progress;
  QtSetup_ZAV window;
  window.show();
  QCoreApplication::processEvents();
  std::chrono::steady_clock::time_point now{};
  SetShellClock([&now] { return now += std::chrono::milliseconds(200); });
  std::filesystem::create_directories(drive.C() / "grande");
  std::ofstream(drive.C() / "grande" / "Archivio.db", std::ios::binary) << std::string(24 << 20, 'z');

  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++paints;
      return false;
    }
  } counter;
  window.MemoSpace->viewport()->installEventFilter(&counter);
  bool shownDuringCopy = false;
  int barMaxDuringCopy = -1;
  QTimer::singleShot(0, [&] {
    shownDuringCopy = progress.Window()->isVisible();
    barMaxDuringCopy = progress.Window()->findChild<QProgressBar*>()->maximum();
    window.AddLogLine(" durante la copia");  // asks for a repaint of the log
  });
  EXPECT_EQ(ShellFileOp(128, "C:\\grande\\*.*", "C:\\copia", "Copy"), 0);
  SetShellClock(nullptr);

  EXPECT_TRUE(shownDuringCopy);
  EXPECT_EQ(barMaxDuringCopy, 1000);
  EXPECT_GT(counter.paints, 0);
  EXPECT_EQ(progress.Window()->windowTitle(), QStringLiteral("Copying..."));
  EXPECT_FALSE(progress.Window()->isVisible());
  EXPECT_EQ(std::filesystem::file_size(drive.C() / "copia" / "Archivio.db"), 24u << 20);

  // A short copy (the clock standing still) shows nothing.
  SetShellClock([now] { return now; });
  QTimer::singleShot(0, [&] { shownDuringCopy = true; });
  shownDuringCopy = false;
  EXPECT_EQ(ShellFileOp(128, "C:\\grande\\*.*", "C:\\copia2", "Copy"), 0);
  SetShellClock(nullptr);
  EXPECT_FALSE(shownDuringCopy);  // not even a pending timer was served
}

}  // namespace
}  // namespace vorn
