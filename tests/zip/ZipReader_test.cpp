// Directory reading: odd and broken structures made by our own writer.
#include "zip/ZipReader.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <set>

#include "platform/CodePage.h"
#include "platform/WinFile.h"
#include "tests/support/Environment.h"
#include "tests/support/RealWindows.h"
#include "tests/support/RunCommand.h"
#include "tests/zip/ZipTestSupport.h"
#include "zip/Extract.h"
#include "zip/ZipMessageIds.h"
#include "zip/ZipUnpacker.h"

namespace vorn {
namespace {

using ziptest::Entry;
using ziptest::ZipBuilder;

class ReaderTest : public ::testing::Test {
 protected:
  ReaderTest() : zip(nullptr, &dialogs) {
    zip.OnMessage = [this](void*, int id, const std::string&) { messages.push_back(id); };
  }
  void Load(const std::string& bytes) { zip.SetZipFileName(temp.Write("t.zip", bytes)); }
  static ZipBuilder Three() {
    ZipBuilder b;
    b.Entries = {Entry("one.txt", "1111"), Entry("two.txt", std::string(5000, 'x'), true), Entry("three.txt", "")};
    return b;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    if (zip.Reader()) {
      for (const auto& e : zip.Reader()->Entries()) names.push_back(zip.EntryName(e));
    }
    return names;
  }

  ziptest::TempFolder temp;
  ziptest::FakeDialogs dialogs;
  TZipUnpacker zip;
  std::vector<int> messages;
};

TEST_F(ReaderTest, PlainArchiveLoadsWithItsRecordValues) {
  Load(Three().Build());
  EXPECT_EQ(zip.ErrCode(), 0);
  EXPECT_EQ(zip.ErrMessage(), "Success");
  EXPECT_EQ(zip.Count(), 3);
  EXPECT_EQ(Names(), (std::vector<std::string>{"one.txt", "two.txt", "three.txt"}));
  const TZUEntryReader& two = zip.Reader()->Entries()[1];
  EXPECT_EQ(two.ComprMethod, 8);
  EXPECT_EQ(two.UncomprSize, 5000u);
  EXPECT_EQ(two.CRC32, ziptest::Crc(std::string(5000, 'x')));
  EXPECT_LT(two.ComprSize, 5000u);
  EXPECT_EQ(two.RelOffLocal, 30u + 7 + 4);
  EXPECT_FALSE(zip.Reader()->IsOpen());  // closed after the load
  EXPECT_TRUE(zip.Reader()->Loaded());
  EXPECT_TRUE(dialogs.Requests.empty());
}

TEST_F(ReaderTest, CommentsOfEveryLengthAreFound) {
  for (size_t length : {size_t{0}, size_t{1}, size_t{10}, size_t{22}, size_t{1000}, size_t{65535}}) {
    ZipBuilder b = Three();
    b.Comment = std::string(length, 'c');
    Load(b.Build());
    EXPECT_EQ(zip.ErrCode(), 0) << length;
    EXPECT_EQ(zip.Count(), 3) << length;
    EXPECT_EQ(zip.Reader()->ArchiveComment().size(), length);
  }
  EXPECT_TRUE(dialogs.Requests.empty());
}

TEST_F(ReaderTest, CommentLengthFieldAtTheVeryEndIsWarned) {
  ZipBuilder b = Three();
  b.CommentLengthDelta = 5;  // says 5, none follow
  Load(b.Build());
  EXPECT_EQ(zip.ErrCode(), MsgEOCCommentLength);
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"EOC comment length error"});
  EXPECT_EQ(zip.Count(), 3);
  EXPECT_EQ(zip.Reader()->ArchiveComment(), "");
}

TEST_F(ReaderTest, AppendedBytesAreWarnedAndTakenAsComment) {
  ZipBuilder b = Three();
  b.Comment = "note";
  Load(b.Build() + "appended junk");
  EXPECT_EQ(zip.ErrCode(), MsgEOCCommentLength);
  EXPECT_EQ(messages, std::vector<int>{MsgEOCCommentLength});  // no structure warning
  EXPECT_EQ(zip.Count(), 3);
  EXPECT_EQ(zip.Reader()->ArchiveComment(), "noteappended junk");
}

