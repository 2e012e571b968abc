// The control connection and the login, against the scripted server: the
// exact commands the server receives and the status events the client sends.
#include "ftp/FtpClient.h"

#include <gtest/gtest.h>

#include <chrono>

#include "ftp/FtpErrors.h"
#include "tests/ftp/FtpTestSupport.h"
#include "tests/ftp/ScriptedFtpServer.h"

namespace vorn::test {
namespace {

using Lines = std::vector<std::string>;

template <typename Error>
Error Catch(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "expected error not raised";
  return Error(0, "");
}

TEST(FtpConnect, AddressGivesHostInBracketsAndThreeStatuses) {
  ScriptedFtpServer server([](FtpSession& s) { s.Login(); });
  TFtpClient client;
  EventLog events;
  events.Attach(client);
  SetUpClient(client, server.Port());
  client.Connect();
  EXPECT_TRUE(client.Connected());
  EXPECT_EQ(events.Take(), ConnectStatuses());
  EXPECT_EQ(client.Greeting.Text, Lines{"Scripted FTP server ready"});
  EXPECT_EQ(client.SystemDesc, "UNIX Type: L8");
  EXPECT_EQ(client.Capabilities, (Lines{"EPRT", "EPSV", "SIZE", "REST STREAM"}));
  EXPECT_TRUE(client.UsingExtDataPort());
  client.Disconnect();
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(events.Take(), (Lines{"status 3 Disconnecting.", "status 4 Disconnected."}));
  server.Join();
  Lines expected = LoginCommands();
  expected.push_back("QUIT");
  EXPECT_EQ(server.Commands(), expected);
  EXPECT_EQ(server.Failure(), "");
}

TEST(FtpConnect, NameIsResolvedFirstAndSentPlainWithHost) {
  ScriptedFtpServer server([](FtpSession& s) { s.Login(); });
  TFtpClient client;
  EventLog events;
  events.Attach(client);
  SetUpClient(client, server.Port());
  client.Host = "LocalHost";
  client.Connect();
  EXPECT_EQ(events.Take(), (Lines{"status 0 Resolving hostname LocalHost.", "status 1 Connecting to 127.0.0.1.",
                                  "status 2 Connected.", "status 7 Connection established"}));
  client.Disconnect();
  server.Join();
  EXPECT_EQ(server.Commands().at(0), "HOST LocalHost");
}

TEST(FtpConnect, ServiceReadyLaterThenGreetingIsAccepted) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Reply("120 Service ready in 1 minute");
    s.Login();
  });
  TFtpClient client;
  SetUpClient(client, server.Port());
  client.Connect();
  EXPECT_EQ(client.Greeting.NumericCode, 220);
}

TEST(FtpConnect, RefusedGreetingRaisesWithoutQuit) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Reply("421 Too many users");
    s.WaitClientClose(3000);
  });
  TFtpClient client;
  EventLog events;
  events.Attach(client);
  SetUpClient(client, server.Port());
  auto error = Catch<EFtpReplyRFCError>([&] { client.Connect(); });
  EXPECT_EQ(error.ErrorCode(), 421);
  EXPECT_STREQ(error.what(), "Too many users\r\n");
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(events.Take(), (Lines{"status 1 Connecting to 127.0.0.1.", "status 2 Connected.",
                                  "status 3 Disconnecting.", "status 4 Disconnected."}));
  server.Join();
  EXPECT_TRUE(server.Commands().empty());
}

TEST(FtpConnect, HostAnsweredWith220ReplacesTheGreeting) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Reply("220 Front door");
    s.Answer("220 Virtual host ready");
    s.Answer("331 Password required");
    s.Answer("230 Logged in");
    s.Answer("500 FEAT not understood");
    s.Answer("200 Type set to A");
    s.Answer("500 SYST not understood");
    s.Answer("200 Type set to A");
  });
  TFtpClient client;
  SetUpClient(client, server.Port());
  client.Connect();
  EXPECT_EQ(client.Greeting.Text, Lines{"Virtual host ready"});
  EXPECT_EQ(client.SystemDesc, "Unknown");
  // No features: data connections fall back on "PORT".
  EXPECT_TRUE(client.Capabilities.empty());
  EXPECT_FALSE(client.UsingExtDataPort());
}

