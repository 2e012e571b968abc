// The vorn-unzip tool's listing format, which support scripts parse.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/zip/ZipTestSupport.h"
#include "tests/support/RunCommand.h"

namespace vorn {
namespace {

using ToolRun = test::CommandRun;

ToolRun RunTool(const std::string& arguments) {
  const std::string tool = test::ToolProgram("vorn-unzip");
  if (!std::filesystem::exists(tool)) return ToolRun();
  return test::RunCommand(tool + " " + arguments + " 2>&1");
}

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (RunTool("").Status < 0) GTEST_SKIP() << "vorn-unzip is not built";
  }
  ziptest::TempFolder temp;
};

TEST_F(ToolTest, ListsEveryRecordThenCountAndResult) {
  ziptest::ZipBuilder b;
  b.Entries = {ziptest::Entry("dir/"), ziptest::Entry("dir/a.txt", "hello"),
               ziptest::Entry("b.txt", std::string(1000, 'b'), true)};
  temp.Write("t.zip", b.Build());
  const ToolRun run = RunTool("--list " + temp.Host("t.zip").string());
  char crcA[16], crcB[16];
  std::snprintf(crcA, sizeof crcA, "%08x", ziptest::Crc("hello"));
  std::snprintf(crcB, sizeof crcB, "%08x", ziptest::Crc(std::string(1000, 'b')));
  const std::string compressed = std::to_string(ziptest::RawDeflate(std::string(1000, 'b')).size());
  EXPECT_EQ(run.Output, std::string("entry 0 0 0 00000000 dir\\\n") + "entry 0 5 5 " + crcA + " dir\\a.txt\n" +
                            "entry 8 " + compressed + " 1000 " + crcB + " b.txt\n" +
                            "count 2 1\nresult 0 Success\n");
  EXPECT_EQ(run.Status, 0);
}

TEST_F(ToolTest, MessagesAndDialogsAreLines) {
  ziptest::ZipBuilder b;
  b.Entries = {ziptest::Entry("x.txt", "x")};
  temp.Write("w.zip", b.Build() + "tail");
  const ToolRun warned = RunTool("--list " + temp.Host("w.zip").string());
  EXPECT_EQ(warned.Output.substr(0, warned.Output.find("entry")),
            "dialog EOC comment length error\nmessage 159 EOC comment length error\n");
  EXPECT_NE(warned.Output.find("\nresult 159 EOC comment length error\n"), std::string::npos);
  EXPECT_EQ(warned.Status, 1);

  const ToolRun missing = RunTool("--list " + temp.Host("none.zip").string());
  EXPECT_EQ(missing.Output, "message 86 Input file does not exist\ncount 0 0\nresult 86 Input file does not exist\n");
  EXPECT_EQ(missing.Status, 1);
}

TEST_F(ToolTest, ExtractionPrintsEventsSkipsAndTheResult) {
  ziptest::ZipBuilder b;
  b.Entries = {ziptest::Entry("d/"), ziptest::Entry("d/a.txt", "hello"), ziptest::Entry("../bad.txt", "x")};
  temp.Write("t.zip", b.Build());
  const ToolRun run = RunTool(temp.Host("t.zip").string() + " " + temp.Host("out").string());
  EXPECT_EQ(run.Output,
            "progress 4 0 0 0 3 0 \n"
            "progress 5 0 0 0 3 6 \n"
            "progress 0 1 0 0 3 6 d\\\n"
            "message 0 Unzipped file d\\ of size 0\n"
            "progress 0 2 5 0 3 6 d\\a.txt\n"
            "progress 1 2 5 5 3 6 d\\a.txt\n"
            "progress 2 2 5 5 3 6 d\\a.txt\n"
            "message 0 Unzipped file d\\a.txt of size 5\n"
            "progress 0 3 1 0 3 6 ..\\bad.txt\n"
            "skip StGeneralExtractError 26 ..\\bad.txt\n"
            "progress 3 3 0 0 3 6 \n"
            "result 0 Success\n"
            "success 2\n");
  EXPECT_EQ(run.Status, 3);  // no error, but an entry was skipped
  EXPECT_EQ(temp.Read("out/d/a.txt"), "hello");
}

TEST_F(ToolTest, PasswordDialogTakesThePasswordOrCancels) {
  if (std::system("command -v zip >/dev/null 2>&1") != 0) GTEST_SKIP();
  std::filesystem::create_directories(temp.Host("src"));
  temp.Write("src/s.txt", "secret");
  ASSERT_EQ(std::system(("cd '" + temp.Host("src").string() + "' && zip -q -P pw ../e.zip s.txt").c_str()), 0);
  const std::string args = temp.Host("e.zip").string() + " " + temp.Host("out").string();
  const ToolRun cancelled = RunTool(args);
  EXPECT_NE(cancelled.Output.find("dialog Enter Password \n"), std::string::npos);
  EXPECT_NE(cancelled.Output.find("result 143 User canceled operation\nsuccess 0\n"), std::string::npos);
  EXPECT_EQ(cancelled.Status, 1);
  // The given password is the component's own, tried before any dialog:
  // also unattended, the entry is extracted.
  for (const char* extra : {" --password pw", " --password pw --unattended"}) {
    std::filesystem::remove_all(temp.Host("out"));
    const ToolRun given = RunTool(args + extra);
    EXPECT_EQ(given.Output.find("dialog"), std::string::npos) << extra;
    EXPECT_NE(given.Output.find("result 0 Success\nsuccess 1\n"), std::string::npos) << given.Output;
    EXPECT_EQ(given.Status, 0) << extra;
    EXPECT_EQ(temp.Read("out/s.txt"), "secret");
  }
  // A wrong one fails first as the component's password, then as the dialog's answer.
  const ToolRun wrong = RunTool(args + " --password nope");
  EXPECT_NE(wrong.Output.find("dialog Enter Password \n"), std::string::npos) << wrong.Output;
  EXPECT_NE(wrong.Status, 0);
  const ToolRun unattended = RunTool(args + " --unattended");
  EXPECT_EQ(unattended.Output.find("dialog"), std::string::npos);
  EXPECT_NE(unattended.Output.find("skip StBadPassword 128 s.txt\n"), std::string::npos);
  EXPECT_EQ(unattended.Status, 3);  // nothing recorded, but the entry was skipped
}

TEST_F(ToolTest, BadArgumentsGiveUsage) {
  EXPECT_EQ(RunTool("--bogus").Status, 2);
}

// Every tool answers --help on standard output with its usage and exit
// statuses: each tools/NAME.cpp of the sources, every one of them built.
TEST_F(ToolTest, EveryToolAnswersHelp) {
  int tools = 0;
  for (const auto& source : std::filesystem::directory_iterator(std::filesystem::path(VORN_TEST_SOURCE_DIR) / "tools")) {
    if (source.path().extension() != ".cpp") continue;
    const std::string tool = source.path().stem().string();
    ++tools;
    const std::string program = test::ToolProgram(tool);
    ASSERT_TRUE(std::filesystem::exists(program)) << tool << " is not built";
    const ToolRun help = test::RunCommand(program + " --help 2>/dev/null");
    const std::string& output = help.Output;
    EXPECT_EQ(help.Status, 0) << tool;
    EXPECT_EQ(output.rfind(std::string("usage: ") + tool, 0), 0u) << tool << ": " << output;
    EXPECT_NE(output.find("Exit status"), std::string::npos) << tool;
  }
  EXPECT_GE(tools, 6);
}

}  // namespace
}  // namespace vorn
