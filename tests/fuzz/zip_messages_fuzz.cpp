// libFuzzer target: arbitrary bytes as a stored message table (four CRC
// bytes, then raw Deflate) inflated and parsed, and as table text parsed
// directly; every text found is formatted with arguments. Any input must
// end in a table (ids 0 to 223) or a refusal, never a crash or more text
// than the limit.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "zip/MessageTable.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

using fuzz::Check;

void ParseAndFormat(std::string_view text) {
  const vorn::TZUMessageTexts texts = vorn::ParseMessageTable(text);
  for (const std::string& message : texts) {
    const std::string formatted = vorn::ZipFormat(message, {"C:\\Temp\\x.txt", "12"});
    // Each "%s" or "%d" takes at most one 13-byte argument.
    Check(formatted.size() <= message.size() * 7 + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text;
  if (vorn::InflateMessageTable(data, size, text)) {
    Check(text.size() <= 19999);
    ParseAndFormat(text);
  }
  ParseAndFormat(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