TEST(FtpConnect, SecondConnectWhileConnectedIsRefused) {
  ScriptedFtpServer server([](FtpSession& s) { s.Login(); });
  TFtpClient client;
  SetUpClient(client, server.Port());
  client.Connect();
  EXPECT_THROW(client.Connect(), EFtpAlreadyConnected);
  try {
    client.Connect();
  } catch (const EFtpAlreadyConnected& e) {
    EXPECT_STREQ(e.what(), "Already connected.");
  }
}

TEST(FtpConnect, MissingHostOrPortAndCommandsWithoutConnection) {
  TFtpClient client;
  EXPECT_FALSE(client.Connected());
  EXPECT_THROW(client.Connect(), EFtpHostRequired);
  client.Host = "127.0.0.1";
  client.Port = 0;
  EXPECT_THROW(client.Connect(), EFtpPortRequired);
  try {
    client.SendCmd("NOOP");
    ADD_FAILURE();
  } catch (const EFtpNotConnected& e) {
    EXPECT_STREQ(e.what(), "Not Connected");
  }
  EXPECT_NO_THROW(client.Disconnect());
}

TEST(FtpConnect, RefusedConnectionReportsWindowsSocketsErrorThenRetryWorks) {
  // A port that was free a moment ago: nobody listens there.
  uint16_t closedPort;
  {
    ScriptedFtpServer probe([](FtpSession&) {});
    closedPort = probe.Port();
  }
  TFtpClient client;
  EventLog events;
  events.Attach(client);
  SetUpClient(client, closedPort);
  auto error = Catch<EFtpSocketError>([&] { client.Connect(); });
  EXPECT_EQ(error.ErrorCode(), 10061);
  EXPECT_STREQ(error.what(), "Socket Error # 10061\r\nConnection refused.");
  EXPECT_EQ(events.Take(), Lines{"status 1 Connecting to 127.0.0.1."});
  EXPECT_FALSE(client.Connected());

  ScriptedFtpServer server([](FtpSession& s) { s.Login(); });
  client.Port = server.Port();
  client.Connect();
  EXPECT_TRUE(client.Connected());
}

TEST(FtpConnect, UnknownHostName) {
  TFtpClient client;
  client.Host = "no-such-host.invalid";
  auto error = Catch<EFtpSocketError>([&] { client.Connect(); });
  EXPECT_EQ(error.ErrorCode(), 11001);
  EXPECT_STREQ(error.what(), "Socket Error # 11001\r\nHost not found.");
}

TEST(FtpLogin, UserAcceptedAtOnceSendsNoPass) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Reply("220 Ready");
    s.Answer("502 No HOST");
    s.Answer("230 Welcome, no password needed");
    s.Answer("500 No FEAT");
    s.Answer("200 A");
    s.Answer("215 UNIX");
    s.Answer("200 A");
  });
  TFtpClient client;
  SetUpClient(client, server.Port());
  client.Connect();
  EXPECT_EQ(client.LoginMsg.NumericCode, 230);
  client.Disconnect();
  server.Join();
  EXPECT_EQ(server.Commands(), (Lines{"HOST [127.0.0.1]", "USER zavupdate", "FEAT", "TYPE A", "SYST", "TYPE A", "QUIT"}));
}

TEST(FtpLogin, WrongPasswordQuitsAndDisconnects) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Reply("220 Ready");
    s.Answer("502 No HOST");
    s.Answer("331 Password required");
    s.Answer("530 Login incorrect.");
  });
  TFtpClient client;
  EventLog events;
  events.Attach(client);
  SetUpClient(client, server.Port());
  auto error = Catch<EFtpReplyRFCError>([&] { client.Connect(); });
  EXPECT_EQ(error.ErrorCode(), 530);
  EXPECT_STREQ(error.what(), "Login incorrect.\r\n");
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(events.Take(), (Lines{"status 1 Connecting to 127.0.0.1.", "status 2 Connected.",
                                  "status 3 Disconnecting.", "status 4 Disconnected."}));
  server.Join();
  EXPECT_EQ(server.Commands(), (Lines{"HOST [127.0.0.1]", "USER zavupdate", "PASS tovari", "QUIT"}));
}

