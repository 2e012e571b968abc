// The highest release of each package that was installed here, kept so that
// an older signed package served again (a downgrade to a release with known
// faults) is refused although its signature is good.
//
// The file (the program keeps it as "C:\VornZAV\Rilasci.txt") is UTF-8
// text: lines starting with "#" are comments, every other line is
//   NAME RELEASE
// the package's file name, one blank and its release (1 to 2^63-1, decimal,
// no leading zero), one line per name, ended by LF (CR LF is read too). A
// missing file means nothing was installed yet. It is replaced whole and
// atomically: written beside it under another name, flushed to the disk,
// then renamed over it, so a killed program leaves the old file or the new.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace vorn {

class InstalledReleases {
 public:
  // path: a Windows path.
  explicit InstalledReleases(std::string path);

  // Reads the file; raises ESignatureError naming it when it cannot be read
  // or a line is not of the form above (nothing is trusted then).
  void Load();
  // 0 when none of that name was installed.
  int64_t Highest(const std::string& name) const;
  // Records a release that was installed; the file keeps the higher of the
  // two. Raises ESignatureError when the file cannot be written (the old
  // one stays).
  void Record(const std::string& name, int64_t release);

  const std::string& Path() const { return path_; }

 private:
  void Save() const;

  std::string path_;
  std::map<std::string, int64_t> highest_;
};

}  // namespace vorn
