// A fresh C: drive for each engine test: a temporary host folder named by
// VORN_DRIVE_C, an engine on its own "C:\DBE\DBE.CFG", and helpers to look
// at table files from outside the engine. Everything is removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "engine/ConfigFile.h"
#include "engine/DBEngine.h"
#include "engine/Session.h"
#include "tests/support/ScratchFolder.h"

namespace vorn::test {

namespace fs = std::filesystem;

class EngineDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_.emplace("vorn-engine");
    base_ = scratch_->Root();
    drive_ = scratch_->Point("VORN_DRIVE_C", "drive_c");
  }

  void TearDown() override {
    engine_.reset();
    scratch_.reset();
  }

  // Writes the configuration the engine's setup writes, plus an alias
  // "ZAV" on C:\VornZAV\Archivi (created) when asked.
  void InstallEngine(bool withArchive = true) {
    TConfigFile config = TConfigFile::Defaults();
    if (withArchive) {
      config.SetAlias({"ZAV", "C:\\VornZAV\\Archivi", "NATIVE"});
      fs::create_directories(Host("VornZAV/Archivi"));
    }
    config.Save("C:\\DBE\\DBE.CFG");
  }

  TDBEngine& Engine() {
    if (!engine_) {
      engine_ = std::make_unique<TDBEngine>();
      engine_->SetBusyTimeoutMs(150);
    }
    return *engine_;
  }
  TSession& Session() { return Engine().DefaultSession(); }
  // A new engine, as a later run of the program would make.
  void Restart() {
    engine_.reset();
    Engine();
  }

  fs::path Host(const std::string& relative) const { return drive_ / relative; }
  fs::path Archive(const std::string& file) const { return drive_ / "VornZAV" / "Archivi" / file; }

  static void Write(const fs::path& path, const std::string& content) { ScratchFolder::Write(path, content); }
  static std::string Read(const fs::path& path) { return ScratchFolder::Read(path); }

  // The names in a folder other than the given file: journals or lock files
  // left behind show up here.
  static std::vector<std::string> Others(const fs::path& folder, const std::string& except) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().filename() != except) names.push_back(entry.path().filename().string());
    }
    return names;
  }

  // Runs SQL on a table file directly, as another program would.
  static void Sql(const fs::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(test::PathText(file).c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
  }

  fs::path base_;
  fs::path drive_;

 private:
  std::unique_ptr<TDBEngine> engine_;
  std::optional<ScratchFolder> scratch_;
};

}  // namespace vorn::test
