// Running one ALTER TABLE statement of the alignment.
#pragma once

#include <string>

namespace vorn {

class TQuery;

struct AlterResult {
  bool Failed = false;
  // The engine's message when the statement failed (possibly empty).
  std::string Message;
};

// Runs the statement as the query's only line against the module's database
// (alias "ZAV"). A database error of the execution is caught and reported in
// the result; the engine runs each statement as one change, so a failed one
// leaves its table as it was. Other errors pass on.
AlterResult ExecuteAlterStatement(TQuery& sql, const std::string& statement);

}  // namespace vorn
