// RFC 2289 one-time passwords against the RFC's own test vectors (copied
// into data/), and the challenge finder.
#include "ftp/OneTimePassword.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/ftp/FtpTestSupport.h"

namespace vorn {
namespace {

TEST(OneTimePassword, RfcTestVectors) {
  std::ifstream file(test::SourceDir() / "tests/ftp/data/otp-test-vectors.tsv");
  ASSERT_TRUE(file.good());
  std::string line;
  int checked = 0;
  while (std::getline(file, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::stringstream fields(line);
    for (std::string part; std::getline(fields, part, '\t');) f.push_back(part);
    ASSERT_EQ(f.size(), 6u) << line;
    OtpHash hash = f[0] == "md4" ? OtpHash::Md4 : f[0] == "md5" ? OtpHash::Md5 : OtpHash::Sha1;
    uint64_t key = OtpKey(hash, f[2], f[1], static_cast<uint32_t>(std::stoul(f[3])));
    EXPECT_EQ(key, std::stoull(f[4], nullptr, 16)) << line;
    EXPECT_EQ(OtpSixWords(key), f[5]) << line;
    ++checked;
  }
  EXPECT_EQ(checked, 27);
}

TEST(OneTimePassword, DictionaryEnds) {
  EXPECT_STREQ(kOtpDictionary[0], "A");
  EXPECT_STREQ(kOtpDictionary[571], "ABED");
  EXPECT_STREQ(kOtpDictionary[2047], "YOKE");
}

TEST(OneTimePassword, FindsChallenges) {
  auto c = FindOtpChallenge("331 Response to otp-sha1 499 ke1234 ext required");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->Hash, OtpHash::Sha1);
  EXPECT_EQ(c->Sequence, 499u);
  EXPECT_EQ(c->Seed, "ke1234");
  // The first occurrence that is a full challenge wins.
  c = FindOtpChallenge("otp-rmd160 5 x, then otp-md4 7 Seed");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->Hash, OtpHash::Md4);
  EXPECT_EQ(c->Seed, "Seed");
  EXPECT_FALSE(FindOtpChallenge("otp-md5 99"));
  EXPECT_FALSE(FindOtpChallenge("otp-md5 x99 seed"));
  EXPECT_FALSE(FindOtpChallenge("otp-Md5 99 seed"));
  EXPECT_FALSE(FindOtpChallenge("OTP-md5 99 seed"));
  // A sequence that would take hours of hashing is no challenge.
  EXPECT_FALSE(FindOtpChallenge("otp-md5 4294967295 seed"));
  EXPECT_FALSE(FindOtpChallenge("otp-md5 99999999999999999999 seed"));
}

}  // namespace
}  // namespace vorn
