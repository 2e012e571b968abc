#include "platform/FolderTree.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "TempDrive.h"

namespace vorn {
namespace {

using test::TempDrive;
namespace fs = std::filesystem;

class FolderTreeTest : public TempDrive {
 protected:
  void SetUp() override {
    TempDrive::SetUp();
    fs::create_directories(Host("base"));
    fs::create_directories(base_ / "outside");
    Write(base_ / "outside" / "keep.txt", "outside");
  }

  // A pending file with content, published as relative (or not).
  bool Put(FolderTree& tree, const std::string& relative, const std::string& content, bool replace = false) {
    FolderTree::TPendingFile file;
    if (!tree.CreatePending(relative, "~pending.tmp", file)) return false;
    file.File().Write(content.data(), content.size());
    return tree.Publish(file, relative, replace);
  }

  // Everything below the outside folder, which no walk may reach.
  std::vector<std::string> Outside() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(base_ / "outside")) {
      names.push_back(entry.path().lexically_relative(base_ / "outside").string());
    }
    return names;
  }

  static size_t OpenDescriptors() {
    return static_cast<size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
  }
};

TEST_F(FolderTreeTest, LinksAreNeverFollowed) {
  fs::create_directory_symlink(base_ / "outside", Host("base/link"));
  fs::create_symlink(base_ / "outside" / "keep.txt", Host("base/file.txt"));
  FolderTree tree("C:\\base");
  EXPECT_EQ(tree.Probe("link"), FolderTree::TKind::Link);
  EXPECT_EQ(tree.Probe("link\\keep.txt"), FolderTree::TKind::Missing);
  EXPECT_FALSE(tree.MakeFolders("link\\sub"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  FolderTree::TPendingFile file;
  EXPECT_FALSE(tree.CreatePending("link\\new.txt", "~t.tmp", file));
  EXPECT_FALSE(tree.CreatePending("LINK\\new.txt", "~t.tmp", file));
  // A link where a file goes is replaced itself, never written through.
  EXPECT_EQ(tree.Probe("file.txt"), FolderTree::TKind::Link);
  EXPECT_FALSE(Put(tree, "file.txt", "new"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_TRUE(Put(tree, "file.txt", "new", true));
  EXPECT_FALSE(fs::is_symlink(Host("base/file.txt")));
  EXPECT_EQ(Read(Host("base/file.txt")), "new");
  EXPECT_EQ(Read(base_ / "outside" / "keep.txt"), "outside");
  EXPECT_EQ(Outside(), std::vector<std::string>{"keep.txt"});
}

TEST_F(FolderTreeTest, NoPathClimbsOutOfTheBase) {
  fs::create_directories(Host("base/a"));
  FolderTree tree("C:\\base");
  for (const std::string path : {"..\\outside\\x.txt", "a\\..\\..\\outside\\x.txt", "a/../../outside/x.txt",
                                 "a\\.\\x.txt", "..", "a\\.."}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(tree.Probe(path), FolderTree::TKind::Missing);
    EXPECT_FALSE(tree.MakeFolders(path));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
    EXPECT_FALSE(Put(tree, path, "escaped"));
    EXPECT_FALSE(tree.Remove(path));
  }
  EXPECT_EQ(tree.Probe("..\\outside\\keep.txt"), FolderTree::TKind::Missing);
  EXPECT_FALSE(tree.Remove("..\\outside\\keep.txt"));
  EXPECT_TRUE(tree.FilesMatching("..\\outside", "*").empty());
  EXPECT_EQ(Outside(), std::vector<std::string>{"keep.txt"});
}

TEST_F(FolderTreeTest, SlashInsideAPartIsWalkedLikeABackslash) {
  fs::create_directory_symlink(base_ / "outside", Host("base/link"));
  fs::create_directories(Host("base/Real"));
  FolderTree tree("C:\\base");
  // Through a link, whichever separator names it.
  EXPECT_FALSE(Put(tree, "link/x.txt", "escaped"));
  EXPECT_FALSE(Put(tree, "sub\\link/x.txt", "escaped"));
  EXPECT_FALSE(tree.MakeFolders("link/deeper"));
  EXPECT_EQ(tree.Probe("link/keep.txt"), FolderTree::TKind::Missing);
  EXPECT_EQ(Outside(), std::vector<std::string>{"keep.txt"});
  // A real folder: the same as with "\", letter case ignored.
  EXPECT_TRUE(tree.MakeFolders("real/one\\two"));
  EXPECT_TRUE(Put(tree, "real/one/two\\x.txt", "inside"));
  EXPECT_EQ(Read(Host("base/Real/one/two/x.txt")), "inside");
  EXPECT_EQ(tree.Probe("REAL\\ONE/two/X.TXT"), FolderTree::TKind::File);
}

TEST_F(FolderTreeTest, PendingFilesAppearWholeOrNotAtAll) {
  Write(Host("base/Old.txt"), "old");
  FolderTree tree("C:\\base");
  {
    FolderTree::TPendingFile file;
    ASSERT_TRUE(tree.CreatePending("new.txt", "~pending.tmp", file));
    file.File().Write("half", 4);
    EXPECT_FALSE(fs::exists(Host("base/new.txt")));
  }  // never published: gone, under any name
  EXPECT_EQ(std::distance(fs::directory_iterator(Host("base")), fs::directory_iterator()), 1);

  EXPECT_TRUE(Put(tree, "new.txt", "whole"));
  EXPECT_EQ(Read(Host("base/new.txt")), "whole");
  // A new name never replaces; a replacement keeps the old name's case.
  EXPECT_FALSE(Put(tree, "NEW.TXT", "again"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_EQ(Read(Host("base/new.txt")), "whole");
  EXPECT_TRUE(Put(tree, "old.TXT", "replaced", true));
  EXPECT_EQ(Read(Host("base/Old.txt")), "replaced");
  EXPECT_EQ(tree.Probe("old.txt"), FolderTree::TKind::File);
  // Nothing else is left: no temporary name.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(Host("base"))) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Old.txt", "new.txt"}));
  // A pending file is published only in the folder it was made in.
  fs::create_directories(Host("base/other"));
  FolderTree::TPendingFile file;
  ASSERT_TRUE(tree.CreatePending("x.txt", "~pending.tmp", file));
  EXPECT_FALSE(tree.Publish(file, "other\\x.txt", false));
  EXPECT_FALSE(tree.CreatePending("missing\\x.txt", "~pending.tmp", file));

  // Files made ahead on another thread, near the folder being written, take
  // their name in any folder of the tree; a folder out of reach changes
  // nothing.
  FolderTree::TAheadFiles ahead(tree);
  ahead.Near("other\\x.txt");
  ahead.Near("missing\\x.txt");
  WinFile made;
  bool madeAhead = false;
  std::thread([&] { madeAhead = ahead.Make(made); }).join();
  ASSERT_TRUE(madeAhead);
  made.Write("ahead", 5);
  ASSERT_TRUE(tree.Adopt(made, "ahead.txt", "", file));
  ASSERT_TRUE(tree.Publish(file, "ahead.txt", false));
  file.Discard();
  EXPECT_EQ(Read(Host("base/ahead.txt")), "ahead");
  EXPECT_TRUE(fs::is_empty(Host("base/other")));
}

TEST_F(FolderTreeTest, MoreFoldersThanItKeepsOpen) {
  // Far more folders than the tree keeps open at once: every one is reached
  // again after being closed, and descriptors stay bounded.
  constexpr int kFolders = 300;
  const size_t before = OpenDescriptors();
  FolderTree tree("C:\\base");
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < kFolders; ++i) {
      const std::string folder = "d" + std::to_string(i % 7) + "\\f" + std::to_string(i);
      ASSERT_TRUE(tree.MakeFolders(folder)) << folder;
      ASSERT_TRUE(Put(tree, folder + "\\r" + std::to_string(round) + ".txt", folder)) << folder;
    }
    EXPECT_LT(OpenDescriptors(), before + 150);
  }
  for (int i = 0; i < kFolders; ++i) {
    const std::string host = "base/d" + std::to_string(i % 7) + "/f" + std::to_string(i);
    EXPECT_EQ(Read(Host(host + "/r0.txt")), Read(Host(host + "/r1.txt")));
    EXPECT_EQ(tree.Probe("D" + std::to_string(i % 7) + "\\F" + std::to_string(i) + "\\R1.TXT"),
              FolderTree::TKind::File);
  }
}

}  // namespace
}  // namespace vorn
