// The control connection of the FTP client: the socket, the buffer of bytes
// received but not yet consumed, and the text encoding of the channel. It
// writes command lines, reads lines and whole replies, and notices when the
// server closes the connection (it then closes its socket and reports
// "Disconnected.").
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "ftp/FtpEvents.h"
#include "ftp/FtpReply.h"
#include "platform/Socket.h"

namespace vorn {

class TFtpControlChannel {
 public:
  // Receives the bytes moved on the connection, for the client's work counters.
  using WorkReport = std::function<void(TWorkMode mode, int64_t bytes)>;

  static constexpr size_t kReceiveBufferSize = 32768;
  static constexpr size_t kMaxLineLength = 16384;
  static constexpr size_t kMaxReplyLength = 4 << 20;

  TFtpControlChannel(TStatusEvent onStatus, WorkReport onWork);

  // Empties the input buffer, makes a socket bound to any local address,
  // resolves the host when it is no dotted quad, and connects. On failure
  // the socket is closed and the error (EFtpSocketError,
  // EFtpCouldNotBindSocket) raised; no status is sent for it.
  void Open(const std::string& host, uint16_t port, TimeoutMs connectTimeout);
  // Reads from (and writes to) an already connected socket instead, with an
  // empty input buffer: replies from a socket pair, without a server.
  void Attach(Socket socket);
  // Shuts the socket down for sending and closes it (no status).
  void Close();

  bool SocketOpen() const { return socket_.IsOpen(); }
  bool InputEmpty() const { return start_ == input_.size(); }
  void ClearInput();
  // Moves what has arrived, without waiting, into the input buffer; notices
  // a close by the server. True while the socket is open or bytes remain.
  bool CheckConnected();
  // True when bytes are buffered or arrive within the time (a close by the
  // server found meanwhile is handled as in CheckConnected).
  bool HasDataWithin(int32_t milliseconds);

  SocketAddress LocalAddress() const { return local_; }
  SocketAddress PeerAddress() const { return peer_; }

  // ISO-8859-1 from the start of a connection; UTF-8 after negotiation.
  void SetUtf8(bool utf8) { utf8_ = utf8; }
  bool Utf8() const { return utf8_; }

  // Sends the text and CR LF, encoded, whole.
  void WriteLn(const std::string& text);
  // Reads one line without its CR LF. timedOut is set, and the line empty,
  // when the line was not complete within the time-out.
  std::string ReadLn(TimeoutMs timeout, bool& timedOut);
  // Reads one reply: skips blank lines, collects lines up to an end line and
  // parses them, all within the time-out. Raises EFtpReadTimeout (nothing
  // came), EFtpReadLnMaxLineLengthExceeded (a line or the whole reply too
  // long, blank lines included, or not complete within the time-out),
  // EFtpConnClosedGracefully or EFtpReplyError.
  TFtpReply ReadReply(TimeoutMs timeout);

 private:
  using Clock = std::chrono::steady_clock;
  // When a read must end; no limit for a time-out of zero or less.
  struct Deadline {
    explicit Deadline(TimeoutMs timeout);
    bool Limited;
    Clock::time_point At;
  };

  std::string ReadLine(const Deadline& deadline, bool& timedOut, size_t& consumed);
  // Receives once; false when the time ran out.
  bool Fill(const Deadline& deadline, bool wait);
  void ClosedByServer();
  void Status(TFtpStatus status, const std::string& text);
  std::string Decode(const std::string& bytes) const;
  std::string Encode(const std::string& text) const;

  TStatusEvent onStatus_;
  WorkReport onWork_;
  Socket socket_;
  SocketAddress local_;
  SocketAddress peer_;
  std::string input_;
  size_t start_ = 0;  // first unconsumed byte of input_
  bool utf8_ = false;
};

// Raises the FTP client's error for a socket failure.
[[noreturn]] void RaiseFtpSocketError(const SocketError& error);

}  // namespace vorn
