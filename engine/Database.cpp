// Databases: a session's named connections to an alias's folder.
#include "engine/Database.h"

#include "engine/DBEngine.h"
#include "engine/DatabaseError.h"
#include "engine/Session.h"
#include "engine/Text.h"
#include "platform/WinPath.h"

namespace vorn {

TDatabase::TDatabase(TSession& session) : session_(session) { session_.RegisterDatabase(this); }

TDatabase::TDatabase() : TDatabase(DefaultSession()) {}

TDatabase::~TDatabase() { session_.UnregisterDatabase(this); }

const std::string& TDatabase::SessionName() const { return session_.SessionName(); }

void TDatabase::SetAliasName(const std::string& aliasName) {
  if (connected_) throw EDatabaseError("Cannot change the alias of the connected database " + databaseName_);
  aliasName_ = aliasName;
}

void TDatabase::SetDatabaseName(const std::string& databaseName) {
  if (connected_) throw EDatabaseError("Cannot rename the connected database " + databaseName_);
  databaseName_ = databaseName;
}

void TDatabase::SetConnected(bool connected) {
  if (connected == connected_) return;
  if (!connected) {
    connected_ = false;
    directory_.clear();
    return;
  }
  if (aliasName_.empty()) throw EDatabaseError("Database " + databaseName_ + " has no alias to connect to");
  TDatabase* other = session_.FindDatabase(databaseName_);
  if (other != nullptr && other != this) {
    throw EDatabaseError("Duplicate database name in session " + session_.SessionName() + ": " + databaseName_);
  }
  std::string folder = session_.AliasPath(aliasName_);
  std::optional<std::filesystem::path> host = ToHostPath(folder);
  std::error_code ec;
  if (!host || !std::filesystem::is_directory(*host, ec)) {
    throw EDBEngineError("The folder of alias " + aliasName_ + " does not exist: " + folder);
  }
  directory_ = folder;
  connected_ = true;
}

}  // namespace vorn
