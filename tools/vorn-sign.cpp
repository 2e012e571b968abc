// vorn-sign: the maker's signing of release packages (Ed25519).
//
//   vorn-sign keygen SECRET-KEY-FILE PUBLIC-KEY-FILE
//   vorn-sign sign [--release N] SECRET-KEY-FILE PACKAGE...
//   vorn-sign verify PUBLIC-KEY-FILE PACKAGE [SIGNATURE]
//   vorn-sign fingerprint PUBLIC-KEY-FILE
//
// keygen makes a new key pair from the system's random source. The secret
// key file is created only when none exists (readable by its owner alone);
// the public key file holds the 64 digits the program is built with
// (-DVORN_PACKAGE_KEY=...). sign writes PACKAGE.sig beside each package: the
// statement of its file name, size, SHA-512 and release (default 1) and the
// signature of it (signature/PackageSignature.h). verify checks PACKAGE
// against SIGNATURE (default PACKAGE.sig), under PACKAGE's own file name, as
// the program does; it prints the statement's fields and "good" (exit 0) or
// "refused: REASON" (exit 1). Errors go to standard error, exit 2.
// Files are host paths or Windows paths.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/WinFile.h"
#include "platform/WinPath.h"
#include "signature/PackageSignature.h"

using namespace vorn;

namespace {

int Usage(std::FILE* out = stderr, int status = 2) {
  std::fputs(
      "usage: vorn-sign keygen SECRET-KEY-FILE PUBLIC-KEY-FILE\n"
      "       vorn-sign sign [--release N] SECRET-KEY-FILE PACKAGE...\n"
      "       vorn-sign verify PUBLIC-KEY-FILE PACKAGE [SIGNATURE]\n"
      "       vorn-sign fingerprint PUBLIC-KEY-FILE\n"
      "keygen makes a key pair; sign writes PACKAGE.sig (name, size, SHA-512 and release N,\n"
      "default 1, signed); verify checks PACKAGE against SIGNATURE (default PACKAGE.sig) and\n"
      "prints the statement's fields; fingerprint prints the key's fingerprint.\n"
      "Exit status: 0 done or good, 1 refused by verify (last line \"refused: ...\"),\n"
      "2 wrong usage or a file that cannot be read or written.\n",
      out);
  return status;
}

const char* VerdictName(PackageVerdict verdict) {
  switch (verdict) {
    case PackageVerdict::Good: return "good";
    case PackageVerdict::NotAStatement: return "not a signature statement";
    case PackageVerdict::BadSignature: return "bad signature";
    case PackageVerdict::WrongName: return "wrong name";
    case PackageVerdict::WrongSize: return "wrong size";
    case PackageVerdict::WrongDigest: return "wrong digest";
    case PackageVerdict::Unreadable: return "unreadable package";
  }
  return "refused";
}

SecretKey RandomSecret() {
  SecretKey secret;
  try {
    SystemRandom(secret.data(), secret.size());
  } catch (const std::runtime_error& error) {
    throw ESignatureError(error.what());
  }
  return secret;
}

// A new file only: an existing key is never overwritten. A private one is
// readable by its owner alone.
void WriteNewFile(const std::string& path, const std::string& text, FileOpen mode = FileOpen::CreateNew) {
  WinFile file;
  if (!file.TryOpen(path, mode)) {
    throw ESignatureError("Cannot create " + path + ": " + SysErrorMessage(GetLastError()));
  }
  try {
    file.Write(text.data(), text.size());
    file.Flush();
  } catch (const FileError& error) {
    file.Close();
    DeleteFile(path);
    throw ESignatureError("Cannot write " + path + ": " + error.what());
  }
}

int Keygen(const std::string& secretPath, const std::string& publicPath) {
  if (FileExists(secretPath)) throw ESignatureError(secretPath + " exists already; it is not replaced");
  if (FileExists(publicPath)) throw ESignatureError(publicPath + " exists already; it is not replaced");
  const SecretKey secret = RandomSecret();
  WriteNewFile(secretPath, ToHex(secret) + "\n", FileOpen::CreatePrivate);
  try {
    WriteNewFile(publicPath, ToHex(PublicKeyOf(secret)) + "\n");
  } catch (...) {
    DeleteFile(secretPath);  // half a pair is no use; the next keygen starts clean
    throw;
  }
  std::printf("%s\n", ToHex(PublicKeyOf(secret)).c_str());
  return 0;
}

int Run(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "--help" || command == "-h") return Usage(stdout, 0);
  if (command == "keygen" && argc == 4) {
    return Keygen(WinPathFromUser(argv[2]), WinPathFromUser(argv[3]));
  }
  if (command == "sign") {
    int first = 2;
    int64_t release = 1;
    if (argc > 3 && std::string(argv[2]) == "--release") {
      release = ParseRelease(argv[3]);
      first = 4;
    }
    if (argc < first + 2) return Usage();
    const SecretKey secret = ParseSecretKey(ReadWholeFile(WinPathFromUser(argv[first])));
    for (int i = first + 1; i < argc; ++i) {
      const std::string package = WinPathFromUser(argv[i]);
      SignPackage(secret, package, release, package + ".sig");
      std::printf("signed %s.sig (release %lld)\n", argv[i], static_cast<long long>(release));
    }
    return 0;
  }
  if (command == "verify" && (argc == 4 || argc == 5)) {
    const PublicKey key = ParsePublicKey(ReadWholeFile(WinPathFromUser(argv[2])));
    const std::string package = WinPathFromUser(argv[3]);
    const std::string signature = argc == 5 ? WinPathFromUser(argv[4]) : package + ".sig";
    // A missing or unreadable file is an error, not a refusal.
    WinFile file;
    if (!file.TryOpen(package, FileOpen::Read)) {
      throw ESignatureError("Cannot open " + package + ": " + SysErrorMessage(GetLastError()));
    }
    const PackageCheck check =
        CheckPackage(key, ExtractFileName(package), file, ReadWholeFile(signature, kSignatureFileLimit));
    if (check.Statement) {
      const PackageStatement& statement = *check.Statement;
      std::printf("name: %s\nsize: %lld\nsha512: %s\nrelease: %lld\n", statement.Name.c_str(),
                  static_cast<long long>(statement.Size), ToHex(statement.Sha512).c_str(),
                  static_cast<long long>(statement.Release));
    }
    if (check.Good()) {
      std::printf("good\n");
      return 0;
    }
    std::printf("refused: %s (%s)\n", VerdictName(check.Verdict), check.Reason.c_str());
    return 1;
  }
  if (command == "fingerprint" && argc == 3) {
    std::printf("%s\n", KeyFingerprint(ParsePublicKey(ReadWholeFile(WinPathFromUser(argv[2])))).c_str());
    return 0;
  }
  return Usage();
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine commandLine(argc, argv);  // UTF-8 arguments and output on every host
  argc = commandLine.Argc();
  argv = commandLine.Argv();
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vorn-sign: %s\n", error.what());
    return 2;
  }
}
