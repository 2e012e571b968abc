// The Qt main window: what the core's behaviour needs from Qt (the buttons'
// clicks and keys, the frame's close button, the access dialog's own
// buttons, the event loop kept alive during a transfer, the hourglass) and
// the widgets built from the layout table, with their anchors.
#include "app/qt/V_Main.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>

#include "app/qt/Frm_PassWord.h"
#include "tests/app/qt/QtTestSupport.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

class QtSetupZAVTest : public test::QtTest {
 protected:
  test::TempDrive drive;
  QtSetup_ZAV window;
  TFrmPassWord dialog;
};

// The dialog's own "Annulla" and its frame's close button, with the right
// password typed, end the program.
TEST_F(QtSetupZAVTest, AnnullaAndTheDialogsCloseButtonRejectThePassword) {
  for (const bool closeButton : {false, true}) {
    SCOPED_TRACE(closeButton ? "close button" : "Annulla");
    QtSetup_ZAV shown;
    shown.SetAccessDialog(&dialog);
    test::QtModalAnswerer answerer([&](QWidget* modal) {
      ASSERT_EQ(modal, &dialog);
      dialog.Password->insert(QStringLiteral("quimbel"));
      if (closeButton) {
        dialog.close();
      } else {
        dialog.CancelBtn->click();
      }
    });
    shown.show();
    EXPECT_EQ(answerer.DialogsAnswered(), 1);
    EXPECT_TRUE(answerer.Boxes().empty());
    EXPECT_TRUE(shown.TerminateRequested());
    EXPECT_TRUE(fs::is_directory(drive.C() / "VornZAV" / "ArchiviVuoti"));
    EXPECT_EQ(test::RunMessageLoop(), 0);
  }
}

// The show handler runs when the window is first shown, not again when it is
// shown after a minimise (a spontaneous show).
TEST_F(QtSetupZAVTest, TheShowHandlerRunsOnceAndTheWindowStaysUpAfterAFolderError) {
  std::ofstream(drive.C() / "VornZAV") << "in the way";
  window.SetAccessDialog(&dialog);
  test::QtModalAnswerer answerer([&](QWidget*) {
    dialog.Password->insert(QStringLiteral("quimbel"));
    dialog.OKBtn->click();
  });
  window.show();
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(answerer.Boxes().size(), 1u);
  window.hide();
  window.show();
  EXPECT_EQ(answerer.DialogsAnswered(), 1);
}

TEST_F(QtSetupZAVTest, WorkKeepsTheWindowAlive) {
  window.FtpClient1WorkBegin(nullptr, wmRead, 100000);
  bool delivered = false;
  QTimer::singleShot(0, [&] { delivered = true; });
  window.FtpClient1Work(nullptr, wmRead, 65536);
  EXPECT_TRUE(delivered);  // pending messages were processed
}

TEST_F(QtSetupZAVTest, ButtonsAndTheirKeysRunTheirSteps) {
  std::vector<TStepButton> runs;
  for (TStepButton button : {TStepButton::BtnAvanti, TStepButton::BtnDBE, TStepButton::BtnZAV, TStepButton::BtnAlias,
                             TStepButton::AllineaVersione}) {
    window.InstallStep(button, [&runs](TStepButton sender) { runs.push_back(sender); });
  }
  window.BtnAvanti->click();
  window.BtnDBE->click();
  window.BtnZAV->click();
  window.BtnAlias->click();
  window.AllineaVersione->click();
  EXPECT_EQ(runs, (std::vector<TStepButton>{TStepButton::BtnAvanti, TStepButton::BtnDBE, TStepButton::BtnZAV,
                                            TStepButton::BtnAlias, TStepButton::AllineaVersione}));

  // Return and Enter press the focused button as Space does; with a modifier they do not.
  runs.clear();
  for (const auto& [key, modifiers] : {std::pair{Qt::Key_Return, Qt::NoModifier},
                                       std::pair{Qt::Key_Enter, Qt::KeypadModifier},
                                       std::pair{Qt::Key_Return, Qt::ControlModifier}}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(window.BtnZAV, &press);
    QApplication::sendEvent(window.BtnZAV, &release);
  }
  EXPECT_EQ(runs, (std::vector<TStepButton>{TStepButton::BtnZAV, TStepButton::BtnZAV}));
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(window.Button3, &enter);
  EXPECT_TRUE(window.TerminateRequested());
  EXPECT_EQ(test::RunMessageLoop(), 0);
}