TEST_F(ReaderTest, PrependedDataUsesTheComputedStart) {
  Load(std::string(100, 'p') + Three().Build());
  EXPECT_EQ(zip.ErrCode(), MsgStructureWarning);
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Warning - Error in zip structure!"});
  EXPECT_EQ(zip.Count(), 3);
}

TEST_F(ReaderTest, StoredStartIsUsedWhenItHoldsACentralHeader) {
  ZipBuilder b = Three();
  b.BeforeEnd = std::string(40, 'g');  // the computed start falls into these bytes
  Load(b.Build());
  EXPECT_EQ(zip.ErrCode(), MsgStructureWarning);
  EXPECT_EQ(zip.Count(), 3);
  EXPECT_EQ(zip.Reader()->CentralStart(), static_cast<int64_t>(zip.Reader()->CentralOffset()));
}

TEST_F(ReaderTest, TwoWarningsKeepTheFirst) {
  Load(std::string(10, 'p') + Three().Build() + "x");
  EXPECT_EQ(zip.ErrCode(), MsgEOCCommentLength);
  EXPECT_EQ(messages, (std::vector<int>{MsgEOCCommentLength, MsgStructureWarning}));
  EXPECT_EQ(dialogs.Requests.size(), 2u);
  EXPECT_EQ(zip.Count(), 3);
}

TEST_F(ReaderTest, TooShortOrNoEndRecordIsNotAZip) {
  for (const std::string& bytes : {std::string(), std::string(21, 'x'), std::string(22, '\0'),
                                   std::string(100000, 'z'), Three().Build().substr(0, 60)}) {
    dialogs.Requests.clear();
    Load(bytes);
    EXPECT_EQ(zip.ErrCode(), MsgNotZip) << bytes.size();
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"This archive is not a valid Zip archive"});
    EXPECT_EQ(zip.Count(), 0);
  }
}

TEST_F(ReaderTest, EndRecordBeyondTheSearchWindowIsNotFound) {
  ZipBuilder b = Three();
  b.Comment = std::string(65535, 'c');
  Load(b.Build() + "1");  // the record now starts 65558 bytes before the end
  EXPECT_EQ(zip.ErrCode(), MsgNotZip);
}

TEST_F(ReaderTest, EmptyArchiveLoads) {
  Load(ZipBuilder().Build());
  EXPECT_EQ(zip.ErrCode(), 0);
  EXPECT_EQ(zip.Count(), 0);
  EXPECT_TRUE(zip.Reader()->Loaded());
}

TEST_F(ReaderTest, MissingFileIsRecordedWithoutDialog) {
  zip.SetZipFileName(temp.Win("missing.zip"));
  EXPECT_EQ(zip.ErrCode(), MsgNoInputFile);
  EXPECT_EQ(zip.ErrMessage(), "Input file does not exist");
  EXPECT_TRUE(dialogs.Requests.empty());
  EXPECT_EQ(zip.Count(), 0);
}

TEST_F(ReaderTest, FolderCannotBeOpened) {
  std::filesystem::create_directory(temp.Host("folder.zip"));
  zip.SetZipFileName(temp.Win("folder.zip"));
  EXPECT_EQ(zip.ErrCode(), MsgZipOpen);
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Zip file could not be opened"});
}

TEST_F(ReaderTest, VORN_ON_REAL_WINDOWS(UnreadableFileCannotBeOpened)) {
#ifdef _WIN32
  VORN_SKIP_UNDER_WINE("reading is denied by the file's access-control list, which wine does not keep");
  const std::string path = temp.Write("locked.zip", Three().Build());
  // Everyone (S-1-1-0) is denied reading.
  ASSERT_EQ(test::RunCommand("icacls " + test::PathText(temp.Host("locked.zip")) + " /deny *S-1-1-0:(R)").Status, 0);
#else
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const std::string path = temp.Write("locked.zip", Three().Build());
  chmod(temp.Host("locked.zip").c_str(), 0);
#endif
  zip.SetZipFileName(path);
  EXPECT_EQ(zip.ErrCode(), MsgZipOpen);
}

