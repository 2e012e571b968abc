// A database of a session: a named connection to an alias's folder.
//
// Tables and queries of the same session may name the database by its
// DatabaseName instead of the alias. Connecting checks that the alias exists
// and that its folder is there; nothing is held open while connected.
#pragma once

#include <string>

namespace vorn {

class TSession;

class TDatabase {
 public:
  explicit TDatabase(TSession& session);
  // In the process's default session.
  TDatabase();
  ~TDatabase();
  TDatabase(const TDatabase&) = delete;
  TDatabase& operator=(const TDatabase&) = delete;

  TSession& Session() { return session_; }
  const std::string& SessionName() const;

  // Changing either while connected raises EDatabaseError.
  const std::string& AliasName() const { return aliasName_; }
  void SetAliasName(const std::string& aliasName);
  const std::string& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(const std::string& databaseName);

  bool Connected() const { return connected_; }
  // Connecting raises EDatabaseError for an unknown alias (or none set) and
  // EDBEngineError when the alias's folder does not exist; another database
  // of the session with the same DatabaseName is refused too.
  void SetConnected(bool connected);
  void Open() { SetConnected(true); }
  void Close() { SetConnected(false); }

  // The database's folder, ending in a backslash; empty while not connected.
  const std::string& Directory() const { return directory_; }

 private:
  TSession& session_;
  std::string aliasName_;
  std::string databaseName_;
  std::string directory_;
  bool connected_ = false;
};

}  // namespace vorn
