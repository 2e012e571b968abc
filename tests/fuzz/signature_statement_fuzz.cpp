// libFuzzer target: arbitrary bytes as a downloaded "NAME.sig", as a key
// file and as the release file's text. Each is read or refused with
// ESignatureError, never a crash; what is read is the one form written:
// writing it again gives the input back (line ends aside), and reading that
// gives the same values.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "signature/PackageSignature.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

std::string WithoutCarriageReturns(const std::string& text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    plain += text[i];
  }
  return plain;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const vorn::SignedStatement parsed = vorn::ParseSignatureFile(text);
    const std::string again = vorn::StatementText(parsed.Statement) + "signature: " + vorn::ToHex(parsed.Sig) + "\n";
    fuzz::Check(again == WithoutCarriageReturns(text));
    const vorn::SignedStatement reread = vorn::ParseSignatureFile(again);
    fuzz::Check(reread.Statement == parsed.Statement && reread.Sig == parsed.Sig);
    fuzz::Check(parsed.Statement.Size >= 0 && parsed.Statement.Release >= 1);
    // No input carries a signature by this key (RFC 8032's first test key,
    // whose secret signs no seed): the check must refuse them all.
    const vorn::PublicKey key =
        vorn::ParsePublicKey("d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a");
    fuzz::Check(!vorn::Verify(key, vorn::StatementText(parsed.Statement), parsed.Sig));
  } catch (const vorn::ESignatureError&) {
  }
  try {
    const vorn::PublicKey key = vorn::ParsePublicKey(text);
    std::string lower;
    for (const char c : text.substr(0, 64)) lower += static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    fuzz::Check(vorn::ToHex(key) == lower);
    fuzz::Check(vorn::KeyFingerprint(key).size() == 16);
  } catch (const vorn::ESignatureError&) {
  }
  try {
    const int64_t release = vorn::ParseRelease(text);
    fuzz::Check(release >= 1 && std::to_string(release) == text);
  } catch (const vorn::ESignatureError&) {
  }
  return 0;
}
