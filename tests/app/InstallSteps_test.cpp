// The installation steps end to end: the real window of the front end under
// test (offscreen for Qt), the real FTP client against Debian's pyftpdlib
// serving the demo packages on a port of the test's own, the real zip
// component, engine and alignment.
#include "app/InstallSteps.h"
#include "app/ServerSettings.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <thread>
#include <tuple>

#include "app/V_Main.h"
#include "engine/DBEngine.h"
#include "engine/DatabaseError.h"
#include "engine/Query.h"
#include "engine/Session.h"
#include "engine/Table.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "platform/WinPath.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/Environment.h"
#include "tests/support/HostShell.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

fs::path SourceFolder() {
  const char* named = std::getenv("VORN_SOURCE_DIR");
  return named ? fs::path(named) : fs::path(VORN_TEST_SOURCE_DIR);
}

// A download server on a free loopback port, stopped with the test.
class DemoServer {
 public:
  explicit DemoServer(const fs::path& root, const std::string& extra = "")
      : process_("exec /usr/bin/python3 " + test::BashQuoted(test::HostPath(SourceFolder() / "scripts" / "ftp-server.py")) +
                     " --root " + test::BashQuoted(test::HostPath(root)) + " --port 0 " + extra,
                 root.parent_path() / ("ftp-server-" + std::to_string(++started_) + ".out")) {
    // "ready PORT"
    const std::string line = process_.FirstLine();
    port_ = static_cast<uint16_t>(std::stoul(line.substr(line.find(' ') + 1)));
  }
  uint16_t Port() const { return port_; }

 private:
  static inline int started_ = 0;
  test::BackgroundScript process_;
  uint16_t port_ = 0;
};

class InstallStepsTest : public test::FrontEndTest {
 protected:
  InstallStepsTest() {
    download_ = drive_.Tmp().parent_path() / "ftp";
    fs::create_directories(download_ / "vorn" / "Area_Download");
    // The folders the start-up makes.
    TempPath = GetTempFolder();
    InstTempDir = TempPath + "Inst_Temp";
    ProductDir = "C:\\VornZAV\\";
    for (const char* folder : {"C:\\VornZAV", "C:\\VornZAV\\Referti_da_Inviare\\", "C:\\VornZAV\\Referti_Inviati\\",
                               "C:\\VornZAV\\ArchiviVuoti\\"}) {
      ForceDirectories(folder);
    }
    ForceDirectories(InstTempDir);
    window_->SetAccessDialog(dialog_.get());
  }

  fs::path Packages() const { return download_ / "vorn" / "Area_Download"; }

  void MakePackages(int templates = 1) {
    const std::string script = test::BashQuoted(test::HostPath(SourceFolder() / "scripts" / "make-packages")) + " " +
                               test::BashQuoted(test::HostPath(Packages())) + " --build " +
                               test::BashQuoted(test::HostPath(test::BuildFolder())) + " --templates " +
                               std::to_string(templates) + " >/dev/null";
    ASSERT_EQ(test::RunHostScript(script).Status, 0);
  }

  DownloadServer Server(uint16_t port) {
    DownloadServer server;
    server.Host = "127.0.0.1";
    server.Port = port;
    server.SiteFolder = "/vorn";
    return server;
  }

  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    const std::vector<std::string> all = LogLines();
    for (size_t i = logStart_; i < all.size(); ++i) lines.push_back(all[i].substr(std::min<size_t>(8, all[i].size())));  // without "HH.MM.SS"
    return lines;
  }
  // The lines logged so far no longer count.
  void ClearLog() { logStart_ = LogLines().size();
  }
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    std::istringstream text(window_->LogText());
    for (std::string line; std::getline(text, line);) lines.push_back(line);
    return lines;
  }
  bool Logged(const std::string& text) const {
    const auto lines = Log();
    return std::find(lines.begin(), lines.end(), text) != lines.end();
  }
  size_t Position(const std::string& text) const {
    const auto lines = Log();
    return static_cast<size_t>(std::find(lines.begin(), lines.end(), text) - lines.begin());
  }

  fs::path Host(const std::string& winPath) const { return *ToHostPath(winPath); }

  // The build's key is the maker's choice; the tests choose their own.
  const PackageSigning NoKey{""};
  const PackageSigning DemoKey{test::ScratchFolder::Read(SourceFolder() / "scripts" / "demo-signing-key" /
                                                         "DEMO-public.key")};

  // The sequence with the engine's setup waited for, as the technician
  // waits before pressing OK in the information box: the engine step, once
  // it has started the setup, returns only when the setup has written the
  // engine's configuration.
  void InstallWaitingForEngine(InstallSteps& steps) {
    steps.Install();
    window_->InstallStep(TStepButton::BtnDBE, [this, &steps](TStepButton) {
      steps.BtnDBEClick();
      WaitForEngine(Host("C:\\DBE\\DBE.CFG"));
    });
  }
  static void WaitForEngine(const fs::path& config) {
    for (int i = 0; i < 200 && !fs::exists(config); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }

  test::TempDrive drive_;
  fs::path download_;
  size_t logStart_ = 0;
  std::unique_ptr<TSetup_ZAV> window_ = test::NewMainWindow();
  std::unique_ptr<IAccessDialog> dialog_ = test::NewAccessDialog();
};

