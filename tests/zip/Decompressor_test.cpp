// Codecs and the traditional encryption: archives encrypted by Debian's zip,
// the password rules and the password dialog.
#include "zip/Decompressor.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/zip/ZipTestSupport.h"
#include "zip/Extract.h"
#include "zip/ZipMessageIds.h"
#include "zip/ZipUnpacker.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

TEST(Codecs, InflateReadsRemainingInputAfterTheStreamEnd) {
  TZUCoDecInflate inflate;
  inflate.Reset();
  std::string input = ziptest::RawDeflate(std::string(100000, 'q')) + "trailing bytes";
  std::string output;
  const auto write = [&](const uint8_t* data, size_t size) {
    output.append(reinterpret_cast<const char*>(data), size);
    return true;
  };
  EXPECT_EQ(inflate.Decode(reinterpret_cast<const uint8_t*>(input.data()), input.size(), write), Z_OK);
  EXPECT_EQ(output, std::string(100000, 'q'));
  // Reused for the next entry after a reset.
  inflate.Reset();
  output.clear();
  const std::string second = ziptest::RawDeflate("again");
  EXPECT_EQ(inflate.Decode(reinterpret_cast<const uint8_t*>(second.data()), second.size(), write), Z_OK);
  EXPECT_EQ(output, "again");
  inflate.Reset();
  const std::string bad = "\xFF\xFF\xFF\xFF";
  EXPECT_EQ(inflate.Decode(reinterpret_cast<const uint8_t*>(bad.data()), bad.size(), write), Z_DATA_ERROR);
}

// The APPNOTE's decryption, written out plainly as a reference.
std::string ReferenceDecrypt(const std::string& password, std::string data) {
  uint32_t k0 = 0x12345678, k1 = 0x23456789, k2 = 0x34567890;
  const auto crc = [](uint32_t c, uint8_t b) {
    c ^= b;
    for (int i = 0; i < 8; ++i) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    return c;
  };
  const auto update = [&](uint8_t b) {
    k0 = crc(k0, b);
    k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
    k2 = crc(k2, static_cast<uint8_t>(k1 >> 24));
  };
  for (char c : password) update(static_cast<uint8_t>(c));
  for (char& c : data) {
    const uint32_t t = (k2 | 2) & 0xFFFF;
    c = static_cast<char>(static_cast<uint8_t>(c) ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8));
    update(static_cast<uint8_t>(c));
  }
  return data;
}

TEST(Codecs, DecryptionMatchesTheReferenceOverManyKeyStates) {
  std::string data(65536, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131 + 7);
  TZUZipCryptor cryptor("pässword");
  std::string ours = data;
  cryptor.Decrypt(reinterpret_cast<uint8_t*>(ours.data()), ours.size());
  EXPECT_EQ(ours, ReferenceDecrypt("pässword", data));
}

TEST(Codecs, ZLibResultsMapToMessages) {
  EXPECT_EQ(ZLibErrorMessage(Z_DATA_ERROR), MsgZLibData);
  EXPECT_EQ(ZLibErrorMessage(Z_ERRNO), MsgZLibFile);
  EXPECT_EQ(ZLibErrorMessage(Z_STREAM_ERROR), MsgZLibStream);
  EXPECT_EQ(ZLibErrorMessage(Z_MEM_ERROR), MsgZLibMemory);
  EXPECT_EQ(ZLibErrorMessage(Z_VERSION_ERROR), MsgZLibVersion);
  EXPECT_EQ(ZLibErrorMessage(-99), MsgZLibUnknown);
}

class EncryptedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v zip >/dev/null 2>&1") != 0) GTEST_SKIP();
    fs::create_directories(temp.Host("src"));
    std::ofstream(temp.Host("src/secret.txt")) << std::string(50000, 's') << "end";
    std::ofstream(temp.Host("src/other.txt")) << "other";
    const std::string command = "cd '" + temp.Host("src").string() + "' && zip -q -P s3cret ../e.zip secret.txt other.txt";
    ASSERT_EQ(std::system(command.c_str()), 0);
    zip.SetExtrOptions(ExtrDirNames | ExtrOverWrite | ExtrForceDirs);
    zip.SetExtrBaseDir(temp.Win("out") + "\\");
    zip.OnProgress = [this](void*, TZUProgressDetails& d) {
      if (d.Order() == ProgressUpdate) deltas.push_back(d.Delta());
    };
    zip.OnSkipped = [this](void*, const std::string& name, TZUSkipTypes, int& error) {
      skips.push_back(name + ":" + std::to_string(ZipErrId(error)));
    };
    zip.SetZipFileName(temp.Win("e.zip"));
  }
  std::string Out(const std::string& name) { return temp.Read("out/" + name); }

  ziptest::TempFolder temp;
  ziptest::FakeDialogs dialogs;
  TZipUnpacker zip{nullptr, &dialogs};
  std::vector<int64_t> deltas;
  std::vector<std::string> skips;
};

TEST_F(EncryptedTest, PasswordSetBeforehand) {
  zip.SetPassword("s3cret");
  EXPECT_EQ(zip.Extract(), 0);
  EXPECT_EQ(Out("secret.txt"), std::string(50000, 's') + "end");
  EXPECT_EQ(Out("other.txt"), "other");
  EXPECT_TRUE(dialogs.Requests.empty());
  // The 12-byte header comes as an event of its own.
  ASSERT_GE(deltas.size(), 2u);
  EXPECT_EQ(deltas[0], 12);
}

TEST_F(EncryptedTest, PasswordTypedIntoTheDialogIsKept) {
  dialogs.Password = "s3cret";
  EXPECT_EQ(zip.Extract(), 0);
  ASSERT_EQ(dialogs.Requests.size(), 1u);  // asked once, kept for the second entry
  EXPECT_EQ(dialogs.Requests[0].Title, "Password");
  EXPECT_EQ(dialogs.Requests[0].Text, "Enter Password ");
  EXPECT_EQ(dialogs.Requests[0].Kind, TZipDialogKind::Password);
  EXPECT_EQ(zip.Password(), "s3cret");
  EXPECT_EQ(Out("other.txt"), "other");
}

TEST_F(EncryptedTest, CancelInThePasswordDialogEndsWithoutAnotherDialog) {
  dialogs.Answer = ZdrCancel;
  EXPECT_EQ(zip.Extract(), MsgUserCanceled);
  EXPECT_EQ(dialogs.Requests.size(), 1u);
  EXPECT_FALSE(fs::exists(temp.Host("out/secret.txt")));
}

// zip draws the encryption header at random, and one wrong password in 256
// passes the one-byte check; such an archive is made again, so that the test
// sees the check refuse both passwords.
bool CheckByteRefuses(const fs::path& archive, const std::string& password) {
  const std::string command = "unzip -t -P '" + password + "' '" + archive.string() +
                              "' 2>&1 | grep -c 'incorrect password' | grep -qx 2";
  return std::system(command.c_str()) == 0;
}

TEST_F(EncryptedTest, WrongPasswordsAreSkipped) {
  if (std::system("command -v unzip >/dev/null 2>&1") != 0) GTEST_SKIP();
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (CheckByteRefuses(temp.Host("e.zip"), "wrong") && CheckByteRefuses(temp.Host("e.zip"), "still wrong")) break;
    fs::remove(temp.Host("e.zip"));
    const std::string command =
        "cd '" + temp.Host("src").string() + "' && zip -q -P s3cret ../e.zip secret.txt other.txt";
    ASSERT_EQ(std::system(command.c_str()), 0);
    zip.SetZipFileName(temp.Win("e.zip"));
  }
  zip.SetPassword("wrong");
  zip.SetPasswordReqCount(2);
  dialogs.Password = "still wrong";
  EXPECT_EQ(zip.Extract(), 0);
  EXPECT_EQ(dialogs.Requests.size(), 4u);  // two attempts per entry
  EXPECT_EQ(skips, (std::vector<std::string>{"secret.txt:111", "other.txt:111"}));
}

TEST_F(EncryptedTest, UnattendedWithoutPassword) {
  zip.SetUnattended(true);
  EXPECT_EQ(zip.Extract(), 0);
  EXPECT_TRUE(dialogs.Requests.empty());
  EXPECT_EQ(skips, (std::vector<std::string>{"secret.txt:128", "other.txt:128"}));
}

}  // namespace
}  // namespace vorn
