// libFuzzer target: arbitrary text as the reply to "USER", searched for a
// one-time-password challenge as the login does. A challenge found must be
// one the client can answer quickly, and the answer six dictionary words.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ftp/OneTimePassword.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto challenge = vorn::FindOtpChallenge(text);
  if (!challenge) return 0;
  if (challenge->Sequence > vorn::kOtpMaxSequence || challenge->Seed.empty()) std::abort();
  if (challenge->Seed.find_first_of(" \t\r\n") != std::string::npos) std::abort();
  if (text.find(challenge->Seed) == std::string::npos) std::abort();
  // The hashing itself is fixed code: a few rounds are enough to run it on
  // every seed the search can return.
  vorn::OtpChallenge shortened = *challenge;
  shortened.Sequence %= 8;
  const std::string words = vorn::OtpResponse(shortened, "tovari");
  size_t count = 0;
  for (size_t start = 0; start <= words.size();) {
    size_t end = words.find(' ', start);
    if (end == std::string::npos) end = words.size();
    const std::string word = words.substr(start, end - start);
    bool known = false;
    for (const char* entry : vorn::kOtpDictionary) known = known || word == entry;
    if (!known) std::abort();
    ++count;
    start = end + 1;
  }
  if (count != 6) std::abort();
  return 0;
}