// Answers message boxes with OK and any other dialog with Escape.
class Answerer : public test::ModalAnswerer {
 public:
  Answerer()
      : test::ModalAnswerer([this](const std::string& caption) {
          dialogs.push_back(caption);
          PressEscapeInOpenDialog();
        }) {}
  std::vector<std::string> dialogs;
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Signed packages and a program built with their key, as the demo runs.
TEST_F(InstallStepsTest, FirstInstallationFromNothing) {
  MakePackages();
  DemoServer server(download_);
  InstallSteps steps(*window_, Server(server.Port()), "C:\\VornZAV\\", DemoKey);
  InstallWaitingForEngine(steps);
  const fs::path config = Host("C:\\DBE\\DBE.CFG");
  int informationBoxes = 0;
  Answerer answerer;

  window_->StepButtonClicked(TStepButton::BtnAvanti);
  for (const auto& box : answerer.Boxes()) {
    if (box.Caption == "Information") ++informationBoxes;
  }

  EXPECT_EQ(informationBoxes, 1);
  EXPECT_TRUE(fs::exists(config)) << "the engine's setup program was not started";
  EXPECT_NO_THROW(IsEngineLocalShareSet());
  for (const char* name : {"Pontex.exe", "Vorn.ico", "VornZAV.exe", "Riservo.exe", "Quadra.exe", "Librax.dll",
                           "Oriolo_2022.exe", "Livella.exe", "Stemma.png"}) {
    EXPECT_TRUE(FileExists(std::string("C:\\VornZAV\\") + name)) << name;
  }
  const std::string desktop = GetDesktopFolder();
  EXPECT_TRUE(FileExists(desktop + "\\Vorn_ZAV.lnk"));
  EXPECT_TRUE(FileExists(desktop + "\\Oriolo_2022.lnk"));
  EXPECT_TRUE(FileExists("C:\\VornZAV\\Archivi\\Pazienti.db"));
  EXPECT_TRUE(FileExists("C:\\VornZAV\\CriptaCF\\LEGGIMI.txt"));
  // The alias was saved: a fresh engine on the same file knows it.
  TDBEngine later;
  EXPECT_TRUE(later.DefaultSession().IsAlias("ZAV"));
  // The packages are gone; the folder, the user's alone, holds what the
  // module step unpacked and nothing of the engine's package before it.
  EXPECT_FALSE(FileExists(InstTempDir + "\\ZAV.ZIP"));
  EXPECT_FALSE(FileExists(InstTempDir + "\\dbe_2018.zip"));
  EXPECT_TRUE(FileExists(InstTempDir + "\\VornZAV.exe"));
  EXPECT_FALSE(DirectoryExists(InstTempDir + "\\Dbe_2018"));
#ifndef _WIN32
  EXPECT_EQ(fs::status(Host(InstTempDir)).permissions() & fs::perms::all, fs::perms::owner_all);
#endif
  // Both releases are recorded beside the module once used.
  EXPECT_EQ(test::ScratchFolder::Read(Host("C:\\VornZAV\\Rilasci.txt")).substr(
                test::ScratchFolder::Read(Host("C:\\VornZAV\\Rilasci.txt")).find('\n') + 1),
            "ZAV.ZIP 1\ndbe_2018.zip 1\n");

  EXPECT_EQ(window_->ButtonCaption(TStepButton::BtnAvanti), "Fine");
  EXPECT_EQ(window_->BarrazzaTotale().Position(), 0);
  EXPECT_FALSE(Logged(" DBE risulta già installato..."));
  EXPECT_FALSE(Logged(" Pacchetto non verificato: dbe_2018.zip"));
  EXPECT_FALSE(Logged(" Pacchetto non verificato: ZAV.ZIP"));
  EXPECT_FALSE(FileExists(InstTempDir + "\\ZAV.ZIP.sig"));
  EXPECT_FALSE(FileExists(InstTempDir + "\\dbe_2018.zip.sig"));
  const std::vector<std::string> order = {" Controllo DBE...",
                                          " Inizio download DBE dal web...",
                                          " Fine download DBE",
                                          " Avvio installazione DBE",
                                          " Controllo ZAV...",
                                          " Inizio download ZAV dal web...",
                                          " Fine download ZAV",
                                          " File copiato in C:\\VornZAV\\",
                                          " Inizio configurazione Alias: ZAV",
                                          " Inizio configurazione CriptaCF",
                                          " Installazione terminata."};
  for (size_t i = 0; i < order.size(); ++i) {
    ASSERT_TRUE(Logged(order[i])) << order[i];
    if (i > 0) {
      EXPECT_LT(Position(order[i - 1]), Position(order[i])) << order[i];
    }
  }
  EXPECT_FALSE(window_->TerminateRequested());

  // "Fine" pressed again ends the program, without a line.
  const size_t lines = Log().size();
  window_->StepButtonClicked(TStepButton::BtnAvanti);
  EXPECT_TRUE(window_->TerminateRequested());
  EXPECT_EQ(Log().size(), lines);
}

TEST_F(InstallStepsTest, AnUpdateAlignsTheArchiveAndKeepsItsRows) {
  MakePackages();
  DemoServer server(download_);
  Answerer answerer;
  {
    InstallSteps steps(*window_, Server(server.Port()), "C:\\VornZAV\\", NoKey);
    InstallWaitingForEngine(steps);
    window_->StepButtonClicked(TStepButton::BtnAvanti);
    ASSERT_EQ(window_->ButtonCaption(TStepButton::BtnAvanti), "Fine");
  }
  // Rows entered by the module meanwhile.
  const std::string tool = "\"" + test::ToolProgram("vorn-dbe") + "\"";
  ASSERT_EQ(test::RunCommand(tool + " insert 'C:\\VornZAV\\Archivi' Pazienti '' Rossi Mario 1970-01-02 nota").Status, 0);
  ASSERT_EQ(test::RunCommand(tool + " insert 'C:\\VornZAV\\Archivi' Pazienti '' Bianchi Anna 1980-03-04 ''").Status, 0);

  // The next release: templates gained and changed fields.
  MakePackages(2);
  window_->SetButtonCaption(TStepButton::BtnAvanti, "Installa/Aggiorna");
  ClearLog();
  InstallSteps steps(*window_, Server(server.Port()), "C:\\VornZAV\\", NoKey);
  steps.Install();
  window_->StepButtonClicked(TStepButton::BtnAvanti);

  EXPECT_TRUE(Logged(" DBE risulta già installato..."));
  EXPECT_TRUE(Logged(" ALLINEAMENTO ARCHIVI ESEGUITO CORRETTAMENTE"));
  EXPECT_TRUE(Logged(" Allineamento: Pazienti"));
  EXPECT_EQ(window_->ButtonCaption(TStepButton::BtnAvanti), "Fine");

  TTable table(DefaultSession());
  table.SetDatabaseName("ZAV");
  table.SetTableName("Pazienti");
  table.Open();
  std::vector<std::string> names;
  for (const auto& field : table.Fields()) names.push_back(field.FieldName);
  EXPECT_EQ(names, (std::vector<std::string>{"ID", "COGNOME", "NOME", "NATO_IL", "NOTE", "CODICE_FISCALE", "PESO"}));
  EXPECT_EQ(table.RecordCount(), 2);
  table.Close();
}

TEST_F(InstallStepsTest, AnUnreachableServerShowsTheErrorAndStopsTheSequence) {
  // A port nobody listens on: take one and let it go.
  uint16_t port;
  {
    DemoServer server(download_);
    port = server.Port();
  }
  ForceDirectories("C:\\DBE");
  std::ofstream(Host("C:\\DBE\\DBE.CFG")) << "[\\SYSTEM\\INIT]\nLOCAL SHARE=FALSE\n";
  InstallSteps steps(*window_, Server(port), "C:\\VornZAV\\", NoKey);
  steps.Install();
  Answerer answerer;
  window_->StepButtonClicked(TStepButton::BtnAvanti);

  ASSERT_EQ(answerer.Boxes().size(), 1u);
  EXPECT_EQ(answerer.Boxes()[0].Caption, "VORN - Zavario");
  EXPECT_TRUE(Contains(answerer.Boxes()[0].Text, "Socket Error # 10061"));
  EXPECT_EQ(window_->ButtonCaption(TStepButton::BtnAvanti), "Installa/Aggiorna");
  EXPECT_FALSE(Logged(" Controllo ZAV..."));
  EXPECT_FALSE(Logged(" Installazione terminata."));
}

TEST_F(InstallStepsTest, AMissingRemoteFileIsLoggedAndTheStepGoesOn) {
  MakePackages();
  fs::remove(Packages() / "ZAV.ZIP");
  DemoServer server(download_);
  InstallSteps steps(*window_, Server(server.Port()), "C:\\VornZAV\\", NoKey);
  Answerer answerer;
  steps.BtnZAVClick();

  // The server's reply is one log line: its CR LF adds no line without a time.
  const auto lines = Log();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) { return line.rfind(" Errore nel download: ", 0) == 0; }),
            1);
  for (const std::string& line : LogLines()) {
    EXPECT_TRUE(std::regex_search(line, std::regex("^\\d\\d\\.\\d\\d\\.\\d\\d "))) << "[" << line << "]";
  }
  EXPECT_TRUE(Logged(" Fine download ZAV"));
  EXPECT_TRUE(Logged(" File copiato in C:\\VornZAV\\"));
  // One step for the check and one for the copies: none for the download.
  EXPECT_EQ(window_->BarrazzaTotale().Position(), 2);
}

