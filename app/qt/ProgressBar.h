// A progress bar of the main window: the shared bar semantics drawn by a
// QProgressBar without text.
#pragma once

#include <QProgressBar>
#include <cstdint>

#include "app/ProgressBarModel.h"

namespace vorn {

class ProgressBar : public QProgressBar, public ProgressBarModel {
  Q_OBJECT

 public:
  explicit ProgressBar(QWidget* parent = nullptr);

 protected:
  void ShowRange(int32_t shownMax, int32_t shownPosition) override;
  void ShowBusy(bool busy) override;
};

}  // namespace vorn
