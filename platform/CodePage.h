// Code-page conversions (MultiByteToWideChar and back): on Windows the
// system's own, on a POSIX host through glibc's iconv, with the same results.
// The workstation's ANSI and OEM code pages are 1252 and 850 by default (an
// Italian Windows); tests may set others.
#pragma once

#include <string>
#include <string_view>

namespace vorn {

unsigned GetACP();
unsigned GetOEMCP();
void SetCodePages(unsigned ansi, unsigned oem);

constexpr unsigned CP_ACP = 0;    // the ANSI code page set above
constexpr unsigned CP_OEMCP = 1;  // the OEM code page set above
constexpr unsigned CP_UTF8 = 65001;

// Code pages are Windows numbers (1252, 850, 437, 28591, ...); one that iconv
// does not know is read as Latin-1.
// Bytes in the given code page to UTF-8. Bytes that the code page does not
// map become U+FFFD, except that 1252's five bytes without a character
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the controls of the same value, as
// Windows reads them, and back; never fails.
std::string CodePageToUtf8(std::string_view bytes, unsigned codePage);
// UTF-8 to the code page; characters it lacks become "?".
std::string Utf8ToCodePage(std::string_view text, unsigned codePage);

}  // namespace vorn
