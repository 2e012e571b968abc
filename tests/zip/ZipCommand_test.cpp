// The operation runner: busy guard and re-entry, states, the error record,
// exceptions, cancel, and the reporting services the operations use.
#include "zip/ZipCommand.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/zip/ZipTestSupport.h"
#include "zip/ZipMessageIds.h"
#include "zip/ZipUnpacker.h"

namespace vorn {
namespace {

using ziptest::FakeDialogs;
using ziptest::FakeWindow;
using ziptest::TempFolder;
using ziptest::TestEntry;
using ziptest::ZipBuilder;

// An operation whose body is given by the test.
class LambdaOperation : public TZUOperationRoot {
 public:
  explicit LambdaOperation(std::function<int(TZUCommand&)> body, unsigned needs = 0)
      : body_(std::move(body)), needs_(needs) {}
  int Execute(TZUCommand& TheBody) override { return body_(TheBody); }
  unsigned Needs() const override { return needs_; }
  unsigned Changes() const override { return needs_; }
  std::string Name() const override { return "Test"; }

 private:
  std::function<int(TZUCommand&)> body_;
  unsigned needs_;
};

class RunnerTest : public ::testing::Test {
 protected:
  RunnerTest() : zip(&window, &dialogs) {
    zip.OnMessage = [this](void*, int id, const std::string& text) { messages.push_back(std::to_string(id) + " " + text); };
  }
  int Run(std::function<int(TZUCommand&)> body, unsigned needs = 0) {
    return zip.Body().Run(std::make_unique<LambdaOperation>(std::move(body), needs));
  }
  std::string SmallArchive(const std::string& name = "a.zip") {
    ZipBuilder builder;
    for (int i = 0; i < 5; ++i) builder.Entries.push_back(ziptest::Entry("f" + std::to_string(i) + ".txt", "data"));
    return temp.Write(name, builder.Build());
  }

  TempFolder temp;
  FakeWindow window;
  FakeDialogs dialogs;
  TZipUnpacker zip;
  std::vector<std::string> messages;
};

TEST_F(RunnerTest, SuccessfulOperationLeavesSuccess) {
  EXPECT_EQ(zip.State(), ZsDisabled);
  EXPECT_EQ(Run([](TZUCommand&) { return 0; }), 0);
  EXPECT_EQ(zip.ErrCode(), 0);
  EXPECT_EQ(zip.ErrMessage(), "Success");
  EXPECT_EQ(zip.State(), ZsIdle);
  EXPECT_EQ(window.Hourglass, (std::vector<bool>{true, false}));
  EXPECT_TRUE(dialogs.Requests.empty());
}

TEST_F(RunnerTest, ReentryFromProgressIsRefusedAndCounted) {
  const std::string archive = SmallArchive();
  zip.SetShowProgress(ZspFull);
  int nestedResult = -1;
  int updates = 0;
  zip.OnProgress = [&](void*, TZUProgressDetails& details) {
    if (details.Order() == ProgressUpdate && ++updates == 2) {
      zip.SetZipFileName(archive);  // refused, ignored
      nestedResult = Run([](TZUCommand&) { return 0; });
      EXPECT_EQ(zip.State(), ZsReentry);
    }
  };
  zip.SetZipFileName(archive);
  EXPECT_EQ(nestedResult, MsgBusy);
  EXPECT_EQ(updates, 5);  // the running load went on
  EXPECT_EQ(zip.Count(), 5);
  EXPECT_EQ(zip.BlockedCnt(), 2);
  EXPECT_EQ(zip.State(), ZsReentered);
  EXPECT_EQ(zip.ErrCode(), 0);
  EXPECT_TRUE(dialogs.Requests.empty());

  // A single refused attempt, as an extraction pressed again would be.
  zip.OnProgress = [&](void*, TZUProgressDetails& details) {
    if (details.Order() == NewFile) nestedResult = Run([](TZUCommand&) { return 0; });
  };
  zip.SetZipFileName(archive);
  EXPECT_EQ(zip.BlockedCnt(), 1);
  EXPECT_EQ(zip.State(), ZsReentered);
  // The next operation starts the count again.
  zip.OnProgress = nullptr;
  zip.SetZipFileName(archive);
  EXPECT_EQ(zip.BlockedCnt(), 0);
  EXPECT_EQ(zip.State(), ZsIdle);
}

TEST_F(RunnerTest, GuardedSettersAreIgnoredWhileBusy) {
  Run([&](TZUCommand&) {
    zip.SetUnattended(true);
    zip.SetPassword("secret");
    zip.SetVerbose(true);
    return 0;
  });
  EXPECT_FALSE(zip.Unattended());
  EXPECT_EQ(zip.Password(), "");
  EXPECT_FALSE(zip.Verbose());
  EXPECT_EQ(zip.BlockedCnt(), 3);
  EXPECT_EQ(zip.State(), ZsReentered);
  zip.SetPassword("secret");
  EXPECT_EQ(zip.Password(), "secret");
}

TEST_F(RunnerTest, FirstErrorStaysRecordedAndLaterOnesAreStillShown) {
  Run([](TZUCommand& body) {
    body.ShowError(MakeExtCode(MsgCRCError, 5, 7));
    body.ShowError(MsgZipOpen);
    body.ReportMessage(0, "Unzipped file x of size 3");
    return 0;
  });
  EXPECT_EQ(zip.ErrCode(), MsgCRCError);
  EXPECT_EQ(zip.ErrMessage(), "CRC error");
  EXPECT_EQ(zip.ExtErrCode(), 5u * 16777216 + 7 * 4096 + 24);
  EXPECT_EQ(zip.Body().Errors().FErrUnit, 5);
  EXPECT_EQ(zip.Body().Errors().FErrLine, 7);
  EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{"CRC error", "Zip file could not be opened"}));
  EXPECT_EQ(messages, (std::vector<std::string>{"24 CRC error", "59 Zip file could not be opened",
                                                "0 Unzipped file x of size 3"}));
}

