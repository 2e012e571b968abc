#include "signature/InstalledReleases.h"

#include <string_view>

#include "platform/FileSystem.h"
#include "signature/PackageSignature.h"

namespace vorn {

InstalledReleases::InstalledReleases(std::string path) : path_(std::move(path)) {}

void InstalledReleases::Load() {
  highest_.clear();
  if (GetFileAttributes(path_) == INVALID_FILE_ATTRIBUTES) return;
  const std::string text = ReadWholeFile(path_, 1 << 20);
  std::string_view rest(text);
  int number = 0;
  while (!rest.empty()) {
    ++number;
    size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.front() == '#') continue;
    const size_t blank = line.rfind(' ');
    const auto bad = [&](const std::string& what) {
      return ESignatureError(path_ + ", line " + std::to_string(number) + ": " + what);
    };
    if (blank == std::string_view::npos || blank == 0) throw bad("\"NAME RELEASE\" expected");
    const std::string name(line.substr(0, blank));
    int64_t release = 0;
    try {
      release = ParseRelease(std::string(line.substr(blank + 1)));
    } catch (const ESignatureError& error) {
      throw bad(error.what());
    }
    if (!highest_.emplace(name, release).second) throw bad(name + " is listed twice");
  }
}

int64_t InstalledReleases::Highest(const std::string& name) const {
  const auto found = highest_.find(name);
  return found == highest_.end() ? 0 : found->second;
}

void InstalledReleases::Record(const std::string& name, int64_t release) {
  if (name.empty() || name.find_first_of("\r\n") != std::string::npos || name.front() == '#' ||
      name.front() == ' ' || name.back() == ' ') {
    throw ESignatureError("\"" + name + "\" cannot be recorded in " + path_);
  }
  const int64_t before = Highest(name);
  if (release <= before) return;
  highest_[name] = release;
  try {
    Save();
  } catch (...) {
    if (before == 0) highest_.erase(name); else highest_[name] = before;
    throw;
  }
}

void InstalledReleases::Save() const {
  std::string text = "# The highest release of each package installed here (NAME RELEASE); written by SetupZAV.\n";
  for (const auto& [name, release] : highest_) text += name + " " + std::to_string(release) + "\n";
  ReplaceWholeFile(path_, text);
}

}  // namespace vorn
