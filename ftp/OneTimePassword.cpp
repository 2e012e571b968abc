// RFC 2289 one-time passwords with nettle's md4, md5 and sha1.
#include "ftp/OneTimePassword.h"

#include <nettle/md4.h>
#include <nettle/md5.h>
#include <nettle/sha1.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace vorn {

namespace {

// Bytes of the 64-bit value, as RFC 2289 keeps them: the first byte is the
// most significant in the six-word encoding.
using Block = uint8_t[8];

void FoldMd(const uint8_t* digest, Block out) {
  for (int i = 0; i < 8; ++i) out[i] = digest[i] ^ digest[i + 8];
}

// SHA-1 folds its five 32-bit words into two and, as the RFC's reference
// code does, takes each word's bytes in little-endian order.
void FoldSha1(const uint8_t* digest, Block out) {
  uint8_t w[8];
  for (int i = 0; i < 4; ++i) {
    w[i] = digest[i] ^ digest[i + 8] ^ digest[i + 16];
    w[4 + i] = digest[4 + i] ^ digest[12 + i];
  }
  for (int i = 0; i < 4; ++i) {
    out[i] = w[3 - i];
    out[4 + i] = w[7 - i];
  }
}

void HashFold(OtpHash hash, const uint8_t* data, size_t size, Block out) {
  switch (hash) {
    case OtpHash::Md4: {
      md4_ctx ctx;
      uint8_t d[MD4_DIGEST_SIZE];
      md4_init(&ctx);
      md4_update(&ctx, size, data);
      md4_digest(&ctx, sizeof d, d);
      FoldMd(d, out);
      break;
    }
    case OtpHash::Md5: {
      md5_ctx ctx;
      uint8_t d[MD5_DIGEST_SIZE];
      md5_init(&ctx);
      md5_update(&ctx, size, data);
      md5_digest(&ctx, sizeof d, d);
      FoldMd(d, out);
      break;
    }
    case OtpHash::Sha1: {
      sha1_ctx ctx;
      uint8_t d[SHA1_DIGEST_SIZE];
      sha1_init(&ctx);
      sha1_update(&ctx, size, data);
      sha1_digest(&ctx, sizeof d, d);
      FoldSha1(d, out);
      break;
    }
  }
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::optional<OtpChallenge> FindOtpChallenge(const std::string& text) {
  for (size_t at = text.find("otp-"); at != std::string::npos; at = text.find("otp-", at + 1)) {
    size_t pos = at + 4;
    size_t end = pos;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    std::string word = text.substr(pos, end - pos);
    OtpChallenge c;
    if (word == "md4") c.Hash = OtpHash::Md4;
    else if (word == "md5") c.Hash = OtpHash::Md5;
    else if (word == "sha1") c.Hash = OtpHash::Sha1;
    else continue;
    pos = end;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    size_t digits = pos;
    uint64_t sequence = 0;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])) && sequence <= kOtpMaxSequence)
      sequence = sequence * 10 + static_cast<uint64_t>(text[pos++] - '0');
    // A server could ask for billions of rounds and hang the client; real
    // sequences count down from a few hundred or thousand.
    if (pos == digits || sequence > kOtpMaxSequence || pos >= text.size() || !IsBlank(text[pos])) continue;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    end = pos;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    if (end == pos) continue;
    c.Sequence = static_cast<uint32_t>(sequence);
    c.Seed = text.substr(pos, end - pos);
    return c;
  }
  return std::nullopt;
}

uint64_t OtpKey(OtpHash hash, const std::string& seed, const std::string& passPhrase, uint32_t sequence) {
  std::string start = seed;
  std::transform(start.begin(), start.end(), start.begin(), [](unsigned char ch) { return std::tolower(ch); });
  start += passPhrase;
  Block key;
  HashFold(hash, reinterpret_cast<const uint8_t*>(start.data()), start.size(), key);
  for (uint32_t i = 0; i < sequence; ++i) {
    Block next;
    HashFold(hash, key, sizeof key, next);
    std::memcpy(key, next, sizeof key);
  }
  uint64_t result = 0;
  for (uint8_t b : key) result = (result << 8) | b;
  return result;
}

std::string OtpSixWords(uint64_t key) {
  // The checksum is the sum of the 32 two-bit pairs; its low two bits
  // follow the 64 key bits, making 66 bits or six 11-bit indexes.
  unsigned parity = 0;
  for (int i = 0; i < 64; i += 2) parity += static_cast<unsigned>((key >> i) & 3);
  std::string words;
  for (int w = 0; w < 6; ++w) {
    int first = w * 11;  // bit position from the top of the 66 bits
    unsigned index = 0;
    for (int b = first; b < first + 11; ++b) {
      unsigned bit = b < 64 ? static_cast<unsigned>((key >> (63 - b)) & 1) : (parity >> (65 - b)) & 1;
      index = (index << 1) | bit;
    }
    if (w > 0) words += ' ';
    words += kOtpDictionary[index];
  }
  return words;
}

std::string OtpResponse(const OtpChallenge& challenge, const std::string& passPhrase) {
  return OtpSixWords(OtpKey(challenge.Hash, challenge.Seed, passPhrase, challenge.Sequence));
}

}  // namespace vorn
