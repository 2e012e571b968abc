// A session of the database engine: the aliases it sees, the configuration
// mode for alias changes, and the databases opened in it.
//
// Aliases come from two places: the engine's stored configuration (shared by
// every session of the process, written by SaveConfigFile) and the session's
// own aliases, which live only as long as the session. ConfigMode decides
// where a new alias goes: a mode that holds cfmPersistent and not
// cfmSession stores it in the configuration; any other mode keeps it in the
// session. Lookups see both, the session's own first.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "engine/ConfigFile.h"

namespace vorn {

class TDBEngine;
class TDatabase;

enum TConfigMode { cfmVirtual, cfmPersistent, cfmSession };

// A set of TConfigMode values.
class TConfigModes {
 public:
  constexpr TConfigModes() = default;
  constexpr TConfigModes(std::initializer_list<TConfigMode> modes) {
    for (TConfigMode mode : modes) bits_ |= Bit(mode);
  }
  static constexpr TConfigModes All() { return {cfmVirtual, cfmPersistent, cfmSession}; }
  constexpr bool Contains(TConfigMode mode) const { return (bits_ & Bit(mode)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool operator==(const TConfigModes&) const = default;

 private:
  static constexpr uint8_t Bit(TConfigMode mode) { return static_cast<uint8_t>(1u << mode); }
  uint8_t bits_ = 0;
};

class TSession {
 public:
  // Registers the session with the engine; a second session of the same
  // name (letter case ignored) is refused with EDatabaseError.
  explicit TSession(std::string sessionName, TDBEngine& engine);
  // On the process's engine.
  explicit TSession(std::string sessionName);
  ~TSession();
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;

  const std::string& SessionName() const { return sessionName_; }
  TDBEngine& Engine() { return engine_; }

  // All three modes at first.
  TConfigModes ConfigMode() const { return configMode_; }
  void SetConfigMode(TConfigModes modes) { configMode_ = modes; }

  // The folder for the session's scratch files (kept, not used by the tables).
  const std::string& PrivateDir() const { return privateDir_; }
  void SetPrivateDir(std::string folder) { privateDir_ = std::move(folder); }

  // Every operation below raises EDatabaseError when the engine is not
  // installed (its configuration file cannot be read).

  // Fills list with the "NAME=value" lines of a configuration node; a
  // non-empty section is a sub-node of path. "\SYSTEM\INIT" always exists
  // (empty when the file has no values for it); an alias's node
  // "\DATABASES\NAME\DB INFO" answers for the session's own aliases too.
  // An unknown node raises EDatabaseError.
  void GetConfigParams(const std::string& path, const std::string& section,
                       std::vector<std::string>& list);
  // Whether the session sees an alias of that name (letter case ignored).
  bool IsAlias(const std::string& name);
  // Adds an alias of type "STANDARD" with "PATH" and "DEFAULT DRIVER",
  // usable at once; where it goes depends on ConfigMode. An alias of that
  // name already seen, an empty name or path raises EDatabaseError.
  void AddStandardAlias(const std::string& name, const std::string& path,
                        const std::string& defaultDriver);
  // Removes the alias wherever it is (the session's own first); nothing
  // happens when there is none.
  void DeleteAlias(const std::string& name);
  // Writes the stored configuration with the persistent alias changes.
  void SaveConfigFile();

  // The names of every alias seen, sorted without regard to letter case.
  void GetAliasNames(std::vector<std::string>& list);
  // "TYPE=STANDARD", "PATH=...", "DEFAULT DRIVER=..."; raises for an unknown alias.
  void GetAliasParams(const std::string& name, std::vector<std::string>& list);
  // The alias's folder, ending in a backslash; raises for an unknown alias.
  std::string AliasPath(const std::string& name);
  // The names of the tables (file names, ".db" included) of a database, in
  // the folder's order.
  void GetTableNames(const std::string& databaseName, std::vector<std::string>& list);

  // The folder, ending in a backslash, of what a table or query names as its
  // database: a database of this session by its DatabaseName (connected
  // when needed), else an alias, else a folder path (text with a drive,
  // or a backslash). Raises EDatabaseError for anything else.
  std::string DatabaseDirectory(const std::string& databaseName);
  // A database of this session by DatabaseName (letter case ignored), or nullptr.
  TDatabase* FindDatabase(const std::string& databaseName) const;

  // Used by TDatabase.
  void RegisterDatabase(TDatabase* database);
  void UnregisterDatabase(TDatabase* database);

 private:
  const TAliasDef* FindSessionAlias(const std::string& name) const;
  std::optional<TAliasDef> FindAnyAlias(const std::string& name);

  std::string sessionName_;
  TDBEngine& engine_;
  TConfigModes configMode_ = TConfigModes::All();
  std::string privateDir_;
  std::vector<TAliasDef> sessionAliases_;
  std::vector<TDatabase*> databases_;
};

}  // namespace vorn