// A server that cannot connect back to the workstation (425): the step's
// download turns to passive mode, says so in the log, and delivers.
TEST_F(InstallStepsTest, AServerThatCannotConnectBackDeliversInPassiveMode) {
  MakePackages();
  DemoServer server(download_, "--active unreachable");
  InstallSteps steps(*window_, Server(server.Port()), "C:\\VornZAV\\", NoKey);
  Answerer answerer;
  steps.BtnZAVClick();

  for (const std::string& line : Log()) EXPECT_NE(line.rfind(" Errore nel download: ", 0), 0u) << line;
  EXPECT_TRUE(Logged(" Active mode failed, switching to passive mode"));
  EXPECT_TRUE(steps.FtpClient1().SwitchedToPassive());
  EXPECT_TRUE(FileExists("C:\\VornZAV\\VornZAV.exe"));
  EXPECT_EQ(window_->BarrazzaTotale().Position(), 3);
}

TEST_F(InstallStepsTest, AServerWithoutSizeStillDeliversThePackage) {
  MakePackages();
  DemoServer server(download_, "--no-size");
  InstallSteps steps(*window_, Server(server.Port()), "C:\\VornZAV\\", NoKey);
  Answerer answerer;
  steps.BtnZAVClick();

  for (const std::string& line : Log()) EXPECT_NE(line.rfind(" Errore nel download: ", 0), 0u) << line;
  EXPECT_TRUE(FileExists("C:\\VornZAV\\VornZAV.exe"));
  EXPECT_EQ(window_->BarrazzaTotale().Position(), 3);
}

