#include "tests/support/TestSockets.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace vorn::test {

namespace {

sockaddr_in Address(uint32_t ip, uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(ip);
  a.sin_port = htons(port);
  return a;
}

#ifdef _WIN32
using Native = SOCKET;
Native N(NativeSocket socket) { return static_cast<Native>(socket); }
#else
using Native = int;
Native N(NativeSocket socket) { return static_cast<Native>(socket); }
#endif

}  // namespace

NativeSocket OpenStreamSocket() {
#ifdef _WIN32
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) return kNoSocket;
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  return s == INVALID_SOCKET ? kNoSocket : static_cast<NativeSocket>(s);
#else
  return ::socket(AF_INET, SOCK_STREAM, 0);
#endif
}

void CloseSocket(NativeSocket socket) {
  if (socket == kNoSocket) return;
#ifdef _WIN32
  ::closesocket(N(socket));
#else
  ::close(N(socket));
#endif
}

bool BindSocket(NativeSocket socket, uint32_t ip, uint16_t port) {
  sockaddr_in a = Address(ip, port);
  return ::bind(N(socket), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

bool ListenSocket(NativeSocket socket, int backlog) { return ::listen(N(socket), backlog) == 0; }

uint16_t LocalPort(NativeSocket socket) {
  sockaddr_in a{};
  socklen_t length = sizeof a;
  if (::getsockname(N(socket), reinterpret_cast<sockaddr*>(&a), &length) != 0) return 0;
  return ntohs(a.sin_port);
}

NativeSocket AcceptSocket(NativeSocket listener) {
  const Native s = ::accept(N(listener), nullptr, nullptr);
#ifdef _WIN32
  return s == INVALID_SOCKET ? kNoSocket : static_cast<NativeSocket>(s);
#else
  return s;
#endif
}

bool ConnectSocket(NativeSocket socket, uint32_t ip, uint16_t port) {
  sockaddr_in a = Address(ip, port);
  return ::connect(N(socket), reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
}

long SendSome(NativeSocket socket, const char* data, size_t size) {
#ifdef _WIN32
  return ::send(N(socket), data, static_cast<int>(size), 0);
#else
  return static_cast<long>(::send(N(socket), data, size, MSG_NOSIGNAL));
#endif
}

long ReceiveSome(NativeSocket socket, char* buffer, size_t size) {
#ifdef _WIN32
  return ::recv(N(socket), buffer, static_cast<int>(size), 0);
#else
  return static_cast<long>(::recv(N(socket), buffer, size, 0));
#endif
}

bool WaitReadable(NativeSocket socket, int milliseconds) {
#ifdef _WIN32
  WSAPOLLFD p{N(socket), POLLRDNORM, 0};
  return ::WSAPoll(&p, 1, milliseconds) > 0;
#else
  pollfd p{N(socket), POLLIN, 0};
  return ::poll(&p, 1, milliseconds) > 0;
#endif
}

void ResetSocket(NativeSocket socket) {
  if (socket == kNoSocket) return;
  linger hard{};
  hard.l_onoff = 1;
  hard.l_linger = 0;
  ::setsockopt(N(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
  CloseSocket(socket);
}

void SendImmediately(NativeSocket socket) {
  int one = 1;
  ::setsockopt(N(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
}

void ReuseAddress([[maybe_unused]] NativeSocket socket) {
#ifndef _WIN32
  int one = 1;
  ::setsockopt(N(socket), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
#endif
}

}  // namespace vorn::test
