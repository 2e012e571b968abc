// The FTP client's error classes. Every failure of the client raises one of
// these, carrying the client's English message; ClassName names the class
// for tools and logs that report errors by kind.
#pragma once

#include <stdexcept>
#include <string>

namespace vorn {

class EFtpError : public std::runtime_error {
 public:
  explicit EFtpError(const std::string& message) : std::runtime_error(message) {}
  virtual const char* ClassName() const { return "EFtpError"; }
};

#define VORN_FTP_ERROR(Name, Base, Message)                                 \
  class Name : public Base {                                                \
   public:                                                                  \
    explicit Name(const std::string& message = Message) : Base(message) {}  \
    const char* ClassName() const override { return #Name; }                \
  }

VORN_FTP_ERROR(EFtpAlreadyConnected, EFtpError, "Already connected.");
VORN_FTP_ERROR(EFtpHostRequired, EFtpError, "");
VORN_FTP_ERROR(EFtpPortRequired, EFtpError, "");
VORN_FTP_ERROR(EFtpNotConnected, EFtpError, "Not Connected");
VORN_FTP_ERROR(EFtpCouldNotBindSocket, EFtpError, "Could not bind socket. Address and port are already in use.");
VORN_FTP_ERROR(EFtpReadTimeout, EFtpError, "Read timed out.");
VORN_FTP_ERROR(EFtpConnClosedGracefully, EFtpError, "Connection Closed Gracefully.");
VORN_FTP_ERROR(EFtpReadLnMaxLineLengthExceeded, EFtpError, "Max line length exceeded.");
VORN_FTP_ERROR(EFtpReplyError, EFtpError, "");
VORN_FTP_ERROR(EFtpFileAlreadyExists, EFtpError, "Destination file already exists.");
VORN_FTP_ERROR(EFtpAcceptTimeout, EFtpError, "Accept timed out.");
// "Transfer incomplete: <received> of <size> bytes received.", when every
// attempt ended before the size the server gave.
VORN_FTP_ERROR(EFtpIncompleteTransfer, EFtpError, "Transfer incomplete.");

#undef VORN_FTP_ERROR

// A socket failure: "Socket Error # <number>" CR LF <text>.
class EFtpSocketError : public EFtpError {
 public:
  EFtpSocketError(int code, const std::string& message) : EFtpError(message), code_(code) {}
  const char* ClassName() const override { return "EFtpSocketError"; }
  int ErrorCode() const { return code_; }

 private:
  int code_;
};

// Error 10038, an operation on something that is no socket.
class EFtpNotASocket : public EFtpSocketError {
 public:
  using EFtpSocketError::EFtpSocketError;
  const char* ClassName() const override { return "EFtpNotASocket"; }
};

// A reply whose code the command does not accept: the message is the reply's
// text lines, each followed by CR LF; ErrorCode is the reply's code.
class EFtpReplyRFCError : public EFtpError {
 public:
  EFtpReplyRFCError(int code, const std::string& message) : EFtpError(message), code_(code) {}
  const char* ClassName() const override { return "EFtpReplyRFCError"; }
  int ErrorCode() const { return code_; }

 private:
  int code_;
};

}  // namespace vorn
