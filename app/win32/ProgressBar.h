// A progress bar of the common controls drawing the shared bar semantics;
// the busy mode is the marquee.
#pragma once

#include <cstdint>

#include "app/win32/Handles.h"
#include "app/ProgressBarModel.h"

namespace vorn::win32 {

class ProgressBar : public ProgressBarModel {
 public:
  // Drives the bar control given; the bar starts at 0 of max.
  explicit ProgressBar(WindowHandle control, int32_t max = 100);

  // What the control shows.
  int ShownPosition() const;
  int ShownMax() const;
  bool ShowsMarquee() const;
  WindowHandle Control() const { return control_; }

 protected:
  void ShowRange(int32_t shownMax, int32_t shownPosition) override;
  void ShowBusy(bool busy) override;

 private:
  WindowHandle control_;
};

}  // namespace vorn::win32
