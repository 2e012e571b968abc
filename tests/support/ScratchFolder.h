// A fresh host folder for one test, with environment variables pointed into
// it (drive C:, the temporary folder, the home folder). At the end the
// variables and the current folder are as before and the folder is gone,
// read-only files and folders included.
#pragma once

#include <stdlib.h>
#include <time.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

namespace vorn::test {

class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    root_ = pattern;
    std::error_code error;
    savedCurrent_ = std::filesystem::current_path(error);
  }
  ~ScratchFolder() {
    std::error_code error;
    if (!savedCurrent_.empty()) std::filesystem::current_path(savedCurrent_, error);
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
    tzset();
    namespace fs = std::filesystem;
    for (auto it = fs::recursive_directory_iterator(root_, error); !error && it != fs::end(it); it.increment(error)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, error);
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
    setenv(variable.c_str(), folder.c_str(), 1);
    return folder;
  }
  // Restores the variable at the end, for a test that changes it.
  void Keep(const std::string& variable) {
    if (saved_.count(variable)) return;
    const char* value = std::getenv(variable.c_str());
    saved_[variable] = value ? std::optional<std::string>(value) : std::nullopt;
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
  std::filesystem::path root_;
  std::filesystem::path savedCurrent_;
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace vorn::test
