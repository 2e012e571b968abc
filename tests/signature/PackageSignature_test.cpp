// Package signatures: the Ed25519 arithmetic against published test
// vectors, the text formats, the check of a package file against its
// signature file, and the maker's vorn-sign program.
#include "signature/PackageSignature.h"
#include "signature/InstalledReleases.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cstdio>
#include <filesystem>

#include "platform/WinFile.h"
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
    Signature signature;
    const std::string bytes = Bytes(v.Signature);
    std::copy(bytes.begin(), bytes.end(), signature.begin());
    EXPECT_TRUE(Verify(key, message, signature));
    EXPECT_FALSE(Verify(key, message + "x", signature));
    Signature flipped = signature;
    flipped[63] ^= 0x01;
    EXPECT_FALSE(Verify(key, message, flipped));
  }
  Signature second;
  const std::string bytes = Bytes(Vectors[1].Signature);
  std::copy(bytes.begin(), bytes.end(), second.begin());
  EXPECT_FALSE(Verify(ParsePublicKey(Vectors[0].Public), Bytes(Vectors[1].Message), second));
}

TEST(PackageSignatureTest, ReadsKeysStrictlyButForLineEnds) {
  const std::string key = Vectors[0].Public;
  std::string upper = key;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(ToHex(ParsePublicKey(upper + "\r\n")), key);
  EXPECT_EQ(ToHex(ParsePublicKey(key + " \n")), key);
  for (const std::string& bad : {std::string(), key.substr(2), key + "00", " " + key, key.substr(0, 63) + "g",
                                 key.substr(0, 32) + " " + key.substr(32)}) {
    EXPECT_THROW(ParsePublicKey(bad), ESignatureError) << bad;
  }
  EXPECT_EQ(KeyFingerprint(ParsePublicKey(key)).size(), 16u);
  EXPECT_NE(KeyFingerprint(ParsePublicKey(key)), KeyFingerprint(ParsePublicKey(Vectors[1].Public)));
}

