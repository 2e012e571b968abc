#include "platform/Shell.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "TempDrive.h"
#include "platform/FileSystem.h"
#include "platform/WinPath.h"

namespace vorn {
namespace {

using test::TempDrive;
namespace fs = std::filesystem;

class ShellTest : public TempDrive {
 protected:
  void SetUp() override {
    TempDrive::SetUp();
    SetShellMessagePresenter([this](const std::string& caption, const std::string& text) {
      messages_.push_back(caption + " | " + text);
    });
    Write(Host("Inst_Temp/Pontex.exe"), "pontex");
    Write(Host("Inst_Temp/Vorn.ico"), "ico");
    Write(Host("Inst_Temp/LEGGIMI"), "readme");
    Write(Host("Inst_Temp/ArchiviVuoti/Pazienti.DB"), "db");
    Write(Host("Inst_Temp/ArchiviVuoti/Pazienti.PX"), "px");
    Write(Host("Inst_Temp/ArchiviVuoti/Referti.db"), "db2");
    fs::create_directories(Host("VornZAV/ArchiviVuoti"));
  }

  void TearDown() override {
    SetShellMessagePresenter(nullptr);
    TempDrive::TearDown();
  }

  std::vector<std::string> messages_;
};

TEST_F(ShellTest, BlankSourceOrTargetDoesNothing) {
  EXPECT_EQ(ShellFileOp(128, "", "C:\\VornZAV", "Copy"), -1);
  EXPECT_EQ(ShellFileOp(128, "   ", "C:\\VornZAV", "Copy"), -1);
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\*.*", " \t ", "Delete"), -1);
  EXPECT_TRUE(fs::exists(Host("Inst_Temp/Pontex.exe")));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ShellTest, OperationNameIsComparedExactly) {
  EXPECT_NE(ShellFileOp(128, "C:\\Inst_Temp\\Pontex.exe", "C:\\VornZAV\\", "copy"), 0);
  EXPECT_NE(ShellFileOp(128, "C:\\Inst_Temp\\Pontex.exe", "C:\\VornZAV\\", "COPY"), 0);
  EXPECT_NE(ShellFileOp(128, "C:\\Inst_Temp\\Pontex.exe", "C:\\VornZAV\\", ""), 0);
  EXPECT_FALSE(fs::exists(Host("VornZAV/Pontex.exe")));
  EXPECT_TRUE(fs::exists(Host("Inst_Temp/Pontex.exe")));
}

TEST_F(ShellTest, CopyWildcardIntoAnExistingFolderReplacingWithoutAQuestion) {
  Write(Host("VornZAV/ArchiviVuoti/pazienti.db"), "old");
  ASSERT_TRUE(SetFileAttributes("C:\\VornZAV\\ArchiviVuoti\\pazienti.db", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\ArchiviVuoti\\*.*", "C:\\VornZAV\\ArchiviVuoti", "Copy"), 0);
  EXPECT_EQ(Read(Host("VornZAV/ArchiviVuoti/pazienti.db")), "db");  // existing name, new content
  EXPECT_EQ(Read(Host("VornZAV/ArchiviVuoti/Pazienti.PX")), "px");
  EXPECT_EQ(Read(Host("VornZAV/ArchiviVuoti/Referti.db")), "db2");
  EXPECT_TRUE(fs::exists(Host("Inst_Temp/ArchiviVuoti/Referti.db")));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ShellTest, StarDotStarTakesNamesWithoutADotAndFolders) {
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\*.*", "C:\\Copia", "Copy"), 0);
  EXPECT_EQ(Read(Host("Copia/LEGGIMI")), "readme");
  EXPECT_EQ(Read(Host("Copia/ArchiviVuoti/Referti.db")), "db2");  // folders go whole
  EXPECT_TRUE(fs::exists(Host("Copia/Pontex.exe")));
}

TEST_F(ShellTest, PatternsIgnoreLetterCase) {
  EXPECT_EQ(ShellFileOp(128, "c:\\inst_temp\\archivivuoti\\PAZIENTI.*", "C:\\VORNZAV\\archivivuoti\\", "Copy"), 0);
  EXPECT_TRUE(fs::exists(Host("VornZAV/ArchiviVuoti/Pazienti.DB")));
  EXPECT_TRUE(fs::exists(Host("VornZAV/ArchiviVuoti/Pazienti.PX")));
  EXPECT_FALSE(fs::exists(Host("VornZAV/ArchiviVuoti/Referti.db")));
  EXPECT_FALSE(fs::exists(Host("VORNZAV")));
}

TEST_F(ShellTest, CopyOneFileIntoAFolderOrToANewName) {
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\\\Pontex.exe", "C:\\VornZAV\\", "Copy"), 0);
  EXPECT_EQ(Read(Host("VornZAV/Pontex.exe")), "pontex");
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\Vorn.ico", "C:\\VornZAV", "Copy"), 0);
  EXPECT_EQ(Read(Host("VornZAV/Vorn.ico")), "ico");
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\Vorn.ico", "C:\\Nuova\\Icona.ico", "Copy"), 0);
  EXPECT_EQ(Read(Host("Nuova/Icona.ico")), "ico");
  // Trailing blanks are passed on, and the shell ignores them.
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\LEGGIMI  ", "C:\\VornZAV  ", "Copy"), 0);
  EXPECT_TRUE(fs::exists(Host("VornZAV/LEGGIMI")));
}

TEST_F(ShellTest, MissingSourceShowsTheShellsMessage) {
  EXPECT_NE(ShellFileOp(128, "C:\\Inst_Temp\\Manca.exe", "C:\\VornZAV", "Copy"), 0);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0],
            "Error Copying File or Folder | Cannot copy Manca.exe: The system cannot find the file specified.");
  messages_.clear();
  EXPECT_NE(ShellFileOp(128, "C:\\NoFolder\\*.*", "C:\\VornZAV", "Copy"), 0);
  EXPECT_EQ(messages_.size(), 1u);
  messages_.clear();
  EXPECT_NE(ShellFileOp(128, "D:\\x.txt", "C:\\VornZAV", "Delete"), 0);
  EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(ShellTest, WildcardWithoutMatchesIsNothingToDo) {
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\ArchiviVuoti\\Stru*.*", "C:\\Inst_Temp\\ArchiviVuoti\\Stru*.*",
                        "Delete"),
            0);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ShellTest, CopyOntoItselfFails) {
  EXPECT_NE(ShellFileOp(128, "C:\\Inst_Temp\\Vorn.ico", "C:\\Inst_Temp", "Copy"), 0);
  EXPECT_EQ(Read(Host("Inst_Temp/Vorn.ico")), "ico");
  EXPECT_EQ(messages_.size(), 1u);
  messages_.clear();
  EXPECT_NE(ShellFileOp(128, "C:\\Inst_Temp", "C:\\Inst_Temp\\ArchiviVuoti", "Copy"), 0);
  EXPECT_EQ(messages_.size(), 1u);
  EXPECT_FALSE(fs::exists(Host("Inst_Temp/ArchiviVuoti/Inst_Temp")));
}

TEST_F(ShellTest, MoveFilesAndFolders) {
  Write(Host("VornZAV/Pontex.exe"), "old");
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\*.exe", "C:\\VornZAV", "Move"), 0);
  EXPECT_EQ(Read(Host("VornZAV/Pontex.exe")), "pontex");
  EXPECT_FALSE(fs::exists(Host("Inst_Temp/Pontex.exe")));
  EXPECT_TRUE(fs::exists(Host("Inst_Temp/Vorn.ico")));
  // A folder moved onto an existing one of the same name is merged into it.
  Write(Host("VornZAV/ArchiviVuoti/Altro.db"), "a");
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\ArchiviVuoti", "C:\\VornZAV", "Move"), 0);
  EXPECT_FALSE(fs::exists(Host("Inst_Temp/ArchiviVuoti")));
  EXPECT_EQ(Read(Host("VornZAV/ArchiviVuoti/Referti.db")), "db2");
  EXPECT_TRUE(fs::exists(Host("VornZAV/ArchiviVuoti/Altro.db")));
  // A folder moved to a new name.
  EXPECT_EQ(ShellFileOp(128, "C:\\VornZAV\\ArchiviVuoti", "C:\\Salvati", "Move"), 0);
  EXPECT_TRUE(fs::exists(Host("Salvati/Altro.db")));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ShellTest, MoveAcrossVolumes) {
  // Z: and C: may lie on different host file systems; /dev/shm usually does.
  if (!fs::is_directory("/dev/shm") || access("/dev/shm", W_OK) != 0) GTEST_SKIP() << "no /dev/shm";
  std::string pattern = "/dev/shm/vorn-platform-XXXXXX";
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const fs::path other = pattern;
  Write(other / "dir/sub/f.txt", "far");
  Write(other / "g.txt", "g");
  const std::string otherWin = ToWinPath(other);
  EXPECT_EQ(ShellFileOp(128, otherWin + "\\dir", "C:\\VornZAV", "Move"), 0);
  EXPECT_EQ(ShellFileOp(128, otherWin + "\\g.txt", "C:\\VornZAV", "Move"), 0);
  EXPECT_EQ(Read(Host("VornZAV/dir/sub/f.txt")), "far");
  EXPECT_EQ(Read(Host("VornZAV/g.txt")), "g");
  EXPECT_FALSE(fs::exists(other / "dir"));
  EXPECT_FALSE(fs::exists(other / "g.txt"));
  fs::remove_all(other);
}

TEST_F(ShellTest, DeletePatternFilesAndFolders) {
  ASSERT_TRUE(SetFileAttributes("C:\\Inst_Temp\\ArchiviVuoti\\Pazienti.PX", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\ArchiviVuoti\\paz*.*", "C:\\Inst_Temp\\ArchiviVuoti\\paz*.*",
                        "Delete"),
            0);
  EXPECT_FALSE(fs::exists(Host("Inst_Temp/ArchiviVuoti/Pazienti.DB")));
  EXPECT_FALSE(fs::exists(Host("Inst_Temp/ArchiviVuoti/Pazienti.PX")));  // read-only goes too
  EXPECT_TRUE(fs::exists(Host("Inst_Temp/ArchiviVuoti/Referti.db")));
  EXPECT_EQ(ShellFileOp(128, "C:\\INST_TEMP", "x", "Delete"), 0);
  EXPECT_FALSE(fs::exists(Host("Inst_Temp")));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ShellTest, DeleteRemovesLinksNotWhatTheyPointAt) {
  Write(Host("Keep/precious.txt"), "p");
  fs::create_directories(Host("Trash"));
  fs::create_directory_symlink(Host("Keep"), Host("Trash/link"));
  EXPECT_EQ(ShellFileOp(128, "C:\\Trash", "C:\\Trash", "Delete"), 0);
  EXPECT_FALSE(fs::exists(Host("Trash")));
  EXPECT_EQ(Read(Host("Keep/precious.txt")), "p");
  // Named on its own, or matched by a pattern: the link goes, never the folder.
  fs::create_directory_symlink(Host("Keep"), Host("direct"));
  fs::create_directory_symlink(Host("Keep"), Host("linked"));
  EXPECT_EQ(ShellFileOp(128, "C:\\direct", "x", "Delete"), 0);
  EXPECT_EQ(ShellFileOp(128, "C:\\link*", "x", "Delete"), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Host("direct"))));
  EXPECT_FALSE(fs::exists(fs::symlink_status(Host("linked"))));
  EXPECT_EQ(Read(Host("Keep/precious.txt")), "p");
}