TEST_F(RunnerTest, MessageIdZeroDoesNotSetTheError) {
  EXPECT_EQ(Run([](TZUCommand& body) {
              body.ReportMessage(0, "Unzipped file a of size 1");
              return 0;
            }),
            0);
  EXPECT_EQ(zip.ErrMessage(), "Success");
  EXPECT_EQ(messages.size(), 1u);
}

TEST_F(RunnerTest, NegativeResultIsShownWhenNothingWasRecorded) {
  EXPECT_EQ(Run([](TZUCommand&) { return MakeExtCode(MsgNothingToDo, 5, 1); }), MsgNothingToDo);
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Nothing to do"});
  EXPECT_EQ(zip.ErrMessage(), "Nothing to do");
}

TEST_F(RunnerTest, PreparedMessageFillsInTheName) {
  Run([](TZUCommand& body) -> int {
    const int code = body.PrepareErrMsg(MsgInvalidFilename, {"..\\x.txt"}, ZuExtract, 12);
    throw EZipUnpacker(code);
  });
  EXPECT_EQ(zip.ErrCode(), MsgInvalidFilename);
  EXPECT_EQ(zip.ErrMessage(), "Invalid Filename: '..\\x.txt'");
  EXPECT_EQ(zip.ExtErrCode(), 5u * 16777216 + 12 * 4096 + 26);
}

TEST_F(RunnerTest, UnexpectedExceptionIsUnknownErrorAndClosesTheBatch) {
  zip.SetShowProgress(ZspFull);
  std::vector<TZUProgressType> orders;
  zip.OnProgress = [&](void*, TZUProgressDetails& d) { orders.push_back(d.Order()); };
  Run([](TZUCommand& body) -> int {
    body.GaugeSetCount(1);
    body.GaugeSetSize(10);
    throw std::runtime_error("disk on fire");
  });
  EXPECT_EQ(zip.ErrCode(), MsgUnknownError);
  EXPECT_EQ(zip.ErrMessage(), "Unknown Error: disk on fire");
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Unknown Error: disk on fire"});
  EXPECT_EQ(orders, (std::vector<TZUProgressType>{TotalFiles2Process, TotalSize2Process, EndOfBatch}));
}

TEST_F(RunnerTest, OtherThrownObjectsPassThroughAndReleaseTheComponent) {
  EXPECT_THROW(Run([](TZUCommand&) -> int { throw 42; }), int);
  EXPECT_EQ(zip.State(), ZsIdle);
  EXPECT_EQ(Run([](TZUCommand&) { return 0; }), 0);
}

TEST_F(RunnerTest, CancelEndsWithUserAbortWithoutDialog) {
  Run([&](TZUCommand& body) {
    zip.SetCancel(false);  // any assignment asks to stop
    EXPECT_TRUE(zip.Cancel());
    body.CheckCancel();
    return 0;
  });
  EXPECT_EQ(zip.ErrCode(), MsgUserAbort);
  EXPECT_EQ(zip.ErrMessage(), "User Abort");
  EXPECT_TRUE(dialogs.Requests.empty());
  // Cleared when the next operation starts.
  Run([&](TZUCommand&) {
    EXPECT_FALSE(zip.Cancel());
    return 0;
  });
}

TEST_F(RunnerTest, CheckTerminateHookCanAskForCancel) {
  zip.OnCheckTerminate = [](void*, bool& abort) { abort = true; };
  Run([](TZUCommand& body) {
    body.CheckCancel();
    return 0;
  });
  EXPECT_EQ(zip.ErrCode(), MsgUserAbort);
  EXPECT_EQ(window.Processed, 0);  // the hook replaces the processing of window messages
}

