// The zip component's events and hooks. The front end assigns OnProgress;
// the others are consulted only when assigned, and everything the component
// does is complete without them. The component derives from TZUEvents, so
// they are assigned as ZipUnpacker1.OnProgress = ...
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "zip/MessageTable.h"
#include "zip/ZipProgress.h"

namespace vorn {

// Why an entry was skipped (ordinals 0 to 22).
enum TZUSkipTypes {
  StNoSkip, StOnFreshen, StNoOverwrite, StFileExists, StBadPassword, StBadName,
  StCompressionUnknown, StUnknownZipHost, StZipFileFormatWrong, StGeneralExtractError,
  StUser, StCannotDo, StNotFound, StNoShare, StNoAccess, StNoOpen, StDupName,
  StReadError, StSizeChange, StNothingToDo, StCRCError, StPathError, StWarning,
};
// The reason's name as written above ("StNoSkip" ...).
const char* SkipTypeName(TZUSkipTypes type);

// A set of skip reasons, a bit per ordinal.
using TZUSkipAborts = uint32_t;
constexpr TZUSkipAborts SkipBit(TZUSkipTypes type) { return 1u << static_cast<unsigned>(type); }

enum TZUStates { ZsDisabled = 0, ZsIdle = 1, ZsReentered = 2, ZsBusy = 3, ZsReentry = 4 };

using TZUMessageEvent = std::function<void(void* Sender, int ErrCode, const std::string& Message)>;
using TZUSkippedEvent =
    std::function<void(void* Sender, const std::string& ForFile, TZUSkipTypes SkipType, int& ExtError)>;
using TZUCheckTerminateEvent = std::function<void(void* Sender, bool& Abort)>;
using TZUTickEvent = std::function<void(void* Sender)>;
// Answers a dialog instead of the box: a Result of 1 to 10 is taken, with Msg
// as the returned text (the password of a password dialog).
using TZUZipDialogEvent = std::function<void(void* Sender, const std::string& Title, std::string& Msg,
                                             int Context, uint32_t Buttons, int& Result)>;
using TZUStateChangeEvent = std::function<void(void* Sender, TZUStates State, bool& NoCursor)>;
using TZUNotifyEvent = std::function<void(void* Sender)>;

struct TZUEvents {
  TZUProgressEvent OnProgress;
  TZUMessageEvent OnMessage;
  TZUSkippedEvent OnSkipped;
  TZUCheckTerminateEvent OnCheckTerminate;
  TZUTickEvent OnTick;
  TZUZipDialogEvent OnZipDialog;
  TZULoadStrEvent OnLoadStr;
  TZUStateChangeEvent OnStateChange;
  TZUNotifyEvent OnDirUpdate;
};

}  // namespace vorn
