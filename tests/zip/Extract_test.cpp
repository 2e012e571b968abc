// Extraction: selection, safety of names, the overwrite rule, progress
// events, failures by the failure table, and that an existing file is only
// ever replaced by complete, CRC-checked content.
#include "zip/Extract.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "platform/FileSystem.h"
#include "tests/support/RealWindows.h"
#include "tests/support/RunCommand.h"
#include "tests/zip/ZipTestSupport.h"
#include "zip/ZipMessageIds.h"
#include "zip/ZipUnpacker.h"

namespace vorn {
namespace {

using ziptest::Entry;
using ziptest::ZipBuilder;
namespace fs = std::filesystem;

std::string RandomBytes(size_t size, unsigned seed) {
  std::string out(size, '\0');
  std::mt19937 gen(seed);
  for (char& c : out) c = static_cast<char>(gen());
  return out;
}

class ExtractTest : public ::testing::Test {
 protected:
  ExtractTest() : zip(nullptr, &dialogs) {
    fs::create_directories(temp.Host("out"));
    zip.SetExtrOptions(ExtrDirNames | ExtrOverWrite | ExtrForceDirs);
    zip.SetExtrBaseDir(temp.Win("out") + "\\");
    zip.OnMessage = [this](void*, int id, const std::string& text) { messages.push_back(std::to_string(id) + " " + text); };
    zip.OnProgress = [this](void*, TZUProgressDetails& d) {
      events.push_back(d.Order());
      if (d.Order() == ProgressUpdate) deltas.push_back(d.Delta());
    };
    zip.OnSkipped = [this](void*, const std::string& name, TZUSkipTypes reason, int& error) {
      skips.push_back(name + ":" + SkipTypeName(reason) + ":" + std::to_string(ZipErrId(error)));
    };
  }
  int ExtractArchive(const ZipBuilder& builder) {
    zip.SetZipFileName(temp.Write("t.zip", builder.Build()));
    return zip.Extract();
  }
  std::string Out(const std::string& relative) const { return temp.Read("out/" + relative); }
  bool Exists(const std::string& relative) const { return fs::exists(temp.Host("out/" + relative)); }
  // Files left anywhere in the test folder, beside the archive.
  std::vector<std::string> AllFiles() const {
    std::vector<std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(temp.Root())) {
      const std::string rel = fs::relative(item.path(), temp.Root()).generic_string();
      if (item.is_regular_file() && rel != "t.zip" && rel.rfind("drive_c", 0) != 0) files.push_back(rel);
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  ziptest::TempFolder temp;
  ziptest::FakeDialogs dialogs;
  TZipUnpacker zip;
  std::vector<std::string> messages, skips;
  std::vector<TZUProgressType> events;
  std::vector<int64_t> deltas;
};

TEST_F(ExtractTest, EverythingWithFoldersAndTheTypicalEventSequence) {
  ZipBuilder b;
  b.Entries = {Entry("Dbe_2018/"), Entry("Dbe_2018/Setup.exe", RandomBytes(5000, 1), true),
               Entry("readme.txt", "hello")};
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(zip.ErrMessage(), "Success");
  EXPECT_EQ(zip.SuccessCnt(), 3);
  EXPECT_EQ(Out("Dbe_2018/Setup.exe"), RandomBytes(5000, 1));
  EXPECT_EQ(Out("readme.txt"), "hello");
  EXPECT_EQ(zip.FSpecArgs(), (std::vector<std::string>{"Dbe_2018\\", "Dbe_2018\\Setup.exe", "readme.txt"}));
  EXPECT_TRUE(zip.FSpecArgsExcl().empty());
  const std::vector<TZUProgressType> expected = {TotalFiles2Process, TotalSize2Process, NewFile,   NewFile,
                                                 ProgressUpdate,     EndOfItem,         NewFile,   ProgressUpdate,
                                                 EndOfItem,          EndOfBatch};
  EXPECT_EQ(events, expected);
  EXPECT_EQ(messages.back(), "0 Unzipped file readme.txt of size 5");
  EXPECT_EQ(zip.ShowProgress(), ZspFull);
  EXPECT_TRUE(dialogs.Requests.empty());
  EXPECT_FALSE(zip.Body().Reader()->IsOpen());
  EXPECT_EQ(AllFiles(), (std::vector<std::string>{"out/Dbe_2018/Setup.exe", "out/readme.txt"}));
}

TEST_F(ExtractTest, TimesAndAttributesComeFromTheEntry) {
  ZipBuilder b;
  b.Entries = {Entry("ro.txt", "r")};
  b.Entries[0].ExtAttr = FILE_ATTRIBUTE_READONLY;
  EXPECT_EQ(ExtractArchive(b), 0);
  FileTime expected = 0;
  ASSERT_TRUE(DosDateTimeToFileTime(0x58E1, 0x6000, expected));
  FileInfo info;
  ASSERT_TRUE(GetFileInfo(temp.Win("out/ro.txt"), info));
  EXPECT_EQ(info.LastWriteTime, expected);
  EXPECT_TRUE(info.Attributes & FILE_ATTRIBUTE_READONLY);
}

TEST_F(ExtractTest, ExistingReadOnlyAndNewerTargetsAreReplaced) {
  std::ofstream(temp.Host("out/a.txt")) << "old content";
  SetFileAttributes(temp.Win("out/a.txt"), FILE_ATTRIBUTE_READONLY);
  std::ofstream(temp.Host("out/b.txt")) << "newer";
  SetFileLastWriteTime(temp.Win("out/b.txt"), FileTimeNow());
  ZipBuilder b;
  b.Entries = {Entry("a.txt", "new a"), Entry("B.TXT", "new b")};
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(Out("a.txt"), "new a");
  EXPECT_EQ(Out("b.txt"), "new b");
  EXPECT_FALSE(GetFileAttributes(temp.Win("out/a.txt")) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(zip.SuccessCnt(), 2);
}

// A temporary file left by an extraction that was killed while replacing a
// file goes with the next replacement in its folder; those of a writer that
// still runs, and names that are not ours, stay.
TEST_F(ExtractTest, WritingClearsTheTemporaryFilesOfKilledExtractions) {
  const unsigned child = test::EndedProcessId();
  ASSERT_GT(child, 0u);
  auto name = [](unsigned writer) {
    char text[32];
    std::snprintf(text, sizeof text, "~vzt%08x0000abcd.tmp", writer);
    return std::string(text);
  };
  fs::create_directories(temp.Host("out/sub"));
  std::ofstream(temp.Host("out/sub/a.txt")) << "old";
  const std::string dead = name(child), running = name(test::CurrentProcessId());
  for (const std::string& left : {dead, running, std::string("~vztnotours.tmp")}) {
    std::ofstream(temp.Host("out/sub/" + left)) << "half";
  }
  std::ofstream(temp.Host("out/" + dead)) << "half";  // a new file written there too
  fs::create_directories(temp.Host("out/other"));
  std::ofstream(temp.Host("out/other/" + dead)) << "half";  // nothing written there: left alone
  ZipBuilder b;
  b.Entries = {Entry("sub/a.txt", "new"), Entry("b.txt", "new b")};
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(Out("sub/a.txt"), "new");
  EXPECT_FALSE(Exists("sub/" + dead));
  EXPECT_TRUE(Exists("sub/" + running));
  EXPECT_TRUE(Exists("sub/~vztnotours.tmp"));
  EXPECT_FALSE(Exists(dead));
  EXPECT_TRUE(Exists("other/" + dead));
}

TEST_F(ExtractTest, WithoutOverwriteExistingFilesAreKept) {
  zip.SetExtrOptions(ExtrDirNames | ExtrForceDirs);
  std::ofstream(temp.Host("out/a.txt")) << "keep";
  ZipBuilder b;
  b.Entries = {Entry("a.txt", "new")};
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(Out("a.txt"), "keep");
  EXPECT_EQ(skips, std::vector<std::string>{"a.txt:StNoOverwrite:92"});
}

TEST_F(ExtractTest, UnsafeNamesAreSkippedAndNothingIsWrittenOutside) {
  ZipBuilder b;
  for (const std::string name : {"../x.txt", "..\\y.txt", "/abs.txt", "\\root.txt", "C:c.txt", "C:\\d.txt",
                                 "\\\\server\\share\\e.txt", "con.txt", "Con.txt", "LPT1", "trailing /f",
                                 "dot./g", "a/../../h.txt"}) {
    b.Entries.push_back(Entry(name, "x"));
  }
  b.Entries.push_back(Entry(std::string(300, 'l') + ".txt", "x"));
  b.Entries.push_back(Entry("a/../fine.txt", "fine"));
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(zip.SuccessCnt(), 1);
  EXPECT_EQ(AllFiles(), std::vector<std::string>{"out/fine.txt"});
  EXPECT_EQ(zip.FSpecArgs(), std::vector<std::string>{"a\\..\\fine.txt :: fine.txt"});
  EXPECT_EQ(skips.size(), 14u);
  EXPECT_EQ(skips[0], "..\\x.txt:StGeneralExtractError:26");
  EXPECT_EQ(zip.FSpecArgsExcl().size(), 14u);
  EXPECT_TRUE(dialogs.Requests.empty());
  EXPECT_EQ(zip.ErrCode(), 0);
}

TEST_F(ExtractTest, VORN_ON_REAL_WINDOWS(FileOrLinkInTheWayOfAFolder)) {
  VORN_SKIP_UNDER_WINE("wine's symbolic links are not the reparse points the folder walk refuses");
  std::ofstream(temp.Host("out/x")) << "a file";
  // Links placed beforehand inside the base folder, to a folder and a file
  // outside it: a path is never walked through one, and a link where a file
  // goes is replaced by the file.
  fs::create_directories(temp.Host("outside/deep"));
  std::ofstream(temp.Host("outside/x.txt")) << "outside";
  std::ofstream(temp.Host("outside/file.txt")) << "outside file";
  fs::create_directory_symlink(temp.Host("outside"), temp.Host("out/sub"));
  fs::create_symlink(temp.Host("outside/file.txt"), temp.Host("out/link.txt"));
  ZipBuilder b;
  b.Entries = {Entry("x/"),          Entry("x/y.txt", "y"),           Entry("z/deep/w.txt", "w"),
               Entry("sub/x.txt", "in"), Entry("SUB/new/n.txt", "n"), Entry("sub/deep/"),
               Entry("sub/"),        Entry("link.txt", "replaced")};
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(skips, (std::vector<std::string>{"x\\:StPathError:30", "x\\y.txt:StPathError:30",
                                             "sub\\x.txt:StPathError:30", "SUB\\new\\n.txt:StPathError:30",
                                             "sub\\deep\\:StPathError:30", "sub\\:StPathError:30"}));
  EXPECT_EQ(zip.SuccessCnt(), 2);
  EXPECT_EQ(Out("x"), "a file");
  EXPECT_EQ(Out("z/deep/w.txt"), "w");
  EXPECT_FALSE(fs::is_symlink(temp.Host("out/link.txt")));
  EXPECT_EQ(Out("link.txt"), "replaced");
  // Nothing outside changed.
  EXPECT_EQ(temp.Read("outside/x.txt"), "outside");
  EXPECT_EQ(temp.Read("outside/file.txt"), "outside file");
  EXPECT_FALSE(fs::exists(temp.Host("outside/new")));
  EXPECT_EQ(AllFiles(), (std::vector<std::string>{"out/link.txt", "out/x", "out/z/deep/w.txt", "outside/file.txt",
                                                  "outside/x.txt"}));
  EXPECT_TRUE(dialogs.Requests.empty());
}

TEST_F(ExtractTest, UnixSymbolicLinkBecomesAPlainFile) {
  ZipBuilder b;
  b.Entries = {Entry("link", "/etc/passwd")};
  b.Entries[0].ExtAttr = 0120777u << 16;
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_FALSE(fs::is_symlink(temp.Host("out/link")));
  EXPECT_EQ(Out("link"), "/etc/passwd");
}

TEST_F(ExtractTest, ProgressCountsPerBlock) {
  ZipBuilder b;
  b.Entries = {Entry("empty.txt", ""), Entry("big.bin", RandomBytes(100000, 2))};
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(Out("empty.txt"), "");
  EXPECT_EQ(deltas, (std::vector<int64_t>{32768, 32768, 32768, 1696}));
  EXPECT_EQ(zip.ProgressDetail().TotalSize(), 100000);
  EXPECT_EQ(zip.TotalSizeToProcess(), 100000);
}

TEST_F(ExtractTest, DeclaredSizesAddUpWithoutOverflow) {
  // Six Zip64 entries that each declare 2^62 compressed bytes: their sum
  // stops at the largest size instead of turning negative.
  ZipBuilder b;
  uint64_t offset = 0;
  for (const char* name : {"e1", "e2", "e3", "e4", "e5", "e6"}) {
    auto e = Entry(name, "x");
    e.Needed = 45;
    ziptest::Put64(e.Zip64Override, 1);
    ziptest::Put64(e.Zip64Override, uint64_t{1} << 62);
    ziptest::Put64(e.Zip64Override, offset);
    offset += 30 + 2 + 1;
    b.Entries.push_back(e);
  }
  int32_t percent = 0;
  zip.OnProgress = [&](void*, TZUProgressDetails& d) {
    if (d.Order() == TotalSize2Process) {
      EXPECT_EQ(d.TotalSize(), INT64_MAX);
    }
    percent = std::max(percent, d.TotalPerCent());
  };
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(zip.TotalSizeToProcess(), INT64_MAX);
  EXPECT_EQ(zip.ProgressDetail().TotalSize(), INT64_MAX);
  EXPECT_EQ(percent, 0);  // a few hundred bytes of 2^63
}

TEST_F(ExtractTest, LargeEntriesArriveWholeAndReplaceNamesInAnotherCase) {
  // Entries of many blocks, stored and deflated, next to small
  // ones; existing files named in another letter case are replaced, not
  // doubled.
  fs::create_directories(temp.Host("out/Dati"));
  std::ofstream(temp.Host("out/Dati/grande.BIN")) << "old";
  std::ofstream(temp.Host("out/Dati/piccolo.txt")) << "old";
  std::string text;
  for (int i = 0; text.size() < 900000; ++i) text += "riga " + std::to_string(i * 7) + " del referto\n";
  ZipBuilder b;
  b.Entries = {Entry("dati/GRANDE.bin", RandomBytes(700001, 5)), Entry("DATI/Piccolo.TXT", "nuovo"),
               Entry("dati/testo.txt", text, true), Entry("dati/altro.bin", RandomBytes(262144, 6), true)};
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(zip.SuccessCnt(), 4);
  EXPECT_EQ(Out("Dati/grande.BIN"), RandomBytes(700001, 5));
  EXPECT_EQ(Out("Dati/piccolo.txt"), "nuovo");
  EXPECT_EQ(Out("Dati/testo.txt"), text);
  EXPECT_EQ(Out("Dati/altro.bin"), RandomBytes(262144, 6));
  EXPECT_EQ(AllFiles(), (std::vector<std::string>{"out/Dati/altro.bin", "out/Dati/grande.BIN", "out/Dati/piccolo.txt",
                                                  "out/Dati/testo.txt"}));
  int64_t total = 0;
  for (const int64_t delta : deltas) total += delta;
  EXPECT_EQ(total, zip.TotalSizeToProcess());
}

TEST_F(ExtractTest, CrcErrorRemovesTheNewFileAndKeepsTheOld) {
  std::ofstream(temp.Host("out/two.txt")) << "precious";
  ZipBuilder b;
  b.Entries = {Entry("one.txt", "1"), Entry("two.txt", "2222", true), Entry("three.txt", "3")};
  b.Entries[1].CrcDelta = 1;
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(Out("two.txt"), "precious");
  EXPECT_EQ(Out("one.txt"), "1");
  EXPECT_EQ(Out("three.txt"), "3");
  EXPECT_EQ(zip.FSpecArgsExcl(), std::vector<std::string>{"two.txt"});
  EXPECT_EQ(skips, std::vector<std::string>{"two.txt:StCRCError:24"});
  EXPECT_EQ(AllFiles(), (std::vector<std::string>{"out/one.txt", "out/three.txt", "out/two.txt"}));
}

TEST_F(ExtractTest, CorruptDeflateEndsTheExtractionAndKeepsTheOldFile) {
  std::ofstream(temp.Host("out/two.txt")) << "precious";
  ZipBuilder b;
  b.Entries = {Entry("one.txt", "1"), Entry("two.txt", std::string(1000, 'z'), true), Entry("three.txt", "3")};
  b.Entries[1].StoredOverride = std::string("\xFF\xFF\xFF\xFF garbage that is not deflate", 32);
  EXPECT_EQ(ExtractArchive(b), MsgZLibData);
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"ZLib Error: Data error"});
  EXPECT_EQ(Out("two.txt"), "precious");
  EXPECT_FALSE(Exists("three.txt"));
  EXPECT_EQ(events.back(), EndOfBatch);
  EXPECT_EQ(AllFiles(), (std::vector<std::string>{"out/one.txt", "out/two.txt"}));
}

TEST_F(ExtractTest, LongerDataThanRecordedIsWrongLength) {
  ZipBuilder b;
  b.Entries = {Entry("x.txt", "abcdef")};
  b.Entries[0].SizeOverride = 3;
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(skips, std::vector<std::string>{"x.txt:StGeneralExtractError:134"});
  EXPECT_FALSE(Exists("x.txt"));
}

TEST_F(ExtractTest, RecordedSizesThatDoNotFitTheData) {
  // More compressed bytes than the entry has: the reading runs on into the
  // directory and writes more than the recorded size.
  ZipBuilder b;
  b.Entries = {Entry("x.bin", RandomBytes(7000, 3))};
  std::string bytes = b.Build();
  const size_t central = bytes.size() - 22 - 46 - 5;
  bytes[18] = bytes[central + 20] = '\x40';
  bytes[19] = bytes[central + 21] = '\x1F';
  zip.SetZipFileName(temp.Write("t.zip", bytes));
  EXPECT_EQ(zip.Extract(), 0);
  EXPECT_EQ(skips, std::vector<std::string>{"x.bin:StGeneralExtractError:134"});

  // Fewer compressed bytes than the Deflate stream needs: the output is
  // short and the CRC check fails.
  skips.clear();
  ZipBuilder d;
  d.Entries = {Entry("y.bin", RandomBytes(70000, 5), true)};
  const std::string full = ziptest::RawDeflate(RandomBytes(70000, 5));
  d.Entries[0].StoredOverride = full.substr(0, full.size() / 2);
  EXPECT_EQ(ExtractArchive(d), 0);
  EXPECT_EQ(skips, std::vector<std::string>{"y.bin:StCRCError:24"});
  EXPECT_FALSE(Exists("x.bin"));
  EXPECT_FALSE(Exists("y.bin"));
  EXPECT_EQ(AllFiles(), std::vector<std::string>{});
}

TEST_F(ExtractTest, UnsupportedMethodAndVersion) {
  ZipBuilder b;
  b.Entries = {Entry("imploded", "x"), Entry("deflate64", "x"), Entry("future", "x"), Entry("ok", "x")};
  b.Entries[0].Method = 6;
  b.Entries[1].Method = 9;
  b.Entries[2].Needed = 63;
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(skips, (std::vector<std::string>{"imploded:StCompressionUnknown:131", "deflate64:StCompressionUnknown:131",
                                             "future:StCompressionUnknown:131"}));
  EXPECT_EQ(Out("ok"), "x");
  // Entries refused before their start get no NewFile.
  EXPECT_EQ(std::count(events.begin(), events.end(), NewFile), 2);
}

TEST_F(ExtractTest, SelectionBySpecificationsAndExclusions) {
  ZipBuilder b;
  b.Entries = {Entry("a.txt", "a"), Entry("b.log", "b"), Entry("dir/c.txt", "c"), Entry("dir/d.dat", "d")};
  zip.FSpecArgs() = {"B.LOG", "dir/*.txt|*.dat", "missing.txt"};
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(AllFiles(), (std::vector<std::string>{"out/b.log", "out/dir/c.txt", "out/dir/d.dat"}));
  EXPECT_EQ(skips, std::vector<std::string>{"missing.txt:StNotFound:102"});
  EXPECT_EQ(zip.FSpecArgsExcl(), std::vector<std::string>{"missing.txt"});

  // The skipped names become the next exclusion list.
  fs::remove_all(temp.Host("out"));
  zip.FSpecArgs().clear();
  zip.FSpecArgsExcl() = {"a.txt", "dir\\?.dat"};
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(AllFiles(), (std::vector<std::string>{"out/b.log", "out/dir/c.txt"}));
}

TEST_F(ExtractTest, QuestionMarkNeverMatchesASeparator) {
  EXPECT_TRUE(ZipSpecMatch("dir?c.txt", "dirXc.txt"));
  EXPECT_FALSE(ZipSpecMatch("dir?c.txt", "dir\\c.txt"));
  EXPECT_TRUE(ZipSpecMatch("*.TXT", "dir\\c.txt"));
  EXPECT_TRUE(ZipSpecMatch("x|*.*", "anything"));
  EXPECT_FALSE(ZipSpecMatch("a*b*c*d*e*f*g*h*i*j*k", std::string(5000, 'a')));
}

TEST_F(ExtractTest, ManySpecificationsReportExtraProgress) {
  ZipBuilder b;
  for (int i = 0; i < 12; ++i) b.Entries.push_back(Entry("f" + std::to_string(i), "x"));
  for (int i = 0; i < 12; ++i) zip.FSpecArgs().push_back("f" + std::to_string(i));
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(events[0], NewExtra);
  EXPECT_EQ(std::count(events.begin(), events.end(), ExtraUpdate), 12);
  EXPECT_EQ(zip.SuccessCnt(), 12);
}

TEST_F(ExtractTest, NothingSelectedOrNoArchive) {
  ZipBuilder b;
  b.Entries = {Entry("a.txt", "a")};
  zip.FSpecArgs() = {"zzz"};
  EXPECT_EQ(ExtractArchive(b), MsgNothingToDo);
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Nothing to do"});

  TZipUnpacker fresh(nullptr, &dialogs);
  EXPECT_EQ(fresh.Extract(), MsgNoZipSpecified);
  EXPECT_EQ(fresh.ErrMessage(), "Error - no zip file specified!");
}

TEST_F(ExtractTest, MissingArchiveIsShownAtExtract) {
  zip.SetZipFileName(temp.Win("missing.zip"));
  EXPECT_TRUE(dialogs.Requests.empty());
  EXPECT_EQ(zip.Extract(), MsgNoInputFile);
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Input file does not exist"});
}

TEST_F(ExtractTest, TruncatedArchiveIsShownAtLoadAndAgainAtExtract) {
  zip.SetZipFileName(temp.Write("t.zip", std::string(30, 'x')));
  EXPECT_EQ(zip.Extract(), MsgNotZip);
  EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{"This archive is not a valid Zip archive",
                                                       "This archive is not a valid Zip archive"}));
}

