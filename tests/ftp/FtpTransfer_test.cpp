// The size query and retrievals against the scripted server: command
// sequences, events, the local file afterwards, and the data connection's
// failures (time-outs, refused replies, a foreign caller on the data port).
#include <gtest/gtest.h>

#include <cstdio>

#include <regex>

#include "ftp/FtpClient.h"
#include "ftp/FtpErrors.h"
#include "platform/UserInterface.h"
#include "platform/WinFile.h"
#include "platform/WinPath.h"
#include "tests/ftp/FtpTestSupport.h"
#include "tests/ftp/ScriptedFtpServer.h"

namespace vorn::test {
namespace {

using Lines = std::vector<std::string>;

// The probe, the port and the restart of a first retrieval with "EPRT".
void FirstRetrievalPrelude(FtpSession& s) {
  s.Answer("350 Restarting at 1");
  s.Answer("350 Restarting at 0");
  s.Answer("200 EPRT command successful");
  s.Answer("350 Restarting at 0");
}

Lines Without(const Lines& all, size_t count) { return Lines(all.begin() + static_cast<long>(count), all.end()); }

class FtpTransfer : public TempDriveTest {
 protected:
  void Start(ScriptedFtpServer::Script script) {
    server_ = std::make_unique<ScriptedFtpServer>(std::move(script));
    events_.Attach(client_);
    SetUpClient(client_, server_->Port());
    client_.Connect();
    events_.Take();
  }
  // The commands after the login.
  Lines Commands() { return Without(server_->Commands(), LoginCommands().size()); }
  void Finish() {
    client_.Disconnect(false);
    server_->Join();
  }
  std::string Local(const std::string& name) { return ToWinPath(Host(name)); }

