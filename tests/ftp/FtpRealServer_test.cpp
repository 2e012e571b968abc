// Downloads from a real FTP server: Debian's pyftpdlib, started on a free
// loopback port by scripts/ftp-server.py and stopped after each test (on
// Windows, under wine, ctest starts them for all tests on the host:
// tests/ftp/ftp-server-fixture). Active mode with "EPRT" and with "PORT",
// passive mode, and the turn to passive mode when the server cannot connect
// back; the files must arrive byte for byte. The vorn-ftpget tool is checked
// against the same server for its output format.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "ftp/FtpClient.h"
#include "platform/WinPath.h"
#include "tests/ftp/FtpTestSupport.h"
#include "tests/support/Environment.h"
#include "tests/support/RunCommand.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace vorn::test {
namespace {

class FtpRealServer : public TempDriveTest {
 protected:
  void SetUp() override {
    TempDriveTest::SetUp();
    content_ = Pattern(300000);  // not a whole number of blocks
#ifdef _WIN32
    // The host's server serves every test; each puts its files in a folder
    // of its own below the root, named as its scratch folder.
    const std::optional<std::string> folder = GetVariable("VORN_TEST_FTP_FOLDER");
    if (!folder) GTEST_SKIP() << "no FTP server: ctest starts one (tests/ftp/ftp-server-fixture)";
    site_ = "/" + PathText(root_.filename());
    served_ = std::filesystem::path(Wide(*folder)) / "served" / root_.filename();
    std::filesystem::create_directories(served_ / "Area_Download");
    WriteFile(served_ / "Area_Download/ZAV.ZIP", content_);
    // One server per way of serving: "ready" for the plain one, "ready-refuse"
    // and "ready-unreachable" for those given "--active refuse|unreachable".
    std::string readyName = "ready";
    const std::vector<std::string> options = ServerOptions();
    if (options.size() == 2 && options[0] == "--active") readyName += "-" + options[1];
    else if (!options.empty()) GTEST_SKIP() << "the host's servers under wine take no other options";
    const std::string ready = ReadFile(std::filesystem::path(Wide(*folder)) / readyName);
    ASSERT_EQ(std::sscanf(ready.c_str(), "ready %hu", &port_), 1) << "server did not start: " << ready;
#else
    served_ = Host("served");
    std::filesystem::create_directories(served_ / "Area_Download");
    WriteFile(served_ / "Area_Download/ZAV.ZIP", content_);

    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string script = (SourceDir() / "scripts/ftp-server.py").string();
    std::string root = served_.string();
    std::vector<std::string> args{"/usr/bin/python3", script, "--root", root, "--port", "0", "--no-ascii-size"};
    for (const std::string& option : ServerOptions()) args.push_back(option);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ASSERT_EQ(spawned, 0);
    // "ready <port>" once it listens; a server that does not come up fails the test.
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd p{out[0], POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char buffer[64];
      ssize_t n = ::read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      line.append(buffer, static_cast<size_t>(n));
    }
    ::close(out[0]);
    ASSERT_EQ(std::sscanf(line.c_str(), "ready %hu", &port_), 1) << "server did not start: " << line;
#endif
  }

  void TearDown() override {
#ifdef _WIN32
    std::error_code error;
    if (!served_.empty()) std::filesystem::remove_all(served_, error);
#else
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
#endif
    TempDriveTest::TearDown();
  }

  virtual std::vector<std::string> ServerOptions() const { return {}; }

