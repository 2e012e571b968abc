// A fresh host folder for one test, with environment variables pointed into
// it (drive C:, the temporary folder, the home folder). At the end the
// variables and the current folder are as before and the folder is gone,
// read-only files and folders included.
#pragma once

#include <time.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

#include "tests/support/Environment.h"
#include "tests/support/RealWindows.h"

namespace vorn::test {

class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& prefix) {
    // A name nobody has: create_directory reports whether this call made it.
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    const std::filesystem::path temp = Base();
    std::filesystem::create_directories(temp);
    for (int attempt = 0; root_.empty(); ++attempt) {
      if (attempt == 100) throw std::runtime_error("cannot make a temporary folder");
      std::string name = prefix + "-";
      for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
      std::error_code made;
      if (std::filesystem::create_directory(temp / name, made)) root_ = temp / name;
    }
    std::error_code error;
    savedCurrent_ = std::filesystem::current_path(error);
  }
  ~ScratchFolder() {
    std::error_code error;
    if (!savedCurrent_.empty()) std::filesystem::current_path(savedCurrent_, error);
    for (const auto& [name, value] : saved_) {
      if (value) {
        SetVariable(name, *value);
      } else {
        UnsetVariable(name);
      }
    }
#ifdef _WIN32
    _tzset();
#else
    tzset();
#endif
    namespace fs = std::filesystem;
    for (auto it = fs::recursive_directory_iterator(root_, error); !error && it != fs::end(it); it.increment(error)) {
#ifdef _WIN32
      // Clears the read-only attribute, which would keep the file from being removed.
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
#else
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, error);
#endif
    }
    fs::remove_all(root_, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& Root() const { return root_; }

  // Points the variable at a folder below the root (created; "" is the
  // root itself) and returns that folder.
  std::filesystem::path Point(const std::string& variable, const std::string& relative) {
    Keep(variable);
    const std::filesystem::path folder = relative.empty() ? root_ : root_ / relative;
    std::filesystem::create_directories(folder);
    SetVariable(variable, PathText(folder));
    return folder;
  }
  // Restores the variable at the end, for a test that changes it.
  void Keep(const std::string& variable) {
    if (saved_.count(variable)) return;
    saved_[variable] = GetVariable(variable);
  }

  static void Write(const std::filesystem::path& path, const std::string& content) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
  }
  static std::string Read(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

 private:
  // Where scratch folders go: VORN_TEST_SCRATCH when set, else the temporary
  // folder. On Windows drive C: of the program under test is VORN_DRIVE_C's
  // folder, so a scratch folder must not lie on the real C:, where the
  // temporary folder usually is: under wine the host's /tmp (Z:\tmp) is used.
  static std::filesystem::path Base() {
    if (const std::optional<std::string> set = GetVariable("VORN_TEST_SCRATCH")) {
      return std::filesystem::path(std::u8string(set->begin(), set->end()));
    }
#ifdef _WIN32
    if (UnderWine()) return L"Z:\\tmp";
#endif
    return std::filesystem::temp_directory_path();
  }

  std::filesystem::path root_;
  std::filesystem::path savedCurrent_;
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace vorn::test