TEST_F(ShellTest, DeleteRefusesADriveRoot) {
  EXPECT_NE(ShellFileOp(128, "C:\\", "C:\\", "Delete"), 0);
  EXPECT_TRUE(fs::exists(Host("Inst_Temp/Pontex.exe")));
}

TEST_F(ShellTest, Rename) {
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\Vorn.ico", "Vorn2.ico", "Rename"), 0);
  EXPECT_TRUE(fs::exists(Host("Inst_Temp/Vorn2.ico")));
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\vorn2.ico", "C:\\Inst_Temp\\VORN3.ICO", "Rename"), 0);
  EXPECT_TRUE(fs::exists(Host("Inst_Temp/VORN3.ICO")));
  // Renaming onto an existing name is refused.
  EXPECT_NE(ShellFileOp(128, "C:\\Inst_Temp\\VORN3.ICO", "Pontex.exe", "Rename"), 0);
  EXPECT_EQ(Read(Host("Inst_Temp/Pontex.exe")), "pontex");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].substr(0, 31), "Error Renaming File or Folder |");
  // One name only.
  EXPECT_NE(ShellFileOp(128, "C:\\Inst_Temp\\ArchiviVuoti\\*.*", "x", "Rename"), 0);
  // Only the letter case.
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\LEGGIMI", "Leggimi", "Rename"), 0);
  EXPECT_TRUE(fs::exists(Host("Inst_Temp/Leggimi")));
  EXPECT_FALSE(fs::exists(Host("Inst_Temp/LEGGIMI")));
}

