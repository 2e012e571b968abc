// Windows-style name matching. Names are compared as code points (a "?"
// stands for one character, not one byte of UTF-8), after folding letter case.
#include "platform/Wildcard.h"

#include <cstdint>
#include <vector>

namespace vorn {

namespace {

constexpr char32_t kRawByte = 0x110000;

// Decodes one UTF-8 sequence at text[i]; a malformed byte stands for itself
// (as a value above the Unicode range) so that no input is ever lost or merged.
char32_t DecodeOne(std::string_view text, size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  int length = 0;
  char32_t cp = 0;
  if (lead < 0x80) {
    ++i;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    cp = lead & 0x07;
  } else {
    ++i;
    return kRawByte + lead;
  }
  if (i + length > text.size()) {
    ++i;
    return kRawByte + lead;
  }
  for (int k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) {
      ++i;
      return kRawByte + lead;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  i += length;
  return cp;
}

void EncodeOne(char32_t cp, std::string& out) {
  if (cp >= kRawByte) {  // a malformed byte, given back as it was
    out += static_cast<char>(cp - kRawByte);
  } else if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t FoldOne(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  // Latin-1 capitals À..Þ, except the multiplication sign.
  if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 32;
  return cp;
}

std::vector<char32_t> FoldedCodePoints(std::string_view text) {
  std::vector<char32_t> result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size();) result.push_back(FoldOne(DecodeOne(text, i)));
  return result;
}

// Classic glob matching with one backtrack point: linear in practice and
// never exponential, whatever the number of stars.
bool GlobMatch(const std::vector<char32_t>& pattern, const std::vector<char32_t>& name) {
  size_t p = 0;
  size_t n = 0;
  size_t starP = SIZE_MAX;
  size_t starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == U'*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (starP != SIZE_MAX) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  const auto foldedPattern = FoldedCodePoints(pattern);
  const auto foldedName = FoldedCodePoints(name);
  if (GlobMatch(foldedPattern, foldedName)) return true;
  // The shell lets a final ".*" match a name without any extension:
  // "*.*" matches "README" and "Setup.*" matches "Setup".
  const size_t count = foldedPattern.size();
  if (count >= 2 && foldedPattern[count - 2] == U'.' && foldedPattern[count - 1] == U'*' &&
      name.find('.') == std::string_view::npos) {
    const std::vector<char32_t> stem(foldedPattern.begin(), foldedPattern.end() - 2);
    return GlobMatch(stem, foldedName);
  }
  return false;
}

bool HasWildcards(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

std::string FoldCase(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size();) EncodeOne(FoldOne(DecodeOne(text, i)), result);
  return result;
}

bool SameText(std::string_view a, std::string_view b) {
  return FoldCase(a) == FoldCase(b);
}

}  // namespace vorn
