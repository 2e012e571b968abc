// The FTP client's event types: status kinds and work modes, and the
// callbacks through which the client reports to its owner. Events are
// delivered synchronously from inside the client's calls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vorn {

enum TFtpStatus {
  hsResolving = 0,
  hsConnecting = 1,
  hsConnected = 2,
  hsDisconnecting = 3,
  hsDisconnected = 4,
  hsStatusText = 5,
  ftpTransfer = 6,
  ftpReady = 7,
  ftpAborted = 8,
};

enum TWorkMode { wmRead = 0, wmWrite = 1 };

// ASender is the object that sent the event (the client or its control
// channel); receivers in this system do not look at it.
using TStatusEvent = std::function<void(void* ASender, TFtpStatus AStatus, const std::string& AStatusText)>;
using TWorkBeginEvent = std::function<void(void* ASender, TWorkMode AWorkMode, int64_t AWorkCountMax)>;
using TWorkEvent = std::function<void(void* ASender, TWorkMode AWorkMode, int64_t AWorkCount)>;
using TWorkEndEvent = std::function<void(void* ASender, TWorkMode AWorkMode)>;

}  // namespace vorn
