// The download server's settings as the program runs with them: the
// compiled-in values, each of which an environment variable may replace for
// this run (a demo server on another port, a test account):
//   VORN_FTP_HOST      server address, not empty
//   VORN_FTP_PORT      1 to 65535
//   VORN_FTP_USER      account user name, not empty
//   VORN_FTP_PASSWORD  account password
//   VORN_FTP_SITE      site folder at the start of the remote paths, empty
//                      or starting with "/"
// A variable that is set replaces its value even when it is wrong: a wrong
// value is refused with an error naming it, never replaced by the default.
#pragma once

#include <stdexcept>

#include "app/InstallSteps.h"

namespace vorn {

class EInvalidSetting : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The defaults with the variables that are set applied; raises
// EInvalidSetting for the first wrong one.
DownloadServer DownloadServerFromEnvironment(DownloadServer defaults = {});

}  // namespace vorn
