// A progress bar of the main window, as the libraries below the front end see
// it (IProgressBar): minimum 0, a settable maximum, a position that may lie
// outside the range, a step of 1, and a busy mode for sizes nobody knows.
#pragma once

#include <QProgressBar>
#include <cstdint>

#include "platform/UserInterface.h"

namespace vorn {

class ProgressBar : public QProgressBar, public IProgressBar {
  Q_OBJECT

 public:
  explicit ProgressBar(QWidget* parent = nullptr);

  void SetMax(int32_t max) override;
  int32_t Max() const override { return max_; }
  void SetPosition(int32_t position) override;
  int32_t Position() const override { return position_; }
  void StepIt() override;
  void SetBusy() override;
  bool Busy() const override { return busy_; }

 private:
  // Shows the kept position at the nearest end of the range.
  void ShowPosition();

  int32_t max_ = 100;
  int32_t position_ = 0;
  bool busy_ = false;
};

}  // namespace vorn
