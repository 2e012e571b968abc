// The main window's progress bars.
#include "app/qt/ProgressBar.h"

namespace vorn {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
  setTextVisible(false);
  Refresh();
}

void ProgressBar::ShowRange(int32_t shownMax, int32_t shownPosition) {
  setRange(0, shownMax);
  setValue(shownPosition);
}

// Qt takes an empty range for a busy bar.
void ProgressBar::ShowBusy(bool busy) {
  if (busy) setRange(0, 0);
}

}  // namespace vorn
