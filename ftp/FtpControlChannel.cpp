// The control connection. Lines are cut from the input buffer without
// copying it around: consumed bytes are only skipped, and the buffer is
// compacted when most of it has been consumed.
#include "ftp/FtpControlChannel.h"

#include <utility>

#include "ftp/FtpErrors.h"

namespace vorn {

void RaiseFtpSocketError(const SocketError& error) {
  if (error.Code() == WSAENOTSOCK) throw EFtpNotASocket(error.Code(), error.what());
  throw EFtpSocketError(error.Code(), error.what());
}

TFtpControlChannel::TFtpControlChannel(TStatusEvent onStatus, WorkReport onWork)
    : onStatus_(std::move(onStatus)), onWork_(std::move(onWork)) {}

void TFtpControlChannel::Status(TFtpStatus status, const std::string& text) {
  if (onStatus_) onStatus_(this, status, text);
}

void TFtpControlChannel::ClearInput() {
  input_.clear();
  start_ = 0;
}

void TFtpControlChannel::Open(const std::string& host, uint16_t port, TimeoutMs connectTimeout) {
  ClearInput();
  try {
    socket_ = Socket::Create();
    try {
      socket_.Bind(0, 0);
    } catch (const SocketError&) {
      throw EFtpCouldNotBindSocket();
    }
    socket_.SetNoDelay(false);
    uint32_t ip = 0;
    if (!ParseDottedQuad(host, ip)) {
      Status(hsResolving, "Resolving hostname " + host + ".");
      ip = ResolveHost(host);
    }
    Status(hsConnecting, "Connecting to " + DottedQuad(ip) + ".");
    socket_.Connect(SocketAddress{ip, port}, connectTimeout);
    local_ = socket_.LocalAddress();
    peer_ = socket_.PeerAddress();
  } catch (const SocketError& e) {
    socket_.Close();
    RaiseFtpSocketError(e);
  } catch (...) {
    socket_.Close();
    throw;
  }
}

void TFtpControlChannel::Attach(Socket socket) {
  ClearInput();
  socket_ = std::move(socket);
}

void TFtpControlChannel::Close() {
  if (!socket_.IsOpen()) return;
  socket_.ShutdownSend();
  socket_.Close();
}

void TFtpControlChannel::ClosedByServer() {
  socket_.Close();
  Status(hsDisconnected, "Disconnected.");
}

TFtpControlChannel::Deadline::Deadline(TimeoutMs timeout)
    : Limited(timeout > 0), At(Clock::now() + std::chrono::milliseconds(Limited ? timeout : 0)) {}

bool TFtpControlChannel::Fill(const Deadline& deadline, bool wait) {
  char block[kReceiveBufferSize];
  int64_t n = 0;
  try {
    if (wait) {
      TimeoutMs left = 0;  // no limit
      if (deadline.Limited) {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline.At - Clock::now()).count();
        if (ms <= 0) return false;
        left = static_cast<TimeoutMs>(ms);
      }
      n = socket_.Receive(block, sizeof block, left);
    } else {
      n = socket_.ReceiveNow(block, sizeof block);
    }
  } catch (const SocketError& e) {
    // An aborted or shut-down connection is a closed one; what was received
    // before it can still be read.
    if (e.Code() == WSAECONNABORTED || e.Code() == WSAESHUTDOWN) {
      ClosedByServer();
      if (InputEmpty()) RaiseFtpSocketError(e);
      return true;
    }
    RaiseFtpSocketError(e);
  }
  if (n < 0) return false;
  if (n == 0) {
    ClosedByServer();
    return true;
  }
  if (start_ > 0 && start_ >= input_.size() / 2) {
    input_.erase(0, start_);
    start_ = 0;
  }
  input_.append(block, static_cast<size_t>(n));
  return true;
}

bool TFtpControlChannel::CheckConnected() {
  if (socket_.IsOpen()) {
    try {
      Fill(Deadline(0), false);
    } catch (const EFtpSocketError&) {
      // A reset found here means the server is gone, not a failed command.
      if (socket_.IsOpen()) ClosedByServer();
    }
  }
  return socket_.IsOpen() || !InputEmpty();
}

bool TFtpControlChannel::HasDataWithin(int32_t milliseconds) {
  if (!InputEmpty()) return true;
  if (!socket_.IsOpen()) return false;
  try {
    if (socket_.WaitReadable(milliseconds)) Fill(Deadline(0), false);
  } catch (const SocketError&) {
    return false;
  }
  return !InputEmpty();
}

