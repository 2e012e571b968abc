// The scripted FTP server of the client's tests, on the host's own sockets
// (tests/support/TestSockets) so that it shares no code with the client it checks.
#include "tests/ftp/ScriptedFtpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <utility>

namespace vorn::test {

namespace {

constexpr int kWaitMs = 5000;

struct ScriptStopped : std::runtime_error {
  using std::runtime_error::runtime_error;
};

bool PollIn(NativeSocket fd, int milliseconds) { return WaitReadable(fd, milliseconds); }

}  // namespace

Fd::~Fd() { Close(); }
Fd::Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, kNoSocket)) {}
Fd& Fd::operator=(Fd&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, kNoSocket);
  }
  return *this;
}
void Fd::Close() {
  if (fd_ != kNoSocket) CloseSocket(std::exchange(fd_, kNoSocket));
}

FtpSession::FtpSession(ScriptedFtpServer& server, Fd control) : server_(server), control_(std::move(control)) {}

void FtpSession::Send(const std::string& raw) {
  for (size_t start = 0; start < raw.size();) {
    size_t end = raw.find("\r\n", start);
    if (end == std::string::npos) end = raw.size();
    server_.Note("S: " + raw.substr(start, end - start));
    start = end + 2;
  }
  size_t done = 0;
  while (done < raw.size()) {
    const long n = SendSome(control_.Get(), raw.data() + done, raw.size() - done);
    if (n <= 0) throw ScriptStopped("send on the control connection failed");
    done += static_cast<size_t>(n);
  }
}

void FtpSession::Reply(const std::string& line) { Send(line + "\r\n"); }

