// Package signatures: the Ed25519 arithmetic against published test
// vectors, the text formats, the check of a package file against its
// signature file, and the maker's vorn-sign program.
#include "signature/PackageSignature.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cstdio>
#include <filesystem>

#include "platform/WinPath.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/RunCommand.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

struct Vector {
  const char* Secret;
  const char* Public;
  const char* Message;
  const char* Signature;
};

// RFC 8032, section 7.1, tests 1 to 3.
const Vector Vectors[] = {
    {"9d61b19deffd5a60ba844af492ec2cc44449c5697b326919703bac031cae7f60",
     "d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a", "",
     "e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24"
     "655141438e7a100b"},
    {"4ccd089b28ff96da9db6c346ec114e0f5b8a319f35aba624da8cf6ed4fb8a6fb",
     "3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c", "72",
     "92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da085ac1e43e15996e458f3613d0f11d8c387b2eaeb4302aee"
     "b00d291612bb0c00"},
    {"c5aa8df43f9f837bedb7442f31dcb7b166d38535076f094b85ce3a2e0b4458f7",
     "fc51cd8e6218a1a38da47ed00230f0580816ed13ba3303ac5deb911548908025", "af82",
     "6291d657deec24024827e69c3abe01a30ce548a284743a445e3680d7db5ac3ac18ff9b538d16f290ae67f760984dc6594a7c15e9716ed28d"
     "c027beceea1ec40a"},
};

TEST(PackageSignatureTest, MatchesThePublishedVectors) {
  for (const Vector& v : Vectors) {
    const SecretKey secret = ParseSecretKey(v.Secret);
    const PublicKey key = ParsePublicKey(v.Public);
    const std::string message = Bytes(v.Message);
    EXPECT_EQ(ToHex(PublicKeyOf(secret)), v.Public);
    EXPECT_EQ(ToHex(Sign(secret, message)), v.Signature);
    const Signature signature = *ParseSignature(v.Signature);
    EXPECT_TRUE(Verify(key, message, signature));
    EXPECT_FALSE(Verify(key, message + "x", signature));
    Signature flipped = signature;
    flipped[63] ^= 0x01;
    EXPECT_FALSE(Verify(key, message, flipped));
  }
  EXPECT_FALSE(Verify(ParsePublicKey(Vectors[0].Public), Bytes(Vectors[1].Message), *ParseSignature(Vectors[1].Signature)));
}

TEST(PackageSignatureTest, ReadsHexTextStrictlyButForLineEnds) {
  const std::string key = Vectors[0].Public;
  std::string upper = key;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(ToHex(ParsePublicKey(upper + "\r\n")), key);
  EXPECT_EQ(ToHex(ParsePublicKey(key + " \n")), key);
  for (const std::string& bad : {std::string(), key.substr(2), key + "00", " " + key, key.substr(0, 63) + "g",
                                 key.substr(0, 32) + " " + key.substr(32)}) {
    EXPECT_THROW(ParsePublicKey(bad), ESignatureError) << bad;
  }
  EXPECT_TRUE(ParseSignature(std::string(Vectors[0].Signature) + "\n"));
  EXPECT_FALSE(ParseSignature(Vectors[0].Public));
  EXPECT_FALSE(ParseSignature(Bytes(Vectors[0].Signature)));  // raw bytes are not the format
}

class PackageFileTest : public ::testing::Test {
 protected:
  PackageFileTest() : scratch_("vorn-signature") { scratch_.Point("VORN_DRIVE_C", "drive_c"); }
  std::string Win(const std::string& name) const { return ToWinPath(scratch_.Root() / name); }
  fs::path Host(const std::string& name) const { return scratch_.Root() / name; }

  test::ScratchFolder scratch_;
  const SecretKey secret_ = ParseSecretKey(Vectors[1].Secret);
  const PublicKey key_ = ParsePublicKey(Vectors[1].Public);
};

