// What follows an attempt at a retrieval that did not end well.
//
// Active mode comes first and, where it works, nothing changes on the wire.
// When the server cannot connect back (behind the routers and firewalls of
// most sites it never can) the transfer is tried once more in passive mode,
// and passive mode stays for the client's life, as the restart probe's
// answer does, so that the next download does not wait again.
//
// A transfer broken off on the way (426 or 451, a failed data connection,
// or one that closed before the size the server gave) is tried again up to
// ResumeAttempts times after a short, growing pause: from where it stopped
// ("REST" and "RETR") when the server accepts restarts, from the start
// otherwise. In the end the file is whole, or the last attempt's error is
// reported.
#include <algorithm>
#include <chrono>
#include <thread>

#include "ftp/FtpClient.h"
#include "ftp/FtpErrors.h"

namespace vorn {

void TFtpClient::Get(const std::string& ASourceFile, TFtpStream& ADest, bool AResume) {
  const bool restart = AResume && CanResume();
  const std::string command = "RETR " + ASourceFile;
  const int64_t startPosition = ADest.Position();
  // Where the remote file's first byte goes in the stream.
  const int64_t base = restart ? 0 : startPosition;
  auto known = sizes_.find(ASourceFile);
  const int64_t expected = known == sizes_.end() ? -1 : known->second;

  int64_t restOffset = restart ? startPosition : -1;
  bool triedPassive = false;
  int resumes = 0;
  for (;;) {
    const int64_t before = ADest.Position();
    Attempt attempt = Retrieve(command, ADest, restOffset, before - startPosition);
    const int64_t received = ADest.Position() - base;
    // Accepted by the server but short of the size it gave. A restart past
    // the start that brings nothing at all is the server saying the file
    // ends there: its size was not the file's (the size query asks in ASCII
    // mode, where a server may count line ends differently).
    if (attempt.End == AttemptEnd::Complete) {
      if (expected < 0 || received >= expected || (restOffset > 0 && ADest.Position() == before)) return;
      attempt.End = AttemptEnd::Cut;
      attempt.Failure = std::make_exception_ptr(EFtpIncompleteTransfer(
          "Transfer incomplete: " + std::to_string(received) + " of " + std::to_string(expected) +
          " bytes received."));
    }

    if (attempt.End == AttemptEnd::ActiveFailed && !triedPassive) {
      triedPassive = true;
      switchedToPassive_ = true;
      Status(hsStatusText, "Active mode failed, switching to passive mode");
      continue;
    }
    if (attempt.End != AttemptEnd::Cut || resumes >= ResumeAttempts) std::rethrow_exception(attempt.Failure);

    ++resumes;
    const std::string attemptText =
        " (attempt " + std::to_string(resumes + 1) + " of " + std::to_string(ResumeAttempts + 1) + ")";
    if (CanResume()) {
      restOffset = received;
      Status(hsStatusText, "Transfer interrupted at " + std::to_string(received) + " bytes, resuming" + attemptText);
    } else {
      ADest.SetSize(base);
      restOffset = -1;
      Status(hsStatusText,
             "Transfer interrupted at " + std::to_string(received) + " bytes, starting again" + attemptText);
    }
    PauseBeforeResume(resumes);
  }
}

// ResumePause before the first further attempt, doubled before each next
// one, and never longer than TransferTimeout when that is set.
void TFtpClient::PauseBeforeResume(int resume) {
  int64_t pause = std::max<int32_t>(ResumePause, 0);
  for (int i = 1; i < resume && pause < (int64_t{1} << 31); ++i) pause *= 2;
  if (TransferTimeout > 0) pause = std::min<int64_t>(pause, TransferTimeout);
  if (pause > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause));
}

}  // namespace vorn