TEST(FtpLogin, AccountDemandWithoutAccountRaisesTheDemand) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Reply("220 Ready");
    s.Answer("502 No HOST");
    s.Answer("331 Password required");
    s.Answer("332 Need account for login.");
  });
  TFtpClient client;
  SetUpClient(client, server.Port());
  auto error = Catch<EFtpReplyRFCError>([&] { client.Connect(); });
  EXPECT_EQ(error.ErrorCode(), 332);
  EXPECT_STREQ(error.what(), "Need account for login.\r\n");
}

TEST(FtpLogin, AccountIsSentWhenDemanded) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Reply("220 Ready");
    s.Answer("502 No HOST");
    s.Answer("331 Password required");
    s.Answer("332 Need account for login.");
    s.Answer("230 Account accepted");
    s.Answer("500 No FEAT");
    s.Answer("200 A");
    s.Answer("215 UNIX");
    s.Answer("200 A");
  });
  TFtpClient client;
  SetUpClient(client, server.Port());
  client.Account = "reparto7";
  client.Connect();
  EXPECT_EQ(client.LoginMsg.NumericCode, 230);
  EXPECT_EQ(server.Commands().at(3), "ACCT reparto7");
}

// The pass phrase and challenges of RFC 2289's test vectors.
struct OtpCase {
  const char* Challenge;
  const char* Expected;
};

class FtpOneTimeLogin : public ::testing::TestWithParam<OtpCase> {};

TEST_P(FtpOneTimeLogin, PassCarriesTheSixWordsOrThePlainPassword) {
  std::string challenge = GetParam().Challenge;
  ScriptedFtpServer server([challenge](FtpSession& s) {
    s.Reply("220 Ready");
    s.Answer("502 No HOST");
    s.Answer("331 " + challenge);
    s.Answer("230 Logged in");
    s.Answer("500 No FEAT");
    s.Answer("200 A");
    s.Answer("215 UNIX");
    s.Answer("200 A");
  });
  TFtpClient client;
  SetUpClient(client, server.Port());
  client.Password = "This is a test.";
  client.Connect();
  EXPECT_EQ(server.Commands().at(2), std::string("PASS ") + GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Challenges, FtpOneTimeLogin,
    ::testing::Values(OtpCase{"Response to otp-md5 99 TeSt required for skey.", "BAIL TUFT BITS GANG CHEF THY"},
                      OtpCase{"otp-md4 1 TeSt ext", "CARD SAD MINI RYE COL KIN"},
                      OtpCase{"Challenge otp-sha1 0 TeSt ext", "MILT VARY MAST OK SEES WENT"},
                      // Not exactly a known hash, or no sequence: the plain password.
                      OtpCase{"otp-MD5 99 TeSt", "This is a test."},
                      OtpCase{"otp-md5x 99 TeSt", "This is a test."},
                      OtpCase{"otp-md5 TeSt", "This is a test."},
                      OtpCase{"Password required", "This is a test."}));

TEST(FtpLogin, FeaturesDecideExtendedPortAndEncoding) {
  // EPRT without EPSV is not enough for "EPRT"; UTF8 is negotiated with the
  // second form when the first is refused, and then commands go out in UTF-8.
  ScriptedFtpServer server([](FtpSession& s) {
    s.Reply("220 Ready");
    s.Answer("502 No HOST");
    s.Answer("331 Password required");
    s.Answer("230 Logged in");
    s.Answer("211-Extensions supported:\n EPRT\n UTF8\n MDTM\n211 END");
    s.Answer("501 Unknown option");
    s.Answer("200 UTF-8 on");
    s.Answer("200 A");
    s.Answer("215 UNIX");
    s.Answer("200 A");
    s.Answer("200 Type set to I");
    s.Answer("550 No such file");
    s.Answer("200 Type set to A");
  });
  TFtpClient client;
  SetUpClient(client, server.Port());
  client.Connect();
  EXPECT_FALSE(client.UsingExtDataPort());
  EXPECT_EQ(client.Size("/Referti/\xC3\xA8.zip"), -1);
  auto commands = server.Commands();
  EXPECT_EQ(commands.at(4), "OPTS UTF8 ON");
  EXPECT_EQ(commands.at(5), "OPTS UTF-8 NLST");
  EXPECT_EQ(commands.at(10), "SIZE /Referti/\xC3\xA8.zip");
}

TEST(FtpLogin, LatinOneChannelEncodesAndDecodes) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Reply("220 Benvenuti al server \xE8 pronto");
    s.Answer("502 No HOST");
    s.Answer("331 Password required");
    s.Answer("230 Logged in");
    s.Answer("500 No FEAT");
    s.Answer("200 A");
    s.Answer("215 UNIX");
    s.Answer("200 A");
    s.Answer("200 Type set to I");
    s.Answer("550 No such file");
    s.Answer("200 Type set to A");
  });
  TFtpClient client;
  SetUpClient(client, server.Port());
  client.Connect();
  EXPECT_EQ(client.Greeting.Text.at(0), "Benvenuti al server \xC3\xA8 pronto");
  // "è" goes out as one byte, "€" (not in ISO-8859-1) as "?".
  client.Size("/\xC3\xA8\xE2\x82\xAC.zip");
  EXPECT_EQ(server.Commands().at(8), "SIZE /\xE8?.zip");
}

