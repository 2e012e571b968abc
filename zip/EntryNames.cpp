// Entry names: extra-field lookup, Unicode fields and code-page decoding.
#include "zip/EntryNames.h"

#include <zlib.h>

#include "platform/CodePage.h"

namespace vorn {

namespace {

uint16_t Get16(std::string_view data, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(data[at]) | static_cast<uint8_t>(data[at + 1]) << 8);
}

uint32_t Get32(std::string_view data, size_t at) {
  return static_cast<uint32_t>(Get16(data, at)) | static_cast<uint32_t>(Get16(data, at + 2)) << 16;
}

uint32_t Crc32Of(std::string_view bytes) {
  return static_cast<uint32_t>(
      crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// Names of printable ASCII (and the byte 31, which the conversion rule lets
// through) read the same in every ANSI code page, so they skip the converter.
bool AllPlainBytes(std::string_view raw) {
  for (const char c : raw) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte < 31 || byte > 126) return false;
  }
  return true;
}

std::string ThroughAnsi(std::string_view raw) {
  if (AllPlainBytes(raw)) return std::string(raw);
  return CodePageToUtf8(raw, GetACP());
}

}  // namespace

std::optional<std::string_view> FindExtraField(std::string_view extra, uint16_t tag) {
  size_t at = 0;
  // Each block is a 2-byte tag, a 2-byte size and the data; the walk never
  // reads a header that does not fit, and stops at the first matching tag.
  while (at + 4 <= extra.size()) {
    const uint16_t blockTag = Get16(extra, at);
    const size_t size = Get16(extra, at + 2);
    if (blockTag == tag) {
      if (at + 4 + size > extra.size()) return std::nullopt;
      return extra.substr(at + 4, size);
    }
    at += 4 + size;
  }
  return std::nullopt;
}

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<uint8_t>(text[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t length = 0;
    uint32_t value = 0;
    if ((lead & 0xE0) == 0xC0) {
      length = 2;
      value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      value = lead & 0x07;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<uint8_t>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = value << 6 | (next & 0x3F);
    }
    static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

std::optional<std::string_view> UnicodeFieldText(std::string_view field, std::string_view raw) {
  if (field.size() < 6 || static_cast<uint8_t>(field[0]) != 1) return std::nullopt;
  if (Get32(field, 1) != Crc32Of(raw)) return std::nullopt;
  const std::string_view text = field.substr(5);
  if (!IsValidUtf8(text)) return std::nullopt;
  return text;
}

TZUEncodingOpts DetectEncoding(const TZUNameSource& source) {
  if (source.Flag & 0x0800) return ZeoUTF8;
  if (const auto path = FindExtraField(source.Extra, kUnicodePathTag)) {
    if (UnicodeFieldText(*path, source.RawName)) return ZeoUPath;
  }
  if (const auto comment = FindExtraField(source.Extra, kUnicodeCommentTag)) {
    if (UnicodeFieldText(*comment, source.Comment)) return ZeoUPath;
  }
  const unsigned host = source.VersionMadeBy >> 8;
  if (source.VersionMadeBy < 256 || host == 6 || source.VersionMadeBy == 0x0B32) return ZeoOEM;
  return ZeoNone;
}

std::string DecodeEntryName(const TZUNameSource& source, TZUEncodingOpts encoding, unsigned codePage) {
  const std::string_view raw = source.RawName;
  if (encoding == ZeoAuto) encoding = DetectEncoding(source);

  std::string name;
  if (encoding == ZeoUPath || !AllPlainBytes(raw)) {
    switch (encoding) {
      case ZeoNone:
        name = CodePageToUtf8(raw, codePage == 0 ? GetACP() : codePage);
        break;
      case ZeoOEM:
        name = CodePageToUtf8(raw, GetOEMCP());
        break;
      case ZeoUTF8:
        name = IsValidUtf8(raw) ? std::string(raw) : CodePageToUtf8(raw, GetACP());
        break;
      case ZeoUPath:
        if (const auto path = FindExtraField(source.Extra, kUnicodePathTag)) {
          if (const auto text = UnicodeFieldText(*path, raw)) name = std::string(*text);
        }
        break;
      case ZeoAuto:
        break;
    }
  }
  if (name.empty()) name = ThroughAnsi(raw);
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  return name;
}

}  // namespace vorn
