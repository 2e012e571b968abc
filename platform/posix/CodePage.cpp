// Code-page conversions through glibc's iconv.
//
// Each thread keeps its converters open (opening one reads glibc's tables),
// one per code page and direction. A code page that iconv does not know is
// read as Latin-1, so that a name always comes out as some text.
#include "platform/CodePage.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <map>
#include <memory>
#include <utility>

namespace vorn {

namespace {

std::atomic<unsigned> ansiCodePage{1252};
std::atomic<unsigned> oemCodePage{850};

constexpr const char* kReplacementCharacter = "\xEF\xBF\xBD";

unsigned Resolve(unsigned codePage) {
  if (codePage == CP_ACP) return ansiCodePage.load();
  if (codePage == CP_OEMCP) return oemCodePage.load();
  return codePage;
}

std::string IconvName(unsigned codePage) {
  switch (codePage) {
    case CP_UTF8: return "UTF-8";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 936: return "GBK";
    case 950: return "BIG5";
    case 932: return "CP932";
    case 949: return "CP949";
    case 54936: return "GB18030";
    default: break;
  }
  if (codePage >= 28591 && codePage <= 28605) return "ISO-8859-" + std::to_string(codePage - 28590);
  return "CP" + std::to_string(codePage);
}

class Converter {
 public:
  Converter(const std::string& to, const std::string& from) : handle_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (Valid()) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool Valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t Handle() const { return handle_; }

 private:
  iconv_t handle_;
};

// The converter for a code page in one direction, opened once per thread.
Converter& ConverterFor(unsigned codePage, bool toUtf8) {
  thread_local std::map<std::pair<unsigned, bool>, std::unique_ptr<Converter>> converters;
  auto& slot = converters[{codePage, toUtf8}];
  if (!slot) {
    const std::string name = IconvName(codePage);
    slot = toUtf8 ? std::make_unique<Converter>("UTF-8", name) : std::make_unique<Converter>(name, "UTF-8");
    if (!slot->Valid()) {
      slot = toUtf8 ? std::make_unique<Converter>("UTF-8", "ISO-8859-1")
                    : std::make_unique<Converter>("ISO-8859-1", "UTF-8");
    }
  }
  return *slot;
}

// The length of the UTF-8 sequence that starts with lead (1 for a stray byte).
size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

// Code page 1252 leaves five bytes without a character; Windows converts
// them to and from the C1 controls of the same value, so that no two names
// read the same. iconv refuses them, so they are done here.
bool IsWindows1252Gap(unsigned char byte) {
  return byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
}

// What Convert writes for input it cannot take: the text, and how many
// input bytes that text stands for.
struct Fallback {
  std::string Text;
  size_t Step;
};

// Runs iconv over the whole input; at every byte (or character) it cannot
// take, writes what fallback(the input left from there) gives.
template <typename FallbackFn>
std::string Convert(iconv_t handle, std::string_view input, FallbackFn fallback) {
  std::string output;
  output.reserve(input.size() * 2);
  iconv(handle, nullptr, nullptr, nullptr, nullptr);
  char buffer[4096];
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  while (inLeft > 0) {
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    const size_t result = iconv(handle, &in, &inLeft, &out, &outLeft);
    output.append(buffer, static_cast<size_t>(out - buffer));
    if (result != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ: an unmapped byte or character; EINVAL: a sequence cut short at the end.
    const bool cutShort = errno == EINVAL;
    Fallback instead = fallback(std::string_view(in, inLeft));
    const size_t step = cutShort ? inLeft : std::min(inLeft, instead.Step);
    output += instead.Text;
    in += step;
    inLeft -= step;
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
  }
  char* out = buffer;
  size_t outLeft = sizeof buffer;
  iconv(handle, nullptr, nullptr, &out, &outLeft);  // flush a pending shift state
  output.append(buffer, static_cast<size_t>(out - buffer));
  return output;
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
  Converter& converter = ConverterFor(page, true);
  return Convert(converter.Handle(), bytes, [page](std::string_view rest) {
    const auto byte = static_cast<unsigned char>(rest[0]);
    if (page == 1252 && IsWindows1252Gap(byte)) {
      return Fallback{{'\xC2', static_cast<char>(byte)}, 1};  // U+0081 and the like
    }
    return Fallback{kReplacementCharacter, 1};
  });
}

std::string Utf8ToCodePage(std::string_view text, unsigned codePage) {
  const unsigned page = Resolve(codePage);
  Converter& converter = ConverterFor(page, false);
  return Convert(converter.Handle(), text, [page](std::string_view rest) {
    const auto lead = static_cast<unsigned char>(rest[0]);
    if (page == 1252 && lead == 0xC2 && rest.size() >= 2 && IsWindows1252Gap(static_cast<unsigned char>(rest[1]))) {
      return Fallback{std::string(1, rest[1]), 2};
    }
    return Fallback{"?", Utf8Length(lead)};
  });
}

}  // namespace vorn
