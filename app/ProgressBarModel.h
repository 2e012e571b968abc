// The bar semantics the steps rely on, whatever draws the bar: minimum 0, a
// maximum that may be set but never below 0, a position kept as given even
// outside the range (shown at its nearest end), a step of 1, and a busy mode
// for a transfer of unknown size. Each front end's bar derives from it and
// draws what it is told.
#pragma once

#include <cstdint>

#include "platform/UserInterface.h"

namespace vorn {

class ProgressBarModel : public IProgressBar {
 public:
  explicit ProgressBarModel(int32_t max = 100);

  void SetMax(int32_t max) final;
  int32_t Max() const final { return max_; }
  void SetPosition(int32_t position) final;
  int32_t Position() const final { return position_; }
  void StepIt() final;
  void SetBusy() final;
  bool Busy() const final { return busy_; }

 protected:
  // Draws the ordinary bar: 0 to shownMax (at least 1: a maximum of 0 is an
  // empty bar), filled to shownPosition, which lies in that range.
  virtual void ShowRange(int32_t shownMax, int32_t shownPosition) = 0;
  // Turns the busy look on (entering busy mode) or off (leaving it; a
  // ShowRange follows at once).
  virtual void ShowBusy(bool busy) = 0;
  // Draws the present state; the derived bar calls it once it is made.
  void Refresh();

 private:
  int32_t max_;
  int32_t position_ = 0;
  bool busy_ = false;
};

}  // namespace vorn
