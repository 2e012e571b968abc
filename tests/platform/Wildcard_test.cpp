#include "platform/Wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace vorn {
namespace {

TEST(WildcardMatch, StarAndQuestionMarkIgnoringCase) {
  EXPECT_TRUE(WildcardMatch("*.txt", "Readme.TXT"));
  EXPECT_TRUE(WildcardMatch("STRU*.*", "struttura.db"));
  EXPECT_TRUE(WildcardMatch("a?c", "ABC"));
  EXPECT_FALSE(WildcardMatch("a?c", "ac"));
  EXPECT_FALSE(WildcardMatch("a?c", "abbc"));
  EXPECT_TRUE(WildcardMatch("*a*b*c*", "xxaxxbxxcxx"));
  EXPECT_FALSE(WildcardMatch("*a*b*c*", "xxcxxbxxaxx"));
  EXPECT_FALSE(WildcardMatch("*.db", "tabella.px"));
  EXPECT_TRUE(WildcardMatch("*", ""));
  EXPECT_FALSE(WildcardMatch("?", ""));
}

TEST(WildcardMatch, StarDotStarMatchesNamesWithoutADot) {
  EXPECT_TRUE(WildcardMatch("*.*", "README"));
  EXPECT_TRUE(WildcardMatch("*.*", "archive.tar.gz"));
  EXPECT_TRUE(WildcardMatch("*.*", ".hidden"));
  EXPECT_TRUE(WildcardMatch("Setup.*", "SETUP"));
  EXPECT_TRUE(WildcardMatch("Copy*.*", "Copy"));
  EXPECT_FALSE(WildcardMatch("Setup.*", "Setupx"));
  // A name with a dot must match the whole pattern.
  EXPECT_FALSE(WildcardMatch("a.*", "b.txt"));
}

TEST(WildcardMatch, QuestionMarkIsOneCharacterOfUtf8Text) {
  EXPECT_TRUE(WildcardMatch("citt?.txt", "città.txt"));
  EXPECT_TRUE(WildcardMatch("CITTÀ.*", "città.db"));
  EXPECT_FALSE(WildcardMatch("citt??.txt", "città.txt"));
}

TEST(WildcardMatch, ManyStarsStayFast) {
  // Backtracking with one remembered star is linear per attempt; a naive
  // recursive matcher would take ages on this.
  const std::string name(5000, 'a');
  EXPECT_FALSE(WildcardMatch("*a*a*a*a*a*a*a*a*a*a*b", name));
}

TEST(HasWildcards, FindsStarAndQuestionMark) {
  EXPECT_TRUE(HasWildcards("C:\\x\\*.*"));
  EXPECT_TRUE(HasWildcards("a?"));
  EXPECT_FALSE(HasWildcards("C:\\VornZAV\\"));
}

TEST(FoldCase, AsciiAndLatin1Letters) {
  EXPECT_EQ(FoldCase("ZAV.ZIP"), "zav.zip");
  EXPECT_EQ(FoldCase("ÀÈÌÒÙÉ"), "àèìòùé");
  EXPECT_EQ(FoldCase("×"), "×");  // the multiplication sign is no letter
  EXPECT_TRUE(SameText("Referti_Inviati", "REFERTI_INVIATI"));
  EXPECT_FALSE(SameText("a", "b"));
}

TEST(FoldCase, MalformedBytesAreKept) {
  const std::string bad = "A\xC3(\xFF";
  EXPECT_EQ(FoldCase(bad), "a\xC3(\xFF");
  EXPECT_FALSE(SameText("\xE0", "\xC0"));  // raw bytes, not Latin-1 text
}

}  // namespace
}  // namespace vorn
