// One-time passwords (RFC 2289): the answer to a server's "otp-<hash>
// <sequence> <seed>" challenge, computed from the seed and the pass phrase
// and written as six words of the standard dictionary.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vorn {

enum class OtpHash { Md4, Md5, Sha1 };

struct OtpChallenge {
  OtpHash Hash = OtpHash::Md5;
  uint32_t Sequence = 0;
  std::string Seed;
};

extern const char* const kOtpDictionary[2048];

// The highest sequence number answered; a larger one is taken as no challenge.
constexpr uint32_t kOtpMaxSequence = 1000000;

// Finds "otp-" followed by exactly "md4", "md5" or "sha1" up to the next
// blank, then a sequence number and a seed separated by blanks. Anything
// else is no challenge.
std::optional<OtpChallenge> FindOtpChallenge(const std::string& text);

// The 64-bit one-time password: the seed in lower case followed by the pass
// phrase, hashed and folded to 64 bits, then hashed sequence more times.
uint64_t OtpKey(OtpHash hash, const std::string& seed, const std::string& passPhrase, uint32_t sequence);

// The six-word form of a 64-bit value with its two-bit checksum.
std::string OtpSixWords(uint64_t key);

// The answer to send for a challenge: the six-word form.
std::string OtpResponse(const OtpChallenge& challenge, const std::string& passPhrase);

}  // namespace vorn
