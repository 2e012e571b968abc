// What the libraries below the front end see of the main window: the log, the
// two progress bars, the status panels, modal message boxes, the hourglass
// cursor and the processing of pending window messages. The Qt window
// implements it; tests pass a recording fake.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vorn {

// Raised by a control given a value it cannot take (a bar's maximum below 0).
class EInvalidOperation : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class IProgressBar {
 public:
  virtual ~IProgressBar() = default;
  // A maximum below the minimum (0) is refused with EInvalidOperation.
  virtual void SetMax(int32_t max) = 0;
  virtual int32_t Max() const = 0;
  // Positions outside the range are kept and shown at the nearest end.
  virtual void SetPosition(int32_t position) = 0;
  virtual int32_t Position() const = 0;
  // Adds the step (1) to the position.
  virtual void StepIt() = 0;
  // A busy bar without a maximum, for a transfer of unknown size; the next
  // SetMax makes it an ordinary bar again.
  virtual void SetBusy() = 0;
  virtual bool Busy() const = 0;
};

enum class MessageBoxKind { Error, Information };

class IUserInterface {
 public:
  virtual ~IUserInterface() = default;
  // Appends "HH.MM.SS" and text as a new line of the log pane.
  virtual void AddLogLine(const std::string& text) = 0;
  virtual IProgressBar& Barrazza() = 0;        // per-item bar
  virtual IProgressBar& BarrazzaTotale() = 0;  // whole-sequence bar
  // Status bar panel 0 or 1.
  virtual void SetStatusPanel(int index, const std::string& text) = 0;
  virtual std::string StatusPanel(int index) const = 0;
  // A modal box with one OK button, captioned "Error" or "Information";
  // returns when OK is pressed.
  virtual void ShowMessageBox(MessageBoxKind kind, const std::string& text) = 0;
  // Processes pending window messages (repaint, user input) and returns.
  virtual void ProcessMessages() = 0;
  virtual void SetHourglass(bool on) = 0;
};

// The shell's progress window (ShellFileOp). The shell opens it once an
// operation has lasted about a second, updates it at every file and copied
// block, and closes it at the end; short operations never open it. The
// front end implements it; tests pass a recording fake.
class IShellProgressWindow {
 public:
  virtual ~IShellProgressWindow() = default;
  // title: "Copying...", "Moving...", "Deleting..." or "Renaming...".
  virtual void Open(const std::string& title) = 0;
  // The item being worked on (a Windows path) and the progress so far: bytes
  // for a copy or move, items for a delete. A total of 0 is not known.
  virtual void Update(const std::string& item, int64_t done, int64_t total) = 0;
  // Processes pending window messages, so that every window keeps painting.
  virtual void KeepAlive() = 0;
  virtual void Close() = 0;
};

}  // namespace vorn
