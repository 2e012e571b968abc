#include "signature/PackageSignature.h"

#include <nettle/eddsa.h>
#include <nettle/sha2.h>

#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/WinFile.h"
#include "platform/WinPath.h"

namespace vorn {

namespace {

constexpr std::string_view kFormatLine = "format: vorn-package-signature 1";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Exactly 2N digits; upper case only where allowed.
template <size_t N>
std::optional<std::array<uint8_t, N>> HexBytes(std::string_view text, bool upperAllowed) {
  if (text.size() != 2 * N) return std::nullopt;
  std::array<uint8_t, N> bytes{};
  for (size_t i = 0; i < 2 * N; ++i) {
    const char c = text[i];
    if (!upperAllowed && c >= 'A' && c <= 'F') return std::nullopt;
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    bytes[i / 2] = static_cast<uint8_t>(bytes[i / 2] * 16 + digit);
  }
  return bytes;
}

// A key file: the digits, then nothing but blanks and line ends.
template <size_t N>
std::optional<std::array<uint8_t, N>> KeyFromText(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r' || text[end - 1] == '\n')) {
    --end;
  }
  return HexBytes<N>(std::string_view(text).substr(0, end), true);
}

const uint8_t* Bytes(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

// A decimal number written plainly: 1 to 19 digits, no leading zero but
// for 0 itself, at most 2^63-1.
std::optional<int64_t> Decimal(std::string_view text) {
  if (text.empty() || text.size() > 19 || (text.size() > 1 && text[0] == '0')) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > static_cast<uint64_t>(INT64_MAX)) return std::nullopt;
  return static_cast<int64_t>(value);
}

bool GoodName(std::string_view name) {
  if (name.empty() || name.size() > 255 || name.front() == ' ' || name.back() == ' ') return false;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\') return false;
  }
  return true;
}

// The value of a "key: value" line with that key.
std::string_view FieldValue(std::string_view line, std::string_view key) {
  if (line.size() < key.size() + 2 || line.substr(0, key.size()) != key || line.substr(key.size(), 2) != ": ") {
    throw ESignatureError("line \"" + std::string(key) + ": \" expected");
  }
  return line.substr(key.size() + 2);
}

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
  const auto key = KeyFromText<32>(text);
  if (!key) throw ESignatureError("The package key must be 64 hexadecimal digits");
  return *key;
}

SecretKey ParseSecretKey(const std::string& text) {
  const auto key = KeyFromText<32>(text);
  if (!key) throw ESignatureError("The secret key must be 64 hexadecimal digits");
  return *key;
}

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

std::string KeyFingerprint(const PublicKey& key) {
  sha512_ctx context;
  sha512_init(&context);
  sha512_update(&context, key.size(), key.data());
  Digest digest;
  sha512_digest(&context, digest.size(), digest.data());
  return ToHex(digest.data(), 8);
}

std::string StatementText(const PackageStatement& statement) {
  return std::string(kFormatLine) + "\nname: " + statement.Name + "\nsize: " + std::to_string(statement.Size) +
         "\nsha512: " + ToHex(statement.Sha512) + "\nrelease: " + std::to_string(statement.Release) + "\n";
}

std::string SignatureFileText(const SecretKey& secret, const PackageStatement& statement) {
  if (!GoodName(statement.Name)) throw ESignatureError("\"" + statement.Name + "\" cannot be named in a signature");
  if (statement.Size < 0 || statement.Release < 1) throw ESignatureError("size or release out of range");
  const std::string text = StatementText(statement);
  return text + "signature: " + ToHex(Sign(secret, text)) + "\n";
}

int64_t ParseRelease(const std::string& text) {
  const auto release = Decimal(text);
  if (!release || *release < 1) throw ESignatureError("a release is a whole number from 1 to 2^63-1: " + text);
  return *release;
}

SignedStatement ParseSignatureFile(const std::string& text) {
  if (text.size() > kSignatureFileLimit) throw ESignatureError("too long for a signature file");
  std::vector<std::string_view> lines;
  std::string_view rest(text);
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    if (end == std::string_view::npos) throw ESignatureError("the last line has no line end");
    std::string_view line = rest.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    rest.remove_prefix(end + 1);
  }
  if (lines.empty() || lines[0] != kFormatLine) {
    throw ESignatureError("not a signature statement (the first line must be \"" + std::string(kFormatLine) + "\")");
  }
  if (lines.size() != 6) throw ESignatureError("a signature file has six lines");
  SignedStatement result;
  PackageStatement& statement = result.Statement;
  const std::string_view name = FieldValue(lines[1], "name");
  if (!GoodName(name)) throw ESignatureError("not a file name: " + std::string(name));
  statement.Name = name;
  const auto size = Decimal(FieldValue(lines[2], "size"));
  if (!size) throw ESignatureError("the size is not a plain decimal number");
  statement.Size = *size;
  const auto digest = HexBytes<64>(FieldValue(lines[3], "sha512"), false);
  if (!digest) throw ESignatureError("the digest is not 128 lower-case hexadecimal digits");
  statement.Sha512 = *digest;
  statement.Release = ParseRelease(std::string(FieldValue(lines[4], "release")));
  const auto signature = HexBytes<64>(FieldValue(lines[5], "signature"), false);
  if (!signature) throw ESignatureError("the signature is not 128 lower-case hexadecimal digits");
  result.Sig = *signature;
  return result;
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