TEST_F(RunnerTest, KeepAliveProcessesWindowMessages) {
  Run([](TZUCommand& body) {
    body.KeepAlive();
    return 0;
  });
  EXPECT_EQ(window.Processed, 1);
}

TEST_F(RunnerTest, InactiveComponentRefusesAndLoadsTheNameWhenActiveAgain) {
  const std::string archive = SmallArchive();
  zip.SetActive(false);
  EXPECT_EQ(zip.State(), ZsDisabled);
  EXPECT_EQ(Run([](TZUCommand&) { return 0; }), MsgBusy);
  zip.SetZipFileName(archive);
  EXPECT_EQ(zip.Count(), 0);
  EXPECT_EQ(zip.ErrCode(), MsgNotActive);
  EXPECT_EQ(zip.ErrMessage(), "not Active");
  zip.SetActive(true);
  EXPECT_EQ(zip.Count(), 5);
  EXPECT_EQ(zip.State(), ZsIdle);
  EXPECT_EQ(zip.ErrCode(), 0);
}

TEST_F(RunnerTest, DeactivationWhileBusyTakesEffectAtTheEnd) {
  Run([&](TZUCommand&) {
    zip.SetActive(false);
    EXPECT_EQ(zip.State(), ZsBusy);
    return 0;
  });
  EXPECT_EQ(zip.State(), ZsDisabled);
}

TEST_F(RunnerTest, UnattendedShowsNoDialogButRecords) {
  zip.SetUnattended(true);
  Run([](TZUCommand& body) {
    body.ShowError(MsgCRCError);
    return 0;
  });
  EXPECT_TRUE(dialogs.Requests.empty());
  EXPECT_EQ(zip.ErrCode(), MsgCRCError);
  EXPECT_EQ(messages, std::vector<std::string>{"24 CRC error"});
}

TEST_F(RunnerTest, ErrorDialogRequest) {
  Run([](TZUCommand& body) {
    body.ShowMessage(MsgUnknownError, "x");
    return 0;
  });
  ASSERT_EQ(dialogs.Requests.size(), 1u);
  const TZipDialogRequest& r = dialogs.Requests[0];
  EXPECT_EQ(r.Title, "VORN - Zavario");
  EXPECT_EQ(r.Kind, TZipDialogKind::Information);
  ASSERT_EQ(r.Buttons.size(), 1u);
  EXPECT_EQ(r.Buttons[0].Caption, "&OK");
  EXPECT_EQ(r.DefaultResult, ZdrOK);
  EXPECT_EQ(r.EscapeResult, ZdrOK);  // Enter and Escape both close it
}

TEST_F(RunnerTest, VerboseTitleCarriesTheContext) {
  zip.SetVerbose(true);
  Run([](TZUCommand& body) {
    body.ShowError(MsgNotZip);
    return 0;
  });
  ASSERT_EQ(dialogs.Requests.size(), 1u);
  EXPECT_EQ(dialogs.Requests[0].Title, "VORN - Zavario   (105)");
}

TEST_F(RunnerTest, PasswordDialogButtonsAndAnswer) {
  dialogs.Password = "typed";
  int result = 0;
  std::string text;
  Run([&](TZUCommand& body) {
    text = "Enter Password ";
    result = body.ZipMessageDialog("Password", text, ZipDialogContext(TZipDialogKind::Password, 9),
                                   ZdbOK | ZdbCancel | ZdbAll);
    return 0;
  });
  ASSERT_EQ(dialogs.Requests.size(), 1u);
  const TZipDialogRequest& r = dialogs.Requests[0];
  EXPECT_EQ(r.Kind, TZipDialogKind::Password);
  EXPECT_EQ(r.Title, "Password");
  ASSERT_EQ(r.Buttons.size(), 3u);
  EXPECT_EQ(r.Buttons[0].Caption, "&OK");
  EXPECT_EQ(r.Buttons[1].Caption, "&Cancel");
  EXPECT_EQ(r.Buttons[2].Caption, "CancelAll");
  EXPECT_EQ(r.Buttons[2].Result, ZdrAll);
  EXPECT_EQ(r.DefaultResult, ZdrOK);
  EXPECT_EQ(r.EscapeResult, ZdrCancel);
  EXPECT_EQ(r.MaxPasswordLength, 80);
  EXPECT_EQ(result, ZdrOK);
  EXPECT_EQ(text, "typed");
}

