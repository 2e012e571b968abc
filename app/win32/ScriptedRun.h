// The scripted run on the Win32 window (see app/ScriptedRun.h for what it
// does and the variables that switch it on): a timer of the user-interface
// thread finds the modal box or dialog that takes the input now, prints it
// and answers it (the access dialog with the script's password), starts the
// presses once the window is up and idle, then prints the log, saves the
// window's picture and ends the program.
#pragma once

#include <chrono>
#include <memory>

#include "app/ScriptedRun.h"
#include "app/win32/Handles.h"

namespace vorn::win32 {

class Win32Setup_ZAV;

class ScriptedRun {
 public:
  ScriptedRun(Win32Setup_ZAV& window, ScriptSettings settings);
  ~ScriptedRun();
  ScriptedRun(const ScriptedRun&) = delete;
  ScriptedRun& operator=(const ScriptedRun&) = delete;

  // Null when no scripting variable is set.
  static std::unique_ptr<ScriptedRun> FromEnvironment(Win32Setup_ZAV& window);

 private:
  friend struct ScriptedRunAccess;
  void Poll();
  void AnswerModal(WindowHandle modal);
  void RunActions();

  Win32Setup_ZAV& window_;
  ScriptSettings settings_;
  uintptr_t pollTimer_ = 0;
  uintptr_t startTimer_ = 0;
  WindowHandle answered_ = nullptr;  // the box or dialog answered last
  std::chrono::steady_clock::time_point answeredAt_;
  WindowHandle reading_ = nullptr;   // an information box being read
  std::chrono::steady_clock::time_point readingSince_;
  bool started_ = false;
};

}  // namespace vorn::win32