TEST(FtpLogin, SiteZoneForKnownServersAndTheSiteFeature) {
  for (int kind = 0; kind < 2; ++kind) {
    ScriptedFtpServer server([kind](FtpSession& s) {
      s.Reply(kind == 0 ? "220 Serv-U FTP Server v15.1 ready" : "220 Plain server");
      s.Answer("502 No HOST");
      s.Answer("331 Password required");
      s.Answer("230 Logged in");
      s.Answer(kind == 0 ? "500 No FEAT" : "211-Features:\n SITE PSWD;SET; ZONE ;CHMOD\n211 End");
      s.Answer("200 A");
      s.Answer("215 UNIX");
      s.Answer("210 UTC-120");
      s.Answer("200 A");
    });
    TFtpClient client;
    SetUpClient(client, server.Port());
    client.Connect();
    EXPECT_EQ(server.Commands().at(6), "SITE ZONE") << kind;
    EXPECT_EQ(server.Commands().at(7), "TYPE A") << kind;
  }
}

TEST(FtpReplies, MultiLineRepliesBlankLinesAndEarlyEndLines) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Send("\r\n   \r\n220-Welcome\r\n\r\n  second line\r\n220-third\r\n220 Ready\r\n");
    s.Answer("502 No HOST");
    s.Answer("331 Password required");
    s.Answer("230 Logged in");
    // A continuation line that looks like an end line ends the reply early;
    // what follows is read as the next reply and has no valid code.
    s.Answer("211-Features:\n EPRT\n 200 Early end\n EPSV\n211 End");
  });
  TFtpClient client;
  SetUpClient(client, server.Port());
  try {
    client.Connect();
    ADD_FAILURE();
  } catch (const EFtpReplyError& e) {
    EXPECT_STREQ(e.what(), "Reply Code is not valid: EPSV");
  }
  EXPECT_EQ(client.Greeting.Text, (Lines{"Welcome", "second line", "third", "Ready"}));
  EXPECT_EQ(client.Capabilities, Lines{"EPRT"});
  EXPECT_FALSE(client.Connected());
}

TEST(FtpReplies, FourLettersAreNoReplyCode) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Send("HELO there\r\nmore\r\n220 Ready\r\n");
    s.WaitClientClose(3000);
  });
  TFtpClient client;
  SetUpClient(client, server.Port());
  try {
    client.Connect();
    ADD_FAILURE();
  } catch (const EFtpReplyError& e) {
    EXPECT_STREQ(e.what(), "Reply Code is not valid: HELO");
  }
  server.Join();
  EXPECT_TRUE(server.Commands().empty());
}

