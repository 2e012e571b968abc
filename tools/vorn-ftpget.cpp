// vorn-ftpget: downloads one file the way the download steps do, printing
// every event of the FTP client as one line, for support staff and scripts.
//
//   vorn-ftpget HOST PORT USER PASSWORD REMOTE LOCAL [--account A]
//               [--no-extension-port] [--passive] [--read-timeout MS]
//               [--listen-timeout MS] [--transfer-timeout MS]
//               [--resume-pause MS]
//
// Like the steps, it starts in active mode, turns to passive mode when the
// server cannot connect back, and resumes a transfer cut short; each of
// these says so in a "status 5" line. --passive starts in passive mode.
//
// Output (a stable format that scripts parse), one line per event:
//   status <number> <text> | workbegin <read|write> <max> |
//   work <read|write> <count> | workend <read|write> | size <n>
// and last "ok" (exit 0) or "error <class> <message>" (exit 1). Carriage
// returns and line feeds inside texts are written as \r and \n.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "ftp/FtpClient.h"
#include "ftp/FtpErrors.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/Socket.h"
#include "platform/WinFile.h"
#include "platform/WinPath.h"

using namespace vorn;

namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

void Line(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

const char* ModeName(TWorkMode mode) { return mode == wmRead ? "read" : "write"; }

int Usage(std::FILE* out = stderr, int status = 2) {
  std::fputs(
      "usage: vorn-ftpget HOST PORT USER PASSWORD REMOTE LOCAL [--account A] [--no-extension-port]\n"
      "                   [--passive] [--read-timeout MS] [--listen-timeout MS] [--transfer-timeout MS]\n"
      "                   [--resume-pause MS]\n"
      "Downloads REMOTE into LOCAL as the download steps do, printing every event of the client:\n"
      "active mode first, passive mode when the server cannot connect back (or from the start with\n"
      "--passive), and a transfer cut short resumed up to three times, the first after the pause.\n"
      "Exit status: 0 downloaded (last line \"ok\"), 1 the download failed (last line \"error ...\"),\n"
      "2 wrong usage.\n",
      out);
  return status;
}

bool ParseNumber(const char* text, long min, long max, long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtol(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && value >= min && value <= max;
}

std::string ErrorLine(const std::exception& e) {
  const char* name = "Exception";
  if (auto ftp = dynamic_cast<const EFtpError*>(&e)) name = ftp->ClassName();
  else if (dynamic_cast<const FileError*>(&e)) name = "FileError";
  else if (dynamic_cast<const SocketError*>(&e)) name = "SocketError";
  return std::string("error ") + name + " " + Escape(e.what());
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine commandLine(argc, argv);  // UTF-8 arguments and output on every host
  argc = commandLine.Argc();
  argv = commandLine.Argv();
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") return Usage(stdout, 0);
  }
  if (argc < 7) return Usage();
  TFtpClient client;
  long port = 0;
  if (!ParseNumber(argv[2], 1, 65535, port)) return Usage();
  // The settings of the main window and of the download steps.
  client.Host = argv[1];
  client.Port = static_cast<uint16_t>(port);
  client.Username = argv[3];
  client.Password = argv[4];
  client.UseExtensionDataPort = true;
  client.ListenTimeout = 100000;
  client.TransferTimeout = 100000;
  std::string remote = argv[5];
  std::string local = WinPathFromUser(argv[6]);
  for (int i = 7; i < argc; ++i) {
    std::string option = argv[i];
    long value = 0;
    if (option == "--no-extension-port") {
      client.UseExtensionDataPort = false;
    } else if (option == "--passive") {
      client.Passive = true;
    } else if (i + 1 < argc && option == "--account") {
      client.Account = argv[++i];
    } else if (i + 1 < argc && (option == "--read-timeout" || option == "--listen-timeout" ||
                                option == "--transfer-timeout" || option == "--resume-pause")) {
      if (!ParseNumber(argv[++i], 0, 2147483647, value)) return Usage();
      int32_t ms = static_cast<int32_t>(value);
      if (option == "--read-timeout") client.ReadTimeout = ms;
      else if (option == "--listen-timeout") client.ListenTimeout = ms;
      else if (option == "--resume-pause") client.ResumePause = ms;
      else client.TransferTimeout = ms;
    } else {
      return Usage();
    }
  }

  client.OnStatus = [](void*, TFtpStatus status, const std::string& text) {
    Line("status " + std::to_string(static_cast<int>(status)) + " " + Escape(text));
  };
  client.OnWorkBegin = [](void*, TWorkMode mode, int64_t max) {
    Line(std::string("workbegin ") + ModeName(mode) + " " + std::to_string(max));
  };
  client.OnWork = [](void*, TWorkMode mode, int64_t count) {
    Line(std::string("work ") + ModeName(mode) + " " + std::to_string(count));
  };
  client.OnWorkEnd = [](void*, TWorkMode mode) { Line(std::string("workend ") + ModeName(mode)); };

  std::string failure;
  try {
    // The download steps call Connect until the client reports itself
    // connected; a server that keeps dropping us must not loop forever.
    for (int attempt = 0; attempt < 3 && !client.Connected(); ++attempt) client.Connect();
    DeleteFile(local);
    Line("size " + std::to_string(client.Size(remote)));
    client.Get(remote, local, true, true);
  } catch (const std::exception& e) {
    failure = ErrorLine(e);
  }
  try {
    client.Disconnect();
  } catch (const std::exception& e) {
    if (failure.empty()) failure = ErrorLine(e);
  }
  Line(failure.empty() ? "ok" : failure);
  return failure.empty() ? 0 : 1;
}
