// Host handles as the layers above see them: opaque values they keep and
// pass back to the platform layer, never look into. On a POSIX host the
// value is a descriptor; on Windows a HANDLE or a SOCKET. Both hosts use -1
// for "none" (INVALID_HANDLE_VALUE, INVALID_SOCKET).
#pragma once

#include <cstdint>

namespace vorn {

template <typename Kind>
class HostHandle {
 public:
  constexpr HostHandle() = default;
  constexpr explicit HostHandle(intptr_t value) : value_(value) {}
  constexpr intptr_t Value() const { return value_; }
  constexpr bool IsValid() const { return value_ != -1; }
  constexpr bool operator==(const HostHandle&) const = default;

 private:
  intptr_t value_ = -1;
};

// An open file (or folder) of the host.
using FileHandle = HostHandle<struct FileHandleKind>;
// An open socket of the host.
using SocketHandle = HostHandle<struct SocketHandleKind>;

}  // namespace vorn
