// Reply parsing. The end-line test does not compare codes with the first
// line, so any line that looks like "NNN text" ends a multi-line reply: that
// is how servers in the field are read, and what the client relies on.
#include "ftp/FtpReply.h"

#include <cctype>
#include <strings.h>

#include "ftp/FtpErrors.h"

namespace vorn {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A whole string that reads as a decimal integer, with an optional sign.
bool ReadsAsInteger(const std::string& text, long& value) {
  size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (i >= text.size() || text.size() - i > 9) return false;
  long v = 0;
  for (size_t k = i; k < text.size(); ++k) {
    if (!IsDigit(text[k])) return false;
    v = v * 10 + (text[k] - '0');
  }
  value = text[0] == '-' ? -v : v;
  return true;
}

}  // namespace

std::string TFtpReply::TextWithLineBreaks() const {
  std::string result;
  for (const auto& line : Text) result += line + "\r\n";
  return result;
}

std::string TrimControl(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
  return text.substr(begin, end - begin);
}

bool IsReplyEndLine(const std::string& line) {
  long value = 0;
  if (line.size() <= 3 && ReadsAsInteger(line, value)) return true;
  return line.size() >= 4 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]) && line[3] == ' ';
}

TFtpReply ParseReply(const std::vector<std::string>& lines) {
  TFtpReply reply;
  if (lines.empty()) return reply;
  const std::string& first = lines[0];
  std::string code = TrimControl(first.substr(0, 4));
  if (code.size() == 4 && code[3] == '-') code.pop_back();
  long value = 0;
  if (!code.empty()) {
    if (!ReadsAsInteger(code, value) || value < 100 || value > 999)
      throw EFtpReplyError("Reply Code is not valid: " + code);
  }
  reply.Code = code;
  reply.NumericCode = static_cast<int>(value);
  // The code and the one separator character that follows it.
  size_t skip = code.size() + 1;
  reply.Text.push_back(first.size() > skip ? first.substr(skip) : std::string());
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (!code.empty() && line.size() >= code.size() && strncasecmp(line.c_str(), code.c_str(), code.size()) == 0) {
      reply.Text.push_back(line.size() > skip ? line.substr(skip) : std::string());
    } else {
      size_t k = 0;
      while (k < line.size() && line[k] == ' ') ++k;
      reply.Text.push_back(line.substr(k));
    }
  }
  return reply;
}

}  // namespace vorn
