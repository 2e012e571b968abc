// What the boxes say, whatever draws them: the full-stop rule of the error
// box, the captions, and the handler boundary that shows an escaping error
// in the error box, captioned with the application title.
#include "app/MessageBoxes.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/HandlerBoundary.h"
#include "tests/app/AppTestSupport.h"

namespace vorn {
namespace {

TEST(WithFullStopTest, AddsAFullStopAfterACharacterAboveIt) {
  EXPECT_EQ(WithFullStop("Impossibile creare C:\\VornZAV"), "Impossibile creare C:\\VornZAV.");
  EXPECT_EQ(WithFullStop("Impossibile creare C:\\VornZAV\\ArchiviVuoti\\"),
            "Impossibile creare C:\\VornZAV\\ArchiviVuoti\\.");
  EXPECT_EQ(WithFullStop("Error 421"), "Error 421.");  // digits are above "."
  EXPECT_EQ(WithFullStop("a/"), "a/.");                // "/" is just above
  EXPECT_EQ(WithFullStop("già"), "già.");
}

TEST(WithFullStopTest, KeepsTextThatEndsInAFullStopOrBelowIt) {
  for (const char* text : {"Done.", "Why?!", "Timeout (100000 ms)", "a, b,", "a-", "trailing ", "line\n", "100%"}) {
    EXPECT_EQ(WithFullStop(text), text) << text;
  }
  EXPECT_EQ(WithFullStop(""), "");
}

TEST(MessageBoxCaptionTest, ErrorAndInformation) {
  EXPECT_STREQ(MessageBoxCaption(MessageBoxKind::Error), "Error");
  EXPECT_STREQ(MessageBoxCaption(MessageBoxKind::Information), "Information");
  EXPECT_STREQ(ApplicationTitle, "VORN - Zavario");
}

TEST(HandlerBoundaryTest, AnEscapingErrorReachesTheBoxAndTheProgramGoesOn) {
  std::vector<std::string> shown;
  const auto box = [&](const std::string& message) { shown.push_back(message); };
  bool after = false;
  RunHandler([] { throw std::runtime_error("Connection closed gracefully"); }, box);
  RunHandler([] { throw 42; }, box);
  RunHandler([&] { after = true; }, box);
  EXPECT_TRUE(after);
  EXPECT_EQ(shown, (std::vector<std::string>{"Connection closed gracefully", "Unknown error"}));
}

class ExceptionBoxTest : public test::FrontEndTest {};

// On screen: captioned with the application title, error icon, full stop.
TEST_F(ExceptionBoxTest, AnErrorLeavingAHandlerIsShownCaptionedWithTheApplicationTitle) {
  const auto window = test::NewMainWindow();
  window->InstallStep(TStepButton::BtnZAV, [](TStepButton) { throw std::runtime_error("Connection closed gracefully"); });
  window->InstallStep(TStepButton::BtnDBE, [](TStepButton) { throw 42; });
  test::ModalAnswerer answerer;
  window->StepButtonClicked(TStepButton::BtnZAV);
  window->StepButtonClicked(TStepButton::BtnDBE);
  const auto boxes = answerer.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].Caption, "VORN - Zavario");
  EXPECT_EQ(boxes[0].Text, "Connection closed gracefully.");
  EXPECT_TRUE(boxes[0].ErrorIcon);
  EXPECT_EQ(boxes[1].Text, "Unknown error.");
}

}  // namespace
}  // namespace vorn