TEST_F(PackageFileTest, OnlyTheKeysSignatureOfTheWholeFileIsGood) {
  const std::string package(2 * (1 << 20) + 5, 'z');
  test::ScratchFolder::Write(Host("P.ZIP"), package);
  SignPackage(secret_, Win("P.ZIP"), Win("P.ZIP.sig"));
  // The message signed is the SHA-512 digest of the file, read in blocks.
  int blocks = 0;
  const Digest digest = PackageDigest(Win("P.ZIP"), [&] { ++blocks; });
  EXPECT_EQ(blocks, 3);
  test::ScratchFolder::Write(Host("abc"), "abc");
  EXPECT_EQ(ToHex(PackageDigest(Win("abc"))),  // FIPS 180-2, appendix C.1
            "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce"
            "80e2a9ac94fa54ca49f");
  EXPECT_THROW(PackageDigest(Win("missing.zip")), ESignatureError);
  EXPECT_EQ(test::ScratchFolder::Read(Host("P.ZIP.sig")),
            ToHex(Sign(secret_, std::string(digest.begin(), digest.end()))) + "\n");
  EXPECT_TRUE(IsPackageSignatureGood(key_, Win("P.ZIP"), Win("P.ZIP.sig")));
  EXPECT_FALSE(IsPackageSignatureGood(ParsePublicKey(Vectors[0].Public), Win("P.ZIP"), Win("P.ZIP.sig")));

  EXPECT_FALSE(IsPackageSignatureGood(key_, Win("P.ZIP"), Win("missing.sig")));
  EXPECT_FALSE(IsPackageSignatureGood(key_, Win("missing.zip"), Win("P.ZIP.sig")));
  test::ScratchFolder::Write(Host("empty.sig"), "");
  EXPECT_FALSE(IsPackageSignatureGood(key_, Win("P.ZIP"), Win("empty.sig")));
  // A long file that starts with the good signature is not read whole.
  test::ScratchFolder::Write(Host("long.sig"), test::ScratchFolder::Read(Host("P.ZIP.sig")) + std::string(10000, '\n'));
  EXPECT_FALSE(IsPackageSignatureGood(key_, Win("P.ZIP"), Win("long.sig")));

  test::ScratchFolder::Write(Host("P.ZIP"), package + "z");
  EXPECT_FALSE(IsPackageSignatureGood(key_, Win("P.ZIP"), Win("P.ZIP.sig")));
  // Signing again replaces the signature and leaves nothing else behind.
  SignPackage(secret_, Win("P.ZIP"), Win("P.ZIP.sig"));
  EXPECT_TRUE(IsPackageSignatureGood(key_, Win("P.ZIP"), Win("P.ZIP.sig")));
  EXPECT_FALSE(fs::exists(Host("P.ZIP.sig.partial")));
  EXPECT_THROW(SignPackage(secret_, Win("missing.zip"), Win("missing.zip.sig")), ESignatureError);
  EXPECT_FALSE(fs::exists(Host("missing.zip.sig")));
}

using ToolRun = test::CommandRun;

ToolRun RunSign(const std::string& arguments) {
  return test::RunCommand(test::ToolProgram("vorn-sign") + " " + arguments + " 2>&1");
}

// The maker's round: a key pair, a signed release, a check of it; the
// program's own check agrees with the tool's.
TEST_F(PackageFileTest, TheSigningToolMakesKeysSignsAndVerifies) {
  if (!fs::exists(test::ToolProgram("vorn-sign"))) GTEST_SKIP() << "vorn-sign is not built";
  const std::string secret = Host("maker.key").string(), pub = Host("maker.pub").string();
  const ToolRun made = RunSign("keygen " + secret + " " + pub);
  ASSERT_EQ(made.Status, 0) << made.Output;
  EXPECT_EQ(made.Output, test::ScratchFolder::Read(pub));
#ifndef _WIN32
  struct stat info {};
  ASSERT_EQ(stat(secret.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
#endif
  const ToolRun again = RunSign("keygen " + secret + " " + Host("other.pub").string());
  EXPECT_EQ(again.Status, 2);
  EXPECT_NE(again.Output.find("exists already"), std::string::npos) << again.Output;
  EXPECT_EQ(made.Output, test::ScratchFolder::Read(pub));

  test::ScratchFolder::Write(Host("A.ZIP"), "first package");
  test::ScratchFolder::Write(Host("B.ZIP"), "second package");
  ASSERT_EQ(RunSign("sign " + secret + " " + Host("A.ZIP").string() + " " + Host("B.ZIP").string()).Status, 0);
  const PublicKey key = ParsePublicKey(test::ScratchFolder::Read(pub));
  EXPECT_TRUE(IsPackageSignatureGood(key, Win("A.ZIP"), Win("A.ZIP.sig")));
  EXPECT_TRUE(IsPackageSignatureGood(key, Win("B.ZIP"), Win("B.ZIP.sig")));

  EXPECT_EQ(RunSign("verify " + pub + " " + Host("A.ZIP").string()).Output, "good\n");
  const ToolRun swapped = RunSign("verify " + pub + " " + Host("A.ZIP").string() + " " + Host("B.ZIP.sig").string());
  EXPECT_EQ(swapped.Output, "bad\n");
  EXPECT_EQ(swapped.Status, 1);
  EXPECT_EQ(RunSign("verify " + pub + " " + Host("C.ZIP").string()).Status, 2);
  EXPECT_EQ(RunSign("verify " + secret.substr(0, secret.size() - 3) + "none " + Host("A.ZIP").string()).Status, 2);
  EXPECT_EQ(RunSign("").Status, 2);
}

}  // namespace
}  // namespace vorn
