// The size query and the retrieval of one file over an active data
// connection: the client listens, announces its address with "EPRT" or
// "PORT", and the server connects back to it.
#include <chrono>
#include <exception>
#include <utility>
#include <vector>

#include "ftp/FtpClient.h"
#include "ftp/FtpErrors.h"

namespace vorn {

namespace {

constexpr size_t kDataBlock = 32768;

}  // namespace

// The letter sent is that of the type in force before the change, so the
// server's type follows one change behind the recorded one. The size query
// relies on this: with the default type the server is left in image type
// for the retrieval that follows, and the client writes bytes unchanged.
void TFtpClient::SetTransferType(TFtpTransferType value) {
  if (value == transferType_ || dataConnectionOpen_) return;
  if (Connected()) SendCmd(transferType_ == ftBinary ? "TYPE I" : "TYPE A", {200});
  transferType_ = value;
}

int64_t TFtpClient::Size(const std::string& AFileName) {
  int64_t result = -1;
  TFtpTransferType previous = transferType_;
  bool changed = previous != ftBinary;
  if (changed) SetTransferType(ftBinary);
  try {
    if (SendCmd("SIZE " + AFileName, {}) == 213) result = SizeFromReply(LastCmdResult);
  } catch (...) {
    if (changed) SetTransferType(previous);
    throw;
  }
  if (changed) SetTransferType(previous);
  return result;
}

bool TFtpClient::CanResume() {
  if (!resumeProbed_) {
    canResume_ = SendCmd("REST 1", {}) == 350;
    resumeProbed_ = true;
    SendCmd("REST 0", {});
  }
  return canResume_;
}

void TFtpClient::Get(const std::string& ASourceFile, TFtpStream& ADest, bool AResume) {
  bool restart = AResume && CanResume();
  Retrieve("RETR " + ASourceFile, ADest, restart);
}

void TFtpClient::Retrieve(const std::string& command, TFtpStream& dest, bool restart) {
  if (!channel_) throw EFtpNotConnected();
  Status(ftpTransfer, "Starting FTP transfer");
  std::exception_ptr failure;
  Socket listener;
  Socket data;
  dataConnectionOpen_ = true;
  // Only a retrieval command answered with a preliminary reply owes a final
  // one; a failure before that (a port that cannot be listened on, a refused
  // command) is reported as it is, without waiting for a reply nobody asked for.
  bool finalReplyOwed = false;
  try {
    if (Passive) {
      data = OpenPassiveConnection();
    } else {
      listener = OpenListener();
      AnnouncePort(listener);
    }
    if (restart) SendCmd("REST " + std::to_string(dest.Position()), {350});
    SendCmd(command, {125, 150, 154});
    finalReplyOwed = true;
    if (!Passive) data = AcceptDataConnection(listener);
    ReadData(data, dest);
  } catch (...) {
    failure = std::current_exception();
  }
  // Finishing. An error raised here replaces the one on its way.
  data.Close();
  listener.Close();
  dataConnectionOpen_ = false;
  if (!finalReplyOwed) {
    Status(ftpAborted, "Transfer aborted");
  } else {
    Status(ftpReady, "Transfer complete");
    GetResponse({226, 225, 250});
  }
  if (failure) std::rethrow_exception(failure);
}

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

void TFtpClient::AnnouncePort(const Socket& listener) {
  SocketAddress local;
  try {
    local = listener.LocalAddress();
  } catch (const SocketError& e) {
    RaiseFtpSocketError(e);
  }
  std::string address = ExternalIP.empty() ? local.IpText() : ExternalIP;
  if (usingExtDataPort_) {
    if (SendCmd(EprtCommand(address, local.Port), {}) == 200) return;
    usingExtDataPort_ = false;
  }
  uint32_t ip = 0;
  try {
    ip = ResolveHost(address);
  } catch (const SocketError& e) {
    RaiseFtpSocketError(e);
  }
  SendCmd(PortCommand(ip, local.Port), {200});
}

// Passive mode, for callers that cannot be reached by the server: "EPSV"
// (falling back on "PASV" as "EPRT" falls back on "PORT"), then the client
// connects. It connects to the address of the control connection whatever
// address a "PASV" reply names: a server behind a translating router names
// one it cannot be reached at, and a hostile one could point elsewhere.
Socket TFtpClient::OpenPassiveConnection() {
  uint16_t port = 0;
  bool found = false;
  if (usingExtDataPort_) {
    if (SendCmd("EPSV", {}) == 229) {
      found = PortFromEpsvReply(LastCmdResult.TextWithLineBreaks(), port);
      if (!found) throw EFtpReplyRFCError(LastCmdResult.NumericCode, LastCmdResult.TextWithLineBreaks());
    } else {
      usingExtDataPort_ = false;
    }
  }
  if (!found) {
    SendCmd("PASV", {227});
    if (!PortFromPasvReply(LastCmdResult.TextWithLineBreaks(), port))
      throw EFtpReplyRFCError(LastCmdResult.NumericCode, LastCmdResult.TextWithLineBreaks());
  }
  try {
    Socket data = Socket::Create();
    data.Connect(SocketAddress{channel_->PeerAddress().Ip, port}, ConnectTimeout);
    return data;
  } catch (const SocketError& e) {
    RaiseFtpSocketError(e);
  }
}

// Only the server we are logged in to may connect: anyone else could slip
// forged bytes into the download. Other callers are closed at once and the
// wait goes on for what is left of ListenTimeout.
Socket TFtpClient::AcceptDataConnection(Socket& listener) {
  using Clock = std::chrono::steady_clock;
  bool limited = ListenTimeout > 0;
  auto deadline = Clock::now() + std::chrono::milliseconds(limited ? ListenTimeout : 0);
  uint32_t server = channel_->PeerAddress().Ip;
  for (;;) {
    int32_t left = 0;
    if (limited) {
      auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (ms <= 0) throw EFtpAcceptTimeout();
      left = static_cast<int32_t>(ms);
    }
    SocketAddress peer;
    Socket data;
    try {
      data = listener.Accept(left, peer);
    } catch (const SocketError& e) {
      RaiseFtpSocketError(e);
    }
    if (!data.IsOpen()) continue;  // nothing yet: the deadline check decides
    if (peer.Ip == server) {
      listener.Close();
      return data;
    }
  }
}

// Blocks of 32768 bytes are reported and written as soon as they are full;
// the rest when the server closes the connection, or when reading fails (the
// bytes held are then written before the error goes on).
void TFtpClient::ReadData(Socket& data, TFtpStream& dest) {
  BeginWork(wmRead, 0);
  std::vector<char> block(kDataBlock);
  size_t held = 0;
  auto deliver = [&]() {
    size_t size = std::exchange(held, 0);
    try {
      DoWork(wmRead, static_cast<int64_t>(size));
    } catch (...) {
      dest.Write(block.data(), size);
      throw;
    }
    dest.Write(block.data(), size);
  };
  try {
    for (;;) {
      int64_t n = 0;
      try {
        n = data.Receive(block.data() + held, kDataBlock - held, TransferTimeout);
      } catch (const SocketError& e) {
        RaiseFtpSocketError(e);
      }
      if (n < 0) throw EFtpReadTimeout();
      if (n == 0) break;
      held += static_cast<size_t>(n);
      if (held == kDataBlock) deliver();
    }
    if (held > 0) deliver();
  } catch (...) {
    try {
      if (held > 0) deliver();
    } catch (...) {
      // The reading's own error is the one to report.
    }
    EndWork(wmRead);
    throw;
  }
  EndWork(wmRead);
  if (dest.Size() > dest.Position()) dest.SetSize(dest.Position());
}

}  // namespace vorn
