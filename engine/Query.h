// A local-SQL statement of a session, run against one database's folder.
//
// The statements are those of LocalSql.h: ALTER TABLE and CREATE TABLE on
// table files named by their file names in double quotes. They return no
// rows; ExecSQL runs the text of SQL (its lines joined) as one statement.
#pragma once

#include <string>
#include <vector>

namespace vorn {

class TSession;

class TQuery {
 public:
  explicit TQuery(TSession& session);
  // In the process's default session.
  TQuery();

  TSession& Session() { return session_; }

  // The statement's text, one line per element.
  std::vector<std::string> SQL;

  const std::string& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(const std::string& databaseName) { databaseName_ = databaseName; }

  // Runs the statement. Raises EDatabaseError when the database cannot be
  // found and EDBEngineError when the statement fails; a failed statement
  // changes nothing.
  void ExecSQL();
  // Nothing stays open after ExecSQL; kept so callers can close before
  // changing SQL.
  void Close() {}
  bool Active() const { return false; }

 private:
  TSession& session_;
  std::string databaseName_;
};

}  // namespace vorn
