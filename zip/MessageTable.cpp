// Message table of the zip component: inflating the built-in table, parsing
// it and looking texts up.
#include "zip/MessageTable.h"

#include <zlib.h>

#include <charconv>

#include "zip/ZipMessageIds.h"

namespace vorn {

extern const unsigned char kZipMessageTableData[];
extern const std::size_t kZipMessageTableSize;

namespace {

constexpr size_t kMaxTableText = 19999;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// A text in double quotes is unquoted (a doubled quote stands for one); the
// two characters \ and n stand for a line break.
std::string Unescape(std::string_view text) {
  std::string unquoted;
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
    for (size_t i = 0; i < text.size(); ++i) {
      unquoted += text[i];
      if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') ++i;
    }
  } else {
    unquoted = text;
  }
  std::string out;
  for (size_t i = 0; i < unquoted.size(); ++i) {
    if (unquoted[i] == '\\' && i + 1 < unquoted.size() && unquoted[i + 1] == 'n') {
      out += "\r\n";
      ++i;
    } else {
      out += unquoted[i];
    }
  }
  return out;
}

}  // namespace

bool InflateMessageTable(const unsigned char* data, size_t size, std::string& text) {
  if (size < 4) return false;
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) return false;
  // One byte more than allowed, so that an over-long text is noticed.
  std::string out(kMaxTableText + 1, '\0');
  stream.next_in = const_cast<Bytef*>(data + 4);
  stream.avail_in = static_cast<uInt>(size - 4);
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&stream, Z_FINISH);
  const size_t produced = stream.total_out;
  inflateEnd(&stream);
  if (result != Z_STREAM_END || produced > kMaxTableText) return false;
  out.resize(produced);
  // The stored CRC-32 is not checked: a mismatch is tolerated.
  text = std::move(out);
  return true;
}

TZUMessageTexts ParseMessageTable(std::string_view text) {
  TZUMessageTexts texts;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    const size_t comma = line.find(',');
    if (comma == std::string_view::npos) continue;
    const std::string_view idText = Trim(line.substr(0, comma));
    int id = -1;
    const auto [rest, error] = std::from_chars(idText.data(), idText.data() + idText.size(), id);
    if (error != std::errc() || rest != idText.data() + idText.size() || idText.empty()) continue;
    if (id < 0 || id > MsgLastTableId) continue;
    texts[static_cast<size_t>(id)] = Unescape(Trim(line.substr(comma + 1)));
  }
  return texts;
}

std::string ZipFormat(std::string_view format, const std::vector<std::string>& args) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      const char kind = format[i + 1];
      if (kind == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (kind == 's' || kind == 'd') {
        if (next < args.size()) out += args[next++];
        ++i;
        continue;
      }
    }
    out += format[i];
  }
  return out;
}

bool TZUHandler::LoadMessageTable() {
  if (loaded_) return true;
  std::string text;
  if (!InflateMessageTable(kZipMessageTableData, kZipMessageTableSize, text)) return false;
  texts_ = ParseMessageTable(text);
  loaded_ = true;
  return true;
}

std::string TZUHandler::ZipLoadStr(int id) {
  std::string text;
  if (id == MsgNoLanguage) {
    text = "Could not load language files";
  } else if (id >= 0 && id <= MsgLastTableId && LoadMessageTable()) {
    text = texts_[static_cast<size_t>(id)];
  }
  if (onLoadStr_ && *onLoadStr_) (*onLoadStr_)(id, text);
  if (text.empty()) text = "Resource missing for " + std::to_string(id);
  return text;
}

std::string TZUHandler::ZipFmtLoadStr(int id, const std::vector<std::string>& args) {
  return ZipFormat(ZipLoadStr(id), args);
}

}  // namespace vorn
