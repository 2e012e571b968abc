// Errors of the alignment and the alias step that are not the engine's.
#pragma once

#include <stdexcept>

namespace vorn {

// A folder the run needs could not be made ("Impossibile creare " + path).
class EFolderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace vorn