TEST_F(ExtractTest, ArchiveChangedAfterLoading) {
  ZipBuilder b;
  b.Entries = {Entry("a.txt", "a")};
  zip.SetZipFileName(temp.Write("t.zip", b.Build()));
  fs::remove(temp.Host("t.zip"));
  temp.Write("t.zip", b.Build() + "x");
  EXPECT_EQ(zip.Extract(), MsgFileChanged);
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"File changed"});
  EXPECT_FALSE(Exists("a.txt"));
  EXPECT_EQ(std::count(events.begin(), events.end(), EndOfBatch), 0);
}

TEST_F(ExtractTest, ExtractFromProgressIsRefused) {
  ZipBuilder b;
  b.Entries = {Entry("a.txt", "a"), Entry("b.txt", "b")};
  int nested = -1;
  zip.OnProgress = [&](void*, TZUProgressDetails& d) {
    if (d.Order() == NewFile && d.ItemNumber() == 1) nested = zip.Extract();
  };
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(nested, MsgBusy);
  EXPECT_EQ(zip.SuccessCnt(), 2);
  EXPECT_EQ(zip.BlockedCnt(), 1);
  EXPECT_EQ(zip.State(), ZsReentered);
  EXPECT_TRUE(dialogs.Requests.empty());
}

TEST_F(ExtractTest, StopSkipsTheRemainingEntries) {
  ZipBuilder b;
  b.Entries = {Entry("a.txt", "a"), Entry("b.txt", "b"), Entry("c.txt", "c")};
  bool stopSeenAtEnd = true;
  zip.OnProgress = [&](void*, TZUProgressDetails& d) {
    if (d.Order() == EndOfItem && d.ItemNumber() == 1) d.SetStop(true);
    if (d.Order() == EndOfBatch) stopSeenAtEnd = d.Stop();
  };
  EXPECT_EQ(ExtractArchive(b), MsgEntryCancelled);
  EXPECT_FALSE(stopSeenAtEnd);
  EXPECT_EQ(zip.SuccessCnt(), 1);
  EXPECT_EQ(skips, (std::vector<std::string>{"b.txt:StUser:45", "c.txt:StUser:45"}));
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Entry cancelled"});
}

