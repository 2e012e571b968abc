// A temporary C: drive for the platform tests: a fresh host folder named by
// VORN_DRIVE_C, removed again afterwards together with anything the test
// left in it. The current folder and the environment are restored.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/ScratchFolder.h"

namespace vorn::test {

namespace fs = std::filesystem;

class TempDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_.emplace("vorn-platform");
    for (const char* name : {"HOME", "TMPDIR", "XDG_CONFIG_HOME", "TZ"}) scratch_->Keep(name);
    base_ = scratch_->Root();
    drive_ = scratch_->Point("VORN_DRIVE_C", "drive_c");
  }

  void TearDown() override { scratch_.reset(); }

  // Host path of a name below the C: folder ("a/b.txt").
  fs::path Host(const std::string& relative) const { return drive_ / relative; }

  static void Write(const fs::path& path, const std::string& content) { ScratchFolder::Write(path, content); }
  static std::string Read(const fs::path& path) { return ScratchFolder::Read(path); }

  // No write permission for anyone (on Windows: the read-only attribute).
  static bool ReadOnly(const fs::path& path) {
    std::error_code error;
    const fs::perms permissions = fs::status(path, error).permissions();
    const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return !error && (permissions & write) == fs::perms::none;
  }

  fs::path base_;
  fs::path drive_;

 private:
  std::optional<ScratchFolder> scratch_;
};

}  // namespace vorn::test
