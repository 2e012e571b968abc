// See ExecuteAlterStatement.h.
#include "alignment/ExecuteAlterStatement.h"

#include "engine/DatabaseError.h"
#include "engine/Query.h"

namespace vorn {

AlterResult ExecuteAlterStatement(TQuery& sql, const std::string& statement) {
  sql.Close();
  sql.SQL.clear();
  sql.SQL.push_back(statement);
  // The compared archive table lies in the module's database.
  sql.SetDatabaseName("ZAV");
  AlterResult result;
  try {
    sql.ExecSQL();
  } catch (const EDatabaseError& error) {
    result.Failed = true;
    result.Message = error.what();
  }
  return result;
}

}  // namespace vorn
