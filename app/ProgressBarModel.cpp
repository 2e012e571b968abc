// The bar semantics both front ends share.
#include "app/ProgressBarModel.h"

#include <algorithm>
#include <limits>

namespace vorn {

namespace {

int32_t CheckedMax(int32_t max) {
  if (max < 0) throw EInvalidOperation("Progress bar maximum out of range");
  return max;
}

}  // namespace

ProgressBarModel::ProgressBarModel(int32_t max) : max_(CheckedMax(max)) {}

void ProgressBarModel::SetMax(int32_t max) {
  max_ = CheckedMax(max);
  if (busy_) {
    busy_ = false;
    ShowBusy(false);
  }
  Refresh();
}

void ProgressBarModel::SetPosition(int32_t position) {
  position_ = position;
  Refresh();
}

void ProgressBarModel::StepIt() {
  // Saturates instead of overflowing; nothing ever steps this far.
  if (position_ < std::numeric_limits<int32_t>::max()) ++position_;
  Refresh();
}

void ProgressBarModel::SetBusy() {
  if (busy_) return;
  busy_ = true;
  ShowBusy(true);
}

void ProgressBarModel::Refresh() {
  if (busy_) return;
  ShowRange(std::max(max_, 1), std::clamp(position_, 0, max_));
}

}  // namespace vorn
