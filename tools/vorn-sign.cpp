// vorn-sign: the maker's signing of release packages (Ed25519).
//
//   vorn-sign keygen SECRET-KEY-FILE PUBLIC-KEY-FILE
//   vorn-sign sign SECRET-KEY-FILE PACKAGE...
//   vorn-sign verify PUBLIC-KEY-FILE PACKAGE [SIGNATURE]
//
// keygen makes a new key pair from the system's random source. The secret
// key file is created only when none exists (readable by its owner alone);
// the public key file holds the 64 digits the program is built with
// (-DVORN_PACKAGE_KEY=...). sign writes PACKAGE.sig beside each package.
// verify checks PACKAGE against SIGNATURE (default PACKAGE.sig) and prints
// "good" (exit 0) or "bad" (exit 1). Errors go to standard error, exit 2.
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

int Usage() {
  std::fprintf(stderr,
               "usage: vorn-sign keygen SECRET-KEY-FILE PUBLIC-KEY-FILE\n"
               "       vorn-sign sign SECRET-KEY-FILE PACKAGE...\n"
               "       vorn-sign verify PUBLIC-KEY-FILE PACKAGE [SIGNATURE]\n");
  return 2;
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
  if (command == "keygen" && argc == 4) {
    return Keygen(WinPathFromUser(argv[2]), WinPathFromUser(argv[3]));
  }
  if (command == "sign" && argc >= 4) {
    const SecretKey secret = ParseSecretKey(ReadWholeFile(WinPathFromUser(argv[2])));
    for (int i = 3; i < argc; ++i) {
      const std::string package = WinPathFromUser(argv[i]);
      SignPackage(secret, package, package + ".sig");
      std::printf("signed %s.sig\n", argv[i]);
    }
    return 0;
  }
  if (command == "verify" && (argc == 4 || argc == 5)) {
    const PublicKey key = ParsePublicKey(ReadWholeFile(WinPathFromUser(argv[2])));
    const std::string package = WinPathFromUser(argv[3]);
    const std::string signature = argc == 5 ? WinPathFromUser(argv[4]) : package + ".sig";
    // A missing or unreadable file is an error, not a bad signature.
    const Digest digest = PackageDigest(package);
    const std::optional<Signature> parsed = ParseSignature(ReadWholeFile(signature, 4096));
    const bool good = parsed && Verify(key, std::string(digest.begin(), digest.end()), *parsed);
    std::printf("%s\n", good ? "good" : "bad");
    return good ? 0 : 1;
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
