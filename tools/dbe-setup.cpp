// The database engine's setup program (shipped in the engine package as
// "Setup.exe"): installs the engine by writing its configuration file with
// the defaults when there is none. An existing configuration is never
// touched, so running it again is harmless.
//
//   dbe-setup [--config WINPATH]
//
// Exit status: 0 installed (or already installed), 1 the configuration could
// not be read or written, 2 wrong usage.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/ConfigFile.h"
#include "engine/DBEngine.h"
#include "engine/DatabaseError.h"
#include "platform/Process.h"
#include "platform/WinPath.h"

namespace {

int Usage(std::FILE* out, int status) {
  std::fputs(
      "usage: dbe-setup [--config FILE]\n"
      "Installs the database engine: writes its configuration (default C:\\DBE\\DBE.CFG) with the\n"
      "defaults when there is none; an existing one is left as it is.\n"
      "Exit status: 0 installed or already installed, 1 the configuration could not be read or\n"
      "written, 2 wrong usage.\n",
      out);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  vorn::CommandLine commandLine(argc, argv);  // UTF-8 arguments and output on every host
  argc = commandLine.Argc();
  argv = commandLine.Argv();
  using namespace vorn;
  std::string configFile = TDBEngine::DefaultConfigFile;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      return Usage(stdout, 0);
    } else if (std::strcmp(argv[i], "--config") == 0 && i + 1 < argc) {
      configFile = WinPathFromUser(argv[++i]);
    } else {
      return Usage(stderr, 2);
    }
  }
  std::optional<std::filesystem::path> host = ToHostPath(configFile);
  std::error_code ec;
  if (host && std::filesystem::exists(*host, ec)) {
    try {
      TConfigFile::Load(configFile);
      std::printf("The database engine is already installed (%s); its configuration was left as it is.\n",
                  configFile.c_str());
      return 0;
    } catch (const EDatabaseError& e) {
      std::fprintf(stderr, "dbe-setup: %s\nThe file was left as it is; repair or remove it and run the setup again.\n",
                   e.what());
      return 1;
    }
  }
  try {
    TConfigFile::Defaults().Save(configFile);
  } catch (const EDatabaseError& e) {
    std::fprintf(stderr, "dbe-setup: %s\n", e.what());
    return 1;
  }
  std::printf("The database engine is installed: configuration %s written.\n", configFile.c_str());
  return 0;
}
