// Shared by the Qt front end's own tests: the one QApplication of a test
// program, and an answerer for the modal boxes and dialogs the code under
// test opens that hands over the widgets themselves (offscreen nobody else
// would press OK, and the test would hang).
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <ostream>
#include <vector>

#include "tests/app/AppTestSupport.h"

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace vorn::test {

// Made on first use, not at start-up, so that listing the tests needs no screen.
inline QApplication& TestApplication() {
  InitialiseFrontEnd();
  return *qApp;
}

// Base of the fixtures that make widgets: the application exists before any
// member of the fixture is built.
class QtTest : public FrontEndTest {};

// Runs the application's message loop until something ends it; gives up
// with 1 after a few seconds rather than hang.
inline int RunMessageLoop() {
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  guard.start(5000);
  return QCoreApplication::exec();
}

inline QString QtBuildFolder() { return QString::fromStdString(BuildFolder()); }

struct QtShownBox {
  QString Caption;
  QString Text;
  QMessageBox::Icon Icon;
};

// Watches for modal widgets while alive. Message boxes are recorded and
// answered with OK; any other modal widget (a dialog) is passed to the
// dialog action, once per time it is shown.
class QtModalAnswerer {
 public:
  using DialogAction = std::function<void(QWidget* dialog)>;

  explicit QtModalAnswerer(DialogAction onDialog = nullptr) : onDialog_(std::move(onDialog)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(5);
  }

  const std::vector<QtShownBox>& Boxes() const { return boxes_; }
  int DialogsAnswered() const { return dialogs_; }

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) {
      answered_ = nullptr;
      return;
    }
    if (modal == answered_) return;
    answered_ = modal;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes_.push_back({box->windowTitle(), box->text(), box->icon()});
      box->button(QMessageBox::Ok)->click();
    } else if (onDialog_) {
      ++dialogs_;
      onDialog_(modal);
    }
  }

  DialogAction onDialog_;
  QTimer timer_;
  QPointer<QWidget> answered_;
  std::vector<QtShownBox> boxes_;
  int dialogs_ = 0;
};

}  // namespace vorn::test
