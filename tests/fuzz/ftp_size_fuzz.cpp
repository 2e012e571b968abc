// libFuzzer target: arbitrary bytes as the lines of a "SIZE" reply, parsed
// as the client parses every reply and then read for the size. Besides
// surviving anything, a reply that carries a plain number must give that
// number back.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ftp/FtpErrors.h"
#include "ftp/FtpReply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = vorn::TrimControl(text.substr(start, end - start));
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  try {
    vorn::TFtpReply reply = vorn::ParseReply(lines);
    const int64_t value = vorn::SizeFromReply(reply);
    (void)value;
  } catch (const vorn::EFtpReplyError& e) {
    if (std::strncmp(e.what(), "Reply Code is not valid: ", 25) != 0) std::abort();
  }

  // The input's first bytes as a number, sent the way servers send it.
  if (size >= 8) {
    uint64_t bits = 0;
    std::memcpy(&bits, data, 8);
    const int64_t number = static_cast<int64_t>(bits % 1000000000000000000ull) * ((bits >> 63) ? -1 : 1);
    vorn::TFtpReply reply = vorn::ParseReply({"213 " + std::to_string(number)});
    if (vorn::SizeFromReply(reply) != number) std::abort();
  }
  return 0;
}
