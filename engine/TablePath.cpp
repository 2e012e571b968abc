// Table names to files. The only place in the engine where a table's
// Windows path becomes a host path.
#include "engine/TablePath.h"

#include "engine/DatabaseError.h"
#include "engine/LocalSql.h"
#include "engine/Session.h"
#include "platform/WinPath.h"

namespace vorn {

TTablePath ResolveTablePath(TSession& session, const std::string& databaseName, const std::string& tableName) {
  std::string name = CheckedTableName(tableName);
  TTablePath path;
  path.FileName = session.DatabaseDirectory(databaseName) + name + ".db";
  std::optional<std::filesystem::path> host = ToHostPath(path.FileName);
  if (!host) throw EDBEngineError("Table file not found: " + path.FileName + " (no such drive)");
  path.HostPath = *host;
  path.Key = HostPathKey(*host);
  return path;
}

}  // namespace vorn
