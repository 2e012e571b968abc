// A fresh C: drive for each alignment test: a temporary host folder named by
// VORN_DRIVE_C with an installed engine ("C:\DBE\DBE.CFG") whose alias "ZAV"
// names C:\VornZAV\Archivi, a program folder C:\Programma\ with its empty
// "ArchiviVuoti", the window's engine objects (SessionVORN, Principale, SQL)
// and a recording window. Tables are made and read with the real engine.
// Everything is removed afterwards; the current folder is restored.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "alignment/ArchiveAlignment.h"
#include "engine/ConfigFile.h"
#include "engine/DBEngine.h"
#include "engine/Database.h"
#include "engine/Query.h"
#include "engine/Session.h"
#include "engine/Table.h"
#include "platform/Shell.h"
#include "tests/alignment/RecordingUserInterface.h"
#include "tests/support/ScratchFolder.h"

namespace vorn::test {

namespace fs = std::filesystem;

inline TFieldDef F(const std::string& name, TFieldType type, int size = 0) { return {name, type, size}; }

class AlignmentDrive : public ::testing::Test {
 protected:
  static constexpr const char* ProgramDir = "C:\\Programma\\";
  static constexpr const char* TemplateDir = "C:\\Programma\\ArchiviVuoti\\";
  static constexpr const char* ArchiveDir = "C:\\VornZAV\\Archivi\\";

  void SetUp() override {
    scratch_.emplace("vorn-align");
    base_ = scratch_->Root();
    drive_ = scratch_->Point("VORN_DRIVE_C", "drive_c");
    fs::create_directories(drive_ / "Programma" / "ArchiviVuoti");
    fs::create_directories(drive_ / "Lavoro");
    fs::current_path(drive_ / "Lavoro");
    SetShellMessagePresenter([this](const std::string&, const std::string& text) { shellMessages.push_back(text); });
    InstallEngine();
    MakeWindowObjects();
  }

  void TearDown() override {
    DropWindowObjects();
    SetShellMessagePresenter(nullptr);
    scratch_.reset();
  }

  // The engine's configuration with the alias "ZAV" (when asked) on the
  // archive folder, which is created too.
  void InstallEngine(bool withAlias = true, const std::string& aliasPath = "C:\\VornZAV\\Archivi") {
    TConfigFile config = TConfigFile::Defaults();
    if (withAlias) config.SetAlias({"ZAV", aliasPath, "NATIVE"});
    fs::create_directories(Host("VornZAV/Archivi"));
    config.Save("C:\\DBE\\DBE.CFG");
  }

  // What the main window owns, made as the window makes it.
  void MakeWindowObjects() {
    engine = std::make_unique<TDBEngine>();
    engine->SetBusyTimeoutMs(150);
    sessionVORN = std::make_unique<TSession>("SessionVORN_1", *engine);
    sessionVORN->SetPrivateDir("C:\\");
    principale = std::make_unique<TDatabase>(*sessionVORN);
    principale->SetDatabaseName("Calanco");
    sql = std::make_unique<TQuery>(*sessionVORN);
    alignment = std::make_unique<ArchiveAlignment>(ui, *sessionVORN, *principale, *sql, programDir);
  }

  void DropWindowObjects() {
    alignment.reset();
    sql.reset();
    principale.reset();
    sessionVORN.reset();
    engine.reset();
  }

  fs::path Host(const std::string& relative) const { return drive_ / relative; }
  fs::path TemplateFile(const std::string& name) const { return drive_ / "Programma" / "ArchiviVuoti" / name; }
  fs::path ArchiveFile(const std::string& name) const { return drive_ / "VornZAV" / "Archivi" / name; }

  static void Write(const fs::path& path, const std::string& content) { ScratchFolder::Write(path, content); }
  static std::string Read(const fs::path& path) { return ScratchFolder::Read(path); }

  // A table file made through the engine, with its rows.
  void MakeTable(const std::string& folder, const std::string& name, const TFieldDefs& fields,
                 const std::vector<TRecord>& rows = {}) {
    TTable table(engine->DefaultSession());
    table.SetDatabaseName(folder);
    table.SetTableName(name);
    table.CreateTable(fields);
    if (rows.empty()) return;
    table.Open();
    for (const TRecord& row : rows) table.AppendRecord(row);
    table.Close();
  }
  void MakeTemplate(const std::string& name, const TFieldDefs& fields) { MakeTable(TemplateDir, name, fields); }
  void MakeArchive(const std::string& name, const TFieldDefs& fields, const std::vector<TRecord>& rows = {}) {
    MakeTable(ArchiveDir, name, fields, rows);
  }

  TFieldDefs Fields(const std::string& folder, const std::string& name) {
    TTable table(engine->DefaultSession());
    table.SetDatabaseName(folder);
    table.SetTableName(name);
    table.Open();
    return table.Fields();
  }
  TFieldDefs ArchiveFields(const std::string& name) { return Fields(ArchiveDir, name); }

  std::vector<TRecord> ArchiveRows(const std::string& name) {
    TTable table(engine->DefaultSession());
    table.SetDatabaseName(ArchiveDir);
    table.SetTableName(name);
    table.Open();
    return table.ReadRecords();
  }

  // Some rows of three fields: a number, a text and a number.
  static std::vector<TRecord> Rows(int count) {
    std::vector<TRecord> rows;
    for (int i = 1; i <= count; ++i) {
      rows.push_back({std::to_string(i), "Paziente " + std::to_string(i), std::to_string(i * 10)});
    }
    return rows;
  }

  bool Logged(const std::string& line) const {
    return std::find(ui.log.begin(), ui.log.end(), line) != ui.log.end();
  }
  int CountLogged(const std::string& line) const {
    return static_cast<int>(std::count(ui.log.begin(), ui.log.end(), line));
  }
  bool TemplateAliasRegistered() { return sessionVORN->IsAlias(ArchiveAlignment::TemplateAlias); }

  // The separator before a failed statement's report: a blank and 67 asterisks.
  const std::string Stars67 = " " + std::string(67, '*');
  static constexpr const char* Success = " ALLINEAMENTO ARCHIVI ESEGUITO CORRETTAMENTE";

  // The folder the window's alignment takes as the program's.
  std::string programDir = ProgramDir;
  RecordingUserInterface ui;
  std::vector<std::string> shellMessages;
  std::unique_ptr<TDBEngine> engine;
  std::unique_ptr<TSession> sessionVORN;
  std::unique_ptr<TDatabase> principale;
  std::unique_ptr<TQuery> sql;
  std::unique_ptr<ArchiveAlignment> alignment;
  fs::path base_;
  fs::path drive_;

 private:
  std::optional<ScratchFolder> scratch_;
};

}  // namespace vorn::test
