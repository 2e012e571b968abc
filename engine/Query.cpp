// Queries: one local-SQL statement against a database's folder.
#include "engine/Query.h"

#include "engine/DBEngine.h"
#include "engine/DatabaseError.h"
#include "engine/LocalSql.h"
#include "engine/Session.h"
#include "engine/TableFile.h"
#include "engine/TablePath.h"

namespace vorn {

TQuery::TQuery(TSession& session) : session_(session) {}

TQuery::TQuery() : TQuery(DefaultSession()) {}

void TQuery::ExecSQL() {
  std::string text;
  for (const std::string& line : SQL) text += line + "\n";
  TLocalStatement statement = ParseLocalSql(text);
  if (const auto* alter = std::get_if<TAlterTable>(&statement)) {
    TTablePath path = ResolveTablePath(session_, databaseName_, alter->TableName);
    if (session_.Engine().IsTableOpen(path.HostPath)) {
      throw EDBEngineError("Table in use: " + path.FileName + " is open; close it before changing it");
    }
    TTableFile file(path.HostPath, path.FileName, true, session_.Engine().BusyTimeoutMs());
    file.Alter(alter->Items);
    return;
  }
  const auto& create = std::get<TCreateTable>(statement);
  TTablePath path = ResolveTablePath(session_, databaseName_, create.TableName);
  TTableFile::Create(path.HostPath, path.FileName, create.Fields);
}

}  // namespace vorn
