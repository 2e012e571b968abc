// A scripted FTP server for the client's tests. It listens on a free
// loopback port and runs one session on its own thread: the test's script
// sends replies, reads (and so records) commands, connects back to the
// address that the client announced for a data connection or listens for
// the client's in passive mode, stalls, cuts and closes where the case
// needs it. When the script ends the server keeps
// recording commands, answers "QUIT" with 221 and closes, and stops at the
// client's close. Every wait is bounded, so a broken case fails instead of
// hanging.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/TestSockets.h"

namespace vorn::test {

// A plain socket that closes itself.
class Fd {
 public:
  Fd() = default;
  explicit Fd(NativeSocket fd) : fd_(fd) {}
  ~Fd();
  Fd(Fd&& other) noexcept;
  Fd& operator=(Fd&& other) noexcept;
  NativeSocket Get() const { return fd_; }
  bool Valid() const { return fd_ != kNoSocket; }
  NativeSocket Release() { return std::exchange(fd_, kNoSocket); }
  void Close();

 private:
  NativeSocket fd_ = kNoSocket;
};

class ScriptedFtpServer;

// What a script can do on the session.
class FtpSession {
 public:
  FtpSession(ScriptedFtpServer& server, Fd control);

  // Sends bytes exactly as given.
  void Send(const std::string& raw);
  // Sends a reply line; CR LF is added.
  void Reply(const std::string& line);
  // Reads the next command (without CR LF) and records it. Raises when the
  // client closes or nothing comes within five seconds.
  std::string Read();
  // Reads one command and answers it with the reply line(s): lines are
  // separated by "\n" and each sent with CR LF.
  std::string Answer(const std::string& reply);
  // Adds a line to the transcript (what a script did on a data connection).
  void Note(const std::string& line);
  // Waits, giving up early when the server is being stopped.
  void Sleep(int milliseconds);
  // Closes the control connection.
  void Close();
  // True when the client closed the control connection within the time.
  bool WaitClientClose(int milliseconds);

  // Connects to the address of the last "EPRT" or "PORT" command, from the
  // given local address.
  Fd ConnectBack(const std::string& from = "127.0.0.1");
  static void SendData(const Fd& data, const std::string& bytes);
  // True when the peer closed the connection within the time.
  static bool WaitPeerClose(const Fd& fd, int milliseconds);

  // Passive mode: reads the command ("EPSV" or "PASV"), listens on a free
  // port of the given loopback address and answers with that port, "229"
  // or "227" (the latter naming the host given, "127,0,0,1" form). Returns
  // the port.
  uint16_t AnswerEpsv(const std::string& at = "127.0.0.1");
  uint16_t AnswerPasv(const std::string& named, const std::string& at = "127.0.0.1");
  // The client's connection to the passive port (closing the listener).
  Fd AcceptPassive();
  // The data connection of a transfer: the client's, after "EPSV" or
  // "PASV"; otherwise one made back to the address it announced.
  Fd OpenData();

  // Serves a "RETR": answers 150, opens the data connection, sends the
  // bytes, closes the data connection and answers with the final reply.
  void ServeRetr(const std::string& content, const std::string& finalReply = "226 Transfer complete");
  // Closes a data connection with a reset instead of an orderly close.
  static void Reset(Fd& data);

  // The standard login of the client with default settings: greeting, HOST
  // (refused), USER, PASS, FEAT with the given reply, TYPE A, SYST, TYPE A.
  void Login(const std::string& featReply = "211-Features:\n EPRT\n EPSV\n SIZE\n REST STREAM\n211 End");

 private:
  friend class ScriptedFtpServer;
  void Drain();

  ScriptedFtpServer& server_;
  Fd control_;
  std::string input_;
  uint32_t dataIp_ = 0;
  uint16_t dataPort_ = 0;
  Fd passive_;
};

class ScriptedFtpServer {
 public:
  using Script = std::function<void(FtpSession&)>;
  explicit ScriptedFtpServer(Script script);
  ~ScriptedFtpServer();

  uint16_t Port() const { return port_; }
  // Waits until the session has ended (the client closed, or every wait
  // ran out).
  void Join();
  std::vector<std::string> Commands() const;
  // The session as it went: "C: " commands, "S: " reply lines, "D: " what
  // happened on data connections. With VORN_FTP_TRANSCRIPT set, it is also
  // appended to that file when the server is destroyed, under the test's name.
  std::vector<std::string> Transcript() const;
  // Why the script stopped early, or empty.
  std::string Failure() const;
  bool Stopping() const { return stopping_; }

 private:
  friend class FtpSession;
  void Run(Script script);
  void Record(const std::string& command);
  void Note(const std::string& line);
  void Fail(const std::string& why);

  Fd listener_;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> commands_;
  std::vector<std::string> transcript_;
  std::string failure_;
  std::thread thread_;
};

}  // namespace vorn::test