TEST_F(ReaderTest, RecordCountLargerThanTheFileIsAShortRead) {
  ZipBuilder b = Three();
  b.RecordCountOverride = 65534;
  Load(b.Build());
  EXPECT_EQ(zip.ErrCode(), MsgCentralRead);  // only the 22-byte end record follows the last real one
  EXPECT_EQ(zip.Reader()->Entries().size(), 3u);
  ZipBuilder tiny;
  tiny.RecordCountOverride = 65535;
  tiny.Comment = std::string(78, 'c');  // a 100-byte file
  Load(tiny.Build());
  // 65535 asks for the Zip64 locator, which would lie before the file's start.
  EXPECT_EQ(zip.ErrCode(), MsgInputSeek);
  tiny.RecordCountOverride = 65534;
  Load(tiny.Build());
  EXPECT_EQ(zip.ErrCode(), MsgCentralSignature);  // the end record read as a central header
  tiny.Comment = "short";
  Load(tiny.Build());
  EXPECT_EQ(zip.ErrCode(), MsgCentralRead);
  EXPECT_TRUE(zip.Reader()->Entries().empty());
}

TEST_F(ReaderTest, WrongCentralSignatureKeepsTheRecordsBefore) {
  ZipBuilder b = Three();
  b.BadSignatureAt = 1;
  Load(b.Build());
  EXPECT_EQ(zip.ErrCode(), MsgCentralSignature);
  EXPECT_EQ(zip.ErrMessage(), "A central header signature is wrong");
  EXPECT_EQ(zip.Reader()->Entries().size(), 1u);
  EXPECT_EQ(zip.Reader()->Path(), "");  // cleared after a failed load
  EXPECT_FALSE(zip.Reader()->Loaded());
}

TEST_F(ReaderTest, ShortReadsAtEachPlace) {
  const std::string good = Three().Build();
  ZipBuilder b = Three();
  const size_t centralStart = good.size() - 22 - (46 * 3 + 7 + 7 + 9);
  // Cut inside the second central header, and inside the first one's name,
  // then re-attach an end record that still claims the full directory.
  for (size_t cut : {centralStart + 46 + 7 + 20, centralStart + 46 + 3}) {
    std::string bytes = good.substr(0, cut) + good.substr(good.size() - 22);
    Load(bytes);
    EXPECT_EQ(messages.back(), MsgCentralRead) << cut;
  }
}

TEST_F(ReaderTest, OffsetPastTheEndIsCaught) {
  ZipBuilder b = Three();
  b.CentralOffsetDelta = 1 << 30;
  Load(b.Build());
  EXPECT_EQ(zip.ErrCode(), MsgStructureWarning);
  EXPECT_EQ(messages, (std::vector<int>{MsgStructureWarning, MsgCentralRead}));  // the probe's short read
  EXPECT_EQ(zip.Count(), 0);
}

TEST_F(ReaderTest, Zip64RecordsAndExtraField) {
  ZipBuilder b = Three();
  for (auto& e : b.Entries) {
    e.Needed = 45;
    e.Zip64Sizes = true;
  }
  b.Zip64End = true;
  Load(b.Build());
  EXPECT_EQ(zip.ErrCode(), 0);
  EXPECT_TRUE(zip.Reader()->Zip64());
  EXPECT_EQ(zip.Count(), 3);
  const TZUEntryReader& two = zip.Reader()->Entries()[1];
  EXPECT_EQ(two.UncomprSize32, 0xFFFFFFFFu);
  EXPECT_EQ(two.UncomprSize, 5000u);
  EXPECT_EQ(two.RelOffLocal, 30u + 7 + 4);
}

