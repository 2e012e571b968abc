// The socket layer: Windows Sockets numbers and texts, addresses and name
// resolution, and the blocking calls with their time-outs on loopback.
#include "platform/Socket.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <thread>

namespace vorn {
namespace {

TEST(SocketErrors, MessagesHaveTheWindowsSocketsForm) {
  EXPECT_EQ(SocketErrorMessage(10061), "Socket Error # 10061\r\nConnection refused.");
  EXPECT_EQ(SocketErrorMessage(11001), "Socket Error # 11001\r\nHost not found.");
  EXPECT_EQ(SocketErrorMessage(10066), "Socket Error # 10066\r\nDirectory not empty");
  EXPECT_EQ(SocketErrorMessage(12345), "Socket Error # 12345\r\n");
  SocketError error(10060);
  EXPECT_EQ(error.Code(), 10060);
  EXPECT_STREQ(error.what(), "Socket Error # 10060\r\nConnection timed out.");
}

TEST(SocketErrors, HostErrorsMapToWindowsSocketsNumbers) {
  struct Case {
    int Errno;
    int Code;
  };
  for (Case c : {Case{ECONNREFUSED, 10061}, Case{ETIMEDOUT, 10060}, Case{ECONNRESET, 10054},
                 Case{ECONNABORTED, 10053}, Case{EPIPE, 10058}, Case{ESHUTDOWN, 10058}, Case{ENETUNREACH, 10051},
                 Case{EHOSTUNREACH, 10065}, Case{EADDRINUSE, 10048}, Case{EADDRNOTAVAIL, 10049},
                 Case{EMFILE, 10024}, Case{EINVAL, 10022}, Case{EACCES, 10013}, Case{EINTR, 10004},
                 Case{ENOTSOCK, 10038}, Case{EWOULDBLOCK, 10035}}) {
    EXPECT_EQ(SocketErrorFromErrno(c.Errno), c.Code) << c.Errno;
    EXPECT_FALSE(SocketErrorText(c.Code).empty()) << c.Code;
  }
}

TEST(SocketAddresses, DottedQuads) {
  uint32_t ip = 0;
  EXPECT_TRUE(ParseDottedQuad("192.168.1.20", ip));
  EXPECT_EQ(ip, 0xC0A80114u);
  EXPECT_EQ(DottedQuad(ip), "192.168.1.20");
  EXPECT_TRUE(ParseDottedQuad("0.0.0.0", ip));
  EXPECT_TRUE(ParseDottedQuad("255.255.255.255", ip));
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1..2.3", "1.2.3.4 ", " 1.2.3.4", "1.2.3.x",
                          "0001.2.3.4", "a.b.c.d", "1.2.3.-4"}) {
    EXPECT_FALSE(ParseDottedQuad(bad, ip)) << bad;
  }
}

TEST(SocketAddresses, Resolution) {
  EXPECT_EQ(ResolveHost("LOCALHOST"), 0x7F000001u);
  EXPECT_EQ(ResolveHost("LocalHost"), 0x7F000001u);
  EXPECT_EQ(ResolveHost("10.1.2.3"), 0x0A010203u);
  try {
    ResolveHost("no-such-host.invalid");
    ADD_FAILURE();
  } catch (const SocketError& e) {
    EXPECT_EQ(e.Code(), 11001);
  }
  EXPECT_THROW(ResolveHost(""), SocketError);
}

// A listening socket on a free loopback port.
Socket Listening(SocketAddress& address) {
  Socket s = Socket::Create();
  s.Bind(0x7F000001, 0);
  s.Listen(1);
  address = s.LocalAddress();
  return s;
}

