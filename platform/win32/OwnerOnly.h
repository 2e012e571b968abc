// Rights that let the current user alone at a file or folder, for the
// Windows implementation only. The Win32 types stay in the .cpp: this header
// is included where <windows.h> may not be.
#pragma once

#include <memory>

namespace vorn {

class OwnerOnly {
 public:
  OwnerOnly();
  ~OwnerOnly();
  OwnerOnly(const OwnerOnly&) = delete;
  OwnerOnly& operator=(const OwnerOnly&) = delete;

  // False when the user or the rights could not be made: better no file
  // than one that others may read.
  bool Ready() const;
  // The SECURITY_ATTRIBUTES for CreateFileW or CreateDirectoryW, or null.
  void* Attributes();
  // True when the object behind the open handle belongs to this user.
  bool OwnsObject(void* handle) const;
  // Replaces the rights of the object behind the open handle with these,
  // none inherited from its folder.
  bool ApplyTo(void* handle);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vorn
