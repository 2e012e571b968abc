// Shared by the front end's tests, whatever the toolkit: a private C: drive
// and temporary folder per test, the build folder, and the fixture that makes
// the toolkit's application before any window.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/app/FrontEndTestSupport.h"
#include "tests/support/ScratchFolder.h"

namespace vorn::test {

// Base of the fixtures that make windows: the application exists before any
// member of the fixture is built.
class FrontEndTest : public ::testing::Test {
 protected:
  FrontEndTest() { InitialiseFrontEnd(); }
};

// The build folder the tests were built in.
inline std::string BuildFolder() { return VORN_TEST_BUILD_DIR; }

// A fresh folder tree for drive C:, the temporary folder and the home folder,
// removed at the end of the test.
class TempDrive {
 public:
  TempDrive() : scratch_("vorn_app_test") {
    scratch_.Point("VORN_DRIVE_C", "c");
    scratch_.Point("TMPDIR", "tmp");
    scratch_.Point("HOME", "home");
    scratch_.Point("XDG_RUNTIME_DIR", "tmp");
  }

  std::filesystem::path C() const { return scratch_.Root() / "c"; }
  std::filesystem::path Tmp() const { return scratch_.Root() / "tmp"; }

 private:
  test::ScratchFolder scratch_;
};

}  // namespace vorn::test