// The bar as drawn, not only as the steps see it.
TEST_F(QtSetupZAVTest, TheDrawnBarIsEmptyAfterABusyStep) {
  window.InstallStep(TStepButton::BtnZAV, [&](TStepButton) {
    ExpectedDownloadSize = -1;
    window.FtpClient1WorkBegin(nullptr, wmRead, 0);
    window.FtpClient1Work(nullptr, wmRead, 4096);
  });
  window.BtnZAV->click();
  EXPECT_EQ(window.Barrazza().maximum(), 100);
  EXPECT_EQ(window.Barrazza().value(), 0);
}

TEST_F(QtSetupZAVTest, TheFramesCloseButtonWaitsForARunningStep) {
  bool closedDuringStep = true;
  window.InstallStep(TStepButton::BtnZAV, [&](TStepButton) { closedDuringStep = window.close(); });
  window.BtnZAV->click();
  EXPECT_FALSE(closedDuringStep);
  EXPECT_TRUE(window.TerminateRequested());
  EXPECT_EQ(test::RunMessageLoop(), 0);

  QtSetup_ZAV idle;
  EXPECT_TRUE(idle.close());
  EXPECT_TRUE(idle.TerminateRequested());
}

TEST_F(QtSetupZAVTest, MessageBoxIcons) {
  test::QtModalAnswerer answerer;
  window.ShowMessageBox(MessageBoxKind::Error, "a");
  window.ShowMessageBox(MessageBoxKind::Information, "b");
  window.ShowExceptionBox("c");
  ASSERT_EQ(answerer.Boxes().size(), 3u);
  EXPECT_EQ(answerer.Boxes()[0].Icon, QMessageBox::Critical);
  EXPECT_EQ(answerer.Boxes()[1].Icon, QMessageBox::Information);
  EXPECT_EQ(answerer.Boxes()[2].Icon, QMessageBox::Critical);
  EXPECT_EQ(answerer.Boxes()[2].Caption, QStringLiteral("VORN - Zavario"));
}

