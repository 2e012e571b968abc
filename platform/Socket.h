// Windows Sockets, TCP over IPv4: Winsock 2 on Windows, BSD sockets on a
// POSIX host.
//
// The FTP client needs stream sockets that connect, listen and accept (the
// server connects back for every data connection), send, and receive with a
// time-out. Calls block; waits use poll (select) so that every one of them can be
// bounded. Failures raise SocketError with the Windows Sockets error number
// the host error corresponds to, and a message of the form
// "Socket Error # 10061" CR LF "Connection refused.".
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/Handle.h"

namespace vorn {

// Windows Sockets error numbers the layer reports.
constexpr int WSAEINTR = 10004;
constexpr int WSAEBADF = 10009;
constexpr int WSAEACCES = 10013;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEMFILE = 10024;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAEINPROGRESS = 10036;
constexpr int WSAEALREADY = 10037;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEDESTADDRREQ = 10039;
constexpr int WSAEMSGSIZE = 10040;
constexpr int WSAEPROTOTYPE = 10041;
constexpr int WSAENOPROTOOPT = 10042;
constexpr int WSAEPROTONOSUPPORT = 10043;
constexpr int WSAESOCKTNOSUPPORT = 10044;
constexpr int WSAEOPNOTSUPP = 10045;
constexpr int WSAEPFNOSUPPORT = 10046;
constexpr int WSAEAFNOSUPPORT = 10047;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAEADDRNOTAVAIL = 10049;
constexpr int WSAENETDOWN = 10050;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSAENETRESET = 10052;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOBUFS = 10055;
constexpr int WSAEISCONN = 10056;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAESHUTDOWN = 10058;
constexpr int WSAETOOMANYREFS = 10059;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAELOOP = 10062;
constexpr int WSAENAMETOOLONG = 10063;
constexpr int WSAEHOSTDOWN = 10064;
constexpr int WSAEHOSTUNREACH = 10065;
constexpr int WSAENOTEMPTY = 10066;
constexpr int WSAHOST_NOT_FOUND = 11001;

// The text of a Windows Sockets error number; empty for a number it does not know.
std::string SocketErrorText(int code);
// "Socket Error # <code>" CR LF <text>.
std::string SocketErrorMessage(int code);
// The Windows Sockets number for an errno value of a POSIX host's sockets.
// Values without a counterpart are returned unchanged (and so have no text).
int SocketErrorFromErrno(int err);

class SocketError : public std::runtime_error {
 public:
  explicit SocketError(int code) : std::runtime_error(SocketErrorMessage(code)), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

// An IPv4 address in host byte order, with a port.
struct SocketAddress {
  uint32_t Ip = 0;
  uint16_t Port = 0;
  // Dotted-decimal form of the address ("127.0.0.1").
  std::string IpText() const;
  bool operator==(const SocketAddress&) const = default;
};

// True when text is exactly four decimal numbers from 0 to 255 separated by
// dots; ip receives the address.
bool ParseDottedQuad(const std::string& text, uint32_t& ip);
std::string DottedQuad(uint32_t ip);

// Resolves a host name to its first IPv4 address. "LOCALHOST" in any case is
// 127.0.0.1 without asking the resolver; a dotted quad is taken as it is.
// An unknown name raises SocketError 11001.
uint32_t ResolveHost(const std::string& name);

// A time-out in milliseconds; zero or negative waits without limit.
using TimeoutMs = int32_t;

// An IPv4 stream socket. RAII: the destructor closes it.
class Socket {
 public:
  Socket() = default;
  ~Socket();
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  // A new IPv4 stream socket.
  static Socket Create();
  // Takes over an open, connected stream socket of the host, which it then closes.
  static Socket Adopt(SocketHandle handle) { return Socket(handle); }
  // Two stream sockets connected to each other (a test feeds one end).
  static std::pair<Socket, Socket> Pair();

  bool IsOpen() const { return handle_.IsValid(); }
  SocketHandle Handle() const { return handle_; }
  void Close();

  // Binds to an address (0: any) and a port (0: one chosen by the system).
  void Bind(uint32_t ip, uint16_t port);
  // Blocks until connected or the host reports a failure; with a positive
  // time-out, gives up after it with error 10060.
  void Connect(const SocketAddress& peer, TimeoutMs timeout = 0);
  void Listen(int backlog);
  // Waits up to timeout for an incoming connection. Returns a closed socket
  // when none came in time; peer receives the caller's address. A connection
  // that came and was reset before it was taken raises WSAECONNRESET: the
  // caller did connect (Windows always tells so; Linux only sometimes).
  Socket Accept(TimeoutMs timeout, SocketAddress& peer);

  // Sends every byte, repeating until the socket has accepted them all.
  void SendAll(const void* data, size_t size);
  // Waits up to timeout for data. Returns the number of bytes received, 0
  // when the peer has closed the connection, -1 when the time ran out.
  int64_t Receive(void* buffer, size_t size, TimeoutMs timeout);
  // Receives what has arrived without waiting: -1 when nothing has.
  int64_t ReceiveNow(void* buffer, size_t size);
  // True when data (or the peer's close) is waiting within the time-out; a
  // zero time-out only looks.
  bool WaitReadable(int32_t milliseconds);

  void ShutdownSend();
  // Nagle's algorithm: on unless no-delay is set.
  void SetNoDelay(bool noDelay);

  SocketAddress LocalAddress() const;
  SocketAddress PeerAddress() const;

 private:
  explicit Socket(SocketHandle handle) : handle_(handle) {}
  SocketHandle handle_;
};

}  // namespace vorn