TEST_F(ExtractTest, CancelDuringDecodingKeepsTheOldFile) {
  std::ofstream(temp.Host("out/big.bin")) << "old";
  ZipBuilder b;
  b.Entries = {Entry("big.bin", RandomBytes(100000, 4))};
  zip.OnProgress = [&](void*, TZUProgressDetails& d) {
    if (d.Order() == ProgressUpdate) zip.SetCancel(true);
  };
  EXPECT_EQ(ExtractArchive(b), MsgUserAbort);
  EXPECT_TRUE(dialogs.Requests.empty());
  EXPECT_EQ(Out("big.bin"), "old");
  EXPECT_EQ(AllFiles(), std::vector<std::string>{"out/big.bin"});
}

TEST_F(ExtractTest, EntriesPassedOverLeaveTheOthersWhole) {
  // The data is decoded ahead of the writing; entries kept (no overwrite)
  // are passed over, a large one among them, and the rest still arrive
  // whole with one progress event per block read.
  zip.SetExtrOptions(ExtrDirNames | ExtrForceDirs);
  ZipBuilder b;
  std::vector<std::string> kept;
  for (int i = 0; i < 24; ++i) {
    std::string text;
    for (int line = 0; text.size() < static_cast<size_t>(20000 + i * 9000); ++line) {
      text += "entry " + std::to_string(i) + " line " + std::to_string(line) + "\n";
    }
    const std::string name = "f" + std::to_string(i) + ".txt";
    b.Entries.push_back(i == 3 ? Entry(name, std::string(6 << 20, 'k'), true) : Entry(name, text, i % 2 == 0));
    if (i % 3 == 0) {
      std::ofstream(temp.Host("out/" + name)) << "kept " << i;
      kept.push_back(name + ":StNoOverwrite:92");
    }
  }
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(skips, kept);
  int64_t read = 0;
  for (size_t i = 0; i < b.Entries.size(); ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    if (i % 3 == 0) {
      EXPECT_EQ(Out(name), "kept " + std::to_string(i));
      continue;
    }
    EXPECT_EQ(Out(name), b.Entries[i].Data) << name;
    read += static_cast<int64_t>(b.Entries[i].Deflate ? ziptest::RawDeflate(b.Entries[i].Data).size()
                                                      : b.Entries[i].Data.size());
  }
  int64_t total = 0;
  for (const int64_t delta : deltas) {
    EXPECT_LE(delta, 32768);
    total += delta;
  }
  EXPECT_EQ(total, read);
  EXPECT_EQ(zip.SuccessCnt(), 16);
}