  std::unique_ptr<ScriptedFtpServer> server_;
  TFtpClient client_;
  EventLog events_;
};

TEST_F(FtpTransfer, FirstRetrievalProbesRestartAndLaterOnesDoNot) {
  std::string content = Pattern(100000);
  Start([&](FtpSession& s) {
    s.Login();
    s.Answer("200 Type set to I");
    s.Answer("213 100000");
    s.Answer("200 Type set to I");
    FirstRetrievalPrelude(s);
    s.ServeRetr(content);
    s.Answer("200 EPRT command successful");
    s.Answer("350 Restarting at 0");
    s.ServeRetr("small");
  });
  EXPECT_EQ(client_.Size("/vorn/Area_Download/ZAV.ZIP"), 100000);
  EXPECT_EQ(client_.TransferType(), ftASCII);
  client_.Get("/vorn/Area_Download/ZAV.ZIP", Local("ZAV.ZIP"), true, true);
  EXPECT_EQ(ReadFile(Host("ZAV.ZIP")), content);
  EXPECT_EQ(events_.Take(), (Lines{"status 6 Starting FTP transfer", "begin read 0", "work read 32768",
                                   "work read 65536", "work read 98304", "work read 100000", "end read",
                                   "status 7 Transfer complete"}));
  EXPECT_TRUE(client_.CanResume());

  std::filesystem::remove(Host("ZAV.ZIP"));
  client_.Get("/vorn/Area_Download/ZAV.ZIP", Local("ZAV.ZIP"), true, true);
  EXPECT_EQ(ReadFile(Host("ZAV.ZIP")), "small");
  EXPECT_EQ(events_.Take(), (Lines{"status 6 Starting FTP transfer", "begin read 0", "work read 5", "end read",
                                   "status 7 Transfer complete"}));
  Finish();
  Lines commands = Commands();
  ASSERT_EQ(commands.size(), 11u);
  EXPECT_EQ(Lines(commands.begin(), commands.begin() + 5),
            (Lines{"TYPE A", "SIZE /vorn/Area_Download/ZAV.ZIP", "TYPE I", "REST 1", "REST 0"}));
  std::regex eprt(R"(EPRT \|1\|127\.0\.0\.1\|[0-9]+\|)");
  EXPECT_TRUE(std::regex_match(commands[5], eprt)) << commands[5];
  EXPECT_EQ(commands[6], "REST 0");
  EXPECT_EQ(commands[7], "RETR /vorn/Area_Download/ZAV.ZIP");
  EXPECT_TRUE(std::regex_match(commands[8], eprt)) << commands[8];
  EXPECT_EQ(Lines(commands.begin() + 9, commands.end()), (Lines{"REST 0", "RETR /vorn/Area_Download/ZAV.ZIP"}));
  EXPECT_EQ(server_->Failure(), "");
}

TEST_F(FtpTransfer, SizeAnswers) {
  Start([](FtpSession& s) {
    s.Login();
    for (const char* reply : {"550 No such file", "213 12 abc", "213 4831838208", "213 Size: 77"}) {
      s.Answer("200 Type set to I");
      s.Answer(reply);
      s.Answer("200 Type set to A");
    }
    s.Answer("504 Type not implemented");
  });
  EXPECT_EQ(client_.Size("/a"), -1);
  EXPECT_EQ(client_.Size("/b"), -1);  // everything up to the blank goes, "abc" is no number
  EXPECT_EQ(client_.Size("/c"), 4831838208);
  EXPECT_EQ(client_.Size("/d"), 77);
  try {
    client_.Size("/e");
    ADD_FAILURE();
  } catch (const EFtpReplyRFCError& e) {
    EXPECT_EQ(e.ErrorCode(), 504);
  }
  EXPECT_EQ(Without(Commands(), 0).at(0), "TYPE A");
  EXPECT_EQ(Commands().at(1), "SIZE /a");
  EXPECT_EQ(Commands().at(2), "TYPE I");
}

TEST_F(FtpTransfer, SettingTheTypeSendsTheLetterOfTheOldOne) {
  Start([](FtpSession& s) {
    s.Login();
    s.Answer("200 Type set to I");
    s.Answer("200 Type set to A");
  });
  client_.SetTransferType(ftBinary);
  client_.SetTransferType(ftBinary);  // unchanged: nothing sent
  client_.SetTransferType(ftASCII);
  Finish();
  EXPECT_EQ(Commands(), (Lines{"TYPE A", "TYPE I"}));
}

TEST_F(FtpTransfer, WithoutRestartSupportTheFileIsReplacedAndNoRestSent) {
  WriteFile(Host("ZAV.ZIP"), "an older download that is longer than the new one");
  Start([](FtpSession& s) {
    s.Login();
    s.Answer("502 REST not implemented");
    s.Answer("502 REST not implemented");
    s.Answer("200 EPRT command successful");
    s.ServeRetr("new");
  });
  client_.Get("/z", Local("ZAV.ZIP"), true, true);
  EXPECT_EQ(ReadFile(Host("ZAV.ZIP")), "new");
  EXPECT_FALSE(client_.CanResume());
  Finish();
  Lines commands = Commands();
  ASSERT_EQ(commands.size(), 4u);
  EXPECT_EQ(commands[3], "RETR /z");

  // The probe's answer lasts for the client's life, across connections.
  ScriptedFtpServer again([](FtpSession& s) {
    s.Login();
    s.Answer("200 EPRT command successful");
    s.ServeRetr("again");
  });
  client_.Port = again.Port();
  client_.Connect();
  client_.Get("/z", Local("ZAV.ZIP"), true, true);
  EXPECT_EQ(ReadFile(Host("ZAV.ZIP")), "again");
  client_.Disconnect(false);
  again.Join();
  EXPECT_EQ(Without(again.Commands(), LoginCommands().size()).at(1), "RETR /z");
}

TEST_F(FtpTransfer, ExistingFileWithRestartSupportIsRefusedBeforeAnyTransfer) {
  WriteFile(Host("ZAV.ZIP"), "keep me");
  Start([](FtpSession& s) {
    s.Login();
    s.Answer("350 Restarting at 1");
    s.Answer("350 Restarting at 0");
  });
  try {
    client_.Get("/z", Local("ZAV.ZIP"), true, true);
    ADD_FAILURE();
  } catch (const EFtpFileAlreadyExists& e) {
    EXPECT_STREQ(e.what(), "Destination file already exists.");
  }
  EXPECT_TRUE(events_.Take().empty());
  EXPECT_EQ(ReadFile(Host("ZAV.ZIP")), "keep me");
  // Neither overwrite nor restart: refused too.
  EXPECT_THROW(client_.Get("/z", Local("ZAV.ZIP"), false, false), EFtpFileAlreadyExists);
  Finish();
  EXPECT_EQ(Commands(), (Lines{"REST 1", "REST 0"}));
}

TEST_F(FtpTransfer, RestartContinuesAnExistingFileAtItsEnd) {
  WriteFile(Host("part.bin"), "first half,");
  Start([](FtpSession& s) {
    s.Login();
    FirstRetrievalPrelude(s);  // the last REST is the restart point here
    s.ServeRetr("second half");
  });
  client_.Get("/part.bin", Local("part.bin"), false, true);
  EXPECT_EQ(ReadFile(Host("part.bin")), "first half,second half");
  Finish();
  EXPECT_EQ(Commands().at(3), "REST 11");
}

TEST_F(FtpTransfer, MissingRemoteFileLeavesAnEmptyLocalFile) {
  Start([](FtpSession& s) {
    s.Login();
    FirstRetrievalPrelude(s);
    s.Answer("550 /z: No such file or directory");
  });
  try {
    client_.Get("/z", Local("ZAV.ZIP"), true, true);
    ADD_FAILURE();
  } catch (const EFtpReplyRFCError& e) {
    EXPECT_EQ(e.ErrorCode(), 550);
    EXPECT_STREQ(e.what(), "/z: No such file or directory\r\n");
  }
  EXPECT_EQ(events_.Take(), (Lines{"status 6 Starting FTP transfer", "status 8 Transfer aborted"}));
  EXPECT_TRUE(std::filesystem::exists(Host("ZAV.ZIP")));
  EXPECT_EQ(ReadFile(Host("ZAV.ZIP")), "");
}

TEST_F(FtpTransfer, RefusedEprtFallsBackOnPortForTheRestOfTheConnection) {
  Start([](FtpSession& s) {
    s.Login();
    s.Answer("350 Restarting at 1");
    s.Answer("350 Restarting at 0");
    s.Answer("500 EPRT not understood");
    s.Answer("200 PORT command successful");
    s.Answer("350 Restarting at 0");
    s.ServeRetr("one");
    s.Answer("200 PORT command successful");
    s.Answer("350 Restarting at 0");
    s.ServeRetr("two");
  });
  client_.Get("/1", Local("1"), true, true);
  client_.Get("/2", Local("2"), true, true);
  EXPECT_EQ(ReadFile(Host("1")), "one");
  EXPECT_EQ(ReadFile(Host("2")), "two");
  EXPECT_FALSE(client_.UsingExtDataPort());
  Finish();
  Lines commands = Commands();
  std::regex port(R"(PORT 127,0,0,1,[0-9]+,[0-9]+)");
  EXPECT_TRUE(std::regex_match(commands.at(2), std::regex("EPRT .*")));
  EXPECT_TRUE(std::regex_match(commands.at(3), port)) << commands.at(3);
  EXPECT_TRUE(std::regex_match(commands.at(6), port)) << commands.at(6);
}

TEST_F(FtpTransfer, ServerWithoutEpsvGetsPortOnly) {
  Start([](FtpSession& s) {
    s.Login("211-Features:\n EPRT\n SIZE\n211 End");
    s.Answer("350 Restarting at 1");
    s.Answer("350 Restarting at 0");
    s.Answer("200 PORT command successful");
    s.Answer("350 Restarting at 0");
    s.ServeRetr("data");
  });
  client_.Get("/d", Local("d"), true, true);
  Finish();
  EXPECT_TRUE(std::regex_match(Commands().at(2), std::regex(R"(PORT 127,0,0,1,\d+,\d+)")));
}

TEST_F(FtpTransfer, BlockBoundaries) {
  for (size_t size : {size_t{0}, size_t{65536}, size_t{32769}}) {
    std::string content = Pattern(size);
    ScriptedFtpServer server([&](FtpSession& s) {
      s.Login();
      FirstRetrievalPrelude(s);
      s.ServeRetr(content);
    });
    TFtpClient client;
    EventLog events;
    events.Attach(client);
    SetUpClient(client, server.Port());
    client.Connect();
    events.Take();
    std::string name = "f" + std::to_string(size);
    client.Get("/f", Local(name), true, true);
    EXPECT_EQ(ReadFile(Host(name)), content);
    Lines expected{"status 6 Starting FTP transfer", "begin read 0"};
    if (size == 65536) expected.insert(expected.end(), {"work read 32768", "work read 65536"});
    if (size == 32769) expected.insert(expected.end(), {"work read 32768", "work read 32769"});
    expected.insert(expected.end(), {"end read", "status 7 Transfer complete"});
    EXPECT_EQ(events.Take(), expected) << size;
  }
}

TEST_F(FtpTransfer, AcceptTimeOutThenTheFinalReplyDecides) {
  for (const char* finalReply : {"425 Can't open data connection.", "226 Nothing sent"}) {
    std::filesystem::remove(Host("f"));
    ScriptedFtpServer server([&](FtpSession& s) {
      s.Login();
      FirstRetrievalPrelude(s);
      s.Answer("150 Opening BINARY mode data connection");
      s.Sleep(400);  // never connects
      s.Reply(finalReply);
    });
    TFtpClient client;
    EventLog events;
    events.Attach(client);
    SetUpClient(client, server.Port());
    client.ListenTimeout = 200;
    client.Connect();
    events.Take();
    try {
      client.Get("/f", Local("f"), true, true);
      ADD_FAILURE();
    } catch (const EFtpReplyRFCError& e) {
      EXPECT_EQ(e.ErrorCode(), 425);
    } catch (const EFtpAcceptTimeout& e) {
      EXPECT_STREQ(e.what(), "Accept timed out.");
      EXPECT_EQ(finalReply[0], '2');
    }
    EXPECT_EQ(events.Take(), (Lines{"status 6 Starting FTP transfer", "status 7 Transfer complete"}));
  }
}

TEST_F(FtpTransfer, TransferTimeOutWritesWhatCame) {
  std::string content = Pattern(40000);
  Start([&](FtpSession& s) {
    s.Login();
    FirstRetrievalPrelude(s);
    s.Answer("150 Opening BINARY mode data connection");
    Fd data = s.ConnectBack();
    FtpSession::SendData(data, content);
    FtpSession::WaitPeerClose(data, 3000);  // stalls until the client gives up
    s.Reply("226 Transfer complete");
  });
  client_.TransferTimeout = 300;
  try {
    client_.Get("/f", Local("f"), true, true);
    ADD_FAILURE();
  } catch (const EFtpReadTimeout& e) {
    EXPECT_STREQ(e.what(), "Read timed out.");
  }
  EXPECT_EQ(ReadFile(Host("f")), content);
  EXPECT_EQ(events_.Take(), (Lines{"status 6 Starting FTP transfer", "begin read 0", "work read 32768",
                                   "work read 40000", "end read", "status 7 Transfer complete"}));
}

TEST_F(FtpTransfer, BrokenOffTransferReportsTheFinalReply) {
  Start([](FtpSession& s) {
    s.Login();
    FirstRetrievalPrelude(s);
    s.ServeRetr("partial", "426 Connection closed; transfer aborted.");
  });
  try {
    client_.Get("/f", Local("f"), true, true);
    ADD_FAILURE();
  } catch (const EFtpReplyRFCError& e) {
    EXPECT_EQ(e.ErrorCode(), 426);
    EXPECT_STREQ(e.what(), "Connection closed; transfer aborted.\r\n");
  }
  EXPECT_EQ(events_.Lines.back(), "status 7 Transfer complete");
  EXPECT_EQ(ReadFile(Host("f")), "partial");
}

TEST_F(FtpTransfer, ForeignCallerOnTheDataPortIsTurnedAway) {
  std::string content = Pattern(50000);
  bool foreignClosed = false;
  Start([&](FtpSession& s) {
    s.Login();
    FirstRetrievalPrelude(s);
    s.Answer("150 Opening BINARY mode data connection");
    {
      // On Linux all of 127.0.0.0/8 is local: 127.0.0.2 is another host
      // as far as the client can tell.
      Fd forged = s.ConnectBack("127.0.0.2");
      FtpSession::SendData(forged, "FORGED BYTES");
      foreignClosed = FtpSession::WaitPeerClose(forged, 2000);
    }
    Fd data = s.ConnectBack();
    FtpSession::SendData(data, content);
    data.Close();
    s.Reply("226 Transfer complete");
  });
  client_.Get("/f", Local("f"), true, true);
  EXPECT_EQ(ReadFile(Host("f")), content);
  Finish();
  EXPECT_TRUE(foreignClosed);
  EXPECT_EQ(server_->Failure(), "");
}

TEST_F(FtpTransfer, OnlyForeignCallersEndInAcceptTimeOut) {
  Start([](FtpSession& s) {
    s.Login();
    FirstRetrievalPrelude(s);
    s.Answer("150 Opening BINARY mode data connection");
    Fd forged = s.ConnectBack("127.0.0.3");
    FtpSession::SendData(forged, "FORGED");
    FtpSession::WaitPeerClose(forged, 2000);
    s.Reply("425 No data connection");
  });
  client_.ListenTimeout = 500;
  EXPECT_THROW(client_.Get("/f", Local("f"), true, true), EFtpReplyRFCError);
  EXPECT_EQ(ReadFile(Host("f")), "");
}

TEST_F(FtpTransfer, FailingWorkBeginLeavesTheReadLevelRaisedForever) {
  Start([](FtpSession& s) {
    s.Login();
    FirstRetrievalPrelude(s);
    s.ServeRetr(Pattern(100));
    s.Answer("200 EPRT command successful");
    s.Answer("350 Restarting at 0");
    s.ServeRetr(Pattern(1000));
  });
  auto record = client_.OnWorkBegin;
  client_.OnWorkBegin = [&](void* sender, TWorkMode mode, int64_t max) {
    record(sender, mode, max);
    throw EInvalidOperation("Property value out of range");
  };
  EXPECT_THROW(client_.Get("/f", Local("f"), true, true), EInvalidOperation);
  // "226 Transfer complete" CR LF is 23 bytes, now counted as work.
  EXPECT_EQ(events_.Take(), (Lines{"status 6 Starting FTP transfer", "begin read 0", "status 7 Transfer complete",
                                   "work read 23"}));
  std::filesystem::remove(Host("f"));
  client_.Get("/f", Local("f"), true, true);
  EXPECT_EQ(ReadFile(Host("f")).size(), 1000u);
  // Reply lines are counted too now; begin and end only move the level.
  int64_t count = 23;
  auto after = [&](const std::string& reply) { return "work read " + std::to_string(count += reply.size() + 2); };
  Lines expected{"status 6 Starting FTP transfer", after("200 EPRT command successful"),
                 after("350 Restarting at 0"), after("150 Opening BINARY mode data connection")};
  count += 1000;
  expected.push_back("work read " + std::to_string(count));
  expected.push_back("status 7 Transfer complete");
  expected.push_back(after("226 Transfer complete"));
  EXPECT_EQ(events_.Take(), expected);
}

TEST_F(FtpTransfer, StreamRetrievalRestartsAtThePositionAndCutsTheRest) {
  Start([](FtpSession& s) {
    s.Login();
    FirstRetrievalPrelude(s);
    s.ServeRetr("def");
    s.Answer("200 EPRT command successful");
    s.ServeRetr("XY");
  });
  TFtpMemoryStream resumed("abc", 3);
  client_.Get("/s", resumed, true);
  EXPECT_EQ(resumed.Data(), "abcdef");
  TFtpMemoryStream overwritten("abcdef", 2);
  client_.Get("/s", overwritten, false);
  EXPECT_EQ(overwritten.Data(), "abXY");
  Finish();
  EXPECT_EQ(Commands().at(3), "REST 3");
  EXPECT_EQ(Commands().at(6), "RETR /s");
}

TEST_F(FtpTransfer, DataPortSettings) {
  // A port taken by someone else cannot be listened on.
  Fd taken(OpenStreamSocket());
  ASSERT_TRUE(BindSocket(taken.Get(), 0x7F000001, 0));
  ListenSocket(taken.Get(), 1);
  const uint16_t takenPort = LocalPort(taken.Get());
  Start([](FtpSession& s) {
    s.Login();
    s.Answer("350 Restarting at 1");
    s.Answer("350 Restarting at 0");
    s.Answer("200 EPRT command successful");
    s.Answer("350 Restarting at 0");
    s.ServeRetr("ranged");
  });
  client_.DataPort = takenPort;
  try {
    client_.Get("/f", Local("f"), true, true);
    ADD_FAILURE();
  } catch (const EFtpCouldNotBindSocket& e) {
    EXPECT_STREQ(e.what(), "Could not bind socket. Address and port are already in use.");
  }
  // The last reply was the probe's 350: nothing more is read.
  EXPECT_EQ(events_.Take(), (Lines{"status 6 Starting FTP transfer", "status 8 Transfer aborted"}));

  // A range: the first free port in it. The port is announced with the
  // external address when one is set.
  std::filesystem::remove(Host("f"));
  client_.DataPort = 0;
  client_.DataPortMin = takenPort;
  client_.DataPortMax = static_cast<uint16_t>(takenPort + 20);
  client_.ExternalIP = "127.0.0.1";
  client_.Get("/f", Local("f"), true, true);
  EXPECT_EQ(ReadFile(Host("f")), "ranged");

  // After a good retrieval the last reply is its 226: a port that cannot be
  // listened on is still reported at once, with no wait for a final reply
  // that no command asked for.
  std::filesystem::remove(Host("f"));
  client_.DataPort = takenPort;
  events_.Take();
  EXPECT_THROW(client_.Get("/f", Local("f"), true, true), EFtpCouldNotBindSocket);
  taken.Close();
  EXPECT_EQ(events_.Take(), (Lines{"status 6 Starting FTP transfer", "status 8 Transfer aborted"}));
  Finish();
  EXPECT_EQ(Commands().back(), "RETR /f");
  unsigned port = 0;
  ASSERT_EQ(std::sscanf(Commands().at(2).c_str(), "EPRT |1|127.0.0.1|%u|", &port), 1);
  EXPECT_GE(port, takenPort);
  EXPECT_LE(port, takenPort + 20u);
}

TEST_F(FtpTransfer, UncreatableLocalFileRaisesBeforeAnyTransferCommand) {
  Start([](FtpSession& s) {
    s.Login();
    s.Answer("502 No restarts");
    s.Answer("502 No restarts");
  });
  try {
    client_.Get("/z", "C:\\missing folder\\ZAV.ZIP", true, true);
    ADD_FAILURE();
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("ZAV.ZIP"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(events_.Take().empty());
  Finish();
  EXPECT_EQ(Commands(), (Lines{"REST 1", "REST 0"}));
}

}  // namespace
}  // namespace vorn::test
