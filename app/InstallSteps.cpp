// The installation steps. Each one logs its progress, steps the overall bar
// at fixed points and leaves expected failures in the log; an error that is
// not expected (no connection to the server) ends the step and reaches the
// window's error box.
#include "app/InstallSteps.h"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include "alignment/AliasConfiguration.h"
#include "app/V_Main.h"
#include "engine/DBEngine.h"
#include "platform/FileSystem.h"
#include "platform/PrivateFolder.h"
#include "platform/Shell.h"
#include "platform/Wildcard.h"
#include "platform/WinFile.h"
#include "signature/InstalledReleases.h"

namespace vorn {

namespace {

const std::string Separator = " ****************************************";
constexpr int ShellOwner = 128;

std::string TrimBlanks(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// The text on one log line: a server's reply comes with CR LF after each of
// its lines, and every line break (CR LF, a lone CR or LF, and the other
// breaks the log pane would honour) becomes one blank; breaks at the end go.
std::string OnOneLine(const std::string& text) {
  std::string line;
  size_t pending = 0;  // breaks seen since the last character kept
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t breakSize = 0;
    if (c == '\r') breakSize = (i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    else if (c == '\n' || c == '\v' || c == '\f') breakSize = 1;
    else if (text.compare(i, 2, "\xC2\x85") == 0) breakSize = 2;  // NEL
    else if (text.compare(i, 3, "\xE2\x80\xA8") == 0 || text.compare(i, 3, "\xE2\x80\xA9") == 0) breakSize = 3;
    if (breakSize > 0) {
      ++pending;
      i += breakSize;
      continue;
    }
    line.append(std::exchange(pending, 0), ' ');
    line += text[i++];
  }
  return line;
}

}  // namespace

bool IsEngineLocalShareSet(TSession& session) {
  std::vector<std::string> params;
  session.GetConfigParams("\\SYSTEM\\INIT", "", params);
  std::string value;
  for (const std::string& line : params) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos && SameText(line.substr(0, equals), "LOCAL SHARE")) {
      value = line.substr(equals + 1);
      break;
    }
  }
  value = TrimBlanks(value);
  std::transform(value.begin(), value.end(), value.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
  return value == "TRUE";
}

bool IsEngineLocalShareSet() { return IsEngineLocalShareSet(DefaultSession()); }

InstallSteps::InstallSteps(TSetup_ZAV& window, DownloadServer server, std::string programDir,
                           const PackageSigning& signing)
    : window_(window),
      server_(std::move(server)),
      programDir_(programDir.empty() ? GetProgramFolder() : std::move(programDir)),
      packageKey_(signing.KeyHex.empty() ? std::nullopt : std::optional<PublicKey>(ParsePublicKey(signing.KeyHex))),
      zipUnpacker1_(&window, &window.ZipDialogs()),
      sessionVORN_("SessionVORN_1"),
      principale_(sessionVORN_),
      database1_(sessionVORN_),
      sql_(sessionVORN_) {
  // The settings the window gives its components once, for the whole run.
  ftpClient1_.IPVersion = IpV4;
  ftpClient1_.AutoLogin = true;
  ftpClient1_.ListenTimeout = 100000;
  ftpClient1_.UseExtensionDataPort = true;
  ftpClient1_.OnStatus = [this](void* sender, TFtpStatus status, const std::string& text) {
    window_.FtpClient1Status(sender, status, text);
  };
  ftpClient1_.OnWorkBegin = [this](void* sender, TWorkMode mode, int64_t max) {
    window_.FtpClient1WorkBegin(sender, mode, max);
  };
  ftpClient1_.OnWork = [this](void* sender, TWorkMode mode, int64_t count) {
    window_.FtpClient1Work(sender, mode, count);
  };

  zipUnpacker1_.SetExtrOptions(ExtrDirNames | ExtrOverWrite | ExtrForceDirs);
  zipUnpacker1_.OnProgress = [this](void* sender, TZUProgressDetails& details) {
    window_.ZipUnpacker1Progress(sender, details);
  };

  sessionVORN_.SetPrivateDir("C:\\");
  principale_.SetDatabaseName("Calanco");
  database1_.SetDatabaseName("Tab");
  database1_.SetAliasName("ZAV");
  sql_.SetDatabaseName("Calanco");
  alignment_ = std::make_unique<ArchiveAlignment>(window_, sessionVORN_, principale_, sql_, programDir_);
}

InstallSteps::~InstallSteps() = default;

void InstallSteps::Install() {
  window_.InstallStep(TStepButton::BtnAvanti, [this](TStepButton) { BtnAvantiClick(); });
  window_.InstallStep(TStepButton::BtnDBE, [this](TStepButton) { BtnDBEClick(); });
  window_.InstallStep(TStepButton::BtnZAV, [this](TStepButton) { BtnZAVClick(); });
  window_.InstallStep(TStepButton::BtnAlias, [this](TStepButton) { BtnAliasClick(); });
  window_.InstallStep(TStepButton::AllineaVersione, [this](TStepButton) { AllineaVersioneClick(); });
}

void InstallSteps::BtnAvantiClick() {
  if (window_.ButtonCaption(TStepButton::BtnAvanti) == "Fine") {
    window_.Terminate();
    return;
  }

  // The engine counts as installed whenever its configuration can be read;
  // the value read decides nothing.
  bool engineFound = true;
  try {
    if (IsEngineLocalShareSet()) IsEngineLocalShareSet();
  } catch (const std::exception&) {
    engineFound = false;
  }

  if (engineFound) {
    window_.AddLogLine(Separator);
    window_.AddLogLine(" DBE risulta già installato...");
    for (int i = 0; i < 3; ++i) window_.BarrazzaTotale().StepIt();
  } else {
    engineSetupStarted_ = false;
    window_.Press(TStepButton::BtnDBE);
    // The engine's installer runs on its own: the user says when it is done.
    // When nothing was started (the package was refused), there is nothing
    // to wait for.
    if (engineSetupStarted_) {
      window_.ShowMessageBox(MessageBoxKind::Information,
                             "Attendere fin quando DBE finisce l'installazione. premere OK a termine "
                             "dell'installazione del DBE.");
    }
  }

  window_.Press(TStepButton::BtnZAV);
  window_.Press(TStepButton::BtnAlias);
  window_.AddLogLine(" Installazione terminata.");
  window_.BarrazzaTotale().SetPosition(0);
  window_.SetButtonCaption(TStepButton::BtnAvanti, "Fine");
}

void InstallSteps::BtnDBEClick() {
  engineSetupStarted_ = false;
  const Package package{"dbe_2018.zip", "\\dbe_2018.zip", " Controllo DBE...", " Inizio download DBE dal web...",
                        " Fine download DBE"};
  const Fetched fetched = FetchAndUnpack(package);
  if (!fetched.Trusted) return;
  window_.BarrazzaTotale().StepIt();
  window_.AddLogLine(" Fine decompressione del file scaricato");
  window_.AddLogLine(Separator);
  window_.AddLogLine(" Avvio installazione DBE");
  window_.AddLogLine(Separator);
  // Started from the private folder it was unpacked into, and left to run
  // on its own. Started or not, nothing is logged.
  engineSetupStarted_ = WorkFolderIsPrivate() && ShellExecute(InstTempDir + "\\Dbe_2018\\Setup.exe") > 32;
  if (fetched.Unpacked && engineSetupStarted_) RecordRelease(package, fetched.Release);
}

void InstallSteps::BtnZAVClick() {
  const Package package{"ZAV.ZIP", "\\ZAV.ZIP", " Controllo ZAV...", " Inizio download ZAV dal web...",
                        " Fine download ZAV"};
  const Fetched fetched = FetchAndUnpack(package);
  if (!fetched.Trusted) return;
  window_.AddLogLine(" Fine decompressione del file scaricato");
  window_.AddLogLine(Separator);
  CopyModuleFiles();
  if (fetched.Unpacked) RecordRelease(package, fetched.Release);
}

void InstallSteps::BtnAliasClick() {
  vorn::BtnAliasClick(window_, DefaultSession(), *alignment_, AliasStepFolders{ProductDir, InstTempDir});
}

void InstallSteps::AllineaVersioneClick() { alignment_->AllineaVersioneClick(); }

// The steps both download buttons share, up to the end of the unpacking.
// The package is downloaded into InstTempDir, a folder only this user can
// write, emptied first so that what the step goes on to copy or start comes
// from this package alone. It is then opened once: the check reads that
// open file and the unpacking reads it again through a second handle on the
// same file, so nothing can change between the two. Not trusted (a key is
// set and the package is not good, or the folder is not private): the
// package is deleted and the step unpacks, copies and starts nothing.
InstallSteps::Fetched InstallSteps::FetchAndUnpack(const Package& package) {
  ConnectToServer();
  window_.AddLogLine(Separator);
  window_.AddLogLine(package.CheckText);
  window_.BarrazzaTotale().StepIt();
  window_.AddLogLine(package.StartText);
  window_.Barrazza().SetPosition(0);

  Fetched fetched;
  const std::string localFile = InstTempDir + package.LocalName;
  bool usable = WorkFolderIsPrivate();
  bool downloaded = false;
  std::shared_ptr<WinFile> file;
  std::optional<int64_t> release;
  if (usable && !EmptyFolder(InstTempDir)) {
    window_.AddLogLine(" Cartella temporanea non svuotata, non usata: " + InstTempDir);
    usable = false;
  }
  if (usable) {
    downloaded = Download(package);
    if (auto opened = std::make_shared<WinFile>(); opened->TryOpen(localFile, FileOpen::Read)) file = opened;
    if (packageKey_ && downloaded && file) release = VerifiedRelease(package, *file);
  }
  fetched.Trusted = usable && (!packageKey_ || release.has_value());
  fetched.Release = release.value_or(0);
  if (usable && !fetched.Trusted) {
    window_.AddLogLine(" Pacchetto non verificato: " + package.RemoteName);
    file.reset();
    DeleteFile(localFile);
  } else if (fetched.Trusted && downloaded) {
    window_.BarrazzaTotale().StepIt();
  }

  window_.AddLogLine(package.EndText);
  window_.AddLogLine(Separator);
  if (fetched.Trusted) {
    window_.AddLogLine(" Inizio decompressione del file scaricato");
    fetched.Unpacked = Unpack(localFile, std::move(file));
    DeleteFile(localFile);
  }
  window_.Repaint();
  window_.Barrazza().SetPosition(0);
  return fetched;
}

// InstTempDir must be this user's alone: made owner-only when missing, its
// rights for others taken away when it is ours; another user's folder, or
// one reached through a link, is not used.
bool InstallSteps::WorkFolderIsPrivate() {
  const PrivateFolderState state = MakePrivateFolder(InstTempDir);
  if (state == PrivateFolderState::Private) return true;
  const char* why = "";
  switch (state) {
    case PrivateFolderState::Private: break;
    case PrivateFolderState::NotCreated: why = "non si può creare"; break;
    case PrivateFolderState::NotAFolder: why = "non è una cartella"; break;
    case PrivateFolderState::OtherOwner: why = "appartiene a un altro utente"; break;
    case PrivateFolderState::OpenParent: why = "altri utenti possono sostituirla"; break;
  }
  window_.AddLogLine(" Cartella temporanea non sicura, non usata: " + InstTempDir + " (" + why + ")");
  return false;
}

void InstallSteps::ConnectToServer() {
  if (ftpClient1_.Connected()) ftpClient1_.Disconnect();
  ftpClient1_.Host = server_.Host;
  ftpClient1_.Username = server_.Username;
  ftpClient1_.Password = server_.Password;
  ftpClient1_.Port = server_.Port;
  ftpClient1_.TransferTimeout = server_.TransferTimeout;
  // Connect raises when it fails; one that returns without a connection is
  // tried again, but not for ever.
  for (int attempt = 0; attempt < MaxConnectAttempts; ++attempt) {
    ftpClient1_.Connect();
    if (ftpClient1_.Connected()) return;
  }
  throw ENotConnected();
}

std::string InstallSteps::RemotePath(const Package& package) const {
  return server_.SiteFolder + "/Area_Download/" + package.RemoteName;
}

// A failed download does not end the step: the unpacking goes on with what
// an earlier run left. It is logged, so that the technician knows.
bool InstallSteps::Download(const Package& package) {
  const std::string remoteFile = RemotePath(package);
  try {
    ExpectedDownloadSize = static_cast<int32_t>(static_cast<uint32_t>(ftpClient1_.Size(remoteFile)));
    ftpClient1_.Get(remoteFile, InstTempDir + package.LocalName, true, true);
    return true;
  } catch (const std::exception& error) {
    window_.AddLogLine(" Errore nel download: " + OnOneLine(error.what()));
    return false;
  }
}

// "NAME.sig" comes over the same connection right after the package; a
// signature the server lacks counts as a bad one. The signed release of a
// good package, unless it is below the highest installed here (a downgrade).
std::optional<int64_t> InstallSteps::VerifiedRelease(const Package& package, WinFile& file) {
  const std::string remoteSignature = RemotePath(package) + ".sig";
  const std::string localSignature = InstTempDir + package.LocalName + ".sig";
  DeleteFile(localSignature);
  std::optional<int64_t> release;
  try {
    // The bar's maximum when the transfer does not tell it: this file's size.
    ExpectedDownloadSize = -1;
    try {
      ExpectedDownloadSize = static_cast<int32_t>(static_cast<uint32_t>(ftpClient1_.Size(remoteSignature)));
    } catch (const std::exception&) {
    }
    ftpClient1_.Get(remoteSignature, localSignature, true, true);
    const PackageCheck check = CheckPackage(*packageKey_, package.RemoteName, file,
                                            ReadWholeFile(localSignature, kSignatureFileLimit),
                                            [this] { window_.ProcessMessages(); });
    if (check.Good()) {
      InstalledReleases installed(ProductDir + ReleaseFileName);
      try {
        installed.Load();
        if (check.Statement->Release >= installed.Highest(package.RemoteName)) release = check.Statement->Release;
      } catch (const ESignatureError&) {
        window_.AddLogLine(" File dei rilasci illeggibile: " + installed.Path());
      }
    }
  } catch (const std::exception&) {
  }
  DeleteFile(localSignature);
  return release;
}

// Read through the open file when there is one; by name otherwise (nothing
// was downloaded: the component reports the missing file as usual).
bool InstallSteps::Unpack(const std::string& localFile, std::shared_ptr<const WinFile> file) {
  zipUnpacker1_.FSpecArgs().clear();
  if (file) {
    zipUnpacker1_.SetZipFile(localFile, std::move(file));
  } else {
    zipUnpacker1_.SetZipFileName(localFile);
  }
  zipUnpacker1_.SetExtrBaseDir(InstTempDir + "\\");
  return zipUnpacker1_.Extract() == 0;
}

// Once a package has been used (unpacked, and the engine's setup started or
// the module's files copied), its release is the lowest one accepted from
// then on.
void InstallSteps::RecordRelease(const Package& package, int64_t release) {
  if (release <= 0) return;
  InstalledReleases installed(ProductDir + ReleaseFileName);
  try {
    installed.Load();
    installed.Record(package.RemoteName, release);
  } catch (const ESignatureError&) {
    window_.AddLogLine(" Impossibile registrare il rilascio in " + installed.Path());
  }
}

void InstallSteps::CopyModuleFiles() {
  ShellFileOp(ShellOwner, InstTempDir + "\\ArchiviVuoti\\*.*", ProductDir + "ArchiviVuoti", "Copy");
  for (const char* name : {"\\Pontex.exe", "\\Vorn.ico", "\\VornZAV.exe", "\\Riservo.exe", "\\Quadra.exe",
                           "\\Librax.dll", "\\Oriolo_2022.exe", "\\Livella.exe", "\\Stemma.png"}) {
    ShellFileOp(ShellOwner, InstTempDir + name, ProductDir, "Copy");
  }
  window_.BarrazzaTotale().StepIt();

  const std::string desktop = GetDesktopFolder();
  ShellFileOp(ShellOwner, InstTempDir + "\\Vorn_ZAV.lnk", desktop, "Copy");
  ShellFileOp(ShellOwner, InstTempDir + "\\Oriolo_2022.lnk", desktop, "Copy");
  window_.AddLogLine(" File copiato in " + ProductDir);
  window_.AddLogLine(Separator);
}

}  // namespace vorn
