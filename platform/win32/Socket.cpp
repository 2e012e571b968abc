// Windows Sockets 2: name resolution and the blocking stream socket with
// select-bounded waits. The library is started once, on first use, and
// cleaned up when the program ends.
#include "platform/Socket.h"

#include <chrono>
#include <utility>

#include <winsock2.h>
#include <ws2tcpip.h>

namespace vorn {

namespace {

class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (started_) WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;

 private:
  bool started_ = false;
};

void EnsureWinsock() { static WinsockSession session; }

SOCKET Native(SocketHandle handle) { return static_cast<SOCKET>(handle.Value()); }

[[noreturn]] void RaiseLast() { throw SocketError(WSAGetLastError()); }

using Clock = std::chrono::steady_clock;

// Milliseconds left until the deadline: -1 without a limit.
int Remaining(bool limited, Clock::time_point deadline) {
  if (!limited) return -1;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until the socket is readable (or writable); false when the time
// ran out. A negative time waits without limit. A failed connect shows as
// an exception, which counts as ready (its error is then read).
bool WaitFor(SOCKET socket, bool write, int milliseconds) {
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(socket, &ready);
  fd_set failed;
  FD_ZERO(&failed);
  if (write) FD_SET(socket, &failed);
  timeval limit{milliseconds / 1000, (milliseconds % 1000) * 1000};
  const int result = select(0, write ? nullptr : &ready, write ? &ready : nullptr, write ? &failed : nullptr,
                            milliseconds < 0 ? nullptr : &limit);
  if (result == SOCKET_ERROR) RaiseLast();
  return result > 0;
}

sockaddr_in ToSockaddr(uint32_t ip, uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(ip);
  a.sin_port = htons(port);
  return a;
}

SocketAddress FromSockaddr(const sockaddr_in& a) { return SocketAddress{ntohl(a.sin_addr.s_addr), ntohs(a.sin_port)}; }

bool IsLocalhost(const std::string& name) {
  static constexpr char kName[] = "localhost";
  if (name.size() != sizeof kName - 1) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] - 'A' + 'a') : name[i];
    if (c != kName[i]) return false;
  }
  return true;
}

}  // namespace

uint32_t ResolveHost(const std::string& name) {
  uint32_t ip = 0;
  if (ParseDottedQuad(name, ip)) return ip;
  if (IsLocalhost(name)) return 0x7F000001;
  EnsureWinsock();
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (name.empty() || getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0 || list == nullptr) {
    throw SocketError(WSAHOST_NOT_FOUND);
  }
  ip = ntohl(reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr.s_addr);
  freeaddrinfo(list);
  return ip;
}

Socket::~Socket() { Close(); }

Socket::Socket(Socket&& other) noexcept : handle_(std::exchange(other.handle_, SocketHandle())) {}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, SocketHandle());
  }
  return *this;
}

Socket Socket::Create() {
  EnsureWinsock();
  const SOCKET socket = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (socket == INVALID_SOCKET) RaiseLast();
  return Socket(SocketHandle(static_cast<intptr_t>(socket)));
}

// Windows has no socket pair: a listener on the loopback address connects
// the two ends and goes.
std::pair<Socket, Socket> Socket::Pair() {
  Socket listener = Create();
  listener.Bind(0x7F000001, 0);
  listener.Listen(1);
  Socket first = Create();
  first.Connect(listener.LocalAddress());
  SocketAddress peer;
  Socket second = listener.Accept(10000, peer);
  if (!second.IsOpen() || peer != first.LocalAddress()) throw SocketError(WSAECONNREFUSED);
  return {std::move(first), std::move(second)};
}

void Socket::Close() {
  if (handle_.IsValid()) closesocket(Native(std::exchange(handle_, SocketHandle())));
}