std::string FtpSession::Read() {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  for (;;) {
    size_t lf = input_.find('\n');
    if (lf != std::string::npos) {
      std::string line = input_.substr(0, lf);
      input_.erase(0, lf + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      server_.Record(line);
      unsigned a, b, c, d, p1, p2, port;
      if (std::sscanf(line.c_str(), "PORT %u,%u,%u,%u,%u,%u", &a, &b, &c, &d, &p1, &p2) == 6) {
        dataIp_ = (a << 24) | (b << 16) | (c << 8) | d;
        dataPort_ = static_cast<uint16_t>(p1 * 256 + p2);
      } else if (std::sscanf(line.c_str(), "EPRT |1|%u.%u.%u.%u|%u|", &a, &b, &c, &d, &port) == 5) {
        dataIp_ = (a << 24) | (b << 16) | (c << 8) | d;
        dataPort_ = static_cast<uint16_t>(port);
      }
      return line;
    }
    if (server_.Stopping() || std::chrono::steady_clock::now() > deadline)
      throw ScriptStopped("no command came");
    if (!PollIn(control_.Get(), 50)) continue;
    char buffer[4096];
    const long n = ReceiveSome(control_.Get(), buffer, sizeof buffer);
    if (n <= 0) throw ScriptStopped("the client closed the control connection");
    input_.append(buffer, static_cast<size_t>(n));
  }
}

std::string FtpSession::Answer(const std::string& reply) {
  std::string command = Read();
  size_t start = 0;
  for (;;) {
    size_t nl = reply.find('\n', start);
    Reply(reply.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return command;
}

void FtpSession::Sleep(int milliseconds) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!server_.Stopping() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void FtpSession::Note(const std::string& line) { server_.Note(line); }

void FtpSession::Close() { control_.Close(); }

bool FtpSession::WaitClientClose(int milliseconds) { return WaitPeerClose(control_, milliseconds); }

Fd FtpSession::ConnectBack(const std::string& from) {
  Fd fd(OpenStreamSocket());
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (std::sscanf(from.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d) != 4 || !BindSocket(fd.Get(), (a << 24) | (b << 16) | (c << 8) | d, 0))
    throw ScriptStopped("cannot bind the data connection to " + from);
  if (!ConnectSocket(fd.Get(), dataIp_, dataPort_)) throw ScriptStopped("cannot connect back to the client");
  return fd;
}

void FtpSession::SendData(const Fd& data, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const long n = SendSome(data.Get(), bytes.data() + done, bytes.size() - done);
    if (n <= 0) throw ScriptStopped("send on the data connection failed");
    done += static_cast<size_t>(n);
  }
}

bool FtpSession::WaitPeerClose(const Fd& fd, int milliseconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  char buffer[4096];
  while (std::chrono::steady_clock::now() < deadline) {
    if (!PollIn(fd.Get(), 20)) continue;
    const long n = ReceiveSome(fd.Get(), buffer, sizeof buffer);
    if (n <= 0) return true;
  }
  return false;
}

namespace {

// A listener on a free port of the loopback address given.
Fd ListenOn(const std::string& at, uint16_t& port) {
  Fd fd(OpenStreamSocket());
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (std::sscanf(at.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d) != 4 ||
      !BindSocket(fd.Get(), (a << 24) | (b << 16) | (c << 8) | d, 0) || !ListenSocket(fd.Get(), 1))
    throw ScriptStopped("cannot listen on " + at);
  port = LocalPort(fd.Get());
  return fd;
}

}  // namespace

uint16_t FtpSession::AnswerEpsv(const std::string& at) {
  Read();
  uint16_t port = 0;
  passive_ = ListenOn(at, port);
  Reply("229 Entering Extended Passive Mode (|||" + std::to_string(port) + "|)");
  return port;
}

uint16_t FtpSession::AnswerPasv(const std::string& named, const std::string& at) {
  Read();
  uint16_t port = 0;
  passive_ = ListenOn(at, port);
  Reply("227 Entering Passive Mode (" + named + "," + std::to_string(port >> 8) + "," + std::to_string(port & 255) +
        ")");
  return port;
}

Fd FtpSession::AcceptPassive() {
  if (!PollIn(passive_.Get(), kWaitMs)) throw ScriptStopped("the client did not connect to the passive port");
  Fd data(AcceptSocket(passive_.Get()));
  passive_.Close();
  return data;
}

Fd FtpSession::OpenData() {
  const bool passive = passive_.Valid();
  Fd data = passive ? AcceptPassive() : ConnectBack();
  server_.Note(passive ? "D: the client connected to the passive port" : "D: connected back to the client");
  return data;
}

void FtpSession::ServeRetr(const std::string& content, const std::string& finalReply) {
  Answer("150 Opening BINARY mode data connection");
  {
    Fd data = OpenData();
    SendData(data, content);
  }
  server_.Note("D: " + std::to_string(content.size()) + " bytes sent, closed");
  Reply(finalReply);
}

void FtpSession::Reset(Fd& data) { ResetSocket(data.Release()); }

void FtpSession::Login(const std::string& featReply) {
  Reply("220 Scripted FTP server ready");
  Answer("500 Unknown command");          // HOST
  Answer("331 Password required");        // USER
  Answer("230 Logged in");                // PASS
  Answer(featReply);                      // FEAT
  Answer("200 Type set to A");            // TYPE A, after the login
  Answer("215 UNIX Type: L8");            // SYST
  Answer("200 Type set to A");            // TYPE A, end of Connect
}

void FtpSession::Drain() {
  for (;;) {
    std::string command = Read();
    if (command == "QUIT") {
      Reply("221 Goodbye");
      control_.Close();
      return;
    }
    Reply("500 Unexpected command");
  }
}

ScriptedFtpServer::ScriptedFtpServer(Script script) {
  listener_ = Fd(OpenStreamSocket());
  ReuseAddress(listener_.Get());
  if (!BindSocket(listener_.Get(), 0x7F000001, 0) || !ListenSocket(listener_.Get(), 4))
    throw std::runtime_error("scripted server: cannot listen");
  port_ = LocalPort(listener_.Get());
  thread_ = std::thread([this, script = std::move(script)] { Run(script); });
}

ScriptedFtpServer::~ScriptedFtpServer() {
  stopping_ = true;
  Join();
  if (const char* path = std::getenv("VORN_FTP_TRANSCRIPT")) {
    std::ofstream out(path, std::ios::app);
    if (auto* test = ::testing::UnitTest::GetInstance()->current_test_info())
      out << "== " << test->test_suite_name() << "." << test->name() << "\n";
    for (const auto& line : Transcript()) out << line << "\n";
  }
}

void ScriptedFtpServer::Join() {
  if (thread_.joinable()) thread_.join();
}

void ScriptedFtpServer::Run(Script script) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  while (!PollIn(listener_.Get(), 50)) {
    if (stopping_ || std::chrono::steady_clock::now() > deadline) {
      Fail("no client connected");
      return;
    }
  }
  Fd control(AcceptSocket(listener_.Get()));
  // Replies of several lines go out at once, not held back by Nagle.
  SendImmediately(control.Get());
  FtpSession session(*this, std::move(control));
  try {
    script(session);
  } catch (const std::exception& e) {
    Fail(e.what());
    return;
  }
  if (!session.control_.Valid()) return;
  try {
    session.Drain();
  } catch (const std::exception&) {
    // The client closed or went quiet: the session is over.
  }
}

void ScriptedFtpServer::Record(const std::string& command) {
  Note("C: " + command);
  std::lock_guard lock(mutex_);
  commands_.push_back(command);
}

// The cases that flood the client with lines would flood the transcript.
void ScriptedFtpServer::Note(const std::string& line) {
  constexpr size_t kMaxTranscript = 10000;
  std::lock_guard lock(mutex_);
  if (transcript_.size() < kMaxTranscript) transcript_.push_back(line);
  else if (transcript_.size() == kMaxTranscript) transcript_.push_back("...");
}

std::vector<std::string> ScriptedFtpServer::Transcript() const {
  std::lock_guard lock(mutex_);
  return transcript_;
}

void ScriptedFtpServer::Fail(const std::string& why) {
  std::lock_guard lock(mutex_);
  failure_ = why;
}

std::vector<std::string> ScriptedFtpServer::Commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

std::string ScriptedFtpServer::Failure() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

}  // namespace vorn::test
