// The main window: start-up and the working folders, the log line, the
// handlers of the FTP client's and the zip component's events, the step
// buttons with their error box and guard, the end of the program, and the
// layout with its anchors.
#include "app/V_Main.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <fstream>

#include "app/Frm_PassWord.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "tests/app/AppTestSupport.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

// Answers the access dialog by typing text and pressing OK.
std::function<void(TFrmPassWord&)> Typing(const char* text) {
  return [text](TFrmPassWord& d) {
    d.Password->insert(QString::fromUtf8(text));
    d.OKBtn->click();
  };
}

class SetupZAVTest : public test::QtTest {
 protected:
  SetupZAVTest() {
    TempPath.clear();
    InstTempDir.clear();
    ProductDir.clear();
    ExpectedDownloadSize = 0;
  }

  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    const QStringList all = window.MemoSpace->toPlainText().split(u'\n');
    for (const QString& line : all) lines.push_back(line.toStdString());
    return lines;
  }

  // Shows the window, answering the access dialog with action.
  std::vector<test::ShownBox> Start(const std::function<void(TFrmPassWord&)>& action) {
    window.SetAccessDialog(&dialog);
    test::ModalAnswerer answerer([&](QWidget* modal) {
      ASSERT_EQ(modal, &dialog);
      action(dialog);
    });
    window.show();
    EXPECT_EQ(answerer.DialogsAnswered(), 1);
    return answerer.Boxes();
  }

  test::TempDrive drive;
  TSetup_ZAV window;
  TFrmPassWord dialog;
};

// Start-up -----------------------------------------------------------------

TEST_F(SetupZAVTest, RightPasswordSetsTheWorkingFoldersAndCreatesTheProductFolders) {
  const auto boxes = Start(Typing("quimbel"));
  EXPECT_TRUE(boxes.empty());
  EXPECT_FALSE(window.TerminateRequested());

  EXPECT_EQ(TempPath, GetTempFolder());
  ASSERT_FALSE(TempPath.empty());
  EXPECT_EQ(TempPath.back(), '\\');
  EXPECT_EQ(InstTempDir, TempPath + "Inst_Temp");
  EXPECT_EQ(ProductDir, "C:\\VornZAV\\");

  EXPECT_TRUE(fs::is_directory(drive.Tmp() / "Inst_Temp"));
  for (const char* folder : {"VornZAV", "VornZAV/Referti_da_Inviare", "VornZAV/Referti_Inviati",
                             "VornZAV/ArchiviVuoti"}) {
    EXPECT_TRUE(fs::is_directory(drive.C() / folder)) << folder;
  }
}

struct RejectedEntry {
  const char* name;
  std::function<void(TFrmPassWord&)> action;
};

void PrintTo(const RejectedEntry& entry, std::ostream* out) { *out << entry.name; }

class RejectedPasswordTest : public SetupZAVTest, public ::testing::WithParamInterface<RejectedEntry> {};

