// The database engine's setup program (shipped in the engine package as
// "Setup.exe"): installs the engine by writing its configuration file with
// the defaults when there is none. An existing configuration is never
// touched, so running it again is harmless.
//
//   dbe-setup [--config WINPATH]
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/ConfigFile.h"
#include "engine/DBEngine.h"
#include "engine/DatabaseError.h"
#include "platform/WinPath.h"

int main(int argc, char** argv) {
  using namespace vorn;
  std::string configFile = TDBEngine::DefaultConfigFile;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--config") == 0 && i + 1 < argc) {
      configFile = WinPathFromUser(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: dbe-setup [--config FILE]\n");
      return 2;
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
