// Windows Sockets error numbers and texts, and dotted-quad addresses: the
// same on every host.
#include <cerrno>
#include <string>

#include "platform/Socket.h"

namespace vorn {

namespace {

struct ErrorEntry {
  int Code;
  const char* Text;
};

constexpr ErrorEntry kErrorTexts[] = {
    {WSAEINTR, "Interrupted system call."},
    {WSAEBADF, "Bad file number."},
    {WSAEACCES, "Access denied."},
    {WSAEFAULT, "Buffer fault."},
    {WSAEINVAL, "Invalid argument."},
    {WSAEMFILE, "Too many open files."},
    {WSAEWOULDBLOCK, "Operation would block."},
    {WSAEINPROGRESS, "Operation now in progress."},
    {WSAEALREADY, "Operation already in progress."},
    {WSAENOTSOCK, "Socket operation on non-socket."},
    {WSAEDESTADDRREQ, "Destination address required."},
    {WSAEMSGSIZE, "Message too long."},
    {WSAEPROTOTYPE, "Protocol wrong type for socket."},
    {WSAENOPROTOOPT, "Bad protocol option."},
    {WSAEPROTONOSUPPORT, "Protocol not supported."},
    {WSAESOCKTNOSUPPORT, "Socket type not supported."},
    {WSAEOPNOTSUPP, "Operation not supported on socket."},
    {WSAEPFNOSUPPORT, "Protocol family not supported."},
    {WSAEAFNOSUPPORT, "Address family not supported by protocol family."},
    {WSAEADDRINUSE, "Address already in use."},
    {WSAEADDRNOTAVAIL, "Cannot assign requested address."},
    {WSAENETDOWN, "Network is down."},
    {WSAENETUNREACH, "Network is unreachable."},
    {WSAENETRESET, "Net dropped connection or reset."},
    {WSAECONNABORTED, "Software caused connection abort."},
    {WSAECONNRESET, "Connection reset by peer."},
    {WSAENOBUFS, "No buffer space available."},
    {WSAEISCONN, "Socket is already connected."},
    {WSAENOTCONN, "Socket is not connected."},
    {WSAESHUTDOWN, "Cannot send or receive after socket is closed."},
    {WSAETOOMANYREFS, "Too many references, cannot splice."},
    {WSAETIMEDOUT, "Connection timed out."},
    {WSAECONNREFUSED, "Connection refused."},
    {WSAELOOP, "Too many levels of symbolic links."},
    {WSAENAMETOOLONG, "File name too long."},
    {WSAEHOSTDOWN, "Host is down."},
    {WSAEHOSTUNREACH, "No route to host."},
    {WSAENOTEMPTY, "Directory not empty"},
    {WSAHOST_NOT_FOUND, "Host not found."},
};

}  // namespace

std::string SocketErrorText(int code) {
  for (const auto& e : kErrorTexts)
    if (e.Code == code) return e.Text;
  return {};
}

std::string SocketErrorMessage(int code) { return "Socket Error # " + std::to_string(code) + "\r\n" + SocketErrorText(code); }

int SocketErrorFromErrno(int err) {
  switch (err) {
    case EINTR: return WSAEINTR;
    case EBADF: return WSAEBADF;
    case EACCES: case EPERM: return WSAEACCES;
    case EFAULT: return WSAEFAULT;
    case EINVAL: return WSAEINVAL;
    case EMFILE: case ENFILE: return WSAEMFILE;
    case EWOULDBLOCK: return WSAEWOULDBLOCK;
    case EINPROGRESS: return WSAEINPROGRESS;
    case EALREADY: return WSAEALREADY;
    case ENOTSOCK: return WSAENOTSOCK;
    case EDESTADDRREQ: return WSAEDESTADDRREQ;
    case EMSGSIZE: return WSAEMSGSIZE;
    case EPROTOTYPE: return WSAEPROTOTYPE;
    case ENOPROTOOPT: return WSAENOPROTOOPT;
    case EPROTONOSUPPORT: return WSAEPROTONOSUPPORT;
#ifdef ESOCKTNOSUPPORT
    case ESOCKTNOSUPPORT: return WSAESOCKTNOSUPPORT;
#endif
    case EOPNOTSUPP: return WSAEOPNOTSUPP;
#ifdef EPFNOSUPPORT
    case EPFNOSUPPORT: return WSAEPFNOSUPPORT;
#endif
    case EAFNOSUPPORT: return WSAEAFNOSUPPORT;
    case EADDRINUSE: return WSAEADDRINUSE;
    case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
    case ENETDOWN: return WSAENETDOWN;
    case ENETUNREACH: return WSAENETUNREACH;
    case ENETRESET: return WSAENETRESET;
    case ECONNABORTED: return WSAECONNABORTED;
    case ECONNRESET: return WSAECONNRESET;
    case ENOBUFS: case ENOMEM: return WSAENOBUFS;
    case EISCONN: return WSAEISCONN;
    case ENOTCONN: return WSAENOTCONN;
    case EPIPE: return WSAESHUTDOWN;
#ifdef ESHUTDOWN
    case ESHUTDOWN: return WSAESHUTDOWN;
#endif
#ifdef ETOOMANYREFS
    case ETOOMANYREFS: return WSAETOOMANYREFS;
#endif
    case ETIMEDOUT: return WSAETIMEDOUT;
    case ECONNREFUSED: return WSAECONNREFUSED;
    case ELOOP: return WSAELOOP;
    case ENAMETOOLONG: return WSAENAMETOOLONG;
#ifdef EHOSTDOWN
    case EHOSTDOWN: return WSAEHOSTDOWN;
#endif
    case EHOSTUNREACH: return WSAEHOSTUNREACH;
    case ENOTEMPTY: return WSAENOTEMPTY;
    default: return err;
  }
}

std::string DottedQuad(uint32_t ip) {
  return std::to_string(ip >> 24) + "." + std::to_string((ip >> 16) & 255) + "." + std::to_string((ip >> 8) & 255) +
         "." + std::to_string(ip & 255);
}

std::string SocketAddress::IpText() const { return DottedQuad(Ip); }

bool ParseDottedQuad(const std::string& text, uint32_t& ip) {
  uint32_t result = 0;
  size_t pos = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (pos >= text.size() || text[pos] != '.') return false;
      ++pos;
    }
    size_t start = pos;
    uint32_t value = 0;
    // Three digits at most, so the value cannot overflow before the check.
    while (pos < text.size() && pos - start < 3 && text[pos] >= '0' && text[pos] <= '9')
      value = value * 10 + static_cast<uint32_t>(text[pos++] - '0');
    if (pos == start || value > 255) return false;
    result = (result << 8) | value;
  }
  if (pos != text.size()) return false;
  ip = result;
  return true;
}

}  // namespace vorn
