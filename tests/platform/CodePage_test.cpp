#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vorn {
namespace {

class CodePageTest : public ::testing::Test {
 protected:
  void TearDown() override { SetCodePages(1252, 850); }
};

TEST_F(CodePageTest, ItalianWorkstationByDefault) {
  EXPECT_EQ(GetACP(), 1252u);
  EXPECT_EQ(GetOEMCP(), 850u);
  SetCodePages(1250, 852);
  EXPECT_EQ(GetACP(), 1250u);
  EXPECT_EQ(GetOEMCP(), 852u);
  EXPECT_EQ(CodePageToUtf8("\x8A", CP_ACP), "Š");   // 1250
  EXPECT_EQ(CodePageToUtf8("\x8A", CP_OEMCP), "Ő");  // 852
}

TEST_F(CodePageTest, BytesToUtf8) {
  EXPECT_EQ(CodePageToUtf8("citt\xE0 \x80", 1252), "città €");
  EXPECT_EQ(CodePageToUtf8("citt\x85 perch\x82", 850), "città perché");
  EXPECT_EQ(CodePageToUtf8("\x81\x9A", 437), "üÜ");
  EXPECT_EQ(CodePageToUtf8("\xE0", 28591), "à");
  EXPECT_EQ(CodePageToUtf8("plain", 850), "plain");
  EXPECT_EQ(CodePageToUtf8("", 1252), "");
  EXPECT_EQ(CodePageToUtf8(std::string("a\0b", 3), 1252), std::string("a\0b", 3));
}

TEST_F(CodePageTest, UnmappedBytesBecomeTheReplacementCharacter) {
  EXPECT_EQ(CodePageToUtf8("a\xAAz", 1253), "a\xEF\xBF\xBDz");
  EXPECT_EQ(CodePageToUtf8("ok \xC3(", CP_UTF8), "ok \xEF\xBF\xBD(");
  EXPECT_EQ(CodePageToUtf8("cut \xE2\x82", CP_UTF8), "cut \xEF\xBF\xBD");
  EXPECT_EQ(CodePageToUtf8("città", CP_UTF8), "città");
}

TEST_F(CodePageTest, Utf8ToBytes) {
  EXPECT_EQ(Utf8ToCodePage("città €", 1252), "citt\xE0 \x80");
  EXPECT_EQ(Utf8ToCodePage("città perché", 850), "citt\x85 perch\x82");
  EXPECT_EQ(Utf8ToCodePage("città", CP_UTF8), "città");
}

TEST_F(CodePageTest, MissingCharactersBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCodePage("€5", 850), "?5");
  EXPECT_EQ(Utf8ToCodePage("日本.txt", 1252), "??.txt");  // one mark per character
  EXPECT_EQ(Utf8ToCodePage("a\xFF" "b", 1252), "a?b");
}

// The five bytes without a character in 1252 are the C1 controls of the
// same value, both ways, as Windows converts them: names that differ only
// there stay different.
TEST_F(CodePageTest, Windows1252GapsAreTheControlsOfTheSameValue) {
  EXPECT_EQ(CodePageToUtf8("a\x81\x8D\x8F\x90\x9Dz", 1252), "a\u0081\u008D\u008F\u0090\u009Dz");
  EXPECT_EQ(CodePageToUtf8("\x81", CP_ACP), "\u0081");
  EXPECT_EQ(Utf8ToCodePage("a\u0081\u008D\u008F\u0090\u009Dz", 1252), "a\x81\x8D\x8F\x90\x9Dz");
  EXPECT_EQ(Utf8ToCodePage("\u0080\u009F\xC2", 1252), "???");  // 0x80 and 0x9F hold other characters
  EXPECT_EQ(CodePageToUtf8("\x81", 850), "\u00FC");             // other pages as they were
  std::set<std::string> names;
  for (int byte = 0; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    const std::string text = CodePageToUtf8(one, 1252);
    EXPECT_NE(text, "\xEF\xBF\xBD") << byte;
    EXPECT_EQ(Utf8ToCodePage(text, 1252), one) << byte;
    names.insert("name" + text);
  }
  EXPECT_EQ(names.size(), 256u);
}

TEST_F(CodePageTest, EverySingleBytePageRoundTrips) {
  for (unsigned page : {437u, 850u, 858u, 852u, 1250u, 1252u}) {
    for (int byte = 0; byte < 256; ++byte) {
      const std::string one(1, static_cast<char>(byte));
      const std::string text = CodePageToUtf8(one, page);
      if (text == "\xEF\xBF\xBD") continue;  // unmapped in this page
      EXPECT_EQ(Utf8ToCodePage(text, page), one) << "page " << page << " byte " << byte;
    }
  }
}

TEST_F(CodePageTest, UnknownPageIsReadAsLatin1) {
  EXPECT_EQ(CodePageToUtf8("\xE0", 12345), "à");
  EXPECT_EQ(Utf8ToCodePage("à", 12345), "\xE0");
}

TEST_F(CodePageTest, LongTextConvertsWhole) {
  std::string bytes;
  for (int i = 0; i < 10000; ++i) bytes += "\xE0x";
  const std::string text = CodePageToUtf8(bytes, 1252);
  EXPECT_EQ(text.size(), 30000u);
  EXPECT_EQ(Utf8ToCodePage(text, 1252), bytes);
}

}  // namespace
}  // namespace vorn
