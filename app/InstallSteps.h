// The installation steps behind the window's buttons: the engine package
// ("Download ed Installa DBE"), the module package ("Zavario"), the alias and
// folders ("Alias e sistemazione file"), the hidden alignment button and the
// one-button sequence ("Installa/Aggiorna").
//
// The object owns the components the steps drive, FtpClient1 and
// ZipUnpacker1, and the engine objects of the alignment, and wires their
// events to the window's handlers. The window runs the steps one at a time;
// a step pressed by another step runs at once, nested.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "alignment/ArchiveAlignment.h"
#include "engine/Database.h"
#include "engine/Query.h"
#include "engine/Session.h"
#include "ftp/FtpClient.h"
#include "signature/PackageSignature.h"
#include "zip/Extract.h"
#include "zip/ZipUnpacker.h"

namespace vorn {

class TSetup_ZAV;

// The download server: compiled-in values; tests may put in their own.
struct DownloadServer {
  std::string Host = VORN_FTP_HOST;
  std::string Username = VORN_FTP_USER;
  std::string Password = "tovari";
  uint16_t Port = 21;
  std::string SiteFolder = VORN_FTP_SITE;  // at the start of the remote paths
  int32_t TransferTimeout = 100000;        // milliseconds
};

// The maker's public key, hexadecimal: a build setting, never one of the
// connection settings; tests may put in their own. With a key, a package is
// unpacked only when its "NAME.sig" is the key's signed statement of that
// very file and its release is not below the one installed before; empty,
// no signature is fetched.
struct PackageSigning {
  std::string KeyHex = VORN_PACKAGE_KEY;
};

// Raised when Connect keeps returning without a connection.
class ENotConnected : public std::runtime_error {
 public:
  ENotConnected() : std::runtime_error("Not Connected") {}
};

// True exactly when the engine's "LOCAL SHARE" reads "TRUE" (blanks removed,
// letters upper-cased). Raises the engine's error when it cannot be read.
// The program asks its default session; tests may pass another.
bool IsEngineLocalShareSet(TSession& session);
bool IsEngineLocalShareSet();

class InstallSteps {
 public:
  // programDir: where the alignment finds its templates; normally the
  // running program's folder. A signing key that is not a key raises
  // ESignatureError.
  InstallSteps(TSetup_ZAV& window, DownloadServer server = {}, std::string programDir = {},
               const PackageSigning& signing = {});
  ~InstallSteps();
  InstallSteps(const InstallSteps&) = delete;
  InstallSteps& operator=(const InstallSteps&) = delete;

  // Installs the steps as the handlers of the window's buttons.
  void Install();

  void BtnAvantiClick();
  void BtnDBEClick();
  void BtnZAVClick();
  void BtnAliasClick();
  void AllineaVersioneClick();

  TFtpClient& FtpClient1() { return ftpClient1_; }
  TZipUnpacker& ZipUnpacker1() { return zipUnpacker1_; }
  const DownloadServer& Server() const { return server_; }

  // How many calls of Connect may return without a connection before the
  // step gives up with "Not Connected".
  static constexpr int MaxConnectAttempts = 3;
  // Beside the module: the highest release installed of each package.
  static constexpr char ReleaseFileName[] = "Rilasci.txt";

 private:
  // The values in which the two download steps differ.
  struct Package {
    std::string RemoteName;   // after "/Area_Download/"
    std::string LocalName;    // after InstTempDir, with its leading "\"
    std::string CheckText;    // " Controllo ..."
    std::string StartText;    // " Inizio download ... dal web..."
    std::string EndText;      // " Fine download ..."
  };

  // What the fetch-and-unpack steps leave for the rest of the step.
  struct Fetched {
    bool Trusted = false;   // unpacking was allowed (no key, or a good package)
    bool Unpacked = false;  // and the extraction recorded no error
    int64_t Release = 0;    // the signed release; 0 without a key
  };

  Fetched FetchAndUnpack(const Package& package);
  bool WorkFolderIsPrivate();
  void ConnectToServer();
  std::string RemotePath(const Package& package) const;
  bool Download(const Package& package);
  std::optional<int64_t> VerifiedRelease(const Package& package, WinFile& file);
  bool Unpack(const std::string& localFile, std::shared_ptr<const WinFile> file);
  void CopyModuleFiles();
  void RecordRelease(const Package& package, int64_t release);

  TSetup_ZAV& window_;
  DownloadServer server_;
  std::string programDir_;
  std::optional<PublicKey> packageKey_;
  TFtpClient ftpClient1_;
  TZipUnpacker zipUnpacker1_;
  TSession sessionVORN_;
  TDatabase principale_;
  TDatabase database1_;
  TQuery sql_;
  std::unique_ptr<ArchiveAlignment> alignment_;
  bool engineSetupStarted_ = false;  // by the last press of the engine step
};

}  // namespace vorn
