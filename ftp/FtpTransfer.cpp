// The size query and the retrieval of one file over an active data
// connection: the client listens, announces its address with "EPRT" or
// "PORT", and the server connects back to it.
#include <chrono>
#include <cstdio>
#include <exception>
#include <utility>
#include <vector>

#include "ftp/FtpClient.h"
#include "ftp/FtpErrors.h"

namespace vorn {

namespace {

constexpr size_t kDataBlock = 32768;

// A whole decimal number with an optional sign, in 64 bits.
bool ParseInt64(const std::string& text, int64_t& value) {
  size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (i >= text.size() || text.size() - i > 18) return false;
  int64_t v = 0;
  for (size_t k = i; k < text.size(); ++k) {
    if (text[k] < '0' || text[k] > '9') return false;
    v = v * 10 + (text[k] - '0');
  }
  value = text[0] == '-' ? -v : v;
  return true;
}

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
    if (SendCmd("SIZE " + AFileName, {}) == 213) {
      std::string text = TrimControl(LastCmdResult.TextWithLineBreaks());
      size_t blank = text.find(' ');
      if (blank != std::string::npos) text = TrimControl(text.substr(blank + 1));
      int64_t value = 0;
      if (ParseInt64(text, value)) result = value;
    }
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
  try {
    if (Passive) {
      data = OpenPassiveConnection();
    } else {
      listener = OpenListener();
      AnnouncePort(listener);
    }
    if (restart) SendCmd("REST " + std::to_string(dest.Position()), {350});
    SendCmd(command, {125, 150, 154});
    if (!Passive) data = AcceptDataConnection(listener);
    ReadData(data, dest);
  } catch (...) {
    failure = std::current_exception();
  }
  // Finishing: the last reply tells whether the server began the transfer.
  // An error raised here replaces the one on its way.
  data.Close();
  listener.Close();
  dataConnectionOpen_ = false;
  if (LastCmdResult.NumericCode >= 300) {
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
  std::string port = std::to_string(local.Port);
  if (usingExtDataPort_) {
    if (SendCmd("EPRT |1|" + address + "|" + port + "|", {}) == 200) return;
    usingExtDataPort_ = false;
  }
  uint32_t ip = 0;
  try {
    ip = ResolveHost(address);
  } catch (const SocketError& e) {
    RaiseFtpSocketError(e);
  }
  SendCmd("PORT " + std::to_string(ip >> 24) + "," + std::to_string((ip >> 16) & 255) + "," +
              std::to_string((ip >> 8) & 255) + "," + std::to_string(ip & 255) + "," +
              std::to_string(local.Port >> 8) + "," + std::to_string(local.Port & 255),
          {200});
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
      // "Entering Extended Passive Mode (|||6446|)": the port between the
      // third and fourth delimiter.
      std::string text = LastCmdResult.TextWithLineBreaks();
      size_t open = text.find('(');
      if (open != std::string::npos && open + 4 < text.size()) {
        char d = text[open + 1];
        size_t digits = open + 4;
        if (text[open + 2] == d && text[open + 3] == d) {
          size_t end = text.find(d, digits);
          int64_t value = 0;
          if (end != std::string::npos && ParseInt64(text.substr(digits, end - digits), value) && value > 0 &&
              value <= 65535) {
            port = static_cast<uint16_t>(value);
            found = true;
          }
        }
      }
      if (!found) throw EFtpReplyRFCError(LastCmdResult.NumericCode, LastCmdResult.TextWithLineBreaks());
    } else {
      usingExtDataPort_ = false;
    }
  }
  if (!found) {
    SendCmd("PASV", {227});
    std::string text = LastCmdResult.TextWithLineBreaks();
    size_t start = text.find_first_of("0123456789");
    unsigned h1, h2, h3, h4, p1, p2;
    if (start == std::string::npos ||
        std::sscanf(text.c_str() + start, "%u,%u,%u,%u,%u,%u", &h1, &h2, &h3, &h4, &p1, &p2) != 6 || p1 > 255 ||
        p2 > 255 || (p1 | p2) == 0)
      throw EFtpReplyRFCError(LastCmdResult.NumericCode, LastCmdResult.TextWithLineBreaks());
    port = static_cast<uint16_t>(p1 * 256 + p2);
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