TEST_F(ReaderTest, Zip64FieldIgnoredBelowVersion45) {
  ZipBuilder b = Three();
  b.Entries[0].Zip64Sizes = true;  // needed stays 20: the 32-bit values stand
  Load(b.Build());
  EXPECT_EQ(zip.Reader()->Entries()[0].UncomprSize, 0xFFFFFFFFu);
}

TEST_F(ReaderTest, ShortZip64FieldIsAnError) {
  ZipBuilder b = Three();
  b.Entries[2].Needed = 45;
  b.Entries[2].Zip64Override = std::string(12, '\0');  // needs 24 bytes
  Load(b.Build());
  EXPECT_EQ(zip.ErrCode(), MsgZip64Field);
  EXPECT_EQ(zip.Reader()->Entries().size(), 2u);
}

TEST_F(ReaderTest, Zip64VersionAndSizeChecks) {
  ZipBuilder b = Three();
  b.Zip64End = true;
  b.Zip64Needed = 46;
  Load(b.Build());
  EXPECT_EQ(zip.ErrCode(), MsgUnsupportedVersion);
  b.Zip64Needed = 45;
  b.Zip64RecordSize = 43;
  Load(b.Build());
  EXPECT_EQ(zip.ErrCode(), MsgUnsupportedVersion);
}

TEST_F(ReaderTest, Zip64LocatorDiskMismatch) {
  ZipBuilder b = Three();
  b.Zip64End = true;
  b.LocatorZip64Disk = 3;
  Load(b.Build());
  EXPECT_EQ(zip.ErrCode(), MsgEOCRead);
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Error while reading the End Of Central Directory"});
}

TEST_F(ReaderTest, Zip64RecordOffsetWrong) {
  ZipBuilder b = Three();
  b.Zip64End = true;
  b.LocatorOffsetDelta = -8;  // no Zip64 signature there: the all-ones values stand
  Load(b.Build());
  EXPECT_EQ(zip.ErrCode(), MsgStructureWarning);
  EXPECT_EQ(messages.back(), MsgCentralRead);
  b.LocatorOffsetDelta = int64_t{1} << 40;  // past the end
  Load(b.Build());
  EXPECT_EQ(zip.ErrCode(), MsgEOCRead);
  b.LocatorOffsetDelta = -(int64_t{1} << 40);  // before the start
  Load(b.Build());
  EXPECT_EQ(zip.ErrCode(), MsgInputSeek);
}

TEST_F(ReaderTest, Zip64PositionsThatDoNotAddUpAreWarned) {
  ZipBuilder b = Three();
  b.Zip64End = true;
  b.CentralOffsetDelta = -1;
  Load(b.Build());
  EXPECT_EQ(zip.ErrCode(), MsgStructureWarning);
}

TEST_F(ReaderTest, FolderEntriesAreCountedApart) {
  ZipBuilder b;
  b.Entries = {Entry("folder/"), Entry("folder/file.txt", "x")};
  Load(b.Build());
  EXPECT_EQ(zip.Count(), 1);
  EXPECT_EQ(zip.DirOnlyCnt(), 1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"folder\\", "folder\\file.txt"}));
  EXPECT_TRUE(zip.Reader()->Entries()[0].IsDirOnly);
  EXPECT_EQ(zip.Reader()->Entries()[1].ListIndex, 0);

  zip.SetUseDirOnlyEntries(true);
  Load(b.Build());
  EXPECT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.DirOnlyCnt(), 0);
}

TEST_F(ReaderTest, ProgressOfALoadInFullMode) {
  zip.SetShowProgress(ZspFull);
  std::vector<std::string> events;
  zip.OnProgress = [&](void*, TZUProgressDetails& d) {
    events.push_back(std::to_string(d.Order()) + ":" + d.ItemName() + ":" + std::to_string(d.ItemSize()) + ":" +
                     std::to_string(d.ItemPosition()));
  };
  Load(Three().Build());
  const std::vector<std::string> expected = {"0:*Loading Directory:3:0", "1:*Loading Directory:3:1",
                                             "1:*Loading Directory:3:2", "1:*Loading Directory:3:3", "3::0:3"};
  EXPECT_EQ(events, expected);
  // Loading the same name again reads it again.
  events.clear();
  Load(Three().Build());
  EXPECT_EQ(events.size(), 5u);
}