void Socket::Bind(uint32_t ip, uint16_t port) {
  sockaddr_in a = ToSockaddr(ip, port);
  if (bind(Native(handle_), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) RaiseLast();
}

void Socket::Connect(const SocketAddress& peer, TimeoutMs timeout) {
  sockaddr_in a = ToSockaddr(peer.Ip, peer.Port);
  const SOCKET socket = Native(handle_);
  u_long nonBlocking = timeout > 0 ? 1 : 0;
  if (timeout > 0 && ioctlsocket(socket, FIONBIO, &nonBlocking) != 0) RaiseLast();
  int error = connect(socket, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 ? 0 : WSAGetLastError();
  if (error == WSAEWOULDBLOCK) {
    if (!WaitFor(socket, true, timeout)) {
      error = WSAETIMEDOUT;
    } else {
      int length = sizeof error;
      if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
        error = WSAGetLastError();
      }
    }
  }
  if (timeout > 0) {
    nonBlocking = 0;
    ioctlsocket(socket, FIONBIO, &nonBlocking);
  }
  if (error != 0) throw SocketError(error);
}

void Socket::Listen(int backlog) {
  if (listen(Native(handle_), backlog) != 0) RaiseLast();
}

Socket Socket::Accept(TimeoutMs timeout, SocketAddress& peer) {
  if (!WaitFor(Native(handle_), false, timeout > 0 ? timeout : -1)) return Socket();
  sockaddr_in a{};
  int length = sizeof a;
  const SOCKET accepted = accept(Native(handle_), reinterpret_cast<sockaddr*>(&a), &length);
  if (accepted == INVALID_SOCKET) {
    const int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) return Socket();
    // A connection that was reset while queued.
    if (error == WSAECONNABORTED) throw SocketError(WSAECONNRESET);
    throw SocketError(error);
  }
  SetHandleInformation(reinterpret_cast<HANDLE>(accepted), HANDLE_FLAG_INHERIT, 0);
  peer = FromSockaddr(a);
  return Socket(SocketHandle(static_cast<intptr_t>(accepted)));
}

void Socket::SendAll(const void* data, size_t size) {
  auto p = static_cast<const char*>(data);
  while (size > 0) {
    const int chunk = static_cast<int>(size > 1u << 30 ? 1u << 30 : size);
    const int sent = send(Native(handle_), p, chunk, 0);
    if (sent == SOCKET_ERROR) RaiseLast();
    p += sent;
    size -= static_cast<size_t>(sent);
  }
}

int64_t Socket::ReceiveNow(void* buffer, size_t size) {
  // Readable means a receive returns at once: data, or the peer's close.
  if (!WaitFor(Native(handle_), false, 0)) return -1;
  const int chunk = static_cast<int>(size > 1u << 30 ? 1u << 30 : size);
  const int got = recv(Native(handle_), static_cast<char*>(buffer), chunk, 0);
  if (got == SOCKET_ERROR) {
    const int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) return -1;
    throw SocketError(error);
  }
  return got;
}

int64_t Socket::Receive(void* buffer, size_t size, TimeoutMs timeout) {
  int64_t n = ReceiveNow(buffer, size);
  if (n >= 0) return n;
  const bool limited = timeout > 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeout : 0);
  for (;;) {
    const int left = Remaining(limited, deadline);
    if (limited && left == 0) return -1;
    if (!WaitFor(Native(handle_), false, left)) return -1;
    n = ReceiveNow(buffer, size);
    if (n >= 0) return n;
  }
}

bool Socket::WaitReadable(int32_t milliseconds) { return WaitFor(Native(handle_), false, milliseconds < 0 ? -1 : milliseconds); }

void Socket::ShutdownSend() {
  // A socket the peer has already reset cannot be shut down; closing follows anyway.
  shutdown(Native(handle_), SD_SEND);
}

void Socket::SetNoDelay(bool noDelay) {
  const BOOL value = noDelay ? TRUE : FALSE;
  if (setsockopt(Native(handle_), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&value), sizeof value) != 0) {
    RaiseLast();
  }
}

SocketAddress Socket::LocalAddress() const {
  sockaddr_in a{};
  int length = sizeof a;
  if (getsockname(Native(handle_), reinterpret_cast<sockaddr*>(&a), &length) != 0) RaiseLast();
  return FromSockaddr(a);
}

SocketAddress Socket::PeerAddress() const {
  sockaddr_in a{};
  int length = sizeof a;
  if (getpeername(Native(handle_), reinterpret_cast<sockaddr*>(&a), &length) != 0) RaiseLast();
  return FromSockaddr(a);
}

}  // namespace vorn
