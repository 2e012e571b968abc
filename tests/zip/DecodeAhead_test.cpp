// Decoding ahead on a thread of its own: the steps must be exactly those the
// extraction would meet decoding itself, whatever it takes or passes over,
// with memory bounded and no hang when it stops taking.
#include "zip/DecodeAhead.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/zip/ZipTestSupport.h"

namespace vorn {
namespace {

using ziptest::Entry;
using ziptest::ZipBuilder;
using Kind = TZUDecodeAhead::TStepKind;

std::string Text(size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string out;
  while (out.size() < size) out += "referto " + std::to_string(gen() % 100000) + " paziente\n";
  out.resize(size);
  return out;
}

std::string Noise(size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string out(size, '\0');
  for (char& c : out) c = static_cast<char>(gen());
  return out;
}

// A step as compared: for outputs, the bytes themselves.
struct Seen {
  TZUDecodeAhead::TStepKind Step;
  int64_t Got = 0;
  std::string Data;
  uint32_t Crc = 0;
  int Result = 0;
  bool operator==(const Seen&) const = default;
};

class DecodeAheadTest : public ::testing::Test {
 protected:
  // Writes the archive and reads its directory.
  void Load(const ZipBuilder& builder) {
    bytes = builder.Build();
    path = temp.Write("a.zip", bytes);
    reader = std::make_unique<TZUZipReader>(path);
    reader->Load(TZUReadCallbacks{[](int) {}, [](int64_t) {}, [](TZUEntryReader&) {}});
    reader->Close();
    jobs.clear();
    for (const TZUEntryReader& entry : reader->Entries()) jobs.push_back({entry.RelOffLocal, entry.ComprSize});
  }
  std::unique_ptr<TZUDecodeAhead> Start(FolderTree::TAheadFiles* files = nullptr,
                                        TZUDecodeAhead::TMaking making = TZUDecodeAhead::TMaking::Every) {
    auto archive = std::make_unique<TZUZipReader>(path);
    EXPECT_EQ(archive->Reopen(), 0);
    return std::make_unique<TZUDecodeAhead>(std::move(archive), jobs, files, making);
  }
  // The steps of entry index as the extraction's own loop meets them:
  // blocks of at most 32768 bytes through a fresh codec.
  std::vector<Seen> Direct(size_t index) {
    const TZUEntryReader& entry = reader->Entries()[index];
    const uint8_t* local = reinterpret_cast<const uint8_t*>(bytes.data()) + entry.RelOffLocal;
    const size_t start = entry.RelOffLocal + 30 + (local[26] | local[27] << 8) + (local[28] | local[29] << 8);
    TZUCoDecStore store;
    TZUCoDecInflate inflate;
    TZUCoDec& codec = entry.ComprMethod == 8 ? static_cast<TZUCoDec&>(inflate) : store;
    codec.Reset();
    std::vector<Seen> steps{{Kind::Opened, 0, {}, 0, 0}};
    uint32_t crc = 0;
    uint64_t at = start, remaining = entry.ComprSize;
    const auto write = [&](const uint8_t* data, size_t size) {
      crc = static_cast<uint32_t>(crc32(crc, data, static_cast<uInt>(size)));
      steps.push_back({Kind::Output, 0, std::string(reinterpret_cast<const char*>(data), size), crc, 0});
      return true;
    };
    while (remaining > 0) {
      const size_t got = std::min<uint64_t>({remaining, kZipBufferSize, bytes.size() - std::min<uint64_t>(at, bytes.size())});
      steps.push_back({Kind::Block, static_cast<int64_t>(got), {}, 0, 0});
      if (got == 0) return steps;
      const int result = codec.Decode(reinterpret_cast<const uint8_t*>(bytes.data()) + at, got, write);
      at += got;
      remaining -= got;
      steps.push_back({Kind::Decoded, 0, {}, 0, result});
      if (result != Z_OK) return steps;
    }
    steps.push_back({Kind::End, 0, {}, 0, 0});
    return steps;
  }
  // Takes the steps of job index up to its last.
  static std::vector<Seen> Take(TZUDecodeAhead& ahead, size_t index) {
    ahead.Begin(index);
    std::vector<Seen> steps;
    for (;;) {
      const TZUDecodeAhead::TStep step = ahead.Next();
      EXPECT_EQ(step.Job, index);
      Seen seen{step.Kind, step.Got, {}, 0, step.Result};
      if (step.Kind == Kind::Output) {
        seen.Data.assign(reinterpret_cast<const char*>(step.Data), step.Size);
        seen.Crc = step.Crc;
        seen.Result = 0;
      }
      if (step.Kind != Kind::Block) seen.Got = 0;
      if (step.Kind != Kind::Decoded) seen.Result = 0;
      steps.push_back(seen);
      const bool last = step.Kind == Kind::End || (step.Kind == Kind::Block && step.Got <= 0) ||
                        (step.Kind == Kind::Decoded && step.Result != Z_OK);
      if (last) return steps;
    }
  }

