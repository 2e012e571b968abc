// Message boxes: the full-stop rule of the error box, its caption, and the
// shell's own messages shown as modal boxes.
#include "app/MessageBoxes.h"

#include <gtest/gtest.h>

#include <fstream>

#include "app/HandlerBoundary.h"
#include "platform/Shell.h"
#include "tests/app/AppTestSupport.h"

namespace vorn {
namespace {

TEST(WithFullStopTest, AddsAFullStopAfterACharacterAboveIt) {
  EXPECT_EQ(WithFullStop(QStringLiteral("Impossibile creare C:\\VornZAV")),
            QStringLiteral("Impossibile creare C:\\VornZAV."));
  EXPECT_EQ(WithFullStop(QStringLiteral("Impossibile creare C:\\VornZAV\\ArchiviVuoti\\")),
            QStringLiteral("Impossibile creare C:\\VornZAV\\ArchiviVuoti\\."));
  EXPECT_EQ(WithFullStop(QStringLiteral("Error 421")), QStringLiteral("Error 421."));  // digits are above "."
  EXPECT_EQ(WithFullStop(QStringLiteral("a/")), QStringLiteral("a/."));                // "/" is just above
  EXPECT_EQ(WithFullStop(QStringLiteral("già")), QStringLiteral("già."));
}

TEST(WithFullStopTest, KeepsTextThatEndsInAFullStopOrBelowIt) {
  for (const char* text : {"Done.", "Why?!", "Timeout (100000 ms)", "a, b,", "a-", "trailing ", "line\n", "100%"}) {
    EXPECT_EQ(WithFullStop(QString::fromUtf8(text)), QString::fromUtf8(text)) << text;
  }
  EXPECT_EQ(WithFullStop(QString()), QString());
}

class BoxTest : public test::QtTest {
 protected:
  test::TempDrive drive;
};

TEST_F(BoxTest, AnErrorLeavingAHandlerIsShownCaptionedWithTheApplicationTitle) {
  test::ModalAnswerer answerer;
  bool after = false;
  RunHandler([] { throw std::runtime_error("Connection closed gracefully"); });
  RunHandler([] { throw 42; });
  RunHandler([&] { after = true; });
  EXPECT_TRUE(after);
  ASSERT_EQ(answerer.Boxes().size(), 2u);
  EXPECT_EQ(answerer.Boxes()[0].Caption, QStringLiteral("VORN - Zavario"));
  EXPECT_EQ(answerer.Boxes()[0].Text, QStringLiteral("Connection closed gracefully."));
  EXPECT_EQ(answerer.Boxes()[0].Icon, QMessageBox::Critical);
  EXPECT_EQ(answerer.Boxes()[1].Text, QStringLiteral("Unknown error."));
}

TEST_F(BoxTest, ShellMessagesAppearAsModalBoxesWhileInstalled) {
  test::ModalAnswerer answerer;
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

}  // namespace
}  // namespace vorn
