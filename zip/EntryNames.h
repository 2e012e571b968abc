// Extra fields and the decoding of entry names to UTF-8 text with "\"
// separators, by the encoding the entry declares or the host that made it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

enum TZUEncodingOpts { ZeoAuto = 0, ZeoNone = 1, ZeoOEM = 2, ZeoUTF8 = 3, ZeoUPath = 4 };

constexpr uint16_t kZip64ExtraTag = 0x0001;
constexpr uint16_t kUnicodePathTag = 0x7075;
constexpr uint16_t kUnicodeCommentTag = 0x6375;

// The data of the first block with the tag, when that block lies wholly
// within the extra field; nullopt otherwise.
std::optional<std::string_view> FindExtraField(std::string_view extra, uint16_t tag);

// True for well-formed UTF-8 (no overlong forms, surrogates or values above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// The UTF-8 text of a Unicode Path or Comment field (version 1, the CRC-32 of
// the raw bytes it stands for, non-empty valid UTF-8); nullopt when not valid.
std::optional<std::string_view> UnicodeFieldText(std::string_view field, std::string_view raw);

// What an entry's name decoding looks at.
struct TZUNameSource {
  std::string_view RawName;
  std::string_view Extra;
  std::string_view Comment;
  uint16_t VersionMadeBy = 0;
  uint16_t Flag = 0;
};

TZUEncodingOpts DetectEncoding(const TZUNameSource& source);
// The decoded name; encoding is the component's setting (ZeoAuto: detected),
// codePage the one used for ZeoNone (0: the ANSI code page).
std::string DecodeEntryName(const TZUNameSource& source, TZUEncodingOpts encoding, unsigned codePage);

}  // namespace vorn