// The statement's text: written as documented, read back only in that form.
TEST(PackageSignatureTest, TheSignatureFileIsReadStrictly) {
  const SecretKey secret = ParseSecretKey(Vectors[1].Secret);
  PackageStatement statement{"ZAV.ZIP", 48213, {}, 7};
  statement.Sha512.fill(0xab);
  const std::string text = SignatureFileText(secret, statement);
  std::string digits;
  for (int i = 0; i < 64; ++i) digits += "ab";
  EXPECT_EQ(text.substr(0, text.find("signature: ")),
            "format: vorn-package-signature 1\nname: ZAV.ZIP\nsize: 48213\nsha512: " + digits + "\nrelease: 7\n");
  const SignedStatement parsed = ParseSignatureFile(text);
  EXPECT_EQ(parsed.Statement, statement);
  EXPECT_TRUE(Verify(PublicKeyOf(secret), StatementText(parsed.Statement), parsed.Sig));
  // CR LF line ends, as after an ASCII-mode transfer, read the same.
  std::string crlf;
  for (const char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(ParseSignatureFile(crlf).Statement, statement);

  const auto with = [&](const std::string& from, const std::string& to) {
    std::string changed = text;
    changed.replace(changed.find(from), from.size(), to);
    return changed;
  };
  const std::string signatureLine = text.substr(text.find("signature: "));
  for (const std::string& bad : {
           std::string(), std::string(Vectors[0].Signature) + "\n",  // the one-line form of before
           text.substr(0, text.size() - 1), text + "\n", text + "extra: 1\n", with("format: ", "format:  "),
           with("vorn-package-signature 1", "vorn-package-signature 2"), with("name: ZAV.ZIP", "name:ZAV.ZIP"),
           with("name: ZAV.ZIP", "name: "), with("name: ZAV.ZIP", "name: a/ZAV.ZIP"),
           with("name: ZAV.ZIP", "name: ZAV.ZIP "), with("name: ZAV.ZIP", "name: ZAV\x01.ZIP"),
           with("size: 48213", "size: 048213"), with("size: 48213", "size: -1"), with("size: 48213", "size: 4821x"),
           with("size: 48213", "size: 9223372036854775808"), with("release: 7", "release: 0"),
           with("release: 7", "release: 07"), with("release: 7", "release: +7"),
           with("sha512: ab", "sha512: AB"), with("sha512: ab", "sha512: a"),
           with("release: 7\n", "") + "release: 7\n",  // fields out of order
           with("name: ZAV.ZIP\n", "Name: ZAV.ZIP\n"), with(signatureLine, "signature: " + std::string(127, '0') + "\n"),
           with(signatureLine, "signature: " + std::string(128, 'A') + "\n"), text + std::string(5000, '#')}) {
    EXPECT_THROW(ParseSignatureFile(bad), ESignatureError) << bad;
  }
  EXPECT_EQ(ParseRelease("9223372036854775807"), INT64_MAX);
  EXPECT_THROW(ParseRelease(""), ESignatureError);
  EXPECT_THROW(SignatureFileText(secret, {"a\\b", 1, {}, 1}), ESignatureError);
  EXPECT_THROW(SignatureFileText(secret, {"a", 1, {}, 0}), ESignatureError);
}

class PackageFileTest : public ::testing::Test {
 protected:
  PackageFileTest() : scratch_("vorn-signature") { scratch_.Point("VORN_DRIVE_C", "drive_c"); }
  std::string Win(const std::string& name) const { return ToWinPath(scratch_.Root() / name); }
  fs::path Host(const std::string& name) const { return scratch_.Root() / name; }

  PackageCheck Check(const std::string& name, const std::string& package, const std::string& signature,
                     const PublicKey& key) {
    WinFile file(Win(package), FileOpen::Read);
    return CheckPackage(key, name, file, test::ScratchFolder::Read(Host(signature)));
  }

  test::ScratchFolder scratch_;
  const SecretKey secret_ = ParseSecretKey(Vectors[1].Secret);
  const PublicKey key_ = ParsePublicKey(Vectors[1].Public);
};

TEST_F(PackageFileTest, DigestsAreOfTheWholeFileReadInBlocks) {
  test::ScratchFolder::Write(Host("P.ZIP"), std::string(2 * (1 << 20) + 5, 'z'));
  int blocks = 0;
  PackageDigest(Win("P.ZIP"), [&] { ++blocks; });
  EXPECT_EQ(blocks, 3);
  test::ScratchFolder::Write(Host("abc"), "abc");
  WinFile file(Win("abc"), FileOpen::Read);
  file.Seek(2, SeekOrigin::Begin);  // read from the start all the same
  int64_t size = 0;
  EXPECT_EQ(ToHex(PackageDigest(file, size)),  // FIPS 180-2, appendix C.1
            "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce"
            "80e2a9ac94fa54ca49f");
  EXPECT_EQ(size, 3);
  EXPECT_THROW(PackageDigest(Win("missing.zip")), ESignatureError);
}

// Each field of the statement is held against the file downloaded under
// the name asked for, and only the key's signature makes it count.
TEST_F(PackageFileTest, EveryFieldMustMatchTheDownloadedFile) {
  const std::string package(70000, 'z');
  test::ScratchFolder::Write(Host("ZAV.ZIP"), package);
  test::ScratchFolder::Write(Host("dbe_2018.zip"), "engine");
  SignPackage(secret_, Win("ZAV.ZIP"), 4, Win("ZAV.ZIP.sig"));
  SignPackage(secret_, Win("dbe_2018.zip"), 4, Win("dbe_2018.zip.sig"));
  EXPECT_FALSE(fs::exists(Host("ZAV.ZIP.sig.partial")));

  const PackageCheck good = Check("ZAV.ZIP", "ZAV.ZIP", "ZAV.ZIP.sig", key_);
  EXPECT_TRUE(good.Good()) << good.Reason;
  ASSERT_TRUE(good.Statement);
  EXPECT_EQ(good.Statement->Name, "ZAV.ZIP");
  EXPECT_EQ(good.Statement->Size, 70000);
  EXPECT_EQ(good.Statement->Release, 4);

  struct Refusal {
    const char* Case;
    std::string Name, Package, Signature;
    PackageVerdict Verdict;
  };
  // The engine package with its own signature, served as the module.
  fs::copy_file(Host("dbe_2018.zip"), Host("as-module"));
  // The same bytes and one more; one byte changed, same size.
  test::ScratchFolder::Write(Host("longer"), package + "z");
  test::ScratchFolder::Write(Host("changed"), std::string(69999, 'z') + "y");
  test::ScratchFolder::Write(Host("old.sig"), std::string(Vectors[1].Signature) + "\n");
  std::string forged = test::ScratchFolder::Read(Host("ZAV.ZIP.sig"));
  forged.replace(forged.find("release: 4"), 10, "release: 9");
  test::ScratchFolder::Write(Host("forged.sig"), forged);
  const Refusal refusals[] = {
      {"another package's signature", "ZAV.ZIP", "as-module", "dbe_2018.zip.sig", PackageVerdict::WrongName},
      {"a longer file", "ZAV.ZIP", "longer", "ZAV.ZIP.sig", PackageVerdict::WrongSize},
      {"a changed file", "ZAV.ZIP", "changed", "ZAV.ZIP.sig", PackageVerdict::WrongDigest},
      {"the one-line form of before", "ZAV.ZIP", "ZAV.ZIP", "old.sig", PackageVerdict::NotAStatement},
      {"a release changed after signing", "ZAV.ZIP", "ZAV.ZIP", "forged.sig", PackageVerdict::BadSignature},
  };
  for (const Refusal& r : refusals) {
    const PackageCheck check = Check(r.Name, r.Package, r.Signature, key_);
    EXPECT_EQ(check.Verdict, r.Verdict) << r.Case << ": " << check.Reason;
  }
  EXPECT_EQ(Check("ZAV.ZIP", "ZAV.ZIP", "ZAV.ZIP.sig", ParsePublicKey(Vectors[0].Public)).Verdict,
            PackageVerdict::BadSignature);

  // Signing again replaces the signature and leaves nothing else behind.
  SignPackage(secret_, Win("ZAV.ZIP"), 5, Win("ZAV.ZIP.sig"));
  EXPECT_EQ(Check("ZAV.ZIP", "ZAV.ZIP", "ZAV.ZIP.sig", key_).Statement->Release, 5);
  EXPECT_FALSE(fs::exists(Host("ZAV.ZIP.sig.partial")));
  EXPECT_THROW(SignPackage(secret_, Win("missing.zip"), 1, Win("missing.zip.sig")), ESignatureError);
  EXPECT_FALSE(fs::exists(Host("missing.zip.sig")));
}

// The highest release installed of each package: read strictly, raised
// only, replaced whole.
TEST_F(PackageFileTest, TheReleaseFileKeepsTheHighestRelease) {
  InstalledReleases releases(Win("Rilasci.txt"));
  releases.Load();  // missing: nothing installed yet
  EXPECT_EQ(releases.Highest("ZAV.ZIP"), 0);
  releases.Record("ZAV.ZIP", 3);
  releases.Record("dbe_2018.zip", 1);
  releases.Record("ZAV.ZIP", 2);  // lower: the file keeps 3
  InstalledReleases again(Win("Rilasci.txt"));
  again.Load();
  EXPECT_EQ(again.Highest("ZAV.ZIP"), 3);
  EXPECT_EQ(again.Highest("dbe_2018.zip"), 1);
  EXPECT_EQ(again.Highest("zav.zip"), 0);
  const std::string text = test::ScratchFolder::Read(Host("Rilasci.txt"));
  EXPECT_NE(text.find("\nZAV.ZIP 3\ndbe_2018.zip 1\n"), std::string::npos) << text;
  EXPECT_FALSE(fs::exists(Host("Rilasci.txt.partial")));
  // Written by hand with CR LF and comments: read the same.
  test::ScratchFolder::Write(Host("Rilasci.txt"), "# note\r\nZAV.ZIP 12\r\nmy package.zip 2\r\n");
  again.Load();
  EXPECT_EQ(again.Highest("ZAV.ZIP"), 12);
  EXPECT_EQ(again.Highest("my package.zip"), 2);
  for (const char* bad : {"ZAV.ZIP\n", "ZAV.ZIP 0\n", "ZAV.ZIP 3x\n", "ZAV.ZIP 3\nZAV.ZIP 4\n", " 3\n"}) {
    test::ScratchFolder::Write(Host("Rilasci.txt"), bad);
    EXPECT_THROW(again.Load(), ESignatureError) << bad;
  }
  // A file that cannot be replaced keeps what it held.
  test::ScratchFolder::Write(Host("Rilasci.txt"), "ZAV.ZIP 1\n");
  again.Load();
  fs::create_directory(Host("Rilasci.txt.partial"));
  EXPECT_THROW(again.Record("ZAV.ZIP", 2), ESignatureError);
  EXPECT_EQ(again.Highest("ZAV.ZIP"), 1);
  EXPECT_EQ(test::ScratchFolder::Read(Host("Rilasci.txt")), "ZAV.ZIP 1\n");
}

using ToolRun = test::CommandRun;

ToolRun RunSign(const std::string& arguments) {
  return test::RunCommand(test::ToolProgram("vorn-sign") + " " + arguments + " 2>&1");
}

// The maker's round: a key pair, a signed release, a check of it; the
// program's own check agrees with the tool's.
TEST_F(PackageFileTest, TheSigningToolMakesKeysSignsAndVerifies) {
  ASSERT_TRUE(fs::exists(test::ToolProgram("vorn-sign"))) << "vorn-sign is not built";
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
  const PublicKey key = ParsePublicKey(test::ScratchFolder::Read(pub));
  EXPECT_EQ(RunSign("fingerprint " + pub).Output, KeyFingerprint(key) + "\n");

  test::ScratchFolder::Write(Host("A.ZIP"), "first package");
  test::ScratchFolder::Write(Host("B.ZIP"), "second package");
  const ToolRun signedRun =
      RunSign("sign --release 12 " + secret + " " + Host("A.ZIP").string() + " " + Host("B.ZIP").string());
  ASSERT_EQ(signedRun.Status, 0) << signedRun.Output;
  EXPECT_EQ(Check("A.ZIP", "A.ZIP", "A.ZIP.sig", key).Statement->Release, 12);
  EXPECT_TRUE(Check("B.ZIP", "B.ZIP", "B.ZIP.sig", key).Good());
  ASSERT_EQ(RunSign("sign " + secret + " " + Host("B.ZIP").string()).Status, 0);
  EXPECT_EQ(Check("B.ZIP", "B.ZIP", "B.ZIP.sig", key).Statement->Release, 1);  // the default

  const ToolRun verified = RunSign("verify " + pub + " " + Host("A.ZIP").string());
  EXPECT_EQ(verified.Status, 0);
  EXPECT_EQ(verified.Output, "name: A.ZIP\nsize: 13\nsha512: " + ToHex(PackageDigest(Win("A.ZIP"))) +
                                 "\nrelease: 12\ngood\n");
  const ToolRun swapped = RunSign("verify " + pub + " " + Host("A.ZIP").string() + " " + Host("B.ZIP.sig").string());
  EXPECT_EQ(swapped.Status, 1);
  EXPECT_NE(swapped.Output.find("name: B.ZIP\n"), std::string::npos) << swapped.Output;
  EXPECT_NE(swapped.Output.find("refused: wrong name"), std::string::npos) << swapped.Output;
  test::ScratchFolder::Write(Host("old.sig"), std::string(Vectors[1].Signature) + "\n");
  const ToolRun old = RunSign("verify " + pub + " " + Host("A.ZIP").string() + " " + Host("old.sig").string());
  EXPECT_EQ(old.Status, 1);
  EXPECT_EQ(old.Output.rfind("refused: not a signature statement", 0), 0u) << old.Output;
  EXPECT_EQ(RunSign("verify " + pub + " " + Host("C.ZIP").string()).Status, 2);
  EXPECT_EQ(RunSign("verify " + secret.substr(0, secret.size() - 3) + "none " + Host("A.ZIP").string()).Status, 2);
  for (const char* wrong : {"", "sign --release 0 k p", "sign --release x k p", "sign --release 3 k", "frobnicate"}) {
    EXPECT_EQ(RunSign(wrong).Status, 2) << wrong;
  }
}

}  // namespace
}  // namespace vorn
