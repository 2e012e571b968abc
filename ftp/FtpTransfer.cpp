// The size query, the restart probe and one attempt at a retrieval: the data
// connection (FtpDataConnection.cpp), the command, the reading and the
// finishing. FtpResume.cpp decides what follows an attempt that failed.
#include <exception>
#include <utility>
#include <vector>

#include "ftp/FtpClient.h"
#include "ftp/FtpErrors.h"

namespace vorn {

namespace {

constexpr size_t kDataBlock = 32768;

}  // namespace

// The letter sent is that of the type in force before the change, so the
// server's type follows one change behind the recorded one. The size query
// relies on this: with the default type the server is left in image type
// for the retrieval that follows, and the client writes bytes unchanged.
void TFtpClient::SetTransferType(TFtpTransferType value) {
  if (value == transferType_ || dataConnectionOpen_) return;
  if (Connected()) SendCmd(transferType_ == ftBinary ? "TYPE I" : "TYPE A", {200});
  transferType_ = value;
}

int64_t TFtpClient::Size(const std::string& AFileName) {
  int64_t result = -1;
  TFtpTransferType previous = transferType_;
  bool changed = previous != ftBinary;
  if (changed) SetTransferType(ftBinary);
  try {
    if (SendCmd("SIZE " + AFileName, {}) == 213) result = SizeFromReply(LastCmdResult);
    // Kept for the retrieval of the same file, which can then tell a
    // transfer that ended early.
    if (result >= 0) sizes_[AFileName] = result;
    else sizes_.erase(AFileName);
  } catch (...) {
    if (changed) SetTransferType(previous);
    throw;
  }
  if (changed) SetTransferType(previous);
  return result;
}

bool TFtpClient::CanResume() {
  if (!resumeProbed_) {
    canResume_ = SendCmd("REST 1", {}) == 350;
    resumeProbed_ = true;
    SendCmd("REST 0", {});
  }
  return canResume_;
}

// One attempt: the data connection, "REST" when asked for, the command,
// the reading, and the finishing, which runs in every case. What the
// attempt ended with decides whether the caller tries again: only when the
// control connection is still in step (the reply that ended it was read).
TFtpClient::Attempt TFtpClient::Retrieve(const std::string& command, TFtpStream& dest, int64_t restOffset,
                                         int64_t startCount) {
  if (!channel_) throw EFtpNotConnected();
  Status(ftpTransfer, "Starting FTP transfer");
  const bool passive = Passive || switchedToPassive_;
  std::exception_ptr failure;
  Socket listener;
  Socket data;
  dataConnectionOpen_ = true;
  // Only a retrieval command answered with a preliminary reply owes a final
  // one; a failure before that (a port that cannot be listened on, a refused
  // command) is reported as it is, without waiting for a reply nobody asked for.
  bool finalReplyOwed = false;
  int finalCode = 0;          // the code of the reply that ended the attempt, once read
  bool refused = false;       // the server refused instead of transferring
  bool activeFailed = false;  // the server did not connect back
  bool dataBroken = false;    // the data connection failed during the reading
  try {
    if (passive) {
      data = OpenPassiveConnection();
    } else {
      listener = OpenListener();
      if (!AnnouncePort(listener)) {
        finalCode = LastCmdResult.NumericCode;
        refused = activeFailed = true;
        RaiseLastReply();
      }
    }
    if (restOffset >= 0) SendCmd("REST " + std::to_string(restOffset), {350});
    const int code = SendCmd(command, {});
    if (code != 125 && code != 150 && code != 154) {
      finalCode = code;
      refused = true;
      activeFailed = !passive && code == 425;
      RaiseLastReply();
    }
    finalReplyOwed = true;
    if (!passive) {
      activeFailed = true;  // until the server connects
      try {
        data = AcceptDataConnection(listener);
      } catch (const EFtpSocketError& e) {
        // The server connected, and the connection broke before it was
        // taken (its bytes are lost): a cut, not a failure of active mode.
        if (e.ErrorCode() == WSAECONNRESET) {
          activeFailed = false;
          dataBroken = true;
        }
        throw;
      }
      if (!data.IsOpen()) {
        // The server answered instead of connecting: that was its final reply.
        finalReplyOwed = false;
        finalCode = GetResponse({});
        refused = true;
        activeFailed = finalCode == 425 || finalCode < 300;
        if (finalCode < 300) throw EFtpAcceptTimeout();
        RaiseLastReply();
      }
      activeFailed = false;
    }
    ReadData(data, dest, startCount, dataBroken);
  } catch (...) {
    failure = std::current_exception();
  }
  // Finishing. An error raised here replaces the one on its way.
  const bool failedBefore = failure != nullptr;
  data.Close();
  listener.Close();
  dataConnectionOpen_ = false;
  if (!finalReplyOwed) {
    Status(ftpAborted, "Transfer aborted");
  } else {
    Status(ftpReady, "Transfer complete");
    try {
      finalCode = GetResponse({});
      if (finalCode != 226 && finalCode != 225 && finalCode != 250) RaiseLastReply();
    } catch (...) {
      failure = std::current_exception();
    }
  }

  Attempt attempt;
  attempt.Failure = failure;
  const bool accepted = finalCode == 226 || finalCode == 225 || finalCode == 250;
  // Broken off on the way, and not by a failure on this side (a local file
  // that cannot be written: the server answers 426 to that too).
  const bool brokenOff = (finalCode == 426 || finalCode == 451) && (!failedBefore || dataBroken || refused);
  if (finalCode == 0) {
    attempt.End = AttemptEnd::Failed;  // no reply ended it: the control connection is out of step
  } else if (activeFailed) {
    attempt.End = AttemptEnd::ActiveFailed;
  } else if (brokenOff || (accepted && dataBroken)) {
    attempt.End = AttemptEnd::Cut;
  } else if (failure) {
    attempt.End = AttemptEnd::Failed;
  }
  return attempt;
}

// Blocks of 32768 bytes are reported and written as soon as they are full;
// the rest when the server closes the connection, or when reading fails (the
// bytes held are then written before the error goes on).
// dataBroken tells that the data connection failed (a socket error, or no
// data within TransferTimeout) rather than anything on this side.
void TFtpClient::ReadData(Socket& data, TFtpStream& dest, int64_t startCount, bool& dataBroken) {
  BeginWork(wmRead, 0, startCount);
  std::vector<char> block(kDataBlock);
  size_t held = 0;
  auto deliver = [&]() {
    size_t size = std::exchange(held, 0);
    try {
      DoWork(wmRead, static_cast<int64_t>(size));
    } catch (...) {
      dest.Write(block.data(), size);
      throw;
    }
    dest.Write(block.data(), size);
  };
  try {
    for (;;) {
      int64_t n = 0;
      try {
        n = data.Receive(block.data() + held, kDataBlock - held, TransferTimeout);
      } catch (const SocketError& e) {
        dataBroken = true;
        RaiseFtpSocketError(e);
      }
      if (n < 0) {
        dataBroken = true;
        throw EFtpReadTimeout();
      }
      if (n == 0) break;
      held += static_cast<size_t>(n);
      if (held == kDataBlock) deliver();
    }
    if (held > 0) deliver();
  } catch (...) {
    try {
      if (held > 0) deliver();
    } catch (...) {
      // The reading's own error is the one to report.
    }
    EndWork(wmRead);
    throw;
  }
  EndWork(wmRead);
  if (dest.Size() > dest.Position()) dest.SetSize(dest.Position());
}

}  // namespace vorn