TEST_F(ReaderTest, NoEventsInNoneModeButTheWindowIsKeptAlive) {
  ziptest::FakeWindow window;
  zip.SetUserInterface(&window);
  int events = 0;
  zip.OnProgress = [&](void*, TZUProgressDetails&) { ++events; };
  Load(Three().Build());
  EXPECT_EQ(events, 0);
  EXPECT_GE(window.Processed, 3 * 2 + 2);  // per record: the progress point and the cancel test
}

TEST_F(ReaderTest, CancelDuringTheLoad) {
  zip.SetShowProgress(ZspFull);
  zip.OnProgress = [&](void*, TZUProgressDetails& d) {
    if (d.Order() == ProgressUpdate && d.ItemPosition() == 2) zip.SetCancel(true);
  };
  Load(Three().Build());
  EXPECT_EQ(zip.ErrCode(), MsgUserCanceled);
  EXPECT_EQ(zip.ErrMessage(), "User canceled operation");
  EXPECT_TRUE(dialogs.Requests.empty());
  EXPECT_EQ(zip.Count(), 0);  // a cancelled load empties the list
  EXPECT_EQ(zip.Reader(), nullptr);
}

TEST_F(ReaderTest, UnattendedLoadShowsNothing) {
  zip.SetUnattended(true);
  Load("garbage that is not a zip archive");
  EXPECT_EQ(zip.ErrCode(), MsgNotZip);
  EXPECT_TRUE(dialogs.Requests.empty());
}

TEST_F(ReaderTest, ReopenNoticesAChangedArchive) {
  Load(Three().Build());
  TZUZipReader& reader = *zip.Body().Reader();
  EXPECT_EQ(reader.Reopen(), 0);
  reader.Close();
  // Same content, new file: another index and time.
  std::filesystem::remove(temp.Host("t.zip"));
  temp.Write("t.zip", Three().Build());
  EXPECT_EQ(reader.Reopen(), MsgFileChanged);
  EXPECT_FALSE(reader.IsOpen());
  std::filesystem::remove(temp.Host("t.zip"));
  EXPECT_EQ(reader.Reopen(), MsgZipOpen);
}

// An archive given as an open file (a package checked through it) is read
// through that file alone, also by the extraction and its decode-ahead
// thread: a file put in its place by name, or its removal, changes nothing.
TEST_F(ReaderTest, VORN_ON_REAL_WINDOWS(AnOpenArchiveIsReadThroughItsHandleAlone)) {
  VORN_SKIP_UNDER_WINE("wine's ReOpenFile opens the file by its name again and its OpenFileById fails");
  ZipBuilder checked, swapped;
  checked.Entries.push_back(ziptest::Entry("m.exe", std::string(100000, 'c'), true));
  checked.Entries.push_back(ziptest::Entry("n.txt", "checked"));
  swapped.Entries.push_back(ziptest::Entry("m.exe", "swapped", true));
  const std::string name = temp.Write("t.zip", checked.Build());
  auto file = std::make_shared<WinFile>(name, FileOpen::Read);
  // Another archive takes the name. The open one is moved aside first: on
  // Windows a name with open handles on it cannot be renamed over.
  std::filesystem::rename(temp.Host("t.zip"), temp.Host("aside.zip"));
  temp.Write("t.zip", swapped.Build());
  zip.SetZipFile(name, file);
  EXPECT_EQ(zip.ZipFileName(), name);
  EXPECT_EQ(Names(), (std::vector<std::string>{"m.exe", "n.txt"}));
#ifndef _WIN32
  // Deleted too; on Windows a file deleted while open is only pending
  // deletion until closed, and no new handle may be opened on it.
  std::filesystem::remove(temp.Host("aside.zip"));
#endif
  zip.SetExtrOptions(ExtrDirNames | ExtrOverWrite | ExtrForceDirs);
  zip.SetExtrBaseDir(temp.Win("out") + "\\");
  EXPECT_EQ(zip.Extract(), 0) << zip.ErrMessage();
  EXPECT_EQ(temp.Read("out/m.exe"), std::string(100000, 'c'));
  EXPECT_EQ(temp.Read("out/n.txt"), "checked");
  // The caller's handle is its own: its position is not the reader's.
  EXPECT_EQ(file->Position(), 0);
}

