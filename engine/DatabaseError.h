// The errors of the database engine. Every engine failure is an
// EDatabaseError; failures that come from the table files themselves (a file
// that is missing, damaged, in use, or a statement the engine refuses) are
// EDBEngineError, so callers that only care about "a database error" catch
// the base class.
#pragma once

#include <stdexcept>
#include <string>

namespace vorn {

class EDatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class EDBEngineError : public EDatabaseError {
 public:
  using EDatabaseError::EDatabaseError;
};

}  // namespace vorn
