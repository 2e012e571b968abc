// libFuzzer target: arbitrary bytes as a table file "F.db", opened through
// the engine as the alignment opens its tables, its records read, then
// changed by an ALTER TABLE. Any input must end in a table or an
// EDatabaseError naming the file; a change that fails must leave the file
// byte for byte, and nothing may be left beside it.
//
// The engine waits up to its busy time-out for a table another program is
// changing; here nothing else holds the file, and the time-out is 0, so no
// input can make a run wait.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/ConfigFile.h"
#include "engine/DBEngine.h"
#include "engine/DatabaseError.h"
#include "engine/Query.h"
#include "engine/Session.h"
#include "engine/Table.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using fuzz::Drive;
using fuzz::Check;
using fuzz::Bytes;

namespace fs = std::filesystem;

constexpr const char* kFolder = "C:\\Tabelle\\";

void Named(const vorn::EDatabaseError& error) {
  Check(std::string(error.what()).find("F.db") != std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string folder = (fs::temp_directory_path() / "vorn-tablefuzz-XXXXXX").string();
  if (!mkdtemp(folder.data())) std::abort();
  Drive() = fs::path(folder) / "drive_c";
  fs::create_directories(Drive() / "Tabelle");
  setenv("VORN_DRIVE_C", Drive().c_str(), 1);
  vorn::TConfigFile::Defaults().Save(vorn::TDBEngine::DefaultConfigFile);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path folder = Drive() / "Tabelle";
  const fs::path file = folder / "F.db";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  vorn::TDBEngine engine;
  engine.SetBusyTimeoutMs(0);
  bool opened = false;
  {
    vorn::TTable table(engine.DefaultSession());
    table.SetDatabaseName(kFolder);
    table.SetTableName("F");
    try {
      table.Open();
      opened = true;
      Check(!table.Fields().empty());
      const int64_t count = table.RecordCount();
      Check(static_cast<int64_t>(table.ReadRecords().size()) == count);
    } catch (const vorn::EDatabaseError& error) {
      // The open itself names the file; a read of a damaged page names it too.
      Named(error);
    }
  }
  if (opened) {
    // A change as the alignment makes it: a failure leaves the file as it was.
    const std::string before = Bytes(file);
    vorn::TQuery query(engine.DefaultSession());
    query.SetDatabaseName(kFolder);
    query.SQL = {size % 2 ? "ALTER TABLE \"F.db\" ADD \"Zz fuzz\" CHAR(5)" : "ALTER TABLE \"F.db\" ADD \"Zz fuzz\" AUTOINC"};
    try {
      query.ExecSQL();
    } catch (const vorn::EDatabaseError& error) {
      Named(error);
      Check(Bytes(file) == before);
    }
  }
  std::error_code ignored;
  for (const auto& item : fs::directory_iterator(folder)) {
    Check(item.path().filename() == "F.db");
  }
  fs::remove(file, ignored);
  return 0;
}