// A server that tells the size in ASCII mode (the demo server, like most)
// gives a per-item bar that follows the bytes, of the package and then of
// its signature; one that refuses it there gives a busy bar throughout. Both
// leave the bar empty when the step ends.
TEST_F(InstallStepsTest, ThePerItemBarFollowsTheBytesWhenTheServerTellsTheSize) {
  MakePackages();
  const auto packageSize = static_cast<int32_t>(fs::file_size(Packages() / "ZAV.ZIP"));
  const auto signatureSize = static_cast<int32_t>(fs::file_size(Packages() / "ZAV.ZIP.sig"));
  for (const bool refused : {false, true}) {
    SCOPED_TRACE(refused ? "SIZE refused in ASCII mode" : "SIZE answered");
    DemoServer server(download_, refused ? "--no-ascii-size" : "");
    InstallSteps steps(*window_, Server(server.Port()), "C:\\VornZAV\\", DemoKey);
    steps.Install();
    int transfer = 0;
    steps.FtpClient1().OnWorkBegin = [&, shown = steps.FtpClient1().OnWorkBegin](void* sender, TWorkMode mode,
                                                                                int64_t max) {
      ++transfer;
      shown(sender, mode, max);
    };
    std::vector<std::tuple<int, bool, int32_t>> seen;  // transfer, busy, maximum at every block
    steps.FtpClient1().OnWork = [&](void* sender, TWorkMode mode, int64_t count) {
      seen.emplace_back(transfer, window_->Barrazza().Busy(), window_->Barrazza().Max());
      window_->FtpClient1Work(sender, mode, count);
    };
    Answerer answerer;
    window_->StepButtonClicked(TStepButton::BtnZAV);

    ASSERT_TRUE(FileExists("C:\\VornZAV\\VornZAV.exe"));
    EXPECT_EQ(ExpectedDownloadSize, refused ? -1 : signatureSize);
    ASSERT_EQ(transfer, 2);
    std::set<int> transfers;
    for (const auto& [which, busy, max] : seen) {
      transfers.insert(which);
      EXPECT_EQ(busy, refused);
      if (!refused) {
        EXPECT_EQ(max, which == 1 ? packageSize : signatureSize) << "transfer " << which;
      }
    }
    EXPECT_EQ(transfers, (std::set<int>{1, 2}));
    fs::remove(Host("C:\\VornZAV\\Rilasci.txt"));
    EXPECT_FALSE(window_->Barrazza().Busy());
    EXPECT_EQ(window_->Barrazza().Position(), 0);
  }
}

TEST_F(InstallStepsTest, APackageLackingAFileInstallsTheOthersAndTheShellSaysWhich) {
  MakePackages();
  ASSERT_EQ(test::RunHostScript("zip -q -d " + test::BashQuoted(test::HostPath(Packages() / "ZAV.ZIP")) + " Quadra.exe").Status, 0);
  DemoServer server(download_);
  InstallSteps steps(*window_, Server(server.Port()), "C:\\VornZAV\\", NoKey);
  Answerer answerer;
  steps.BtnZAVClick();

  EXPECT_FALSE(FileExists("C:\\VornZAV\\Quadra.exe"));
  EXPECT_TRUE(FileExists("C:\\VornZAV\\Livella.exe"));
  ASSERT_EQ(answerer.Boxes().size(), 1u);
  EXPECT_TRUE(Contains(answerer.Boxes()[0].Text, "Quadra.exe"));
}

