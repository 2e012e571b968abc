// FTP replies in the RFC 959 format: which received line ends a reply, and
// how the collected lines become a code and text lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorn {

class TFtpReply {
 public:
  std::string Code;                // three digits as received, or empty
  int NumericCode = 0;             // value of Code; 0 when empty or no number
  std::vector<std::string> Text;   // the lines without the code

  // The text lines, each followed by CR LF (the message of a refused reply).
  std::string TextWithLineBreaks() const;
  void Clear() { *this = TFtpReply(); }
};

// Trims every character up to U+0020 (blanks and control characters) from
// both ends.
std::string TrimControl(const std::string& text);

// True for a line that ends a reply: at most three characters that read as
// an integer, or three decimal digits followed by a blank.
bool IsReplyEndLine(const std::string& trimmedLine);

// Parses the collected (trimmed, non-empty) lines of one reply. Raises
// EFtpReplyError "Reply Code is not valid: <code>" for a code that is
// neither empty nor a number from 100 to 999.
TFtpReply ParseReply(const std::vector<std::string>& lines);

// What the client reads out of particular replies. Each takes whatever the
// server sent and either finds what it looks for or says it did not.

// The size in a "SIZE" reply of code 213: the text lines joined and
// trimmed, everything up to the first blank dropped, the rest a decimal
// number; -1 when it is none.
int64_t SizeFromReply(const TFtpReply& reply);
// The port of an "EPSV" reply (229): "(|||6446|)", any delimiter; false
// when there is no port from 1 to 65535.
bool PortFromEpsvReply(const std::string& text, uint16_t& port);
// The port of a "PASV" reply (227): six numbers from 0 to 255 separated by
// commas, from the first digit; the last two are the port. False when they
// are not there or the port is 0.
bool PortFromPasvReply(const std::string& text, uint16_t& port);

// The port announcements: "EPRT |1|address|port|" and the RFC 959 form
// "PORT h1,h2,h3,h4,p1,p2".
std::string EprtCommand(const std::string& address, uint16_t port);
std::string PortCommand(uint32_t ip, uint16_t port);

}  // namespace vorn
