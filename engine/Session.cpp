// Sessions: alias lookups over the session's own aliases and the stored
// configuration, alias changes by configuration mode, and the resolution of
// a database name to a folder.
#include "engine/Session.h"

#include <algorithm>

#include "engine/DBEngine.h"
#include "engine/Database.h"
#include "engine/DatabaseError.h"
#include "engine/Text.h"
#include "platform/WinPath.h"

namespace vorn {
namespace {

std::vector<std::string> ParamLines(const TConfigParams& params) {
  std::vector<std::string> lines;
  for (const auto& [name, value] : params) lines.push_back(name + "=" + value);
  return lines;
}

TConfigParams AliasParams(const TAliasDef& alias) {
  return {{"TYPE", "STANDARD"}, {"PATH", alias.Path}, {"DEFAULT DRIVER", alias.DefaultDriver}};
}

// A database name that is a folder rather than a name: it has a drive or a
// backslash in it.
bool LooksLikeFolder(const std::string& name) {
  return name.find('\\') != std::string::npos || (name.size() >= 2 && name[1] == ':');
}

}  // namespace

TSession::TSession(std::string sessionName, TDBEngine& engine)
    : sessionName_(std::move(sessionName)), engine_(engine) {
  if (sessionName_.empty()) throw EDatabaseError("A session needs a name");
  engine_.RegisterSession(this);
}

TSession::TSession(std::string sessionName) : TSession(std::move(sessionName), DefaultEngine()) {}

TSession::~TSession() { engine_.UnregisterSession(this); }

void TSession::GetConfigParams(const std::string& path, const std::string& section,
                               std::vector<std::string>& list) {
  TConfigFile& config = engine_.Config();
  std::string node = path;
  if (!section.empty()) node = IncludeTrailingBackslash(node) + section;
  while (node.size() > 1 && node.back() == '\\') node.pop_back();
  list.clear();
  for (const TAliasDef& alias : sessionAliases_) {
    if (dbtext::SameName(node, AliasNode(alias.Name))) {
      list = ParamLines(AliasParams(alias));
      return;
    }
  }
  if (std::optional<TConfigParams> params = config.Params(node)) {
    list = ParamLines(*params);
    return;
  }
  if (dbtext::SameName(node, TConfigFile::SystemInitNode)) return;
  throw EDatabaseError("Configuration node not found: " + node);
}

const TAliasDef* TSession::FindSessionAlias(const std::string& name) const {
  for (const TAliasDef& alias : sessionAliases_) {
    if (dbtext::SameName(alias.Name, name)) return &alias;
  }
  return nullptr;
}

std::optional<TAliasDef> TSession::FindAnyAlias(const std::string& name) {
  TConfigFile& config = engine_.Config();
  if (const TAliasDef* alias = FindSessionAlias(name)) return *alias;
  return config.FindAlias(name);
}

bool TSession::IsAlias(const std::string& name) { return FindAnyAlias(name).has_value(); }

void TSession::AddStandardAlias(const std::string& name, const std::string& path,
                                const std::string& defaultDriver) {
  engine_.Config();  // the engine must be installed, whatever the mode
  if (dbtext::Trim(name).empty()) throw EDatabaseError("An alias needs a name");
  if (name.find_first_of("\\[]=\r\n") != std::string::npos) throw EDatabaseError("Invalid alias name: " + name);
  if (dbtext::Trim(path).empty()) throw EDatabaseError("Alias " + name + " needs a path");
  if (path.find_first_of("\r\n") != std::string::npos) throw EDatabaseError("Invalid path for alias " + name);
  if (IsAlias(name)) throw EDatabaseError("Duplicate alias name: " + name);
  TAliasDef alias{name, path, defaultDriver};
  if (configMode_.Contains(cfmPersistent) && !configMode_.Contains(cfmSession)) {
    engine_.AddPersistentAlias(alias);
  } else {
    sessionAliases_.push_back(alias);
  }
}

void TSession::DeleteAlias(const std::string& name) {
  engine_.Config();
  auto own = std::find_if(sessionAliases_.begin(), sessionAliases_.end(),
                          [&](const TAliasDef& alias) { return dbtext::SameName(alias.Name, name); });
  if (own != sessionAliases_.end()) {
    sessionAliases_.erase(own);
    return;
  }
  engine_.DeletePersistentAlias(name);
}

void TSession::SaveConfigFile() { engine_.SaveConfig(); }

void TSession::GetAliasNames(std::vector<std::string>& list) {
  TConfigFile& config = engine_.Config();
  list.clear();
  for (const TAliasDef& alias : sessionAliases_) list.push_back(alias.Name);
  for (const TAliasDef& alias : config.Aliases()) {
    if (FindSessionAlias(alias.Name) == nullptr) list.push_back(alias.Name);
  }
  std::sort(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
    return dbtext::ToUpperAscii(a) < dbtext::ToUpperAscii(b);
  });
}

void TSession::GetAliasParams(const std::string& name, std::vector<std::string>& list) {
  std::optional<TAliasDef> alias = FindAnyAlias(name);
  if (!alias) throw EDatabaseError("Unknown alias: " + name);
  list = ParamLines(AliasParams(*alias));
}

std::string TSession::AliasPath(const std::string& name) {
  std::optional<TAliasDef> alias = FindAnyAlias(name);
  if (!alias) throw EDatabaseError("Unknown alias: " + name);
  return IncludeTrailingBackslash(FullWinPath(alias->Path));
}

void TSession::GetTableNames(const std::string& databaseName, std::vector<std::string>& list) {
  std::string folder = DatabaseDirectory(databaseName);
  std::optional<std::filesystem::path> host = ToHostPath(folder);
  list.clear();
  if (!host) return;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(*host, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (dbtext::EndsWithName(name, ".db") && name.size() > 3 && it->is_regular_file(ec)) list.push_back(name);
  }
}

std::string TSession::DatabaseDirectory(const std::string& databaseName) {
  if (TDatabase* database = FindDatabase(databaseName)) {
    if (!database->Connected()) database->Open();
    return database->Directory();
  }
  if (dbtext::Trim(databaseName).empty()) throw EDatabaseError("No database name given");
  // A folder needs no configuration, so tools work before the engine is installed.
  if (LooksLikeFolder(databaseName)) return IncludeTrailingBackslash(FullWinPath(databaseName));
  if (IsAlias(databaseName)) return AliasPath(databaseName);
  throw EDatabaseError("Unknown database or alias: " + databaseName);
}

TDatabase* TSession::FindDatabase(const std::string& databaseName) const {
  if (databaseName.empty()) return nullptr;
  for (TDatabase* database : databases_) {
    if (dbtext::SameName(database->DatabaseName(), databaseName)) return database;
  }
  return nullptr;
}

void TSession::RegisterDatabase(TDatabase* database) { databases_.push_back(database); }

void TSession::UnregisterDatabase(TDatabase* database) { std::erase(databases_, database); }

}  // namespace vorn
