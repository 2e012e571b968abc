#include "signature/PackageSignature.h"

#include <nettle/eddsa.h>
#include <nettle/sha2.h>

#include <vector>

#include "platform/FileSystem.h"
#include "platform/WinFile.h"

namespace vorn {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The digits of exactly N bytes, then nothing but blanks and line ends.
template <size_t N>
std::optional<std::array<uint8_t, N>> FromHex(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r' || text[end - 1] == '\n')) {
    --end;
  }
  if (end != 2 * N) return std::nullopt;
  std::array<uint8_t, N> bytes{};
  for (size_t i = 0; i < N; ++i) {
    const int high = HexDigit(text[2 * i]);
    const int low = HexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<uint8_t>(high * 16 + low);
  }
  return bytes;
}

const uint8_t* Bytes(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

}  // namespace

std::string ToHex(const uint8_t* bytes, size_t count) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * count);
  for (size_t i = 0; i < count; ++i) {
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}

PublicKey ParsePublicKey(const std::string& text) {
  const auto key = FromHex<32>(text);
  if (!key) throw ESignatureError("The package key must be 64 hexadecimal digits");
  return *key;
}

SecretKey ParseSecretKey(const std::string& text) {
  const auto key = FromHex<32>(text);
  if (!key) throw ESignatureError("The secret key must be 64 hexadecimal digits");
  return *key;
}

std::optional<Signature> ParseSignature(const std::string& text) { return FromHex<64>(text); }

PublicKey PublicKeyOf(const SecretKey& secret) {
  PublicKey key;
  ed25519_sha512_public_key(key.data(), secret.data());
  return key;
}

Signature Sign(const SecretKey& secret, const std::string& message) {
  const PublicKey key = PublicKeyOf(secret);
  Signature signature;
  ed25519_sha512_sign(key.data(), secret.data(), message.size(), Bytes(message), signature.data());
  return signature;
}

bool Verify(const PublicKey& key, const std::string& message, const Signature& signature) {
  return ed25519_sha512_verify(key.data(), message.size(), Bytes(message), signature.data()) == 1;
}

std::string ReadWholeFile(const std::string& path, size_t limit) {
  WinFile file;
  if (!file.TryOpen(path, FileOpen::Read)) {
    throw ESignatureError("Cannot open " + path + ": " + SysErrorMessage(GetLastError()));
  }
  std::string content;
  char buffer[65536];
  for (;;) {
    const int64_t count = file.Read(buffer, sizeof buffer);
    if (count < 0) throw ESignatureError("Cannot read " + path + ": " + SysErrorMessage(GetLastError()));
    if (count == 0) break;
    if (static_cast<size_t>(count) > limit - content.size()) throw ESignatureError(path + " is too long");
    content.append(buffer, static_cast<size_t>(count));
  }
  return content;
}

Digest PackageDigest(const std::string& path, const KeepAlive& keepAlive) {
  WinFile file;
  if (!file.TryOpen(path, FileOpen::Read)) {
    throw ESignatureError("Cannot open " + path + ": " + SysErrorMessage(GetLastError()));
  }
  sha512_ctx context;
  sha512_init(&context);
  std::vector<uint8_t> block(1 << 20);
  for (;;) {
    const int64_t count = file.Read(block.data(), block.size());
    if (count < 0) throw ESignatureError("Cannot read " + path + ": " + SysErrorMessage(GetLastError()));
    if (count == 0) break;
    sha512_update(&context, static_cast<size_t>(count), block.data());
    if (keepAlive) keepAlive();
  }
  Digest digest;
  sha512_digest(&context, digest.size(), digest.data());
  return digest;
}

namespace {
std::string AsMessage(const Digest& digest) { return std::string(digest.begin(), digest.end()); }
}  // namespace

bool IsPackageSignatureGood(const PublicKey& key, const std::string& packagePath,
                            const std::string& signaturePath, const KeepAlive& keepAlive) {
  try {
    // A signature file is one short line; a long one is not read whole.
    const std::optional<Signature> signature = ParseSignature(ReadWholeFile(signaturePath, 4096));
    return signature && Verify(key, AsMessage(PackageDigest(packagePath, keepAlive)), *signature);
  } catch (const ESignatureError&) {
    return false;
  }
}

void SignPackage(const SecretKey& secret, const std::string& packagePath, const std::string& signaturePath) {
  const std::string text = ToHex(Sign(secret, AsMessage(PackageDigest(packagePath)))) + "\n";
  const std::string partial = signaturePath + ".partial";
  try {
    WinFile file(partial, FileOpen::CreateAlways);
    file.Write(text.data(), text.size());
    file.Flush();
  } catch (const FileError& error) {
    DeleteFile(partial);
    throw ESignatureError("Cannot write " + partial + ": " + error.what());
  }
  if (!MoveFile(partial, signaturePath, true)) {
    const int code = GetLastError();
    DeleteFile(partial);
    throw ESignatureError("Cannot replace " + signaturePath + ": " + SysErrorMessage(code));
  }
}

}  // namespace vorn