TEST(SocketCalls, ConnectAcceptSendReceiveAndClose) {
  SocketAddress address;
  Socket listener = Listening(address);
  EXPECT_EQ(address.Ip, 0x7F000001u);
  EXPECT_NE(address.Port, 0);

  Socket client = Socket::Create();
  client.SetNoDelay(false);
  client.Connect(address);
  SocketAddress peer;
  Socket server = listener.Accept(2000, peer);
  ASSERT_TRUE(server.IsOpen());
  EXPECT_EQ(peer, client.LocalAddress());
  EXPECT_EQ(client.PeerAddress(), address);

  // Nothing sent yet: the wait runs out.
  char buffer[16];
  EXPECT_EQ(client.Receive(buffer, sizeof buffer, 50), -1);
  EXPECT_EQ(client.ReceiveNow(buffer, sizeof buffer), -1);
  EXPECT_FALSE(client.WaitReadable(0));

  // More than the socket buffers hold, so SendAll must repeat.
  std::string big(4 << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
  std::thread sender([&] {
    server.SendAll(big.data(), big.size());
    server.ShutdownSend();
  });
  std::string received;
  std::vector<char> block(32768);
  for (;;) {
    int64_t n = client.Receive(block.data(), block.size(), 5000);
    ASSERT_NE(n, -1);
    if (n == 0) break;
    received.append(block.data(), static_cast<size_t>(n));
  }
  sender.join();
  EXPECT_EQ(received, big);
  EXPECT_TRUE(client.WaitReadable(0));  // the close is readable
}

TEST(SocketCalls, PairIsConnectedBothWays) {
  auto [first, second] = Socket::Pair();
  char buffer[8];
  first.SendAll("ping", 4);
  ASSERT_EQ(second.Receive(buffer, sizeof buffer, 2000), 4);
  EXPECT_EQ(std::string(buffer, 4), "ping");
  second.SendAll("pong", 4);
  ASSERT_EQ(first.Receive(buffer, sizeof buffer, 2000), 4);
  second.Close();
  EXPECT_EQ(first.Receive(buffer, sizeof buffer, 2000), 0);
}

TEST(SocketCalls, AcceptTimesOutWithAClosedSocket) {
  SocketAddress address;
  Socket listener = Listening(address);
  SocketAddress peer;
  Socket none = listener.Accept(50, peer);
  EXPECT_FALSE(none.IsOpen());
}

TEST(SocketCalls, RefusedConnectAndPortInUse) {
  SocketAddress address;
  {
    Socket listener = Listening(address);
  }
  Socket client = Socket::Create();
  try {
    client.Connect(address);
    ADD_FAILURE();
  } catch (const SocketError& e) {
    EXPECT_EQ(e.Code(), 10061);
    EXPECT_STREQ(e.what(), "Socket Error # 10061\r\nConnection refused.");
  }

  Socket listener = Listening(address);
  Socket second = Socket::Create();
  try {
    second.Bind(0x7F000001, address.Port);
    ADD_FAILURE();
  } catch (const SocketError& e) {
    EXPECT_EQ(e.Code(), 10048);
  }
}

TEST(SocketCalls, SendToAClosedPeerFailsWithoutASignal) {
  SocketAddress address;
  Socket listener = Listening(address);
  Socket client = Socket::Create();
  client.Connect(address, 2000);
  SocketAddress peer;
  Socket server = listener.Accept(2000, peer);
  server.Close();
  std::string chunk(65536, 'x');
  int code = 0;
  for (int i = 0; i < 100 && code == 0; ++i) {
    try {
      client.SendAll(chunk.data(), chunk.size());
    } catch (const SocketError& e) {
      code = e.Code();
    }
  }
  EXPECT_TRUE(code == 10054 || code == 10058) << code;
}

TEST(SocketCalls, ClosedSocketReportsBadFile) {
  Socket s;
  EXPECT_FALSE(s.IsOpen());
  char c;
  EXPECT_THROW(s.ReceiveNow(&c, 1), SocketError);
  Socket moved = Socket::Create();
  Socket target = std::move(moved);
  EXPECT_FALSE(moved.IsOpen());
  EXPECT_TRUE(target.IsOpen());
}

}  // namespace
}  // namespace vorn