void TFtpControlChannel::WriteLn(const std::string& text) {
  if (!socket_.IsOpen()) throw EFtpConnClosedGracefully();
  std::string bytes = Encode(text) + "\r\n";
  try {
    socket_.SendAll(bytes.data(), bytes.size());
  } catch (const SocketError& e) {
    if (e.Code() == WSAECONNABORTED || e.Code() == WSAECONNRESET || e.Code() == WSAESHUTDOWN) ClosedByServer();
    RaiseFtpSocketError(e);
  }
  if (onWork_) onWork_(wmWrite, static_cast<int64_t>(bytes.size()));
}

std::string TFtpControlChannel::ReadLn(TimeoutMs timeout, bool& timedOut) {
  size_t consumed = 0;
  return ReadLine(Deadline(timeout), timedOut, consumed);
}

std::string TFtpControlChannel::ReadLine(const Deadline& deadline, bool& timedOut, size_t& consumed) {
  timedOut = false;
  // Bytes after start_ already searched for LF; relative, as Fill may
  // compact the buffer.
  size_t searched = 0;
  for (;;) {
    size_t lf = input_.find('\n', start_ + searched);
    if (lf != std::string::npos) {
      size_t length = lf - start_;
      size_t lineStart = std::exchange(start_, lf + 1);
      consumed = length + 1;
      if (onWork_) onWork_(wmRead, static_cast<int64_t>(length + 1));
      if (length > kMaxLineLength) throw EFtpReadLnMaxLineLengthExceeded();
      if (length > 0 && input_[lf - 1] == '\r') --length;
      return Decode(input_.substr(lineStart, length));
    }
    searched = input_.size() - start_;
    // A line that is already too long can only end in the same error: refuse
    // it now rather than hold whatever the server keeps sending.
    if (input_.size() - start_ > kMaxLineLength) {
      ClearInput();
      throw EFtpReadLnMaxLineLengthExceeded();
    }
    if (!socket_.IsOpen()) throw EFtpConnClosedGracefully();
    if (!Fill(deadline, true)) {
      timedOut = true;
      return {};
    }
  }
}

// One time-out for the whole reply, and every byte counted, blank lines
// too: a server that trickles blank lines or bytes must not hold the
// caller's thread longer than the time-out.
TFtpReply TFtpControlChannel::ReadReply(TimeoutMs timeout) {
  const Deadline deadline(timeout);
  std::vector<std::string> lines;
  size_t total = 0;
  for (;;) {
    bool timedOut = false;
    size_t consumed = 0;
    std::string line = TrimControl(ReadLine(deadline, timedOut, consumed));
    if (timedOut) {
      // Silence is a time-out; a reply that kept coming without ending in
      // time is one too long.
      if (total == 0 && InputEmpty()) throw EFtpReadTimeout();
      ClearInput();
      throw EFtpReadLnMaxLineLengthExceeded();
    }
    // A reply whose end line never comes would grow without bound; no real
    // reply (a feature list, a help text) comes near this.
    total += consumed;
    if (total > kMaxReplyLength) throw EFtpReadLnMaxLineLengthExceeded();
    if (line.empty()) continue;
    lines.push_back(std::move(line));
    if (IsReplyEndLine(lines.back())) break;
  }
  return ParseReply(lines);
}

// ISO-8859-1 maps every byte to the code point of the same value.
std::string TFtpControlChannel::Decode(const std::string& bytes) const {
  if (utf8_) return bytes;
  std::string text;
  text.reserve(bytes.size());
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      text += static_cast<char>(c);
    } else {
      text += static_cast<char>(0xC0 | (c >> 6));
      text += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return text;
}

// Characters that ISO-8859-1 lacks, and malformed UTF-8, become "?".
std::string TFtpControlChannel::Encode(const std::string& text) const {
  if (utf8_) return text;
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      bytes += static_cast<char>(c);
      ++i;
      continue;
    }
    size_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    uint32_t cp = c & (0x3F >> extra);
    bool valid = extra > 0;
    size_t k = 1;
    for (; valid && k <= extra; ++k) {
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    bytes += (valid && cp <= 0xFF) ? static_cast<char>(cp) : '?';
    i += valid ? extra + 1 : 1;
  }
  return bytes;
}

}  // namespace vorn
