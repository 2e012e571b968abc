// Windows Sockets over BSD sockets: name resolution and the blocking stream
// socket with poll-bounded waits.
#include "platform/Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

namespace vorn {

namespace {

int Fd(SocketHandle handle) { return static_cast<int>(handle.Value()); }

[[noreturn]] void RaiseErrno() { throw SocketError(SocketErrorFromErrno(errno)); }

using Clock = std::chrono::steady_clock;

// Milliseconds left until the deadline, for poll: -1 without a limit.
int PollTimeout(bool limited, Clock::time_point deadline) {
  if (!limited) return -1;
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for the events; false when the time ran out. EINTR restarts the
// wait with what is left of the time.
bool WaitFor(int fd, short events, TimeoutMs timeout) {
  bool limited = timeout > 0;
  auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeout : 0);
  for (;;) {
    pollfd p{fd, events, 0};
    int r = ::poll(&p, 1, PollTimeout(limited, deadline));
    if (r > 0) return true;
    if (r == 0) return false;
    if (errno != EINTR) RaiseErrno();
  }
}

sockaddr_in ToSockaddr(uint32_t ip, uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(ip);
  a.sin_port = htons(port);
  return a;
}

SocketAddress FromSockaddr(const sockaddr_in& a) { return SocketAddress{ntohl(a.sin_addr.s_addr), ntohs(a.sin_port)}; }

}  // namespace

uint32_t ResolveHost(const std::string& name) {
  uint32_t ip = 0;
  if (ParseDottedQuad(name, ip)) return ip;
  if (name.size() == 9 && strncasecmp(name.c_str(), "localhost", 9) == 0) return 0x7F000001;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (name.empty() || ::getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0 || list == nullptr)
    throw SocketError(WSAHOST_NOT_FOUND);
  ip = ntohl(reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr.s_addr);
  ::freeaddrinfo(list);
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
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) RaiseErrno();
  return Socket(SocketHandle(fd));
}

std::pair<Socket, Socket> Socket::Pair() {
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) RaiseErrno();
  return {Socket(SocketHandle(pair[0])), Socket(SocketHandle(pair[1]))};
}

void Socket::Close() {
  if (handle_.IsValid()) ::close(static_cast<int>(std::exchange(handle_, SocketHandle()).Value()));
}

void Socket::Bind(uint32_t ip, uint16_t port) {
  sockaddr_in a = ToSockaddr(ip, port);
  if (::bind(Fd(handle_), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) RaiseErrno();
}

void Socket::Connect(const SocketAddress& peer, TimeoutMs timeout) {
  sockaddr_in a = ToSockaddr(peer.Ip, peer.Port);
  int flags = ::fcntl(Fd(handle_), F_GETFL);
  if (flags < 0) RaiseErrno();
  if (timeout > 0 && ::fcntl(Fd(handle_), F_SETFL, flags | O_NONBLOCK) != 0) RaiseErrno();
  int result = ::connect(Fd(handle_), reinterpret_cast<sockaddr*>(&a), sizeof a);
  int err = result == 0 ? 0 : errno;
  if (err == EINTR || err == EINPROGRESS) {
    // The connect goes on in the background (an interrupted blocking one
    // too): wait for its outcome.
    if (!WaitFor(Fd(handle_), POLLOUT, timeout)) {
      err = ETIMEDOUT;
    } else {
      socklen_t len = sizeof err;
      if (::getsockopt(Fd(handle_), SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
    }
  }
  if (timeout > 0) ::fcntl(Fd(handle_), F_SETFL, flags);
  if (err != 0) throw SocketError(SocketErrorFromErrno(err));
}

void Socket::Listen(int backlog) {
  if (::listen(Fd(handle_), backlog) != 0) RaiseErrno();
}

Socket Socket::Accept(TimeoutMs timeout, SocketAddress& peer) {
  if (!WaitFor(Fd(handle_), POLLIN, timeout)) return Socket();
  for (;;) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    int fd = ::accept4(Fd(handle_), reinterpret_cast<sockaddr*>(&a), &len, SOCK_CLOEXEC);
    if (fd >= 0) {
      peer = FromSockaddr(a);
      return Socket(SocketHandle(fd));
    }
    if (errno == EAGAIN) return Socket();
    // A connection that was reset while queued.
    if (errno == ECONNABORTED) throw SocketError(WSAECONNRESET);
    if (errno != EINTR) RaiseErrno();
  }
}

void Socket::SendAll(const void* data, size_t size) {
  auto p = static_cast<const char*>(data);
  while (size > 0) {
    // MSG_NOSIGNAL: a closed peer is an error to report, not a signal.
    ssize_t n = ::send(Fd(handle_), p, size, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseErrno();
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
}

int64_t Socket::ReceiveNow(void* buffer, size_t size) {
  for (;;) {
    ssize_t n = ::recv(Fd(handle_), buffer, size, MSG_DONTWAIT);
    if (n >= 0) return n;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
    if (errno != EINTR) RaiseErrno();
  }
}

int64_t Socket::Receive(void* buffer, size_t size, TimeoutMs timeout) {
  // Try first: when data is already there (the usual case during a bulk
  // transfer) this saves a poll per block.
  int64_t n = ReceiveNow(buffer, size);
  if (n >= 0) return n;
  bool limited = timeout > 0;
  auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeout : 0);
  for (;;) {
    int left = PollTimeout(limited, deadline);
    if (limited && left == 0) return -1;
    if (!WaitFor(Fd(handle_), POLLIN, limited ? left : 0)) return -1;
    n = ReceiveNow(buffer, size);
    if (n >= 0) return n;
  }
}

bool Socket::WaitReadable(int32_t milliseconds) {
  for (;;) {
    pollfd p{Fd(handle_), POLLIN, 0};
    int r = ::poll(&p, 1, milliseconds < 0 ? -1 : milliseconds);
    if (r >= 0) return r > 0;
    if (errno != EINTR) RaiseErrno();
  }
}

void Socket::ShutdownSend() {
  // A socket the peer has already reset cannot be shut down; closing follows anyway.
  ::shutdown(Fd(handle_), SHUT_WR);
}

void Socket::SetNoDelay(bool noDelay) {
  int value = noDelay ? 1 : 0;
  if (::setsockopt(Fd(handle_), IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) != 0) RaiseErrno();
}

SocketAddress Socket::LocalAddress() const {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  if (::getsockname(Fd(handle_), reinterpret_cast<sockaddr*>(&a), &len) != 0) RaiseErrno();
  return FromSockaddr(a);
}

SocketAddress Socket::PeerAddress() const {
  sockaddr_in a{};
  socklen_t len = sizeof a;
  if (::getpeername(Fd(handle_), reinterpret_cast<sockaddr*>(&a), &len) != 0) RaiseErrno();
  return FromSockaddr(a);
}

}  // namespace vorn
