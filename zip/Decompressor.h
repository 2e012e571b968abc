// Decoding of one entry's data (TZUDecompressor): stored or raw Deflate,
// optionally behind the traditional PKWARE encryption, streamed through two
// 32768-byte buffers from the archive to the output file with a running
// CRC-32. Nothing of an entry is held in memory beyond those buffers.
#pragma once

#include <zlib.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorn {

constexpr size_t kZipBufferSize = 32768;

// Traditional PKWARE encryption (APPNOTE 6.1): three keys updated by each
// plain byte.
class TZUZipCryptor {
 public:
  explicit TZUZipCryptor(const std::string& passwordBytes);
  // Decrypts the 12-byte header; true when its last byte is the check byte.
  bool DecryptHeader(uint8_t* header, uint8_t checkByte);
  void Decrypt(uint8_t* data, size_t size);

 private:
  void UpdateKeys(uint8_t plain);
  uint32_t keys_[3];
};

// Codecs, by compression method: stored (0) and Deflate (8).
class TZUCoDec {
 public:
  virtual ~TZUCoDec() = default;
  virtual void Reset() = 0;
  // Decodes one input block, calling write for each non-empty output
  // buffer. Returns Z_OK, or a zlib error other than Z_BUF_ERROR.
  virtual int Decode(const uint8_t* input, size_t size, const std::function<bool(const uint8_t*, size_t)>& write) = 0;
};

class TZUCoDecStore : public TZUCoDec {
 public:
  void Reset() override {}
  int Decode(const uint8_t* input, size_t size, const std::function<bool(const uint8_t*, size_t)>& write) override;
};

class TZUCoDecInflate : public TZUCoDec {
 public:
  TZUCoDecInflate();
  ~TZUCoDecInflate() override;
  TZUCoDecInflate(const TZUCoDecInflate&) = delete;
  TZUCoDecInflate& operator=(const TZUCoDecInflate&) = delete;
  void Reset() override;
  int Decode(const uint8_t* input, size_t size, const std::function<bool(const uint8_t*, size_t)>& write) override;

 private:
  z_stream stream_{};
  bool ready_ = false;
  bool ended_ = false;  // the Deflate stream's end was reached; later input is read and dropped
  std::vector<uint8_t> output_;
};

// The zlib result of a decode, as the message id that reports it.
int ZLibErrorMessage(int zlibResult);

}  // namespace vorn
