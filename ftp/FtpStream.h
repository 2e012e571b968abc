// Where a retrieval writes: a stream written from its current position. The
// client only appends, asks for the position and size, and cuts the stream
// at the position when it was longer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorn {

class TFtpStream {
 public:
  virtual ~TFtpStream() = default;
  // Writes every byte at the position and advances it, or raises.
  virtual void Write(const char* data, size_t size) = 0;
  virtual int64_t Position() const = 0;
  virtual int64_t Size() const = 0;
  // Cuts (or extends) the stream to size; the position stays within it.
  virtual void SetSize(int64_t size) = 0;
};

// A stream in memory, for callers that want the bytes rather than a file.
class TFtpMemoryStream : public TFtpStream {
 public:
  TFtpMemoryStream() = default;
  explicit TFtpMemoryStream(std::string initial, int64_t position = 0);
  void Write(const char* data, size_t size) override;
  int64_t Position() const override { return position_; }
  int64_t Size() const override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size) override;
  const std::string& Data() const { return data_; }

 private:
  std::string data_;
  int64_t position_ = 0;
};

}  // namespace vorn
