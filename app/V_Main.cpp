// The main window's behaviour, whatever toolkit draws it.
#include "app/V_Main.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>

#include "app/Frm_PassWord.h"
#include "app/HandlerBoundary.h"
#include "app/MessageBoxes.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"

namespace vorn {

std::string TempPath;
std::string InstTempDir;
std::string ProductDir;
int32_t ExpectedDownloadSize = 0;

namespace {

constexpr char ProductFolder[] = "C:\\VornZAV\\";

// The bars hold 32-bit values: the low 32 bits of a 64-bit count are taken.
int32_t Low32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

// A maximum that the bar cannot take (below 0: no usable size is known)
// makes it a busy bar, so that the transfer goes on instead of failing.
void SetMaxOrBusy(IProgressBar& bar, int32_t max) {
  if (max < 0) {
    bar.SetBusy();
  } else {
    bar.SetMax(max);
  }
}

// The local time of day as "hh.mm.ss".
std::string TimeOfDay() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%02d", local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

}  // namespace

const char* ButtonName(TStepButton button) {
  switch (button) {
    case TStepButton::BtnAvanti: return "BtnAvanti";
    case TStepButton::BtnDBE: return "BtnDBE";
    case TStepButton::BtnZAV: return "BtnZAV";
    case TStepButton::BtnAlias: return "BtnAlias";
    case TStepButton::AllineaVersione: return "AllineaVersione";
  }
  return "";
}

TSetup_ZAV::TSetup_ZAV() = default;
TSetup_ZAV::~TSetup_ZAV() = default;

// Start-up --------------------------------------------------------------

void TSetup_ZAV::FormShow() {
  if (accessDialog_) {
    accessDialog_->ShowModal();
  } else {
    EnteredPassword.clear();
  }
  // A wrong password ends the program, but only after the folders below are
  // made: the request is served once this handler returns.
  if (EnteredPassword != AccessPassword) Terminate();

  TempPath = GetTempFolder();
  InstTempDir = TempPath + "Inst_Temp";
  // Set before the folders are tested, so that a folder that cannot be made
  // does not leave the steps pointed at it (they copy into ProductDir).
  ProductDir = ProductFolder;
  const std::string folders[] = {
      InstTempDir,
      "C:\\VornZAV",
      "C:\\VornZAV\\Referti_da_Inviare\\",
      "C:\\VornZAV\\Referti_Inviati\\",
      "C:\\VornZAV\\ArchiviVuoti\\",
  };
  for (const std::string& folder : folders) {
    if (!DirectoryExists(folder) && !CreateDir(folder)) {
      throw EFolderNotCreated("Impossibile creare " + folder);
    }
  }
}

void TSetup_ZAV::Shown() {
  if (shown_) return;
  shown_ = true;
  RunUserHandler([this] { FormShow(); });
}

// Steps and the end of the program ---------------------------------------

template <typename Handler>
void TSetup_ZAV::RunUserHandler(Handler&& handler) {
  ++handlerDepth_;
  RunHandler(std::forward<Handler>(handler), [this](const std::string& message) {
    ShowExceptionBox(WithFullStop(message));
  });
  --handlerDepth_;
  if (handlerDepth_ == 0 && terminateRequested_) QueueQuitOnce();
}

void TSetup_ZAV::InstallStep(TStepButton button, TStepHandler handler) {
  steps_.at(static_cast<size_t>(button)) = std::move(handler);
}

void TSetup_ZAV::Press(TStepButton button) {
  // A copy: the step may install another handler for its own button.
  const TStepHandler step = steps_.at(static_cast<size_t>(button));
  if (!step) return;
  // However the step ends, the per-item bar is left empty, never busy.
  struct EmptyBarAtEnd {
    IProgressBar& bar;
    ~EmptyBarAtEnd() {
      if (bar.Busy()) bar.SetMax(100);
      bar.SetPosition(0);
    }
  } emptyBar{Barrazza()};
  step(button);
}

void TSetup_ZAV::StepButtonClicked(TStepButton button) {
  // The buttons stay enabled while a step processes window messages; a press
  // then is ignored rather than run nested inside the running step.
  if (Running()) return;
  RunUserHandler([this, button] { Press(button); });
}

void TSetup_ZAV::Button3Click() { Terminate(); }

void TSetup_ZAV::Terminate() {
  terminateRequested_ = true;
  if (!Running()) QueueQuitOnce();
}

bool TSetup_ZAV::CloseRequested() {
  // Closing during a step leaves the window up until the step has returned.
  const bool mayClose = !Running();
  Terminate();
  return mayClose;
}

void TSetup_ZAV::QueueQuitOnce() {
  if (quitQueued_) return;
  quitQueued_ = true;
  QueueQuit();
}

// What the steps write to ---------------------------------------------------

void TSetup_ZAV::AddLogLine(const std::string& text) { AppendLogLine(TimeOfDay() + text); }

// The components' events --------------------------------------------------

void TSetup_ZAV::FtpClient1Status(void* /*ASender*/, TFtpStatus /*AStatus*/, const std::string& AStatusText) {
  AddLogLine(" " + AStatusText);
}

void TSetup_ZAV::FtpClient1WorkBegin(void* /*ASender*/, TWorkMode /*AWorkMode*/, int64_t AWorkCountMax) {
  SetMaxOrBusy(Barrazza(), AWorkCountMax > 0 ? Low32(AWorkCountMax) : ExpectedDownloadSize);
  Barrazza().SetPosition(0);
}

void TSetup_ZAV::FtpClient1Work(void* /*ASender*/, TWorkMode /*AWorkMode*/, int64_t AWorkCount) {
  Barrazza().SetPosition(Low32(AWorkCount));
  ProcessMessages();
}

void TSetup_ZAV::ZipUnpacker1Progress(void* /*Sender*/, TZUProgressDetails& Details) {
  switch (Details.Order()) {
    case NewFile:
      Barrazza().SetPosition(0);
      break;
    case ProgressUpdate:
      Barrazza().SetPosition(Details.ItemPerCent());
      break;
    case EndOfBatch:
      Barrazza().SetPosition(0);
      SetStatusPanel(0, "");
      SetStatusPanel(1, "");
      break;
    case TotalFiles2Process:
      SetStatusPanel(1, std::to_string(Details.TotalCount()) + " files");
      break;
    case TotalSize2Process: {
      const int64_t kilobytes = Details.TotalSize() / 1024;
      SetStatusPanel(0, "Total size: " + std::to_string(kilobytes) + " Kb");
      Barrazza().SetPosition(0);
      SetMaxOrBusy(Barrazza(), Low32(kilobytes));
      break;
    }
    case EndOfItem:
    case NewExtra:
    case ExtraUpdate:
      break;
  }
}

}  // namespace vorn
