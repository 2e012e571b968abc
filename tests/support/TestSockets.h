// Plain IPv4 stream sockets for the test servers, on the host's own calls
// (BSD sockets or Winsock) so that they share no code with the client they
// check. Every call reports failure by its result, never by raising.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorn::test {

// A socket as the host names it (a descriptor or a SOCKET); -1 for none.
using NativeSocket = intptr_t;
constexpr NativeSocket kNoSocket = -1;

NativeSocket OpenStreamSocket();
void CloseSocket(NativeSocket socket);
// ip in host byte order; port 0 lets the system choose.
bool BindSocket(NativeSocket socket, uint32_t ip, uint16_t port);
bool ListenSocket(NativeSocket socket, int backlog);
uint16_t LocalPort(NativeSocket socket);
NativeSocket AcceptSocket(NativeSocket listener);
bool ConnectSocket(NativeSocket socket, uint32_t ip, uint16_t port);
// Bytes sent or received; 0 or less when the connection failed or closed.
long SendSome(NativeSocket socket, const char* data, size_t size);
long ReceiveSome(NativeSocket socket, char* buffer, size_t size);
// True when something can be read (or the peer closed) within the time.
bool WaitReadable(NativeSocket socket, int milliseconds);
// Closes with a reset (RST) instead of an orderly close.
void ResetSocket(NativeSocket socket);
// Small writes go out at once, not held back by Nagle.
void SendImmediately(NativeSocket socket);
// A listener on a port that another left in TIME_WAIT (POSIX only: on
// Windows the same option would let two sockets share a port).
void ReuseAddress(NativeSocket socket);

}  // namespace vorn::test