// What the module step does with the signature beside the package: with the
// key, only the key's signed statement of that very package (its name, size,
// digest), at a release not below the one installed, lets it be unpacked.
struct SignatureCase {
  const char* Name;
  bool Key;
  void (*Change)(const fs::path& packages);
  bool Installed;
};

void PrintTo(const SignatureCase& c, std::ostream* out) { *out << c.Name; }

void Overwrite(const fs::path& path, const std::string& content) { std::ofstream(path, std::ios::binary) << content; }
fs::path ReleaseFile() { return *ToHostPath("C:\\VornZAV\\Rilasci.txt"); }

const SignatureCase SignatureCases[] = {
    {"GoodSignature", true, [](const fs::path&) {}, true},
    // Nothing fetches the signature, so not even a bad one matters.
    {"NoKeyFetchesNoSignature", false,
     [](const fs::path& packages) { Overwrite(packages / "ZAV.ZIP.sig", std::string(128, '0') + "\n"); }, true},
    // The release installed before, again: a re-installation.
    {"SameReleaseAgain", true, [](const fs::path&) { Overwrite(ReleaseFile(), "ZAV.ZIP 1\n"); }, true},
    {"LowerRelease", true, [](const fs::path&) { Overwrite(ReleaseFile(), "ZAV.ZIP 2\ndbe_2018.zip 1\n"); }, false},
    {"UnreadableReleaseFile", true, [](const fs::path&) { Overwrite(ReleaseFile(), "ZAV.ZIP two\n"); }, false},
    // A signature of the form before: one line of 128 digits.
    {"OldFormatSignature", true,
     [](const fs::path& packages) { Overwrite(packages / "ZAV.ZIP.sig", std::string(128, '0') + "\n"); }, false},
    {"MissingSignature", true, [](const fs::path& packages) { fs::remove(packages / "ZAV.ZIP.sig"); }, false},
    {"BadSignature", true,
     [](const fs::path& packages) {
       std::string text = test::ScratchFolder::Read(packages / "ZAV.ZIP.sig");
       text[10] = text[10] == '0' ? '1' : '0';
       Overwrite(packages / "ZAV.ZIP.sig", text);
     },
     false},
    // One byte more, as a comment of the archive: still a good archive.
    {"PackageChangedAfterSigning", true,
     [](const fs::path& packages) {
       std::string zip = test::ScratchFolder::Read(packages / "ZAV.ZIP");
       ASSERT_EQ(zip.substr(zip.size() - 22, 4), "PK\x05\x06");
       ASSERT_EQ(zip.substr(zip.size() - 2), std::string(2, '\0'));
       zip[zip.size() - 2] = 1;
       Overwrite(packages / "ZAV.ZIP", zip + "!");
       EXPECT_EQ(test::RunHostScript("unzip -tqq " + test::BashQuoted(test::HostPath(packages / "ZAV.ZIP"))).Status, 0);
     },
     false},
    // With a key, a failed download leaves nothing to copy either.
    {"MissingPackage", true, [](const fs::path& packages) { fs::remove(packages / "ZAV.ZIP"); }, false},
    {"SignatureOfTheOtherPackage", true,
     [](const fs::path& packages) {
       fs::copy_file(packages / "dbe_2018.zip.sig", packages / "ZAV.ZIP.sig", fs::copy_options::overwrite_existing);
     },
     false},
    // The engine package, signed, served as the module with its signature.
    {"OtherPackageUnderThisName", true,
     [](const fs::path& packages) {
       fs::copy_file(packages / "dbe_2018.zip", packages / "ZAV.ZIP", fs::copy_options::overwrite_existing);
       fs::copy_file(packages / "dbe_2018.zip.sig", packages / "ZAV.ZIP.sig", fs::copy_options::overwrite_existing);
     },
     false},
};

class PackageSignatureTest : public InstallStepsTest, public ::testing::WithParamInterface<SignatureCase> {};

