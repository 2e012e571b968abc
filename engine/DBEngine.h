// The database engine of one process: its configuration, its sessions and
// the table files its tables hold open.
//
// The configuration lives in a text file, normally "C:\DBE\DBE.CFG" (see
// ConfigFile.h). It is read on first use; while it cannot be read the engine
// counts as not installed and every session operation raises EDatabaseError.
// A failed reading is not remembered, so an engine installed meanwhile is
// found by the next operation.
//
// A process normally has one engine, DefaultEngine(), with the default
// session "Default". Tests make engines of their own on a configuration file
// of their own.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ConfigFile.h"

namespace vorn {

class TSession;

class TDBEngine {
 public:
  static constexpr const char* DefaultConfigFile = "C:\\DBE\\DBE.CFG";
  static constexpr const char* DefaultSessionName = "Default";

  explicit TDBEngine(std::string configFile = DefaultConfigFile);
  ~TDBEngine();
  TDBEngine(const TDBEngine&) = delete;
  TDBEngine& operator=(const TDBEngine&) = delete;

  const std::string& ConfigFileName() const { return configFile_; }

  // The session "Default", made with the engine.
  TSession& DefaultSession() { return *defaultSession_; }
  // A session of that name (letter case ignored), or nullptr.
  TSession* FindSession(std::string_view sessionName) const;

  // The stored configuration, read on first use. Raises EDatabaseError
  // saying the engine is not installed when the file cannot be read.
  TConfigFile& Config();
  // Persistent alias changes: kept in memory at once, written by SaveConfig.
  void AddPersistentAlias(const TAliasDef& alias);
  bool DeletePersistentAlias(const std::string& name);
  // Writes the configuration file: the file as it is now on disk with this
  // engine's alias changes applied, so changes made meanwhile by another
  // program are kept. The file is replaced atomically.
  void SaveConfig();

  // Table files held open by this engine's tables, so that a statement
  // refuses to change a table that is open. Tables register under the key
  // HostPathKey gives for their file; IsTableOpen takes the host path in any
  // form that names the file (letter case and separators as the host's file
  // system compares them).
  void RegisterOpenTable(const std::string& key);
  void UnregisterOpenTable(const std::string& key);
  bool IsTableOpen(const std::filesystem::path& hostPath) const;

  // How long a statement waits for a table that another program is
  // changing before it fails with "table in use".
  int BusyTimeoutMs() const { return busyTimeoutMs_; }
  void SetBusyTimeoutMs(int milliseconds) { busyTimeoutMs_ = milliseconds; }

  // Used by TSession's constructor and destructor.
  void RegisterSession(TSession* session);
  void UnregisterSession(TSession* session);

 private:
  struct AliasChange {
    bool Added = false;  // false: deleted
    TAliasDef Alias;
  };

  std::string configFile_;
  std::unique_ptr<TConfigFile> config_;
  std::vector<AliasChange> pendingChanges_;
  std::vector<TSession*> sessions_;
  std::map<std::string, int> openTables_;
  int busyTimeoutMs_ = 2000;
  std::unique_ptr<TSession> defaultSession_;
};

// The process's engine (on "C:\DBE\DBE.CFG"), made on first use.
TDBEngine& DefaultEngine();
// Its session "Default".
TSession& DefaultSession();

}  // namespace vorn
