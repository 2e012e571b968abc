// The main window's progress bars.
#include "app/qt/ProgressBar.h"

#include <algorithm>
#include <limits>

namespace vorn {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
  setTextVisible(false);
  ShowPosition();
}

void ProgressBar::SetMax(int32_t max) {
  if (max < 0) throw EInvalidOperation("Progress bar maximum out of range");
  max_ = max;
  busy_ = false;
  ShowPosition();
}

void ProgressBar::SetPosition(int32_t position) {
  position_ = position;
  ShowPosition();
}

void ProgressBar::StepIt() {
  // Saturates instead of overflowing; nothing ever steps this far.
  if (position_ < std::numeric_limits<int32_t>::max()) ++position_;
  ShowPosition();
}

void ProgressBar::SetBusy() {
  busy_ = true;
  setRange(0, 0);
}

void ProgressBar::ShowPosition() {
  if (busy_) return;
  // Qt takes an empty range for a busy bar; a maximum of 0 is an empty bar here.
  setRange(0, std::max(max_, 1));
  setValue(std::clamp(position_, 0, max_));
}

}  // namespace vorn
