// The main window's behaviour, on the window of the front end under test:
// start-up and the working folders, the log line, the handlers of the FTP
// client's and the zip component's events, the step buttons with their error
// box and guard, and the end of the program.
#include "app/V_Main.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "app/Frm_PassWord.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "tests/app/AppTestSupport.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

// Answers the access dialog by typing text and pressing Enter (OK).
std::function<void()> Typing(const char* text) {
  return [text] {
    test::ModalAnswerer::TypeIntoOpenDialog(text);
    test::ModalAnswerer::PressEnterInOpenDialog();
  };
}

class SetupZAVTest : public test::FrontEndTest {
 protected:
  SetupZAVTest() {
    TempPath.clear();
    InstTempDir.clear();
    ProductDir.clear();
    ExpectedDownloadSize = 0;
  }

  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    std::istringstream text(window.LogText());
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }

  // Shows the window, answering the access dialog with action.
  std::vector<test::ShownBox> Start(const std::function<void()>& action) {
    window.SetAccessDialog(dialog.get());
    test::ModalAnswerer answerer([&](const std::string& caption) {
      EXPECT_EQ(caption, "Password Dialog");
      action();
    });
    test::ShowMainWindow(window);
    EXPECT_EQ(answerer.DialogsAnswered(), 1);
    return answerer.Boxes();
  }

  test::TempDrive drive;
  std::unique_ptr<TSetup_ZAV> windowOwner = test::NewMainWindow();
  TSetup_ZAV& window = *windowOwner;
  std::unique_ptr<IAccessDialog> dialog = test::NewAccessDialog();
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
  std::function<void()> action;
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
  EXPECT_EQ(test::RunMessageLoop(window), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Access, RejectedPasswordTest,
    ::testing::Values(RejectedEntry{"Wrong", Typing("sbagliata")},
                      RejectedEntry{"TrailingBlank", Typing("quimbel ")},
                      RejectedEntry{"UpperCase", Typing("QUIMBEL")},
                      RejectedEntry{"Empty", Typing("")},
                      RejectedEntry{"Escape",
                                    [] {
                                      test::ModalAnswerer::TypeIntoOpenDialog("quimbel");
                                      test::ModalAnswerer::PressEscapeInOpenDialog();
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
  EXPECT_EQ(boxes[0].Caption, "VORN - Zavario");
  EXPECT_EQ(boxes[0].Text, "Impossibile creare C:\\VornZAV.");
  EXPECT_TRUE(boxes[0].ErrorIcon);

  // The program keeps running, and the steps still copy into the product folder.
  EXPECT_FALSE(window.TerminateRequested());
  EXPECT_EQ(ProductDir, "C:\\VornZAV\\");
  EXPECT_EQ(InstTempDir, GetTempFolder() + "Inst_Temp");
  EXPECT_TRUE(fs::is_directory(drive.Tmp() / "Inst_Temp"));
}

TEST_F(SetupZAVTest, AFailedSubfolderIsNamedWithItsTrailingBackslash) {
  fs::create_directories(drive.C() / "VornZAV" / "Referti_da_Inviare");
  std::ofstream(drive.C() / "VornZAV" / "Referti_Inviati") << "in the way";

  const auto boxes = Start(Typing("quimbel"));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Impossibile creare C:\\VornZAV\\Referti_Inviati\\.");
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
  const std::regex form("^([01][0-9]|2[0-3])\\.[0-5][0-9]\\.[0-5][0-9] (.*)$");
  const std::string expected[] = {"Controllo DBE...", "****************************************", "città: già installato"};
  for (size_t i = 0; i < lines.size(); ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[i], match, form)) << lines[i];
    EXPECT_EQ(match[2], expected[i]);
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

TEST_F(SetupZAVTest, WorkMovesTheBar) {
  window.FtpClient1WorkBegin(nullptr, wmRead, 100000);
  window.FtpClient1Work(nullptr, wmRead, 65536);
  EXPECT_EQ(window.Barrazza().Position(), 65536);
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
  window.StepButtonClicked(TStepButton::BtnAvanti);
  window.StepButtonClicked(TStepButton::BtnDBE);
  window.StepButtonClicked(TStepButton::AllineaVersione);
  EXPECT_TRUE(answerer.Boxes().empty());
  EXPECT_TRUE(window.LogText().empty());
}

TEST_F(SetupZAVTest, EachButtonRunsItsOwnStepWithItselfAsSender) {
  const TStepButton buttons[] = {TStepButton::BtnAvanti, TStepButton::BtnDBE, TStepButton::BtnZAV,
                                 TStepButton::BtnAlias, TStepButton::AllineaVersione};
  std::vector<std::pair<TStepButton, TStepButton>> runs;
  for (TStepButton button : buttons) {
    window.InstallStep(button, [&runs, button](TStepButton sender) { runs.emplace_back(button, sender); });
  }
  for (TStepButton button : buttons) window.StepButtonClicked(button);
  ASSERT_EQ(runs.size(), 5u);
  for (size_t i = 0; i < runs.size(); ++i) {
    EXPECT_EQ(runs[i], std::make_pair(buttons[i], buttons[i]));
  }
  EXPECT_STREQ(ButtonName(TStepButton::BtnAvanti), "BtnAvanti");
  EXPECT_STREQ(ButtonName(TStepButton::AllineaVersione), "AllineaVersione");
  EXPECT_EQ(window.ButtonCaption(TStepButton::BtnAvanti), "Installa/Aggiorna");
  window.SetButtonCaption(TStepButton::BtnAvanti, "Fine");
  EXPECT_EQ(window.ButtonCaption(TStepButton::BtnAvanti), "Fine");
}

// The per-item bar is empty at the end of every step, also after a download
// of unknown size whose archive could not be unpacked, and after an error.
TEST_F(SetupZAVTest, EveryStepLeavesThePerItemBarEmptyAndNotBusy) {
  window.InstallStep(TStepButton::BtnZAV, [&](TStepButton) {
    ExpectedDownloadSize = -1;
    window.FtpClient1WorkBegin(nullptr, wmRead, 0);
    window.FtpClient1Work(nullptr, wmRead, 4096);
  });
  window.InstallStep(TStepButton::BtnAlias, [&](TStepButton) {
    window.Barrazza().SetMax(20);
    window.Barrazza().SetPosition(13);
    throw std::runtime_error("Impossibile creare C:\\VornZAV\\Archivi");
  });
  window.InstallStep(TStepButton::BtnAvanti, [&](TStepButton) {
    window.Press(TStepButton::BtnZAV);
    EXPECT_FALSE(window.Barrazza().Busy());
    EXPECT_EQ(window.Barrazza().Position(), 0);
    window.Barrazza().SetPosition(5);
  });
  window.StepButtonClicked(TStepButton::BtnAvanti);
  EXPECT_FALSE(window.Barrazza().Busy());
  EXPECT_EQ(window.Barrazza().Position(), 0);
  EXPECT_EQ(window.Barrazza().Max(), 100);

  test::ModalAnswerer answerer;
  window.StepButtonClicked(TStepButton::BtnAlias);
  EXPECT_EQ(answerer.Boxes().size(), 1u);
  EXPECT_EQ(window.Barrazza().Position(), 0);
}

TEST_F(SetupZAVTest, AnErrorEscapingAStepIsShownWithAFullStopAndTheProgramGoesOn) {
  int runs = 0;
  window.InstallStep(TStepButton::BtnZAV, [&](TStepButton) {
    ++runs;
    window.AddLogLine(" Controllo ZAV...");
    throw std::runtime_error("Socket Error # 10061\nConnection refused");
    window.AddLogLine(" never");
  });
  test::ModalAnswerer answerer;
  window.StepButtonClicked(TStepButton::BtnZAV);
  window.StepButtonClicked(TStepButton::BtnZAV);
  EXPECT_EQ(runs, 2);
  ASSERT_EQ(answerer.Boxes().size(), 2u);
  EXPECT_EQ(answerer.Boxes()[0].Caption, "VORN - Zavario");
  EXPECT_EQ(answerer.Boxes()[0].Text, "Socket Error # 10061\nConnection refused.");
  EXPECT_TRUE(answerer.Boxes()[0].ErrorIcon);
  EXPECT_EQ(LogLines().size(), 2u);
  EXPECT_FALSE(window.TerminateRequested());
  EXPECT_FALSE(window.Running());
}

TEST_F(SetupZAVTest, AProgrammaticPressRunsTheOtherStepAndPassesItsErrorOn) {
  std::vector<std::string> order;
  window.InstallStep(TStepButton::BtnZAV, [&](TStepButton) {
    order.push_back("ZAV");
    throw std::runtime_error("Impossibile creare C:\\VornZAV\\Archivi");
  });
  window.InstallStep(TStepButton::BtnAvanti, [&](TStepButton) {
    order.push_back("Avanti");
    window.Press(TStepButton::BtnZAV);
    order.push_back("not reached");
  });
  test::ModalAnswerer answerer;
  window.StepButtonClicked(TStepButton::BtnAvanti);
  EXPECT_EQ(order, (std::vector<std::string>{"Avanti", "ZAV"}));
  ASSERT_EQ(answerer.Boxes().size(), 1u);
  EXPECT_EQ(answerer.Boxes()[0].Text, "Impossibile creare C:\\VornZAV\\Archivi.");
}

TEST_F(SetupZAVTest, AButtonPressedWhileAStepRunsIsIgnored) {
  int dbeRuns = 0;
  window.InstallStep(TStepButton::BtnDBE, [&](TStepButton) { ++dbeRuns; });
  window.InstallStep(TStepButton::BtnZAV, [&](TStepButton) {
    EXPECT_TRUE(window.Running());
    window.StepButtonClicked(TStepButton::BtnDBE);  // as during a download, when messages are processed
    window.StepButtonClicked(TStepButton::BtnZAV);
    window.ProcessMessages();
  });
  window.StepButtonClicked(TStepButton::BtnZAV);
  EXPECT_EQ(dbeRuns, 0);
  window.StepButtonClicked(TStepButton::BtnDBE);
  EXPECT_EQ(dbeRuns, 1);
}

TEST_F(SetupZAVTest, UscitaDuringAStepEndsTheProgramOnlyAfterTheStepReturns) {
  bool finished = false;
  window.InstallStep(TStepButton::BtnAvanti, [&](TStepButton) {
    window.Button3Click();
    // Messages keep flowing and modal boxes keep working while the step goes on.
    window.ProcessMessages();
    window.ShowMessageBox(MessageBoxKind::Information, "Attendere");
    finished = true;
  });
  test::ModalAnswerer answerer;
  window.StepButtonClicked(TStepButton::BtnAvanti);
  EXPECT_TRUE(finished);
  EXPECT_EQ(answerer.Boxes().size(), 1u);
  EXPECT_TRUE(window.TerminateRequested());
  EXPECT_EQ(test::RunMessageLoop(window), 0);
}

TEST_F(SetupZAVTest, ClosingTheWindowDuringAStepWaitsForTheStep) {
  bool closedDuringStep = true;
  bool requestedDuringStep = false;
  window.InstallStep(TStepButton::BtnZAV, [&](TStepButton) {
    closedDuringStep = window.CloseRequested();
    requestedDuringStep = window.TerminateRequested();
  });
  window.StepButtonClicked(TStepButton::BtnZAV);
  EXPECT_FALSE(closedDuringStep);
  EXPECT_TRUE(requestedDuringStep);
  EXPECT_EQ(test::RunMessageLoop(window), 0);
}

TEST_F(SetupZAVTest, ClosingTheIdleWindowEndsTheProgram) {
  EXPECT_TRUE(window.CloseRequested());
  EXPECT_TRUE(window.TerminateRequested());
  EXPECT_EQ(test::RunMessageLoop(window), 0);
}

TEST_F(SetupZAVTest, UscitaWhenIdleEndsTheProgram) {
  window.Button3Click();
  EXPECT_TRUE(window.TerminateRequested());
  EXPECT_EQ(test::RunMessageLoop(window), 0);
}

TEST_F(SetupZAVTest, MessageBoxesAreCaptionedErrorAndInformation) {
  test::ModalAnswerer answerer;
  window.ShowMessageBox(MessageBoxKind::Error, "Impossibile creare C:\\VornZAV\\Archivi");
  window.ShowMessageBox(MessageBoxKind::Information, "premere OK");
  ASSERT_EQ(answerer.Boxes().size(), 2u);
  EXPECT_EQ(answerer.Boxes()[0].Caption, "Error");
  EXPECT_EQ(answerer.Boxes()[0].Text, "Impossibile creare C:\\VornZAV\\Archivi");  // no full stop
  EXPECT_TRUE(answerer.Boxes()[0].ErrorIcon);
  EXPECT_EQ(answerer.Boxes()[1].Caption, "Information");
  EXPECT_FALSE(answerer.Boxes()[1].ErrorIcon);
}

}  // namespace
}  // namespace vorn
