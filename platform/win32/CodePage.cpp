// Code-page conversions with MultiByteToWideChar and WideCharToMultiByte.
//
// The results are the same as on a POSIX host: a byte (or character) the
// code page does not map becomes U+FFFD, a character it lacks "?", one mark
// per character; in 1252 the five bytes without a character are the C1
// controls of the same value, both ways. A code page Windows does not know
// is read as Latin-1.
#include "platform/CodePage.h"

#include <atomic>

#include <windows.h>

namespace vorn {

namespace {

std::atomic<unsigned> ansiCodePage{1252};
std::atomic<unsigned> oemCodePage{850};

constexpr const char* kReplacementCharacter = "\xEF\xBF\xBD";
constexpr unsigned kLatin1 = 28591;

unsigned Resolve(unsigned codePage) {
  if (codePage == CP_ACP) codePage = ansiCodePage.load();
  if (codePage == CP_OEMCP) codePage = oemCodePage.load();
  return IsValidCodePage(codePage) ? codePage : kLatin1;
}

bool IsWindows1252Gap(unsigned char byte) {
  return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

// The length of the UTF-8 sequence that starts with lead (1 for a stray byte).
size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

std::string Utf16ToUtf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr, nullptr);
  return text;
}

// The wide characters of bytes in the code page; false when any of them is
// not a character of it. Single-byte code pages give their undefined bytes
// as private-use characters rather than fail: those count as unmapped too.
bool Decode(unsigned codePage, std::string_view bytes, std::wstring& wide) {
  const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                         nullptr, 0);
  if (length <= 0) return false;
  wide.assign(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                      length);
  for (const wchar_t c : wide) {
    if (c >= 0xE000 && c <= 0xF8FF) return false;
  }
  return true;
}

// How many bytes the character at the start of rest takes in the code page.
size_t CharacterLength(unsigned codePage, std::string_view rest) {
  const auto lead = static_cast<unsigned char>(rest[0]);
  if (codePage == CP_UTF8) return Utf8Length(lead);
  if (codePage == 54936) {
    // GB18030: one byte, two, or four when the second is a digit.
    if (lead < 0x81 || lead == 0xFF) return 1;
    if (rest.size() >= 2 && rest[1] >= '0' && rest[1] <= '9') return 4;
    return 2;
  }
  return IsDBCSLeadByteEx(codePage, lead) ? 2 : 1;
}

}  // namespace

unsigned GetACP() { return ansiCodePage.load(); }
unsigned GetOEMCP() { return oemCodePage.load(); }

void SetCodePages(unsigned ansi, unsigned oem) {
  ansiCodePage.store(ansi);
  oemCodePage.store(oem);
}

std::string CodePageToUtf8(std::string_view bytes, unsigned codePage) {
  const unsigned page = Resolve(codePage);
  std::wstring wide;
  if (bytes.empty()) return {};
  if (Decode(page, bytes, wide)) {
    // Windows itself reads 1252's gaps as the controls; nothing else to do.
    return Utf16ToUtf8(wide);
  }
  // Character by character: what cannot be read is marked and passed over.
  std::string output;
  std::wstring run;
  size_t position = 0;
  while (position < bytes.size()) {
    const std::string_view rest = bytes.substr(position);
    const auto byte = static_cast<unsigned char>(rest[0]);
    const size_t length = CharacterLength(page, rest);
    if (length > rest.size()) {
      // A character cut short at the end: one mark for what is left.
      output += Utf16ToUtf8(run);
      run.clear();
      output += kReplacementCharacter;
      break;
    }
    if (page == 1252 && IsWindows1252Gap(byte)) {
      run += static_cast<wchar_t>(byte);
      ++position;
      continue;
    }
    std::wstring character;
    if (Decode(page, rest.substr(0, length), character)) {
      run += character;
      position += length;
      continue;
    }
    output += Utf16ToUtf8(run);
    run.clear();
    output += kReplacementCharacter;
    ++position;
  }
  output += Utf16ToUtf8(run);
  return output;
}

std::string Utf8ToCodePage(std::string_view text, unsigned codePage) {
  const unsigned page = Resolve(codePage);
  std::string output;
  // Runs of valid UTF-8 go through WideCharToMultiByte; an invalid sequence
  // is one "?" for as many bytes as its lead promised.
  std::wstring run;
  auto flush = [&] {
    if (run.empty()) return;
    if (page == CP_UTF8) {
      output += Utf16ToUtf8(run);
    } else {
      for (const wchar_t c : run) {
        // 1252's gap controls go back to their bytes; other characters one
        // at a time, so that each missing one is exactly one mark.
        if (page == 1252 && c < 0x100 && IsWindows1252Gap(static_cast<unsigned char>(c))) {
          output += static_cast<char>(c);
          continue;
        }
        char buffer[8];
        BOOL usedDefault = FALSE;
        const int length = WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, &c, 1, buffer, sizeof buffer, "?", &usedDefault);
        if (length <= 0 || usedDefault) {
          output += '?';
        } else {
          output.append(buffer, static_cast<size_t>(length));
        }
      }
    }
    run.clear();
  };
  size_t position = 0;
  while (position < text.size()) {
    const std::string_view rest = text.substr(position);
    const auto lead = static_cast<unsigned char>(rest[0]);
    const size_t length = Utf8Length(lead);
    if (lead < 0x80) {
      run += static_cast<wchar_t>(lead);
      ++position;
      continue;
    }
    if (length > rest.size()) {
      flush();
      output += '?';
      break;
    }
    std::wstring character;
    const int wideLength = length == 1 ? 0
                                       : MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, rest.data(),
                                                             static_cast<int>(length), nullptr, 0);
    if (wideLength > 0) {
      character.assign(static_cast<size_t>(wideLength), L'\0');
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, rest.data(), static_cast<int>(length), character.data(),
                          wideLength);
      if (character.size() == 2 && page != CP_UTF8) {
        // A character beyond the first plane: one mark unless the code page has it.
        flush();
        char buffer[8];
        BOOL usedDefault = FALSE;
        const int put = WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, character.data(), 2, buffer, sizeof buffer,
                                            "?", &usedDefault);
        if (put <= 0 || usedDefault) {
          output += '?';
        } else {
          output.append(buffer, static_cast<size_t>(put));
        }
      } else {
        run += character;
      }
      position += length;
      continue;
    }
    flush();
    output += '?';
    position += length;
  }
  flush();
  return output;
}

}  // namespace vorn
