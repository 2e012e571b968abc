// Reply parsing: end lines, codes, and the text lines.
#include "ftp/FtpReply.h"

#include <gtest/gtest.h>

#include "ftp/FtpErrors.h"

namespace vorn {
namespace {

using Lines = std::vector<std::string>;

TEST(FtpReply, EndLines) {
  EXPECT_TRUE(IsReplyEndLine("220 Ready"));
  EXPECT_TRUE(IsReplyEndLine("220 "));
  EXPECT_TRUE(IsReplyEndLine("220"));
  EXPECT_TRUE(IsReplyEndLine("5"));
  EXPECT_FALSE(IsReplyEndLine("220-More"));
  EXPECT_FALSE(IsReplyEndLine("2200"));
  EXPECT_FALSE(IsReplyEndLine("22a Bad"));
  EXPECT_FALSE(IsReplyEndLine("EPRT"));
  EXPECT_FALSE(IsReplyEndLine("abc"));
  EXPECT_FALSE(IsReplyEndLine(""));
}

TEST(FtpReply, TrimsBlanksAndControlCharacters) {
  EXPECT_EQ(TrimControl("\t \x01 211 End \r\x7f"), "211 End \r\x7f");
  EXPECT_EQ(TrimControl(" \r\n"), "");
  EXPECT_EQ(TrimControl("  a b  "), "a b");
}

TEST(FtpReply, FeatureListAsOnTheWire) {
  TFtpReply reply = ParseReply({"211-Features:", "EPRT", "SIZE", "211 End"});
  EXPECT_EQ(reply.Code, "211");
  EXPECT_EQ(reply.NumericCode, 211);
  EXPECT_EQ(reply.Text, (Lines{"Features:", "EPRT", "SIZE", "End"}));
  EXPECT_EQ(reply.TextWithLineBreaks(), "Features:\r\nEPRT\r\nSIZE\r\nEnd\r\n");
}

TEST(FtpReply, ContinuationLinesWithTheCodeLoseIt) {
  TFtpReply reply = ParseReply({"230-Welcome", "230-Second", "Plain", "230 Done"});
  EXPECT_EQ(reply.Text, (Lines{"Welcome", "Second", "Plain", "Done"}));
}

TEST(FtpReply, CodeOnlyLines) {
  TFtpReply reply = ParseReply({"200"});
  EXPECT_EQ(reply.NumericCode, 200);
  EXPECT_EQ(reply.Text, Lines{""});
}

TEST(FtpReply, InvalidCodes) {
  for (const char* first : {"HELO there", "099 Too low", "12", "2x0 Mixed"}) {
    try {
      ParseReply({first});
      ADD_FAILURE() << first;
    } catch (const EFtpReplyError& e) {
      std::string code = TrimControl(std::string(first).substr(0, 4));
      EXPECT_EQ(std::string(e.what()), "Reply Code is not valid: " + code);
    }
  }
}

}  // namespace
}  // namespace vorn