  void Download(bool extended, bool passive = false) {
    TFtpClient client;
    EventLog events;
    events.Attach(client);
    SetUpClient(client, port_);
    client.UseExtensionDataPort = extended;
    client.Passive = passive;
    client.Connect();
    EXPECT_EQ(client.UsingExtDataPort(), extended);
    std::string local = ToWinPath(Host("ZAV.ZIP"));
    client.Size(site_ + "/Area_Download/ZAV.ZIP");
    client.Get(site_ + "/Area_Download/ZAV.ZIP", local, true, true);
    client.Disconnect();
    EXPECT_EQ(ReadFile(Host("ZAV.ZIP")), content_);
    EXPECT_NE(std::find(events.Lines.begin(), events.Lines.end(), "work read 300000"), events.Lines.end());
    EXPECT_EQ(events.Lines.back(), "status 4 Disconnected.");
  }

#ifndef _WIN32
  pid_t pid_ = -1;
#endif
  std::filesystem::path served_;
  std::string site_;  // the remote folder of this test's files ("" is the root)
  uint16_t port_ = 0;
  std::string content_;
};

TEST_F(FtpRealServer, ActiveModeWithEprt) { Download(true); }

TEST_F(FtpRealServer, ActiveModeWithPort) { Download(false); }

TEST_F(FtpRealServer, PassiveModeWithEpsvAndWithPasv) {
  Download(true, true);
  std::filesystem::remove(Host("ZAV.ZIP"));
  Download(false, true);
}

// Runs the tool and returns its output; status receives the exit status.
std::string RunTool(const std::string& command, int& status) {
  test::CommandRun run = test::RunCommand(command);
  status = run.Status;
  return run.Output;
}

TEST_F(FtpRealServer, ToolPrintsEveryEventAsALine) {
  std::string tool = ToolProgram("vorn-ftpget");
  if (!std::filesystem::exists(tool)) GTEST_SKIP() << "vorn-ftpget is not built";
  std::string base = tool + " 127.0.0.1 " + std::to_string(port_) + " zavupdate tovari ";
  int status = -1;
  std::string out = RunTool(base + site_ + "/Area_Download/ZAV.ZIP " + PathText(Host("got.zip")) + " --read-timeout 3000", status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFile(Host("got.zip")), content_);
  std::string expected =
      "status 1 Connecting to 127.0.0.1.\nstatus 2 Connected.\nstatus 7 Connection established\n"
      "size -1\nstatus 6 Starting FTP transfer\nworkbegin read 0\n";
  for (int64_t count = 32768; count < 300000; count += 32768) expected += "work read " + std::to_string(count) + "\n";
  expected += "work read 300000\nworkend read\nstatus 7 Transfer complete\nstatus 3 Disconnecting.\n"
              "status 4 Disconnected.\nok\n";
  // This server refuses "SIZE" in ASCII mode, which the size query leaves in force.
  EXPECT_EQ(out, expected);

  out = RunTool(base + site_ + "/Area_Download/missing.zip " + PathText(Host("none.zip")), status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("status 8 Transfer aborted\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\nerror EFtpReplyRFCError "), std::string::npos) << out;
  EXPECT_EQ(out.substr(out.size() - 3), "\\n\n");  // the message's CR LF, escaped
}

// A server that cannot reach the client, both ways it shows: it does not
// know "PORT" and "EPRT", or its connection back is refused (425). The
// download turns to passive mode, and the next one starts there; the tool
// does the same and says so.
class FtpRealServerWithoutActive : public FtpRealServer, public ::testing::WithParamInterface<const char*> {
 protected:
  std::vector<std::string> ServerOptions() const override { return {"--active", GetParam()}; }
};

TEST_P(FtpRealServerWithoutActive, DownloadTurnsToPassiveMode) {
  TFtpClient client;
  EventLog events;
  events.Attach(client);
  SetUpClient(client, port_);
  client.Connect();
  std::string local = ToWinPath(Host("ZAV.ZIP"));
  client.Size(site_ + "/Area_Download/ZAV.ZIP");  // as the steps do: it leaves the server in image type
  events.Take();
  client.Get(site_ + "/Area_Download/ZAV.ZIP", local, true, true);
  EXPECT_EQ(ReadFile(Host("ZAV.ZIP")), content_);
  EXPECT_TRUE(client.SwitchedToPassive());
  std::vector<std::string> lines = events.Take();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 4),
            (std::vector<std::string>{"status 6 Starting FTP transfer", "status 8 Transfer aborted",
                                      "status 5 Active mode failed, switching to passive mode",
                                      "status 6 Starting FTP transfer"}));
  EXPECT_EQ(lines.back(), "status 7 Transfer complete");

  std::filesystem::remove(Host("ZAV.ZIP"));
  client.Get(site_ + "/Area_Download/ZAV.ZIP", local, true, true);
  EXPECT_EQ(ReadFile(Host("ZAV.ZIP")), content_);
  lines = events.Take();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "status 6 Starting FTP transfer"), 1);
  client.Disconnect();

  std::string tool = ToolProgram("vorn-ftpget");
  if (!std::filesystem::exists(tool)) GTEST_SKIP() << "vorn-ftpget is not built";
  int status = -1;
  std::string out = RunTool(tool + " 127.0.0.1 " + std::to_string(port_) + " zavupdate tovari " + site_ +
                                "/Area_Download/ZAV.ZIP " + PathText(Host("got.zip")) + " --read-timeout 3000",
                            status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(ReadFile(Host("got.zip")), content_);
  EXPECT_NE(out.find("status 8 Transfer aborted\nstatus 5 Active mode failed, switching to passive mode\n"
                     "status 6 Starting FTP transfer\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.substr(out.size() - 3), "ok\n");
}

INSTANTIATE_TEST_SUITE_P(Active, FtpRealServerWithoutActive, ::testing::Values("refuse", "unreachable"));

}  // namespace
}  // namespace vorn::test
