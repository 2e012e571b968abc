// libFuzzer target: arbitrary bytes as the engine's configuration file
// "C:\DBE\DBE.CFG". The text is parsed on its own (what it writes back must
// read back the same), then read through an engine and a session, which add
// an alias and save. Any input must end as a configuration or an
// EDatabaseError, and a save must leave a file that reads back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/ConfigFile.h"
#include "engine/DBEngine.h"
#include "engine/DatabaseError.h"
#include "engine/Session.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using fuzz::Drive;
using fuzz::Check;

namespace fs = std::filesystem;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string folder = (fs::temp_directory_path() / "vorn-cfgfuzz-XXXXXX").string();
  if (!mkdtemp(folder.data())) std::abort();
  Drive() = fs::path(folder) / "drive_c";
  fs::create_directories(Drive() / "DBE");
  setenv("VORN_DRIVE_C", Drive().c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string fileName = vorn::TDBEngine::DefaultConfigFile;

  // The parser alone: a configuration that reads writes itself back the same.
  try {
    vorn::TConfigFile config = vorn::TConfigFile::Parse(text, fileName);
    const std::string written = config.Text();
    const vorn::TConfigFile again = vorn::TConfigFile::Parse(written, fileName);
    Check(again.Text() == written);
    for (const vorn::TAliasDef& alias : config.Aliases()) {
      Check(config.FindAlias(alias.Name).has_value());
    }
    config.SetAlias({"ZAV", "C:\\VornZAV\\Archivi", "NATIVE"});
    Check(config.FindAlias("zav").has_value());
    Check(config.RemoveAlias("ZAV") && !config.FindAlias("ZAV"));
  } catch (const vorn::EDatabaseError& error) {
    Check(*error.what() != '\0');
  }

  // Through the engine, as the setup reads it and adds its alias.
  const fs::path host = Drive() / "DBE" / "DBE.CFG";
  {
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  vorn::TDBEngine engine(fileName);
  vorn::TSession& session = engine.DefaultSession();
  session.SetConfigMode({vorn::cfmPersistent});  // as the alias step sets it
  bool installed = false;
  try {
    std::vector<std::string> params;
    session.GetConfigParams(vorn::TConfigFile::SystemInitNode, "", params);
    installed = true;
    std::vector<std::string> names;
    session.GetAliasNames(names);
    for (const std::string& name : names) {
      std::vector<std::string> aliasParams;
      session.GetAliasParams(name, aliasParams);
    }
  } catch (const vorn::EDatabaseError& error) {
    Check(*error.what() != '\0');
  }
  if (installed) {
    try {
      if (!session.IsAlias("ZAV")) session.AddStandardAlias("ZAV", "C:\\VornZAV\\Archivi", "NATIVE");
      session.SaveConfigFile();
      vorn::TDBEngine later(fileName);
      Check(later.Config().FindAlias("ZAV").has_value());
    } catch (const vorn::EDatabaseError& error) {
      Check(*error.what() != '\0');
    }
  }
  return 0;
}
