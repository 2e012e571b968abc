// Name cleaning: what may reach the file system as an entry name, a target
// path or the base folder.
#include "zip/NameCleaning.h"

#include <gtest/gtest.h>

#include <vector>

namespace vorn {
namespace {

std::string Strict(const std::string& name, TZUCleanResult expected = ZcClean) {
  std::string cleaned;
  EXPECT_EQ(CleanZipName(name, TZUCleanForm::Strict, cleaned), expected) << name;
  return cleaned;
}

TEST(NameCleaning, CleanNamesPassWithBackslashes) {
  EXPECT_EQ(Strict("a/b/c.txt"), "a\\b\\c.txt");
  EXPECT_EQ(Strict("folder/"), "folder\\");
  EXPECT_EQ(Strict("Dbe_2018\\Setup.exe"), "Dbe_2018\\Setup.exe");
  EXPECT_EQ(Strict("a/./b"), "a\\b");
  EXPECT_EQ(Strict("a/../x.txt"), "x.txt");
  EXPECT_EQ(Strict(".hidden"), ".hidden");
}

TEST(NameCleaning, InvalidParts) {
  for (const std::string& name : std::vector<std::string>
       {"../x.txt", "./x.txt", "a/../../x", "a//b", "name ", "dir /x", "name.", "a./b", "ab:c", "a<b", "a>b", "a|b",
        "a\"b", std::string("a\x01" "b"), "con.txt", "Con.txt", "CON", "LPT1", "lpt9.log", "com1", "nul.tar.gz",
        "prn", "aux.", std::string(256, 'n')}) {
    std::string cleaned;
    EXPECT_EQ(CleanZipName(name, TZUCleanForm::Strict, cleaned), ZcInvalid) << name;
  }
  EXPECT_EQ(Strict(std::string(255, 'n')), std::string(255, 'n'));
  EXPECT_EQ(Strict("console.txt"), "console.txt");
  EXPECT_EQ(Strict("COM0"), "COM0");
  EXPECT_EQ(Strict("LPT10"), "LPT10");
}

TEST(NameCleaning, EmptyAndWildcardResults) {
  Strict("", ZcEmpty);
  Strict("a/..", ZcEmpty);
  EXPECT_EQ(Strict("*.txt", ZcWildcard), "*.txt");
  Strict("a/b?", ZcWildcard);
  // Only what remains counts: a part that ".." removed leaves no wildcard.
  EXPECT_EQ(Strict("*x/../et#"), "et#");
  EXPECT_EQ(Strict("a?/../b*/c", ZcWildcard), "b*\\c");
}

TEST(NameCleaning, RootsAreKeptAndRecognised) {
  EXPECT_EQ(Strict("C:\\Temp\\Inst_Temp\\x.txt"), "C:\\Temp\\Inst_Temp\\x.txt");
  EXPECT_EQ(Strict("C:x.txt"), "C:x.txt");
  EXPECT_EQ(Strict("/abs/x"), "\\abs\\x");
  EXPECT_EQ(Strict("\\\\server\\share\\x"), "\\\\server\\share\\x");
  EXPECT_EQ(Strict("\\\\?\\C:\\odd"), "\\\\?\\C:\\odd");
  std::string cleaned;
  EXPECT_EQ(CleanZipName("\\\\server", TZUCleanForm::Strict, cleaned), ZcInvalid);
  EXPECT_EQ(CleanZipName("C:\\..\\x", TZUCleanForm::Strict, cleaned), ZcInvalid);
  EXPECT_EQ(CleanZipName("C:\\a\\..\\..\\x", TZUCleanForm::Lenient, cleaned), ZcInvalid);
  EXPECT_TRUE(IsRootedName("C:x"));
  EXPECT_TRUE(IsRootedName("\\x"));
  EXPECT_TRUE(IsRootedName("\\\\s\\h\\x"));
  EXPECT_FALSE(IsRootedName("x\\C:"));
}

TEST(NameCleaning, LenientFormKeepsLeadingDots) {
  std::string cleaned;
  EXPECT_EQ(CleanZipName("..\\..\\out\\", TZUCleanForm::Lenient, cleaned), ZcClean);
  EXPECT_EQ(cleaned, "..\\..\\out\\");
  EXPECT_EQ(CleanZipName(".\\", TZUCleanForm::Lenient, cleaned), ZcClean);
  EXPECT_EQ(cleaned, ".\\");
  EXPECT_EQ(CleanZipName("a\\..\\..\\x", TZUCleanForm::Lenient, cleaned), ZcInvalid);
  EXPECT_EQ(CleanZipName("Z:\\tmp\\out\\", TZUCleanForm::Lenient, cleaned), ZcClean);
  EXPECT_EQ(cleaned, "Z:\\tmp\\out\\");
}

TEST(NameCleaning, ReservedDeviceNames) {
  EXPECT_TRUE(IsReservedDeviceName("Aux"));
  EXPECT_TRUE(IsReservedDeviceName("com5.txt"));
  EXPECT_FALSE(IsReservedDeviceName("auxiliary"));
  EXPECT_FALSE(IsReservedDeviceName("xcon"));
}

}  // namespace
}  // namespace vorn
