// A temporary C: drive for the platform tests: a fresh host folder named by
// VORN_DRIVE_C, removed again afterwards together with anything the test
// left in it. The current folder and the environment are restored.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>

namespace vorn::test {

namespace fs = std::filesystem;

class TempDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    Remember("VORN_DRIVE_C");
    Remember("HOME");
    Remember("TMPDIR");
    Remember("XDG_CONFIG_HOME");
    Remember("TZ");
    std::string pattern = (fs::temp_directory_path() / "vorn-platform-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    base_ = pattern;
    drive_ = base_ / "drive_c";
    fs::create_directories(drive_);
    setenv("VORN_DRIVE_C", drive_.c_str(), 1);
    savedCurrent_ = fs::current_path();
  }

  void TearDown() override {
    std::error_code error;
    fs::current_path(savedCurrent_, error);
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
    tzset();
    // Read-only files and folders must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(base_, error); !error && it != fs::end(it); it.increment(error)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, error);
    }
    fs::remove_all(base_, error);
  }

  // Host path of a name below the C: folder ("a/b.txt").
  fs::path Host(const std::string& relative) const { return drive_ / relative; }

  static void Write(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
  }

  static std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  static bool ReadOnly(const fs::path& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && (info.st_mode & 0222) == 0;
  }

  fs::path base_;
  fs::path drive_;

 private:
  void Remember(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
  }

  std::map<std::string, std::optional<std::string>> saved_;
  fs::path savedCurrent_;
};

}  // namespace vorn::test