TEST_F(ExtractTest, CancelWhileLaterEntriesAreDecodedAheadLeavesOnlyTheFinishedOnes) {
  ZipBuilder b;
  for (int i = 0; i < 12; ++i) b.Entries.push_back(Entry("r" + std::to_string(i) + ".bin", RandomBytes(70000, 40 + i), i % 2 == 1));
  int newFiles = 0;
  zip.OnProgress = [&](void*, TZUProgressDetails& d) {
    if (d.Order() == NewFile) ++newFiles;
    if (d.Order() == ProgressUpdate && newFiles == 5) zip.SetCancel(true);
  };
  EXPECT_EQ(ExtractArchive(b), MsgUserAbort);
  EXPECT_EQ(zip.SuccessCnt(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Out("r" + std::to_string(i) + ".bin"), RandomBytes(70000, 40 + i));
  EXPECT_EQ(AllFiles(), (std::vector<std::string>{"out/r0.bin", "out/r1.bin", "out/r2.bin", "out/r3.bin"}));
}

TEST_F(ExtractTest, MissingBaseFolderWithoutForceDirs) {
  zip.SetExtrOptions(ExtrDirNames | ExtrOverWrite);
  zip.SetExtrBaseDir(temp.Win("nowhere") + "\\");
  ZipBuilder b;
  b.Entries = {Entry("a.txt", "a")};
  EXPECT_EQ(ExtractArchive(b), MsgBuildBasePath);  // ends the extraction
  EXPECT_EQ(dialogs.Texts(),
            std::vector<std::string>{"Error building extract base path '" + temp.Win("nowhere") + "\\'"});
  EXPECT_TRUE(skips.empty());
  EXPECT_FALSE(fs::exists(temp.Host("nowhere")));
}

TEST_F(ExtractTest, WildcardBaseFolderIsIllegal) {
  zip.SetExtrBaseDir(temp.Win("o*t") + "\\");
  ZipBuilder b;
  b.Entries = {Entry("a.txt", "a")};
  EXPECT_EQ(ExtractArchive(b), MsgIllegalPath);
  EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Invalid or illegal path"});
}

TEST_F(ExtractTest, WithoutFolderNamesOnlyTheLastPartIsUsed) {
  zip.SetExtrOptions(ExtrOverWrite | ExtrForceDirs);
  ZipBuilder b;
  b.Entries = {Entry("deep/"), Entry("deep/er/x.txt", "x")};
  EXPECT_EQ(ExtractArchive(b), 0);
  EXPECT_EQ(AllFiles(), std::vector<std::string>{"out/x.txt"});
  EXPECT_EQ(zip.SuccessCnt(), 2);
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

// Archives made by other programs extract to the same files, bytes and
// modification times as unzip gives from the same archive.
class ExtractInteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "the peers (zip, unzip, 7z, bsdtar, python3) are Debian's programs";
#endif
    if (std::system("command -v zip >/dev/null && command -v unzip >/dev/null") != 0) GTEST_SKIP();
    const auto tree = temp.Host("tree");
    fs::create_directories(tree / "sub" / "deeper");
    fs::create_directories(tree / "vuota");
    std::ofstream(tree / "a.txt") << "alpha\n";
    std::ofstream(tree / "sub" / "b.bin", std::ios::binary) << RandomBytes(150000, 9);
    std::ofstream(tree / "sub" / "deeper" / "c.txt") << std::string(90000, 'c') << "tail";
    std::ofstream(tree / "empty.txt");
    // Even seconds: MS-DOS times hold two-second steps.
    Shell("touch -d '2021-03-04 05:06:08' a.txt sub/b.bin sub/deeper/c.txt empty.txt");
  }
  void Shell(const std::string& command) {
    const std::string full = "cd '" + temp.Host("tree").string() + "' && (" + command + ") >/dev/null 2>&1";
    ASSERT_EQ(std::system(full.c_str()), 0) << command;
  }
  // "path size mtime crc" of every file under a folder.
  static std::string Listing(const fs::path& folder) {
    std::vector<std::string> lines;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
      if (!item.is_regular_file()) continue;
      std::ifstream in(item.path(), std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      const auto modified = std::chrono::file_clock::to_sys(fs::last_write_time(item.path()));
      const auto seconds = std::chrono::floor<std::chrono::seconds>(modified).time_since_epoch().count();
      lines.push_back(fs::relative(item.path(), folder).string() + " " + std::to_string(bytes.size()) + " " +
                      std::to_string(seconds) + " " + std::to_string(ziptest::Crc(bytes)));
    }
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const auto& line : lines) out += line + "\n";
    return out;
  }
  void ExpectSameAsUnzip(const std::string& archive, const std::string& password = "") {
    const std::string ref = temp.Host("ref-" + archive).string();
    const std::string unzip = "unzip -o -q " + (password.empty() ? "" : "-P " + password + " ") + "'" +
                              temp.Host(archive).string() + "' -d '" + ref + "'";
    ASSERT_EQ(std::system((unzip + " >/dev/null 2>&1").c_str()), 0) << unzip;
    ziptest::FakeDialogs dialogs;
    TZipUnpacker zip(nullptr, &dialogs);
    zip.SetExtrOptions(ExtrDirNames | ExtrOverWrite | ExtrForceDirs);
    zip.SetExtrBaseDir(temp.Win("out-" + archive) + "\\");
    zip.SetPassword(password);
    zip.SetZipFileName(temp.Win(archive));
    const int result = zip.Extract();
    EXPECT_TRUE(result == 0 || result == MsgStructureWarning) << result << " " << zip.ErrMessage();
    const std::string ours = Listing(temp.Host("out-" + archive));
    EXPECT_FALSE(ours.empty());
    EXPECT_EQ(ours, Listing(ref)) << archive;
  }

  ziptest::TempFolder temp;
};