TEST_P(RejectedPasswordTest, EndsTheProgramButStillCreatesTheFolders) {
  const auto boxes = Start(GetParam().action);
  EXPECT_TRUE(boxes.empty());  // no message for a wrong password
  EXPECT_TRUE(window.TerminateRequested());
  EXPECT_EQ(InstTempDir, GetTempFolder() + "Inst_Temp");
  EXPECT_EQ(ProductDir, "C:\\VornZAV\\");
  EXPECT_TRUE(fs::is_directory(drive.Tmp() / "Inst_Temp"));
  EXPECT_TRUE(fs::is_directory(drive.C() / "VornZAV" / "ArchiviVuoti"));
  EXPECT_TRUE(fs::is_directory(drive.C() / "VornZAV" / "Referti_Inviati"));

  // The request is served by the message loop once the show handler is over.
  EXPECT_EQ(test::RunMessageLoop(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Access, RejectedPasswordTest,
    ::testing::Values(RejectedEntry{"Wrong", Typing("sbagliata")},
                      RejectedEntry{"TrailingBlank", Typing("quimbel ")},
                      RejectedEntry{"UpperCase", Typing("QUIMBEL")},
                      RejectedEntry{"Empty", Typing("")},
                      RejectedEntry{"Annulla", [](TFrmPassWord& d) { d.CancelBtn->click(); }},
                      RejectedEntry{"CloseButton",
                                    [](TFrmPassWord& d) {
                                      d.Password->insert(QStringLiteral("quimbel"));
                                      d.close();
                                    }}),
    [](const ::testing::TestParamInfo<RejectedEntry>& info) { return std::string(info.param.name); });

TEST_F(SetupZAVTest, ExistingFoldersAreKeptWithoutAMessage) {
  fs::create_directories(drive.C() / "VornZAV" / "ArchiviVuoti");
  fs::create_directories(drive.C() / "VornZAV" / "Referti_Inviati");
  fs::create_directories(drive.C() / "VornZAV" / "Referti_da_Inviare");
  fs::create_directories(drive.Tmp() / "Inst_Temp");
  std::ofstream(drive.C() / "VornZAV" / "ArchiviVuoti" / "keep.db") << "data";

  const auto boxes = Start(Typing("quimbel"));
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(fs::exists(drive.C() / "VornZAV" / "ArchiviVuoti" / "keep.db"));
}

TEST_F(SetupZAVTest, AFolderThatCannotBeMadeIsReportedAndProductDirStaysRight) {
  // A file where the product folder should be: the folder test fails and so does the creation.
  std::ofstream(drive.C() / "VornZAV") << "in the way";

  const auto boxes = Start(Typing("quimbel"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Caption, QStringLiteral("VORN - Zavario"));
  EXPECT_EQ(boxes[0].Text, QStringLiteral("Impossibile creare C:\\VornZAV."));
  EXPECT_EQ(boxes[0].Icon, QMessageBox::Critical);

  // The program keeps running, and the steps still copy into the product folder.
  EXPECT_FALSE(window.TerminateRequested());
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(ProductDir, "C:\\VornZAV\\");
  EXPECT_EQ(InstTempDir, GetTempFolder() + "Inst_Temp");
  EXPECT_TRUE(fs::is_directory(drive.Tmp() / "Inst_Temp"));
}

TEST_F(SetupZAVTest, AFailedSubfolderIsNamedWithItsTrailingBackslash) {
  fs::create_directories(drive.C() / "VornZAV" / "Referti_da_Inviare");
  std::ofstream(drive.C() / "VornZAV" / "Referti_Inviati") << "in the way";

  const auto boxes = Start(Typing("quimbel"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, QStringLiteral("Impossibile creare C:\\VornZAV\\Referti_Inviati\\."));
  EXPECT_FALSE(fs::exists(drive.C() / "VornZAV" / "ArchiviVuoti"));  // later folders are not tried
  EXPECT_EQ(ProductDir, "C:\\VornZAV\\");
}

// The log line -------------------------------------------------------------

TEST_F(SetupZAVTest, LogLinesStartWithTheTimeInHoursMinutesSeconds) {
  window.AddLogLine(" Controllo DBE...");
  window.AddLogLine(" ****************************************");
  window.AddLogLine(" città: già installato");
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 3u);
  const QRegularExpression form(QStringLiteral("^([01][0-9]|2[0-3])\\.[0-5][0-9]\\.[0-5][0-9] (.*)$"));
  const QString expected[] = {QStringLiteral("Controllo DBE..."), QStringLiteral("****************************************"),
                              QStringLiteral("città: già installato")};
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto match = form.match(QString::fromStdString(lines[i]));
    ASSERT_TRUE(match.hasMatch()) << lines[i];
    EXPECT_EQ(match.captured(2), expected[i]);
  }
}

TEST_F(SetupZAVTest, StatusTextsAreLoggedWhateverTheStatusEvenWhenEmpty) {
  window.FtpClient1Status(nullptr, hsResolving, "Resolving hostname 127.0.0.1.");
  window.FtpClient1Status(nullptr, ftpAborted, "");
  const auto lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(8), " Resolving hostname 127.0.0.1.");
  EXPECT_EQ(lines[1].size(), 9u);  // the time and a blank
  EXPECT_EQ(lines[1].back(), ' ');
}

// The download bar ------------------------------------------------------------

TEST_F(SetupZAVTest, WorkBeginTakesTheAnnouncedSize) {
  window.Barrazza().SetPosition(40);
  window.FtpClient1WorkBegin(nullptr, wmRead, 123456);
  EXPECT_EQ(window.Barrazza().Max(), 123456);
  EXPECT_EQ(window.Barrazza().Position(), 0);
  EXPECT_FALSE(window.Barrazza().Busy());
}

TEST_F(SetupZAVTest, WorkBeginWithoutASizeFallsBackOnTheExpectedSize) {
  ExpectedDownloadSize = 5000;
  for (int64_t none : {int64_t{0}, int64_t{-1}}) {
    window.FtpClient1WorkBegin(nullptr, wmRead, none);
    EXPECT_EQ(window.Barrazza().Max(), 5000);
    EXPECT_FALSE(window.Barrazza().Busy());
  }
}

TEST_F(SetupZAVTest, WorkBeginWithNoSizeAnywhereGivesABusyBarInsteadOfAnError) {
  ExpectedDownloadSize = -1;
  window.Barrazza().SetPosition(7);
  EXPECT_NO_THROW(window.FtpClient1WorkBegin(nullptr, wmRead, 0));
  EXPECT_TRUE(window.Barrazza().Busy());
  EXPECT_EQ(window.Barrazza().Position(), 0);
  // The transfer goes on moving it; a later download with a size is ordinary again.
  window.FtpClient1Work(nullptr, wmRead, 32768);
  EXPECT_EQ(window.Barrazza().Position(), 32768);
  window.FtpClient1WorkBegin(nullptr, wmRead, 1000);
  EXPECT_FALSE(window.Barrazza().Busy());
  EXPECT_EQ(window.Barrazza().Max(), 1000);
}

TEST_F(SetupZAVTest, CountsAreCutToTheirLow32Bits) {
  window.FtpClient1WorkBegin(nullptr, wmRead, (int64_t{1} << 32) + 16);
  EXPECT_EQ(window.Barrazza().Max(), 16);
  window.FtpClient1Work(nullptr, wmRead, (int64_t{1} << 32) + 5);
  EXPECT_EQ(window.Barrazza().Position(), 5);
  // Between 2 and 4 GB the low bits are negative: busy, not an error.
  EXPECT_NO_THROW(window.FtpClient1WorkBegin(nullptr, wmRead, int64_t{3} << 30));
  EXPECT_TRUE(window.Barrazza().Busy());
}

TEST_F(SetupZAVTest, WorkMovesTheBarAndKeepsTheWindowAlive) {
  window.FtpClient1WorkBegin(nullptr, wmRead, 100000);
  bool delivered = false;
  QTimer::singleShot(0, [&] { delivered = true; });
  window.FtpClient1Work(nullptr, wmRead, 65536);
  EXPECT_EQ(window.Barrazza().Position(), 65536);
  EXPECT_TRUE(delivered);  // pending messages were processed
}

// The unpacking events ----------------------------------------------------------

class FakeDetails : public TZUProgressDetails {
 public:
  FakeDetails(TZUProgressType order, int64_t totalSize = 0, int64_t totalCount = 0, int64_t itemPosition = 0,
              int64_t itemSize = 0)
      : order_(order), totalSize_(totalSize), totalCount_(totalCount), itemPosition_(itemPosition),
        itemSize_(itemSize) {}
  int64_t BytesWritten() const override { return 0; }
  int64_t Delta() const override { return 0; }
  std::string ItemName() const override { return "ZAV/Pontex.exe"; }
  int32_t ItemNumber() const override { return 1; }
  int64_t ItemPosition() const override { return itemPosition_; }
  int64_t ItemSize() const override { return itemSize_; }
  TZUProgressType Order() const override { return order_; }
  bool Stop() const override { return false; }
  int64_t TotalCount() const override { return totalCount_; }
  int64_t TotalPosition() const override { return 0; }
  int64_t TotalSize() const override { return totalSize_; }
  void SetStop(bool) override {}

 private:
  TZUProgressType order_;
  int64_t totalSize_, totalCount_, itemPosition_, itemSize_;
};

void Progress(TSetup_ZAV& window, TZUProgressDetails&& details) { window.ZipUnpacker1Progress(nullptr, details); }

TEST_F(SetupZAVTest, TotalsFillTheStatusPanelsAndScaleTheBarInKilobytes) {
  window.Barrazza().SetPosition(50);
  Progress(window, FakeDetails(TotalFiles2Process, 0, 12));
  Progress(window, FakeDetails(TotalSize2Process, 5000));
  EXPECT_EQ(window.StatusPanel(1), "12 files");
  EXPECT_EQ(window.StatusPanel(0), "Total size: 4 Kb");
  EXPECT_EQ(window.Barrazza().Max(), 4);
  EXPECT_EQ(window.Barrazza().Position(), 0);
}

TEST_F(SetupZAVTest, AnArchiveUnderOneKilobyteShowsZeroKb) {
  Progress(window, FakeDetails(TotalSize2Process, 1023));
  EXPECT_EQ(window.StatusPanel(0), "Total size: 0 Kb");
  EXPECT_EQ(window.Barrazza().Max(), 0);
  EXPECT_FALSE(window.Barrazza().Busy());
}

TEST_F(SetupZAVTest, ItemEventsMoveTheBarByTheEntrysPercentage) {
  Progress(window, FakeDetails(TotalSize2Process, 300 * 1024));
  Progress(window, FakeDetails(ProgressUpdate, 0, 0, 750, 1000));
  EXPECT_EQ(window.Barrazza().Position(), 75);
  Progress(window, FakeDetails(EndOfItem));
  EXPECT_EQ(window.Barrazza().Position(), 75);
  Progress(window, FakeDetails(NewFile));
  EXPECT_EQ(window.Barrazza().Position(), 0);
  Progress(window, FakeDetails(ProgressUpdate, 0, 0, 10, 0));  // no size: 0 per cent
  EXPECT_EQ(window.Barrazza().Position(), 0);
}

TEST_F(SetupZAVTest, EndOfBatchEmptiesBothPanels) {
  Progress(window, FakeDetails(TotalFiles2Process, 0, 3));
  Progress(window, FakeDetails(TotalSize2Process, 4096));
  Progress(window, FakeDetails(ProgressUpdate, 0, 0, 1, 2));
  Progress(window, FakeDetails(EndOfBatch));
  EXPECT_EQ(window.StatusPanel(0), "");
  EXPECT_EQ(window.StatusPanel(1), "");
  EXPECT_EQ(window.Barrazza().Position(), 0);
}

TEST_F(SetupZAVTest, ExtraEventsChangeNothing) {
  window.SetStatusPanel(0, "a");
  window.SetStatusPanel(1, "b");
  window.Barrazza().SetPosition(3);
  Progress(window, FakeDetails(NewExtra));
  Progress(window, FakeDetails(ExtraUpdate));
  EXPECT_EQ(window.StatusPanel(0), "a");
  EXPECT_EQ(window.StatusPanel(1), "b");
  EXPECT_EQ(window.Barrazza().Position(), 3);
  EXPECT_THROW(window.SetStatusPanel(2, "x"), std::out_of_range);
}

// Step buttons, the error box and the end of the program ---------------------------

TEST_F(SetupZAVTest, StepButtonsDoNothingUntilAStepIsInstalled) {
  test::ModalAnswerer answerer;
  window.BtnAvanti->click();
  window.BtnDBE->click();
  window.AllineaVersioneClick();
  EXPECT_TRUE(answerer.Boxes().empty());
  EXPECT_TRUE(window.MemoSpace->toPlainText().isEmpty());
}

TEST_F(SetupZAVTest, EachButtonRunsItsOwnStepWithItselfAsSender) {
  std::vector<std::pair<TStepButton, QObject*>> runs;
  for (TStepButton button : {TStepButton::BtnAvanti, TStepButton::BtnDBE, TStepButton::BtnZAV, TStepButton::BtnAlias,
                             TStepButton::AllineaVersione}) {
    window.InstallStep(button, [&runs, button](QObject* sender) { runs.emplace_back(button, sender); });
  }
  window.BtnAvanti->click();
  window.BtnDBE->click();
  window.BtnZAV->click();
  window.BtnAlias->click();
  window.AllineaVersioneClick();
  ASSERT_EQ(runs.size(), 5u);
  EXPECT_EQ(runs[0], std::make_pair(TStepButton::BtnAvanti, static_cast<QObject*>(window.BtnAvanti)));
  EXPECT_EQ(runs[1], std::make_pair(TStepButton::BtnDBE, static_cast<QObject*>(window.BtnDBE)));
  EXPECT_EQ(runs[2], std::make_pair(TStepButton::BtnZAV, static_cast<QObject*>(window.BtnZAV)));
  EXPECT_EQ(runs[3], std::make_pair(TStepButton::BtnAlias, static_cast<QObject*>(window.BtnAlias)));
  EXPECT_EQ(runs[4], std::make_pair(TStepButton::AllineaVersione, static_cast<QObject*>(window.AllineaVersione)));

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
  EXPECT_EQ(runs.size(), 2u);
  for (const auto& run : runs) EXPECT_EQ(run.first, TStepButton::BtnZAV);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(window.Button3, &enter);
  EXPECT_TRUE(window.TerminateRequested());
}

// The per-item bar is empty at the end of every step, also after a download
// of unknown size whose archive could not be unpacked, and after an error.
TEST_F(SetupZAVTest, EveryStepLeavesThePerItemBarEmptyAndNotBusy) {
  window.InstallStep(TStepButton::BtnZAV, [&](QObject*) {
    ExpectedDownloadSize = -1;
    window.FtpClient1WorkBegin(nullptr, wmRead, 0);
    window.FtpClient1Work(nullptr, wmRead, 4096);
  });
  window.InstallStep(TStepButton::BtnAlias, [&](QObject*) {
    window.Barrazza().SetMax(20);
    window.Barrazza().SetPosition(13);
    throw std::runtime_error("Impossibile creare C:\\VornZAV\\Archivi");
  });
  window.InstallStep(TStepButton::BtnAvanti, [&](QObject*) {
    window.Press(TStepButton::BtnZAV);
    EXPECT_FALSE(window.Barrazza().Busy());
    EXPECT_EQ(window.Barrazza().Position(), 0);
    window.Barrazza().SetPosition(5);
  });
  window.BtnAvanti->click();
  EXPECT_FALSE(window.Barrazza().Busy());
  EXPECT_EQ(window.Barrazza().Position(), 0);
  EXPECT_EQ(window.Barrazza().maximum(), 100);
  EXPECT_EQ(window.Barrazza().value(), 0);

  test::ModalAnswerer answerer;
  window.BtnAlias->click();
  EXPECT_EQ(answerer.Boxes().size(), 1u);
  EXPECT_EQ(window.Barrazza().Position(), 0);
}

TEST_F(SetupZAVTest, AnErrorEscapingAStepIsShownWithAFullStopAndTheProgramGoesOn) {
  int runs = 0;
  window.InstallStep(TStepButton::BtnZAV, [&](QObject*) {
    ++runs;
    window.AddLogLine(" Controllo ZAV...");
    throw std::runtime_error("Socket Error # 10061\nConnection refused");
    window.AddLogLine(" never");
  });
  test::ModalAnswerer answerer;
  window.BtnZAV->click();
  window.BtnZAV->click();
  EXPECT_EQ(runs, 2);
  ASSERT_EQ(answerer.Boxes().size(), 2u);
  EXPECT_EQ(answerer.Boxes()[0].Caption, QStringLiteral("VORN - Zavario"));
  EXPECT_EQ(answerer.Boxes()[0].Text, QStringLiteral("Socket Error # 10061\nConnection refused."));
  EXPECT_EQ(answerer.Boxes()[0].Icon, QMessageBox::Critical);
  EXPECT_EQ(LogLines().size(), 2u);
  EXPECT_FALSE(window.TerminateRequested());
  EXPECT_FALSE(window.Running());
}

TEST_F(SetupZAVTest, AProgrammaticPressRunsTheOtherStepAndPassesItsErrorOn) {
  std::vector<std::string> order;
  window.InstallStep(TStepButton::BtnZAV, [&](QObject*) {
    order.push_back("ZAV");
    throw std::runtime_error("Impossibile creare C:\\VornZAV\\Archivi");
  });
  window.InstallStep(TStepButton::BtnAvanti, [&](QObject*) {
    order.push_back("Avanti");
    window.Press(TStepButton::BtnZAV);
    order.push_back("not reached");
  });
  test::ModalAnswerer answerer;
  window.BtnAvanti->click();
  EXPECT_EQ(order, (std::vector<std::string>{"Avanti", "ZAV"}));
  ASSERT_EQ(answerer.Boxes().size(), 1u);
  EXPECT_EQ(answerer.Boxes()[0].Text, QStringLiteral("Impossibile creare C:\\VornZAV\\Archivi."));
}

TEST_F(SetupZAVTest, AButtonPressedWhileAStepRunsIsIgnored) {
  int dbeRuns = 0;
  window.InstallStep(TStepButton::BtnDBE, [&](QObject*) { ++dbeRuns; });
  window.InstallStep(TStepButton::BtnZAV, [&](QObject*) {
    EXPECT_TRUE(window.Running());
    window.BtnDBE->click();  // as during a download, when messages are processed
    window.BtnZAV->click();
    window.ProcessMessages();
  });
  window.BtnZAV->click();
  EXPECT_EQ(dbeRuns, 0);
  window.BtnDBE->click();
  EXPECT_EQ(dbeRuns, 1);
}

TEST_F(SetupZAVTest, UscitaDuringAStepEndsTheProgramOnlyAfterTheStepReturns) {
  bool finished = false;
  window.InstallStep(TStepButton::BtnAvanti, [&](QObject*) {
    window.Button3->click();
    // Messages keep flowing and modal boxes keep working while the step goes on.
    window.ProcessMessages();
    window.ShowMessageBox(MessageBoxKind::Information, "Attendere");
    finished = true;
  });
  test::ModalAnswerer answerer;
  window.BtnAvanti->click();
  EXPECT_TRUE(finished);
  EXPECT_EQ(answerer.Boxes().size(), 1u);
  EXPECT_TRUE(window.TerminateRequested());
  EXPECT_EQ(test::RunMessageLoop(), 0);
}

TEST_F(SetupZAVTest, ClosingTheWindowDuringAStepWaitsForTheStep) {
  bool closedDuringStep = true;
  bool requestedDuringStep = false;
  window.InstallStep(TStepButton::BtnZAV, [&](QObject*) {
    closedDuringStep = window.close();
    requestedDuringStep = window.TerminateRequested();
  });
  window.BtnZAV->click();
  EXPECT_FALSE(closedDuringStep);
  EXPECT_TRUE(requestedDuringStep);
  EXPECT_EQ(test::RunMessageLoop(), 0);
}

TEST_F(SetupZAVTest, ClosingTheIdleWindowEndsTheProgram) {
  EXPECT_TRUE(window.close());
  EXPECT_TRUE(window.TerminateRequested());
}

TEST_F(SetupZAVTest, UscitaWhenIdleEndsTheProgram) {
  window.Button3->click();
  EXPECT_TRUE(window.TerminateRequested());
  EXPECT_EQ(test::RunMessageLoop(), 0);
}

TEST_F(SetupZAVTest, MessageBoxesAreCaptionedErrorAndInformation) {
  test::ModalAnswerer answerer;
  window.ShowMessageBox(MessageBoxKind::Error, "Impossibile creare C:\\VornZAV\\Archivi");
  window.ShowMessageBox(MessageBoxKind::Information, "premere OK");
  ASSERT_EQ(answerer.Boxes().size(), 2u);
  EXPECT_EQ(answerer.Boxes()[0].Caption, QStringLiteral("Error"));
  EXPECT_EQ(answerer.Boxes()[0].Text, QStringLiteral("Impossibile creare C:\\VornZAV\\Archivi"));  // no full stop
  EXPECT_EQ(answerer.Boxes()[0].Icon, QMessageBox::Critical);
  EXPECT_EQ(answerer.Boxes()[1].Caption, QStringLiteral("Information"));
  EXPECT_EQ(answerer.Boxes()[1].Icon, QMessageBox::Information);
}

TEST_F(SetupZAVTest, HourglassIsSetOnceAndCleared) {
  window.SetHourglass(true);
  window.SetHourglass(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  window.SetHourglass(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Layout -------------------------------------------------------------------------

TEST_F(SetupZAVTest, ControlsSitWhereTheWindowLaysThemOut) {
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

TEST_F(SetupZAVTest, AnchorsMoveAndGrowTheControlsOnResize) {
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

TEST_F(SetupZAVTest, TabOrderFollowsTheButtonsThenTheLog) {
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

TEST_F(SetupZAVTest, FontsAndColours) {
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

TEST_F(SetupZAVTest, StatusBarHasTwoPanelsOf300) {
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
