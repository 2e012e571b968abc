// The FTP download client: one control connection over TCP/IPv4, the login,
// the size query and the retrieval of one file at a time over an active data
// connection (the server connects back to the client). When the server
// cannot connect back, the client turns to passive mode for good; a transfer
// cut short is resumed a few times before its failure is reported.
//
// Everything runs on the caller's thread and blocks it; the events are
// delivered synchronously from inside the calls. A handler must not start
// another operation on the same client.
#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ftp/FtpControlChannel.h"
#include "ftp/FtpEvents.h"
#include "ftp/FtpReply.h"
#include "ftp/FtpStream.h"
#include "platform/Socket.h"

namespace vorn {

enum TIPVersion { IpV4, IpV6 };
enum TFtpTransferType { ftASCII, ftBinary };
enum TFtpProxyType { fpcmNone };

struct TFtpProxySettings {
  TFtpProxyType ProxyType = fpcmNone;
  uint16_t Port = 0;
};

class TFtpClient {
 public:
  TFtpClient();
  ~TFtpClient();
  TFtpClient(const TFtpClient&) = delete;
  TFtpClient& operator=(const TFtpClient&) = delete;

  // Settings; they keep their values from one connection to the next.
  std::string Host;
  uint16_t Port = 21;
  std::string Username;
  std::string Password;
  std::string Account;
  TIPVersion IPVersion = IpV4;
  bool AutoLogin = true;
  bool UseHOST = true;
  bool AutoIssueFEAT = true;
  int32_t ReadTimeout = 60000;     // milliseconds; zero or less waits without limit
  int32_t ConnectTimeout = 0;      // 0: no limit of the client's own
  TFtpProxySettings ProxySettings;
  bool Passive = false;            // true: the client connects to the server ("EPSV", "PASV")
  bool UseExtensionDataPort = false;
  int32_t ListenTimeout = 10000;   // milliseconds; zero or less waits without limit
  int32_t TransferTimeout = 0;     // milliseconds; 0 waits without limit
  std::string ExternalIP;
  uint16_t DataPort = 0;
  uint16_t DataPortMin = 0;
  uint16_t DataPortMax = 0;
  // A transfer cut short gets up to ResumeAttempts more attempts, the first
  // after ResumePause milliseconds and each later one after twice the pause
  // before it (never longer than TransferTimeout, when that is set).
  int32_t ResumeAttempts = 3;
  int32_t ResumePause = 250;

  TStatusEvent OnStatus;
  TWorkBeginEvent OnWorkBegin;
  TWorkEvent OnWork;
  TWorkEndEvent OnWorkEnd;

  // State of the connection.
  TFtpReply LastCmdResult;
  TFtpReply Greeting;
  TFtpReply LoginMsg;
  std::string SystemDesc;
  std::vector<std::string> Capabilities;
  bool UsingExtDataPort() const { return usingExtDataPort_; }
  // True once an active data connection could not be made: from then on,
  // for the client's life, every transfer is passive.
  bool SwitchedToPassive() const { return switchedToPassive_; }
  // Minutes reported by "SITE ZONE" (210); kept, not used.
  int32_t ServerTimeZoneMinutes() const { return serverTimeZone_; }

  // Opens the control connection and, with AutoLogin, logs in.
  void Connect();
  // True while the control socket is open and the server has not closed it,
  // or while received bytes remain unread. Moves what has arrived into the
  // input buffer without waiting.
  bool Connected();
  // Sends "QUIT" when asked and still connected, then closes the connection.
  // Unread bytes of the connection are dropped.
  void Disconnect(bool ANotifyPeer = true);

  // Sends one command and reads its reply into LastCmdResult. An empty list
  // accepts every code; otherwise a code outside it raises EFtpReplyRFCError.
  int16_t SendCmd(const std::string& command, std::initializer_list<int16_t> accepted = {});
  int16_t SendCmd(const std::string& command, const std::vector<int16_t>& accepted);
  // Reads one reply without sending anything, with the same check.
  int16_t GetResponse(std::initializer_list<int16_t> accepted = {});
  int16_t GetResponse(const std::vector<int16_t>& accepted);
  int16_t Quote(const std::string& command) { return SendCmd(command); }

  TFtpTransferType TransferType() const { return transferType_; }
  // Talks to the server when connected (see the .cpp for the order of the
  // letters it sends).
  void SetTransferType(TFtpTransferType value);

  // The size that the server reports for the remote file, or -1.
  int64_t Size(const std::string& AFileName);
  // Whether the server accepts restarts; probed once in the client's life.
  bool CanResume();
  // Retrieves the remote file into a local file (by the file rules of the
  // .cpp) or into an open stream from its current position.
  void Get(const std::string& ASourceFile, const std::string& ADestFile, bool ACanOverwrite, bool AResume);
  void Get(const std::string& ASourceFile, TFtpStream& ADest, bool AResume);

 private:
  struct WorkCounter {
    int64_t Count = 0;
    int64_t Max = 0;
    int32_t Level = 0;
  };

  void Status(TFtpStatus status, const std::string& text);
  void BeginWork(TWorkMode mode, int64_t max, int64_t startCount = 0);
  void DoWork(TWorkMode mode, int64_t bytes);
  void EndWork(TWorkMode mode);

  void CheckReply(const std::vector<int16_t>& accepted);
  [[noreturn]] void RaiseLastReply();
  void Login();
  void AnnounceTransferType();
  bool IsExtSupported(const std::string& feature) const;
  bool SiteZoneWanted() const;
  void DisconnectAfterFailure(bool notifyPeer) noexcept;

  // How one attempt at a retrieval ended.
  enum class AttemptEnd {
    Complete,      // the server's final reply accepted the transfer
    Failed,        // an error for the caller; nothing to try again
    ActiveFailed,  // the server could not or would not connect back
    Cut,           // broken off; the control connection is still in step
  };
  struct Attempt {
    AttemptEnd End = AttemptEnd::Complete;
    std::exception_ptr Failure;
  };
  Attempt Retrieve(const std::string& command, TFtpStream& dest, int64_t restOffset, int64_t startCount);
  void PauseBeforeResume(int resume);
  Socket OpenListener();
  bool AnnouncePort(const Socket& listener);
  Socket AcceptDataConnection(Socket& listener);
  Socket OpenPassiveConnection();
  void ReadData(Socket& data, TFtpStream& dest, int64_t startCount, bool& dataBroken);

  std::unique_ptr<TFtpControlChannel> channel_;
  TFtpTransferType transferType_ = ftASCII;
  bool usingExtDataPort_ = false;
  bool usingEpsv_ = false;          // per connection: "EPSV" not refused yet
  bool switchedToPassive_ = false;  // for the client's life
  std::map<std::string, int64_t> sizes_;  // per connection: what "SIZE" said
  bool resumeProbed_ = false;
  bool canResume_ = false;
  bool dataConnectionOpen_ = false;
  int32_t serverTimeZone_ = 0;
  WorkCounter work_[2];
};

}  // namespace vorn
