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

// A whole decimal number with an optional sign and at most maxDigits digits
// (few enough that it cannot overflow).
bool ParseDecimal(const std::string& text, size_t maxDigits, int64_t& value) {
  size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
  if (i >= text.size() || text.size() - i > maxDigits) return false;
  int64_t v = 0;
  for (size_t k = i; k < text.size(); ++k) {
    if (!IsDigit(text[k])) return false;
    v = v * 10 + (text[k] - '0');
  }
  value = text[0] == '-' ? -v : v;
  return true;
}

// A whole string that reads as a decimal integer, with an optional sign.
bool ReadsAsInteger(const std::string& text, long& value) {
  int64_t v = 0;
  if (!ParseDecimal(text, 9, v)) return false;
  value = static_cast<long>(v);
  return true;
}

// A whole decimal number with an optional sign, in 64 bits.
bool ParseInt64(const std::string& text, int64_t& value) { return ParseDecimal(text, 18, value); }

// Up to three digits from pos, a value from 0 to 255.
bool ReadByte(const std::string& text, size_t& pos, unsigned& value) {
  size_t start = pos;
  value = 0;
  while (pos < text.size() && IsDigit(text[pos]) && pos - start < 3) value = value * 10 + unsigned(text[pos++] - '0');
  return pos > start && value <= 255 && !(pos < text.size() && IsDigit(text[pos]));
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

int64_t SizeFromReply(const TFtpReply& reply) {
  std::string text = TrimControl(reply.TextWithLineBreaks());
  size_t blank = text.find(' ');
  if (blank != std::string::npos) text = TrimControl(text.substr(blank + 1));
  int64_t value = 0;
  return ParseInt64(text, value) ? value : -1;
}

bool PortFromEpsvReply(const std::string& text, uint16_t& port) {
  size_t open = text.find('(');
  if (open == std::string::npos || open + 4 >= text.size()) return false;
  char d = text[open + 1];
  if (text[open + 2] != d || text[open + 3] != d) return false;
  size_t digits = open + 4;
  size_t end = text.find(d, digits);
  int64_t value = 0;
  if (end == std::string::npos || !ParseInt64(text.substr(digits, end - digits), value) || value <= 0 ||
      value > 65535)
    return false;
  port = static_cast<uint16_t>(value);
  return true;
}

bool PortFromPasvReply(const std::string& text, uint16_t& port) {
  size_t pos = text.find_first_of("0123456789");
  if (pos == std::string::npos) return false;
  unsigned numbers[6];
  for (int i = 0; i < 6; ++i) {
    if (i > 0 && (pos >= text.size() || text[pos++] != ',')) return false;
    if (!ReadByte(text, pos, numbers[i])) return false;
  }
  if ((numbers[4] | numbers[5]) == 0) return false;
  port = static_cast<uint16_t>(numbers[4] * 256 + numbers[5]);
  return true;
}

std::string EprtCommand(const std::string& address, uint16_t port) {
  return "EPRT |1|" + address + "|" + std::to_string(port) + "|";
}

std::string PortCommand(uint32_t ip, uint16_t port) {
  return "PORT " + std::to_string(ip >> 24) + "," + std::to_string((ip >> 16) & 255) + "," +
         std::to_string((ip >> 8) & 255) + "," + std::to_string(ip & 255) + "," + std::to_string(port >> 8) + "," +
         std::to_string(port & 255);
}

}  // namespace vorn
