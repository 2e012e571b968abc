// Retrieval into a local file: the file rules of Get, then the retrieval
// into the stream.
#include <algorithm>

#include "ftp/FtpClient.h"
#include "ftp/FtpErrors.h"
#include "ftp/FtpFileStream.h"
#include "platform/FileSystem.h"

namespace vorn {

// Emptying the file is opening it again as a new empty one (a download
// that starts again from the beginning); other cuts never happen, since the
// file is only ever continued from its end or written from its start.
void TFtpFileStream::SetSize(int64_t size) {
  int64_t current = file_.Size();
  if (size == current) return;
  if (size == 0) {
    file_ = WinFile(file_.Path(), FileOpen::CreateAlways);
    return;
  }
  if (size < current)
    throw FileError(ERROR_INVALID_PARAMETER, "Cannot truncate file \"" + file_.Path() + "\".");
  int64_t position = file_.Position();
  file_.Seek(size - 1, SeekOrigin::Begin);
  file_.Write("", 1);
  file_.Seek(std::min(position, size), SeekOrigin::Begin);
}

// File rules, by ACanOverwrite and restart in effect:
//   overwrite, no restart: an existing file is deleted, a new one created;
//   no overwrite, restart: an existing file is continued at its end;
//   otherwise an existing file is refused (EFtpFileAlreadyExists).
// The file is opened before any command of the retrieval is sent, and after a
// failed retrieval holds what was written: the download steps delete it
// beforehand and look at whatever is there afterwards.
void TFtpClient::Get(const std::string& ASourceFile, const std::string& ADestFile, bool ACanOverwrite, bool AResume) {
  bool restart = AResume && CanResume();
  bool exists = FileExists(ADestFile);
  WinFile file;
  if (ACanOverwrite && !restart) {
    if (exists) DeleteFile(ADestFile);
    file = WinFile(ADestFile, FileOpen::CreateAlways);
  } else if (!ACanOverwrite && restart && exists) {
    file = WinFile(ADestFile, FileOpen::ReadWrite);
    file.Seek(0, SeekOrigin::End);
  } else {
    if (exists) throw EFtpFileAlreadyExists();
    file = WinFile(ADestFile, FileOpen::CreateNew);
  }
  TFtpFileStream stream(file);
  Get(ASourceFile, stream, AResume);
}

}  // namespace vorn
