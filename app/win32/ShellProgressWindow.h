// The shell's progress window on Win32: a small window of the program's own,
// centred, owned by no window and not modal (the main window stays as it is
// behind it), with the title the shell gives ("Copying...", ...), the name of
// the item being worked on and a bar (the marquee when the total is not
// known). While one is installed, long shell operations show it and keep
// every window painting.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/win32/Handles.h"
#include "platform/UserInterface.h"

namespace vorn::win32 {

class ProgressBar;

class ShellProgressWindow : public IShellProgressWindow {
 public:
  // Installs itself as the shell's progress window; uninstalls when destroyed.
  ShellProgressWindow();
  ~ShellProgressWindow() override;
  ShellProgressWindow(const ShellProgressWindow&) = delete;
  ShellProgressWindow& operator=(const ShellProgressWindow&) = delete;

  void Open(const std::string& title) override;
  void Update(const std::string& item, int64_t done, int64_t total) override;
  void KeepAlive() override;
  void Close() override;

  // For tests.
  WindowHandle Window() const { return window_.get(); }
  std::string ItemText() const;
  const ProgressBar& Bar() const { return *bar_; }

 private:
  void Make();

  UniqueFont font_;  // outlives the window that uses it
  UniqueWindow window_;
  WindowHandle item_ = nullptr;
  std::unique_ptr<ProgressBar> bar_;
};

}  // namespace vorn::win32