TEST_P(PackageSignatureTest, OnlyAGoodSignatureLetsTheModuleIn) {
  const SignatureCase& c = GetParam();
  MakePackages();
  c.Change(Packages());
  DemoServer server(download_);
  InstallSteps steps(*window_, Server(server.Port()), "C:\\VornZAV\\", c.Key ? DemoKey : NoKey);
  int transfers = 0;
  steps.FtpClient1().OnWorkBegin = [&, shown = steps.FtpClient1().OnWorkBegin](void* sender, TWorkMode mode,
                                                                              int64_t max) {
    ++transfers;
    shown(sender, mode, max);
  };
  Answerer answerer;
  steps.BtnZAVClick();

  EXPECT_FALSE(FileExists(InstTempDir + "\\ZAV.ZIP"));
  EXPECT_FALSE(FileExists(InstTempDir + "\\ZAV.ZIP.sig"));
  EXPECT_TRUE(Logged(" Fine download ZAV"));
  if (c.Installed) {
    EXPECT_EQ(transfers, c.Key ? 2 : 1) << "the package, and its signature only with a key";
    // The release used is recorded with a key; without one there is none.
    if (c.Key) {
      EXPECT_NE(test::ScratchFolder::Read(ReleaseFile()).find("ZAV.ZIP 1\n"), std::string::npos);
    } else {
      EXPECT_FALSE(fs::exists(ReleaseFile()));
    }
    EXPECT_FALSE(Logged(" Pacchetto non verificato: ZAV.ZIP"));
    EXPECT_TRUE(FileExists("C:\\VornZAV\\VornZAV.exe"));
    EXPECT_TRUE(Logged(" File copiato in C:\\VornZAV\\"));
    EXPECT_EQ(window_->BarrazzaTotale().Position(), 3);
    return;
  }
  ASSERT_TRUE(Logged(" Pacchetto non verificato: ZAV.ZIP"));
  EXPECT_LT(Position(" Inizio download ZAV dal web..."), Position(" Pacchetto non verificato: ZAV.ZIP"));
  EXPECT_LT(Position(" Pacchetto non verificato: ZAV.ZIP"), Position(" Fine download ZAV"));
  // Nothing unpacked, nothing copied, no shell complaint about missing files.
  EXPECT_FALSE(Logged(" Inizio decompressione del file scaricato"));
  EXPECT_FALSE(FileExists(InstTempDir + "\\VornZAV.exe"));
  EXPECT_FALSE(FileExists("C:\\VornZAV\\VornZAV.exe"));
  EXPECT_FALSE(Logged(" File copiato in C:\\VornZAV\\"));
  EXPECT_TRUE(answerer.Boxes().empty());
  EXPECT_EQ(Logged(" File dei rilasci illeggibile: C:\\VornZAV\\Rilasci.txt"), c.Name == std::string("UnreadableReleaseFile"));
  // A refusal records nothing.
  if (fs::exists(ReleaseFile())) {
    EXPECT_EQ(test::ScratchFolder::Read(ReleaseFile()).find("ZAV.ZIP 1\n"), std::string::npos);
  }
  // The check's step only: the download counts as failed.
  EXPECT_EQ(window_->BarrazzaTotale().Position(), 1);
}