TEST_F(RunnerTest, ZipDialogHookAnswersInsteadOfTheBox) {
  zip.OnZipDialog = [](void*, const std::string&, std::string& msg, int, uint32_t, int& result) {
    msg = "from hook";
    result = ZdrYes;
  };
  int result = 0;
  std::string text = "question";
  Run([&](TZUCommand& body) {
    result = body.ZipMessageDialog("", text, 0, ZdbYes | ZdbNo);
    return 0;
  });
  EXPECT_EQ(result, ZdrYes);
  EXPECT_EQ(text, "from hook");
  EXPECT_TRUE(dialogs.Requests.empty());
}

TEST(ZipDialogButtons, OrderDefaultAndEscape) {
  const auto specs = ZipDialogButtonSpecs(ZdbYesToAll | ZdbRetry | ZdbYes | ZdbNo);
  ASSERT_EQ(specs.size(), 4u);
  EXPECT_EQ(specs[0].Result, ZdrYes);
  EXPECT_EQ(specs[1].Result, ZdrNo);
  EXPECT_EQ(specs[2].Result, ZdrRetry);
  EXPECT_EQ(specs[3].Result, ZdrYesToAll);
  EXPECT_EQ(ZipDialogDefaultResult(ZdbYes | ZdbNo), ZdrYes);
  EXPECT_EQ(ZipDialogDefaultResult(ZdbRetry | ZdbCancel), ZdrRetry);
  EXPECT_EQ(ZipDialogEscapeResult(ZdbYes | ZdbNo), ZdrNo);
  EXPECT_EQ(ZipDialogEscapeResult(ZdbOK | ZdbCancel), ZdrCancel);
}

TEST_F(RunnerTest, SkippingRecordsAndEndsOnlyForNoSkippingReasons) {
  bool endOnWarning = true, endOnDup = false;
  zip.SetVerbose(true);
  Run([&](TZUCommand& body) {
    endOnWarning = body.Skipping("a.txt", StWarning, MsgSetFileTimes);
    endOnDup = body.Skipping("b.txt", StDupName, 0);
    EXPECT_EQ(body.ProblemList().size(), 2u);
    EXPECT_EQ(body.ProblemList()[0].Problem.FErrCode, MsgSetFileTimes);
    EXPECT_EQ(body.ProblemList()[0].Problem.FSkipCode, StWarning);
    return 0;
  }, ZorFSpecArgs);
  EXPECT_FALSE(endOnWarning);
  EXPECT_TRUE(endOnDup);
  EXPECT_EQ(zip.FSpecArgsExcl(), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(messages, (std::vector<std::string>{"120 Skipped a.txt 22", "0 Skipped b.txt 16"}));
  EXPECT_EQ(zip.ErrCode(), 0);  // skips are not errors
}

TEST_F(RunnerTest, SkippedHookMayChangeTheError) {
  zip.OnSkipped = [](void*, const std::string&, TZUSkipTypes, int& error) { error = -5; };
  bool end = false;
  Run([&](TZUCommand& body) {
    end = body.Skipping("x", StWarning, 118);
    return 0;
  });
  EXPECT_TRUE(end);
}

TEST_F(RunnerTest, OperationListsAreCopiedInAndOut) {
  zip.FSpecArgs() = {"a.txt"};
  zip.FSpecArgsExcl() = {"b.txt"};
  Run([](TZUCommand& body) {
    EXPECT_EQ(body.IncludeSpecs(), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(body.ExcludeSpecs(), std::vector<std::string>{"b.txt"});
    body.IncludeSpecs() = {"extracted.txt"};
    return 0;
  }, ZorFSpecArgs);
  EXPECT_EQ(zip.FSpecArgs(), std::vector<std::string>{"extracted.txt"});
  EXPECT_TRUE(zip.FSpecArgsExcl().empty());
}

TEST_F(RunnerTest, TotalSizeToProcessIsResetAtTheNextOperation) {
  zip.SetShowProgress(ZspFull);
  int64_t inside = -1;
  zip.OnProgress = [&](void*, TZUProgressDetails& d) {
    if (d.Order() == TotalSize2Process) inside = zip.TotalSizeToProcess();
  };
  Run([](TZUCommand& body) {
    body.GaugeSetSize(777);
    body.GaugeEndBatch();
    return 0;
  });
  EXPECT_EQ(inside, 0);
  EXPECT_EQ(zip.TotalSizeToProcess(), 777);
  Run([&](TZUCommand&) {
    EXPECT_EQ(zip.TotalSizeToProcess(), 0);
    return 0;
  });
}

TEST_F(RunnerTest, StateChangesAreAnnounced) {
  std::vector<TZUStates> states;
  zip.OnStateChange = [&](void*, TZUStates state, bool&) { states.push_back(state); };
  Run([](TZUCommand&) { return 0; });
  EXPECT_EQ(states, (std::vector<TZUStates>{ZsBusy, ZsIdle}));
}

}  // namespace
}  // namespace vorn
