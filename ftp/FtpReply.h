// FTP replies in the RFC 959 format: which received line ends a reply, and
// how the collected lines become a code and text lines.
#pragma once

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

}  // namespace vorn
