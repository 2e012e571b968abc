// The message table: the packed built-in table, its parsing rules and lookups.
#include "zip/MessageTable.h"

#include <gtest/gtest.h>

#include "tests/zip/ZipTestSupport.h"

namespace vorn {
namespace {

std::string Pack(const std::string& text, uint32_t crc) {
  std::string packed;
  ziptest::Put32(packed, crc);
  return packed + ziptest::RawDeflate(text);
}

TEST(MessageTable, BuiltInTableHasTheSystemTexts) {
  TZUHandler handler;
  EXPECT_EQ(handler.ZipLoadStr(0), "Success");
  EXPECT_EQ(handler.ZipLoadStr(14), "Enter Password ");  // trailing blank kept by the quotes
  EXPECT_EQ(handler.ZipLoadStr(26), "Invalid Filename: '%s'");
  EXPECT_EQ(handler.ZipLoadStr(105), "This archive is not a valid Zip archive");
  EXPECT_EQ(handler.ZipLoadStr(160), "Warning - Error in zip structure!");
  EXPECT_EQ(handler.ZipLoadStr(180), "*Loading Directory");
  EXPECT_EQ(handler.ZipLoadStr(185), "*Processing");
  EXPECT_EQ(handler.ZipLoadStr(17), "&OK");
  EXPECT_EQ(handler.ZipLoadStr(224), "Could not load language files");
  EXPECT_TRUE(handler.MessageTableLoaded());
}

TEST(MessageTable, MissingTextsNameTheirId) {
  TZUHandler handler;
  EXPECT_EQ(handler.ZipLoadStr(300), "Resource missing for 300");
  EXPECT_EQ(handler.ZipLoadStr(2), "Resource missing for 2");
  EXPECT_EQ(handler.ZipLoadStr(-1), "Resource missing for -1");
}

TEST(MessageTable, LoadStrHookMayReplaceText) {
  TZUHandler handler;
  TZULoadStrEvent hook = [](int id, std::string& text) {
    if (id == 300) text = "custom";
    if (id == 0) text.clear();
  };
  handler.SetLoadStrHook(&hook);
  EXPECT_EQ(handler.ZipLoadStr(300), "custom");
  EXPECT_EQ(handler.ZipLoadStr(0), "Resource missing for 0");
}

TEST(MessageTable, ParsingRules) {
  const TZUMessageTexts texts = ParseMessageTable(
      "; language lines at the head\n"
      "LANGUAGE,US English\n"
      "  5 ,   padded text   \r\n"
      "6,\"quoted \"\"inner\"\" \"\n"
      "7,first\\nsecond\n"
      "224,ignored\n"
      "223,last\n"
      "8\n"
      "x9,bad id\n"
      "10,a,b");
  EXPECT_EQ(texts[5], "padded text");
  EXPECT_EQ(texts[6], "quoted \"inner\" ");
  EXPECT_EQ(texts[7], "first\r\nsecond");
  EXPECT_EQ(texts[223], "last");
  EXPECT_EQ(texts[8], "");
  EXPECT_EQ(texts[9], "");
  EXPECT_EQ(texts[10], "a,b");
}

TEST(MessageTable, InflateToleratesCrcMismatchButNotDamage) {
  std::string text;
  const std::string packed = Pack("1,One\n", 0xDEADBEEF);
  ASSERT_TRUE(InflateMessageTable(reinterpret_cast<const unsigned char*>(packed.data()), packed.size(), text));
  EXPECT_EQ(text, "1,One\n");

  std::string damaged = packed.substr(0, packed.size() - 2);
  EXPECT_FALSE(InflateMessageTable(reinterpret_cast<const unsigned char*>(damaged.data()), damaged.size(), text));
  EXPECT_FALSE(InflateMessageTable(reinterpret_cast<const unsigned char*>("abc"), 3, text));
}

TEST(MessageTable, TextLongerThan19999BytesIsRefused) {
  std::string text;
  const std::string fits = Pack(std::string(19999, 'a'), 0);
  EXPECT_TRUE(InflateMessageTable(reinterpret_cast<const unsigned char*>(fits.data()), fits.size(), text));
  const std::string tooLong = Pack(std::string(20000, 'a'), 0);
  EXPECT_FALSE(InflateMessageTable(reinterpret_cast<const unsigned char*>(tooLong.data()), tooLong.size(), text));
}

TEST(MessageTable, Formatting) {
  TZUHandler handler;
  EXPECT_EQ(handler.ZipFmtLoadStr(26, {"a\\b.txt"}), "Invalid Filename: 'a\\b.txt'");
  EXPECT_EQ(handler.ZipFmtLoadStr(157, {"x.txt", "5"}), "Skipped x.txt 5");
  EXPECT_EQ(ZipFormat("100%% of %s", {"it"}), "100% of it");
  EXPECT_EQ(ZipFormat("%s and %s", {"one"}), "one and ");
}

}  // namespace
}  // namespace vorn