INSTANTIATE_TEST_SUITE_P(Signatures, PackageSignatureTest, ::testing::ValuesIn(SignatureCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// An engine package that fails its check is not unpacked and its setup is
// not started; the step ends normally, as after a failed download, so that
// the sequence goes on.
TEST_F(InstallStepsTest, AnUnverifiedEnginePackageStartsNothing) {
  MakePackages();
  fs::copy_file(Packages() / "ZAV.ZIP.sig", Packages() / "dbe_2018.zip.sig", fs::copy_options::overwrite_existing);
  DemoServer server(download_);
  InstallSteps steps(*window_, Server(server.Port()), "C:\\VornZAV\\", DemoKey);
  Answerer answerer;
  EXPECT_NO_THROW(steps.BtnDBEClick());

  EXPECT_TRUE(Logged(" Pacchetto non verificato: dbe_2018.zip"));
  EXPECT_TRUE(Logged(" Fine download DBE"));
  EXPECT_FALSE(Logged(" Avvio installazione DBE"));
  EXPECT_FALSE(FileExists(InstTempDir + "\\dbe_2018.zip"));
  EXPECT_FALSE(DirectoryExists(InstTempDir + "\\Dbe_2018"));
  // Nothing ran: no setup writes the engine's configuration.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(fs::exists(Host("C:\\DBE\\DBE.CFG")));
  EXPECT_TRUE(answerer.Boxes().empty());
  EXPECT_EQ(window_->BarrazzaTotale().Position(), 1);

  // In the sequence: nothing was started, so there is nothing to wait for.
  steps.Install();
  window_->StepButtonClicked(TStepButton::BtnAvanti);
  EXPECT_TRUE(Logged(" File copiato in C:\\VornZAV\\"));
  for (const auto& box : answerer.Boxes()) EXPECT_NE(box.Caption, "Information") << box.Text;
  EXPECT_FALSE(fs::exists(Host("C:\\DBE\\DBE.CFG")));
}

// Modes, owners and links of a Debian folder; on Windows the folder's
// rights are platform/'s own tests' business.
#ifndef _WIN32
// InstTempDir is used only when it is this user's alone: a folder open to
// others is closed to them first, a link or another user's folder is not
// used; and what the step copies comes from the package just unpacked.
TEST_F(InstallStepsTest, TheWorkFolderIsTheUsersAloneAndHoldsOnlyThePackage) {
  MakePackages();
  ASSERT_EQ(test::RunHostScript("zip -q -d " + test::BashQuoted(test::HostPath(Packages() / "ZAV.ZIP")) + " Quadra.exe").Status, 0);
  DemoServer server(download_);
  const fs::path work = Host(InstTempDir);
  // Left by an earlier run, or planted: not copied.
  test::ScratchFolder::Write(work / "Quadra.exe", "planted");
  fs::create_directories(work / "ArchiviVuoti");
  test::ScratchFolder::Write(work / "ArchiviVuoti" / "Vecchia.db", "planted");
  fs::permissions(work / "ArchiviVuoti", fs::perms::owner_read | fs::perms::owner_exec);
  fs::permissions(work, fs::perms::all);
  {
    InstallSteps steps(*window_, Server(server.Port()), "C:\\VornZAV\\", NoKey);
    Answerer answerer;
    steps.BtnZAVClick();
    EXPECT_EQ(fs::status(work).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_TRUE(FileExists("C:\\VornZAV\\Livella.exe"));
    EXPECT_FALSE(FileExists("C:\\VornZAV\\Quadra.exe"));
    EXPECT_FALSE(fs::exists(work / "Quadra.exe"));
    EXPECT_FALSE(FileExists("C:\\VornZAV\\ArchiviVuoti\\Vecchia.db"));
    EXPECT_TRUE(FileExists("C:\\VornZAV\\ArchiviVuoti\\Medici.db"));
  }

  // A link in its place, to a folder anyone may write.
  const fs::path elsewhere = download_.parent_path() / "elsewhere";
  fs::create_directories(elsewhere);
  fs::remove_all(work);
  fs::create_directory_symlink(elsewhere, work);
  fs::remove(Host("C:\\VornZAV\\Livella.exe"));
  std::vector<std::pair<std::string, std::function<void()>>> unsafe = {{"a link", [] {}}};
  if (geteuid() == 0) {
    unsafe.emplace_back("another user's folder", [&] {
      fs::remove(work);
      fs::create_directory(work);
      ASSERT_EQ(chown(work.c_str(), 65534, 65534), 0);
    });
  }
  for (const auto& [what, make] : unsafe) {
    SCOPED_TRACE(what);
    make();
    ClearLog();
    InstallSteps steps(*window_, Server(server.Port()), "C:\\VornZAV\\", NoKey);
    Answerer answerer;
    steps.BtnZAVClick();
    const auto lines = Log();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& line) {
                              return line.rfind(" Cartella temporanea non sicura, non usata: " + InstTempDir, 0) == 0;
                            }),
              1);
    EXPECT_TRUE(Logged(" Fine download ZAV"));
    EXPECT_FALSE(Logged(" Inizio decompressione del file scaricato"));
    EXPECT_FALSE(FileExists("C:\\VornZAV\\Livella.exe"));
    EXPECT_TRUE(fs::is_empty(elsewhere));
    EXPECT_TRUE(answerer.Boxes().empty());
  }
}
#endif

// The download server's settings: compiled-in defaults, replaced one by one
// by the variables that are set; a wrong value is refused by name.
TEST(DownloadServerFromEnvironmentTest, VariablesReplaceTheDefaultsAndWrongValuesAreRefused) {
  test::ScratchFolder scratch("vorn_settings_test");
  const char* names[] = {"VORN_FTP_HOST", "VORN_FTP_PORT", "VORN_FTP_USER", "VORN_FTP_PASSWORD", "VORN_FTP_SITE"};
  for (const char* name : names) {
    scratch.Keep(name);
    test::UnsetVariable(name);
  }
  const DownloadServer defaults = DownloadServerFromEnvironment();
  EXPECT_EQ(defaults.Host, VORN_FTP_HOST);
  EXPECT_EQ(defaults.Port, 21);
  EXPECT_EQ(defaults.Username, VORN_FTP_USER);
  EXPECT_EQ(defaults.Password, "tovari");
  EXPECT_EQ(defaults.SiteFolder, VORN_FTP_SITE);

  test::SetVariable("VORN_FTP_HOST", "localhost");
  test::SetVariable("VORN_FTP_PORT", "2121");
  test::SetVariable("VORN_FTP_USER", "tecnico");
  test::SetVariable("VORN_FTP_PASSWORD", "");
  test::SetVariable("VORN_FTP_SITE", "");
  const DownloadServer set = DownloadServerFromEnvironment();
  EXPECT_EQ(set.Host, "localhost");
  EXPECT_EQ(set.Port, 2121);
  EXPECT_EQ(set.Username, "tecnico");
  EXPECT_EQ(set.Password, "");
  EXPECT_EQ(set.SiteFolder, "");
  test::SetVariable("VORN_FTP_PORT", "65535");
  EXPECT_EQ(DownloadServerFromEnvironment().Port, 65535);
  test::SetVariable("VORN_FTP_PORT", "1");
  EXPECT_EQ(DownloadServerFromEnvironment().Port, 1);

  const std::pair<const char*, const char*> wrong[] = {
      {"VORN_FTP_PORT", "0"},      {"VORN_FTP_PORT", "65536"},   {"VORN_FTP_PORT", "-21"},
      {"VORN_FTP_PORT", ""},       {"VORN_FTP_PORT", " 21"},     {"VORN_FTP_PORT", "0x15"},
      {"VORN_FTP_PORT", "999999"}, {"VORN_FTP_HOST", ""},        {"VORN_FTP_HOST", "  "},
      {"VORN_FTP_USER", ""},       {"VORN_FTP_USER", "a\r\nDELE x"}, {"VORN_FTP_SITE", "vorn"},
      {"VORN_FTP_PASSWORD", "x\ny"},
  };
  for (const auto& [name, value] : wrong) {
    const std::string before = std::getenv(name) ? std::getenv(name) : "";
    test::SetVariable(name, value);
    try {
      DownloadServerFromEnvironment();
      ADD_FAILURE() << name << "=" << value << " was taken";
    } catch (const EInvalidSetting& error) {
      EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
    }
    test::SetVariable(name, before.c_str());
  }
}

