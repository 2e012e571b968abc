#include "app/qt/ShellProgressWindow.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/Shell.h"

namespace vorn {

namespace {
// The bar's scale: the done part in thousandths of the total.
constexpr int BarScale = 1000;
}  // namespace

ShellProgressWindow::ShellProgressWindow() : window_(std::make_unique<QDialog>()) {
  // Not modal and owned by no window, as the shell's own: the main window
  // stays as it is behind it.
  window_->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  window_->setWindowFlag(Qt::WindowCloseButtonHint, false);
  auto* column = new QVBoxLayout(window_.get());
  item_ = new QLabel;
  item_->setMinimumWidth(340);
  item_->setTextFormat(Qt::PlainText);
  bar_ = new QProgressBar;
  bar_->setTextVisible(false);
  column->addWidget(item_);
  column->addWidget(bar_);
  SetShellProgressWindow(this);
}

ShellProgressWindow::~ShellProgressWindow() { SetShellProgressWindow(nullptr); }

void ShellProgressWindow::Open(const std::string& title) {
  window_->setWindowTitle(QString::fromStdString(title));
  item_->clear();
  bar_->setRange(0, 0);
  window_->adjustSize();
  if (const QScreen* screen = QApplication::primaryScreen()) {
    window_->move(screen->availableGeometry().center() - window_->rect().center());
  }
  window_->show();
}

void ShellProgressWindow::Update(const std::string& item, int64_t done, int64_t total) {
  // The file's name; its folder would make the window as wide as the path.
  const QString path = QString::fromStdString(item);
  item_->setText(path.mid(path.lastIndexOf(u'\\') + 1));
  if (total <= 0) {
    bar_->setRange(0, 0);
  } else {
    bar_->setRange(0, BarScale);
    bar_->setValue(static_cast<int>(std::min<int64_t>(done, total) * BarScale / total));
  }
}

void ShellProgressWindow::KeepAlive() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void ShellProgressWindow::Close() { window_->hide(); }

}  // namespace vorn
