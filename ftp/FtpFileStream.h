// A local file as the stream of a retrieval.
#pragma once

#include "ftp/FtpStream.h"
#include "platform/WinFile.h"

namespace vorn {

// An open local file, written from its current position.
class TFtpFileStream : public TFtpStream {
 public:
  explicit TFtpFileStream(WinFile& file) : file_(file) {}
  void Write(const char* data, size_t size) override { file_.Write(data, size); }
  int64_t Position() const override { return file_.Position(); }
  int64_t Size() const override { return file_.Size(); }
  // Files are only opened at their end or created empty by the client, so
  // the only cut they need is back to empty (a download started again);
  // growing is done by seeking and writing.
  void SetSize(int64_t size) override;

 private:
  WinFile& file_;
};

}  // namespace vorn
