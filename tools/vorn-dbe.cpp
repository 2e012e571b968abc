// The database engine's tool for support staff and for building template
// tables. A FOLDER is an alias name or a folder (a Windows path, or a host
// path starting with "/").
//
//   vorn-dbe [--config FILE] create FOLDER TABLE NAME:TYPE[:SIZE]...
//   vorn-dbe [--config FILE] describe FOLDER TABLE
//   vorn-dbe [--config FILE] rows FOLDER TABLE
//   vorn-dbe [--config FILE] insert FOLDER TABLE VALUE...
//   vorn-dbe [--config FILE] import FOLDER TABLE FILE|-
//   vorn-dbe [--config FILE] sql FOLDER STATEMENT...
//   vorn-dbe [--config FILE] tables FOLDER
//   vorn-dbe [--config FILE] aliases
//   vorn-dbe [--config FILE] add-alias NAME PATH [DRIVER]
//   vorn-dbe [--config FILE] delete-alias NAME
//   vorn-dbe [--config FILE] config
//
// Types are the clause names: CHAR:40, NUMERIC, BOOLEAN, DATE, TIME,
// TIMESTAMP, SMALLINT, INTEGER, WORD, MONEY, BCD:2, BYTES:8, VARBYTES:8,
// AUTOINC, BLOB:10,1 (or a whole clause such as "BLOB(10,1)"); MEMO, BINARY,
// FMTMEMO, OLE and GRAPHIC stand for BLOB subtypes 1 to 5. Records are text,
// one value per field; in "rows" and "import" a record is one line of
// tab-separated values in which \t, \n, \r and \\ stand for themselves.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "engine/DBEngine.h"
#include "engine/DatabaseError.h"
#include "engine/LocalSql.h"
#include "engine/Query.h"
#include "engine/Session.h"
#include "engine/Table.h"
#include "engine/Text.h"
#include "platform/Process.h"
#include "platform/WinPath.h"

namespace vorn {
namespace {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An alias name stays as it is; anything with a path separator or drive is
// a folder.
std::string DatabaseOf(const std::string& folder) {
  if (folder.find('/') != std::string::npos || folder.find('\\') != std::string::npos ||
      (folder.size() >= 2 && folder[1] == ':')) {
    return IncludeTrailingBackslash(WinPathFromUser(folder));
  }
  return folder;
}

bool IsSize(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if ((c < '0' || c > '9') && c != ',') return false;
  }
  return true;
}

TFieldDef ParseFieldArgument(const std::string& argument) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t colon = argument.find(':', start);
    parts.push_back(argument.substr(start, colon - start));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  if (parts.size() < 2) throw UsageError("field \"" + argument + "\" is not NAME:TYPE[:SIZE]");
  std::string size;
  if (parts.size() >= 3 && IsSize(parts.back())) {
    size = parts.back();
    parts.pop_back();
  }
  std::string type = dbtext::ToUpperAscii(parts.back());
  parts.pop_back();
  std::string name = parts[0];
  for (size_t i = 1; i < parts.size(); ++i) name += ":" + parts[i];
  static const std::vector<std::pair<std::string, std::string>> kBlobNames = {
      {"MEMO", "1"}, {"BINARY", "2"}, {"FMTMEMO", "3"}, {"OLE", "4"}, {"GRAPHIC", "5"}};
  std::string clause = type;
  for (const auto& [blobName, subtype] : kBlobNames) {
    if (type == blobName) clause = "BLOB(" + (size.empty() ? "0" : size) + "," + subtype + ")";
  }
  if (clause == type && !size.empty()) clause += "(" + size + ")";
  std::optional<TFieldDef> field = ParseTypeClause(clause);
  if (!field) throw UsageError("field \"" + argument + "\": unknown type or size " + clause);
  field->FieldName = name;
  return *field;
}

std::string Escape(const std::string& value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out;
}

TRecord ParseLine(const std::string& line) {
  TRecord record;
  std::string value;
  for (size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || line[i] == '\t') {
      record.push_back(value.empty() ? std::nullopt : std::optional<std::string>(value));
      value.clear();
    } else if (line[i] == '\\' && i + 1 < line.size()) {
      char next = line[++i];
      value += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    } else {
      value += line[i];
    }
  }
  return record;
}

void OpenTable(TTable& table, const std::string& folder, const std::string& name) {
  table.SetDatabaseName(DatabaseOf(folder));
  table.SetTableName(name);
  table.Open();
}

void Need(const std::vector<std::string>& args, size_t count, const char* usage) {
  if (args.size() < count) throw UsageError(std::string("usage: vorn-dbe ") + usage);
}