// The setting decides nothing in the sequence, but it is read as the engine
// writes it: blanks around it and letter case do not matter.
TEST(IsEngineLocalShareSetTest, ReadsTheSettingLoosely) {
  test::TempDrive drive;
  ForceDirectories("C:\\DBE");
  const fs::path config = *ToHostPath("C:\\DBE\\DBE.CFG");
  const auto readWith = [&](const std::string& lines) {
    std::ofstream(config, std::ios::trunc) << "[\\SYSTEM\\INIT]\r\n" << lines;
    TDBEngine engine;  // a fresh reading of the file
    return IsEngineLocalShareSet(engine.DefaultSession());
  };
  EXPECT_TRUE(readWith("LOCAL SHARE=TRUE\r\n"));
  EXPECT_TRUE(readWith("LOCAL SHARE=  true \r\n"));
  EXPECT_FALSE(readWith("LOCAL SHARE=FALSE\r\n"));
  EXPECT_FALSE(readWith("LOCAL SHARE=\r\n"));
  EXPECT_FALSE(readWith("LANGDRIVER=ascii\r\n"));
  EXPECT_FALSE(readWith("LOCAL SHARE=TRUE YES\r\n"));

  fs::remove(config);
  TDBEngine missing;
  EXPECT_THROW(IsEngineLocalShareSet(missing.DefaultSession()), EDatabaseError);
}

// A server that logs the client in and hangs up at once: Connect returns
// without a connection every time.
TEST_F(InstallStepsTest, ConnectingGivesUpAfterThreeAttempts) {
  const fs::path script = download_.parent_path() / "hang-up.py";
  test::ScratchFolder::Write(script, R"(
import socket, sys
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(5)
print(listener.getsockname()[1], flush=True)
listener.settimeout(20)
for attempt in range(5):
    try:
        conn, _ = listener.accept()
    except socket.timeout:
        break
    conn.settimeout(5)
    conn.sendall(b"220 ready\r\n")
    buffered = b""
    types = 0
    try:
        while types < 2:
            data = conn.recv(4096)
            if not data:
                break
            buffered += data
            while b"\r\n" in buffered:
                line, buffered = buffered.split(b"\r\n", 1)
                verb = line.split(b" ")[0].upper()
                reply = {b"USER": b"331 password", b"PASS": b"230 in", b"FEAT": b"211 none",
                         b"SYST": b"215 UNIX", b"TYPE": b"200 ok"}.get(verb, b"500 no")
                if verb == b"TYPE":
                    types += 1
                if types == 2:
                    # The last reply leaves in one segment with the end of
                    # the connection, so the client sees both at once.
                    conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_CORK, 1)
                conn.sendall(reply + b"\r\n")
    except OSError:
        pass
    conn.close()
    print("closed", flush=True)
)");
  std::optional<test::BackgroundScript> hangUp;
  hangUp.emplace("exec /usr/bin/python3 " + test::BashQuoted(test::HostPath(script)), download_.parent_path() / "hang-up.out");
  const uint16_t port = static_cast<uint16_t>(std::stoul(hangUp->FirstLine()));

  InstallSteps steps(*window_, Server(port), "C:\\VornZAV\\", NoKey);
  steps.Install();
  Answerer answerer;
  window_->StepButtonClicked(TStepButton::BtnZAV);
  hangUp.reset();

  ASSERT_EQ(answerer.Boxes().size(), 1u);
  EXPECT_EQ(answerer.Boxes()[0].Text, "Not Connected.");
  EXPECT_FALSE(Logged(" Controllo ZAV..."));
  int connections = 0;
  for (const std::string& line : Log()) connections += line == " Connected." ? 1 : 0;
  EXPECT_EQ(connections, InstallSteps::MaxConnectAttempts);
}

}  // namespace
}  // namespace vorn