TEST(FtpReplies, LineLimitIs16384BytesBeforeTheLineFeed) {
  std::string longest = "220 " + std::string(16384 - 4 - 1, 'x') + "\r";  // CR counts, LF does not
  ScriptedFtpServer server([longest](FtpSession& s) {
    s.Send(longest + "\n");
    s.Answer("502 No HOST");
    s.Answer("331 Password required");
    s.Answer("230 " + std::string(16385 - 4, 'y'));
    s.WaitClientClose(3000);
  });
  TFtpClient client;
  SetUpClient(client, server.Port());
  try {
    client.Connect();
    ADD_FAILURE();
  } catch (const EFtpReadLnMaxLineLengthExceeded& e) {
    EXPECT_STREQ(e.what(), "Max line length exceeded.");
  }
  EXPECT_EQ(client.Greeting.Text.at(0).size(), 16384u - 4 - 1);
}

TEST(FtpReplies, EndlessLineIsRefusedWithoutWaitingForItsEnd) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Send("220 " + std::string(100000, 'z'));
    s.WaitClientClose(3000);
  });
  TFtpClient client;
  SetUpClient(client, server.Port());
  EXPECT_THROW(client.Connect(), EFtpReadLnMaxLineLengthExceeded);
}

TEST(FtpReplies, EndlessMultiLineReplyIsRefused) {
  ScriptedFtpServer server([](FtpSession& s) {
    std::string block;
    for (int i = 0; i < 1000; ++i) block += "220-" + std::string(100, 'w') + "\r\n";
    try {
      for (;;) s.Send(block);
    } catch (const std::exception&) {
      // The client hung up, as it should.
    }
  });
  TFtpClient client;
  SetUpClient(client, server.Port());
  EXPECT_THROW(client.Connect(), EFtpReadLnMaxLineLengthExceeded);
  EXPECT_FALSE(client.Connected());
}

// Blank lines count toward the reply's limit, and one reply is read within
// the read time-out in all: a server that floods or trickles blank lines, or
// trickles one line, gets the error of a reply too long. Each server gives
// up after a few seconds and then greets, so a client that waits it out
// fails the case instead of hanging it.
TEST(FtpReplies, BlankLinesAndTricklesCountTowardTheReplyLimitAndTime) {
  using Clock = std::chrono::steady_clock;
  struct Case {
    const char* name;
    std::string first;  // sent once
    std::string piece;  // then sent again and again
    int pauseMs;        // between pieces
  };
  for (const Case& c : {Case{"flood of blank lines", "", std::string(2000, '\n'), 0},
                        Case{"trickle of blank lines", "", "\r\n", 20},
                        Case{"trickle of one line", "220 Rea", "d", 20}}) {
    ScriptedFtpServer server([&c](FtpSession& s) {
      try {
        s.Send(c.first);
        for (auto until = Clock::now() + std::chrono::seconds(4); Clock::now() < until;) {
          s.Send(c.piece);
          if (c.pauseMs > 0) s.Sleep(c.pauseMs);
        }
        s.Send("\r\n220 Ready\r\n");
        s.WaitClientClose(3000);
      } catch (const std::exception&) {
        // The client hung up, as it should.
      }
    });
    TFtpClient client;
    SetUpClient(client, server.Port());
    client.ReadTimeout = 300;
    try {
      client.Connect();
      ADD_FAILURE() << c.name;
    } catch (const EFtpReadLnMaxLineLengthExceeded& e) {
      EXPECT_STREQ(e.what(), "Max line length exceeded.") << c.name;
    } catch (const std::exception& e) {
      ADD_FAILURE() << c.name << ": " << e.what();
    }
    EXPECT_FALSE(client.Connected()) << c.name;
  }
}

