// Stored and Deflate codecs, and the traditional PKWARE decryption.
#include "zip/Decompressor.h"

#include "zip/ZipMessageIds.h"

namespace vorn {

namespace {

const z_crc_t* CrcTable() {
  static const z_crc_t* table = get_crc_table();
  return table;
}

}  // namespace

TZUZipCryptor::TZUZipCryptor(const std::string& passwordBytes) : keys_{0x12345678, 0x23456789, 0x34567890} {
  for (const char c : passwordBytes) UpdateKeys(static_cast<uint8_t>(c));
}

void TZUZipCryptor::UpdateKeys(uint8_t plain) {
  const z_crc_t* table = CrcTable();
  keys_[0] = table[(keys_[0] ^ plain) & 0xFF] ^ (keys_[0] >> 8);
  keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813 + 1;
  keys_[2] = table[(keys_[2] ^ (keys_[1] >> 24)) & 0xFF] ^ (keys_[2] >> 8);
}

void TZUZipCryptor::Decrypt(uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    // Unsigned 32-bit arithmetic: the 16-bit product would overflow an int.
    const uint32_t temp = (keys_[2] | 2) & 0xFFFF;
    data[i] = static_cast<uint8_t>(data[i] ^ (((temp * (temp ^ 1)) >> 8) & 0xFF));
    UpdateKeys(data[i]);
  }
}

bool TZUZipCryptor::DecryptHeader(uint8_t* header, uint8_t checkByte) {
  Decrypt(header, 12);
  return header[11] == checkByte;
}

int TZUCoDecStore::Decode(const uint8_t* input, size_t size, const std::function<bool(const uint8_t*, size_t)>& write) {
  if (size > 0 && !write(input, size)) return Z_ERRNO;
  return Z_OK;
}

TZUCoDecInflate::TZUCoDecInflate() : output_(kZipBufferSize) {}

TZUCoDecInflate::~TZUCoDecInflate() {
  if (ready_) inflateEnd(&stream_);
}

void TZUCoDecInflate::Reset() {
  ended_ = false;
  if (ready_) {
    inflateReset(&stream_);
    return;
  }
  stream_ = z_stream{};
  ready_ = inflateInit2(&stream_, -15) == Z_OK;
}

int TZUCoDecInflate::Decode(const uint8_t* input, size_t size,
                            const std::function<bool(const uint8_t*, size_t)>& write) {
  if (!ready_) return Z_MEM_ERROR;
  if (ended_) return Z_OK;
  stream_.next_in = const_cast<Bytef*>(input);
  stream_.avail_in = static_cast<uInt>(size);
  // Feed the block until the output buffer is no longer filled completely.
  for (;;) {
    stream_.next_out = output_.data();
    stream_.avail_out = static_cast<uInt>(output_.size());
    const int result = inflate(&stream_, Z_NO_FLUSH);
    const size_t produced = output_.size() - stream_.avail_out;
    if (produced > 0 && !write(output_.data(), produced)) return Z_ERRNO;
    if (result == Z_STREAM_END) {
      ended_ = true;
      return Z_OK;
    }
    if (result != Z_OK && result != Z_BUF_ERROR) return result;
    if (stream_.avail_out != 0) return Z_OK;
  }
}

int ZLibErrorMessage(int zlibResult) {
  switch (zlibResult) {
    case Z_ERRNO: return MsgZLibFile;
    case Z_STREAM_ERROR: return MsgZLibStream;
    case Z_DATA_ERROR: return MsgZLibData;
    case Z_MEM_ERROR: return MsgZLibMemory;
    case Z_VERSION_ERROR: return MsgZLibVersion;
    default: return MsgZLibUnknown;
  }
}

}  // namespace vorn