TEST_F(ShellTest, AccessDeniedReachesThePresenter) {
  if (geteuid() == 0) GTEST_SKIP() << "the superuser is never denied";
  fs::create_directories(Host("Locked"));
  fs::permissions(Host("Locked"), fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_NE(ShellFileOp(128, "C:\\Inst_Temp\\Vorn.ico", "C:\\Locked", "Copy"), 0);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("Access is denied."), std::string::npos);
}

TEST_F(ShellTest, TempFolderIsAZPathWithABackslash) {
  setenv("TMPDIR", (base_ / "tmp").c_str(), 1);
  EXPECT_EQ(GetTempFolder(), ToWinPath(base_ / "tmp") + "\\");
  EXPECT_EQ(GetTempFolder().substr(0, 3), "Z:\\");
  unsetenv("TMPDIR");
  EXPECT_EQ(GetTempFolder(), "Z:\\tmp\\");
  setenv("TMPDIR", Host("Temp").c_str(), 1);
  EXPECT_EQ(GetTempFolder(), "C:\\Temp\\");
}

TEST_F(ShellTest, DesktopFolderFromUserDirsOrHome) {
  const fs::path home = base_ / "home";
  fs::create_directories(home);
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(GetDesktopFolder(), ToWinPath(home / "Desktop"));
  EXPECT_TRUE(fs::is_directory(home / "Desktop"));  // copies land inside it
  Write(home / ".config/user-dirs.dirs", "# comment\nXDG_DOWNLOAD_DIR=\"$HOME/Scaricati\"\n"
                                         "XDG_DESKTOP_DIR=\"$HOME/Scrivania\"\n");
  EXPECT_EQ(GetDesktopFolder(), ToWinPath(home / "Scrivania"));
  EXPECT_NE(GetDesktopFolder().back(), '\\');
  setenv("XDG_CONFIG_HOME", (base_ / "config").c_str(), 1);
  Write(base_ / "config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + Host("Desk").string() + "\"\n");
  EXPECT_EQ(GetDesktopFolder(), "C:\\Desk");
}

