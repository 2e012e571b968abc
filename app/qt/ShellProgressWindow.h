// The shell's progress window on screen: a small window of its own, centred,
// with the title the shell gives ("Copying...", ...), the name of the item
// being worked on and a bar (busy when the total is not known). While one is
// installed, long shell operations show it and keep every window painting.
#pragma once

#include <memory>
#include <string>

#include "platform/UserInterface.h"

class QDialog;
class QLabel;
class QProgressBar;

namespace vorn {

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

  // The window itself, for tests.
  QDialog* Window() const { return window_.get(); }

 private:
  std::unique_ptr<QDialog> window_;
  QLabel* item_;
  QProgressBar* bar_;
};

}  // namespace vorn
