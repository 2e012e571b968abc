#include "app/win32/ScriptedRun.h"

#include <map>

#include "app/win32/Boxes.h"
#include "app/win32/Desktop.h"
#include "app/win32/Dialogs.h"
#include "app/win32/MainWindow.h"
#include "app/win32/Png.h"

#include <windows.h>

namespace vorn::win32 {

namespace {

constexpr UINT PollIntervalMs = 50;
// How long an answered box may stay up before it is closed by its frame.
constexpr int StillUpMs = 2000;

// The scripted runs by their timers (thread timers carry no pointer).
std::map<UINT_PTR, ScriptedRun*>& Runs() {
  static std::map<UINT_PTR, ScriptedRun*> runs;
  return runs;
}

}  // namespace

struct ScriptedRunAccess {
  static void CALLBACK Poll(HWND, UINT, UINT_PTR timer, DWORD) {
    const auto found = Runs().find(timer);
    if (found != Runs().end()) found->second->Poll();
  }
  static void CALLBACK Start(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    const auto found = Runs().find(timer);
    if (found == Runs().end()) return;
    ScriptedRun* run = found->second;
    Runs().erase(found);
    run->startTimer_ = 0;
    run->RunActions();
  }
};

ScriptedRun::ScriptedRun(Win32Setup_ZAV& window, ScriptSettings settings)
    : window_(window), settings_(std::move(settings)) {
  pollTimer_ = SetTimer(nullptr, 0, PollIntervalMs, &ScriptedRunAccess::Poll);
  Runs()[pollTimer_] = this;
}

ScriptedRun::~ScriptedRun() {
  for (UINT_PTR timer : {pollTimer_, startTimer_}) {
    if (!timer) continue;
    KillTimer(nullptr, timer);
    Runs().erase(timer);
  }
}

std::unique_ptr<ScriptedRun> ScriptedRun::FromEnvironment(Win32Setup_ZAV& window) {
  std::optional<ScriptSettings> settings = ScriptSettingsFromEnvironment();
  if (!settings) return nullptr;
  return std::make_unique<ScriptedRun>(window, std::move(*settings));
}

void ScriptedRun::Poll() {
  const HWND modal = ActiveModalWindow();
  if (modal) {
    AnswerModal(modal);
    return;
  }
  answered_ = nullptr;
  // The presses start when the start-up is over: the window is up, idle and
  // not asked to end (a wrong password ends the program by itself).
  if (!started_ && IsWindowVisible(window_.Window()) && !window_.Running() && !window_.TerminateRequested()) {
    started_ = true;
    // A timer of its own: this one keeps answering boxes while the steps run.
    startTimer_ = SetTimer(nullptr, 0, 1, &ScriptedRunAccess::Start);
    Runs()[startTimer_] = this;
  }
}

void ScriptedRun::AnswerModal(HWND modal) {
  if (modal == answered_) {
    // Still up a while after its answer: closed by its frame instead.
    if (std::chrono::steady_clock::now() - answeredAt_ > std::chrono::milliseconds(StillUpMs)) {
      PostMessageW(modal, WM_CLOSE, 0, 0);
      answeredAt_ = std::chrono::steady_clock::now();
    }
    return;
  }
  if (IsAccessDialog(modal)) {
    answered_ = modal;
    answeredAt_ = std::chrono::steady_clock::now();
    if (settings_.Password.empty()) {
      PostMessageW(modal, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(modal, IDCANCEL)));
    } else {
      TypeIntoDialog(modal, settings_.Password);
      PostMessageW(modal, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(modal, IDOK)));
    }
    return;
  }
  const std::string caption = WindowText(modal);
  // An information box asks the user to wait for something outside the
  // program (the engine's installer): it is read for a while, as a person
  // would, before OK.
  if (IsMessageBox(modal) && caption == "Information") {
    const auto now = std::chrono::steady_clock::now();
    if (modal != reading_) {
      reading_ = modal;
      readingSince_ = now;
    }
    if (now - readingSince_ < std::chrono::milliseconds(InformationReadingMs)) return;
  }
  answered_ = modal;
  answeredAt_ = std::chrono::steady_clock::now();
  if (IsMessageBox(modal)) {
    PrintAnsweredBox(caption, BoxText(modal));
    AnswerBoxWithOk(modal);
    return;
  }
  std::string text;
  for (const std::string& part : DialogTexts(modal)) text += (text.empty() ? "" : " ") + part;
  PrintAnsweredBox(caption, text);
  PressEnter(modal);
}

void ScriptedRun::RunActions() {
  RunScriptedPresses(window_, settings_.Presses, [this](TStepButton button) { window_.Click(button); });
  if (!settings_.Screenshot.empty() && !SaveWindowPng(window_.Window(), settings_.Screenshot))
    PrintScriptLine("scripted run: cannot save " + settings_.Screenshot);
  window_.Terminate();
}

}  // namespace vorn::win32
