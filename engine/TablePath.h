// Where a table of a database lies: its Windows file name and the host path
// that the table file code opens.
#pragma once

#include <filesystem>
#include <string>

namespace vorn {

class TSession;

struct TTablePath {
  std::string FileName;              // "C:\VornZAV\Archivi\TAB1.db"
  std::filesystem::path HostPath;    // what that names on the host
  std::string Key;                   // HostPathKey of the host path, for the open-table list
};

// Resolves a database name of the session and a table name (".db"
// optional). Raises EDatabaseError for an unknown database and
// EDBEngineError for a bad table name or a path on no drive.
TTablePath ResolveTablePath(TSession& session, const std::string& databaseName, const std::string& tableName);

}  // namespace vorn