TEST(FtpReplies, SilentServerTimesOutAndStillGetsQuit) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Reply("220 Ready");
    s.Read();  // HOST, never answered
    s.Read();  // QUIT
  });
  TFtpClient client;
  EventLog events;
  events.Attach(client);
  SetUpClient(client, server.Port());
  client.ReadTimeout = 200;
  try {
    client.Connect();
    ADD_FAILURE();
  } catch (const EFtpReadTimeout& e) {
    EXPECT_STREQ(e.what(), "Read timed out.");
  }
  server.Join();
  EXPECT_EQ(server.Commands(), (Lines{"HOST [127.0.0.1]", "QUIT"}));
  EXPECT_EQ(events.Lines.back(), "status 4 Disconnected.");
}

TEST(FtpReplies, ServerClosingWhileAReplyIsExpected) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Reply("220 Ready");
    s.Read();
    s.Close();
  });
  TFtpClient client;
  EventLog events;
  events.Attach(client);
  SetUpClient(client, server.Port());
  try {
    client.Connect();
    ADD_FAILURE();
  } catch (const EFtpConnClosedGracefully& e) {
    EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
  }
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(events.Take(), (Lines{"status 1 Connecting to 127.0.0.1.", "status 2 Connected.",
                                  "status 4 Disconnected."}));
}

TEST(FtpDisconnect, ServerClosedWhileIdleSendsDisconnectedOnceAndNoQuit) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Login();
    s.Close();
  });
  TFtpClient client;
  EventLog events;
  events.Attach(client);
  SetUpClient(client, server.Port());
  client.Connect();
  server.Join();
  events.Take();
  client.Disconnect();
  EXPECT_EQ(events.Take(), Lines{"status 4 Disconnected."});
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(server.Commands(), LoginCommands());
  client.Disconnect();
  EXPECT_TRUE(events.Take().empty());
}

TEST(FtpDisconnect, UnreadNoticeKeepsConnectedUntilDisconnectFails) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Login();
    s.Reply("421 Timeout (300 seconds): closing control connection.");
    s.Close();
  });
  TFtpClient client;
  EventLog events;
  events.Attach(client);
  SetUpClient(client, server.Port());
  client.Connect();
  server.Join();
  events.Take();
  EXPECT_TRUE(client.Connected());
  EXPECT_THROW(client.Disconnect(), EFtpConnClosedGracefully);
  EXPECT_EQ(events.Take(), Lines{"status 4 Disconnected."});
  // The notice of a closed connection is dropped with it, so the next
  // download step can connect again.
  EXPECT_FALSE(client.Connected());
  ScriptedFtpServer again([](FtpSession& s) { s.Login(); });
  client.Port = again.Port();
  client.Connect();
  EXPECT_TRUE(client.Connected());
}

TEST(FtpDisconnect, WithoutNotifyingThePeer) {
  ScriptedFtpServer server([](FtpSession& s) { s.Login(); });
  TFtpClient client;
  EventLog events;
  events.Attach(client);
  SetUpClient(client, server.Port());
  client.Connect();
  events.Take();
  client.Disconnect(false);
  EXPECT_EQ(events.Take(), (Lines{"status 3 Disconnecting.", "status 4 Disconnected."}));
  server.Join();
  EXPECT_EQ(server.Commands(), LoginCommands());
}

TEST(FtpCommands, SendCmdChecksTheAcceptedCodes) {
  ScriptedFtpServer server([](FtpSession& s) {
    s.Login();
    s.Answer("250-First\n250 Second");
    s.Answer("550 Nope");
    s.Answer("200 Fine");
  });
  TFtpClient client;
  SetUpClient(client, server.Port());
  client.Connect();
  EXPECT_EQ(client.SendCmd("CWD /", {250}), 250);
  EXPECT_EQ(client.LastCmdResult.Text, (Lines{"First", "Second"}));
  auto error = Catch<EFtpReplyRFCError>([&] { client.SendCmd("CWD /x", {250, 200}); });
  EXPECT_EQ(error.ErrorCode(), 550);
  EXPECT_EQ(client.Quote("NOOP"), 200);
}

}  // namespace
}  // namespace vorn::test
