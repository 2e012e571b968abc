#include "app/win32/ProgressBar.h"

#include <windows.h>
#include <commctrl.h>

namespace vorn::win32 {

namespace {
constexpr UINT MarqueeIntervalMs = 30;
}  // namespace

ProgressBar::ProgressBar(HWND control, int32_t max) : ProgressBarModel(max), control_(control) {
  SendMessageW(control_, PBM_SETSTEP, 1, 0);
  Refresh();
}

void ProgressBar::ShowBusy(bool busy) {
  const LONG_PTR style = GetWindowLongPtrW(control_, GWL_STYLE);
  if (busy) {
    SetWindowLongPtrW(control_, GWL_STYLE, style | PBS_MARQUEE);
    SendMessageW(control_, PBM_SETMARQUEE, TRUE, MarqueeIntervalMs);
  } else {
    SendMessageW(control_, PBM_SETMARQUEE, FALSE, 0);
    SetWindowLongPtrW(control_, GWL_STYLE, style & ~LONG_PTR{PBS_MARQUEE});
  }
}

void ProgressBar::ShowRange(int32_t shownMax, int32_t shownPosition) {
  SendMessageW(control_, PBM_SETRANGE32, 0, shownMax);
  SendMessageW(control_, PBM_SETPOS, static_cast<WPARAM>(shownPosition), 0);
}

int ProgressBar::ShownPosition() const { return static_cast<int>(SendMessageW(control_, PBM_GETPOS, 0, 0)); }

int ProgressBar::ShownMax() const { return static_cast<int>(SendMessageW(control_, PBM_GETRANGE, FALSE, 0)); }

bool ProgressBar::ShowsMarquee() const { return (GetWindowLongPtrW(control_, GWL_STYLE) & PBS_MARQUEE) != 0; }

}  // namespace vorn::win32