  ziptest::TempFolder temp;
  std::string bytes, path;
  std::unique_ptr<TZUZipReader> reader;
  std::vector<TZUDecodeAhead::TJob> jobs;
};

TEST_F(DecodeAheadTest, StepsAreThoseOfDecodingInPlace) {
  // Stored and deflated, empty, one block and many, and one whose output
  // far outgrows the buffer pool (4 MB of one letter from a few KB).
  ZipBuilder b;
  b.Entries = {Entry("a.txt", Text(300000, 1), true), Entry("empty", ""), Entry("b.bin", Noise(100000, 2)),
               Entry("zeros", std::string(4 << 20, 'z'), true), Entry("c.txt", Text(5000, 3), true),
               Entry("d.bin", Noise(32768, 4))};
  Load(b);
  auto ahead = Start();
  for (size_t i = 0; i < jobs.size(); ++i) EXPECT_EQ(Take(*ahead, i), Direct(i)) << "entry " << i;

  // The same with the entries' files asked for on the thread: every one,
  // or only while the extraction is behind (whichever it makes, the others
  // say so and are decoded all the same). Where files can be nameless each
  // one made, written there, holds exactly the entry's output; on Windows
  // none is made (a file there always has a name).
#ifdef _WIN32
  constexpr bool kNameless = false;
#else
  constexpr bool kNameless = true;
#endif
  const std::string folder = temp.Win("files");
  ASSERT_TRUE(ForceDirectories(folder));
  FolderTree tree(folder);
  FolderTree::TAheadFiles files(tree);
  for (auto& job : jobs) job.MakeFile = true;
  for (const auto making : {TZUDecodeAhead::TMaking::Every, TZUDecodeAhead::TMaking::WhileBehind}) {
    SCOPED_TRACE(making == TZUDecodeAhead::TMaking::Every ? "every file" : "while behind");
    ahead = Start(&files, making);
    for (size_t i = 0; i < jobs.size(); ++i) {
      ahead->Begin(i);
      std::string output;
      bool made = false;
      for (bool last = false; !last;) {
        const TZUDecodeAhead::TStep step = ahead->Next();
        if (step.Kind == Kind::Opened) {
          made = step.Made;
          EXPECT_TRUE(made == kNameless || (!made && making == TZUDecodeAhead::TMaking::WhileBehind));
        }
        if (step.Kind == Kind::Output) {
          EXPECT_EQ(step.Written, made);
          EXPECT_FALSE(step.WriteFailed);
          output.append(reinterpret_cast<const char*>(step.Data), step.Size);
        }
        last = step.Kind == Kind::End;
      }
      std::string direct;
      for (const Seen& seen : Direct(i)) direct += seen.Data;
      EXPECT_TRUE(output == direct) << "entry " << i;
      WinFile file;
      if (!made) {
        EXPECT_FALSE(ahead->TakeFile(file)) << "entry " << i;
        continue;
      }
      ASSERT_TRUE(ahead->TakeFile(file)) << "entry " << i;
      std::string content(output.size() + 1, '\0');
      file.Seek(0, SeekOrigin::Begin);
      content.resize(static_cast<size_t>(std::max<int64_t>(0, file.Read(content.data(), content.size()))));
      EXPECT_TRUE(content == output) << "entry " << i;
      EXPECT_FALSE(ahead->TakeFile(file));
    }
    ahead.reset();
    EXPECT_TRUE(ListDirectory(folder).empty());  // nameless: nothing is left
  }
}

TEST_F(DecodeAheadTest, EntriesPassedOverOrLeftHalfwayAreDropped) {
  ZipBuilder b;
  b.Entries = {Entry("bomb", std::string(8 << 20, 'q'), true), Entry("skipped", Text(200000, 5), true),
               Entry("wanted", Text(150000, 6), true), Entry("half", Noise(200000, 7)),
               Entry("last", Text(70000, 8), true)};
  Load(b);
  auto ahead = Start();
  // A few steps of the first, then on to the third; the fourth is left
  // after one block.
  ahead->Begin(0);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(ahead->Next().Job, 0u);
  EXPECT_EQ(Take(*ahead, 2), Direct(2));
  ahead->Begin(3);
  EXPECT_EQ(ahead->Next().Kind, Kind::Opened);
  EXPECT_EQ(ahead->Next().Kind, Kind::Block);
  EXPECT_EQ(Take(*ahead, 4), Direct(4));
}

TEST_F(DecodeAheadTest, FaultsEndTheEntryAsInPlace) {
  ZipBuilder b;
  b.Entries = {Entry("corrupt", std::string(1000, 'z'), true), Entry("good", Text(40000, 9), true),
               Entry("cut", Noise(90000, 10))};
  b.Entries[0].StoredOverride = std::string("\xFF\xFF\xFF\xFF garbage that is not deflate", 32);
  Load(b);
  // The last entry's data cut short: the archive ends inside it.
  jobs[2].ComprSize += 50000;
  // And a job whose local header is not where it says.
  jobs.push_back({jobs[1].LocalOffset + 3, 100});
  auto ahead = Start();
  const std::vector<Seen> corrupt = Take(*ahead, 0);
  EXPECT_EQ(corrupt.back().Step, Kind::Decoded);
  EXPECT_EQ(corrupt.back().Result, Z_DATA_ERROR);
  EXPECT_EQ(Take(*ahead, 1), Direct(1));
  const std::vector<Seen> cut = Take(*ahead, 2);
  EXPECT_EQ(cut.back().Step, Kind::Block);
  EXPECT_EQ(cut.back().Got, 0);
  std::string data;
  for (const Seen& step : cut) data += step.Data;
  // Stored: everything from the entry's data to the archive's end.
  EXPECT_EQ(data, bytes.substr(jobs[2].LocalOffset + 30 + 3));
  const std::vector<Seen> misplaced = Take(*ahead, 3);
  ASSERT_EQ(misplaced.size(), 2u);
  EXPECT_EQ(misplaced[1].Step, Kind::Block);
  EXPECT_EQ(misplaced[1].Got, -1);
}

TEST_F(DecodeAheadTest, EndsAtOnceWhenNothingMoreIsTaken) {
  // The thread is held up for room in the middle of a large entry; ending
  // must neither hang nor wait for it to decode the rest.
  ZipBuilder b;
  b.Entries = {Entry("bomb", std::string(16 << 20, 'q'), true), Entry("next", "x")};
  Load(b);
  {
    auto ahead = Start();
    ahead->Begin(0);
    EXPECT_EQ(ahead->Next().Kind, Kind::Opened);
    EXPECT_EQ(ahead->Next().Kind, Kind::Block);
  }
  auto untouched = Start();  // never taken from at all
  untouched.reset();
  auto last = Start();
  EXPECT_EQ(Take(*last, 1), Direct(1));
}

}  // namespace
}  // namespace vorn
