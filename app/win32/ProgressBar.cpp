#include "app/win32/ProgressBar.h"

#include <algorithm>
#include <limits>

#include <windows.h>
#include <commctrl.h>

namespace vorn::win32 {

namespace {
constexpr UINT MarqueeIntervalMs = 30;
}  // namespace

ProgressBar::ProgressBar(HWND control, int32_t max) : control_(control), max_(max) {
  if (max_ < 0) throw EInvalidOperation("Progress bar maximum out of range");
  SendMessageW(control_, PBM_SETSTEP, 1, 0);
  Show();
}

void ProgressBar::SetMax(int32_t max) {
  if (max < 0) throw EInvalidOperation("Progress bar maximum out of range");
  max_ = max;
  if (busy_) {
    busy_ = false;
    SendMessageW(control_, PBM_SETMARQUEE, FALSE, 0);
    SetWindowLongPtrW(control_, GWL_STYLE, GetWindowLongPtrW(control_, GWL_STYLE) & ~LONG_PTR{PBS_MARQUEE});
  }
  Show();
}

void ProgressBar::SetPosition(int32_t position) {
  position_ = position;
  Show();
}

void ProgressBar::StepIt() {
  // Saturates instead of overflowing; nothing ever steps this far.
  if (position_ < std::numeric_limits<int32_t>::max()) ++position_;
  Show();
}

void ProgressBar::SetBusy() {
  if (busy_) return;
  busy_ = true;
  SetWindowLongPtrW(control_, GWL_STYLE, GetWindowLongPtrW(control_, GWL_STYLE) | PBS_MARQUEE);
  SendMessageW(control_, PBM_SETMARQUEE, TRUE, MarqueeIntervalMs);
}

void ProgressBar::Show() {
  if (busy_) return;
  // An empty range would be drawn as nothing at all on some versions; a
  // maximum of 0 is shown as an empty bar of 1.
  SendMessageW(control_, PBM_SETRANGE32, 0, std::max(max_, 1));
  SendMessageW(control_, PBM_SETPOS, static_cast<WPARAM>(std::clamp(position_, 0, max_)), 0);
}

int ProgressBar::ShownPosition() const { return static_cast<int>(SendMessageW(control_, PBM_GETPOS, 0, 0)); }

int ProgressBar::ShownMax() const { return static_cast<int>(SendMessageW(control_, PBM_GETRANGE, FALSE, 0)); }

bool ProgressBar::ShowsMarquee() const { return (GetWindowLongPtrW(control_, GWL_STYLE) & PBS_MARQUEE) != 0; }

}  // namespace vorn::win32