TEST_F(ReaderTest, SeeksAndReadsGiveTheFileBytesWhereverTheBufferStands) {
  ZipBuilder b;
  std::string big(300000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919u) >> 5);
  b.Entries = {Entry("big.bin", big), Entry("small.txt", "abc")};
  const std::string bytes = b.Build();
  Load(bytes);
  TZUZipReader& reader = *zip.Body().Reader();
  ASSERT_EQ(reader.Reopen(), 0);
  // Small reads fill the buffer, large ones bypass it; seeks land before,
  // inside, at the end of and beyond what is buffered, also after a large
  // read has moved the file on past the buffer.
  const int64_t size = static_cast<int64_t>(bytes.size());
  uint32_t state = 2018;
  const auto next = [&state](uint32_t bound) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % bound;
  };
  int64_t position = 0;
  ASSERT_TRUE(reader.Seek(0));
  for (int step = 0; step < 400; ++step) {
    switch (next(4)) {
      case 0: position = next(static_cast<uint32_t>(size)); break;
      case 1: position = std::max<int64_t>(0, position - static_cast<int64_t>(next(70000))); break;
      case 2: position = std::min<int64_t>(size, position + static_cast<int64_t>(next(70000))); break;
      default: break;  // read on from where the last read ended
    }
    ASSERT_TRUE(reader.Seek(position));
    const size_t want = next(2) ? 30 + next(100) : 32768;
    std::string got(want, '\0');
    const int64_t n = reader.Read(got.data(), want);
    const int64_t expected = std::min<int64_t>(static_cast<int64_t>(want), size - position);
    ASSERT_EQ(n, expected) << "step " << step;
    got.resize(static_cast<size_t>(n));
    ASSERT_EQ(got, bytes.substr(static_cast<size_t>(position), static_cast<size_t>(n))) << "step " << step;
    position += n;
  }
  EXPECT_FALSE(reader.Seek(-1));
  reader.Close();
  EXPECT_FALSE(reader.Seek(0));
}

class NameTest : public ReaderTest {
 protected:
  NameTest() { SetCodePages(1252, 437); }
  ~NameTest() override { SetCodePages(1252, 850); }
  std::string NameOf(ziptest::TestEntry entry) {
    ZipBuilder b;
    b.Entries = {std::move(entry)};
    Load(b.Build());
    EXPECT_EQ(zip.ErrCode(), 0);
    return Names().at(0);
  }
};

TEST_F(NameTest, DosHostNamesUseTheOemCodePage) {
  auto e = Entry("\xE9");
  e.MadeBy = 0x0014;
  EXPECT_EQ(NameOf(e), "\xCE\x98");  // Greek capital theta in code page 437
  e.MadeBy = 0x0B32;
  EXPECT_EQ(NameOf(e), "\xCE\x98");
  e.MadeBy = 0x0614;  // OS/2
  EXPECT_EQ(NameOf(e), "\xCE\x98");
}

TEST_F(NameTest, OtherHostsUseTheAnsiCodePage) {
  auto e = Entry("caf\xE9/x");
  e.MadeBy = 0x0314;
  EXPECT_EQ(NameOf(e), "caf\xC3\xA9\\x");
}