TEST_F(ShellTest, ProgramFolderMapsBack) {
  const fs::path self = fs::read_symlink("/proc/self/exe");
  EXPECT_EQ(GetProgramFolder(), ToWinPath(self.parent_path()) + "\\");
  // A program inside the C: folder sees a C: path.
  setenv("VORN_DRIVE_C", self.parent_path().parent_path().c_str(), 1);
  EXPECT_EQ(GetProgramFolder(), "C:\\" + self.parent_path().filename().string() + "\\");
}

class ShellExecuteTest : public ShellTest {
 protected:
  // Waits (at most ten seconds) for a file the started program writes.
  bool WaitFor(const fs::path& path) {
    for (int i = 0; i < 1000 && !fs::exists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fs::exists(path);
  }
};

TEST_F(ShellExecuteTest, StartsAScriptDetachedAndMakesItExecutable) {
  const fs::path script = Host("Inst_Temp/Dbe_2018/Setup.exe");
  Write(script, "#!/bin/sh\ncd \"$(dirname \"$0\")\"\nprintf '%s\\n' \"$@\" > out.tmp && mv out.tmp ran.txt\n");
  fs::permissions(script, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const int result = ShellExecute("C:\\Inst_Temp\\dbe_2018\\SETUP.EXE", "/silent \"C:\\Program Files\\x\" a\\\"b");
  EXPECT_GT(result, 32);
  ASSERT_TRUE(WaitFor(Host("Inst_Temp/Dbe_2018/ran.txt")));
  EXPECT_EQ(Read(Host("Inst_Temp/Dbe_2018/ran.txt")), "/silent\nC:\\Program Files\\x\na\"b\n");
  EXPECT_TRUE((fs::status(script).permissions() & fs::perms::owner_exec) != fs::perms::none);
}

TEST_F(ShellExecuteTest, WorkingFolderIsHonoured) {
  Write(Host("bin/tool.sh"), "#!/bin/sh\npwd > here.tmp && mv here.tmp here.txt\n");
  fs::create_directories(Host("work"));
  EXPECT_GT(ShellExecute("C:\\bin\\tool.sh", "", "C:\\WORK"), 32);
  ASSERT_TRUE(WaitFor(Host("work/here.txt")));
  EXPECT_EQ(Read(Host("work/here.txt")), fs::canonical(Host("work")).string() + "\n");
}

TEST_F(ShellExecuteTest, OurOpenFilesAreNotInherited) {
  Write(Host("fds.sh"), "#!/bin/sh\nls /proc/$$/fd > fds.tmp && mv fds.tmp fds.txt\n");
  const int leaked = fcntl(0, F_DUPFD, 100);  // no close-on-exec
  ASSERT_GE(leaked, 100);
  EXPECT_GT(ShellExecute("C:\\fds.sh", "", "C:\\"), 32);
  close(leaked);
  ASSERT_TRUE(WaitFor(Host("fds.txt")));
  EXPECT_EQ(Read(Host("fds.txt")).find(std::to_string(leaked) + "\n"), std::string::npos);
}

TEST_F(ShellExecuteTest, FailuresGiveWindowsCodes) {
  EXPECT_EQ(ShellExecute("C:\\missing.exe"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ShellExecute(""), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ShellExecute("D:\\x.exe"), ERROR_FILE_NOT_FOUND);
  Write(Host("win.exe"), std::string("MZ\x90\0\3\0\0\0", 8));
  EXPECT_EQ(ShellExecute("C:\\win.exe"), ERROR_BAD_FORMAT);
  Write(Host("ok.sh"), "#!/bin/sh\n");
  EXPECT_EQ(ShellExecute("C:\\ok.sh", "", "C:\\nowhere"), ERROR_PATH_NOT_FOUND);
}

// The progress window: a recording fake and a clock that the test moves.
class RecordingProgress : public IShellProgressWindow {
 public:
  void Open(const std::string& title) override { calls.push_back("open " + title); }
  void Update(const std::string& item, int64_t done, int64_t total) override {
    items.push_back(item);
    last = {done, total};
    ++updates;
  }
  void KeepAlive() override { ++keepAlives; }
  void Close() override { calls.push_back("close"); }
  std::vector<std::string> calls, items;
  std::pair<int64_t, int64_t> last{-1, -1};
  int updates = 0, keepAlives = 0;
};

class ShellProgressTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    SetShellProgressWindow(&window_);
    SetShellClock([this] { return now_ += step_; });
  }
  void TearDown() override {
    SetShellProgressWindow(nullptr);
    SetShellClock(nullptr);
    ShellTest::TearDown();
  }
  RecordingProgress window_;
  std::chrono::steady_clock::time_point now_{};
  std::chrono::milliseconds step_{0};
};

// Short operations show nothing, however many files they touch.
TEST_F(ShellProgressTest, ShortOperationsShowNoWindow) {
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\*.*", "C:\\Copia", "Copy"), 0);
  EXPECT_EQ(ShellFileOp(128, "C:\\Copia\\*.*", "C:\\Copia", "Delete"), 0);
  EXPECT_TRUE(window_.calls.empty());
  EXPECT_EQ(window_.updates + window_.keepAlives, 0);
}

// A copy that lasts: the window opens once past the delay, follows every
// block to the whole size, keeps the windows painting, and closes at the end.
TEST_F(ShellProgressTest, ALongCopyShowsTheWindowUntilItEnds) {
  step_ = std::chrono::milliseconds(300);
  const std::string big(5 * 1024 * 1024 + 17, 'x');
  Write(Host("Inst_Temp/ArchiviVuoti/Grande.db"), big);
  const int64_t total = static_cast<int64_t>(big.size()) + 6 + 3 + 2 + 2 + 3 + 6;  // every file below Inst_Temp
  EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\*.*", "C:\\Copia", "Copy"), 0);
  EXPECT_EQ(window_.calls, (std::vector<std::string>{"open Copying...", "close"}));
  EXPECT_EQ(window_.last, std::make_pair(total, total));
  EXPECT_GE(window_.updates, 6);  // one per 1 MiB block at least
  EXPECT_EQ(window_.keepAlives, window_.updates);
  EXPECT_NE(std::find(window_.items.begin(), window_.items.end(), "C:\\Inst_Temp\\ArchiviVuoti\\Grande.db"),
            window_.items.end());
  EXPECT_EQ(Read(Host("Copia/ArchiviVuoti/Grande.db")), big);

  // A delete of a folder counts its files; a failing operation closes the window too.
  window_ = RecordingProgress();
  EXPECT_EQ(ShellFileOp(128, "C:\\Copia", "C:\\Copia", "Delete"), 0);
  EXPECT_FALSE(fs::exists(Host("Copia")));
  EXPECT_EQ(window_.calls, (std::vector<std::string>{"open Deleting...", "close"}));
  EXPECT_EQ(window_.last, std::make_pair(int64_t{7}, int64_t{0}));
  window_ = RecordingProgress();
  EXPECT_NE(ShellFileOp(128, "C:\\Inst_Temp\\ArchiviVuoti", "C:\\Inst_Temp\\ArchiviVuoti\\Sotto", "Copy"), 0);
  EXPECT_EQ(window_.calls.size() % 2, 0u);
  EXPECT_EQ(messages_.size(), 1u);
}

// Another thread's operations never reach the window.
TEST_F(ShellProgressTest, OperationsOnAnotherThreadShowNoWindow) {
  step_ = std::chrono::milliseconds(300);
  std::thread other([] { EXPECT_EQ(ShellFileOp(128, "C:\\Inst_Temp\\*.*", "C:\\Copia", "Copy"), 0); });
  other.join();
  EXPECT_TRUE(window_.calls.empty());
}

}  // namespace
}  // namespace vorn
