// Build-time packer of the zip component's message table: reads the readable
// table text and writes a C++ source holding its stored form, the CRC-32 of
// the text in four little-endian bytes followed by the text in raw Deflate.
// Usage: PackMessages TABLE.txt OUTPUT.cpp
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool DeflateRaw(const std::string& text, std::vector<unsigned char>& out) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  out.resize(deflateBound(&stream, text.size()));
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return result == Z_STREAM_END;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: PackMessages TABLE.txt OUTPUT.cpp\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "PackMessages: cannot read %s\n", argv[1]);
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(text.data()),
                          static_cast<uInt>(text.size()));
  std::vector<unsigned char> packed = {static_cast<unsigned char>(crc), static_cast<unsigned char>(crc >> 8),
                                       static_cast<unsigned char>(crc >> 16), static_cast<unsigned char>(crc >> 24)};
  std::vector<unsigned char> deflated;
  if (!DeflateRaw(text, deflated)) {
    std::fprintf(stderr, "PackMessages: deflate failed\n");
    return 1;
  }
  packed.insert(packed.end(), deflated.begin(), deflated.end());

  std::ostringstream source;
  source << "// Generated from zip/ZipMessages.txt at build time; do not edit.\n"
         << "#include <cstddef>\n\nnamespace vorn {\n\n"
         << "extern const unsigned char kZipMessageTableData[];\n"
         << "extern const std::size_t kZipMessageTableSize;\n\n"
         << "const unsigned char kZipMessageTableData[] = {";
  for (size_t i = 0; i < packed.size(); ++i) {
    source << (i % 16 == 0 ? "\n  " : " ") << static_cast<unsigned>(packed[i]) << ",";
  }
  source << "\n};\nconst std::size_t kZipMessageTableSize = sizeof(kZipMessageTableData);\n\n}  // namespace vorn\n";

  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << source.str();
  return out ? 0 : 1;
}