TEST_F(ExtractInteropTest, InfoZipAtSeveralLevelsAndZip64) {
  Shell("zip -q -r -0 ../z0.zip . && zip -q -r -1 ../z1.zip . && zip -q -r -9 ../z9.zip . && zip -q -r -fz ../z64.zip .");
  for (const std::string archive : {"z0.zip", "z1.zip", "z9.zip", "z64.zip"}) ExpectSameAsUnzip(archive);
}

TEST_F(ExtractInteropTest, InfoZipEncryptedAndStreamed) {
  Shell("zip -q -r -P pw4test ../enc.zip .");
  ExpectSameAsUnzip("enc.zip", "pw4test");
  // Written to a pipe: sizes and CRCs come in data descriptors.
  Shell("zip -q -r - . | cat > ../stream.zip");
  ExpectSameAsUnzip("stream.zip");
}

TEST_F(ExtractInteropTest, SevenZipBsdtarAndPython) {
  if (std::system("command -v 7z >/dev/null") == 0) {
    Shell("7z a -tzip ../7.zip .");
    ExpectSameAsUnzip("7.zip");
  }
  if (std::system("command -v bsdtar >/dev/null") == 0) {
    Shell("bsdtar --format zip -cf ../bsd.zip a.txt sub vuota empty.txt");
    ExpectSameAsUnzip("bsd.zip");
  }
  std::ofstream(temp.Host("make.py")) << "import zipfile, os\n"
                                         "with zipfile.ZipFile('../py.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
                                         "  for root, dirs, files in os.walk('.'):\n"
                                         "    for f in files: z.write(os.path.join(root, f))\n";
  Shell("python3 ../make.py");
  ExpectSameAsUnzip("py.zip");
}

}  // namespace
}  // namespace vorn
