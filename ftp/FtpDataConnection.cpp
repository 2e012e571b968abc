// The data connection of a retrieval. Active: the client listens, announces
// its address with "EPRT" or "PORT", and the server connects back to it.
// Passive: the server names a port with "EPSV" or "PASV" and the client
// connects to it.
#include <algorithm>
#include <chrono>

#include "ftp/FtpClient.h"
#include "ftp/FtpErrors.h"

namespace vorn {

Socket TFtpClient::OpenListener() {
  Socket listener;
  try {
    listener = Socket::Create();
  } catch (const SocketError& e) {
    RaiseFtpSocketError(e);
  }
  uint32_t ip = channel_->LocalAddress().Ip;
  bool bound = false;
  if (DataPort == 0 && DataPortMin != 0 && DataPortMax >= DataPortMin) {
    for (uint32_t port = DataPortMin; port <= DataPortMax && !bound; ++port) {
      try {
        listener.Bind(ip, static_cast<uint16_t>(port));
        bound = true;
      } catch (const SocketError&) {
      }
    }
  } else {
    try {
      listener.Bind(ip, DataPort);
      bound = true;
    } catch (const SocketError&) {
    }
  }
  if (!bound) throw EFtpCouldNotBindSocket();
  try {
    listener.Listen(1);
  } catch (const SocketError& e) {
    RaiseFtpSocketError(e);
  }
  return listener;
}

// False when the server refuses the port (after "EPRT", "PORT" too): it
// will not connect back to this client.
bool TFtpClient::AnnouncePort(const Socket& listener) {
  SocketAddress local;
  try {
    local = listener.LocalAddress();
  } catch (const SocketError& e) {
    RaiseFtpSocketError(e);
  }
  std::string address = ExternalIP.empty() ? local.IpText() : ExternalIP;
  if (usingExtDataPort_) {
    if (SendCmd(EprtCommand(address, local.Port), {}) == 200) return true;
    usingExtDataPort_ = false;
  }
  uint32_t ip = 0;
  try {
    ip = ResolveHost(address);
  } catch (const SocketError& e) {
    RaiseFtpSocketError(e);
  }
  return SendCmd(PortCommand(ip, local.Port), {}) == 200;
}

// "EPSV" (RFC 2428), and "PASV" once the server has refused it on this
// connection; then the client connects. It connects to the address of the
// control connection whatever address a "PASV" reply names: a server behind
// a translating router names one it cannot be reached at, and a hostile one
// could point elsewhere. The connect is bounded by ConnectTimeout or, when
// that sets no limit, by ListenTimeout, the time an active server is given.
Socket TFtpClient::OpenPassiveConnection() {
  uint16_t port = 0;
  bool found = false;
  if (usingEpsv_) {
    if (SendCmd("EPSV", {}) == 229) {
      found = PortFromEpsvReply(LastCmdResult.TextWithLineBreaks(), port);
      if (!found) RaiseLastReply();
    } else {
      usingEpsv_ = false;
    }
  }
  if (!found) {
    SendCmd("PASV", {227});
    if (!PortFromPasvReply(LastCmdResult.TextWithLineBreaks(), port)) RaiseLastReply();
  }
  try {
    Socket data = Socket::Create();
    data.Connect(SocketAddress{channel_->PeerAddress().Ip, port}, ConnectTimeout > 0 ? ConnectTimeout : ListenTimeout);
    return data;
  } catch (const SocketError& e) {
    RaiseFtpSocketError(e);
  }
}

// Only the server we are logged in to may connect: anyone else could slip
// forged bytes into the download. Other callers are closed at once and the
// wait goes on for what is left of ListenTimeout.
//
// A server that cannot connect says so on the control connection (425) long
// before the time runs out, so the wait also ends when a reply (or the
// server's close) comes there: a closed socket is then returned, and the
// reply is the caller's to read.
Socket TFtpClient::AcceptDataConnection(Socket& listener) {
  using Clock = std::chrono::steady_clock;
  constexpr int32_t kSliceMs = 50;  // how often the control connection is looked at
  const bool limited = ListenTimeout > 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? ListenTimeout : 0);
  const uint32_t server = channel_->PeerAddress().Ip;
  // The server's own connection, or a closed socket when none came in the
  // time (or another caller did, and was sent away).
  auto acceptWithin = [&](int32_t milliseconds) {
    SocketAddress peer;
    Socket data;
    try {
      data = listener.Accept(milliseconds, peer);
    } catch (const SocketError& e) {
      RaiseFtpSocketError(e);
    }
    if (data.IsOpen() && peer.Ip != server) data.Close();
    return data;
  };
  for (;;) {
    int32_t slice = kSliceMs;
    if (limited) {
      auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (ms <= 0) throw EFtpAcceptTimeout();
      slice = static_cast<int32_t>(std::min<int64_t>(ms, kSliceMs));
    }
    // A connection made before the reply that followed it still wins.
    const bool replied = !channel_->SocketOpen() || channel_->HasDataWithin(0);
    Socket data = acceptWithin(replied ? 1 : slice);
    if (data.IsOpen()) {
      listener.Close();
      return data;
    }
    if (replied) return Socket();
  }
}

}  // namespace vorn