int Run(const std::string& command, const std::vector<std::string>& args, TSession& session) {
  if (command == "create") {
    Need(args, 3, "create FOLDER TABLE NAME:TYPE[:SIZE]...");
    TFieldDefs fields;
    for (size_t i = 2; i < args.size(); ++i) fields.push_back(ParseFieldArgument(args[i]));
    TTable table(session);
    table.SetDatabaseName(DatabaseOf(args[0]));
    table.SetTableName(args[1]);
    table.CreateTable(fields);
    std::printf("Created %s with %zu fields.\n", table.FileName().c_str(), fields.size());
  } else if (command == "describe") {
    Need(args, 2, "describe FOLDER TABLE");
    TTable table(session);
    OpenTable(table, args[0], args[1]);
    std::printf("Table %s\n", table.FileName().c_str());
    int position = 0;
    for (const TFieldDef& field : table.Fields()) {
      std::printf("%3d  %-25s %-14s %-12s %d\n", ++position, field.FieldName.c_str(),
                  std::string(FieldTypeName(field.DataType)).c_str(), TypeClause(field.DataType, field.Size).c_str(),
                  field.Size);
    }
    std::printf("Records: %lld\n", static_cast<long long>(table.RecordCount()));
  } else if (command == "rows") {
    Need(args, 2, "rows FOLDER TABLE");
    TTable table(session);
    OpenTable(table, args[0], args[1]);
    for (const TRecord& record : table.ReadRecords()) {
      std::string line;
      for (size_t i = 0; i < record.size(); ++i) {
        if (i > 0) line += '\t';
        if (record[i]) line += Escape(*record[i]);
      }
      std::printf("%s\n", line.c_str());
    }
  } else if (command == "insert") {
    Need(args, 3, "insert FOLDER TABLE VALUE...");
    TTable table(session);
    OpenTable(table, args[0], args[1]);
    TRecord record;
    for (size_t i = 2; i < args.size(); ++i) {
      record.push_back(args[i].empty() ? std::nullopt : std::optional<std::string>(args[i]));
    }
    table.AppendRecord(record);
    std::printf("1 record added to %s.\n", table.FileName().c_str());
  } else if (command == "import") {
    Need(args, 3, "import FOLDER TABLE FILE|-");
    std::ifstream file;
    if (args[2] != "-") {
      file.open(args[2], std::ios::binary);
      if (!file) throw UsageError("cannot read " + args[2]);
    }
    std::istream& in = args[2] == "-" ? std::cin : file;
    std::vector<TRecord> records;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      records.push_back(ParseLine(line));
    }
    TTable table(session);
    OpenTable(table, args[0], args[1]);
    table.AppendRecords(records);
    std::printf("%zu record%s added to %s.\n", records.size(), records.size() == 1 ? "" : "s",
                table.FileName().c_str());
  } else if (command == "sql") {
    Need(args, 2, "sql FOLDER STATEMENT...");
    TQuery query(session);
    query.SetDatabaseName(DatabaseOf(args[0]));
    std::string text;
    for (size_t i = 1; i < args.size(); ++i) text += (i > 1 ? " " : "") + args[i];
    query.SQL.push_back(text);
    query.ExecSQL();
    std::printf("Done.\n");
  } else if (command == "tables") {
    Need(args, 1, "tables FOLDER");
    std::vector<std::string> names;
    session.GetTableNames(DatabaseOf(args[0]), names);
    for (const std::string& name : names) std::printf("%s\n", name.c_str());
  } else if (command == "aliases") {
    std::vector<std::string> names;
    session.GetAliasNames(names);
    for (const std::string& name : names) {
      std::vector<std::string> params;
      session.GetAliasParams(name, params);
      std::string line = name;
      for (const std::string& param : params) line += "  " + param;
      std::printf("%s\n", line.c_str());
    }
  } else if (command == "add-alias") {
    Need(args, 2, "add-alias NAME PATH [DRIVER]");
    session.SetConfigMode({cfmPersistent});
    session.AddStandardAlias(args[0], DatabaseOf(args[1]), args.size() > 2 ? args[2] : "NATIVE");
    session.SaveConfigFile();
    std::printf("Alias %s added.\n", args[0].c_str());
  } else if (command == "delete-alias") {
    Need(args, 1, "delete-alias NAME");
    if (!session.IsAlias(args[0])) {
      std::fprintf(stderr, "vorn-dbe: there is no alias %s\n", args[0].c_str());
      return 1;
    }
    session.DeleteAlias(args[0]);
    session.SaveConfigFile();
    std::printf("Alias %s deleted.\n", args[0].c_str());
  } else if (command == "config") {
    std::vector<std::string> list;
    session.GetConfigParams(TConfigFile::SystemInitNode, "", list);
    std::printf("Configuration %s\n%s\n", session.Engine().ConfigFileName().c_str(), TConfigFile::SystemInitNode);
    for (const std::string& line : list) std::printf("  %s\n", line.c_str());
    std::vector<std::string> names;
    session.GetAliasNames(names);
    std::printf("Aliases: %zu\n", names.size());
  } else {
    throw UsageError("unknown command \"" + command + "\" (create, describe, rows, insert, import, sql, tables, "
                     "aliases, add-alias, delete-alias, config)");
  }
  return 0;
}

}  // namespace
}  // namespace vorn

int main(int argc, char** argv) {
  vorn::CommandLine commandLine(argc, argv);  // UTF-8 arguments and output on every host
  argc = commandLine.Argc();
  argv = commandLine.Argv();
  using namespace vorn;
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string configFile = TDBEngine::DefaultConfigFile;
  if (args.size() >= 2 && args[0] == "--config") {
    configFile = WinPathFromUser(args[1]);
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    std::fprintf(args.empty() ? stderr : stdout,
                 "usage: vorn-dbe [--config FILE] COMMAND ...\n"
                 "  create FOLDER TABLE NAME:TYPE[:SIZE]...   describe FOLDER TABLE   rows FOLDER TABLE\n"
                 "  insert FOLDER TABLE VALUE...   import FOLDER TABLE FILE|-   sql FOLDER STATEMENT...\n"
                 "  tables FOLDER   aliases   add-alias NAME PATH [DRIVER]   delete-alias NAME   config\n"
                 "Exit status: 0 done, 1 an engine or file error, 2 wrong usage.\n");
    return args.empty() ? 2 : 0;
  }
  try {
    TDBEngine engine(configFile);
    std::string command = args[0];
    args.erase(args.begin());
    return Run(command, args, engine.DefaultSession());
  } catch (const UsageError& e) {
    std::fprintf(stderr, "vorn-dbe: %s\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vorn-dbe: %s\n", e.what());
    return 1;
  }
}