TEST_F(NameTest, NamesDifferingOnlyInBytesWithoutACharacterStayApart) {
  // 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character in code page 1252.
  ZipBuilder b;
  for (const char* raw : {"r\x81.txt", "r\x8D.txt", "r\x8F.txt", "r\x90.txt", "r\x9D.txt", "r\xFC.txt"}) {
    b.Entries.push_back(Entry(raw));
  }
  Load(b.Build());
  const std::vector<std::string> names = Names();
  ASSERT_EQ(names.size(), b.Entries.size());
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(Utf8ToCodePage(names[i], CP_ACP), b.Entries[i].Name);
}

TEST_F(NameTest, Utf8FlagDecodesUtf8AndFallsBackToAnsi) {
  auto e = Entry("caf\xC3\xA9");
  e.Flag = 0x0800;
  EXPECT_EQ(NameOf(e), "caf\xC3\xA9");
  auto bad = Entry("\xE9");
  bad.Flag = 0x0800;
  bad.MadeBy = 0x0014;
  EXPECT_EQ(NameOf(bad), "\xC3\xA9");  // not UTF-8: code page 1252
}

TEST_F(NameTest, UnicodePathFieldWithMatchingCrcWins) {
  auto e = Entry("caf\x82.txt");
  e.MadeBy = 0x0014;
  e.Extra = ziptest::UnicodeField(0x7075, e.Name, "caf\xC3\xA9.txt");
  EXPECT_EQ(NameOf(e), "caf\xC3\xA9.txt");
  EXPECT_EQ(zip.Reader()->Entries()[0].DetectedEncoding(), ZeoUPath);
}

TEST_F(NameTest, StaleUnicodePathFieldIsIgnored) {
  auto e = Entry("caf\x82.txt");
  e.MadeBy = 0x0014;
  e.Extra = ziptest::UnicodeField(0x7075, e.Name, "other.txt", 1);
  EXPECT_EQ(NameOf(e), "caf\xC3\xA9.txt");  // 0x82 is e acute in code page 437
}

TEST_F(NameTest, ValidUnicodeCommentAloneFallsBackToAnsi) {
  auto e = Entry("caf\x82");
  e.MadeBy = 0x0014;
  e.Comment = "c";
  e.Extra = ziptest::UnicodeField(0x6375, "c", "comment");
  EXPECT_EQ(NameOf(e), "caf\xE2\x80\x9A");  // 0x82 in code page 1252
}

TEST_F(NameTest, PrintableAsciiIsNotConverted) {
  auto e = Entry("dir/Sub Dir/file-1.TXT");
  e.MadeBy = 0x0014;
  EXPECT_EQ(NameOf(e), "dir\\Sub Dir\\file-1.TXT");
}

TEST_F(NameTest, EncodingSettingOverridesDetection) {
  zip.SetEncoding(ZeoNone);
  zip.SetEncoding_CP(437);
  auto e = Entry("\xE9");
  e.Flag = 0x0800;
  EXPECT_EQ(NameOf(e), "\xCE\x98");
}

TEST(ExtraFields, LookupStopsAtTheFirstTagAndChecksBounds) {
  const std::string extra = ziptest::ExtraBlock(0x000A, "abcd") + ziptest::ExtraBlock(0x7075, "first") +
                            ziptest::ExtraBlock(0x7075, "second");
  EXPECT_EQ(FindExtraField(extra, 0x7075).value_or("?"), "first");
  EXPECT_EQ(FindExtraField(extra, 0x000A).value_or("?"), "abcd");
  EXPECT_FALSE(FindExtraField(extra, 0x0001));
  std::string overrun = ziptest::ExtraBlock(0x0001, "12345678");
  overrun.resize(overrun.size() - 1);
  EXPECT_FALSE(FindExtraField(overrun, 0x0001));
  EXPECT_FALSE(FindExtraField("\x01", 0x0001));
}

TEST(ExtraFields, Utf8Validation) {
  EXPECT_TRUE(IsValidUtf8("plain"));
  EXPECT_TRUE(IsValidUtf8("\xE2\x82\xAC\xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xE2\x82"));          // cut short
}

}  // namespace
}  // namespace vorn
