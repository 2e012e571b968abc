// The memory and file streams that retrievals write into.
#include "ftp/FtpStream.h"

#include <algorithm>
#include <cstring>

namespace vorn {

TFtpMemoryStream::TFtpMemoryStream(std::string initial, int64_t position)
    : data_(std::move(initial)), position_(std::clamp<int64_t>(position, 0, static_cast<int64_t>(data_.size()))) {}

void TFtpMemoryStream::Write(const char* data, size_t size) {
  size_t at = static_cast<size_t>(position_);
  if (at + size > data_.size()) data_.resize(at + size);
  std::memcpy(data_.data() + at, data, size);
  position_ += static_cast<int64_t>(size);
}

void TFtpMemoryStream::SetSize(int64_t size) {
  data_.resize(static_cast<size_t>(std::max<int64_t>(size, 0)));
  position_ = std::min(position_, Size());
}

}  // namespace vorn
