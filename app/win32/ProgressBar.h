// A progress bar of the common controls with the bar semantics the steps
// rely on: minimum 0, a maximum that may be set but never below 0, a position
// kept as given even outside the range (shown at its nearest end), a step of
// 1, and a busy mode (the marquee) for a transfer of unknown size.
#pragma once

#include <cstdint>

#include "app/win32/Handles.h"
#include "platform/UserInterface.h"

namespace vorn::win32 {

class ProgressBar : public IProgressBar {
 public:
  // Drives the bar control given; the bar starts at 0 of max.
  explicit ProgressBar(WindowHandle control, int32_t max = 100);

  void SetMax(int32_t max) override;
  int32_t Max() const override { return max_; }
  void SetPosition(int32_t position) override;
  int32_t Position() const override { return position_; }
  void StepIt() override;
  void SetBusy() override;
  bool Busy() const override { return busy_; }

  // What the control shows.
  int ShownPosition() const;
  int ShownMax() const;
  bool ShowsMarquee() const;
  WindowHandle Control() const { return control_; }

 private:
  void Show();

  WindowHandle control_;
  int32_t max_;
  int32_t position_ = 0;
  bool busy_ = false;
};

}  // namespace vorn::win32