TEST_F(QtSetupZAVTest, HourglassIsSetOnceAndCleared) {
  window.SetHourglass(true);
  window.SetHourglass(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  window.SetHourglass(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Layout -------------------------------------------------------------------------

TEST_F(QtSetupZAVTest, ControlsSitWhereTheWindowLaysThemOut) {
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Setup VORN - TORVEL Zavario - Ver. 1.0 - Rel. 30/05/2023"));
  EXPECT_EQ(window.size(), QSize(635, 273));
  EXPECT_EQ(window.BtnAvanti->geometry(), QRect(391, 224, 115, 25));
  EXPECT_EQ(window.BtnAvanti->text(), QStringLiteral("Installa/Aggiorna"));
  EXPECT_EQ(window.Button3->geometry(), QRect(512, 224, 115, 25));
  EXPECT_EQ(window.Button3->text(), QStringLiteral("Uscita"));
  EXPECT_EQ(window.BtnDBE->geometry(), QRect(8, 8, 174, 35));
  EXPECT_EQ(window.BtnDBE->text(), QStringLiteral("Download ed Installa DBE"));
  EXPECT_EQ(window.BtnZAV->geometry(), QRect(8, 44, 174, 35));
  EXPECT_EQ(window.BtnZAV->text(), QStringLiteral("Zavario"));
  EXPECT_EQ(window.BtnAlias->geometry(), QRect(8, 80, 174, 35));
  EXPECT_EQ(window.BtnAlias->text(), QStringLiteral("Alias e sistemazione file"));
  EXPECT_EQ(window.MemoSpace->geometry(), QRect(192, 8, 435, 193));
  EXPECT_EQ(window.Barrazza().geometry(), QRect(8, 207, 619, 14));
  EXPECT_EQ(window.BarrazzaTotale().geometry(), QRect(8, 225, 377, 23));
  EXPECT_EQ(window.StatusBar1->geometry(), QRect(0, 254, 635, 19));
  EXPECT_EQ(window.Image1->geometry(), QRect(8, 121, 174, 80));
  EXPECT_EQ(window.AllineaVersione->geometry(), QRect(496, 18, 107, 25));
  EXPECT_EQ(window.AllineaVersione->text(), QStringLiteral("AllineaVersione"));
  EXPECT_TRUE(window.AllineaVersione->isHidden());
}

TEST_F(QtSetupZAVTest, AnchorsMoveAndGrowTheControlsOnResize) {
  window.resize(735, 323);  // 100 wider, 50 taller
  QCoreApplication::processEvents();
  window.show();  // resize events reach a shown window at once
  window.resize(735, 323);
  EXPECT_EQ(window.BtnAvanti->geometry(), QRect(491, 274, 115, 25));
  EXPECT_EQ(window.Button3->geometry(), QRect(612, 274, 115, 25));
  EXPECT_EQ(window.BtnDBE->geometry(), QRect(8, 8, 174, 35));
  EXPECT_EQ(window.BtnAlias->geometry(), QRect(8, 80, 174, 35));
  EXPECT_EQ(window.MemoSpace->geometry(), QRect(192, 8, 535, 243));
  EXPECT_EQ(window.Barrazza().geometry(), QRect(108, 257, 619, 14));
  EXPECT_EQ(window.BarrazzaTotale().geometry(), QRect(108, 275, 377, 23));
  EXPECT_EQ(window.StatusBar1->geometry(), QRect(0, 304, 735, 19));
  EXPECT_EQ(window.Image1->geometry(), QRect(8, 121, 174, 80));
  EXPECT_EQ(window.AllineaVersione->geometry(), QRect(496, 18, 107, 25));

  window.resize(635, 273);
  EXPECT_EQ(window.MemoSpace->geometry(), QRect(192, 8, 435, 193));
  EXPECT_EQ(window.StatusBar1->geometry(), QRect(0, 254, 635, 19));
}

TEST_F(QtSetupZAVTest, TabOrderFollowsTheButtonsThenTheLog) {
  // The bars take no focus; the hidden button comes last.
  const std::vector<const QWidget*> expected = {window.BtnAvanti, window.Button3,  window.BtnDBE,
                                                window.BtnZAV,    window.BtnAlias, window.MemoSpace,
                                                window.AllineaVersione};
  std::vector<const QWidget*> chain;
  const QWidget* widget = window.BtnAvanti;
  do {
    if (std::find(expected.begin(), expected.end(), widget) != expected.end()) chain.push_back(widget);
    widget = widget->nextInFocusChain();
  } while (widget != window.BtnAvanti && chain.size() < expected.size());
  EXPECT_EQ(chain, expected);
  EXPECT_EQ(window.Barrazza().focusPolicy(), Qt::NoFocus);
}

TEST_F(QtSetupZAVTest, FontsAndColours) {
  const QFontInfo windowFont(window.BtnAvanti->font());
  EXPECT_EQ(windowFont.family(), QStringLiteral("Tahoma"));
  EXPECT_EQ(window.font().pixelSize(), 11);
  EXPECT_FALSE(window.font().bold());

  EXPECT_TRUE(window.MemoSpace->isReadOnly());
  EXPECT_EQ(window.MemoSpace->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(window.MemoSpace->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_TRUE(window.MemoSpace->font().bold());
  const QFontInfo logFont(window.MemoSpace->font());
  EXPECT_EQ(logFont.family(), QStringLiteral("Tahoma"));
  EXPECT_TRUE(logFont.bold());
  EXPECT_EQ(logFont.pixelSize(), 11);
  EXPECT_EQ(window.MemoSpace->font().pixelSize(), 11);
  EXPECT_EQ(window.MemoSpace->palette().color(QPalette::Text), QColor(Qt::red));
  EXPECT_EQ(window.MemoSpace->palette().color(QPalette::Base), QApplication::palette().color(QPalette::ToolTipBase));
  EXPECT_EQ(window.palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));

  EXPECT_EQ(window.Barrazza().Max(), 100);
  EXPECT_EQ(window.BarrazzaTotale().Max(), 9);
  EXPECT_EQ(window.Barrazza().Position(), 0);
  EXPECT_FALSE(window.Image1->pixmap().isNull());
}

TEST_F(QtSetupZAVTest, StatusBarHasTwoPanelsOf300) {
  const auto panels = window.StatusBar1->findChildren<QLabel*>();
  ASSERT_EQ(panels.size(), 2);
  for (const QLabel* panel : panels) EXPECT_EQ(panel->width(), 300);
  // Edge to edge: the second starts where the first ends, also after a resize.
  window.show();
  window.resize(735, 323);
  QList<int> lefts = {panels[0]->x(), panels[1]->x()};
  std::sort(lefts.begin(), lefts.end());
  EXPECT_EQ(lefts, (QList<int>{0, 300}));
  window.SetStatusPanel(0, "Total size: 12 Kb");
  window.SetStatusPanel(1, "3 files");
  EXPECT_EQ(window.StatusPanel(0), "Total size: 12 Kb");
  EXPECT_EQ(window.StatusPanel(1), "3 files");
}

}  // namespace
}  // namespace vorn
