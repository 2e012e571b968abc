// SetupZAV.exe driven by its scripted run, as scripts and technicians use
// it: the access dialog answered, the buttons pressed, the boxes printed and
// answered, the log printed on standard output (a program of the windows
// subsystem whose output is redirected), the window saved as PNG.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/Environment.h"
#include "tests/support/RunCommand.h"
#include "tests/support/ScratchFolder.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

class SetupZAVProgramTest : public ::testing::Test {
 protected:
  SetupZAVProgramTest() {
    scratch_.Point("VORN_DRIVE_C", "c");
    scratch_.Point("TMP", "tmp");
    scratch_.Point("TEMP", "tmp");
    for (const char* name : {"VORN_SCRIPT_PASSWORD", "VORN_SCRIPT_PRESS", "VORN_SCRIPT_SCREENSHOT", "VORN_FTP_HOST",
                             "VORN_FTP_PORT"}) {
      scratch_.Keep(name);
      test::UnsetVariable(name);
    }
    // Nobody listens on port 1 of the loopback address.
    test::SetVariable("VORN_FTP_HOST", "127.0.0.1");
    test::SetVariable("VORN_FTP_PORT", "1");
  }

  test::CommandRun Run() {
    return test::RunCommand("timeout 120 \"" + std::string(VORN_TEST_BUILD_DIR) + "/app/SetupZAV.exe\"");
  }

  test::ScratchFolder scratch_{"vorn_setupzav_test"};
};

TEST_F(SetupZAVProgramTest, AWrongPasswordEndsTheProgramOnceTheFoldersAreMade) {
  test::SetVariable("VORN_SCRIPT_PASSWORD", "Quimbel");
  test::SetVariable("VORN_SCRIPT_PRESS", "BtnAvanti");
  const test::CommandRun run = Run();
  EXPECT_EQ(run.Status, 0);
  // The program ends by itself before any press: nothing is printed.
  EXPECT_EQ(run.Output, "");
  EXPECT_TRUE(fs::is_directory(scratch_.Root() / "tmp" / "Inst_Temp"));
  EXPECT_TRUE(fs::is_directory(scratch_.Root() / "c" / "VornZAV" / "ArchiviVuoti"));
}

TEST_F(SetupZAVProgramTest, PrintsTheBoxesAndTheLogAndSavesTheWindow) {
  const fs::path picture = scratch_.Root() / "SetupZAV.png";
  test::SetVariable("VORN_SCRIPT_PASSWORD", "quimbel");
  test::SetVariable("VORN_SCRIPT_PRESS", "BtnDBE, Nessuno");
  test::SetVariable("VORN_SCRIPT_SCREENSHOT", test::PathText(picture));
  const test::CommandRun run = Run();
  EXPECT_EQ(run.Status, 0);
  // The connection refused ends the step in the error box, captioned with the
  // program's title, and the log says what was tried.
  EXPECT_NE(run.Output.find("[VORN - Zavario] Socket Error # 10061"), std::string::npos) << run.Output;
  EXPECT_NE(run.Output.find("scripted run: unknown button Nessuno\n"), std::string::npos) << run.Output;
  EXPECT_NE(run.Output.find(" Connecting to 127.0.0.1."), std::string::npos) << run.Output;
  ASSERT_TRUE(fs::exists(picture));
  const std::string png = test::ScratchFolder::Read(picture);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

}  // namespace
}  // namespace vorn
