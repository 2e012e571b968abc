// Loading archives made by other programs: Debian's zip (also Zip64 and
// streamed), 7z, bsdtar and Python's zipfile. Names, sizes and CRCs must
// match what Python's zipfile reads from the same archive.
#include "zip/ZipLister.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "tests/zip/ZipTestSupport.h"
#include "zip/ZipMessageIds.h"
#include "zip/ZipUnpacker.h"
#include "tests/support/RunCommand.h"

namespace vorn {
namespace {

bool HaveTool(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

std::string Capture(const std::string& command) { return test::RunCommand(command).Output; }

class InteropTest : public ::testing::Test {
 protected:
  InteropTest() : zip(nullptr, &dialogs) {
    const auto tree = temp.Host("tree");
    std::filesystem::create_directories(tree / "sub" / "deeper");
    std::filesystem::create_directories(tree / "vuota");
    std::ofstream(tree / "a.txt") << "alpha\n";
    std::string random(100000, '\0');
    std::mt19937 gen(7);
    for (char& c : random) c = static_cast<char>(gen());
    std::ofstream(tree / "sub" / "b.bin", std::ios::binary) << random;
    std::ofstream(tree / "sub" / "deeper" / "c.txt") << std::string(70000, 'c');
  }

#ifdef _WIN32
  void SetUp() override { GTEST_SKIP() << "the peers (zip, unzip, 7z, bsdtar, python3) are Debian's programs"; }
#endif

  // Runs a shell command inside the tree folder.
  void InTree(const std::string& command) {
    const std::string full = "cd '" + temp.Host("tree").string() + "' && (" + command + ") >/dev/null 2>&1";
    ASSERT_EQ(std::system(full.c_str()), 0) << command;
  }

  // "name size crc" per record, by Python's zipfile, in directory order.
  std::string PythonListing(const std::string& archive) {
    return Capture("python3 -c \"import zipfile,sys\nfor i in zipfile.ZipFile(sys.argv[1]).infolist(): "
                   "print(i.filename, i.compress_size, i.file_size, '%08x' % i.CRC)\" '" +
                   temp.Host(archive).string() + "'");
  }

  std::string OurListing() {
    std::ostringstream out;
    for (const TZUEntryReader& e : zip.Reader()->Entries()) {
      std::string name = zip.EntryName(e);
      for (char& c : name) {
        if (c == '\\') c = '/';
      }
      char crc[9];
      std::snprintf(crc, sizeof crc, "%08x", e.CRC32);
      out << name << " " << e.ComprSize << " " << e.UncomprSize << " " << crc << "\n";
    }
    return out.str();
  }

  void ExpectSameAsPython(const std::string& archive, int count, int dirs, int errCode = 0) {
    zip.SetZipFileName(temp.Win(archive));
    EXPECT_EQ(zip.ErrCode(), errCode) << zip.ErrMessage();
    EXPECT_EQ(zip.Count(), count);
    EXPECT_EQ(zip.DirOnlyCnt(), dirs);
    EXPECT_EQ(OurListing(), PythonListing(archive));
    EXPECT_EQ(dialogs.Requests.size(), errCode ? 1u : 0u);
  }

  ziptest::TempFolder temp;
  ziptest::FakeDialogs dialogs;
  TZipUnpacker zip;
};

TEST_F(InteropTest, InfoZip) {
  if (!HaveTool("zip")) GTEST_SKIP();
  InTree("zip -qr ../z.zip a.txt sub vuota");
  ExpectSameAsPython("z.zip", 3, 3);
}

TEST_F(InteropTest, InfoZipForcedZip64) {
  if (!HaveTool("zip")) GTEST_SKIP();
  InTree("zip -qr -fz ../z64.zip a.txt sub");
  zip.SetZipFileName(temp.Win("z64.zip"));
  EXPECT_EQ(zip.ErrCode(), 0);
  EXPECT_EQ(zip.Count(), 3);
  // File entries need version 4.5 and carry their sizes in the Zip64 field.
  for (const TZUEntryReader& e : zip.Reader()->Entries()) {
    if (e.IsDirOnly) continue;
    EXPECT_GE(e.VersionNeeded & 0xFF, 45);
    EXPECT_NE(e.UncomprSize, 0xFFFFFFFFu);
  }
  const std::string python = PythonListing("z64.zip");
  EXPECT_NE(python.find("sub/b.bin"), std::string::npos);
  EXPECT_NE(OurListing().find("sub/deeper/c.txt"), std::string::npos);
}

TEST_F(InteropTest, InfoZipStreamedFromStandardInput) {
  if (!HaveTool("zip")) GTEST_SKIP();
  // zip writes a Zip64 end record and locator for data of unknown size, but
  // leaves the 32-bit end record without all-ones marks: the locator is then
  // not looked for, the computed start falls on the Zip64 record, and the
  // structure warning comes before the stored start is used.
  InTree("cat sub/b.bin | zip -q - - > ../s.zip");
  ExpectSameAsPython("s.zip", 1, 0, MsgStructureWarning);
  EXPECT_EQ(zip.Reader()->CentralStart(), static_cast<int64_t>(zip.Reader()->CentralOffset()));
}

TEST_F(InteropTest, SevenZip) {
  if (!HaveTool("7z")) GTEST_SKIP();
  InTree("7z a -tzip ../7.zip a.txt sub vuota");
  ExpectSameAsPython("7.zip", 3, 3);
}

TEST_F(InteropTest, Bsdtar) {
  if (!HaveTool("bsdtar")) GTEST_SKIP();
  InTree("bsdtar --format zip -cf ../b.zip a.txt sub vuota");
  ExpectSameAsPython("b.zip", 3, 3);
}

TEST_F(InteropTest, PythonZipfileWithZip64) {
  const std::string script =
      "import zipfile\n"
      "with zipfile.ZipFile('../p.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
      "  z.write('a.txt')\n"
      "  with z.open('big.txt', 'w', force_zip64=True) as f: f.write(b'x' * 1000)\n";
  std::ofstream(temp.Host("make.py")) << script;
  InTree("python3 ../make.py");
  ExpectSameAsPython("p.zip", 2, 0);
}

TEST_F(InteropTest, Utf8NamesFromSevenZipAndBsdtar) {
  const auto tree = temp.Host("tree");
  std::ofstream(tree / "perch\xC3\xA9.txt") << "x";
  std::ofstream(tree / "\xE2\x82\xAC uro.txt") << "y";
  for (const std::string& make : {std::string("7z a -tzip ../n7.zip perch* *uro.txt"),
                                  std::string("LC_ALL=C.UTF-8 bsdtar --format zip -cf ../nb.zip perch* *uro.txt")}) {
    if (!HaveTool(make.find("7z") == 0 ? "7z" : "bsdtar")) continue;
    InTree(make);
    const std::string archive = make.find("7z") == 0 ? "n7.zip" : "nb.zip";
    zip.SetZipFileName(temp.Win(archive));
    EXPECT_EQ(zip.ErrCode(), 0);
    std::vector<std::string> names;
    for (const auto& e : zip.Reader()->Entries()) names.push_back(zip.EntryName(e));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"perch\xC3\xA9.txt", "\xE2\x82\xAC uro.txt"})) << archive;
  }
}

}  // namespace
}  // namespace vorn
