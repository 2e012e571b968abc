// Signed packages: beside each package on the server, "NAME.sig" holds a
// statement about it (its file name, size, SHA-512 digest and release
// number) and the maker's Ed25519 signature (RFC 8032, nettle) of that
// statement. A package is good only when the signature is the key's and
// every field agrees with the file downloaded under the name asked for.
//
// NAME.sig, UTF-8 text, exactly these six lines in this order, each ended
// by LF (CR LF is read too, for a file that went through an ASCII-mode
// transfer or an editor):
//   format: vorn-package-signature 1
//   name: ZAV.ZIP                  the file name, 1 to 255 bytes, no control
//                                  character, "/" or "\", no blank at its ends
//   size: 48213                    decimal bytes, no leading zero
//   sha512: 3f9a...                128 lower-case hex digits
//   release: 7                     decimal, 1 to 2^63-1, no leading zero
//   signature: 9a0c...             128 lower-case hex digits
// The signed message is the first five lines, each ended by LF. Nothing
// else is read: a field out of order, a blank too many, upper-case digits or
// a signature of the earlier one-line form are refused.
//
// Keys are one line of 64 hex digits (lower or upper case; blanks and line
// ends after them ignored): the public key the program is built with, and
// the secret key (the 32-byte seed) the maker keeps.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace vorn {

class WinFile;

using PublicKey = std::array<uint8_t, 32>;
using SecretKey = std::array<uint8_t, 32>;
using Signature = std::array<uint8_t, 64>;
using Digest = std::array<uint8_t, 64>;
// Called between the blocks of a long reading (the window's event processing).
using KeepAlive = std::function<void()>;

// A text that is not what it should be, or a file that cannot be read or written.
class ESignatureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The longest signature file read; a real one has about 370 bytes.
constexpr size_t kSignatureFileLimit = 4096;

std::string ToHex(const uint8_t* bytes, size_t count);
template <size_t N>
std::string ToHex(const std::array<uint8_t, N>& bytes) {
  return ToHex(bytes.data(), N);
}

// Raise ESignatureError naming what was expected.
PublicKey ParsePublicKey(const std::string& text);
SecretKey ParseSecretKey(const std::string& text);

PublicKey PublicKeyOf(const SecretKey& secret);
// Plain Ed25519 of a message.
Signature Sign(const SecretKey& secret, const std::string& message);
bool Verify(const PublicKey& key, const std::string& message, const Signature& signature);
// The first 16 hex digits of the key's SHA-512: what a person compares.
std::string KeyFingerprint(const PublicKey& key);

// What a signature says about its package.
struct PackageStatement {
  std::string Name;
  int64_t Size = 0;
  Digest Sha512{};
  int64_t Release = 0;
  bool operator==(const PackageStatement&) const = default;
};

struct SignedStatement {
  PackageStatement Statement;
  Signature Sig{};
};

// The signed message: the statement's five lines, each ended by LF.
std::string StatementText(const PackageStatement& statement);
// The whole signature file, with its signature line.
std::string SignatureFileText(const SecretKey& secret, const PackageStatement& statement);
// Reads a signature file strictly; raises ESignatureError saying what is wrong.
SignedStatement ParseSignatureFile(const std::string& text);
// The release number as the statement and the release file write it;
// raises ESignatureError for anything but 1 to 2^63-1 written plainly.
int64_t ParseRelease(const std::string& text);

// SHA-512 of the file named by a Windows path, read in blocks of 1 MB;
// raises ESignatureError naming the file when it cannot be read.
Digest PackageDigest(const std::string& path, const KeepAlive& keepAlive = {});
// The same of an open file, read from its start to its end; size is the
// number of bytes read.
Digest PackageDigest(WinFile& file, int64_t& size, const KeepAlive& keepAlive = {});

// The whole file named by a Windows path; raises ESignatureError naming it,
// also when the file is longer than limit.
std::string ReadWholeFile(const std::string& path, size_t limit = SIZE_MAX);
// Writes text beside path ("path.partial") and renames it over path, so path
// is old or new, never half written; raises ESignatureError naming the file.
void ReplaceWholeFile(const std::string& path, const std::string& text);

// The outcome of a package's check, refusals by cause.
enum class PackageVerdict {
  Good,
  NotAStatement,  // not a signature file of this format (the one-line form included)
  BadSignature,   // not the key's signature of the statement
  WrongName,      // the statement names another package
  WrongSize,
  WrongDigest,
  Unreadable,     // the package cannot be read
};

struct PackageCheck {
  PackageVerdict Verdict = PackageVerdict::NotAStatement;
  std::optional<PackageStatement> Statement;  // once the file could be parsed
  std::string Reason;                         // English, for the tool and the tests
  bool Good() const { return Verdict == PackageVerdict::Good; }
};

// Checks the open package, downloaded under name, against the text of its
// signature file: the key's signature first, then name, size and digest.
// The package is read from its start through this same open file, which
// the caller goes on to use.
PackageCheck CheckPackage(const PublicKey& key, const std::string& name, WinFile& package,
                          const std::string& signatureText, const KeepAlive& keepAlive = {});

// Signs the package as the given release into signaturePath, naming it by
// its file name; an existing signature file is replaced only once the new
// one is complete.
void SignPackage(const SecretKey& secret, const std::string& packagePath, int64_t release,
                 const std::string& signaturePath);

}  // namespace vorn