Digest PackageDigest(WinFile& file, int64_t& size, const KeepAlive& keepAlive) {
  try {
    file.Seek(0, SeekOrigin::Begin);
  } catch (const FileError& error) {
    throw ESignatureError("Cannot read " + file.Path() + ": " + error.what());
  }
  sha512_ctx context;
  sha512_init(&context);
  std::vector<uint8_t> block(1 << 20);
  size = 0;
  for (;;) {
    const int64_t count = file.Read(block.data(), block.size());
    if (count < 0) throw ESignatureError("Cannot read " + file.Path() + ": " + SysErrorMessage(GetLastError()));
    if (count == 0) break;
    sha512_update(&context, static_cast<size_t>(count), block.data());
    size += count;
    if (keepAlive) keepAlive();
  }
  Digest digest;
  sha512_digest(&context, digest.size(), digest.data());
  return digest;
}

Digest PackageDigest(const std::string& path, const KeepAlive& keepAlive) {
  WinFile file;
  if (!file.TryOpen(path, FileOpen::Read)) {
    throw ESignatureError("Cannot open " + path + ": " + SysErrorMessage(GetLastError()));
  }
  int64_t size = 0;
  return PackageDigest(file, size, keepAlive);
}

PackageCheck CheckPackage(const PublicKey& key, const std::string& name, WinFile& package,
                          const std::string& signatureText, const KeepAlive& keepAlive) {
  PackageCheck check;
  SignedStatement parsed;
  try {
    parsed = ParseSignatureFile(signatureText);
  } catch (const ESignatureError& error) {
    check.Reason = error.what();
    return check;
  }
  check.Statement = parsed.Statement;
  const PackageStatement& statement = parsed.Statement;
  // Nothing the statement says counts before its signature is known good.
  if (!Verify(key, StatementText(statement), parsed.Sig)) {
    check.Verdict = PackageVerdict::BadSignature;
    check.Reason = "not the key's signature";
    return check;
  }
  if (statement.Name != name) {
    check.Verdict = PackageVerdict::WrongName;
    check.Reason = "the signature is of " + statement.Name + ", not of " + name;
    return check;
  }
  // The size first: it costs nothing and spares reading a wrong file.
  const int64_t size = package.Size();
  if (size != statement.Size) {
    check.Verdict = PackageVerdict::WrongSize;
    check.Reason = "the file has " + std::to_string(size) + " bytes, the statement " + std::to_string(statement.Size);
    return check;
  }
  int64_t read = 0;
  Digest digest;
  try {
    digest = PackageDigest(package, read, keepAlive);
  } catch (const ESignatureError& error) {
    check.Verdict = PackageVerdict::Unreadable;
    check.Reason = error.what();
    return check;
  }
  if (read != statement.Size) {
    check.Verdict = PackageVerdict::WrongSize;
    check.Reason = "the file changed size while read";
    return check;
  }
  if (digest != statement.Sha512) {
    check.Verdict = PackageVerdict::WrongDigest;
    check.Reason = "the file's SHA-512 is not the statement's";
    return check;
  }
  check.Verdict = PackageVerdict::Good;
  return check;
}

void ReplaceWholeFile(const std::string& path, const std::string& text) {
  const std::string partial = path + ".partial";
  try {
    WinFile file(partial, FileOpen::CreateAlways);
    file.Write(text.data(), text.size());
    file.Flush();
  } catch (const FileError& error) {
    DeleteFile(partial);
    throw ESignatureError("Cannot write " + partial + ": " + error.what());
  }
  if (!MoveFile(partial, path, true)) {
    const int code = GetLastError();
    DeleteFile(partial);
    throw ESignatureError("Cannot replace " + path + ": " + SysErrorMessage(code));
  }
}

void SignPackage(const SecretKey& secret, const std::string& packagePath, int64_t release,
                 const std::string& signaturePath) {
  WinFile package;
  if (!package.TryOpen(packagePath, FileOpen::Read)) {
    throw ESignatureError("Cannot open " + packagePath + ": " + SysErrorMessage(GetLastError()));
  }
  PackageStatement statement;
  statement.Name = ExtractFileName(packagePath);
  statement.Release = release;
  statement.Sha512 = PackageDigest(package, statement.Size);
  const std::string text = SignatureFileText(secret, statement);
  ReplaceWholeFile(signaturePath, text);
}

}  // namespace vorn
