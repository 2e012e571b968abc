// Shared pieces of the FTP client's tests: an event recorder, a client set
// up as the main window sets it up (with short time-outs), and a fixture
// with a temporary C: drive.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ftp/FtpClient.h"
#include "tests/support/ScratchFolder.h"

namespace vorn::test {

// Every event as one line: "status <n> <text>", "begin <mode> <max>",
// "work <mode> <count>", "end <mode>".
struct EventLog {
  std::vector<std::string> Lines;

  void Attach(TFtpClient& client) {
    client.OnStatus = [this](void*, TFtpStatus status, const std::string& text) {
      Lines.push_back("status " + std::to_string(static_cast<int>(status)) + " " + text);
    };
    client.OnWorkBegin = [this](void*, TWorkMode mode, int64_t max) {
      Lines.push_back(std::string("begin ") + (mode == wmRead ? "read " : "write ") + std::to_string(max));
    };
    client.OnWork = [this](void*, TWorkMode mode, int64_t count) {
      Lines.push_back(std::string("work ") + (mode == wmRead ? "read " : "write ") + std::to_string(count));
    };
    client.OnWorkEnd = [this](void*, TWorkMode mode) {
      Lines.push_back(std::string("end ") + (mode == wmRead ? "read" : "write"));
    };
  }
  std::vector<std::string> Take() { return std::exchange(Lines, {}); }
};

// The source tree: VORN_SOURCE_DIR, or else the one the tests were built
// from (this file's own path can be relative when the compiler is cached).
inline std::filesystem::path SourceDir() {
  if (const char* dir = std::getenv("VORN_SOURCE_DIR")) return dir;
  return VORN_TEST_SOURCE_DIR;
}

inline void SetUpClient(TFtpClient& client, uint16_t port) {
  client.Host = "127.0.0.1";
  client.Port = port;
  client.Username = "zavupdate";
  client.Password = "tovari";
  client.UseExtensionDataPort = true;
  client.ReadTimeout = 3000;
  client.ListenTimeout = 3000;
  client.TransferTimeout = 3000;
}

// The status lines of a successful Connect to an address.
inline std::vector<std::string> ConnectStatuses() {
  return {"status 1 Connecting to 127.0.0.1.", "status 2 Connected.", "status 7 Connection established"};
}

// The commands of a successful Connect with default settings, after the
// login helper of the scripted server.
inline std::vector<std::string> LoginCommands() {
  return {"HOST [127.0.0.1]", "USER zavupdate", "PASS tovari", "FEAT", "TYPE A", "SYST", "TYPE A"};
}

// A temporary folder standing for drive C:.
class TempDriveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_.emplace("vorn-ftp");
    root_ = scratch_->Point("VORN_DRIVE_C", "");
  }
  void TearDown() override { scratch_.reset(); }

  std::filesystem::path Host(const std::string& name) const { return root_ / name; }
  static std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }
  static void WriteFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
  }

  std::filesystem::path root_;

 private:
  std::optional<test::ScratchFolder> scratch_;
};

// Bytes that are not all alike, so that a shifted or repeated block shows.
inline std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  uint32_t x = 2463534242u;
  for (auto& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<char>(x);
  }
  return bytes;
}

}  // namespace vorn::test
