// libFuzzer target: arbitrary bytes as what a server sends on the control
// connection, read reply after reply by the client's own line reader through
// a socket pair (no network). The first byte picks the channel encoding.
// Every input must end in one of the client's errors (at the latest
// "Connection Closed Gracefully." once the bytes run out), never a crash, a
// hang or unbounded memory; every reply read has a code that is empty or
// from 100 to 999.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "ftp/FtpControlChannel.h"
#include "ftp/FtpErrors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) std::abort();
  // The whole input fits the pair's buffer (inputs are at most 64 KB).
  int sndbuf = 1 << 20;
  ::setsockopt(pair[1], SOL_SOCKET, SO_SNDBUF, &sndbuf, sizeof sndbuf);
  for (size_t done = 1; done < size;) {
    ssize_t n = ::write(pair[1], data + done, size - done);
    if (n <= 0) std::abort();
    done += static_cast<size_t>(n);
  }
  ::close(pair[1]);

  int disconnected = 0;
  vorn::TFtpControlChannel channel(
      [&](void*, vorn::TFtpStatus status, const std::string&) { disconnected += status == vorn::hsDisconnected; },
      nullptr);
  channel.Attach(vorn::Socket::Adopt(vorn::SocketHandle(pair[0])));
  channel.SetUtf8(data[0] & 1);
  size_t replies = 0;
  try {
    for (;;) {
      vorn::TFtpReply reply = channel.ReadReply(1000);
      if (reply.Code.empty() ? reply.NumericCode != 0 : (reply.NumericCode < 100 || reply.NumericCode > 999))
        std::abort();
      if (reply.Text.empty()) std::abort();
      if (++replies > size) std::abort();  // every reply takes at least one byte
    }
  } catch (const vorn::EFtpReadTimeout&) {
    std::abort();  // everything was there: nothing to wait for
  } catch (const vorn::EFtpError& e) {
    if (std::string(e.what()).empty()) std::abort();
  }
  if (disconnected > 1) std::abort();
  return 0;
}
