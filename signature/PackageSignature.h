// Signed packages: a detached Ed25519 signature (RFC 8032, nettle) whose
// message is the 64-byte SHA-512 digest of the whole package file, kept
// beside it on the server as "NAME.sig". Signing the digest lets a package
// of any size be read in blocks, with the window kept alive between them.
//
// Text formats, all hexadecimal (lower or upper case), one line; blanks,
// carriage returns and line feeds after the digits are ignored, so a file
// that went through an ASCII-mode transfer or an editor still reads:
//   NAME.sig      128 digits, the 64-byte signature;
//   public key     64 digits, the 32-byte key the program is built with;
//   secret key     64 digits, the 32-byte seed (kept by the maker only).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace vorn {

using PublicKey = std::array<uint8_t, 32>;
using SecretKey = std::array<uint8_t, 32>;
using Signature = std::array<uint8_t, 64>;
using Digest = std::array<uint8_t, 64>;
// Called between the blocks of a long reading (the window's event processing).
using KeepAlive = std::function<void()>;

// A key text that is not a key, or a file that cannot be read or written.
class ESignatureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string ToHex(const uint8_t* bytes, size_t count);
template <size_t N>
std::string ToHex(const std::array<uint8_t, N>& bytes) {
  return ToHex(bytes.data(), N);
}

// Raise ESignatureError naming what was expected.
PublicKey ParsePublicKey(const std::string& text);
SecretKey ParseSecretKey(const std::string& text);
// Empty when the text is not a signature.
std::optional<Signature> ParseSignature(const std::string& text);

PublicKey PublicKeyOf(const SecretKey& secret);
// Plain Ed25519 of a message.
Signature Sign(const SecretKey& secret, const std::string& message);
bool Verify(const PublicKey& key, const std::string& message, const Signature& signature);

// SHA-512 of the file named by a Windows path, read in blocks of 1 MB;
// raises ESignatureError naming the file when it cannot be read.
Digest PackageDigest(const std::string& path, const KeepAlive& keepAlive = {});

// The whole file named by a Windows path; raises ESignatureError naming it,
// also when the file is longer than limit.
std::string ReadWholeFile(const std::string& path, size_t limit = SIZE_MAX);

// True only when both files can be read, the signature file holds a
// signature and it is the key's signature of the package, byte for byte.
bool IsPackageSignatureGood(const PublicKey& key, const std::string& packagePath,
                            const std::string& signaturePath, const KeepAlive& keepAlive = {});

// Signs the package into signaturePath; an existing signature file is
// replaced only once the new one is complete.
void SignPackage(const SecretKey& secret, const std::string& packagePath, const std::string& signaturePath);

}  // namespace vorn
