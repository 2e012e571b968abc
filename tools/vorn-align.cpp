// vorn-align: the archive alignment from the command line, for support staff
// and the benchmark.
//
//   vorn-align run [--program DIR] [--archive DIR] [--config FILE] [--statements FILE]
//       Runs the alignment exactly as the alias step does on an update: the
//       templates in DIR\ArchiviVuoti (DIR defaults to this program's folder)
//       against the archive of the alias "ZAV". With --archive the alias is
//       that folder for this run only (a private engine configuration is
//       used, the installed one is not touched). Prints the log as the window
//       shows it, the executed statements to FILE when asked, and last the
//       line "alignment seconds <s>". Exit status 0 when the run ended with
//       the success line, 1 when a table failed, 2 on an error that ended it.
//
//   vorn-align exec --archive DIR --statements FILE
//       Runs the statements of FILE (one a line) through the engine alone
//       against DIR, and prints "engine seconds <s>" and the failures.
//
//   vorn-align make-bench --dir DIR [--tables N] [--fields N] [--rows N] [--changed-every N]
//       Makes DIR\ArchiviVuoti (N templates of N fields) and DIR\Archivi (the
//       same tables with rows; every N-th of them in an older structure).
//
// Folders are Windows paths ("C:\...") or host paths ("/tmp/...").
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "alignment/ArchiveAlignment.h"
#include "alignment/TableList.h"
#include "engine/ConfigFile.h"
#include "engine/DBEngine.h"
#include "engine/Database.h"
#include "engine/DatabaseError.h"
#include "engine/Query.h"
#include "engine/Session.h"
#include "engine/Table.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "platform/WinFile.h"
#include "platform/WinPath.h"

namespace {

using namespace vorn;
using Clock = std::chrono::steady_clock;

// The window as a terminal: log lines with their time, boxes on stderr.
class ConsoleBar : public IProgressBar {
 public:
  void SetMax(int32_t max) override {
    if (max < 0) throw EInvalidOperation("Property value out of range");
    max_ = max;
  }
  int32_t Max() const override { return max_; }
  void SetPosition(int32_t position) override { position_ = position; }
  int32_t Position() const override { return position_; }
  void StepIt() override { ++position_; }
  void SetBusy() override {}
  bool Busy() const override { return false; }

 private:
  int32_t max_ = 100;
  int32_t position_ = 0;
};

class ConsoleUserInterface : public IUserInterface {
 public:
  void AddLogLine(const std::string& text) override {
    const std::time_t now = std::time(nullptr);
    const std::tm local = LocalTime(now);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%H.%M.%S", &local);
    // The log pane breaks a line at its carriage returns.
    std::string shown = text;
    for (char& c : shown) {
      if (c == '\r') c = '\n';
    }
    std::printf("%s%s\n", stamp, shown.c_str());
  }
  IProgressBar& Barrazza() override { return barrazza_; }
  IProgressBar& BarrazzaTotale() override { return barrazzaTotale_; }
  void SetStatusPanel(int, const std::string&) override {}
  std::string StatusPanel(int) const override { return {}; }
  void ShowMessageBox(MessageBoxKind kind, const std::string& text) override {
    std::fprintf(stderr, "%s: %s\n", kind == MessageBoxKind::Error ? "Error" : "Information", text.c_str());
  }
  void ProcessMessages() override { std::fflush(stdout); }
  void SetHourglass(bool) override {}

 private:
  ConsoleBar barrazza_;
  ConsoleBar barrazzaTotale_;
};

struct Options {
  std::string command;
  std::map<std::string, std::string> values;

  std::optional<std::string> Get(const std::string& name) const {
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
  }
  int Number(const std::string& name, int fallback) const {
    auto value = Get(name);
    return value ? std::atoi(value->c_str()) : fallback;
  }
};

int Usage(std::FILE* out = stderr, int status = 2) {
  std::fputs("usage: vorn-align run [--program DIR] [--archive DIR] [--config FILE] [--statements FILE]\n"
             "       vorn-align exec --archive DIR --statements FILE\n"
             "       vorn-align make-bench --dir DIR [--tables N] [--fields N] [--rows N] [--changed-every N]\n"
             "Folders are Windows paths (C:\\...) or host paths (/...).\n"
             "Exit status: 0 done (run: ended with the success line), 1 a table or statement failed,\n"
             "2 an error ended the run, or wrong usage.\n",
             out);
  return status;
}

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

// An engine whose configuration is a private file holding only the alias
// "ZAV" on the given folder; the file goes with the object.
class PrivateEngine {
 public:
  explicit PrivateEngine(const std::string& archive) {
    configFile_ = GetTempFolder() + "vorn-align-" + std::to_string(GetCurrentProcessId()) + ".cfg";
    TConfigFile config = TConfigFile::Defaults();
    config.SetAlias({"ZAV", ExcludeTrailingBackslash(archive), "NATIVE"});
    config.Save(configFile_);
    engine_ = std::make_unique<TDBEngine>(configFile_);
  }
  ~PrivateEngine() {
    engine_.reset();
    DeleteFile(configFile_);
  }
  TDBEngine& Engine() { return *engine_; }

 private:
  std::string configFile_;
  std::unique_ptr<TDBEngine> engine_;
};

std::vector<std::string> ReadLines(const std::string& path) {
  TableListReader reader;
  reader.Open(path);
  std::vector<std::string> lines;
  while (!reader.Eof()) {
    std::string line = reader.ReadLine();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  WinFile file(path, FileOpen::CreateAlways);
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  file.Write(text.data(), text.size());
}

// The error box of the window: the message and a full stop.
int ReportError(const std::string& message) {
  std::string text = message;
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  std::fprintf(stderr, "VORN - Zavario: %s\n", text.c_str());
  return 2;
}

int Run(const Options& options) {
  const std::string program = options.Get("program") ? WinPathFromUser(*options.Get("program")) : GetProgramFolder();
  std::unique_ptr<PrivateEngine> privateEngine;
  std::unique_ptr<TDBEngine> installedEngine;
  TDBEngine* engine = nullptr;
  if (auto archive = options.Get("archive")) {
    privateEngine = std::make_unique<PrivateEngine>(WinPathFromUser(*archive));
    engine = &privateEngine->Engine();
  } else if (auto config = options.Get("config")) {
    installedEngine = std::make_unique<TDBEngine>(WinPathFromUser(*config));
    engine = installedEngine.get();
  } else {
    engine = &DefaultEngine();
  }

  ConsoleUserInterface ui;
  TSession sessionVORN("SessionVORN_1", *engine);
  sessionVORN.SetPrivateDir("C:\\");
  TDatabase principale(sessionVORN);
  principale.SetDatabaseName("Calanco");
  TQuery sql(sessionVORN);
  ArchiveAlignment alignment(ui, sessionVORN, principale, sql, program);
  std::vector<std::string> statements;
  alignment.OnStatement = [&](const std::string& statement) { statements.push_back(statement); };

  const Clock::time_point start = Clock::now();
  try {
    alignment.AllineaVersioneClick();
  } catch (const std::exception& error) {
    return ReportError(error.what());
  }
  const double elapsed = Seconds(start);
  if (auto file = options.Get("statements")) WriteLines(WinPathFromUser(*file), statements);
  std::printf("statements %zu\n", statements.size());
  std::printf("alignment seconds %.3f\n", elapsed);
  return alignment.AlignmentFailed() ? 1 : 0;
}

int Exec(const Options& options) {
  auto archive = options.Get("archive");
  auto file = options.Get("statements");
  if (!archive || !file) return Usage();
  const std::vector<std::string> statements = ReadLines(WinPathFromUser(*file));
  PrivateEngine engine(WinPathFromUser(*archive));
  TSession session("Exec", engine.Engine());
  TQuery query(session);
  query.SetDatabaseName("ZAV");
  int failures = 0;
  const Clock::time_point start = Clock::now();
  for (const std::string& statement : statements) {
    query.SQL = {statement};
    try {
      query.ExecSQL();
    } catch (const EDatabaseError& error) {
      ++failures;
      std::printf("failed %s: %s\n", statement.c_str(), error.what());
    }
  }
  std::printf("engine seconds %.3f\n", Seconds(start));
  return failures ? 1 : 0;
}

// The fields of a benchmark template: an AutoInc key and a mix of the types
// the module's tables hold.
TFieldDefs BenchFields(int count) {
  const TFieldDefs kinds = {{"", ftString, 40}, {"", ftFloat, 0},  {"", ftDate, 0},  {"", ftString, 10},
                            {"", ftBoolean, 0}, {"", ftMemo, 10},  {"", ftTime, 0},  {"", ftFloat, 0}};
  TFieldDefs fields = {{"Id", ftAutoInc, 0}};
  for (int i = 1; i < count; ++i) {
    TFieldDef field = kinds[static_cast<size_t>(i) % kinds.size()];
    field.FieldName = "Campo" + std::to_string(i);
    fields.push_back(field);
  }
  return fields;
}

// An older structure: the last three fields missing, one type changed (a
// text field in the older one, whose values the change drops) and one text
// field shorter (which needs no change).
TFieldDefs OlderFields(TFieldDefs fields) {
  if (fields.size() > 4) fields.resize(fields.size() - 3);
  if (fields.size() > 2) fields[2].DataType = fields[2].DataType == ftString ? ftFloat : ftString;
  if (fields.size() > 2 && fields[2].DataType == ftString) fields[2].Size = 20;
  for (TFieldDef& field : fields) {
    if (field.DataType == ftString && field.Size == 40) {
      field.Size = 30;
      break;
    }
  }
  return fields;
}

// Rows go straight into the table file in one transaction: appending them
// one by one through the engine would take a commit each.
void FillRows(const std::string& tableFile, const TFieldDefs& fields, int rows) {
  const auto host = ToHostPath(tableFile);
  if (!host) throw std::runtime_error("no such folder: " + tableFile);
  sqlite3* db = nullptr;
  if (sqlite3_open(host->string().c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot open " + tableFile);
  std::string insert = "INSERT INTO Records VALUES (";
  for (size_t i = 0; i < fields.size(); ++i) insert += i ? ",?" : "?";
  insert += ")";
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, insert.c_str(), -1, &statement, nullptr);
  for (int row = 1; row <= rows; ++row) {
    for (size_t i = 0; i < fields.size(); ++i) {
      const int column = static_cast<int>(i) + 1;
      const TFieldDef& field = fields[i];
      std::string text;
      switch (field.DataType) {
        case ftAutoInc: sqlite3_bind_int64(statement, column, row); continue;
        case ftBoolean: sqlite3_bind_int(statement, column, row % 2); continue;
        case ftFloat: sqlite3_bind_double(statement, column, row * 1.25 + static_cast<double>(i)); continue;
        case ftDate: text = "2023-05-" + std::to_string(10 + row % 20); break;
        case ftTime: text = "10:" + std::to_string(10 + row % 50) + ":00"; break;
        case ftMemo: text = "Referto " + std::to_string(row) + ": nessuna anomalia rilevata."; break;
        default:
          // The field's name first: a byte search finds its values.
          text = field.FieldName + ":" + std::to_string(row);
          if (text.size() > static_cast<size_t>(field.Size)) text.resize(static_cast<size_t>(field.Size));
      }
      sqlite3_bind_text(statement, column, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    if (sqlite3_step(statement) != SQLITE_DONE) {
      const std::string message = sqlite3_errmsg(db);
      sqlite3_finalize(statement);
      sqlite3_close(db);
      throw std::runtime_error("cannot fill " + tableFile + ": " + message);
    }
    sqlite3_reset(statement);
  }
  sqlite3_finalize(statement);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

int MakeBench(const Options& options) {
  auto dir = options.Get("dir");
  if (!dir) return Usage();
  const std::string base = IncludeTrailingBackslash(WinPathFromUser(*dir));
  const int tables = options.Number("tables", 300);
  const int fieldCount = options.Number("fields", 20);
  const int rows = options.Number("rows", 5000);
  const int changedEvery = options.Number("changed-every", 3);
  const std::string templates = base + "ArchiviVuoti";
  const std::string archive = base + "Archivi";
  if (!ForceDirectories(templates) || !ForceDirectories(archive)) {
    // ForceDirectories is false for folders that exist already: check again.
    if (!DirectoryExists(templates) || !DirectoryExists(archive)) return ReportError("cannot make " + base);
  }
  PrivateEngine engine(archive);
  TSession& session = engine.Engine().DefaultSession();
  const TFieldDefs fields = BenchFields(fieldCount);
  for (int t = 0; t < tables; ++t) {
    char name[32];
    std::snprintf(name, sizeof name, "TAB%03d", t);
    TTable templ(session);
    templ.SetDatabaseName(templates);
    templ.SetTableName(name);
    templ.CreateTable(fields);
    const TFieldDefs archiveFields = changedEvery > 0 && t % changedEvery == 0 ? OlderFields(fields) : fields;
    TTable table(session);
    table.SetDatabaseName(archive);
    table.SetTableName(name);
    table.CreateTable(archiveFields);
    FillRows(IncludeTrailingBackslash(archive) + name + ".db", archiveFields, rows);
  }
  std::printf("made %d templates and %d archive tables of %d rows in %s\n", tables, tables, rows, base.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine commandLine(argc, argv);  // UTF-8 arguments and output on every host
  argc = commandLine.Argc();
  argv = commandLine.Argv();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return Usage(stdout, 0);
  }
  if (argc < 2) return Usage();
  Options options;
  options.command = argv[1];
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.rfind("--", 0) != 0 || i + 1 >= argc) return Usage();
    options.values[arg.substr(2)] = argv[++i];
  }
  try {
    if (options.command == "run") return Run(options);
    if (options.command == "exec") return Exec(options);
    if (options.command == "make-bench") return MakeBench(options);
  } catch (const std::exception& error) {
    return ReportError(error.what());
  }
  return Usage();
}
